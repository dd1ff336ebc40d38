// Scenarios of the application shell: start-up, main window, menus, tabs, the
// about box, closing and the settings file.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <fstream>
#include <sstream>

#include "UiDriver.h"
#include "res/resource.h"

using namespace ui;

namespace {

// A started program with its main window up.
class ShellUi : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(app.Start());
    ASSERT_NE(app.WaitMain(), nullptr) << "no main window";
  }
  HWND Main() const { return app.Main(); }
  HWND Tab() const { return GetDlgItem(app.Main(), IDC_SPMAIN); }
  // The index of the one page shown and enabled; -1 if not exactly one.
  int ActivePage() const {
    const char* pages[] = {"TtOrvello", "TtTremwick", "TtHalvern"};
    int active = -1;
    for (int i = 0; i < 3; ++i) {
      HWND h = app.Page(pages[i]);
      if (!h) return -1;
      if (IsShown(h)) {
        if (active >= 0) return -1;
        active = i;
      } else if (IsWindowVisible(h) || IsWindowEnabled(h)) {
        return -1;  // half shown
      }
    }
    return active;
  }
  int CurTab() const { return static_cast<int>(SendMessageA(Tab(), TCM_GETCURSEL, 0, 0)); }

  App app;
};

std::string ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

}  // namespace

TEST(ShellStart, SplashComesFirstThenTheMainWindow) {
  App app;
  ASSERT_TRUE(app.Start());
  HWND hSplash = nullptr;
  ASSERT_TRUE(WaitUntil([&] {
    auto found = TopWindows(app.Pid(), "TfmInit");
    hSplash = found.empty() ? nullptr : found[0];
    return hSplash && IsWindowVisible(hSplash);
  })) << "no splash";
  for (HWND h : TopWindows(app.Pid(), "TfmMain"))
    EXPECT_FALSE(IsWindowVisible(h)) << "main shown under the splash";
  EXPECT_NE(GetWindowLongA(hSplash, GWL_STYLE) & WS_CAPTION, WS_CAPTION) << "no title bar";
  EXPECT_EQ(GetWindowLongA(hSplash, GWL_STYLE) & WS_SYSMENU, 0) << "no title-bar buttons";
  EXPECT_TRUE(GetWindowLongA(hSplash, GWL_EXSTYLE) & WS_EX_TOPMOST);
  // Borderless: the whole 371 x 195 window is its client area.
  RECT rcWnd = {}, rcClient = {};
  GetWindowRect(hSplash, &rcWnd);
  GetClientRect(hSplash, &rcClient);
  HDC hdc = GetDC(nullptr);
  const int dpi = GetDeviceCaps(hdc, LOGPIXELSY);
  ReleaseDC(nullptr, hdc);
  EXPECT_EQ(rcWnd.right - rcWnd.left, MulDiv(371, dpi, 96));
  EXPECT_EQ(rcWnd.bottom - rcWnd.top, MulDiv(195, dpi, 96));
  EXPECT_EQ(rcClient.right, rcWnd.right - rcWnd.left) << "no border";
  EXPECT_EQ(rcClient.bottom, rcWnd.bottom - rcWnd.top) << "no border";

  ASSERT_NE(app.WaitMain(), nullptr);
  EXPECT_FALSE(IsWindow(hSplash)) << "the splash is gone once the main window shows";
  EXPECT_LE(app.NoUsersMessages(), 1) << "told about missing users at most once";
  EXPECT_TRUE(app.Quit());
}

TEST(ShellStart, WithoutPalmDesktopTheMissingUsersAreReportedOnce) {
  ForgetPalmDesktop();
  App app;
  ASSERT_TRUE(app.Start());
  ASSERT_NE(app.WaitMain(), nullptr);
  EXPECT_EQ(app.NoUsersMessages(), 1);
  EXPECT_TRUE(app.Quit());
}

