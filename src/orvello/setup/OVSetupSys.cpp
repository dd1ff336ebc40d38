#include "orvello/setup/OVSetupSys.h"

#include <windows.h>
#include <wincrypt.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "misc/DurableFile.h"
#include "orvello/setup/OVSetupPaths.h"

std::string OVAnsiToUtf8(const std::string& s) {
  if (s.empty()) return s;
  const int n = MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  if (n <= 0) return {};
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  const int m = WideCharToMultiByte(CP_UTF8, 0, w.data(), n, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(m > 0 ? m : 0), '\0');
  if (m > 0) WideCharToMultiByte(CP_UTF8, 0, w.data(), n, out.data(), m, nullptr, nullptr);
  return out;
}

std::string OVUtf8ToAnsi(const std::string& s) {
  if (s.empty()) return s;
  const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  if (n <= 0) return std::string(s.size(), '?');
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  // No best fit: a full-width dot or slash must not become '.' or '\' in a path.
  const int m =
      WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w.data(), n, nullptr, 0, "?", nullptr);
  std::string out(static_cast<size_t>(m > 0 ? m : 0), '\0');
  if (m > 0)
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w.data(), n, out.data(), m, "?", nullptr);
  return out;
}

// ---------------------------------------------------------------- SHA-256

namespace {

// The provider, acquired once: acquiring it costs far more than a hash of a
// small file, and an export or import hashes thousands.
HCRYPTPROV Provider() {
  static HCRYPTPROV s_hProv = [] {
    HCRYPTPROV h = 0;
    if (!CryptAcquireContextA(&h, nullptr, nullptr, PROV_RSA_AES,
                              CRYPT_VERIFYCONTEXT | CRYPT_SILENT))
      h = 0;
    return h;
  }();
  return s_hProv;
}

}  // namespace

OVSha256::OVSha256() {
  HCRYPTHASH hHash = 0;
  const HCRYPTPROV hProv = Provider();
  if (!hProv || !CryptCreateHash(hProv, CALG_SHA_256, 0, 0, &hHash)) m_bFailed = true;
  m_hHash = hHash;
}

OVSha256::~OVSha256() {
  if (m_hHash) CryptDestroyHash(static_cast<HCRYPTHASH>(m_hHash));
}

bool OVSha256::Update(const void* p, size_t cb) {
  const BYTE* pb = static_cast<const BYTE*>(p);
  while (!m_bFailed && cb > 0) {
    const DWORD n = cb > (1u << 30) ? (1u << 30) : static_cast<DWORD>(cb);
    if (!CryptHashData(static_cast<HCRYPTHASH>(m_hHash), pb, n, 0)) m_bFailed = true;
    pb += n;
    cb -= n;
  }
  return !m_bFailed;
}

std::string OVSha256::Final() {
  BYTE digest[32];
  DWORD cb = sizeof digest;
  if (m_bFailed ||
      !CryptGetHashParam(static_cast<HCRYPTHASH>(m_hHash), HP_HASHVAL, digest, &cb, 0) ||
      cb != sizeof digest)
    return {};
  m_bFailed = true;  // a hash is finished once
  static const char kDigits[] = "0123456789abcdef";
  std::string s;
  for (BYTE b : digest) {
    s += kDigits[b >> 4];
    s += kDigits[b & 15];
  }
  return s;
}

std::string OVSha256Of(const std::string& bytes) {
  OVSha256 h;
  h.Update(bytes.data(), bytes.size());
  return h.Final();
}

// ---------------------------------------------------------------- files

