// The per-user tab's behaviour with a Palm Desktop sandbox and recording fakes
// for the lists, the context menu, the prompt, the shell and the dialog; the
// preferences Apply writes are read back from the stand-in User Data library.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "palm/SyncGuard.h"
#include "support/PalmSandbox.h"
#include "support/PdRegistry.h"
#include "tremwick/TWTool.h"
#include "unit/shell/FakePorts.h"

using tdxtest::PalmSandbox;

namespace {

// A check-box list: like the control, a check box that changes raises the change
// event, and a new row starts unchecked with one.
struct FakeList : ITWCheckList {
  struct Row {
    std::string caption, sub;
    void* data;
    bool checked;
  };
  std::vector<Row> rows;
  int sel = -1;
  std::function<void(int)> onChange;

  void Clear() override {
    rows.clear();
    sel = -1;
  }
  int Add(const char* c, void* d) override {
    rows.push_back({c, "", d, false});
    const int i = static_cast<int>(rows.size()) - 1;
    if (onChange) onChange(i);
    return i;
  }
  void SetSubItem(int i, const char* t) override { rows.at(i).sub = t; }
  int Count() override { return static_cast<int>(rows.size()); }
  void* Data(int i) override { return i >= 0 && i < Count() ? rows[i].data : nullptr; }
  void SetCheck(int i, bool b) override {
    if (rows.at(i).checked == b) return;
    rows[i].checked = b;
    if (onChange) onChange(i);
  }
  bool IsChecked(int i) override { return rows.at(i).checked; }
  int Selected() override { return sel; }

  int Find(const std::string& caption) const {
    for (size_t i = 0; i < rows.size(); ++i)
      if (rows[i].caption == caption) return static_cast<int>(i);
    return -1;
  }
  std::vector<std::string> Subs() const {
    std::vector<std::string> v;
    for (const Row& r : rows) v.push_back(r.sub);
    return v;
  }
};

// Starts with the captions of the menu resource.
struct FakeMenu : ITWCondMenu {
  struct Item {
    std::string caption;
    bool visible = true, checked = false;
  };
  Item items[TW_MI_COUNT] = {{"Synchronize the Files"},
                             {"Desktop overwrite Handhelds"},
                             {"Handhelds overwrite Desktop"},
                             {"Do Nothing"}};
  void SetVisible(TWMenuItem i, bool b) override { items[i].visible = b; }
  void SetCaption(TWMenuItem i, const char* s) override { items[i].caption = s; }
  void SetChecked(TWMenuItem i, bool b) override { items[i].checked = b; }

  // What the menu shows: visible captions, the checked ones marked with '*'.
  std::vector<std::string> Shown() const {
    std::vector<std::string> v;
    for (const Item& it : items)
      if (it.visible) v.push_back((it.checked ? "*" : "") + it.caption);
    return v;
  }
};

struct FakeInfo : ITWUserInfoView {
  std::vector<uint32_t> opened;
  std::vector<TWConduitRef> conduits;
  void ShowUserInfo(uint32_t id, const std::vector<TWConduitRef>& c) override {
    opened.push_back(id);
    conduits = c;
  }
};

constexpr uint32_t kAnn = 1001, kBob = 1002;
const uint32_t kAddr = PdFourCC('a', 'd', 'd', 'r'), kDate = PdFourCC('d', 'a', 't', 'e'),
               kInst = PdFourCC('i', 'n', 's', 't');

class TWToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(box.Isolated());
    box.AddUser(kAnn, "Ann Smith", "AnnS");
    box.AddUser(kBob, "Bob Jones", "BobJ");
    const std::string lib = PalmSandbox::BinFile("cond_plain.dll");
    box.AddAppConduit({"addr", lib, "Address Book"});
    box.AddAppConduit({"gone", "C:\\nowhere\\gone.dll", "Gone Conduit"});  // library missing
    box.AddAppConduit({"date", lib, "Date Book"});
    box.AddInstallConduit("inst", lib, "Install Handheld Files");
    box.SetBackupConduit(lib);  // exports no name: the title stays empty
    StartPalmLayer();
    // The control's change event reaches the tool; what it does to the
    // records while the list is filled is recorded.
    conds.onChange = [this](int i) {
      tool->lvTWCondChange(i);
      if (tool->Filling())
        if (auto* p = static_cast<CondData*>(conds.Data(i))) marksWhileFilling.push_back(p->nMark);
    };
    tool = std::make_unique<TWTool>(users, conds, menu, prompt, shell, info);
    tool->SetUpSyncTab();
  }
  void TearDown() override {
    tool.reset();
    StopPalmLayer();
  }

  CondData* Rec(const char* caption) {
    const int i = conds.Find(caption);
    return i < 0 ? nullptr : static_cast<CondData*>(conds.Data(i));
  }
  void Select(const char* caption) { conds.sel = conds.Find(caption); }
  // A stored preference, or -1 when there is none.
  static int32_t Pref(bool bPerm, uint32_t user, uint32_t creator) {
    int32_t v = -1;
    const int32_t rc = bPerm ? UmGetUserPermSyncPreferences(user, creator, &v)
                             : UmGetUserTempSyncPreferences(user, creator, &v);
    return rc == 0 ? v : -1;
  }

  PalmSandbox box;
  FakeList users, conds;
  FakeMenu menu;
  FakePrompt prompt;
  FakeShell shell;
  FakeInfo info;
  std::vector<int32_t> marksWhileFilling;
  std::unique_ptr<TWTool> tool;
};

