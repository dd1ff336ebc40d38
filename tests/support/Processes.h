// Processes of one executable, by file name or by full path, to tell
// whether a run left any behind (Windows tests only). Other tests may run
// programs of the same name at the same time: a full path of a copy of the
// test's own tells them apart.
#pragma once

#include <windows.h>

#include <tlhelp32.h>

#include <string>

namespace tdxtest {

inline size_t CountProcesses(const std::string& exe) {
  const size_t slash = exe.find_last_of('\\');
  const std::string name = slash == std::string::npos ? exe : exe.substr(slash + 1);
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return static_cast<size_t>(-1);
  size_t n = 0;
  PROCESSENTRY32 pe{};
  pe.dwSize = sizeof pe;
  for (BOOL ok = Process32First(snap, &pe); ok; ok = Process32Next(snap, &pe)) {
    if (lstrcmpiA(pe.szExeFile, name.c_str()) != 0) continue;
    if (slash == std::string::npos) {
      ++n;
      continue;
    }
    HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pe.th32ProcessID);
    if (!h) continue;  // gone meanwhile
    char sz[MAX_PATH];
    DWORD cch = sizeof sz;
    if (QueryFullProcessImageNameA(h, 0, sz, &cch) && lstrcmpiA(sz, exe.c_str()) == 0) ++n;
    CloseHandle(h);
  }
  CloseHandle(snap);
  return n;
}

// The count once it has dropped to zero, or what it still is after the wait:
// a process told to end may take a moment to be gone.
inline size_t ProcessesLeft(const std::string& exeName, DWORD nMillis = 10000) {
  const DWORD t0 = GetTickCount();
  size_t n;
  while ((n = CountProcesses(exeName)) != 0 && GetTickCount() - t0 < nMillis) Sleep(50);
  return n;
}

}  // namespace tdxtest
