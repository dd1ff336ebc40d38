// Backup sets and the conduit report under Wine with the stand-in: the two
// dialogs' rules, set files written whole and read with suspicion, restoring
// a set, and "condrpt.html".
#include "OVTestUtil.h"

#include <cstring>
#include <fstream>

#include "misc/WinUtil.h"
#include "orvello/OVPages.h"
#include "orvello/OVSetDialogs.h"

using namespace ovtest;

namespace {

struct FakeSetView : IOVSetView {
  struct Row {
    std::string file, time, desc;
  };
  std::vector<Row> rows;
  int selected = -1;
  bool okEnabled = true, newFields = true, existing = true, newChosen = false;
  std::string newFile, desc;

  void AddRow(const std::string& f, const std::string& t, const std::string& d) override {
    rows.push_back({f, t, d});
  }
  int RowCount() override { return static_cast<int>(rows.size()); }
  int SelectedRow() override { return selected; }
  std::string RowFile(int i) override { return rows.at(i).file; }
  void EnableOK(bool b) override { okEnabled = b; }
  void SetNewFile(const std::string& s) override { newFile = s; }
  std::string NewFile() override { return newFile; }
  std::string Desc() override { return desc; }
  void SetNewChosen(bool b) override { newChosen = b; }
  bool NewChosen() override { return newChosen; }
  void EnableNewFields(bool b) override { newFields = b; }
  void EnableExisting(bool b) override { existing = b; }
};

BackupSetEntry Entry(const char* file, const char* desc) {
  BackupSetEntry e{};
  std::strcpy(e.szFileName, file);
  std::strcpy(e.szDesc, desc);
  return e;
}

std::string Slurp(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

}  // namespace

TEST_F(ConduitToolTest, SetDialogsOfferTheNextNumberAndNeedASelection) {
  Start();
  {
    FakeSetView v;
    OVBackupDlg dlg(v, tool, prompt);
    dlg.FormCreate();
    EXPECT_EQ(v.newFile, "ovset1.bak");
    EXPECT_TRUE(v.newChosen);
    EXPECT_FALSE(v.existing) << "nothing to overwrite yet";
    FakeSetView r;
    OVRestoreDlg rd(r, tool, prompt);
    rd.FormCreate();
    EXPECT_FALSE(r.okEnabled);
  }
  for (const char* f : {"ovset1.bak", "ovset2.bak", "ovset3.bak"}) tool.AddBackupSet(Entry(f, f));
  FakeSetView v;
  OVBackupDlg dlg(v, tool, prompt);
  dlg.FormCreate();
  EXPECT_EQ(v.newFile, "ovset4.bak");
  ASSERT_EQ(v.rows.size(), 3u);
  EXPECT_EQ(v.rows[1].desc, "ovset2.bak");
  EXPECT_EQ(v.rows[1].time, "") << "no file: no time";
  EXPECT_TRUE(v.existing);

  dlg.rbtnExistClick();
  EXPECT_FALSE(v.newFields);
  v.newChosen = false;
  EXPECT_FALSE(dlg.btnOKClick());
  EXPECT_EQ(Last(), std::string("error|Error|") + kOVNoSetSelected);
  v.selected = 2;
  EXPECT_TRUE(dlg.btnOKClick());
  EXPECT_EQ(dlg.ChosenFile(), "ovset3.bak");

  FakeSetView r;
  OVRestoreDlg rd(r, tool, prompt);
  rd.FormCreate();
  EXPECT_TRUE(r.okEnabled);
  EXPECT_FALSE(rd.btnOKClick());
  EXPECT_EQ(Last(), std::string("error|Error|") + kOVNoSetSelected);
}

TEST_F(ConduitToolTest, ANewSetOfAKnownNameKeepsItsEntryAndDescription) {
  Start();
  tool.AddBackupSet(Entry("ovset1.bak", "before the upgrade"));
  const struct {
    const char* name;
    uint32_t count;
  } cases[] = {{"ovset1.bak", 1}, {"OVSET1.BAK", 2}};
  for (const auto& c : cases) {
    FakeSetView v;
    OVBackupDlg dlg(v, tool, prompt);
    dlg.FormCreate();
    v.newFile = c.name;
    v.desc = "again";
    ASSERT_TRUE(dlg.btnOKClick());
    EXPECT_EQ(tool.GetBackupSetCount(), c.count) << c.name;
  }
  EXPECT_STREQ(tool.GetFirstBackupSet()->szDesc, "before the upgrade");
}

TEST_F(ConduitToolTest, SetNamesStayInsideTheProgramDirectory) {
  Sample("cond_plain.dll", "Plain.dll");
  AddApp("Plan", "Plain.dll", "Plain");
  Start();
  const struct {
    const char* name;
    const char* why;
  } bad[] = {{"", "the name is empty"},
             {"..\\escape.bak", "it leaves the Tandelix folder"},
             {"sets\\..\\..\\escape.bak", "it leaves the Tandelix folder"},
             {"C:set.bak", "it names a drive"},
             {"\\\\server\\share\\set.bak", "it names a drive"},
             {"/set.bak", "it names a drive"},
             {"sets\\", "it names a folder"},
             {"sets\\\\set.bak", "it names a folder"},
             {"...", "it names a folder"},
             {".\\set.bak", "it names a folder"},
             {"NUL", "it names a device"},
             {"con.bak", "it names a device"},
             {"sets\\COM1.txt", "it names a device"},
             {"lpt9\\set.bak", "it names a device"},
             {"set.bak.", "it ends in a dot or a blank"},
             {"sets \\set.bak", "it ends in a dot or a blank"},
             {"set?.bak", "it holds a character file names cannot have"},
             {"a\tb", "it holds a control character"}};
  for (const auto& c : bad) {
    SCOPED_TRACE(c.name);
    std::string why;
    EXPECT_FALSE(OVTool::IsValidSetName(c.name, &why));
    EXPECT_EQ(why, c.why);
    FakeSetView v;
    OVBackupDlg dlg(v, tool, prompt);
    dlg.FormCreate();
    v.newFile = c.name;
    EXPECT_FALSE(dlg.btnOKClick()) << "refused before anything is listed";
    EXPECT_EQ(prompt.shown.back().kind, "error");
    EXPECT_FALSE(tool.BackupConduitSettings(c.name));
  }
  EXPECT_EQ(tool.GetBackupSetCount(), 0u);
  for (const char* good : {"ovset1.bak", "my set.bak", "a..b", "COM10.bak", "console.bak",
                           "sets\\ovset1.bak", "old/2024/ovset1.bak"})
    EXPECT_TRUE(OVTool::IsValidSetName(good, nullptr)) << good;
  // Nothing was written anywhere near the program directory.
  EXPECT_EQ(GetFileAttributesA((ProgDir() + "..\\escape.bak").c_str()), INVALID_FILE_ATTRIBUTES);

  // A set in a sub-folder: the folders are made, and the set reads back.
  ASSERT_TRUE(tool.BackupConduitSettings("old\\2024\\ovset1.bak"));
  EXPECT_EQ(tdxtest::ReadBytes(ProgDir() + "old\\2024\\ovset1.bak").size(), 540u);
  EXPECT_TRUE(tool.RestoreConduitSettings("old/2024/ovset1.bak"));
  EXPECT_EQ(Last(), std::string("info|Information|") + kOVRestoreSetDone);
}

TEST_F(ConduitToolTest, BackupAndRestoreOfASet) {
  const std::string addr = Sample("cond_plain.dll", "Addr.dll");
  const std::string expn = Sample("cond_plain.dll", "Expn.dll");
  AddApp("addr", addr, "Address", 3);
  AddApp("Expn", expn, "Expense", 5);
  AddApp("NtPd", sb.File("Gone.dll"), "Note Pad");  // missing when the set is made
  Start();
  ASSERT_TRUE(tool.BackupConduitSettings("ovset1.bak"));
  EXPECT_EQ(Last(), "info|Information|Conduit settings backup successfully to \"ovset1.bak\".");
  ASSERT_EQ(tdxtest::ReadBytes(ProgDir() + "ovset1.bak").size(), 3u * 540);

  // Uninstall one (restorable), leave one installed, and bring the missing
  // library back: only the first comes back; the missing one stays out.
  prompt.shown.clear();
  ASSERT_TRUE(tool.UninstallConduit(app.rows[RowOf("Expense")].pData, true));
  Sample("cond_plain.dll", "Gone.dll");
  ASSERT_TRUE(tool.RestoreConduitSettings("ovset1.bak"));
  EXPECT_EQ(Last(), std::string("info|Information|") + kOVRestoreSetDone);
  EXPECT_EQ(prompt.shown.size(), 1u) << "restoring a set is quiet but for its result";
  EXPECT_EQ(CountCreator("Expn"), 1);
  EXPECT_EQ(CountCreator("addr"), 1);
  EXPECT_EQ(CountCreator("NtPd"), 1) << "still registered, not touched";
  int nExpn = -1;
  for (int i = 0; i < 4; ++i)
    if (AppValue(i, "Title") == "Expense") nExpn = i;
  ASSERT_GE(nExpn, 0);
  EXPECT_EQ(AppValue(nExpn, "Priority"), "5");
  EXPECT_EQ(AppValue(nExpn, "Directory"), "Expedir");
  EXPECT_EQ(History().back().nKind, OVLOG_RESTORED);
  EXPECT_TRUE(Store().empty());
}

TEST_F(ConduitToolTest, ASetFileIsReadWithSuspicion) {
  const std::string a = Sample("cond_plain.dll", "A.dll");
  Start();
  auto record = [&](const char* creator, const char* title) {
    CondData r{};
    std::strcpy(r.szCreatorID, creator);
    std::strcpy(r.szConduit, a.c_str());
    std::strcpy(r.szTitle, title);
    r.nPriority = 2;
    r.nStatus = ST_INSTALLED;
    return r;
  };
  std::vector<CondData> recs = {record("Aaaa", "Sound 1"), record("Bbbb", "Title cut"),
                                record("Cccc", "Bad priority"), record("Dddd", "Bad status"),
                                record("Eeee", "Sound 2"), record("", "No creator"),
                                record("Ffff", "Not installed then")};
  std::memset(recs[1].szTitle, 'T', sizeof recs[1].szTitle);  // no terminator
  recs[2].nPriority = 100000;
  recs[3].nStatus = 9;
  recs[6].nStatus = ST_UNINSTALLED;
  std::string bytes(reinterpret_cast<const char*>(recs.data()), recs.size() * sizeof(CondData));
  bytes += std::string(100, 'x');  // a trailing partial record
  tdxtest::WriteBytes(ProgDir() + "odd.bak", bytes.data(), bytes.size());
  // Every record installed when the set was made is restored, made safe (its
  // title cut, its priority 2); one that cannot be is named.
  ASSERT_TRUE(tool.RestoreConduitSettings("odd.bak"));
  for (const char* c : {"Aaaa", "Bbbb", "Cccc", "Eeee"}) EXPECT_EQ(CountCreator(c), 1) << c;
  for (const char* c : {"Dddd", "Ffff"}) EXPECT_EQ(CountCreator(c), 0) << c;
  EXPECT_EQ(Last(), "warning|Information|Conduit settings restored, but these conduits could not "
                    "be restored: \"No creator\".");
  for (int i = 0; i < 6; ++i)
    if (AppValue(i, "Creator") == std::to_string(tdxtest::PalmSandbox::Creator("Cccc"))) {
      EXPECT_EQ(AppValue(i, "Priority"), "2");
    }

  // A file of 540 x 3 + 100 bytes restores its three whole records.
  std::string three(reinterpret_cast<const char*>(recs.data()), 3 * sizeof(CondData));
  recs[0] = record("Gggg", "G");
  recs[1] = record("Hhhh", "H");
  recs[2] = record("Iiii", "I");
  three.assign(reinterpret_cast<const char*>(recs.data()), 3 * sizeof(CondData));
  three += std::string(100, '\0');
  tdxtest::WriteBytes(ProgDir() + "three.bak", three.data(), three.size());
  ASSERT_TRUE(tool.RestoreConduitSettings("three.bak"));
  EXPECT_EQ(CountCreator("Gggg") + CountCreator("Hhhh") + CountCreator("Iiii"), 3);

  prompt.shown.clear();
  EXPECT_FALSE(tool.RestoreConduitSettings("absent.bak"));
  EXPECT_EQ(Last(), "error|Error|The backup file \"absent.bak\" can not be opened.");
  tdxtest::WriteBytes(ProgDir() + "short.bak", "abc", 3);
  EXPECT_FALSE(tool.RestoreConduitSettings("short.bak"));
  EXPECT_EQ(Last(), "error|Error|The backup file \"short.bak\" holds no conduit settings.");
}

TEST_F(ConduitToolTest, ABackupThatCannotBeWrittenLeavesTheOldSetAndSaysSo) {
  Sample("cond_plain.dll", "Plain.dll");
  AddApp("Plan", "Plain.dll", "Plain");
  Start();
  tdxtest::WriteText(ProgDir() + "ovset1.bak", "old set");
  ASSERT_TRUE(CreateDirectoryA((ProgDir() + "ovset1.bak.tmp").c_str(), nullptr));
  EXPECT_FALSE(tool.BackupConduitSettings("ovset1.bak"));
  EXPECT_EQ(prompt.shown.back().kind, "error");
  EXPECT_NE(prompt.shown.back().text.find("\"ovset1.bak\""), std::string::npos);
  EXPECT_EQ(Slurp(ProgDir() + "ovset1.bak"), "old set");
}

TEST_F(ConduitToolTest, AnOverwrittenSetKeepsItsBackupTime) {
  Start();
  const std::string path = ProgDir() + "ovset1.bak";
  ASSERT_TRUE(tool.BackupConduitSettings("ovset1.bak"));
  // Set an old creation time, as a set made long ago has.
  HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  SYSTEMTIME st = {2001, 2, 0, 3, 4, 5, 6, 0};
  FILETIME ft;
  SystemTimeToFileTime(&st, &ft);
  SetFileTime(h, &ft, nullptr, nullptr);
  CloseHandle(h);
  const std::string before = tool.BackupTime("ovset1.bak");
  if (before.find("2001") == std::string::npos)
    GTEST_SKIP() << "this file system keeps no creation time of its own (" << before << ")";
  ASSERT_TRUE(tool.BackupConduitSettings("ovset1.bak"));
  EXPECT_EQ(tool.BackupTime("ovset1.bak"), before);
}

TEST_F(ConduitToolTest, ReportListsApplicationConduitsThenSystemConduits) {
  Start();
  tool.WriteConduitReport();
  // Without a Palm Desktop at all there is still the backup conduit's row.
  EXPECT_NE(Slurp(ProgDir() + "condrpt.html").find("0xffffffff"), std::string::npos);

  tool.DoneConduitTool();
  const std::string ver = Sample("cond_version.dll", "Ver.dll");
  AddApp("addr", ver, "Address");
  sb.AddInstallConduit("inst", ver, "Install");
  // Its creator bytes read back as 255, shown in hexadecimal.
  tdxtest::PalmSandbox::SetDword(tdxtest::PalmSandbox::Numbered(PD_REG_INSTALL_FMT, 0), "Creator",
                                 0xFF000000u);
  sb.SetBackupConduit(ver);
  tool.InitConduitTool();
  shell.opened.clear();
  tool.btnOVReportClick();
  ASSERT_EQ(shell.opened.size(), 1u);
  EXPECT_EQ(shell.opened[0], ProgDir() + "condrpt.html");
  const std::string page = Slurp(ProgDir() + "condrpt.html");
  std::vector<OVReportRow> a = {{"Address", "addr", 0, ver, "2.1.0.0007"}};
  std::vector<OVReportRow> s = {{"Install", "", 0xFF, ver, "2.1.0.0007"},
                                {"", "", 0xFFFFFFFFu, ver, "2.1.0.0007"}};
  std::string want;
  OVWriteReportPage(want, clock.ToLocal(clock.now), a, s);
  EXPECT_EQ(page, want);
  EXPECT_NE(page.find("Creator ID</font>: 0xff<br>"), std::string::npos);
}
