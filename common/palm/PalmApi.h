// The Palm Desktop library operations: one list per library, the calling
// convention, the function-pointer types the bindings use, the result codes,
// the install-conduit information block and the registry layout of our stand-in
// libraries. The program's bindings (PalmDesktop.cpp) and the stand-ins
// (palmdesk/) both build from this one header, so a signature cannot drift.
//
// Free of <windows.h>: the portable core may include it for the types.
#pragma once

#include <cstddef>
#include <cstdint>

// Palm Desktop library operations are __stdcall with undecorated export names.
#if defined(_WIN32) && !defined(_WIN64)
#define PDAPI __stdcall
#else
#define PDAPI
#endif

// Conduit entry points are __cdecl, undecorated.
#if defined(_WIN32) && !defined(_WIN64)
#define PDCONDUITAPI __cdecl
#else
#define PDCONDUITAPI
#endif

// Results shared by the bindings and the stand-ins.
enum : int32_t {
  PD_OK = 0,
  PD_ERR_NOT_BOUND = -100,  // library or export missing; also a bad argument
  PD_ERR_NOT_FOUND = -101,
  PD_ERR_TOO_SMALL = -102,  // buffer too small: *size says how much is needed
  PD_ERR_STORAGE = -103,    // the stand-in could not read or write its store
  PD_ERR_EXISTS = -104,
};

// Library indexes of the operation lists (not the mask bits).
enum PdLib { PDL_CONDMGR = 0, PDL_USERDATA = 1, PDL_HSAPI = 2, PDL_INSTAIDE = 3, PDL_COUNT = 4 };

// X(lib, result type, name, parameter list, argument list)
//
// The shapes are Palm Desktop's published ones. Conduit Manager operations take
// creator IDs as four-character text, User Data's preferences as the number.
// Conduit Manager and Install Aide sizes are 32-bit, User Data sizes and counts
// 16-bit except UmSlotGetDisplayName's; every size is in/out.
#define PD_CONDMGR_OPS(X)                                                                        \
  X(PDL_CONDMGR, int32_t, CmGetConduitCount, (void), ())                                         \
  X(PDL_CONDMGR, int32_t, CmGetConduitCreatorID, (int32_t nIndex, char* pBuf, int32_t* pSize),   \
    (nIndex, pBuf, pSize))                                                                       \
  X(PDL_CONDMGR, int32_t, CmGetCreatorName, (const char* pCreator, char* pBuf, int32_t* pSize),  \
    (pCreator, pBuf, pSize))                                                                     \
  X(PDL_CONDMGR, int32_t, CmConvertStringToCreatorID, (const char* pCreator, uint32_t* pID),     \
    (pCreator, pID))                                                                             \
  X(PDL_CONDMGR, int32_t, CmConvertCreatorIDToString, (uint32_t dwID, char* pBuf, int32_t* pSize),\
    (dwID, pBuf, pSize))                                                                         \
  X(PDL_CONDMGR, int32_t, CmGetCreatorIntegrate, (const char* pCreator, int32_t* pValue),        \
    (pCreator, pValue))                                                                          \
  X(PDL_CONDMGR, int32_t, CmGetCreatorPriority, (const char* pCreator, int32_t* pValue),         \
    (pCreator, pValue))                                                                          \
  X(PDL_CONDMGR, int32_t, CmGetCreatorFile, (const char* pCreator, char* pBuf, int32_t* pSize),  \
    (pCreator, pBuf, pSize))                                                                     \
  X(PDL_CONDMGR, int32_t, CmGetCreatorDirectory,                                                 \
    (const char* pCreator, char* pBuf, int32_t* pSize), (pCreator, pBuf, pSize))                 \
  X(PDL_CONDMGR, int32_t, CmGetCreatorInfo, (const char* pCreator, char* pBuf, int32_t* pSize),  \
    (pCreator, pBuf, pSize))                                                                     \
  X(PDL_CONDMGR, int32_t, CmGetCreatorRemote, (const char* pCreator, char* pBuf, int32_t* pSize),\
    (pCreator, pBuf, pSize))                                                                     \
  X(PDL_CONDMGR, int32_t, CmGetCreatorTitle, (const char* pCreator, char* pBuf, int32_t* pSize), \
    (pCreator, pBuf, pSize))                                                                     \
  X(PDL_CONDMGR, int32_t, CmGetBackupConduit, (char* pBuf, int32_t* pSize), (pBuf, pSize))       \
  X(PDL_CONDMGR, int32_t, CmInstallCreator, (const char* pCreator, int32_t nType),              \
    (pCreator, nType))                                                                           \
  X(PDL_CONDMGR, int32_t, CmSetCreatorName, (const char* pCreator, const char* pValue),          \
    (pCreator, pValue))                                                                          \
  X(PDL_CONDMGR, int32_t, CmSetCreatorDirectory, (const char* pCreator, const char* pValue),     \
    (pCreator, pValue))                                                                          \
  X(PDL_CONDMGR, int32_t, CmSetCreatorFile, (const char* pCreator, const char* pValue),          \
    (pCreator, pValue))                                                                          \
  X(PDL_CONDMGR, int32_t, CmSetCreatorPriority, (const char* pCreator, int32_t nPriority),       \
    (pCreator, nPriority))                                                                       \
  X(PDL_CONDMGR, int32_t, CmSetCreatorRemote, (const char* pCreator, const char* pValue),        \
    (pCreator, pValue))                                                                          \
  X(PDL_CONDMGR, int32_t, CmSetCreatorTitle, (const char* pCreator, const char* pValue),         \
    (pCreator, pValue))                                                                          \
  X(PDL_CONDMGR, int32_t, CmSetCreatorInfo, (const char* pCreator, const char* pValue),          \
    (pCreator, pValue))                                                                          \
  X(PDL_CONDMGR, int32_t, CmSetCreatorIntegrate, (const char* pCreator, int32_t nValue),         \
    (pCreator, nValue))                                                                          \
  X(PDL_CONDMGR, int32_t, CmSetBackupConduit, (const char* pLibrary), (pLibrary))                \
  X(PDL_CONDMGR, int32_t, CmRemoveConduitByCreatorID, (const char* pCreator), (pCreator))

