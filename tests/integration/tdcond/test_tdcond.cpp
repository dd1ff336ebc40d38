// tdcond's commands in-process with the stand-in: each command's success and
// failure with its exit status and message, what they leave in the Conduit
// Manager and the program's files, list --json against the tab's lists, and
// report and history against the pages the tab's buttons write.
#include <algorithm>
#include <cstring>

#include "TdcTestUtil.h"
#include "orvello/OVPages.h"
#include "shell/Settings.h"

using namespace tdctest;

namespace {

std::string Slurp(const std::string& path) {
  const auto v = tdxtest::ReadBytes(path);
  return std::string(v.begin(), v.end());
}

size_t Lines(const std::string& s) {
  return static_cast<size_t>(std::count(s.begin(), s.end(), '\n'));
}

}  // namespace

TEST_F(TdcondTest, EveryCommandSucceedsAndFailsWithItsExitStatus) {
  const std::string plain = Sample("cond_plain.dll", "Plain.dll");
  const std::string other = Sample("cond_named.dll", "Other.dll");
  const std::string noopen = Sample("cond_noopen.dll", "NoOpen.dll");
  const std::string longDir(32, 'd');
  struct Step {
    std::vector<std::string> args;
    int rc;
    std::string says;  // on the standard output for 0, the error output otherwise
  };
  const Step steps[] = {
      {{"install", plain, "--creator", "Plan", "--directory", "pdir", "--priority", "3", "--title",
        "Plain Conduit"},
       0,
       "Conduit \"Plain Conduit\" installed successfully.\n"},
      {{"install", plain, "--creator", "Plan"},
       1,
       "tdcond: This conduit has been installed in the system.\n"},
      {{"install", other, "--creator", "Plan"},
       1,
       "tdcond: There is another conduit \"Plain Conduit\" was associated with creator ID "
       "\"Plan\""},
      {{"install", other, "--creator", "Plan", "--replace"},
       0,
       "Do you want to uninstall it? Yes (--replace).\nConduit \"Sample Named Conduit\" installed "
       "successfully.\n"},
      {{"install", noopen, "--creator", "NoOp"},
       1,
       std::string("tdcond: ") + kOVNotAConduit + "\n"},
      {{"install", sb.File("Missing.dll"), "--creator", "Miss"}, 1, "does not exist"},
      {{"install", plain, "--creator", "Pl"}, 2, "four printable characters"},
      {{"install", plain}, 2, "install needs --creator"},
      {{"install", plain, "--creator", "Plan", "--priority", "9"}, 2, "a number from 1 to 5"},
      {{"install", plain, "--creator", "Plan", "--directory", longDir}, 2, "at most 31"},
      {{"install", plain, "--creator"}, 2, "--creator needs a value"},
      {{"uninstall", "Plan"}, 0, "Conduit \"" + other + "\" uninstalled successfully.\n"},
      {{"uninstall", "Plan"}, 1, "(one is uninstalled already: tdcond restore Plan)"},
      {{"uninstall", "Pln"}, 2, "a creator ID has four characters"},
      {{"restore", "Plan"},
       1,
       "2 uninstalled conduits have the creator ID \"Plan\": give --library"},
      {{"restore", "Plan", "--library", plain},
       0,
       "Conduit \"Plain Conduit\" restored successfully.\n"},
      {{"restore", "Plan", "--library", other}, 1, "No: give --replace to answer Yes."},
      {{"restore", "Zzzz"}, 1, "no uninstalled conduit with the creator ID \"Zzzz\""},
      {{"backup", "ovset1.bak", "--desc", "First"},
       0,
       "Conduit settings backup successfully to \"ovset1.bak\".\n"},
      {{"backup", "ovset1.bak", "--desc", "Second"}, 0, "keeps its description \"First\""},
      {{"backup", "..\\up.bak"},
       2,
       "it leaves the Tandelix folder. Please use a file name inside the Tandelix folder."},
      {{"uninstall", "Plan"}, 0, "uninstalled successfully"},
      {{"restore-set", "ovset2.bak"},
       1,
       "\"ovset2.bak\" is not a known backup set (known: ovset1.bak)"},
      {{"restore-set", "ovset1.bak"}, 0, "Conduit settings restored successfully.\n"},
      {{"report"}, 0, ProgDir() + kOVReportPage + "\n"},
      {{"history"}, 0, ProgDir() + kOVHistoryPage + "\n"},
      {{"report", sb.File("no\\such\\dir\\r.html")}, 1, "cannot write"},
      {{}, 2, "no command given"},
      {{"frobnicate"}, 2, "unknown command \"frobnicate\""},
      {{"list", "extra"}, 2, "unexpected argument \"extra\""},
      {{"list", "--json", "--json"}, 2, "--json is given twice"},
      {{"doctor", "--yes"}, 2, "--yes and --keep go with --fix"},
      {{"--help"}, 0, "  doctor [--json]"},
      {{"restore-set", "--help"}, 0, "usage: tdcond restore-set NAME\n"},
  };
  int n = 0;
  for (const Step& s : steps) {
    SCOPED_TRACE("step " + std::to_string(++n) + ": " + (s.args.empty() ? "" : s.args[0]));
    const TdcResult r = Run(s.args);
    EXPECT_EQ(r.nExit, s.rc) << r.strOut << r.strErr;
    const std::string& said = s.rc == 0 ? r.strOut : r.strErr;
    EXPECT_NE(said.find(s.says), std::string::npos) << said;
    if (s.rc == 1) {
      EXPECT_EQ(Lines(r.strErr), 1u) << "one line saying what and why";
      EXPECT_EQ(r.strOut, "");
    }
    if (s.rc == 2) {
      EXPECT_NE(r.strErr.find("usage: tdcond"), std::string::npos);
      EXPECT_EQ(r.strOut, "");
    }
    if (s.rc == 0) {
      EXPECT_EQ(r.strErr, "");
    }
  }

  // What the commands left: the restored library holds the creator again,
  // with the settings it was installed with; the history has each change.
  ASSERT_EQ(CountCreator("Plan"), 1);
  EXPECT_EQ(AppValue(0, "Conduit"), plain);
  EXPECT_EQ(AppValue(0, "Directory"), "pdir");
  EXPECT_EQ(AppValue(0, "Priority"), "3");
  std::vector<int32_t> kinds;
  for (const OVLogEntry& e : History()) kinds.push_back(e.nKind);
  EXPECT_EQ(kinds, (std::vector<int32_t>{OVLOG_INSTALLED, OVLOG_UNINSTALLED, OVLOG_INSTALLED,
                                         OVLOG_UNINSTALLED, OVLOG_RESTORED, OVLOG_UNINSTALLED,
                                         OVLOG_INSTALLED}));
  const std::string ini = ProgDir() + kSettingsFile;
  char sz[64] = {};
  GetPrivateProfileStringA("OVFile", "OVSet1", "", sz, sizeof sz, ini.c_str());
  EXPECT_STREQ(sz, "ovset1.bak");
  GetPrivateProfileStringA("OVFile", "OVDesc1", "", sz, sizeof sz, ini.c_str());
  EXPECT_STREQ(sz, "First");
  EXPECT_EQ(GetPrivateProfileIntA("OVFile", "Count", 0, ini.c_str()), 1u);
}

