// tdx_uidriver: the UI scenarios as tests, or with --demo <exe> <outdir> a run
// of the program that leaves screenshots of its main window and about box.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "UiDriver.h"
#include "res/resource.h"

static int RunDemo(const char* szExe, const char* szOutDir) {
  using namespace ui;
  std::string out = szOutDir;
  if (!out.empty() && out.back() != '\\' && out.back() != '/') out += '\\';
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
    HWND hProp = nullptr;
    if (WaitUntil([&] {
          auto found = TopWindows(app.Pid(), "TfmOVCondProp");
          hProp = found.empty() ? nullptr : found[0];
          return hProp && IsWindowVisible(hProp);
        })) {
      Sleep(300);
      failures += !SaveWindowBitmap(hProp, out + "ovcondprop.bmp");
      ClickButton(hProp, IDCANCEL);
      WaitUntil([&] { return !IsWindow(hProp); }, 3000);
    } else {
      ++failures;
    }
  }
  PostCommand(app.Main(), IDM_FILE_HALVERN);
  Sleep(300);
  failures += !SaveWindowBitmap(app.Main(), out + "main-halvern.bmp");
  PostCommand(app.Main(), IDM_FILE_ORVELLO);
  PostCommand(app.Main(), IDM_HELP_ABOUT);
  HWND hAbout = nullptr;
  if (WaitUntil([&] {
        auto found = TopWindows(app.Pid(), "TfmAbout");
        hAbout = found.empty() ? nullptr : found[0];
        return hAbout && IsWindowVisible(hAbout);
      })) {
    Sleep(300);
    failures += !SaveWindowBitmap(hAbout, out + "about.bmp");
    ClickButton(hAbout, IDOK);
    WaitUntil([&] { return !IsWindow(hAbout); }, 3000);
  } else {
    ++failures;
  }
  if (!app.Quit()) {
    std::fprintf(stderr, "demo: the program did not close cleanly\n");
    ++failures;
  }
  std::printf("demo: screenshots in %s\n", out.c_str());
  return failures ? 1 : 0;
}

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--record-open") == 0) return ui::RecordOpen(argv[2], argv[3]);
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
