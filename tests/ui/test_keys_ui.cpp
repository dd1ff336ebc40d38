// The program without a mouse. A table test over every dialog and menu of the
// program file: no access key twice in a window or a menu, none missing where
// the keyboard needs one, tab order in reading order, one default button per
// dialog. Then scenarios with keys: Space on a check box, the menu key at the
// focused row, Enter on a row and in a dialog, Escape, the focus shown.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "UiDriver.h"
#include "res/resource.h"
#include "ui/Keys.h"
#include "ui/Layout.h"

using namespace ui;

namespace {

// ---------------------------------------------------------------- the resources

struct Control {
  int id;
  std::string cls, text;
  DWORD style;
};

struct Dialog {
  int id;
  DWORD style;
  bool bMenu;  // has a menu bar
  std::vector<Control> controls;
};

// Reads a DLGTEMPLATEEX; false when it is not one.
class TemplateReader {
 public:
  TemplateReader(const BYTE* p, size_t cb) : m_p(p), m_cb(cb) {}
  bool Read(Dialog& d) {
    WORD ver = Word(), sig = Word();
    if (ver != 1 || sig != 0xFFFF) return false;
    Dword();  // help ID
    Dword();  // extended style
    d.style = Dword();
    const WORD n = Word();
    m_at += 8;  // x, y, cx, cy
    d.bMenu = !SzOrOrd().empty() || m_bWasOrdinal;
    SzOrOrd();  // class
    SzOrOrd();  // title
    if (d.style & (DS_SETFONT | DS_SHELLFONT)) {
      m_at += 6;  // point size, weight, italic, charset
      SzOrOrd();
    }
    for (WORD i = 0; i < n && m_at < m_cb; ++i) {
      m_at = (m_at + 3) & ~size_t(3);
      Control c;
      Dword();  // help ID
      Dword();  // extended style
      c.style = Dword();
      m_at += 8;
      c.id = static_cast<int>(Dword());
      c.cls = SzOrOrd();
      if (m_bWasOrdinal) c.cls = ClassName(m_nOrdinal);
      c.text = SzOrOrd();
      if (m_bWasOrdinal) c.text.clear();  // a picture's resource
      m_at += Word();                     // creation data
      d.controls.push_back(c);
    }
    return m_at <= m_cb;
  }

 private:
  WORD Word() {
    WORD w = 0;
    if (m_at + 2 <= m_cb) std::memcpy(&w, m_p + m_at, 2);
    m_at += 2;
    return w;
  }
  DWORD Dword() {
    DWORD d = 0;
    if (m_at + 4 <= m_cb) std::memcpy(&d, m_p + m_at, 4);
    m_at += 4;
    return d;
  }
  std::string SzOrOrd() {
    m_bWasOrdinal = false;
    const WORD first = Word();
    if (first == 0) return {};
    if (first == 0xFFFF) {
      m_bWasOrdinal = true;
      m_nOrdinal = Word();
      return {};
    }
    std::wstring w(1, static_cast<wchar_t>(first));
    for (WORD c; m_at < m_cb && (c = Word()) != 0;) w += static_cast<wchar_t>(c);
    char sz[512] = {};
    WideCharToMultiByte(CP_ACP, 0, w.c_str(), -1, sz, sizeof sz, nullptr, nullptr);
    return sz;
  }
  static std::string ClassName(WORD ord) {
    switch (ord) {
      case 0x80:
        return "Button";
      case 0x81:
        return "Edit";
      case 0x82:
        return "Static";
      case 0x83:
        return "ListBox";
      case 0x84:
        return "ScrollBar";
      case 0x85:
        return "ComboBox";
      default:
        return "?";
    }
  }

