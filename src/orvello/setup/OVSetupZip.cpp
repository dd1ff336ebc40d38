#include "orvello/setup/OVSetupZip.h"

#include <cstring>
#include <set>

#include "orvello/setup/OVSetupPaths.h"
#include "unzip.h"
#include "zip.h"

namespace {

// A read-only stream over memory for minizip.
struct MemStream {
  const unsigned char* p = nullptr;
  uint64_t n = 0, pos = 0;
};

voidpf ZCALLBACK MemOpen(voidpf opaque, const void*, int mode) {
  return (mode & ZLIB_FILEFUNC_MODE_WRITE) ? nullptr : opaque;
}
uLong ZCALLBACK MemRead(voidpf, voidpf stream, void* buf, uLong size) {
  auto* s = static_cast<MemStream*>(stream);
  const uint64_t left = s->pos < s->n ? s->n - s->pos : 0;
  const uLong n = static_cast<uLong>(size < left ? size : left);
  if (n) std::memcpy(buf, s->p + s->pos, n);
  s->pos += n;
  return n;
}
uLong ZCALLBACK MemWrite(voidpf, voidpf, const void*, uLong) { return 0; }
ZPOS64_T ZCALLBACK MemTell(voidpf, voidpf stream) { return static_cast<MemStream*>(stream)->pos; }
long ZCALLBACK MemSeek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
  auto* s = static_cast<MemStream*>(stream);
  uint64_t base = 0;
  if (origin == ZLIB_FILEFUNC_SEEK_CUR)
    base = s->pos;
  else if (origin == ZLIB_FILEFUNC_SEEK_END)
    base = s->n;
  else if (origin != ZLIB_FILEFUNC_SEEK_SET)
    return -1;
  if (offset > s->n || base > s->n - offset) return -1;
  s->pos = base + offset;
  return 0;
}
int ZCALLBACK MemClose(voidpf, voidpf) { return 0; }
int ZCALLBACK MemError(voidpf, voidpf) { return 0; }

std::string UpperAscii(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return s;
}

bool Fail(std::string* pWhy, const std::string& why) {
  if (pWhy) *pWhy = why;
  return false;
}

std::string Named(const std::string& name) { return "the entry \"" + name + "\""; }

constexpr char kDamagedDirectory[] = "it is cut short or damaged: its ZIP directory cannot be read";

}  // namespace

// ---------------------------------------------------------------- reading

bool OVZipReader::Opened(void* zf, const std::string& head, std::string* pWhy) {
  if (zf) {
    m_zf = zf;
    return true;
  }
  // A local header at the start but no directory: the end is missing.
  if (head.size() >= 4 && head.compare(0, 4, "PK\x03\x04", 4) == 0)
    return Fail(pWhy, kDamagedDirectory);
  return Fail(pWhy, "it is not a ZIP file");
}

bool OVZipReader::Open(const std::string& strPath, std::string* pWhy) {
  Close();
  std::string head;
  if (std::FILE* f = std::fopen(strPath.c_str(), "rb")) {
    char sz[4];
    head.assign(sz, std::fread(sz, 1, sizeof sz, f));
    std::fclose(f);
  } else {
    return Fail(pWhy, "it cannot be opened");
  }
  zlib_filefunc64_def io;
  fill_fopen64_filefunc(&io);
  return Opened(unzOpen2_64(strPath.c_str(), &io), head, pWhy);
}

bool OVZipReader::OpenMemory(const void* pData, size_t cbData, std::string* pWhy) {
  Close();
  auto* s = new MemStream;
  s->p = static_cast<const unsigned char*>(pData);
  s->n = cbData;
  m_pMem = s;
  zlib_filefunc64_def io{};
  io.zopen64_file = MemOpen;
  io.zread_file = MemRead;
  io.zwrite_file = MemWrite;
  io.ztell64_file = MemTell;
  io.zseek64_file = MemSeek;
  io.zclose_file = MemClose;
  io.zerror_file = MemError;
  io.opaque = s;
  const std::string head(static_cast<const char*>(pData), cbData < 4 ? cbData : 4);
  return Opened(unzOpen2_64("", &io), head, pWhy);
}

void OVZipReader::Close() {
  if (m_zf) unzClose(m_zf);
  m_zf = nullptr;
  delete static_cast<MemStream*>(m_pMem);
  m_pMem = nullptr;
  m_entries.clear();
}

