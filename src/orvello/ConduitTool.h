// What the conduit tab does, behind small interfaces for what it shows and
// asks (the two lists, the buttons, message boxes, the open-file dialog, the
// properties dialog, the shell and the clock). The main window owns one; the
// tab wires it to the controls, the console tool to its own output, the tests
// to fakes. Message boxes and questions of every operation go through the
// prompt; the quiet flag of the three primitives suppresses them (questions
// are then taken as Yes).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "orvello/BackupSet.h"
#include "orvello/OVLog.h"
#include "orvello/OVPorts.h"
#include "palm/CondKey.h"
#include "palm/CondMgr.h"
#include "palm/SyncGuard.h"
#include "shell/Ports.h"

inline constexpr char kOVRestoreStore[] = "OVRes.dat";

// The tool's outside world. Every pointer may be null where that part is not
// used (the console tool has no buttons, dialogs or cursor).
struct OVPorts {
  IOVList* pApp = nullptr;
  IOVList* pSys = nullptr;
  IOVView* pView = nullptr;
  IPrompt* pPrompt = nullptr;
  IShellOpen* pShell = nullptr;
  IOVFilePicker* pPicker = nullptr;
  IOVPropDialog* pProps = nullptr;
  IOVSetDialogs* pSets = nullptr;
  IOVClock* pClock = nullptr;
  OVLog* pLog = nullptr;
  std::string strModuleDir;  // ends in a backslash
};

class OVTool {
 public:
  OVTool() = default;
  // Frees the records only: whoever owns the lists may be gone already.
  ~OVTool() { ReleaseRecords(); }
  OVTool(const OVTool&) = delete;
  OVTool& operator=(const OVTool&) = delete;

  void Attach(const OVPorts& ports);
  // The owner of the ports is going: nothing is shown or asked from now on.
  void Detach() { m_ports = OVPorts{}; }
  const OVPorts& Ports() const { return m_ports; }

  // Start-up and shut-down steps. DoneConduitTool empties the lists, then
  // frees the records they showed.
  void InitConduitTool();
  void DoneConduitTool();

  // The two lists and the restore store.
  void FillAppList();
  void FillSysList();
  void LoadRestoreStore();
  // Merges this tool's changes into the store as it is now and writes it whole
  // or not at all, under the program directory's lock; false when it could
  // not be written.
  bool SaveRestoreStore();
  void FreeRestoreList();
  // The store's entry of this conduit is no longer kept for restoring (it is
  // registered again); the store is saved.
  void ForgetRestorable(const char* szCreatorID, const char* szConduit);
  // Removes the store's entries that drop() picks, reading, changing and
  // writing the file under the program directory's lock, as every writer of
  // it does; false when it could not be written (it is then unchanged).
  bool DropFromStore(const std::function<bool(const CondData&)>& drop, size_t* pnDropped);
  void UpdateAppButtons();
  void UpdateSysButtons();

  // Event handlers of the tab.
  void lvOVAppChange() { UpdateAppButtons(); }
  void lvOVSysChange() { UpdateSysButtons(); }
  void btnOVUninstClick();
  void btnOVRestoreClick();
  void btnOVRefreshClick();
  void btnOVInstClick();
  void OpenAppConduitProperties();
  void OpenSysConduitProperties();
  void btnOVLogClick();
  void btnOVBackupClick();
  void btnOVRestClick();
  void btnOVReportClick() { WriteConduitReport(); }

  // The primitives; true on success.
  bool InstallConduit(CondData* pData, bool bQuiet);
  bool UninstallConduit(CondData* pData, bool bQuiet);
  bool RestoreConduit(CondData* pData, bool bQuiet);
  // Directory, file, priority and remote name into the Conduit Manager, in
  // that order while each succeeds. False only when refused during a HotSync.
  bool ApplyConduitSettings(CondData* pData);

  // Backup sets. A set's file name is relative to the program directory and
  // stays inside it (sub-folders are made where missing); anything else is
  // refused with a message before anything is written.
  bool BackupConduitSettings(const char* szFileName);
  // Every registration of the application manager, a conduit whose library
  // is missing included (restoring the set registers it again), into a new
  // set listed with this description; quiet. *pFile: the set's file name.
  bool BackupRegistrations(const char* szDesc, std::string* pFile);
  bool RestoreConduitSettings(const char* szFileName);
  BackupSetEntry* GetFirstBackupSet();
  BackupSetEntry* GetNextBackupSet();
  // The entry of that exact file name if there is one (unchanged), otherwise
  // a copy of the entry appended; null without a list.
  BackupSetEntry* AddBackupSet(const BackupSetEntry& entry);
  uint32_t GetBackupSetCount() const;
  void ClearBackupSets();
  std::string SetPath(const char* szFileName) const { return m_ports.strModuleDir + szFileName; }
  // The creation time of a set's file as local time, "%02d-%02d-%04d
  // %02d:%02d:%02d" (month, day, year, ...); empty when it cannot be read.
  std::string BackupTime(const char* szFileName) const;
  static bool IsValidSetName(const char* szName, std::string* pWhy);

  // The report of every conduit, "condrpt.html" in the program directory,
  // opened with the shell; or the same bytes to a path of the caller's.
  void WriteConduitReport();
  bool WriteConduitReportTo(const std::string& strPath);

