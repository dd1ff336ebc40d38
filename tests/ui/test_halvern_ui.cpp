// Scenarios of the log tab on the demo Palm Desktop: choosing a user, the month
// tree, the page each node writes, the browser's address, the log file button
// and the saved user.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <fstream>
#include <sstream>

#include "UiDriver.h"
#include "halvern/HVText.h"
#include "logs/LogPages.h"
#include "res/resource.h"

using namespace ui;

namespace {

std::string Slurp(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

class HalvernUi : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(app.SeedDesktop(SourcePath("palmdesk/demo/demo.seed")));
    StartApp();
  }
  void StartApp() {
    ASSERT_TRUE(app.Start());
    ASSERT_NE(app.WaitMain(), nullptr);
    PostCommand(app.Main(), IDM_FILE_HALVERN);
    page = app.Page("TtHalvern");
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return IsShown(page); }, 3000));
  }
  HWND Ctl(int id) const { return GetDlgItem(page, id); }
  std::string Address() const { return WindowText(Ctl(IDC_LOGBROWSER)); }
  // The text of cbHVUser's selected entry.
  std::string UserShown() const {
    HWND h = Ctl(IDC_CBHVUSER);
    const LRESULT i = SendMessageA(h, CB_GETCURSEL, 0, 0);
    // Asked in UTF-16: across processes the ANSI form comes back wide.
    wchar_t wz[128] = {};
    if (i < 0 || SendMessageW(h, CB_GETLBTEXTLEN, i, 0) >= 128) return "";
    SendMessageW(h, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(wz));
    char sz[256] = {};
    WideCharToMultiByte(CP_ACP, 0, wz, -1, sz, sizeof sz, nullptr, nullptr);
    return sz;
  }
  std::string Result() const { return Slurp(app.File("result.html")); }

  // As the user does it: the entry, then the change event.
  void ChooseUser(int i) {
    SendMessageA(Ctl(IDC_CBHVUSER), CB_SETCURSEL, i, 0);
    PostMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_CBHVUSER, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(Ctl(IDC_CBHVUSER)));
  }
  HTREEITEM Item(HTREEITEM h, UINT rel) const {
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(Ctl(IDC_TVLOG), TVM_GETNEXTITEM, rel, reinterpret_cast<LPARAM>(h)));
  }
  // Selects a node and waits for its page; true when the page says want.
  bool SelectAndWait(HTREEITEM h, const std::string& want) {
    PostMessageA(Ctl(IDC_TVLOG), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(h));
    return WaitUntil([&] { return Result().find(want) != std::string::npos; }, 5000);
  }
  // The tree the tab should show for a user of the seeded desktop.
  std::vector<TreeNode> Expected(const char* szUserDir) {
    CLogReader r;
    r.LoadUserLogs((app.Dir() + "Palm").c_str(), szUserDir);
    std::vector<TreeNode> v{{0, "All HotSync Log"}};
    for (const HVMonthRun& run : HVGroupMonthRuns(r.Operations())) {
      v.push_back({1, run.strLabel});
      for (SyncOperation* op : run.ops) v.push_back({2, HVTimeLabel(op->stStart)});
    }
    return v;
  }
  static std::string Show(const std::vector<TreeNode>& v) {
    std::string s;
    for (const TreeNode& n : v) s += std::to_string(n.level) + ":" + n.text + "\n";
    return s;
  }

  App app;
  HWND page = nullptr;
};

}  // namespace

TEST_F(HalvernUi, ChoosingAUserFillsTheTreeAndEveryNodeShowsItsPage) {
  // The first user is preselected at start: the root page is already there.
  EXPECT_EQ(UserShown(), "Mara Lindqvist");
  EXPECT_EQ(Show(TreeItems(Ctl(IDC_TVLOG))), Show(Expected("LindqvM")));
  EXPECT_EQ(Item(nullptr, TVGN_CARET), Item(nullptr, TVGN_ROOT)) << "the root is selected";
  EXPECT_NE(Result().find("HotSync Information for Mara Lindqvist:"), std::string::npos);
  EXPECT_EQ(Address(), app.File("result.html"));

  ChooseUser(1);
  ASSERT_TRUE(WaitUntil(
      [&] { return Result().find("HotSync Information for Theo Brandt:") != std::string::npos; },
      5000));
  const std::vector<TreeNode> want = Expected("BrandtT");
  ASSERT_GT(want.size(), 2u);
  EXPECT_EQ(Show(TreeItems(Ctl(IDC_TVLOG))), Show(want));
  size_t nOps = 0;
  for (const TreeNode& n : want) nOps += n.level == 2;
  EXPECT_NE(Result().find("Total HotSync times : " + std::to_string(nOps) + "<"), std::string::npos);

  HTREEITEM hRoot = Item(nullptr, TVGN_ROOT);
  HTREEITEM hMonth = Item(hRoot, TVGN_CHILD);
  ASSERT_TRUE(SelectAndWait(hMonth, "HotSync operations during " + want[1].text)) << Result();
  EXPECT_EQ(Address(), app.File("result.html"));
  HTREEITEM hOp = Item(hMonth, TVGN_CHILD);
  ASSERT_TRUE(SelectAndWait(hOp, "HotSync operation from <u>" + want[2].text + "</u>")) << Result();
  EXPECT_EQ(Address(), app.File("result.html"));
  ASSERT_TRUE(SelectAndWait(hRoot, "<td width=160><b>Month/Year</b></td>")) << Result();
  EXPECT_EQ(Address(), app.File("result.html"));
  EXPECT_TRUE(app.Quit());
}

