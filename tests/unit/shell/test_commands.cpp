#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakePorts.h"
#include "shell/Commands.h"

TEST(ShellCommands, HelpLinksOpenTheHelpFilesOwnPagesInTheViewer) {
  FakeShell shell;
  OpenHomePage(shell, "C:\\Tdx\\");
  OpenHelpPage(shell, "C:\\Tdx\\", kHelpCreatorIdPage);
  OpenHelp(shell, "C:\\Tdx\\");
  RunHotSyncManager(shell);
  EXPECT_EQ(shell.topics, (std::vector<std::string>{"C:\\Tdx\\tdhelp.chm::/index.html",
                                                    "C:\\Tdx\\tdhelp.chm::/creatorid.html"}));
  EXPECT_EQ(shell.opened, (std::vector<std::string>{"C:\\Tdx\\tdhelp.chm", "hotsync.exe"}))
      << "hotsync.exe by bare name, resolved by the shell";
}
