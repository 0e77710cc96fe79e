#pragma once
// The My Shortcuts page: the user's entries and the edit form. While keys are recorded it takes
// the key presses itself and hands them to the key catcher through the panel's sink.

#include "mac_app/content_view.hpp"

@interface CVShortcutEditorContent : CVContentView
@end
