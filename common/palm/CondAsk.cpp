#include "palm/CondAsk.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <unordered_map>

#include "misc/WinUtil.h"
#include "palm/CondMgr.h"

namespace {

const char* g_szInProcess = nullptr;

// The cache's key: the full path in upper case, with the file's size and
// last-write time; false when the file cannot be seen (it is asked, not cached).
bool KeyOf(const std::string& path, std::string* pKey, uint64_t* pSize, uint64_t* pTime) {
  char szFull[MAX_PATH];
  DWORD n = GetFullPathNameA(path.c_str(), sizeof szFull, szFull, nullptr);
  if (n == 0 || n >= sizeof szFull) return false;
  WIN32_FILE_ATTRIBUTE_DATA fad;
  bool bFound = GetFileAttributesExA(szFull, GetFileExInfoStandard, &fad) != 0;
  if (!bFound && path.find_first_of("\\/:") == std::string::npos) {
    // A bare name the loader would look for along its search path.
    n = SearchPathA(nullptr, path.c_str(), nullptr, sizeof szFull, szFull, nullptr);
    bFound =
        n > 0 && n < sizeof szFull && GetFileAttributesExA(szFull, GetFileExInfoStandard, &fad);
  }
  if (!bFound || (fad.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  CharUpperBuffA(szFull, n);
  pKey->assign(szFull, n);
  *pSize = (static_cast<uint64_t>(fad.nFileSizeHigh) << 32) | fad.nFileSizeLow;
  *pTime = (static_cast<uint64_t>(fad.ftLastWriteTime.dwHighDateTime) << 32) |
           fad.ftLastWriteTime.dwLowDateTime;
  return true;
}

// Longer than any line the helper writes ("A", index, state, flags, result,
// a 63-byte name as hex, four version numbers, load error).
constexpr size_t kMaxProbeLine = 256;

// One helper run: the process in a job of its own (so every process a
// library starts ends with it), and the read end of its answer pipe. Ending
// the run, on every path, ends them all.
class HelperRun {
 public:
  HelperRun() = default;
  HelperRun(const HelperRun&) = delete;
  HelperRun& operator=(const HelperRun&) = delete;
  ~HelperRun() {
    End();
    if (m_hPipe) CloseHandle(m_hPipe);
    if (m_ov.hEvent) CloseHandle(m_ov.hEvent);
    if (m_hJob) CloseHandle(m_hJob);
    if (m_hProcess) CloseHandle(m_hProcess);
  }

  // False when the helper cannot be started; *pdwError says why.
  bool Start(const std::string& helper, const std::string& list, size_t nFirst, DWORD* pdwError);
  // Waits up to nMillis for bytes or the helper's end: 1 bytes (in *pcb),
  // 0 nothing yet, -1 the helper has ended and everything it wrote is read.
  int Wait(DWORD nMillis, const char** ppBytes, DWORD* pcb);
  DWORD ExitCode() const {
    DWORD dw = 0;
    return GetExitCodeProcess(m_hProcess, &dw) ? dw : 0;
  }
  void End() {
    if (m_hJob) TerminateJobObject(m_hJob, 1);
    if (m_hProcess) {
      TerminateProcess(m_hProcess, 1);
      WaitForSingleObject(m_hProcess, 5000);
    }
    if (m_bPending) {
      CancelIo(m_hPipe);
      DWORD cb = 0;
      GetOverlappedResult(m_hPipe, &m_ov, &cb, TRUE);
      m_bPending = false;
    }
  }

 private:
  bool Read();

  HANDLE m_hProcess = nullptr, m_hJob = nullptr, m_hPipe = nullptr;
  OVERLAPPED m_ov{};
  bool m_bPending = false, m_bExited = false, m_bBroken = false;
  char m_buf[2][4096];
  int m_nBuf = 0;  // the one being read into
};

bool HelperRun::Start(const std::string& helper, const std::string& list, size_t nFirst,
                      DWORD* pdwError) {
  static LONG s_nSeq = 0;
  char szPipe[96];
  std::snprintf(szPipe, sizeof szPipe, "\\\\.\\pipe\\tandelix-answers-%lu-%lu-%ld",
                GetCurrentProcessId(), GetTickCount(), InterlockedIncrement(&s_nSeq));
  const DWORD dwOpen = PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE;
  m_hPipe =
      CreateNamedPipeA(szPipe, dwOpen, PIPE_TYPE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1,
                       0, 64 * 1024, 0, nullptr);
  if (m_hPipe == INVALID_HANDLE_VALUE)  // a system that does not know the last flag
    m_hPipe =
        CreateNamedPipeA(szPipe, dwOpen, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 0, 64 * 1024, 0, nullptr);
  if (m_hPipe == INVALID_HANDLE_VALUE) {
    m_hPipe = nullptr;
    *pdwError = GetLastError();
    return false;
  }
  m_ov.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE hWrite = CreateFileA(szPipe, GENERIC_WRITE, 0, &sa, OPEN_EXISTING, 0, nullptr);
  HANDLE hNul = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            &sa, OPEN_EXISTING, 0, nullptr);
  if (!m_ov.hEvent || hWrite == INVALID_HANDLE_VALUE || hNul == INVALID_HANDLE_VALUE) {
    *pdwError = GetLastError();
    if (hWrite != INVALID_HANDLE_VALUE) CloseHandle(hWrite);
    if (hNul != INVALID_HANDLE_VALUE) CloseHandle(hNul);
    return false;
  }
  std::string cmd = "\"" + helper + "\" \"" + list + "\" " + std::to_string(nFirst) + " " +
                    std::to_string(reinterpret_cast<uintptr_t>(hWrite));

  // The helper inherits the answer pipe and NUL and nothing else of ours,
  // where the system can say so.
  STARTUPINFOEXA si{};
  si.StartupInfo.cb = sizeof si;
  si.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  si.StartupInfo.hStdInput = si.StartupInfo.hStdOutput = si.StartupInfo.hStdError = hNul;
  HANDLE inherit[2] = {hWrite, hNul};
  std::vector<char> attrs;
  SIZE_T cbAttrs = 0;
  InitializeProcThreadAttributeList(nullptr, 1, 0, &cbAttrs);
  if (cbAttrs > 0) {
    attrs.resize(cbAttrs);
    auto* pList = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attrs.data());
    if (InitializeProcThreadAttributeList(pList, 1, 0, &cbAttrs)) {
      if (UpdateProcThreadAttribute(pList, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherit,
                                    sizeof inherit, nullptr, nullptr)) {
        si.lpAttributeList = pList;
      } else {
        DeleteProcThreadAttributeList(pList);
      }
    }
  }
  // No console: the helper talks on the pipe, and a console host of its own
  // would outlive a helper ended early (under Wine, with our output).
  const DWORD dwFlags = DETACHED_PROCESS | CREATE_SUSPENDED;
  PROCESS_INFORMATION pi{};
  BOOL ok = FALSE;
  if (si.lpAttributeList) {
    si.StartupInfo.cb = sizeof si;
    ok = CreateProcessA(helper.c_str(), cmd.data(), nullptr, nullptr, TRUE,
                        dwFlags | EXTENDED_STARTUPINFO_PRESENT, nullptr, nullptr, &si.StartupInfo,
                        &pi);
    DeleteProcThreadAttributeList(si.lpAttributeList);
    si.lpAttributeList = nullptr;
  }
  if (!ok) {
    si.StartupInfo.cb = sizeof si.StartupInfo;
    ok = CreateProcessA(helper.c_str(), cmd.data(), nullptr, nullptr, TRUE, dwFlags, nullptr,
                        nullptr, &si.StartupInfo, &pi);
  }
  *pdwError = ok ? 0 : GetLastError();
  CloseHandle(hWrite);
  CloseHandle(hNul);
  if (!ok) return false;
  m_hProcess = pi.hProcess;
  // A system that refuses the job (one that cannot nest them) still gets
  // the helper ended by hand.
  m_hJob = CreateJobObjectA(nullptr, nullptr);
  if (m_hJob) {
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!SetInformationJobObject(m_hJob, JobObjectExtendedLimitInformation, &limits,
                                 sizeof limits) ||
        !AssignProcessToJobObject(m_hJob, m_hProcess)) {
      CloseHandle(m_hJob);
      m_hJob = nullptr;
    }
  }
  ResumeThread(pi.hThread);
  CloseHandle(pi.hThread);
  return Read() || m_bBroken;
}

