// tdcond: see TdcCli.h and "tdcond --help".
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "TdcCli.h"
#include "misc/WinUtil.h"
#include "orvello/WinClock.h"
#include "palm/CondAsk.h"

namespace {

// A fault that reaches here came from a conduit library asked in process (the
// helper is missing): one line naming it and exit code 1, never a dialog.
LONG WINAPI OnFault(EXCEPTION_POINTERS*) {
  char sz[400];
  const char* szLib = CondAskInProcessLibrary();
  if (szLib)
    std::snprintf(sz, sizeof sz,
                  "tdcond: the conduit library \"%.300s\" crashed; it cannot go on\n", szLib);
  else
    std::snprintf(sz, sizeof sz, "tdcond: stopped on a fault; it cannot go on\n");
  DWORD cb = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), sz, static_cast<DWORD>(std::strlen(sz)), &cb, nullptr);
  ExitProcess(1);
  return EXCEPTION_EXECUTE_HANDLER;
}

// A console shows the OEM code page; files and pipes get the ANSI bytes.
void Write(std::FILE* f, DWORD nStdHandle, std::string text, bool bUtf8) {
  DWORD mode = 0;
  if (!bUtf8 && !text.empty() && GetConsoleMode(GetStdHandle(nStdHandle), &mode))
    CharToOemBuffA(text.data(), text.data(), static_cast<DWORD>(text.size()));
  std::fwrite(text.data(), 1, text.size(), f);
}

}  // namespace

int main(int argc, char** argv) {
  // A conduit library that lacks a DLL of its own must not bring up a
  // system message box: the doctor reports it.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  SetUnhandledExceptionFilter(OnFault);
  char szDir[MAX_PATH] = {};
  GetModuleDir(nullptr, szDir);
  WinClock clock;
  TdcEnv env;
  env.strModuleDir = szDir;
  env.pClock = &clock;
  // doctor --fix asks on the error output and reads the answer from the input.
  env.ask = [](const std::string& question) {
    Write(stderr, STD_ERROR_HANDLE, question, false);
    std::fflush(stderr);
    char line[256] = {};
    if (!std::fgets(line, sizeof line, stdin)) return std::string();
    return std::string(line);
  };
  TdcResult r;
  try {
    r = TdcRun(argc, argv, env);
  } catch (const std::exception& e) {
    // As the program's handlers do: say what escaped instead of ending mute.
    r = TdcResult{};
    r.nExit = TDC_EXIT_FAILED;
    r.strErr = std::string("tdcond: ") + e.what() + "\n";
  } catch (...) {
    r = TdcResult{};
    r.nExit = TDC_EXIT_FAILED;
    r.strErr = "tdcond: the command stopped on an unexpected error\n";
  }
  Write(stdout, STD_OUTPUT_HANDLE, r.strOut, r.bOutUtf8);
  Write(stderr, STD_ERROR_HANDLE, r.strErr, false);
  if (std::fflush(stdout) != 0) return 1;
  return r.nExit;
}