TEST_F(TdcondTest, ListJsonHoldsWhatTheTabsListsHold) {
  Sample("cond_named.dll", "Named.dll");
  const std::string ver = Sample("cond_version.dll", "Ver.dll");
  const std::string plain = Sample("cond_plain.dll", "Plain.dll");
  Sample("cond_plain.dll", "Rest.dll");
  AddApp("addr", "Named.dll", "Address Book");
  AddApp("NtPd", "Gone.dll", "Note Pad", 7);
  tdxtest::AppConduitSpec quot;
  quot.creator = "Quot";
  quot.conduit = ver;
  quot.title = "Caf\xe9 \"quoted\" back\\slash\ttab";
  quot.directory = "quot";
  quot.priority = 4;
  sb.AddAppConduit(quot);
  AddApp("Rest", "Rest.dll", "Restorable");
  sb.AddInstallConduit("inst", plain, "Install Files");
  sb.SetBackupConduit("Missing.dll");
  ASSERT_EQ(Run({"uninstall", "Rest"}).nExit, TDC_EXIT_OK);

  const TdcResult r = Run({"list", "--json"});
  ASSERT_EQ(r.nExit, TDC_EXIT_OK) << r.strErr;
  EXPECT_TRUE(r.bOutUtf8);
  const hvtest::JValue doc = Json(r.strOut);
  Start();  // the tab's own lists
  const struct {
    const char* key;
    OVRowList* rows;
  } lists[] = {{"application", &app}, {"system", &sys}};
  for (const auto& l : lists) {
    const std::vector<hvtest::JValue>& got = doc[l.key].arr;
    ASSERT_EQ(got.size(), l.rows->rows.size()) << l.key;
    for (size_t i = 0; i < got.size(); ++i) {
      const CondData& d = *l.rows->rows[i].pData;
      const hvtest::JValue& e = got[i];
      SCOPED_TRACE(std::string(l.key) + " " + d.szTitle);
      if (std::strchr(d.szTitle, '\xe9') == nullptr) {
        EXPECT_EQ(e["title"].str, d.szTitle);
      }
      EXPECT_EQ(e["creator"].str, d.szCreatorID);
      EXPECT_EQ(e["creator_id"].num, static_cast<double>(d.dwCreatorID));
      EXPECT_EQ(e["library"].str, d.szConduit);
      EXPECT_EQ(e["version"].str, OVTool::LibraryVersion(d.szConduit));
      const char* states[] = {"installed", "restorable", "missing"};
      EXPECT_EQ(e["state"].str, states[l.rows->rows[i].nImage]);
      EXPECT_EQ(e["directory"].str, d.szDirectory);
      EXPECT_EQ(e["file"].str, d.szFile);
      EXPECT_EQ(e["remote"].str, d.szRemote);
      EXPECT_EQ(e["priority"].num, d.nPriority);
    }
  }
  // Every state and both kinds of creator are there; texts become UTF-8.
  std::vector<std::string> states;
  for (const hvtest::JValue& e : doc["application"].arr) states.push_back(e["state"].str);
  EXPECT_EQ(states, (std::vector<std::string>{"installed", "missing", "installed", "restorable"}));
  EXPECT_EQ(doc["system"].arr.back()["creator_id"].num, 4294967295.0);
  EXPECT_EQ(doc["application"].arr[2]["version"].str, "2.1.0.0007");
  if (GetACP() == 1252) {
    EXPECT_EQ(doc["application"].arr[2]["title"].str, "Caf\xc3\xa9 \"quoted\" back\\slash\ttab");
  }

  const TdcResult text = Run({"list"});
  EXPECT_EQ(text.nExit, TDC_EXIT_OK);
  EXPECT_NE(text.strOut.find("Application conduits (4):"), std::string::npos);
  EXPECT_NE(text.strOut.find("restorable  Rest"), std::string::npos) << text.strOut;
  EXPECT_NE(text.strOut.find("System conduits (2):"), std::string::npos);
}