// Starts the next read; false when the pipe cannot be read any more.
bool HelperRun::Read() {
  if (m_bBroken) return false;
  ResetEvent(m_ov.hEvent);
  DWORD cb = 0;
  if (ReadFile(m_hPipe, m_buf[m_nBuf], sizeof m_buf[0], &cb, &m_ov) || GetLastError() == ERROR_IO_PENDING) {
    m_bPending = true;
    return true;
  }
  m_bBroken = true;
  return false;
}

int HelperRun::Wait(DWORD nMillis, const char** ppBytes, DWORD* pcb) {
  if (m_bBroken) return -1;
  if (m_bExited && nMillis > 1000) nMillis = 1000;  // what is left is in the pipe already
  HANDLE h[2] = {m_ov.hEvent, m_hProcess};
  const DWORD w = WaitForMultipleObjects(m_bExited ? 1 : 2, h, FALSE, nMillis);
  if (w == WAIT_OBJECT_0) {
    m_bPending = false;
    DWORD cb = 0;
    if (!GetOverlappedResult(m_hPipe, &m_ov, &cb, FALSE)) {
      m_bBroken = true;
      return -1;
    }
    // The next read goes into the other buffer: it may complete at once.
    *ppBytes = m_buf[m_nBuf];
    *pcb = cb;
    m_nBuf ^= 1;
    Read();
    return 1;
  }
  if (w == WAIT_OBJECT_0 + 1) {
    m_bExited = true;  // read what it wrote before it ended
    return 0;
  }
  if (m_bExited) {
    // Ended, and nothing more came: a process the library started may hold
    // a copy of the pipe, but nothing of its can count.
    m_bBroken = true;
    return -1;
  }
  return 0;
}

