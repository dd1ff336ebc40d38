// Ordered list with a cursor. Owns its nodes, never its payloads: every holder
// releases its payloads itself before emptying the list. CxListOf<T> is the typed
// face used by the program's stores.
#pragma once

#include <cstdint>

struct CxListNode {
  void* pData;
  uint32_t nIndex;
  CxListNode* pPrev;
  CxListNode* pNext;
};

class CxList {
 public:
  CxList() = default;
  ~CxList() { RemoveAll(false); }
  CxList(const CxList&) = delete;
  CxList& operator=(const CxList&) = delete;

  bool Add(void* pData);
  void* GetFirst();
  void* GetNext();
  void* GetAt(uint32_t nIndex);
  uint32_t GetCount() const { return m_nCount; }
  // With bFreePayloads the payloads are released with ::operator delete, which
  // fits plain records allocated with new.
  void RemoveAll(bool bFreePayloads);

 private:
  CxListNode* m_pHead = nullptr;
  CxListNode* m_pTail = nullptr;
  CxListNode* m_pCurr = nullptr;
  uint32_t m_nCount = 0;
  uint32_t m_nFindIndex = 0;
};

template <typename T>
class CxListOf {
 public:
  CxListOf() = default;
  ~CxListOf() { DeleteAll(); }
  CxListOf(const CxListOf&) = delete;
  CxListOf& operator=(const CxListOf&) = delete;

  bool Add(T* p) { return m_list.Add(p); }
  T* GetFirst() { return static_cast<T*>(m_list.GetFirst()); }
  T* GetNext() { return static_cast<T*>(m_list.GetNext()); }
  T* GetAt(uint32_t i) { return static_cast<T*>(m_list.GetAt(i)); }
  uint32_t GetCount() const { return m_list.GetCount(); }
  // Deletes every payload, then empties the list.
  void DeleteAll() {
    for (T* p = GetFirst(); p; p = GetNext()) delete p;
    m_list.RemoveAll(false);
  }
  // Empties the list without touching the payloads (the caller owns them).
  void Detach() { m_list.RemoveAll(false); }

 private:
  CxList m_list;
};
