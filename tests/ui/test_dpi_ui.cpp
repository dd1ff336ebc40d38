// The windows at another DPI: WM_DPICHANGED (as the system sends it when a
// window moves to a monitor of another scale) at 96, 144, 192 and back to 96,
// to the main window and to every dialog. Each control sits where its layout
// table puts it, scaled, within a pixel; no caption is wider than its control;
// the pictures are drawn at the new size; the window takes the suggested
// rectangle.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "UiDriver.h"
#include "res/resource.h"
#include "ui/Layout.h"

using namespace ui;

namespace {

constexpr int kDpis[] = {96, 144, 192, 96};

std::vector<LayoutRect> LayoutTable(const std::string& exe, int id) {
  std::vector<LayoutRect> out;
  HMODULE h = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!h) return out;
  if (HRSRC r = FindResourceA(h, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(10))) {
    const auto* p = static_cast<const uint16_t*>(LockResource(LoadResource(h, r)));
    const size_t n = SizeofResource(h, r) / 2;
    out.resize(n / 5);
    out.resize(ParseLayout(p, n, out.data(), out.size()));
  }
  FreeLibrary(h);
  return out;
}

int Scaled(int n, int dpi) { return MulDiv(n, dpi, 96); }

// How wide a caption is in the dialog font at that DPI, in bold: every caption
// must fit even so, whichever of the two it is drawn in.
int CaptionWidth(const std::string& text, int dpi) {
  HFONT hFont = CreateFontA(-MulDiv(8, dpi, 72), 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0,
                            0, 0, "MS Shell Dlg 2");
  HDC hdc = GetDC(nullptr);
  HGDIOBJ hOld = SelectObject(hdc, hFont);
  RECT rc = {0, 0, 0, 0};
  DrawTextA(hdc, text.c_str(), -1, &rc, DT_CALCRECT | DT_SINGLELINE);
  SelectObject(hdc, hOld);
  ReleaseDC(nullptr, hdc);
  DeleteObject(hFont);
  return rc.right - rc.left;
}

// Every control of the table at its place, scaled (a closed drop-down is as
// high as its font makes it).
void ExpectLaidOut(HWND hWnd, const std::vector<LayoutRect>& table, int dpi,
                   const std::string& what) {
  ASSERT_FALSE(table.empty()) << what << ": no layout table";
  for (const LayoutRect& r : table) {
    HWND h = GetDlgItem(hWnd, r.id);
    ASSERT_NE(h, nullptr) << what << ": no control " << r.id;
    const RECT rc = RectInParent(h);
    const std::string where =
        what + " at " + std::to_string(dpi) + ", control " + std::to_string(r.id);
    EXPECT_NEAR(rc.left, Scaled(r.x, dpi), 1) << where;
    EXPECT_NEAR(rc.top, Scaled(r.y, dpi), 1) << where;
    EXPECT_NEAR(rc.right - rc.left, Scaled(r.cx, dpi), 1) << where;
    if (ClassOf(h) != "ComboBox") {
      EXPECT_NEAR(rc.bottom - rc.top, Scaled(r.cy, dpi), 1) << where;
    }
  }
}

// No caption of a static text or button is wider than its control (with room
// for a button's edge, a check box or a group box's corner).
void ExpectCaptionsFit(HWND hWnd, int dpi, const std::string& what) {
  int nMeasured = 0;
  for (HWND h = GetWindow(hWnd, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) {
    const std::string text = WindowText(h);
    const LONG style = GetWindowLongA(h, GWL_STYLE);
    if (text.empty() || !(style & WS_VISIBLE)) continue;
    int room = 0;
    if (ClassOf(h) == "Static") {
      const LONG type = style & SS_TYPEMASK;
      if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT && type != SS_LEFTNOWORDWRAP)
        continue;
      if (style & (SS_ENDELLIPSIS | SS_PATHELLIPSIS)) continue;  // cut on purpose
    } else if (ClassOf(h) == "Button") {
      const LONG type = style & BS_TYPEMASK;
      if (type == BS_GROUPBOX)
        room = Scaled(16, dpi);
      else if (type == BS_AUTOCHECKBOX || type == BS_CHECKBOX || type == BS_AUTORADIOBUTTON ||
               type == BS_RADIOBUTTON)
        room = Scaled(13 + 6, dpi);
      else
        room = Scaled(8, dpi);
    } else {
      continue;
    }
    RECT rc = {};
    GetClientRect(h, &rc);
    EXPECT_LE(CaptionWidth(text, dpi) + room, rc.right)
        << what << " at " << dpi << ": \"" << text << "\" is wider than its control";
    ++nMeasured;
  }
  EXPECT_GT(nMeasured, 0) << what << ": no caption measured";
}

