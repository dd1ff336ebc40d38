// The main window's commands that hand something to the shell.
#pragma once

#include <string>

#include "shell/Ports.h"

// Pages of the help file.
inline constexpr const char kHelpContentsPage[] = "index.html";
inline constexpr const char kHelpCreatorIdPage[] = "creatorid.html";

// szModuleDir ends in a backslash (GetModuleDir).
std::string HelpFilePath(const char* szModuleDir);
void OpenHelp(IShellOpen& shell, const char* szModuleDir);
// A page of the help file in the help viewer: "<dir>tdhelp.chm::/<page>".
std::string HelpTopic(const char* szModuleDir, const char* szPage);
void OpenHelpPage(IShellOpen& shell, const char* szModuleDir, const char* szPage);
// The program's home: the help file's contents page.
void OpenHomePage(IShellOpen& shell, const char* szModuleDir);
// By bare name: the shell looks in the current directory (the Palm Desktop
// directory once the Palm layer has started) and then the search path.
void RunHotSyncManager(IShellOpen& shell);