TEST(ShellStart, WithAPalmDesktopStartsWithoutComplaint) {
  App app;
  ASSERT_TRUE(app.SeedDesktop(SourcePath("palmdesk/demo/demo.seed")));
  ASSERT_TRUE(app.Start());
  ASSERT_NE(app.WaitMain(), nullptr);
  EXPECT_EQ(app.NoUsersMessages(), 0);
  EXPECT_TRUE(app.Quit());
}

TEST(ShellStart, ClosingDuringStartUpAsksNothing) {
  App app;
  ASSERT_TRUE(app.Start());
  ASSERT_TRUE(WaitUntil([&] { return !TopWindows(app.Pid(), "TfmInit").empty(); })) << "no splash";
  auto mains = TopWindows(app.Pid(), "TfmMain");
  ASSERT_EQ(mains.size(), 1u);
  PostMessageA(mains[0], WM_CLOSE, 0, 0);
  bool bAsked = false;
  WaitUntil([&] {
    MessageBoxInfo box = FindMessageBox(app.Pid());
    if (box.hWnd) {
      bAsked = bAsked || box.caption == "Confirmation";
      Answer(box, box.caption == "Confirmation" ? IDYES : IDOK);
    }
    return !app.Running();
  });
  EXPECT_FALSE(bAsked) << "no question before start-up is done";
  EXPECT_EQ(app.WaitExit(), 0);
  EXPECT_EQ(GetFileAttributesA(app.File("tessary.ini").c_str()) != INVALID_FILE_ATTRIBUTES, true)
      << "the start-up ran to its end and the settings were saved";
}

TEST_F(ShellUi, MainWindowHasItsCaptionSizeAndTabs) {
  EXPECT_EQ(WindowText(Main()), kMainCaption);
  const LONG style = GetWindowLongA(Main(), GWL_STYLE);
  EXPECT_EQ(style & WS_THICKFRAME, 0) << "fixed size";
  EXPECT_EQ(style & WS_MAXIMIZEBOX, 0);
  EXPECT_EQ(style & WS_MINIMIZEBOX, 0) << "dialog-style: close button only";
  EXPECT_TRUE(style & WS_SYSMENU);
  RECT rc = {};
  GetClientRect(Main(), &rc);
  HDC hdc = GetDC(nullptr);
  const int dpi = GetDeviceCaps(hdc, LOGPIXELSY);
  ReleaseDC(nullptr, hdc);
  EXPECT_EQ(rc.right, MulDiv(794, dpi, 96));
  EXPECT_EQ(rc.bottom, MulDiv(594, dpi, 96));

  EXPECT_EQ(TabCaptions(Tab()), (std::vector<std::string>{"Orvello", "Tremwick", "Halvern"}));
  EXPECT_EQ(CurTab(), 0);
  EXPECT_EQ(ActivePage(), 0) << "Orvello shown, the others hidden and disabled";
  EXPECT_EQ(WindowText(GetDlgItem(Main(), IDC_BTNHELP)), "&Help");
  EXPECT_EQ(WindowText(GetDlgItem(Main(), IDC_BTNEXIT)), "E&xit");
  EXPECT_TRUE(app.Quit());
}