TEST_F(TdcondTest, ReportAndHistoryAreTheBytesTheButtonsWrite) {
  Sample("cond_version.dll", "Ver.dll");
  const std::string plain = Sample("cond_plain.dll", "Plain.dll");
  AddApp("addr", "Ver.dll", "Address Book");
  sb.AddInstallConduit("inst", plain, "Install Files");
  sb.SetBackupConduit(plain);
  ASSERT_EQ(Run({"install", plain, "--creator", "Plan", "--title", "Plain"}).nExit, TDC_EXIT_OK);
  ASSERT_EQ(Run({"uninstall", "Plan"}).nExit, TDC_EXIT_OK);

  tdxtest::TempDir out("tdcond-out");
  ASSERT_EQ(Run({"report", out.file("r.html")}).nExit, TDC_EXIT_OK);
  ASSERT_EQ(Run({"history", out.file("h.html")}).nExit, TDC_EXIT_OK);
  ASSERT_EQ(Run({"report", out.path().string()}).nExit,
            TDC_EXIT_OK);  // a directory: its own name inside
  ASSERT_EQ(Run({"history", out.path().string() + "\\"}).nExit, TDC_EXIT_OK);
  ASSERT_EQ(Run({"report"}).nExit, TDC_EXIT_OK);
  const std::string report = Slurp(ProgDir() + kOVReportPage);

  Start();
  tool.btnOVReportClick();
  tool.btnOVLogClick();
  EXPECT_EQ(shell.opened,
            (std::vector<std::string>{ProgDir() + kOVReportPage, ProgDir() + kOVHistoryPage}));
  const std::string tabReport = Slurp(ProgDir() + kOVReportPage);
  const std::string tabHistory = Slurp(ProgDir() + kOVHistoryPage);
  EXPECT_NE(tabReport.find("Creator ID</font>: addr"), std::string::npos)
      << "the page has the conduits";
  EXPECT_NE(tabHistory.find("Uninstalled Successfully"), std::string::npos);
  EXPECT_EQ(report, tabReport);
  EXPECT_EQ(Slurp(out.file("r.html")), tabReport);
  EXPECT_EQ(Slurp(out.file(kOVReportPage)), tabReport);
  EXPECT_EQ(Slurp(out.file("h.html")), tabHistory);
  EXPECT_EQ(Slurp(out.file(kOVHistoryPage)), tabHistory);
}

