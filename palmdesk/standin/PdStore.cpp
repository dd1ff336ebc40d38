#include "PdStore.h"

#include <cstdio>
#include <vector>

namespace pdstore {

bool CreatorFromText(const char* pText, uint32_t* pID) {
  if (!pText) return false;
  for (int i = 0; i < 4; ++i)
    if (!pText[i]) return false;
  if (pText[4]) return false;
  if (pID) *pID = PdFourCC(pText[0], pText[1], pText[2], pText[3]);
  return true;
}

void CreatorToText(uint32_t dwID, char szText[5]) {
  for (int i = 0; i < 4; ++i) szText[i] = static_cast<char>((dwID >> (24 - 8 * i)) & 0xFF);
  szText[4] = '\0';
}

std::string KeyPath(const char* pFmt, int n) {
  char sz[512];
  std::snprintf(sz, sizeof sz, pFmt, n);
  return sz;
}

bool KeyExists(const std::string& path) {
  HKEY h;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
    return false;
  RegCloseKey(h);
  return true;
}

int CountNumbered(const char* pFmt) {
  int n = 0;
  while (n < 0x7FFF && KeyExists(KeyPath(pFmt, n))) ++n;
  return n;
}

bool ReadString(const std::string& key, const char* pName, std::string* pOut) {
  HKEY h;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
    return false;
  DWORD dwType = 0, cb = 0;
  LONG rc = RegQueryValueExA(h, pName, nullptr, &dwType, nullptr, &cb);
  bool bOk = false;
  if (rc == ERROR_SUCCESS && (dwType == REG_SZ || dwType == REG_EXPAND_SZ) && cb <= 65536) {
    std::vector<char> buf(cb + 1, '\0');
    rc = RegQueryValueExA(h, pName, nullptr, &dwType, reinterpret_cast<BYTE*>(buf.data()), &cb);
    if (rc == ERROR_SUCCESS && cb < buf.size()) {
      // Stored with or without terminator: the text ends at the first NUL.
      buf[cb] = '\0';
      pOut->assign(buf.data());
      bOk = true;
    }
  }
  RegCloseKey(h);
  return bOk;
}

bool ReadDword(const std::string& key, const char* pName, uint32_t* pOut) {
  HKEY h;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
    return false;
  DWORD dwType = 0, dw = 0, cb = sizeof dw;
  const LONG rc = RegQueryValueExA(h, pName, nullptr, &dwType, reinterpret_cast<BYTE*>(&dw), &cb);
  RegCloseKey(h);
  if (rc != ERROR_SUCCESS || dwType != REG_DWORD || cb != sizeof dw) return false;
  *pOut = dw;
  return true;
}

static bool WriteValue(const std::string& key, const char* pName, DWORD dwType, const void* p,
                       DWORD cb) {
  HKEY h;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h,
                      nullptr) != ERROR_SUCCESS)
    return false;
  const LONG rc = RegSetValueExA(h, pName, 0, dwType, static_cast<const BYTE*>(p), cb);
  RegCloseKey(h);
  return rc == ERROR_SUCCESS;
}

bool WriteString(const std::string& key, const char* pName, const char* pValue) {
  return WriteValue(key, pName, REG_SZ, pValue,
                    static_cast<DWORD>(std::char_traits<char>::length(pValue) + 1));
}

bool WriteDword(const std::string& key, const char* pName, uint32_t dwValue) {
  DWORD dw = dwValue;
  return WriteValue(key, pName, REG_DWORD, &dw, sizeof dw);
}

bool DeleteValue(const std::string& key, const char* pName) {
  HKEY h;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_WRITE, &h) != ERROR_SUCCESS)
    return false;
  const LONG rc = RegDeleteValueA(h, pName);
  RegCloseKey(h);
  return rc == ERROR_SUCCESS;
}

bool DeleteTree(const std::string& key) {
  const LONG rc = RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
  if (rc != ERROR_SUCCESS) return false;
  // RegDeleteTree leaves the key itself in some versions; remove it too.
  RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
  return !KeyExists(key);
}

// Copies every value and subkey of src into dst.
static bool CopyTree(HKEY hSrc, HKEY hDst) {
  std::vector<char> name(16384);
  std::vector<BYTE> data(65536 + 1);
  for (DWORD i = 0;; ++i) {
    DWORD cchName = static_cast<DWORD>(name.size()), dwType = 0, cb = 65536;
    const LONG rc = RegEnumValueA(hSrc, i, name.data(), &cchName, nullptr, &dwType, data.data(), &cb);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc != ERROR_SUCCESS) return false;
    // A zero after the data would let the system add a terminator a string
    // stored without one never had: the copy keeps every byte as it was.
    data[cb] = '#';
    if (RegSetValueExA(hDst, name.data(), 0, dwType, data.data(), cb) != ERROR_SUCCESS) return false;
  }
  for (DWORD i = 0;; ++i) {
    DWORD cchName = static_cast<DWORD>(name.size());
    const LONG rc = RegEnumKeyExA(hSrc, i, name.data(), &cchName, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc != ERROR_SUCCESS) return false;
    HKEY hS, hD;
    if (RegOpenKeyExA(hSrc, name.data(), 0, KEY_READ, &hS) != ERROR_SUCCESS) return false;
    if (RegCreateKeyExA(hDst, name.data(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hD, nullptr) !=
        ERROR_SUCCESS) {
      RegCloseKey(hS);
      return false;
    }
    const bool bOk = CopyTree(hS, hD);
    RegCloseKey(hS);
    RegCloseKey(hD);
    if (!bOk) return false;
  }
  return true;
}

bool RemoveNumbered(const char* pFmt, int n) {
  if (!DeleteTree(KeyPath(pFmt, n))) return false;
  for (int j = n + 1; KeyExists(KeyPath(pFmt, j)); ++j) {
    HKEY hS, hD;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, KeyPath(pFmt, j).c_str(), 0, KEY_READ, &hS) !=
        ERROR_SUCCESS)
      return false;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, KeyPath(pFmt, j - 1).c_str(), 0, nullptr, 0,
                        KEY_ALL_ACCESS, nullptr, &hD, nullptr) != ERROR_SUCCESS) {
      RegCloseKey(hS);
      return false;
    }
    const bool bOk = CopyTree(hS, hD);
    RegCloseKey(hS);
    RegCloseKey(hD);
    if (!bOk || !DeleteTree(KeyPath(pFmt, j))) return false;
  }
  return true;
}

}  // namespace pdstore
