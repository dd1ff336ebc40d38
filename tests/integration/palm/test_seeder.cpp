// The seeding tool's work, done in-process on a sandboxed desktop, and the
// demo description seeded the same way.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "Seeder.h"
#include "palm/PalmDesktop.h"
#include "support/PalmSandbox.h"

namespace {

using tdxtest::PalmSandbox;

std::string BinDir() {
  std::string s = PalmSandbox::BinFile("");
  s.pop_back();  // the trailing backslash
  return s;
}

// The demo description as Wine sees the source tree.
std::string DemoSeed() {
  std::string s = "Z:" TDX_DEMO_SEED;
  for (char& c : s)
    if (c == '/') c = '\\';
  return s;
}

bool Seed(const std::string& text, const SeedVars& vars, std::string* pErr) {
  SeedPlan plan;
  return ParseSeedPlan(text, vars, &plan, pErr) && SeedDesktop(plan, BinDir(), pErr);
}

std::string Title(const char* creator) {
  char buf[64] = {};
  int32_t n = sizeof buf;
  CmGetCreatorTitle(creator, buf, &n);
  return buf;
}

TEST(SeederTest, SeedsAWholeDesktopThroughTheStandins) {
  PalmSandbox box;
  const std::string desk = box.File("seeded");
  tdxtest::WriteText(box.File("src.log"), "HotSync operation started for Ann on 07/15/03 10:00:00\n");
  const std::string text =
      "desktop \"" + desk + "\"\n"
      "user 77 \"Ann Example\" AnnDir\n"
      "user 78 Team TeamDir profile\n"
      "slot 77 5 sdig \"SD Card\"\n"
      "slot 77 9 cfsh CF\n"
      "copy $BIN\\cond_named.dll PMirror.dll\n"
      "app PAdd PMirror.dll \"Mail Mirror\" remote=MirrorDB priority=3\n"
      "app memo $BIN\\cond_plain.dll \"Memo Pad\"\n"
      "install inst $BIN\\cond_plain.dll \"Install Files\"\n"
      "backup $BIN\\cond_version.dll\n"
      "log 77 HotSync.Log \"" + box.File("src.log") + "\"\n";
  std::string err;
  ASSERT_TRUE(Seed(text, {{"BIN", BinDir()}}, &err)) << err;

  char path[260];
  ASSERT_EQ(GetPalmDesktopPath(path, sizeof path), 0);
  EXPECT_EQ(std::string(path), desk);
  StartPalmLayer();
  auto* users = GetPalmUserList();
  ASSERT_NE(users, nullptr);
  ASSERT_EQ(users->GetCount(), 2u);
  EXPECT_STREQ(users->GetAt(0)->szUserName, "Ann Example");
  EXPECT_STREQ(users->GetAt(1)->szUserDir, "TeamDir");
  EXPECT_NE(UmIsUserProfile(78), 0);
  uint32_t refs[2] = {};
  uint16_t count = 2;
  EXPECT_EQ(UmSlotGetInfo(77, refs, &count), 0);
  EXPECT_EQ(refs[1], 9u);

  ASSERT_EQ(CmGetConduitCount(), 2);
  EXPECT_EQ(Title("PAdd"), "Mail Mirror");
  int32_t prio = 0;
  CmGetCreatorPriority("PAdd", &prio);
  EXPECT_EQ(prio, 3);
  EXPECT_EQ(PltGetInstallConduitCount(), 1);
  char lib[260] = {};
  int32_t n = sizeof lib;
  EXPECT_EQ(CmGetBackupConduit(lib, &n), 0);
  EXPECT_EQ(std::string(lib), BinDir() + "\\cond_version.dll");

  EXPECT_NE(GetFileAttributesA((desk + "\\PMirror.dll").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(tdxtest::ReadBytes(desk + "\\AnnDir\\HotSync.Log"),
            tdxtest::ReadBytes(box.File("src.log")));
  EXPECT_NE(GetFileAttributesA((desk + "\\TeamDir").c_str()), INVALID_FILE_ATTRIBUTES);
  StopPalmLayer();
}

TEST(SeederTest, AFailedSeedLeavesTheRegistryAsItWas) {
  PalmSandbox box;
  box.AddAppConduit({.creator = "keep", .conduit = "keep.dll", .title = "Kept"});
  const std::string desk = box.File("seeded");
  const std::string head = "desktop \"" + desk + "\"\nuser 1 Ann Ann\n";
  std::string err;
  // A bad line, and a missing source file found before anything is made.
  EXPECT_FALSE(Seed(head + "app abcd x.dll T priority=0\n", {{"BIN", BinDir()}}, &err));
  EXPECT_EQ(err.rfind("line 3:", 0), 0u) << err;
  EXPECT_FALSE(Seed(head + "log 1 HotSync.Log C:\\no\\such.log\n", {{"BIN", BinDir()}}, &err));
  EXPECT_EQ(err.rfind("line 3:", 0), 0u) << err;

  EXPECT_FALSE(PalmSandbox::KeyExists(PD_REG_USERS));
  EXPECT_TRUE(PalmSandbox::KeyExists(PD_REG_ROOT "\\Application0"));
  char path[260];
  ASSERT_EQ(GetPalmDesktopPath(path, sizeof path), 0);
  EXPECT_EQ(std::string(path), box.Dir());
  EXPECT_EQ(GetFileAttributesA(desk.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(SeederTest, TheDemoDesktopSeedsCompletely) {
  PalmSandbox box;
  std::ifstream in(DemoSeed(), std::ios::binary);
  ASSERT_TRUE(in) << DemoSeed();
  std::ostringstream text;
  text << in.rdbuf();
  const std::string seed = DemoSeed();
  const std::string desk = box.File("demo");
  std::string err;
  ASSERT_TRUE(Seed(text.str(),
                   {{"BIN", BinDir()}, {"HERE", seed.substr(0, seed.find_last_of('\\'))},
                    {"DESKTOP", desk}},
                   &err))
      << err;

  StartPalmLayer();
  ASSERT_EQ(GetPalmUserList()->GetCount(), 3u);
  int nProfiles = 0, nTwoSlots = 0;
  for (PalmUser* u = GetPalmUserList()->GetFirst(); u; u = GetPalmUserList()->GetNext()) {
    nProfiles += UmIsUserProfile(u->dwUserID) != 0;
    uint16_t slots = 0;
    UmSlotGetSlotCount(u->dwUserID, &slots);
    nTwoSlots += slots == 2;
  }
  EXPECT_EQ(nProfiles, 1);
  EXPECT_EQ(nTwoSlots, 1);

  EXPECT_EQ(CmGetConduitCount(), 8);
  for (const char* c : {"addr", "date", "todo", "memo", "PAdd"}) EXPECT_FALSE(Title(c).empty()) << c;
  char lib[260] = {};
  int32_t n = sizeof lib;
  CmGetCreatorName("PAdd", lib, &n);
  EXPECT_STREQ(lib, "PMirror.dll");
  // Relative libraries resolve against the desktop, the current directory now.
  EXPECT_NE(GetFileAttributesA(lib), INVALID_FILE_ATTRIBUTES);
  int nMissing = 0;
  for (int i = 0; i < 8; ++i) {
    char creator[5] = {};
    int32_t size = 5;
    CmGetConduitCreatorID(i, creator, &size);
    n = sizeof lib;
    CmGetCreatorName(creator, lib, &n);
    nMissing += GetFileAttributesA(lib) == INVALID_FILE_ATTRIBUTES;
  }
  EXPECT_EQ(nMissing, 1);
  EXPECT_EQ(PltGetInstallConduitCount(), 2);
  n = sizeof lib;
  EXPECT_EQ(CmGetBackupConduit(lib, &n), 0);

  for (PalmUser* u = GetPalmUserList()->GetFirst(); u; u = GetPalmUserList()->GetNext()) {
    if (UmIsUserProfile(u->dwUserID)) continue;
    for (const char* f : {"HotSyncLog.htm", "HotSync.Log"})
      EXPECT_GT(tdxtest::ReadBytes(desk + "\\" + u->szUserDir + "\\" + f).size(), 1000u)
          << u->szUserName << " " << f;
  }
  StopPalmLayer();
}

}  // namespace
