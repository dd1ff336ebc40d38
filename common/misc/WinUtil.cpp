#include "misc/WinUtil.h"

#include "misc/DurableFile.h"

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

bool OpenHelpViewer(const char* szTopic) {
  if (!szTopic || !*szTopic) return false;
  const std::string args = std::string("\"") + szTopic + "\"";
  ShellExecuteA(nullptr, "open", "hh.exe", args.c_str(), "", SW_SHOWNORMAL);
  return true;
}

bool ReadWholeFile(const char* szPath, std::string* pBytes, uint64_t cbMax) {
  HANDLE h = CreateFileA(szPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size{};
  bool ok = GetFileSizeEx(h, &size) && static_cast<uint64_t>(size.QuadPart) <= cbMax &&
            static_cast<uint64_t>(size.QuadPart) < 0x7FFFFFFFu;
  if (ok) {
    pBytes->resize(static_cast<size_t>(size.QuadPart));
    DWORD cb = 0;
    ok = pBytes->empty() ||
         (ReadFile(h, pBytes->data(), static_cast<DWORD>(pBytes->size()), &cb, nullptr) &&
          cb == pBytes->size());
  }
  CloseHandle(h);
  return ok;
}

bool WriteWholeFile(const char* szPath, const void* pData, size_t cbData) {
  return WriteFileDurably(szPath, pData, cbData, HeldTarget::WriteOver);
}

SYSTEMTIME LocalTimeOf(int64_t nTime) {
  // FILETIME counts 100 ns steps from 1601.
  const uint64_t n = static_cast<uint64_t>(nTime + 11644473600LL) * 10000000ULL;
  FILETIME ft = {static_cast<DWORD>(n), static_cast<DWORD>(n >> 32)};
  SYSTEMTIME st = {};
  if (!FileTimeToLocal(ft, &st)) FileTimeToSystemTime(&ft, &st);
  return st;
}

std::string DirLock::NameFor(const char* szDirOrFile) {
  std::string dir = szDirOrFile ? szDirOrFile : "";
  // A file names its directory; a directory ends in a backslash.
  const size_t slash = dir.find_last_of("\\/");
  dir.resize(slash == std::string::npos ? 0 : slash);
  char szFull[MAX_PATH] = {};
  const DWORD n = GetFullPathNameA(dir.empty() ? "." : dir.c_str(), MAX_PATH, szFull, nullptr);
  if (n > 0 && n < MAX_PATH) dir = szFull;
  while (!dir.empty() && (dir.back() == '\\' || dir.back() == '/')) dir.pop_back();
  for (char& c : dir) c = c == '/' ? '\\' : c;
  if (!dir.empty()) CharUpperBuffA(&dir[0], static_cast<DWORD>(dir.size()));
  // FNV-1a: a backslash may not appear in the name, and the path may be long.
  uint64_t h = 1469598103934665603ULL;
  for (unsigned char c : dir) h = (h ^ c) * 1099511628211ULL;
  char szName[64];
  std::snprintf(szName, sizeof szName, "Tandelix.Files.%016llx", static_cast<unsigned long long>(h));
  return szName;
}

DirLock::DirLock(const char* szDirOrFile, unsigned nTimeoutMs) {
  m_hMutex = CreateMutexA(nullptr, FALSE, NameFor(szDirOrFile).c_str());
  if (!m_hMutex) return;
  const DWORD r = WaitForSingleObject(m_hMutex, nTimeoutMs);
  m_bHeld = r == WAIT_OBJECT_0 || r == WAIT_ABANDONED;
}

DirLock::~DirLock() {
  if (m_bHeld) ReleaseMutex(m_hMutex);
  if (m_hMutex) CloseHandle(m_hMutex);
}
