// The Palm Desktop registry as one text (every key and value under the root,
// sorted), to compare before and after an operation; and the stand-in
// HotSync library's switch and refresh count.
#pragma once

#include <windows.h>

#include <map>
#include <string>

#include "palm/PalmApi.h"

namespace tdxtest {

inline void DumpKey(HKEY hParent, const std::string& path,
                    std::map<std::string, std::string>& out) {
  HKEY h;
  if (RegOpenKeyExA(hParent, path.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return;
  for (DWORD i = 0;; ++i) {
    char name[512];
    BYTE data[2048];
    DWORD cbName = sizeof name, cbData = sizeof data, type = 0;
    if (RegEnumValueA(h, i, name, &cbName, nullptr, &type, data, &cbData) != ERROR_SUCCESS) break;
    out[path + "|" + name] =
        std::to_string(type) + ":" + std::string(reinterpret_cast<char*>(data), cbData);
  }
  for (DWORD i = 0;; ++i) {
    char sub[512];
    DWORD cb = sizeof sub;
    if (RegEnumKeyExA(h, i, sub, &cb, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    DumpKey(hParent, path + "\\" + sub, out);
  }
  RegCloseKey(h);
}

inline std::map<std::string, std::string> PalmRegistry() {
  std::map<std::string, std::string> out;
  DumpKey(HKEY_CURRENT_USER, PD_REG_ROOT, out);
  return out;
}

inline void SetHotSyncRunning(bool bRunning) {
  HKEY h;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, PD_REG_HOTSYNC, 0, nullptr, 0, KEY_WRITE, nullptr, &h,
                      nullptr) != ERROR_SUCCESS)
    return;
  const DWORD dw = bRunning ? 1 : 0;
  RegSetValueExA(h, "SyncStatus", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dw), sizeof dw);
  RegCloseKey(h);
}

// How often HsRefreshConduitInfo was called.
inline DWORD HotSyncRefreshes() {
  DWORD dw = 0, cb = sizeof dw;
  RegGetValueA(HKEY_CURRENT_USER, PD_REG_HOTSYNC, "Refreshes", RRF_RT_REG_DWORD, nullptr, &dw, &cb);
  return dw;
}

}  // namespace tdxtest
