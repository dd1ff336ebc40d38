#include "palm/CondMgr.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <new>
#include <utility>

#include "misc/Diag.h"
#include "palm/CondAsk.h"
#include "palm/CondRecord.h"
#include "palm/PalmDesktop.h"

namespace {

constexpr int32_t kNotBound = PD_ERR_NOT_BOUND;

template <typename Pfn>
Pfn Lookup(HMODULE h, const char* szName) {
  return reinterpret_cast<Pfn>(reinterpret_cast<void*>(GetProcAddress(h, szName)));
}

// An existing file, not a directory; relative names against the current one.
bool FileExists(const char* szPath) {
  if (!szPath || !*szPath) return false;
  const DWORD dw = GetFileAttributesA(szPath);
  return dw != INVALID_FILE_ATTRIBUTES && !(dw & FILE_ATTRIBUTE_DIRECTORY);
}

// Equal ignoring case, in the ANSI code page's own case mapping.
bool EqualNoCase(const char* a, const char* b) {
  // Two ASCII characters that differ even folded settle it without asking the
  // system: most pairs a walk over many conduits compares are such.
  for (const char *p = a, *q = b; *p && *q; ++p, ++q) {
    const auto c = static_cast<unsigned char>(*p), d = static_cast<unsigned char>(*q);
    if (c >= 0x80 || d >= 0x80) break;
    const int fc = c >= 'a' && c <= 'z' ? c - 32 : c, fd = d >= 'a' && d <= 'z' ? d - 32 : d;
    if (fc != fd) return false;
  }
  const size_t n = std::strlen(a);
  if (n != std::strlen(b)) return false;
  char ua[2 * MAX_PATH], ub[2 * MAX_PATH];
  if (n > sizeof ua) return std::strcmp(a, b) == 0;  // longer than any field we hold
  std::memcpy(ua, a, n);
  std::memcpy(ub, b, n);
  CharUpperBuffA(ua, static_cast<DWORD>(n));
  CharUpperBuffA(ub, static_cast<DWORD>(n));
  return std::memcmp(ua, ub, n) == 0;
}

// The short (8.3) form of a path, when one can be formed.
bool ShortPath(const char* szPath, char (&szShort)[MAX_PATH]) {
  const DWORD n = GetShortPathNameA(szPath, szShort, MAX_PATH);
  return n > 0 && n < MAX_PATH;
}

// File name without directory and extension.
void FileStem(const char* szPath, char* szStem, size_t cbStem) {
  const char* p = szPath;
  for (const char* q = szPath; *q; ++q)
    if (*q == '\\' || *q == '/' || *q == ':') p = q + 1;
  size_t n = std::strlen(p);
  if (const char* dot = std::strrchr(p, '.')) n = static_cast<size_t>(dot - p);
  if (n >= cbStem) n = cbStem - 1;
  std::memcpy(szStem, p, n);
  szStem[n] = '\0';
}

template <size_t N>
void Terminate(char (&sz)[N]) {
  sz[N - 1] = '\0';
}

// Stores a string value without its terminating zero (data length = character
// count). RegSetValueExA adds the terminator itself when the byte after the
// data is zero, so the data is handed over with a non-zero byte after it.
void SetStringNoZero(HKEY hKey, const char* szName, const char* szText) {
  char buf[64];
  const size_t n = std::strlen(szText);
  if (n + 1 > sizeof buf) return;
  std::memcpy(buf, szText, n);
  buf[n] = '#';
  RegSetValueExA(hKey, szName, 0, REG_SZ, reinterpret_cast<const BYTE*>(buf), static_cast<DWORD>(n));
}

bool IsOneOf(const char* sz, std::initializer_list<const char*> list) {
  for (const char* s : list)
    if (std::strcmp(sz, s) == 0) return true;
  return false;
}

}  // namespace

// ---------------------------------------------------------------- CCondObj