// The button beside "Open HotSync Log File": the chosen user's health page,
// the logged names matched to the conduits the program loaded (a conduit
// that names itself too), the registered ones the logs never name.
TEST_F(HalvernUi, ConduitHealthShowsThePageOfTheChosenUser) {
  EXPECT_EQ(WindowText(Ctl(IDC_BTNHVHEALTH)), "&Conduit Health");
  ClickButton(page, IDC_BTNHVHEALTH);
  ASSERT_TRUE(WaitUntil(
      [&] { return Result().find("Conduit Health for Mara Lindqvist:") != std::string::npos; },
      5000));
  const std::string health = Result();
  EXPECT_EQ(Address(), app.File("result.html"));
  for (const char* want :
       {"<b>Expense</b> (Expn)", "<b>Sample Named Conduit</b> (PAdd)<br><font color=#808080>in the "
        "logs: Mail Mirror</font>",
        "<b>Web Clippings</b> (Clip)", "Not in the logs", "Expense synchronization failed",
        "Durations of whole HotSync operations:"})
    EXPECT_NE(health.find(want), std::string::npos) << want;
  EXPECT_EQ(health.find("<font color=#FF0000>No</font>"), std::string::npos)
      << "every conduit the logs name is registered";
  EXPECT_TRUE(app.Quit());
}

TEST_F(HalvernUi, OpenLogFileForAUserWithoutLogsSaysSo) {
  ChooseUser(2);  // the field team profile has no HotSync logs
  ASSERT_TRUE(WaitUntil(
      [&] {
        return Result().find("There is no HotSync information recorded for user Field Team "
                             "Profile.") != std::string::npos;
      },
      5000));
  EXPECT_EQ(TreeItems(Ctl(IDC_TVLOG)).size(), 1u);
  ClickButton(page, IDC_BTNOPENLOG);
  MessageBoxInfo box;
  ASSERT_TRUE(WaitUntil([&] { return (box = FindMessageBox(app.Pid())).hWnd != nullptr; }, 5000));
  EXPECT_EQ(box.text, "Can not find the HotSync Log file.");
  EXPECT_EQ(box.caption, "Information");
  EXPECT_EQ(box.hOwner, app.Main());
  Answer(box, IDOK);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box.hWnd); }, 3000));
  EXPECT_TRUE(app.Quit());
}

TEST_F(HalvernUi, TheChosenUserIsPreselectedAtTheNextStart) {
  ChooseUser(1);
  ASSERT_TRUE(WaitUntil(
      [&] { return Result().find("HotSync Information for Theo Brandt:") != std::string::npos; },
      5000));
  ASSERT_TRUE(app.Quit());
  char buf[32] = {};
  GetPrivateProfileStringA("Tandelix", "UserID", "", buf, sizeof buf,
                           app.File("tessary.ini").c_str());
  EXPECT_STREQ(buf, "1002");
  DeleteFileA(app.File("result.html").c_str());

  StartApp();
  EXPECT_EQ(SendMessageA(Ctl(IDC_CBHVUSER), CB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(UserShown(), "Theo Brandt");
  EXPECT_EQ(Show(TreeItems(Ctl(IDC_TVLOG))), Show(Expected("BrandtT")));
  EXPECT_NE(Result().find("HotSync Information for Theo Brandt:"), std::string::npos);
  EXPECT_TRUE(app.Quit());
}

TEST_F(HalvernUi, WithoutAnHtmlEngineThePaneHandsThePageToTheBrowser) {
  // The test prefix has no HTML engine, as some Windows installations have none.
  HWND host = Ctl(IDC_LOGBROWSER);
  HWND note = GetDlgItem(host, IDC_LOGNOVIEWER);
  HWND button = GetDlgItem(host, IDC_BTNOPENPAGE);
  ASSERT_NE(note, nullptr);
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(WindowText(note), kHVNoViewer);
  EXPECT_EQ(WindowText(button), kHVOpenPage);
  EXPECT_TRUE(IsWindowVisible(note));
  EXPECT_TRUE(IsShown(button)) << "the root page was written at start";
  OpenRecorder opened(".html", app.Dir() + "opened.txt");
  ClickButton(host, IDC_BTNOPENPAGE);
  ASSERT_TRUE(WaitUntil([&] { return !opened.Opened().empty(); }, 5000));
  EXPECT_EQ(lstrcmpiA(opened.Opened()[0].c_str(), app.File("result.html").c_str()), 0)
      << opened.Opened()[0];
  EXPECT_TRUE(app.Quit());
}
