// The conduit tool's backup sets: the list the settings file keeps, the set
// files in the program directory, and the two dialogs' behaviour.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "misc/WinUtil.h"
#include "orvello/ConduitTool.h"
#include "orvello/OVText.h"
#include "orvello/OVSetDialogs.h"
#include "palm/CondRecord.h"
#include "shell/Settings.h"

namespace {

bool ReadCreationTime(const std::string& path, FILETIME* pTime) {
  HANDLE h = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool ok = GetFileTime(h, pTime, nullptr, nullptr) != 0;
  CloseHandle(h);
  return ok;
}

// A set overwritten by a new file keeps the creation time it had, which its
// "Backup Time" shows. File systems that keep no creation time of their own
// ignore this.
void KeepCreationTime(const std::string& path, const FILETIME& created) {
  HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  SetFileTime(h, &created, nullptr, nullptr);
  CloseHandle(h);
}

bool IsDeviceName(const char* szName) {
  // The part before the first dot names the device whatever follows.
  std::string base(szName, std::strcspn(szName, "."));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  for (char& c : base) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
  for (const char* d : kDevices)
    if (base == d) return true;
  return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
         base[3] >= '0' && base[3] <= '9';
}

// The folders of a set name inside the program directory, where missing.
void MakeSetFolders(const std::string& dir, const char* szName) {
  std::string path = dir;
  for (const char* p = szName; *p; ++p) {
    if (*p == '\\' || *p == '/') CreateDirectoryA(path.c_str(), nullptr);
    path += *p;
  }
}

}  // namespace

// ---------------------------------------------------------------- the list

BackupSetEntry* OVTool::GetFirstBackupSet() {
  return m_pBackupSets ? m_pBackupSets->GetFirst() : nullptr;
}

BackupSetEntry* OVTool::GetNextBackupSet() {
  return m_pBackupSets ? m_pBackupSets->GetNext() : nullptr;
}

uint32_t OVTool::GetBackupSetCount() const { return m_pBackupSets ? m_pBackupSets->GetCount() : 0; }

void OVTool::ClearBackupSets() {
  if (m_pBackupSets) m_pBackupSets->DeleteAll();
}

BackupSetEntry* OVTool::AddBackupSet(const BackupSetEntry& entry) {
  if (!m_pBackupSets) return nullptr;
  char szName[sizeof entry.szFileName];
  OVCopyCut(szName, entry.szFileName);
  for (BackupSetEntry* p = m_pBackupSets->GetFirst(); p; p = m_pBackupSets->GetNext())
    if (std::strncmp(p->szFileName, szName, sizeof p->szFileName) == 0) return p;
  auto* pCopy = new BackupSetEntry{};
  OVCopyCut(pCopy->szFileName, szName);
  OVCopyCut(pCopy->szDesc, entry.szDesc);
  if (!m_pBackupSets->Add(pCopy)) {
    delete pCopy;
    return nullptr;
  }
  return pCopy;
}

bool OVTool::IsValidSetName(const char* szName, std::string* pWhy) {
  auto refuse = [&](const char* why) {
    if (pWhy) *pWhy = why;
    return false;
  };
  if (!szName || !*szName) return refuse("the name is empty");
  const size_t n = std::strlen(szName);
  if (n > 259) return refuse("the name is longer than 259 characters");
  for (const char* p = szName; *p; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c < 0x20) return refuse("it holds a control character");
    if (c == ':') return refuse("it names a drive");
    if (std::strchr("*?\"<>|", c)) return refuse("it holds a character file names cannot have");
  }
  if (szName[0] == '\\' || szName[0] == '/') return refuse("it names a drive");
  // Each folder on the way and the file itself: a name of its own, inside.
  for (const char* p = szName;;) {
    const size_t nPart = std::strcspn(p, "\\/");
    const std::string part(p, nPart);
    if (part.empty()) return refuse("it names a folder");
    if (std::strspn(part.c_str(), ".") == nPart)
      return refuse(nPart == 2 ? "it leaves the Tandelix folder" : "it names a folder");
    if (part.back() == '.' || part.back() == ' ') return refuse("it ends in a dot or a blank");
    if (IsDeviceName(part.c_str())) return refuse("it names a device");
    if (!p[nPart]) break;
    p += nPart + 1;
  }
  return true;
}

