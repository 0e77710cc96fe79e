#pragma once
// What the implementation of every content view starts from: the base, the view kit and the action
// helpers, and the short names they are written with. Include it from a content view's .mm only —
// the names it brings in are global there on purpose.

#include "mac_app/content_view.hpp"
#include "mac_app/view_actions.hpp"
#include "mac_app/view_kit.hpp"

using corvane::mac_app::flexibleSpace;
using corvane::mac_app::label;
using corvane::mac_app::modelOf;
using corvane::mac_app::ns;
using corvane::mac_app::StackAxis;
using corvane::mac_app::wrappingLabel;
using corvane::platform::FontWeight;
namespace views = corvane::platform::views;
