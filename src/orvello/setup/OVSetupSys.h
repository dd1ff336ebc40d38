// The Windows services export and import share: texts between the ANSI code
// page and UTF-8, SHA-256 through CryptoAPI, walking and hashing files,
// making folders, writing a file whole through a temporary one, the
// computer's name and the time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

std::string OVAnsiToUtf8(const std::string& s);
// Characters the code page lacks become '?' (never a look-alike).
std::string OVUtf8ToAnsi(const std::string& s);

// SHA-256 of the system's own provider.
class OVSha256 {
 public:
  OVSha256();
  ~OVSha256();
  OVSha256(const OVSha256&) = delete;
  OVSha256& operator=(const OVSha256&) = delete;
  bool Update(const void* p, size_t cb);
  // 64 lower-case hex digits; empty when the provider failed.
  std::string Final();

 private:
  uintptr_t m_hHash = 0;
  bool m_bFailed = false;
};
std::string OVSha256Of(const std::string& bytes);

bool OVIsFile(const std::string& path);
bool OVIsDir(const std::string& path);
// SHA-256 and size of a file; false when it cannot be read.
bool OVHashFile(const std::string& path, std::string* pSha, uint64_t* pSize = nullptr);

struct OVFoundFile {
  std::string strRel;  // below the folder, '\' between parts
  uint64_t qwSize = 0;
  uint32_t dwDosTime = 0;
};
// Every file below a folder, in name order; links to other places are not
// followed. False (with why) beyond nMax files or when the folder cannot be read.
bool OVListFiles(const std::string& dir, size_t nMax, std::vector<OVFoundFile>* pOut,
                 std::string* pWhy);
// True when a folder holds no file at any depth (empty folders are fine).
bool OVFolderHoldsNoFile(const std::string& dir);
// Removes a folder holding no file, with its empty sub-folders.
bool OVRemoveEmptyFolder(const std::string& dir);

// Makes a folder and its missing parents; the ones made, outermost first,
// are appended to pMade.
bool OVMakeDirs(const std::string& dir, std::vector<std::string>* pMade);
// The folder part of a path ("" for a bare name).
std::string OVDirOf(const std::string& path);

// Writes bytes to a file through a temporary file beside it, moved over it.
bool OVWriteWhole(const std::string& path, const std::string& bytes);
// Copies a file over another through a temporary file beside the target.
bool OVCopyWhole(const std::string& from, const std::string& to);

std::string OVComputerName();
// "2025-05-20T10:11:12Z" now, and the local date "2025-05-20".
std::string OVUtcStamp();
std::string OVLocalDate();
// A full path of a registered library: a bare name is the Palm Desktop
// directory's.
std::string OVLibraryFullPath(const std::string& lib, const std::string& desktop);
