// Scenarios of the conduit tab on a small seeded Palm Desktop: installing a
// sample conduit through the open-file and properties dialogs, uninstalling
// and restoring across runs, refusing a library that is no conduit, a system
// conduit's properties and the history page.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <fstream>
#include <sstream>

#include "UiDriver.h"
#include "res/resource.h"
#include "support/Processes.h"

using namespace ui;

namespace {

class OrvelloUi : public ::testing::Test {
 protected:
  App app;
  HWND page = nullptr;
  const char* m_szSeed = "tests/ui/orvello.seed";
  size_t m_nRows = 3;  // rows of the application list once started

  void SetUp() override {
    ASSERT_TRUE(app.SeedDesktop(SourcePath(m_szSeed)));
    StartApp();
  }
  void StartApp() {
    ASSERT_TRUE(app.Start());
    ASSERT_NE(app.WaitMain(), nullptr);
    page = app.Page("TtOrvello");
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return IsShown(page) && ListRows(AppList(), 1).size() >= m_nRows; }));
  }
  HWND Ctl(int id) const { return GetDlgItem(page, id); }
  HWND AppList() const { return Ctl(IDC_LVOVAPP); }
  HWND SysList() const { return Ctl(IDC_LVOVSYS); }
  std::string Palm(const std::string& rel) const { return app.Dir() + "Palm\\" + rel; }

  // Waits for a message box, checks its caption and text and answers it.
  void ExpectBox(const std::string& caption, const std::string& text, int answer) {
    MessageBoxInfo box;
    ASSERT_TRUE(WaitUntil([&] { return (box = FindMessageBox(app.Pid())).hWnd != nullptr; }))
        << "no box saying: " << text;
    EXPECT_EQ(box.caption, caption);
    EXPECT_EQ(box.text, text);
    Answer(box, answer);
    WaitUntil([&] { return !IsWindow(box.hWnd); }, 3000);
  }
  HWND WaitWindow(const char* cls, const std::string& caption = "") {
    HWND h = nullptr;
    WaitUntil([&] {
      for (HWND w : TopWindows(app.Pid(), cls, caption))
        if (IsWindowVisible(w)) h = w;
      return h != nullptr;
    });
    return h;
  }
  // Picks a file in the open-file dialog of the Install button.
  void PickFile(const std::string& path) {
    ClickButton(page, IDC_BTNOVINST);
    HWND dlg = WaitWindow("#32770", "Install New Palm Conduit");
    ASSERT_NE(dlg, nullptr);
    HWND hName = GetDlgItem(dlg, 0x47c);  // the file name box
    if (!hName) hName = GetDlgItem(dlg, 0x480);
    ASSERT_NE(hName, nullptr);
    SendMessageA(hName, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    ClickButton(dlg, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dlg); }));
  }
  // Installs a library through the open-file and properties dialogs with
  // this creator ID and presses OK; gives the title the dialog showed.
  std::string InstallAs(const std::string& path, const char* szCreator) {
    PickFile(path);
    HWND dlg = WaitWindow("TfmOVCondProp", "Palm Conduit Properties");
    EXPECT_NE(dlg, nullptr);
    if (!dlg) return "";
    const std::string title = WindowText(GetDlgItem(dlg, IDC_PROPTITLE));
    SendMessageA(GetDlgItem(dlg, IDC_EDTCREATORID), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(szCreator));
    ClickButton(dlg, IDOK);
    return title;
  }
  std::vector<std::string> StoreCreators() const {
    std::vector<std::string> out;
    std::ifstream f(app.File("OVRes.dat"), std::ios::binary);
    char rec[540];
    while (f.read(rec, sizeof rec)) out.push_back(std::string(rec + 4, strnlen(rec + 4, 5)));
    return out;
  }
};

}  // namespace

