// What the main window hands to each tab: the module, the main window (owner of
// every message box), the prompt, the shell, the settings and the program
// directory.
#pragma once

#include <windows.h>

#include "shell/Ports.h"
#include "shell/Settings.h"

class WinPrompt;

struct ShellContext {
  HINSTANCE hInst = nullptr;
  HWND hMain = nullptr;
  IPrompt* pPrompt = nullptr;
  // The same prompt, for a modal dialog to own its boxes while it is up.
  WinPrompt* pMainPrompt = nullptr;
  IShellOpen* pShell = nullptr;
  TdxSettings* pSettings = nullptr;
  char szModuleDir[MAX_PATH] = {};  // ends in a backslash
};
