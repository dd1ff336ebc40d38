// tdlog: a Palm user's HotSync history as JSON or as a static site.
#pragma once

#include <functional>
#include <string>

#include "logs/LogPages.h"

// Appends a Windows-1252 text as UTF-8 inside a JSON string (escapes included).
void TdAppendJsonText(std::string& out, const char* s);
// "key":{"year":...,"second":...}
void TdAppendJsonDate(std::string& out, const char* key, const TdxDateTime& t);
// {"operations":[...]} with every operation and item, followed by a line end.
void TdWriteJson(std::string& out, CxListOf<SyncOperation>& ops);

// The static site, one file at a time: "index.html" (the month tree as links
// beside the shown page), "all.html" (the root page), "month-N.html" for the
// N-th month node and "op-N.html" for the N-th operation. Stops at the first
// file emit refuses.
using TdEmitFn = std::function<bool(const std::string& strName, const std::string& strBytes)>;
bool TdWriteSite(const char* pszUser, CxListOf<SyncOperation>& ops, const HVShortPathFn& shortPath,
                 const TdEmitFn& emit);

enum { TD_EXIT_OK = 0, TD_EXIT_FAILED = 1, TD_EXIT_USAGE = 2 };

// The whole command: arguments as given (argv[0] is the program), standard
// output and error gathered in out and err.
int TdRun(int argc, const char* const* argv, std::string& out, std::string& err,
          const HVShortPathFn& shortPath);

// The Palm Desktop directory and the user's directory exist, and each log
// file of the user that is there can be read; false with the reason in err.
bool TdCheckUser(const std::string& strDesktop, const std::string& strUserDir, std::string& err);

// "tdlog health": see TdHealth.cpp.
int TdRunHealth(int argc, const char* const* argv, std::string& out, std::string& err);
