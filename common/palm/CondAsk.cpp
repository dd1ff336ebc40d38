#include "palm/CondAsk.h"

#include <windows.h>

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
    bFound = n > 0 && n < sizeof szFull && GetFileAttributesExA(szFull, GetFileExInfoStandard, &fad);
  }
  if (!bFound || (fad.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  CharUpperBuffA(szFull, n);
  pKey->assign(szFull, n);
  *pSize = (static_cast<uint64_t>(fad.nFileSizeHigh) << 32) | fad.nFileSizeLow;
  *pTime = (static_cast<uint64_t>(fad.ftLastWriteTime.dwHighDateTime) << 32) |
           fad.ftLastWriteTime.dwLowDateTime;
  return true;
}

bool ReadWholeFile(const std::string& path, std::string* pBytes) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size;
  bool ok = GetFileSizeEx(h, &size) && size.QuadPart < 64 * 1024 * 1024;
  if (ok) {
    pBytes->resize(static_cast<size_t>(size.QuadPart));
    DWORD cb = 0;
    ok = pBytes->empty() ||
         (ReadFile(h, pBytes->data(), static_cast<DWORD>(pBytes->size()), &cb, nullptr) &&
          cb == pBytes->size());
  }
  CloseHandle(h);
  return ok;
}

// One helper run: its process and the read end of its answer pipe.
struct Run {
  HANDLE hProcess = nullptr;
  HANDLE hRead = nullptr;
  ~Run() {
    if (hRead) CloseHandle(hRead);
    if (hProcess) CloseHandle(hProcess);
  }
};

bool StartRun(const std::string& helper, const std::string& list, size_t nFirst, Run* pRun) {
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE hRead = nullptr, hWrite = nullptr;
  if (!CreatePipe(&hRead, &hWrite, &sa, 64 * 1024)) return false;
  SetHandleInformation(hRead, HANDLE_FLAG_INHERIT, 0);
  HANDLE hNul = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            &sa, OPEN_EXISTING, 0, nullptr);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = hNul;
  si.hStdOutput = hWrite;
  si.hStdError = hNul;
  std::string cmd = "\"" + helper + "\" \"" + list + "\" " + std::to_string(nFirst);
  PROCESS_INFORMATION pi{};
  const BOOL ok = CreateProcessA(helper.c_str(), cmd.data(), nullptr, nullptr, TRUE,
                                 CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi);
  CloseHandle(hWrite);
  if (hNul != INVALID_HANDLE_VALUE) CloseHandle(hNul);
  if (!ok) {
    CloseHandle(hRead);
    return false;
  }
  CloseHandle(pi.hThread);
  pRun->hProcess = pi.hProcess;
  pRun->hRead = hRead;
  return true;
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
    default:
      return nullptr;
  }
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

std::vector<CondAnswer> CondAsker::Ask(const std::vector<std::string>& paths) {
  Configure();
  std::vector<CondAnswer> answers(paths.size());
  if (paths.empty()) return answers;
  // Another process may have written the file since: read it again then.
  WIN32_FILE_ATTRIBUTE_DATA fad{};
  const bool bCacheFile = !m_strCache.empty() &&
                          GetFileAttributesExA(m_strCache.c_str(), GetFileExInfoStandard, &fad);
  const uint64_t qwStamp = bCacheFile ? ((static_cast<uint64_t>(fad.ftLastWriteTime.dwHighDateTime) << 32) |
                                         fad.ftLastWriteTime.dwLowDateTime) ^ fad.nFileSizeLow
                                      : 0;
  if (!bCacheFile || qwStamp != m_qwCacheStamp || !m_bCacheRead) {
    std::string bytes;
    if (bCacheFile && ReadWholeFile(m_strCache, &bytes))
      m_cache.Decode(bytes.data(), bytes.size());
    else
      m_cache.Clear();
    m_bCacheRead = true;
    m_qwCacheStamp = qwStamp;
  }

  struct Key {
    std::string key;
    uint64_t size = 0, time = 0;
    bool ok = false;
  };
  std::vector<Key> keys(paths.size());
  std::vector<std::string> ask;              // each library asked once
  std::vector<std::vector<size_t>> askedFor;  // which paths each question answers
  std::unordered_map<std::string, size_t> seen;
  for (size_t i = 0; i < paths.size(); ++i) {
    Key& k = keys[i];
    k.ok = KeyOf(paths[i], &k.key, &k.size, &k.time);
    if (k.ok) {
      if (const CondAnswer* a = m_cache.Find(k.key, k.size, k.time)) {
        answers[i] = *a;
        continue;
      }
    } else {
      continue;  // no such file: nothing the loader could map
    }
    const std::string dedupe = k.ok ? k.key : paths[i];
    auto it = seen.find(dedupe);
    if (it != seen.end()) {
      askedFor[it->second].push_back(i);
      continue;
    }
    seen.emplace(dedupe, ask.size());
    ask.push_back(paths[i]);
    askedFor.push_back({i});
  }
  if (ask.empty()) return answers;

  std::vector<CondAnswer> got(ask.size());
  if (!AskHelper(ask, got)) AskInProcess(ask, 0, got);
  for (size_t j = 0; j < ask.size(); ++j) {
    for (size_t i : askedFor[j]) {
      answers[i] = got[j];
      if (keys[i].ok) m_cache.Put(keys[i].key, keys[i].size, keys[i].time, got[j]);
    }
  }
  if (m_cache.Changed() && !m_strCache.empty()) {
    const std::string out = m_cache.Encode();
    WriteWholeFile(m_strCache.c_str(), out.data(), out.size());
    m_bCacheRead = false;  // read back what was written, with its new stamp
  }
  return answers;
}

