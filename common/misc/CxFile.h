// A file with typed reads and writes: 32-bit little-endian integers and strings
// stored as a 32-bit length followed by the characters (no terminator).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

class CxFile {
 public:
  enum SeekOrigin { SeekStart = 0, SeekCurrent = 1, SeekEnd = 2 };

  CxFile() = default;
  virtual ~CxFile() { Close(); }
  CxFile(const CxFile&) = delete;
  CxFile& operator=(const CxFile&) = delete;

  // Opens with the standard open call ("rb", "wb", "r+b"). An open stream is not
  // closed first: callers close before reopening.
  bool Open(const char* szFileName, const char* szMode);
  bool Close();
  bool IsOpen() const { return m_fp != nullptr; }
  bool Seek(long nOffset, SeekOrigin nOrigin);

  // False on a missing stream or target and on a short read; a short read leaves
  // *piVal unchanged.
  bool ReadInt(int32_t* piVal);
  // Reads one string into szBuf (cbBuf bytes) and its stored length into *pnLen.
  // A stored length of 0 leaves szBuf as it was. A length that does not fit
  // cbBuf with its terminator, a negative length or a file that ends early fail
  // the read: false, szBuf[0] terminated, nothing written past cbBuf.
  bool ReadString(char* szBuf, size_t cbBuf, int32_t* pnLen = nullptr);
  bool WriteInt(int32_t nVal);
  bool WriteString(const char* szText);

 private:
  FILE* m_fp = nullptr;
};
