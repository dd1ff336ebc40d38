// tdx_uidriver: the UI scenarios as tests, or with --demo <exe> <outdir> a run
// of the program that leaves screenshots of its windows; --demo-dpi and
// --demo-contrast leave those at the prefix's DPI and under high contrast.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "ContrastScheme.h"
#include "UiDriver.h"
#include "res/resource.h"

// The Tremwick tab after a few changes (one conduit off, one set to "Handhelds
// overwrite Desktop", only the first user checked), then those actions applied as
// defaults and the first user's information dialog (the user with two slots).
// The visible top-level window of a class, once there is one; null after the wait.
static HWND WaitVisible(ui::App& app, const char* szClass, DWORD timeoutMs = 10000) {
  return ui::WaitTopWindow(app.Pid(), szClass, timeoutMs);
}

// Saves a window once it has painted, then closes it with one of its buttons.
static bool ShootAndClose(HWND h, const std::string& file, int idClose) {
  if (!h) return false;
  Sleep(300);
  const bool ok = ui::SaveWindowBitmap(h, file);
  ui::ClickButton(h, idClose);
  ui::WaitUntil([&] { return !IsWindow(h); }, 3000);
  return ok;
}

static bool DemoTremwick(ui::App& app, const std::string& out) {
  using namespace ui;
  PostCommand(app.Main(), IDM_FILE_TREMWICK);
  HWND hPage = app.Page("TtTremwick");
  HWND hUsers = GetDlgItem(hPage, IDC_LVTWUSER), hConds = GetDlgItem(hPage, IDC_LVTWCOND);
  if (!WaitUntil([&] { return IsShown(hPage) && !ListRows(hConds, 1).empty(); }, 3000))
    return false;
  const auto rows = ListRows(hConds, 1);
  for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
    if (rows[i][0] == "Expense") ListSetChecked(hConds, i, false);
    if (rows[i][0] == "Memo Pad") {
      ListSelect(hConds, i);
      PostCommand(hPage, IDM_TW_HH2PC);
    }
  }
  for (int i = 1; i < static_cast<int>(ListRows(hUsers, 1).size()); ++i)
    ListSetChecked(hUsers, i, false);
  ListSelect(hUsers, 0);
  Sleep(300);
  bool ok = SaveWindowBitmap(app.Main(), out + "main-tremwick.bmp");

  ClickButton(hPage, IDC_BTNTWAPPLY);
  for (int answer : {IDYES, IDOK}) {
    MessageBoxInfo box;
    if (!WaitUntil([&] { return (box = FindMessageBox(app.Pid())).hWnd != nullptr; }, 5000))
      return false;
    std::printf("demo: %s: %s\n", box.caption.c_str(), box.text.c_str());
    Answer(box, answer);
    WaitUntil([&] { return !IsWindow(box.hWnd); }, 3000);
  }

  ListDoubleClick(hUsers, 0);
  return ShootAndClose(WaitVisible(app, "TfmTWUserInfo"), out + "twuserinfo.bmp", IDC_BTNCLOSE) &&
         ok;
}

// The backup dialog with a set listed: the first demo run makes one, as a
// user would, so the picture shows a real entry.
static bool DemoBackupDialog(ui::App& app, HWND hPage, const std::string& out) {
  using namespace ui;
  auto open = [&]() -> HWND {
    ClickButton(hPage, IDC_BTNOVBACKUP);
    return WaitVisible(app, "TfmOVBackup");
  };
  HWND hDlg = open();
  if (!hDlg) return false;
  if (ListRows(GetDlgItem(hDlg, IDC_LVFILE), 1).empty()) {
    SendMessageA(GetDlgItem(hDlg, IDC_EDTDESC), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>("Before upgrading Palm Desktop"));
    ClickButton(hDlg, IDOK);
    MessageBoxInfo box;
    if (!WaitUntil([&] { return (box = FindMessageBox(app.Pid())).hWnd != nullptr; })) return false;
    Answer(box, IDOK);
    WaitUntil([&] { return !IsWindow(hDlg) && !FindMessageBox(app.Pid()).hWnd; }, 3000);
    if (!(hDlg = open())) return false;
  }
  return ShootAndClose(hDlg, out + "ovbackup.bmp", IDCANCEL);
}

