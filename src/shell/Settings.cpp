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

bool WriteSettingsFile(const char* szPath, const TdxSettings& s, BackupSetList* pSets) {
  if (!szPath || !*szPath) return false;
  const std::string temp = std::string(szPath) + ".tmp";
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
  std::snprintf(szVal, sizeof(szVal), "%d", s.nSkinType);
  put("Tandelix", "SkinType", szVal);
  std::snprintf(szVal, sizeof(szVal), "%d", static_cast<int32_t>(s.dwLastUserID));
  put("Tandelix", "UserID", szVal);
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
  if (ok) ok = MoveFileExA(szTemp, szPath, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  if (!ok) DeleteFileA(szTemp);
  return ok;
}
