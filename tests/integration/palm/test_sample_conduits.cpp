// The sample conduit libraries other tests and the demo desktop rely on.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "misc/WinUtil.h"
#include "palm/PalmApi.h"

namespace {

std::string Bin(const char* name) {
  char dir[MAX_PATH];
  GetModuleDir(nullptr, dir);
  return std::string(dir) + name;
}

struct Lib {
  explicit Lib(const char* name) : h(LoadLibraryA(Bin(name).c_str())) {}
  ~Lib() {
    if (h) FreeLibrary(h);
  }
  bool Has(const char* fn) const { return GetProcAddress(h, fn) != nullptr; }
  HMODULE h;
};

TEST(SampleConduitTest, EachSampleHasExactlyItsEntryPoints) {
  const struct {
    const char* file;
    bool open, name;
  } samples[] = {{"cond_named.dll", true, true},
                 {"cond_plain.dll", true, false},
                 {"cond_noopen.dll", false, false},
                 {"cond_version.dll", true, false}};
  for (const auto& s : samples) {
    Lib lib(s.file);
    ASSERT_NE(lib.h, nullptr) << s.file;
    EXPECT_EQ(lib.Has("OpenConduit"), s.open) << s.file;
    EXPECT_EQ(lib.Has("GetConduitName"), s.name) << s.file;
  }
}

TEST(SampleConduitTest, NameIsCutToTheBufferAndTerminated) {
  Lib lib("cond_named.dll");
  auto pfn = reinterpret_cast<PFN_GetConduitName>(
      reinterpret_cast<void*>(GetProcAddress(lib.h, "GetConduitName")));
  ASSERT_NE(pfn, nullptr);
  char buf[64];
  EXPECT_EQ(pfn(buf, sizeof buf), 0);
  EXPECT_STREQ(buf, "Sample Named Conduit");

  std::memset(buf, 'Z', sizeof buf);
  EXPECT_EQ(pfn(buf, 7), 0);
  EXPECT_STREQ(buf, "Sample");
  EXPECT_EQ(buf[7], 'Z');
  EXPECT_NE(pfn(buf, 0), 0);
  EXPECT_EQ(buf[0], 'S');  // a zero-length buffer is not touched
}

TEST(SampleConduitTest, VersionSampleCarriesItsVersion) {
  int v[4] = {};
  ASSERT_TRUE(GetFileVersion(Bin("cond_version.dll").c_str(), &v[0], &v[1], &v[2], &v[3]));
  EXPECT_EQ(v[0], 2);
  EXPECT_EQ(v[1], 1);
  EXPECT_EQ(v[2], 0);
  EXPECT_EQ(v[3], 7);
  EXPECT_FALSE(GetFileVersion(Bin("cond_plain.dll").c_str(), &v[0], &v[1], &v[2], &v[3]));
}

}  // namespace