bool OVZipReader::Walk(std::string* pWhy) {
  m_entries.clear();
  if (!m_zf) return Fail(pWhy, "it is not open");
  std::set<std::string> names;
  uint64_t qwTotal = 0;
  int rc = unzGoToFirstFile(m_zf);
  while (rc == UNZ_OK) {
    if (m_entries.size() >= kOVZipMaxEntries)
      return Fail(pWhy, "it holds more than " + std::to_string(kOVZipMaxEntries) + " entries");
    unz_file_info64 info{};
    char szName[256] = {};
    if (unzGetCurrentFileInfo64(m_zf, &info, szName, sizeof szName, nullptr, 0, nullptr, 0) !=
        UNZ_OK)
      return Fail(pWhy, kDamagedDirectory);
    if (info.size_filename >= sizeof szName) return Fail(pWhy, "an entry's name is too long");
    OVZipEntry e;
    e.strName.assign(szName, info.size_filename);
    if (!e.strName.empty() && e.strName.back() == '/') {
      e.bDirectory = true;
      e.strName.pop_back();
    }
    const std::string why = OVCheckEntryName(e.strName);
    if (!why.empty()) return Fail(pWhy, Named(e.strName) + " cannot be used: " + why);
    if (info.flag & 1) return Fail(pWhy, Named(e.strName) + " is encrypted");
    if (info.compression_method != 0 && info.compression_method != Z_DEFLATED)
      return Fail(pWhy, Named(e.strName) + " is packed in a way this Tandelix cannot read");
    e.qwSize = info.uncompressed_size;
    e.qwCompressed = info.compressed_size;
    e.dwCrc = static_cast<uint32_t>(info.crc);
    if (e.bDirectory && e.qwSize != 0)
      return Fail(pWhy, Named(e.strName) + " is a folder with data");
    if (e.qwSize > kOVZipMaxEntrySize)
      return Fail(pWhy, Named(e.strName) + " is larger than " +
                            std::to_string(kOVZipMaxEntrySize >> 20) + " MB");
    if (info.compression_method == 0 && e.qwCompressed != e.qwSize)
      return Fail(pWhy, Named(e.strName) + " declares two sizes");
    if (e.qwSize > kOVZipRatioFloor &&
        (e.qwCompressed == 0 || e.qwSize / e.qwCompressed >= kOVZipMaxRatio))
      return Fail(pWhy, Named(e.strName) + " is packed more than " +
                            std::to_string(kOVZipMaxRatio) + " to 1");
    qwTotal += e.qwSize;
    if (qwTotal > kOVZipMaxTotal)
      return Fail(pWhy,
                  "its entries hold more than " + std::to_string(kOVZipMaxTotal >> 30) + " GB");
    if (!names.insert(UpperAscii(e.strName)).second)
      return Fail(pWhy, Named(e.strName) + " is there twice");
    unz64_file_pos pos{};
    if (unzGetFilePos64(m_zf, &pos) != UNZ_OK) return Fail(pWhy, kDamagedDirectory);
    e.qwPos[0] = pos.pos_in_zip_directory;
    e.qwPos[1] = pos.num_of_file;
    m_entries.push_back(std::move(e));
    rc = unzGoToNextFile(m_zf);
  }
  if (rc != UNZ_END_OF_LIST_OF_FILE) return Fail(pWhy, kDamagedDirectory);
  return true;
}

const OVZipEntry* OVZipReader::Find(const std::string& strName) const {
  const std::string key = UpperAscii(strName);
  for (const OVZipEntry& e : m_entries)
    if (!e.bDirectory && UpperAscii(e.strName) == key) return &e;
  return nullptr;
}

bool OVZipReader::Read(const OVZipEntry& e, const std::function<bool(const void*, size_t)>& sink,
                       std::string* pWhy, bool* pbStopped) {
  if (pbStopped) *pbStopped = false;
  if (!m_zf) return Fail(pWhy, "it is not open");
  unz64_file_pos pos{e.qwPos[0], e.qwPos[1]};
  if (unzGoToFilePos64(m_zf, &pos) != UNZ_OK || unzOpenCurrentFile(m_zf) != UNZ_OK)
    return Fail(pWhy, Named(e.strName) + " cannot be read");
  std::vector<char> buf(64 * 1024);
  uint64_t qwRead = 0;
  std::string why;
  for (;;) {
    const int n = unzReadCurrentFile(m_zf, buf.data(), static_cast<unsigned>(buf.size()));
    if (n < 0) {
      why = Named(e.strName) + " is damaged";
      break;
    }
    if (n == 0) break;
    qwRead += static_cast<unsigned>(n);
    if (qwRead > e.qwSize) {
      why = Named(e.strName) + " holds more than it declares";
      break;
    }
    if (!sink(buf.data(), static_cast<size_t>(n))) {
      if (pbStopped) *pbStopped = true;
      why = "stopped";
      break;
    }
  }
  const int rcClose = unzCloseCurrentFile(m_zf);
  if (!why.empty()) return Fail(pWhy, why);
  if (qwRead != e.qwSize) return Fail(pWhy, Named(e.strName) + " is shorter than it declares");
  if (rcClose == UNZ_CRCERROR) return Fail(pWhy, Named(e.strName) + " fails its CRC check");
  if (rcClose != UNZ_OK) return Fail(pWhy, Named(e.strName) + " is damaged");
  return true;
}