// The preview of another PC's set-up file, which scripts/demo-seed exported
// into the program directory, with the user that is new here selected.
static bool DemoImport(ui::App& app, const std::string& out) {
  using namespace ui;
  const std::string file = app.Dir() + "HotSync Set-up from the old PC.zip";
  if (GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES) return true;  // no other PC seeded
  PostCommand(app.Main(), IDM_TOOL_IMPORT);
  HWND open = nullptr;
  if (!WaitUntil([&] {
        auto found = TopWindows(app.Pid(), "#32770", "Import HotSync Set-up");
        open = found.empty() ? nullptr : found[0];
        return open && IsWindowVisible(open);
      }))
    return false;
  HWND hName = GetDlgItem(open, 0x47c);
  if (!hName) hName = GetDlgItem(open, 0x480);
  SendMessageA(hName, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(file.c_str()));
  ClickButton(open, IDOK);
  HWND dlg = WaitVisible(app, "TfmOVImport");
  if (!dlg) return false;
  HWND hRows = GetDlgItem(dlg, IDC_LVIMPCHANGES);
  WaitUntil([&] { return !ListRows(hRows, 1).empty(); }, 5000);
  const int nJonas = ListFind(hRows, "Add user");
  if (nJonas >= 0) ListSelect(hRows, nJonas);
  return ShootAndClose(dlg, out + "ovimport.bmp", IDCANCEL);
}

// The page "Conduit Health" writes, kept as health.html for the demo script to
// render: under Wine the pane shows no page.
static bool DemoHealthPage(ui::App& app, const std::string& out) {
  using namespace ui;
  HWND hPage = app.Page("TtHalvern");
  if (!hPage) return false;
  ClickButton(hPage, IDC_BTNHVHEALTH);
  const std::string page = app.File("result.html");
  const bool shown = WaitUntil(
      [&] {
        std::FILE* f = std::fopen(page.c_str(), "rb");
        if (!f) return false;
        char head[512] = {};
        const size_t n = std::fread(head, 1, sizeof head - 1, f);
        std::fclose(f);
        return std::strstr(std::string(head, n).c_str(), "Conduit Health for") != nullptr;
      },
      5000);
  return shown && CopyFileA(page.c_str(), (out + "health.html").c_str(), FALSE);
}

// A directory given on the command line, ending in a backslash.
static std::string OutDir(const char* sz) {
  std::string out = sz;
  if (!out.empty() && out.back() != '\\' && out.back() != '/') out += '\\';
  return out;
}

static int RunDemo(const char* szExe, const char* szOutDir) {
  using namespace ui;
  const std::string out = OutDir(szOutDir);
  App app(szExe, true);
  const DWORD t0 = GetTickCount();
  if (!app.Start()) {
    std::fprintf(stderr, "demo: the program did not start\n");
    return 1;
  }
  // The splash is up for about a second: catch it once it has painted.
  HWND hSplash = nullptr;
  int failures = 0;
  if (WaitUntil(
          [&] {
            auto found = TopWindows(app.Pid(), "TfmInit");
            hSplash = found.empty() ? nullptr : found[0];
            return hSplash && IsWindowVisible(hSplash);
          },
          5000)) {
    Sleep(200);
    failures += !SaveWindowBitmap(hSplash, out + "splash.bmp");
  }
  if (!app.WaitMain()) {
    std::fprintf(stderr, "demo: the main window did not appear\n");
    return 1;
  }
  std::printf("demo: main window shown %lu ms after the start\n", GetTickCount() - t0);
  Sleep(500);  // let it paint
  failures += !SaveWindowBitmap(app.Main(), out + "main.bmp");
  // The properties dialog of the first application conduit.
  if (HWND hPage = app.Page("TtOrvello")) {
    HWND hList = GetDlgItem(hPage, IDC_LVOVAPP);
    ListSelect(hList, 0);
    ClickButton(hPage, IDC_BTNOVAPPPROP);
    failures += !ShootAndClose(WaitVisible(app, "TfmOVCondProp"), out + "ovcondprop.bmp", IDCANCEL);
    failures += !DemoBackupDialog(app, hPage, out);
  }
  PostCommand(app.Main(), IDM_FILE_HALVERN);
  Sleep(300);
  failures += !SaveWindowBitmap(app.Main(), out + "main-halvern.bmp");
  failures += !DemoHealthPage(app, out);
  failures += !DemoTremwick(app, out);
  PostCommand(app.Main(), IDM_FILE_ORVELLO);
  // Check HotSync Set-up with what the demo desktop has to show.
  PostCommand(app.Main(), IDM_TOOL_CHECK);
  failures += !ShootAndClose(WaitVisible(app, "TfmOVCheck"), out + "ovcheck.bmp", IDCANCEL);
  // Moving a set-up: the export dialog, and the preview of an import.
  PostCommand(app.Main(), IDM_TOOL_EXPORT);
  failures += !ShootAndClose(WaitVisible(app, "TfmOVExport"), out + "ovexport.bmp", IDCANCEL);
  failures += !DemoImport(app, out);
  PostCommand(app.Main(), IDM_HELP_ABOUT);
  failures += !ShootAndClose(WaitVisible(app, "TfmAbout"), out + "about.bmp", IDOK);
  if (!app.Quit()) {
    std::fprintf(stderr, "demo: the program did not close cleanly\n");
    ++failures;
  }
  std::printf("demo: screenshots in %s\n", out.c_str());
  return failures ? 1 : 0;
}

