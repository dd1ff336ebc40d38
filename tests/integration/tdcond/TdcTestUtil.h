// The console conduit tool run in-process against a sandboxed Palm Desktop,
// beside the tab's own tool (OVTestUtil's fixture) for comparison.
#pragma once

#include <cstring>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "Seeder.h"
#include "TdcCli.h"
#include "integration/orvello/OVTestUtil.h"
#include "unit/logs/JsonCheck.h"

namespace tdctest {

class TdcondTest : public ovtest::ConduitToolTest {
 protected:
  // One command, as "tdcond <args>" would run it with this test's program
  // directory and clock.
  TdcResult Run(std::initializer_list<std::string> args) {
    return Run(std::vector<std::string>(args));
  }
  TdcResult Run(const std::vector<std::string>& args) {
    std::vector<const char*> argv = {"tdcond"};
    for (const std::string& a : args) argv.push_back(a.c_str());
    TdcEnv env;
    env.strModuleDir = ProgDir();
    env.pClock = &clock;
    return TdcRun(static_cast<int>(argv.size()), argv.data(), env);
  }

  static std::string BinDir() {
    std::string s = tdxtest::PalmSandbox::BinFile("");
    s.pop_back();
    return s;
  }
  // A file of this test folder as Wine sees the source tree.
  static std::string SourceFile(const std::string& name) {
    std::string s = "Z:" TDX_TDCOND_TESTS "/" + name;
    for (char& c : s)
      if (c == '/') c = '\\';
    return s;
  }
  // Seeds a description into the sandbox's "desk" directory, which becomes
  // the Palm Desktop directory.
  void Seed(const std::string& text) {
    SeedPlan plan;
    std::string err;
    const std::string here = SourceFile("");
    ASSERT_TRUE(ParseSeedPlan(
        text, {{"BIN", BinDir()}, {"HERE", here.substr(0, here.size() - 1)}, {"DESKTOP", Desk()}},
        &plan, &err))
        << err;
    ASSERT_TRUE(SeedDesktop(plan, BinDir(), &err)) << err;
  }
  std::string Desk() const { return sb.File("desk"); }

  static std::string ReadText(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
  }
  // A restorable entry of the store.
  static CondData StoreEntry(const char* creator, const std::string& lib) {
    CondData r{};
    std::memcpy(r.szCreatorID, creator, 4);
    std::strncpy(r.szConduit, lib.c_str(), sizeof r.szConduit - 1);
    std::strcpy(r.szTitle, "Stored");
    r.nStatus = ST_UNINSTALLED;
    r.nMark = MARK_RESTORE;
    return r;
  }
  // The faulty desktop: the description's faults and what a description
  // cannot make: a priority the Conduit Manager refuses (9), a user directory
  // that is gone, and a restorable entry whose library is.
  void SeedFaulty() {
    Seed(ReadText(SourceFile("faulty.seed")));
    for (int i = 0;; ++i) {
      const std::string key = tdxtest::PalmSandbox::Numbered(PD_REG_APP_FMT, i);
      ASSERT_TRUE(tdxtest::PalmSandbox::KeyExists(key));
      if (AppValue(i, "Creator") != std::to_string(tdxtest::PalmSandbox::Creator("Prio"))) continue;
      tdxtest::PalmSandbox::SetDword(key, "Priority", 9);
      break;
    }
    ASSERT_TRUE(RemoveDirectoryA((Desk() + "\\LostUser").c_str()));
    CondRecordWriter w;
    ASSERT_TRUE(w.Create((ProgDir() + kOVRestoreStore).c_str()));
    ASSERT_TRUE(w.Write(StoreEntry("Kept", Desk() + "\\GoodCond.dll")));
    ASSERT_TRUE(w.Write(StoreEntry("Lost", Desk() + "\\LostCond.dll")));
    ASSERT_TRUE(w.Commit());
  }

  static hvtest::JValue Json(const std::string& text) {
    hvtest::JValue v;
    hvtest::JsonReader r;
    EXPECT_TRUE(r.Parse(text, v)) << "not JSON at " << r.m_nError << ": " << text;
    return v;
  }
};

}  // namespace tdctest
