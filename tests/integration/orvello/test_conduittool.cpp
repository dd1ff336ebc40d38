// The conduit tab's behaviour under Wine with the stand-in Palm Desktop: the two
// lists, install, uninstall and restore (also across runs), the restore store
// and the history.
#include "OVTestUtil.h"

#include <cstdio>
#include <cstring>
#include <memory>

using namespace ovtest;

namespace {

std::string Fmt(const char* f, const std::string& a, const std::string& b = "") {
  char sz[1024];
  std::snprintf(sz, sizeof sz, f, a.c_str(), b.c_str());
  return sz;
}

CondData Record(const char* creator, const std::string& conduit, const char* title) {
  CondData r{};
  std::strncpy(r.szCreatorID, creator, 4);
  std::strncpy(r.szConduit, conduit.c_str(), sizeof r.szConduit - 1);
  std::strncpy(r.szTitle, title, sizeof r.szTitle - 1);
  std::strcpy(r.szDirectory, "newdir");
  std::strcpy(r.szFile, "new.dat");
  std::strcpy(r.szRemote, "NewDB");
  r.nPriority = 4;
  return r;
}

}  // namespace

TEST_F(ConduitToolTest, ListsShowEveryKindOfConduitWithItsPicture) {
  Sample("cond_named.dll", "Named.dll");
  Sample("cond_plain.dll", "Plain.dll");
  AddApp("addr", "Named.dll", "Address Book");
  AddApp("NtPd", "Gone.dll", "Note Pad");
  sb.AddInstallConduit("inst", sb.File("Plain.dll"), "Install Files");
  sb.SetBackupConduit("Missing.dll");
  Start();

  ASSERT_EQ(app.rows.size(), 2u);
  EXPECT_EQ(app.rows[0].strCaption, "Sample Named Conduit");  // the library names itself
  EXPECT_EQ(app.rows[0].nImage, OV_IMG_INSTALLED);
  EXPECT_EQ(app.rows[0].strCreator, "addr");
  EXPECT_EQ(app.rows[0].strFile, "Named.dll");
  EXPECT_EQ(app.rows[1].nImage, OV_IMG_INVALID);
  EXPECT_EQ(app.rows[1].strFile, "Gone.dll ( file not found ).");
  EXPECT_EQ(app.nSelected, 0);
  EXPECT_TRUE(view.enabled[OVButton::Uninstall]);
  EXPECT_FALSE(view.enabled[OVButton::Restore]);

  ASSERT_EQ(sys.rows.size(), 2u);
  EXPECT_EQ(sys.rows[0].strCaption, "Install Files");
  EXPECT_EQ(sys.rows[0].nImage, OV_IMG_INSTALLED);
  EXPECT_EQ(sys.rows[1].strCreator, "0xffffffff");
  EXPECT_EQ(sys.rows[1].nImage, OV_IMG_INVALID);
  EXPECT_EQ(sys.rows[1].strFile, "Missing.dll ( file not found ).");
  EXPECT_TRUE(view.enabled[OVButton::SysProperties]);
}

TEST_F(ConduitToolTest, WithoutTheConduitManagerEveryCommandFailsWithItsMessage) {
  Start(0);
  EXPECT_TRUE(app.rows.empty());
  ASSERT_EQ(sys.rows.size(), 1u);
  EXPECT_EQ(sys.rows[0].strCaption, "");
  EXPECT_EQ(sys.rows[0].strCreator, "0xffffffff");
  EXPECT_EQ(sys.rows[0].strFile, " ( file not found ).");

  const std::string lib = Sample("cond_plain.dll", "Plain.dll");
  CondData rec = Record("Plan", lib, "Plain");
  EXPECT_FALSE(tool.InstallConduit(&rec, false));
  EXPECT_EQ(Last(), "error|Error|" + Fmt(kOVInstallFailed, "Plain"));
  EXPECT_FALSE(tool.UninstallConduit(&rec, false));
  EXPECT_EQ(Last(), "error|Error|" + Fmt(kOVUninstallFailed, lib));
  EXPECT_FALSE(tool.RestoreConduit(&rec, false));
  EXPECT_EQ(Last(), "error|Error|" + Fmt(kOVRestoreFailed, "Plain"));
  EXPECT_TRUE(History().empty());
}