TEST_F(OrvelloUi, InstallASampleConduitEndToEnd) {
  PickFile(Palm("Sample.dll"));
  HWND dlg = WaitWindow("TfmOVCondProp", "Palm Conduit Properties");
  ASSERT_NE(dlg, nullptr);
  EXPECT_EQ(WindowText(GetDlgItem(dlg, IDC_PROPTITLE)), "Sample Named Conduit");
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, IDC_EDTCREATORID)));
  HWND hCreator = GetDlgItem(dlg, IDC_EDTCREATORID);
  SendMessageA(hCreator, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("PAdd"));
  // Into the field, then on to the next one, as the Tab key does.
  PostMessageA(dlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(hCreator), TRUE);
  PostMessageA(dlg, WM_NEXTDLGCTL, 0, FALSE);
  ASSERT_TRUE(WaitUntil([&] { return ControlText(GetDlgItem(dlg, IDC_EDTFILE)) == "address.dat"; }));
  EXPECT_EQ(ControlText(GetDlgItem(dlg, IDC_EDTDIRECTORY)), "address");
  ClickButton(dlg, IDOK);
  ExpectBox("Success", "Conduit \"Sample Named Conduit\" installed successfully.", IDOK);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dlg); }));

  const int nNew = ListFind(AppList(), "Sample Named Conduit");
  ASSERT_GE(nNew, 0);
  EXPECT_EQ(ListRows(AppList(), 3)[nNew][1], "PAdd");

  // The click is posted: the refresh is done once it has moved the selection
  // to the first row.
  ListSelect(AppList(), nNew);
  ClickButton(page, IDC_BTNOVREFRESH);
  ASSERT_TRUE(WaitUntil([&] { return ListSelected(AppList()) == 0; }));
  const int nRow = ListFind(AppList(), "Sample Named Conduit");
  ASSERT_GT(nRow, 0);
  ListSelect(AppList(), nRow);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(Ctl(IDC_BTNOVUNINST)) != FALSE; }));
  ClickButton(page, IDC_BTNOVUNINST);
  ExpectBox("Confirm", "Do you really want to uninstall conduit \"" + Palm("Sample.dll") + "\"?",
            IDNO);
  EXPECT_TRUE(app.Quit());
}

TEST_F(OrvelloUi, UninstalledConduitIsRestorableInTheNextRun) {
  const int nRow = ListFind(AppList(), "Expense");
  ASSERT_GE(nRow, 0);
  ListSelect(AppList(), nRow);
  ClickButton(page, IDC_BTNOVUNINST);
  ExpectBox("Confirm", "Do you really want to uninstall conduit \"ExpnCond.dll\"?", IDYES);
  ExpectBox("Information", "Conduit \"ExpnCond.dll\" uninstalled successfully.", IDOK);
  EXPECT_EQ(ListImages(AppList())[nRow], 1);
  EXPECT_TRUE(IsWindowEnabled(Ctl(IDC_BTNOVRESTORE)));
  EXPECT_FALSE(IsWindowEnabled(Ctl(IDC_BTNOVUNINST)));
  EXPECT_EQ(StoreCreators(), std::vector<std::string>{"Expn"});
  ASSERT_TRUE(app.Quit());

  StartApp();
  int nAgain = -1;
  ASSERT_TRUE(WaitUntil([&] { return (nAgain = ListFind(AppList(), "Expense")) >= 0; }));
  EXPECT_EQ(ListImages(AppList())[nAgain], 1);
  ListSelect(AppList(), nAgain);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(Ctl(IDC_BTNOVRESTORE)) != FALSE; }));
  ClickButton(page, IDC_BTNOVRESTORE);
  ExpectBox("Confirm", "Do you really want to restore conduit \"Expense\"?", IDYES);
  ExpectBox("Information", "Conduit \"Expense\" restored successfully.", IDOK);
  EXPECT_EQ(ListImages(AppList())[nAgain], 0);
  EXPECT_TRUE(StoreCreators().empty());
  EXPECT_TRUE(app.Quit());
}

TEST_F(OrvelloUi, ALibraryWithoutOpenConduitIsRefused) {
  PickFile(Palm("NoOpen.dll"));
  ExpectBox("Error", "This is not a valid Palm Conduit, please try another one", IDOK);
  EXPECT_TRUE(TopWindows(app.Pid(), "TfmOVCondProp").empty());
  EXPECT_TRUE(app.Quit());
}

