#include "orvello/OVHistory.h"

#include <cstring>
#include <string>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

void PutLE32(std::string& out, uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
  out += static_cast<char>((v >> 16) & 0xFF);
  out += static_cast<char>((v >> 24) & 0xFF);
}

bool ReadLE32(std::FILE* fp, int32_t* pValue) {
  unsigned char b[4];
  if (std::fread(b, 1, 4, fp) != 4) return false;
  *pValue = static_cast<int32_t>(uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 |
                                 uint32_t{b[3]} << 24);
  return true;
}

template <size_t N>
void PutString(std::string& out, const char (&field)[N]) {
  const size_t n = strnlen(field, N);
  PutLE32(out, static_cast<uint32_t>(n));
  out.append(field, n);
}

template <size_t N>
void CopyCut(char (&field)[N], const char* sz) {
  std::memset(field, 0, N);
  if (!sz) return;
  const size_t n = strnlen(sz, N - 1);
  std::memcpy(field, sz, n);
}

bool Truncate(std::FILE* fp, long nLength) {
  std::fflush(fp);
#ifdef _WIN32
  return _chsize(_fileno(fp), nLength) == 0;
#else
  return ftruncate(fileno(fp), nLength) == 0;
#endif
}

long FileSize(std::FILE* fp) {
  if (std::fseek(fp, 0, SEEK_END) != 0) return -1;
  return std::ftell(fp);
}

// Reads one length-prefixed string into a field; the part that does not fit
// is skipped. False for a negative length or one past the end (nLeft bytes).
template <size_t N>
bool ReadString(std::FILE* fp, char (&field)[N], long& nLeft) {
  int32_t n = 0;
  if (nLeft < 4 || !ReadLE32(fp, &n)) return false;
  nLeft -= 4;
  if (n < 0 || n > nLeft) return false;
  const size_t nKeep = static_cast<size_t>(n) < N ? static_cast<size_t>(n) : N - 1;
  if (std::fread(field, 1, nKeep, fp) != nKeep) return false;
  field[nKeep] = '\0';
  if (static_cast<size_t>(n) > nKeep &&
      std::fseek(fp, static_cast<long>(static_cast<size_t>(n) - nKeep), SEEK_CUR) != 0)
    return false;
  nLeft -= n;
  return true;
}

}  // namespace

void OVMakeLogEntry(OVLogEntry* pEntry, const char* szFileName, const char* szName,
                    const char* szVersion, int32_t nTime, int32_t nKind) {
  if (!pEntry) return;
  CopyCut(pEntry->szFileName, szFileName);
  CopyCut(pEntry->szName, szName);
  CopyCut(pEntry->szVersion, szVersion);
  pEntry->nTime = nTime;
  pEntry->nKind = nKind;
}

bool OVAppendHistory(const char* szPath, const OVLogEntry& entry) {
  if (!szPath || !*szPath) return false;
  std::FILE* fp = std::fopen(szPath, "r+b");
  if (!fp) {
    // Create it only when it is not there: an existing history we may not
    // write is never emptied.
    if (std::FILE* probe = std::fopen(szPath, "rb")) {
      std::fclose(probe);
      return false;
    }
    fp = std::fopen(szPath, "w+b");
    if (!fp) return false;
  }

  std::string record;
  PutString(record, entry.szFileName);
  PutString(record, entry.szName);
  PutString(record, entry.szVersion);
  PutLE32(record, static_cast<uint32_t>(entry.nTime));
  PutLE32(record, static_cast<uint32_t>(entry.nKind));

  bool ok = true;
  int32_t nCount = 0;
  long nEnd = FileSize(fp);
  if (nEnd < 0) ok = false;
  if (ok && nEnd >= 4) {
    ok = std::fseek(fp, 0, SEEK_SET) == 0 && ReadLE32(fp, &nCount);
  } else if (ok) {
    // New, or too short to hold even the count: start an empty history.
    std::string head;
    PutLE32(head, 0);
    ok = Truncate(fp, 0) && std::fseek(fp, 0, SEEK_SET) == 0 &&
         std::fwrite(head.data(), 1, 4, fp) == 4 && std::fflush(fp) == 0;
    nEnd = 4;
  }
  if (!ok) {
    std::fclose(fp);
    return false;
  }
  if (nCount < 0) nCount = 0;

  // The record first: until the count changes, readers do not look at it.
  ok = std::fseek(fp, nEnd, SEEK_SET) == 0 &&
       std::fwrite(record.data(), 1, record.size(), fp) == record.size() && std::fflush(fp) == 0;
  if (!ok) {
    Truncate(fp, nEnd);
    std::fclose(fp);
    return false;
  }
  std::string count;
  PutLE32(count, static_cast<uint32_t>(nCount == INT32_MAX ? nCount : nCount + 1));
  ok = std::fseek(fp, 0, SEEK_SET) == 0 && std::fwrite(count.data(), 1, 4, fp) == 4 &&
       std::fflush(fp) == 0;
  if (!ok) Truncate(fp, nEnd);
  if (std::fclose(fp) != 0) ok = false;
  return ok;
}

void OVReadHistory(std::FILE* fp, std::vector<OVLogEntry>* pEntries) {
  if (!fp || !pEntries) return;
  const long nStart = std::ftell(fp);
  const long nSize = FileSize(fp);
  if (nStart < 0 || nSize < nStart || std::fseek(fp, nStart, SEEK_SET) != 0) return;
  long nLeft = nSize - nStart;
  int32_t nCount = 0;
  if (nLeft < 4 || !ReadLE32(fp, &nCount)) return;
  nLeft -= 4;
  for (int32_t i = 0; i < nCount; ++i) {
    OVLogEntry e{};
    if (!ReadString(fp, e.szFileName, nLeft) || !ReadString(fp, e.szName, nLeft) ||
        !ReadString(fp, e.szVersion, nLeft) || nLeft < 8 || !ReadLE32(fp, &e.nTime) ||
        !ReadLE32(fp, &e.nKind))
      return;
    nLeft -= 8;
    pEntries->push_back(e);
  }
}

bool OVReadHistory(const char* szPath, std::vector<OVLogEntry>* pEntries) {
  if (!szPath || !*szPath) return false;
  std::FILE* fp = std::fopen(szPath, "rb");
  if (!fp) return false;
  OVReadHistory(fp, pEntries);
  std::fclose(fp);
  return true;
}
