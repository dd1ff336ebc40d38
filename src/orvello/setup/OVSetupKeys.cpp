#include "orvello/setup/OVSetupKeys.h"

#include <windows.h>

#include <cstring>

#include "palm/PalmDesktop.h"

std::string OVCreatorText(uint32_t dw) {
  std::string s(4, ' ');
  for (int i = 0; i < 4; ++i)
    s[static_cast<size_t>(i)] = static_cast<char>((dw >> (24 - 8 * i)) & 0xFF);
  return s;
}

uint32_t OVCreatorOf(const std::vector<RegValue>& values) {
  for (const RegValue& v : values)
    if (lstrcmpiA(v.strName.c_str(), "Creator") == 0 && v.dwType == REG_DWORD &&
        v.bytes.size() == 4) {
      uint32_t dw = 0;
      std::memcpy(&dw, v.bytes.data(), 4);
      return dw;
    }
  return 0;
}

std::string OVRegText(const RegKeyValues& key, const char* szName) {
  const RegValue* v = key.Find(szName);
  if (!v || (v->dwType != REG_SZ && v->dwType != REG_EXPAND_SZ)) return {};
  return v->bytes.substr(0, v->bytes.find('\0'));
}

bool OVSameValues(const RegKeyValues& a, const RegKeyValues& b) {
  if (a.values.size() != b.values.size()) return false;
  for (const RegValue& v : a.values) {
    const RegValue* w = b.Find(v.strName.c_str());
    if (!w || !(*w == v)) return false;
  }
  return true;
}

std::vector<RegKeyValues> OVAllConduitKeys() {
  std::vector<RegKeyValues> keys;
  for (const CondKeyRef& r : ListConduitKeys()) {
    RegKeyValues k;
    ReadRegKeyValues(r.strKey, &k);
    keys.push_back(std::move(k));
  }
  return keys;
}

std::string OVBackupConduit() {
  char sz[260] = {};
  int32_t cb = sizeof sz;
  if (CmGetBackupConduit(sz, &cb) != 0) return {};
  sz[sizeof sz - 1] = '\0';
  return sz;
}

namespace {

std::string UserText(uint32_t id, int32_t (*fn)(uint32_t, char*, uint16_t*)) {
  char sz[256] = {};
  uint16_t cb = sizeof sz;
  fn(id, sz, &cb);
  sz[sizeof sz - 1] = '\0';
  return sz;
}

}  // namespace

std::string OVUserName(uint32_t dwUserID) { return UserText(dwUserID, UmGetUserName); }
std::string OVUserDirectory(uint32_t dwUserID) { return UserText(dwUserID, UmGetUserDirectory); }