struct InProcessJob {
  std::string path;
  CondAnswer answer;
};

DWORD WINAPI AskInProcessThread(void* pv) {
  auto* job = static_cast<InProcessJob*>(pv);
  CondAnswer& a = job->answer;
  int v[4] = {};
  a.bHasVersion = GetFileVersion(job->path.c_str(), &v[0], &v[1], &v[2], &v[3]);
  for (int i = 0; i < 4; ++i) a.wVersion[i] = static_cast<uint16_t>(v[i]);
  CCondObj obj;
  SetLastError(0);
  if (!obj.Load(job->path.c_str())) {
    a.dwLoadError = GetLastError();
    return 0;
  }
  a.state = CondLibState::Answered;
  a.bOpenConduit = obj.IsValid();
  a.bHasName = obj.HasNameEntry();
  if (a.bHasName) {
    // The same guard the helper gives: a library that ignores the length
    // writes into spare bytes of ours.
    std::vector<char> guard(64 * 1024, '\0');
    a.nNameResult = obj.GetName(guard.data(), kCondNameLength);
    std::memcpy(a.szName, guard.data(), strnlen(guard.data(), kCondNameLength - 1));
  }
  return 0;
}

}  // namespace

const char* CondAskInProcessLibrary() { return g_szInProcess; }

const char* CondFaultText(CondLibState state) {
  switch (state) {
    case CondLibState::Crashed:
      return "( library crashed )";
    case CondLibState::NoAnswer:
      return "( library does not answer )";
    case CondLibState::Misbehaved:
      return "( library misbehaved )";
    case CondLibState::Unasked:
      return "( library not checked )";
    default:
      return nullptr;
  }
}