TEST_F(TWToolTest, FillGivesDefaultsByKindAndLeavesMissingLibrariesOut) {
  ASSERT_EQ(conds.Count(), 4);
  const struct {
    const char* caption;
    const char* text;
    int32_t mark;
  } want[] = {{"Address Book", "Synchronize the files", 0},
              {"Date Book", "Synchronize the files", 0},
              {"Install Handheld Files", "Desktop overwrite handhelds", 1},
              {"", "Handhelds overwrite Desktop", 2}};  // the backup conduit
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(conds.rows[i].caption, want[i].caption);
    EXPECT_EQ(conds.rows[i].sub, want[i].text) << i;
    EXPECT_TRUE(conds.rows[i].checked) << i;
    EXPECT_EQ(static_cast<CondData*>(conds.Data(static_cast<int>(i)))->nMark, want[i].mark) << i;
  }
  EXPECT_EQ(conds.Find("Gone Conduit"), -1);
  // Every check box set during the fill passed the change event and changed nothing.
  EXPECT_FALSE(marksWhileFilling.empty());
  for (size_t i = 0; i < marksWhileFilling.size(); ++i) EXPECT_LE(marksWhileFilling[i], 2) << i;

  ASSERT_EQ(users.Count(), 2);
  EXPECT_EQ(users.rows[0].caption, "Ann Smith");
  EXPECT_EQ(static_cast<PalmUser*>(users.Data(1))->dwUserID, kBob);
  EXPECT_TRUE(users.rows[0].checked && users.rows[1].checked);

  tool->btnTWHotSyncClick();
  EXPECT_EQ(shell.opened, std::vector<std::string>{"hotsync.exe"});
}

TEST_F(TWToolTest, SwitchingOffAndOnBringsTheFormerActionBack) {
  const std::vector<std::string> defaults = conds.Subs();
  for (int i = 0; i < conds.Count(); ++i) {
    conds.SetCheck(i, false);
    EXPECT_EQ(conds.rows[i].sub, "Do Nothing") << i;
    conds.SetCheck(i, true);
    EXPECT_EQ(conds.rows[i].sub, defaults[i]) << i;
  }
  // A state change that is no check-box change (selection) keeps the value.
  conds.SetCheck(2, false);
  conds.onChange(2);
  EXPECT_EQ(Rec("Install Handheld Files")->nMark, static_cast<int32_t>(TW_OFF_MARK | 1));

  tool->btnTWDisableAllClick();
  EXPECT_EQ(conds.Subs(), std::vector<std::string>(4, "Do Nothing"));
  for (const auto& r : conds.rows) EXPECT_FALSE(r.checked);
  tool->btnTWEnableAllClick();
  EXPECT_EQ(conds.Subs(), defaults);

  tool->btnUserClearClick();
  EXPECT_FALSE(users.rows[0].checked || users.rows[1].checked);
  tool->btnUserAllClick();
  EXPECT_TRUE(users.rows[0].checked && users.rows[1].checked);
}

