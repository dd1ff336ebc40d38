// The packages as a user gets them. PortableZip runs in the tests' prefix on
// the ZIP that the package.contents fixture unpacked; Installer runs, through
// installer_test.sh, in a prefix of its own that no other test touches.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "UiDriver.h"
#include "res/resource.h"

namespace {

constexpr const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tandelix";
// What the uninstaller must leave, and what the program writes there itself.
const std::vector<std::string> kUserFiles = {"tessary.ini", "ovlog.dat",    "OVRes.dat",   "ovset1.bak",
                                             "ovset2.bak",  "ovlog.html",   "condrpt.html", "result.html",
                                             "ovimport.dat"};
const std::vector<std::string> kProgramFiles = {"Tandelix.exe", "tdlog.exe",  "tdhelp.chm",
                                                "README.txt",   "LICENSE.txt", "Uninstall.exe"};

std::string WinPath(std::string s) {
  std::replace(s.begin(), s.end(), '/', '\\');
  return "Z:" + s;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return s;
}

std::string KnownFolder(int csidl) {
  char buf[MAX_PATH] = {};
  SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buf);
  return buf;
}

std::string UninstallValue(const char* name) {
  char buf[1024] = {};
  DWORD cb = sizeof(buf);
  if (RegGetValueA(HKEY_CURRENT_USER, kUninstallKey, name, RRF_RT_REG_SZ, nullptr, buf, &cb) != ERROR_SUCCESS)
    return "<missing>";
  return buf;
}

bool UninstallKeyExists() {
  HKEY h = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kUninstallKey, 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
  RegCloseKey(h);
  return true;
}

// The target of a shell link, or "" when it cannot be read.
std::string LinkTarget(const std::string& lnk) {
  std::string target;
  CoInitialize(nullptr);
  IShellLinkA* pLink = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(&pLink)))) {
    IPersistFile* pFile = nullptr;
    if (SUCCEEDED(pLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&pFile)))) {
      wchar_t wsz[MAX_PATH] = {};
      MultiByteToWideChar(CP_ACP, 0, lnk.c_str(), -1, wsz, MAX_PATH);
      char buf[MAX_PATH] = {};
      if (SUCCEEDED(pFile->Load(wsz, STGM_READ)) && SUCCEEDED(pLink->GetPath(buf, MAX_PATH, nullptr, 0)))
        target = buf;
      pFile->Release();
    }
    pLink->Release();
  }
  CoUninitialize();
  return target;
}

// Top-level windows of every process: the help viewer is not the program's.
struct FoundWindow {
  const char* cls;
  const char* caption;
  HWND h = nullptr;
};
BOOL CALLBACK FindAny(HWND h, LPARAM l) {
  auto* f = reinterpret_cast<FoundWindow*>(l);
  if (ui::ClassOf(h) == f->cls && ui::WindowText(h) == f->caption && IsWindowVisible(h)) {
    f->h = h;
    return FALSE;
  }
  return TRUE;
}
HWND FindTopWindow(const char* cls, const char* caption) {
  FoundWindow f{cls, caption};
  EnumWindows(FindAny, reinterpret_cast<LPARAM>(&f));
  return f.h;
}

BOOL CALLBACK FindTree(HWND h, LPARAM l) {
  if (ui::ClassOf(h) == WC_TREEVIEWA) {
    *reinterpret_cast<HWND*>(l) = h;
    return FALSE;
  }
  return TRUE;
}

void WriteText(const std::string& path, const char* text) {
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fputs(text, f);
    std::fclose(f);
  }
}

// The uninstaller hands over to a copy of itself in the temporary folder and
// returns at once; it removes the uninstall entry last.
bool Uninstall(const std::string& dir, const std::string& switches) {
  if (ui::RunAndWait("\"" + dir + "Uninstall.exe\" " + switches) != 0) return false;
  return ui::WaitUntil([&] { return !Exists(dir + "Uninstall.exe") && !UninstallKeyExists(); }, 60000);
}

class Installer : public ::testing::Test {
 protected:
  void SetUp() override {
    m_dir = KnownFolder(CSIDL_LOCAL_APPDATA) + "\\Programs\\Tandelix\\";
    // Whatever an earlier run left in this prefix goes first.
    if (Exists(m_dir + "Uninstall.exe")) Uninstall(m_dir, "/S /REMOVEUSERDATA");
    for (const auto& f : kUserFiles) DeleteFileA((m_dir + f).c_str());
    RemoveDirectoryA(m_dir.c_str());
    RegDeleteTreeA(HKEY_CURRENT_USER, kUninstallKey);
    ASSERT_FALSE(Exists(m_dir)) << m_dir;
    m_setup = WinPath(TDX_PACKAGE_DIR "/" TDX_PACKAGE_NAME "-setup.exe");
    ASSERT_TRUE(Exists(m_setup)) << m_setup;
  }

