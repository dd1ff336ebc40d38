// tdcond.exe as a process, from a program directory of its own: exit status
// and the two output streams, "PDPath" in the tessary.ini beside it, a library
// path taken against the directory it was started in, UTF-8 JSON, and never a
// window to wait on. The child reads the prefix's own Palm Desktop key, which
// the test seeds (LOCK palmreg).
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <string>

#include "Seeder.h"
#include "palm/PalmDesktop.h"
#include "support/PalmSandbox.h"
#include "support/Processes.h"
#include "support/TempDir.h"
#include "unit/logs/JsonCheck.h"

namespace {

struct Proc {
  long exit = -1;
  std::string out, err;
};

std::string NoCR(std::string s) {
  std::string r;
  for (char c : s)
    if (c != '\r') r += c;
  return r;
}

class TdcondExe : public ::testing::Test {
 protected:
  tdxtest::TempDir dir{"tdcond-exe"};
  std::string prog = dir.file("prog"), desk = dir.file("desk");

  void SetUp() override {
    ASSERT_TRUE(CreateDirectoryA(prog.c_str(), nullptr));
    ASSERT_TRUE(CopyFileA(tdxtest::PalmSandbox::BinFile("tdcond.exe").c_str(),
                          (prog + "\\tdcond.exe").c_str(), FALSE));
    std::string bin = tdxtest::PalmSandbox::BinFile("");
    bin.pop_back();
    const std::string text =
        "desktop X\n"
        "user 5001 Ann AnnDir\n"
        "copy $BIN\\cond_version.dll AddrCond.dll\n"
        "copy $BIN\\cond_plain.dll InstCond.dll\n"
        "copy $BIN\\cond_plain.dll Backup.dll\n"
        "app addr AddrCond.dll \"Caf\xe9 Book\" directory=address file=address.dat\n"
        "install inst InstCond.dll \"Install\"\n"
        "backup Backup.dll\n" +
        ExtraSeed();
    SeedPlan plan;
    std::string err;
    ASSERT_TRUE(ParseSeedPlan(text, {{"BIN", bin}, {"DESKTOP", desk}}, &plan, &err)) << err;
    ASSERT_TRUE(SeedDesktop(plan, bin, &err)) << err;
  }
  // More lines for the seeding tool's description of the desktop.
  virtual std::string ExtraSeed() const { return ""; }
  void TearDown() override {
    RegDeleteTreeA(HKEY_CURRENT_USER, PD_REG_ROOT);
    // Wine lets go of an ended child's image and files a moment after its
    // process handle is signalled: try the removal again for a while.
    for (int i = 0; i < 40; ++i) {
      std::error_code ec;
      std::filesystem::remove_all(dir.path(), ec);
      if (!std::filesystem::exists(dir.path(), ec)) break;
      Sleep(50);
    }
  }

  // Runs "tdcond.exe <args>" in cwd (the program directory when empty).
  Proc Run(const std::string& args, std::string cwd = "") {
    if (cwd.empty()) cwd = prog;
    Proc p;
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    const std::string n = std::to_string(++m_nRuns);
    const std::string outPath = dir.file("out" + n + ".txt"),
                      errPath = dir.file("err" + n + ".txt");
    HANDLE hOut = CreateFileA(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS,
                              0, nullptr);
    HANDLE hErr = CreateFileA(errPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS,
                              0, nullptr);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = hOut;
    si.hStdError = hErr;
    PROCESS_INFORMATION pi = {};
    const std::string exe = prog + "\\tdcond.exe";
    std::string cmd = "\"" + exe + "\" " + args;
    if (CreateProcessA(exe.c_str(), cmd.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                       cwd.c_str(), &si, &pi)) {
      // A message box would keep it waiting: it must end on its own.
      if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0) {
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        p.exit = static_cast<long>(code);
      } else {
        TerminateProcess(pi.hProcess, 99);
        ADD_FAILURE() << "tdcond " << args << " did not end";
      }
      CloseHandle(pi.hProcess);
      CloseHandle(pi.hThread);
    }
    CloseHandle(hOut);
    CloseHandle(hErr);
    auto text = [](const std::string& path) {
      const auto v = tdxtest::ReadBytes(path);
      return NoCR(std::string(v.begin(), v.end()));
    };
    p.out = text(outPath);
    p.err = text(errPath);
    return p;
  }
  int m_nRuns = 0;
  static hvtest::JValue Json(const std::string& text) {
    hvtest::JValue v;
    hvtest::JsonReader r;
    EXPECT_TRUE(r.Parse(text, v)) << text;
    return v;
  }
};

