// Asks conduit libraries whether they are conduits and what they are called,
// through the helper program (tdcprobe.exe beside the program) and the answer
// cache in the program directory, so the process itself never maps a conduit
// library. Where the helper is missing, the libraries are asked in process.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "palm/CondAnswer.h"

inline constexpr char kCondProbeExe[] = "tdcprobe.exe";
inline constexpr char kCondAnswerStore[] = "ovlib.dat";

class CondAsker {
 public:
  // The one the program's conduit managers, reports and dialogs share.
  static CondAsker& Instance();

  // The directory (ending in a backslash) that holds the helper and the cache;
  // by default the executable's own.
  void SetDirectory(const std::string& strDir);
  void SetHelperPath(const std::string& strPath) { m_strHelper = strPath; }
  void SetCachePath(const std::string& strPath) { m_strCache = strPath; }
  // How long one library may take to answer.
  void SetTimeout(uint32_t nMillis) { m_nTimeout = nMillis; }

  // One answer per path, in order. Unchanged libraries are answered from the
  // cache; the others are asked, all in one helper run unless one brings the
  // helper down or keeps it waiting.
  std::vector<CondAnswer> Ask(const std::vector<std::string>& paths);
  CondAnswer AskOne(const std::string& strPath);

  uint32_t HelperRuns() const { return m_nRuns; }

 private:
  void Configure();
  // Asks through the helper; false when it cannot be started at all.
  bool AskHelper(const std::vector<std::string>& paths, std::vector<CondAnswer>& answers);
  void AskInProcess(const std::vector<std::string>& paths, size_t nFirst,
                    std::vector<CondAnswer>& answers);

  bool m_bConfigured = false;
  std::string m_strHelper, m_strCache;
  uint32_t m_nTimeout = 5000;
  uint32_t m_nRuns = 0;
  CondAnswerCache m_cache;
  bool m_bCacheRead = false;
  uint64_t m_qwCacheStamp = 0;  // the cache file's write time and size when read
};

// The library an in-process question is being put to, or null: a process that
// ends on a fault can name it.
const char* CondAskInProcessLibrary();

// Texts for a library in a faulty state, e.g. "( library crashed )"; null for
// any other state.
const char* CondFaultText(CondLibState state);