  const BYTE* m_p;
  size_t m_cb;
  size_t m_at = 0;
  bool m_bWasOrdinal = false;
  WORD m_nOrdinal = 0;
};

struct Resources {
  std::vector<Dialog> dialogs;
  std::map<int, std::vector<LayoutRect>> layouts;
  std::vector<int> menus;
};

BOOL CALLBACK CollectName(HMODULE, LPCSTR, LPSTR name, LONG_PTR l) {
  if (IS_INTRESOURCE(name))
    reinterpret_cast<std::vector<int>*>(l)->push_back(
        static_cast<int>(reinterpret_cast<UINT_PTR>(name)));
  return TRUE;
}

const void* Data(HMODULE h, int id, LPCSTR type, size_t& cb) {
  HRSRC r = FindResourceA(h, MAKEINTRESOURCEA(id), type);
  cb = r ? SizeofResource(h, r) : 0;
  return r ? LockResource(LoadResource(h, r)) : nullptr;
}

bool Is(const Control& c, const char* szClass) { return lstrcmpiA(c.cls.c_str(), szClass) == 0; }
DWORD ButtonType(const Control& c) { return Is(c, "Button") ? c.style & BS_TYPEMASK : ~0u; }

// A control that takes input and has no caption of its own: its label names it.
bool IsInput(const Control& c) {
  return (Is(c, "Edit") || Is(c, "ComboBox") || Is(c, WC_LISTVIEWA) || Is(c, WC_TREEVIEWA)) &&
         !(c.style & WS_DISABLED);
}
bool IsTextStatic(const Control& c) {
  const DWORD type = c.style & SS_TYPEMASK;
  return Is(c, "Static") && !c.text.empty() && !(c.style & (SS_NOPREFIX | SS_NOTIFY)) &&
         (type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT || type == SS_LEFTNOWORDWRAP);
}

// Where the keyboard needs an access key: buttons, check boxes and option
// buttons with a caption (OK and Cancel have Enter and Escape), and the label
// or group box right before a control that takes input.
bool NeedsKey(const Dialog& d, size_t i) {
  const Control& c = d.controls[i];
  const DWORD type = ButtonType(c);
  if (type != ~0u && type != BS_GROUPBOX)
    return !c.text.empty() && !(c.style & WS_DISABLED) && c.id != IDOK && c.id != IDCANCEL;
  const bool bLabel = IsTextStatic(c) || (type == BS_GROUPBOX && !c.text.empty());
  return bLabel && i + 1 < d.controls.size() && IsInput(d.controls[i + 1]);
}

// The layout table of a dialog: the one naming most of its controls.
const std::vector<LayoutRect>* LayoutOf(const Resources& res, const Dialog& d) {
  const std::vector<LayoutRect>* pBest = nullptr;
  size_t nBest = 0;
  for (const auto& [id, table] : res.layouts) {
    size_t n = 0;
    for (const Control& c : d.controls)
      for (const LayoutRect& r : table) n += r.id == c.id;
    if (n > nBest || (n == nBest && pBest && table.size() < pBest->size())) {
      pBest = &table;
      nBest = n;
    }
  }
  return nBest ? pBest : nullptr;
}

// B may follow A in tab order: further down, in a column to the right, or to
// the right in the same row.
bool ReadsAfter(const LayoutRect& a, const LayoutRect& b) {
  constexpr int tol = 3;
  const bool bSameRow = b.y < a.y + a.cy && a.y < b.y + b.cy;
  if (bSameRow && b.x + b.cx <= a.x + tol) return false;        // back to the left
  if (b.y < a.y - tol && b.x < a.x + a.cx - tol) return false;  // back up, same column
  return true;
}

Resources ReadResources(const std::string& exe) {
  Resources res;
  HMODULE h = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!h) return res;
  std::vector<int> ids;
  EnumResourceNamesA(h, MAKEINTRESOURCEA(5), CollectName, reinterpret_cast<LONG_PTR>(&ids));
  for (int id : ids) {
    size_t cb = 0;
    const auto* p = static_cast<const BYTE*>(Data(h, id, MAKEINTRESOURCEA(5), cb));
    Dialog d;
    d.id = id;
    if (p && TemplateReader(p, cb).Read(d)) res.dialogs.push_back(d);
  }
  ids.clear();
  EnumResourceNamesA(h, MAKEINTRESOURCEA(10), CollectName, reinterpret_cast<LONG_PTR>(&ids));
  for (int id : ids) {
    size_t cb = 0;
    const auto* p = static_cast<const uint16_t*>(Data(h, id, MAKEINTRESOURCEA(10), cb));
    std::vector<LayoutRect> table(cb / 10);
    table.resize(ParseLayout(p, cb / 2, table.data(), table.size()));
    if (!table.empty()) res.layouts[id] = table;
  }
  EnumResourceNamesA(h, MAKEINTRESOURCEA(4), CollectName, reinterpret_cast<LONG_PTR>(&res.menus));
  FreeLibrary(h);
  return res;
}

