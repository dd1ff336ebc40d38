// The stand-in libraries' store: small helpers over HKEY_CURRENT_USER that every
// stand-in shares. Every call opens its keys afresh, so whatever a test or the
// seeding tool wrote a moment ago is what the next call sees.
#pragma once

#include <windows.h>

#include <cstdint>
#include <limits>
#include <string>

#include "palm/PalmApi.h"

namespace pdstore {

// Longest text a stand-in accepts for any stored field (MAX_PATH with terminator).
constexpr size_t kMaxText = 259;

// "abcd" -> 0x61626364; false unless the text has exactly four characters.
bool CreatorFromText(const char* pText, uint32_t* pID);
void CreatorToText(uint32_t dwID, char szText[5]);

std::string KeyPath(const char* pFmt, int n);
bool KeyExists(const std::string& path);
// Number of keys fmt(0), fmt(1), ... before the first missing one.
int CountNumbered(const char* pFmt);

// Values of one key; false when the key or value is missing or of another type.
bool ReadString(const std::string& key, const char* pName, std::string* pOut);
bool ReadDword(const std::string& key, const char* pName, uint32_t* pOut);
bool WriteString(const std::string& key, const char* pName, const char* pValue);
bool WriteDword(const std::string& key, const char* pName, uint32_t dwValue);
bool DeleteValue(const std::string& key, const char* pName);
bool DeleteTree(const std::string& key);

// Removes fmt(n) and moves every later key down by one, so no gap is left.
bool RemoveNumbered(const char* pFmt, int n);

// Copies a text out under the in/out size rule: too small a buffer gets an
// empty text (when it has room for one), *pSize the size needed, and
// PD_ERR_TOO_SMALL. On success *pSize is the bytes written with the terminator.
template <typename Size>
int32_t PutText(const std::string& text, char* pBuf, Size* pSize) {
  if (!pBuf || !pSize) return PD_ERR_NOT_BOUND;
  const size_t need = text.size() + 1;
  if (*pSize <= 0 || static_cast<size_t>(*pSize) < need) {
    if (*pSize > 0) pBuf[0] = '\0';
    constexpr size_t kMax = static_cast<size_t>(std::numeric_limits<Size>::max());
    *pSize = static_cast<Size>(need > kMax ? kMax : need);
    return PD_ERR_TOO_SMALL;
  }
  text.copy(pBuf, text.size());
  pBuf[text.size()] = '\0';
  *pSize = static_cast<Size>(need);
  return PD_OK;
}

// A failed lookup still leaves the caller's buffer terminated.
template <typename Size>
int32_t FailText(int32_t rc, char* pBuf, Size* pSize) {
  if (pBuf && pSize && *pSize > 0) pBuf[0] = '\0';
  return rc;
}

inline bool TextOk(const char* p) { return p && std::char_traits<char>::length(p) <= kMaxText; }

}  // namespace pdstore
