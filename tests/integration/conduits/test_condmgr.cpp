#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "CondTestUtil.h"
#include "palm/CondKey.h"
#include "palm/CondMgr.h"
#include "palm/PalmDesktop.h"
#include "support/PalmSandbox.h"

using condtest::AppKey;
using condtest::CopySample;
using condtest::DwordValue;
using condtest::MakeRecord;
using condtest::Records;
using condtest::StringValue;
using tdxtest::AppConduitSpec;
using tdxtest::PalmSandbox;

namespace {

const char kNamedTitle[] = "Sample Named Conduit";

// ---------------------------------------------------------------- CCondObj

TEST(CondObjTest, ValidityAndNameFollowTheLibrarysExports) {
  PalmSandbox sb;
  const std::string named = CopySample(sb, "cond_named.dll", "named.dll");
  const std::string plain = CopySample(sb, "cond_plain.dll", "plain.dll");
  const std::string noopen = CopySample(sb, "cond_noopen.dll", "noopen.dll");
  ASSERT_FALSE(named.empty() || plain.empty() || noopen.empty());

  char buf[64];
  {
    CCondObj obj(named.c_str());
    EXPECT_TRUE(obj.IsLoaded());
    EXPECT_TRUE(obj.IsValid());
    EXPECT_EQ(obj.GetName(buf, sizeof buf), 0);
    EXPECT_STREQ(buf, kNamedTitle);
    EXPECT_EQ(obj.GetName(buf, 7), 0);  // the library cuts to the length it is given
    EXPECT_STREQ(buf, "Sample");
    EXPECT_NE(GetModuleHandleA(named.c_str()), nullptr);

    // An empty path changes nothing; a bad one leaves nothing loaded.
    EXPECT_FALSE(obj.Load(""));
    EXPECT_TRUE(obj.IsValid());
    EXPECT_FALSE(obj.Load(sb.File("absent.dll").c_str()));
    EXPECT_FALSE(obj.IsLoaded());
    EXPECT_FALSE(obj.IsValid());
    EXPECT_EQ(GetModuleHandleA(named.c_str()), nullptr);  // freed by the reload
    EXPECT_TRUE(obj.Load(named.c_str()));
  }
  EXPECT_EQ(GetModuleHandleA(named.c_str()), nullptr);  // unloaded with the object

  CCondObj plainObj(plain.c_str());
  EXPECT_TRUE(plainObj.IsValid());
  std::strcpy(buf, "keep");
  EXPECT_EQ(plainObj.GetName(buf, sizeof buf), PD_ERR_NOT_BOUND);
  EXPECT_STREQ(buf, "keep");

  CCondObj noopenObj(noopen.c_str());
  EXPECT_TRUE(noopenObj.IsLoaded());
  EXPECT_FALSE(noopenObj.IsValid());
  EXPECT_EQ(noopenObj.GetName(buf, sizeof buf), PD_ERR_NOT_BOUND);

  CCondObj none("");
  EXPECT_FALSE(none.IsLoaded());
  EXPECT_EQ(none.GetName(buf, sizeof buf), PD_ERR_NOT_BOUND);
}

// ---------------------------------------------------------------- LoadConduits

TEST(CondMgrLoadTest, ManagerConduitsInstallConduitsAndBackupInTheirOrder) {
  PalmSandbox sb;
  const std::string named = CopySample(sb, "cond_named.dll", "named.dll");
  ASSERT_FALSE(named.empty());
  ASSERT_FALSE(CopySample(sb, "cond_plain.dll", "plain.dll").empty());
  // The plain conduit is registered by bare name: resolved in the desktop directory.
  sb.AddAppConduit({"Nam1", named, "Registered Title", "namdir", "nam.dat", "NamDB", "about", 4, 1});
  sb.AddAppConduit({"Pln1", "plain.dll", "Plain Title", "", "", "", "", 3, 0});
  sb.AddAppConduit({"Gone", sb.File("gone.dll"), "Gone Title", "", "", "", "", 2, 0});
  sb.AddAppConduit({"Empt", "", "Empty Title", "", "", "", "", 2, 0});
  sb.AddInstallConduit("inst", named, "Install Title");
  sb.AddInstallConduit("ins2", sb.File("nowhere.dll"), "Second Install");
  sb.SetBackupConduit("plain.dll");
  ASSERT_TRUE(LoadPalmLibrariesFrom(sb.Dir().c_str(), PD_LIB_ALL));
  ASSERT_TRUE(SetCurrentDirectoryA(sb.Dir().c_str()));

  CCondMgr mgr;
  // Application manager: missing libraries stay, nameless ones go.
  EXPECT_TRUE(mgr.LoadConduits(CONDS_MANAGER | CONDS_KEEP_MISSING));
  std::vector<CondData*> r = Records(mgr);
  ASSERT_EQ(r.size(), 3u);
  EXPECT_STREQ(r[0]->szCreatorID, "Nam1");
  EXPECT_EQ(r[0]->dwCreatorID, PdFourCC('N', 'a', 'm', '1'));
  EXPECT_STREQ(r[0]->szConduit, named.c_str());
  EXPECT_STREQ(r[0]->szTitle, kNamedTitle);  // the library's own name wins
  EXPECT_STREQ(r[0]->szDirectory, "namdir");
  EXPECT_STREQ(r[0]->szFile, "nam.dat");
  EXPECT_STREQ(r[0]->szRemote, "NamDB");
  EXPECT_STREQ(r[0]->szInfo, "about");
  EXPECT_EQ(r[0]->nPriority, 4);
  EXPECT_EQ(r[0]->dwIntegrate, 1u);
  EXPECT_EQ(r[0]->nStatus, ST_INSTALLED);
  EXPECT_EQ(r[0]->nKind, CONDS_MANAGER);
  EXPECT_STREQ(r[1]->szTitle, "Plain Title");  // no GetConduitName: registered title kept
  EXPECT_EQ(r[1]->nStatus, ST_INSTALLED);
  EXPECT_STREQ(r[2]->szCreatorID, "Gone");
  EXPECT_EQ(r[2]->nStatus, ST_MISSING);
  EXPECT_STREQ(r[2]->szTitle, "Gone Title");
  for (CondData* p : r) EXPECT_EQ(p->pCondObj, 0u);
  ASSERT_NE(mgr.GetCondObj(r[0]), nullptr);
  EXPECT_TRUE(mgr.GetCondObj(r[0])->IsValid());
  ASSERT_NE(mgr.GetCondObj(r[2]), nullptr);
  EXPECT_FALSE(mgr.GetCondObj(r[2])->IsValid());

  // Per-user manager: no missing conduits; install conduits and the backup
  // conduit follow the Conduit Manager's in that order. Reloading replaces.
  EXPECT_TRUE(mgr.LoadConduits(CONDS_MANAGER | CONDS_BACKUP | CONDS_INSTALL));
  r = Records(mgr);
  ASSERT_EQ(r.size(), 5u);
  EXPECT_STREQ(r[0]->szCreatorID, "Nam1");
  EXPECT_STREQ(r[1]->szCreatorID, "Pln1");

  // Install conduits: creator bytes as they stand, no existence test.
  EXPECT_EQ(r[2]->nKind, CONDS_INSTALL);
  EXPECT_STREQ(r[2]->szCreatorID, "inst");
  EXPECT_EQ(r[2]->dwCreatorID, 'i' | 'n' << 8 | 's' << 16 | static_cast<uint32_t>('t') << 24);
  EXPECT_STREQ(r[2]->szConduit, named.c_str());
  EXPECT_STREQ(r[2]->szTitle, kNamedTitle);
  EXPECT_EQ(r[2]->nStatus, 0);
  EXPECT_STREQ(r[3]->szCreatorID, "ins2");
  EXPECT_STREQ(r[3]->szTitle, "Second Install");
  EXPECT_FALSE(mgr.GetCondObj(r[3])->IsValid());

  EXPECT_EQ(r[4]->nKind, CONDS_BACKUP);
  EXPECT_EQ(r[4]->dwCreatorID, COND_BACKUP_CREATOR);
  EXPECT_STREQ(r[4]->szCreatorID, "");
  EXPECT_STREQ(r[4]->szConduit, "plain.dll");
  EXPECT_TRUE(mgr.GetCondObj(r[4])->IsValid());

  // Asking for a record's library does not disturb a walk in progress.
  std::vector<CondData*> walked;
  for (CondData* p = mgr.GetFirst(); p; p = mgr.GetNext()) {
    walked.push_back(p);
    EXPECT_NE(mgr.GetCondObj(r[4]), nullptr);
    EXPECT_NE(mgr.GetCondObj(r[0]), nullptr);
  }
  EXPECT_EQ(walked, r);
  CondData stranger{};
  EXPECT_EQ(mgr.GetCondObj(&stranger), nullptr);

  mgr.RemoveAll();
  EXPECT_EQ(mgr.GetCount(), 0u);
  EXPECT_EQ(mgr.GetFirst(), nullptr);
  EXPECT_EQ(GetModuleHandleA(named.c_str()), nullptr);  // the records' libraries are gone
}

TEST(CondMgrLoadTest, SystemManagerEndsWithTheBackupRecordWithoutConduitManager) {
  PalmSandbox sb(PD_LIB_CONDMGR);  // no condmgr.dll in this desktop
  const std::string plain = CopySample(sb, "cond_plain.dll", "plain.dll");
  sb.AddAppConduit({"Nam1", plain, "T", "", "", "", "", 2, 0});
  sb.AddInstallConduit("inst", plain, "Install Title");
  sb.SetBackupConduit(plain);
  EXPECT_FALSE(LoadPalmLibrariesFrom(sb.Dir().c_str(), PD_LIB_ALL));
  ASSERT_TRUE(LoadPalmLibrariesFrom(sb.Dir().c_str(), PD_LIB_INSTAIDE));

  CCondMgr mgr;
  EXPECT_TRUE(mgr.LoadConduits(CONDS_BACKUP | CONDS_INSTALL));
  std::vector<CondData*> r = Records(mgr);
  ASSERT_EQ(r.size(), 2u);
  EXPECT_STREQ(r[0]->szTitle, "Install Title");
  EXPECT_EQ(r[1]->nKind, CONDS_BACKUP);
  EXPECT_EQ(r[1]->dwCreatorID, 0xFFFFFFFFu);
  EXPECT_STREQ(r[1]->szConduit, "");
  EXPECT_STREQ(r[1]->szTitle, "");

  // Nothing loaded at all: the backup record alone.
  UnloadPalmLibraries(PD_LIB_ALL);
  EXPECT_TRUE(mgr.LoadConduits(CONDS_MANAGER | CONDS_BACKUP | CONDS_INSTALL));
  r = Records(mgr);
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0]->dwCreatorID, 0xFFFFFFFFu);
  EXPECT_EQ(r[0]->nKind, CONDS_BACKUP);
}

