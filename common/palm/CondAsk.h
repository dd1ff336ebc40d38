// Asks conduit libraries whether they are conduits and what they are called,
// through the helper program (tdcprobe.exe beside the program) and the answer
// cache in the program directory, so the process itself never maps a conduit
// library. Only where the helper file is missing are the libraries asked in
// process; a helper that cannot start leaves them unasked, with the reason.
//
// The helper is strangers' code's host and is trusted no further than the
// question: it answers on a pipe of its own (its standard output leads to NUL),
// each run accepts only the progress line of the library expected next and
// then only that library's answer, lines are bounded, the time limit of a
// library runs from its progress line and nothing restarts it, and the helper
// with every process a library started ends when the run does.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
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
  // How long one library may take to answer, from its progress line.
  void SetTimeout(uint32_t nMillis) { m_nTimeout = nMillis; }
  // How long the helper may take to say its first line.
  void SetStartTimeout(uint32_t nMillis) { m_nStartTimeout = nMillis; }

  // One answer per path, in order. Libraries answered before are answered
  // from what is known (lasting answers from the cache file, the others for
  // this run); the rest are asked, all in one helper run unless one brings
  // the helper down, keeps it waiting or answers out of turn.
  std::vector<CondAnswer> Ask(const std::vector<std::string>& paths);
  CondAnswer AskOne(const std::string& strPath);
  // Asks again whatever is known, as before a faulty conduit is uninstalled.
  std::vector<CondAnswer> AskFresh(const std::vector<std::string>& paths);
  CondAnswer AskOneFresh(const std::string& strPath);

  uint32_t HelperRuns() const { return m_nRuns; }

 private:
  struct Known {
    uint64_t qwSize = 0, qwTime = 0;
    CondAnswer answer;
  };

  void Configure();
  void ReadCacheIfChanged();
  std::vector<CondAnswer> AskPaths(const std::vector<std::string>& paths, bool bFresh);
  // Asks through the helper; false only when there is no helper file.
  bool AskHelper(const std::vector<std::string>& paths, std::vector<CondAnswer>& answers);
  void AskInProcess(const std::vector<std::string>& paths, size_t nFirst,
                    std::vector<CondAnswer>& answers);

  bool m_bConfigured = false;
  std::string m_strHelper, m_strCache;
  uint32_t m_nTimeout = 5000;
  uint32_t m_nStartTimeout = 30000;
  uint32_t m_nRuns = 0;
  CondAnswerCache m_cache;
  // Every answer this run got, by the cache's key: passing trouble is not
  // asked again until the next start, and nothing is lost where the cache
  // file cannot be written.
  std::unordered_map<std::string, Known> m_known;
  bool m_bCacheRead = false;
  uint64_t m_qwCacheStamp = 0;  // the cache file's write time and size when read
};

// The library an in-process question is being put to, or null: a process that
// ends on a fault can name it.
const char* CondAskInProcessLibrary();

// Texts for a library in a faulty state, e.g. "( library crashed )", or left
// unasked, "( not checked: the conduit helper could not be started )"; null
// for any other state.
const char* CondFaultText(CondLibState state);
std::string CondStateText(const CondAnswer& answer);
// Why a library was left unasked, as a clause: "the conduit helper could not
// be started (error 5)".
std::string CondUnaskedReason(const CondAnswer& answer);
