// The one commit every whole-file store goes through: data flushed before the
// move, the move retried while the target is held, and the old file whole
// whenever the new one could not be put in place.
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
  bool bFlushOk = true;
  int nMoveRefusals = 0;  // refusals before the real move runs; -1 = always
  bool bCopyOk = true;
  std::vector<std::string> calls;
  std::vector<unsigned> pauses;
};
Script g;
const DurableFileOps* g_pReal = nullptr;

bool Flush(const char* p) {
  g.calls.push_back("flush");
  return g.bFlushOk && g_pReal->Flush(p);
}
bool Move(const char* a, const char* b) {
  g.calls.push_back("move");
  if (g.nMoveRefusals < 0) return false;
  if (g.nMoveRefusals > 0) {
    --g.nMoveRefusals;
    return false;
  }
  return g_pReal->Move(a, b);
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
  const struct {
    const char* what;
    bool bFlushOk;
    int nMoveRefusals;
    HeldTarget held;
    bool bOk;
    const char* szTarget;  // what the target holds afterwards
    std::vector<std::string> calls;
  } cases[] = {
      {"written", true, 0, HeldTarget::Fail, true, "new", {"flush", "move"}},
      {"flush fails: never moved", false, 0, HeldTarget::Fail, false, "old", {"flush"}},
      {"held for a moment", true, 2, HeldTarget::Fail, true, "new",
       {"flush", "move", "move", "move"}},
      {"held throughout", true, -1, HeldTarget::Fail, false, "old",
       {"flush", "move", "move", "move", "move", "move"}},
      {"a page held throughout", true, -1, HeldTarget::WriteOver, true, "new",
       {"flush", "move", "move", "move", "move", "move", "copy"}},
      {"a page, flush fails", false, 0, HeldTarget::WriteOver, false, "old", {"flush"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir("durable");
    const std::string target = dir.file("OVRes.dat");
    WriteText(target, "old");
    g = Script{};
    g.bFlushOk = c.bFlushOk;
    g.nMoveRefusals = c.nMoveRefusals;
    g_pReal = SetDurableFileOps(&kScripted);
    const bool ok = WriteFileDurably(target.c_str(), "new", 3, c.held);
    SetDurableFileOps(nullptr);
    EXPECT_EQ(ok, c.bOk);
    EXPECT_EQ(Text(target), c.szTarget);
    EXPECT_EQ(g.calls, c.calls);
    EXPECT_FALSE(Exists(DurableTempPath(target.c_str()))) << "no temporary file is left";
    // The pauses between tries grow: a hold of about a third of a second is waited out.
    if (c.nMoveRefusals < 0) EXPECT_EQ(g.pauses, (std::vector<unsigned>{20, 40, 80, 160}));
  }
}

TEST(DurableFileTest, TemporaryNameStaysBesideTheTargetAndWithinThePathLimit) {
  EXPECT_EQ(DurableTempPath("C:\\Tdx\\tessary.ini"), "C:\\Tdx\\tessary.ini.tmp");
  const std::string longName = "C:\\Tdx\\" + std::string(250, 'x');
  EXPECT_EQ(DurableTempPath(longName.c_str()), "C:\\Tdx\\~tdx.tmp");
}