TEST(CondMgrLoadTest, OneReadingServesEveryManagerWhileItLasts) {
  PalmSandbox sb;
  ASSERT_FALSE(CopySample(sb, "cond_plain.dll", "plain.dll").empty());
  sb.AddAppConduit({"Pln1", sb.File("plain.dll"), "Before", "", "", "", "", 2, 0});
  sb.AddAppConduit({"Gone", sb.File("gone.dll"), "Gone Title", "", "", "", "", 2, 0});
  ASSERT_TRUE(LoadPalmLibrariesFrom(sb.Dir().c_str(), PD_LIB_ALL));
  auto titles = [](CCondMgr& m) {
    std::vector<std::string> v;
    for (CondData* p : Records(m)) v.push_back(p->szTitle);
    return v;
  };

  CCondMgr app, table, later;
  {
    const CondReadOnce once;
    app.LoadConduits(CONDS_MANAGER | CONDS_KEEP_MISSING);
    PalmSandbox::SetString(AppKey(0), "Title", "After");
    sb.AddAppConduit({"New1", sb.File("plain.dll"), "New", "", "", "", "", 2, 0});
    // The same reading, kept or dropped by this manager's own flags.
    table.LoadConduits(CONDS_MANAGER | CONDS_BACKUP);
    EXPECT_EQ(titles(app), (std::vector<std::string>{"Before", "Gone Title"}));
    EXPECT_EQ(titles(table), (std::vector<std::string>{"Before", ""}));  // and the backup record
  }
  later.LoadConduits(CONDS_MANAGER | CONDS_KEEP_MISSING);
  EXPECT_EQ(titles(later), (std::vector<std::string>{"After", "Gone Title", "New"}));
}

