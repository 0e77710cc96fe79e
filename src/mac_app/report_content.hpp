#pragma once
// The "Report a Problem" window.

#include "mac_app/content_view.hpp"

@interface CVReportContent : CVContentView
@end
