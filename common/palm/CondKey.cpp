#include "palm/CondKey.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "palm/PalmApi.h"
#include "palm/PalmDesktop.h"
#include "palm/SyncGuard.h"

namespace {

// Palm Desktop's answer for a creator it holds already; the stand-in's is
// PD_ERR_EXISTS.
constexpr int32_t kCreatorInUse = -1005;

bool SameAsciiNoCase(const std::string& a, const char* b) {
  const size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i) {
    char c = a[i], d = b[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    if (d >= 'a' && d <= 'z') d = static_cast<char>(d - 32);
    if (c != d) return false;
  }
  return true;
}

// Palm's convention: the first character in the most significant byte.
uint32_t CreatorNumber(const char* sz) {
  uint32_t dw = 0;
  for (int i = 0; i < 4; ++i) dw = (dw << 8) | static_cast<unsigned char>(sz[i]);
  return dw;
}

}  // namespace

const RegValue* RegKeyValues::Find(const char* szName) const {
  for (const RegValue& v : values)
    if (SameAsciiNoCase(v.strName, szName)) return &v;
  return nullptr;
}

bool ReadRegKeyValues(const std::string& strKey, RegKeyValues* pOut) {
  if (!pOut) return false;
  pOut->values.clear();
  HKEY h;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, strKey.c_str(), 0, KEY_QUERY_VALUE, &h) != ERROR_SUCCESS)
    return false;
  DWORD nValues = 0, cchMaxName = 0, cbMaxData = 0;
  bool ok = RegQueryInfoKeyA(h, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &nValues,
                             &cchMaxName, &cbMaxData, nullptr, nullptr) == ERROR_SUCCESS &&
            cbMaxData <= kRegValueMaxBytes;
  std::vector<char> name(cchMaxName + 2);
  std::vector<char> data(cbMaxData + 1);
  for (DWORD i = 0; ok; ++i) {
    DWORD cchName = static_cast<DWORD>(name.size()), dwType = 0;
    DWORD cb = static_cast<DWORD>(data.size());
    const LONG rc = RegEnumValueA(h, i, name.data(), &cchName, nullptr, &dwType,
                                  reinterpret_cast<BYTE*>(data.data()), &cb);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc == ERROR_MORE_DATA && cb <= kRegValueMaxBytes && cchName < 16384) {
      // Grown since the key was asked: once more with room for it.
      name.resize(16385);
      data.resize(cb + 1);
      --i;
      continue;
    }
    if (rc != ERROR_SUCCESS)
      ok = false;
    else
      pOut->values.push_back(
          RegValue{std::string(name.data(), cchName), dwType, std::string(data.data(), cb)});
  }
  RegCloseKey(h);
  if (!ok) pOut->values.clear();
  return ok;
}

bool WriteRegKeyValues(const std::string& strKey, const RegKeyValues& key, bool bExact) {
  HKEY h;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, strKey.c_str(), 0, nullptr, 0,
                      KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &h, nullptr) != ERROR_SUCCESS)
    return false;
  bool ok = true;
  if (bExact) {
    RegKeyValues now;
    ok = ReadRegKeyValues(strKey, &now);
    for (const RegValue& v : now.values)
      if (ok && !key.Find(v.strName.c_str()))
        ok = RegDeleteValueA(h, v.strName.c_str()) == ERROR_SUCCESS;
  }
  std::string buf;
  for (const RegValue& v : key.values) {
    if (!ok) break;
    // The data is handed over with a non-zero byte after it: given a zero
    // there, the system may store a string's terminator that was never part
    // of the value.
    buf.assign(v.bytes);
    buf.push_back('#');
    ok =
        v.bytes.size() <= kRegValueMaxBytes &&
        RegSetValueExA(h, v.strName.c_str(), 0, v.dwType, reinterpret_cast<const BYTE*>(buf.data()),
                       static_cast<DWORD>(v.bytes.size())) == ERROR_SUCCESS;
  }
  RegCloseKey(h);
  return ok;
}