TEST_F(TdcondExe, ExitStatusAndStreamsOfTheProgram) {
  ASSERT_TRUE(CopyFileA(tdxtest::PalmSandbox::BinFile("cond_named.dll").c_str(),
                        (prog + "\\Rel.dll").c_str(), FALSE));
  struct Case {
    std::string args;
    long exit;
    std::string out, err;  // the start of each stream ("" = empty)
  };
  const Case cases[] = {
      {"install Rel.dll --creator RelC", 0,
       "Conduit \"Sample Named Conduit\" installed successfully.\n", ""},
      {"doctor", 0, "Palm Desktop: " + desk + "\nNo problems found.\n", ""},
      {"uninstall Nope", 1, "",
       "tdcond: no installed application conduit has the creator ID \"Nope\"\n"},
      {"bogus", 2, "", "tdcond: unknown command \"bogus\"\nusage: tdcond <command> [arguments]\n"},
      {"--help", 0, "usage: tdcond <command> [arguments]\n", ""},
  };
  for (const Case& c : cases) {
    const Proc p = Run(c.args);
    EXPECT_EQ(p.exit, c.exit) << c.args << "\n" << p.out << p.err;
    EXPECT_EQ(p.out.substr(0, c.out.size()), c.out) << c.args;
    EXPECT_EQ(p.err.substr(0, c.err.size()), c.err) << c.args;
    if (c.out.empty()) {
      EXPECT_EQ(p.out, "") << c.args;
    }
    if (c.err.empty()) {
      EXPECT_EQ(p.err, "") << c.args;
    }
  }
  // The library given relative to where tdcond started, titles in UTF-8.
  const Proc list = Run("list --json");
  ASSERT_EQ(list.exit, 0) << list.err;
  const hvtest::JValue doc = Json(list.out);
  ASSERT_EQ(doc["application"].arr.size(), 2u);
  EXPECT_EQ(doc["application"].arr[0]["title"].str, "Caf\xc3\xa9 Book");
  EXPECT_EQ(doc["application"].arr[1]["library"].str, prog + "\\Rel.dll");
  EXPECT_EQ(doc["system"].arr.size(), 2u);
}

TEST_F(TdcondExe, PDPathBesideTheProgramNamesThePalmDesktop) {
  const std::string ini = prog + "\\tessary.ini";
  const std::string nowhere = dir.file("nowhere");
  ASSERT_TRUE(WritePrivateProfileStringA("Path", "PDPath", nowhere.c_str(), ini.c_str()));
  const Proc list = Run("list");
  EXPECT_EQ(list.exit, 1);
  EXPECT_EQ(list.err, "tdcond: the Palm Desktop directory \"" + nowhere + "\" does not exist\n");
  const Proc doctor = Run("doctor");
  EXPECT_EQ(doctor.exit, 1);
  EXPECT_NE(doctor.out.find("(set by \"PDPath\" in " + ini + ")"), std::string::npos) << doctor.out;

  // Without Palm Desktop's own record, "PDPath" alone finds it.
  RegDeleteTreeA(HKEY_CURRENT_USER, PD_REG_CORE);
  ASSERT_TRUE(WritePrivateProfileStringA("Path", "PDPath", desk.c_str(), ini.c_str()));
  const Proc found = Run("list --json");
  EXPECT_EQ(found.exit, 0) << found.err;
  EXPECT_EQ(Json(found.out)["application"].arr.size(), 1u);
}

}  // namespace

