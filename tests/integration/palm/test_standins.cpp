// The stand-in libraries keep the contract the program relies on. Every call
// goes through the program's own bindings.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "palm/PalmDesktop.h"
#include "support/PalmSandbox.h"

namespace {

using tdxtest::AppConduitSpec;
using tdxtest::PalmSandbox;

constexpr char kGuard = 0x5A;

class StandinTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(LoadPalmLibraries(PD_LIB_ALL)); }
  PalmSandbox box;
};

// A buffer with guard bytes after the part the library is told about.
struct Guarded {
  explicit Guarded(size_t n) : size(n), bytes(n + 16, kGuard) {}
  char* data() { return bytes.data(); }
  bool GuardIntact() const {
    for (size_t i = size; i < bytes.size(); ++i)
      if (bytes[i] != kGuard) return false;
    return true;
  }
  size_t size;
  std::vector<char> bytes;
};

TEST_F(StandinTest, EveryBoundOperationIsExported) {
  const struct {
    PdLib which;
    const char* file;
  } libs[] = {{PDL_CONDMGR, "condmgr.dll"},
              {PDL_USERDATA, "UserData.dll"},
              {PDL_HSAPI, "HSAPI.DLL"},
              {PDL_INSTAIDE, "instaide.dll"}};
  for (const auto& l : libs) {
    HMODULE h = GetModuleHandleA(box.File(l.file).c_str());
    ASSERT_NE(h, nullptr) << l.file;
#define PD_EXPECT_EXPORT(lib, ret, name, params, args) \
  if (lib == l.which) {                                \
    EXPECT_NE(GetProcAddress(h, #name), nullptr) << #name; \
  }
    PD_ALL_OPS(PD_EXPECT_EXPORT)
#undef PD_EXPECT_EXPORT
  }
}

TEST_F(StandinTest, InstallEnumerateAndRemoveAnApplicationConduit) {
  ASSERT_EQ(CmInstallCreator("TdxA", 1), 0);
  EXPECT_EQ(CmSetCreatorName("TdxA", "C:\\conduits\\tdxa.dll"), 0);
  EXPECT_EQ(CmSetCreatorDirectory("TdxA", "tdxa"), 0);
  EXPECT_EQ(CmSetCreatorFile("TdxA", "tdxa.dat"), 0);
  EXPECT_EQ(CmSetCreatorPriority("TdxA", 4), 0);
  EXPECT_EQ(CmSetCreatorRemote("TdxA", "TdxADB"), 0);
  EXPECT_EQ(CmSetCreatorTitle("TdxA", "Tdx Alpha"), 0);
  EXPECT_EQ(CmSetCreatorInfo("TdxA", "about alpha"), 0);
  EXPECT_EQ(CmSetCreatorIntegrate("TdxA", 3), 0);
  // Another type, a bad creator text, a duplicate: refused.
  EXPECT_NE(CmInstallCreator("TdxB", 2), 0);
  EXPECT_NE(CmInstallCreator("Tdx", 1), 0);
  EXPECT_NE(CmInstallCreator("TdxA", 1), 0);
  EXPECT_NE(CmSetCreatorPriority("TdxA", 6), 0);
  EXPECT_NE(CmSetCreatorTitle("None", "x"), 0);

  ASSERT_EQ(CmGetConduitCount(), 1);
  char creator[5] = {};
  int32_t n = 5;
  EXPECT_EQ(CmGetConduitCreatorID(0, creator, &n), 0);
  EXPECT_STREQ(creator, "TdxA");
  // The registry form other parts read directly: first character highest.
  uint32_t dw = 0;
  EXPECT_EQ(CmConvertStringToCreatorID("TdxA", &dw), 0);
  EXPECT_EQ(dw, 0x54647841u);
  char back[5] = {};
  n = 5;
  EXPECT_EQ(CmConvertCreatorIDToString(dw, back, &n), 0);
  EXPECT_STREQ(back, "TdxA");
  n = 4;  // no room for the terminator
  EXPECT_NE(CmConvertCreatorIDToString(dw, back, &n), 0);
  HKEY h;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, PD_REG_ROOT "\\Application0", 0, KEY_READ, &h), 0);
  DWORD stored = 0, cb = 4;
  RegQueryValueExA(h, "Creator", nullptr, nullptr, reinterpret_cast<BYTE*>(&stored), &cb);
  RegCloseKey(h);
  EXPECT_EQ(stored, 0x54647841u);

  const struct {
    int32_t (*get)(const char*, char*, int32_t*);
    const char* want;
  } texts[] = {{CmGetCreatorName, "C:\\conduits\\tdxa.dll"}, {CmGetCreatorDirectory, "tdxa"},
               {CmGetCreatorFile, "tdxa.dat"},              {CmGetCreatorRemote, "TdxADB"},
               {CmGetCreatorTitle, "Tdx Alpha"},             {CmGetCreatorInfo, "about alpha"}};
  for (const auto& t : texts) {
    char buf[260] = {};
    int32_t size = sizeof buf;
    EXPECT_EQ(t.get("TdxA", buf, &size), 0) << t.want;
    EXPECT_STREQ(buf, t.want);
  }
  int32_t v = 0;
  EXPECT_EQ(CmGetCreatorPriority("TdxA", &v), 0);
  EXPECT_EQ(v, 4);
  EXPECT_EQ(CmGetCreatorIntegrate("TdxA", &v), 0);
  EXPECT_EQ(v, 3);

  EXPECT_NE(CmRemoveConduitByCreatorID("Nope"), 1);
  EXPECT_NE(CmRemoveConduitByCreatorID(nullptr), 1);
  EXPECT_EQ(CmRemoveConduitByCreatorID("TdxA"), 1);
  EXPECT_EQ(CmGetConduitCount(), 0);
  EXPECT_NE(CmRemoveConduitByCreatorID("TdxA"), 1);
}