std::string OVTool::BackupTime(const char* szFileName) const {
  SYSTEMTIME st = {};
  if (!szFileName || !GetFileCreationTime(SetPath(szFileName).c_str(), &st)) return "";
  return OVFormat("%02d-%02d-%04d %02d:%02d:%02d", st.wMonth, st.wDay, st.wYear, st.wHour,
                  st.wMinute, st.wSecond);
}

// ---------------------------------------------------------------- set files

bool OVTool::BackupConduitSettings(const char* szFileName) {
  if (!m_pAppMgr) return false;
  std::string why;
  if (!IsValidSetName(szFileName, &why)) {
    Error(OVFormat(kOVBadSetName, szFileName ? szFileName : "", why.c_str()).c_str());
    return false;
  }
  const std::string path = SetPath(szFileName);
  MakeSetFolders(m_ports.strModuleDir, szFileName);
  FILETIME created = {};
  const bool bHad = ReadCreationTime(path, &created);
  // Written whole to a temporary file and moved into place, or not at all.
  if (!m_pAppMgr->SaveToFile(path.c_str())) {
    Error(OVFormat(kOVBackupFailed, szFileName).c_str());
    return false;
  }
  if (bHad) KeepCreationTime(path, created);
  Info(OVFormat(kOVBackupDone, szFileName).c_str());
  return true;
}

bool OVTool::BackupRegistrations(const char* szDesc, std::string* pFile) {
  if (!m_pAppMgr || !m_pBackupSets) return false;
  // A name of its own: neither listed nor a file already.
  std::string name;
  for (unsigned n = GetBackupSetCount() + 1; n < 100000 && name.empty(); ++n) {
    const std::string candidate = OVFormat("ovset%u.bak", n);
    bool bListed = false;
    for (BackupSetEntry* p = GetFirstBackupSet(); p && !bListed; p = GetNextBackupSet())
      bListed =
          _stricmp(std::string(p->szFileName, strnlen(p->szFileName, sizeof p->szFileName)).c_str(),
                   candidate.c_str()) == 0;
    if (!bListed &&
        GetFileAttributesA(SetPath(candidate.c_str()).c_str()) == INVALID_FILE_ATTRIBUTES)
      name = candidate;
  }
  if (name.empty()) return false;
  CondRecordWriter writer;
  bool ok = writer.Create(SetPath(name.c_str()).c_str());
  for (CondData* p = m_pAppMgr->GetFirst(); p && ok; p = m_pAppMgr->GetNext()) {
    CondData rec = *p;
    // Registered, library or not: restoring the set registers it again.
    if (rec.nStatus == ST_MISSING) rec.nStatus = ST_INSTALLED;
    ok = writer.Write(rec);
  }
  if (!ok || !writer.Commit()) return false;
  BackupSetEntry entry{};
  OVCopyCut(entry.szFileName, name.c_str());
  OVCopyCut(entry.szDesc, szDesc);
  AddBackupSet(entry);
  WriteBackupSetList(SettingsPath(m_ports.strModuleDir.c_str()).c_str(), m_pBackupSets);
  *pFile = name;
  return true;
}

