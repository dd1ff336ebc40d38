// Record-file writing on POSIX only: a file size limit stands in for a full disk.
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <vector>

#include "palm/CondRecord.h"
#include "support/TempDir.h"

using tdxtest::ReadBytes;
using tdxtest::TempDir;
using tdxtest::WriteBytes;
using Bytes = std::vector<unsigned char>;

namespace {

CondData MakeRecord(const char* creator, int32_t mark) {
  CondData r{};
  std::memcpy(r.szCreatorID, creator, 4);
  std::strcpy(r.szConduit, "conduit.dll");
  r.nMark = mark;
  return r;
}

// A write that fails part-way (here: the file size limit, as a full disk would)
// must not leave a short file in place of the old one.
TEST(CondRecordTest, FailedWriteLeavesTheOldFile) {
  TempDir dir("condrec");
  const std::string path = dir.file("OVRes.dat");
  const CondData old = MakeRecord("date", 0);
  WriteBytes(path, &old, sizeof old);
  const Bytes before = ReadBytes(path);

  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 1000;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  bool committed = true;
  {
    CondRecordWriter w;
    if (w.Create(path.c_str())) {
      for (int i = 0; i < 20; ++i) w.Write(MakeRecord("todo", i));
      committed = w.Commit();
    }
  }
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);

  EXPECT_FALSE(committed);
  EXPECT_EQ(ReadBytes(path), before);
  EXPECT_FALSE(std::filesystem::exists(CondRecordWriter::TempPathFor(path)));
}

}  // namespace
