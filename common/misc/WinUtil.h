// The Windows services every tool needs: the program directory, file versions,
// file times and opening things through the shell.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

// Drive and directory of the module's file (null = the executable), ending in a
// backslash. szBuf holds at least MAX_PATH bytes.
bool GetModuleDir(HMODULE hModule, char* szBuf);

// Version numbers of a file's fixed version information; all four are 0 and the
// result false when the file has none.
bool GetFileVersion(const char* szPath, int* pMajor, int* pMinor, int* pBuild, int* pRevision);

enum { FT_CREATION = 0, FT_LAST_ACCESS = 1, FT_LAST_WRITE = 2 };

// A moment as local calendar time by the time zone's rules for that date
// (its daylight-saving time or not), as C's localtime gives it.
bool FileTimeToLocal(const FILETIME& utc, SYSTEMTIME* pLocal);

// One of the file's time stamps as local calendar time. Only the attributes
// are read, sharing everything, so a file another program holds open still
// gives its times.
bool GetFileTimeAsLocal(const char* szPath, int nWhich, SYSTEMTIME* pTime);
bool GetFileCreationTime(const char* szPath, SYSTEMTIME* pTime);

// Writes a whole file: the bytes go to a temporary file beside it ("<path>.tmp",
// or a shorter name when that would not fit MAX_PATH), which is then moved over
// the target, so a failed write never leaves half a file. A stale temporary
// file left by a crash is replaced. When a reader holds the target open and
// forbids replacing it, the target is written over instead. False when the
// file could not be written; the target is then as it was.
bool WriteWholeFile(const char* szPath, const void* pData, size_t cbData);

// Seconds since 1970 (UTC) as local calendar time.
SYSTEMTIME LocalTimeOf(int64_t nTime);

// Asks the shell to "open" a document, page address or program. True once the
// shell was asked, whatever it answered; false for an empty target.
bool OpenWithShell(const char* szTarget);
