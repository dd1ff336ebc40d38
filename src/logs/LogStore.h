// Storage for the items and texts of the HotSync operations: a chain of chunks
// filled from the front, so an item or a text costs its own bytes and no more.
// Everything allocated after a mark can be given back at once, which is how an
// operation that never completes is discarded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class CHVStore {
 public:
  CHVStore() = default;
  ~CHVStore() { Reset(); }
  CHVStore(const CHVStore&) = delete;
  CHVStore& operator=(const CHVStore&) = delete;

  struct Mark {
    size_t nChunk;
    size_t nUsed;
  };

  // Aligned raw memory, or null when no memory can be had.
  void* Alloc(size_t n, size_t nAlign);
  // A terminated copy of the first n bytes of s (null when n is 0 or memory is out).
  char* CopyText(const char* s, size_t n);
  // Appends n bytes of s to the terminated text p of length nLen (p may be null
  // for an empty text) and returns where the text now lives, or null when memory
  // is out (p is then unchanged). The last text made grows in place; any other
  // is copied to the end first.
  char* AppendText(char* p, size_t nLen, const char* s, size_t n);

  Mark GetMark() const;
  // Gives back everything allocated since the mark.
  void Rollback(const Mark& m);
  void Reset();

  // Bytes held in chunks (for measurements).
  size_t GetReserved() const;

 private:
  static constexpr size_t kChunkSize = 64 * 1024;
  bool NewChunk(size_t nAtLeast);

  std::vector<char*> m_chunks;
  std::vector<size_t> m_sizes;
  size_t m_nCurr = 0;  // index of the chunk being filled (valid while m_chunks is not empty)
  size_t m_nUsed = 0;
  char* m_pLastText = nullptr;  // the text that can grow in place
};

// Short texts that repeat from operation to operation (application names,
// backed-up databases and their paths) are kept once. Texts live until Reset.
class CHVTextPool {
 public:
  CHVTextPool() = default;
  CHVTextPool(const CHVTextPool&) = delete;
  CHVTextPool& operator=(const CHVTextPool&) = delete;

  // The pooled terminated copy of the first n bytes of s; null when n is 0 or
  // memory is out.
  const char* Intern(const char* s, size_t n);
  void Reset();
  size_t GetReserved() const;
  size_t GetCount() const { return m_nCount; }

 private:
  struct Slot {
    const char* p;
    uint32_t nHash;
    uint32_t nLen;
  };
  bool Grow();

  CHVStore m_store;
  std::vector<Slot> m_slots;  // open addressing; a power of two in size
  size_t m_nCount = 0;
};
