#pragma once
// What every Workspace backend promises about activation (platform/workspace.hpp). A backend type B
// offers:
//   Workspace& workspace();
//   std::int32_t otherApp();     a running application that is not in front and may be activated
//   std::int32_t missingPid();   a process id no application has
//   bool pumpUntil(std::function<bool()> done);  runs the main queue until done() or a bounded time
//   void pumpFor(double seconds);
//   bool onMainQueue();

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/workspace.hpp"

namespace corvane::platform::contracts {

template <typename Backend>
class WorkspaceContract : public ::testing::Test {
 protected:
  Backend backend;
  Workspace& workspace() { return backend.workspace(); }

  struct Seen {
    std::vector<std::int32_t> activated;
    bool offMain = false;
  };
  std::unique_ptr<WorkspaceToken> observe(Seen& seen) {
    return workspace().observe([this, &seen](const WorkspaceEvent& event) {
      if (!backend.onMainQueue()) seen.offMain = true;
      if (event.kind == WorkspaceEventKind::didActivateApplication && event.app) seen.activated.push_back(event.app->pid);
    });
  }
};

TYPED_TEST_SUITE_P(WorkspaceContract);

TYPED_TEST_P(WorkspaceContract, ActivatingAMissingApplicationFailsAndAnnouncesNothing) {
  typename TestFixture::Seen seen;
  auto token = this->observe(seen);
  EXPECT_FALSE(this->workspace().activate(this->backend.missingPid()));
  this->backend.pumpFor(0.3);
  EXPECT_TRUE(seen.activated.empty());
}

// Activation is a request: the application comes forward after the call, and says so through
// didActivateApplication on the main queue. A caller that reads the frontmost application right
// after `activate` sees the old one, so it waits for the notification or polls.
TYPED_TEST_P(WorkspaceContract, AnActivationTakesEffectAfterTheCallAndIsAnnouncedOnTheMainQueue) {
  auto pid = this->backend.otherApp();
  auto before = this->workspace().frontmostApplication();
  ASSERT_FALSE(before && before->pid == pid) << "the application must start behind";
  typename TestFixture::Seen seen;
  auto token = this->observe(seen);
  ASSERT_TRUE(this->workspace().activate(pid));
  auto during = this->workspace().frontmostApplication();
  EXPECT_EQ(during ? during->pid : -1, before ? before->pid : -1) << "not inside the call";
  EXPECT_TRUE(seen.activated.empty()) << "observers hear of it later, never inside the call";
  ASSERT_TRUE(this->backend.pumpUntil([&] { return !seen.activated.empty(); }));
  EXPECT_EQ(seen.activated.back(), pid);
  auto after = this->workspace().frontmostApplication();
  ASSERT_TRUE(after.has_value());
  EXPECT_EQ(after->pid, pid);
  EXPECT_FALSE(seen.offMain);
}

TYPED_TEST_P(WorkspaceContract, AnObservationEndsWithItsToken) {
  typename TestFixture::Seen seen;
  auto token = this->observe(seen);
  token.reset();
  ASSERT_TRUE(this->workspace().activate(this->backend.otherApp()));
  this->backend.pumpFor(0.5);
  EXPECT_TRUE(seen.activated.empty());
}

REGISTER_TYPED_TEST_SUITE_P(WorkspaceContract, ActivatingAMissingApplicationFailsAndAnnouncesNothing,
                            AnActivationTakesEffectAfterTheCallAndIsAnnouncedOnTheMainQueue,
                            AnObservationEndsWithItsToken);

}  // namespace corvane::platform::contracts
