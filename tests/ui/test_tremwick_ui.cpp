// Scenarios of the per-user tab on the demo Palm Desktop: check boxes, Enable /
// Disable All, the context menu of an install conduit, Apply as default for one
// user (read back from the stand-in and in the user information dialog), and
// the dialog of the user with two slots.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "UiDriver.h"
#include "palm/PalmApi.h"
#include "res/resource.h"

using namespace ui;

namespace {

using Rows = std::vector<std::vector<std::string>>;

// An edit control's text: asked with WM_GETTEXT, which crosses processes.
std::string EditText(HWND h) {
  char sz[512] = {};
  SendMessageA(h, WM_GETTEXT, sizeof sz, reinterpret_cast<LPARAM>(sz));
  return sz;
}

class TremwickUi : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(app.SeedDesktop(SourcePath("palmdesk/demo/demo.seed")));
    ASSERT_TRUE(app.Start());
    ASSERT_NE(app.WaitMain(), nullptr);
    PostCommand(app.Main(), IDM_FILE_TREMWICK);
    page = app.Page("TtTremwick");
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return IsShown(page); }, 3000));
    users = GetDlgItem(page, IDC_LVTWUSER);
    conds = GetDlgItem(page, IDC_LVTWCOND);
  }

  Rows Conds() const { return ListRows(conds, 2); }
  int Row(const std::string& caption) const {
    const Rows rows = Conds();
    for (size_t i = 0; i < rows.size(); ++i)
      if (rows[i][0] == caption) return static_cast<int>(i);
    return -1;
  }
  std::string ActionOf(int i) const {
    const Rows rows = Conds();
    return i >= 0 && i < static_cast<int>(rows.size()) ? rows[i][1] : "<no row>";
  }
  bool WaitAction(int i, const std::string& want) const {
    return WaitUntil([&] { return ActionOf(i) == want; }, 3000);
  }

  // Opens pmTWCond from the keyboard on the selected conduit and works it with
  // keys, as menus cannot be read from another process; Enter chooses.
  bool ChooseFromMenu(std::initializer_list<WPARAM> keys) {
    PostMessageA(conds, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(conds), -1);
    HWND hMenu = nullptr;
    if (!WaitUntil(
            [&] {
              for (HWND h : TopWindows(app.Pid(), "#32768"))
                if (IsWindowVisible(h)) hMenu = h;
              return hMenu != nullptr;
            },
            3000))
      return false;
    for (WPARAM vk : keys) PostMessageA(hMenu, WM_KEYDOWN, vk, 0);
    PostMessageA(hMenu, WM_CHAR, '\r', 0);
    return WaitUntil([&] { return !IsWindowVisible(hMenu); }, 3000);
  }

  // Double-clicks a user and waits for TfmTWUserInfo.
  HWND OpenUserInfo(int i) {
    ListSelect(users, i);
    ListDoubleClick(users, i);
    HWND h = nullptr;
    WaitUntil([&] {
      auto found = TopWindows(app.Pid(), "TfmTWUserInfo", "User Information");
      h = found.empty() ? nullptr : found[0];
      return h && IsWindowVisible(h);
    });
    return h;
  }
  void CloseUserInfo(HWND h) {
    ClickButton(h, IDC_BTNCLOSE);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(h); }, 3000));
  }

  App app;
  HWND page = nullptr, users = nullptr, conds = nullptr;
};

}  // namespace

