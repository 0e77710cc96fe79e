#pragma once
// The Shortcut List window: a sidebar of sections, a search field and the visible shortcuts.

#include "mac_app/content_view.hpp"

@interface CVShortcutListContent : CVContentView
@end
