#include "platform/sim/scripted_updater.hpp"

#include <nlohmann/json.hpp>

#include <utility>

namespace corvane::platform::sim {
namespace {

using Kind = ScriptedFeedStep::Kind;

bool isDownloadStep(Kind kind) {
  switch (kind) {
    case Kind::expectedLength:
    case Kind::data:
    case Kind::extracting:
    case Kind::extractionProgress:
    case Kind::ready:
    case Kind::error:
      return true;
    case Kind::found:
    case Kind::releaseNotes:
    case Kind::releaseNotesFailed:
    case Kind::notFound:
      return false;
  }
  return false;
}

const char* nameOf(Kind kind) {
  switch (kind) {
    case Kind::found: return "found";
    case Kind::releaseNotes: return "releaseNotes";
    case Kind::releaseNotesFailed: return "releaseNotesFailed";
    case Kind::notFound: return "notFound";
    case Kind::error: return "error";
    case Kind::expectedLength: return "expectedLength";
    case Kind::data: return "data";
    case Kind::extracting: return "extracting";
    case Kind::extractionProgress: return "extractionProgress";
    case Kind::ready: return "ready";
  }
  return "?";
}

// The framework sends release notes while the found update is on screen, before any answer.
bool isNotesStep(Kind kind) { return kind == Kind::releaseNotes || kind == Kind::releaseNotesFailed; }

}  // namespace

std::optional<std::string> validate(const ScriptedFeed& feed) {
  const auto& steps = feed.steps;
  std::size_t i = 0;
  if (steps.empty()) return "The feed has no steps";
  for (const auto& step : steps) {
    if (!(step.delay >= 0)) return std::string("A step's delay must not be negative");
  }
  const auto& first = steps[i++];
  switch (first.kind) {
    case Kind::notFound:
    case Kind::error:
      if (steps.size() > 1) return std::string("Nothing may follow ") + nameOf(first.kind);
      return std::nullopt;
    case Kind::found:
      break;
    case Kind::releaseNotes:
    case Kind::releaseNotesFailed:
    case Kind::expectedLength:
    case Kind::data:
    case Kind::extracting:
    case Kind::extractionProgress:
    case Kind::ready:
      return std::string("The feed must start with found, notFound or error, not ") + nameOf(first.kind);
  }
  if (i < steps.size() && isNotesStep(steps[i].kind)) ++i;
  // Download: expected length at most once and before data, then extraction, ending in ready or error.
  enum class Phase { downloading, extracting } phase = Phase::downloading;
  bool sawLength = false;
  bool sawData = false;
  for (; i < steps.size(); ++i) {
    const auto& step = steps[i];
    if (!isDownloadStep(step.kind)) return std::string("Unexpected ") + nameOf(step.kind) + " after found";
    bool last = i + 1 == steps.size();
    switch (step.kind) {
      case Kind::expectedLength:
        if (phase != Phase::downloading || sawLength || sawData) return std::string("Misplaced expectedLength");
        sawLength = true;
        break;
      case Kind::data:
        if (phase != Phase::downloading) return std::string("data after extracting");
        sawData = true;
        break;
      case Kind::extracting:
        if (phase != Phase::downloading) return std::string("extracting twice");
        phase = Phase::extracting;
        break;
      case Kind::extractionProgress:
        if (phase != Phase::extracting) return std::string("extractionProgress before extracting");
        break;
      case Kind::ready:
        if (phase != Phase::extracting) return std::string("ready before extracting");
        if (!last) return std::string("Nothing may follow ready");
        return std::nullopt;
      case Kind::error:
        if (!last) return std::string("Nothing may follow error");
        return std::nullopt;
      case Kind::found:
      case Kind::releaseNotes:
      case Kind::releaseNotesFailed:
      case Kind::notFound:
        break;
    }
  }
  return std::string("After found the feed must end in ready or error");
}

std::expected<ScriptedFeed, std::string> parseScriptedFeed(std::string_view text) {
  using nlohmann::json;
  try {
    auto doc = json::parse(text);
    if (!doc.is_object()) return std::unexpected(std::string("A feed is a JSON object"));
    ScriptedFeed feed;
    feed.askPermission = doc.value("askPermission", false);
    feed.checkInterval = doc.value("checkInterval", feed.checkInterval);
    feed.installDelay = doc.value("installDelay", feed.installDelay);
    feed.automaticallyChecks = doc.value("automaticallyChecks", feed.automaticallyChecks);
    feed.automaticallyDownloads = doc.value("automaticallyDownloads", feed.automaticallyDownloads);
    if (!(feed.checkInterval > 0)) return std::unexpected(std::string("checkInterval must be positive"));
    for (const auto& s : doc.at("steps")) {
      ScriptedFeedStep step;
      step.delay = s.value("after", 0.0);
      int times = 1;
      if (s.contains("found")) {
        const auto& f = s.at("found");
        step.kind = Kind::found;
        step.item = AppcastItem{f.at("version").get<std::string>(), f.value("description", std::string())};
      } else if (s.contains("releaseNotes")) {
        step.kind = Kind::releaseNotes;
        step.text = s.at("releaseNotes").get<std::string>();
      } else if (s.contains("releaseNotesFailed")) {
        step.kind = Kind::releaseNotesFailed;
        step.text = s.at("releaseNotesFailed").get<std::string>();
      } else if (s.contains("notFound")) {
        step.kind = Kind::notFound;
      } else if (s.contains("error")) {
        step.kind = Kind::error;
        step.text = s.at("error").get<std::string>();
      } else if (s.contains("expectedLength")) {
        step.kind = Kind::expectedLength;
        step.length = s.at("expectedLength").get<std::uint64_t>();
      } else if (s.contains("data")) {
        step.kind = Kind::data;
        step.length = s.at("data").get<std::uint64_t>();
        times = s.value("times", 1);
        if (times < 1 || times > 100000) return std::unexpected(std::string("\"times\" must be 1 to 100000"));
      } else if (s.contains("extracting")) {
        step.kind = Kind::extracting;
      } else if (s.contains("extractionProgress")) {
        step.kind = Kind::extractionProgress;
        step.progress = s.at("extractionProgress").get<double>();
      } else if (s.contains("ready")) {
        step.kind = Kind::ready;
      } else {
        return std::unexpected("Unknown feed step " + s.dump());
      }
      for (int t = 0; t < times; ++t) feed.steps.push_back(step);
    }
    if (auto problem = validate(feed)) return std::unexpected(*problem);
    return feed;
  } catch (const json::exception& e) {
    return std::unexpected(std::string("Couldn't read the feed: ") + e.what());
  }
}

/// Everything the updater's scheduled work reaches, held weakly by that work so a destroyed
/// updater's timers and replies do nothing.
struct ScriptedUpdater::State : std::enable_shared_from_this<ScriptedUpdater::State> {
  Scheduler& scheduler;
  UpdateUserDriver& driver;
  ScriptedFeed feed;
  bool started = false;
  bool automaticallyChecks = true;
  bool automaticallyDownloads = false;
  bool installOnQuit = false;
  std::optional<std::string> skipped;
  WorkHandle timer;
  WorkHandle pending;
  /// The current session's number; 0 when none is under way. Work of an ended session is ignored.
  std::uint64_t session = 0;
  std::uint64_t lastSession = 0;
  bool userInitiated = false;
  bool downloading = false;
  bool silent = false;
  std::size_t next = 0;  ///< the next step of the feed
  std::size_t downloadStart = 0;