TEST_F(StandinTest, RemovingRenumbersAndTakesTheFirstOfTwinCreators) {
  box.AddAppConduit({.creator = "aaaa", .conduit = "a.dll", .title = "A"});
  box.AddAppConduit({.creator = "twin", .conduit = "t1.dll", .title = "Twin 1"});
  box.AddAppConduit({.creator = "cccc", .conduit = "c.dll", .title = "C"});
  box.AddAppConduit({.creator = "twin", .conduit = "t2.dll", .title = "Twin 2"});
  ASSERT_EQ(CmGetConduitCount(), 4);
  char buf[64];
  int32_t n = sizeof buf;
  CmGetCreatorTitle("twin", buf, &n);
  EXPECT_STREQ(buf, "Twin 1");

  EXPECT_EQ(CmRemoveConduitByCreatorID("twin"), 1);
  ASSERT_EQ(CmGetConduitCount(), 3);
  EXPECT_FALSE(PalmSandbox::KeyExists(PD_REG_ROOT "\\Application3"));
  const char* order[] = {"aaaa", "cccc", "twin"};
  for (int i = 0; i < 3; ++i) {
    char c[5] = {};
    int32_t size = 5;
    CmGetConduitCreatorID(i, c, &size);
    EXPECT_STREQ(c, order[i]) << i;
  }
  n = sizeof buf;
  CmGetCreatorTitle("twin", buf, &n);
  EXPECT_STREQ(buf, "Twin 2");  // the later one, moved down with all its values

  // A gap ends the enumeration, whatever follows it.
  PalmSandbox::SetDword(PD_REG_ROOT "\\Application7", "Creator", PalmSandbox::Creator("late"));
  EXPECT_EQ(CmGetConduitCount(), 3);
}

