// Stand-in User Data library ("UserData.dll"). Users are the keys Users\User0,
// User1, ... (no gaps), each with its slots under Slots\Slot%d and its sync
// preferences under TempSync / PermSync (one DWORD per creator number).
#define TDX_PALM_STANDIN
#include "PdStore.h"

#include <vector>

using namespace pdstore;

namespace {

// Key of the user with this ID, or empty.
std::string UserKey(uint32_t dwUserID) {
  for (int i = 0;; ++i) {
    std::string key = KeyPath(PD_REG_USER_FMT, i);
    if (!KeyExists(key)) return {};
    uint32_t dw;
    if (ReadDword(key, "UserID", &dw) && dw == dwUserID) return key;
  }
}

std::string SlotFmt(const std::string& userKey) { return userKey + "\\Slots\\Slot%d"; }

// Key of a user's slot with this reference number, or empty.
std::string SlotKey(uint32_t dwUserID, uint32_t dwSlotRef) {
  const std::string user = UserKey(dwUserID);
  if (user.empty()) return {};
  const std::string fmt = SlotFmt(user);
  for (int i = 0;; ++i) {
    std::string key = KeyPath(fmt.c_str(), i);
    if (!KeyExists(key)) return {};
    uint32_t dw;
    if (ReadDword(key, "SlotRef", &dw) && dw == dwSlotRef) return key;
  }
}

int32_t UserText(uint32_t dwUserID, const char* pValue, char* pBuf, uint16_t* pSize) {
  if (!pBuf || !pSize) return PD_ERR_NOT_BOUND;
  const std::string key = UserKey(dwUserID);
  std::string text;
  if (key.empty() || !ReadString(key, pValue, &text)) return FailText(PD_ERR_NOT_FOUND, pBuf, pSize);
  return PutText(text, pBuf, pSize);
}

// A creator number names its preference value: eight hex digits, so any number
// makes a valid registry name.
std::string PrefName(uint32_t dwCreatorID) {
  char sz[9];
  wsprintfA(sz, "%08lX", static_cast<unsigned long>(dwCreatorID));
  return sz;
}

// Test hook: a write for the creator whose four characters are in
// TDX_USERDATA_REFUSE (calling process's environment) fails as a store that
// cannot be written would.
bool Refused(uint32_t dwCreatorID) {
  char sz[16];
  const DWORD n = GetEnvironmentVariableA("TDX_USERDATA_REFUSE", sz, sizeof sz);
  uint32_t dw;
  return n > 0 && n < sizeof sz && CreatorFromText(sz, &dw) && dw == dwCreatorID;
}

bool ValidAction(int32_t nAction) {
  return nAction >= PD_SYNC_SYNCHRONIZE && nAction <= PD_SYNC_CUSTOM;
}

int32_t GetPref(uint32_t dwUserID, const char* pKind, uint32_t dwCreatorID, int32_t* pAction) {
  if (!pAction) return PD_ERR_NOT_BOUND;
  const std::string key = UserKey(dwUserID);
  if (key.empty()) return PD_ERR_NOT_FOUND;
  uint32_t dw;
  if (!ReadDword(key + "\\" + pKind, PrefName(dwCreatorID).c_str(), &dw)) return PD_ERR_NOT_FOUND;
  *pAction = static_cast<int32_t>(dw);
  return PD_OK;
}

int32_t SetPref(uint32_t dwUserID, const char* pKind, uint32_t dwCreatorID, int32_t nAction) {
  if (!ValidAction(nAction)) return PD_ERR_NOT_BOUND;
  const std::string key = UserKey(dwUserID);
  if (key.empty()) return PD_ERR_NOT_FOUND;
  if (Refused(dwCreatorID)) return PD_ERR_STORAGE;
  const std::string name = PrefName(dwCreatorID);
  return WriteDword(key + "\\" + pKind, name.c_str(), static_cast<uint32_t>(nAction)) ? PD_OK
                                                                                     : PD_ERR_STORAGE;
}

int32_t DeletePref(uint32_t dwUserID, const char* pKind, uint32_t dwCreatorID) {
  const std::string key = UserKey(dwUserID);
  if (key.empty()) return PD_ERR_NOT_FOUND;
  const std::string prefs = key + "\\" + pKind;
  if (!DeleteValue(prefs, PrefName(dwCreatorID).c_str())) return PD_ERR_NOT_FOUND;
  // The last preference leaves no empty key behind: the user's keys are as
  // they were before the first one was set.
  HKEY h;
  DWORD nValues = 1, nKeys = 1;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, prefs.c_str(), 0, KEY_READ, &h) == ERROR_SUCCESS) {
    RegQueryInfoKeyA(h, nullptr, nullptr, nullptr, &nKeys, nullptr, nullptr, &nValues, nullptr,
                     nullptr, nullptr, nullptr);
    RegCloseKey(h);
    if (nValues == 0 && nKeys == 0) RegDeleteKeyA(HKEY_CURRENT_USER, prefs.c_str());
  }
  return PD_OK;
}

