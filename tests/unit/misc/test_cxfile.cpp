#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/TempDir.h"
#include "misc/CxFile.h"
#include "misc/Diag.h"

using tdxtest::ReadBytes;
using tdxtest::TempDir;
using tdxtest::WriteBytes;
using Bytes = std::vector<unsigned char>;

namespace {

std::vector<std::string> g_reports;
void RecordReport(const char* text, const char*, int) { g_reports.emplace_back(text); }

TEST(CxFileTest, StringsAndIntegersHaveTheirExactBytes) {
  TempDir dir("cxfile");
  const std::string path = dir.file("typed.dat");
  {
    CxFile f;
    ASSERT_TRUE(f.Open(path.c_str(), "wb"));
    EXPECT_TRUE(f.WriteString(""));
    EXPECT_TRUE(f.WriteString(nullptr));
    EXPECT_TRUE(f.WriteString("abc"));
    EXPECT_TRUE(f.WriteInt(-2));
    EXPECT_TRUE(f.WriteInt(0x01020304));
  }  // closed by the destructor
  EXPECT_EQ(ReadBytes(path), (Bytes{0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 'a', 'b', 'c',
                                    0xFE, 0xFF, 0xFF, 0xFF, 4, 3, 2, 1}));

  CxFile f;
  ASSERT_TRUE(f.Open(path.c_str(), "rb"));
  char buf[8];
  std::memcpy(buf, "keep", 5);
  int32_t n = 99;
  EXPECT_TRUE(f.ReadString(buf, sizeof buf, &n));
  EXPECT_EQ(n, 0);
  EXPECT_STREQ(buf, "keep");  // a length-0 string leaves the buffer as it was
  EXPECT_TRUE(f.ReadString(buf, sizeof buf));
  EXPECT_TRUE(f.ReadString(buf, sizeof buf, &n));
  EXPECT_STREQ(buf, "abc");
  EXPECT_EQ(n, 3);
  int32_t v = 0;
  EXPECT_TRUE(f.ReadInt(&v));
  EXPECT_EQ(v, -2);
  EXPECT_TRUE(f.ReadInt(&v));
  EXPECT_EQ(v, 0x01020304);
  EXPECT_FALSE(f.ReadInt(&v));  // end of file: value unchanged
  EXPECT_EQ(v, 0x01020304);
}

TEST(CxFileTest, HostileLengthsFailWithoutOverrun) {
  TempDir dir("cxfile");
  const std::string path = dir.file("bad.dat");
  // 4 fits a 5-byte buffer; 5 does not; then a negative length; then a
  // length promising more bytes than the file holds.
  const Bytes bytes = {4, 0, 0, 0, 'w', 'x', 'y', 'z', 5,    0,    0,    0,   'a', 'b', 'c', 'd', 'e',
                       0xFF, 0xFF, 0xFF, 0xFF, 9, 0, 0, 0, 'q'};
  WriteBytes(path, bytes.data(), bytes.size());

  CxFile f;
  ASSERT_TRUE(f.Open(path.c_str(), "rb"));
  char buf[6] = {'#', '#', '#', '#', '#', '#'};  // the 6th byte is a guard
  int32_t n = 0;
  EXPECT_TRUE(f.ReadString(buf, 5, &n));
  EXPECT_STREQ(buf, "wxyz");
  std::memcpy(buf, "#####", 5);
  EXPECT_FALSE(f.ReadString(buf, 5, &n));
  EXPECT_EQ(n, 5);
  EXPECT_EQ(buf[0], '\0');
  EXPECT_EQ(buf[5], '#');
  ASSERT_TRUE(f.Seek(17, CxFile::SeekStart));
  std::memcpy(buf, "kept", 5);
  EXPECT_FALSE(f.ReadString(buf, 5, &n));
  EXPECT_EQ(n, -1);
  EXPECT_STREQ(buf, "kept");  // negative: nothing read, nothing written
  char big[32];
  std::memset(big, '#', sizeof big);
  EXPECT_FALSE(f.ReadString(big, sizeof big, &n));  // file ends early
  EXPECT_EQ(n, 9);
  EXPECT_EQ(big[0], '\0');
  EXPECT_EQ(big[2], '#');
  EXPECT_FALSE(f.ReadString(big, sizeof big, &n));  // nothing left at all
}

TEST(CxFileTest, MisuseIsReportedAndRefused) {
  g_reports.clear();
  tdx::DiagSink old = tdx::SetDiagSink(RecordReport);
  CxFile f;
  int32_t v = 0;
  char buf[4];
  EXPECT_FALSE(f.Open(nullptr, "rb"));
  EXPECT_FALSE(f.Open("", "rb"));
  EXPECT_FALSE(f.Open("x", ""));
  EXPECT_FALSE(f.ReadInt(&v));
  EXPECT_FALSE(f.ReadString(buf, sizeof buf));
  EXPECT_FALSE(f.WriteInt(1));
  EXPECT_FALSE(f.WriteString("a"));
  EXPECT_TRUE(f.Close());
  tdx::SetDiagSink(old);
  EXPECT_EQ(g_reports, (std::vector<std::string>{"m_fp && piVal", "m_fp&&szBuf", "m_fp", "m_fp"}));

  TempDir dir("cxfile");
  EXPECT_FALSE(f.Open(dir.file("missing/none.dat").c_str(), "rb"));
  EXPECT_FALSE(f.IsOpen());
}

}  // namespace
