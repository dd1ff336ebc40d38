#include "orvello/ConduitTool.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "misc/Diag.h"
#include "misc/WinUtil.h"
#include "orvello/OVPages.h"
#include "orvello/OVText.h"
#include "palm/CondAsk.h"
#include "palm/CondKey.h"
#include "palm/CondRecord.h"
#include "palm/PalmDesktop.h"
#include "palm/SyncGuard.h"

namespace {

bool FileExists(const char* szPath) {
  if (!szPath || !*szPath) return false;
  const DWORD a = GetFileAttributesA(szPath);
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// Exact comparison of creator and library, as the restore store keys them.
bool SameConduit(const CondData& a, const CondData& b) {
  return std::strcmp(a.szCreatorID, b.szCreatorID) == 0 &&
         std::strcmp(a.szConduit, b.szConduit) == 0;
}

const CondData* FindConduit(const std::vector<CondData>& v, const CondData& key) {
  for (const CondData& r : v)
    if (SameConduit(r, key)) return &r;
  return nullptr;
}

std::string MissingText(const char* szConduit) {
  return OVFormat("%s ( file not found ).", szConduit);
}

// A listed record takes a restored conduit's settings but keeps what only the
// Conduit Manager's enumeration knows: its creator number and its kind.
void TakeSettings(CondData* pListed, const CondData& src) {
  const uint32_t dwCreatorID = pListed->dwCreatorID;
  const int32_t nKind = pListed->nKind;
  *pListed = src;
  pListed->dwCreatorID = dwCreatorID;
  pListed->nKind = nKind;
  pListed->pCondObj = 0;
}

// A library that crashed, kept silent or answered out of turn when it was
// asked, or could not be asked at all, in the same style.
std::string FaultText(const char* szConduit, const CondAnswer& answer) {
  const std::string why = CondStateText(answer);
  return why.empty() ? std::string() : OVFormat("%s %s.", szConduit, why.c_str());
}

}  // namespace

void OVTool::Attach(const OVPorts& ports) {
  m_ports = ports;
  m_strRestorePath = m_ports.strModuleDir + kOVRestoreStore;
}

std::string OVTool::LibraryVersion(const char* szPath) {
  // The answer the library gave (from the cache); a library that brought its
  // asker down gave none, and its version resource is read as data.
  const CondAnswer answer = CondAsker::Instance().AskOne(szPath ? szPath : "");
  if (answer.bHasVersion)
    return OVVersionText(answer.wVersion[0], answer.wVersion[1], answer.wVersion[2],
                         answer.wVersion[3]);
  int a = 0, b = 0, c = 0, d = 0;
  if (answer.state != CondLibState::Answered) GetFileVersion(szPath, &a, &b, &c, &d);
  return OVVersionText(a, b, c, d);
}

// ---------------------------------------------------------------- set-up

void OVTool::InitConduitTool() {
  if (!m_pAppMgr) m_pAppMgr = new CCondMgr;
  if (!m_pSysMgr) m_pSysMgr = new CCondMgr;
  if (!m_pRestore) m_pRestore = new CxListOf<CondData>;
  if (!m_pBackupSets) m_pBackupSets = new BackupSetList;
  m_strRestorePath = m_ports.strModuleDir + kOVRestoreStore;
  m_pAppMgr->LoadConduits(CONDS_MANAGER | CONDS_KEEP_MISSING);
  m_pSysMgr->LoadConduits(CONDS_BACKUP | CONDS_INSTALL);
  FillAppList();
  FillSysList();
}

void OVTool::DoneConduitTool() {
  // No row may point at a record once the records are gone.
  if (m_ports.pApp) m_ports.pApp->Clear();
  if (m_ports.pSys) m_ports.pSys->Clear();
  ReleaseRecords();
}

void OVTool::ReleaseRecords() {
  delete m_pAppMgr;
  m_pAppMgr = nullptr;
  delete m_pSysMgr;
  m_pSysMgr = nullptr;
  if (m_pRestore) FreeRestoreList();
  delete m_pRestore;
  m_pRestore = nullptr;
  delete m_pBackupSets;  // deletes its records
  m_pBackupSets = nullptr;
}

// ---------------------------------------------------------------- lists

void OVTool::FillAppList() {
  IOVList* pList = m_ports.pApp;
  if (!pList || !m_pAppMgr) return;
  pList->SuspendRedraw(true);
  pList->Clear();
  for (CondData* p = m_pAppMgr->GetFirst(); p; p = m_pAppMgr->GetNext()) {
    const CCondObj* pObj = m_pAppMgr->GetCondObj(p);
    if (p->nStatus == ST_INSTALLED && pObj && pObj->IsFaulty()) {
      pList->Add(p->szTitle, OV_IMG_INVALID, p->szCreatorID,
                 FaultText(p->szConduit, pObj->Answer()).c_str(), p);
    } else if (p->nStatus == ST_INSTALLED && pObj && pObj->HasAnswer() &&
               pObj->Answer().state == CondLibState::Unasked) {
      // Nothing is known of it, good or bad: installed, with the reason.
      pList->Add(p->szTitle, OV_IMG_INSTALLED, p->szCreatorID,
                 FaultText(p->szConduit, pObj->Answer()).c_str(), p);
    } else if (p->nStatus == ST_INSTALLED) {
      pList->Add(p->szTitle, OV_IMG_INSTALLED, p->szCreatorID, p->szConduit, p);
    } else {
      const std::string file = p->szConduit[0] ? MissingText(p->szConduit) : std::string();
      pList->Add(p->szTitle, OV_IMG_INVALID, p->szCreatorID, file.c_str(), p);
    }
  }
  LoadRestoreStore();
  if (m_pRestore) {
    std::vector<CondData*> rows;
    std::vector<std::string> paths;
    for (CondData* p = m_pRestore->GetFirst(); p; p = m_pRestore->GetNext())
      if (!m_pAppMgr->Contains(p)) {
        rows.push_back(p);
        paths.push_back(p->szConduit);
      }
    // Answered from the cache: these libraries were asked while installed.
    const std::vector<CondAnswer> answers = CondAsker::Instance().Ask(paths);
    for (size_t i = 0; i < rows.size(); ++i) {
      CondData* p = rows[i];
      const std::string fault = FaultText(p->szConduit, answers[i]);
      pList->Add(p->szTitle, OV_IMG_RESTORABLE, p->szCreatorID,
                 fault.empty() ? p->szConduit : fault.c_str(), p);
    }
  }
  if (pList->Count() > 0) {
    pList->Select(0);
    UpdateAppButtons();
  }
  pList->SuspendRedraw(false);
}

void OVTool::FillSysList() {
  IOVList* pList = m_ports.pSys;
  if (!pList || !m_pSysMgr) return;
  pList->SuspendRedraw(true);
  pList->Clear();
  for (CondData* p = m_pSysMgr->GetFirst(); p; p = m_pSysMgr->GetNext()) {
    CCondObj* pObj = m_pSysMgr->GetCondObj(p);
    const bool bUnasked =
        pObj && pObj->HasAnswer() && pObj->Answer().state == CondLibState::Unasked;
    const bool bValid = pObj && (pObj->IsValid() || bUnasked);
    const std::string creator = OVFormat("0x%x", static_cast<unsigned>(p->dwCreatorID));
    std::string file = bValid ? std::string(p->szConduit) : MissingText(p->szConduit);
    if (pObj && (pObj->IsFaulty() || bUnasked)) file = FaultText(p->szConduit, pObj->Answer());
    pList->Add(p->szTitle, bValid ? OV_IMG_INSTALLED : OV_IMG_INVALID, creator.c_str(),
               file.c_str(), p);
  }
  if (pList->Count() > 0) {
    pList->Select(0);
    UpdateSysButtons();
  }
  pList->SuspendRedraw(false);
}

void OVTool::LoadRestoreStore() {
  if (!m_pRestore) return;
  // Entries that only memory holds (the last write failed) would be lost by
  // reading the old file back: write them first, or keep them.
  if (!m_bStoreSaved && !SaveRestoreStore()) return;
  CondRecordReader reader;
  if (!reader.Open(m_strRestorePath.c_str())) return;
  FreeRestoreList();
  CondData rec;
  while (reader.Read(&rec)) {
    if (!FileExists(rec.szConduit)) continue;  // dropped: gone from the file at the next save
    bool bDuplicate = false;
    for (CondData* p = m_pRestore->GetFirst(); p && !bDuplicate; p = m_pRestore->GetNext())
      bDuplicate = SameConduit(*p, rec);
    if (bDuplicate) continue;
    CondData* pEntry = new (std::nothrow) CondData(rec);
    if (!TDX_VERIFY(pEntry != NULL)) break;
    pEntry->nMark |= MARK_RESTORE;
    pEntry->pCondObj = 0;
    if (!m_pRestore->Add(pEntry)) {
      delete pEntry;
      break;
    }
  }
  m_storeBase.clear();
  for (CondData* p = m_pRestore->GetFirst(); p; p = m_pRestore->GetNext())
    m_storeBase.push_back(*p);
}

bool OVTool::SaveRestoreStore() {
  if (!m_pRestore) return false;
  // Read, merged and written under the directory's lock: the console tool may
  // have changed the store since this tool last read it.
  DirLock lock(m_strRestorePath.c_str());
  std::vector<CondData> mine;
  for (CondData* p = m_pRestore->GetFirst(); p; p = m_pRestore->GetNext())
    if ((p->nMark & MARK_RESTORE) && !FindConduit(mine, *p)) mine.push_back(*p);
  bool ok = lock.Held();
  CondRecordWriter writer;
  ok = ok && writer.Create(m_strRestorePath.c_str());
  for (const CondData& rec : ok ? MergeRestoreStore(mine) : std::vector<CondData>())
    if (ok) ok = writer.Write(rec);
  ok = ok && writer.Commit();
  if (ok) m_storeBase = mine;
  m_bStoreSaved = ok;
  return ok;
}

// Three-way, by creator and library: an entry this tool changed, added or
// removed since it last read or wrote the store goes in as this tool has it;
// every other entry as the file has it now.
std::vector<CondData> OVTool::MergeRestoreStore(const std::vector<CondData>& mine) const {
  auto changed = [&](const CondData& key) {
    const CondData* pMine = FindConduit(mine, key);
    const CondData* pBase = FindConduit(m_storeBase, key);
    if (!pMine || !pBase) return pMine != pBase;
    unsigned char a[COND_RECORD_SIZE], b[COND_RECORD_SIZE];
    EncodeCondData(*pMine, a);
    EncodeCondData(*pBase, b);
    return std::memcmp(a, b, sizeof a) != 0;
  };
  std::vector<CondData> merged;
  CondRecordReader reader;
  if (reader.Open(m_strRestorePath.c_str())) {
    CondData rec;
    while (reader.Read(&rec)) {
      if (FindConduit(merged, rec)) continue;
      if (changed(rec)) {
        if (const CondData* pMine = FindConduit(mine, rec)) merged.push_back(*pMine);
      } else if (FileExists(rec.szConduit)) {  // as reading the store drops it
        rec.nMark |= MARK_RESTORE;
        merged.push_back(rec);
      }
    }
  }
  for (const CondData& rec : mine)
    if (!FindConduit(merged, rec) && changed(rec)) merged.push_back(rec);
  return merged;
}

void OVTool::ForgetRestorable(const char* szCreatorID, const char* szConduit) {
  if (!m_pRestore) return;
  // Unmarked, it leaves the store at the save.
  for (CondData* p = m_pRestore->GetFirst(); p; p = m_pRestore->GetNext())
    if (std::strcmp(p->szCreatorID, szCreatorID) == 0 && std::strcmp(p->szConduit, szConduit) == 0)
      p->nMark &= ~MARK_RESTORE;
  SaveRestoreStore();
}

bool OVTool::DropFromStore(const std::function<bool(const CondData&)>& drop, size_t* pnDropped) {
  *pnDropped = 0;
  DirLock lock(m_strRestorePath.c_str());
  if (!lock.Held()) return false;
  if (!m_bStoreSaved) SaveRestoreStore();  // what only memory holds goes in first
  std::vector<CondData> keep;
  size_t nDropped = 0;
  {
    CondRecordReader reader;
    if (!reader.Open(m_strRestorePath.c_str())) return true;  // no store: nothing to drop
    CondData rec;
    while (reader.Read(&rec)) {
      if (drop(rec))
        ++nDropped;
      else
        keep.push_back(rec);
    }
  }
  if (nDropped == 0) return true;
  CondRecordWriter writer;
  bool ok = writer.Create(m_strRestorePath.c_str());
  for (const CondData& rec : keep) ok = ok && writer.Write(rec);
  if (!ok || !writer.Commit()) return false;
  *pnDropped = nDropped;
  LoadRestoreStore();
  return true;
}

void OVTool::FreeRestoreList() {
  if (m_pRestore) m_pRestore->DeleteAll();
}

void OVTool::UpdateAppButtons() {
  IOVList* pList = m_ports.pApp;
  IOVView* pView = m_ports.pView;
  if (!pList || !pView) return;
  const int nRow = pList->Selected();
  if (nRow < 0) return;  // the buttons keep their states
  const CondData* pData = pList->Data(nRow);
  const bool bRestorable = pData && (pData->nMark & MARK_RESTORE);
  pView->EnableButton(OVButton::AppProperties, true);
  pView->EnableButton(OVButton::Restore, bRestorable);
  pView->EnableButton(OVButton::Uninstall, !bRestorable);
}

void OVTool::UpdateSysButtons() {
  if (!m_ports.pSys || !m_ports.pView) return;
  m_ports.pView->EnableButton(OVButton::SysProperties, m_ports.pSys->Selected() >= 0);
}

// ---------------------------------------------------------------- commands

void OVTool::btnOVUninstClick() {
  IOVList* pList = m_ports.pApp;
  if (!pList) return;
  CondData* pData = pList->Data(pList->Selected());
  if (!pData) return;
  if (!AskYes(OVFormat(kOVAskUninstall, pData->szConduit).c_str(), "Confirm")) return;
  if (!UninstallConduit(pData, false)) return;
  if (m_bUninstallStored)
    Info(OVFormat(kOVUninstalled, pData->szConduit).c_str());
  else
    WarnIfNotStored(pData);
  UpdateAppButtons();
}

void OVTool::btnOVRestoreClick() {
  IOVList* pList = m_ports.pApp;
  if (!pList) return;
  CondData* pData = pList->Data(pList->Selected());
  if (!pData || !(pData->nMark & MARK_RESTORE)) return;
  // A library that brought its asker down would do the same to a HotSync.
  const CondAnswer answer = CondAsker::Instance().AskOne(pData->szConduit);
  const char* szAsk = answer.state == CondLibState::Crashed      ? kOVAskRestoreCrashed
                      : answer.state == CondLibState::NoAnswer   ? kOVAskRestoreSilent
                      : answer.state == CondLibState::Misbehaved ? kOVAskRestoreMisbehaved
                                                                 : kOVAskRestore;
  if (!AskYes(OVFormat(szAsk, pData->szTitle).c_str(), "Confirm")) return;
  if (!RestoreConduit(pData, false)) return;
  UpdateAppButtons();
  Info(OVFormat(kOVRestored, pData->szTitle).c_str());
}

void OVTool::btnOVRefreshClick() {
  if (!m_pAppMgr || !m_pSysMgr) return;
  if (m_ports.pView) m_ports.pView->SetWaitCursor(true);
  m_pAppMgr->LoadConduits(CONDS_MANAGER | CONDS_KEEP_MISSING);
  m_pSysMgr->LoadConduits(CONDS_BACKUP | CONDS_INSTALL);
  FillAppList();
  FillSysList();
  if (m_ports.pView) m_ports.pView->SetWaitCursor(false);
}

void OVTool::btnOVInstClick() {
  std::string strPath;
  if (!m_ports.pPicker || !m_ports.pPicker->PickConduitFile(strPath) || strPath.empty()) return;
  CondData rec{};
  if (strPath.size() >= sizeof rec.szConduit) {
    Error(kOVNotAConduit);
    return;
  }
  CCondObj obj;
  obj.SetAnswer(CondAsker::Instance().AskOne(strPath));
  if (obj.Answer().state == CondLibState::Unasked) {
    Error(OVFormat(kOVNotChecked, CondUnaskedReason(obj.Answer()).c_str()).c_str());
    return;
  }
  if (!obj.IsValid()) {
    Error(kOVNotAConduit);
    return;
  }
  std::memcpy(rec.szConduit, strPath.c_str(), strPath.size() + 1);
  obj.GetName(rec.szTitle, sizeof rec.szTitle);
  if (m_ports.pProps) m_ports.pProps->ShowProperties(&rec, false);
}

void OVTool::OpenAppConduitProperties() {
  IOVList* pList = m_ports.pApp;
  if (!pList || !m_ports.pProps) return;
  if (CondData* pData = pList->Data(pList->Selected()))
    m_ports.pProps->ShowProperties(pData, false);
}

void OVTool::OpenSysConduitProperties() {
  IOVList* pList = m_ports.pSys;
  if (!pList || !m_ports.pProps) return;
  if (CondData* pData = pList->Data(pList->Selected())) m_ports.pProps->ShowProperties(pData, true);
}

void OVTool::btnOVLogClick() {
  if (m_ports.pLog) m_ports.pLog->ShowHistory();
}

// ---------------------------------------------------------------- primitives

bool OVTool::InstallConduit(CondData* pData, bool bQuiet) {
  if (!pData || !m_pAppMgr) return false;
  PdRegChange op;
  if (RefusedDuringSync(op)) return false;
  SanitizeCondData(pData);
  if (CondData* pFound = m_pAppMgr->Find(pData->szCreatorID, pData->szConduit)) {
    if (pFound->nStatus != ST_INSTALLED) return RestoreConduit(pData, bQuiet);
    if (!bQuiet) Info(kOVAlreadyInstalled);
    return false;
  }
  // What the creator holds now comes back, value for value, if this fails.
  std::vector<CondRegistration> before;
  if (!SnapshotCreator(pData->szCreatorID, &before)) {
    if (!bQuiet) Error(OVFormat(kOVInstallFailed, pData->szTitle).c_str());
    return false;
  }
  CondData* pOther = FindInstalledCreator(pData->szCreatorID, nullptr);
  if (pOther && !ResolveConflict(pOther, bQuiet)) return false;
  PdRegChange::Changed();  // a failed registration may have written part of it
  if (!RegisterConduit(pData)) {
    PutBackCreator(pData->szCreatorID, before, pOther);
    if (!bQuiet) Error(OVFormat(kOVInstallFailed, pData->szTitle).c_str());
    return false;
  }
  CondData* pCopy = new (std::nothrow) CondData(*pData);
  if (pCopy) {
    pCopy->pCondObj = 0;
    if (!m_pAppMgr->Add(pCopy)) delete pCopy;
  }
  if (m_ports.pApp)
    m_ports.pApp->Add(pData->szTitle, OV_IMG_INSTALLED, pData->szCreatorID, pData->szConduit,
                      nullptr);
  if (!bQuiet) Info(OVFormat(kOVInstalled, pData->szTitle).c_str(), "Success");
  AppendHistory(pData, OVLOG_INSTALLED);
  return true;
}

bool OVTool::UninstallConduit(CondData* pData, bool bQuiet) {
  if (!pData) return false;
  m_bUninstallStored = true;
  PdRegChange op;
  if (RefusedDuringSync(op)) return false;
  if (!UnregisterConduit(pData)) {
    if (!bQuiet) Error(OVFormat(kOVUninstallFailed, pData->szConduit).c_str());
    return false;
  }
  PdRegChange::Changed();
  // A conduit installed in this run has a row without a record; it is kept
  // for restoring all the same, and its row becomes the record's.
  const int nRow = AppRowShowing(pData);
  if (pData->nStatus == ST_UNINSTALLED) {
    pData->nMark |= MARK_RESTORE;
    CondData* pEntry = nullptr;
    if (m_pRestore)
      for (CondData* p = m_pRestore->GetFirst(); p && !pEntry; p = m_pRestore->GetNext())
        if (SameConduit(*p, *pData)) pEntry = p;
    if (pEntry) {
      *pEntry = *pData;
      pEntry->pCondObj = 0;
    } else if (m_pRestore) {
      CondData* pCopy = new (std::nothrow) CondData(*pData);
      if (pCopy) pCopy->pCondObj = 0;
      if (pCopy && !m_pRestore->Add(pCopy)) delete pCopy;
    }
    m_bUninstallStored = SaveRestoreStore();
    if (nRow >= 0) {
      if (m_ports.pApp->Data(nRow) != pData) m_ports.pApp->SetData(nRow, pData);
      m_ports.pApp->SetImage(nRow, OV_IMG_RESTORABLE);
    }
  } else if (nRow >= 0) {
    m_ports.pApp->Delete(nRow);
  }
  AppendHistory(pData, OVLOG_UNINSTALLED);
  return true;
}

bool OVTool::RestoreConduit(CondData* pData, bool bQuiet) {
  if (!pData) return false;
  PdRegChange op;
  if (RefusedDuringSync(op)) return false;
  SanitizeCondData(pData);
  std::vector<CondRegistration> before;
  if (!SnapshotCreator(pData->szCreatorID, &before)) {
    if (!bQuiet) Error(OVFormat(kOVRestoreFailed, pData->szTitle).c_str());
    return false;
  }
  CondData* pOther = FindInstalledCreator(pData->szCreatorID, pData->szConduit);
  if (pOther && !ResolveConflict(pOther, bQuiet)) return false;
  // The Conduit Manager may still hold this conduit from when its library was
  // missing; that registration would refuse the creator. It is removed only
  // when it is the creator's first (the one a removal takes), and everything
  // comes back as it was when the restore fails.
  bool bFailed = false;
  if (CondData* pOld =
          m_pAppMgr ? m_pAppMgr->Find(pData->szCreatorID, pData->szConduit) : nullptr) {
    if (pOld->nStatus == ST_MISSING && std::strcmp(pOld->szCreatorID, pData->szCreatorID) == 0) {
      const std::vector<CondKeyRef> keys = ConduitKeysOf(pData->szCreatorID);
      PdRegChange::Changed();
      bFailed = keys.empty() || keys[0].strConduit != pOld->szConduit ||
                CmRemoveConduitByCreatorID(pData->szCreatorID) != 1;
    }
  }
  PdRegChange::Changed();  // a registration that fails may have written part of it
  if (bFailed || !RegisterConduit(pData)) {
    PutBackCreator(pData->szCreatorID, before, pOther);
    if (!bQuiet) Error(OVFormat(kOVRestoreFailed, pData->szTitle).c_str());
    return false;
  }
  pData->nMark = 0;
  if (IOVList* pList = m_ports.pApp) {
    for (int i = 0, n = pList->Count(); i < n; ++i) {
      CondData* pRow = pList->Data(i);
      if (!pRow || !SameConduit(*pRow, *pData)) continue;
      if (pRow != pData) TakeSettings(pRow, *pData);
      pList->SetImage(i, OV_IMG_INSTALLED);
      break;
    }
  }
  if (m_pRestore) {
    for (CondData* p = m_pRestore->GetFirst(); p; p = m_pRestore->GetNext()) {
      if (p == pData || !SameConduit(*p, *pData)) continue;
      TakeSettings(p, *pData);
      break;
    }
  }
  SaveRestoreStore();
  AppendHistory(pData, OVLOG_RESTORED);
  return true;
}

bool OVTool::ApplyConduitSettings(CondData* pData) {
  if (!pData) return true;
  PdRegChange op;
  if (RefusedDuringSync(op)) return false;
  PdRegChange::Changed();
  CondData rec = *pData;
  SanitizeCondData(&rec);
  const char* szCreator = rec.szCreatorID;
  int32_t rc = CmSetCreatorDirectory(szCreator, rec.szDirectory);
  if (rc == 0) rc = CmSetCreatorFile(szCreator, rec.szFile);
  if (rc == 0)
    rc = CmSetCreatorPriority(szCreator,
                              rec.nPriority >= 1 && rec.nPriority <= 5 ? rec.nPriority : 2);
  if (rc == 0) CmSetCreatorRemote(szCreator, rec.szRemote);
  return true;
}

// ---------------------------------------------------------------- helpers

void OVTool::AppendHistory(const CondData* pData, int32_t nKind) {
  if (!m_ports.pLog) return;
  OVLogEntry entry;
  const int32_t nNow = m_ports.pClock ? m_ports.pClock->Now() : 0;
  OVMakeLogEntry(&entry, pData->szConduit, pData->szTitle, LibraryVersion(pData->szConduit).c_str(),
                 nNow, nKind);
  m_ports.pLog->Append(entry);
}

CondData* OVTool::FindInstalledCreator(const char* szCreatorID, const char* szNotConduit) {
  if (!m_pAppMgr) return nullptr;
  for (CondData* p = m_pAppMgr->GetFirst(); p; p = m_pAppMgr->GetNext()) {
    if (p->nStatus != ST_INSTALLED || std::strcmp(p->szCreatorID, szCreatorID) != 0) continue;
    if (szNotConduit && std::strcmp(p->szConduit, szNotConduit) == 0) continue;
    return p;
  }
  return nullptr;
}

bool OVTool::ResolveConflict(CondData* pOther, bool bQuiet) {
  if (!bQuiet && !AskYes(OVFormat(kOVAskReplace, pOther->szTitle, pOther->szCreatorID).c_str(),
                         "Uninstall conduit"))
    return false;
  if (!UninstallConduit(pOther, false)) return false;
  WarnIfNotStored(pOther);
  return true;
}

bool OVTool::RefusedDuringSync(const PdRegChange& op) {
  if (!op.Refused()) return false;
  // Told once, by the operation the user started.
  if (op.Outermost()) Error(kPdSyncRunning);
  return true;
}

int OVTool::AppRowShowing(const CondData* pData) {
  IOVList* pList = m_ports.pApp;
  if (!pList || !pData) return -1;
  const int n = pList->Count();
  for (int i = 0; i < n; ++i)
    if (pList->Data(i) == pData) return i;
  for (int i = 0; i < n; ++i)
    if (!pList->Data(i) && pList->Text(i, 1) == pData->szCreatorID &&
        pList->Text(i, 2) == pData->szConduit)
      return i;
  return -1;
}

void OVTool::WarnIfNotStored(const CondData* pData) {
  // The store holds the only copy of its settings: say that it is not there.
  if (m_bUninstallStored || !m_ports.pPrompt) return;
  m_ports.pPrompt->ShowWarning(
      OVFormat(kOVStoreNotSaved, pData->szConduit, m_strRestorePath.c_str()).c_str(),
      "Information");
}

void OVTool::PutBackCreator(const char* szCreatorID, const std::vector<CondRegistration>& before,
                            CondData* pOther) {
  if (!RestoreCreatorKeys(szCreatorID, before)) {
    tdx::ReportCondition("a creator's registrations could not be put back", __FILE__, __LINE__);
    return;
  }
  if (!pOther) return;
  // The conflicting conduit uninstalled for this one is registered again:
  // installed, no longer kept for restoring.
  pOther->nStatus = ST_INSTALLED;
  pOther->nMark &= ~MARK_RESTORE;
  ForgetRestorable(pOther->szCreatorID, pOther->szConduit);
  if (IOVList* pList = m_ports.pApp)
    for (int i = 0, n = pList->Count(); i < n; ++i)
      if (pList->Data(i) == pOther) pList->SetImage(i, OV_IMG_INSTALLED);
  AppendHistory(pOther, OVLOG_RESTORED);
}

void OVTool::Info(const char* szText, const char* szCaption) {
  if (m_ports.pPrompt) m_ports.pPrompt->ShowInfo(szText, szCaption);
}

void OVTool::Error(const char* szText) {
  if (m_ports.pPrompt) m_ports.pPrompt->ShowError(szText);
}

bool OVTool::AskYes(const char* szText, const char* szCaption) {
  return m_ports.pPrompt && m_ports.pPrompt->Ask(szText, szCaption, false) == Answer::Yes;
}