std::string CondUnaskedReason(const CondAnswer& a) {
  switch (a.unasked) {
    case CondUnasked::CannotStart:
      return "the conduit helper " + std::string(kCondProbeExe) + " could not be started (error " +
             std::to_string(a.dwLoadError) + ")";
    case CondUnasked::NoStart:
      return "the conduit helper " + std::string(kCondProbeExe) + " did not start in time";
    case CondUnasked::Ended:
      return "the conduit helper " + std::string(kCondProbeExe) +
             " ended before it asked anything (exit code " + std::to_string(a.dwLoadError) + ")";
    case CondUnasked::OutOfTurn:
      return "the conduit helper " + std::string(kCondProbeExe) + " answered out of turn";
    default:
      return "the conduit helper could not ask it";
  }
}

std::string CondStateText(const CondAnswer& a) {
  if (a.state == CondLibState::Unasked) return "( not checked: " + CondUnaskedReason(a) + " )";
  const char* sz = CondFaultText(a.state);
  return sz ? sz : "";
}

CondAsker& CondAsker::Instance() {
  static CondAsker asker;
  return asker;
}

void CondAsker::SetDirectory(const std::string& strDir) {
  m_strHelper = strDir + kCondProbeExe;
  m_strCache = strDir + kCondAnswerStore;
  m_bConfigured = true;
}

void CondAsker::Configure() {
  if (m_bConfigured) return;
  m_bConfigured = true;
  // Whatever was not set goes in the executable's directory.
  char szDir[MAX_PATH] = {};
  if (!GetModuleDir(nullptr, szDir)) return;
  if (m_strHelper.empty()) m_strHelper = std::string(szDir) + kCondProbeExe;
  if (m_strCache.empty()) m_strCache = std::string(szDir) + kCondAnswerStore;
}

CondAnswer CondAsker::AskOne(const std::string& strPath) { return Ask({strPath})[0]; }

CondAnswer CondAsker::AskOneFresh(const std::string& strPath) { return AskFresh({strPath})[0]; }

std::vector<CondAnswer> CondAsker::Ask(const std::vector<std::string>& paths) {
  return AskPaths(paths, false);
}

std::vector<CondAnswer> CondAsker::AskFresh(const std::vector<std::string>& paths) {
  return AskPaths(paths, true);
}

void CondAsker::ReadCacheIfChanged() {
  // Another process may have written the file since: read it again then.
  WIN32_FILE_ATTRIBUTE_DATA fad{};
  const bool bCacheFile =
      !m_strCache.empty() && GetFileAttributesExA(m_strCache.c_str(), GetFileExInfoStandard, &fad);
  const uint64_t qwStamp =
      bCacheFile ? ((static_cast<uint64_t>(fad.ftLastWriteTime.dwHighDateTime) << 32) |
                    fad.ftLastWriteTime.dwLowDateTime) ^
                       fad.nFileSizeLow
                 : 0;
  if (m_bCacheRead && bCacheFile && qwStamp == m_qwCacheStamp) return;
  std::string bytes;
  if (bCacheFile && ReadWholeFile(m_strCache.c_str(), &bytes, 64 * 1024 * 1024 - 1))
    m_cache.Decode(bytes.data(), bytes.size());
  else
    m_cache.Clear();
  m_bCacheRead = true;
  m_qwCacheStamp = qwStamp;
}

