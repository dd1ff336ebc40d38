// Stand-in HotSync library ("HSAPI.DLL"). The program only loads and binds it;
// the operations keep a little state under the key "HotSync" so they can be
// observed: "AppStatus", "StatusFlags", "SyncStatus" and a "Refreshes" count.
#define TDX_PALM_STANDIN
#include "PdStore.h"

using namespace pdstore;

extern "C" {

// Version 3.1, major in the high word.
int32_t PDAPI HsGetApiVersion(uint32_t* pVersion) {
  if (!pVersion) return PD_ERR_NOT_BOUND;
  *pVersion = 0x00030001;
  return PD_OK;
}

// There is no HotSync Manager behind the stand-in: the interface itself is always up.
int32_t PDAPI HsCheckApiStatus(void) { return PD_OK; }

int32_t PDAPI HsGetSyncStatus(uint32_t* pStatus) {
  if (!pStatus) return PD_ERR_NOT_BOUND;
  uint32_t dw = 0;
  ReadDword(PD_REG_HOTSYNC, "SyncStatus", &dw);
  *pStatus = dw;
  return PD_OK;
}

int32_t PDAPI HsSetAppStatus(int32_t nStatus, uint32_t dwFlags) {
  if (nStatus < 0) return PD_ERR_NOT_BOUND;
  return WriteDword(PD_REG_HOTSYNC, "AppStatus", static_cast<uint32_t>(nStatus)) &&
                 WriteDword(PD_REG_HOTSYNC, "StatusFlags", dwFlags)
             ? PD_OK
             : PD_ERR_STORAGE;
}

int32_t PDAPI HsRefreshConduitInfo(void) {
  uint32_t dw = 0;
  ReadDword(PD_REG_HOTSYNC, "Refreshes", &dw);
  return WriteDword(PD_REG_HOTSYNC, "Refreshes", dw + 1) ? PD_OK : PD_ERR_STORAGE;
}

}  // extern "C"
