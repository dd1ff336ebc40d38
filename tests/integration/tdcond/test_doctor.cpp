// The doctor: every kind of finding on the faulty desktop and none on a clean
// one, the desktop itself missing, and the library header check.
#include <cstring>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>

#include "orvello/OVDoctor.h"
#include "TdcTestUtil.h"

using namespace tdctest;

namespace {

std::string Base(const std::string& path) { return path.substr(path.find_last_of("\\/") + 1); }

// "severity check what": what = the creator, or the file's name.
std::multiset<std::string> Kinds(const hvtest::JValue& doc) {
  std::multiset<std::string> out;
  for (const hvtest::JValue& f : doc["findings"].arr)
    out.insert(f["severity"].str + " " + f["check"].str + " " +
               (f["creator"].str.empty() ? Base(f["file"].str) : f["creator"].str));
  return out;
}

}  // namespace

TEST_F(TdcondTest, DoctorFindsEveryFaultOfTheFaultyDesktopAndChangesNothing) {
  ASSERT_NO_FATAL_FAILURE(SeedFaulty());
  const auto storeBefore = tdxtest::ReadBytes(ProgDir() + kOVRestoreStore);

  const TdcResult r = Run({"doctor", "--json"});
  EXPECT_EQ(r.nExit, TDC_EXIT_FAILED);
  EXPECT_EQ(r.strErr, "tdcond: the HotSync configuration has 6 errors\n");
  const hvtest::JValue doc = Json(r.strOut);
  EXPECT_EQ(doc["desktop"].str, Desk());
  EXPECT_EQ(Kinds(doc), (std::multiset<std::string>{
                            "warning priority Prio",
                            "error library-missing Gone",
                            "error library-not-conduit NoOp",
                            "error library-not-32bit Junk",
                            "error creator-invalid Ta\tb",
                            "error creator-twice Twce",
                            "warning library-shared SharedCond.dll",
                            "error user-directory LostUser",
                            "warning log-unreadable HotSync.Log",
                            "warning store-library-gone Lost",
                        }));
  EXPECT_EQ(doc["errors"].num, 6);
  EXPECT_EQ(doc["warnings"].num, 4);
  for (const hvtest::JValue& f : doc["findings"].arr) {
    EXPECT_FALSE(f["subject"].str.empty());
    EXPECT_FALSE(f["problem"].str.empty());
    EXPECT_FALSE(f["action"].str.empty()) << f["check"].str;
  }
  // The one with a printable creator can be acted on from the command line.
  for (const hvtest::JValue& f : doc["findings"].arr)
    if (f["check"].str == "library-missing") {
      EXPECT_NE(f["action"].str.find("tdcond uninstall \"Gone\""), std::string::npos);
    }

  // The same findings for a person, and nothing was written anywhere.
  const TdcResult text = Run({"doctor"});
  EXPECT_EQ(text.nExit, TDC_EXIT_FAILED);
  EXPECT_NE(text.strOut.find("error [creator-invalid] conduit \"Tab Creator\" (Ta\\x09b)"),
            std::string::npos)
      << text.strOut;
  EXPECT_NE(text.strOut.find("6 errors, 4 warnings."), std::string::npos);
  EXPECT_EQ(tdxtest::ReadBytes(ProgDir() + kOVRestoreStore), storeBefore);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(prog.path()), {}), 1);
}

TEST_F(TdcondTest, DoctorFindsNothingOnACleanDesktop) {
  sb.WriteUserFile("logsrc", "HotSync.Log",
                   "HotSync operation started for Ann on 07/15/03 10:00:00\n");
  Seed(
      "desktop X\n"
      "user 4001 \"Clean User\" CleanU\n"
      "copy $BIN\\cond_plain.dll AddrCond.dll\n"
      "copy $BIN\\cond_named.dll MemoCond.dll\n"
      "copy $BIN\\cond_plain.dll InstCond.dll\n"
      "copy $BIN\\cond_version.dll Backup.dll\n"
      "app addr AddrCond.dll \"Address\" priority=1\n"
      "app memo $DESKTOP\\MemoCond.dll \"Memo\" priority=5\n"
      "install inst InstCond.dll \"Install\"\n"
      "backup Backup.dll\n"
      "log 4001 HotSync.Log \"" +
      sb.File("logsrc\\HotSync.Log") + "\"\n");
  const TdcResult r = Run({"doctor"});
  EXPECT_EQ(r.nExit, TDC_EXIT_OK) << r.strErr;
  EXPECT_EQ(r.strOut, "Palm Desktop: " + Desk() + "\nNo problems found.\n");
  EXPECT_EQ(r.strErr, "");
  const hvtest::JValue doc = Json(Run({"doctor", "--json"}).strOut);
  EXPECT_TRUE(doc["findings"].arr.empty());
  EXPECT_EQ(doc["errors"].num, 0);
}

