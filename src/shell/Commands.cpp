#include "shell/Commands.h"

std::string HelpFilePath(const char* szModuleDir) {
  return std::string(szModuleDir ? szModuleDir : "") + "tdhelp.chm";
}

void OpenHelp(IShellOpen& shell, const char* szModuleDir) {
  shell.Open(HelpFilePath(szModuleDir).c_str());
}

std::string HelpTopic(const char* szModuleDir, const char* szPage) {
  return HelpFilePath(szModuleDir) + "::/" + (szPage ? szPage : "");
}

void OpenHelpPage(IShellOpen& shell, const char* szModuleDir, const char* szPage) {
  shell.OpenHelpTopic(HelpTopic(szModuleDir, szPage).c_str());
}

void OpenHomePage(IShellOpen& shell, const char* szModuleDir) {
  OpenHelpPage(shell, szModuleDir, kHelpContentsPage);
}

void RunHotSyncManager(IShellOpen& shell) { shell.Open("hotsync.exe"); }