// ---------------------------------------------------------------- Find, Contains, Add

TEST(CondMgrFindTest, OneConduitUnderDifferentSpellingsIsOneRecord) {
  PalmSandbox sb;
  const std::string lib = CopySample(sb, "cond_plain.dll", "LongConduitLibraryName.dll");
  ASSERT_FALSE(lib.empty());
  char szShort[MAX_PATH];
  ASSERT_GT(GetShortPathNameA(lib.c_str(), szShort, sizeof szShort), 0u);
  const std::string shortLib = szShort;
  ASSERT_NE(shortLib, lib);  // the file has a distinct 8.3 name
  std::string upper = lib;
  CharUpperBuffA(upper.data(), static_cast<DWORD>(upper.size()));

  sb.AddAppConduit({"dupe", lib, "First", "", "", "", "", 1, 0});
  sb.AddAppConduit({"dupe", upper, "Second", "", "", "", "", 2, 0});
  sb.AddAppConduit({"dupe", shortLib, "Third", "", "", "", "", 3, 0});
  sb.AddAppConduit({"othr", lib, "Other", "", "", "", "", 2, 0});
  ASSERT_TRUE(LoadPalmLibrariesFrom(sb.Dir().c_str(), PD_LIB_CONDMGR));

  CCondMgr mgr;
  mgr.LoadConduits(CONDS_MANAGER);
  std::vector<CondData*> r = Records(mgr);
  ASSERT_EQ(r.size(), 2u);
  EXPECT_STREQ(r[0]->szCreatorID, "dupe");
  EXPECT_STREQ(r[0]->szTitle, "First");
  EXPECT_EQ(r[0]->nPriority, 1);
  EXPECT_STREQ(r[1]->szCreatorID, "othr");

  // Every spelling of the creator and the library finds the first record.
  EXPECT_EQ(mgr.Find("DUPE", lib.c_str()), r[0]);
  EXPECT_EQ(mgr.Find("dupe", upper.c_str()), r[0]);
  EXPECT_EQ(mgr.Find("dupe", shortLib.c_str()), r[0]);
  EXPECT_EQ(mgr.Find("dupx", lib.c_str()), nullptr);
  EXPECT_EQ(mgr.Find("dupe", sb.File("other.dll").c_str()), nullptr);
  EXPECT_EQ(mgr.Find("", lib.c_str()), nullptr);
  EXPECT_EQ(mgr.Find("dupe", ""), nullptr);
  EXPECT_EQ(mgr.Find(nullptr, lib.c_str()), nullptr);

  // Add refuses an equal record (the caller keeps it) and null.
  CondData* pSame = new CondData(MakeRecord("Dupe", shortLib));
  EXPECT_TRUE(mgr.Contains(pSame));
  EXPECT_FALSE(mgr.Add(pSame));
  delete pSame;
  EXPECT_FALSE(mgr.Add(nullptr));
  EXPECT_EQ(mgr.GetCount(), 2u);

  // A record held by its short name is found by the long one too.
  CCondMgr mgr2;
  CondData* pShort = new CondData(MakeRecord("shrt", shortLib));
  pShort->pCondObj = 0x1234;  // a stale slot is not kept
  ASSERT_TRUE(mgr2.Add(pShort));
  EXPECT_EQ(pShort->pCondObj, 0u);
  EXPECT_EQ(mgr2.GetCondObj(pShort), nullptr);
  EXPECT_EQ(mgr2.Find("shrt", lib.c_str()), pShort);
  EXPECT_EQ(mgr2.Find("shrt", upper.c_str()), pShort);
  CondData* pNew = new CondData(MakeRecord("new1", lib));
  EXPECT_TRUE(mgr2.Add(pNew));
  EXPECT_EQ(mgr2.GetNext(), nullptr);  // Add leaves the cursor on the new last record
  EXPECT_EQ(mgr2.GetFirst(), pShort);
  EXPECT_EQ(mgr2.GetNext(), pNew);
}