std::vector<CondAnswer> CondAsker::AskPaths(const std::vector<std::string>& paths, bool bFresh) {
  Configure();
  std::vector<CondAnswer> answers(paths.size());
  if (paths.empty()) return answers;
  ReadCacheIfChanged();

  struct Key {
    std::string key;
    uint64_t size = 0, time = 0;
  };
  std::vector<Key> keys(paths.size());
  std::vector<std::string> ask;               // each library asked once
  std::vector<std::vector<size_t>> askedFor;  // which paths each question answers
  std::unordered_map<std::string, size_t> seen;
  for (size_t i = 0; i < paths.size(); ++i) {
    Key& k = keys[i];
    if (!KeyOf(paths[i], &k.key, &k.size, &k.time)) continue;  // nothing the loader could map
    if (!bFresh) {
      auto it = m_known.find(k.key);
      if (it != m_known.end() && it->second.qwSize == k.size && it->second.qwTime == k.time) {
        answers[i] = it->second.answer;
        continue;
      }
      if (const CondAnswer* a = m_cache.Find(k.key, k.size, k.time)) {
        answers[i] = *a;
        continue;
      }
    }
    auto it = seen.find(k.key);
    if (it != seen.end()) {
      askedFor[it->second].push_back(i);
      continue;
    }
    seen.emplace(k.key, ask.size());
    ask.push_back(paths[i]);
    askedFor.push_back({i});
  }
  if (ask.empty()) return answers;

  std::vector<CondAnswer> got(ask.size());
  if (!AskHelper(ask, got)) AskInProcess(ask, 0, got);
  for (size_t j = 0; j < ask.size(); ++j) {
    for (size_t i : askedFor[j]) {
      answers[i] = got[j];
      if (got[j].state == CondLibState::Unasked) continue;  // asked at the next question
      m_known[keys[i].key] = Known{keys[i].size, keys[i].time, got[j]};
      m_cache.Put(keys[i].key, keys[i].size, keys[i].time, got[j]);  // lasting ones only
    }
  }
  if (m_cache.Changed() && !m_strCache.empty()) {
    const std::string out = m_cache.Encode();
    // Where the file cannot be written, the answers stay known for this run.
    if (WriteWholeFile(m_strCache.c_str(), out.data(), out.size()))
      m_bCacheRead = false;  // read back what was written, with its new stamp
  }
  return answers;
}

namespace {

// What one helper run settled, as the reading loop saw it end.
enum class RunEnd { Done, Exited, TimedOut, OutOfTurn };

void LeaveUnasked(std::vector<CondAnswer>& answers, size_t nFrom, CondUnasked why,
                  uint32_t dwDetail) {
  for (size_t i = nFrom; i < answers.size(); ++i) {
    answers[i] = CondAnswer{};
    answers[i].state = CondLibState::Unasked;
    answers[i].unasked = why;
    answers[i].dwLoadError = dwDetail;
  }
}

}  // namespace

