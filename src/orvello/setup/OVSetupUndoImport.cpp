// "Undo Last Import": puts back what the last import's record says it
// changed, each piece only while it is still as the import left it.
#include <windows.h>

#include <cstring>

#include "misc/WinUtil.h"
#include "orvello/ConduitTool.h"
#include "orvello/setup/OVSetupImport.h"
#include "orvello/setup/OVSetupKeys.h"
#include "orvello/setup/OVSetupPaths.h"
#include "orvello/setup/OVSetupSys.h"
#include "palm/PalmDesktop.h"
#include "palm/SyncGuard.h"
#include "shell/Settings.h"

namespace {

std::string A(const std::string& utf8) { return OVUtf8ToAnsi(utf8); }

std::string KeyName(size_t n) {
  char sz[128];
  std::snprintf(sz, sizeof sz, PD_REG_APP_FMT, static_cast<int>(n));
  return sz;
}

bool Holds(const std::vector<RegKeyValues>& keys, const RegKeyValues& k) {
  for (const RegKeyValues& x : keys)
    if (OVSameValues(x, k)) return true;
  return false;
}

std::string Title(const RegKeyValues& k) {
  const std::string t = OVRegText(k, "Title");
  const uint32_t dw = OVCreatorOf(k.values);
  return "\"" + t + "\" (" + (dw ? OVCreatorText(dw) : std::string("no creator")) + ")";
}

// The conduit registrations: as they were before, key for key, when nothing
// changed them after the import; otherwise only what the import added is
// taken away and what it replaced put back, one by one.
void PutBackConduits(const OVUndoRecord& r, OVImportReport& rep) {
  const std::vector<RegKeyValues> now = OVAllConduitKeys();
  bool bUntouched = r.bComplete && now.size() == r.after.size();
  for (size_t i = 0; bUntouched && i < now.size(); ++i) bUntouched = now[i] == r.after[i];
  if (bUntouched) {
    if (now.size() == r.before.size()) {
      bool bSame = true;
      for (size_t i = 0; bSame && i < now.size(); ++i) bSame = now[i] == r.before[i];
      if (bSame) return;  // the import changed no registration
    }
    bool ok = true;
    for (size_t i = 0; i < r.before.size(); ++i)
      if (i >= now.size() || !(now[i] == r.before[i]))
        ok &= WriteRegKeyValues(KeyName(i), r.before[i], true);
    for (size_t i = r.before.size(); i < now.size(); ++i) {
      RegDeleteTreeA(HKEY_CURRENT_USER, KeyName(i).c_str());
      RegDeleteKeyA(HKEY_CURRENT_USER, KeyName(i).c_str());
      HKEY h;
      if (RegOpenKeyExA(HKEY_CURRENT_USER, KeyName(i).c_str(), 0, KEY_READ, &h) == ERROR_SUCCESS) {
        RegCloseKey(h);
        ok = false;
      }
    }
    PdRegChange::Changed();
    if (ok)
      rep.done.push_back("Put back the conduit registrations as they were.");
    else
      rep.notDone.push_back("Some conduit registrations could not be put back whole.");
    return;
  }
  // Changed since: piece by piece.
  for (const RegKeyValues& k : r.after) {
    if (Holds(r.before, k)) continue;  // not the import's
    const uint32_t dw = OVCreatorOf(k.values);
    const std::vector<CondKeyRef> refs =
        dw ? ConduitKeysOf(OVCreatorText(dw).c_str()) : std::vector<CondKeyRef>();
    RegKeyValues here;
    if (refs.size() != 1 || !ReadRegKeyValues(refs[0].strKey, &here) || !OVSameValues(here, k)) {
      rep.notDone.push_back("Conduit " + Title(k) +
                            " was changed after the import and is left as it is.");
      continue;
    }
    if (CmRemoveConduitByCreatorID(OVCreatorText(dw).c_str()) != 1) {
      rep.notDone.push_back("Conduit " + Title(k) + " could not be removed.");
      continue;
    }
    PdRegChange::Changed();
    rep.done.push_back("Removed conduit " + Title(k) + ".");
  }
  const std::vector<RegKeyValues> later = OVAllConduitKeys();
  for (const RegKeyValues& k : r.before) {
    if (Holds(later, k)) continue;
    const uint32_t dw = OVCreatorOf(k.values);
    const std::string creator = OVCreatorText(dw);
    std::vector<CondKeyRef> refs;
    if (dw && CmInstallCreator(creator.c_str(), PD_CONDUIT_APPLICATION) == 0)
      refs = ConduitKeysOf(creator.c_str());
    PdRegChange::Changed();
    if (refs.empty() || !WriteRegKeyValues(refs.back().strKey, k, true)) {
      rep.notDone.push_back("Conduit " + Title(k) + " could not be put back.");
      continue;
    }
    rep.done.push_back("Put back conduit " + Title(k) + " (its place in the list may differ).");
  }
}

}  // namespace

bool OVLastImport(const std::string& strModuleDir, OVUndoRecord* pRecord) {
  std::string text, why;
  return ReadWholeFile((strModuleDir + kOVUndoRecord).c_str(), &text, 256u << 20) &&
         OVReadUndo(text.data(), text.size(), pRecord, &why);
}