// ---------------------------------------------------------------- RegisterConduit, UnregisterConduit

TEST(RegisterConduitTest, WritesTheRecordWithThePriorityKeptInRange) {
  PalmSandbox sb;
  const std::string plain = CopySample(sb, "cond_plain.dll", "plain.dll");
  ASSERT_TRUE(LoadPalmLibrariesFrom(sb.Dir().c_str(), PD_LIB_CONDMGR));

  struct {
    const char* creator;
    int32_t priority;
    long written;
  } cases[] = {{"Pri0", 0, 2}, {"Pri7", 7, 2}, {"Pri5", 5, 5}, {"Pri1", 1, 1}, {"PriN", -3, 2}};
  int n = 0;
  for (const auto& c : cases) {
    CondData rec = MakeRecord(c.creator, plain);
    std::strcpy(rec.szDirectory, "dir");
    std::strcpy(rec.szFile, "file.dat");
    std::strcpy(rec.szRemote, "RemoteDB");
    std::strcpy(rec.szTitle, "A Title");
    std::strcpy(rec.szInfo, "not written");
    rec.dwIntegrate = 9;
    rec.nPriority = c.priority;
    EXPECT_TRUE(RegisterConduit(&rec)) << c.creator;
    EXPECT_EQ(rec.nStatus, ST_INSTALLED);
    EXPECT_EQ(rec.nPriority, c.priority);  // the record itself is not changed
    const std::string key = AppKey(n++);
    EXPECT_EQ(DwordValue(key, "Creator"), static_cast<long>(PalmSandbox::Creator(c.creator)));
    EXPECT_EQ(DwordValue(key, "Priority"), c.written) << c.creator;
    EXPECT_EQ(StringValue(key, "Conduit"), plain);
    EXPECT_EQ(StringValue(key, "Directory"), "dir");
    EXPECT_EQ(StringValue(key, "File"), "file.dat");
    EXPECT_EQ(StringValue(key, "Remote"), "RemoteDB");
    EXPECT_EQ(StringValue(key, "Title"), "A Title");
    EXPECT_EQ(StringValue(key, "Info"), "<none>");
    EXPECT_EQ(DwordValue(key, "Integrate"), 0);
  }

  // Registering a creator twice fails at the first call: status unchanged.
  CondData again = MakeRecord("Pri5", plain);
  again.nStatus = ST_UNINSTALLED;
  EXPECT_FALSE(RegisterConduit(&again));
  EXPECT_EQ(again.nStatus, ST_UNINSTALLED);
  EXPECT_EQ(PalmSandbox::Count(PD_REG_APP_FMT), n);

  // Without the Conduit Manager nothing can be registered.
  UnloadPalmLibraries(PD_LIB_ALL);
  CondData lone = MakeRecord("Lone", plain);
  EXPECT_FALSE(RegisterConduit(&lone));
  EXPECT_EQ(lone.nStatus, ST_MISSING);
}

