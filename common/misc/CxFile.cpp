#include "misc/CxFile.h"

#include <cstring>

#include "misc/Diag.h"

namespace {

void PutLE32(unsigned char* b, uint32_t v) {
  b[0] = static_cast<unsigned char>(v);
  b[1] = static_cast<unsigned char>(v >> 8);
  b[2] = static_cast<unsigned char>(v >> 16);
  b[3] = static_cast<unsigned char>(v >> 24);
}

int32_t GetLE32(const unsigned char* b) {
  return static_cast<int32_t>(static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
                              static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24);
}

}  // namespace

bool CxFile::Open(const char* szFileName, const char* szMode) {
  if (!szFileName || !*szFileName || !szMode || !*szMode) return false;
  m_fp = std::fopen(szFileName, szMode);
  return m_fp != nullptr;
}

bool CxFile::Close() {
  if (m_fp) std::fclose(m_fp);
  m_fp = nullptr;
  return true;
}

bool CxFile::Seek(long nOffset, SeekOrigin nOrigin) {
  if (!TDX_VERIFY(m_fp)) return false;
  static const int origins[] = {SEEK_SET, SEEK_CUR, SEEK_END};
  if (nOrigin < SeekStart || nOrigin > SeekEnd) return false;
  return std::fseek(m_fp, nOffset, origins[nOrigin]) == 0;
}

bool CxFile::ReadInt(int32_t* piVal) {
  if (!TDX_VERIFY(m_fp && piVal)) return false;
  unsigned char b[4];
  if (std::fread(b, 1, 4, m_fp) != 4) return false;
  *piVal = GetLE32(b);
  return true;
}

bool CxFile::ReadString(char* szBuf, size_t cbBuf, int32_t* pnLen) {
  if (!TDX_VERIFY(m_fp&&szBuf)) return false;
  unsigned char b[4];
  if (std::fread(b, 1, 4, m_fp) != 4) {
    if (cbBuf) szBuf[0] = '\0';
    return false;
  }
  const int32_t n = GetLE32(b);
  if (pnLen) *pnLen = n;
  if (n == 0) return true;
  if (n < 0) return false;  // corrupt: nothing more is read, the buffer stays
  if (static_cast<uint32_t>(n) >= cbBuf) {
    if (cbBuf) szBuf[0] = '\0';
    return false;
  }
  if (std::fread(szBuf, 1, static_cast<size_t>(n), m_fp) != static_cast<size_t>(n)) {
    szBuf[0] = '\0';
    return false;
  }
  szBuf[n] = '\0';
  return true;
}

bool CxFile::WriteInt(int32_t nVal) {
  if (!TDX_VERIFY(m_fp)) return false;
  unsigned char b[4];
  PutLE32(b, static_cast<uint32_t>(nVal));
  return std::fwrite(b, 1, 4, m_fp) == 4;
}

bool CxFile::WriteString(const char* szText) {
  if (!TDX_VERIFY(m_fp)) return false;
  const size_t n = szText ? std::strlen(szText) : 0;
  if (n > 0x7FFFFFFF) return false;
  unsigned char b[4];
  PutLE32(b, static_cast<uint32_t>(n));
  if (std::fwrite(b, 1, 4, m_fp) != 4) return false;
  return n == 0 || std::fwrite(szText, 1, n, m_fp) == n;
}