TEST_F(OrvelloUi, SystemConduitPropertiesShowTheCreatorNumberAndChangeNothing) {
  const auto before = ListRows(SysList(), 3);
  ASSERT_EQ(before.size(), 2u);
  ListSelect(SysList(), 1);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(Ctl(IDC_BTNOVSYSPROP)) != FALSE; }));
  ClickButton(page, IDC_BTNOVSYSPROP);
  HWND dlg = WaitWindow("TfmOVCondProp");
  ASSERT_NE(dlg, nullptr);
  EXPECT_EQ(ControlText(GetDlgItem(dlg, IDC_EDTCREATORID)), "0xffffffff");
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, IDC_EDTCREATORID)));
  SendMessageA(GetDlgItem(dlg, IDC_EDTDIRECTORY), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("x"));
  ClickButton(dlg, IDOK);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dlg); }));
  EXPECT_FALSE(FindMessageBox(app.Pid()).hWnd);
  EXPECT_EQ(ListRows(SysList(), 3), before);
  EXPECT_TRUE(app.Quit());
}

TEST_F(OrvelloUi, LogWritesTheHistoryPageAndOpensIt) {
  OpenRecorder opened(".html", app.Dir() + "opened.txt");
  ClickButton(page, IDC_BTNOVLOG);
  ExpectBox("Error", "No conduit log data found.", IDOK);

  ListSelect(AppList(), ListFind(AppList(), "Note Pad"));
  ClickButton(page, IDC_BTNOVUNINST);
  ExpectBox("Confirm", "Do you really want to uninstall conduit \"NotePadCond.dll\"?", IDYES);
  ExpectBox("Information", "Conduit \"NotePadCond.dll\" uninstalled successfully.", IDOK);
  ClickButton(page, IDC_BTNOVLOG);
  ASSERT_TRUE(WaitUntil([&] { return !opened.Opened().empty(); }));
  EXPECT_EQ(lstrcmpiA(opened.Opened()[0].c_str(), app.File("ovlog.html").c_str()), 0)
      << opened.Opened()[0];
  std::ifstream f(app.File("ovlog.html"), std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  EXPECT_NE(ss.str().find("<td>Note Pad</td>"), std::string::npos);
  EXPECT_NE(ss.str().find("Uninstalled Successfully"), std::string::npos);
  EXPECT_TRUE(app.Quit());
}

TEST_F(OrvelloUi, BackupUninstallRestoreAndTheSetInTheNextRun) {
  ClickButton(page, IDC_BTNOVBACKUP);
  HWND dlg = WaitWindow("TfmOVBackup", "Backup Conduit Settings");
  ASSERT_NE(dlg, nullptr);
  EXPECT_EQ(ControlText(GetDlgItem(dlg, IDC_EDTNEWFILE)), "ovset1.bak");
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, IDC_RBTNEXIST)));
  SendMessageA(GetDlgItem(dlg, IDC_EDTDESC), WM_SETTEXT, 0,
               reinterpret_cast<LPARAM>("before the upgrade"));
  ClickButton(dlg, IDOK);
  ExpectBox("Information", "Conduit settings backup successfully to \"ovset1.bak\".", IDOK);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dlg); }));

  const char* const kGone[][2] = {{"Address Book", "AddrCond.dll"}, {"Expense", "ExpnCond.dll"}};
  for (const auto& c : kGone) {
    ListSelect(AppList(), ListFind(AppList(), c[0]));
    ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(Ctl(IDC_BTNOVUNINST)) != FALSE; }));
    ClickButton(page, IDC_BTNOVUNINST);
    ExpectBox("Confirm", std::string("Do you really want to uninstall conduit \"") + c[1] + "\"?",
              IDYES);
    ExpectBox("Information", std::string("Conduit \"") + c[1] + "\" uninstalled successfully.",
              IDOK);
  }
  ASSERT_EQ(StoreCreators().size(), 2u);

  ClickButton(page, IDC_BTNOVREST);
  HWND rdlg = WaitWindow("TfmOVRestore", "Restore Conduit Settings");
  ASSERT_NE(rdlg, nullptr);
  ClickButton(rdlg, IDOK);  // nothing chosen yet
  ExpectBox("Error", "No backup file is selected.", IDOK);
  EXPECT_TRUE(IsWindowVisible(rdlg)) << "the dialog stays open";
  ListSelect(GetDlgItem(rdlg, IDC_LVFILE), 0);
  ClickButton(rdlg, IDOK);
  ExpectBox("Information", "Conduit settings restored successfully.", IDOK);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(rdlg); }));
  for (const char* title : {"Address Book", "Expense"})
    EXPECT_EQ(ListImages(AppList())[ListFind(AppList(), title)], 0) << title;

  // As they were saved: read back from the Conduit Manager after a refresh.
  // The click is posted: the refresh is done once it has moved the selection
  // to the first row.
  ListSelect(AppList(), ListFind(AppList(), "Expense"));
  ASSERT_NE(ListSelected(AppList()), 0);
  ClickButton(page, IDC_BTNOVREFRESH);
  ASSERT_TRUE(WaitUntil([&] { return ListSelected(AppList()) == 0; }));
  ListSelect(AppList(), ListFind(AppList(), "Expense"));
  ClickButton(page, IDC_BTNOVAPPPROP);
  HWND prop = WaitWindow("TfmOVCondProp");
  ASSERT_NE(prop, nullptr);
  EXPECT_EQ(ControlText(GetDlgItem(prop, IDC_EDTDIRECTORY)), "expense");
  EXPECT_EQ(ControlText(GetDlgItem(prop, IDC_EDTFILE)), "expense.txt");
  EXPECT_EQ(ControlText(GetDlgItem(prop, IDC_EDTPRIORITY)), "4");
  ClickButton(prop, IDCANCEL);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(prop); }));
  ASSERT_TRUE(app.Quit());

  StartApp();
  ClickButton(page, IDC_BTNOVBACKUP);
  dlg = WaitWindow("TfmOVBackup");
  ASSERT_NE(dlg, nullptr);
  EXPECT_EQ(ControlText(GetDlgItem(dlg, IDC_EDTNEWFILE)), "ovset2.bak");
  const auto rows = ListRows(GetDlgItem(dlg, IDC_LVFILE), 3);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0], "ovset1.bak");
  EXPECT_EQ(rows[0][1].size(), 19u) << rows[0][1];  // mm-dd-yyyy hh:mm:ss
  EXPECT_EQ(rows[0][2], "before the upgrade");
  // Overwriting an existing set needs one chosen.
  PostMessageA(GetDlgItem(dlg, IDC_RBTNEXIST), BM_CLICK, 0, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowEnabled(GetDlgItem(dlg, IDC_EDTNEWFILE)); }));
  ClickButton(dlg, IDOK);
  ExpectBox("Error", "No backup file is selected.", IDOK);
  EXPECT_TRUE(IsWindowVisible(dlg));
  ClickButton(dlg, IDCANCEL);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dlg); }));
  EXPECT_TRUE(app.Quit());
}