// The stand-in Conduit Manager refuses writes of the value named in this
// variable of the test's own process.
class RefuseValue {
 public:
  explicit RefuseValue(const char* szValue) { SetEnvironmentVariableA(kVar, szValue); }
  ~RefuseValue() { SetEnvironmentVariableA(kVar, nullptr); }
  static constexpr const char* kVar = "TDX_CONDMGR_REFUSE";
};

TEST(RegisterConduitTest, AFailingSetterEndsTheSequenceAndKeepsWhatWasWritten) {
  PalmSandbox sb;
  const std::string plain = CopySample(sb, "cond_plain.dll", "plain.dll");
  ASSERT_TRUE(LoadPalmLibrariesFrom(sb.Dir().c_str(), PD_LIB_CONDMGR));
  CondData rec = MakeRecord("Half", plain);
  std::strcpy(rec.szDirectory, "dir");
  std::strcpy(rec.szFile, "file.dat");
  std::strcpy(rec.szRemote, "RemoteDB");
  std::strcpy(rec.szTitle, "A Title");
  rec.nPriority = 4;
  rec.nStatus = ST_UNINSTALLED;
  {
    RefuseValue refuse("Remote");
    EXPECT_FALSE(RegisterConduit(&rec));
  }
  EXPECT_EQ(rec.nStatus, ST_UNINSTALLED);
  const std::string key = AppKey(0);
  EXPECT_EQ(StringValue(key, "Conduit"), plain);
  EXPECT_EQ(StringValue(key, "Directory"), "dir");
  EXPECT_EQ(StringValue(key, "File"), "file.dat");
  EXPECT_EQ(DwordValue(key, "Priority"), 4);
  EXPECT_EQ(StringValue(key, "Remote"), "<none>");
  EXPECT_EQ(StringValue(key, "Title"), "<none>");  // never attempted
}