  State(Scheduler& s, UpdateUserDriver& d, ScriptedFeed f) : scheduler(s), driver(d), feed(std::move(f)) {
    automaticallyChecks = feed.automaticallyChecks;
    automaticallyDownloads = feed.automaticallyDownloads;
  }

  /// Runs `work` on the main queue after `delay` while the session `id` lasts.
  WorkHandle later(std::uint64_t id, double delay, std::function<void(State&)> work) {
    std::weak_ptr<State> weak = weak_from_this();
    auto run = [weak, id, work = std::move(work)] {
      auto self = weak.lock();
      if (self && self->session == id) work(*self);
    };
    if (delay <= 0) {
      scheduler.main().async(std::move(run));
      return nullptr;
    }
    return scheduler.main().after(delay, std::move(run));
  }

  /// A callback the driver may call once; later calls, and calls after the session ended, do nothing.
  template <typename... Args>
  std::function<void(Args...)> once(std::uint64_t id, std::function<void(State&, Args...)> body) {
    std::weak_ptr<State> weak = weak_from_this();
    auto used = std::make_shared<bool>(false);
    return [weak, id, used, body = std::move(body)](Args... args) {
      if (*used) return;
      *used = true;
      // The framework answers on the main queue after the callback returns, never inside it.
      auto self = weak.lock();
      if (!self) return;
      self->scheduler.main().async([weak, id, body, args...] {
        auto s = weak.lock();
        if (s && s->session == id) body(*s, args...);
      });
    };
  }