TEST_F(OrvelloUi, ReportWritesTheConduitReportAndOpensIt) {
  OpenRecorder opened(".html", app.Dir() + "opened.txt");
  ClickButton(page, IDC_BTNOVREPORT);
  ASSERT_TRUE(WaitUntil([&] { return !opened.Opened().empty(); }));
  EXPECT_EQ(lstrcmpiA(opened.Opened()[0].c_str(), app.File("condrpt.html").c_str()), 0);
  std::ifstream f(app.File("condrpt.html"), std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  const std::string page = ss.str();
  const size_t nApp = page.find("Creator ID</font>: addr<br>");
  const size_t nSys = page.find("Creator ID</font>: 0xffffffff<br>");
  ASSERT_NE(nApp, std::string::npos);
  ASSERT_NE(nSys, std::string::npos);
  EXPECT_LT(nApp, nSys);
  EXPECT_NE(page.find("File Version</font>: 2.1.0.0007</td>"), std::string::npos);
  EXPECT_TRUE(app.Quit());
}

// A conduit installed in this run, then displaced by another one with its
// creator ID, is restorable at once: its row turns restorable, the store keeps
// it, and restoring it displaces the other one in turn.
TEST_F(OrvelloUi, AConduitDisplacedInTheSameRunCanBeRestored) {
  const std::string first = InstallAs(Palm("Sample.dll"), "PAdd");
  ExpectBox("Success", "Conduit \"" + first + "\" installed successfully.", IDOK);
  const std::string second = InstallAs(Palm("InstCond.dll"), "PAdd");
  ExpectBox("Uninstall conduit",
            "There is another conduit \"" + first + "\" was associated with creator ID \"PAdd\", it "
            "must be uninstalled before you install this conduit. Do you want to uninstall it?",
            IDYES);
  ExpectBox("Success", "Conduit \"" + second + "\" installed successfully.", IDOK);
  const int nFirst = ListFind(AppList(), first);
  ASSERT_GE(nFirst, 0);
  EXPECT_EQ(ListImages(AppList())[nFirst], 1);
  EXPECT_EQ(StoreCreators(), std::vector<std::string>{"PAdd"});

  ListSelect(AppList(), nFirst);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(Ctl(IDC_BTNOVRESTORE)) != FALSE; }));
  ClickButton(page, IDC_BTNOVRESTORE);
  ExpectBox("Confirm", "Do you really want to restore conduit \"" + first + "\"?", IDYES);
  ExpectBox("Uninstall conduit",
            "There is another conduit \"" + second + "\" was associated with creator ID \"PAdd\", it "
            "must be uninstalled before you install this conduit. Do you want to uninstall it?",
            IDYES);
  ExpectBox("Information", "Conduit \"" + first + "\" restored successfully.", IDOK);
  EXPECT_EQ(ListImages(AppList())[nFirst], 0);
  const int nSecond = ListFind(AppList(), second);
  ASSERT_GE(nSecond, 0);
  EXPECT_EQ(ListImages(AppList())[nSecond], 1);
  EXPECT_EQ(StoreCreators(), std::vector<std::string>{"PAdd"});
  EXPECT_TRUE(app.Quit());
}

