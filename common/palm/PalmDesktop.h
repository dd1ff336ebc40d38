// Palm Desktop access: finding its directory, loading its libraries and binding
// their operations, and the process-wide list of Palm users.
#pragma once

#include <cstdint>

#include "misc/CxList.h"

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
// of 0; -101 when neither "PDPath" nor the registry value can be read.
int GetPalmDesktopPath(char* szBuf, unsigned cbBuf);

bool LoadCondMgrLib();
bool LoadUserDataLib();
bool LoadHsApiLib();
bool LoadInstAideLib();
bool LoadPalmLibraries(unsigned nMask);
void UnloadPalmLibraries(unsigned nMask);

bool BuildUserList();
void FreeUserList();
// The user list, or null before start-up and after shut-down.
CxListOf<PalmUser>* GetPalmUserList();

// First step of start-up and last of shut-down.
void StartPalmLayer();
void StopPalmLayer();
