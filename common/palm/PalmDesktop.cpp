#include "palm/PalmDesktop.h"

// Placeholder until the Palm Desktop access lands: nothing is found or loaded.
int GetPalmDesktopPath(char* szBuf, unsigned cbBuf) {
  if (!szBuf || !cbBuf) return -100;
  szBuf[0] = '\0';
  return -101;
}
bool LoadCondMgrLib() { return false; }
bool LoadUserDataLib() { return false; }
bool LoadHsApiLib() { return false; }
bool LoadInstAideLib() { return false; }
bool LoadPalmLibraries(unsigned) { return false; }
void UnloadPalmLibraries(unsigned) {}
bool BuildUserList() { return false; }
void FreeUserList() {}
CxListOf<PalmUser>* GetPalmUserList() { return nullptr; }
void StartPalmLayer() {}
void StopPalmLayer() {}