  void scheduleChecks() {
    if (timer) timer->cancel();
    timer = nullptr;
    if (!started || !automaticallyChecks) return;
    std::weak_ptr<State> weak = weak_from_this();
    timer = scheduler.repeating(scheduler.main(), feed.checkInterval, feed.checkInterval, feed.checkInterval / 10,
                                [weak] {
                                  if (auto self = weak.lock()) self->beginCheck(false);
                                });
  }

  void beginCheck(bool byUser) {
    if (session != 0) {
      if (byUser) driver.showUpdateInFocus();
      return;
    }
    session = ++lastSession;
    userInitiated = byUser;
    downloading = false;
    silent = false;
    next = 0;
    if (byUser) driver.showUserInitiatedUpdateCheck(once<>(session, std::function<void(State&)>([](State& s) {
                                                       s.endSession();
                                                     })));
    runStep(session);
  }

  void endSession() {
    if (session == 0) return;
    if (pending) pending->cancel();
    pending = nullptr;
    session = 0;
    driver.dismissUpdateInstallation();
  }

  /// Ends a background session that showed nothing: the framework stays silent.
  void endQuietly() {
    if (pending) pending->cancel();
    pending = nullptr;
    session = 0;
  }

  void runStep(std::uint64_t id) {
    if (next >= feed.steps.size()) return;
    pending = later(id, feed.steps[next].delay, [](State& s) {
      const auto& step = s.feed.steps[s.next++];
      s.perform(step);
    });
  }

  void perform(const ScriptedFeedStep& step) {
    auto id = session;
    switch (step.kind) {
      case Kind::found: {
        if (skipped && *skipped == step.item.displayVersion) {
          notFound(id);
          return;
        }
        bool notesFollow = next < feed.steps.size() && isNotesStep(feed.steps[next].kind);
        downloadStart = next + (notesFollow ? 1 : 0);
        if (!userInitiated && automaticallyDownloads) {
          // A scheduled check with automatic downloads fetches the update without showing anything
          // and installs it when the program quits.
          silent = true;
          answerFound(step.item, UpdateChoice::install);
          return;
        }
        UpdateState state{UpdateState::Stage::notDownloaded, userInitiated};
        driver.showUpdateFound(step.item, state,
                               once<UpdateChoice>(id, std::function<void(State&, UpdateChoice)>(
                                                          [item = step.item](State& s, UpdateChoice choice) {
                                                            s.answerFound(item, choice);
                                                          })));
        // Release notes arrive while the offer is on screen.
        if (notesFollow) runStep(id);
        return;
      }
      case Kind::releaseNotes:
        driver.showUpdateReleaseNotes(step.text);
        return;
      case Kind::releaseNotesFailed:
        driver.showUpdateReleaseNotesFailedToDownload(step.text);
        return;
      case Kind::notFound:
        notFound(id);
        return;
      case Kind::error:
        if (silent || (!userInitiated && !downloading)) {
          endQuietly();
          return;
        }
        driver.showUpdaterError(step.text, acknowledgement(id));
        return;
      case Kind::expectedLength:
        if (!silent) driver.showDownloadDidReceiveExpectedContentLength(step.length);
        runStep(id);
        return;
      case Kind::data:
        if (!silent) driver.showDownloadDidReceiveDataOfLength(step.length);
        runStep(id);
        return;
      case Kind::extracting:
        if (!silent) driver.showDownloadDidStartExtractingUpdate();
        runStep(id);
        return;
      case Kind::extractionProgress:
        if (!silent) driver.showExtractionReceivedProgress(step.progress);
        runStep(id);
        return;
      case Kind::ready:
        if (silent) {
          installOnQuit = true;
          endQuietly();
          return;
        }
        driver.showReadyToInstallAndRelaunch(once<UpdateChoice>(
            id, std::function<void(State&, UpdateChoice)>([](State& s, UpdateChoice c) { s.answerReady(c); })));
        return;
    }
  }

