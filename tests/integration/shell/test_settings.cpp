#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "orvello/ConduitTool.h"
#include "shell/Lifecycle.h"
#include "shell/Settings.h"
#include "support/TempDir.h"

namespace {

std::string Key(const std::string& path, const char* section, const char* key) {
  char buf[1024] = {};
  GetPrivateProfileStringA(section, key, "<missing>", buf, sizeof(buf), path.c_str());
  return buf;
}

BackupSetEntry* NewEntry(const char* file, const char* desc) {
  auto* p = new BackupSetEntry{};
  std::strncpy(p->szFileName, file, sizeof(p->szFileName) - 1);
  std::strncpy(p->szDesc, desc, sizeof(p->szDesc) - 1);
  return p;
}

class SettingsFile : public ::testing::Test {
 protected:
  tdxtest::TempDir dir{"ini"};
  std::string ini = dir.file("tessary.ini");
};

}  // namespace

TEST_F(SettingsFile, MissingFileGivesDefaultsAndNoEntries) {
  TdxSettings s{7, 9};
  BackupSetList sets;
  ReadSettingsFile(ini.c_str(), s, &sets);
  EXPECT_EQ(s.nSkinType, 0);
  EXPECT_EQ(s.dwLastUserID, 0u);
  EXPECT_EQ(sets.GetCount(), 0u);
}

TEST_F(SettingsFile, RoundTripKeepsEveryValueAndEntryInOrder) {
  BackupSetList sets;
  sets.Add(NewEntry("C:\\Tandelix\\ovset1.bak", "before the upgrade"));
  sets.Add(NewEntry("C:\\Tandelix\\ovset2.bak", ""));
  WriteSettingsFile(ini.c_str(), TdxSettings{3, 0x12345678u}, &sets);

  TdxSettings s;
  BackupSetList back;
  ReadSettingsFile(ini.c_str(), s, &back);
  EXPECT_EQ(s.nSkinType, 3);
  EXPECT_EQ(s.dwLastUserID, 0x12345678u);
  ASSERT_EQ(back.GetCount(), 2u);
  EXPECT_STREQ(back.GetAt(0)->szFileName, "C:\\Tandelix\\ovset1.bak");
  EXPECT_STREQ(back.GetAt(0)->szDesc, "before the upgrade");
  EXPECT_STREQ(back.GetAt(1)->szFileName, "C:\\Tandelix\\ovset2.bak");
  EXPECT_STREQ(back.GetAt(1)->szDesc, "");
  EXPECT_EQ(Key(ini, "OVFile", "Count"), "2");
}

TEST_F(SettingsFile, CountDecidesHowManyEntriesAreRead) {
  // Count 2 but only entry 1 present: two records, the second empty.
  tdxtest::WriteText(ini, "[OVFile]\r\nCount=2\r\nOVSet1=a.bak\r\nOVDesc1=first\r\n");
  BackupSetList sets;
  TdxSettings s;
  ReadSettingsFile(ini.c_str(), s, &sets);
  ASSERT_EQ(sets.GetCount(), 2u);
  EXPECT_STREQ(sets.GetAt(0)->szFileName, "a.bak");
  EXPECT_STREQ(sets.GetAt(1)->szFileName, "");
  EXPECT_STREQ(sets.GetAt(1)->szDesc, "");

  // Count 1 with entries 1 to 3: one record; writing back leaves 2 and 3 alone.
  tdxtest::WriteText(ini,
                     "[OVFile]\r\nCount=1\r\nOVSet1=one.bak\r\nOVDesc1=one\r\nOVSet2=two.bak\r\n"
                     "OVDesc2=two\r\nOVSet3=three.bak\r\nOVDesc3=three\r\n");
  BackupSetList one;
  ReadSettingsFile(ini.c_str(), s, &one);
  ASSERT_EQ(one.GetCount(), 1u);
  std::strcpy(one.GetAt(0)->szDesc, "changed");
  WriteSettingsFile(ini.c_str(), s, &one);
  EXPECT_EQ(Key(ini, "OVFile", "Count"), "1");
  EXPECT_EQ(Key(ini, "OVFile", "OVDesc1"), "changed");
  EXPECT_EQ(Key(ini, "OVFile", "OVSet2"), "two.bak");
  EXPECT_EQ(Key(ini, "OVFile", "OVDesc2"), "two");
  EXPECT_EQ(Key(ini, "OVFile", "OVSet3"), "three.bak");
  EXPECT_EQ(Key(ini, "OVFile", "OVDesc3"), "three");
}

