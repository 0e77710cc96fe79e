#pragma once
// What the "Software Update" window draws: plain data built by the update flow from its model.
// Backends draw it and send the buttons' actions back; they decide nothing.

#include <optional>
#include <string>
#include <vector>
#include "platform/views/view.hpp"

namespace corvane::platform::views {

/// What a button or the check box of the update window asks for; the shell maps each to the
/// update model's callback of the same name.
enum class UpdateAction { install, skip, later, cancel, relaunch, installOnQuit, acknowledge, setAutoInstall };

struct UpdateButton {
  std::string title;
  UpdateAction action = UpdateAction::acknowledge;
  bool isDefault = false;  ///< answers Return
  friend bool operator==(const UpdateButton&, const UpdateButton&) = default;
};

struct UpdateCheckBox {
  std::string title;
  bool checked = false;
  UpdateAction action = UpdateAction::setAutoInstall;
  friend bool operator==(const UpdateCheckBox&, const UpdateCheckBox&) = default;
};

struct UpdateProgress {
  enum class Kind { bar, indeterminate };
  Kind kind = Kind::indeterminate;
  double fraction = 0;  ///< 0…1 for a bar; 0 while the total is unknown
  std::string text;     ///< "1.5 MB of 12.0 MB" for a bar, else empty
  friend bool operator==(const UpdateProgress&, const UpdateProgress&) = default;
};

struct UpdateView : View {
  std::string windowTitle;  ///< "Software Update"
  std::string title;
  std::string text;  ///< may be empty
  std::string notesHeading;  ///< "What’s new" when there are notes
  std::vector<std::string> notes;
  std::optional<UpdateCheckBox> checkBox;
  std::optional<UpdateProgress> progress;
  std::vector<UpdateButton> buttons;
  friend bool operator==(const UpdateView&, const UpdateView&) = default;
};

}  // namespace corvane::platform::views