TEST_F(TWToolTest, ContextMenuFollowsTheKindAndTheAction) {
  const struct {
    const char* row;
    std::vector<std::string> shown;
  } cases[] = {
      {"Install Handheld Files", {"*Install to handhelds", "Do Nothing"}},
      {"Address Book",
       {"*Synchronize the Files", "Desktop overwrite handhelds", "Handhelds overwrite Desktop",
        "Do Nothing"}},
      {"", {"Desktop overwrite handhelds", "*Handhelds overwrite Desktop", "Do Nothing"}},
  };
  for (const auto& c : cases) {
    Select(c.row);
    ASSERT_TRUE(tool->pmTWCondPopup()) << c.row;
    EXPECT_EQ(menu.Shown(), c.shown) << c.row;
  }
  // Switched off: "Do Nothing" carries the one check mark.
  conds.SetCheck(conds.Find("Date Book"), false);
  Select("Date Book");
  ASSERT_TRUE(tool->pmTWCondPopup());
  EXPECT_EQ(menu.Shown(),
            (std::vector<std::string>{"Synchronize the Files", "Desktop overwrite handhelds",
                                      "Handhelds overwrite Desktop", "*Do Nothing"}));
  // Nothing selected: nothing to show, the menu as it was.
  conds.sel = -1;
  EXPECT_FALSE(tool->pmTWCondPopup());
  EXPECT_EQ(menu.Shown().back(), "*Do Nothing");
}

TEST_F(TWToolTest, MenuItemsSetTheActionAndTheCheckBoxFollows) {
  const int i = conds.Find("Address Book");
  Select("Address Book");
  tool->miHH2PCClick();
  EXPECT_EQ(conds.rows[i].sub, "Handhelds overwrite Desktop");
  EXPECT_TRUE(conds.rows[i].checked);
  tool->miNothingClick();
  EXPECT_EQ(conds.rows[i].sub, "Do Nothing");
  EXPECT_FALSE(conds.rows[i].checked);
  conds.SetCheck(i, true);  // on again: the chosen action is back
  EXPECT_EQ(conds.rows[i].sub, "Handhelds overwrite Desktop");
  tool->miNothingClick();
  tool->miPC2HHClick();  // from off straight to an action
  EXPECT_TRUE(conds.rows[i].checked);
  EXPECT_EQ(Rec("Address Book")->nMark, 1);

  // What the menu does not offer for a kind is refused.
  Select("Install Handheld Files");
  tool->miSyncClick();
  tool->miHH2PCClick();
  EXPECT_EQ(Rec("Install Handheld Files")->nMark, 1);
  Select("");
  tool->miSyncClick();
  EXPECT_EQ(conds.rows[conds.Find("")].sub, "Handhelds overwrite Desktop");

  // Refresh discards every change, and rereads Palm Desktop.
  box.AddAppConduit({"memo", PalmSandbox::BinFile("cond_plain.dll"), "Memo Pad"});
  tool->btnTWRefreshClick();
  EXPECT_EQ(conds.Subs(),
            (std::vector<std::string>{"Synchronize the files", "Synchronize the files",
                                      "Synchronize the files", "Desktop overwrite handhelds",
                                      "Handhelds overwrite Desktop"}));
  for (const auto& r : conds.rows) EXPECT_TRUE(r.checked);
}

TEST_F(TWToolTest, ApplyWritesTemporaryOrPermanentForCheckedUsersOnly) {
  users.SetCheck(1, false);                           // Bob stays as he is
  conds.SetCheck(conds.Find("Address Book"), false);  // off: written as Do Nothing
  Select("Date Book");
  tool->miHH2PCClick();
  ASSERT_EQ(UmSetUserTempSyncPreferences(kAnn, kDate, PD_SYNC_SYNCHRONIZE), 0);

  prompt.answers = {Answer::No};
  tool->btnTWApplyClick(false);
  ASSERT_EQ(prompt.shown.size(), 1u);
  EXPECT_EQ(prompt.shown[0].caption, "Confirm");
  EXPECT_EQ(prompt.shown[0].text,
            "Write the action of each of 3 conduits into the sync preferences of 1 user, for "
            "their next HotSync only?\r\n\r\nLeft out, having no four-character creator ID: the "
            "backup conduit.");
  EXPECT_EQ(Pref(false, kAnn, kAddr), -1);  // No writes nothing

  prompt.answers = {Answer::Yes};
  tool->btnTWApplyClick(false);
  ASSERT_EQ(prompt.shown.size(), 3u);
  EXPECT_EQ(prompt.shown[2].kind, "info");
  EXPECT_EQ(prompt.shown[2].text, "3 sync preferences written.");
  // By the number of the four characters, install conduits too.
  EXPECT_EQ(Pref(false, kAnn, kAddr), PD_SYNC_NOTHING);
  EXPECT_EQ(Pref(false, kAnn, kDate), PD_SYNC_HH_TO_PC);
  EXPECT_EQ(Pref(false, kAnn, kInst), PD_SYNC_PC_TO_HH);
  EXPECT_EQ(Pref(true, kAnn, kAddr), -1);
  for (uint32_t c : {kAddr, kDate, kInst}) {
    EXPECT_EQ(Pref(false, kBob, c), -1);
    EXPECT_EQ(Pref(true, kBob, c), -1);
  }

  // As default: permanent, and the temporary one no longer overrides it.
  prompt.answers = {Answer::Yes};
  tool->btnTWApplyClick(true);
  EXPECT_NE(prompt.shown[3].text.find("as their default action for every HotSync?"),
            std::string::npos);
  EXPECT_EQ(prompt.shown.back().text, "3 sync preferences written.");
  EXPECT_EQ(Pref(true, kAnn, kAddr), PD_SYNC_NOTHING);
  EXPECT_EQ(Pref(true, kAnn, kDate), PD_SYNC_HH_TO_PC);
  EXPECT_EQ(Pref(true, kAnn, kInst), PD_SYNC_PC_TO_HH);
  for (uint32_t c : {kAddr, kDate, kInst}) EXPECT_EQ(Pref(false, kAnn, c), -1);
  EXPECT_EQ(Pref(true, kBob, kAddr), -1);
}