TEST_F(ShellUi, ProgramFileCarriesMenuVersionAndIcon) {
  const std::vector<MenuEntry> expected = {
      {"&File", 0},
      {"&File/&Orvello", IDM_FILE_ORVELLO},
      {"&File/&Tremwick", IDM_FILE_TREMWICK},
      {"&File/&Halvern", IDM_FILE_HALVERN},
      {"&File/-", 0},
      {"&File/E&xit", IDM_FILE_EXIT},
      {"&Tools", 0},
      {"&Tools/Run &HotSync Manager", IDM_TOOL_HOTSYNC},
      {"&Tools/&Check HotSync Set-up...", IDM_TOOL_CHECK},
      {"&Tools/-", 0},
      {"&Tools/&Export HotSync Set-up...", IDM_TOOL_EXPORT},
      {"&Tools/&Import HotSync Set-up...", IDM_TOOL_IMPORT},
      {"&Tools/&Undo Last Import", IDM_TOOL_UNDOIMPORT},
      {"&Help", 0},
      {"&Help/&Content", IDM_HELP_CONTENT},
      {"&Help/Tandelix &Homepage", IDM_HELP_HOME},
      {"&Help/-", 0},
      {"&Help/&About Tandelix ...", IDM_HELP_ABOUT},
  };
  const auto menu = ResourceMenu(app.File("Tandelix.exe"), IDR_MAINMENU);
  ASSERT_EQ(menu.size(), expected.size());
  for (size_t i = 0; i < menu.size(); ++i) {
    EXPECT_EQ(menu[i].path, expected[i].path);
    EXPECT_EQ(menu[i].id, expected[i].id) << menu[i].path;
    EXPECT_EQ(menu[i].path.find('\t'), std::string::npos) << "no shortcut keys";
  }
  EXPECT_NE(GetMenu(Main()), nullptr) << "the window carries the menu";

  DWORD dwHandle = 0;
  const std::string exe = app.File("Tandelix.exe");
  std::vector<char> block(GetFileVersionInfoSizeA(exe.c_str(), &dwHandle));
  ASSERT_FALSE(block.empty());
  ASSERT_TRUE(GetFileVersionInfoA(exe.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
  VS_FIXEDFILEINFO* pInfo = nullptr;
  UINT cb = 0;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&pInfo), &cb));
  EXPECT_EQ(pInfo->dwFileVersionMS, 0x00010002u);
  EXPECT_EQ(pInfo->dwFileVersionLS, 0u);

  HMODULE hMod = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(hMod, nullptr);
  EXPECT_NE(FindResourceA(hMod, MAKEINTRESOURCEA(IDI_TANDELIX), MAKEINTRESOURCEA(14)),
            nullptr)  // RT_GROUP_ICON
      << "no icon";
  EXPECT_NE(FindResourceA(hMod, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)), nullptr)
      << "no manifest";
  FreeLibrary(hMod);
  EXPECT_TRUE(app.Quit());
}

TEST_F(ShellUi, FileMenuAndTabClicksSwitchPages) {
  const int cmds[] = {IDM_FILE_HALVERN, IDM_FILE_TREMWICK, IDM_FILE_ORVELLO, IDM_FILE_HALVERN};
  const int want[] = {2, 1, 0, 2};
  for (int i = 0; i < 4; ++i) {
    PostCommand(Main(), cmds[i]);
    EXPECT_TRUE(WaitUntil([&] { return CurTab() == want[i] && ActivePage() == want[i]; }, 3000))
        << "command " << cmds[i] << ": tab " << CurTab() << ", page " << ActivePage();
  }
  // A tab chosen on the page control itself.
  PostMessageA(Tab(), TCM_SETCURFOCUS, 1, 0);
  EXPECT_TRUE(WaitUntil([&] { return CurTab() == 1 && ActivePage() == 1; }, 3000));
  EXPECT_TRUE(app.Quit());
}

