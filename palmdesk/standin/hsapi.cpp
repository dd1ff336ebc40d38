// Stand-in HotSync library ("HSAPI.DLL"). There is no HotSync Manager behind
// it; the operations keep a little state under the key "HotSync" so tests can
// set and observe it: "SyncStatus" (1 while a test says a HotSync runs),
// "AppStatus", "StatusFlags" and a "Refreshes" count of HsRefreshConduitInfo.
#define TDX_PALM_STANDIN
#include "PdStore.h"

using namespace pdstore;

namespace {
// The published error codes.
constexpr int32_t kHsErrBase = 0x10000000;
constexpr int32_t kHsErrFailure = kHsErrBase + 3;
constexpr int32_t kHsErrRegistry = kHsErrBase + 4;
constexpr int32_t kHsErrUnknownStatus = kHsErrBase + 5;
constexpr int32_t kHsErrInvalidPointer = kHsErrBase + 10;
}  // namespace

extern "C" {

int32_t PDAPI HsGetApiVersion(uint32_t* pVersion) {
  if (!pVersion) return kHsErrInvalidPointer;
  *pVersion = 0x00010002;
  return PD_OK;
}

int32_t PDAPI HsCheckApiStatus(void) { return PD_OK; }

// 0 idle, 1 a HotSync operation is running; any other stored value is read
// as running too, as a HotSync Manager in an unknown state would be.
int32_t PDAPI HsGetSyncStatus(uint32_t* pStatus) {
  if (!pStatus) return kHsErrInvalidPointer;
  uint32_t dw = 0;
  ReadDword(PD_REG_HOTSYNC, "SyncStatus", &dw);
  *pStatus = dw == 0 ? 0 : 1;
  return PD_OK;
}

// Status types 0 close, 1 start, 2 restart.
int32_t PDAPI HsSetAppStatus(int32_t nStatus, uint32_t dwFlags) {
  if (nStatus < 0 || nStatus > 2) return kHsErrUnknownStatus;
  return WriteDword(PD_REG_HOTSYNC, "AppStatus", static_cast<uint32_t>(nStatus)) &&
                 WriteDword(PD_REG_HOTSYNC, "StatusFlags", dwFlags)
             ? PD_OK
             : kHsErrRegistry;
}

int32_t PDAPI HsRefreshConduitInfo(void) {
  uint32_t dw = 0;
  ReadDword(PD_REG_HOTSYNC, "Refreshes", &dw);
  return WriteDword(PD_REG_HOTSYNC, "Refreshes", dw + 1) ? PD_OK : kHsErrFailure;
}

}  // extern "C"
