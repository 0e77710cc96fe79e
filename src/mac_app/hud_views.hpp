#pragma once
// The four contents of the key-list panel: key list, notice, busy line and run problem.

#include "mac_app/content_view.hpp"

@interface CVKeyListContent : CVContentView
@end

@interface CVNoticeContent : CVContentView
@end

@interface CVBusyContent : CVContentView
@end

@interface CVProblemContent : CVContentView
@end
