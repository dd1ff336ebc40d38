// The Windows services every tool needs: the program directory, file versions,
// file times and opening things through the shell.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

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

// Writes a generated page whole (see WriteFileDurably): a stale temporary file
// left by a crash is replaced, and when a reader (a browser) holds the target
// open past the retries and forbids replacing it, the target is written over
// instead. False when the file could not be written; the target is then as it
// was.
bool WriteWholeFile(const char* szPath, const void* pData, size_t cbData);

// Reads a file whole, sharing it with writers; false when it cannot be read or
// is larger than cbMax bytes.
bool ReadWholeFile(const char* szPath, std::string* pBytes, uint64_t cbMax);

// Seconds since 1970 (UTC) as local calendar time.
SYSTEMTIME LocalTimeOf(int64_t nTime);

// Asks the shell to "open" a document, page address or program. True once the
// shell was asked, whatever it answered; false for an empty target.
bool OpenWithShell(const char* szTarget);
// Starts the help viewer on a topic of a compiled help file
// ("<file>::/<page>"). True once the shell was asked; false for an empty topic.
bool OpenHelpViewer(const char* szTopic);

// Serialises the read-merge-write of the files the program and the console
// tool share in one directory (the restore store, the settings file): one
// named mutex per directory, whatever the spelling of its path. Held from
// construction until destruction; a lock whose last holder died is taken over.
class DirLock {
 public:
  explicit DirLock(const char* szDirOrFile, unsigned nTimeoutMs = 10000);
  ~DirLock();
  DirLock(const DirLock&) = delete;
  DirLock& operator=(const DirLock&) = delete;
  // False when the lock could not be had within the time: write nothing.
  bool Held() const { return m_bHeld; }
  // The mutex name for a directory, or a file's directory ("...\" ends it).
  static std::string NameFor(const char* szDirOrFile);

 private:
  HANDLE m_hMutex = nullptr;
  bool m_bHeld = false;
};
