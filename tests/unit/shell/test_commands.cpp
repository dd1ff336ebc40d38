#include <gtest/gtest.h>

#include <string>

#include "FakePorts.h"
#include "shell/Commands.h"

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