// The window's rectangle at 96 DPI, to scale from; then each DPI in turn: the
// suggested rectangle keeps the top-left corner and scales the size.
void RunDpis(HWND hTop, const std::function<void(int dpi)>& check) {
  RECT rc96 = {};
  GetWindowRect(hTop, &rc96);
  for (int dpi : kDpis) {
    const RECT want = {rc96.left, rc96.top, rc96.left + Scaled(rc96.right - rc96.left, dpi),
                       rc96.top + Scaled(rc96.bottom - rc96.top, dpi)};
    ASSERT_TRUE(SendDpiChanged(hTop, dpi, want)) << dpi;
    RECT rc = {};
    GetWindowRect(hTop, &rc);
    EXPECT_TRUE(EqualRect(&rc, &want))
        << ClassOf(hTop) << " at " << dpi << ": at " << rc.left << "," << rc.top << " "
        << rc.right - rc.left << "x" << rc.bottom - rc.top << ", not the suggested rectangle";
    Sleep(150);  // drawn anew
    check(dpi);
  }
}

// A colour near the mark's blue (the program's logo and icon).
bool IsMarkBlue(COLORREF c) {
  return std::abs(GetRValue(c) - 31) < 24 && std::abs(GetGValue(c) - 78) < 24 &&
         std::abs(GetBValue(c) - 156) < 24;
}

class DpiUi : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(app.StartDemo());
    exe = app.File("Tandelix.exe");
  }
  // Opens a dialog with what(), checks it at each DPI, closes it with Escape.
  void CheckDialog(const char* szClass, int idLayout, const std::function<void()>& open,
                   const std::function<void(HWND, int)>& extra = nullptr) {
    SCOPED_TRACE(szClass);
    open();
    HWND hDlg = WaitTopWindow(app.Pid(), szClass);
    ASSERT_NE(hDlg, nullptr) << "no " << szClass;
    const auto table = LayoutTable(exe, idLayout);
    RunDpis(hDlg, [&](int dpi) {
      ExpectLaidOut(hDlg, table, dpi, szClass);
      ExpectCaptionsFit(hDlg, dpi, szClass);
      if (extra) extra(hDlg, dpi);
    });
    HWND hFocus = FocusOf(hDlg);
    PressKey(hFocus ? hFocus : hDlg, VK_ESCAPE);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(hDlg); }, 3000)) << szClass << ": Escape";
  }

  App app;
  std::string exe;
};

}  // namespace