// A directory name for a new user: the name's letters and digits (at most 16),
// made unique among the users' directories with a number.
std::string NewUserDir(const char* pName) {
  std::string base;
  for (const char* p = pName; *p && base.size() < 16; ++p)
    if ((*p >= 'A' && *p <= 'Z') || (*p >= 'a' && *p <= 'z') || (*p >= '0' && *p <= '9'))
      base += *p;
  if (base.empty()) base = "User";
  for (int nTry = 0;; ++nTry) {
    const std::string dir = nTry ? base + std::to_string(nTry) : base;
    bool bTaken = false;
    for (int i = 0;; ++i) {
      const std::string key = KeyPath(PD_REG_USER_FMT, i);
      if (!KeyExists(key)) break;
      std::string other;
      if (ReadString(key, "Directory", &other) && lstrcmpiA(other.c_str(), dir.c_str()) == 0)
        bTaken = true;
    }
    if (!bTaken) return dir;
  }
}

// Appends a user record; its index, or an error.
int32_t CreateUser(uint32_t dwUserID, const char* pName, const char* pDirectory, int32_t bProfile) {
  if (!pName || !pDirectory || std::char_traits<char>::length(pName) > 63 ||
      std::char_traits<char>::length(pDirectory) > 255)
    return PD_ERR_NOT_BOUND;
  if (!UserKey(dwUserID).empty()) return PD_ERR_EXISTS;
  const int n = CountNumbered(PD_REG_USER_FMT);
  if (n >= 0x7FFF) return PD_ERR_STORAGE;
  const std::string key = KeyPath(PD_REG_USER_FMT, n);
  if (WriteDword(key, "UserID", dwUserID) && WriteString(key, "Name", pName) &&
      WriteString(key, "Directory", pDirectory) && WriteDword(key, "Profile", bProfile ? 1 : 0))
    return n;
  DeleteTree(key);
  return PD_ERR_STORAGE;
}

}  // namespace