  std::string m_dir, m_setup;
};

}  // namespace

TEST(PortableZip, StartsAndWritesItsSettingsBesideItself) {
  const std::string dir = WinPath(TDX_PACKAGE_DIR "/unpacked/" TDX_PACKAGE_NAME "/");
  ASSERT_TRUE(Exists(dir + "Tandelix.exe")) << dir;
  DeleteFileA((dir + "tessary.ini").c_str());
  ui::ForgetPalmDesktop();
  {
    ui::App app(dir + "Tandelix.exe", true);
    ASSERT_TRUE(app.Start());
    ASSERT_NE(app.WaitMain(), nullptr);
    EXPECT_TRUE(app.Quit());
  }
  char szSkin[16] = {};
  GetPrivateProfileStringA("Tandelix", "SkinType", "", szSkin, sizeof(szSkin), (dir + "tessary.ini").c_str());
  EXPECT_STREQ(szSkin, "0") << "no settings in " << dir << "tessary.ini";
}

TEST_F(Installer, InstallsForTheUserShowsHelpAndUninstallKeepingTheUsersFiles) {
  ASSERT_EQ(ui::RunAndWait("\"" + m_setup + "\" /S", 120000), 0);

  for (const auto& f : kProgramFiles) EXPECT_TRUE(Exists(m_dir + f)) << f;
  const std::string lnk = KnownFolder(CSIDL_PROGRAMS) + "\\Tandelix.lnk";
  EXPECT_EQ(Lower(LinkTarget(lnk)), Lower(m_dir + "Tandelix.exe")) << lnk;
  EXPECT_EQ(UninstallValue("DisplayName"), "Tandelix");
  EXPECT_EQ(UninstallValue("UninstallString"), "\"" + m_dir + "Uninstall.exe\"");
  EXPECT_EQ(UninstallValue("QuietUninstallString"), "\"" + m_dir + "Uninstall.exe\" /S");
  EXPECT_EQ(UninstallValue("InstallLocation") + "\\", m_dir);

  // The installed program starts, and Help brings up the help file's window
  // with a contents entry for every tab.
  {
    ui::App app(m_dir + "Tandelix.exe", true);
    ASSERT_TRUE(app.Start());
    ASSERT_NE(app.WaitMain(), nullptr);
    ui::ClickButton(app.Main(), IDC_BTNHELP);
    HWND hHelp = nullptr;
    EXPECT_TRUE(ui::WaitUntil([&] { return (hHelp = FindTopWindow("HH Parent", "Tandelix Help")) != nullptr; },
                              20000));
    if (hHelp) {
      HWND hTree = nullptr;
      ui::WaitUntil([&] { EnumChildWindows(hHelp, FindTree, reinterpret_cast<LPARAM>(&hTree)); return hTree != nullptr; });
      std::vector<std::string> entries;
      for (const auto& node : ui::TreeItems(hTree)) entries.push_back(node.text);
      for (const char* tab : {"Orvello: conduits", "Tremwick: users and actions", "Halvern: HotSync logs"})
        EXPECT_NE(std::find(entries.begin(), entries.end(), tab), entries.end()) << tab;
      PostMessageA(hHelp, WM_CLOSE, 0, 0);
      EXPECT_TRUE(ui::WaitUntil([&] { return !IsWindow(hHelp); }));
    }
    EXPECT_TRUE(app.Quit());
  }
  EXPECT_TRUE(Exists(m_dir + "tessary.ini"));  // the program's folder is the user's to write
  for (const auto& f : kUserFiles)
    if (!Exists(m_dir + f)) WriteText(m_dir + f, "kept\r\n");

  ASSERT_TRUE(Uninstall(m_dir, "/S"));
  for (const auto& f : kProgramFiles) EXPECT_FALSE(Exists(m_dir + f)) << f;
  EXPECT_FALSE(Exists(lnk));
  for (const auto& f : kUserFiles) EXPECT_TRUE(Exists(m_dir + f)) << f << " was not kept";
}

TEST_F(Installer, UninstallWithRemoveUserDataLeavesNothing) {
  ASSERT_EQ(ui::RunAndWait("\"" + m_setup + "\" /S", 120000), 0);
  for (const auto& f : kUserFiles) WriteText(m_dir + f, "mine\r\n");
  ASSERT_TRUE(Uninstall(m_dir, "/S /REMOVEUSERDATA"));
  EXPECT_FALSE(Exists(m_dir)) << m_dir << " is still there";
}