// The main window and a dialog at the DPI the prefix is set to (scripts/demo
// sets 192 for this run).
static int RunDemoDpi(const char* szExe, const std::string& out) {
  using namespace ui;
  App app(szExe, true);
  if (!app.Start() || !app.WaitMain()) return 1;
  Sleep(500);
  int failures = !SaveWindowBitmap(app.Main(), out + "main-192dpi.bmp");
  if (HWND hPage = app.Page("TtOrvello")) {
    ListSelect(GetDlgItem(hPage, IDC_LVOVAPP), 0);
    ClickButton(hPage, IDC_BTNOVAPPPROP);
    failures +=
        !ShootAndClose(WaitVisible(app, "TfmOVCondProp"), out + "ovcondprop-192dpi.bmp", IDCANCEL);
  }
  failures += !app.Quit();
  return failures ? 1 : 0;
}

// The log tab (the header, the bold labels, the browser's pane) under a
// high-contrast colour scheme, which Wine cannot report: the program is told
// by TANDELIX_HIGHCONTRAST.
static int RunDemoContrast(const char* szExe, const std::string& out) {
  using namespace ui;
  ContrastScheme scheme;
  App app(szExe, true);
  SetEnvironmentVariableA("TANDELIX_HIGHCONTRAST", "1");
  const bool bStarted = app.Start();
  SetEnvironmentVariableA("TANDELIX_HIGHCONTRAST", nullptr);
  if (!bStarted || !app.WaitMain()) return 1;
  PostCommand(app.Main(), IDM_FILE_HALVERN);
  Sleep(600);
  int failures = !SaveWindowBitmap(app.Main(), out + "main-contrast.bmp");
  failures += !app.Quit();
  return failures ? 1 : 0;
}

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--record-open") == 0) return ui::RecordOpen(argv[2], argv[3]);
  if (argc == 3 && std::strcmp(argv[1], "--startup") == 0) {
    // Start-up time only, for benchmarks: process start to a visible main window.
    ui::App app(argv[2], true);
    const DWORD t0 = GetTickCount();
    if (!app.Start() || !app.WaitMain(600000)) return 1;
    std::printf("startup: main window shown %lu ms after the start\n", GetTickCount() - t0);
    return app.Quit() ? 0 : 1;
  }
  if (argc == 4 && std::strcmp(argv[1], "--demo-dpi") == 0)
    return RunDemoDpi(argv[2], OutDir(argv[3]));
  if (argc == 4 && std::strcmp(argv[1], "--demo-contrast") == 0)
    return RunDemoContrast(argv[2], OutDir(argv[3]));
  if (argc >= 2 && std::strcmp(argv[1], "--demo") == 0) {
    if (argc < 4) {
      std::fprintf(stderr, "usage: tdx_uidriver --demo <Tandelix.exe> <outdir>\n");
      return 2;
    }
    return RunDemo(argv[2], argv[3]);
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
