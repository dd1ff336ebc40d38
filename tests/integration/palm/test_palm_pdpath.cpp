// The "PDPath" override in "tessary.ini" beside the program (LOCK tessary).
#include <gtest/gtest.h>

#include <string>

#include "palm/PalmDesktop.h"
#include "support/PalmSandbox.h"

namespace {

using tdxtest::PalmSandbox;

int g_nPrompts = 0;
void CountPrompt(const char*, const char*) { ++g_nPrompts; }

TEST(PalmPDPathTest, OverrideWinsEvenWhenItsDirectoryIsMissing) {
  PalmSandbox box;  // "DesktopPath" names a complete desktop
  box.AddUser(1, "Ann", "Ann");
  box.SetPDPath("C:\\no\\such\\palm");
  char sz[260];
  EXPECT_EQ(GetPalmDesktopPath(sz, sizeof sz), 0);
  EXPECT_STREQ(sz, "C:\\no\\such\\palm");

  g_nPrompts = 0;
  SetPalmErrorPrompt(CountPrompt);
  char cwd[MAX_PATH];
  GetCurrentDirectoryA(sizeof cwd, cwd);
  StartPalmLayer();
  SetPalmErrorPrompt(nullptr);
  EXPECT_FALSE(IsPalmLibraryLoaded(PD_LIB_CONDMGR));
  EXPECT_EQ(GetPalmUserList()->GetCount(), 0u);
  EXPECT_EQ(g_nPrompts, 1);
  char now[MAX_PATH];
  GetCurrentDirectoryA(sizeof now, now);
  EXPECT_STREQ(now, cwd);
}

TEST(PalmPDPathTest, OverrideLoadsFromItsDirectoryAndIsNeverCut) {
  PalmSandbox box;
  box.AddUser(5, "Eve", "Eve");
  const std::string dir = box.Dir();
  box.SetDesktopPath("C:\\elsewhere");
  box.SetPDPath(dir);
  ASSERT_TRUE(LoadPalmLibraries(PD_LIB_ALL));
  EXPECT_EQ(UmGetUserCount(), 1);

  // An override that does not fit the caller's buffer is refused, not cut to a
  // different directory.
  std::string small(dir.size(), 'x');
  EXPECT_EQ(GetPalmDesktopPath(small.data(), static_cast<unsigned>(dir.size())), -101);
  EXPECT_EQ(small[0], '\0');
}

}  // namespace
