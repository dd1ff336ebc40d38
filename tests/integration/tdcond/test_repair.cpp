// The doctor's repairs through "tdcond doctor --fix" on the faulty desktop,
// and every command that changes conduit registrations while the stand-in
// HotSync library says a HotSync is running, and while it is idle.
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include "orvello/OVOutput.h"
#include "orvello/OVRepair.h"
#include "TdcTestUtil.h"
#include "palm/CondKey.h"
#include "support/PdRegistry.h"

using namespace tdctest;

namespace {

std::set<std::string> Names(const std::string& dir) {
  std::set<std::string> out;
  for (const auto& e : std::filesystem::directory_iterator(dir))
    out.insert(e.path().filename().string());
  return out;
}

class RepairTest : public TdcondTest {
 protected:
  // The faulty desktop with every repairable finding: its own, and a
  // HotSync log far too large.
  void SeedRepairable() {
    SeedFaulty();
    if (HasFatalFailure()) return;
    HANDLE h = CreateFileA((Desk() + "\\TesterA\\HotSyncLog.htm").c_str(), GENERIC_WRITE, 0,
                           nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    LARGE_INTEGER size;
    size.QuadPart = kOVLogTooLarge + 1;
    SetFilePointerEx(h, size, nullptr, FILE_BEGIN);
    SetEndOfFile(h);
    CloseHandle(h);
  }

  TdcResult RunAsking(std::vector<std::string> args, std::vector<std::string>* pAsked,
                      const std::string& answer) {
    std::vector<const char*> argv = {"tdcond"};
    for (const std::string& a : args) argv.push_back(a.c_str());
    TdcEnv env;
    env.strModuleDir = ProgDir();
    env.pClock = &clock;
    env.ask = [&](const std::string& q) {
      pAsked->push_back(q);
      return answer;
    };
    return TdcRun(static_cast<int>(argv.size()), argv.data(), env);
  }

  // The values of the application key registered for a creator, by name.
  static std::map<std::string, std::string> AppSettings(const std::string& creator) {
    const uint32_t want = tdxtest::PalmSandbox::Creator(creator);
    for (int i = 0;; ++i) {
      const std::string key = tdxtest::PalmSandbox::Numbered(PD_REG_APP_FMT, i);
      if (!tdxtest::PalmSandbox::KeyExists(key)) return {};
      if (AppValue(i, "Creator") != std::to_string(want)) continue;
      std::map<std::string, std::string> all, out;
      tdxtest::DumpKey(HKEY_CURRENT_USER, key, all);
      // "Info" is read from a registration, never written: not a setting kept.
      for (const auto& kv : all)
        if (kv.first.substr(kv.first.find('|') + 1) != "Info")
          out[kv.first.substr(kv.first.find('|') + 1)] = kv.second;
      return out;
    }
  }

  static std::multiset<std::string> Checks(const hvtest::JValue& doc) {
    std::multiset<std::string> out;
    for (const hvtest::JValue& f : doc["findings"].arr) out.insert(f["check"].str);
    return out;
  }
};

}  // namespace

TEST_F(RepairTest, FixRepairsEveryRepairableFindingAndKeepsWhatItMoves) {
  ASSERT_NO_FATAL_FAILURE(SeedRepairable());
  const auto noOpen = AppSettings("NoOp"), junk = AppSettings("Junk"), twice = AppSettings("Twce");
  ASSERT_FALSE(noOpen.empty());
  const DWORD refreshes = tdxtest::HotSyncRefreshes();

  const TdcResult r = Run({"doctor", "--fix", "--yes"});
  // Left: a creator that is not text, and conduits sharing a library.
  EXPECT_EQ(r.nExit, TDC_EXIT_FAILED) << r.strOut;
  EXPECT_EQ(r.strErr, "tdcond: 2 findings remain\n");
  for (const char* line :
       {"repaired [library-missing] conduit \"Gone Conduit\" (Gone): ",
        "repaired [library-not-conduit] conduit \"Not A Conduit\" (NoOp): "
        "Uninstalled; its settings are kept in OVRes.dat for restoring.",
        "repaired [library-not-32bit] conduit \"Not A Library\" (Junk): ",
        "repaired [priority] conduit \"Priority Conduit\" (Prio): Priority set to 2.",
        "repaired [creator-twice] creator ID \"Twce\": Kept install conduit",
        "repaired [user-directory] user \"Lost User\": Created",
        "repaired [log-unreadable] user \"Ann Tester\": Renamed to",
        "repaired [log-too-large] user \"Ann Tester\": Renamed to",
        "repaired [store-library-gone] restorable conduit \"Stored\" (Lost): "})
    EXPECT_NE(r.strOut.find(line), std::string::npos) << line << "\n" << r.strOut;
  EXPECT_EQ(tdxtest::HotSyncRefreshes(), refreshes + 1) << "one refresh for the whole run";

  const hvtest::JValue after = Json(Run({"doctor", "--json"}).strOut);
  EXPECT_EQ(Checks(after), (std::multiset<std::string>{"creator-invalid", "library-shared"}));
  EXPECT_TRUE(std::filesystem::is_directory(Desk() + "\\LostUser"));
  // Both logs are still there under names that say why.
  std::set<std::string> moved;
  for (const std::string& n : Names(Desk() + "\\TesterA")) {
    if (n.find("-unreadable-") == std::string::npos && n.find("-too-large-") == std::string::npos)
      continue;
    moved.insert(n.substr(0, n.find("-20")));  // the stem and why; then when
    if (n.find("-too-large-") != std::string::npos) {
      EXPECT_EQ(std::filesystem::file_size(Desk() + "\\TesterA\\" + n), kOVLogTooLarge + 1);
    }
  }
  EXPECT_EQ(moved, (std::set<std::string>{"HotSync-unreadable", "HotSyncLog-too-large"}));
  std::set<std::string> stored;
  for (const CondData& d : Store()) stored.insert(d.szCreatorID);
  EXPECT_EQ(stored, (std::set<std::string>{"Kept", "NoOp", "Junk", "Twce"}));
  size_t nUninstalls = 0;
  for (const OVLogEntry& e : History()) nUninstalls += e.nKind == OVLOG_UNINSTALLED;
  EXPECT_EQ(nUninstalls, 4u);  // Gone, NoOp, Junk, Twce

  // Each uninstalled conduit comes back with its settings, byte for byte.
  for (const auto& [creator, before] :
       {std::pair{"NoOp", noOpen}, std::pair{"Junk", junk}, std::pair{"Twce", twice}}) {
    const TdcResult back = Run({"restore", creator});
    EXPECT_EQ(back.nExit, TDC_EXIT_OK) << creator << ": " << back.strErr;
    EXPECT_EQ(AppSettings(creator), before) << creator;
  }
}

TEST_F(RepairTest, NoAnswersChangeNothing) {
  ASSERT_NO_FATAL_FAILURE(SeedRepairable());
  const auto registry = tdxtest::PalmRegistry();
  const auto desk = Names(Desk()), userA = Names(Desk() + "\\TesterA");
  const auto store = tdxtest::ReadBytes(ProgDir() + kOVRestoreStore);
  for (const char* answer : {"", "n\n", "no\n"}) {
    std::vector<std::string> asked;
    const TdcResult r = RunAsking({"doctor", "--fix"}, &asked, answer);
    EXPECT_EQ(r.nExit, TDC_EXIT_FAILED);
    EXPECT_EQ(asked.size(), 9u) << "one question per repairable finding";
    ASSERT_FALSE(asked.empty());
    EXPECT_NE(asked[0].find("Repair: "), std::string::npos);
    EXPECT_EQ(asked[0].substr(asked[0].size() - 7), " [y/N] ");
    EXPECT_NE(r.strOut.find("skipped [priority] conduit \"Priority Conduit\" (Prio)\n"),
              std::string::npos);
  }
  EXPECT_EQ(tdxtest::PalmRegistry(), registry);
  EXPECT_EQ(Names(Desk()), desk);
  EXPECT_EQ(Names(Desk() + "\\TesterA"), userA);
  EXPECT_EQ(tdxtest::ReadBytes(ProgDir() + kOVRestoreStore), store);
  EXPECT_FALSE(std::filesystem::exists(ProgDir() + kOVHistoryFile));
}

// Two application registrations of one creator, each with values only its
// vendor knows: whichever --keep names stays with its whole key, every value
// and type as it was (the first, which the Conduit Manager must remove to
// reach the second, comes back so), and the other is uninstalled into the
// store.
TEST_F(RepairTest, KeepChoosesWhichRegistrationOfACreatorStaysWithItsWholeKey) {
  EXPECT_EQ(Run({"doctor", "--fix", "--keep", "Dupe"}).nExit, TDC_EXIT_USAGE);
  EXPECT_EQ(Run({"doctor", "--yes"}).nExit, TDC_EXIT_USAGE);
  Sample("cond_plain.dll", "First.dll");
  Sample("cond_plain.dll", "Second.dll");
  for (const char* keep : {"second.dll", "first.dll"}) {
    SCOPED_TRACE(keep);
    RegDeleteTreeA(HKEY_CURRENT_USER, PD_REG_ROOT);
    sb.SetDesktopPath(sb.Dir());
    DeleteFileA((ProgDir() + kOVRestoreStore).c_str());
    int n = 0;
    for (const char* lib : {"First.dll", "Second.dll"}) {
      const int nKey = AddApp("Dupe", sb.File(lib), std::string(lib) + " One");
      RegKeyValues vendor;
      vendor.values = {{"VendorBlob", REG_BINARY, std::string("\x00\x01", 2) + lib},
                       {"VendorText", REG_SZ, std::string(lib)},  // no terminator
                       {"Info", REG_SZ, std::string("info ") + lib + '\0'},
                       {"Integrate", REG_DWORD, std::string(4, static_cast<char>(++n))}};
      ASSERT_TRUE(WriteRegKeyValues(tdxtest::PalmSandbox::Numbered(PD_REG_APP_FMT, nKey), vendor,
                                    false));
    }
    std::vector<CondRegistration> before, after;
    ASSERT_TRUE(SnapshotCreator("Dupe", &before));
    ASSERT_EQ(before.size(), 2u);
    const size_t nKept = std::string(keep) == "first.dll" ? 0 : 1;

    const TdcResult r = Run({"doctor", "--fix", "--yes", "--keep", std::string("Dupe=") + keep});
    EXPECT_EQ(r.nExit, TDC_EXIT_OK) << r.strOut << r.strErr;
    ASSERT_TRUE(SnapshotCreator("Dupe", &after));
    ASSERT_EQ(after.size(), 1u) << r.strOut;
    EXPECT_EQ(after[0].strConduit, before[nKept].strConduit);
    EXPECT_TRUE(after[0].values == before[nKept].values) << r.strOut;
    ASSERT_EQ(Store().size(), 1u);
    EXPECT_EQ(OVField(Store()[0].szConduit), before[1 - nKept].strConduit);
  }
}

// A repair run saves every registration to a new set before its first
// change, names it, lists it; restoring that set registers again every
// conduit the run uninstalled, one whose library is gone included.
TEST_F(RepairTest, ARunSavesTheSetThatUndoesIt) {
  ASSERT_NO_FATAL_FAILURE(SeedRepairable());
  auto registrations = [] {
    std::multiset<std::string> out;
    for (const CondKeyRef& k : ListConduitKeys())
      out.insert(std::to_string(k.dwCreator) + "|" + k.strConduit);
    return out;
  };
  const auto before = registrations();
  const TdcResult r = Run({"doctor", "--fix", "--yes"});
  EXPECT_NE(r.strOut.find("Saved every conduit registration to the backup set ovset1.bak "
                          "(\"Before repair 12-09-2025 "),
            std::string::npos)
      << r.strOut;
  EXPECT_NE(registrations(), before);
  const hvtest::JValue sets = Json(Run({"sets", "--json"}).strOut);
  ASSERT_EQ(sets["sets"].arr.size(), 1u);
  EXPECT_EQ(sets["sets"].arr[0]["file"].str, "ovset1.bak");
  EXPECT_EQ(sets["sets"].arr[0]["description"].str.rfind("Before repair 12-09-2025 ", 0), 0u);
  EXPECT_FALSE(sets["sets"].arr[0]["time"].str.empty());

  const TdcResult undo = Run({"restore-set", "ovset1.bak"});
  EXPECT_EQ(undo.nExit, TDC_EXIT_OK) << undo.strOut << undo.strErr;
  EXPECT_EQ(registrations(), before);
}

// Every command that changes conduit registrations: refused while a HotSync
// runs (nothing in the registry changes, no refresh), and followed by exactly
// one refresh when idle.
TEST_F(RepairTest, ChangesAreRefusedDuringAHotSyncAndRefreshedOnceAfter) {
  Sample("cond_plain.dll", "GoodCond.dll");
  Sample("cond_plain.dll", "Other.dll");
  Sample("cond_plain.dll", "NewCond.dll");
  AddApp("Good", sb.File("GoodCond.dll"), "Good Conduit");
  AddApp("Othr", sb.File("Other.dll"), "Other Conduit", 9);
  ASSERT_EQ(Run({"backup", "ovset1.bak"}).nExit, TDC_EXIT_OK);
  const std::string newLib = sb.File("NewCond.dll");
  const std::vector<std::vector<std::string>> ops = {
      {"install", newLib, "--creator", "Newc"},
      {"uninstall", "Good"},
      {"restore", "Good"},
      {"uninstall", "Good"},
      {"restore-set", "ovset1.bak"},
      {"doctor", "--fix", "--yes"},
  };
  for (const auto& op : ops) {
    tdxtest::SetHotSyncRunning(true);
    const auto registry = tdxtest::PalmRegistry();
    const TdcResult refused = Run(op);
    EXPECT_EQ(refused.nExit, TDC_EXIT_FAILED) << op[0];
    EXPECT_EQ(refused.strErr, std::string("tdcond: ") + kPdSyncRunning + "\n") << op[0];
    EXPECT_EQ(tdxtest::PalmRegistry(), registry) << op[0];

    tdxtest::SetHotSyncRunning(false);
    const DWORD before = tdxtest::HotSyncRefreshes();
    const TdcResult done = Run(op);
    EXPECT_EQ(done.nExit, TDC_EXIT_OK) << op[0] << ": " << done.strErr;
    EXPECT_EQ(tdxtest::HotSyncRefreshes(), before + 1) << op[0];
  }
  // Without a HotSync library nothing is refused and nothing is asked.
  ASSERT_TRUE(DeleteFileA(sb.File("HSAPI.DLL").c_str()));
  tdxtest::SetHotSyncRunning(true);
  const TdcResult r = Run({"uninstall", "Newc"});
  EXPECT_EQ(r.nExit, TDC_EXIT_OK) << r.strErr;
}

// The store's repair reads, changes and writes OVRes.dat under the program
// directory's lock: another writer that read the store under the lock and
// writes it back later neither loses its entry nor brings back the one the
// repair removed.
TEST_F(RepairTest, TheStoreRepairWaitsForTheLockAndKeepsAnotherWritersEntry) {
  {
    CondRecordWriter w;
    ASSERT_TRUE(w.Create((ProgDir() + kOVRestoreStore).c_str()));
    ASSERT_TRUE(w.Write(StoreEntry("Lost", sb.File("LostCond.dll"))));
    ASSERT_TRUE(w.Commit());
  }
  const std::string other = Sample("cond_plain.dll", "Other.dll");
  HANDLE hHeld = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::thread writer([&] {
    DirLock lock((ProgDir() + kOVRestoreStore).c_str());
    std::vector<CondData> now;
    CondRecordReader r;
    if (r.Open((ProgDir() + kOVRestoreStore).c_str()))
      for (CondData d; r.Read(&d);) now.push_back(d);
    r.Close();
    SetEvent(hHeld);
    Sleep(1500);  // the repair runs meanwhile, up to where it waits for the lock
    CondRecordWriter w;
    bool ok = w.Create((ProgDir() + kOVRestoreStore).c_str());
    for (const CondData& d : now) ok = ok && w.Write(d);
    ok = ok && w.Write(StoreEntry("Othr", other)) && w.Commit();
    EXPECT_TRUE(ok);
  });
  WaitForSingleObject(hHeld, 10000);
  const TdcResult r = Run({"doctor", "--fix", "--yes"});
  writer.join();
  CloseHandle(hHeld);
  EXPECT_NE(r.strOut.find("repaired [store-library-gone]"), std::string::npos) << r.strOut;
  std::set<std::string> stored;
  for (const CondData& d : Store()) stored.insert(d.szCreatorID);
  EXPECT_EQ(stored, std::set<std::string>{"Othr"});
}