TEST_F(ConduitToolTest, UninstalledConduitStaysRestorableAcrossRunsAndRestoresItsSettings) {
  const std::string lib = Sample("cond_plain.dll", "Expense.dll");
  AddApp("Expn", lib, "Expense", 4);
  Start();
  SelectRow("Expense");

  prompt.answers = {Answer::No};
  tool.btnOVUninstClick();
  EXPECT_EQ(CountCreator("Expn"), 1) << "No changes nothing";

  prompt.answers = {Answer::Yes};
  tool.btnOVUninstClick();
  ASSERT_GE(prompt.shown.size(), 2u);
  EXPECT_EQ(prompt.shown[prompt.shown.size() - 2].text, Fmt(kOVAskUninstall, lib));
  EXPECT_EQ(Last(), "info|Information|" + Fmt(kOVUninstalled, lib));
  EXPECT_EQ(CountCreator("Expn"), 0);
  EXPECT_EQ(app.rows[RowOf("Expense")].nImage, OV_IMG_RESTORABLE);
  EXPECT_TRUE(view.enabled[OVButton::Restore]);
  EXPECT_FALSE(view.enabled[OVButton::Uninstall]);
  auto store = Store();
  ASSERT_EQ(store.size(), 1u);
  EXPECT_EQ(store[0].nStatus, ST_UNINSTALLED);
  EXPECT_TRUE(store[0].nMark & MARK_RESTORE);
  EXPECT_EQ(store[0].pCondObj, 0u);
  EXPECT_STREQ(store[0].szDirectory, "Expedir");

  // A later run lists it from the store.
  tool.DoneConduitTool();
  tool.InitConduitTool();
  ASSERT_EQ(app.rows.size(), 1u);
  EXPECT_EQ(app.rows[0].nImage, OV_IMG_RESTORABLE);
  SelectRow("Expense");
  EXPECT_TRUE(view.enabled[OVButton::Restore]);

  prompt.answers = {Answer::Yes};
  tool.btnOVRestoreClick();
  EXPECT_EQ(prompt.shown[prompt.shown.size() - 2].text, Fmt(kOVAskRestore, "Expense"));
  EXPECT_EQ(Last(), "info|Information|" + Fmt(kOVRestored, "Expense"));
  EXPECT_EQ(app.rows[0].nImage, OV_IMG_INSTALLED);
  EXPECT_TRUE(Store().empty());
  ASSERT_EQ(CountCreator("Expn"), 1);
  EXPECT_EQ(AppValue(0, "Directory"), "Expedir");
  EXPECT_EQ(AppValue(0, "File"), "f.dat");
  EXPECT_EQ(AppValue(0, "Remote"), "RemoteDB");
  EXPECT_EQ(AppValue(0, "Priority"), "4");
  EXPECT_EQ(AppValue(0, "Title"), "Expense");

  auto history = History();
  ASSERT_EQ(history.size(), 2u);
  EXPECT_EQ(history[0].nKind, OVLOG_UNINSTALLED);
  EXPECT_EQ(history[1].nKind, OVLOG_RESTORED);
  EXPECT_STREQ(history[1].szFileName, lib.c_str());
  EXPECT_EQ(history[1].nTime, clock.now);
}

TEST_F(ConduitToolTest, UninstallingAConduitWithoutItsLibraryDropsTheRow) {
  AddApp("NtPd", "Gone.dll", "Note Pad");
  Start();
  SelectRow("Note Pad");
  prompt.answers = {Answer::Yes};
  tool.btnOVUninstClick();
  EXPECT_EQ(RowOf("Note Pad"), -1);
  EXPECT_TRUE(Store().empty());
  EXPECT_EQ(CountCreator("NtPd"), 0);
  ASSERT_EQ(History().size(), 1u);
}