#define PD_USERDATA_OPS(X)                                                                       \
  X(PDL_USERDATA, int16_t, UmGetUserCount, (void), ())                                           \
  X(PDL_USERDATA, int32_t, UmGetUserID, (int16_t nIndex, uint32_t* pUserID), (nIndex, pUserID))  \
  X(PDL_USERDATA, int32_t, UmGetUserName, (uint32_t dwUserID, char* pBuf, uint16_t* pSize),      \
    (dwUserID, pBuf, pSize))                                                                     \
  X(PDL_USERDATA, int32_t, UmGetUserDirectory, (uint32_t dwUserID, char* pBuf, uint16_t* pSize), \
    (dwUserID, pBuf, pSize))                                                                     \
  X(PDL_USERDATA, int32_t, UmIsUserProfile, (uint32_t dwUserID), (dwUserID))                     \
  X(PDL_USERDATA, int32_t, UmGetRootDirectory, (char* pBuf, uint16_t* pSize), (pBuf, pSize))     \
  X(PDL_USERDATA, int32_t, UmSlotGetSlotCount, (uint32_t dwUserID, uint16_t* pCount),            \
    (dwUserID, pCount))                                                                          \
  X(PDL_USERDATA, int32_t, UmSlotGetInfo, (uint32_t dwUserID, uint32_t* pRefs, uint16_t* pCount),\
    (dwUserID, pRefs, pCount))                                                                   \
  X(PDL_USERDATA, int32_t, UmSlotGetMediaType,                                                   \
    (uint32_t dwUserID, uint32_t dwSlotRef, uint32_t* pMediaType),                              \
    (dwUserID, dwSlotRef, pMediaType))                                                           \
  /* The size is 32-bit here, unlike the other User Data texts. */                              \
  X(PDL_USERDATA, int32_t, UmSlotGetDisplayName,                                                 \
    (uint32_t dwUserID, uint32_t dwSlotRef, char* pBuf, int32_t* pSize),                        \
    (dwUserID, dwSlotRef, pBuf, pSize))                                                          \
  /* Sync preferences: one action (PD_SYNC_*) per user and creator number, the number */        \
  /* being what CmConvertStringToCreatorID gives for the four characters. */                    \
  X(PDL_USERDATA, int32_t, UmGetUserTempSyncPreferences,                                         \
    (uint32_t dwUserID, uint32_t dwCreatorID, int32_t* pAction), (dwUserID, dwCreatorID, pAction))\
  X(PDL_USERDATA, int32_t, UmSetUserTempSyncPreferences,                                         \
    (uint32_t dwUserID, uint32_t dwCreatorID, int32_t nAction), (dwUserID, dwCreatorID, nAction))\
  X(PDL_USERDATA, int32_t, UmGetUserPermSyncPreferences,                                         \
    (uint32_t dwUserID, uint32_t dwCreatorID, int32_t* pAction), (dwUserID, dwCreatorID, pAction))\
  X(PDL_USERDATA, int32_t, UmSetUserPermSyncPreferences,                                         \
    (uint32_t dwUserID, uint32_t dwCreatorID, int32_t nAction), (dwUserID, dwCreatorID, nAction))\
  X(PDL_USERDATA, int32_t, UmRemoveUserTempSyncPreferences,                                      \
    (uint32_t dwUserID, uint32_t dwCreatorID), (dwUserID, dwCreatorID))                          \
  X(PDL_USERDATA, int32_t, UmDeleteUserTempSyncPreferences,                                      \
    (uint32_t dwUserID, uint32_t dwCreatorID), (dwUserID, dwCreatorID))                          \
  X(PDL_USERDATA, int32_t, UmDeleteUserPermSyncPreferences,                                      \
    (uint32_t dwUserID, uint32_t dwCreatorID), (dwUserID, dwCreatorID))                          \
  X(PDL_USERDATA, int32_t, UmAddUser, (const char* pName, int32_t bProfile), (pName, bProfile))  \
  X(PDL_USERDATA, int32_t, UmDeleteUser, (uint32_t dwUserID), (dwUserID))                        \
  /* Our stand-in's own: a user with a given ID and directory, and a slot (the seeding tool). */\
  X(PDL_USERDATA, int32_t, TdxSeedUser,                                                          \
    (uint32_t dwUserID, const char* pName, const char* pDirectory, int32_t bProfile),           \
    (dwUserID, pName, pDirectory, bProfile))                                                     \
  X(PDL_USERDATA, int32_t, TdxSeedSlot,                                                          \
    (uint32_t dwUserID, uint32_t dwSlotRef, uint32_t dwMediaType, const char* pName),           \
    (dwUserID, dwSlotRef, dwMediaType, pName))