TEST_F(DpiUi, MainWindowAndItsPagesFollowTheDpi) {
  struct Page {
    const char* szClass;
    int idLayout;
  };
  const Page pages[] = {{"TtOrvello", IDR_LAYOUT_ORVELLO},
                        {"TtTremwick", IDR_LAYOUT_TREMWICK},
                        {"TtHalvern", IDR_LAYOUT_HALVERN}};
  const auto mainTable = LayoutTable(exe, IDR_LAYOUT_MAIN);
  HWND hOrvello = app.Page("TtOrvello"), hTremwick = app.Page("TtTremwick");
  RunDpis(app.Main(), [&](int dpi) {
    ExpectLaidOut(app.Main(), mainTable, dpi, "main window");
    ExpectCaptionsFit(app.Main(), dpi, "main window");
    for (const Page& p : pages) {
      HWND hPage = app.Page(p.szClass);
      ExpectLaidOut(hPage, LayoutTable(exe, p.idLayout), dpi, p.szClass);
      ExpectCaptionsFit(hPage, dpi, p.szClass);
    }
    // The conduit pictures and the check boxes at the new size.
    const int n = Scaled(16, dpi);
    for (int id : {IDC_LVOVAPP, IDC_LVOVSYS}) {
      const RECT rc = ListItemRect(GetDlgItem(hOrvello, id), 0, LVIR_ICON);
      EXPECT_EQ(rc.right - rc.left, n) << "conduit pictures at " << dpi;
    }
    for (int id : {IDC_LVTWUSER, IDC_LVTWCOND}) {
      HWND hList = GetDlgItem(hTremwick, id);
      const int offset =
          ListItemRect(hList, 0, LVIR_ICON).left - ListItemRect(hList, 0, LVIR_BOUNDS).left;
      EXPECT_GE(offset, n) << "check boxes at " << dpi;
      EXPECT_LE(offset, n + Scaled(4, dpi)) << "check boxes at " << dpi;
    }
    // The logo drawn at its new size: the mark's lower left is in the
    // lower left of the picture, wherever that is now.
    const RECT logo = RectInParent(GetDlgItem(app.Main(), IDC_IMGLOGO));
    const int h = logo.bottom - logo.top;
    EXPECT_TRUE(
        IsMarkBlue(ClientPixel(app.Main(), logo.left + h * 12 / 62, logo.top + h * 48 / 62)))
        << "logo at " << dpi;
  });
  EXPECT_TRUE(app.Quit());
}

TEST_F(DpiUi, EveryDialogFollowsTheDpi) {
  HWND hOrvello = app.Page("TtOrvello");
  CheckDialog(
      "TfmAbout", IDR_LAYOUT_ABOUT, [&] { PostCommand(app.Main(), IDM_HELP_ABOUT); },
      [](HWND hDlg, int dpi) {
        // The mark drawn at the new size: blue at its lower left.
        const RECT rc = RectInParent(GetDlgItem(hDlg, IDC_IMGICON));
        const int s = Scaled(32, dpi);
        EXPECT_EQ(rc.right - rc.left, s);
        EXPECT_TRUE(IsMarkBlue(ClientPixel(hDlg, rc.left + s / 5, rc.top + s * 6 / 7)))
            << "icon at " << dpi;
      });
  CheckDialog("TfmOVCondProp", IDR_LAYOUT_OVCONDPROP, [&] {
    ListSelect(GetDlgItem(hOrvello, IDC_LVOVAPP), 0);
    ClickButton(hOrvello, IDC_BTNOVAPPPROP);
  });
  CheckDialog("TfmOVBackup", IDR_LAYOUT_OVBACKUP, [&] { ClickButton(hOrvello, IDC_BTNOVBACKUP); });
  CheckDialog("TfmOVRestore", IDR_LAYOUT_OVRESTORE, [&] { ClickButton(hOrvello, IDC_BTNOVREST); });
  CheckDialog(
      "TfmOVCheck", IDR_LAYOUT_OVCHECK, [&] { PostCommand(app.Main(), IDM_TOOL_CHECK); },
      [](HWND hDlg, int dpi) {
        HWND hList = GetDlgItem(hDlg, IDC_LVCHKFINDINGS);
        const RECT rc = ListItemRect(hList, 0, LVIR_ICON);
        EXPECT_EQ(rc.right - rc.left, MulDiv(GetSystemMetrics(SM_CXSMICON), dpi, 96))
            << "severity pictures at " << dpi;
      });
  CheckDialog("TfmOVExport", IDR_LAYOUT_OVEXPORT, [&] { PostCommand(app.Main(), IDM_TOOL_EXPORT); });
  PostCommand(app.Main(), IDM_FILE_TREMWICK);
  HWND hUsers = GetDlgItem(app.Page("TtTremwick"), IDC_LVTWUSER);
  CheckDialog("TfmTWUserInfo", IDR_LAYOUT_TWUSERINFO, [&] {
    ListSelect(hUsers, 0);
    ListDoubleClick(hUsers, 0);
  });
  EXPECT_TRUE(app.Quit());
}
