#pragma once
// Everything that goes wrong while steps drive Excel: a full sentence for the activity log and a
// kind the run problem is chosen by.

#include <cstdio>
#include <expected>
#include <string>

namespace corvane::excel {

struct ActionError {
  enum class Kind {
    notFound,
    greyedOut,
    noTab,
    dialogTimeout,
    general,
    noWorkbook,
    menuMissing,
    notResponding,
    notAllowed,  ///< macOS refused Accessibility: the permission was withdrawn
    leftFront,   ///< Excel stopped being the frontmost application before a key or click was posted
  };

  Kind kind = Kind::general;
  std::string name;         ///< payload of notFound, greyedOut, noTab and dialogTimeout
  std::string description;  ///< the text form

  static ActionError notFound(std::string name, std::string description) {
    return {Kind::notFound, std::move(name), std::move(description)};
  }
  static ActionError greyedOut(const std::string& name) {
    return {Kind::greyedOut, name, "“" + name + "” is greyed out in Excel right now"};
  }
  static ActionError noTab(const std::string& tab) {
    return {Kind::noTab, tab,
            "Couldn't find the “" + tab + "” ribbon tab. Is the ribbon turned on (View › Ribbon)?"};
  }
  static ActionError dialogTimeout(std::string name, std::string description) {
    return {Kind::dialogTimeout, std::move(name), std::move(description)};
  }
  static ActionError general(std::string description) { return {Kind::general, {}, std::move(description)}; }
  static ActionError noWorkbook() { return {Kind::noWorkbook, {}, "Open a workbook in Excel first"}; }
  static ActionError menuMissing(std::string description) { return {Kind::menuMissing, {}, std::move(description)}; }
  /// Excel left a call unanswered for `seconds`, or (`deadline`) answered so slowly that the work
  /// ran out of time after `seconds`.
  static ActionError notResponding(double seconds, bool deadline) {
    char text[96];
    if (deadline) {
      std::snprintf(text, sizeof text, "Excel answered too slowly: stopped after %.1f seconds", seconds);
    } else {
      std::snprintf(text, sizeof text, "Excel gave no answer for %.1f seconds", seconds);
    }
    return {Kind::notResponding, {}, text};
  }

  static ActionError notAllowed() {
    return {Kind::notAllowed, {}, "macOS doesn't allow Corvane to use Accessibility any more"};
  }
  static ActionError leftFront() {
    return {Kind::leftFront, {}, "Excel wasn't in front any more, so Corvane stopped before posting to another app"};
  }

  friend bool operator==(const ActionError&, const ActionError&) = default;
};

template <typename T>
using ActionResult = std::expected<T, ActionError>;
using ActionStatus = std::expected<void, ActionError>;

}  // namespace corvane::excel