TEST_F(StandinTest, AnswersFollowDirectRegistryWritesAtOnce) {
  box.AddAppConduit({.creator = "aaaa", .conduit = "a.dll", .title = "A"});
  box.AddAppConduit({.creator = "bbbb", .conduit = "b.dll", .title = "B"});
  char buf[64];
  int32_t n = sizeof buf;
  ASSERT_EQ(CmGetCreatorTitle("bbbb", buf, &n), 0);
  EXPECT_STREQ(buf, "B");

  // A creator changed in place: the earlier key now holds the twin.
  PalmSandbox::SetDword(PD_REG_ROOT "\\Application0", "Creator", PalmSandbox::Creator("bbbb"));
  n = sizeof buf;
  CmGetCreatorTitle("bbbb", buf, &n);
  EXPECT_STREQ(buf, "A");
  EXPECT_NE(CmGetCreatorTitle("aaaa", buf, &n), 0);
  PalmSandbox::SetString(PD_REG_ROOT "\\Application0", "Title", "A2");
  n = sizeof buf;
  CmGetCreatorTitle("bbbb", buf, &n);
  EXPECT_STREQ(buf, "A2");

  // A value changed, a key added, then everything deleted and written anew.
  PalmSandbox::SetString(PD_REG_ROOT "\\Application1", "Title", "B2");
  box.AddAppConduit({.creator = "cccc", .conduit = "c.dll", .title = "C"});
  EXPECT_EQ(CmGetConduitCount(), 3);
  ASSERT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, PD_REG_ROOT), ERROR_SUCCESS);
  RegDeleteKeyA(HKEY_CURRENT_USER, PD_REG_ROOT);
  EXPECT_EQ(CmGetConduitCount(), 0);
  EXPECT_NE(CmGetCreatorTitle("cccc", buf, &n), 0);
  box.AddAppConduit({.creator = "dddd", .conduit = "d.dll", .title = "D"});
  EXPECT_EQ(CmGetConduitCount(), 1);
  n = sizeof buf;
  EXPECT_EQ(CmGetCreatorTitle("dddd", buf, &n), 0);
  EXPECT_STREQ(buf, "D");
  // The root key removed alone (it was empty below) and made again.
  EXPECT_EQ(CmRemoveConduitByCreatorID("dddd"), 1);
  RegDeleteTreeA(HKEY_CURRENT_USER, PD_REG_ROOT);
  RegDeleteKeyA(HKEY_CURRENT_USER, PD_REG_ROOT);
  EXPECT_EQ(CmGetConduitCount(), 0);
  box.AddAppConduit({.creator = "eeee", .conduit = "e.dll", .title = "E"});
  EXPECT_EQ(CmGetConduitCount(), 1);
  n = sizeof buf;
  EXPECT_EQ(CmGetCreatorTitle("eeee", buf, &n), 0);
}

TEST_F(StandinTest, GettersNeverOverrunAndStayTerminated) {
  const std::string title = "A title of 27 characters...";
  box.AddAppConduit({.creator = "size", .conduit = "C:\\size.dll", .title = title,
                     .directory = "sizedir", .file = "size.dat", .remote = "SizeDB",
                     .info = "size info"});
  box.SetBackupConduit("C:\\backup.dll");
  box.AddUser(42, "Some User", "SomeUser");
  box.AddSlot(0, 9, PdFourCC('s', 'd', 'i', 'g'), "Card Nine");

  struct Case {
    const char* what;
    std::string value;
    int32_t (*call)(char*, int32_t*);
  };
  const Case cm[] = {
      {"creator id", "size", [](char* b, int32_t* s) { return CmGetConduitCreatorID(0, b, s); }},
      {"name", "C:\\size.dll", [](char* b, int32_t* s) { return CmGetCreatorName("size", b, s); }},
      {"title", title, [](char* b, int32_t* s) { return CmGetCreatorTitle("size", b, s); }},
      {"dir", "sizedir", [](char* b, int32_t* s) { return CmGetCreatorDirectory("size", b, s); }},
      {"file", "size.dat", [](char* b, int32_t* s) { return CmGetCreatorFile("size", b, s); }},
      {"remote", "SizeDB", [](char* b, int32_t* s) { return CmGetCreatorRemote("size", b, s); }},
      {"info", "size info", [](char* b, int32_t* s) { return CmGetCreatorInfo("size", b, s); }},
      {"backup", "C:\\backup.dll", [](char* b, int32_t* s) { return CmGetBackupConduit(b, s); }},
      // The one User Data text with a 32-bit size.
      {"slot", "Card Nine", [](char* b, int32_t* s) { return UmSlotGetDisplayName(42, 9, b, s); }},
  };
  for (const Case& c : cm) {
    const int32_t exact = static_cast<int32_t>(c.value.size() + 1);
    for (int32_t size : {exact - 1, 1}) {
      Guarded g(size);
      int32_t s = size;
      EXPECT_NE(c.call(g.data(), &s), 0) << c.what << " " << size;
      EXPECT_EQ(g.bytes[0], '\0') << c.what;
      EXPECT_TRUE(g.GuardIntact()) << c.what << " " << size;
      EXPECT_EQ(s, exact) << c.what;  // tells what would fit
    }
    Guarded none(0);
    int32_t zero = 0;
    EXPECT_NE(c.call(none.data(), &zero), 0) << c.what;
    EXPECT_TRUE(none.GuardIntact()) << c.what;

    Guarded g(exact);
    int32_t s = exact;
    EXPECT_EQ(c.call(g.data(), &s), 0) << c.what;
    EXPECT_EQ(std::string(g.data()), c.value);
    EXPECT_TRUE(g.GuardIntact()) << c.what;
  }

  struct UmCase {
    const char* what;
    std::string value;
    int32_t (*call)(char*, uint16_t*);
  };
  const UmCase um[] = {
      {"user name", "Some User", [](char* b, uint16_t* s) { return UmGetUserName(42, b, s); }},
      {"user dir", "SomeUser", [](char* b, uint16_t* s) { return UmGetUserDirectory(42, b, s); }},
      {"root", box.Dir(), [](char* b, uint16_t* s) { return UmGetRootDirectory(b, s); }},
  };
  for (const UmCase& c : um) {
    const uint16_t exact = static_cast<uint16_t>(c.value.size() + 1);
    Guarded small(exact - 1);
    uint16_t s = exact - 1;
    EXPECT_NE(c.call(small.data(), &s), 0) << c.what;
    EXPECT_EQ(small.bytes[0], '\0') << c.what;
    EXPECT_TRUE(small.GuardIntact()) << c.what;
    EXPECT_EQ(s, exact) << c.what;
    Guarded g(exact);
    s = exact;
    EXPECT_EQ(c.call(g.data(), &s), 0) << c.what;
    EXPECT_STRCASEEQ(g.data(), c.value.c_str()) << c.what;
    EXPECT_TRUE(g.GuardIntact()) << c.what;
  }
}