bool CondAsker::AskHelper(const std::vector<std::string>& paths, std::vector<CondAnswer>& answers) {
  if (m_strHelper.empty() || GetFileAttributesA(m_strHelper.c_str()) == INVALID_FILE_ATTRIBUTES)
    return false;
  char szTempDir[MAX_PATH], szList[MAX_PATH];
  const DWORD nDir = GetTempPathA(sizeof szTempDir, szTempDir);
  std::string list;
  for (const std::string& p : paths) list += p + "\r\n";
  if (nDir == 0 || nDir >= sizeof szTempDir || !GetTempFileNameA(szTempDir, "tdq", 0, szList) ||
      !WriteWholeFile(szList, list.data(), list.size())) {
    LeaveUnasked(answers, 0, CondUnasked::CannotStart, GetLastError());
    return true;
  }
  struct Remove {
    const char* p;
    ~Remove() { DeleteFileA(p); }
  } remove{szList};

  size_t nNext = 0;  // every library before it is settled
  while (nNext < paths.size()) {
    HelperRun run;
    DWORD dwError = 0;
    if (!run.Start(m_strHelper, szList, nNext, &dwError)) {
      LeaveUnasked(answers, nNext, CondUnasked::CannotStart, dwError);
      return true;
    }
    ++m_nRuns;
    // Expected next: "B nExpect", then "A nExpect". Each limit is absolute:
    // the first line's from the start, a library's from its "B" line, the
    // next "B" from the answer before it.
    size_t nExpect = nNext;
    bool bAsking = false, bSpoke = false;
    size_t nLastAnswered = SIZE_MAX;
    DWORD dwFrom = GetTickCount(), dwLimit = m_nStartTimeout;
    std::string line;
    RunEnd end = RunEnd::Done;
    for (bool bGo = true; bGo;) {
      const DWORD dwSpent = GetTickCount() - dwFrom;
      if (dwSpent >= dwLimit) {
        end = RunEnd::TimedOut;
        break;
      }
      const char* pBytes = nullptr;
      DWORD cb = 0;
      const int w = run.Wait(dwLimit - dwSpent, &pBytes, &cb);
      if (w < 0) {
        end = RunEnd::Exited;
        break;
      }
      for (DWORD k = 0; k < cb && bGo; ++k) {
        if (pBytes[k] != '\n') {
          line += pBytes[k];
          if (line.size() > kMaxProbeLine) {
            end = RunEnd::OutOfTurn;
            bGo = false;
          }
          continue;
        }
        if (!line.empty() && line.back() == '\r') line.pop_back();
        CondProbeLine got;
        const bool bOk = DecodeProbeLine(line.data(), line.size(), &got) && got.nIndex == nExpect &&
                         got.cKind == (bAsking ? 'A' : 'B') && nExpect < paths.size();
        line.clear();
        if (!bOk) {
          end = RunEnd::OutOfTurn;
          bGo = false;
        } else if (!bAsking) {
          bAsking = bSpoke = true;
          dwFrom = GetTickCount();
          dwLimit = m_nTimeout;
        } else {
          answers[nExpect] = got.answer;
          nLastAnswered = nExpect++;
          bAsking = false;
          dwFrom = GetTickCount();
          dwLimit = m_nTimeout;
          if (nExpect == paths.size()) bGo = false;  // all settled: nothing more is read
        }
      }
    }
    const DWORD dwExit = run.ExitCode();
    run.End();
    if (bAsking) {
      // The library being asked answers for how the run ended.
      answers[nExpect] = CondAnswer{};
      answers[nExpect].state = end == RunEnd::TimedOut    ? CondLibState::NoAnswer
                               : end == RunEnd::OutOfTurn ? CondLibState::Misbehaved
                                                          : CondLibState::Crashed;
      nNext = nExpect + 1;
    } else if (!bSpoke) {
      // Not a word in turn: this helper cannot ask anything here.
      LeaveUnasked(answers, nNext,
                   end == RunEnd::TimedOut    ? CondUnasked::NoStart
                   : end == RunEnd::OutOfTurn ? CondUnasked::OutOfTurn
                                              : CondUnasked::Ended,
                   end == RunEnd::Exited ? dwExit : 0);
      return true;
    } else {
      // Between two libraries only what the last one left behind runs.
      if (end == RunEnd::OutOfTurn && nLastAnswered != SIZE_MAX) {
        answers[nLastAnswered] = CondAnswer{};
        answers[nLastAnswered].state = CondLibState::Misbehaved;
      }
      nNext = nExpect;
    }
  }
  return true;
}

void CondAsker::AskInProcess(const std::vector<std::string>& paths, size_t nFirst,
                             std::vector<CondAnswer>& answers) {
  for (size_t i = nFirst; i < paths.size(); ++i) {
    // On a thread of its own, so a library that never returns costs the time
    // limit and not the whole program; such a thread is left behind.
    auto* job = new InProcessJob{paths[i], {}};
    g_szInProcess = job->path.c_str();
    HANDLE h = CreateThread(nullptr, 0, AskInProcessThread, job, 0, nullptr);
    if (!h) {
      AskInProcessThread(job);
      answers[i] = job->answer;
      delete job;
    } else if (WaitForSingleObject(h, m_nTimeout) == WAIT_OBJECT_0) {
      answers[i] = job->answer;
      delete job;
      CloseHandle(h);
    } else {
      answers[i] = CondAnswer{};
      answers[i].state = CondLibState::NoAnswer;
      CloseHandle(h);  // the job stays with the thread
    }
    g_szInProcess = nullptr;
  }
}