extern "C" {

int16_t PDAPI UmGetUserCount(void) {
  return static_cast<int16_t>(CountNumbered(PD_REG_USER_FMT));
}

int32_t PDAPI UmGetUserID(int16_t nIndex, uint32_t* pUserID) {
  if (!pUserID || nIndex < 0) return PD_ERR_NOT_BOUND;
  return ReadDword(KeyPath(PD_REG_USER_FMT, nIndex), "UserID", pUserID) ? PD_OK : PD_ERR_NOT_FOUND;
}

int32_t PDAPI UmGetUserName(uint32_t dwUserID, char* pBuf, uint16_t* pSize) {
  return UserText(dwUserID, "Name", pBuf, pSize);
}

int32_t PDAPI UmGetUserDirectory(uint32_t dwUserID, char* pBuf, uint16_t* pSize) {
  return UserText(dwUserID, "Directory", pBuf, pSize);
}

int32_t PDAPI UmIsUserProfile(uint32_t dwUserID) {
  const std::string key = UserKey(dwUserID);
  uint32_t dw = 0;
  return !key.empty() && ReadDword(key, "Profile", &dw) && dw ? 1 : 0;
}

// The users' data live beside the libraries: the directory of this library.
int32_t PDAPI UmGetRootDirectory(char* pBuf, uint16_t* pSize) {
  if (!pBuf || !pSize) return PD_ERR_NOT_BOUND;
  HMODULE h = nullptr;
  char sz[MAX_PATH];
  if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                              GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          reinterpret_cast<LPCSTR>(&UmGetRootDirectory), &h))
    return FailText(PD_ERR_STORAGE, pBuf, pSize);
  const DWORD n = GetModuleFileNameA(h, sz, sizeof sz);
  if (n == 0 || n >= sizeof sz) return FailText(PD_ERR_STORAGE, pBuf, pSize);
  std::string dir(sz, n);
  const size_t slash = dir.find_last_of("\\/");
  dir.resize(slash == std::string::npos ? 0 : slash);
  return PutText(dir, pBuf, pSize);
}

int32_t PDAPI UmSlotGetSlotCount(uint32_t dwUserID, uint16_t* pCount) {
  if (!pCount) return PD_ERR_NOT_BOUND;
  const std::string key = UserKey(dwUserID);
  if (key.empty()) return PD_ERR_NOT_FOUND;
  *pCount = static_cast<uint16_t>(CountNumbered(SlotFmt(key).c_str()));
  return PD_OK;
}

// *pCount is the capacity of pRefs on entry and the number of slots on return;
// a short array gets what fits and PD_ERR_TOO_SMALL.
int32_t PDAPI UmSlotGetInfo(uint32_t dwUserID, uint32_t* pRefs, uint16_t* pCount) {
  if (!pCount || (!pRefs && *pCount)) return PD_ERR_NOT_BOUND;
  const std::string key = UserKey(dwUserID);
  if (key.empty()) return PD_ERR_NOT_FOUND;
  const std::string fmt = SlotFmt(key);
  const int n = CountNumbered(fmt.c_str());
  const int nCap = *pCount;
  for (int i = 0; i < n && i < nCap; ++i) {
    uint32_t dw = 0;
    ReadDword(KeyPath(fmt.c_str(), i), "SlotRef", &dw);
    pRefs[i] = dw;
  }
  *pCount = static_cast<uint16_t>(n);
  return n > nCap ? PD_ERR_TOO_SMALL : PD_OK;
}

int32_t PDAPI UmSlotGetMediaType(uint32_t dwUserID, uint32_t dwSlotRef, uint32_t* pMediaType) {
  if (!pMediaType) return PD_ERR_NOT_BOUND;
  const std::string key = SlotKey(dwUserID, dwSlotRef);
  if (key.empty()) return PD_ERR_NOT_FOUND;
  return ReadDword(key, "MediaType", pMediaType) ? PD_OK : PD_ERR_NOT_FOUND;
}

int32_t PDAPI UmSlotGetDisplayName(uint32_t dwUserID, uint32_t dwSlotRef, char* pBuf,
                                   int32_t* pSize) {
  if (!pBuf || !pSize) return PD_ERR_NOT_BOUND;
  const std::string key = SlotKey(dwUserID, dwSlotRef);
  std::string text;
  if (key.empty() || !ReadString(key, "Name", &text)) return FailText(PD_ERR_NOT_FOUND, pBuf, pSize);
  return PutText(text, pBuf, pSize);
}

int32_t PDAPI UmGetUserTempSyncPreferences(uint32_t dwUserID, uint32_t dwCreatorID,
                                           int32_t* pAction) {
  return GetPref(dwUserID, "TempSync", dwCreatorID, pAction);
}

