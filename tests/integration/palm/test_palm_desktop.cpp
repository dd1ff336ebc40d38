// The locator, the library loader, the bindings and the user list, each test on
// a Palm Desktop of its own.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "palm/PalmDesktop.h"
#include "support/PalmSandbox.h"

namespace {

using tdxtest::PalmSandbox;

int g_nPrompts = 0;
std::string g_sLastPrompt;
void CountPrompt(const char* szText, const char* szCaption) {
  ++g_nPrompts;
  g_sLastPrompt = std::string(szCaption) + ": " + szText;
}

class PalmDesktopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_nPrompts = 0;
    g_sLastPrompt.clear();
    SetPalmErrorPrompt(CountPrompt);
  }
  void TearDown() override { SetPalmErrorPrompt(nullptr); }
};

std::string Cwd() {
  char sz[MAX_PATH];
  GetCurrentDirectoryA(sizeof sz, sz);
  return sz;
}

// Calls a binding with zeroed arguments: only ever done while it is unbound.
template <typename R, typename... A>
R CallZeroed(R (*pfn)(A...)) {
  return pfn(A{}...);
}

TEST_F(PalmDesktopTest, SandboxKeepsItsRegistryToItself) {
  std::string key;
  {
    PalmSandbox box;
    ASSERT_TRUE(box.Isolated()) << "RegOverridePredefKey refused: these tests would need LOCK palmreg";
    box.AddUser(7, "Ann", "AnnDir");
    EXPECT_TRUE(PalmSandbox::KeyExists(PD_REG_USERS "\\User0"));
    key = PD_REG_USERS "\\User0";
  }
  // Gone with the sandbox, and never written to the real key.
  EXPECT_FALSE(PalmSandbox::KeyExists(key));
  EXPECT_FALSE(PalmSandbox::KeyExists(PD_REG_CORE));
}

TEST_F(PalmDesktopTest, DesktopPathMustFitWithItsTerminator) {
  PalmSandbox box;
  const std::string dir = box.Dir();
  std::vector<char> buf(dir.size() + 8, 'x');

  EXPECT_EQ(GetPalmDesktopPath(buf.data(), static_cast<unsigned>(dir.size() + 1)), 0);
  EXPECT_EQ(std::string(buf.data()), dir);  // as stored, no backslash added

  buf.assign(buf.size(), 'x');
  EXPECT_EQ(GetPalmDesktopPath(buf.data(), static_cast<unsigned>(dir.size())), -101);
  EXPECT_EQ(buf[0], '\0');
  EXPECT_EQ(buf[dir.size()], 'x');  // nothing past the buffer

  EXPECT_EQ(GetPalmDesktopPath(nullptr, 260), -100);
  EXPECT_EQ(GetPalmDesktopPath(buf.data(), 0), -100);

  // Stored without a terminator: still returned when there is room for one,
  // refused when the value fills the buffer exactly.
  HKEY h;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, PD_REG_CORE, 0, KEY_WRITE, &h), ERROR_SUCCESS);
  RegSetValueExA(h, "DesktopPath", 0, REG_SZ, reinterpret_cast<const BYTE*>("C:\\pd"), 5);
  RegCloseKey(h);
  char sz[6];
  EXPECT_EQ(GetPalmDesktopPath(sz, 6), 0);
  EXPECT_STREQ(sz, "C:\\pd");
  EXPECT_EQ(GetPalmDesktopPath(sz, 5), -101);
  EXPECT_STREQ(sz, "");

  box.ClearDesktopPath();
  EXPECT_EQ(GetPalmDesktopPath(sz, 6), -101);
}

TEST_F(PalmDesktopTest, LoadingStopsAtTheFirstMissingLibrary) {
  PalmSandbox box(PD_LIB_HSAPI);
  box.AddInstallConduit("Inst", "inst.dll", "Installer");
  EXPECT_FALSE(LoadPalmLibraries(PD_LIB_ALL));
  EXPECT_TRUE(IsPalmLibraryLoaded(PD_LIB_CONDMGR));
  EXPECT_TRUE(IsPalmLibraryLoaded(PD_LIB_USERDATA));
  EXPECT_FALSE(IsPalmLibraryLoaded(PD_LIB_HSAPI));
  // instaide.dll is in the directory, but comes after the missing one.
  EXPECT_FALSE(IsPalmLibraryLoaded(PD_LIB_INSTAIDE));
  EXPECT_EQ(PltGetInstallConduitCount(), -100);
  EXPECT_EQ(CmGetConduitCount(), 0);

  // Without HSAPI in the mask the install aide loads on its own.
  EXPECT_TRUE(LoadPalmLibraries(PD_LIB_INSTAIDE));
  EXPECT_EQ(PltGetInstallConduitCount(), 1);
}

TEST_F(PalmDesktopTest, MissingConduitManagerLeavesUsersUnreadAndSaysSoOnce) {
  PalmSandbox box(PD_LIB_CONDMGR);
  box.AddUser(1, "Ann", "Ann");
  StartPalmLayer();
  // UserData.dll is present: not loaded means it was never attempted.
  for (unsigned lib : {PD_LIB_CONDMGR, PD_LIB_USERDATA, PD_LIB_HSAPI, PD_LIB_INSTAIDE})
    EXPECT_FALSE(IsPalmLibraryLoaded(lib)) << lib;
  ASSERT_NE(GetPalmUserList(), nullptr);
  EXPECT_EQ(GetPalmUserList()->GetCount(), 0u);
  EXPECT_EQ(g_nPrompts, 1);
  EXPECT_EQ(g_sLastPrompt, "Error: Can not find any Palm users in your desktop environment.");
  StopPalmLayer();
  EXPECT_EQ(GetPalmUserList(), nullptr);
  EXPECT_EQ(g_nPrompts, 1);
}

