// Storage for the items and texts of the HotSync operations: a chain of chunks
// filled from the front, so an item or a text costs its own bytes and no more.
// Everything allocated after a mark can be given back at once, which is how an
// operation that never completes is discarded.
#pragma once

#include <cstddef>
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