TEST_F(ConduitToolTest, InstallingTheSameConduitAgainChangesNothing) {
  const std::string lib = Sample("cond_plain.dll", "LongLibraryName.dll");
  AddApp("addr", lib, "Address");
  Start();
  char szShort[MAX_PATH];
  ASSERT_GT(GetShortPathNameA(lib.c_str(), szShort, MAX_PATH), 0u);
  std::string upper = lib;
  for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  for (const std::string& spelling : {upper, std::string(szShort)}) {
    CondData rec = Record("addr", spelling, "Again");
    EXPECT_FALSE(tool.InstallConduit(&rec, false)) << spelling;
    EXPECT_EQ(Last(), std::string("info|Information|") + kOVAlreadyInstalled);
  }
  EXPECT_EQ(CountCreator("addr"), 1);
  EXPECT_EQ(app.rows.size(), 1u);
}

TEST_F(ConduitToolTest, ACreatorHeldByAnotherConduitIsFreedOnlyOnYes) {
  const std::string old = Sample("cond_plain.dll", "Old.dll");
  const std::string neu = Sample("cond_plain.dll", "New.dll");
  AddApp("addr", old, "Old Address");
  Start();

  CondData rec = Record("addr", neu, "New Address");
  prompt.answers = {Answer::No};
  EXPECT_FALSE(tool.InstallConduit(&rec, false));
  EXPECT_EQ(Last(), "question|Uninstall conduit|" + Fmt(kOVAskReplace, "Old Address", "addr"));
  EXPECT_EQ(AppValue(0, "Conduit"), old);

  prompt.answers = {Answer::Yes};
  EXPECT_TRUE(tool.InstallConduit(&rec, false));
  EXPECT_EQ(Last(), "info|Success|" + Fmt(kOVInstalled, "New Address"));
  ASSERT_EQ(CountCreator("addr"), 1);
  EXPECT_EQ(AppValue(0, "Conduit"), neu);
  EXPECT_EQ(AppValue(0, "Priority"), "4");
  EXPECT_EQ(app.rows[RowOf("Old Address")].nImage, OV_IMG_RESTORABLE);
  ASSERT_EQ(Store().size(), 1u);
  EXPECT_STREQ(Store()[0].szConduit, old.c_str());

  // The new row carries no record: Uninstall and Properties pass it by until
  // the list is rebuilt.
  const int nNew = RowOf("New Address");
  ASSERT_GE(nNew, 0);
  EXPECT_EQ(app.rows[nNew].pData, nullptr);
  app.Select(nNew);
  const size_t nShown = prompt.shown.size();
  tool.btnOVUninstClick();
  tool.OpenAppConduitProperties();
  EXPECT_EQ(prompt.shown.size(), nShown);
  EXPECT_EQ(props.opened, 0);

  tool.btnOVRefreshClick();
  EXPECT_EQ(view.waits, 1);
  SelectRow("New Address");
  prompt.answers = {Answer::Yes};
  tool.btnOVUninstClick();
  EXPECT_EQ(Last(), "info|Information|" + Fmt(kOVUninstalled, neu));
  EXPECT_EQ(Store().size(), 2u);
}

TEST_F(ConduitToolTest, UninstallInstallUninstallKeepsOneStoreEntry) {
  const std::string lib = Sample("cond_plain.dll", "Memo.dll");
  AddApp("memo", lib, "Memo Pad");
  Start();
  CondData* pData = app.rows[0].pData;
  ASSERT_TRUE(tool.UninstallConduit(pData, true));
  CondData again = Record("memo", lib, "Memo Pad");
  ASSERT_TRUE(tool.InstallConduit(&again, true));
  tool.btnOVRefreshClick();
  ASSERT_TRUE(tool.UninstallConduit(app.rows[RowOf("Memo Pad")].pData, true));
  auto store = Store();
  ASSERT_EQ(store.size(), 1u);
  EXPECT_STREQ(store[0].szDirectory, "newdir");  // the settings of the last install
}

