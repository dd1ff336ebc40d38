// "tdcond export" and "tdcond import": the conduit tool's export, import and
// undo with the command line's answers, their output as text. tdcond parses
// the command line; this does the work and says what happened.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "orvello/BackupSet.h"
#include "orvello/setup/OVSetupImport.h"

class OVTool;

struct OVCliResult {
  bool bOk = true;
  std::string strOut, strErr;  // ANSI text
  std::string strFailure;      // the one line when not bOk
};

OVCliResult OVCliExport(const std::string& strModuleDir, BackupSetList* pSets,
                        const std::string& strTarget, bool bWithData);

struct OVCliImportOptions {
  std::string strFile;  // full path
  bool bUndo = false, bDryRun = false, bYes = false, bReplace = false;
  std::vector<std::pair<std::string, std::string>> users;  // OLD=NEW
  // Asks a question and returns the line typed; none: No.
  std::function<std::string(const std::string&)> ask;
};

OVCliResult OVCliImport(const std::string& strModuleDir, OVTool* pTool,
                        const OVCliImportOptions& o);

// The rows as a table: "[x]" checked, "[ ]" unchecked, " - " for information.
void OVWriteImportRows(std::string& out, const std::vector<OVImportRow>& rows);