// Each level of a menu: its items' captions (separators left out).
void MenuLevels(HMENU hMenu, const std::string& path, bool bCheckThis,
                std::vector<std::pair<std::string, std::vector<std::string>>>& out) {
  std::vector<std::string> captions;
  for (int i = 0, n = GetMenuItemCount(hMenu); i < n; ++i) {
    char buf[256] = {};
    MENUITEMINFOA mi = {};
    mi.cbSize = sizeof mi;
    mi.fMask = MIIM_FTYPE | MIIM_SUBMENU | MIIM_STRING;
    mi.dwTypeData = buf;
    mi.cch = sizeof buf;
    if (!GetMenuItemInfoA(hMenu, i, TRUE, &mi) || (mi.fType & MFT_SEPARATOR)) continue;
    captions.push_back(buf);
    if (mi.hSubMenu) MenuLevels(mi.hSubMenu, path + "/" + buf, true, out);
  }
  if (bCheckThis) out.push_back({path, captions});
}

}  // namespace

TEST(KeysResources, AccessKeysAreUniqueAndPresentAndTabOrderFollowsReading) {
  const Resources res = ReadResources(DriverDir() + "Tandelix.exe");
  ASSERT_GE(res.dialogs.size(), 10u) << "every dialog of the program";
  // The tab pages share the main window (the dialog with the menu bar).
  const Dialog* pMain = nullptr;
  for (const Dialog& d : res.dialogs)
    if (d.bMenu) pMain = &d;
  ASSERT_NE(pMain, nullptr);

  for (const Dialog& d : res.dialogs) {
    SCOPED_TRACE("dialog " + std::to_string(d.id));
    std::map<char, std::string> keys;
    auto take = [&](const Control& c) {
      const char k = AccessKey(c.text);
      if (!k) return;
      EXPECT_TRUE(keys.emplace(k, c.text).second)
          << "\"" << c.text << "\" and \"" << keys[k] << "\" share Alt+" << k;
    };
    if ((d.style & WS_CHILD) && &d != pMain)
      for (const Control& c : pMain->controls) take(c);
    for (size_t i = 0; i < d.controls.size(); ++i) {
      take(d.controls[i]);
      if (NeedsKey(d, i)) {
        EXPECT_NE(AccessKey(d.controls[i].text), 0)
            << "\"" << d.controls[i].text << "\" (" << d.controls[i].id << ") has no access key";
      }
    }

    // Tab order (the template's order) against the layout's reading order.
    const std::vector<LayoutRect>* pTable = LayoutOf(res, d);
    ASSERT_NE(pTable, nullptr) << "no layout table";
    std::vector<LayoutRect> order;
    for (const Control& c : d.controls)
      for (const LayoutRect& r : *pTable)
        if (r.id == c.id) order.push_back(r);
    for (size_t i = 1; i < order.size(); ++i)
      EXPECT_TRUE(ReadsAfter(order[i - 1], order[i]))
          << "control " << order[i].id << " comes after " << order[i - 1].id
          << " in tab order but before it in reading order";

    // Enter: one default button in each dialog of its own.
    if (!(d.style & WS_CHILD) && (d.style & WS_CAPTION) == WS_CAPTION && !d.bMenu) {
      int nDefault = 0;
      for (const Control& c : d.controls) nDefault += ButtonType(c) == BS_DEFPUSHBUTTON;
      EXPECT_EQ(nDefault, 1) << "default buttons";
    }
  }

  HMODULE h =
      LoadLibraryExA((DriverDir() + "Tandelix.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(h, nullptr);
  ASSERT_FALSE(res.menus.empty());
  for (int id : res.menus) {
    HMENU hMenu = LoadMenuA(h, MAKEINTRESOURCEA(id));
    ASSERT_NE(hMenu, nullptr) << id;
    // A menu bar's titles are shown; a context menu's holder is not.
    const bool bBar = id == IDR_MAINMENU;
    std::vector<std::pair<std::string, std::vector<std::string>>> levels;
    MenuLevels(hMenu, "menu " + std::to_string(id), bBar, levels);
    for (const auto& [path, captions] : levels) {
      std::map<char, std::string> keys;
      for (const std::string& s : captions) {
        const char k = AccessKey(s);
        EXPECT_NE(k, 0) << path << ": \"" << s << "\" has no access key";
        if (k) {
          EXPECT_TRUE(keys.emplace(k, s).second)
              << path << ": \"" << s << "\" and \"" << keys[k] << "\" share " << k;
        }
      }
    }
    DestroyMenu(hMenu);
  }
  FreeLibrary(h);
}

TEST(KeysResources, MenuCaptionsSetAtRunTimeGetKeysOfTheirOwn) {
  struct Case {
    std::vector<std::string> in, out;
  };
  const Case cases[] = {
      // An application conduit's menu: the tool's own caption takes a free letter.
      {{"&Synchronize the Files", "Desktop overwrite handhelds", "&Handhelds overwrite Desktop",
        "Do &Nothing"},
       {"&Synchronize the Files", "&Desktop overwrite handhelds", "&Handhelds overwrite Desktop",
        "Do &Nothing"}},
      // Word starts first, then any letter; keys already given are kept.
      {{"Do Nothing", "Do Something", "Do &Other"}, {"&Do Nothing", "Do &Something", "Do &Other"}},
      {{"ab", "ab", "ab"}, {"&ab", "a&b", "ab"}},
  };
  for (const Case& c : cases) EXPECT_EQ(MenuAccessKeys(c.in), c.out);
  EXPECT_EQ(AccessKey("Save && &Quit"), 'Q');
  EXPECT_EQ(AccessKey("A && B"), 0);
}

// ---------------------------------------------------------------- with keys

namespace {

class KeysUi : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(app.StartDemo());
  }
  HWND WaitDialog(const char* szClass) { return WaitTopWindow(app.Pid(), szClass); }
  // A key where the focus is in the dialog.
  void PressInDialog(HWND hDlg, WPARAM vk) {
    HWND hFocus = FocusOf(hDlg);
    PressKey(hFocus ? hFocus : hDlg, vk);
  }

  App app;
};

}  // namespace

