// tdcond: the conduit tab of Tandelix from the command line, and a check of
// the HotSync configuration. Every command runs the tab's own tool logic
// (OVTool and the dialogs' behaviour) with a prompt that answers from the
// command line and prints, never a message box. See "tdcond --help".
#pragma once

#include <functional>
#include <string>

#include "orvello/OVPorts.h"

enum { TDC_EXIT_OK = 0, TDC_EXIT_FAILED = 1, TDC_EXIT_USAGE = 2 };

struct TdcEnv {
  std::string strModuleDir;    // the program's own files; ends in a backslash
  IOVClock* pClock = nullptr;  // the time on the pages and in the history
  // Shows a question (doctor --fix) and returns the line typed; none: No.
  std::function<std::string(const std::string&)> ask;
};

struct TdcResult {
  int nExit = TDC_EXIT_OK;
  std::string strOut, strErr;  // ANSI text, except JSON output (UTF-8)
  bool bOutUtf8 = false;
};

// The whole command: arguments as given (argv[0] is the program). Changes the
// current directory while it runs (to the Palm Desktop directory, as the
// program does) and restores it.
TdcResult TdcRun(int argc, const char* const* argv, const TdcEnv& env);
