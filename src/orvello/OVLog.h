// The conduit tool's install/uninstall history: "ovlog.dat" in the program
// directory, shown as "ovlog.html". Built with the main window and destroyed
// last at shut-down.
#pragma once

#include <string>

#include "orvello/OVHistory.h"
#include "orvello/OVPorts.h"
#include "shell/Ports.h"

class OVLog {
 public:
  OVLog() = default;
  virtual ~OVLog() = default;
  OVLog(const OVLog&) = delete;
  OVLog& operator=(const OVLog&) = delete;

  // szModuleDir ends in a backslash. The prompt shows its message boxes
  // without an owner window.
  void Attach(const char* szModuleDir, IPrompt* pPrompt, IShellOpen* pShell, IOVClock* pClock);

  // Adds a record; a history that cannot be written loses the record, and the
  // conduit command that asked goes on unaffected.
  bool Append(const OVLogEntry& entry);
  // Writes "ovlog.html" and opens it with the shell.
  void ShowHistory();
  // Writes the page to a path of the caller's; false when the history cannot
  // be read or the page not written. *pbNoHistory tells which.
  bool WriteHistoryPage(const std::string& strPath, bool* pbNoHistory);

  std::string HistoryPath() const { return m_strDir + kOVHistoryFile; }
  std::string PagePath() const;

 private:
  std::string m_strDir;
  IPrompt* m_pPrompt = nullptr;
  IShellOpen* m_pShell = nullptr;
  IOVClock* m_pClock = nullptr;
};

inline constexpr char kOVNoHistory[] = "No conduit log data found.";