TEST_F(KeysUi, TabOrderAndFocusOfTheMainWindow) {
  HWND hMain = app.Main();
  // The focus is always shown, not only after a key was pressed.
  const LRESULT ui = SendMessageA(hMain, WM_QUERYUISTATE, 0, 0);
  EXPECT_EQ(ui & UISF_HIDEFOCUS, 0);
  // Reading order: the top buttons, the tabs, then the page.
  HWND hOrvello = app.Page("TtOrvello");
  EXPECT_EQ(GetNextDlgTabItem(hMain, GetDlgItem(hMain, IDC_BTNHELP), FALSE),
            GetDlgItem(hMain, IDC_BTNEXIT));
  EXPECT_EQ(GetNextDlgTabItem(hMain, GetDlgItem(hMain, IDC_BTNEXIT), FALSE),
            GetDlgItem(hMain, IDC_SPMAIN));
  EXPECT_EQ(GetNextDlgTabItem(hMain, GetDlgItem(hMain, IDC_SPMAIN), FALSE),
            GetDlgItem(hOrvello, IDC_LVOVAPP));
  EXPECT_TRUE(app.Quit());
}

TEST_F(KeysUi, EnterOnARowOpensItAndEnterOrEscapeCloseTheDialog) {
  // A conduit's properties: Enter on its row; Escape closes them.
  HWND hApp = GetDlgItem(app.Page("TtOrvello"), IDC_LVOVAPP);
  ASSERT_TRUE(ListSelect(hApp, 0));
  PressKey(hApp, VK_RETURN);
  HWND hDlg = WaitDialog("TfmOVCondProp");
  ASSERT_NE(hDlg, nullptr) << "Enter on a conduit";
  PressInDialog(hDlg, VK_ESCAPE);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(hDlg); }, 3000)) << "Escape";

  // A user's information: Enter on the user; Enter closes it.
  PostCommand(app.Main(), IDM_FILE_TREMWICK);
  HWND hUsers = GetDlgItem(app.Page("TtTremwick"), IDC_LVTWUSER);
  ASSERT_TRUE(ListSelect(hUsers, 0));
  PressKey(hUsers, VK_RETURN);
  hDlg = WaitDialog("TfmTWUserInfo");
  ASSERT_NE(hDlg, nullptr) << "Enter on a user";
  PressInDialog(hDlg, VK_RETURN);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(hDlg); }, 3000)) << "Enter";

  PostCommand(app.Main(), IDM_HELP_ABOUT);
  hDlg = WaitDialog("TfmAbout");
  ASSERT_NE(hDlg, nullptr);
  PressInDialog(hDlg, VK_RETURN);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(hDlg); }, 3000)) << "Enter in the about box";
  EXPECT_TRUE(app.Quit());
}