CCondObj::CCondObj(const char* szPath) {
  if (szPath && *szPath) Load(szPath);
}

CCondObj::~CCondObj() { Free(); }

bool CCondObj::Load(const char* szPath) {
  if (!szPath || !*szPath) return false;
  Free();
  HMODULE h = LoadLibraryA(szPath);
  if (!h) return false;
  m_hLib = h;
  m_pfnOpenConduit = Lookup<PFN_OpenConduit>(h, "OpenConduit");
  m_pfnCfgConduit = Lookup<PFN_ConduitEntry>(h, "CfgConduit");
  m_pfnConfigureConduit = Lookup<PFN_ConduitEntry>(h, "ConfigureConduit");
  m_pfnGetConduitInfo = Lookup<PFN_ConduitEntry>(h, "GetConduitInfo");
  m_pfnGetConduitName = Lookup<PFN_GetConduitName>(h, "GetConduitName");
  m_pfnGetConduitVersion = Lookup<PFN_ConduitEntry>(h, "GetConduitVersion");
  return true;
}

void CCondObj::SetAnswer(const CondAnswer& answer) {
  Free();
  m_answer = answer;
  m_answer.szName[sizeof m_answer.szName - 1] = '\0';
  m_bAnswer = true;
}

void CCondObj::Free() {
  m_bAnswer = false;
  if (m_hLib) FreeLibrary(static_cast<HMODULE>(m_hLib));
  m_hLib = nullptr;
  m_pfnOpenConduit = nullptr;
  m_pfnCfgConduit = nullptr;
  m_pfnConfigureConduit = nullptr;
  m_pfnGetConduitInfo = nullptr;
  m_pfnGetConduitName = nullptr;
  m_pfnGetConduitVersion = nullptr;
}

int32_t CCondObj::GetName(char* szBuf, uint16_t cbBuf) const {
  if (m_bAnswer) {
    if (!m_answer.bHasName || !szBuf || cbBuf == 0) return kNotBound;
    const size_t n = strnlen(m_answer.szName, cbBuf - 1u);
    std::memcpy(szBuf, m_answer.szName, n);
    szBuf[n] = '\0';
    return m_answer.nNameResult;
  }
  if (!m_pfnGetConduitName || !szBuf || cbBuf == 0) return kNotBound;
  const long rc = m_pfnGetConduitName(szBuf, cbBuf);
  szBuf[cbBuf - 1] = '\0';  // a library that fills the whole buffer gets cut, not overrun
  return static_cast<int32_t>(rc);
}

// ---------------------------------------------------------------- CCondMgr

CCondMgr::CCondMgr() : m_pConduits(new (std::nothrow) CxList) { TDX_VERIFY(m_pConduits); }

CCondMgr::~CCondMgr() {
  RemoveAll();
  delete m_pConduits;
}

CCondMgr::Entry* CCondMgr::EntryAt(uint32_t nIndex) {
  return static_cast<Entry*>(m_pConduits->GetAt(nIndex));
}

bool CCondMgr::Append(CondData* pData, CCondObj* pObj) {
  if (!TDX_VERIFY(m_pConduits)) return false;
  Entry* pEntry = new (std::nothrow) Entry{pData, pObj};
  if (!TDX_VERIFY(pEntry != NULL)) return false;
  if (!m_pConduits->Add(pEntry)) {
    delete pEntry;
    return false;
  }
  m_nCursor = m_pConduits->GetCount() - 1;  // Add leaves the cursor on the new node
  return true;
}

bool CCondMgr::AppendWithLibrary(const CondData& rec) {
  CondData* pData = new (std::nothrow) CondData(rec);
  if (!TDX_VERIFY(pData!=NULL)) return false;
  CCondObj* pObj = new (std::nothrow) CCondObj;
  if (!Append(pData, pObj)) {
    delete pObj;
    delete pData;
    return false;
  }
  if (pObj) m_pending.push_back(EntryAt(m_pConduits->GetCount() - 1));
  return true;
}

