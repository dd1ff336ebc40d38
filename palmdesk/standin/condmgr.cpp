// Stand-in Conduit Manager ("condmgr.dll"). Application conduits are the keys
// Application0, Application1, ... (no gaps); the backup conduit is the value
// "Conduit" of the key "Backup".
//
// Every answer reflects the registry as it is at the call. Under Wine each
// registry call is a round trip to the server, so the application keys are read
// in one pass each and kept, values and all, until the registry reports a
// change anywhere below the vendor key: one watch over that subtree, looked at
// on every call (one round trip). The watch is on the vendor key rather than
// ours because a watch never reports the deletion of its own key, and ours may
// be deleted and made anew.
#define TDX_PALM_STANDIN
#include "PdStore.h"

#include <cstring>
#include <vector>

using namespace pdstore;

namespace {

constexpr char kVendorKey[] = "Software\\U.S. Robotics";
static_assert(sizeof PD_REG_ROOT > sizeof kVendorKey &&
              std::char_traits<char>::compare(PD_REG_ROOT, kVendorKey, sizeof kVendorKey - 1) == 0,
              "the watched key holds the Conduit Manager's");

// Largest value kept, as ReadString accepts.
constexpr DWORD kMaxData = 65536;

struct Value {
  std::string name;
  DWORD dwType = REG_NONE;
  std::string data;
};

// Value names are ASCII here; no other name folds to one of them.
bool SameName(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i) {
    const auto c = static_cast<unsigned char>(a[i]), d = static_cast<unsigned char>(b[i]);
    if (c != d && !(c >= 'A' && c <= 'Z' && c + 32 == d) && !(c >= 'a' && c <= 'z' && c - 32 == d))
      return false;
  }
  return i == a.size() && !b[i];
}

// One Application%d key as it was read.
struct AppKey {
  std::vector<Value> values;
  bool bHasCreator = false;  // the Creator value, kept apart: every look-up by creator reads it
  uint32_t dwCreator = 0;

  const Value* Find(const char* pName) const {
    for (const Value& v : values)
      if (SameName(v.name, pName)) return &v;
    return nullptr;
  }
  void Put(const char* pName, DWORD dwType, const void* p, size_t cb) {
    Value* pV = nullptr;
    for (Value& v : values)
      if (SameName(v.name, pName)) pV = &v;
    if (!pV) pV = &values.emplace_back(Value{pName, REG_NONE, {}});
    pV->dwType = dwType;
    pV->data.assign(static_cast<const char*>(p), cb);
  }
  bool String(const char* pName, std::string* pOut) const {
    const Value* v = Find(pName);
    if (!v || (v->dwType != REG_SZ && v->dwType != REG_EXPAND_SZ)) return false;
    // Stored with or without terminator: the text ends at the first NUL.
    pOut->assign(v->data.c_str());
    return true;
  }
  bool Dword(const char* pName, uint32_t* pOut) const {
    const Value* v = Find(pName);
    if (!v || v->dwType != REG_DWORD || v->data.size() != sizeof(uint32_t)) return false;
    std::memcpy(pOut, v->data.data(), sizeof(uint32_t));
    return true;
  }
};

// Every value of one key, in one enumeration; false when the key is missing.
bool ReadKey(const std::string& path, AppKey* pKey, std::vector<char>& name,
             std::vector<char>& data) {
  HKEY h;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
    return false;
  for (DWORD i = 0;; ++i) {
    DWORD cchName = static_cast<DWORD>(name.size()), dwType = 0, cb = static_cast<DWORD>(data.size());
    const LONG rc = RegEnumValueA(h, i, name.data(), &cchName, nullptr, &dwType,
                                  reinterpret_cast<BYTE*>(data.data()), &cb);
    if (rc == ERROR_MORE_DATA) continue;  // larger than any value we answer with: left out
    if (rc != ERROR_SUCCESS) break;
    if (cb > data.size()) continue;
    pKey->values.push_back(Value{std::string(name.data(), cchName), dwType, std::string(data.data(), cb)});
  }
  RegCloseKey(h);
  pKey->bHasCreator = pKey->Dword("Creator", &pKey->dwCreator);
  return true;
}

