#include "app/problem_report.hpp"

#include <string_view>

#include "base/time_format.hpp"

namespace corvane::app {

namespace {

const char* onOff(bool on) { return on ? "on" : "off"; }

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

std::string trimmed(const std::string& text) {
  auto first = text.begin();
  auto last = text.end();
  while (first != last && isBlank(*first)) ++first;
  while (last != first && isBlank(*(last - 1))) --last;
  return std::string(first, last);
}

}  // namespace

std::string systemInfo(const ReportFacts& facts, const base::Preferences& prefs) {
  std::string text = "Corvane " + facts.version + " (" + facts.build.value_or("?") + ")\n";
  // The system's name once, whether or not the platform put it in front of the number.
  std::string_view os = facts.osVersion;
  if (os.starts_with("macOS ")) os.remove_prefix(6);
  text += "macOS " + std::string(os) + "\n";
  text += "Mac model " + facts.macModel + "\n";
  text += "Excel " + facts.excelVersion.value_or("not found") + (facts.excelRunning ? ", running" : "") + "\n";
  text += std::string("Accessibility ") + (facts.trusted ? "allowed" : "not allowed") + ", keyboard " +
          (facts.listening ? "listening" : "waiting") + "\n";
  text += std::string("Settings: shortcuts ") + onOff(prefs.enabled.get()) + ", hold ⌥ " +
          onOff(prefs.holdToStart.get()) + ", key tips " + onOff(prefs.showRibbonTips.get()) + " (" +
          std::string(model::rawValue(prefs.tipStyle.get())) + ", " + std::string(model::rawValue(prefs.tipSize.get())) +
          "), key list " + std::string(model::rawValue(prefs.keyListMode.get())) + ", search " +
          std::string(model::rawValue(prefs.searchTrigger.get())) + ", learning hints " +
          onOff(prefs.learningHints.get()) + "\n";
  text += "Shortcuts: " + std::to_string(facts.shortcutCount) + " loaded, " + std::to_string(facts.ownShortcutCount) +
          " of your own, " + std::to_string(facts.warningCount) + " problems\n";
  text += std::string("Excel's own KeyTips: ") + (facts.excelKeyTipsSeen ? "seen answering ⌥" : "not seen");
  return text;
}

ProblemReport::ProblemReport(platform::Files& files, platform::Workspace& workspace, platform::Panels& panels,
                             platform::Clock& clock, platform::Paths paths, base::ActivityLog& log, Config config,
                             std::function<std::string()> systemInfo)
    : files_(files),
      workspace_(workspace),
      panels_(panels),
      clock_(clock),
      paths_(std::move(paths)),
      log_(log),
      config_(std::move(config)) {
  model_.systemInfo = std::move(systemInfo);
}

void ProblemReport::open(const std::optional<std::string>& prefill) {
  bool visible = isVisible();
  if (prefill) {
    model_.details = *prefill + "\n\n";
  } else if (!visible) {
    model_.details.clear();
  }
  model_.notice.reset();
  model_.showIncluded = false;
  if (!window_) {
    window_ = panels_.create(platform::PanelKind::window, {460, 420});
    window_->setTitle("Report a Problem");
    std::weak_ptr<ProblemReport*> weak = self_;
    window_->setActionSink([weak](const platform::PanelAction& action) {
      if (auto self = weak.lock()) (*self)->onAction(action);
    });
  }
  render();
  if (!visible) window_->center();
  window_->makeKeyAndOrderFront();
}

std::string ProblemReport::body() const {
  auto described = trimmed(model_.details);
  std::string text = "What happened:\n";
  text += described.empty() ? "(not described)" : described;
  text += "\n\n---\n";
  if (model_.systemInfo) text += model_.systemInfo();
  return text;
}

std::string ProblemReport::preview() const {
  auto text = body();
  if (model_.includeLog) text += "\n\nActivity log:\n" + log_.logTail();
  return text;
}

std::string ProblemReport::desktopFile() const {
  return paths_.desktop + "/Corvane problem report " + base::formatDate(clock_.now()) + ".txt";
}

std::string ProblemReport::unusedDesktopFile() const {
  // A second report the same day gets a name of its own rather than replacing the first.
  auto path = desktopFile();
  auto stem = path.substr(0, path.size() - 4);
  for (int n = 2; files_.exists(path) && n < 1000; ++n) path = stem + " (" + std::to_string(n) + ").txt";
  return path;
}

std::optional<std::string> ProblemReport::writeAttachment(const std::string& tail) {
  // A folder of its own, named by the moment, so no file planted in the shared temporary folder is
  // written through or sent.
  auto folder = paths_.temporaryFolder + "/Corvane report " + std::to_string(static_cast<long long>(clock_.uptime() * 1e9));
  if (files_.exists(folder) || !files_.createFolders(folder)) return std::nullopt;
  auto path = folder + "/" + kLogFileName;
  if (!files_.writeAtomic(path, tail)) return std::nullopt;
  return path;
}

void ProblemReport::removeAttachment() {
  if (!attachment_) return;
  (void)files_.remove(*attachment_);
  (void)files_.remove(attachment_->substr(0, attachment_->rfind('/')));
  attachment_.reset();
}

ProblemReport::Outcome ProblemReport::send() {
  auto text = body();
  std::string tail = model_.includeLog ? log_.logTail() : std::string();
  platform::EmailDraft draft{{config_.supportAddress}, "Corvane " + config_.version + " problem report", text, {}};
  removeAttachment();
  if (workspace_.canComposeEmail()) {
    // The log is written out only for the mail that takes it, and removed when the report closes.
    if (model_.includeLog) attachment_ = writeAttachment(tail);
    if (attachment_) draft.attachments.push_back(*attachment_);
    if (workspace_.composeEmail(draft)) {
      if (window_) window_->orderOut();
      return Outcome::emailed;
    }
    removeAttachment();
  }
  auto path = unusedDesktopFile();
  auto content = text;
  if (model_.includeLog) content += "\n\nActivity log (last " + std::to_string(base::ActivityLog::kTailLines) + " lines):\n" + tail;
  // The Desktop folder may be missing under a fresh home; the write below reports the real failure.
  (void)files_.createFolders(paths_.desktop);
  auto written = files_.writeAtomic(path, content);
  if (!written) {
    model_.notice = "Couldn't save the report: " + written.error().description;
    render();
    return Outcome::failed;
  }
  model_.notice = kSavedNotice;
  savedFile_ = path;
  workspace_.revealFile(path);
  render();
  return Outcome::savedToDesktop;
}

void ProblemReport::setDetails(std::string details) {
  model_.details = std::move(details);
  render();
}

void ProblemReport::setIncludeLog(bool on) {
  model_.includeLog = on;
  render();
}

void ProblemReport::setShowIncluded(bool on) {
  model_.showIncluded = on;
  render();
}

void ProblemReport::render() {
  if (!window_) return;
  auto view = std::make_shared<platform::views::ReportView>();
  view->details = model_.details;
  view->includeLog = model_.includeLog;
  view->includeLogLine =
      "The last " + std::to_string(base::ActivityLog::kTailLines) + " lines: which shortcuts ran and why any failed.";
  view->showIncluded = model_.showIncluded;
  if (model_.showIncluded) view->included = preview();
  view->notice = model_.notice;
  view_ = view;
  window_->setContent(view_);
}

void ProblemReport::onAction(const platform::PanelAction& action) {
  using Kind = platform::PanelAction::Kind;
  switch (action.kind) {
    case Kind::text: setDetails(action.text); return;
    case Kind::toggle:
      if (action.id == "includeLog") setIncludeLog(action.on);
      if (action.id == "showIncluded") setShowIncluded(action.on);
      return;
    case Kind::button:
      if (action.id == "send") (void)send();
      return;
    case Kind::closed:
      removeAttachment();
      window_->orderOut();
      return;
    case Kind::key:
    case Kind::select: return;
  }
}

}  // namespace corvane::app
