#include "orvello/ConduitTool.h"

void OVTool::InitConduitTool() {
  if (!m_pBackupSets) m_pBackupSets = new BackupSetList;
}

void OVTool::DoneConduitTool() {
  delete m_pBackupSets;  // deletes its records
  m_pBackupSets = nullptr;
}
