#include "misc/CxList.h"

#include <new>

#include "misc/Diag.h"

bool CxList::Add(void* pData) {
  if (!pData) return false;
  CxListNode* pContainer = new (std::nothrow) CxListNode{pData, m_nCount, m_pTail, nullptr};
  if (!TDX_VERIFY(pContainer)) return false;
  if (!m_pHead) {
    m_pHead = m_pTail = m_pCurr = pContainer;
    m_nFindIndex = 0;
  } else {
    m_pTail->pNext = pContainer;
    m_pTail = m_pCurr = pContainer;
    m_nFindIndex = pContainer->nIndex;
  }
  ++m_nCount;
  return true;
}

void* CxList::GetFirst() {
  m_nFindIndex = 0;
  m_pCurr = m_pHead;
  return m_pHead ? m_pHead->pData : nullptr;
}

void* CxList::GetNext() {
  if (m_nFindIndex + 1 < m_nCount) return GetAt(m_nFindIndex + 1);
  return nullptr;
}

void* CxList::GetAt(uint32_t nIndex) {
  if (nIndex >= m_nCount) return nullptr;
  if (!TDX_VERIFY(m_pCurr->nIndex==m_nFindIndex)) return nullptr;
  while (m_pCurr->nIndex != nIndex) {
    CxListNode* next = nIndex > m_nFindIndex ? m_pCurr->pNext : m_pCurr->pPrev;
    if (!next) return nullptr;  // cannot happen while the indexes are dense
    m_pCurr = next;
    m_nFindIndex = m_pCurr->nIndex;
  }
  m_nFindIndex = nIndex;
  return m_pCurr->pData;
}

void CxList::RemoveAll(bool bFreePayloads) {
  CxListNode* p = m_pHead;
  while (p) {
    CxListNode* next = p->pNext;
    if (bFreePayloads && p->pData) ::operator delete(p->pData);
    delete p;
    p = next;
  }
  m_pHead = m_pTail = m_pCurr = nullptr;
  m_nCount = m_nFindIndex = 0;
}