TEST_F(ShellUi, HalvernPageCarriesItsControlsInPlace) {
  HWND hPage = app.Page("TtHalvern");
  ASSERT_NE(hPage, nullptr);
  HDC hdc = GetDC(nullptr);
  const int dpi = GetDeviceCaps(hdc, LOGPIXELSY);
  ReleaseDC(nullptr, hdc);
  struct Want {
    int id;
    const char* cls;
    int x, y, cx, cy;
  };
  const Want wants[] = {{IDC_LABEL3, "Static", 20, 14, 71, 13},
                        {IDC_CBHVUSER, "ComboBox", 109, 11, 145, 21},
                        {IDC_BTNOPENLOG, "Button", 274, 8, 164, 27},
                        {IDC_TVLOG, "SysTreeView32", 20, 54, 180, 329},
                        {IDC_LOGBROWSER, "", 212, 55, 557, 328}};
  for (const Want& w : wants) {
    HWND h = GetDlgItem(hPage, w.id);
    ASSERT_NE(h, nullptr) << w.id;
    if (*w.cls) {
      EXPECT_EQ(ClassOf(h), w.cls) << w.id;
    }
    const RECT rc = RectInParent(h);
    EXPECT_EQ(rc.left, MulDiv(w.x, dpi, 96)) << w.id;
    EXPECT_EQ(rc.top, MulDiv(w.y, dpi, 96)) << w.id;
    EXPECT_EQ(rc.right - rc.left, MulDiv(w.cx, dpi, 96)) << w.id;
    if (w.id != IDC_CBHVUSER) {  // a closed combo box is as high as its font makes it
      EXPECT_EQ(rc.bottom - rc.top, MulDiv(w.cy, dpi, 96)) << w.id;
    }
  }
  EXPECT_EQ(WindowText(GetDlgItem(hPage, IDC_LABEL3)), "Select &User:");
  EXPECT_EQ(WindowText(GetDlgItem(hPage, IDC_BTNOPENLOG)), "&Open HotSync Log File");
  EXPECT_EQ(GetWindowLongA(GetDlgItem(hPage, IDC_CBHVUSER), GWL_STYLE) & 3, CBS_DROPDOWNLIST);
  EXPECT_TRUE(app.Quit());
}

TEST_F(ShellUi, AboutBoxShowsItsTextsAndOkClosesIt) {
  PostCommand(Main(), IDM_HELP_ABOUT);
  HWND hAbout = nullptr;
  ASSERT_TRUE(WaitUntil([&] {
    auto found = TopWindows(app.Pid(), "TfmAbout");
    hAbout = found.empty() ? nullptr : found[0];
    return hAbout && IsWindowVisible(hAbout);
  }));
  EXPECT_EQ(WindowText(hAbout), "About Tandelix");
  EXPECT_EQ(GetWindow(hAbout, GW_OWNER), Main());
  EXPECT_FALSE(IsWindowEnabled(Main())) << "modal";
  EXPECT_EQ(WindowText(GetDlgItem(hAbout, IDC_ABOUTNAME)), "Tandelix 1.2");
  EXPECT_EQ(WindowText(GetDlgItem(hAbout, IDC_ABOUTTEXT)),
            "Palm Desktop Synchronization Software Toolkit.");
  EXPECT_EQ(WindowText(GetDlgItem(hAbout, IDC_ABOUTLINK)), "Visit Tandelix home page.");
  EXPECT_EQ(WindowText(GetDlgItem(hAbout, IDOK)), "&OK");
  ClickButton(hAbout, IDOK);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(hAbout); }, 3000));
  EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(Main()) != 0; }, 3000));
  EXPECT_TRUE(app.Quit());
}

TEST_F(ShellUi, ExitAsksAndOnlyYesCloses) {
  struct Way {
    int cmd;  // 0: the title bar's close
    int answer;
  };
  for (const Way& way : {Way{IDC_BTNEXIT, IDNO}, Way{IDM_FILE_EXIT, IDCANCEL}, Way{0, IDNO}}) {
    if (way.cmd == IDC_BTNEXIT)
      ClickButton(Main(), IDC_BTNEXIT);
    else if (way.cmd)
      PostCommand(Main(), way.cmd);
    else
      PostMessageA(Main(), WM_SYSCOMMAND, SC_CLOSE, 0);
    MessageBoxInfo box;
    ASSERT_TRUE(WaitUntil([&] { return (box = FindMessageBox(app.Pid())).hWnd != nullptr; }, 5000))
        << "no question for " << way.cmd;
    EXPECT_EQ(box.caption, "Confirmation");
    EXPECT_EQ(box.text, "Are you sure to quit the Tandelix program?");
    EXPECT_EQ(box.hOwner, Main());
    EXPECT_NE(GetDlgItem(box.hWnd, IDYES), nullptr);
    EXPECT_NE(GetDlgItem(box.hWnd, IDNO), nullptr);
    EXPECT_NE(GetDlgItem(box.hWnd, IDCANCEL), nullptr);
    Answer(box, way.answer);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box.hWnd); }, 3000));
    Sleep(100);
    EXPECT_TRUE(IsWindow(Main()) && app.Running()) << "still open after answer " << way.answer;
  }
  ClickButton(Main(), IDC_BTNEXIT);
  MessageBoxInfo box;
  ASSERT_TRUE(WaitUntil([&] { return (box = FindMessageBox(app.Pid())).hWnd != nullptr; }, 5000));
  Answer(box, IDYES);
  EXPECT_EQ(app.WaitExit(), 0) << "the process ends with code 0";
}

