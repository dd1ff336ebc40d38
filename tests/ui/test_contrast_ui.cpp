// High contrast: with a high-contrast theme on, the program paints with the
// system colours only: the header, the logo's background, the bold navy
// labels, the links. Wine cannot turn the theme on (it always answers "off"):
// the scenario sets a high-contrast colour scheme and starts the program with
// TANDELIX_HIGHCONTRAST=1, which stands for it.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "ContrastScheme.h"
#include "UiDriver.h"
#include "res/resource.h"

using namespace ui;

namespace {

// How many pixels of what the screen shows of a control have the colour.
int CountPixels(HWND hCtl, COLORREF c) {
  RECT rc = {};
  GetWindowRect(hCtl, &rc);
  const int cx = rc.right - rc.left, cy = rc.bottom - rc.top;
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = cx;
  bi.bmiHeader.biHeight = -cy;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* pBits = nullptr;
  HDC hScreen = GetDC(nullptr);
  HDC hMem = CreateCompatibleDC(hScreen);
  HBITMAP hBmp = CreateDIBSection(hScreen, &bi, DIB_RGB_COLORS, &pBits, nullptr, 0);
  int n = 0;
  if (hBmp && pBits) {
    HGDIOBJ hOld = SelectObject(hMem, hBmp);
    BitBlt(hMem, 0, 0, cx, cy, hScreen, rc.left, rc.top, SRCCOPY);
    GdiFlush();
    const auto* p = static_cast<const DWORD*>(pBits);
    const DWORD want = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
    for (int i = 0; i < cx * cy; ++i) n += (p[i] & 0xFFFFFF) == want;
    SelectObject(hMem, hOld);
    DeleteObject(hBmp);
  }
  DeleteDC(hMem);
  ReleaseDC(nullptr, hScreen);
  return n;
}

struct Look {
  COLORREF header, logoCorner;
  int navy, text;  // pixels of the Tremwick label in navy, in the scheme's text colour
};

Look LookOf(bool bContrast) {
  Look look = {};
  App app;
  EXPECT_TRUE(app.SeedDesktop(SourcePath("palmdesk/demo/demo.seed")));
  SetEnvironmentVariableA("TANDELIX_HIGHCONTRAST", bContrast ? "1" : nullptr);
  const bool bStarted = app.Start();
  SetEnvironmentVariableA("TANDELIX_HIGHCONTRAST", nullptr);
  EXPECT_TRUE(bStarted);
  if (!bStarted || !app.WaitMain()) return look;
  PostCommand(app.Main(), IDM_FILE_TREMWICK);
  HWND hLabel = GetDlgItem(app.Page("TtTremwick"), IDC_TWLABEL1);
  WaitUntil([&] { return IsWindowVisible(hLabel) != FALSE; }, 3000);
  Sleep(300);
  const RECT logo = RectInParent(GetDlgItem(app.Main(), IDC_IMGLOGO));
  look.header = ClientPixel(app.Main(), logo.right + 40, 4);
  look.logoCorner = ClientPixel(app.Main(), logo.right - 2, logo.top + 1);
  look.navy = CountPixels(hLabel, RGB(0, 0, 128));
  look.text = CountPixels(hLabel, GetSysColor(COLOR_BTNTEXT));
  EXPECT_TRUE(app.Quit());
  return look;
}

}  // namespace

TEST(ContrastUi, UnderHighContrastTheHeaderLogoAndLabelsTakeSystemColours) {
  const Look normal = LookOf(false);
  EXPECT_EQ(normal.header, RGB(255, 255, 255));
  EXPECT_EQ(normal.logoCorner, RGB(255, 255, 255));
  EXPECT_GT(normal.navy, 0) << "the label is navy without high contrast";

  ContrastScheme scheme;  // black windows and buttons, white and yellow text
  const Look contrast = LookOf(true);
  EXPECT_EQ(contrast.header, GetSysColor(COLOR_WINDOW));
  EXPECT_EQ(contrast.logoCorner, GetSysColor(COLOR_WINDOW));
  EXPECT_EQ(contrast.navy, 0) << "no navy under high contrast";
  EXPECT_GT(contrast.text, 0) << "the label in the buttons' text colour";
}
