#pragma once
// The defaults store on Linux: one JSON object per suite in a file (posix::defaultsFile). Read
// once when opened; every change rewrites the file atomically. A file that cannot be parsed is
// renamed aside, never overwritten, and reported through the sink. Values of a shape the store
// does not know (null, nested lists) are kept and written back unchanged. Thread-safe.

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include <nlohmann/json.hpp>

#include "platform/defaults.hpp"
#include "platform/paths.hpp"
#include "platform/posix/posix_files.hpp"

namespace corvane::platform::posix {

class JsonFileDefaults final : public Defaults {
 public:
  /// Receives a one-line description of each problem with the file (set aside, not saved).
  using ProblemSink = std::function<void(const std::string& message)>;

  /// Settings are flat; a file nested deeper than this is set aside as damaged.
  static constexpr int kMaxNesting = 16;

  /// The store of `suite` ("" for the program's own settings).
  JsonFileDefaults(Paths paths, std::string suite = "", ProblemSink onProblem = {});

  [[nodiscard]] std::optional<DefaultsValue> raw(const std::string& key) const override;
  void set(const std::string& key, DefaultsValue value) override;
  void remove(const std::string& key) override;
  /// Null when that suite has no file.
  [[nodiscard]] std::unique_ptr<Defaults> openSuite(const std::string& name) override;

  [[nodiscard]] const std::string& file() const { return file_; }

 private:
  void load();
  void setAside(const std::string& why);
  void save();
  void report(const std::string& message) const;

  Paths paths_;
  std::string suite_;
  std::string file_;
  ProblemSink onProblem_;
  PosixFiles files_;
  mutable std::mutex mutex_;
  std::map<std::string, DefaultsValue> values_;
  std::map<std::string, nlohmann::json> unknown_;
  /// False when a damaged file could not be set aside: saving would destroy it.
  bool writable_ = true;
};

}  // namespace corvane::platform::posix