TEST_F(StandinTest, InstallConduitsComeBackThroughTheBlock) {
  box.AddInstallConduit("inst", "C:\\pd\\instapp.dll", "Install Handheld Files");
  box.AddInstallConduit("PAdd", "instmirror.dll", "Mirror Install");
  ASSERT_EQ(PltGetInstallConduitCount(), 2);

  for (int i = 0; i < 2; ++i) {
    unsigned char block[840 + 16];
    std::memset(block, 0, 840);
    std::memset(block + 840, kGuard, 16);
    int32_t size = 840;
    ASSERT_GT(PltGetInstallConduitInfo(i, block, &size), 0) << i;
    for (int k = 840; k < 856; ++k) ASSERT_EQ(block[k], kGuard);
    // The block opens with the directory text, never a size: nothing there.
    for (int k = 0; k < 324; ++k) ASSERT_EQ(block[k], 0) << k;
    const char* lib = reinterpret_cast<const char*>(block + 324);
    const char* title = reinterpret_cast<const char*>(block + 584);
    const std::string creator(reinterpret_cast<const char*>(block + 580), 4);
    if (i == 0) {
      EXPECT_STREQ(lib, "C:\\pd\\instapp.dll");
      EXPECT_EQ(creator, "inst");
      EXPECT_STREQ(title, "Install Handheld Files");
    } else {
      EXPECT_STREQ(lib, "instmirror.dll");
      EXPECT_EQ(creator, "PAdd");
      EXPECT_STREQ(title, "Mirror Install");
    }
  }

  std::vector<unsigned char> small(839 + 16, kGuard);
  int32_t size = 839;
  EXPECT_LE(PltGetInstallConduitInfo(0, small.data(), &size), 0);
  for (unsigned char c : small) EXPECT_EQ(c, kGuard);
  unsigned char block[840] = {};
  size = 840;
  EXPECT_LE(PltGetInstallConduitInfo(2, block, &size), 0);
  EXPECT_LE(PltGetInstallConduitInfo(-1, block, &size), 0);

  EXPECT_EQ(TdxRemoveInstallConduit(0), 0);
  ASSERT_EQ(PltGetInstallConduitCount(), 1);
  size = 840;
  ASSERT_GT(PltGetInstallConduitInfo(0, block, &size), 0);
  EXPECT_STREQ(reinterpret_cast<const char*>(block + 584), "Mirror Install");
}