TEST_F(SettingsFile, UserIdWithTopBitIsWrittenNegativeAndReadBack) {
  WriteSettingsFile(ini.c_str(), TdxSettings{0, 0x80000001u}, nullptr);
  EXPECT_EQ(Key(ini, "Tandelix", "UserID"), "-2147483647");
  WriteSettingsFile(ini.c_str(), TdxSettings{0, 0xFFFFFFFFu}, nullptr);
  EXPECT_EQ(Key(ini, "Tandelix", "UserID"), "-1");
  TdxSettings s;
  ReadSettingsFile(ini.c_str(), s, nullptr);
  EXPECT_EQ(s.dwLastUserID, 0xFFFFFFFFu);
}

TEST_F(SettingsFile, OverlongTextsAreCutToTheirFields) {
  const std::string longName(300, 'n'), longDesc(300, 'd');
  tdxtest::WriteText(
      ini, "[OVFile]\r\nCount=1\r\nOVSet1=" + longName + "\r\nOVDesc1=" + longDesc + "\r\n");
  BackupSetList sets;
  TdxSettings s;
  ReadSettingsFile(ini.c_str(), s, &sets);
  ASSERT_EQ(sets.GetCount(), 1u);
  EXPECT_EQ(std::string(sets.GetAt(0)->szFileName), std::string(258, 'n'));
  EXPECT_EQ(std::string(sets.GetAt(0)->szDesc), std::string(255, 'd'));
  // The rest of each field stays zero-filled.
  EXPECT_EQ(sets.GetAt(0)->szFileName[259], '\0');
}

TEST_F(SettingsFile, UntrustedNumbersStayHarmless) {
  tdxtest::WriteText(ini, "[Tandelix]\r\nSkinType=blue\r\nUserID=x\r\n[OVFile]\r\nCount=-3\r\n");
  BackupSetList sets;
  TdxSettings s{5, 5};
  ReadSettingsFile(ini.c_str(), s, &sets);
  EXPECT_EQ(s.nSkinType, 0);
  EXPECT_EQ(s.dwLastUserID, 0u);
  EXPECT_EQ(sets.GetCount(), 0u);

  tdxtest::WriteText(ini, "[OVFile]\r\nCount=2000000000\r\n");
  ReadSettingsFile(ini.c_str(), s, &sets);
  EXPECT_EQ(sets.GetCount(), static_cast<unsigned>(kMaxBackupSets));
}

namespace {

// The real conduit tool and settings file behind the shut-down order.
struct ToolSteps : IStartupSteps {
  std::string ini;
  OVTool tool;
  TdxSettings settings;
  void StartPalmLayer() override {}
  void InitConduitTool() override { tool.InitConduitTool(); }
  void SetUpSyncTab() override {}
  void LoadSettings() override { ReadSettingsFile(ini.c_str(), settings, tool.BackupSets()); }
  void SetUpLogTab() override {}
  void SaveSettings() override { WriteSettingsFile(ini.c_str(), settings, tool.BackupSets()); }
  void DoneConduitTool() override { tool.DoneConduitTool(); }
  void ShutDownLogTab() override {}
  void StopPalmLayer() override {}
  void DestroyOVLog() override {}
};

}  // namespace