TEST_F(TremwickUi, CheckBoxesSwitchConduitsOffAndBack) {
  const Rows start = Conds();
  ASSERT_EQ(start.size(), 10u);  // seven conduits with a library, two install, the backup
  const int i = Row("Date Book");
  ASSERT_GE(i, 0);
  EXPECT_EQ(start[i][1], "Synchronize the files");
  ASSERT_TRUE(ListSetChecked(conds, i, false));
  EXPECT_TRUE(WaitAction(i, "Do Nothing"));
  ASSERT_TRUE(ListSetChecked(conds, i, true));
  EXPECT_TRUE(WaitAction(i, "Synchronize the files"));

  ClickButton(page, IDC_BTNTWDISABLEALL);
  EXPECT_TRUE(WaitUntil(
      [&] {
        for (const auto& r : Conds())
          if (r[1] != "Do Nothing") return false;
        return true;
      },
      3000));
  for (int k = 0; k < 10; ++k) EXPECT_FALSE(ListChecked(conds, k)) << k;
  ClickButton(page, IDC_BTNTWENABLEALL);
  EXPECT_TRUE(WaitUntil([&] { return Conds() == start; }, 3000));
  for (int k = 0; k < 10; ++k) EXPECT_TRUE(ListChecked(conds, k)) << k;
  EXPECT_TRUE(app.Quit());
}

TEST_F(TremwickUi, AnInstallConduitsMenuOffersInstallAndDoNothingOnly) {
  // The items as the menu resource has them.
  const auto menu = ResourceMenu(app.File("Tandelix.exe"), IDR_PMTWCOND);
  const std::vector<std::string> want = {
      "pmTWCond", "pmTWCond/&Synchronize the Files", "pmTWCond/&Desktop overwrite Handhelds",
      "pmTWCond/&Handhelds overwrite Desktop", "pmTWCond/Do &Nothing"};
  ASSERT_EQ(menu.size(), want.size());
  for (size_t k = 0; k < want.size(); ++k) EXPECT_EQ(menu[k].path, want[k]);

  const int i = Row("Install Handheld Files");
  ASSERT_GE(i, 0);
  ASSERT_TRUE(ListSelect(conds, i));
  // Second item: "Do Nothing" (nothing else between).
  ASSERT_TRUE(ChooseFromMenu({VK_HOME, VK_DOWN}));
  EXPECT_TRUE(WaitAction(i, "Do Nothing"));
  EXPECT_FALSE(ListChecked(conds, i));
  // Two steps down from the first wrap round to it: two items, the first one
  // installing to the handhelds.
  ASSERT_TRUE(ChooseFromMenu({VK_HOME, VK_DOWN, VK_DOWN}));
  EXPECT_TRUE(WaitAction(i, "Desktop overwrite handhelds"));
  EXPECT_TRUE(ListChecked(conds, i));

  // An application conduit's menu starts with synchronising.
  const int a = Row("Memo Pad");
  ASSERT_TRUE(ListSelect(conds, a));
  ASSERT_TRUE(ChooseFromMenu({VK_HOME, VK_DOWN, VK_DOWN}));
  EXPECT_TRUE(WaitAction(a, "Handhelds overwrite Desktop"));
  ASSERT_TRUE(ChooseFromMenu({VK_HOME}));
  EXPECT_TRUE(WaitAction(a, "Synchronize the files"));
  EXPECT_TRUE(app.Quit());
}

