#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "misc/DurableFile.h"
#include "palm/CondRecord.h"
#include "support/TempDir.h"

using tdxtest::ReadBytes;
using tdxtest::TempDir;
using tdxtest::WriteBytes;
using Bytes = std::vector<unsigned char>;

namespace {

CondData MakeRecord(const char* creator, const char* conduit, int32_t mark) {
  CondData r{};
  std::memcpy(&r.dwCreatorID, creator, 4);
  std::memcpy(r.szCreatorID, creator, 4);
  std::strncpy(r.szConduit, conduit, sizeof r.szConduit - 1);
  std::strcpy(r.szDirectory, "dir");
  std::strcpy(r.szFile, "file.dat");
  std::strcpy(r.szRemote, "RemoteDB");
  std::strcpy(r.szInfo, "info");
  std::strcpy(r.szTitle, "Title");
  r.dwIntegrate = 7;
  r.nPriority = 3;
  r.nStatus = ST_UNINSTALLED;
  r.nKind = CONDS_MANAGER;
  r.nMark = mark;
  return r;
}

void PutLE32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

void PutText(Bytes& b, size_t at, const char* s) { std::memcpy(&b[at], s, std::strlen(s)); }

std::vector<CondData> ReadAll(const std::string& path, bool* pOpened = nullptr) {
  std::vector<CondData> out;
  CondRecordReader rd;
  const bool opened = rd.Open(path.c_str());
  if (pOpened) *pOpened = opened;
  CondData r;
  while (rd.Read(&r)) out.push_back(r);
  return out;
}

bool SameBytes(const CondData& a, const CondData& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// A record image built byte by byte, as another program writing the format
// would: every field must come out of the offset and byte order it was put at.
TEST(CondRecordTest, DecodesFieldsFromTheirFileOffsets) {
  Bytes img(COND_RECORD_SIZE, 0);
  PutLE32(img, 0, 0xFFFFFFFFu);
  PutText(img, 4, "PAdd");
  PutLE32(img, 12, 0x01020304);
  PutText(img, 16, "C:\\Palm\\PMirror.dll");
  PutText(img, 276, "address");
  PutText(img, 308, "address.dat");
  PutText(img, 340, "AddressDB");
  PutLE32(img, 372, 0xFFFFFFFEu);  // -2
  PutText(img, 376, "some info");
  PutText(img, 440, "Address Book");
  PutLE32(img, 504, 0xDEADBEEF);  // a stale pointer from another writer
  PutLE32(img, 508, 2);
  PutText(img, 512, "PocketMirror");
  PutLE32(img, 532, 4);
  PutLE32(img, 536, 0x80000001u);

  CondData r;
  DecodeCondData(img.data(), &r);
  EXPECT_EQ(r.dwCreatorID, 0xFFFFFFFFu);
  EXPECT_STREQ(r.szCreatorID, "PAdd");
  EXPECT_EQ(r.dwIntegrate, 0x01020304u);
  EXPECT_STREQ(r.szConduit, "C:\\Palm\\PMirror.dll");
  EXPECT_STREQ(r.szDirectory, "address");
  EXPECT_STREQ(r.szFile, "address.dat");
  EXPECT_STREQ(r.szRemote, "AddressDB");
  EXPECT_EQ(r.nPriority, -2);
  EXPECT_STREQ(r.szInfo, "some info");
  EXPECT_STREQ(r.szTitle, "Address Book");
  EXPECT_EQ(r.pCondObj, 0u);  // ignored on reading
  EXPECT_EQ(r.nStatus, ST_UNINSTALLED);
  EXPECT_STREQ(r.szProduct, "PocketMirror");
  EXPECT_EQ(r.nKind, CONDS_INSTALL);
  EXPECT_EQ(r.nMark, static_cast<int32_t>(0x80000001u));

  // Encoding gives the same image back, except that the slot is written as zero.
  Bytes out(COND_RECORD_SIZE, 0xAA);
  r.pCondObj = 0x12345678;
  EncodeCondData(r, out.data());
  PutLE32(img, 504, 0);
  EXPECT_EQ(out, img);
}

TEST(CondRecordTest, TextFieldsWithoutTerminatorAreCutWithinTheirField) {
  Bytes img(COND_RECORD_SIZE, 'x');  // no zero anywhere
  CondData r;
  DecodeCondData(img.data(), &r);
  EXPECT_EQ(std::strlen(r.szCreatorID), 4u);
  EXPECT_EQ(std::strlen(r.szConduit), 259u);
  EXPECT_EQ(std::strlen(r.szDirectory), 31u);
  EXPECT_EQ(std::strlen(r.szFile), 31u);
  EXPECT_EQ(std::strlen(r.szRemote), 31u);
  EXPECT_EQ(std::strlen(r.szInfo), 63u);
  EXPECT_EQ(std::strlen(r.szTitle), 63u);
  EXPECT_EQ(std::strlen(r.szProduct), 19u);
  EXPECT_EQ(r.pCondObj, 0u);
  EXPECT_EQ(r.nMark, 0x78787878);  // numbers are kept as stored
}

TEST(CondRecordTest, FileHoldsWholeRecordsOnly) {
  TempDir dir("condrec");
  const std::string path = dir.file("OVRes.dat");
  const CondData a = MakeRecord("memo", "memo.dll", MARK_RESTORE);
  CondData b = MakeRecord("PAdd", "C:\\x\\PMirror.dll", 0);
  b.pCondObj = 0xCAFEF00D;  // must not reach the file
  {
    CondRecordWriter w;
    ASSERT_TRUE(w.Create(path.c_str()));
    EXPECT_TRUE(w.Write(a));
    EXPECT_TRUE(w.Write(b));
    ASSERT_TRUE(w.Commit());
  }
  Bytes bytes = ReadBytes(path);
  ASSERT_EQ(bytes.size(), 2 * COND_RECORD_SIZE);
  EXPECT_EQ(Bytes(bytes.begin() + 540 + 504, bytes.begin() + 540 + 508), (Bytes{0, 0, 0, 0}));
  EXPECT_FALSE(std::filesystem::exists(CondRecordWriter::TempPathFor(path)));

  // 1,100 bytes: two records and 20 bytes of a third, which are not a record.
  bytes.resize(1100, 0x55);
  WriteBytes(path, bytes.data(), bytes.size());
  std::vector<CondData> got = ReadAll(path);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_TRUE(SameBytes(got[0], a));
  b.pCondObj = 0;
  EXPECT_TRUE(SameBytes(got[1], b));

  bool opened = false;
  WriteBytes(path, "", 0);
  EXPECT_TRUE(ReadAll(path, &opened).empty());
  EXPECT_TRUE(opened);
  WriteBytes(path, bytes.data(), 539);
  EXPECT_TRUE(ReadAll(path).empty());

  EXPECT_TRUE(ReadAll(dir.file("absent.dat"), &opened).empty());
  EXPECT_FALSE(opened);
  CondRecordReader rd;
  EXPECT_FALSE(rd.Open(nullptr));
  EXPECT_FALSE(rd.Open(""));
  CondData r;
  EXPECT_FALSE(rd.Read(&r));  // not open
}

TEST(CondRecordTest, ReplacingAFileKeepsTheOldOneUntilTheNewOneIsComplete) {
  TempDir dir("condrec");
  const std::string path = dir.file("ovset1.bak");
  const std::string temp = CondRecordWriter::TempPathFor(path);
  const CondData old = MakeRecord("date", "date.dll", 0);
  WriteBytes(path, &old, sizeof old);
  const Bytes before = ReadBytes(path);

  // Abandoned (or destroyed) before Commit: the target is untouched and the
  // temporary file is gone.
  {
    CondRecordWriter w;
    ASSERT_TRUE(w.Create(path.c_str()));
    EXPECT_TRUE(w.Write(MakeRecord("todo", "todo.dll", 0)));
    EXPECT_TRUE(std::filesystem::exists(temp));
  }
  EXPECT_EQ(ReadBytes(path), before);
  EXPECT_FALSE(std::filesystem::exists(temp));

  // The temporary file cannot be created (its name is taken by a directory).
  std::filesystem::create_directory(temp);
  {
    CondRecordWriter w;
    EXPECT_FALSE(w.Create(path.c_str()));
    EXPECT_FALSE(w.Write(old));
    EXPECT_FALSE(w.Commit());
  }
  EXPECT_EQ(ReadBytes(path), before);
  EXPECT_TRUE(std::filesystem::is_directory(temp));  // not ours to remove
  std::filesystem::remove(temp);

  CondRecordWriter w;
  EXPECT_FALSE(w.Create(""));
  EXPECT_FALSE(w.Create(nullptr));

  // An empty record set replaces the file with an empty one.
  ASSERT_TRUE(w.Create(path.c_str()));
  EXPECT_TRUE(w.Commit());
  EXPECT_TRUE(ReadBytes(path).empty());
  EXPECT_FALSE(w.Commit());  // nothing open any more
}

// The record writer commits as every whole-file store does: flushed first, a
// brief hold on the target waited out, the old file whole after a failure.
namespace held {
int nRefusals = 0, nFlushes = 0;
bool bFlushOk = true;
const DurableFileOps* pReal = nullptr;
bool Flush(std::FILE* f) { return ++nFlushes, bFlushOk && pReal->Flush(f); }
bool Move(const char* a, const char* b) { return nRefusals-- > 0 ? false : pReal->Move(a, b); }
bool Copy(const char* a, const char* b) { return pReal->CopyOver(a, b); }
void Pause(unsigned) {}
const DurableFileOps kOps = {Flush, Move, Copy, Pause};
}  // namespace held

TEST(CondRecordTest, CommitFlushesAndWaitsOutABriefHoldOnTheTarget) {
  const struct {
    bool bFlushOk;
    int nRefusals;
    bool bOk;
  } cases[] = {{true, 1, true}, {true, 3, true}, {false, 0, false}, {true, 99, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.nRefusals) + (c.bFlushOk ? "" : " flush fails"));
    TempDir dir("condrec");
    const std::string path = dir.file("OVRes.dat");
    const CondData old = MakeRecord("date", "date.dll", 0);
    WriteBytes(path, &old, sizeof old);
    const Bytes before = ReadBytes(path);
    held::nRefusals = c.nRefusals;
    held::nFlushes = 0;
    held::bFlushOk = c.bFlushOk;
    held::pReal = SetDurableFileOps(&held::kOps);
    CondRecordWriter w;
    ASSERT_TRUE(w.Create(path.c_str()));
    EXPECT_TRUE(w.Write(MakeRecord("todo", "todo.dll", 0)));
    EXPECT_EQ(w.Commit(), c.bOk);
    SetDurableFileOps(nullptr);
    EXPECT_EQ(held::nFlushes, c.bFlushOk ? 1 : 5);  // a refused flush is tried again
    EXPECT_EQ(ReadBytes(path) == before, !c.bOk);
    EXPECT_EQ(ReadBytes(path).size(), sizeof old);
    EXPECT_FALSE(std::filesystem::exists(CondRecordWriter::TempPathFor(path)));
  }
}

}  // namespace
