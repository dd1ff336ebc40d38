// Stand-in Conduit Manager ("condmgr.dll"). Application conduits are the keys
// Application0, Application1, ... (no gaps); the backup conduit is the value
// "Conduit" of the key "Backup".
//
// Every answer reflects the registry as it is at the call. Finding a creator's
// key would mean opening every key before it on each call (seconds for a few
// hundred conduits under Wine), so the creators are indexed once and the index
// is dropped as soon as the registry reports any change below the root key
// (RegNotifyChangeKeyValue, checked on every call), or the root key is deleted.
#define TDX_PALM_STANDIN
#include "PdStore.h"

#include <vector>

using namespace pdstore;

namespace {

struct CreatorIndex {
  HKEY hRoot = nullptr;
  HANDLE hChanged = nullptr;
  bool bValid = false;
  std::vector<uint32_t> creators;  // per Application%d; kNoCreator when unreadable
  std::vector<bool> hasCreator;

  void Drop() {
    bValid = false;
    if (hRoot) RegCloseKey(hRoot);
    hRoot = nullptr;
  }
  ~CreatorIndex() {
    Drop();
    if (hChanged) CloseHandle(hChanged);
  }

  bool Current() {
    if (!bValid) return false;
    if (WaitForSingleObject(hChanged, 0) != WAIT_TIMEOUT) return false;
    // A deleted root key sends no further notices: it must still be there.
    DWORD nSubKeys = 0;
    return RegQueryInfoKeyA(hRoot, nullptr, nullptr, nullptr, &nSubKeys, nullptr, nullptr,
                            nullptr, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  }

  void Rebuild() {
    Drop();
    creators.clear();
    hasCreator.clear();
    if (!hChanged) hChanged = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!hChanged) return;
    ResetEvent(hChanged);
    // Watch first, then read: a change during the reading is not missed.
    bool bWatching = RegOpenKeyExA(HKEY_CURRENT_USER, PD_REG_ROOT, 0, KEY_READ | KEY_NOTIFY,
                                   &hRoot) == ERROR_SUCCESS &&
                     RegNotifyChangeKeyValue(hRoot, TRUE,
                                             REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET,
                                             hChanged, TRUE) == ERROR_SUCCESS;
    for (int i = 0;; ++i) {
      const std::string key = KeyPath(PD_REG_APP_FMT, i);
      if (!KeyExists(key)) break;
      uint32_t dw = 0;
      hasCreator.push_back(ReadDword(key, "Creator", &dw));
      creators.push_back(dw);
    }
    bValid = bWatching;
  }

  const CreatorIndex& Get() {
    if (!Current()) Rebuild();
    return *this;
  }

