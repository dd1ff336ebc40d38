// The log tab's behaviour with a Palm Desktop sandbox, recording fakes for the
// controls and the real files: the user box, the month tree, "result.html",
// the browser's address and the log file button.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "halvern/LogTool.h"
#include "logs/HealthPage.h"
#include "logs/LogPages.h"
#include "support/PalmSandbox.h"
#include "support/TempDir.h"
#include "unit/shell/FakePorts.h"

using tdxtest::PalmSandbox;

namespace {

struct FakeUserBox : IHVUserBox {
  std::vector<std::pair<std::string, PalmUser*>> entries;
  int sel = -1;
  void Reset() override {
    entries.clear();
    sel = -1;
  }
  void Add(const char* szName, PalmUser* p) override { entries.emplace_back(szName, p); }
  void Select(int i) override {
    if (i >= 0 && i < static_cast<int>(entries.size())) sel = i;
  }
  PalmUser* Selected() override { return sel < 0 ? nullptr : entries[sel].second; }
};

struct FakeTree : IHVTree {
  struct N {
    N* parent;
    std::string text;
    SyncOperation* op;
    bool expanded = false;
  };
  std::vector<std::unique_ptr<N>> nodes;
  N* sel = nullptr;
  int suspended = 0;

  void SuspendRedraw(bool b) override { suspended += b ? 1 : -1; }
  void Clear() override {
    nodes.clear();
    sel = nullptr;
  }
  Node Add(Node parent, const char* text, SyncOperation* op) override {
    nodes.push_back(std::make_unique<N>(N{static_cast<N*>(parent), text, op}));
    return nodes.back().get();
  }
  void Select(Node n) override { sel = static_cast<N*>(n); }
  void Expand(Node n) override { static_cast<N*>(n)->expanded = true; }
  bool Selection(int& level, std::string& text, SyncOperation*& op) override {
    if (!sel) return false;
    level = 0;
    for (N* p = sel->parent; p; p = p->parent) ++level;
    text = sel->text;
    op = sel->op;
    return true;
  }
  static int Level(const N* n) {
    int l = 0;
    for (N* p = n->parent; p; p = p->parent) ++l;
    return l;
  }
  // "level:text" in insertion order, which is depth first here.
  std::vector<std::string> Texts() const {
    std::vector<std::string> v;
    for (const auto& n : nodes) v.push_back(std::to_string(Level(n.get())) + ":" + n->text);
    return v;
  }
  N* Nth(int level, int n) {
    for (const auto& p : nodes)
      if (Level(p.get()) == level && n-- == 0) return p.get();
    return nullptr;
  }
};

struct FakeBrowser : IBrowser {
  std::vector<std::string> visited;
  void Navigate(const char* szUrl) override { visited.push_back(szUrl); }
};

const char kAnnLog[] =
    "HotSync operation started 05/02/03 09:00:00\r\nOK Date Book\r\n"
    "HotSync operation complete 05/02/03 09:01:00\r\n"
    "HotSync operation started 05/20/03 18:30:05\r\n-- Mail\r\nMail failed\r\n"
    "HotSync operation complete 05/20/03 18:31:00\r\n"
    "HotSync operation started 06/01/03 08:00:00\r\n"
    "HotSync operation complete 06/01/03 08:00:40\r\n"
    "HotSync operation started 2003-05-31 23:00:00\r\n"
    "   -- Backing up db Memo to file %BACKUP%\r\n"
    "   -- Backing up db Gone to file C:\\nowhere\\Gone.PDB\r\n"
    "HotSync operation complete 2003-06-01 00:10:00\r\n";

class LogToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(box.Isolated());
    box.AddUser(1001, "Ann Smith", "AnnS");
    box.AddUser(1002, "Bob Jones", "BobJ");
    std::string log = kAnnLog;
    backup = box.File("AnnS\\Backup\\Memo Database.PDB");
    log.replace(log.find("%BACKUP%"), 8, backup);
    box.WriteUserFile("AnnS", "HotSync.Log", log);
    CreateDirectoryA(box.File("AnnS\\Backup").c_str(), nullptr);
    tdxtest::WriteText(backup, "backup");
    CreateDirectoryA(box.File("BobJ").c_str(), nullptr);
    StartPalmLayer();
    moduleDir = progDir.path().string() + "\\";
  }
  void TearDown() override { StopPalmLayer(); }

  HVTool& Tool() {
    if (!tool)
      tool = std::make_unique<HVTool>(users, tree, prompt, shell, browser, settings,
                                      moduleDir.c_str());
    return *tool;
  }
  std::string Result() const {
    auto v = tdxtest::ReadBytes(moduleDir + "result.html");
    return std::string(v.begin(), v.end());
  }
  std::string Page(int level, const char* text, SyncOperation* op) {
    std::string p;
    CxListOf<SyncOperation>& ops = tool->Reader()->Operations();
    if (level == 0) HVWriteRootPage(p, "Ann Smith", ops);
    if (level == 1) HVWriteMonthPage(p, "Ann Smith", text, ops);
    if (level == 2) {
      HVWriteOperationPage(p, "Ann Smith", *op, [](const char* s, std::string& out) {
        char sz[MAX_PATH];
        const DWORD n = GetShortPathNameA(s, sz, MAX_PATH);
        if (!n || n >= MAX_PATH) return false;
        out = sz;
        return true;
      });
    }
    return p;
  }

  PalmSandbox box;
  tdxtest::TempDir progDir{"hvprog"};
  std::string moduleDir, backup;
  FakeUserBox users;
  FakeTree tree;
  FakePrompt prompt;
  FakeShell shell;
  FakeBrowser browser;
  TdxSettings settings;
  std::unique_ptr<HVTool> tool;
};

}  // namespace