bool CondAsker::AskHelper(const std::vector<std::string>& paths, std::vector<CondAnswer>& answers) {
  if (m_strHelper.empty() || GetFileAttributesA(m_strHelper.c_str()) == INVALID_FILE_ATTRIBUTES)
    return false;
  char szTempDir[MAX_PATH], szList[MAX_PATH];
  const DWORD nDir = GetTempPathA(sizeof szTempDir, szTempDir);
  if (nDir == 0 || nDir >= sizeof szTempDir || !GetTempFileNameA(szTempDir, "tdq", 0, szList))
    return false;
  std::string list;
  for (const std::string& p : paths) list += p + "\r\n";
  struct Remove {
    const char* p;
    ~Remove() { DeleteFileA(p); }
  } remove{szList};
  if (!WriteWholeFile(szList, list.data(), list.size())) return false;

  std::vector<bool> done(paths.size(), false);
  size_t nNext = 0;
  while (nNext < paths.size()) {
    Run run;
    if (!StartRun(m_strHelper, szList, nNext, &run)) {
      if (nNext == 0) return false;
      AskInProcess(paths, nNext, answers);
      return true;
    }
    ++m_nRuns;
    // The library being asked, and since when; before the first "B" line the
    // helper's own start counts against the first library.
    size_t nAsking = nNext;
    bool bAsking = true;
    DWORD dwSince = GetTickCount();
    bool bProgress = false, bKilled = false, bExited = false;
    std::string buf;
    for (;;) {
      DWORD nAvail = 0;
      const BOOL bPeek = PeekNamedPipe(run.hRead, nullptr, 0, nullptr, &nAvail, nullptr);
      if (bPeek && nAvail > 0) {
        char chunk[8192];
        DWORD cb = 0;
        if (!ReadFile(run.hRead, chunk, nAvail < sizeof chunk ? nAvail : sizeof chunk, &cb, nullptr))
          break;
        buf.append(chunk, cb);
        size_t nl;
        while ((nl = buf.find('\n')) != std::string::npos) {
          CondProbeLine line;
          if (DecodeProbeLine(buf.data(), nl, &line) && line.nIndex >= nNext &&
              line.nIndex < paths.size()) {
            bProgress = true;
            if (line.cKind == 'B') {
              nAsking = line.nIndex;
              bAsking = true;
              dwSince = GetTickCount();
            } else {
              answers[line.nIndex] = line.answer;
              done[line.nIndex] = true;
              if (line.nIndex == nAsking) bAsking = false;
            }
          }
          buf.erase(0, nl + 1);
        }
        continue;
      }
      if (!bPeek || bExited) break;  // the pipe is closed and drained
      if (WaitForSingleObject(run.hProcess, 1) == WAIT_OBJECT_0) {
        bExited = true;  // read what is left, then stop
        continue;
      }
      // Until its first line the helper is still starting, which a busy
      // machine may stretch: that is not held against the first library.
      const DWORD dwLimit = bProgress ? m_nTimeout : (m_nTimeout > 30000 ? m_nTimeout : 30000);
      if (bAsking && GetTickCount() - dwSince > dwLimit) {
        TerminateProcess(run.hProcess, 1);
        WaitForSingleObject(run.hProcess, 5000);
        bKilled = true;
        break;
      }
    }
    if (bAsking && !done[nAsking]) {
      if (!bProgress) {
        // The helper ended or stalled without a word: it cannot run here.
        AskInProcess(paths, nAsking, answers);
        return true;
      }
      answers[nAsking].state = bKilled ? CondLibState::NoAnswer : CondLibState::Crashed;
      done[nAsking] = true;
    }
    // The next run starts after the last library settled.
    while (nNext < paths.size() && done[nNext]) ++nNext;
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