TEST(UnregisterConduitTest, StatusFollowsTheLibraryFileEvenWhenRemovalFails) {
  PalmSandbox sb;
  const std::string plain = CopySample(sb, "cond_plain.dll", "plain.dll");
  sb.AddAppConduit({"keep", plain, "Keep", "", "", "", "", 2, 0});
  sb.AddAppConduit({"away", plain, "Away", "", "", "", "", 2, 0});
  ASSERT_TRUE(LoadPalmLibrariesFrom(sb.Dir().c_str(), PD_LIB_CONDMGR));

  CondData rec = MakeRecord("away", plain);
  rec.nStatus = ST_INSTALLED;
  EXPECT_TRUE(UnregisterConduit(&rec));
  EXPECT_EQ(rec.nStatus, ST_UNINSTALLED);
  EXPECT_EQ(PalmSandbox::Count(PD_REG_APP_FMT), 1);
  EXPECT_EQ(DwordValue(AppKey(0), "Creator"), static_cast<long>(PalmSandbox::Creator("keep")));

  rec.nStatus = ST_INSTALLED;
  EXPECT_FALSE(UnregisterConduit(&rec));  // no longer registered
  EXPECT_EQ(rec.nStatus, ST_UNINSTALLED);

  CondData gone = MakeRecord("keep", sb.File("gone.dll"));
  gone.nStatus = ST_INSTALLED;
  EXPECT_TRUE(UnregisterConduit(&gone));
  EXPECT_EQ(gone.nStatus, ST_MISSING);

  UnloadPalmLibraries(PD_LIB_ALL);
  CondData unbound = MakeRecord("none", plain);
  EXPECT_FALSE(UnregisterConduit(&unbound));
  EXPECT_EQ(unbound.nStatus, ST_UNINSTALLED);
}

// ---------------------------------------------------------------- PocketMirror

TEST(PocketMirrorTest, RecognisedByProductTagOrByCreatorAndLibraryName) {
  CondData r = MakeRecord("xxxx", "C:\\any.dll");
  EXPECT_FALSE(IsPocketMirrorConduit(&r));
  std::strcpy(r.szProduct, "PocketMirror");
  EXPECT_TRUE(IsPocketMirrorConduit(&r));
  std::strcpy(r.szProduct, "pocketmirror");
  EXPECT_FALSE(IsPocketMirrorConduit(&r));

  for (const char* c : {"addr", "date", "todo", "memo", "PAdd", "PDat", "PTod", "PMem"}) {
    CondData m = MakeRecord(c, "C:\\Chapura\\PMirror.dll");
    EXPECT_TRUE(IsPocketMirrorConduit(&m)) << c;
    CondData lower = MakeRecord(c, "C:\\x\\pmirror.dll");
    EXPECT_FALSE(IsPocketMirrorConduit(&lower)) << c;
  }
  CondData wrongCase = MakeRecord("ADDR", "Mirror.dll");
  EXPECT_FALSE(IsPocketMirrorConduit(&wrongCase));
  EXPECT_FALSE(IsPocketMirrorConduit(nullptr));
}

