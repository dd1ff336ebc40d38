#include "logs/LogFile.h"

#include <sys/stat.h>

#include <string>

#include "logs/LogReader.h"

const char HV_HTML_LOG_FORMAT[] = "%s\\%s\\HotSyncLog.htm";
const char HV_PLAIN_LOG_FORMAT[] = "%s\\%s\\HotSync.Log";

bool HVFormLogPath(char* szPath, const char* pszFormat, const char* pszDesktopDir,
                   const char* pszUserDir) {
  const int n = std::snprintf(szPath, HV_PATH_SIZE, pszFormat, pszDesktopDir ? pszDesktopDir : "",
                              pszUserDir ? pszUserDir : "");
  if (n < 0 || static_cast<size_t>(n) >= HV_PATH_SIZE) {
    szPath[0] = '\0';
    return false;
  }
  return true;
}

static std::string NativePath(const char* pszPath) {
  std::string s(pszPath);
#ifndef _WIN32
  for (char& c : s)
    if (c == '\\') c = '/';
#endif
  return s;
}

static bool IsRegularFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && (st.st_mode & S_IFMT) != S_IFDIR;
}

std::FILE* HVOpenForReading(const char* pszPath) {
  const std::string path = NativePath(pszPath);
  // A directory may open for reading but holds no log.
  if (!IsRegularFile(path)) return nullptr;
  return std::fopen(path.c_str(), "rb");
}

bool HVFileExists(const char* pszPath) { return IsRegularFile(NativePath(pszPath)); }

bool HVDirExists(const char* pszPath) {
  std::string path = NativePath(pszPath);
  // "C:\Palm\" is the directory "C:\Palm"; a root keeps its separator.
  while (path.size() > 1 && (path.back() == '/' || path.back() == '\\') &&
         !(path.size() == 3 && path[1] == ':'))
    path.pop_back();
  struct stat st;
  return stat(path.c_str(), &st) == 0 && (st.st_mode & S_IFMT) == S_IFDIR;
}
