#pragma once
// What every Files backend promises (platform/files.hpp), written once and instantiated for each
// backend. A backend type B offers:
//   Files& files();                 the backend under test
//   std::string folder();           an existing, empty folder of its own
//   bool pumpUntil(std::function<bool()> done);  runs the main queue until done() or a bounded time
//   void pumpFor(double seconds);   runs the main queue that long (to show nothing arrives)
//   bool onMainQueue();             whether the caller is work of the main queue

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "platform/files.hpp"

namespace corvane::platform::contracts {

template <typename Backend>
class FilesContract : public ::testing::Test {
 protected:
  Backend backend;
  Files& files() { return backend.files(); }
  std::string path(const std::string& name) { return backend.folder() + "/" + name; }

  /// A watch of the folder counting its calls and whether any came off the main queue.
  struct Counted {
    std::shared_ptr<int> calls = std::make_shared<int>(0);
    std::shared_ptr<bool> offMain = std::make_shared<bool>(false);
    std::unique_ptr<FolderWatch> watch;
  };
  Counted watch() {
    Counted counted;
    counted.watch = files().watchFolder(backend.folder(), [this, calls = counted.calls, offMain = counted.offMain] {
      if (!backend.onMainQueue()) *offMain = true;
      ++*calls;
    });
    return counted;
  }
  bool callsReach(const Counted& counted, int want) {
    return backend.pumpUntil([&] { return *counted.calls >= want; });
  }
};

TYPED_TEST_SUITE_P(FilesContract);

TYPED_TEST_P(FilesContract, AnAtomicWriteReplacesTheWholeFile) {
  auto file = this->path("my-shortcuts.json");
  ASSERT_TRUE(this->files().writeAtomic(file, "a longer first version\n"));
  ASSERT_TRUE(this->files().writeAtomic(file, "short\n"));
  EXPECT_EQ(this->files().read(file), "short\n");
  EXPECT_EQ(this->files().size(file), 6u);
  EXPECT_TRUE(this->files().exists(file));
  EXPECT_TRUE(this->files().modificationDate(file).has_value());
}

TYPED_TEST_P(FilesContract, FailuresAreValuesThatNameThePath) {
  auto missing = this->path("no/such/folder/file.txt");
  auto written = this->files().writeAtomic(missing, "x");
  ASSERT_FALSE(written);
  EXPECT_NE(written.error().description.find(missing), std::string::npos) << written.error().description;
  auto read = this->files().read(missing);
  ASSERT_FALSE(read);
  EXPECT_NE(read.error().description.find(missing), std::string::npos) << read.error().description;
  EXPECT_FALSE(this->files().remove(missing));
  EXPECT_FALSE(this->files().exists(missing));
  EXPECT_FALSE(this->files().size(missing));
  EXPECT_FALSE(this->files().modificationDate(missing));
  EXPECT_FALSE(this->files().read(this->backend.folder())) << "a folder is not a file";
}

TYPED_TEST_P(FilesContract, AppendCreatesThenExtendsAndCopyDuplicates) {
  auto log = this->path("Logs/Corvane.log");
  ASSERT_TRUE(this->files().createFolders(this->path("Logs")));
  ASSERT_TRUE(this->files().createFolders(this->path("Logs"))) << "an existing folder is fine";
  ASSERT_TRUE(this->files().append(log, "one\n"));
  ASSERT_TRUE(this->files().append(log, "two\n"));
  EXPECT_EQ(this->files().read(log), "one\ntwo\n");
  EXPECT_EQ(this->files().readOwnFile(log), "one\ntwo\n");
  ASSERT_TRUE(this->files().copy(log, this->path("copy.log")));
  EXPECT_EQ(this->files().read(this->path("copy.log")), "one\ntwo\n");
  ASSERT_TRUE(this->files().remove(log));
  EXPECT_FALSE(this->files().exists(log));
}

TYPED_TEST_P(FilesContract, AWatchSeesASaveByRenameOnTheMainQueue) {
  auto counted = this->watch();
  ASSERT_NE(counted.watch, nullptr);
  ASSERT_TRUE(this->files().writeAtomic(this->path("my-shortcuts.json"), "{}"));
  EXPECT_TRUE(this->callsReach(counted, 1));
  EXPECT_FALSE(*counted.offMain);
}

// An editor that saves in place (or `append`) changes a file without touching the folder's
// entries; the watch must still report it, or the user's save is missed.
TYPED_TEST_P(FilesContract, AWatchSeesAWriteInPlaceToAnExistingFile) {
  auto file = this->path("my-shortcuts.json");
  ASSERT_TRUE(this->files().writeAtomic(file, "{}"));
  auto counted = this->watch();
  ASSERT_NE(counted.watch, nullptr);
  this->backend.pumpFor(0.3);  // whatever the first write still reports has arrived
  int before = *counted.calls;
  ASSERT_TRUE(this->files().append(file, "\n"));
  EXPECT_TRUE(this->callsReach(counted, before + 1));
  EXPECT_FALSE(*counted.offMain);
}

TYPED_TEST_P(FilesContract, AWatchSeesARemoval) {
  auto file = this->path("gone.json");
  ASSERT_TRUE(this->files().writeAtomic(file, "{}"));
  auto counted = this->watch();
  ASSERT_NE(counted.watch, nullptr);
  this->backend.pumpFor(0.3);
  int before = *counted.calls;
  ASSERT_TRUE(this->files().remove(file));
  EXPECT_TRUE(this->callsReach(counted, before + 1));
}

TYPED_TEST_P(FilesContract, NothingArrivesOnceTheWatchIsDestroyed) {
  auto counted = this->watch();
  ASSERT_NE(counted.watch, nullptr);
  ASSERT_TRUE(this->files().writeAtomic(this->path("a.json"), "1"));
  counted.watch.reset();
  int before = *counted.calls;
  ASSERT_TRUE(this->files().writeAtomic(this->path("b.json"), "2"));
  this->backend.pumpFor(0.3);
  EXPECT_EQ(*counted.calls, before);
}

TYPED_TEST_P(FilesContract, AMissingFolderCannotBeWatched) {
  EXPECT_EQ(this->files().watchFolder(this->path("missing"), [] {}), nullptr);
}

REGISTER_TYPED_TEST_SUITE_P(FilesContract, AnAtomicWriteReplacesTheWholeFile, FailuresAreValuesThatNameThePath,
                            AppendCreatesThenExtendsAndCopyDuplicates, AWatchSeesASaveByRenameOnTheMainQueue,
                            AWatchSeesAWriteInPlaceToAnExistingFile, AWatchSeesARemoval,
                            NothingArrivesOnceTheWatchIsDestroyed, AMissingFolderCannotBeWatched);

}  // namespace corvane::platform::contracts