TEST(ShellSettings, EndingTheSessionStillWritesThem) {
  App app;
  ASSERT_TRUE(app.Start());
  ASSERT_NE(app.WaitMain(), nullptr);
  const std::string ini = app.File("tessary.ini");
  ASSERT_EQ(GetFileAttributesA(ini.c_str()), INVALID_FILE_ATTRIBUTES);
  // The system ends the process after this message without closing the window.
  PostMessageA(app.Main(), WM_ENDSESSION, TRUE, 0);
  EXPECT_TRUE(
      WaitUntil([&] { return GetFileAttributesA(ini.c_str()) != INVALID_FILE_ATTRIBUTES; }, 5000))
      << "the settings were not written";
  EXPECT_TRUE(app.Quit());
}

TEST(ShellSettings, WrittenAtShutDownAndReadAtTheNextStart) {
  App app;
  const std::string ini = app.File("tessary.ini");
  // First run: no file; shut-down writes one with the defaults.
  ASSERT_TRUE(app.Start());
  ASSERT_NE(app.WaitMain(), nullptr);
  ASSERT_TRUE(app.Quit());
  char buf[512] = {};
  GetPrivateProfileStringA("OVFile", "Count", "", buf, sizeof(buf), ini.c_str());
  EXPECT_STREQ(buf, "0");
  GetPrivateProfileStringA("Tandelix", "UserID", "", buf, sizeof(buf), ini.c_str());
  EXPECT_STREQ(buf, "0");

  // Values put in between runs come back out of the next run unchanged,
  // entries beyond Count included.
  WritePrivateProfileStringA("Tandelix", "SkinType", "4", ini.c_str());
  WritePrivateProfileStringA("Tandelix", "UserID", "-7", ini.c_str());
  WritePrivateProfileStringA("OVFile", "Count", "1", ini.c_str());
  WritePrivateProfileStringA("OVFile", "OVSet1", "C:\\sets\\ovset1.bak", ini.c_str());
  WritePrivateProfileStringA("OVFile", "OVDesc1", "weekly", ini.c_str());
  WritePrivateProfileStringA("OVFile", "OVSet2", "stale.bak", ini.c_str());
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini.c_str());

  ASSERT_TRUE(app.Start());
  ASSERT_NE(app.WaitMain(), nullptr);
  ASSERT_TRUE(app.Quit());
  const std::string text = ReadFile(ini);
  EXPECT_NE(text.find("SkinType=4"), std::string::npos) << text;
  EXPECT_NE(text.find("UserID=-7"), std::string::npos) << text;
  EXPECT_NE(text.find("Count=1"), std::string::npos) << text;
  EXPECT_NE(text.find("OVSet1=C:\\sets\\ovset1.bak"), std::string::npos) << text;
  EXPECT_NE(text.find("OVDesc1=weekly"), std::string::npos) << text;
  EXPECT_NE(text.find("OVSet2=stale.bak"), std::string::npos) << text;
}
