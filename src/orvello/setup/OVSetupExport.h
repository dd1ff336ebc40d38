// "Export HotSync Set-up...": everything a HotSync set-up is made of, in one
// ZIP file: the manifest, every registered conduit library once, Tandelix's
// own files and, when asked, each user's folder. Gathering reads the Palm
// Desktop state (the Palm layer started); writing goes to a temporary file
// moved into place at the end, so a cancelled or failed export leaves no
// partial file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "orvello/BackupSet.h"
#include "orvello/setup/OVSetupManifest.h"

// Told how far a long step has come; false stops it.
class IOVSetupProgress {
 public:
  virtual ~IOVSetupProgress() = default;
  virtual bool Progress(uint64_t qwDone, uint64_t qwTotal) = 0;
};

struct OVExportPlan {
  OVSetupManifest manifest;
  // Where each file of manifest.Files() is read from, in that order.
  std::vector<std::string> sources;
  uint64_t qwBytes = 0;      // every file together
  uint64_t qwDataBytes = 0;  // the users' folders alone (counted even without them)
  size_t nDataFiles = 0;
  std::vector<std::string> notes;  // what is not carried, and why
};

// Gathers what an export holds. strModuleDir: the program's directory (its
// own files), ending in a backslash; pSets: the listed backup sets. False
// when Palm Desktop is not found.
bool OVPlanExport(const std::string& strModuleDir, BackupSetList* pSets, bool bWithData,
                  OVExportPlan* pPlan, std::string* pWhy);

enum class OVExportResult { Done, Cancelled, Failed };

// Writes the file; each file's SHA-256 is taken as it is packed.
OVExportResult OVWriteExport(OVExportPlan& plan, const std::string& strTarget,
                             IOVSetupProgress* pProgress, std::string* pWhy);

// "HotSync Set-up <computer name> <yyyy-mm-dd>.zip".
std::string OVDefaultExportName();
// "12.3 MB", "980 KB", "0 bytes".
std::string OVSizeText(uint64_t qwBytes);

inline constexpr char kOVExportDone[] = "The HotSync set-up was exported to \"%s\".";