TEST_F(KeysUi, SpaceTogglesACheckBoxAndTheMenuKeyOpensTheMenuAtTheFocusedRow) {
  PostCommand(app.Main(), IDM_FILE_TREMWICK);
  HWND hConds = GetDlgItem(app.Page("TtTremwick"), IDC_LVTWCOND);
  ASSERT_TRUE(WaitUntil([&] { return ListRows(hConds, 2).size() > 5; }));
  // A row far down: the menu comes where it is.
  const int nRow = 5;
  ASSERT_TRUE(ListSelect(hConds, nRow));
  ASSERT_TRUE(ListChecked(hConds, nRow));
  PressKey(hConds, VK_SPACE);
  EXPECT_TRUE(WaitUntil([&] { return !ListChecked(hConds, nRow); }, 3000)) << "Space";
  EXPECT_TRUE(WaitUntil([&] { return ListRows(hConds, 2)[nRow][1] == "Do Nothing"; }, 3000));
  PressKey(hConds, VK_SPACE);
  EXPECT_TRUE(WaitUntil([&] { return ListChecked(hConds, nRow); }, 3000)) << "Space again";

  PressKey(hConds, VK_APPS);
  HWND hMenu = nullptr;
  ASSERT_TRUE(WaitUntil([&] {
    for (HWND h : TopWindows(app.Pid(), "#32768"))
      if (IsWindowVisible(h)) hMenu = h;
    return hMenu != nullptr;
  })) << "the menu key opens no menu";
  RECT rcRow = ListItemRect(hConds, nRow, LVIR_LABEL);
  POINT pt = {rcRow.left, rcRow.bottom};
  ClientToScreen(hConds, &pt);
  RECT rcMenu = {};
  GetWindowRect(hMenu, &rcMenu);
  EXPECT_NEAR(rcMenu.left, pt.x, 2);
  EXPECT_NEAR(rcMenu.top, pt.y, 2) << "below the focused row";
  PostMessageA(hMenu, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(hMenu); }, 3000));
  EXPECT_TRUE(app.Quit());
}