  UpdateAcknowledgement acknowledgement(std::uint64_t id) {
    return once<>(id, std::function<void(State&)>([](State& s) { s.endSession(); }));
  }

  void notFound(std::uint64_t id) {
    if (!userInitiated) {
      endQuietly();
      return;
    }
    driver.showUpdateNotFound("You’re up to date!", acknowledgement(id));
  }

  void answerFound(const AppcastItem& item, UpdateChoice choice) {
    switch (choice) {
      case UpdateChoice::install: {
        if (pending) pending->cancel();
        auto id = session;
        next = downloadStart;
        downloading = true;
        if (!silent) {
          driver.showDownloadInitiated(once<>(id, std::function<void(State&)>([](State& s) { s.endSession(); })));
        }
        runStep(id);
        return;
      }
      case UpdateChoice::skip:
        skipped = item.displayVersion;
        endSession();
        return;
      case UpdateChoice::dismiss:
        endSession();
        return;
    }
  }

  void answerReady(UpdateChoice choice) {
    switch (choice) {
      case UpdateChoice::install: {
        auto id = session;
        driver.showInstallingUpdate(false, [] {});
        pending = later(id, feed.installDelay, [](State& s) {
          s.driver.showUpdateInstalledAndRelaunched(true, s.acknowledgement(s.session));
        });
        return;
      }
      case UpdateChoice::dismiss:
        installOnQuit = true;
        endSession();
        return;
      case UpdateChoice::skip:
        endSession();
        return;
    }
  }
};

ScriptedUpdater::ScriptedUpdater(Scheduler& scheduler, UpdateUserDriver& driver, ScriptedFeed feed)
    : state_(std::make_shared<State>(scheduler, driver, std::move(feed))) {}

ScriptedUpdater::~ScriptedUpdater() {
  if (state_->timer) state_->timer->cancel();
  if (state_->pending) state_->pending->cancel();
}

std::expected<void, std::string> ScriptedUpdater::start() {
  if (state_->started) return std::unexpected(std::string("The updater is already running"));
  if (auto problem = validate(state_->feed)) return std::unexpected("The update feed can't be used: " + *problem);
  state_->started = true;
  if (state_->feed.askPermission) {
    std::weak_ptr<State> weak = state_;
    state_->scheduler.main().async([weak] {
      auto self = weak.lock();
      if (!self) return;
      auto used = std::make_shared<bool>(false);
      self->driver.showUpdatePermissionRequest([weak, used](UpdatePermissionResponse response) {
        if (*used) return;
        *used = true;
        if (auto s = weak.lock()) {
          s->automaticallyChecks = response.automaticUpdateChecks;
          s->scheduleChecks();
        }
      });
    });
    return {};
  }
  state_->scheduleChecks();
  return {};
}

void ScriptedUpdater::checkForUpdates() { state_->beginCheck(true); }
void ScriptedUpdater::checkInBackground() { state_->beginCheck(false); }

bool ScriptedUpdater::automaticallyChecksForUpdates() const { return state_->automaticallyChecks; }
void ScriptedUpdater::setAutomaticallyChecksForUpdates(bool on) {
  if (state_->automaticallyChecks == on) return;
  state_->automaticallyChecks = on;
  state_->scheduleChecks();
}
bool ScriptedUpdater::automaticallyDownloadsUpdates() const { return state_->automaticallyDownloads; }
void ScriptedUpdater::setAutomaticallyDownloadsUpdates(bool on) { state_->automaticallyDownloads = on; }

bool ScriptedUpdater::sessionActive() const { return state_->session != 0; }
bool ScriptedUpdater::installsOnQuit() const { return state_->installOnQuit; }
const std::optional<std::string>& ScriptedUpdater::skippedVersion() const { return state_->skipped; }

}  // namespace corvane::platform::sim