TEST_F(LogToolTest, SetUpPreselectsTheSavedUserOrElseTheFirst) {
  settings.dwLastUserID = 1002;
  Tool().SetUpLogTab();
  ASSERT_EQ(users.entries.size(), 2u);
  EXPECT_EQ(users.entries[0].first, "Ann Smith");
  EXPECT_EQ(users.sel, 1);
  EXPECT_EQ(tree.Texts(), std::vector<std::string>{"0:All HotSync Log"});
  EXPECT_NE(Result().find("There is no HotSync information recorded for user Bob Jones."),
            std::string::npos);
  EXPECT_EQ(browser.visited, (std::vector<std::string>{"about:blank", moduleDir + "result.html"}));
  EXPECT_EQ(Tool().LastAddress(), moduleDir + "result.html");

  // A saved id no user has: the first user, who becomes the saved one.
  tool.reset();
  settings.dwLastUserID = 999;
  Tool().SetUpLogTab();
  EXPECT_EQ(users.sel, 0);
  EXPECT_EQ(settings.dwLastUserID, 1001u);
  EXPECT_EQ(Tool().Reader()->GetCount(), 4u);
}

TEST_F(LogToolTest, TreeFilesOperationsByMonthRunsAndShowsTheRootPage) {
  Tool().SetUpLogTab();
  EXPECT_EQ(tree.Texts(),
            (std::vector<std::string>{"0:All HotSync Log", "1:05/2003", "2:05/02/2003 09:00:00",
                                      "2:05/20/2003 18:30:05", "1:06/2003", "2:06/01/2003 08:00:00",
                                      "1:05/2003", "2:05/31/2003 23:00:00"}));
  for (const auto& n : tree.nodes)
    EXPECT_EQ(n->expanded, FakeTree::Level(n.get()) < 2) << n->text;
  EXPECT_EQ(tree.sel, tree.nodes[0].get());
  EXPECT_EQ(tree.suspended, 0);
  EXPECT_EQ(Result(), Page(0, nullptr, nullptr));
}

TEST_F(LogToolTest, EachSelectionRewritesTheResultPageAndNavigates) {
  Tool().SetUpLogTab();
  const std::string path = moduleDir + "result.html";
  browser.visited.clear();

  tree.Select(tree.Nth(1, 2));  // the second 05/2003 node
  Tool().tvLogChange();
  const std::string may = Result();
  EXPECT_EQ(may, Page(1, "05/2003", nullptr));
  EXPECT_NE(may.find("Total HotSync times : 3<"), std::string::npos);  // both May runs
  EXPECT_NE(may.find("<td>1 synchronzation(s) failed.</td>"), std::string::npos);

  FakeTree::N* op = tree.Nth(2, 3);  // 05/31/2003 with its two backups
  tree.Select(op);
  Tool().tvLogChange();
  const std::string page = Result();
  EXPECT_EQ(page, Page(2, nullptr, op->op));
  char szShort[MAX_PATH];
  ASSERT_NE(GetShortPathNameA(backup.c_str(), szShort, MAX_PATH), 0u);
  EXPECT_NE(page.find(std::string("<a href=") + szShort + " target=_blank>" + backup + "</a>"),
            std::string::npos)
      << page;
  EXPECT_NE(page.find("<a href=\"C:\\nowhere\\Gone.PDB\" target=_blank>"), std::string::npos);

  EXPECT_EQ(browser.visited, (std::vector<std::string>{path, path}));
  EXPECT_EQ(Tool().LastAddress(), path);
  // No stray temporary files beside the page.
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((moduleDir + "*").c_str(), &fd);
  std::vector<std::string> files;
  if (h != INVALID_HANDLE_VALUE) {
    do {
      if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) files.push_back(fd.cFileName);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
  }
  EXPECT_EQ(files, std::vector<std::string>{"result.html"});
}

