// The conduit tool's install/uninstall history file "ovlog.dat": a 32-bit
// record count, then the records oldest first, each three length-prefixed
// strings (library, title, version text) and two 32-bit integers (time,
// kind). Little-endian, no signature. Portable: std::FILE only.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

inline constexpr char kOVHistoryFile[] = "ovlog.dat";

enum : int32_t {
  OVLOG_INSTALLED = 1,
  OVLOG_UNINSTALLED = 2,
  OVLOG_RESTORED = 3,
};

// One history record in memory. Every text is terminated within its field.
struct OVLogEntry {
  char szFileName[260];  // the conduit's library, with its path
  char szName[32];       // its title, at most 31 characters
  char szVersion[32];    // "%d.%d.%d.%04d"
  int32_t nTime;         // seconds since 1970, UTC
  int32_t nKind;         // OVLOG_...
};

// Fills an entry from texts of any length: each is cut to fit its field.
void OVMakeLogEntry(OVLogEntry* pEntry, const char* szFileName, const char* szName,
                    const char* szVersion, int32_t nTime, int32_t nKind);

// Adds one record. The record is written at the end first and the count only
// afterwards, so the count never promises a record that is not there; a record
// that cannot be written whole is cut off again and the count left alone.
// False when nothing was added (the file cannot be opened or created, or a
// write failed).
bool OVAppendHistory(const char* szPath, const OVLogEntry& entry);

// Reads every whole record the count announces, stopping at the first one the
// file does not hold completely. Lengths are untrusted: a negative one or one
// past the end of the file ends the reading; a text longer than its field is
// cut to fit. False only when the file cannot be opened.
bool OVReadHistory(const char* szPath, std::vector<OVLogEntry>* pEntries);
// The same from an open stream, read from its current position.
void OVReadHistory(std::FILE* fp, std::vector<OVLogEntry>* pEntries);
