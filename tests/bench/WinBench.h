// What the Windows benchmarks share: registry values written the stand-ins'
// way, and one console tool run timed as a whole process.
#pragma once

#include <windows.h>

#include <chrono>
#include <string>

namespace winbench {

using Clock = std::chrono::steady_clock;

inline void SetString(const std::string& key, const char* name, const std::string& value) {
  HKEY h;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h,
                      nullptr))
    return;
  RegSetValueExA(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>(value.size() + 1));
  RegCloseKey(h);
}

inline void SetDword(const std::string& key, const char* name, DWORD value) {
  HKEY h;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h,
                      nullptr))
    return;
  RegSetValueExA(h, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
  RegCloseKey(h);
}

// Milliseconds from CreateProcess to the end of "<exe> <args>", started in
// dir with its output in a file there.
inline double RunMs(const std::string& exe, const std::string& args, const std::string& dir,
                    DWORD* pExit) {
  SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
  // A file of its own each time: Wine may still hold the last one a moment.
  static int s_nRun = 0;
  HANDLE hOut = CreateFileA((dir + "\\out" + std::to_string(++s_nRun) + ".txt").c_str(),
                            GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr);
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = hOut;
  si.hStdError = hOut;
  PROCESS_INFORMATION pi = {};
  std::string cmd = "\"" + exe + "\" " + args;
  const auto t0 = Clock::now();
  if (!CreateProcessA(exe.c_str(), cmd.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                      dir.c_str(), &si, &pi)) {
    CloseHandle(hOut);
    return -1;
  }
  WaitForSingleObject(pi.hProcess, INFINITE);
  const auto t1 = Clock::now();
  GetExitCodeProcess(pi.hProcess, pExit);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  CloseHandle(hOut);
  return std::chrono::duration<double, std::milli>(t1 - t0).count();
}

}  // namespace winbench
