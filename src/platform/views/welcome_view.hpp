#pragma once
// What the welcome window draws: plain data built by the onboarding model. Backends draw it and send
// the buttons' actions back.

#include <string>
#include <vector>
#include "platform/views/view.hpp"

namespace corvane::platform::views {

enum class WelcomeAction { skip, back, next, done, openAccessibilitySettings };

struct WelcomeButton {
  std::string title;
  WelcomeAction action = WelcomeAction::next;
  bool isDefault = false;
  friend bool operator==(const WelcomeButton&, const WelcomeButton&) = default;
};

/// One of the three numbered markers under the header.
struct WelcomeStepMarker {
  int number = 1;
  bool passed = false;  ///< drawn as the symbol "checkmark" instead of the number
  bool current = false;
  friend bool operator==(const WelcomeStepMarker&, const WelcomeStepMarker&) = default;
};

struct WelcomeKeyCap {
  enum class Look { done, next, waiting };
  std::string key;
  Look look = Look::waiting;
  friend bool operator==(const WelcomeKeyCap&, const WelcomeKeyCap&) = default;
};

struct WelcomeTip {
  std::string symbol;
  std::string title;
  std::string text;
  friend bool operator==(const WelcomeTip&, const WelcomeTip&) = default;
};

struct WelcomeView : View {
  std::string windowTitle;  ///< "Welcome to Corvane"
  std::string header;       ///< "Welcome to Corvane"
  std::vector<WelcomeStepMarker> markers;
  int step = 1;
  std::string title;
  std::string text;

  // Step 1: either the settings button with its hint, or the allowed line with its symbol.
  // Step 2 has a hint too (Excel's own KeyTips on ⌥), drawn above the key caps.
  std::string hint;
  std::string allowedSymbol;  ///< "checkmark.circle.fill" once allowed
  std::string allowedText;

  // Step 2.
  std::vector<WelcomeKeyCap> keyCaps;
  std::string status;
  bool statusFinished = false;  ///< success styling

  // Step 3.
  std::vector<WelcomeTip> tips;

  /// In-page buttons first (the settings button), then the footer: "Skip for now", "Back",
  /// "Continue" or "Done".
  std::vector<WelcomeButton> pageButtons;
  std::vector<WelcomeButton> footerButtons;
  friend bool operator==(const WelcomeView&, const WelcomeView&) = default;
};

}  // namespace corvane::platform::views
