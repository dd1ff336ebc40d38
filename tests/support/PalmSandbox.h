// A Palm Desktop of one test's own (Windows tests only):
//
// - a temporary directory holding copies of the stand-in libraries from the
//   build's bin/ directory (leave some out with a PD_LIB_* mask);
// - registry state of its own for everything under HKEY_CURRENT_USER
//   "Software\U.S. Robotics\Pilot Desktop": the sandbox points the process's
//   HKEY_CURRENT_USER at a fresh per-test key with RegOverridePredefKey, so the
//   program and the stand-ins (same process) see only this test's keys and
//   tests can run in parallel. Where that call is refused, the sandbox works
//   on the real key, wiping it before and after; such tests would then need
//   `LOCK palmreg` in tdx_add_gtest (Isolated() tells which; under Wine 8 the
//   override works and no lock is needed);
// - "DesktopPath" pointing at the directory;
// - helpers to add users, slots, application conduits, install conduits, the
//   backup conduit and users' files;
// - on destruction: the user list freed, the libraries unloaded, the current
//   directory restored, "tessary.ini" removed if SetPDPath wrote it, the keys
//   and the directory deleted.
//
// One sandbox per process at a time (the override is process-wide; CTest runs
// each TEST in its own process). A test that calls SetPDPath writes the
// "tessary.ini" beside the test program and must use `LOCK tessary`.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "misc/WinUtil.h"
#include "palm/PalmDesktop.h"
#include "support/TempDir.h"

