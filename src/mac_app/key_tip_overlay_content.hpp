#pragma once
// One screen's key-tip badges, drawn exactly where and how the core laid them out.

#include "mac_app/content_view.hpp"

@interface CVKeyTipOverlayContent : CVContentView
@end
