// The Windows services every tool needs: the program directory, file versions,
// file times and opening things through the shell.
#pragma once

#include <windows.h>

// Drive and directory of the module's file (null = the executable), ending in a
// backslash. szBuf holds at least MAX_PATH bytes.
bool GetModuleDir(HMODULE hModule, char* szBuf);

// Version numbers of a file's fixed version information; all four are 0 and the
// result false when the file has none.
bool GetFileVersion(const char* szPath, int* pMajor, int* pMinor, int* pBuild, int* pRevision);

enum { FT_CREATION = 0, FT_LAST_ACCESS = 1, FT_LAST_WRITE = 2 };

// One of the file's time stamps as local calendar time. The file is opened
// without sharing, so a file another handle holds open fails.
bool GetFileTimeAsLocal(const char* szPath, int nWhich, SYSTEMTIME* pTime);
bool GetFileCreationTime(const char* szPath, SYSTEMTIME* pTime);

// Asks the shell to "open" a document, page address or program. True once the
// shell was asked, whatever it answered; false for an empty target.
bool OpenWithShell(const char* szTarget);
