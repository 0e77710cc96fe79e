#pragma once
// The "Software Update" window.

#include "mac_app/content_view.hpp"

@interface CVUpdateContent : CVContentView
@end
