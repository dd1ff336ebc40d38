// The seeding tool's description of a Palm Desktop: a plain text file, one
// command per line. Portable: parsed and checked completely before anything
// is created, so a bad line never leaves half a desktop behind.
//
//   # comment                       (blank lines and lines starting with # are skipped)
//   desktop <directory>
//   user <id> <name> <directory> [profile]
//   slot <user id> <slot ref> <media type, 4 chars> <name>
//   app <creator> <library> <title> [directory=..] [file=..] [remote=..] [info=..]
//       [priority=1..5] [integrate=N]
//   install <creator> <library> <title>
//   backup <library>
//   copy <source file> <target, relative to the desktop>
//   log <user id> <file name> <source file>
//
// Words are separated by blanks; "double quotes" keep blanks inside a word.
// $BIN (the tool's directory), $HERE (the description's directory) and
// $DESKTOP (the desktop directory) are replaced in every word.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

struct SeedUser {
  uint32_t dwUserID = 0;
  std::string sName, sDir;
  bool bProfile = false;
  int nLine = 0;
};
struct SeedSlot {
  uint32_t dwUserID = 0, dwSlotRef = 0, dwMediaType = 0;
  std::string sName;
  int nLine = 0;
};
struct SeedApp {
  std::string sCreator, sLibrary, sTitle, sDirectory, sFile, sRemote, sInfo;
  int32_t nPriority = 2, nIntegrate = 0;
  int nLine = 0;
};
struct SeedInstall {
  std::string sCreator, sLibrary, sTitle;
  int nLine = 0;
};
struct SeedFile {  // "copy" and "log": a file copied into the desktop
  std::string sSource, sTarget;  // target relative to the desktop directory
  int nLine = 0;
};

struct SeedPlan {
  std::string sDesktop;
  int nDesktopLine = 0;
  std::vector<SeedUser> users;
  std::vector<SeedSlot> slots;
  std::vector<SeedApp> apps;
  std::vector<SeedInstall> installs;
  std::string sBackup;
  int nBackupLine = 0;
  std::vector<SeedFile> files;
};

// Values of $BIN, $HERE and $DESKTOP. A non-empty "DESKTOP" given here takes
// the place of the description's own "desktop" line.
using SeedVars = std::map<std::string, std::string>;

// False with "line N: what is wrong" in *pError for the first bad line.
bool ParseSeedPlan(std::string_view text, const SeedVars& vars, SeedPlan* pPlan,
                   std::string* pError);