TEST_F(TWToolTest, ApplyRefusesWithoutUsersOrConduitsAndNamesFailures) {
  tool->btnUserClearClick();
  tool->btnTWApplyClick(true);
  ASSERT_EQ(prompt.shown.size(), 1u);
  EXPECT_EQ(prompt.shown[0].kind, "error");
  EXPECT_EQ(prompt.shown[0].text,
            "No user is checked. Check the users whose sync preferences are to be written.");

  // A store that refuses one creator: every other preference is written, each
  // failure named.
  tool->btnUserAllClick();
  SetEnvironmentVariableA("TDX_USERDATA_REFUSE", "date");
  prompt.answers = {Answer::Yes};
  tool->btnTWApplyClick(false);
  SetEnvironmentVariableA("TDX_USERDATA_REFUSE", nullptr);
  ASSERT_EQ(prompt.shown.size(), 3u);
  EXPECT_EQ(prompt.shown[2].kind, "error");
  EXPECT_EQ(prompt.shown[2].text,
            "4 of 6 sync preferences written. Not written:\r\n"
            "Ann Smith: Date Book (error -103)\r\nBob Jones: Date Book (error -103)");
  EXPECT_EQ(Pref(false, kBob, kInst), PD_SYNC_PC_TO_HH);
  EXPECT_EQ(Pref(false, kBob, kDate), -1);

  // Only the backup conduit left: nothing to write.
  RegDeleteTreeA(HKEY_CURRENT_USER, PD_REG_ROOT "\\Application0");
  RegDeleteTreeA(HKEY_CURRENT_USER, PD_REG_ROOT "\\Application1");
  RegDeleteTreeA(HKEY_CURRENT_USER, PD_REG_ROOT "\\Application2");
  RegDeleteTreeA(HKEY_CURRENT_USER, PD_REG_INSTALL);
  tool->btnTWRefreshClick();
  ASSERT_EQ(conds.Count(), 1);
  tool->btnTWApplyClick(false);
  EXPECT_EQ(prompt.shown.back().text, "There is no conduit whose action could be written.");
  EXPECT_EQ(prompt.shown.size(), 4u);  // and no question
}

TEST_F(TWToolTest, DoubleClickOpensTheSelectedUsersInformation) {
  tool->lvTWUserDblClick();
  EXPECT_TRUE(info.opened.empty());
  users.sel = 1;
  tool->lvTWUserDblClick();
  EXPECT_EQ(info.opened, std::vector<uint32_t>{kBob});
  ASSERT_EQ(info.conduits.size(), 4u);
  EXPECT_EQ(info.conduits[2].strCreator, "inst");
  EXPECT_EQ(info.conduits[3].strCreator, "");  // the backup conduit
}

// ---- the user information dialog's data ----

