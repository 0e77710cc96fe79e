#pragma once
// The welcome window: access, the practised first shortcut and tips.

#include "mac_app/content_view.hpp"

@interface CVWelcomeContent : CVContentView
@end