  // Null before InitConduitTool and after DoneConduitTool.
  CCondMgr* AppManager() { return m_pAppMgr; }
  CCondMgr* SysManager() { return m_pSysMgr; }
  CxListOf<CondData>* RestoreList() { return m_pRestore; }
  BackupSetList* BackupSets() { return m_pBackupSets; }
  const std::string& RestoreStorePath() const { return m_strRestorePath; }
  // False after an uninstall whose settings could not be written to the
  // store: it can be restored only while this run lasts.
  bool LastUninstallStored() const { return m_bUninstallStored; }

  // "%d.%d.%d.%04d" of a library; 0.0.0.0000 without version information.
  static std::string LibraryVersion(const char* szPath);

 private:
  void ReleaseRecords();
  std::vector<CondData> MergeRestoreStore(const std::vector<CondData>& mine) const;
  void AppendHistory(const CondData* pData, int32_t nKind);
  // The row of lvOVApp showing this conduit: the row of this very record,
  // else the first row of an install (no record) with its creator and file.
  int AppRowShowing(const CondData* pData);
  // The uninstall warning when the store could not keep the conduit.
  void WarnIfNotStored(const CondData* pData);
  // After a failed install or restore: the creator's registrations as they
  // were before, and the conflicting conduit uninstalled for it (if any)
  // installed again rather than kept for restoring.
  void PutBackCreator(const char* szCreatorID, const std::vector<CondRegistration>& before,
                      CondData* pOther);
  // The first installed record of the application manager with this creator
  // text and, when szNotConduit is given, another library.
  CondData* FindInstalledCreator(const char* szCreatorID, const char* szNotConduit);
  // A HotSync is in progress: the outermost operation says so; true to stop.
  bool RefusedDuringSync(const PdRegChange& op);
  // Asks (unless quiet) and uninstalls a conflicting conduit; false to stop.
  bool ResolveConflict(CondData* pOther, bool bQuiet);
  void Info(const char* szText, const char* szCaption = "Information");
  void Error(const char* szText);
  bool AskYes(const char* szText, const char* szCaption);

  OVPorts m_ports;
  CCondMgr* m_pAppMgr = nullptr;
  CCondMgr* m_pSysMgr = nullptr;
  CxListOf<CondData>* m_pRestore = nullptr;
  BackupSetList* m_pBackupSets = nullptr;
  std::string m_strRestorePath;
  // The store's entries as this tool last read or wrote them: what it
  // changed since then wins when the store is merged.
  std::vector<CondData> m_storeBase;
  bool m_bStoreSaved = true;  // the store holds what the list marks for restoring
  bool m_bUninstallStored = true;
};

// Messages of the tab.
inline constexpr char kOVAskUninstall[] = "Do you really want to uninstall conduit \"%s\"?";
inline constexpr char kOVUninstalled[] = "Conduit \"%s\" uninstalled successfully.";
inline constexpr char kOVAskRestore[] = "Do you really want to restore conduit \"%s\"?";
inline constexpr char kOVAskRestoreCrashed[] =
    "The library of conduit \"%s\" crashed when it was asked for its name, and may make the "
    "HotSync fail. Do you really want to restore it?";
inline constexpr char kOVAskRestoreSilent[] =
    "The library of conduit \"%s\" did not answer when it was asked for its name, and may make "
    "the HotSync hang. Do you really want to restore it?";
inline constexpr char kOVAskRestoreMisbehaved[] =
    "The library of conduit \"%s\" wrote out of turn when it was asked for its name, and may make "
    "the HotSync fail. Do you really want to restore it?";
inline constexpr char kOVNotChecked[] =
    "The library could not be checked, so it is not installed: %s. Please try again.";
inline constexpr char kOVRestored[] = "Conduit \"%s\" restored successfully.";
inline constexpr char kOVAlreadyInstalled[] = "This conduit has been installed in the system.";
inline constexpr char kOVAskReplace[] =
    "There is another conduit \"%s\" was associated with creator ID \"%s\", it must be "
    "uninstalled before you install this conduit. Do you want to uninstall it?";
inline constexpr char kOVInstallFailed[] =
    "Conduit \"%s\" installed failed. Please make sure that you have enough access rights to "
    "your system.";
inline constexpr char kOVInstalled[] = "Conduit \"%s\" installed successfully.";
inline constexpr char kOVUninstallFailed[] =
    "Can not uninstall the conduit \"%s\" now, is the HotSync process running?";
inline constexpr char kOVRestoreFailed[] =
    "Conduit \"%s\" restored failed. Please make sure that you have enough access rights to "
    "your system.";
inline constexpr char kOVNotAConduit[] = "This is not a valid Palm Conduit, please try another one";
inline constexpr char kOVBackupDone[] = "Conduit settings backup successfully to \"%s\".";
inline constexpr char kOVRestoreSetDone[] = "Conduit settings restored successfully.";
inline constexpr char kOVRestoreSetPartly[] =
    "Conduit settings restored, but these conduits could not be restored: %s.";
inline constexpr char kOVNoSetSelected[] = "No backup file is selected.";
inline constexpr char kOVBackupFailed[] =
    "Conduit settings could not be written to \"%s\". The backup set was not changed.";
inline constexpr char kOVSetUnreadable[] = "The backup file \"%s\" can not be opened.";
inline constexpr char kOVSetEmpty[] = "The backup file \"%s\" holds no conduit settings.";
inline constexpr char kOVBadSetName[] =
    "The backup file name \"%s\" can not be used: %s. Please use a file name inside the Tandelix "
    "folder.";
inline constexpr char kOVStoreNotSaved[] =
    "Conduit \"%s\" uninstalled successfully, but its settings could not be written to \"%s\". "
    "It can be restored only until Tandelix is closed.";