TEST(PocketMirrorTest, UiValuesGoToTheFirstApplicationKeyNamingTheLibrary) {
  PalmSandbox sb;
  sb.AddAppConduit({"othr", "C:\\x\\other.dll", "", "", "", "", "", 2, 0});          // 0: other library
  const int nZero = sb.AddAppConduit({"zero", "D:\\Palm\\PMIRROR.DLL", "", "", "", "", "", 2, 0});
  PalmSandbox::SetDword(AppKey(nZero), "Creator", 0);                                  // 1: creator 0
  sb.AddAppConduit({"PAdd", "pmirror.dll", "", "", "", "", "", 2, 0});                // 2: the match
  sb.AddAppConduit({"PDat", "E:\\PMirror.dll", "", "", "", "", "", 2, 0});            // 3: later match

  CondData rec = MakeRecord("PAdd", "C:\\Elsewhere\\PMirror.dll");
  char szKey[128];
  ASSERT_TRUE(FindApplicationKey(&rec, szKey, sizeof szKey));
  EXPECT_EQ(std::string(szKey), AppKey(2));

  SetPocketMirrorUi(&rec);
  std::string bytes;
  DWORD type = 0;
  ASSERT_TRUE(condtest::RawValue(AppKey(2), "UiModule", &bytes, &type));
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(bytes, "MirrXTUI.dll");  // twelve bytes, no terminating zero
  ASSERT_TRUE(condtest::RawValue(AppKey(2), "UiEntry", &bytes));
  EXPECT_EQ(bytes, "PMSettings");
  EXPECT_EQ(bytes.size(), 10u);
  for (int n : {0, 1, 3}) EXPECT_EQ(StringValue(AppKey(n), "UiModule"), "<none>") << n;

  // Classic creators get the other module; a one-letter name is padded.
  CondData classic = MakeRecord("addr", "E:\\Q.dll");
  sb.AddAppConduit({"addr", "q.DLL", "", "", "", "", "", 2, 0});  // 4
  SetPocketMirrorUi(&classic);
  ASSERT_TRUE(condtest::RawValue(AppKey(4), "UiModule", &bytes));
  EXPECT_EQ(bytes, "MirrorUI.dll");
  ASSERT_TRUE(condtest::RawValue(AppKey(4), "UiEntry", &bytes));
  EXPECT_EQ(bytes, " QSettings");

  CondData unknown = MakeRecord("PAdd", "C:\\NotThere.dll");
  EXPECT_FALSE(FindApplicationKey(&unknown, szKey, sizeof szKey));
}

TEST(PocketMirrorTest, NothingIsWrittenWithoutApplication0) {
  PalmSandbox sb;
  sb.AddAppConduit({"PAdd", "PMirror.dll", "", "", "", "", "", 2, 0});
  sb.AddAppConduit({"PAdd", "PMirror.dll", "", "", "", "", "", 2, 0});
  RegDeleteTreeA(HKEY_CURRENT_USER, AppKey(0).c_str());
  RegDeleteKeyA(HKEY_CURRENT_USER, AppKey(0).c_str());
  ASSERT_FALSE(PalmSandbox::KeyExists(AppKey(0)));

  CondData rec = MakeRecord("PAdd", "C:\\PMirror.dll");
  char szKey[128];
  EXPECT_FALSE(FindApplicationKey(&rec, szKey, sizeof szKey));
  SetPocketMirrorUi(&rec);
  EXPECT_EQ(StringValue(AppKey(1), "UiModule"), "<none>");
  EXPECT_EQ(StringValue(AppKey(1), "UiEntry"), "<none>");
}

