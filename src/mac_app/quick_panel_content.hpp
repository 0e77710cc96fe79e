#pragma once
// The menu-bar panel: the status header with the main switch, switches and command rows. It takes
// the keyboard while open (arrows, return, escape, numbers and ⌘ shortcuts).

#include "mac_app/content_view.hpp"

@interface CVQuickPanelContent : CVContentView
@end
