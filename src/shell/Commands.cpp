#include "shell/Commands.h"

std::string HelpFilePath(const char* szModuleDir) {
  return std::string(szModuleDir ? szModuleDir : "") + "tdhelp.chm";
}

void OpenHelp(IShellOpen& shell, const char* szModuleDir) {
  shell.Open(HelpFilePath(szModuleDir).c_str());
}

void OpenHomePage(IShellOpen& shell, bool bFromMenu) {
  shell.Open(bFromMenu ? (std::string(kHomePageUrl) + "?ref=app").c_str() : kHomePageUrl);
}

void RunHotSyncManager(IShellOpen& shell) { shell.Open("hotsync.exe"); }
