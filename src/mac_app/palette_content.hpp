#pragma once
// The command palette: a search field, the ranked rows or an empty-state text, and the footer.

#include "mac_app/content_view.hpp"

@interface CVPaletteContent : CVContentView
@end