#define PD_HSAPI_OPS(X)                                                                          \
  X(PDL_HSAPI, int32_t, HsGetApiVersion, (uint32_t* pVersion), (pVersion))                       \
  X(PDL_HSAPI, int32_t, HsCheckApiStatus, (void), ())                                            \
  X(PDL_HSAPI, int32_t, HsGetSyncStatus, (uint32_t* pStatus), (pStatus))                         \
  X(PDL_HSAPI, int32_t, HsSetAppStatus, (int32_t nStatus, uint32_t dwFlags), (nStatus, dwFlags)) \
  X(PDL_HSAPI, int32_t, HsRefreshConduitInfo, (void), ())

#define PD_INSTAIDE_OPS(X)                                                                       \
  X(PDL_INSTAIDE, int32_t, PltGetInstallConduitCount, (void), ())                                \
  X(PDL_INSTAIDE, int32_t, PltGetInstallConduitInfo,                                             \
    (int32_t nIndex, void* pInfo, int32_t* pSize), (nIndex, pInfo, pSize))                       \
  /* Our stand-in's own: registering and removing install conduits (the seeding tool). */       \
  X(PDL_INSTAIDE, int32_t, TdxSeedInstallConduit,                                                \
    (const char* pCreator, const char* pLibrary, const char* pTitle),                           \
    (pCreator, pLibrary, pTitle))                                                                \
  X(PDL_INSTAIDE, int32_t, TdxRemoveInstallConduit, (int32_t nIndex), (nIndex))