TEST_F(PalmDesktopTest, NoDesktopAtAllLoadsNothingAndKeepsTheDirectory) {
  PalmSandbox box;
  box.ClearDesktopPath();
  const std::string before = Cwd();
  StartPalmLayer();
  EXPECT_EQ(Cwd(), before);
  EXPECT_FALSE(IsPalmLibraryLoaded(PD_LIB_CONDMGR));
  EXPECT_EQ(g_nPrompts, 1);
}

TEST_F(PalmDesktopTest, EveryOperationIsUnboundUntilLoadedAndAfterUnloading) {
  PalmSandbox box;
  UnloadPalmLibraries(PD_LIB_ALL);  // nothing loaded: harmless
#define PD_EXPECT_UNBOUND(lib, ret, name, params, args) \
  EXPECT_EQ(CallZeroed(&name), static_cast<ret>(-100)) << #name;
  PD_ALL_OPS(PD_EXPECT_UNBOUND)

  ASSERT_TRUE(LoadPalmLibraries(PD_LIB_ALL));
  EXPECT_EQ(CmGetConduitCount(), 0);
  EXPECT_EQ(UmGetUserCount(), 0);
  uint32_t version = 0;
  EXPECT_EQ(HsGetApiVersion(&version), 0);
  EXPECT_NE(version, 0u);

  UnloadPalmLibraries(PD_LIB_USERDATA | PD_LIB_HSAPI);
  EXPECT_EQ(CmGetConduitCount(), 0);  // the others stay bound
  EXPECT_EQ(PltGetInstallConduitCount(), 0);
  UnloadPalmLibraries(PD_LIB_ALL);
  UnloadPalmLibraries(PD_LIB_ALL);
  PD_ALL_OPS(PD_EXPECT_UNBOUND)
#undef PD_EXPECT_UNBOUND
}

TEST_F(PalmDesktopTest, LoadingTwiceKeepsOneCopy) {
  PalmSandbox box;
  const std::string path = box.File("condmgr.dll");
  ASSERT_TRUE(LoadCondMgrLib());
  ASSERT_TRUE(LoadCondMgrLib());
  UnloadPalmLibraries(PD_LIB_CONDMGR);
  EXPECT_EQ(GetModuleHandleA(path.c_str()), nullptr);
  EXPECT_EQ(CmGetConduitCount(), -100);
}

TEST_F(PalmDesktopTest, UsersComeInIndexOrderWithFailedFieldsEmpty) {
  PalmSandbox box;
  box.AddUser(30, "Carol", "CarolDir");
  box.AddUser(10, "", "NoName");  // its name call fails
  box.AddUser(20, "Bob", "", true);
  StartPalmLayer();
  EXPECT_EQ(Cwd(), box.Dir());
  auto* pList = GetPalmUserList();
  ASSERT_NE(pList, nullptr);
  ASSERT_EQ(pList->GetCount(), 3u);
  const PalmUser* u0 = pList->GetAt(0);
  const PalmUser* u1 = pList->GetAt(1);
  const PalmUser* u2 = pList->GetAt(2);
  EXPECT_EQ(u0->dwUserID, 30u);
  EXPECT_STREQ(u0->szUserName, "Carol");
  EXPECT_STREQ(u0->szUserDir, "CarolDir");
  EXPECT_EQ(u1->dwUserID, 10u);
  EXPECT_STREQ(u1->szUserName, "");
  EXPECT_STREQ(u1->szUserDir, "NoName");
  EXPECT_EQ(u2->dwUserID, 20u);
  EXPECT_STREQ(u2->szUserName, "Bob");
  EXPECT_STREQ(u2->szUserDir, "");
  EXPECT_EQ(g_nPrompts, 0);

  // Rebuilding replaces the list rather than appending to it.
  EXPECT_TRUE(BuildUserList());
  EXPECT_EQ(GetPalmUserList()->GetCount(), 3u);
}

TEST_F(PalmDesktopTest, NoUsersIsAnEmptyListWithoutMessage) {
  PalmSandbox box;
  ASSERT_TRUE(LoadPalmLibraries(PD_LIB_ALL));
  EXPECT_TRUE(BuildUserList());
  ASSERT_NE(GetPalmUserList(), nullptr);
  EXPECT_EQ(GetPalmUserList()->GetCount(), 0u);
  EXPECT_EQ(g_nPrompts, 0);
}

TEST_F(PalmDesktopTest, LibraryPathLongerThan259IsNotLoadedNorCut) {
  PalmSandbox box;
  // A directory whose path leaves exactly room for "\condmgr.dll" (259
  // characters in all) but not for "\UserData.dll".
  const size_t want = 259 - std::strlen("\\condmgr.dll");
  ASSERT_LT(box.Dir().size() + 2, want);
  const std::string name(want - box.Dir().size() - 1, 'd');
  const std::string dir = box.File(name);
  ASSERT_EQ(dir.size(), want);
  ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr));
  ASSERT_TRUE(CopyFileA(box.File("condmgr.dll").c_str(), (dir + "\\condmgr.dll").c_str(), FALSE));
  // What a path cut to 259 characters would name: it must not be loaded.
  ASSERT_TRUE(CopyFileA(box.File("UserData.dll").c_str(), (dir + "\\UserData.dl").c_str(), FALSE));
  box.SetDesktopPath(dir);

  EXPECT_FALSE(LoadPalmLibraries(PD_LIB_ALL));
  EXPECT_TRUE(IsPalmLibraryLoaded(PD_LIB_CONDMGR));
  EXPECT_FALSE(IsPalmLibraryLoaded(PD_LIB_USERDATA));
  EXPECT_EQ(UmGetUserCount(), -100);
  UnloadPalmLibraries(PD_LIB_ALL);
}

}  // namespace