void CCondMgr::AskLibraries() {
  std::vector<std::string> paths;
  paths.reserve(m_pending.size());
  for (void* p : m_pending) paths.push_back(static_cast<Entry*>(p)->pData->szConduit);
  const std::vector<CondAnswer> answers = CondAsker::Instance().Ask(paths);
  for (size_t i = 0; i < m_pending.size() && i < answers.size(); ++i) {
    Entry* pEntry = static_cast<Entry*>(m_pending[i]);
    pEntry->pObj->SetAnswer(answers[i]);
    // A conduit that names itself overrides the title it was registered with;
    // an empty name never replaces one.
    if (answers[i].bHasName && answers[i].szName[0])
      pEntry->pObj->GetName(pEntry->pData->szTitle, sizeof pEntry->pData->szTitle);
  }
  m_pending.clear();
}

void CCondMgr::FreeEntries(CxList* pList) {
  for (void* p = pList->GetFirst(); p; p = pList->GetNext()) {
    Entry* pEntry = static_cast<Entry*>(p);
    delete pEntry->pObj;  // unloads the library
    delete pEntry->pData;
    delete pEntry;
  }
  pList->RemoveAll(false);
}

void CCondMgr::RemoveAll() {
  m_pending.clear();
  if (!TDX_VERIFY(m_pConduits)) return;
  FreeEntries(m_pConduits);
  m_nCursor = 0;
}

CondData* CCondMgr::GetFirst() {
  if (!TDX_VERIFY(m_pConduits)) return nullptr;
  m_nCursor = 0;
  Entry* pEntry = static_cast<Entry*>(m_pConduits->GetFirst());
  return pEntry ? pEntry->pData : nullptr;
}

CondData* CCondMgr::GetNext() {
  if (!TDX_VERIFY(m_pConduits)) return nullptr;
  Entry* pEntry = static_cast<Entry*>(m_pConduits->GetNext());
  if (!pEntry) return nullptr;
  ++m_nCursor;
  return pEntry->pData;
}

uint32_t CCondMgr::GetCount() const { return m_pConduits ? m_pConduits->GetCount() : 0; }

CCondObj* CCondMgr::GetCondObj(const CondData* pData) {
  if (!pData || !TDX_VERIFY(m_pConduits)) return nullptr;
  const uint32_t n = m_pConduits->GetCount();
  if (n == 0) return nullptr;
  // The usual question is about the record a walk has just reached.
  const uint32_t nCursor = m_nCursor;
  Entry* pEntry = EntryAt(nCursor);
  if (pEntry && pEntry->pData == pData) return pEntry->pObj;
  CCondObj* pFound = nullptr;
  for (uint32_t i = 0; i < n && !pFound; ++i) {
    pEntry = EntryAt(i);
    if (pEntry->pData == pData) pFound = pEntry->pObj;
  }
  EntryAt(nCursor);  // put the cursor back where the walk left it
  return pFound;
}

bool CCondMgr::Add(CondData* pData) {
  if (!pData || Contains(pData)) return false;
  SanitizeCondData(pData);  // every record held here is terminated, its slot zero
  return Append(pData, nullptr);
}

CondData* CCondMgr::Find(const char* szCreatorID, const char* szConduit) {
  if (!szCreatorID || !*szCreatorID || !szConduit || !*szConduit) return nullptr;
  // The short form is asked for only once a creator matches: most look-ups
  // meet none, and asking the file system costs more than the whole walk.
  char szShort[MAX_PATH];
  int nShort = -1;  // not asked yet
  for (CondData* p = GetFirst(); p; p = GetNext()) {
    if (!EqualNoCase(p->szCreatorID, szCreatorID)) continue;
    if (EqualNoCase(p->szConduit, szConduit)) return p;
    if (nShort < 0) nShort = ShortPath(szConduit, szShort) ? 1 : 0;
    if (!nShort) continue;
    if (EqualNoCase(p->szConduit, szShort)) return p;
    // The same file reached by a long name here and its short name there, in
    // either order: compare the short forms of both.
    char szMine[MAX_PATH];
    if (ShortPath(p->szConduit, szMine) && EqualNoCase(szMine, szShort)) return p;
  }
  return nullptr;
}