TEST_F(ConduitToolTest, InstallOverAListedButMissingConduitRestoresItWithTheNewSettings) {
  AddApp("NtPd", "NotePad.dll", "Note Pad");
  Start();
  ASSERT_EQ(app.rows[0].nImage, OV_IMG_INVALID);
  Sample("cond_plain.dll", "NotePad.dll");  // the library is back
  CondData rec = Record("NtPd", "NotePad.dll", "Note Pad");
  EXPECT_TRUE(tool.InstallConduit(&rec, false)) << Last();
  ASSERT_EQ(CountCreator("NtPd"), 1);
  EXPECT_EQ(AppValue(0, "Directory"), "newdir");
  EXPECT_EQ(app.rows[0].nImage, OV_IMG_INSTALLED);
  EXPECT_EQ(History().back().nKind, OVLOG_RESTORED);

  // The listed record keeps its creator number and kind (Properties tells an
  // installed conduit from a new one by them), and takes the new settings.
  const CondData* pRow = app.rows[0].pData;
  ASSERT_NE(pRow, nullptr);
  EXPECT_EQ(pRow->dwCreatorID, tdxtest::PalmSandbox::Creator("NtPd"));
  EXPECT_EQ(pRow->nKind, CONDS_MANAGER);
  EXPECT_STREQ(pRow->szDirectory, "newdir");
}

TEST_F(ConduitToolTest, AConduitInstalledInThisRunAndThenDisplacedCanBeRestored) {
  const std::string first = Sample("cond_plain.dll", "First.dll");
  const std::string second = Sample("cond_plain.dll", "Second.dll");
  Start();
  CondData a = Record("Shar", first, "First");
  ASSERT_TRUE(tool.InstallConduit(&a, true));
  CondData b = Record("Shar", second, "Second");
  prompt.answers = {Answer::Yes};
  ASSERT_TRUE(tool.InstallConduit(&b, false));
  // The first one's row (added by its install, without a record) now shows
  // its record, restorable, and the store keeps it.
  ASSERT_GE(RowOf("First"), 0);
  EXPECT_EQ(app.rows[RowOf("First")].nImage, OV_IMG_RESTORABLE);
  ASSERT_EQ(Store().size(), 1u);
  EXPECT_STREQ(Store()[0].szConduit, first.c_str());

  // It comes back like any other; the second one gives way the same way.
  SelectRow("First");
  EXPECT_TRUE(view.enabled[OVButton::Restore]);
  prompt.answers = {Answer::Yes, Answer::Yes};
  tool.btnOVRestoreClick();
  EXPECT_EQ(Last(), "info|Information|" + Fmt(kOVRestored, "First"));
  ASSERT_EQ(CountCreator("Shar"), 1);
  EXPECT_EQ(AppValue(0, "Conduit"), first);
  EXPECT_EQ(app.rows[RowOf("First")].nImage, OV_IMG_INSTALLED);
  EXPECT_EQ(app.rows[RowOf("Second")].nImage, OV_IMG_RESTORABLE);
  ASSERT_EQ(Store().size(), 1u);
  EXPECT_STREQ(Store()[0].szConduit, second.c_str());
}

TEST_F(ConduitToolTest, ADisplacedConduitThatCannotBeStoredIsReported) {
  const std::string first = Sample("cond_plain.dll", "First.dll");
  const std::string second = Sample("cond_plain.dll", "Second.dll");
  ASSERT_TRUE(CreateDirectoryA((ProgDir() + "OVRes.dat.tmp").c_str(), nullptr));
  Start();
  CondData a = Record("Shar", first, "First");
  ASSERT_TRUE(tool.InstallConduit(&a, true));
  CondData b = Record("Shar", second, "Second");
  prompt.answers = {Answer::Yes};
  ASSERT_TRUE(tool.InstallConduit(&b, false));
  ASSERT_GE(prompt.shown.size(), 2u);
  const auto& warn = prompt.shown[prompt.shown.size() - 2];
  EXPECT_EQ(warn.kind + "|" + warn.text, "warning|" + Fmt(kOVStoreNotSaved, first, ProgDir() + "OVRes.dat"));
  EXPECT_EQ(Last(), "info|Success|" + Fmt(kOVInstalled, "Second"));
}