// Without a usable Palm Desktop, or without the file a command reads, the
// command fails with one line saying so.
TEST_F(TdcondTest, CommandsNeedAPalmDesktopAndTheirFiles) {
  struct Case {
    std::function<void()> setUp;
    std::vector<std::string> args;
    std::string says;
  };
  const Case cases[] = {
      {[] {},
       {"history"},
       std::string(kOVNoHistory) + " (\"" + ProgDir() + kOVHistoryFile + "\" cannot be read)"},
      {[] {},
       {"restore-set", "ovset1.bak"},
       "\"ovset1.bak\" is not a known backup set (none is known)"},
      {[&] { CreateDirectoryA((ProgDir() + "ovset3.bak.tmp").c_str(), nullptr); },
       {"backup", "ovset3.bak"},
       "Conduit settings could not be written to \"ovset3.bak\". The backup set was not changed."},
      {[&] { DeleteFileA(sb.File("condmgr.dll").c_str()); },
       {"report"},
       "Conduit Manager (condmgr.dll) does not load"},
      {[&] { sb.SetDesktopPath(sb.File("gone")); },
       {"list"},
       "the Palm Desktop directory \"" + sb.File("gone") + "\" does not exist"},
      {[&] { sb.ClearDesktopPath(); },
       {"uninstall", "addr"},
       "Palm Desktop is not found: no \"PDPath\" in "},
  };
  for (const Case& c : cases) {
    c.setUp();
    const TdcResult r = Run(c.args);
    EXPECT_EQ(r.nExit, TDC_EXIT_FAILED) << c.says;
    EXPECT_EQ(r.strErr.rfind("tdcond: ", 0), 0u) << r.strErr;
    EXPECT_NE(r.strErr.find(c.says), std::string::npos) << r.strErr;
    EXPECT_EQ(Lines(r.strErr), 1u);
  }
}

// The restore store cannot be written: the conduit is uninstalled, and the
// command says that it cannot be restored rather than reporting plain success.
TEST_F(TdcondTest, AnUninstallWhoseSettingsCannotBeKeptFails) {
  Sample("cond_plain.dll", "Plain.dll");
  AddApp("Plan", "Plain.dll", "Plain");
  ASSERT_TRUE(CreateDirectoryA((ProgDir() + kOVRestoreStore + ".tmp").c_str(), nullptr));
  const TdcResult r = Run({"uninstall", "Plan"});
  EXPECT_EQ(r.nExit, TDC_EXIT_FAILED);
  EXPECT_EQ(r.strOut, "Conduit \"Plain.dll\" uninstalled successfully.\n");
  EXPECT_NE(r.strErr.find("could not be written to \"" + ProgDir() + kOVRestoreStore +
                          "\": it cannot be restored"),
            std::string::npos)
      << r.strErr;
  EXPECT_EQ(CountCreator("Plan"), 0);
}