struct Conduits {
  HKEY hWatched = nullptr;
  HANDLE hChanged = nullptr;
  bool bValid = false;
  std::vector<AppKey> apps;  // per Application%d

  void Drop() {
    bValid = false;
    if (hWatched) RegCloseKey(hWatched);
    hWatched = nullptr;
  }
  ~Conduits() {
    Drop();
    if (hChanged) CloseHandle(hChanged);
  }

  bool Watch() {
    return RegNotifyChangeKeyValue(hWatched, TRUE, REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET,
                                   hChanged, TRUE) == ERROR_SUCCESS;
  }

  bool Current() { return bValid && WaitForSingleObject(hChanged, 0) == WAIT_TIMEOUT; }

  void Rebuild() {
    Drop();
    apps.clear();
    if (!hChanged) hChanged = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!hChanged) return;
    ResetEvent(hChanged);
    // Watch first, then read: a change during the reading is not missed.
    const bool bWatching = RegOpenKeyExA(HKEY_CURRENT_USER, kVendorKey, 0, KEY_READ | KEY_NOTIFY,
                                         &hWatched) == ERROR_SUCCESS &&
                           Watch();
    std::vector<char> name(16384), data(kMaxData + 1);
    for (int i = 0; i < 0x7FFF; ++i) {
      AppKey key;
      if (!ReadKey(KeyPath(PD_REG_APP_FMT, i), &key, name, data)) break;
      apps.push_back(std::move(key));
    }
    // Without our key the vendor key may be empty, and its deletion would go
    // unreported: such a state is read again on every call (a few failed opens).
    bValid = bWatching && (!apps.empty() || KeyExists(PD_REG_ROOT));
  }

  Conduits& Get() {
    if (!Current()) Rebuild();
    return *this;
  }

  // After a write of our own the watch has fired: set it again. The caller
  // then brings the copy up to date itself, so the next call need not read
  // every key again (which made registering many conduits quadratic).
  bool Rearm() {
    if (!bValid) return false;
    ResetEvent(hChanged);
    DWORD nSubKeys = 0;
    if (!Watch() || RegQueryInfoKeyA(hWatched, nullptr, nullptr, nullptr, &nSubKeys, nullptr, nullptr,
                                     nullptr, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
      Drop();
      return false;
    }
    return true;
  }
};

Conduits g_conduits;

// Runs one of our own writes. When the copy was current before it, it stays
// current through update(conduits, result) instead of being dropped.
template <typename Write, typename Update>
int32_t OwnWrite(Write write, Update update) {
  const bool bCurrent = g_conduits.Current();
  const int32_t rc = write();
  if (bCurrent && g_conduits.Rearm()) update(g_conduits, rc);
  return rc;
}

void Unchanged(Conduits&, int32_t) {}

// Index of the first application conduit with this creator, or -1.
int FindApp(uint32_t dwCreator) {
  const std::vector<AppKey>& apps = g_conduits.Get().apps;
  for (size_t i = 0; i < apps.size(); ++i)
    if (apps[i].bHasCreator && apps[i].dwCreator == dwCreator) return static_cast<int>(i);
  return -1;
}

// Index of the conduit named by creator text, or an error code.
int32_t AppIndex(const char* pCreator, int* pIndex) {
  uint32_t dw;
  if (!CreatorFromText(pCreator, &dw)) return PD_ERR_NOT_BOUND;
  *pIndex = FindApp(dw);
  return *pIndex < 0 ? PD_ERR_NOT_FOUND : PD_OK;
}