#define PD_ALL_OPS(X) PD_CONDMGR_OPS(X) PD_USERDATA_OPS(X) PD_HSAPI_OPS(X) PD_INSTAIDE_OPS(X)

// PFN_<name> for every operation.
#define PD_DECLARE_PFN(lib, ret, name, params, args) typedef ret(PDAPI* PFN_##name) params;
PD_ALL_OPS(PD_DECLARE_PFN)
#undef PD_DECLARE_PFN

// The stand-in libraries define the exports with exactly these declarations.
#ifdef TDX_PALM_STANDIN
#define PD_DECLARE_EXPORT(lib, ret, name, params, args) extern "C" ret PDAPI name params;
PD_ALL_OPS(PD_DECLARE_EXPORT)
#undef PD_DECLARE_EXPORT
#endif

// CmInstallCreator's only supported type.
enum : int32_t { PD_CONDUIT_APPLICATION = 1 };

// Actions of the User Data sync preferences.
enum : int32_t {
  PD_SYNC_SYNCHRONIZE = 0,
  PD_SYNC_PC_TO_HH = 1,  // desktop overwrites handheld
  PD_SYNC_HH_TO_PC = 2,  // handheld overwrites desktop
  PD_SYNC_NOTHING = 3,
  PD_SYNC_CUSTOM = 4,
};

// Block filled by PltGetInstallConduitInfo, byte for byte as Palm Desktop lays it
// out. It starts with the directory text: its size travels only in the call's
// third argument. Only the library (324), the creator (580, a 32-bit value whose
// bytes in memory order are taken as the four characters) and the title (584)
// are read back.
struct PltInstallConduitInfo {
  char szDirectory[64];    // 0
  char szExtensions[256];  // 64
  uint32_t dwMask;         // 320
  char szConduit[256];     // 324
  char szCreator[4];       // 580, not terminated
  char szTitle[256];       // 584
};
static_assert(sizeof(PltInstallConduitInfo) == 840);
static_assert(offsetof(PltInstallConduitInfo, dwMask) == 320);
static_assert(offsetof(PltInstallConduitInfo, szConduit) == 324);
static_assert(offsetof(PltInstallConduitInfo, szCreator) == 580);
static_assert(offsetof(PltInstallConduitInfo, szTitle) == 584);

// Conduit entry points.
typedef long(PDCONDUITAPI* PFN_OpenConduit)(void* pFn, void* pSyncProps);
typedef long(PDCONDUITAPI* PFN_GetConduitName)(char* pszName, uint16_t wLen);

// Media types of expansion slots (first character in the most significant byte).
constexpr uint32_t PdFourCC(char a, char b, char c, char d) {
  return (uint32_t(uint8_t(a)) << 24) | (uint32_t(uint8_t(b)) << 16) |
         (uint32_t(uint8_t(c)) << 8) | uint32_t(uint8_t(d));
}
constexpr uint32_t PD_MEDIA_WILD = PdFourCC('w', 'i', 'l', 'd');

// Registry layout under HKEY_CURRENT_USER. Palm Desktop's own keys: "Core"
// (value "DesktopPath") and "Application%d". The rest is the stand-ins' own
// store (see palmdesk/README.md).
#define PD_REG_ROOT "Software\\U.S. Robotics\\Pilot Desktop"
#define PD_REG_CORE PD_REG_ROOT "\\Core"
#define PD_REG_APP_FMT PD_REG_ROOT "\\Application%d"
#define PD_REG_USERS PD_REG_ROOT "\\Users"
#define PD_REG_USER_FMT PD_REG_USERS "\\User%d"
#define PD_REG_INSTALL PD_REG_ROOT "\\InstallConduits"
#define PD_REG_INSTALL_FMT PD_REG_INSTALL "\\Conduit%d"
#define PD_REG_BACKUP PD_REG_ROOT "\\Backup"
#define PD_REG_HOTSYNC PD_REG_ROOT "\\HotSync"