TEST_F(SettingsFile, BackupSetsAddedInOneRunAreThereInTheNext) {
  {
    ToolSteps run;
    run.ini = ini;
    ASSERT_TRUE(RunInitSequence(run, nullptr));
    ASSERT_NE(run.tool.BackupSets(), nullptr);
    run.tool.BackupSets()->Add(NewEntry("ovset1.bak", "kept"));
    run.settings.dwLastUserID = 42;
    ASSERT_TRUE(RunShutDown(run, nullptr));
    EXPECT_EQ(run.tool.BackupSets(), nullptr) << "the list is released at shut-down";
  }
  ToolSteps next;
  next.ini = ini;
  ASSERT_TRUE(RunInitSequence(next, nullptr));
  ASSERT_EQ(next.tool.BackupSets()->GetCount(), 1u);
  EXPECT_STREQ(next.tool.BackupSets()->GetAt(0)->szDesc, "kept");
  EXPECT_EQ(next.settings.dwLastUserID, 42u);
}

TEST_F(SettingsFile, WritingGoesThroughACopySoTheOldFileSurvivesAFailure) {
  tdxtest::WriteText(ini, "[Path]\r\nPDPath=C:\\Palm\r\n[OVFile]\r\nCount=1\r\nOVSet1=old.bak\r\n");
  BackupSetList sets;
  sets.Add(NewEntry("ovset1.bak", "new"));
  ASSERT_TRUE(WriteSettingsFile(ini.c_str(), TdxSettings{1, 2}, &sets));
  EXPECT_EQ(Key(ini, "Path", "PDPath"), "C:\\Palm") << "keys we do not write stay";
  EXPECT_EQ(Key(ini, "OVFile", "OVSet1"), "ovset1.bak");
  EXPECT_EQ(GetFileAttributesA((ini + ".tmp").c_str()), INVALID_FILE_ATTRIBUTES);

  EXPECT_EQ(Key(ini, "OVFile", "OVSet2"), "old.bak") << "a set listed in the file stays listed";
  // The copy cannot be made where a directory has its name: nothing changes.
  const std::string before = Key(ini, "OVFile", "OVDesc1");
  const std::string count = Key(ini, "OVFile", "Count");
  ASSERT_TRUE(CreateDirectoryA((ini + ".tmp").c_str(), nullptr));
  sets.Add(NewEntry("ovset2.bak", "lost"));
  EXPECT_FALSE(WriteSettingsFile(ini.c_str(), TdxSettings{1, 2}, &sets));
  EXPECT_EQ(Key(ini, "OVFile", "Count"), count);
  EXPECT_EQ(Key(ini, "OVFile", "OVDesc1"), before);
}

TEST_F(SettingsFile, TheProgramAndTheConsoleToolKeepEachOthersSets) {
  tdxtest::WriteText(ini, "[Tandelix]\r\nUserID=5\r\n[OVFile]\r\nCount=1\r\nOVSet1=a.bak\r\n");
  // Both read the file, then each adds a set; they write in turn, twice.
  TdxSettings program, ignored;
  BackupSetList programSets, toolSets;
  ReadSettingsFile(ini.c_str(), program, &programSets);
  ReadSettingsFile(ini.c_str(), ignored, &toolSets);
  toolSets.Add(NewEntry("sets\\b.bak", "from the console tool"));
  programSets.Add(NewEntry("c.bak", "from the program"));
  program.dwLastUserID = 7;
  const struct {
    bool bProgram;
    const char* szSets;  // the list in the file afterwards
    const char* szUser;
  } steps[] = {{false, "a.bak sets\\b.bak ", "5"},
               {true, "a.bak c.bak sets\\b.bak ", "7"},
               {false, "a.bak sets\\b.bak c.bak ", "7"}};
  for (const auto& step : steps) {
    ASSERT_TRUE(step.bProgram ? WriteSettingsFile(ini.c_str(), program, &programSets)
                              : WriteBackupSetList(ini.c_str(), &toolSets));
    BackupSetList back;
    TdxSettings s;
    ReadSettingsFile(ini.c_str(), s, &back);
    std::string listed;
    for (BackupSetEntry* p = back.GetFirst(); p; p = back.GetNext()) listed += p->szFileName + std::string(" ");
    EXPECT_EQ(listed, step.szSets);
    EXPECT_EQ(Key(ini, "Tandelix", "UserID"), step.szUser) << "the console tool leaves it alone";
  }
  EXPECT_EQ(Key(ini, "OVFile", "OVDesc3"), "from the program");
}
