// What a conduit library answered when it was asked, out of process, whether it
// is a conduit and what it is called; and the cache of those answers kept in the
// program directory. Portable (no Windows headers): the cache file is outside
// input, read here with every length and count untrusted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>

enum class CondLibState : uint8_t {
  Answered = 0,    // loaded and asked
  NotLoaded = 1,   // the loader refused it (not a library, a missing dependency, DllMain failed)
  Crashed = 2,     // the asking process died on it
  NoAnswer = 3,    // it did not answer within the time limit
  Misbehaved = 4,  // while it was asked, the answers went out of turn (shown like a crash)
  Unasked = 5,     // the helper could not ask it (never kept beyond the question)
};

// Why a library was left unasked.
enum class CondUnasked : uint8_t {
  None = 0,
  CannotStart = 1,  // the helper could not be started (dwLoadError: the system's error)
  NoStart = 2,      // the helper said nothing within its start time
  Ended = 3,        // the helper ended before its first line (dwLoadError: its exit code)
  OutOfTurn = 4,    // the helper's first line was not the one asked for
};

struct CondAnswer {
  CondLibState state = CondLibState::NotLoaded;
  bool bOpenConduit = false;   // exports OpenConduit
  bool bHasName = false;       // exports GetConduitName (and was called)
  int32_t nNameResult = -100;  // what GetConduitName returned
  char szName[64] = {};        // what it wrote, cut to the length it was given, terminated
  bool bHasVersion = false;
  uint16_t wVersion[4] = {};  // the file's fixed version numbers
  uint32_t dwLoadError = 0;   // the loader's error when it refused the library
  CondUnasked unasked = CondUnasked::None;

  bool Faulty() const {
    return state == CondLibState::Crashed || state == CondLibState::NoAnswer ||
           state == CondLibState::Misbehaved;
  }
  // Kept in the cache file until the library changes. Silence and a library
  // that is missing one it needs may pass (a busy machine, a dependency put
  // back): they are asked again at the next start.
  bool Lasting() const {
    if (state == CondLibState::NoAnswer || state == CondLibState::Unasked) return false;
    return state != CondLibState::NotLoaded || (dwLoadError != 126 && dwLoadError != 127);
  }
};

// The length the program hands GetConduitName: a record's title field.
inline constexpr uint16_t kCondNameLength = 64;

// One line of the asking helper's answer stream, decoded. The helper writes
//   "B <index>"  before it loads library <index>, and
//   "A <index> <state> <flags> <result> <name as hex or -> <v1> <v2> <v3> <v4> <load error>"
// once it has the answer. Flags: 1 OpenConduit, 2 GetConduitName, 4 version.
struct CondProbeLine {
  char cKind = 0;  // 'B' or 'A'
  uint32_t nIndex = 0;
  CondAnswer answer;
};
std::string EncodeProbeAnswer(uint32_t nIndex, const CondAnswer& answer);
// False for anything but a well-formed line (without its line end).
bool DecodeProbeLine(const char* pLine, size_t cbLine, CondProbeLine* pOut);

// The answers, keyed by the library's full path (as the caller normalises it),
// its size and its last-write time: a changed file is a different key. Only
// lasting answers go into the file; an unasked library is never kept.
class CondAnswerCache {
 public:
  static constexpr uint32_t kMaxEntries = 20000;

  const CondAnswer* Find(const std::string& strPath, uint64_t qwSize, uint64_t qwTime);
  void Put(const std::string& strPath, uint64_t qwSize, uint64_t qwTime, const CondAnswer& answer);
  size_t Count() const { return m_map.size(); }
  bool Changed() const { return m_bChanged; }
  void Clear();

  // Replaces the contents with a cache file's bytes. A damaged file gives no
  // entries at all and false; an empty one gives none and true.
  bool Decode(const void* pBytes, size_t cbBytes);
  // The file's bytes. Entries not used since Decode are dropped first when
  // there are more than kMaxEntries.
  std::string Encode() const;

 private:
  struct Entry {
    uint64_t qwSize = 0, qwTime = 0;
    CondAnswer answer;
    bool bUsed = false;
  };
  std::unordered_map<std::string, Entry> m_map;
  bool m_bChanged = false;
};