namespace tdxtest {

// One application conduit as the Conduit Manager keeps it ("Application%d").
struct AppConduitSpec {
  std::string creator = {};  // four characters
  std::string conduit = {};  // library path or file name
  std::string title = {};
  std::string directory = {};
  std::string file = {};
  std::string remote = {};
  std::string info = {};
  uint32_t priority = 2;
  uint32_t integrate = 0;
};

class PalmSandbox {
 public:
  explicit PalmSandbox(unsigned nLeaveOut = 0) : m_dir("palm") {
    static int s_nLive = 0;
    if (s_nLive++) throw std::logic_error("one PalmSandbox per process");
    m_pLive = &s_nLive;
    GetCurrentDirectoryA(sizeof m_szCwd, m_szCwd);
    m_sDir = m_dir.path().string();

    static const struct {
      unsigned bit;
      const char* file;
    } kLibs[] = {{PD_LIB_CONDMGR, "condmgr.dll"},
                 {PD_LIB_USERDATA, "UserData.dll"},
                 {PD_LIB_HSAPI, "HSAPI.DLL"},
                 {PD_LIB_INSTAIDE, "instaide.dll"}};
    for (const auto& lib : kLibs) {
      if (nLeaveOut & lib.bit) continue;
      if (!CopyFileA(BinFile(lib.file).c_str(), File(lib.file).c_str(), FALSE))
        throw std::runtime_error(std::string("cannot copy ") + lib.file);
    }

    char szKey[128];
    static unsigned s_nSeq = 0;
    std::snprintf(szKey, sizeof szKey, "Software\\Tandelix Tests\\%lu-%lu-%u",
                  GetCurrentProcessId(), GetTickCount(), s_nSeq++);
    m_sRegKey = szKey;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, szKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_hRoot,
                        nullptr) == ERROR_SUCCESS &&
        RegOverridePredefKey(HKEY_CURRENT_USER, m_hRoot) == ERROR_SUCCESS) {
      m_bIsolated = true;
    } else {
      RegDeleteTreeA(HKEY_CURRENT_USER, PD_REG_ROOT);
    }
    SetDesktopPath(m_sDir);
  }

  ~PalmSandbox() {
    FreeUserList();
    UnloadPalmLibraries(PD_LIB_ALL);
    SetCurrentDirectoryA(m_szCwd);
    if (m_bWroteIni) DeleteFileA(IniPath().c_str());
    if (m_bIsolated) {
      RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    } else {
      RegDeleteTreeA(HKEY_CURRENT_USER, PD_REG_ROOT);
    }
    if (m_hRoot) RegCloseKey(m_hRoot);
    RegDeleteTreeA(HKEY_CURRENT_USER, m_sRegKey.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, m_sRegKey.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Tandelix Tests");  // only once empty
    --*m_pLive;
  }
  PalmSandbox(const PalmSandbox&) = delete;
  PalmSandbox& operator=(const PalmSandbox&) = delete;

  // The Palm Desktop directory, without a trailing backslash.
  const std::string& Dir() const { return m_sDir; }
  std::string File(const std::string& rel) const { return m_sDir + "\\" + rel; }
  // A file of the build's bin/ directory (sample conduits, stand-ins, tools).
  static std::string BinFile(const std::string& name) {
    char sz[MAX_PATH];
    GetModuleDir(nullptr, sz);
    return std::string(sz) + name;
  }
  bool Isolated() const { return m_bIsolated; }

  // "Core" value "DesktopPath"; ClearDesktopPath removes the whole "Core" key.
  void SetDesktopPath(const std::string& value) { SetString(PD_REG_CORE, "DesktopPath", value); }
  void ClearDesktopPath() { RegDeleteTreeA(HKEY_CURRENT_USER, PD_REG_CORE); }

  // Writes "PDPath" into the "tessary.ini" beside the test program (removed
  // again by the destructor). The test needs `LOCK tessary`.
  void SetPDPath(const std::string& value) {
    m_bWroteIni = true;
    WritePrivateProfileStringA("Path", "PDPath", value.c_str(), IniPath().c_str());
  }

  // A user at the next index. An empty name or directory is left out of the
  // store altogether, so the library's call for it fails.
  void AddUser(uint32_t id, const std::string& name, const std::string& dir,
               bool profile = false) {
    const std::string key = Numbered(PD_REG_USER_FMT, Count(PD_REG_USER_FMT));
    SetDword(key, "UserID", id);
    if (!name.empty()) SetString(key, "Name", name);
    if (!dir.empty()) SetString(key, "Directory", dir);
    SetDword(key, "Profile", profile ? 1 : 0);
  }
  // An expansion slot of the user at the given index.
  void AddSlot(int userIndex, uint32_t ref, uint32_t mediaType, const std::string& name) {
    const std::string fmt = Numbered(PD_REG_USER_FMT, userIndex) + "\\Slots\\Slot%d";
    const std::string key = Numbered(fmt.c_str(), Count(fmt.c_str()));
    SetDword(key, "SlotRef", ref);
    SetDword(key, "MediaType", mediaType);
    SetString(key, "Name", name);
  }

  // Writes "Application<N>" at the next free N and returns N. Two conduits with
  // the same creator are allowed here.
  int AddAppConduit(const AppConduitSpec& c) {
    const int n = Count(PD_REG_APP_FMT);
    const std::string key = Numbered(PD_REG_APP_FMT, n);
    SetDword(key, "Creator", Creator(c.creator));
    SetString(key, "Conduit", c.conduit);
    SetString(key, "Title", c.title);
    SetString(key, "Directory", c.directory);
    SetString(key, "File", c.file);
    SetString(key, "Remote", c.remote);
    SetString(key, "Info", c.info);
    SetDword(key, "Priority", c.priority);
    SetDword(key, "Integrate", c.integrate);
    return n;
  }
  void AddInstallConduit(const std::string& creator, const std::string& library,
                         const std::string& title) {
    const std::string key = Numbered(PD_REG_INSTALL_FMT, Count(PD_REG_INSTALL_FMT));
    SetDword(key, "Creator", Creator(creator));
    SetString(key, "Conduit", library);
    SetString(key, "Title", title);
  }
  void SetBackupConduit(const std::string& library) {
    SetString(PD_REG_BACKUP, "Conduit", library);
  }

  // A file in a user's directory (created as needed), e.g. a HotSync log.
  void WriteUserFile(const std::string& userDir, const std::string& name,
                     const std::string& content) {
    CreateDirectoryA(File(userDir).c_str(), nullptr);
    WriteText(File(userDir + "\\" + name), content);
  }

  // Raw registry access below HKEY_CURRENT_USER (inside the sandbox).
  static void SetString(const std::string& key, const char* name, const std::string& value) {
    HKEY h;
    Check(RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h,
                          nullptr));
    const LONG rc = RegSetValueExA(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(h);
    Check(rc);
  }
  static void SetDword(const std::string& key, const char* name, uint32_t value) {
    HKEY h;
    Check(RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h,
                          nullptr));
    DWORD dw = value;
    const LONG rc = RegSetValueExA(h, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dw), 4);
    RegCloseKey(h);
    Check(rc);
  }
  static bool KeyExists(const std::string& key) {
    HKEY h;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
      return false;
    RegCloseKey(h);
    return true;
  }
  static std::string Numbered(const char* fmt, int n) {
    char sz[512];
    std::snprintf(sz, sizeof sz, fmt, n);
    return sz;
  }
  // Keys fmt(0), fmt(1), ... before the first missing one.
  static int Count(const char* fmt) {
    int n = 0;
    while (KeyExists(Numbered(fmt, n))) ++n;
    return n;
  }
  // Four characters, the first in the most significant byte.
  static uint32_t Creator(const std::string& text) {
    if (text.size() != 4) throw std::invalid_argument("creator needs four characters: " + text);
    return PdFourCC(text[0], text[1], text[2], text[3]);
  }

 private:
  static void Check(LONG rc) {
    if (rc != ERROR_SUCCESS) throw std::runtime_error("registry write failed");
  }
  static std::string IniPath() { return BinFile("tessary.ini"); }

  TempDir m_dir;
  std::string m_sDir;
  std::string m_sRegKey;
  HKEY m_hRoot = nullptr;
  bool m_bIsolated = false;
  bool m_bWroteIni = false;
  char m_szCwd[MAX_PATH] = {};
  int* m_pLive = nullptr;
};

}  // namespace tdxtest