// Installing over a listed conduit whose library was missing replaces its
// registration: only a registration of exactly that creator goes, and it
// comes back when the new one cannot be made.
TEST_F(ConduitToolTest, RestoringOverAMissingConduitRemovesOnlyItsOwnRegistration) {
  struct Case {
    const char* listed;   // creator of the missing conduit's registration
    const char* creator;  // creator of the install over it
    const char* lib;
    const char* refuse;   // Conduit Manager value whose write fails, or null
  };
  const Case cases[] = {{"Aaaa", "Aaaa", "A.dll", nullptr},
                        {"BBBB", "Bbbb", "B.dll", nullptr},  // another creator: stays
                        {"Cccc", "Cccc", "C.dll", "Title"}};  // the restore fails
  for (const Case& c : cases) AddApp(c.listed, c.lib, "Old");
  Start();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.creator);
    Sample("cond_plain.dll", c.lib);  // the library is back
    SetEnvironmentVariableA("TDX_CONDMGR_REFUSE", c.refuse);
    CondData rec = Record(c.creator, c.lib, "New");
    const bool ok = tool.InstallConduit(&rec, false);
    SetEnvironmentVariableA("TDX_CONDMGR_REFUSE", nullptr);
    EXPECT_EQ(ok, c.refuse == nullptr) << Last();
    if (c.refuse) {
      EXPECT_EQ(Last(), "error|Error|" + Fmt(kOVRestoreFailed, "New"));
    }
    // The listed registration is there as it was, unless this install replaced it.
    ASSERT_EQ(CountCreator(c.listed), 1);
    const bool bReplaced = ok && std::strcmp(c.listed, c.creator) == 0;
    int n = 0;
    while (AppValue(n, "Creator") != std::to_string(tdxtest::PalmSandbox::Creator(c.listed))) ++n;
    EXPECT_EQ(AppValue(n, "Directory"), bReplaced ? "newdir" : "Olddir");
    EXPECT_EQ(AppValue(n, "Conduit"), c.lib);
  }
  EXPECT_EQ(CountCreator("Bbbb"), 1);
}

// The tool ends after whoever lent it the lists (the main window's pages end
// before its tool): its end must not reach into them.
TEST(ConduitToolTeardown, TheToolsEndTouchesNoListItWasLent) {
  struct WatchedList : OVRowList {
    const bool* pGone = nullptr;
    int nLate = 0;
    void Clear() override {
      nLate += *pGone;
      OVRowList::Clear();
    }
    int Count() override {
      nLate += *pGone;
      return OVRowList::Count();
    }
  };
  tdxtest::TempDir prog("teardown");
  bool bGone = false;
  WatchedList app, sys;
  app.pGone = sys.pGone = &bGone;
  auto pTool = std::make_unique<OVTool>();
  OVPorts ports;
  ports.pApp = &app;
  ports.pSys = &sys;
  ports.strModuleDir = prog.path().string() + "\\";
  pTool->Attach(ports);
  pTool->InitConduitTool();
  ASSERT_NE(pTool->AppManager(), nullptr);
  bGone = true;
  pTool.reset();
  EXPECT_EQ(app.nLate + sys.nLate, 0);
}