TEST_F(StandinTest, UsersProfilesAndSlots) {
  EXPECT_EQ(TdxSeedUser(100, "Ann", "Ann", 0), 0);
  EXPECT_EQ(TdxSeedUser(200, "Profile One", "Prof", 1), 1);
  EXPECT_NE(TdxSeedUser(100, "Dup", "Dup", 0), 0);
  EXPECT_NE(TdxSeedUser(300, std::string(64, 'n').c_str(), "x", 0), 0);  // too long for the record
  EXPECT_EQ(TdxSeedSlot(100, 1, PdFourCC('s', 'd', 'i', 'g'), "SD card"), 0);
  EXPECT_EQ(TdxSeedSlot(100, 7, PdFourCC('m', 's', 't', 'k'), "Stick"), 1);
  EXPECT_NE(TdxSeedSlot(100, 7, 0, "again"), 0);
  EXPECT_NE(TdxSeedSlot(999, 1, 0, "nobody"), 0);

  ASSERT_EQ(UmGetUserCount(), 2);
  uint32_t id = 0;
  EXPECT_EQ(UmGetUserID(1, &id), 0);
  EXPECT_EQ(id, 200u);
  EXPECT_NE(UmGetUserID(2, &id), 0);
  EXPECT_EQ(UmIsUserProfile(100), 0);
  EXPECT_NE(UmIsUserProfile(200), 0);

  uint16_t count = 0;
  EXPECT_EQ(UmSlotGetSlotCount(100, &count), 0);
  EXPECT_EQ(count, 2);
  count = 0;
  UmSlotGetSlotCount(200, &count);
  EXPECT_EQ(count, 0);

  // A short array gets only what fits.
  uint32_t refs[3] = {0, 0xAAAAAAAA, 0xAAAAAAAA};
  count = 1;
  EXPECT_NE(UmSlotGetInfo(100, refs, &count), 0);
  EXPECT_EQ(refs[0], 1u);
  EXPECT_EQ(refs[1], 0xAAAAAAAAu);
  count = 2;
  EXPECT_EQ(UmSlotGetInfo(100, refs, &count), 0);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(refs[1], 7u);
  EXPECT_EQ(refs[2], 0xAAAAAAAAu);

  uint32_t media = PD_MEDIA_WILD;
  EXPECT_EQ(UmSlotGetMediaType(100, 7, &media), 0);
  EXPECT_EQ(media, PdFourCC('m', 's', 't', 'k'));
  media = PD_MEDIA_WILD;
  EXPECT_NE(UmSlotGetMediaType(100, 8, &media), 0);
  EXPECT_EQ(media, PD_MEDIA_WILD);  // unknown slot: the preset stays

  EXPECT_EQ(UmDeleteUser(100), 0);
  ASSERT_EQ(UmGetUserCount(), 1);
  UmGetUserID(0, &id);
  EXPECT_EQ(id, 200u);
}

TEST_F(StandinTest, UmAddUserTakesNameAndProfileOnly) {
  box.AddUser(7, "Ann", "Ann");
  ASSERT_EQ(UmAddUser("Ann", 1), 0);
  ASSERT_EQ(UmAddUser("", 0), PD_ERR_NOT_BOUND);
  ASSERT_EQ(UmGetUserCount(), 2);
  uint32_t id = 0;
  ASSERT_EQ(UmGetUserID(1, &id), 0);
  EXPECT_EQ(id, 8u);  // above the highest ID
  EXPECT_NE(UmIsUserProfile(8), 0);
  char dir[256] = {};
  uint16_t size = sizeof dir;
  ASSERT_EQ(UmGetUserDirectory(8, dir, &size), 0);
  EXPECT_STRNE(dir, "Ann");  // the first Ann keeps hers
  EXPECT_EQ(std::string(dir).rfind("Ann", 0), 0u) << dir;
}

