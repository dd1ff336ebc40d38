#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "FakePorts.h"
#include "shell/Lifecycle.h"

namespace {

// Records the steps in the order they run; a named step can be made to throw.
struct RecordingSteps : IStartupSteps {
  std::vector<std::string> log;
  std::string throwAt;
  bool bThrowBadAlloc = false;

  void Step(const char* name) {
    log.push_back(name);
    if (throwAt == name) {
      if (bThrowBadAlloc) throw std::bad_alloc();
      throw std::runtime_error(std::string(name) + " failed");
    }
  }
  void StartPalmLayer() override { Step("StartPalmLayer"); }
  void InitConduitTool() override { Step("InitConduitTool"); }
  void SetUpSyncTab() override { Step("SetUpSyncTab"); }
  void LoadSettings() override { Step("LoadSettings"); }
  void SetUpLogTab() override { Step("SetUpLogTab"); }
  void SaveSettings() override { Step("SaveSettings"); }
  void DoneConduitTool() override { Step("DoneConduitTool"); }
  void ShutDownLogTab() override { Step("ShutDownLogTab"); }
  void StopPalmLayer() override { Step("StopPalmLayer"); }
  void DestroyOVLog() override { Step("DestroyOVLog"); }
};

const std::vector<std::string> kInitOrder = {"StartPalmLayer", "InitConduitTool", "SetUpSyncTab",
                                             "LoadSettings", "SetUpLogTab"};
const std::vector<std::string> kShutDownOrder = {"SaveSettings", "DoneConduitTool",
                                                 "ShutDownLogTab", "StopPalmLayer", "DestroyOVLog"};

}  // namespace

TEST(SplashGuard, RunsOnceOnTheSecondEventEvenWithQueuedEvents) {
  SplashGuard guard;
  EXPECT_FALSE(guard.OnTimer()) << "the first event only ticks";
  EXPECT_TRUE(guard.Ticked());
  EXPECT_FALSE(guard.Started());
  EXPECT_TRUE(guard.OnTimer()) << "the second event starts the sequence";
  EXPECT_TRUE(guard.Started());
  for (int i = 0; i < 5; ++i) EXPECT_FALSE(guard.OnTimer()) << "queued event " << i;
}

TEST(StartupSequence, RunsTheFiveStepsInOrder) {
  RecordingSteps steps;
  std::string sError;
  EXPECT_TRUE(RunInitSequence(steps, &sError));
  EXPECT_EQ(steps.log, kInitOrder);
  EXPECT_TRUE(sError.empty());
}

TEST(StartupSequence, AFailingStepStopsTheLaterOnesAndIsReported) {
  RecordingSteps steps;
  steps.throwAt = "SetUpSyncTab";
  std::string sError;
  EXPECT_FALSE(RunInitSequence(steps, &sError));
  EXPECT_EQ(steps.log,
            (std::vector<std::string>{"StartPalmLayer", "InitConduitTool", "SetUpSyncTab"}));
  EXPECT_EQ(sError, "SetUpSyncTab failed");

  RecordingSteps oom;
  oom.throwAt = "StartPalmLayer";
  oom.bThrowBadAlloc = true;
  sError.clear();
  EXPECT_FALSE(RunInitSequence(oom, &sError));
  EXPECT_EQ(oom.log.size(), 1u);
  EXPECT_EQ(sError, "Out of memory.");
}

TEST(ShutDownSequence, SavesSettingsBeforeReleasingAndDestroysTheHistoryLast) {
  RecordingSteps steps;
  std::string sError;
  EXPECT_TRUE(RunShutDown(steps, &sError));
  EXPECT_EQ(steps.log, kShutDownOrder);
}

TEST(ShutDownSequence, AFailingStepDoesNotKeepTheOthersFromReleasing) {
  RecordingSteps steps;
  steps.throwAt = "DoneConduitTool";
  std::string sError;
  EXPECT_FALSE(RunShutDown(steps, &sError));
  EXPECT_EQ(steps.log, kShutDownOrder) << "the Palm layer is still stopped";
  EXPECT_EQ(sError, "DoneConduitTool failed");
}

TEST(CloseDecision, DuringStartUpClosesWithoutAQuestion) {
  FakePrompt prompt;
  EXPECT_TRUE(ConfirmClose(false, prompt));
  EXPECT_TRUE(prompt.shown.empty());
}

TEST(CloseDecision, WhenReadyOnlyYesCloses) {
  FakePrompt prompt;
  prompt.answers = {Answer::No, Answer::Cancel, Answer::Yes};
  EXPECT_FALSE(ConfirmClose(true, prompt));
  EXPECT_FALSE(ConfirmClose(true, prompt));
  EXPECT_TRUE(ConfirmClose(true, prompt));
  ASSERT_EQ(prompt.shown.size(), 3u);
  for (const auto& q : prompt.shown) {
    EXPECT_EQ(q.kind, "question");
    EXPECT_EQ(q.text, "Are you sure to quit the Tandelix program?");
    EXPECT_EQ(q.caption, "Confirmation");
    EXPECT_TRUE(q.bWithCancel);
  }
}

TEST(StartupSequence, TheUserSeesAnExceptionsTextAndNothingForOtherObjects) {
  auto textOf = [](auto thrower) {
    try {
      thrower();
    } catch (...) {
      return CurrentExceptionText();
    }
    return std::string("<nothing thrown>");
  };
  EXPECT_EQ(textOf([] { throw std::runtime_error("disk gone"); }), "disk gone");
  EXPECT_EQ(textOf([] { throw std::bad_alloc(); }), "Out of memory.");
  EXPECT_EQ(textOf([] { throw 42; }), "");
}