bool OVTool::RestoreConduitSettings(const char* szFileName) {
  if (!m_pAppMgr) return false;
  PdRegChange op;  // one refresh for the whole set
  if (RefusedDuringSync(op)) return false;
  std::string why;
  if (!IsValidSetName(szFileName, &why)) {
    Error(OVFormat(kOVBadSetName, szFileName ? szFileName : "", why.c_str()).c_str());
    return false;
  }
  CondRecordReader reader;
  if (!reader.Open(SetPath(szFileName).c_str())) {
    Error(OVFormat(kOVSetUnreadable, szFileName).c_str());
    return false;
  }
  // Every whole record installed when the set was made is installed again,
  // sanitised (texts cut within their fields; a priority out of range is
  // sent as 2). Those that cannot be are named afterwards.
  std::vector<CondData> records;
  size_t nWhole = 0;
  CondData rec;
  while (reader.Read(&rec)) {
    ++nWhole;
    if (rec.nStatus == ST_INSTALLED) records.push_back(rec);
  }
  reader.Close();
  if (nWhole == 0) {
    Error(OVFormat(kOVSetEmpty, szFileName).c_str());
    return false;
  }
  std::string failed;
  int nFailed = 0;
  for (CondData& r : records) {
    r.nMark = 0;
    if (r.nPriority < 1 || r.nPriority > 5) r.nPriority = 2;
    // Without a creator or a library there is nothing to register; "false"
    // from an install is no failure when the conduit is there already.
    bool ok = r.szCreatorID[0] && r.szConduit[0] && InstallConduit(&r, true);
    if (!ok && r.szCreatorID[0] && r.szConduit[0]) {
      const CondData* pNow = m_pAppMgr->Find(r.szCreatorID, r.szConduit);
      ok = pNow && pNow->nStatus == ST_INSTALLED;
    }
    if (ok) continue;
    const char* szName = r.szTitle[0] ? r.szTitle : r.szConduit[0] ? r.szConduit : r.szCreatorID;
    // A dozen names say enough; the message box must stay on the screen.
    if (++nFailed <= 12) failed += (failed.empty() ? "\"" : ", \"") + OVPrintable(szName) + "\"";
  }
  if (nFailed > 12) failed += OVFormat(" and %d more", nFailed - 12);
  if (failed.empty()) {
    Info(kOVRestoreSetDone);
  } else if (m_ports.pPrompt) {
    m_ports.pPrompt->ShowWarning(OVFormat(kOVRestoreSetPartly, failed.c_str()).c_str(),
                                 "Information");
  }
  return true;
}

void OVTool::btnOVBackupClick() {
  std::string name;
  if (m_ports.pSets && m_ports.pSets->ChooseBackupSet(name)) BackupConduitSettings(name.c_str());
}

void OVTool::btnOVRestClick() {
  std::string name;
  if (m_ports.pSets && m_ports.pSets->ChooseRestoreSet(name)) RestoreConduitSettings(name.c_str());
}

// ---------------------------------------------------------------- the dialogs

void OVSetDialog::FillList() {
  for (BackupSetEntry* p = m_tool.GetFirstBackupSet(); p; p = m_tool.GetNextBackupSet()) {
    char szName[sizeof p->szFileName], szDesc[sizeof p->szDesc];
    OVCopyCut(szName, p->szFileName);
    OVCopyCut(szDesc, p->szDesc);
    m_view.AddRow(szName, m_tool.BackupTime(szName), szDesc);
  }
}

bool OVSetDialog::ChooseSelected() {
  const int nRow = m_view.SelectedRow();
  if (nRow < 0) {
    m_prompt.ShowError(kOVNoSetSelected);
    return false;
  }
  m_strChosen = m_view.RowFile(nRow);
  return true;
}

void OVBackupDlg::FormCreate() {
  m_view.SetNewFile(OVFormat("ovset%u.bak", static_cast<unsigned>(m_tool.GetBackupSetCount() + 1)));
  FillList();
  m_view.SetNewChosen(true);
  rbtnNewClick();
  if (m_view.RowCount() == 0) m_view.EnableExisting(false);
}

bool OVBackupDlg::btnOKClick() {
  if (!m_view.NewChosen()) return ChooseSelected();
  const std::string name = m_view.NewFile();
  std::string why;
  if (!OVTool::IsValidSetName(name.c_str(), &why)) {
    m_prompt.ShowError(OVFormat(kOVBadSetName, name.c_str(), why.c_str()).c_str());
    return false;
  }
  BackupSetEntry entry{};
  OVCopyCut(entry.szFileName, name.c_str());
  OVCopyCut(entry.szDesc, m_view.Desc().c_str());
  m_tool.AddBackupSet(entry);  // listed from now on, whatever the backup gives
  m_strChosen = entry.szFileName;
  return true;
}

void OVRestoreDlg::FormCreate() {
  FillList();
  if (m_view.RowCount() == 0) m_view.EnableOK(false);
}
