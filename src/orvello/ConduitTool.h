// State the conduit tool keeps for the main window, created by InitConduitTool
// and released by DoneConduitTool.
#pragma once

#include "orvello/BackupSet.h"

class OVTool {
 public:
  OVTool() = default;
  ~OVTool() { DoneConduitTool(); }
  OVTool(const OVTool&) = delete;
  OVTool& operator=(const OVTool&) = delete;

  void InitConduitTool();
  void DoneConduitTool();

  // Null before InitConduitTool and after DoneConduitTool.
  BackupSetList* BackupSets() { return m_pBackupSets; }

 private:
  BackupSetList* m_pBackupSets = nullptr;
};
