#pragma once
// The learning hint's capsule: the icon, the command's name, its keys and "next time".

#include "mac_app/content_view.hpp"

@interface CVCoachHintContent : CVContentView
@end
