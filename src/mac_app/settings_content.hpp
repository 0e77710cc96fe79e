#pragma once
// The settings window: the sidebar of pages and the selected page's switches, pickers, lines and
// buttons.

#include "mac_app/content_view.hpp"

@interface CVSettingsContent : CVContentView
@end