bool OVUndoLastImport(const std::string& strModuleDir, OVTool* pTool, OVImportReport* pReport,
                      std::string* pWhy) {
  OVImportReport rep;
  auto fail = [&](const std::string& why) {
    if (pWhy) *pWhy = why;
    return false;
  };
  const std::string recPath = strModuleDir + kOVUndoRecord, undoDir = strModuleDir + kOVUndoFolder;
  if (!OVIsFile(recPath)) return fail(kOVNoImportToUndo);
  PdRegChange op;
  if (op.Refused()) return fail(kPdSyncRunning);
  DirLock lock(strModuleDir.c_str());
  if (!lock.Held()) return fail("Another Tandelix is changing its files. Try again in a moment.");
  std::string text, why;
  OVUndoRecord r;
  if (!ReadWholeFile(recPath.c_str(), &text, 256u << 20) || !OVReadUndo(text.data(), text.size(), &r, &why))
    return fail("The last import cannot be undone: " +
                (why.empty() ? std::string("its record cannot be read") : why) + ".");

  PutBackConduits(r, rep);

  if (r.bBackupChanged) {
    const std::string now = OVBackupConduit();
    if (lstrcmpiA(now.c_str(), A(r.strBackupAfter).c_str()) != 0) {
      rep.notDone.push_back(
          "The backup conduit was changed after the import and is left as it is.");
    } else if (CmSetBackupConduit(A(r.strBackupBefore).c_str()) == 0) {
      PdRegChange::Changed();
      rep.done.push_back("Put back the backup conduit " + A(r.strBackupBefore) + ".");
    } else {
      rep.notDone.push_back("The backup conduit could not be put back.");
    }
  }

  size_t nActions = 0;
  for (size_t i = r.actions.size(); i-- > 0;) {
    const OVUndoAction& a = r.actions[i];
    int32_t nNow = -1;
    if (UmGetUserPermSyncPreferences(a.dwUserID, a.dwCreatorID, &nNow) != 0 || nNow != a.nSet) {
      rep.notDone.push_back("An action of user \"" + A(a.strUser) +
                            "\" was changed after the import and is left as it is.");
      continue;
    }
    const int32_t rc = a.bHadBefore
                           ? UmSetUserPermSyncPreferences(a.dwUserID, a.dwCreatorID, a.nBefore)
                           : UmDeleteUserPermSyncPreferences(a.dwUserID, a.dwCreatorID);
    if (rc == 0)
      ++nActions;
    else
      rep.notDone.push_back("An action of user \"" + A(a.strUser) +
                            "\" could not be put back (error " + std::to_string(rc) + ").");
  }
  if (nActions) {
    PdRegChange::Changed();
    rep.done.push_back("Put back " + std::to_string(nActions) +
                       (nActions == 1 ? " sync action." : " sync actions."));
  }

  size_t nFiles = 0;
  for (size_t i = r.files.size(); i-- > 0;) {
    const OVUndoFile& f = r.files[i];
    if (!f.bWritten) continue;
    const std::string path = A(f.strPath);
    std::string sha;
    const bool bThere = OVIsFile(path);
    if (bThere && (!OVHashFile(path, &sha) || sha != f.strShaAfter)) {
      rep.notDone.push_back(path + " was changed after the import and is left as it is.");
      continue;
    }
    bool ok;
    if (f.bExisted)
      ok = OVCopyWhole(undoDir + "\\" + f.strSaved, path);
    else
      ok = !bThere || (SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL),
                       DeleteFileA(path.c_str()) != 0);
    if (ok)
      ++nFiles;
    else
      rep.notDone.push_back(path + " could not be put back.");
  }
  if (nFiles)
    rep.done.push_back("Put back " + std::to_string(nFiles) + (nFiles == 1 ? " file." : " files."));

  // A user the import made goes only when its folder holds nothing but what
  // the import put there, which is gone now.
  for (size_t i = r.users.size(); i-- > 0;) {
    const OVUndoUser& u = r.users[i];
    const std::string folder = A(u.strFolder), name = A(u.strName);
    if (OVIsDir(folder) && !OVFolderHoldsNoFile(folder)) {
      rep.notDone.push_back("User \"" + name + "\" was kept: its folder " + folder +
                            " holds files the import did not put there.");
      continue;
    }
    char szName[256] = {};
    uint16_t cb = sizeof szName;
    if (UmGetUserName(u.dwUserID, szName, &cb) != 0 || name != szName) {
      rep.notDone.push_back("User \"" + name + "\" is no longer there as the import made it.");
      continue;
    }
    if (UmDeleteUser(u.dwUserID) != 0) {
      rep.notDone.push_back("User \"" + name + "\" could not be removed.");
      continue;
    }
    if (OVIsDir(folder)) OVRemoveEmptyFolder(folder);
    rep.done.push_back("Removed user \"" + name + "\".");
  }
  for (size_t i = r.folders.size(); i-- > 0;) {
    const std::string dir = A(r.folders[i]);
    if (OVIsDir(dir) && OVFolderHoldsNoFile(dir)) OVRemoveEmptyFolder(dir);
  }

  // The sets the import listed leave the program's own list too, or its
  // next save of the settings would list them again.
  if (pTool && pTool->BackupSets() && !r.sets.empty()) {
    BackupSetList* pList = pTool->BackupSets();
    std::vector<BackupSetEntry*> keep, drop;
    for (BackupSetEntry* p = pList->GetFirst(); p; p = pList->GetNext()) {
      bool bImported = false;
      for (const std::string& s : r.sets)
        bImported |= std::strncmp(p->szFileName, A(s).c_str(), sizeof p->szFileName) == 0;
      (bImported ? drop : keep).push_back(p);
    }
    pList->Detach();
    for (BackupSetEntry* p : keep)
      if (!pList->Add(p)) delete p;
    for (BackupSetEntry* p : drop) delete p;
  }

  DeleteFileA(recPath.c_str());
  for (const OVUndoFile& f : r.files)
    if (f.bExisted) DeleteFileA((undoDir + "\\" + f.strSaved).c_str());
  RemoveDirectoryA(undoDir.c_str());
  if (pReport) *pReport = std::move(rep);
  return true;
}