TEST_F(LogToolTest, ChoosingAUserReadsTheLogsAfreshAndSelectsTheRoot) {
  Tool().SetUpLogTab();
  tree.Select(tree.Nth(2, 0));
  Tool().tvLogChange();
  // A HotSync made meanwhile shows once the user is chosen again.
  box.WriteUserFile("BobJ", "HotSyncLog.htm",
                    "<p>HotSync operation started 07/04/03 12:00:00</p>\n"
                    "<p>HotSync operation complete 07/04/03 12:00:09</p>\n");
  users.Select(1);
  Tool().cbHVUserChange();
  EXPECT_EQ(settings.dwLastUserID, 1002u);
  EXPECT_EQ(tree.Texts(), (std::vector<std::string>{"0:All HotSync Log", "1:07/2003",
                                                    "2:07/04/2003 12:00:00"}));
  EXPECT_EQ(tree.sel, tree.nodes[0].get());
  EXPECT_NE(Result().find("HotSync Information for Bob Jones:"), std::string::npos);
  EXPECT_NE(Result().find("<td>07/2003</td>\r\n<td>1</td></tr>"), std::string::npos);
}

TEST_F(LogToolTest, OpenLogFilePrefersTheHtmlLogAndSaysWhenThereIsNone) {
  Tool().SetUpLogTab();
  Tool().btnOpenLogClick();
  box.WriteUserFile("AnnS", "HotSyncLog.htm", "<html></html>");
  Tool().btnOpenLogClick();
  EXPECT_EQ(shell.opened, (std::vector<std::string>{box.Dir() + "\\AnnS\\HotSync.Log",
                                                    box.Dir() + "\\AnnS\\HotSyncLog.htm"}));
  EXPECT_TRUE(prompt.shown.empty());

  users.Select(1);
  Tool().cbHVUserChange();
  Tool().btnOpenLogClick();
  ASSERT_EQ(prompt.shown.size(), 1u);
  EXPECT_EQ(prompt.shown[0].kind, "info");
  EXPECT_EQ(prompt.shown[0].text, "Can not find the HotSync Log file.");
  EXPECT_EQ(prompt.shown[0].caption, "Information");
  EXPECT_EQ(shell.opened.size(), 2u);
}

TEST_F(LogToolTest, APageThatCannotBeWrittenLeavesTheBrowserAsItWas) {
  moduleDir = progDir.path().string() + "\\missing\\";
  Tool().SetUpLogTab();
  EXPECT_EQ(tree.nodes.size(), 8u);
  EXPECT_EQ(browser.visited, std::vector<std::string>{"about:blank"});
  EXPECT_EQ(Tool().LastAddress(), "about:blank");
  Tool().btnOpenPageClick();
  EXPECT_TRUE(shell.opened.empty()) << "no page to hand on";
}

TEST_F(LogToolTest, OpenInBrowserHandsThePageShownToTheShell) {
  Tool().btnOpenPageClick();
  EXPECT_TRUE(shell.opened.empty()) << "nothing before set-up";
  Tool().SetUpLogTab();
  tree.Select(tree.Nth(1, 1));
  Tool().tvLogChange();
  Tool().btnOpenPageClick();
  EXPECT_EQ(shell.opened, std::vector<std::string>{moduleDir + "result.html"});
  EXPECT_EQ(Result(), Page(1, "06/2003", nullptr)) << "the page of the node chosen";
}

TEST_F(LogToolTest, WithoutTheDesktopDirectoryNoLogsAreRead) {
  Tool().SetUpLogTab();
  ASSERT_EQ(Tool().Reader()->GetCount(), 4u);
  // The users stay known, but the logs' directory can no longer be found:
  // nothing is read from paths that would start at the drive's root.
  box.ClearDesktopPath();
  Tool().cbHVUserChange();
  EXPECT_EQ(Tool().Reader()->GetCount(), 0u);
  EXPECT_EQ(tree.Texts(), std::vector<std::string>{"0:All HotSync Log"});
  EXPECT_NE(Result().find("There is no HotSync information recorded for user Ann Smith."),
            std::string::npos);
  Tool().btnOpenLogClick();
  ASSERT_EQ(prompt.shown.size(), 1u);
  EXPECT_EQ(prompt.shown[0].text, "Can not find the HotSync Log file.");
  EXPECT_TRUE(shell.opened.empty());
}