bool CCondMgr::Contains(const CondData* pData) {
  return pData && Find(pData->szCreatorID, pData->szConduit) != nullptr;
}

namespace {
CondReadOnce* g_pReadOnce = nullptr;
}

CondReadOnce::CondReadOnce() : m_pOuter(g_pReadOnce) { g_pReadOnce = this; }

CondReadOnce::~CondReadOnce() { g_pReadOnce = m_pOuter; }

const std::vector<CondData>& CCondMgr::ManagerRecords(std::vector<CondData>* pMine) {
  CondReadOnce* pOnce = g_pReadOnce;
  if (pOnce && pOnce->m_bRead) return pOnce->m_records;
  std::vector<CondData>& out = pOnce ? pOnce->m_records : *pMine;
  const int32_t n = CmGetConduitCount();
  out.clear();
  out.reserve(n > 0 ? static_cast<size_t>(n) : 0);
  for (int32_t i = 0; i < n; ++i) {
    CondData rec{};
    int32_t cb = sizeof rec.szCreatorID;
    CmGetConduitCreatorID(i, rec.szCreatorID, &cb);
    Terminate(rec.szCreatorID);
    cb = sizeof rec.szConduit;
    CmGetCreatorName(rec.szCreatorID, rec.szConduit, &cb);
    Terminate(rec.szConduit);
    CmConvertStringToCreatorID(rec.szCreatorID, &rec.dwCreatorID);
    // Like every getter here, its result is not looked at: the value stays 0
    // unless the call filled it.
    int32_t nValue = 0;
    CmGetCreatorIntegrate(rec.szCreatorID, &nValue);
    rec.dwIntegrate = static_cast<uint32_t>(nValue);
    CmGetCreatorPriority(rec.szCreatorID, &rec.nPriority);
    cb = sizeof rec.szFile;
    CmGetCreatorFile(rec.szCreatorID, rec.szFile, &cb);
    cb = sizeof rec.szDirectory;
    CmGetCreatorDirectory(rec.szCreatorID, rec.szDirectory, &cb);
    cb = sizeof rec.szInfo;
    CmGetCreatorInfo(rec.szCreatorID, rec.szInfo, &cb);
    cb = sizeof rec.szRemote;
    CmGetCreatorRemote(rec.szCreatorID, rec.szRemote, &cb);
    cb = sizeof rec.szTitle;
    CmGetCreatorTitle(rec.szCreatorID, rec.szTitle, &cb);
    SanitizeCondData(&rec);
    out.push_back(rec);
  }
  if (pOnce) pOnce->m_bRead = true;
  return out;
}