TEST_F(TremwickUi, ApplyAsDefaultWritesForTheCheckedUserOnly) {
  const int i = Row("Date Book");
  ASSERT_TRUE(ListSelect(conds, i));
  PostCommand(page, IDM_TW_HH2PC);
  ASSERT_TRUE(WaitAction(i, "Handhelds overwrite Desktop"));
  ClickButton(page, IDC_BTNUSERCLEAR);
  ASSERT_TRUE(WaitUntil([&] { return !ListChecked(users, 0) && !ListChecked(users, 1); }, 3000));
  ASSERT_TRUE(ListSetChecked(users, 0, true));  // Mara Lindqvist, 1001
  EXPECT_EQ(SendMessageA(GetDlgItem(page, IDC_CBTWDEFAULT), BM_GETCHECK, 0, 0), BST_CHECKED);

  ClickButton(page, IDC_BTNTWAPPLY);
  MessageBoxInfo box;
  ASSERT_TRUE(WaitUntil([&] { return (box = FindMessageBox(app.Pid())).hWnd != nullptr; }, 5000));
  EXPECT_EQ(box.caption, "Confirm");
  EXPECT_EQ(box.hOwner, app.Main());
  EXPECT_NE(box.text.find("of 9 conduits into the sync preferences of 1 user, as their default"),
            std::string::npos)
      << box.text;
  Answer(box, IDYES);
  ASSERT_TRUE(WaitUntil(
      [&] {
        box = FindMessageBox(app.Pid());
        return box.hWnd && box.caption == "Information";
      },
      5000));
  EXPECT_EQ(box.text, "9 sync preferences written.");
  Answer(box, IDOK);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box.hWnd); }, 3000));

  // Read back through the stand-in library itself.
  HMODULE h = LoadLibraryA((app.Dir() + "Palm\\UserData.dll").c_str());
  ASSERT_NE(h, nullptr);
  auto get = reinterpret_cast<PFN_UmGetUserPermSyncPreferences>(
      reinterpret_cast<void*>(GetProcAddress(h, "UmGetUserPermSyncPreferences")));
  ASSERT_NE(get, nullptr);
  int32_t v = -1;
  EXPECT_EQ(get(1001, PdFourCC('d', 'a', 't', 'e'), &v), 0);
  EXPECT_EQ(v, PD_SYNC_HH_TO_PC);
  EXPECT_EQ(get(1001, PdFourCC('i', 'n', 'S', 'D'), &v), 0);
  EXPECT_EQ(v, PD_SYNC_PC_TO_HH);
  EXPECT_NE(get(1002, PdFourCC('d', 'a', 't', 'e'), &v), 0);
  EXPECT_NE(get(1003, PdFourCC('a', 'd', 'd', 'r'), &v), 0);
  FreeLibrary(h);

  HWND hInfo = OpenUserInfo(0);
  ASSERT_NE(hInfo, nullptr);
  const Rows prefs = ListRows(GetDlgItem(hInfo, IDC_LVTWPREFS), 3);
  EXPECT_EQ(prefs.size(), 9u);
  bool found = false;
  for (const auto& r : prefs)
    if (r[0] == "Date Book") {
      found = true;
      EXPECT_EQ(r[1], "Handhelds overwrite Desktop");
      EXPECT_EQ(r[2], "Not set");
    }
  EXPECT_TRUE(found);
  CloseUserInfo(hInfo);

  hInfo = OpenUserInfo(1);  // Theo Brandt: nothing stored
  ASSERT_NE(hInfo, nullptr);
  for (const auto& r : ListRows(GetDlgItem(hInfo, IDC_LVTWPREFS), 3)) EXPECT_EQ(r[1], "Not set");
  CloseUserInfo(hInfo);
  EXPECT_TRUE(app.Quit());
}

TEST_F(TremwickUi, DoubleClickOpensTheUsersInformation) {
  HWND h = OpenUserInfo(0);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(GetWindow(h, GW_OWNER), app.Main());
  EXPECT_EQ(WindowText(GetDlgItem(h, IDC_PNLUSERNAME)), "Mara Lindqvist");
  EXPECT_EQ(EditText(GetDlgItem(h, IDC_EDTDATADIR)), "LindqvM");
  EXPECT_STRCASEEQ(EditText(GetDlgItem(h, IDC_EDTROOTDIR)).c_str(), (app.Dir() + "Palm").c_str());
  EXPECT_EQ(SendMessageA(GetDlgItem(h, IDC_CBPROFILE), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  for (int id : {IDC_CBPROFILE, IDC_EDTROOTDIR, IDC_EDTDATADIR})
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(h, id))) << id;
  EXPECT_EQ(
      ListRows(GetDlgItem(h, IDC_LVEXP), 4),
      (Rows{{"1", "1", "Secure Digital", "SD Card"}, {"2", "2", "Memory Stick", "Memory Stick"}}));
  CloseUserInfo(h);

  h = OpenUserInfo(2);  // the profile, without slots
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(WindowText(GetDlgItem(h, IDC_PNLUSERNAME)), "Field Team Profile");
  EXPECT_EQ(SendMessageA(GetDlgItem(h, IDC_CBPROFILE), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_TRUE(ListRows(GetDlgItem(h, IDC_LVEXP), 4).empty());
  CloseUserInfo(h);
  EXPECT_TRUE(app.Quit());
}