  // After a write of our own the watch has fired: set it again. The caller
  // then brings the index up to date itself, so the next call need not read
  // every key again (which made registering many conduits quadratic).
  bool Rearm() {
    if (!bValid) return false;
    ResetEvent(hChanged);
    if (RegNotifyChangeKeyValue(hRoot, TRUE, REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET,
                                hChanged, TRUE) != ERROR_SUCCESS) {
      Drop();
      return false;
    }
    return true;
  }
};

CreatorIndex g_index;

// Runs one of our own writes. When the index was current before it, it stays
// current through update(index, result) instead of being dropped.
template <typename Write, typename Update>
int32_t OwnWrite(Write write, Update update) {
  const bool bCurrent = g_index.Current();
  const int32_t rc = write();
  if (bCurrent && g_index.Rearm()) update(g_index, rc);
  return rc;
}

void Unchanged(CreatorIndex&, int32_t) {}

// Index of the first application conduit with this creator, or -1.
int FindApp(uint32_t dwCreator) {
  const CreatorIndex& idx = g_index.Get();
  for (size_t i = 0; i < idx.creators.size(); ++i)
    if (idx.hasCreator[i] && idx.creators[i] == dwCreator) return static_cast<int>(i);
  return -1;
}

// Key of the conduit named by creator text, or an error code.
int32_t AppKey(const char* pCreator, std::string* pKey) {
  uint32_t dw;
  if (!CreatorFromText(pCreator, &dw)) return PD_ERR_NOT_BOUND;
  const int n = FindApp(dw);
  if (n < 0) return PD_ERR_NOT_FOUND;
  *pKey = KeyPath(PD_REG_APP_FMT, n);
  return PD_OK;
}

int32_t GetText(const char* pCreator, const char* pValue, char* pBuf, int32_t* pSize) {
  if (!pBuf || !pSize) return PD_ERR_NOT_BOUND;
  std::string key, text;
  const int32_t rc = AppKey(pCreator, &key);
  if (rc != PD_OK) return FailText(rc, pBuf, pSize);
  if (!ReadString(key, pValue, &text)) return FailText(PD_ERR_NOT_FOUND, pBuf, pSize);
  return PutText(text, pBuf, pSize);
}

int32_t GetNumber(const char* pCreator, const char* pValue, int32_t* pOut) {
  if (!pOut) return PD_ERR_NOT_BOUND;
  std::string key;
  const int32_t rc = AppKey(pCreator, &key);
  if (rc != PD_OK) return rc;
  uint32_t dw;
  if (!ReadDword(key, pValue, &dw)) return PD_ERR_NOT_FOUND;
  *pOut = static_cast<int32_t>(dw);
  return PD_OK;
}

// Test hook: a write of the value named by TDX_CONDMGR_REFUSE in the calling
// process's environment fails as a store that cannot be written would.
bool Refused(const char* pValue) {
  char sz[32];
  const DWORD n = GetEnvironmentVariableA("TDX_CONDMGR_REFUSE", sz, sizeof sz);
  return n > 0 && n < sizeof sz && lstrcmpiA(sz, pValue) == 0;
}

int32_t SetText(const char* pCreator, const char* pValue, const char* pText) {
  if (!TextOk(pText)) return PD_ERR_NOT_BOUND;
  if (Refused(pValue)) return PD_ERR_STORAGE;
  std::string key;
  const int32_t rc = AppKey(pCreator, &key);
  if (rc != PD_OK) return rc;
  return OwnWrite([&] { return WriteString(key, pValue, pText) ? PD_OK : PD_ERR_STORAGE; },
                  Unchanged);
}

int32_t SetNumber(const char* pCreator, const char* pValue, int32_t nValue) {
  if (Refused(pValue)) return PD_ERR_STORAGE;
  std::string key;
  const int32_t rc = AppKey(pCreator, &key);
  if (rc != PD_OK) return rc;
  return OwnWrite(
      [&] { return WriteDword(key, pValue, static_cast<uint32_t>(nValue)) ? PD_OK : PD_ERR_STORAGE; },
      Unchanged);
}

}  // namespace

