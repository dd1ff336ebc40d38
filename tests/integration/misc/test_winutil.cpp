#include <gtest/gtest.h>

#include <cstdio>
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

TEST(WinUtilTest, FileTimeIsLocalAndNeedsExclusiveAccess) {
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

  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(GetFileTimeAsLocal(path.c_str(), FT_LAST_WRITE, &st));
  CloseHandle(h);
  EXPECT_TRUE(GetFileTimeAsLocal(path.c_str(), FT_LAST_WRITE, &st));
}

TEST(WinUtilTest, ShellOpenRefusesAnEmptyTarget) {
  EXPECT_FALSE(OpenWithShell(""));
  EXPECT_FALSE(OpenWithShell(nullptr));
}

}  // namespace
