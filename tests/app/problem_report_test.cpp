#include "app/problem_report.hpp"

#include <gtest/gtest.h>

#include "base/time_format.hpp"
#include "fake_desktop.hpp"
#include "platform/sim/memory_defaults.hpp"
#include "platform/sim/memory_files.hpp"
#include "platform/sim/sim_workspace.hpp"
#include "platform/sim/virtual_time.hpp"

namespace corvane::app {
namespace {

const platform::Paths kPaths{"/home/u",         "/home/u/Library/Application Support/Corvane",
                             "/home/u/Library/Logs/Corvane.log", "/home/u/Desktop", "/tmp",
                             "/home/u/Library/Application Support/Pellmark"};

class ProblemReportTest : public ::testing::Test {
 protected:
  ProblemReportTest() {
    EXPECT_TRUE(files.createFolders("/tmp"));
    log.log("⌥ H O I “AutoFit Column Width” → ok via steps (212 ms)");
    time.runUntilIdle();
  }
  std::string desktopText() { return files.read(report.desktopFile()).value_or("<missing>"); }

  platform::sim::VirtualTime time;
  platform::sim::MemoryFiles files{time, time.main()};
  platform::sim::SimWorkspace workspace{time};
  testing::FakePanels panels{time.main()};
  base::ActivityLog log{files, time, time, kPaths.logFile, kPaths.home};
  ProblemReport report{files, workspace, panels, time, kPaths, log, {"2.1", "help@example.com"},
                       [] { return std::string("SYSTEM"); }};
};

TEST(SystemInfo, EightLinesFromFactsAndSettings) {
  platform::sim::MemoryDefaults defaults;
  base::Preferences prefs(defaults);
  prefs.holdToStart.set(false);
  prefs.keyListMode.set(model::KeyListMode::always);
  ReportFacts facts{"2.1", std::nullopt, "14.5", "Mac15,3", std::string("16.89"), true, true, false, 120, 4, 2};
  EXPECT_EQ(systemInfo(facts, prefs),
            "Corvane 2.1 (?)\n"
            "macOS 14.5\n"
            "Mac model Mac15,3\n"
            "Excel 16.89, running\n"
            "Accessibility allowed, keyboard waiting\n"
            "Settings: shortcuts on, hold ⌥ off, key tips on (" +
                std::string(model::rawValue(prefs.tipStyle.get())) + ", " +
                std::string(model::rawValue(prefs.tipSize.get())) + "), key list always, search " +
                std::string(model::rawValue(prefs.searchTrigger.get())) + ", learning hints " +
                (prefs.learningHints.get() ? "on" : "off") +
                "\n"
                "Shortcuts: 120 loaded, 4 of your own, 2 problems\n"
                "Excel's own KeyTips: not seen");
  facts.build = "417";
  facts.excelVersion.reset();
  facts.excelRunning = false;
  facts.trusted = false;
  facts.listening = true;
  facts.excelKeyTipsSeen = true;
  auto text = systemInfo(facts, prefs);
  EXPECT_NE(text.find("Corvane 2.1 (417)\n"), std::string::npos);
  EXPECT_NE(text.find("\nExcel not found\n"), std::string::npos);
  EXPECT_NE(text.find("\nAccessibility not allowed, keyboard listening\n"), std::string::npos);
  EXPECT_TRUE(text.ends_with("\nExcel's own KeyTips: seen answering ⌥"));
}

TEST_F(ProblemReportTest, BlankDescriptionIsNotDescribed) {
  report.setDetails("  \n\n \t \n");
  EXPECT_EQ(report.body(), "What happened:\n(not described)\n\n---\nSYSTEM");
  report.setDetails("\n  ⌥ H W did nothing \n\n");
  EXPECT_EQ(report.body(), "What happened:\n⌥ H W did nothing\n\n---\nSYSTEM");
}

TEST_F(ProblemReportTest, PreviewAddsTheLogOnlyWhenIncluded) {
  EXPECT_NE(report.preview().find("\n\nActivity log:\n"), std::string::npos);
  EXPECT_NE(report.preview().find("AutoFit Column Width"), std::string::npos);
  report.setIncludeLog(false);
  EXPECT_EQ(report.preview(), report.body());
}

TEST_F(ProblemReportTest, OpeningWithAndWithoutPrefill) {
  report.open(std::string(ProblemReport::kFeedbackPrefill));
  EXPECT_EQ(report.model().details, "Feedback on the Corvane beta:\n\n");
  EXPECT_TRUE(report.isVisible());
  EXPECT_EQ(panels.created[0]->title, "Report a Problem");
  EXPECT_EQ(panels.created[0]->centred, 1);
  // A visible window keeps what the user typed and is not centred again.
  report.setDetails("typed");
  report.setShowIncluded(true);
  report.open();
  EXPECT_EQ(report.model().details, "typed");
  EXPECT_FALSE(report.model().showIncluded);
  EXPECT_EQ(panels.created[0]->centred, 1);
  // Hidden, it starts empty; the window is reused.
  panels.act([] {
    platform::PanelAction a;
    a.kind = platform::PanelAction::Kind::closed;
    return a;
  }());
  report.open();
  EXPECT_EQ(report.model().details, "");
  EXPECT_EQ(panels.created.size(), 1u);
  EXPECT_EQ(panels.created[0]->centred, 2);
}

TEST_F(ProblemReportTest, WithAnEmailServiceItComposesWithTheLogAttached) {
  workspace.setEmailService(true);
  report.open();
  report.setDetails("broken");
  EXPECT_EQ(report.send(), ProblemReport::Outcome::emailed);
  ASSERT_EQ(workspace.composedEmails().size(), 1u);
  const auto& mail = workspace.composedEmails()[0];
  EXPECT_EQ(mail.recipients, (std::vector<std::string>{"help@example.com"}));
  EXPECT_EQ(mail.subject, "Corvane 2.1 problem report");
  EXPECT_EQ(mail.body, report.body());
  // In a folder of its own, so nothing planted in the shared temporary folder is written or sent.
  ASSERT_EQ(mail.attachments.size(), 1u);
  EXPECT_TRUE(mail.attachments[0].starts_with("/tmp/Corvane report ")) << mail.attachments[0];
  EXPECT_TRUE(mail.attachments[0].ends_with("/Corvane activity log.txt")) << mail.attachments[0];
  EXPECT_EQ(*files.read(mail.attachments[0]), log.logTail());
  EXPECT_FALSE(report.isVisible());
  EXPECT_FALSE(files.exists(report.desktopFile()));
  // Closing the report removes it; without a mail service nothing is written there at all.
  panels.act([] {
    platform::PanelAction a;
    a.kind = platform::PanelAction::Kind::closed;
    return a;
  }());
  EXPECT_FALSE(files.exists(mail.attachments[0]));
  workspace.setEmailService(false);
  EXPECT_EQ(report.send(), ProblemReport::Outcome::savedToDesktop);
  for (const auto& path : files.filePaths()) EXPECT_FALSE(path.starts_with("/tmp/")) << path;
}

TEST_F(ProblemReportTest, ALogFileThatCannotBeWrittenStillSendsTheBody) {
  workspace.setEmailService(true);
  files.failWrites("/tmp");
  EXPECT_EQ(report.send(), ProblemReport::Outcome::emailed);
  EXPECT_TRUE(workspace.composedEmails()[0].attachments.empty());
}

TEST_F(ProblemReportTest, WithoutEmailItSavesADatedFileOnTheDesktopAndRevealsIt) {
  report.open();
  report.setDetails("broken");
  EXPECT_EQ(report.send(), ProblemReport::Outcome::savedToDesktop);
  EXPECT_EQ(report.desktopFile(), "/home/u/Desktop/Corvane problem report " + base::formatDate(time.now()) + ".txt");
  EXPECT_EQ(desktopText(), report.body() + "\n\nActivity log (last 200 lines):\n" + log.logTail());
  EXPECT_EQ(report.model().notice, std::string(ProblemReport::kSavedNotice));
  EXPECT_EQ(report.currentView()->notice, report.model().notice);
  EXPECT_EQ(workspace.openRequests().back().kind, platform::sim::OpenRequest::Kind::reveal);
  EXPECT_TRUE(report.isVisible());  // the notice is shown in the window
  EXPECT_EQ(report.savedFile(), report.desktopFile());
  // Twice on one day: a second file; the first one stays.
  auto first = desktopText();
  report.setDetails("second");
  report.setIncludeLog(false);
  EXPECT_EQ(report.send(), ProblemReport::Outcome::savedToDesktop);
  EXPECT_EQ(desktopText(), first);
  auto second = "/home/u/Desktop/Corvane problem report " + base::formatDate(time.now()) + " (2).txt";
  EXPECT_EQ(report.savedFile(), second);
  EXPECT_EQ(*files.read(second), report.body());
}

TEST_F(ProblemReportTest, ASaveThatFailsSaysWhy) {
  files.failWrites("/home/u/Desktop", "Read-only file system");
  EXPECT_EQ(report.send(), ProblemReport::Outcome::failed);
  ASSERT_TRUE(report.model().notice.has_value());
  EXPECT_EQ(report.model().notice->rfind("Couldn't save the report: ", 0), 0u);
  EXPECT_NE(report.model().notice->find("Read-only file system"), std::string::npos);
  EXPECT_TRUE(workspace.openRequests().empty());
}

TEST_F(ProblemReportTest, TheWindowsControlsDriveTheModel) {
  report.open();
  auto send = [&](platform::PanelAction::Kind kind, std::string id, std::string text = {}, bool on = false) {
    platform::PanelAction a;
    a.kind = kind;
    a.id = std::move(id);
    a.text = std::move(text);
    a.on = on;
    panels.act(a);
  };
  // The switch says what the log holds: the history of the shortcuts run, as many lines as are sent.
  EXPECT_EQ(report.currentView()->includeLogTitle, "Include the activity log");
  EXPECT_EQ(report.currentView()->includeLogLine, "The last 200 lines: which shortcuts ran and why any failed.");
  send(platform::PanelAction::Kind::text, "", "typed here");
  send(platform::PanelAction::Kind::toggle, "showIncluded", "", true);
  EXPECT_EQ(report.currentView()->details, "typed here");
  EXPECT_EQ(report.currentView()->included, report.preview());
  send(platform::PanelAction::Kind::toggle, "includeLog", "", false);
  EXPECT_EQ(report.currentView()->included, report.body());
  send(platform::PanelAction::Kind::button, "send");
  EXPECT_TRUE(files.exists(report.desktopFile()));
}

TEST_F(ProblemReportTest, AnEmptyLogSaysSo) {
  platform::sim::MemoryFiles empty{time, time.main()};
  base::ActivityLog emptyLog{empty, time, time, kPaths.logFile, kPaths.home};
  ProblemReport fresh{files, workspace, panels, time, kPaths, emptyLog, {"2.1", "x"}, nullptr};
  EXPECT_NE(fresh.preview().find("(The activity log is empty.)"), std::string::npos);
  EXPECT_EQ(fresh.body(), "What happened:\n(not described)\n\n---\n");
}

}  // namespace
}  // namespace corvane::app
