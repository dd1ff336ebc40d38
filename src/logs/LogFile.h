// Opening the HotSync log files. Paths are formed the Windows way, with
// backslashes; elsewhere a backslash is taken as the directory separator.
#pragma once

#include <cstdio>

extern const char HV_HTML_LOG_FORMAT[];   // "%s\\%s\\HotSyncLog.htm"
extern const char HV_PLAIN_LOG_FORMAT[];  // "%s\\%s\\HotSync.Log"

// Forms one of the log paths in szPath (HV_PATH_SIZE bytes). False, with szPath
// empty, when the path does not fit: a cut path could name another file.
bool HVFormLogPath(char* szPath, const char* pszFormat, const char* pszDesktopDir,
                   const char* pszUserDir);

// Opens a file for reading as bytes; null when it cannot be opened.
std::FILE* HVOpenForReading(const char* pszPath);
bool HVFileExists(const char* pszPath);
bool HVDirExists(const char* pszPath);
