#include "shell/Settings.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "misc/DurableFile.h"
#include "misc/WinUtil.h"

std::string SettingsPath(const char* szModuleDir) {
  return std::string(szModuleDir ? szModuleDir : "") + kSettingsFile;
}

void ReadSettingsFile(const char* szPath, TdxSettings& s, BackupSetList* pSets) {
  s.nSkinType = static_cast<int>(GetPrivateProfileIntA("Tandelix", "SkinType", 0, szPath));
  s.dwLastUserID = GetPrivateProfileIntA("Tandelix", "UserID", 0, szPath);
  if (!pSets) return;
  int nCount = static_cast<int>(GetPrivateProfileIntA("OVFile", "Count", 0, szPath));
  if (nCount > kMaxBackupSets) nCount = kMaxBackupSets;
  for (int n = 1; n <= nCount; ++n) {
    auto* pEntry = new BackupSetEntry{};
    char szKey[32];
    std::snprintf(szKey, sizeof(szKey), "OVSet%d", n);
    // 259: the file name keeps at most 258 characters.
    GetPrivateProfileStringA("OVFile", szKey, "", pEntry->szFileName, 259, szPath);
    std::snprintf(szKey, sizeof(szKey), "OVDesc%d", n);
    GetPrivateProfileStringA("OVFile", szKey, "", pEntry->szDesc, sizeof(pEntry->szDesc), szPath);
    if (!pSets->Add(pEntry)) delete pEntry;
  }
}

namespace {

// Sets another program listed in the file since it was read join the list:
// neither program removes sets, so the union loses nothing.
void MergeListedSets(const char* szPath, BackupSetList* pSets) {
  BackupSetList theirs;
  TdxSettings ignored;
  ReadSettingsFile(szPath, ignored, &theirs);
  for (BackupSetEntry* t = theirs.GetFirst(); t; t = theirs.GetNext()) {
    bool bListed = false;
    for (BackupSetEntry* p = pSets->GetFirst(); p && !bListed; p = pSets->GetNext())
      bListed = std::strncmp(p->szFileName, t->szFileName, sizeof p->szFileName) == 0;
    if (bListed || pSets->GetCount() >= static_cast<uint32_t>(kMaxBackupSets)) continue;
    auto* pCopy = new BackupSetEntry(*t);
    if (!pSets->Add(pCopy)) delete pCopy;
  }
}

bool WriteSettings(const char* szPath, const TdxSettings* pSettings, BackupSetList* pSets) {
  if (!szPath || !*szPath) return false;
  // The console tool writes the same file: read, merged and written as one step.
  DirLock lock(szPath);
  if (!lock.Held()) return false;
  if (pSets) MergeListedSets(szPath, pSets);
  const std::string temp = DurableTempPath(szPath);
  SetFileAttributesA(temp.c_str(), FILE_ATTRIBUTE_NORMAL);  // a stale one from a crash
  DeleteFileA(temp.c_str());
  if (!CopyFileA(szPath, temp.c_str(), FALSE)) {
    // No old file to start from is fine; one that cannot be read is not.
    if (GetFileAttributesA(szPath) != INVALID_FILE_ATTRIBUTES) return false;
  }
  const char* szTemp = temp.c_str();
  bool ok = true;
  auto put = [&](const char* szSection, const char* szKey, const char* szValue) {
    if (ok) ok = WritePrivateProfileStringA(szSection, szKey, szValue, szTemp) != 0;
  };
  char szVal[32];
  if (pSettings) {
    std::snprintf(szVal, sizeof(szVal), "%d", pSettings->nSkinType);
    put("Tandelix", "SkinType", szVal);
    std::snprintf(szVal, sizeof(szVal), "%d", static_cast<int32_t>(pSettings->dwLastUserID));
    put("Tandelix", "UserID", szVal);
  }
  const unsigned nCount = pSets ? pSets->GetCount() : 0;
  std::snprintf(szVal, sizeof(szVal), "%d", static_cast<int>(nCount));
  put("OVFile", "Count", szVal);
  if (pSets) {
    int n = 1;
    for (BackupSetEntry* p = pSets->GetFirst(); p; p = pSets->GetNext(), ++n) {
      char szKey[32];
      // The fields are zero-filled records, but never trust the terminator.
      char szText[260];
      std::snprintf(szKey, sizeof(szKey), "OVSet%d", n);
      std::snprintf(szText, sizeof(szText), "%.*s", static_cast<int>(sizeof(p->szFileName) - 1),
                    p->szFileName);
      put("OVFile", szKey, szText);
      std::snprintf(szKey, sizeof(szKey), "OVDesc%d", n);
      std::snprintf(szText, sizeof(szText), "%.*s", static_cast<int>(sizeof(p->szDesc) - 1),
                    p->szDesc);
      put("OVFile", szKey, szText);
    }
  }
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, szTemp);  // flush the cache
  if (!ok) {
    DeleteFileA(szTemp);
    return false;
  }
  return CommitTempFile(szTemp, szPath);
}

}  // namespace

bool WriteSettingsFile(const char* szPath, const TdxSettings& s, BackupSetList* pSets) {
  return WriteSettings(szPath, &s, pSets);
}

bool WriteBackupSetList(const char* szPath, BackupSetList* pSets) {
  return pSets && WriteSettings(szPath, nullptr, pSets);
}
