#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "CondTestUtil.h"
#include "palm/CondMgr.h"
#include "palm/CondRecord.h"
#include "support/PalmSandbox.h"
#include "support/TempDir.h"

using condtest::CopySample;
using condtest::MakeRecord;
using condtest::Records;
using tdxtest::PalmSandbox;
using tdxtest::ReadBytes;
using tdxtest::TempDir;
using tdxtest::WriteBytes;
using Bytes = std::vector<unsigned char>;

namespace {

Bytes Image(std::vector<CondData> recs) {
  Bytes b;
  for (const CondData& r : recs) {
    const auto* p = reinterpret_cast<const unsigned char*>(&r);
    b.insert(b.end(), p, p + sizeof r);
  }
  return b;
}

TEST(CondMgrFileTest, RecordFilesGiveWholeRecordsWithoutLibraries) {
  TempDir dir("condfile");
  const std::string path = dir.file("ovset1.bak");
  CondData a = MakeRecord("memo", "memo.dll");
  a.nStatus = ST_UNINSTALLED;
  a.nKind = CONDS_MANAGER;
  a.nMark = MARK_RESTORE;
  CondData b = MakeRecord("date", "date.dll");
  b.nStatus = ST_INSTALLED;
  b.nMark = 3;  // an action value of the per-user tool
  Bytes img = Image({a, b});
  img.resize(1100, 0x41);  // 20 bytes of a third record
  WriteBytes(path, img.data(), img.size());

  CCondMgr mgr;
  ASSERT_TRUE(mgr.LoadFromFile(path.c_str()));
  std::vector<CondData*> r = Records(mgr);
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(std::memcmp(r[0], &a, sizeof a), 0);  // byte for byte, status and mark as stored
  EXPECT_EQ(std::memcmp(r[1], &b, sizeof b), 0);
  EXPECT_EQ(mgr.GetCondObj(r[0]), nullptr);

  // A null or empty path is refused without touching the contents.
  EXPECT_FALSE(mgr.LoadFromFile(""));
  EXPECT_FALSE(mgr.LoadFromFile(nullptr));
  EXPECT_EQ(mgr.GetCount(), 2u);

  WriteBytes(path, "", 0);
  EXPECT_FALSE(mgr.LoadFromFile(path.c_str()));
  EXPECT_EQ(mgr.GetCount(), 0u);
  EXPECT_FALSE(mgr.LoadFromFile(dir.file("absent.dat").c_str()));
  EXPECT_EQ(mgr.GetCount(), 0u);
}

TEST(CondMgrFileTest, SavingReplacesTheFileOnlyWithACompleteOne) {
  PalmSandbox sb;
  const std::string named = CopySample(sb, "cond_named.dll", "named.dll");
  sb.AddAppConduit({"Nam1", named, "T", "d", "f", "r", "i", 3, 0});
  sb.AddAppConduit({"Nam2", named, "T2", "", "", "", "", 5, 0});
  ASSERT_TRUE(LoadPalmLibrariesFrom(sb.Dir().c_str(), PD_LIB_CONDMGR));
  CCondMgr mgr;
  mgr.LoadConduits(CONDS_MANAGER | CONDS_KEEP_MISSING);
  ASSERT_EQ(mgr.GetCount(), 2u);

  const std::string path = sb.File("OVRes.dat");
  ASSERT_TRUE(mgr.SaveToFile(path.c_str()));
  const Bytes saved = ReadBytes(path);
  ASSERT_EQ(saved.size(), 2 * COND_RECORD_SIZE);
  for (size_t at : {size_t{504}, COND_RECORD_SIZE + 504})
    EXPECT_EQ(Bytes(saved.begin() + at, saved.begin() + at + 4), (Bytes{0, 0, 0, 0}));

  CCondMgr back;
  ASSERT_TRUE(back.LoadFromFile(path.c_str()));
  std::vector<CondData*> r = Records(back), orig = Records(mgr);
  ASSERT_EQ(r.size(), 2u);
  for (size_t i = 0; i < r.size(); ++i) EXPECT_EQ(std::memcmp(r[i], orig[i], sizeof(CondData)), 0);
  EXPECT_STREQ(r[0]->szTitle, "Sample Named Conduit");

  // The temporary file cannot be created: false, and the old file stays.
  const std::string blocker = CondRecordWriter::TempPathFor(path);
  ASSERT_TRUE(CreateDirectoryA(blocker.c_str(), nullptr));
  CCondMgr empty;
  EXPECT_FALSE(empty.SaveToFile(path.c_str()));
  EXPECT_EQ(ReadBytes(path), saved);
  RemoveDirectoryA(blocker.c_str());

  EXPECT_FALSE(mgr.SaveToFile(""));
  EXPECT_FALSE(mgr.SaveToFile(nullptr));
  EXPECT_FALSE(mgr.SaveToFile(sb.File("no such dir\\OVRes.dat").c_str()));

  // An empty manager saves an empty file over the old one.
  EXPECT_TRUE(empty.SaveToFile(path.c_str()));
  EXPECT_TRUE(ReadBytes(path).empty());
  EXPECT_EQ(GetFileAttributesA(blocker.c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
