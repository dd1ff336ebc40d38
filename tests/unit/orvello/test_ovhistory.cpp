#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#endif

#include "orvello/OVHistory.h"
#include "support/TempDir.h"

using tdxtest::ReadBytes;
using tdxtest::TempDir;
using tdxtest::WriteBytes;

namespace {

int32_t Le32(const std::vector<unsigned char>& b, size_t at) {
  return static_cast<int32_t>(uint32_t{b[at]} | uint32_t{b[at + 1]} << 8 |
                              uint32_t{b[at + 2]} << 16 | uint32_t{b[at + 3]} << 24);
}

// Raw history bytes, built field by field.
struct Bytes {
  std::string s;
  Bytes& Int(int32_t v) {
    for (int i = 0; i < 4; ++i) s += static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
    return *this;
  }
  Bytes& Str(const std::string& t) { return Int(static_cast<int32_t>(t.size())).Raw(t); }
  Bytes& Raw(const std::string& t) {
    s += t;
    return *this;
  }
  Bytes& Record(const std::string& file, const std::string& name, const std::string& ver,
                int32_t time, int32_t kind) {
    return Str(file).Str(name).Str(ver).Int(time).Int(kind);
  }
};

std::vector<OVLogEntry> ReadFrom(const TempDir& dir, const std::string& bytes) {
  const std::string path = dir.file("ovlog.dat");
  WriteBytes(path, bytes.data(), bytes.size());
  std::vector<OVLogEntry> v;
  EXPECT_TRUE(OVReadHistory(path.c_str(), &v));
  return v;
}

}  // namespace

TEST(OVHistory, AppendWritesTheRecordAndThenTheCount) {
  TempDir dir;
  const std::string path = dir.file("ovlog.dat");
  OVLogEntry a;
  OVMakeLogEntry(&a, "C:\\Palm\\AddrCond.dll", "Address Book", "1.2.0.0050", 1765000000,
                 OVLOG_INSTALLED);
  ASSERT_TRUE(OVAppendHistory(path.c_str(), a));
  std::vector<unsigned char> first = ReadBytes(path);
  const size_t nFirst = 4 + (4 + 20) + (4 + 12) + (4 + 10) + 8;
  ASSERT_EQ(first.size(), nFirst);
  EXPECT_EQ(Le32(first, 0), 1);

  OVLogEntry b;
  OVMakeLogEntry(&b, "B.dll", "Beta", "", 7, OVLOG_UNINSTALLED);  // empty version: length 0
  ASSERT_TRUE(OVAppendHistory(path.c_str(), b));
  std::vector<unsigned char> second = ReadBytes(path);
  ASSERT_EQ(second.size(), nFirst + (4 + 5) + (4 + 4) + 4 + 8);
  EXPECT_EQ(Le32(second, 0), 2);
  EXPECT_TRUE(std::equal(first.begin() + 4, first.end(), second.begin() + 4));
  EXPECT_EQ(Le32(second, nFirst + 4 + 5 + 4 + 4), 0);  // the version's length

  std::vector<OVLogEntry> v;
  ASSERT_TRUE(OVReadHistory(path.c_str(), &v));
  ASSERT_EQ(v.size(), 2u);
  EXPECT_STREQ(v[0].szName, "Address Book");
  EXPECT_STREQ(v[0].szVersion, "1.2.0.0050");
  EXPECT_EQ(v[0].nTime, 1765000000);
  EXPECT_STREQ(v[1].szFileName, "B.dll");
  EXPECT_STREQ(v[1].szVersion, "");
  EXPECT_EQ(v[1].nKind, OVLOG_UNINSTALLED);
}

TEST(OVHistory, EntryTextsAreCutToTheirFields) {
  OVLogEntry e;
  const std::string title(40, 'T');
  const std::string path(300, 'p');
  OVMakeLogEntry(&e, path.c_str(), title.c_str(), "1.0.0.0000", 0, OVLOG_INSTALLED);
  EXPECT_EQ(std::string(e.szName), title.substr(0, 31));
  EXPECT_EQ(std::strlen(e.szFileName), 259u);
}