int32_t GetText(const char* pCreator, const char* pValue, char* pBuf, int32_t* pSize) {
  if (!pBuf || !pSize) return PD_ERR_NOT_BOUND;
  int n;
  const int32_t rc = AppIndex(pCreator, &n);
  if (rc != PD_OK) return FailText(rc, pBuf, pSize);
  std::string text;
  if (!g_conduits.apps[n].String(pValue, &text)) return FailText(PD_ERR_NOT_FOUND, pBuf, pSize);
  return PutText(text, pBuf, pSize);
}

int32_t GetNumber(const char* pCreator, const char* pValue, int32_t* pOut) {
  if (!pOut) return PD_ERR_NOT_BOUND;
  int n;
  const int32_t rc = AppIndex(pCreator, &n);
  if (rc != PD_OK) return rc;
  uint32_t dw;
  if (!g_conduits.apps[n].Dword(pValue, &dw)) return PD_ERR_NOT_FOUND;
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
  int n;
  const int32_t rc = AppIndex(pCreator, &n);
  if (rc != PD_OK) return rc;
  const std::string key = KeyPath(PD_REG_APP_FMT, n);
  return OwnWrite([&] { return WriteString(key, pValue, pText) ? PD_OK : PD_ERR_STORAGE; },
                  [&](Conduits& c, int32_t r) {
                    if (r == PD_OK) c.apps[n].Put(pValue, REG_SZ, pText, std::strlen(pText) + 1);
                  });
}

int32_t SetNumber(const char* pCreator, const char* pValue, int32_t nValue) {
  if (Refused(pValue)) return PD_ERR_STORAGE;
  int n;
  const int32_t rc = AppIndex(pCreator, &n);
  if (rc != PD_OK) return rc;
  const std::string key = KeyPath(PD_REG_APP_FMT, n);
  const uint32_t dw = static_cast<uint32_t>(nValue);
  return OwnWrite([&] { return WriteDword(key, pValue, dw) ? PD_OK : PD_ERR_STORAGE; },
                  [&](Conduits& c, int32_t r) {
                    if (r == PD_OK) c.apps[n].Put(pValue, REG_DWORD, &dw, sizeof dw);
                  });
}

}  // namespace

extern "C" {

int32_t PDAPI CmGetConduitCount(void) { return static_cast<int32_t>(g_conduits.Get().apps.size()); }

int32_t PDAPI CmGetConduitCreatorID(int32_t nIndex, char* pBuf, int32_t* pSize) {
  if (!pBuf || !pSize) return PD_ERR_NOT_BOUND;
  if (nIndex < 0) return FailText(PD_ERR_NOT_BOUND, pBuf, pSize);
  const std::vector<AppKey>& apps = g_conduits.Get().apps;
  if (static_cast<size_t>(nIndex) >= apps.size() || !apps[nIndex].bHasCreator)
    return FailText(PD_ERR_NOT_FOUND, pBuf, pSize);
  char sz[5];
  CreatorToText(apps[nIndex].dwCreator, sz);
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
  const int n = static_cast<int>(g_conduits.apps.size());  // read afresh by FindApp
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
      [&](Conduits& c, int32_t rc) {
        if (rc != PD_OK) return;
        if (static_cast<size_t>(n) != c.apps.size()) return c.Drop();  // keys of others
        AppKey added;
        const uint32_t dwPriority = 2, dwIntegrate = 0;
        added.Put("Creator", REG_DWORD, &dw, sizeof dw);
        added.Put("Priority", REG_DWORD, &dwPriority, sizeof dwPriority);
        added.Put("Integrate", REG_DWORD, &dwIntegrate, sizeof dwIntegrate);
        added.bHasCreator = true;
        added.dwCreator = dw;
        c.apps.push_back(std::move(added));
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
                  [&](Conduits& c, int32_t rc) {
                    if (rc != 1) return c.Drop();
                    c.apps.erase(c.apps.begin() + n);
                  });
}

}  // extern "C"
