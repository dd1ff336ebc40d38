// Helpers shared by the conduit-model tests under Wine.
#pragma once

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "palm/CondMgr.h"
#include "support/PalmSandbox.h"

namespace condtest {

// A sample conduit copied into the sandbox under a name of the test's choosing.
inline std::string CopySample(const tdxtest::PalmSandbox& sb, const char* sample,
                              const std::string& as) {
  const std::string to = sb.File(as);
  if (!CopyFileA(tdxtest::PalmSandbox::BinFile(sample).c_str(), to.c_str(), FALSE)) return {};
  return to;
}

inline std::vector<CondData*> Records(CCondMgr& mgr) {
  std::vector<CondData*> out;
  for (CondData* p = mgr.GetFirst(); p; p = mgr.GetNext()) out.push_back(p);
  return out;
}

// A value's raw bytes and type, or false when it cannot be read.
inline bool RawValue(const std::string& key, const char* name, std::string* pBytes,
                     DWORD* pType = nullptr) {
  HKEY h;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
  char buf[1024];
  DWORD cb = sizeof buf, type = 0;
  const LONG rc = RegQueryValueExA(h, name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &cb);
  RegCloseKey(h);
  if (rc != ERROR_SUCCESS) return false;
  pBytes->assign(buf, cb);
  if (pType) *pType = type;
  return true;
}

inline std::string StringValue(const std::string& key, const char* name) {
  std::string s;
  if (!RawValue(key, name, &s)) return "<none>";
  return std::string(s.c_str());  // up to the terminator
}

inline long DwordValue(const std::string& key, const char* name) {
  std::string s;
  DWORD type = 0;
  if (!RawValue(key, name, &s, &type) || type != REG_DWORD || s.size() != 4) return -1;
  DWORD dw;
  std::memcpy(&dw, s.data(), 4);
  return static_cast<long>(dw);
}

inline std::string AppKey(int n) { return tdxtest::PalmSandbox::Numbered(PD_REG_APP_FMT, n); }

inline CondData MakeRecord(const char* creator, const std::string& conduit) {
  CondData r{};
  std::memcpy(r.szCreatorID, creator, std::strlen(creator) < 4 ? std::strlen(creator) : 4);
  std::strncpy(r.szConduit, conduit.c_str(), sizeof r.szConduit - 1);
  return r;
}

}  // namespace condtest
