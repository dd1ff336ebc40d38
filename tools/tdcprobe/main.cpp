// tdcprobe: asks conduit libraries, one after another, whether they are
// conduits and what they are called, so that a library that crashes or hangs
// takes only this small process with it. Started by the program and tdcond:
//   tdcprobe <list file> <first index> <answer handle>
// The list file holds one library path a line. For each library from the first
// index on, a "B <index>" line goes to the answer handle (a pipe the starter
// hands down) before the library is loaded, and an answer line
// (palm/CondAnswer.h) once it has been asked and let go. Standard output and
// error lead nowhere: many libraries print as they please.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "misc/WinUtil.h"
#include "palm/CondAnswer.h"
#include "palm/PalmApi.h"

namespace {

// The exit code of a run that a library brought down.
constexpr UINT kExitFault = 0x4C4942;  // "LIB"
// Room for a library that ignores the length it is given.
constexpr size_t kGuardBytes = 64 * 1024;

LONG WINAPI OnFault(EXCEPTION_POINTERS*) {
  ExitProcess(kExitFault);
  return EXCEPTION_EXECUTE_HANDLER;
}

HANDLE g_hAnswers = INVALID_HANDLE_VALUE;

void Emit(const std::string& line) {
  std::string s = line + "\n";
  DWORD cb = 0;
  WriteFile(g_hAnswers, s.data(), static_cast<DWORD>(s.size()), &cb, nullptr);
}

// Whatever a library prints, at the system's level and the C runtime's,
// goes to NUL.
void SilenceStandardStreams() {
  HANDLE hNul = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (hNul != INVALID_HANDLE_VALUE) {
    SetStdHandle(STD_INPUT_HANDLE, hNul);
    SetStdHandle(STD_OUTPUT_HANDLE, hNul);
    SetStdHandle(STD_ERROR_HANDLE, hNul);
  }
  std::freopen("NUL", "r", stdin);
  std::freopen("NUL", "w", stdout);
  std::freopen("NUL", "w", stderr);
  // The runtime takes NUL for a terminal and would write byte by byte; a
  // library printing a megabyte must not cost a second per hundred thousand.
  std::setvbuf(stdout, nullptr, _IOFBF, 64 * 1024);
  std::setvbuf(stderr, nullptr, _IOFBF, 64 * 1024);
}

// Tests count the runs: each one appends a line to the file named here.
void CountRun() {
  char szFile[MAX_PATH];
  const DWORD n = GetEnvironmentVariableA("TDX_PROBE_RUNS", szFile, sizeof szFile);
  if (n == 0 || n >= sizeof szFile) return;
  HANDLE h = CreateFileA(szFile, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  DWORD cb = 0;
  WriteFile(h, "run\n", 4, &cb, nullptr);
  CloseHandle(h);
}

std::vector<std::string> ReadList(const char* szPath) {
  std::vector<std::string> list;
  std::FILE* f = std::fopen(szPath, "rb");
  if (!f) return list;
  std::string line;
  for (int c; (c = std::fgetc(f)) != EOF;) {
    if (c == '\n') {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      list.push_back(line);
      line.clear();
    } else {
      line += static_cast<char>(c);
    }
  }
  if (!line.empty()) list.push_back(line);
  std::fclose(f);
  return list;
}

CondAnswer Ask(const std::string& path, char* pGuard) {
  CondAnswer a;
  int v[4] = {};
  a.bHasVersion = GetFileVersion(path.c_str(), &v[0], &v[1], &v[2], &v[3]);
  for (int i = 0; i < 4; ++i) a.wVersion[i] = static_cast<uint16_t>(v[i]);
  SetLastError(0);
  HMODULE h = path.empty() ? nullptr : LoadLibraryA(path.c_str());
  if (!h) {
    a.dwLoadError = GetLastError();
    return a;  // NotLoaded
  }
  a.state = CondLibState::Answered;
  a.bOpenConduit = GetProcAddress(h, "OpenConduit") != nullptr;
  auto pfnName = reinterpret_cast<PFN_GetConduitName>(
      reinterpret_cast<void*>(GetProcAddress(h, "GetConduitName")));
  if (pfnName) {
    std::memset(pGuard, 0, kGuardBytes);
    a.bHasName = true;
    a.nNameResult = static_cast<int32_t>(pfnName(pGuard, kCondNameLength));
    // Only what fits the length counts, whatever the library wrote beyond it.
    std::memcpy(a.szName, pGuard, strnlen(pGuard, kCondNameLength - 1));
  }
  FreeLibrary(h);
  return a;
}

}  // namespace

int main(int argc, char** argv) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  SetUnhandledExceptionFilter(OnFault);
  if (argc != 4) {
    std::fputs("usage: tdcprobe <list file> <first index> <answer handle>\n", stderr);
    return 2;
  }
  char* pEnd = nullptr;
  const unsigned long long nHandle = std::strtoull(argv[3], &pEnd, 10);
  if (!pEnd || *pEnd || nHandle == 0) {
    std::fputs("tdcprobe: the answer handle is a number\n", stderr);
    return 2;
  }
  g_hAnswers = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(nHandle));
  // Processes a library starts must not hold the answers open.
  SetHandleInformation(g_hAnswers, HANDLE_FLAG_INHERIT, 0);
  SilenceStandardStreams();
  CountRun();
  const std::vector<std::string> list = ReadList(argv[1]);
  const unsigned long nFirst = std::strtoul(argv[2], nullptr, 10);
  // On the heap: an overrun lands in our own spare bytes, not on the stack.
  char* pGuard = static_cast<char*>(
      VirtualAlloc(nullptr, kGuardBytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  if (!pGuard) return 3;
  for (size_t i = nFirst; i < list.size(); ++i) {
    Emit("B " + std::to_string(i));
    Emit(EncodeProbeAnswer(static_cast<uint32_t>(i), Ask(list[i], pGuard)));
  }
  return 0;
}
