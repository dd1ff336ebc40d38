// The seeding tool's description: what a good file gives, and that every kind
// of bad line is refused with its line number.
#include <gtest/gtest.h>

#include <string>

#include "SeedPlan.h"

namespace {

const SeedVars kVars = {{"BIN", "C:\\build\\bin"}, {"HERE", "C:\\demo"}, {"DESKTOP", ""}};

std::string ParseError(const std::string& text, const SeedVars& vars = kVars) {
  SeedPlan plan;
  std::string err;
  EXPECT_FALSE(ParseSeedPlan(text, vars, &plan, &err)) << text;
  return err;
}

TEST(SeedPlanTest, AGoodDescriptionGivesEveryPart) {
  const std::string text =
      "# demo\r\n"
      "desktop \"C:\\Palm Desktop\"\r\n"
      "\r\n"
      "user 1001 \"Mara L\" MaraDir\n"
      "user 0x10 Prof ProfDir profile\n"
      "slot 1001 2 sdig \"SD Card\"\n"
      "app PAdd PMirror.dll \"Mail Mirror\" directory=mirror remote=MirrorDB priority=3 "
      "info=\"two words\" integrate=1\n"
      "app addr $DESKTOP\\AddrCond.dll \"Address Book\"\n"
      "install inst $BIN\\cond_plain.dll \"Install Files\"\n"
      "backup Backup.dll\n"
      "copy $BIN\\cond_named.dll PMirror.dll\n"
      "log 1001 HotSync.Log $HERE\\logs\\HotSync.Log";  // no final line end
  SeedPlan s;
  std::string err;
  ASSERT_TRUE(ParseSeedPlan(text, kVars, &s, &err)) << err;
  EXPECT_EQ(s.sDesktop, "C:\\Palm Desktop");
  ASSERT_EQ(s.users.size(), 2u);
  EXPECT_EQ(s.users[0].dwUserID, 1001u);
  EXPECT_EQ(s.users[0].sName, "Mara L");
  EXPECT_FALSE(s.users[0].bProfile);
  EXPECT_EQ(s.users[1].dwUserID, 16u);
  EXPECT_TRUE(s.users[1].bProfile);
  ASSERT_EQ(s.slots.size(), 1u);
  EXPECT_EQ(s.slots[0].dwMediaType, 0x73646967u);
  EXPECT_EQ(s.slots[0].sName, "SD Card");
  ASSERT_EQ(s.apps.size(), 2u);
  EXPECT_EQ(s.apps[0].sRemote, "MirrorDB");
  EXPECT_EQ(s.apps[0].sInfo, "two words");
  EXPECT_EQ(s.apps[0].nPriority, 3);
  EXPECT_EQ(s.apps[0].nIntegrate, 1);
  EXPECT_EQ(s.apps[0].nLine, 7);
  EXPECT_EQ(s.apps[1].sLibrary, "C:\\Palm Desktop\\AddrCond.dll");
  EXPECT_EQ(s.apps[1].nPriority, 2);
  ASSERT_EQ(s.installs.size(), 1u);
  EXPECT_EQ(s.installs[0].sLibrary, "C:\\build\\bin\\cond_plain.dll");
  EXPECT_EQ(s.sBackup, "Backup.dll");
  ASSERT_EQ(s.files.size(), 2u);
  EXPECT_EQ(s.files[0].sTarget, "PMirror.dll");
  EXPECT_EQ(s.files[1].sSource, "C:\\demo\\logs\\HotSync.Log");
  EXPECT_EQ(s.files[1].sTarget, "MaraDir\\HotSync.Log");
}

TEST(SeedPlanTest, TheCommandLineDesktopWins) {
  SeedVars vars = kVars;
  vars["DESKTOP"] = "D:\\Other";
  SeedPlan s;
  std::string err;
  ASSERT_TRUE(ParseSeedPlan("desktop C:\\Palm\napp abcd $DESKTOP\\x.dll T\n", vars, &s, &err)) << err;
  EXPECT_EQ(s.sDesktop, "D:\\Other");
  EXPECT_EQ(s.apps[0].sLibrary, "D:\\Other\\x.dll");
  ASSERT_TRUE(ParseSeedPlan("user 1 A A\n", vars, &s, &err)) << err;  // no desktop line needed
}

TEST(SeedPlanTest, BadLinesAreNamedByNumber) {
  const std::string head = "desktop C:\\P\nuser 1 Ann Ann\n";  // lines 1-2
  const struct {
    const char* line;
    const char* says;
  } cases[] = {
      {"frobnicate x", "unknown command"},
      {"user 2 \"Unclosed Ann", "quote"},
      {"user 1 Twin Twin", "used twice"},
      {"user x Bad Bad", "bad user id"},
      {"user 99999999999 Big Big", "user id"},
      {"user 3 Ann Ann admin", "unknown word"},
      {"user 3 Ann ..\\outside", "inside the desktop"},
      {"user 3 Ann C:\\abs", "relative"},
      {"user 3 AnnAnnAnnAnnAnnAnnAnnAnnAnnAnnAnnAnnAnnAnnAnnAnnAnnAnnAnnAnnAnnAnn Dir", "longer"},
      {"slot 7 1 sdig Card", "no user 7"},
      {"slot 1 1 sd Card", "media type"},
      {"app abc x.dll T", "four characters"},
      {"app abcd x.dll", "creator, a library and a title"},
      {"app abcd x.dll T priority=9", "1 to 5"},
      {"app abcd x.dll T colour=red", "unknown setting"},
      {"app abcd x.dll T remote", "name=value"},
      {"app abcd x.dll T remote=ThisRemoteNameIsMuchTooLongForItsField", "longer"},
      {"install inst x.dll", "takes 3"},
      {"log 1 ..\\evil.log C:\\src", "plain file name"},
      {"log 2 HotSync.Log C:\\src", "no user 2"},
      {"copy C:\\src C:\\Windows\\x.dll", "relative"},
      {"copy C:\\src sub\\...\\x.dll", "inside the desktop"},
      {"desktop C:\\Again", "second desktop"},
      {"app abcd $NOPE\\x.dll T", "$NOPE"},
  };
  for (const auto& c : cases) {
    const std::string err = ParseError(head + "# fine\n" + c.line + "\nuser 9 Later Later\n");
    EXPECT_EQ(err.rfind("line 4: ", 0), 0u) << c.line << " -> " << err;
    EXPECT_NE(err.find(c.says), std::string::npos) << c.line << " -> " << err;
  }
  EXPECT_NE(ParseError("desktop C:\\P\napp abcd x.dll A\napp abcd y.dll B\n").find("line 3"),
            std::string::npos);
  EXPECT_NE(ParseError("backup a.dll\nbackup b.dll\n").find("line 2"), std::string::npos);
  EXPECT_EQ(ParseError("user 1 Ann Ann\n"), "no desktop line");
  EXPECT_NE(ParseError(std::string("desktop C:\\P\nuser 1 A\0B X\n", 26)).find("line 2"),
            std::string::npos);
}

}  // namespace
