// The manifest of a HotSync set-up file ("manifest.json" in the ZIP): what
// the source PC had, with a SHA-256 for every file the ZIP carries. Written
// and read with nlohmann/json; texts are UTF-8 here (the Windows layer turns
// them into the ANSI code page and back), registry data raw bytes. The
// reader takes the bytes as untrusted: every type, count, length, index,
// hash and path is checked, and the first thing wrong is the one line it
// gives back. Portable: fuzzed natively.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "palm/CondKey.h"

inline constexpr char kOVSetupManifestEntry[] = "manifest.json";
inline constexpr char kOVSetupFormat[] = "tandelix-hotsync-setup";
inline constexpr int kOVSetupFormatVersion = 1;

// Fixed bounds of what a set-up file may hold.
inline constexpr uint64_t kOVSetupMaxManifest = 32ull << 20;
inline constexpr size_t kOVSetupMaxConduits = 10000;
inline constexpr size_t kOVSetupMaxValues = 1000;      // per conduit key
inline constexpr size_t kOVSetupMaxValueData = 65536;  // bytes of one registry value
inline constexpr size_t kOVSetupMaxUsers = 1000;
inline constexpr size_t kOVSetupMaxActions = 10000;  // per user
inline constexpr size_t kOVSetupMaxFiles = 100000;   // every file the ZIP carries
inline constexpr size_t kOVSetupMaxSets = 1000;

// One file the ZIP carries.
struct OVSetupFile {
  std::string strEntry;   // its name in the ZIP
  std::string strSha256;  // 64 lower-case hex digits
  uint64_t qwSize = 0;
};

struct OVSetupLibrary {
  std::string strPath;  // as the registration names it: a full path or a bare name
  std::string strVersion;
  bool bPresent = false;  // false: missing on the source PC, not in the ZIP
  OVSetupFile file;
};

struct OVSetupConduit {
  std::string strKey;  // the registry key it came from, for people
  std::string strCreator;
  std::string strTitle;
  std::vector<RegValue> values;  // every value of its key, in its order
  int nLibrary = -1;             // index into libraries, -1 for none
};

struct OVSetupInstallConduit {
  std::string strCreator, strTitle, strLibrary;
};

struct OVSetupAction {
  uint32_t dwCreatorID = 0;
  std::string strCreator;  // the four characters, for people
  int32_t nAction = 0;     // PD_SYNC_* 0 to 4
};

struct OVSetupUserFile {
  std::string strPath;  // relative to the user's folder, '\' between parts
  OVSetupFile file;
};

struct OVSetupUser {
  std::string strName, strDirectory;
  bool bProfile = false;
  std::vector<OVSetupAction> actions;
  std::vector<OVSetupUserFile> files;  // with the data only
};

struct OVSetupBackupSet {
  std::string strFile, strDesc;
  OVSetupFile file;
};

struct OVSetupManifest {
  int nFormatVersion = kOVSetupFormatVersion;
  std::string strCreated;  // "2025-05-20T10:11:12Z"
  std::string strComputer;
  std::string strTandelixVersion;
  uint32_t nCodePage = 0;  // the source's ANSI code page
  std::string strDesktop;  // the source's Palm Desktop directory
  bool bWithData = false;
  std::vector<OVSetupConduit> conduits;
  bool bHasBackup = false;
  std::string strBackupLibrary;
  int nBackupLibrary = -1;
  std::vector<OVSetupInstallConduit> installConduits;
  std::vector<OVSetupLibrary> libraries;
  std::vector<OVSetupUser> users;
  std::vector<OVSetupBackupSet> sets;
  bool bHasHistory = false;
  OVSetupFile history;

  // Every file the ZIP carries, in the manifest's order.
  std::vector<const OVSetupFile*> Files() const;
  std::vector<OVSetupFile*> FilesToFill();
};

// The manifest as JSON text (UTF-8, indented).
std::string OVWriteManifest(const OVSetupManifest& m);

// Reads a manifest; false with why (one line, no full stop) when it is not
// one this program writes: not JSON, another format or version, a missing
// or mistyped field, a bound exceeded, a bad hash or path, an index out of
// range or an entry named twice.
bool OVReadManifest(const char* pText, size_t cbText, OVSetupManifest* pOut, std::string* pWhy);

// Lower-case hex of bytes and back (false for anything but pairs of hex digits).
std::string OVHex(const std::string& bytes);
bool OVUnhex(const std::string& hex, std::string* pBytes);
// 64 lower-case hex digits.
bool OVIsSha256(const std::string& s);
