// The conduit model on Windows: a loaded conduit library (CCondObj), the
// ordered list of conduit records filled from the HotSync configuration or a
// record file (CCondMgr), and the operations that write a record into the
// Conduit Manager.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "misc/CxList.h"
#include "palm/CondAnswer.h"
#include "palm/CondData.h"
#include "palm/PalmApi.h"

// One conduit library loaded into the process. Only two of its entry points are
// ever used: OpenConduit by its presence and GetConduitName.
class CCondObj {
 public:
  CCondObj() = default;
  // Loads the library unless the path is null or empty.
  explicit CCondObj(const char* szPath);
  virtual ~CCondObj();
  CCondObj(const CCondObj&) = delete;
  CCondObj& operator=(const CCondObj&) = delete;

  // False for a null or empty path (nothing changes) or a library that cannot be
  // loaded; otherwise the old library is freed first.
  bool Load(const char* szPath);
  void Free();
  bool IsLoaded() const { return m_hLib != nullptr; }
  // Takes what the library answered when it was asked out of process; the
  // object then stands for the library without holding it.
  void SetAnswer(const CondAnswer& answer);
  bool HasAnswer() const { return m_bAnswer; }
  const CondAnswer& Answer() const { return m_answer; }
  // The library crashed or kept silent when it was asked.
  bool IsFaulty() const { return m_bAnswer && m_answer.Faulty(); }
  // A conduit at all: the library exports OpenConduit.
  bool IsValid() const {
    return m_bAnswer ? m_answer.bOpenConduit : m_pfnOpenConduit != nullptr;
  }
  bool HasNameEntry() const { return m_bAnswer ? m_answer.bHasName : m_pfnGetConduitName != nullptr; }
  // What GetConduitName returns for this buffer, or -100 without touching the
  // buffer when the library has no such entry point (or the buffer is unusable).
  // The buffer is terminated within its length whatever the library wrote.
  int32_t GetName(char* szBuf, uint16_t cbBuf) const;

 private:
  typedef void(PDCONDUITAPI* PFN_ConduitEntry)();

  void* m_hLib = nullptr;  // HMODULE
  bool m_bAnswer = false;
  CondAnswer m_answer;
  PFN_OpenConduit m_pfnOpenConduit = nullptr;
  PFN_ConduitEntry m_pfnCfgConduit = nullptr;
  PFN_ConduitEntry m_pfnConfigureConduit = nullptr;
  PFN_ConduitEntry m_pfnGetConduitInfo = nullptr;
  PFN_GetConduitName m_pfnGetConduitName = nullptr;
  PFN_ConduitEntry m_pfnGetConduitVersion = nullptr;
};

// An ordered list of conduit records. The manager owns its records and the
// libraries it loaded for them; a record's library lives beside the record,
// never inside it, so copies of a record never carry one.
class CCondMgr {
 public:
  CCondMgr();
  virtual ~CCondMgr();
  CCondMgr(const CCondMgr&) = delete;
  CCondMgr& operator=(const CCondMgr&) = delete;

  // Replaces the contents from the HotSync configuration (CONDS_* flags).
  // Always true.
  bool LoadConduits(int32_t nFlags);
  // Replaces the contents from a record file; true when at least one record was
  // read. A null or empty path is refused without touching the contents.
  bool LoadFromFile(const char* szPath);
  // Writes every record in order. The old file is replaced only by a complete
  // new one: false (old file intact) for an empty path or when the file cannot
  // be written.
  bool SaveToFile(const char* szPath);
  void RemoveAll();

  // One cursor per manager: GetFirst restarts it, and Find, Contains and Add
  // move it too, so walks over one manager are never nested.
  CondData* GetFirst();
  CondData* GetNext();
  uint32_t GetCount() const;

  // Appends the record and takes it over, unless it is null or an equal record
  // is present (then false and the caller keeps it).
  bool Add(CondData* pData);
  // First record whose creator text and library match, ignoring case; the
  // library also matches through its short (8.3) form.
  CondData* Find(const char* szCreatorID, const char* szConduit);
  bool Contains(const CondData* pData);

  // The library loaded for one of this manager's records, or null (records read
  // from files and records handed to Add have none). Leaves the cursor alone.
  CCondObj* GetCondObj(const CondData* pData);

 private:
  struct Entry {
    CondData* pData;
    CCondObj* pObj;
  };

  static void FreeEntries(CxList* pList);
  // Takes pData (and pObj) over; false, owning neither, if the list refuses.
  bool Append(CondData* pData, CCondObj* pObj);
  // A copy of rec on the heap whose library is asked for by AskLibraries.
  bool AppendWithLibrary(const CondData& rec);
  // The application conduits as the Conduit Manager holds them, in its order:
  // read into *pMine, or the reading a living CondReadOnce holds.
  static const std::vector<CondData>& ManagerRecords(std::vector<CondData>* pMine);
  // Asks every library appended since the last call, in one go, and lets a
  // conduit that names itself override its title.
  void AskLibraries();
  Entry* EntryAt(uint32_t nIndex);

  CxList* m_pConduits;
  uint32_t m_nCursor = 0;        // index of the list's cursor node
  std::vector<void*> m_pending;  // entries whose library has not been asked yet
};

// While one lives, the Conduit Manager's application conduits are read once:
// every manager that loads them meanwhile starts from the same records, and
// keeps or drops them by its own flags. Start-up fills both tabs from one
// reading. On the thread that loads; an inner one reads anew.
class CondReadOnce {
 public:
  CondReadOnce();
  ~CondReadOnce();
  CondReadOnce(const CondReadOnce&) = delete;
  CondReadOnce& operator=(const CondReadOnce&) = delete;

 private:
  friend class CCondMgr;
  CondReadOnce* m_pOuter;
  bool m_bRead = false;
  std::vector<CondData> m_records;
};

// Writes the record into the Conduit Manager: CmInstallCreator, then the
// setters in order while each succeeds. True (and nStatus ST_INSTALLED) when
// every call succeeded; what was written before a failure stays written.
bool RegisterConduit(CondData* pData);
// Sets nStatus from the library file first, then removes the creator; true
// exactly when the Conduit Manager reports the removal.
bool UnregisterConduit(CondData* pData);
bool IsPocketMirrorConduit(const CondData* pData);
// The first "Application%d" key naming this record's library (by file name
// without directory and extension) with a non-zero creator.
bool FindApplicationKey(const CondData* pData, char* szKeyPath, size_t cbKeyPath);
// Writes "UiModule" and "UiEntry" for a PocketMirror conduit; silent.
void SetPocketMirrorUi(const CondData* pData);
