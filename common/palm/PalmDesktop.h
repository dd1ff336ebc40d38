// Palm Desktop access: finding its directory, loading its libraries and binding
// their operations, and the process-wide list of Palm users.
#pragma once

#include <cstdint>

#include "misc/CxList.h"
#include "palm/PalmApi.h"

// One Palm Desktop user, owned by the user list.
struct PalmUser {
  uint32_t dwUserID;
  char szUserName[64];
  char szUserDir[256];  // relative to the Palm Desktop directory
};

// Library mask bits, in loading order.
enum : unsigned {
  PD_LIB_CONDMGR = 1,
  PD_LIB_USERDATA = 2,
  PD_LIB_HSAPI = 4,
  PD_LIB_INSTAIDE = 8,
  PD_LIB_ALL = 15,
};

// 0 with the directory (as stored) in szBuf; -100 for a missing buffer or a size
// of 0; -101 when neither "PDPath" nor the registry value can be read, or the
// one found does not fit cbBuf with its terminator.
int GetPalmDesktopPath(char* szBuf, unsigned cbBuf);

bool LoadCondMgrLib();
bool LoadUserDataLib();
bool LoadHsApiLib();
bool LoadInstAideLib();
bool LoadPalmLibraries(unsigned nMask);
void UnloadPalmLibraries(unsigned nMask);
// Loads the selected libraries from a given directory instead of the located
// one (the seeding tool), with the same order and stop-at-first-failure rule.
bool LoadPalmLibrariesFrom(const char* szDir, unsigned nMask);
// True while that library (one PD_LIB_* bit) is loaded.
bool IsPalmLibraryLoaded(unsigned nLib);

bool BuildUserList();
void FreeUserList();
// The user list, or null before start-up and after shut-down.
CxListOf<PalmUser>* GetPalmUserList();

// First step of start-up and last of shut-down.
void StartPalmLayer();
void StopPalmLayer();

// How the layer tells the user that no Palm users were found. The default shows
// an owner-less "Error" message box with the error icon; tests put a counter in.
typedef void (*PalmErrorPrompt)(const char* szText, const char* szCaption);
// Installs a prompt (null restores the message box) and returns the previous one.
PalmErrorPrompt SetPalmErrorPrompt(PalmErrorPrompt pfn);

extern const char* const PD_MSG_NO_USERS;  // "Can not find any Palm users in your desktop environment."

// Every library operation, bound at run time. Each returns PD_ERR_NOT_BOUND (-100)
// without calling anything when its library is not loaded or lacks the export.
#define PD_DECLARE_BINDING(lib, ret, name, params, args) ret name params;
PD_ALL_OPS(PD_DECLARE_BINDING)
#undef PD_DECLARE_BINDING
