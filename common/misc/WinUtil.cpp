#include "misc/WinUtil.h"

#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

bool GetModuleDir(HMODULE hModule, char* szBuf) {
  if (!szBuf) return false;
  char szPath[MAX_PATH] = {};
  GetModuleFileNameA(hModule, szPath, MAX_PATH);
  szPath[MAX_PATH - 1] = '\0';
  char szDrive[_MAX_DRIVE] = {}, szDir[_MAX_DIR] = {};
  _splitpath(szPath, szDrive, szDir, nullptr, nullptr);
  std::snprintf(szBuf, MAX_PATH, "%s%s", szDrive, szDir);
  return true;
}

bool GetFileVersion(const char* szPath, int* pMajor, int* pMinor, int* pBuild, int* pRevision) {
  int dummy[4];
  int* out[4] = {pMajor ? pMajor : &dummy[0], pMinor ? pMinor : &dummy[1],
                 pBuild ? pBuild : &dummy[2], pRevision ? pRevision : &dummy[3]};
  for (int* p : out) *p = 0;
  if (!szPath || !*szPath) return false;
  DWORD dwHandle = 0;
  const DWORD cb = GetFileVersionInfoSizeA(szPath, &dwHandle);
  if (cb == 0) return false;
  std::vector<char> block(cb);
  VS_FIXEDFILEINFO* pInfo = nullptr;
  UINT cbInfo = 0;
  if (!GetFileVersionInfoA(szPath, 0, cb, block.data()) ||
      !VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&pInfo), &cbInfo) || !pInfo ||
      cbInfo < sizeof(VS_FIXEDFILEINFO))
    return false;
  *out[0] = HIWORD(pInfo->dwFileVersionMS);
  *out[1] = LOWORD(pInfo->dwFileVersionMS);
  *out[2] = HIWORD(pInfo->dwFileVersionLS);
  *out[3] = LOWORD(pInfo->dwFileVersionLS);
  return true;
}

bool FileTimeToLocal(const FILETIME& utc, SYSTEMTIME* pLocal) {
  SYSTEMTIME st = {};
  if (!pLocal || !FileTimeToSystemTime(&utc, &st)) return false;
  // The zone's rules for that date, year by year where the zone has them;
  // never today's offset applied to another season.
  DYNAMIC_TIME_ZONE_INFORMATION dtzi = {};
  TIME_ZONE_INFORMATION tzi = {};
  if (GetDynamicTimeZoneInformation(&dtzi) != TIME_ZONE_ID_INVALID &&
      GetTimeZoneInformationForYear(st.wYear, &dtzi, &tzi) &&
      SystemTimeToTzSpecificLocalTime(&tzi, &st, pLocal))
    return true;
  return SystemTimeToTzSpecificLocalTime(nullptr, &st, pLocal) != 0;
}

bool GetFileTimeAsLocal(const char* szPath, int nWhich, SYSTEMTIME* pTime) {
  if (!pTime || nWhich < FT_CREATION || nWhich > FT_LAST_WRITE || !szPath) return false;
  // Attributes only, sharing everything: a scanner or a backup program that
  // holds the file open does not hide its times.
  HANDLE h = CreateFileA(szPath, FILE_READ_ATTRIBUTES,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  FILETIME ft[3] = {};
  const bool bRead = GetFileTime(h, &ft[0], &ft[1], &ft[2]) != 0;
  CloseHandle(h);
  return bRead && FileTimeToLocal(ft[nWhich], pTime);
}

bool GetFileCreationTime(const char* szPath, SYSTEMTIME* pTime) {
  return GetFileTimeAsLocal(szPath, FT_CREATION, pTime);
}

bool OpenWithShell(const char* szTarget) {
  if (!szTarget || !*szTarget) return false;
  ShellExecuteA(nullptr, "open", szTarget, "", "", SW_SHOWNORMAL);
  return true;
}

bool WriteWholeFile(const char* szPath, const void* pData, size_t cbData) {
  if (!szPath || !*szPath || (!pData && cbData)) return false;
  std::string temp = std::string(szPath) + ".tmp";
  if (temp.size() >= MAX_PATH) {
    // Every name we write is longer than this one, so it fits where the target does.
    const char* slash = std::strrchr(szPath, '\\');
    temp = std::string(szPath, slash ? static_cast<size_t>(slash - szPath + 1) : 0) + "~tdx.tmp";
  }
  SetFileAttributesA(temp.c_str(), FILE_ATTRIBUTE_NORMAL);  // a stale one may be read-only
  DeleteFileA(temp.c_str());
  std::FILE* f = std::fopen(temp.c_str(), "wb");
  if (!f) return false;
  bool ok = cbData == 0 || std::fwrite(pData, 1, cbData, f) == cbData;
  if (std::fclose(f) != 0) ok = false;
  if (ok) {
    for (int i = 0; i < 3; ++i) {
      if (MoveFileExA(temp.c_str(), szPath, MOVEFILE_REPLACE_EXISTING)) return true;
      Sleep(20);
    }
    // A reader (a browser, a viewer) holds the target open and forbids
    // replacing it, but may let it be written over.
    ok = CopyFileA(temp.c_str(), szPath, FALSE) != 0;
  }
  DeleteFileA(temp.c_str());
  return ok;
}

SYSTEMTIME LocalTimeOf(int64_t nTime) {
  // FILETIME counts 100 ns steps from 1601.
  const uint64_t n = static_cast<uint64_t>(nTime + 11644473600LL) * 10000000ULL;
  FILETIME ft = {static_cast<DWORD>(n), static_cast<DWORD>(n >> 32)};
  SYSTEMTIME st = {};
  if (!FileTimeToLocal(ft, &st)) FileTimeToSystemTime(&ft, &st);
  return st;
}
