// "Import HotSync Set-up...": a set-up file checked whole before anything is
// shown (every entry, the manifest, every file's SHA-256; the libraries in
// it asked through the conduit helper), then every change it would make
// listed as a row with a check box, then the checked rows applied as one
// operation that saves first what it will touch, so that "Undo Last Import"
// can put it all back. The program's preview dialog and "tdcond import"
// share it; the Palm layer is started.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "orvello/setup/OVSetupExport.h"
#include "orvello/setup/OVSetupManifest.h"
#include "orvello/setup/OVSetupUndo.h"
#include "orvello/setup/OVSetupZip.h"
#include "palm/CondKey.h"

class OVTool;

enum class OVRowKind {
  AddConduit,
  ReplaceConduit,  // another registration of the same creator is there
  SameConduit,
  CopyLibrary,
  ReplaceLibrary,  // another file is where the library goes
  SameLibrary,
  RefusedLibrary,
  BackupConduit,
  AddUser,
  MapUser,
  SetAction,
  CopyUserFiles,
  ReplaceUserFiles,
  CopySet,
  History,
  Note,
};

struct OVImportRow {
  OVRowKind kind = OVRowKind::Note;
  std::string strChange, strItem, strDetail;  // ANSI, as the list shows them
  bool bChecked = false;
  bool bCheckable = true;  // false: shown for information only
  int nIndex = -1;         // the conduit, library, user or set of the file
  int nIndex2 = -1;        // the user's action
};

struct OVImportReport {
  std::vector<std::string> done, notDone;  // one line each
};

class OVImport {
 public:
  // strModuleDir: the program's directory, ending in a backslash.
  explicit OVImport(std::string strModuleDir);
  ~OVImport();
  OVImport(const OVImport&) = delete;
  OVImport& operator=(const OVImport&) = delete;

  // Reads and checks the whole file; false with why (one line, no full
  // stop) and nothing written anywhere but a temporary folder.
  bool Open(const std::string& strPath, std::string* pWhy, IOVSetupProgress* pProgress = nullptr);
  const OVSetupManifest& Manifest() const { return m_man; }
  const std::string& Path() const { return m_strPath; }

  // This PC's users, by name, for the drop-down of a user of the file.
  std::vector<std::string> LocalUsers() const;
  // Gives the file's user (by name) to a user of this PC (empty: add it as
  // a new user, unless one of the same name is here). False when either is
  // not there.
  bool MapUser(const std::string& strFrom, const std::string& strTo);
  // The user of this PC a file's user goes to ("" when it is added).
  std::string TargetOf(int nUser) const;

  // Lists the changes against this PC as it is now; the check boxes the
  // user set stay as they were for rows that are listed again.
  void Plan();
  std::vector<OVImportRow>& Rows() { return m_rows; }
  size_t CheckedCount() const;

  // Applies the checked rows. False (nothing changed) when refused: a
  // HotSync is in progress, or the undo record cannot be written.
  bool Apply(OVTool* pTool, OVImportReport* pReport, std::string* pWhy);

 private:
  struct LocalUser {
    uint32_t dwID = 0;
    std::string strName, strDir;  // ANSI
  };
  struct Local {
    std::string strDesktop;
    std::vector<CondKeyRef> refs;
    std::vector<RegKeyValues> keys;
    bool bHasBackup = false;
    std::string strBackup;
    std::vector<LocalUser> users;
  };
  struct Lib {
    std::string strStaged;  // the checked copy in the temporary folder
    std::string strDest;    // where it goes on this PC ("" when it cannot go anywhere)
    bool bAsked = false;
    std::string strRefused;  // why it is not taken
  };
  class Applier;

  void ReadLocal();
  const LocalUser* Target(int nUser) const;
  std::string DestOfLibrary(int nLib) const;
  RegKeyValues Rewritten(const OVSetupConduit& c) const;
  void AskLibraries(const std::vector<int>& libs);
  std::string NewSetName(const std::string& strWanted, const std::string& strSha) const;
  void AddRow(OVRowKind kind, const std::string& change, const std::string& item,
              const std::string& detail, bool bChecked, bool bCheckable, int n = -1, int n2 = -1);

  std::string m_strModuleDir, m_strPath, m_strStage;
  OVZipReader m_zip;
  OVSetupManifest m_man;
  std::vector<Lib> m_libs;
  std::string m_history;                         // the file's ovlog.dat
  std::map<std::string, std::string> m_userMap;  // file's user -> this PC's user (UTF-8 -> ANSI)
  Local m_local;
  std::vector<OVImportRow> m_rows;
  std::map<std::string, std::string> m_setNames;  // the file's set -> its name here
  bool m_bOpen = false;
};

// Puts back what the last import changed. False (nothing changed) when
// there is none or it is refused; the report says what was put back and
// what could not be.
bool OVUndoLastImport(const std::string& strModuleDir, OVTool* pTool, OVImportReport* pReport,
                      std::string* pWhy);
// The last import's record, for the question before undoing; false when none.
bool OVLastImport(const std::string& strModuleDir, OVUndoRecord* pRecord);

inline constexpr char kOVImportRefused[] = "\"%s\" cannot be imported: %s.";
inline constexpr char kOVNoImportToUndo[] = "There is no import to undo.";