TEST_F(ConduitToolTest, TwoToolsOnOneProgramDirectoryKeepEachOthersStoreEntries) {
  AddApp("Alfa", Sample("cond_plain.dll", "Alfa.dll"), "Alfa");
  AddApp("Beta", Sample("cond_plain.dll", "Beta.dll"), "Beta");
  AddApp("Gamm", Sample("cond_plain.dll", "Gamm.dll"), "Gamm");
  Start();
  // The console tool's session over the same directory, started at the same time.
  OVRowList app2, sys2;
  FakePrompt prompt2;
  OVTool other;
  OVPorts ports;
  ports.pApp = &app2;
  ports.pSys = &sys2;
  ports.pPrompt = &prompt2;
  ports.strModuleDir = ProgDir();
  other.Attach(ports);
  other.InitConduitTool();
  auto row = [](OVRowList& rows, const char* creator) -> CondData* {
    for (const OVRowList::Row& r : rows.rows)
      if (r.strCreator == creator) return r.pData;
    return nullptr;
  };
  const struct {
    bool bOther;
    bool bUninstall;
    const char* creator;
    const char* store;  // creators in the store afterwards
  } steps[] = {{false, true, "Alfa", "Alfa "},       {true, true, "Beta", "Alfa Beta "},
               {false, true, "Gamm", "Alfa Beta Gamm "}, {true, false, "Beta", "Alfa Gamm "},
               {false, false, "Alfa", "Gamm "}};
  for (const auto& s : steps) {
    SCOPED_TRACE(std::string(s.bOther ? "console tool " : "program ") +
                 (s.bUninstall ? "uninstalls " : "restores ") + s.creator);
    OVTool& t = s.bOther ? other : tool;
    CondData* p = row(s.bOther ? app2 : app, s.creator);
    ASSERT_NE(p, nullptr);
    ASSERT_TRUE(s.bUninstall ? t.UninstallConduit(p, true) : t.RestoreConduit(p, true));
    EXPECT_TRUE(t.LastUninstallStored());
    std::string store;
    for (const CondData& d : Store()) store += d.szCreatorID + std::string(" ");
    EXPECT_EQ(store, s.store);
  }
  other.DoneConduitTool();
}

// An install or a restore that fails part-way through the registration puts
// back the registration it displaced, value for value (the vendor's too),
// installed rather than kept for restoring.
TEST_F(ConduitToolTest, AFailedInstallOrRestoreLeavesTheOtherRegistrationWhole) {
  const std::string a = Sample("cond_plain.dll", "A.dll");
  const std::string b = Sample("cond_plain.dll", "B.dll");
  auto vendorValue = [](const char* creator, const char* data) {
    RegKeyValues v;
    v.values = {{"VendorState", REG_BINARY, std::string(data, 5)}};
    ASSERT_EQ(ConduitKeysOf(creator).size(), 1u);
    ASSERT_TRUE(WriteRegKeyValues(ConduitKeysOf(creator)[0].strKey, v, false));
  };
  AddApp("Dupe", a, "Conduit A");
  vendorValue("Dupe", "\x01\x00\x02\x00\x03");
  Start();
  auto failing = [&](const char* what, const std::function<bool()>& run) {
    SCOPED_TRACE(what);
    std::vector<CondRegistration> before, after;
    ASSERT_TRUE(SnapshotCreator("Dupe", &before));
    const std::vector<CondData> store = Store();
    SetEnvironmentVariableA("TDX_CONDMGR_REFUSE", "Title");
    EXPECT_FALSE(run());
    SetEnvironmentVariableA("TDX_CONDMGR_REFUSE", nullptr);
    ASSERT_TRUE(SnapshotCreator("Dupe", &after));
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after[0].strConduit, before[0].strConduit);
    EXPECT_TRUE(after[0].values == before[0].values);
    EXPECT_EQ(Store().size(), store.size());
  };

  CondData rec = Record("Dupe", b, "Conduit B");
  failing("install", [&] { return tool.InstallConduit(&rec, true); });
  EXPECT_EQ(app.rows[RowOf("Conduit A")].nImage, OV_IMG_INSTALLED);
  EXPECT_TRUE(Store().empty());

  // B installed for good (A kept for restoring), then A's restore fails.
  ASSERT_TRUE(tool.InstallConduit(&rec, true));
  vendorValue("Dupe", "\x07\x07\x00\x07\x07");
  tool.btnOVRefreshClick();
  ASSERT_EQ(Store().size(), 1u);
  CondData* pA = app.rows[RowOf("Conduit A")].pData;
  ASSERT_NE(pA, nullptr);
  failing("restore", [&] { return tool.RestoreConduit(pA, true); });
  EXPECT_EQ(app.rows[RowOf("Conduit A")].nImage, OV_IMG_RESTORABLE);
}
