// Moving a set-up, measured: "tdcond export" and "tdcond import" (and its
// undo) as whole processes under Wine, once with many conduits, each with a
// library of its own, and once with a large user folder. Prints times and
// the file's size. The prefix's own Palm Desktop key is written directly
// (the stand-ins' layout) and removed afterwards: run it by hand, never
// beside the UI scenarios.
//   setupbench [--conduits N] [--megabytes N]
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "palm/PalmDesktop.h"
#include "support/PalmSandbox.h"
#include "support/TempDir.h"
#include "WinBench.h"

namespace {

using namespace winbench;
using tdxtest::PalmSandbox;

uint64_t SizeOf(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA fad;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &fad)) return 0;
  return (static_cast<uint64_t>(fad.nFileSizeHigh) << 32) | fad.nFileSizeLow;
}

// A desktop directory with the stand-ins, and a program directory with tdcond.
struct Pc {
  tdxtest::TempDir desk{"setupbench-desk"}, prog{"setupbench-prog"};
  std::string d = desk.path().string(), p = prog.path().string();
  Pc() {
    for (const char* f : {"condmgr.dll", "UserData.dll", "HSAPI.DLL", "instaide.dll"})
      CopyFileA(PalmSandbox::BinFile(f).c_str(), (d + "\\" + f).c_str(), FALSE);
    for (const char* f : {"tdcond.exe", "tdcprobe.exe"})
      CopyFileA(PalmSandbox::BinFile(f).c_str(), (p + "\\" + f).c_str(), FALSE);
  }
  std::string Exe() const { return p + "\\tdcond.exe"; }
  // This PC's Palm Desktop: its directory and one user, Ann.
  void Register() const {
    RegDeleteTreeA(HKEY_CURRENT_USER, PD_REG_ROOT);
    SetString(PD_REG_CORE, "DesktopPath", d);
    const std::string user = PalmSandbox::Numbered(PD_REG_USER_FMT, 0);
    SetDword(user, "UserID", 1);
    SetString(user, "Name", "Ann");
    SetString(user, "Directory", "Ann");
    CreateDirectoryA((d + "\\Ann").c_str(), nullptr);
  }
};

void Scenario(int nConduits, int nMegabytes) {
  Pc a, b;
  a.Register();
  const std::string plain = PalmSandbox::BinFile("cond_plain.dll");
  for (int i = 0; i < nConduits; ++i) {
    char lib[32], creator[8], title[32];
    std::snprintf(lib, sizeof lib, "Cond%04d.dll", i);
    std::snprintf(creator, sizeof creator, "%c%03d", 'A' + i / 1000, i % 1000);
    std::snprintf(title, sizeof title, "Conduit %d", i);
    CopyFileA(plain.c_str(), (a.d + "\\" + lib).c_str(), FALSE);
    const std::string key = PalmSandbox::Numbered(PD_REG_APP_FMT, i);
    SetDword(key, "Creator", PalmSandbox::Creator(creator));
    SetString(key, "Conduit", lib);
    SetString(key, "Title", title);
    SetString(key, "Directory", "dir");
    SetString(key, "File", "file.dat");
    SetString(key, "Remote", "RemoteDB");
    SetDword(key, "Priority", 2);
    char pref[16];  // Ann's action for it, as the stand-in keeps it
    std::snprintf(pref, sizeof pref, "%08lX",
                  static_cast<unsigned long>(PalmSandbox::Creator(creator)));
    SetDword(PalmSandbox::Numbered(PD_REG_USER_FMT, 0) + "\\PermSync", pref,
             static_cast<DWORD>(i % 4));
  }
  // Handheld data: backups of 1 MB each, half of each as packed as a
  // database record area, half text-like.
  std::vector<char> buf(1 << 20);
  uint32_t x = 2463534242u;
  CreateDirectoryA((a.d + "\\Ann\\Backup").c_str(), nullptr);
  for (int n = 0; n < nMegabytes; ++n) {
    for (size_t i = 0; i < buf.size(); ++i) {
      x ^= x << 13, x ^= x >> 17, x ^= x << 5;
      buf[i] = i < buf.size() / 2 ? static_cast<char>(x) : "Meeting with the team at ten. "[i % 30];
    }
    char name[64];
    std::snprintf(name, sizeof name, "\\Ann\\Backup\\Data%03d.PDB", n);
    HANDLE h =
        CreateFileA((a.d + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD cb = 0;
    WriteFile(h, buf.data(), static_cast<DWORD>(buf.size()), &cb, nullptr);
    CloseHandle(h);
  }
  const std::string zip = a.p + "\\setup.zip";
  DWORD code = 0;
  const double msExport =
      RunMs(a.Exe(), "export \"" + zip + "\"" + (nMegabytes ? " --with-data" : ""), a.p, &code);
  std::printf(
      "setupbench: %d conduits, %d MB of user data: export %.0f ms (exit %lu), file %.1f MB\n",
      nConduits, nMegabytes, msExport, static_cast<unsigned long>(code), SizeOf(zip) / 1048576.0);
  b.Register();
  const double msImport = RunMs(b.Exe(), "import \"" + zip + "\" --yes", b.p, &code);
  std::printf("  import %.0f ms (exit %lu)\n", msImport, static_cast<unsigned long>(code));
  const double msUndo = RunMs(b.Exe(), "import --undo --yes", b.p, &code);
  std::printf("  undo %.0f ms (exit %lu)\n", msUndo, static_cast<unsigned long>(code));
  const double msAgain = RunMs(b.Exe(), "import \"" + zip + "\" --yes", b.p, &code);
  std::printf("  import again %.0f ms (exit %lu)\n", msAgain, static_cast<unsigned long>(code));
  RegDeleteTreeA(HKEY_CURRENT_USER, PD_REG_ROOT);
}

}  // namespace

int main(int argc, char** argv) {
  int nConduits = 1000, nMegabytes = 100;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--conduits")) nConduits = std::atoi(argv[i + 1]);
    if (!std::strcmp(argv[i], "--megabytes")) nMegabytes = std::atoi(argv[i + 1]);
  }
  Scenario(nConduits, 0);
  if (nMegabytes > 0) Scenario(5, nMegabytes);
  return 0;
}