namespace {

// The helper's runs, one line each, counted through TDX_PROBE_RUNS.
size_t ProbeRuns(const std::string& path) {
  const auto v = tdxtest::ReadBytes(path);
  size_t n = 0;
  for (unsigned char c : v) n += c == '\n';
  return n;
}

struct BadSample {
  const char* sample;
  const char* creator;
  const char* state;  // in "tdcond list --json"; "a|b" either
  const char* title;  // what the list shows; null: the registered title
  const char* check;  // the doctor's finding, or null; "a|b" either
};

bool OneOf(const std::string& s, const std::string& choices) {
  return ("|" + choices + "|").find("|" + s + "|") != std::string::npos;
}

// Libraries that crash, hang, load badly, overrun, or write where they
// should not: to their output, progress and answers for other conduits.
const std::string kO63(63, 'O'), kN63(63, 'N');
const char kOut[] = "crashed|misbehaved", kOutCheck[] = "library-crashed|library-misbehaved";
const BadSample kBad[] = {
    {"cond_bad_name_fault", "BdFa", "crashed", "Registered", "library-crashed"},
    {"cond_bad_name_overrun", "BdOv", "installed", kO63.c_str(), nullptr},
    {"cond_rogue_forge_progress", "RgFp", kOut, "Registered", kOutCheck},
    {"cond_bad_name_hang", "BdHa", "no-answer", "Registered", "library-no-answer"},
    {"cond_rogue_chatty", "RgCh", "installed", "Chatty Conduit", nullptr},
    {"cond_rogue_forge_answers", "RgFa", kOut, "Registered", kOutCheck},
    {"cond_bad_name_noterm", "BdNt", "installed", kN63.c_str(), nullptr},
    {"cond_rogue_endless", "RgEn", kOut, "Registered", kOutCheck},
    {"cond_bad_dllmain", "BdDm", "installed", "Registered", "library-not-32bit"},
};

// The desktop of TdcondExe with one misbehaving conduit of each kind.
class TdcondFaulty : public TdcondExe {
 protected:
  std::string ExtraSeed() const override {
    std::string s;
    for (const BadSample& b : kBad)
      s += std::string("copy $BIN\\") + b.sample + ".dll " + b.sample + ".dll\n" + "app " +
           b.creator + " " + b.sample + ".dll Registered\n";
    return s;
  }
};

}  // namespace

TEST_F(TdcondFaulty, MisbehavingLibrariesAreReportedAndTheCacheSparesTheNextRun) {
  ASSERT_TRUE(CopyFileA(tdxtest::PalmSandbox::BinFile("tdcprobe.exe").c_str(),
                        (prog + "\\tdcprobe.exe").c_str(), FALSE));
  const std::string runs = dir.file("runs.txt");
  ASSERT_TRUE(SetEnvironmentVariableA("TDX_PROBE_RUNS", runs.c_str()));
  struct Unset {
    ~Unset() { SetEnvironmentVariableA("TDX_PROBE_RUNS", nullptr); }
  } unset;
  DeleteFileA((prog + "\\ovlib.dat").c_str());
  DeleteFileA(runs.c_str());

  const Proc list = Run("list --json");
  ASSERT_EQ(list.exit, 0) << list.err;
  EXPECT_EQ(list.err, "");
  const size_t nCold = ProbeRuns(runs);
  EXPECT_GE(nCold, 1u);
  const hvtest::JValue doc = Json(list.out);
  auto rowOf = [](const hvtest::JValue& d, const char* creator) -> const hvtest::JValue* {
    for (const hvtest::JValue& r : d["application"].arr)
      if (r["creator"].str == creator) return &r;
    return nullptr;
  };
  for (const BadSample& b : kBad) {
    const hvtest::JValue* row = rowOf(doc, b.creator);
    ASSERT_NE(row, nullptr) << b.sample << "\n" << list.out;
    EXPECT_TRUE(OneOf((*row)["state"].str, b.state)) << b.sample << ": " << (*row)["state"].str;
    EXPECT_EQ((*row)["reason"].str.empty(), std::string(b.state) == "installed") << b.sample;
    EXPECT_EQ((*row)["title"].str, b.title) << b.sample;
  }
  EXPECT_EQ((*rowOf(doc, "addr"))["state"].str, "installed");

  // Unchanged libraries: the answers come from the cache, except the silent
  // one's, which is asked again at each start (one helper run).
  const Proc again = Run("list --json");
  ASSERT_EQ(again.exit, 0) << again.err;
  EXPECT_EQ(again.out, list.out);
  EXPECT_EQ(ProbeRuns(runs), nCold + 1);

  const Proc doctor = Run("doctor --json");
  EXPECT_EQ(doctor.exit, 1) << doctor.err;  // errors found, reported, not a crash
  EXPECT_EQ(ProbeRuns(runs), nCold + 2);
  const hvtest::JValue found = Json(doctor.out);
  for (const BadSample& b : kBad) {
    bool bFound = false;
    for (const hvtest::JValue& f : found["findings"].arr)
      bFound |= f["creator"].str == b.creator && b.check && OneOf(f["check"].str, b.check);
    EXPECT_EQ(bFound, b.check != nullptr) << b.sample << "\n" << doctor.out;
  }

  // A faulty conduit is uninstalled like any other and then restorable.
  const Proc un = Run("uninstall BdFa");
  EXPECT_EQ(un.exit, 0) << un.err;
  const hvtest::JValue after = Json(Run("list --json").out);
  const hvtest::JValue* restorable = rowOf(after, "BdFa");
  ASSERT_NE(restorable, nullptr);
  EXPECT_EQ((*restorable)["state"].str, "restorable");
  EXPECT_FALSE((*restorable)["reason"].str.empty());

  // The repairs take the faulty conduits and leave every good one installed.
  const Proc fix = Run("doctor --fix --yes --json");
  const hvtest::JValue fixed = Json(Run("list --json").out);
  for (const BadSample& b : kBad) {
    const hvtest::JValue* row = rowOf(fixed, b.creator);
    ASSERT_NE(row, nullptr) << b.sample << "\n" << fix.out;
    EXPECT_EQ((*row)["state"].str, b.check ? "restorable" : "installed") << b.sample;
  }
  EXPECT_EQ((*rowOf(fixed, "addr"))["state"].str, "installed");
  EXPECT_EQ(tdxtest::ProcessesLeft(prog + "\\tdcprobe.exe"), 0u);
}