namespace {
class OrvelloMissingUi : public OrvelloUi {
 protected:
  void SetUp() override {
    m_szSeed = "tests/ui/orvello_missing.seed";
    m_nRows = 1;
    OrvelloUi::SetUp();
  }
};
}  // namespace

// Installing a listed conduit whose library was missing restores it; its row
// is then an installed conduit's: Properties edits it, and OK says nothing.
TEST_F(OrvelloMissingUi, InstallOverAMissingConduitLeavesAnInstalledRow) {
  ASSERT_EQ(ListImages(AppList())[0], 2);
  ASSERT_TRUE(CopyFileA(Palm("Spare.dll").c_str(), Palm("NotePadCond.dll").c_str(), FALSE));
  InstallAs(Palm("NotePadCond.dll"), "NtPd");
  ASSERT_TRUE(WaitUntil([&] { return TopWindows(app.Pid(), "TfmOVCondProp").empty(); }));
  EXPECT_FALSE(FindMessageBox(app.Pid()).hWnd);
  ASSERT_TRUE(WaitUntil([&] {
    const auto images = ListImages(AppList());
    return !images.empty() && images[0] == 0;
  }));

  ListSelect(AppList(), 0);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(Ctl(IDC_BTNOVAPPPROP)) != FALSE; }));
  ClickButton(page, IDC_BTNOVAPPPROP);
  HWND dlg = WaitWindow("TfmOVCondProp", "Palm Conduit Properties");
  ASSERT_NE(dlg, nullptr);
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, IDC_EDTCREATORID)));
  ClickButton(dlg, IDOK);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dlg); }));
  EXPECT_FALSE(FindMessageBox(app.Pid()).hWnd);
  EXPECT_TRUE(app.Quit());
}

namespace {

size_t CountLines(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::string line;
  size_t n = 0;
  while (std::getline(f, line)) ++n;
  return n;
}

}  // namespace

