// Asking conduit libraries through the helper: every kind of misbehaviour
// gets its own answer in one call, a crash or a hang costs one helper run
// each, unchanged libraries are answered from the cache and changed ones are
// asked again, and without the helper the libraries are asked in process.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "palm/CondAsk.h"
#include "support/PalmSandbox.h"
#include "support/Processes.h"
#include "support/TempDir.h"

namespace {

using tdxtest::PalmSandbox;

size_t Lines(const std::string& path) {
  size_t n = 0;
  for (unsigned char c : tdxtest::ReadBytes(path)) n += c == '\n';
  return n;
}

struct Expect {
  const char* sample;  // in the build's bin/ directory
  CondLibState state;
  bool bOpen;
  std::string name;
};

class CondAsk : public ::testing::Test {
 protected:
  tdxtest::TempDir dir{"condask"};
  std::string runs = dir.file("runs.txt");
  CondAsker asker;

  void SetUp() override {
    asker.SetHelperPath(PalmSandbox::BinFile("tdcprobe.exe"));
    asker.SetCachePath(dir.file("ovlib.dat"));
    asker.SetTimeout(3000);
    ASSERT_TRUE(SetEnvironmentVariableA("TDX_PROBE_RUNS", runs.c_str()));
  }
  void TearDown() override { SetEnvironmentVariableA("TDX_PROBE_RUNS", nullptr); }
  // A copy, so that each test's libraries are new to the cache.
  std::string Copy(const std::string& sample, const std::string& as = "") {
    const std::string to = dir.file((as.empty() ? sample : as) + ".dll");
    EXPECT_TRUE(CopyFileA(PalmSandbox::BinFile(sample + ".dll").c_str(), to.c_str(), FALSE));
    return to;
  }
};

TEST_F(CondAsk, EachMisbehaviourHasItsAnswerAndTheCacheSparesTheHelper) {
  const Expect cases[] = {
      {"cond_named", CondLibState::Answered, true, "Sample Named Conduit"},
      {"cond_bad_name_fault", CondLibState::Crashed, false, ""},
      {"cond_plain", CondLibState::Answered, true, ""},
      {"cond_bad_name_overrun", CondLibState::Answered, true, std::string(63, 'O')},
      {"cond_bad_name_hang", CondLibState::NoAnswer, false, ""},
      {"cond_bad_name_noterm", CondLibState::Answered, true, std::string(63, 'N')},
      {"cond_bad_dllmain", CondLibState::NotLoaded, false, ""},
      {"cond_noopen", CondLibState::Answered, false, ""},
  };
  std::vector<std::string> paths;
  for (const Expect& e : cases) paths.push_back(Copy(e.sample));
  paths.push_back(dir.file("nowhere.dll"));

  for (int pass = 0; pass < 2; ++pass) {
    const std::vector<CondAnswer> got = asker.Ask(paths);
    ASSERT_EQ(got.size(), paths.size());
    for (size_t i = 0; i < std::size(cases); ++i) {
      EXPECT_EQ(got[i].state, cases[i].state) << cases[i].sample << " pass " << pass;
      EXPECT_EQ(got[i].bOpenConduit, cases[i].bOpen) << cases[i].sample;
      EXPECT_EQ(std::string(got[i].szName), cases[i].name) << cases[i].sample;
    }
    EXPECT_EQ(got.back().state, CondLibState::NotLoaded);
    // First run, one after the crash, one after the hang; none the second time.
    EXPECT_EQ(Lines(runs), 3u) << "pass " << pass;
  }
  EXPECT_EQ(asker.HelperRuns(), 3u);

  // A library replaced by another (new size and time) is asked again.
  ASSERT_TRUE(CopyFileA(PalmSandbox::BinFile("cond_named.dll").c_str(), paths[1].c_str(), FALSE));
  HANDLE h = CreateFileA(paths[1].c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  FILETIME ft{0x12345678, 0x01D00000};
  SetFileTime(h, nullptr, nullptr, &ft);
  CloseHandle(h);
  const CondAnswer again = asker.AskOne(paths[1]);
  EXPECT_EQ(again.state, CondLibState::Answered);
  EXPECT_STREQ(again.szName, "Sample Named Conduit");
  EXPECT_EQ(Lines(runs), 4u);
}

TEST_F(CondAsk, ADamagedCacheIsAskedAgainAndAMissingHelperMeansInProcess) {
  const std::string lib = Copy("cond_named", "named_again");
  const std::string cache = dir.file("ovlib.dat");
  HANDLE h = CreateFileA(cache.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD cb = 0;
  WriteFile(h, "TDXA\1\0\0\0\xff\xff\xff\xff junk", 17, &cb, nullptr);
  CloseHandle(h);
  EXPECT_STREQ(asker.AskOne(lib).szName, "Sample Named Conduit");
  EXPECT_EQ(Lines(runs), 1u);

  CondAsker inProcess;
  inProcess.SetHelperPath(dir.file("no-such-helper.exe"));
  inProcess.SetCachePath(dir.file("other.dat"));
  const CondAnswer a = inProcess.AskOne(Copy("cond_version"));
  EXPECT_EQ(a.state, CondLibState::Answered);
  EXPECT_TRUE(a.bOpenConduit);
  EXPECT_TRUE(a.bHasVersion);
  EXPECT_EQ(a.wVersion[0], 2);
  EXPECT_EQ(a.wVersion[3], 7);
  EXPECT_EQ(inProcess.HelperRuns(), 0u);
  EXPECT_EQ(Lines(runs), 1u);

  // A cache that cannot be written (a read-only program folder): the answers
  // are kept for the run all the same.
  CondAsker readOnly;
  readOnly.SetHelperPath(PalmSandbox::BinFile("tdcprobe.exe"));
  readOnly.SetCachePath(dir.file("no-such-folder\\ovlib.dat"));
  const std::string other = Copy("cond_plain", "plain_again");
  for (int pass = 0; pass < 2; ++pass)
    EXPECT_EQ(readOnly.AskOne(other).state, CondLibState::Answered) << pass;
  EXPECT_EQ(readOnly.HelperRuns(), 1u);
}

// Libraries that write where they should not, among good ones, in one
// question: each good one keeps its true answer, each rogue is settled alone,
// and nothing the helper or a library started is left running.
TEST_F(CondAsk, RoguesAreSettledAloneAndLeaveNoProcessBehind) {
  // A helper and a child of names of this test's own: other tests run theirs.
  const std::string tag = std::to_string(GetCurrentProcessId());
  const std::string helper = "probe-" + tag + ".exe", child = "sleeper-" + tag + ".exe";
  ASSERT_TRUE(CopyFileA(PalmSandbox::BinFile("tdcprobe.exe").c_str(), dir.file(helper).c_str(), FALSE));
  ASSERT_TRUE(CopyFileA(PalmSandbox::BinFile("tdx_sleeper.exe").c_str(), dir.file(child).c_str(), FALSE));
  ASSERT_TRUE(SetEnvironmentVariableA("TDX_FIXTURE_CHILD", dir.file(child).c_str()));
  asker.SetHelperPath(dir.file(helper));
  {  // the count sees a running child by its path and by its name
    // Its output leads nowhere: under Wine a child given none would hold the
    // test runner's pipe.
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE hNul = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              &sa, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = si.hStdOutput = si.hStdError = hNul;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessA(dir.file(child).c_str(), nullptr, nullptr, nullptr, TRUE,
                               CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi));
    CloseHandle(hNul);
    EXPECT_EQ(tdxtest::CountProcesses(dir.file(child)), 1u);
    EXPECT_EQ(tdxtest::CountProcesses(child), 1u);
    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, 5000);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
  }
  const CondLibState kFault = CondLibState::Crashed;  // a crash or out of turn: both faults
  const Expect cases[] = {
      {"cond_named", CondLibState::Answered, true, "Sample Named Conduit"},
      {"cond_rogue_chatty", CondLibState::Answered, true, "Chatty Conduit"},
      {"cond_plain", CondLibState::Answered, true, ""},
      {"cond_rogue_forge_progress", kFault, false, ""},
      {"cond_version", CondLibState::Answered, true, ""},
      {"cond_rogue_forge_answers", kFault, false, ""},
      {"cond_noopen", CondLibState::Answered, false, ""},
      {"cond_rogue_endless", kFault, false, ""},
      {"cond_rogue_spawn", CondLibState::NoAnswer, false, ""},
      {"cond_named", CondLibState::Answered, true, "Sample Named Conduit"},
  };
  std::vector<std::string> paths;
  for (size_t i = 0; i < std::size(cases); ++i)
    paths.push_back(Copy(cases[i].sample, cases[i].sample + std::to_string(i)));
  auto check = [&](const std::vector<CondAnswer>& got, const char* when) {
    ASSERT_EQ(got.size(), paths.size());
    for (size_t i = 0; i < std::size(cases); ++i) {
      const Expect& e = cases[i];
      if (e.state == kFault)
        EXPECT_TRUE(got[i].state == CondLibState::Crashed ||
                    got[i].state == CondLibState::Misbehaved)
            << e.sample << " " << when << ": " << static_cast<int>(got[i].state);
      else
        EXPECT_EQ(got[i].state, e.state) << e.sample << " " << when;
      EXPECT_EQ(got[i].bOpenConduit, e.bOpen) << e.sample << " " << when;
      EXPECT_EQ(std::string(got[i].szName), e.name) << e.sample << " " << when;
    }
  };
  check(asker.Ask(paths), "asked");
  // The run after each of the four rogues that end a run, besides the first.
  EXPECT_EQ(asker.HelperRuns(), 5u);
  EXPECT_EQ(tdxtest::ProcessesLeft(helper), 0u);
  EXPECT_EQ(tdxtest::ProcessesLeft(child), 0u);

  // The next start: a fault is kept until the library changes, silence is
  // asked again (and again costs a run).
  CondAsker next;
  next.SetHelperPath(dir.file(helper));
  next.SetCachePath(dir.file("ovlib.dat"));
  next.SetTimeout(3000);
  check(next.Ask(paths), "at the next start");
  EXPECT_EQ(next.HelperRuns(), 1u);
  // And asked fresh, every one is asked again.
  check(next.AskFresh(paths), "asked fresh");
  EXPECT_EQ(next.HelperRuns(), 6u);
  EXPECT_EQ(tdxtest::ProcessesLeft(child), 0u);
  SetEnvironmentVariableA("TDX_FIXTURE_CHILD", nullptr);
}

// A helper that cannot ask leaves every library unasked, with the reason,
// and never has the library mapped into this process instead.
TEST_F(CondAsk, AHelperThatCannotAskLeavesTheLibrariesUnasked) {
  const std::string notAProgram = dir.file("text.exe");
  tdxtest::WriteText(notAProgram, "not a program");
  struct Case {
    std::string helper;
    CondUnasked why;
  } cases[] = {
      {notAProgram, CondUnasked::CannotStart},
      {PalmSandbox::BinFile("tdx_sleeper.exe"), CondUnasked::NoStart},  // never says a word
      {PalmSandbox::BinFile("tdlog.exe"), CondUnasked::Ended},          // ends at once
  };
  const std::vector<std::string> paths = {Copy("cond_named"), Copy("cond_plain")};
  for (const Case& c : cases) {
    CondAsker a;
    a.SetHelperPath(c.helper);
    a.SetCachePath(dir.file("unasked.dat"));
    a.SetStartTimeout(1500);
    for (int pass = 0; pass < 2; ++pass) {  // never kept: asked again each time
      const std::vector<CondAnswer> got = a.Ask(paths);
      for (const CondAnswer& g : got) {
        EXPECT_EQ(g.state, CondLibState::Unasked) << c.helper;
        EXPECT_EQ(g.unasked, c.why) << c.helper;
        EXPECT_NE(CondStateText(g).find(kCondProbeExe), std::string::npos) << CondStateText(g);
      }
    }
    EXPECT_EQ(GetModuleHandleA("cond_named.dll"), nullptr) << c.helper;
  }
  EXPECT_EQ(Lines(runs), 0u);
}

}  // namespace