bool CCondMgr::LoadConduits(int32_t nFlags) {
  if (!TDX_VERIFY(m_pConduits)) return true;
  // The old records stay until the new ones are read.
  CxList* pOld = new (std::nothrow) CxList;
  if (pOld) {
    std::swap(pOld, m_pConduits);
    m_nCursor = 0;
    m_pending.clear();
  } else {
    RemoveAll();
  }
  struct FreeOld {
    CxList* p;
    ~FreeOld() {
      if (p) {
        FreeEntries(p);
        delete p;
      }
    }
  } freeOld{pOld};

  if (nFlags & CONDS_MANAGER) {
    std::vector<CondData> mine;
    for (const CondData& read : ManagerRecords(&mine)) {
      CondData rec = read;
      if (Contains(&rec)) continue;
      if (FileExists(rec.szConduit)) {
        rec.nStatus = ST_INSTALLED;
      } else {
        rec.nStatus = ST_MISSING;
        if (!(nFlags & CONDS_KEEP_MISSING) || !rec.szConduit[0]) continue;
      }
      rec.nKind = CONDS_MANAGER;
      AppendWithLibrary(rec);
    }
  }

  if (nFlags & CONDS_INSTALL) {
    const int32_t n = PltGetInstallConduitCount();
    for (int32_t i = 0; i < n; ++i) {
      PltInstallConduitInfo info{};
      int32_t cb = sizeof info;
      if (PltGetInstallConduitInfo(i, &info, &cb) <= 0) continue;
      CondData rec{};
      std::memcpy(&rec.dwCreatorID, info.szCreator, 4);  // little-endian, as the bytes stand
      std::memcpy(rec.szCreatorID, info.szCreator, 4);
      // The block's texts are bounded by their own fields, whatever the library wrote.
      const size_t nLib = strnlen(info.szConduit, sizeof info.szConduit);
      std::memcpy(rec.szConduit, info.szConduit, nLib);
      const size_t nTitle = strnlen(info.szTitle, sizeof info.szTitle);
      std::memcpy(rec.szTitle, info.szTitle,
                  nTitle < sizeof rec.szTitle ? nTitle : sizeof rec.szTitle - 1);
      rec.nKind = CONDS_INSTALL;
      AppendWithLibrary(rec);
    }
  }

  if (nFlags & CONDS_BACKUP) {
    CondData rec{};
    int32_t cb = sizeof rec.szConduit;
    CmGetBackupConduit(rec.szConduit, &cb);
    Terminate(rec.szConduit);
    rec.nKind = CONDS_BACKUP;
    rec.dwCreatorID = COND_BACKUP_CREATOR;
    AppendWithLibrary(rec);
  }
  AskLibraries();
  return true;
}

bool CCondMgr::LoadFromFile(const char* szPath) {
  if (!szPath || !*szPath) return false;
  RemoveAll();
  CondRecordReader reader;
  if (!reader.Open(szPath)) return false;
  CondData rec;
  while (reader.Read(&rec)) {
    CondData* pData = new (std::nothrow) CondData(rec);
    if (!TDX_VERIFY(pData!=NULL)) break;
    if (!Append(pData, nullptr)) {
      delete pData;
      break;
    }
  }
  return GetCount() > 0;
}

bool CCondMgr::SaveToFile(const char* szPath) {
  if (!szPath || !*szPath || !TDX_VERIFY(m_pConduits)) return false;
  CondRecordWriter writer;
  if (!writer.Create(szPath)) return false;
  for (CondData* p = GetFirst(); p; p = GetNext())
    if (!writer.Write(*p)) break;
  return writer.Commit();
}

// ---------------------------------------------------------------- record operations

bool RegisterConduit(CondData* pData) {
  if (!pData) return false;
  CondData rec = *pData;
  SanitizeCondData(&rec);  // every text handed on ends within its field
  const char* szCreator = rec.szCreatorID;
  int32_t rc = CmInstallCreator(szCreator, PD_CONDUIT_APPLICATION);
  if (rc == 0) rc = CmSetCreatorName(szCreator, rec.szConduit);
  if (rc == 0) rc = CmSetCreatorDirectory(szCreator, rec.szDirectory);
  if (rc == 0) rc = CmSetCreatorFile(szCreator, rec.szFile);
  if (rc == 0) {
    const int32_t nPriority = rec.nPriority >= 1 && rec.nPriority <= 5 ? rec.nPriority : 2;
    rc = CmSetCreatorPriority(szCreator, nPriority);
  }
  if (rc == 0) rc = CmSetCreatorRemote(szCreator, rec.szRemote);
  if (rc == 0) rc = CmSetCreatorTitle(szCreator, rec.szTitle);
  if (IsPocketMirrorConduit(&rec)) SetPocketMirrorUi(&rec);
  if (rc != 0) return false;
  pData->nStatus = ST_INSTALLED;
  return true;
}