// Libraries that crash, never answer, print a megabyte, forge answers for
// others or forge progress without end: the program starts, shows each in its
// state and the good ones as they are, uninstalls one, warns before restoring
// it, the next start asks only the silent one again, and no helper is left.
TEST(OrvelloFaultyUi, MisbehavingLibrariesAreShownUninstalledAndCached) {
  App app;
  ASSERT_TRUE(app.SeedDesktop(SourcePath("tests/ui/orvello_faulty.seed")));
  const std::string runs = app.File("probe-runs.txt");
  ASSERT_TRUE(SetEnvironmentVariableA("TDX_PROBE_RUNS", runs.c_str()));
  struct Unset {
    ~Unset() { SetEnvironmentVariableA("TDX_PROBE_RUNS", nullptr); }
  } unset;
  HWND page = nullptr;
  auto start = [&] {
    ASSERT_TRUE(app.Start());
    ASSERT_NE(app.WaitMain(30000), nullptr);
    page = app.Page("TtOrvello");
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return ListRows(GetDlgItem(page, IDC_LVOVAPP), 1).size() >= 6; }));
  };
  start();
  HWND list = GetDlgItem(page, IDC_LVOVAPP);
  const auto rows = ListRows(list, 3);
  const int nCrash = ListFind(list, "Crashing Conduit"), nSilent = ListFind(list, "Silent Conduit");
  ASSERT_GE(nCrash, 0);
  ASSERT_GE(nSilent, 0);
  EXPECT_EQ(rows[nCrash][2], "Crashes.dll ( library crashed ).");
  EXPECT_EQ(rows[nSilent][2], "Hangs.dll ( library does not answer ).");
  EXPECT_EQ(ListImages(list)[nCrash], 2);  // the missing-library picture
  EXPECT_EQ(ListImages(list)[nSilent], 2);
  EXPECT_EQ(ListImages(list)[ListFind(list, "Address Book")], 0);
  const int nChatty = ListFind(list, "Chatty Conduit");  // its own name, as it answered
  ASSERT_GE(nChatty, 0);
  EXPECT_EQ(rows[nChatty][2], "Chatty.dll");
  EXPECT_EQ(ListImages(list)[nChatty], 0);
  for (const char* forger : {"Forging Conduit", "Endless Conduit"}) {
    const int n = ListFind(list, forger);
    ASSERT_GE(n, 0) << forger;
    EXPECT_EQ(ListImages(list)[n], 2) << forger;
    EXPECT_NE(rows[n][2].find(" ( library "), std::string::npos) << rows[n][2];
  }
  const size_t nCold = CountLines(runs);
  EXPECT_GE(nCold, 2u);  // the crash needs a second run for the rest

  ListSelect(list, nCrash);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(GetDlgItem(page, IDC_BTNOVUNINST)) != FALSE; }));
  ClickButton(page, IDC_BTNOVUNINST);
  auto expectBox = [&](const std::string& text, int answer) {
    MessageBoxInfo box;
    ASSERT_TRUE(WaitUntil([&] { return (box = FindMessageBox(app.Pid())).hWnd != nullptr; })) << text;
    EXPECT_EQ(box.text, text);
    Answer(box, answer);
    WaitUntil([&] { return !IsWindow(box.hWnd); }, 3000);
  };
  expectBox("Do you really want to uninstall conduit \"Crashes.dll\"?", IDYES);
  expectBox("Conduit \"Crashes.dll\" uninstalled successfully.", IDOK);
  EXPECT_EQ(ListImages(list)[nCrash], 1);
  ASSERT_TRUE(app.Quit());

  EXPECT_EQ(tdxtest::ProcessesLeft(app.File("tdcprobe.exe")), 0u);

  start();
  list = GetDlgItem(page, IDC_LVOVAPP);
  EXPECT_EQ(CountLines(runs), nCold + 1);  // every answer but the silent one's from the cache
  int nAgain = -1;
  ASSERT_TRUE(WaitUntil([&] { return (nAgain = ListFind(list, "Crashing Conduit")) >= 0; }));
  EXPECT_EQ(ListImages(list)[nAgain], 1);
  EXPECT_EQ(ListRows(list, 3)[nAgain][2], "Crashes.dll ( library crashed ).");
  ListSelect(list, nAgain);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(GetDlgItem(page, IDC_BTNOVRESTORE)) != FALSE; }));
  ClickButton(page, IDC_BTNOVRESTORE);
  expectBox("The library of conduit \"Crashing Conduit\" crashed when it was asked for its name, "
            "and may make the HotSync fail. Do you really want to restore it?",
            IDNO);
  EXPECT_EQ(ListImages(list)[nAgain], 1);
  EXPECT_TRUE(app.Quit());
  EXPECT_EQ(tdxtest::ProcessesLeft(app.File("tdcprobe.exe")), 0u);
}