extern "C" {

int32_t PDAPI CmGetConduitCount(void) {
  return static_cast<int32_t>(g_index.Get().creators.size());
}

int32_t PDAPI CmGetConduitCreatorID(int32_t nIndex, char* pBuf, int32_t* pSize) {
  if (!pBuf || !pSize) return PD_ERR_NOT_BOUND;
  if (nIndex < 0) return FailText(PD_ERR_NOT_BOUND, pBuf, pSize);
  uint32_t dw;
  if (!ReadDword(KeyPath(PD_REG_APP_FMT, nIndex), "Creator", &dw))
    return FailText(PD_ERR_NOT_FOUND, pBuf, pSize);
  char sz[5];
  CreatorToText(dw, sz);
  return PutText(sz, pBuf, pSize);
}

int32_t PDAPI CmGetCreatorName(const char* pCreator, char* pBuf, int32_t* pSize) {
  return GetText(pCreator, "Conduit", pBuf, pSize);
}

int32_t PDAPI CmConvertStringToCreatorID(const char* pCreator, uint32_t* pID) {
  if (!pID) return PD_ERR_NOT_BOUND;
  return CreatorFromText(pCreator, pID) ? PD_OK : PD_ERR_NOT_BOUND;
}

int32_t PDAPI CmConvertCreatorIDToString(uint32_t dwID, char* pBuf, int32_t* pSize) {
  if (!pBuf || !pSize) return PD_ERR_NOT_BOUND;
  char sz[5];
  CreatorToText(dwID, sz);
  return PutText(sz, pBuf, pSize);
}

int32_t PDAPI CmGetCreatorIntegrate(const char* pCreator, int32_t* pValue) {
  return GetNumber(pCreator, "Integrate", pValue);
}

int32_t PDAPI CmGetCreatorPriority(const char* pCreator, int32_t* pValue) {
  return GetNumber(pCreator, "Priority", pValue);
}

int32_t PDAPI CmGetCreatorFile(const char* pCreator, char* pBuf, int32_t* pSize) {
  return GetText(pCreator, "File", pBuf, pSize);
}

int32_t PDAPI CmGetCreatorDirectory(const char* pCreator, char* pBuf, int32_t* pSize) {
  return GetText(pCreator, "Directory", pBuf, pSize);
}

int32_t PDAPI CmGetCreatorInfo(const char* pCreator, char* pBuf, int32_t* pSize) {
  return GetText(pCreator, "Info", pBuf, pSize);
}

int32_t PDAPI CmGetCreatorRemote(const char* pCreator, char* pBuf, int32_t* pSize) {
  return GetText(pCreator, "Remote", pBuf, pSize);
}

int32_t PDAPI CmGetCreatorTitle(const char* pCreator, char* pBuf, int32_t* pSize) {
  return GetText(pCreator, "Title", pBuf, pSize);
}

int32_t PDAPI CmGetBackupConduit(char* pBuf, int32_t* pSize) {
  if (!pBuf || !pSize) return PD_ERR_NOT_BOUND;
  std::string text;
  if (!ReadString(PD_REG_BACKUP, "Conduit", &text)) return FailText(PD_ERR_NOT_FOUND, pBuf, pSize);
  return PutText(text, pBuf, pSize);
}

int32_t PDAPI CmSetBackupConduit(const char* pLibrary) {
  if (!TextOk(pLibrary)) return PD_ERR_NOT_BOUND;
  return OwnWrite(
      [&] { return WriteString(PD_REG_BACKUP, "Conduit", pLibrary) ? PD_OK : PD_ERR_STORAGE; },
      Unchanged);
}

int32_t PDAPI CmInstallCreator(const char* pCreator, int32_t nType) {
  uint32_t dw;
  if (!CreatorFromText(pCreator, &dw) || nType != PD_CONDUIT_APPLICATION) return PD_ERR_NOT_BOUND;
  if (FindApp(dw) >= 0) return PD_ERR_EXISTS;
  const int n = CountNumbered(PD_REG_APP_FMT);
  const std::string key = KeyPath(PD_REG_APP_FMT, n);
  return OwnWrite(
      [&] {
        // A new conduit starts with the default priority and no integration.
        if (WriteDword(key, "Creator", dw) && WriteDword(key, "Priority", 2) &&
            WriteDword(key, "Integrate", 0))
          return PD_OK;
        DeleteTree(key);
        return PD_ERR_STORAGE;
      },
      [&](CreatorIndex& idx, int32_t rc) {
        if (rc != PD_OK) return;
        if (static_cast<size_t>(n) != idx.creators.size()) return idx.Drop();  // keys of others
        idx.creators.push_back(dw);
        idx.hasCreator.push_back(true);
      });
}

int32_t PDAPI CmSetCreatorName(const char* pCreator, const char* pValue) {
  return SetText(pCreator, "Conduit", pValue);
}

int32_t PDAPI CmSetCreatorDirectory(const char* pCreator, const char* pValue) {
  return SetText(pCreator, "Directory", pValue);
}

int32_t PDAPI CmSetCreatorFile(const char* pCreator, const char* pValue) {
  return SetText(pCreator, "File", pValue);
}

int32_t PDAPI CmSetCreatorPriority(const char* pCreator, int32_t nPriority) {
  if (nPriority < 1 || nPriority > 5) return PD_ERR_NOT_BOUND;
  return SetNumber(pCreator, "Priority", nPriority);
}

int32_t PDAPI CmSetCreatorRemote(const char* pCreator, const char* pValue) {
  return SetText(pCreator, "Remote", pValue);
}

int32_t PDAPI CmSetCreatorTitle(const char* pCreator, const char* pValue) {
  return SetText(pCreator, "Title", pValue);
}

int32_t PDAPI CmSetCreatorInfo(const char* pCreator, const char* pValue) {
  return SetText(pCreator, "Info", pValue);
}

int32_t PDAPI CmSetCreatorIntegrate(const char* pCreator, int32_t nValue) {
  return SetNumber(pCreator, "Integrate", nValue);
}

int32_t PDAPI CmRemoveConduitByCreatorID(const char* pCreator) {
  uint32_t dw;
  if (!CreatorFromText(pCreator, &dw)) return PD_ERR_NOT_BOUND;
  const int n = FindApp(dw);
  if (n < 0) return PD_ERR_NOT_FOUND;
  return OwnWrite([&] { return RemoveNumbered(PD_REG_APP_FMT, n) ? 1 : PD_ERR_STORAGE; },
                  [&](CreatorIndex& idx, int32_t rc) {
                    if (rc != 1) return idx.Drop();
                    idx.creators.erase(idx.creators.begin() + n);
                    idx.hasCreator.erase(idx.hasCreator.begin() + n);
                  });
}

}  // extern "C"
