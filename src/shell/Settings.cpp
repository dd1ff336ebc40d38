#include "shell/Settings.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

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

void WriteSettingsFile(const char* szPath, const TdxSettings& s, BackupSetList* pSets) {
  char szVal[32];
  std::snprintf(szVal, sizeof(szVal), "%d", s.nSkinType);
  WritePrivateProfileStringA("Tandelix", "SkinType", szVal, szPath);
  std::snprintf(szVal, sizeof(szVal), "%d", static_cast<int32_t>(s.dwLastUserID));
  WritePrivateProfileStringA("Tandelix", "UserID", szVal, szPath);
  const unsigned nCount = pSets ? pSets->GetCount() : 0;
  std::snprintf(szVal, sizeof(szVal), "%d", static_cast<int>(nCount));
  WritePrivateProfileStringA("OVFile", "Count", szVal, szPath);
  if (!pSets) return;
  int n = 1;
  for (BackupSetEntry* p = pSets->GetFirst(); p; p = pSets->GetNext(), ++n) {
    char szKey[32];
    // The fields are zero-filled records, but never trust the terminator.
    char szText[260];
    std::snprintf(szKey, sizeof(szKey), "OVSet%d", n);
    std::snprintf(szText, sizeof(szText), "%.*s", static_cast<int>(sizeof(p->szFileName) - 1),
                  p->szFileName);
    WritePrivateProfileStringA("OVFile", szKey, szText, szPath);
    std::snprintf(szKey, sizeof(szKey), "OVDesc%d", n);
    std::snprintf(szText, sizeof(szText), "%.*s", static_cast<int>(sizeof(p->szDesc) - 1),
                  p->szDesc);
    WritePrivateProfileStringA("OVFile", szKey, szText, szPath);
  }
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, szPath);  // flush the cache
}
