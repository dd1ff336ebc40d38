#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "FakePorts.h"
#include "misc/WinUtil.h"
#include "shell/Commands.h"
#include "support/TempDir.h"
#include "ui/Layout.h"

TEST(ShellCommands, HelpComesFromTheProgramDirectoryWhateverTheCurrentDirectory) {
  char szDir[MAX_PATH] = {};
  ASSERT_TRUE(GetModuleDir(nullptr, szDir));
  char szOldCwd[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, szOldCwd);
  tdxtest::TempDir elsewhere("cwd");
  ASSERT_TRUE(SetCurrentDirectoryA(elsewhere.path().string().c_str()));

  FakeShell shell;
  OpenHelp(shell, szDir);
  SetCurrentDirectoryA(szOldCwd);
  ASSERT_EQ(shell.opened.size(), 1u);
  EXPECT_EQ(shell.opened[0], std::string(szDir) + "tdhelp.chm");
  EXPECT_EQ(shell.opened[0].find(elsewhere.path().string()), std::string::npos);
}

TEST(ShellCommands, HomePageCarriesTheReferenceOnlyFromTheMenu) {
  FakeShell shell;
  OpenHomePage(shell, true);
  OpenHomePage(shell, false);
  RunHotSyncManager(shell);
  ASSERT_EQ(shell.opened.size(), 3u);
  EXPECT_EQ(shell.opened[0], std::string(kHomePageUrl) + "?ref=app");
  EXPECT_EQ(shell.opened[1], kHomePageUrl);
  EXPECT_EQ(shell.opened[2], "hotsync.exe") << "a bare name, resolved by the shell";
}

TEST(LayoutTable, DecodesWholeEntriesOnlyAndKeepsNegativeOffsets) {
  const uint16_t words[] = {710, 20,  14, 71,  13, 711, static_cast<uint16_t>(-4),
                            11,  145, 21, 712, 1,  2};
  LayoutRect rects[4] = {};
  ASSERT_EQ(ParseLayout(words, std::size(words), rects, 4), 2u);
  EXPECT_EQ(rects[0].id, 710);
  EXPECT_EQ(rects[0].cx, 71);
  EXPECT_EQ(rects[1].x, -4);
  EXPECT_EQ(rects[1].cy, 21);
  EXPECT_EQ(ParseLayout(words, std::size(words), rects, 1), 1u) << "never more than the room given";
  EXPECT_EQ(ParseLayout(nullptr, 10, rects, 4), 0u);
}