int32_t PDAPI UmSetUserTempSyncPreferences(uint32_t dwUserID, uint32_t dwCreatorID,
                                           int32_t nAction) {
  return SetPref(dwUserID, "TempSync", dwCreatorID, nAction);
}

int32_t PDAPI UmGetUserPermSyncPreferences(uint32_t dwUserID, uint32_t dwCreatorID,
                                           int32_t* pAction) {
  return GetPref(dwUserID, "PermSync", dwCreatorID, pAction);
}

int32_t PDAPI UmSetUserPermSyncPreferences(uint32_t dwUserID, uint32_t dwCreatorID,
                                           int32_t nAction) {
  return SetPref(dwUserID, "PermSync", dwCreatorID, nAction);
}

int32_t PDAPI UmRemoveUserTempSyncPreferences(uint32_t dwUserID, uint32_t dwCreatorID) {
  return DeletePref(dwUserID, "TempSync", dwCreatorID);
}

int32_t PDAPI UmDeleteUserTempSyncPreferences(uint32_t dwUserID, uint32_t dwCreatorID) {
  return DeletePref(dwUserID, "TempSync", dwCreatorID);
}

int32_t PDAPI UmDeleteUserPermSyncPreferences(uint32_t dwUserID, uint32_t dwCreatorID) {
  return DeletePref(dwUserID, "PermSync", dwCreatorID);
}

// A new user gets the next free ID (one above the highest) and a directory made
// from the name; 0 when it was added.
int32_t PDAPI UmAddUser(const char* pName, int32_t bProfile) {
  if (!pName || !*pName) return PD_ERR_NOT_BOUND;
  uint32_t dwMax = 0;
  for (int i = 0;; ++i) {
    const std::string key = KeyPath(PD_REG_USER_FMT, i);
    if (!KeyExists(key)) break;
    uint32_t dw;
    if (ReadDword(key, "UserID", &dw) && dw > dwMax) dwMax = dw;
  }
  if (dwMax == 0xFFFFFFFFu) return PD_ERR_STORAGE;
  const int32_t rc = CreateUser(dwMax + 1, pName, NewUserDir(pName).c_str(), bProfile);
  return rc < 0 ? rc : PD_OK;
}

int32_t PDAPI UmDeleteUser(uint32_t dwUserID) {
  for (int i = 0;; ++i) {
    const std::string key = KeyPath(PD_REG_USER_FMT, i);
    if (!KeyExists(key)) return PD_ERR_NOT_FOUND;
    uint32_t dw;
    if (ReadDword(key, "UserID", &dw) && dw == dwUserID)
      return RemoveNumbered(PD_REG_USER_FMT, i) ? PD_OK : PD_ERR_STORAGE;
  }
}

int32_t PDAPI TdxSeedUser(uint32_t dwUserID, const char* pName, const char* pDirectory,
                          int32_t bProfile) {
  return CreateUser(dwUserID, pName, pDirectory, bProfile);
}

int32_t PDAPI TdxSeedSlot(uint32_t dwUserID, uint32_t dwSlotRef, uint32_t dwMediaType,
                          const char* pName) {
  if (!pName || std::char_traits<char>::length(pName) > 255) return PD_ERR_NOT_BOUND;
  const std::string user = UserKey(dwUserID);
  if (user.empty()) return PD_ERR_NOT_FOUND;
  if (!SlotKey(dwUserID, dwSlotRef).empty()) return PD_ERR_EXISTS;
  const std::string fmt = SlotFmt(user);
  const int n = CountNumbered(fmt.c_str());
  const std::string key = KeyPath(fmt.c_str(), n);
  if (WriteDword(key, "SlotRef", dwSlotRef) && WriteDword(key, "MediaType", dwMediaType) &&
      WriteString(key, "Name", pName))
    return n;
  DeleteTree(key);
  return PD_ERR_STORAGE;
}

}  // extern "C"