TEST(OVHistory, ReadingKeepsWholeSoundRecordsOnly) {
  TempDir dir;
  const Bytes one = Bytes().Record("a.dll", "A", "1.0.0.0000", 1, 1);
  const std::string rec = one.s;
  const struct {
    const char* what;
    std::string bytes;
    size_t want;
  } cases[] = {
      {"empty file", "", 0},
      {"count only", Bytes().Int(0).s, 0},
      {"negative count", Bytes().Int(-3).Raw(rec).s, 0},
      {"count beyond the records", Bytes().Int(0x7FFFFFFF).Raw(rec).Raw(rec).s, 2},
      {"last record cut short", Bytes().Int(2).Raw(rec).Raw(rec.substr(0, rec.size() - 3)).s, 1},
      {"negative length", Bytes().Int(2).Raw(rec).Int(-1).Raw(rec).s, 1},
      {"length past the end", Bytes().Int(2).Raw(rec).Int(1 << 30).Raw("x").s, 1},
      {"record without its kind", Bytes().Int(1).Str("a").Str("b").Str("c").Int(1).s, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ReadFrom(dir, c.bytes).size(), c.want);
  }
}

TEST(OVHistory, OverlongStoredTextsAreCutAndTheNextRecordStillRead) {
  TempDir dir;
  const std::string longName(100, 'N');
  const std::string longFile(1000, 'F');
  auto v = ReadFrom(dir, Bytes()
                             .Int(2)
                             .Record(longFile, longName, "1.0.0.0000", 5, 2)
                             .Record("b.dll", "B", "", 6, 3)
                             .s);
  ASSERT_EQ(v.size(), 2u);
  EXPECT_EQ(std::string(v[0].szName), longName.substr(0, 31));
  EXPECT_EQ(std::string(v[0].szFileName), longFile.substr(0, 259));
  EXPECT_EQ(v[0].nTime, 5);
  EXPECT_STREQ(v[1].szName, "B");
  EXPECT_EQ(v[1].nKind, 3);
}

TEST(OVHistory, AppendRepairsAFileTooShortForItsCountAndIgnoresANegativeCount) {
  TempDir dir;
  const std::string path = dir.file("ovlog.dat");
  OVLogEntry e;
  OVMakeLogEntry(&e, "a.dll", "A", "", 1, OVLOG_INSTALLED);

  WriteBytes(path, "\x05\x00", 2);
  ASSERT_TRUE(OVAppendHistory(path.c_str(), e));
  std::vector<OVLogEntry> v;
  ASSERT_TRUE(OVReadHistory(path.c_str(), &v));
  ASSERT_EQ(v.size(), 1u);
  EXPECT_STREQ(v[0].szFileName, "a.dll");

  const std::string neg = Bytes().Int(-7).s;
  WriteBytes(path, neg.data(), neg.size());
  ASSERT_TRUE(OVAppendHistory(path.c_str(), e));
  EXPECT_EQ(Le32(ReadBytes(path), 0), 1);
}

TEST(OVHistory, MissingFileIsNotRead) {
  TempDir dir;
  std::vector<OVLogEntry> v;
  EXPECT_FALSE(OVReadHistory(dir.file("none.dat").c_str(), &v));
  EXPECT_FALSE(OVAppendHistory(dir.file("no\\such/dir/ovlog.dat").c_str(), OVLogEntry{}));
}

#ifndef _WIN32
// A disk that fills up part-way through the record: the file keeps its old
// length and count.
TEST(OVHistory, ARecordThatCannotBeWrittenWholeLeavesTheFileAsItWas) {
  TempDir dir;
  const std::string path = dir.file("ovlog.dat");
  OVLogEntry e;
  OVMakeLogEntry(&e, std::string(200, 'x').c_str(), "A", "", 1, OVLOG_INSTALLED);
  ASSERT_TRUE(OVAppendHistory(path.c_str(), e));
  const std::vector<unsigned char> before = ReadBytes(path);

  struct rlimit old {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit lim = old;
  lim.rlim_cur = before.size() + 50;  // room for part of the next record only
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &lim), 0);
  const bool ok = OVAppendHistory(path.c_str(), e);
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);

  EXPECT_FALSE(ok);
  EXPECT_EQ(ReadBytes(path), before);
}
#endif
