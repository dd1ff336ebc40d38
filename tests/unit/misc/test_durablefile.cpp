// The one commit every whole-file store goes through: data flushed through the
// writer's own stream before the move, the flush and the move each retried
// while refused, and the old file whole whenever the new one could not be put
// in place.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "misc/DurableFile.h"
#include "support/TempDir.h"

using tdxtest::ReadBytes;
using tdxtest::TempDir;
using tdxtest::WriteText;

namespace {

// Scripted operations around the real ones, and what was asked of them.
struct Script {
  int nFlushRefusals = 0;  // refusals before the real flush runs; -1 = always
  int nMoveRefusals = 0;   // the same for the move
  std::FILE* pFlushed = nullptr;
  bool bCopyOk = true;
  std::vector<std::string> calls;
  std::vector<unsigned> pauses;
};
Script g;
const DurableFileOps* g_pReal = nullptr;

bool Refused(int& n) {
  if (n < 0) return true;
  if (n > 0) {
    --n;
    return true;
  }
  return false;
}
bool Flush(std::FILE* f) {
  g.calls.push_back("flush");
  g.pFlushed = f;
  return !Refused(g.nFlushRefusals) && g_pReal->Flush(f);
}
bool Move(const char* a, const char* b) {
  g.calls.push_back("move");
  return !Refused(g.nMoveRefusals) && g_pReal->Move(a, b);
}
bool CopyOver(const char* a, const char* b) {
  g.calls.push_back("copy");
  return g.bCopyOk && g_pReal->CopyOver(a, b);
}
void Pause(unsigned n) { g.pauses.push_back(n); }
const DurableFileOps kScripted = {Flush, Move, CopyOver, Pause};

std::string Text(const std::string& path) {
  const auto b = ReadBytes(path);
  return std::string(b.begin(), b.end());
}

bool Exists(const std::string& path) {
  if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
    std::fclose(f);
    return true;
  }
  return false;
}

}  // namespace

TEST(DurableFileTest, TheOldFileStaysWholeUnlessTheNewOneIsOnDiskAndMoved) {
  const std::vector<std::string> k5 = {"flush", "flush", "flush", "flush", "flush"};
  const std::vector<std::string> m5 = {"move", "move", "move", "move", "move"};
  auto join = [](std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  const struct {
    const char* what;
    int nFlushRefusals;
    int nMoveRefusals;
    HeldTarget held;
    bool bOk;
    const char* szTarget;  // what the target holds afterwards
    std::vector<std::string> calls;
  } cases[] = {
      {"written", 0, 0, HeldTarget::Fail, true, "new", {"flush", "move"}},
      {"flush refused for a moment", 2, 0, HeldTarget::Fail, true, "new",
       {"flush", "flush", "flush", "move"}},
      {"flush refused throughout: never moved", -1, 0, HeldTarget::Fail, false, "old", k5},
      {"held for a moment", 0, 2, HeldTarget::Fail, true, "new",
       {"flush", "move", "move", "move"}},
      {"held throughout", 0, -1, HeldTarget::Fail, false, "old", join({"flush"}, m5)},
      {"a page held throughout", 0, -1, HeldTarget::WriteOver, true, "new",
       join(join({"flush"}, m5), {"copy"})},
      {"a page, flush refused throughout", -1, 0, HeldTarget::WriteOver, false, "old", k5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir("durable");
    const std::string target = dir.file("OVRes.dat");
    WriteText(target, "old");
    g = Script{};
    g.nFlushRefusals = c.nFlushRefusals;
    g.nMoveRefusals = c.nMoveRefusals;
    g_pReal = SetDurableFileOps(&kScripted);
    const bool ok = WriteFileDurably(target.c_str(), "new", 3, c.held);
    SetDurableFileOps(nullptr);
    EXPECT_EQ(ok, c.bOk);
    EXPECT_EQ(Text(target), c.szTarget);
    EXPECT_EQ(g.calls, c.calls);
    EXPECT_NE(g.pFlushed, nullptr) << "flushed through the stream that wrote it";
    EXPECT_FALSE(Exists(DurableTempPath(target.c_str()))) << "no temporary file is left";
    // The pauses between tries grow: a hold of about a third of a second is waited out.
    if (c.nMoveRefusals < 0 || c.nFlushRefusals < 0) {
      EXPECT_EQ(g.pauses, (std::vector<unsigned>{20, 40, 80, 160}));
    }
  }
}

TEST(DurableFileTest, TemporaryNameStaysBesideTheTargetAndWithinThePathLimit) {
  EXPECT_EQ(DurableTempPath("C:\\Tdx\\tessary.ini"), "C:\\Tdx\\tessary.ini.tmp");
  const std::string longName = "C:\\Tdx\\" + std::string(250, 'x');
  EXPECT_EQ(DurableTempPath(longName.c_str()), "C:\\Tdx\\~tdx.tmp");
}
