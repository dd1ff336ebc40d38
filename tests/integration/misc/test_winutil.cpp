#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "support/TempDir.h"
#include "misc/WinUtil.h"

namespace {

std::string ModuleDir() {
  char dir[MAX_PATH];
  EXPECT_TRUE(GetModuleDir(nullptr, dir));
  return dir;
}

TEST(WinUtilTest, ModuleDirEndsInBackslashAndHoldsTheProgram) {
  const std::string dir = ModuleDir();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.back(), '\\');
  EXPECT_NE(GetFileAttributesA((dir + "verfix.dll").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_FALSE(GetModuleDir(nullptr, nullptr));
  // Independent of the current directory.
  char cwd[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, cwd);
  SetCurrentDirectoryA("C:\\");
  EXPECT_EQ(ModuleDir(), dir);
  SetCurrentDirectoryA(cwd);
}

TEST(WinUtilTest, FileVersionReadsTheFixedInformation) {
  int v[4] = {-1, -1, -1, -1};
  ASSERT_TRUE(GetFileVersion((ModuleDir() + "verfix.dll").c_str(), &v[0], &v[1], &v[2], &v[3]));
  char text[64];
  std::snprintf(text, sizeof text, "%d.%d.%d.%04d", v[0], v[1], v[2], v[3]);
  EXPECT_STREQ(text, "1.2.0.0050");

  tdxtest::TempDir dir("winutil");
  const std::string plain = dir.file("plain.txt");
  tdxtest::WriteText(plain, "no version here");
  for (const char* path : {plain.c_str(), "", "C:\\no\\such\\file.dll"}) {
    int w[4] = {7, 7, 7, 7};
    EXPECT_FALSE(GetFileVersion(path, &w[0], &w[1], &w[2], &w[3])) << path;
    EXPECT_EQ(w[0] | w[1] | w[2] | w[3], 0) << path;
  }
}

TEST(WinUtilTest, FileTimeIsLocalAndReadWhileAnotherHandleHoldsTheFile) {
  tdxtest::TempDir dir("winutil");
  const std::string path = dir.file("stamp.txt");
  tdxtest::WriteText(path, "x");
  SYSTEMTIME now, st = {};
  GetLocalTime(&now);
  ASSERT_TRUE(GetFileCreationTime(path.c_str(), &st));
  EXPECT_EQ(st.wYear, now.wYear);
  EXPECT_EQ(st.wDay, now.wDay);
  ASSERT_TRUE(GetFileTimeAsLocal(path.c_str(), FT_LAST_WRITE, &st));
  EXPECT_EQ(st.wMonth, now.wMonth);
  EXPECT_FALSE(GetFileTimeAsLocal(path.c_str(), 3, &st));
  EXPECT_FALSE(GetFileTimeAsLocal(path.c_str(), 0, nullptr));
  EXPECT_FALSE(GetFileTimeAsLocal(dir.file("missing.txt").c_str(), 0, &st));

  // A scanner or a backup program holding the file, sharing nothing.
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                         nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  st = {};
  EXPECT_TRUE(GetFileTimeAsLocal(path.c_str(), FT_LAST_WRITE, &st));
  EXPECT_EQ(st.wYear, now.wYear);
  CloseHandle(h);
}

// Run with TZ=Europe/Berlin (the test's environment in CTest; Wine takes its
// time zone from TZ): each moment is shown by the rules of its own date, on
// both sides of both changes, whatever today's offset is.
TEST(WinUtilTest, LocalTimesFollowTheRulesOfTheirOwnDate) {
  char tz[64] = {};
  GetEnvironmentVariableA("TZ", tz, sizeof tz);
  if (std::strcmp(tz, "Europe/Berlin") != 0) GTEST_SKIP() << "needs TZ=Europe/Berlin, have " << tz;
  struct Case {
    int64_t utc;
    int year, month, day, hour, minute, second;
  };
  const Case cases[] = {
      {1736942400, 2025, 1, 15, 13, 0, 0},    // winter: UTC+1
      {1752580800, 2025, 7, 15, 14, 0, 0},    // summer: UTC+2
      {1743296399, 2025, 3, 30, 1, 59, 59},   // the last second of winter time
      {1743296400, 2025, 3, 30, 3, 0, 0},     // summer time begins
      {1761440399, 2025, 10, 26, 2, 59, 59},  // the last second of summer time
      {1761440400, 2025, 10, 26, 2, 0, 0},    // winter time again
      {994240800, 2001, 7, 4, 12, 0, 0},      // a summer long ago
  };
  for (const Case& c : cases) {
    const SYSTEMTIME st = LocalTimeOf(c.utc);
    char got[32], want[32];
    std::snprintf(got, sizeof got, "%04d-%02d-%02d %02d:%02d:%02d", st.wYear, st.wMonth, st.wDay,
                  st.wHour, st.wMinute, st.wSecond);
    std::snprintf(want, sizeof want, "%04d-%02d-%02d %02d:%02d:%02d", c.year, c.month, c.day, c.hour,
                  c.minute, c.second);
    EXPECT_STREQ(got, want) << c.utc;
  }
  // A file's time the same way: written on a summer day, read in any season.
  tdxtest::TempDir dir("tz");
  const std::string path = dir.file("summer.txt");
  tdxtest::WriteText(path, "x");
  HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  SYSTEMTIME utc = {2001, 7, 0, 4, 10, 0, 0, 0};
  FILETIME ft;
  SystemTimeToFileTime(&utc, &ft);
  ASSERT_TRUE(SetFileTime(h, nullptr, nullptr, &ft));
  CloseHandle(h);
  SYSTEMTIME st = {};
  ASSERT_TRUE(GetFileTimeAsLocal(path.c_str(), FT_LAST_WRITE, &st));
  EXPECT_EQ(st.wHour, 12);
}

TEST(WinUtilTest, WholeFilesAreWrittenWhereverThePageItselfFits) {
  tdxtest::TempDir dir("whole");
  // A directory so deep that "result.html" just fits MAX_PATH, but
  // "result.html.tmp" would not.
  std::string deep = dir.path().string();
  while (deep.size() + 1 + 11 < MAX_PATH - 1 - 4) {
    const size_t room = (MAX_PATH - 1 - 4) - (deep.size() + 1 + 11);
    deep += "\\" + std::string(room > 60 ? 60 : room, 'd');
    ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr)) << deep.size();
  }
  const std::string page = deep + "\\result.html";
  ASSERT_LT(page.size(), static_cast<size_t>(MAX_PATH));
  ASSERT_GE((page + ".tmp").size(), static_cast<size_t>(MAX_PATH));
  for (const char* text : {"first", "second"}) {
    ASSERT_TRUE(WriteWholeFile(page.c_str(), text, std::strlen(text))) << text;
    EXPECT_EQ(tdxtest::ReadBytes(page).size(), std::strlen(text));
  }

  // A read-only temporary file left behind by a crash is replaced, then gone.
  const std::string target = dir.file("ovlog.html");
  tdxtest::WriteText(target + ".tmp", "stale");
  SetFileAttributesA((target + ".tmp").c_str(), FILE_ATTRIBUTE_READONLY);
  ASSERT_TRUE(WriteWholeFile(target.c_str(), "page", 4));
  EXPECT_EQ(tdxtest::ReadBytes(target).size(), 4u);
  EXPECT_EQ(GetFileAttributesA((target + ".tmp").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_FALSE(WriteWholeFile(dir.file("no\\such\\dir\\x.html").c_str(), "x", 1));
}

TEST(WinUtilTest, ShellOpenRefusesAnEmptyTarget) {
  EXPECT_FALSE(OpenWithShell(""));
  EXPECT_FALSE(OpenWithShell(nullptr));
}

}  // namespace
