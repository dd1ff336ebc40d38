// The ZIP side of a HotSync set-up file, on minizip: a writer that adds
// files one at a time, and a reader that walks every entry with fixed bounds
// before anything is extracted and reads an entry only up to the size its
// directory declares, checking its CRC. Every name, size and count the ZIP
// gives is untrusted. Portable: the walk is fuzzed natively.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

inline constexpr size_t kOVZipMaxEntries = 120000;
inline constexpr uint64_t kOVZipMaxEntrySize = 1ull << 30;  // 1 GiB uncompressed
inline constexpr uint64_t kOVZipMaxTotal = 8ull << 30;      // all entries together
inline constexpr uint64_t kOVZipMaxRatio = 200;             // uncompressed : compressed
inline constexpr uint64_t kOVZipRatioFloor = 1ull << 20;    // smaller entries may pack tighter

struct OVZipEntry {
  std::string strName;  // as stored (UTF-8 when the ZIP says so), without a trailing '/'
  bool bDirectory = false;
  uint64_t qwSize = 0, qwCompressed = 0;
  uint32_t dwCrc = 0;
  uint64_t qwPos[2] = {};  // where its directory record is
};

class OVZipReader {
 public:
  OVZipReader() = default;
  ~OVZipReader() { Close(); }
  OVZipReader(const OVZipReader&) = delete;
  OVZipReader& operator=(const OVZipReader&) = delete;

  // False with why when it is not a ZIP at all or is cut short.
  bool Open(const std::string& strPath, std::string* pWhy);
  // The same over bytes in memory, which must outlive the reader.
  bool OpenMemory(const void* pData, size_t cbData, std::string* pWhy);
  void Close();

  // Walks the whole directory: every name passes OVCheckEntryName, no name
  // twice (ignoring case), no encryption, only stored or deflated entries,
  // each size, the total, the count and the packing ratio within the bounds.
  // False with the first problem.
  bool Walk(std::string* pWhy);
  const std::vector<OVZipEntry>& Entries() const { return m_entries; }
  // The entry of that name, ignoring the case of ASCII letters; null if none.
  const OVZipEntry* Find(const std::string& strName) const;

  // Hands the entry's bytes to sink in pieces (sink returns false to stop,
  // then *pbStopped is set). False with why when the entry is damaged, longer
  // or shorter than declared, or fails its CRC.
  bool Read(const OVZipEntry& e, const std::function<bool(const void*, size_t)>& sink,
            std::string* pWhy, bool* pbStopped = nullptr);
  // The whole entry in memory, refused when it declares more than cbMax.
  bool ReadAll(const OVZipEntry& e, size_t cbMax, std::string* pOut, std::string* pWhy);

 private:
  bool Opened(void* zf, const std::string& head, std::string* pWhy);

  void* m_zf = nullptr;
  void* m_pMem = nullptr;  // the memory stream, when over memory
  std::vector<OVZipEntry> m_entries;
};

class OVZipWriter {
 public:
  OVZipWriter() = default;
  ~OVZipWriter() { Abandon(); }
  OVZipWriter(const OVZipWriter&) = delete;
  OVZipWriter& operator=(const OVZipWriter&) = delete;

  bool Create(const std::string& strPath);
  // Starts an entry; names are UTF-8 (the ZIP says so). qwSize, as far as it
  // is known, decides whether the entry needs ZIP64 fields. dwDosTime: the
  // file's time in MS-DOS form (0 for none).
  bool Begin(const std::string& strName, uint64_t qwSize, uint32_t dwDosTime, int nLevel = 6);
  bool Write(const void* p, size_t cb);
  bool End();
  // Writes the directory and closes; false when anything on the way failed.
  bool Close();
  // Closes without caring (the caller removes the file).
  void Abandon();

 private:
  void* m_zf = nullptr;
  bool m_bInEntry = false;
  bool m_bFailed = false;
};

// MS-DOS date and time of a calendar time (1980 to 2107; 0 outside).
uint32_t OVDosTime(int nYear, int nMonth, int nDay, int nHour, int nMinute, int nSecond);
