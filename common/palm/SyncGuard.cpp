#include "palm/SyncGuard.h"

#include <cstdint>

#include "palm/PalmDesktop.h"

namespace {
// The program changes registrations from one thread only.
int g_nDepth = 0;
bool g_bChanged = false;
}  // namespace

bool PdHotSyncRunning() {
  uint32_t dwStatus = 0;
  return HsGetSyncStatus(&dwStatus) == 0 && dwStatus == 1;
}

PdRegChange::PdRegChange() : m_bOutermost(g_nDepth == 0), m_bRefused(PdHotSyncRunning()) {
  if (m_bOutermost) g_bChanged = false;
  ++g_nDepth;
}

PdRegChange::~PdRegChange() {
  --g_nDepth;
  if (!m_bOutermost) return;
  if (g_bChanged && !m_bRefused) HsRefreshConduitInfo();
  g_bChanged = false;
}

void PdRegChange::Changed() { g_bChanged = true; }
