// Stand-in Install Aide ("instaide.dll"). Install conduits are the keys
// InstallConduits\Conduit0, Conduit1, ... (no gaps) with "Creator" (DWORD, first
// character in the most significant byte), "Conduit" and "Title".
#define TDX_PALM_STANDIN
#include "PdStore.h"

#include <cstring>

using namespace pdstore;

extern "C" {

int32_t PDAPI PltGetInstallConduitCount(void) { return CountNumbered(PD_REG_INSTALL_FMT); }

// Fills the 840-byte block (its size comes only through pSize); 1 when it is
// valid. Directory, extensions and mask are left empty: nothing reads them.
int32_t PDAPI PltGetInstallConduitInfo(int32_t nIndex, void* pInfo, int32_t* pSize) {
  if (!pInfo || !pSize || nIndex < 0) return PD_ERR_NOT_BOUND;
  if (*pSize < static_cast<int32_t>(sizeof(PltInstallConduitInfo))) {
    *pSize = sizeof(PltInstallConduitInfo);
    return PD_ERR_TOO_SMALL;
  }
  const std::string key = KeyPath(PD_REG_INSTALL_FMT, nIndex);
  uint32_t dwCreator = 0;
  std::string lib, title;
  if (!ReadDword(key, "Creator", &dwCreator)) return PD_ERR_NOT_FOUND;
  ReadString(key, "Conduit", &lib);
  ReadString(key, "Title", &title);
  PltInstallConduitInfo info{};
  // A stored text too long for its field makes the entry unusable rather than cut.
  if (lib.size() >= sizeof info.szConduit || title.size() >= sizeof info.szTitle)
    return PD_ERR_STORAGE;
  std::memcpy(info.szConduit, lib.c_str(), lib.size() + 1);
  char sz[5];
  CreatorToText(dwCreator, sz);
  std::memcpy(info.szCreator, sz, 4);
  std::memcpy(info.szTitle, title.c_str(), title.size() + 1);
  std::memcpy(pInfo, &info, sizeof info);
  *pSize = sizeof info;
  return 1;
}

// Appends an install conduit; its index, or an error.
int32_t PDAPI TdxSeedInstallConduit(const char* pCreator, const char* pLibrary, const char* pTitle) {
  uint32_t dw;
  if (!CreatorFromText(pCreator, &dw) || !pLibrary || !pTitle ||
      std::strlen(pLibrary) >= sizeof(PltInstallConduitInfo::szConduit) ||
      std::strlen(pTitle) >= sizeof(PltInstallConduitInfo::szTitle))
    return PD_ERR_NOT_BOUND;
  const int n = CountNumbered(PD_REG_INSTALL_FMT);
  const std::string key = KeyPath(PD_REG_INSTALL_FMT, n);
  if (WriteDword(key, "Creator", dw) && WriteString(key, "Conduit", pLibrary) &&
      WriteString(key, "Title", pTitle))
    return n;
  DeleteTree(key);
  return PD_ERR_STORAGE;
}

int32_t PDAPI TdxRemoveInstallConduit(int32_t nIndex) {
  if (nIndex < 0) return PD_ERR_NOT_BOUND;
  if (!KeyExists(KeyPath(PD_REG_INSTALL_FMT, nIndex))) return PD_ERR_NOT_FOUND;
  return RemoveNumbered(PD_REG_INSTALL_FMT, nIndex) ? PD_OK : PD_ERR_STORAGE;
}

}  // extern "C"