TEST_F(TWToolTest, UserInformationShowsSlotsAndStoredActions) {
  // Ann: no slots. Bob: a profile with three slots whose references are not
  // in order, one of an unknown type and one whose type cannot be read.
  PalmSandbox::SetDword(PalmSandbox::Numbered(PD_REG_USER_FMT, 1), "Profile", 1);
  box.AddSlot(1, 7, PdFourCC('s', 'd', 'i', 'g'), "SD Card");
  box.AddSlot(1, 0xFFFFFFFEu, PdFourCC('x', 'y', 'z', 'w'), "Odd");
  box.AddSlot(1, 3, PdFourCC('m', 's', 't', 'k'), "Stick");
  HKEY h;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER,
                          (PalmSandbox::Numbered(PD_REG_USER_FMT, 1) + "\\Slots\\Slot2").c_str(), 0,
                          KEY_SET_VALUE, &h),
            ERROR_SUCCESS);
  RegDeleteValueA(h, "MediaType");
  RegCloseKey(h);

  ASSERT_EQ(UmSetUserPermSyncPreferences(kBob, kAddr, PD_SYNC_HH_TO_PC), 0);
  ASSERT_EQ(UmSetUserTempSyncPreferences(kBob, kAddr, PD_SYNC_CUSTOM), 0);
  // A value no action: what a foreign library might hand back.
  PalmSandbox::SetDword(PalmSandbox::Numbered(PD_REG_USER_FMT, 1) + "\\PermSync", "64617465", 9);

  const std::vector<TWConduitRef> refs = tool->Conduits();
  const TWUserInfo ann = TWReadUserInfo(kAnn, refs);
  EXPECT_FALSE(ann.bProfile);
  EXPECT_EQ(ann.strName, "Ann Smith");
  EXPECT_EQ(ann.strDataDir, "AnnS");
  EXPECT_STRCASEEQ(ann.strRootDir.c_str(), box.Dir().c_str());
  EXPECT_TRUE(ann.slots.empty());

  const TWUserInfo bob = TWReadUserInfo(kBob, refs);
  EXPECT_TRUE(bob.bProfile);
  ASSERT_EQ(bob.slots.size(), 3u);
  const char* want[3][4] = {{"1", "7", "Secure Digital", "SD Card"},
                            {"2", "-2", "Not Specified", "Odd"},
                            {"3", "3", "Not Specified", "Stick"}};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(bob.slots[i].strNo, want[i][0]);
    EXPECT_EQ(bob.slots[i].strID, want[i][1]);
    EXPECT_EQ(bob.slots[i].strType, want[i][2]) << i;
    EXPECT_EQ(bob.slots[i].strName, want[i][3]);
  }
  // One row per conduit with a creator ID: the backup conduit has none.
  ASSERT_EQ(bob.prefs.size(), 3u);
  EXPECT_EQ(bob.prefs[0].strConduit, "Address Book");
  EXPECT_EQ(bob.prefs[0].strPerm, "Handhelds overwrite Desktop");
  EXPECT_EQ(bob.prefs[0].strTemp, "Custom");
  EXPECT_EQ(bob.prefs[1].strPerm, "Unknown (9)");
  EXPECT_EQ(bob.prefs[1].strTemp, "Not set");
  EXPECT_EQ(bob.prefs[2].strConduit, "Install Handheld Files");

  // A user the library does not know: empty fields, no slots, nothing stored.
  const TWUserInfo nobody = TWReadUserInfo(4242, refs);
  EXPECT_EQ(nobody.strName, "");
  EXPECT_TRUE(nobody.slots.empty());
  EXPECT_EQ(nobody.prefs[0].strPerm, "Not set");
}

}  // namespace

// Apply while a HotSync runs: refused after the question, nothing written;
// idle: written, and HotSync Manager asked once to reread its list.
TEST_F(TWToolTest, ApplyIsRefusedDuringAHotSyncAndRefreshesOnceAfter) {
  tdxtest::SetHotSyncRunning(true);
  const auto registry = tdxtest::PalmRegistry();
  prompt.answers = {Answer::Yes};
  tool->btnTWApplyClick(true);
  EXPECT_EQ(prompt.shown.back().kind, "error");
  EXPECT_EQ(prompt.shown.back().text, kPdSyncRunning);
  EXPECT_EQ(tdxtest::PalmRegistry(), registry);

  tdxtest::SetHotSyncRunning(false);
  const DWORD before = tdxtest::HotSyncRefreshes();
  prompt.answers = {Answer::Yes};
  tool->btnTWApplyClick(true);
  EXPECT_EQ(prompt.shown.back().text, "6 sync preferences written.");
  EXPECT_EQ(tdxtest::HotSyncRefreshes(), before + 1);
}