TEST_F(TdcondTest, DoctorReportsADesktopThatIsNotThere) {
  struct Case {
    const char* what;
    bool bKnown;
  };
  for (const Case c : {Case{"gone", true}, Case{"unknown", false}}) {
    if (c.bKnown) {
      sb.SetDesktopPath(sb.File("no-such-dir"));
    } else {
      sb.ClearDesktopPath();
    }
    const TdcResult r = Run({"doctor", "--json"});
    EXPECT_EQ(r.nExit, TDC_EXIT_FAILED) << c.what;
    const hvtest::JValue doc = Json(r.strOut);
    ASSERT_EQ(doc["findings"].arr.size(), 1u) << c.what;
    EXPECT_EQ(doc["findings"].arr[0]["check"].str, "desktop-missing");
    EXPECT_EQ(doc["desktop"].type, c.bKnown ? hvtest::JValue::String : hvtest::JValue::Null);
  }
}

// What makes a file a DLL that HotSync and this program can load: a real one
// (of this build's own kind) passes; copies made to claim the 32-bit x86 and
// the x86_64 kind are checked against each, as are copies changed in the
// fields that matter. The header's offsets are not trusted.
TEST(OVImage, OnlyADllOfTheProgramsMachinePasses) {
  const std::vector<unsigned char> dll =
      tdxtest::ReadBytes(tdxtest::PalmSandbox::BinFile("cond_plain.dll"));
  ASSERT_GT(dll.size(), 0x200u);
  EXPECT_EQ(OVImageProblem(dll.data(), dll.size()), "");
  const uint32_t pe = dll[0x3C] | (dll[0x3D] << 8);
  const OVMachine x86 = {0x14C, 0x10B, false, "32-bit"}, x64 = {0x8664, 0x20B, true, "64-bit"};
  const auto claim = [&](std::vector<unsigned char>& b, const OVMachine& m) {
    b[pe + 4] = m.machine & 0xFF, b[pe + 5] = m.machine >> 8;
    b[pe + 24] = m.magic & 0xFF, b[pe + 25] = m.magic >> 8;
  };
  for (const auto& [want, other] : {std::pair{x86, x64}, std::pair{x64, x86}}) {
    struct Case {
      std::string says;
      std::function<void(std::vector<unsigned char>&)> change;
    };
    const Case cases[] = {
        {"", [&](auto& b) { claim(b, want); }},
        {std::string(other.szBits) + " file", [&](auto& b) { claim(b, other); }},
        {"another processor", [&](auto& b) { claim(b, want), b[pe + 4] = 0xC4, b[pe + 5] = 0x01; }},
        {"a program, not a library", [&](auto& b) { claim(b, want), b[pe + 23] &= ~0x20; }},
        {"not a Windows program", [&](auto& b) { b[0x3C] = b[0x3D] = b[0x3E] = b[0x3F] = 0xFF; }},
        {"not a Windows program", [&](auto& b) { b[pe + 1] = 'X'; }},
        {"not a Windows program", [&](auto& b) { b.resize(pe + 10); }},
        {"not a Windows program", [&](auto& b) { b.resize(0x30); }},
        {"not a Windows program",
         [](auto& b) {
           b.assign({'t', 'e', 'x', 't'});
         }},
    };
    for (const Case& c : cases) {
      std::vector<unsigned char> b = dll;
      c.change(b);
      const std::string why = OVImageProblem(b.data(), b.size(), want);
      if (c.says.empty()) {
        EXPECT_EQ(why, "") << want.szBits;
      } else {
        EXPECT_NE(why.find(c.says), std::string::npos)
            << want.szBits << ", " << c.says << ": " << why;
      }
    }
  }
}