bool UnregisterConduit(CondData* pData) {
  if (!pData) return false;
  Terminate(pData->szConduit);
  Terminate(pData->szCreatorID);
  pData->nStatus = FileExists(pData->szConduit) ? ST_UNINSTALLED : ST_MISSING;
  return CmRemoveConduitByCreatorID(pData->szCreatorID) == 1;
}

bool IsPocketMirrorConduit(const CondData* pData) {
  if (!pData) return false;
  CondData rec = *pData;
  SanitizeCondData(&rec);
  if (std::strcmp(rec.szProduct, "PocketMirror") == 0) return true;
  return IsOneOf(rec.szCreatorID, {"addr", "date", "todo", "memo", "PAdd", "PDat", "PTod", "PMem"}) &&
         std::strstr(rec.szConduit, "Mirror") != nullptr;
}

bool FindApplicationKey(const CondData* pData, char* szKeyPath, size_t cbKeyPath) {
  if (!pData || !szKeyPath || cbKeyPath == 0) return false;
  char szConduit[sizeof pData->szConduit];
  std::memcpy(szConduit, pData->szConduit, sizeof szConduit);
  Terminate(szConduit);
  char szWant[MAX_PATH];
  FileStem(szConduit, szWant, sizeof szWant);

  for (int n = 0; n <= 999; ++n) {
    char szKey[128];
    std::snprintf(szKey, sizeof szKey, PD_REG_APP_FMT, n);
    HKEY hKey;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, szKey, 0, KEY_READ, &hKey) != ERROR_SUCCESS) return false;
    char szValue[MAX_PATH + 1] = {};
    DWORD dwType = 0, cb = MAX_PATH;
    const bool bConduit = RegQueryValueExA(hKey, "Conduit", nullptr, &dwType,
                                           reinterpret_cast<BYTE*>(szValue), &cb) == ERROR_SUCCESS &&
                          (dwType == REG_SZ || dwType == REG_EXPAND_SZ);
    szValue[cb <= MAX_PATH ? cb : MAX_PATH] = '\0';  // stored with or without terminator
    DWORD dwCreator = 0;
    cb = sizeof dwCreator;
    const bool bCreator = RegQueryValueExA(hKey, "Creator", nullptr, &dwType,
                                           reinterpret_cast<BYTE*>(&dwCreator), &cb) == ERROR_SUCCESS &&
                          cb == sizeof dwCreator;
    RegCloseKey(hKey);
    if (!bConduit || !bCreator || dwCreator == 0) continue;
    char szHave[MAX_PATH];
    FileStem(szValue, szHave, sizeof szHave);
    if (!EqualNoCase(szHave, szWant)) continue;
    if (std::strlen(szKey) >= cbKeyPath) return false;
    std::strcpy(szKeyPath, szKey);
    return true;
  }
  return false;
}

void SetPocketMirrorUi(const CondData* pData) {
  char szKey[128];
  if (!FindApplicationKey(pData, szKey, sizeof szKey)) return;
  HKEY hKey;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, szKey, 0, KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY,
                    &hKey) != ERROR_SUCCESS)
    return;
  CondData rec = *pData;
  SanitizeCondData(&rec);
  const char* szModule =
      IsOneOf(rec.szCreatorID, {"PAdd", "PDat", "PTod", "PMem"}) ? "MirrXTUI.dll" : "MirrorUI.dll";
  char szStem[MAX_PATH];
  FileStem(rec.szConduit, szStem, sizeof szStem);
  szStem[2 < std::strlen(szStem) ? 2 : std::strlen(szStem)] = '\0';
  char szEntry[16];
  std::snprintf(szEntry, sizeof szEntry, "%2sSettings", szStem);
  SetStringNoZero(hKey, "UiModule", szModule);
  SetStringNoZero(hKey, "UiEntry", szEntry);
  RegCloseKey(hKey);
}