bool OVIsFile(const std::string& path) {
  const DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool OVIsDir(const std::string& path) {
  const DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool OVHashFile(const std::string& path, std::string* pSha, uint64_t* pSize) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  OVSha256 sha;
  std::vector<char> buf(256 * 1024);
  uint64_t total = 0;
  bool ok = true;
  for (;;) {
    DWORD cb = 0;
    if (!ReadFile(h, buf.data(), static_cast<DWORD>(buf.size()), &cb, nullptr)) {
      ok = false;
      break;
    }
    if (cb == 0) break;
    total += cb;
    sha.Update(buf.data(), cb);
  }
  CloseHandle(h);
  if (!ok) return false;
  *pSha = sha.Final();
  if (pSize) *pSize = total;
  return !pSha->empty();
}

namespace {

uint32_t DosTimeOf(const FILETIME& ft) {
  WORD wDate = 0, wTime = 0;
  FILETIME local;
  if (!FileTimeToLocalFileTime(&ft, &local) || !FileTimeToDosDateTime(&local, &wDate, &wTime))
    return 0;
  return (static_cast<uint32_t>(wDate) << 16) | wTime;
}

bool ListInto(const std::string& base, const std::string& rel, size_t nMax, int nDepth,
              std::vector<OVFoundFile>* pOut, std::string* pWhy) {
  if (nDepth > 32) {
    *pWhy = "its folders nest deeper than 32";
    return false;
  }
  const std::string dir = rel.empty() ? base : base + "\\" + rel;
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) {
    if (GetLastError() == ERROR_FILE_NOT_FOUND) return true;
    *pWhy = "the folder \"" + dir + "\" cannot be read";
    return false;
  }
  std::vector<WIN32_FIND_DATAA> found;
  do {
    if (std::strcmp(fd.cFileName, ".") && std::strcmp(fd.cFileName, "..")) found.push_back(fd);
  } while (FindNextFileA(h, &fd));
  FindClose(h);
  std::sort(found.begin(), found.end(), [](const WIN32_FIND_DATAA& a, const WIN32_FIND_DATAA& b) {
    return lstrcmpiA(a.cFileName, b.cFileName) < 0;
  });
  for (const WIN32_FIND_DATAA& f : found) {
    const std::string child = rel.empty() ? f.cFileName : rel + "\\" + f.cFileName;
    if (f.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;  // a link elsewhere
    if (f.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (!ListInto(base, child, nMax, nDepth + 1, pOut, pWhy)) return false;
      continue;
    }
    if (pOut->size() >= nMax) {
      *pWhy = "it holds more than " + std::to_string(nMax) + " files";
      return false;
    }
    pOut->push_back({child, (static_cast<uint64_t>(f.nFileSizeHigh) << 32) | f.nFileSizeLow,
                     DosTimeOf(f.ftLastWriteTime)});
  }
  return true;
}

}  // namespace

bool OVListFiles(const std::string& dir, size_t nMax, std::vector<OVFoundFile>* pOut,
                 std::string* pWhy) {
  pOut->clear();
  std::string why;
  const bool ok = ListInto(dir, "", nMax, 0, pOut, &why);
  if (!ok && pWhy) *pWhy = why;
  return ok;
}

bool OVFolderHoldsNoFile(const std::string& dir) {
  std::vector<OVFoundFile> files;
  std::string why;
  return OVIsDir(dir) && OVListFiles(dir, 1, &files, &why) && files.empty();
}

bool OVRemoveEmptyFolder(const std::string& dir) {
  if (!OVFolderHoldsNoFile(dir)) return false;
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
          !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && std::strcmp(fd.cFileName, ".") &&
          std::strcmp(fd.cFileName, ".."))
        OVRemoveEmptyFolder(dir + "\\" + fd.cFileName);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
  }
  return RemoveDirectoryA(dir.c_str()) != 0;
}

std::string OVDirOf(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool OVMakeDirs(const std::string& dir, std::vector<std::string>* pMade) {
  if (dir.empty() || OVIsDir(dir)) return !dir.empty();
  const std::string parent = OVDirOf(dir);
  // A drive root ("C:") is there or not; nothing to make.
  if (parent.empty() || (parent.size() == 2 && parent[1] == ':')) {
    if (!CreateDirectoryA(dir.c_str(), nullptr)) return false;
    if (pMade) pMade->push_back(dir);
    return true;
  }
  if (!OVMakeDirs(parent, pMade)) return false;
  if (!CreateDirectoryA(dir.c_str(), nullptr)) return OVIsDir(dir);
  if (pMade) pMade->push_back(dir);
  return true;
}

bool OVWriteWhole(const std::string& path, const std::string& bytes) {
  return WriteFileDurably(path.c_str(), bytes.data(), bytes.size());
}

bool OVCopyWhole(const std::string& from, const std::string& to) {
  const std::string temp = DurableTempPath(to.c_str());
  SetFileAttributesA(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(temp.c_str());
  if (!CopyFileA(from.c_str(), temp.c_str(), FALSE)) return false;
  SetFileAttributesA(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
  return CommitTempFile(temp.c_str(), to.c_str());
}

std::string OVComputerName() {
  char sz[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD n = sizeof sz;
  if (!GetComputerNameA(sz, &n)) return "this PC";
  return std::string(sz, n);
}

std::string OVUtcStamp() {
  SYSTEMTIME t;
  GetSystemTime(&t);
  char sz[32];
  std::snprintf(sz, sizeof sz, "%04u-%02u-%02uT%02u:%02u:%02uZ", t.wYear, t.wMonth, t.wDay, t.wHour,
                t.wMinute, t.wSecond);
  return sz;
}

std::string OVLocalDate() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  char sz[16];
  std::snprintf(sz, sizeof sz, "%04u-%02u-%02u", t.wYear, t.wMonth, t.wDay);
  return sz;
}

std::string OVLibraryFullPath(const std::string& lib, const std::string& desktop) {
  if (lib.empty() || lib.find_first_of("\\/:") != std::string::npos) return lib;
  return OVJoinPath(desktop, lib);
}