std::vector<CondKeyRef> ListConduitKeys() {
  std::vector<CondKeyRef> keys;
  for (int n = 0; n < 0x7FFF; ++n) {
    char szKey[128];
    std::snprintf(szKey, sizeof szKey, PD_REG_APP_FMT, n);
    HKEY h;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, szKey, 0, KEY_QUERY_VALUE, &h) != ERROR_SUCCESS) break;
    CondKeyRef ref;
    ref.nIndex = n;
    ref.strKey = szKey;
    DWORD dwType = 0, dw = 0, cb = sizeof dw;
    if (RegQueryValueExA(h, "Creator", nullptr, &dwType, reinterpret_cast<BYTE*>(&dw), &cb) ==
            ERROR_SUCCESS &&
        dwType == REG_DWORD && cb == sizeof dw)
      ref.dwCreator = dw;
    char szConduit[MAX_PATH + 1] = {};
    cb = MAX_PATH;
    if (RegQueryValueExA(h, "Conduit", nullptr, &dwType, reinterpret_cast<BYTE*>(szConduit), &cb) ==
            ERROR_SUCCESS &&
        (dwType == REG_SZ || dwType == REG_EXPAND_SZ))
      ref.strConduit.assign(szConduit, strnlen(szConduit, cb <= MAX_PATH ? cb : MAX_PATH));
    RegCloseKey(h);
    keys.push_back(ref);
  }
  return keys;
}

std::vector<CondKeyRef> ConduitKeysOf(const char* szCreatorID) {
  std::vector<CondKeyRef> mine;
  if (!szCreatorID || strnlen(szCreatorID, 5) != 4) return mine;
  const uint32_t dw = CreatorNumber(szCreatorID);
  for (CondKeyRef& k : ListConduitKeys())
    if (k.dwCreator == dw) mine.push_back(std::move(k));
  return mine;
}

bool SnapshotCreator(const char* szCreatorID, std::vector<CondRegistration>* pOut) {
  pOut->clear();
  for (const CondKeyRef& k : ConduitKeysOf(szCreatorID)) {
    CondRegistration reg;
    reg.strConduit = k.strConduit;
    if (!ReadRegKeyValues(k.strKey, &reg.values)) {
      pOut->clear();
      return false;
    }
    pOut->push_back(std::move(reg));
  }
  return true;
}

bool PutBackCondKey(const char* szCreatorID, const CondRegistration& reg) {
  if (!szCreatorID || strnlen(szCreatorID, 5) != 4) return false;
  const size_t nBefore = ListConduitKeys().size();
  std::string key;
  PdRegChange::Changed();
  const int32_t rc = CmInstallCreator(szCreatorID, PD_CONDUIT_APPLICATION);
  if (rc == PD_OK) {
    const std::vector<CondKeyRef> keys = ListConduitKeys();
    if (keys.size() != nBefore + 1 || keys.back().dwCreator != CreatorNumber(szCreatorID))
      return false;
    key = keys.back().strKey;
  } else if (rc == PD_ERR_EXISTS || rc == kCreatorInUse) {
    char sz[128];
    std::snprintf(sz, sizeof sz, PD_REG_APP_FMT, static_cast<int>(nBefore));
    key = sz;
  } else {
    return false;
  }
  return WriteRegKeyValues(key, reg.values, true);
}

bool RestoreCreatorKeys(const char* szCreatorID, const std::vector<CondRegistration>& regs) {
  // Bounded: a manager that keeps answering 1 must not keep this going.
  for (size_t n = ListConduitKeys().size() + 1; n > 0; --n) {
    PdRegChange::Changed();
    if (CmRemoveConduitByCreatorID(szCreatorID) != 1) break;
  }
  if (!ConduitKeysOf(szCreatorID).empty()) return false;
  bool ok = true;
  for (const CondRegistration& reg : regs) ok = PutBackCondKey(szCreatorID, reg) && ok;
  return ok;
}
