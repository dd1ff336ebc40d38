#include "palm/PalmDesktop.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <new>

#include "misc/WinUtil.h"

const char* const PD_MSG_NO_USERS = "Can not find any Palm users in your desktop environment.";

namespace {

constexpr unsigned kPathSize = 260;  // at most 259 characters and the terminator

struct LibInfo {
  const char* szFile;
  unsigned nMaskBit;
};
constexpr LibInfo kLibs[PDL_COUNT] = {
    {"condmgr.dll", PD_LIB_CONDMGR},
    {"UserData.dll", PD_LIB_USERDATA},
    {"HSAPI.DLL", PD_LIB_HSAPI},
    {"instaide.dll", PD_LIB_INSTAIDE},
};
// Mask bits in loading order, with the library each one selects.
constexpr PdLib kLoadOrder[PDL_COUNT] = {PDL_CONDMGR, PDL_USERDATA, PDL_HSAPI, PDL_INSTAIDE};

HMODULE g_hLib[PDL_COUNT] = {};
CxListOf<PalmUser>* g_pUsers = nullptr;

void DefaultPrompt(const char* szText, const char* szCaption) {
  // No owner, and the splash stays on top while start-up runs: keep the box above it.
  MessageBoxA(nullptr, szText, szCaption, MB_OK | MB_ICONERROR | MB_TOPMOST);
}
PalmErrorPrompt g_pfnPrompt = DefaultPrompt;

// One binding per operation.
#define PD_DEFINE_SLOT(lib, ret, name, params, args) PFN_##name g_pfn##name = nullptr;
PD_ALL_OPS(PD_DEFINE_SLOT)
#undef PD_DEFINE_SLOT

template <typename Pfn>
Pfn Bind(HMODULE h, const char* szName) {
  return reinterpret_cast<Pfn>(reinterpret_cast<void*>(GetProcAddress(h, szName)));
}

void BindLib(PdLib nLib) {
  HMODULE h = g_hLib[nLib];
#define PD_BIND(lib, ret, name, params, args) \
  if (lib == nLib) g_pfn##name = h ? Bind<PFN_##name>(h, #name) : nullptr;
  PD_ALL_OPS(PD_BIND)
#undef PD_BIND
}

void UnloadLib(PdLib nLib) {
  if (g_hLib[nLib]) {
    FreeLibrary(g_hLib[nLib]);
    g_hLib[nLib] = nullptr;
  }
  BindLib(nLib);  // with no handle: every binding of the library emptied
}

bool LoadLibFrom(PdLib nLib, const char* szDir) {
  char szPath[kPathSize];
  const int n = std::snprintf(szPath, sizeof szPath, "%s\\%s", szDir, kLibs[nLib].szFile);
  if (n < 0 || n >= static_cast<int>(sizeof szPath)) return false;  // would not fit: not loaded
  g_hLib[nLib] = LoadLibraryA(szPath);
  if (!g_hLib[nLib]) return false;
  BindLib(nLib);
  return true;
}

bool LoadLib(PdLib nLib) {
  UnloadLib(nLib);
  char szDir[kPathSize];
  if (GetPalmDesktopPath(szDir, sizeof szDir) != 0) return false;
  return LoadLibFrom(nLib, szDir);
}

}  // namespace

