// The main window's commands that hand something to the shell.
#pragma once

#include <string>

#include "shell/Ports.h"

// The product's home page; the one place the address is kept.
inline constexpr const char kHomePageUrl[] = "http://www.tandelix.example/";

// szModuleDir ends in a backslash (GetModuleDir).
std::string HelpFilePath(const char* szModuleDir);
void OpenHelp(IShellOpen& shell, const char* szModuleDir);
// From the menu the page is opened with "?ref=app"; the about box opens it bare.
void OpenHomePage(IShellOpen& shell, bool bFromMenu);
// By bare name: the shell looks in the current directory (the Palm Desktop
// directory once the Palm layer has started) and then the search path.
void RunHotSyncManager(IShellOpen& shell);