namespace {

// Without the helper beside it tdcond asks the libraries in process.
class TdcondNoHelper : public TdcondExe {
 protected:
  std::string ExtraSeed() const override {
    return "copy $BIN\\cond_bad_name_fault.dll Faulty.dll\napp BdFa Faulty.dll Registered\n";
  }
};

}  // namespace

TEST_F(TdcondNoHelper, AFaultingLibraryEndsTheCommandWithOneLineNamingIt) {
  ASSERT_EQ(GetFileAttributesA((prog + "\\tdcprobe.exe").c_str()), INVALID_FILE_ATTRIBUTES);
  const Proc list = Run("list --json");
  EXPECT_EQ(list.exit, 1);
  // Named as the Conduit Manager registers it.
  EXPECT_EQ(list.err, "tdcond: the conduit library \"Faulty.dll\" crashed; it cannot go on\n");
}

// A helper beside it that cannot run: nothing is asked in process, the list
// says the libraries were not checked, and the doctor says so once.
TEST_F(TdcondNoHelper, AHelperThatCannotRunLeavesTheLibrariesUnchecked) {
  tdxtest::WriteText(prog + "\\tdcprobe.exe", "not a program");
  const Proc list = Run("list --json");
  EXPECT_EQ(list.exit, 0) << list.err;
  const hvtest::JValue doc = Json(list.out);
  ASSERT_EQ(doc["application"].arr.size(), 2u) << list.out;
  for (const hvtest::JValue& r : doc["application"].arr) {
    EXPECT_EQ(r["state"].str, "unchecked") << list.out;
    EXPECT_NE(r["reason"].str.find("tdcprobe.exe could not be started"), std::string::npos)
        << r["reason"].str;
  }
  const Proc doctor = Run("doctor --json");
  EXPECT_EQ(doctor.exit, 0) << doctor.out;  // a warning, not an error
  const hvtest::JValue found = Json(doctor.out);
  ASSERT_EQ(found["findings"].arr.size(), 1u) << doctor.out;
  EXPECT_EQ(found["findings"].arr[0]["check"].str, "library-unchecked");
  EXPECT_NE(found["findings"].arr[0]["problem"].str.find("4 conduit libraries were not checked"),
            std::string::npos)
      << doctor.out;
}
