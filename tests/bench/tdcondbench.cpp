// tdcond.exe as a whole process under Wine with many conduits: "list --json"
// and "doctor", each conduit with its own copy of a library or all sharing
// one, beside "--help" (the process alone). The prefix's own Palm Desktop key
// is written directly (the stand-ins' layout) and removed afterwards: run it
// by hand, never beside the UI scenarios.
//   tdcondbench [--conduits N] [--runs N]
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "orvello/ConduitTool.h"
#include "palm/PalmDesktop.h"
#include "support/PalmSandbox.h"
#include "support/TempDir.h"
#include "WinBench.h"

using namespace winbench;

int main(int argc, char** argv) {
  int nConduits = 1000, nRuns = 3;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--conduits")) nConduits = std::atoi(argv[i + 1]);
    if (!std::strcmp(argv[i], "--runs")) nRuns = std::atoi(argv[i + 1]);
  }
  tdxtest::TempDir desk("tdcondbench-desk"), prog("tdcondbench-prog");
  const std::string d = desk.path().string(), p = prog.path().string();
  for (const char* lib : {"condmgr.dll", "UserData.dll", "HSAPI.DLL", "instaide.dll"})
    CopyFileA(tdxtest::PalmSandbox::BinFile(lib).c_str(), (d + "\\" + lib).c_str(), FALSE);
  const std::string exe = p + "\\tdcond.exe";
  CopyFileA(tdxtest::PalmSandbox::BinFile("tdcond.exe").c_str(), exe.c_str(), FALSE);
  const std::string plain = tdxtest::PalmSandbox::BinFile("cond_plain.dll");
  CopyFileA(plain.c_str(), (d + "\\Shared.dll").c_str(), FALSE);
  for (int i = 0; i < nConduits; ++i) {
    char lib[32];
    std::snprintf(lib, sizeof lib, "\\Cond%04d.dll", i);
    CopyFileA(plain.c_str(), (d + lib).c_str(), FALSE);
  }
  CreateDirectoryA((d + "\\Ann").c_str(), nullptr);
  // What reading the libraries' versions costs on its own, in this process.
  const auto v0 = Clock::now();
  for (int i = 0; i < nConduits; ++i) {
    char lib[32];
    std::snprintf(lib, sizeof lib, "\\Cond%04d.dll", i);
    OVTool::LibraryVersion((d + lib).c_str());
  }
  std::printf("tdcondbench: versions of %d libraries in-process %.0f ms\n", nConduits,
              std::chrono::duration<double, std::milli>(Clock::now() - v0).count());
  // Loading them all and keeping them (as the conduit lists do) against
  // loading and freeing each (as the doctor does): the first and last tenth.
  for (const bool bKeep : {true, false}) {
    std::vector<HMODULE> kept;
    double tenth[2] = {0, 0};
    for (int i = 0; i < nConduits; ++i) {
      char lib[32];
      std::snprintf(lib, sizeof lib, "\\Cond%04d.dll", i);
      const auto t0 = Clock::now();
      HMODULE h = LoadLibraryA((d + lib).c_str());
      if (!bKeep && h) FreeLibrary(h);
      const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
      if (bKeep && h) kept.push_back(h);
      if (i < nConduits / 10) tenth[0] += ms;
      if (i >= nConduits - nConduits / 10) tenth[1] += ms;
    }
    for (HMODULE h : kept) FreeLibrary(h);
    std::printf("tdcondbench: LoadLibrary %s: first tenth %.1f ms each, last tenth %.1f ms each\n",
                bKeep ? "keeping each loaded" : "freeing each at once", tenth[0] / (nConduits / 10),
                tenth[1] / (nConduits / 10));
  }

  // All application conduits of one library or each of its own.
  for (const bool bShared : {false, true}) {
    RegDeleteTreeA(HKEY_CURRENT_USER, PD_REG_ROOT);
    SetString(PD_REG_CORE, "DesktopPath", d);
    const std::string user = tdxtest::PalmSandbox::Numbered(PD_REG_USER_FMT, 0);
    SetDword(user, "UserID", 1);
    SetString(user, "Name", "Ann");
    SetString(user, "Directory", "Ann");
    for (int i = 0; i < nConduits; ++i) {
      const std::string key = tdxtest::PalmSandbox::Numbered(PD_REG_APP_FMT, i);
      char lib[32], creator[8], title[32];
      std::snprintf(lib, sizeof lib, "Cond%04d.dll", i);
      std::snprintf(creator, sizeof creator, "%c%03d", 'A' + i / 1000, i % 1000);
      std::snprintf(title, sizeof title, "Conduit %d", i);
      SetDword(key, "Creator", tdxtest::PalmSandbox::Creator(creator));
      SetString(key, "Conduit", bShared ? "Shared.dll" : lib);
      SetString(key, "Title", title);
      SetString(key, "Directory", "dir");
      SetString(key, "File", "file.dat");
      SetString(key, "Remote", "RemoteDB");
      SetDword(key, "Priority", 2);
    }
    std::printf("tdcondbench: %d application conduits, %s\n", nConduits,
                bShared ? "all sharing one library" : "each with a library of its own");
    for (const char* args : {"--help", "list --json", "doctor"}) {
      for (int r = 0; r < nRuns; ++r) {
        DWORD code = 0;
        const double ms = RunMs(exe, args, p, &code);
        std::printf("  tdcond %-12s %8.0f ms (exit %lu)\n", args, ms,
                    static_cast<unsigned long>(code));
      }
    }
  }
  RegDeleteTreeA(HKEY_CURRENT_USER, PD_REG_ROOT);
  return 0;
}