// The bindings: call through when bound, -100 otherwise.
#define PD_DEFINE_BINDING(lib, ret, name, params, args) \
  ret name params {                                     \
    if (!g_pfn##name) return static_cast<ret>(PD_ERR_NOT_BOUND); \
    return g_pfn##name args;                            \
  }
PD_ALL_OPS(PD_DEFINE_BINDING)
#undef PD_DEFINE_BINDING

int GetPalmDesktopPath(char* szBuf, unsigned cbBuf) {
  if (!szBuf || !cbBuf) return PD_ERR_NOT_BOUND;
  szBuf[0] = '\0';

  // The settings file's override wins. It is read into a larger buffer so a
  // value that does not fit is refused instead of being cut to a wrong path.
  char szIni[MAX_PATH + 16];
  if (GetModuleDir(nullptr, szIni) && std::strlen(szIni) + 12 < sizeof szIni) {
    std::strcat(szIni, "tessary.ini");
    char szOverride[1024];
    const DWORD n =
        GetPrivateProfileStringA("Path", "PDPath", "", szOverride, sizeof szOverride, szIni);
    if (n > 0) {
      if (n >= cbBuf || n >= sizeof szOverride - 1) return PD_ERR_NOT_FOUND;
      std::memcpy(szBuf, szOverride, n + 1);
      return PD_OK;
    }
  }

  HKEY hKey;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, PD_REG_CORE, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
    return PD_ERR_NOT_FOUND;
  DWORD dwType = 0;
  DWORD cb = cbBuf;
  const LONG rc =
      RegQueryValueExA(hKey, "DesktopPath", nullptr, &dwType, reinterpret_cast<BYTE*>(szBuf), &cb);
  RegCloseKey(hKey);
  bool bOk = rc == ERROR_SUCCESS && (dwType == REG_SZ || dwType == REG_EXPAND_SZ);
  if (bOk) {
    // The value may be stored without its terminator: it must still fit with one.
    if (cb > 0 && szBuf[cb - 1] == '\0')
      ;
    else if (cb < cbBuf)
      szBuf[cb] = '\0';
    else
      bOk = false;
  }
  if (!bOk) {
    szBuf[0] = '\0';
    return PD_ERR_NOT_FOUND;
  }
  return PD_OK;
}

bool LoadCondMgrLib() { return LoadLib(PDL_CONDMGR); }
bool LoadUserDataLib() { return LoadLib(PDL_USERDATA); }
bool LoadHsApiLib() { return LoadLib(PDL_HSAPI); }
bool LoadInstAideLib() { return LoadLib(PDL_INSTAIDE); }

bool LoadPalmLibraries(unsigned nMask) {
  for (PdLib nLib : kLoadOrder) {
    if ((nMask & kLibs[nLib].nMaskBit) && !LoadLib(nLib)) return false;
  }
  return true;
}

bool LoadPalmLibrariesFrom(const char* szDir, unsigned nMask) {
  if (!szDir) return false;
  for (PdLib nLib : kLoadOrder) {
    if (!(nMask & kLibs[nLib].nMaskBit)) continue;
    UnloadLib(nLib);
    if (!LoadLibFrom(nLib, szDir)) return false;
  }
  return true;
}

void UnloadPalmLibraries(unsigned nMask) {
  for (PdLib nLib : kLoadOrder) {
    if (nMask & kLibs[nLib].nMaskBit) UnloadLib(nLib);
  }
}

bool IsPalmLibraryLoaded(unsigned nLib) {
  for (PdLib n : kLoadOrder) {
    if (kLibs[n].nMaskBit == nLib) return g_hLib[n] != nullptr;
  }
  return false;
}

bool BuildUserList() {
  FreeUserList();
  g_pUsers = new (std::nothrow) CxListOf<PalmUser>;
  if (!g_pUsers) return false;

  const int16_t nCount = UmGetUserCount();
  for (int16_t i = 0; i < nCount; ++i) {
    PalmUser* pUser = new (std::nothrow) PalmUser{};
    if (!pUser) break;
    UmGetUserID(i, &pUser->dwUserID);
    uint16_t cb = sizeof pUser->szUserName;
    UmGetUserName(pUser->dwUserID, pUser->szUserName, &cb);
    cb = sizeof pUser->szUserDir;
    UmGetUserDirectory(pUser->dwUserID, pUser->szUserDir, &cb);
    // A library that wrote an unterminated text must not leak into our strings.
    pUser->szUserName[sizeof pUser->szUserName - 1] = '\0';
    pUser->szUserDir[sizeof pUser->szUserDir - 1] = '\0';
    if (!g_pUsers->Add(pUser)) {
      delete pUser;
      break;
    }
  }
  if (nCount < 0) {
    g_pfnPrompt(PD_MSG_NO_USERS, "Error");
    return false;
  }
  return true;
}

void FreeUserList() {
  if (!g_pUsers) return;
  delete g_pUsers;  // deletes every record
  g_pUsers = nullptr;
}

CxListOf<PalmUser>* GetPalmUserList() { return g_pUsers; }

void StartPalmLayer() {
  char szDir[kPathSize];
  if (GetPalmDesktopPath(szDir, sizeof szDir) == 0) SetCurrentDirectoryA(szDir);
  LoadPalmLibraries(PD_LIB_ALL);
  BuildUserList();
}

void StopPalmLayer() {
  FreeUserList();
  UnloadPalmLibraries(PD_LIB_ALL);
}

PalmErrorPrompt SetPalmErrorPrompt(PalmErrorPrompt pfn) {
  PalmErrorPrompt pOld = g_pfnPrompt;
  g_pfnPrompt = pfn ? pfn : DefaultPrompt;
  return pOld == DefaultPrompt ? nullptr : pOld;
}
