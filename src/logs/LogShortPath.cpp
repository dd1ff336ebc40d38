#include "logs/LogShortPath.h"

#ifdef _WIN32
#include <windows.h>

bool HVGetShortPath(const char* pszPath, std::string& strShort) {
  char sz[MAX_PATH];
  const DWORD n = GetShortPathNameA(pszPath, sz, sizeof sz);
  if (n == 0 || n >= sizeof sz) return false;  // no such file, or too long to hold
  strShort.assign(sz, n);
  return true;
}
#else
bool HVGetShortPath(const char*, std::string&) { return false; }
#endif
