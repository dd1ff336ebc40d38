// The conduit tool's registration doctor: what would make the
// next HotSync fail, found in the Palm Desktop's conduit registrations, its
// users' directories and logs, and the program's restore store. Two steps:
// OVGatherFacts reads everything (Windows, the Palm Desktop layer started);
// OVDiagnose applies the rules to those facts and changes nothing. The
// program's check dialog and "tdcond doctor" share it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "logs/LogHealth.h"

// Info: worth knowing, nothing wrong (it neither fails the check nor remains to repair).
enum class OVSeverity { Info, Warning, Error };

struct OVFinding {
  OVSeverity severity = OVSeverity::Error;
  std::string strCheck;    // a stable name, e.g. "library-missing"
  std::string strSubject;  // the conduit, user or file concerned, as a person reads it
  std::string strCreator;  // the conduit's creator ID, when it concerns one
  std::string strFile;     // the file or directory concerned, when there is one
  std::string strProblem;
  std::string strAction;  // what to do
};

// One conduit library as the doctor found it.
struct OVLibraryFacts {
  bool bExists = false;       // a file (not a directory) of that name
  bool bDirectory = false;    // a directory of that name
  std::string strNotImage;    // why it is not a DLL HotSync can load; empty when it is one
  bool bLoads = false;        // LoadLibrary took it
  uint32_t dwLoadError = 0;   // the system's error when it did not
  bool bOpenConduit = false;  // it exports OpenConduit
  bool bCrashed = false;      // it brought down the process that asked it
  bool bNoAnswer = false;     // it did not answer within the time limit
  bool bMisbehaved = false;   // it wrote out of turn while it was asked
  bool bUnasked = false;      // the conduit helper could not ask it
  std::string strUnasked;     // why not
  std::string strName;        // what it calls itself, when it says
};

enum class OVCondKind { Application, Install, Backup };

struct OVConduitFacts {
  OVCondKind kind = OVCondKind::Application;
  int nIndex = 0;          // its place in the Conduit Manager's or install aide's order
  std::string strCreator;  // as registered: the four bytes, whatever they are
  std::string strTitle;
  std::string strLibrary;  // as registered
  bool bHasPriority = false;
  int32_t nPriority = 0;
  std::string strLibraryKey;  // the library's full path, upper case: the same file, the same key
  OVLibraryFacts lib;
};

// A HotSync log beyond this is not one HotSync Manager keeps (it trims its
// logs); starting over it is slow or fails.
inline constexpr uint64_t kOVLogTooLarge = 16ull * 1024 * 1024;

struct OVLogFacts {
  std::string strPath;
  bool bExists = false;  // something of that name is there
  bool bReadable = false;
  uint64_t nSize = 0;
  bool bDirectory = false;  // a directory stands where the log belongs
  std::string strWhy;       // why it cannot be read
  std::string strDamage;    // why what it holds cannot be read as a log
};

struct OVUserFacts {
  std::string strName;
  std::string strDir;      // as recorded
  std::string strFullDir;  // resolved against the Palm Desktop directory
  bool bDirExists = false;
  std::vector<OVLogFacts> logs;
  bool bHealthRead = false;  // its logs were read for the conduits' health
  HVHealth health;           // matched against the application conduits, in their order
};

struct OVStoreFacts {
  std::string strCreator, strTitle, strLibrary;
  bool bLibraryExists = false;
};

struct OVFacts {
  bool bDesktopKnown = false;
  std::string strDesktop;
  bool bFromPDPath = false;  // the directory came from "PDPath"
  std::string strIniPath;    // the settings file "PDPath" is read from
  bool bDesktopExists = false;
  std::string strLibraryNotLoaded;  // the first Palm Desktop library that did not load
  bool bConduitsRead = false;       // the Conduit Manager answered
  std::vector<OVConduitFacts> conduits;
  bool bUsersRead = false;
  std::vector<OVUserFacts> users;
  std::string strStorePath;
  std::vector<OVStoreFacts> store;
};

// Everything the rules look at. Runs after StartPalmLayer (the Palm Desktop
// directory current, its libraries loaded); strModuleDir ends in a backslash.
// Asks each registered conduit library once, out of process, whether it loads.
OVFacts OVGatherFacts(const std::string& strModuleDir);

// The findings, in a fixed order: the desktop, the conduits in registration
// order, libraries that could not be checked, creators registered twice,
// shared libraries, users, the restore store.
std::vector<OVFinding> OVDiagnose(const OVFacts& facts);

// Four characters, each a printable ASCII one (a blank counts), as Palm's
// creator IDs are.
bool OVIsPrintableCreator(const std::string& strCreator);

// The kind of DLL HotSync and this program can load: a 32-bit x86 one, as
// Palm Desktop and every conduit are (the x86_64 test build: its own kind).
struct OVMachine {
  unsigned machine;  // the file header's machine
  unsigned magic;    // the optional header's magic
  bool b64;
  const char* szBits;  // "32-bit"
};
const OVMachine& OVConduitMachine();

// Why the first bytes of a file (up to its whole header) are not a DLL of that
// kind; empty when they are one. The header's offsets are untrusted.
std::string OVImageProblem(const unsigned char* pBytes, size_t cbBytes,
                           const OVMachine& want = OVConduitMachine());

// The findings for a person (one block each, then a count) or as one JSON
// object {"desktop", "findings": [...], "errors", "warnings"}.
void OVWriteFindings(std::string& out, const OVFacts& facts,
                     const std::vector<OVFinding>& findings);
void OVWriteFindingsJson(std::string& out, const OVFacts& facts,
                         const std::vector<OVFinding>& findings);
size_t OVCountErrors(const std::vector<OVFinding>& findings);
// The findings of that severity.
size_t OVCount(const std::vector<OVFinding>& findings, OVSeverity severity);