TEST(PocketMirrorTest, RegisteringAPocketMirrorConduitSetsItsUi) {
  PalmSandbox sb;
  ASSERT_TRUE(LoadPalmLibrariesFrom(sb.Dir().c_str(), PD_LIB_CONDMGR));
  sb.AddAppConduit({"memo", "memo.dll", "", "", "", "", "", 2, 0});
  CondData rec = MakeRecord("PTod", "C:\\Palm\\PMirror.dll");
  rec.nPriority = 3;
  EXPECT_TRUE(RegisterConduit(&rec));
  EXPECT_EQ(StringValue(AppKey(1), "Conduit"), "C:\\Palm\\PMirror.dll");
  std::string bytes;
  ASSERT_TRUE(condtest::RawValue(AppKey(1), "UiEntry", &bytes));
  EXPECT_EQ(bytes, "PMSettings");
  EXPECT_EQ(StringValue(AppKey(0), "UiEntry"), "<none>");
}

}  // namespace

// ---------------------------------------------------------------- whole keys

TEST(CondKeyTest, EveryValueComesBackByteForByteAndFindsItsCreator) {
  PalmSandbox sb;
  AppConduitSpec a;
  a.creator = "twce";
  a.conduit = "First.dll";
  sb.AddAppConduit({"memo", "Memo.dll"});
  const int n = sb.AddAppConduit(a);
  a.conduit = "Second.dll";
  sb.AddAppConduit(a);
  const std::string key = AppKey(n);
  // What vendors keep beside Palm Desktop's values: any type, a string
  // without its terminator, the default value, a name with a byte over 0x7F.
  const std::vector<RegValue> vendor = {
      {"VendorBlob", REG_BINARY, std::string("\x00\x01\xFF\x00", 4)},
      {"VendorText", REG_SZ, "no terminator"},
      {"VendorList", REG_MULTI_SZ, std::string("a\0b\0\0", 5)},
      {"VendorWide", REG_QWORD, std::string(8, '\x7F')},
      {"", REG_SZ, std::string("default\0", 8)},
      {"Ma\xEFs", REG_EXPAND_SZ, std::string("%TEMP%\0", 7)},
      {"Empty", REG_BINARY, ""}};
  RegKeyValues extra;
  extra.values = vendor;
  ASSERT_TRUE(WriteRegKeyValues(key, extra, false));

  RegKeyValues before;
  ASSERT_TRUE(ReadRegKeyValues(key, &before));
  for (const RegValue& v : vendor) {
    const RegValue* p = before.Find(v.strName.c_str());
    ASSERT_NE(p, nullptr) << v.strName;
    EXPECT_EQ(*p, v) << v.strName;
  }
  ASSERT_NE(before.Find("priority"), nullptr);  // names compare without case

  // Into another key exactly: what it held beyond them goes.
  const std::string other = "Software\\Tandelix Key Test";
  RegKeyValues stray;
  stray.values = {{"Stray", REG_DWORD, std::string(4, '\0')}};
  ASSERT_TRUE(WriteRegKeyValues(other, stray, false));
  ASSERT_TRUE(WriteRegKeyValues(other, before, true));
  RegKeyValues copy;
  ASSERT_TRUE(ReadRegKeyValues(other, &copy));
  RegDeleteTreeA(HKEY_CURRENT_USER, other.c_str());
  RegDeleteKeyA(HKEY_CURRENT_USER, other.c_str());
  EXPECT_EQ(copy.values.size(), before.values.size());
  for (const RegValue& v : before.values) {
    const RegValue* p = copy.Find(v.strName.c_str());
    ASSERT_NE(p, nullptr) << v.strName;
    EXPECT_EQ(*p, v) << v.strName;
  }
  EXPECT_EQ(copy.Find("Stray"), nullptr);

  const std::vector<CondKeyRef> twice = ConduitKeysOf("twce");
  ASSERT_EQ(twice.size(), 2u);
  EXPECT_EQ(twice[0].strConduit, "First.dll");
  EXPECT_EQ(twice[1].strConduit, "Second.dll");
  EXPECT_EQ(twice[0].strKey, key);
  EXPECT_TRUE(ConduitKeysOf("none").empty());
  EXPECT_FALSE(ReadRegKeyValues(AppKey(9), &copy));
}
