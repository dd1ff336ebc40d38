// What an import saves before its first change so that "Undo Last Import"
// can put everything back: the conduit registrations before and after, the
// backup conduit, each sync preference it set, each file it wrote (with a
// copy of what was there), the folders and users it made and the backup sets
// it listed. Kept as JSON in "ovimport.dat" in the program directory, the
// copies in the folder "ovimport" beside it. Read back as untrusted: a file
// of ours can still be damaged. Texts are UTF-8. Portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "orvello/setup/OVSetupManifest.h"

inline constexpr char kOVUndoRecord[] = "ovimport.dat";
inline constexpr char kOVUndoFolder[] = "ovimport";
inline constexpr char kOVUndoFormat[] = "tandelix-import-undo";
inline constexpr int kOVUndoFormatVersion = 1;

struct OVUndoAction {
  std::string strUser;  // for the report
  uint32_t dwUserID = 0;
  uint32_t dwCreatorID = 0;
  bool bHadBefore = false;
  int32_t nBefore = 0;
  int32_t nSet = 0;
};

struct OVUndoFile {
  std::string strPath;    // full path
  bool bExisted = false;  // a copy of it is kept as strSaved
  std::string strSaved;   // file name in the undo folder
  bool bWritten = false;  // the import wrote it; strShaAfter is what it wrote
  std::string strShaAfter;
};

struct OVUndoUser {
  std::string strName;
  std::string strFolder;  // full path of its folder
  uint32_t dwUserID = 0;
};

struct OVUndoRecord {
  std::string strArchive;                   // the file imported
  std::string strComputer;                  // its source
  std::string strTime;                      // when it was imported
  bool bComplete = false;                   // the import ran to its end
  std::vector<RegKeyValues> before, after;  // application conduit keys, in order
  bool bBackupChanged = false;
  std::string strBackupBefore, strBackupAfter;
  std::vector<OVUndoAction> actions;
  std::vector<OVUndoFile> files;
  std::vector<std::string> folders;  // made by the import, outermost first
  std::vector<OVUndoUser> users;     // made by the import
  std::vector<std::string> sets;     // backup sets it listed (file names)
};

std::string OVWriteUndo(const OVUndoRecord& r);
// False with why for anything but a record this program writes.
bool OVReadUndo(const char* pText, size_t cbText, OVUndoRecord* pOut, std::string* pWhy);
