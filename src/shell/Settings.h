// The settings file "tessary.ini" in the program directory: read once at
// start-up, written once at shut-down, through the private-profile functions.
// The console tool lists its backup sets in the same file.
#pragma once

#include <cstdint>
#include <string>

#include "orvello/BackupSet.h"

struct TdxSettings {
  int nSkinType = 0;          // carried unchanged from start-up to shut-down
  uint32_t dwLastUserID = 0;  // the user last chosen in the log tool
};

inline constexpr const char kSettingsFile[] = "tessary.ini";
// Upper bound on "Count": the file is not ours alone, and a wild count must not
// keep start-up busy for minutes.
inline constexpr int kMaxBackupSets = 1000;

// szModuleDir ends in a backslash (GetModuleDir).
std::string SettingsPath(const char* szModuleDir);

// Missing file or keys give the defaults. Entries are appended to pSets (when
// not null), one per "Count", with empty texts where keys are missing.
void ReadSettingsFile(const char* szPath, TdxSettings& settings, BackupSetList* pSets);
// Writes every key; keys of entries above "Count" already in the file stay,
// and so do keys the program does not know. Sets listed in the file now but
// not in pSets (the console tool added them) are added to pSets first, under
// the program directory's lock, so neither program loses the other's sets.
// The keys go into a copy beside the file, which is flushed and then replaces
// it: a crash or a power cut part-way leaves the old file whole. False (old
// file untouched) when that could not be done.
bool WriteSettingsFile(const char* szPath, const TdxSettings& settings, BackupSetList* pSets);
// The same for the list of backup sets alone: the program's own keys stay as
// the file has them.
bool WriteBackupSetList(const char* szPath, BackupSetList* pSets);