bool OVZipReader::ReadAll(const OVZipEntry& e, size_t cbMax, std::string* pOut, std::string* pWhy) {
  pOut->clear();
  if (e.qwSize > cbMax) return Fail(pWhy, Named(e.strName) + " is larger than allowed");
  pOut->reserve(static_cast<size_t>(e.qwSize));
  return Read(
      e,
      [&](const void* p, size_t n) {
        pOut->append(static_cast<const char*>(p), n);
        return true;
      },
      pWhy);
}

// ---------------------------------------------------------------- writing

bool OVZipWriter::Create(const std::string& strPath) {
  Abandon();
  zlib_filefunc64_def io;
  fill_fopen64_filefunc(&io);
  m_zf = zipOpen2_64(strPath.c_str(), APPEND_STATUS_CREATE, nullptr, &io);
  m_bFailed = m_zf == nullptr;
  return !m_bFailed;
}

bool OVZipWriter::Begin(const std::string& strName, uint64_t qwSize, uint32_t dwDosTime,
                        int nLevel) {
  if (!m_zf || m_bFailed || m_bInEntry) return m_bFailed = true, false;
  zip_fileinfo zi{};
  zi.dosDate = dwDosTime;
  if (!dwDosTime) zi.tmz_date = tm_zip{0, 0, 0, 1, 0, 1980};
  // Bit 11: the name is UTF-8.
  const int rc =
      zipOpenNewFileInZip4_64(m_zf, strName.c_str(), &zi, nullptr, 0, nullptr, 0, nullptr,
                              Z_DEFLATED, nLevel, 0, -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY,
                              nullptr, 0, 0, 1 << 11, qwSize >= 0xFFFFFFFFull ? 1 : 0);
  if (rc != ZIP_OK) return m_bFailed = true, false;
  m_bInEntry = true;
  return true;
}

bool OVZipWriter::Write(const void* p, size_t cb) {
  if (!m_bInEntry || m_bFailed) return false;
  const char* pc = static_cast<const char*>(p);
  while (cb > 0) {
    const unsigned n = cb > (1u << 30) ? (1u << 30) : static_cast<unsigned>(cb);
    if (zipWriteInFileInZip(m_zf, pc, n) != ZIP_OK) return m_bFailed = true, false;
    pc += n;
    cb -= n;
  }
  return true;
}

bool OVZipWriter::End() {
  if (!m_bInEntry) return false;
  m_bInEntry = false;
  if (zipCloseFileInZip(m_zf) != ZIP_OK) m_bFailed = true;
  return !m_bFailed;
}

bool OVZipWriter::Close() {
  if (!m_zf) return false;
  if (m_bInEntry) End();
  const int rc = zipClose(m_zf, nullptr);
  m_zf = nullptr;
  return rc == ZIP_OK && !m_bFailed;
}

void OVZipWriter::Abandon() {
  if (!m_zf) return;
  if (m_bInEntry) zipCloseFileInZip(m_zf);
  zipClose(m_zf, nullptr);
  m_zf = nullptr;
  m_bInEntry = false;
}

uint32_t OVDosTime(int nYear, int nMonth, int nDay, int nHour, int nMinute, int nSecond) {
  if (nYear < 1980 || nYear > 2107 || nMonth < 1 || nMonth > 12 || nDay < 1 || nDay > 31) return 0;
  const uint32_t date = static_cast<uint32_t>(((nYear - 1980) << 9) | (nMonth << 5) | nDay);
  const uint32_t time = static_cast<uint32_t>((nHour << 11) | (nMinute << 5) | (nSecond / 2));
  return (date << 16) | time;
}