TEST_F(StandinTest, SyncPreferencesByCreatorNumber) {
  box.AddUser(5, "Pat", "Pat");
  uint32_t memo = 0, date = 0;
  ASSERT_EQ(CmConvertStringToCreatorID("memo", &memo), 0);
  ASSERT_EQ(CmConvertStringToCreatorID("date", &date), 0);
  int32_t v = 77;
  EXPECT_NE(UmGetUserTempSyncPreferences(5, memo, &v), 0);
  EXPECT_EQ(v, 77);
  EXPECT_EQ(UmSetUserTempSyncPreferences(5, memo, PD_SYNC_HH_TO_PC), 0);
  EXPECT_EQ(UmSetUserTempSyncPreferences(5, date, PD_SYNC_PC_TO_HH), 0);
  EXPECT_EQ(UmSetUserPermSyncPreferences(5, memo, PD_SYNC_NOTHING), 0);
  EXPECT_NE(UmSetUserPermSyncPreferences(6, memo, PD_SYNC_NOTHING), 0);  // no such user
  EXPECT_NE(UmSetUserPermSyncPreferences(5, memo, 0x10002), 0);  // not an action
  EXPECT_NE(UmSetUserPermSyncPreferences(5, memo, -1), 0);

  EXPECT_EQ(UmGetUserTempSyncPreferences(5, memo, &v), 0);
  EXPECT_EQ(v, PD_SYNC_HH_TO_PC);
  EXPECT_EQ(UmGetUserPermSyncPreferences(5, memo, &v), 0);
  EXPECT_EQ(v, PD_SYNC_NOTHING);
  // Another number is another creator, even one the text form would not give.
  EXPECT_NE(UmGetUserPermSyncPreferences(5, 0x6F6D656Du, &v), 0);  // "memo" byte-swapped

  // Remove and both Deletes take the creator: only that value goes.
  EXPECT_EQ(UmRemoveUserTempSyncPreferences(5, memo), 0);
  EXPECT_NE(UmGetUserTempSyncPreferences(5, memo, &v), 0);
  EXPECT_EQ(UmGetUserTempSyncPreferences(5, date, &v), 0);
  EXPECT_EQ(UmDeleteUserTempSyncPreferences(5, date), 0);
  EXPECT_NE(UmGetUserTempSyncPreferences(5, date, &v), 0);
  EXPECT_EQ(UmGetUserPermSyncPreferences(5, memo, &v), 0);  // the other kind stays
  EXPECT_EQ(UmDeleteUserPermSyncPreferences(5, memo), 0);
  EXPECT_NE(UmGetUserPermSyncPreferences(5, memo, &v), 0);

  SetEnvironmentVariableA("TDX_USERDATA_REFUSE", "memo");
  EXPECT_EQ(UmSetUserTempSyncPreferences(5, memo, PD_SYNC_SYNCHRONIZE), PD_ERR_STORAGE);
  EXPECT_EQ(UmSetUserTempSyncPreferences(5, date, PD_SYNC_SYNCHRONIZE), 0);
  SetEnvironmentVariableA("TDX_USERDATA_REFUSE", nullptr);
}

TEST_F(StandinTest, HotSyncOperationsAnswerAndRecord) {
  uint32_t v = 0;
  EXPECT_EQ(HsGetApiVersion(&v), 0);
  EXPECT_TRUE(v == 0x00010001u || v == 0x00010002u);
  EXPECT_EQ(HsCheckApiStatus(), 0);
  EXPECT_EQ(HsSetAppStatus(2, 0x10), 0);
  EXPECT_EQ(HsSetAppStatus(-1, 0), 0x10000005);
  EXPECT_EQ(HsSetAppStatus(3, 0), 0x10000005);
  EXPECT_EQ(HsGetSyncStatus(nullptr), 0x1000000A);
  EXPECT_EQ(HsRefreshConduitInfo(), 0);
  EXPECT_EQ(HsRefreshConduitInfo(), 0);
  HKEY h;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, PD_REG_HOTSYNC, 0, KEY_READ, &h), 0);
  DWORD refreshes = 0, status = 0, cb = 4;
  RegQueryValueExA(h, "Refreshes", nullptr, nullptr, reinterpret_cast<BYTE*>(&refreshes), &cb);
  cb = 4;
  RegQueryValueExA(h, "AppStatus", nullptr, nullptr, reinterpret_cast<BYTE*>(&status), &cb);
  RegCloseKey(h);
  EXPECT_EQ(refreshes, 2u);
  EXPECT_EQ(status, 2u);
}

}  // namespace