TEST_F(LogToolTest, APageHeldOpenByAReaderIsStillReplaced) {
  Tool().SetUpLogTab();
  // As a viewer would: open for reading, sharing reads and writes only.
  HANDLE h = CreateFileA((moduleDir + "result.html").c_str(), GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  tree.Select(tree.Nth(1, 1));
  Tool().tvLogChange();
  CloseHandle(h);
  EXPECT_EQ(Result(), Page(1, "06/2003", nullptr));
  EXPECT_EQ(browser.visited.size(), 3u);
}

TEST_F(LogToolTest, AfterShutDownNothingReadsTheOperations) {
  Tool().SetUpLogTab();
  Tool().ShutDownLogTab();
  EXPECT_EQ(Tool().Reader(), nullptr);
  browser.visited.clear();
  tree.Select(tree.Nth(2, 0));  // the node still points at a discarded operation
  Tool().tvLogChange();
  Tool().cbHVUserChange();
  EXPECT_TRUE(browser.visited.empty());
  EXPECT_EQ(settings.dwLastUserID, 1001u);
}

// The chosen user's health page, matched against the registrations the tool
// is given, in place of the page shown; the tree keeps its selection.
TEST_F(LogToolTest, ConduitHealthShowsTheChosenUsersHealthPage) {
  const std::vector<HVRegistered> reg = {{"date", "Date Book", ""}, {"mail", "Mail Pro", "Mail"},
                                         {"Clip", "Clippings", ""}};
  tool = std::make_unique<HVTool>(users, tree, prompt, shell, browser, settings, moduleDir.c_str(),
                                  [&](std::vector<HVRegistered>& out) {
                                    out = reg;
                                    return true;
                                  });
  tool->SetUpLogTab();
  tree.Select(tree.Nth(1, 1));
  tool->tvLogChange();
  browser.visited.clear();
  tool->btnHVHealthClick();
  EXPECT_EQ(browser.visited, std::vector<std::string>{moduleDir + "result.html"});
  EXPECT_EQ(tree.sel, tree.Nth(1, 1));

  CLogReader r;
  r.KeepUnfinished(true);
  r.LoadUserLogs(box.Dir().c_str(), "AnnS");
  std::string want;
  HVWriteHealthPage(want, "Ann Smith", HVBuildHealth(r.Operations(), &reg));
  EXPECT_EQ(Result(), want);
  EXPECT_NE(want.find("<b>Mail Pro</b> (mail)<br><font color=#808080>in the logs: Mail</font>"),
            std::string::npos);
  EXPECT_NE(want.find("<b>Clippings</b> (Clip)"), std::string::npos);

  // Registrations not known: the page says nothing of them; a user without logs.
  tool = std::make_unique<HVTool>(users, tree, prompt, shell, browser, settings, moduleDir.c_str(),
                                  [](std::vector<HVRegistered>&) { return false; });
  tool->SetUpLogTab();
  users.Select(1);
  tool->btnHVHealthClick();
  EXPECT_NE(Result().find("Conduit Health for Bob Jones:"), std::string::npos);
  EXPECT_NE(Result().find("There is no HotSync information recorded for user Bob Jones."),
            std::string::npos);
  EXPECT_EQ(Result().find("Registered"), std::string::npos);
}

TEST(LogToolNoUsers, WithoutUsersNothingHappens) {
  PalmSandbox box;
  StartPalmLayer();
  FakeUserBox users;
  FakeTree tree;
  FakePrompt prompt;
  FakeShell shell;
  FakeBrowser browser;
  TdxSettings settings;
  tdxtest::TempDir dir("hvnone");
  const std::string moduleDir = dir.path().string() + "\\";
  {
    HVTool tool(users, tree, prompt, shell, browser, settings, moduleDir.c_str());
    tool.SetUpLogTab();
    tool.btnOpenLogClick();
    tool.btnHVHealthClick();
    tool.tvLogChange();
    EXPECT_TRUE(users.entries.empty());
    EXPECT_TRUE(tree.nodes.empty());
    EXPECT_TRUE(prompt.shown.empty());
    EXPECT_EQ(browser.visited, std::vector<std::string>{"about:blank"});
  }
  StopPalmLayer();
}
