#include "logs/LogStore.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

bool CHVStore::NewChunk(size_t nAtLeast) {
  const size_t next = m_chunks.empty() ? 0 : m_nCurr + 1;
  if (next < m_chunks.size() && m_sizes[next] >= nAtLeast) {
    m_nCurr = next;
    m_nUsed = 0;
    return true;
  }
  while (m_chunks.size() > next) {
    std::free(m_chunks.back());
    m_chunks.pop_back();
    m_sizes.pop_back();
  }
  const size_t size = std::max(kChunkSize, nAtLeast);
  char* p = static_cast<char*>(std::malloc(size));
  if (!p) return false;
  try {
    m_chunks.push_back(p);
    m_sizes.push_back(size);
  } catch (...) {
    if (m_sizes.size() < m_chunks.size()) m_chunks.pop_back();
    std::free(p);
    return false;
  }
  m_nCurr = next;
  m_nUsed = 0;
  return true;
}

void* CHVStore::Alloc(size_t n, size_t nAlign) {
  if (!m_chunks.empty()) {
    const size_t off = (m_nUsed + nAlign - 1) & ~(nAlign - 1);
    if (off <= m_sizes[m_nCurr] && n <= m_sizes[m_nCurr] - off) {
      m_nUsed = off + n;
      m_pLastText = nullptr;
      return m_chunks[m_nCurr] + off;
    }
  }
  if (!NewChunk(n)) return nullptr;  // a fresh chunk is aligned for anything
  m_nUsed = n;
  m_pLastText = nullptr;
  return m_chunks[m_nCurr];
}

char* CHVStore::CopyText(const char* s, size_t n) {
  if (n == 0) return nullptr;
  char* p = static_cast<char*>(Alloc(n + 1, 1));
  if (!p) return nullptr;
  std::memcpy(p, s, n);
  p[n] = '\0';
  m_pLastText = p;
  return p;
}

char* CHVStore::AppendText(char* p, size_t nLen, const char* s, size_t n) {
  if (n == 0) return p;
  if (!p) return CopyText(s, n);
  if (p == m_pLastText && p + nLen + 1 == m_chunks[m_nCurr] + m_nUsed &&
      n <= m_sizes[m_nCurr] - m_nUsed) {
    std::memcpy(p + nLen, s, n);
    p[nLen + n] = '\0';
    m_nUsed += n;
    return p;
  }
  char* q = static_cast<char*>(Alloc(nLen + n + 1, 1));
  if (!q) return nullptr;  // out of memory: the text stays as it was
  std::memcpy(q, p, nLen);
  std::memcpy(q + nLen, s, n);
  q[nLen + n] = '\0';
  m_pLastText = q;
  return q;
}

CHVStore::Mark CHVStore::GetMark() const { return {m_nCurr, m_nUsed}; }

void CHVStore::Rollback(const Mark& m) {
  if (m_chunks.empty()) return;
  m_nCurr = m.nChunk;
  m_nUsed = m.nUsed;
  m_pLastText = nullptr;
  // One chunk beyond the mark is kept for what comes next; the rest go back.
  while (m_chunks.size() > m.nChunk + 2) {
    std::free(m_chunks.back());
    m_chunks.pop_back();
    m_sizes.pop_back();
  }
}

void CHVStore::Reset() {
  for (char* p : m_chunks) std::free(p);
  m_chunks.clear();
  m_sizes.clear();
  m_nCurr = m_nUsed = 0;
  m_pLastText = nullptr;
}

size_t CHVStore::GetReserved() const {
  size_t n = 0;
  for (size_t s : m_sizes) n += s;
  return n;
}

namespace {

uint32_t HashText(const char* s, size_t n) {
  uint64_t h = 0x9E3779B97F4A7C15ull ^ n;
  while (n >= 8) {
    uint64_t w;
    std::memcpy(&w, s, 8);
    h = (h ^ w) * 0xBF58476D1CE4E5B9ull;
    h ^= h >> 29;
    s += 8;
    n -= 8;
  }
  uint64_t w = 0;
  std::memcpy(&w, s, n);
  h = (h ^ w) * 0x94D049BB133111EBull;
  h ^= h >> 31;
  return static_cast<uint32_t>(h);
}

}  // namespace

bool CHVTextPool::Grow() {
  const size_t size = m_slots.empty() ? 1024 : m_slots.size() * 2;
  std::vector<Slot> slots;
  try {
    slots.assign(size, Slot{nullptr, 0, 0});
  } catch (...) {
    return false;
  }
  for (const Slot& s : m_slots) {
    if (!s.p) continue;
    size_t i = s.nHash & (size - 1);
    while (slots[i].p) i = (i + 1) & (size - 1);
    slots[i] = s;
  }
  m_slots.swap(slots);
  return true;
}

const char* CHVTextPool::Intern(const char* s, size_t n) {
  if (n == 0) return nullptr;
  if ((m_nCount + 1) * 2 > m_slots.size() && !Grow()) return m_store.CopyText(s, n);
  const uint32_t h = HashText(s, n);
  const size_t mask = m_slots.size() - 1;
  size_t i = h & mask;
  while (m_slots[i].p) {
    const Slot& slot = m_slots[i];
    if (slot.nHash == h && slot.nLen == n && std::memcmp(slot.p, s, n) == 0) return slot.p;
    i = (i + 1) & mask;
  }
  const char* p = m_store.CopyText(s, n);
  if (!p) return nullptr;
  m_slots[i] = Slot{p, h, static_cast<uint32_t>(n)};
  ++m_nCount;
  return p;
}

void CHVTextPool::Reset() {
  m_store.Reset();
  std::vector<Slot>().swap(m_slots);
  m_nCount = 0;
}

size_t CHVTextPool::GetReserved() const {
  return m_store.GetReserved() + m_slots.capacity() * sizeof(Slot);
}
