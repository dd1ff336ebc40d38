// Moving a HotSync set-up: desktop A exported with "tdcond export", desktop
// B (Palm Desktop elsewhere, a user missing, one conduit the same and one
// different) importing it with "tdcond import", and "import --undo" putting
// B back byte for byte; a dry run changing nothing; hostile and damaged
// set-up files refused with one line and nothing changed; strangers'
// libraries refused with the reason in their row.
#include <nlohmann/json.hpp>

#include <algorithm>
#include <functional>

#include "TdcTestUtil.h"
#include "orvello/OVHistory.h"
#include "orvello/OVText.h"
#include "shell/Settings.h"
#include "orvello/setup/OVSetupForms.h"
#include "orvello/setup/OVSetupImport.h"
#include "orvello/setup/OVSetupManifest.h"
#include "orvello/setup/OVSetupPaths.h"
#include "orvello/setup/OVSetupSys.h"
#include "orvello/setup/OVSetupZip.h"
#include "support/PdRegistry.h"

using namespace tdctest;
using nlohmann::json;

namespace {

// A's desktop: two users (one with letters beyond ASCII and a profile), five
// conduits of which one has its library outside the desktop, an install and
// a backup conduit. $VENDOR is replaced by the test.
const char kDesktopA[] = R"(desktop "C:\unused"
user 4001 "Ann Tester" TesterA
user 4002 "J)"
                         "\xFC"
                         R"(rgen M)"
                         "\xFC"
                         R"(ller" MuellerJ profile
copy $BIN\cond_named.dll AddrCond.dll
copy $BIN\cond_plain.dll DateCond.dll
copy $BIN\cond_version.dll MemoCond.dll
copy $BIN\cond_plain.dll NoteCond.dll
copy $BIN\cond_plain.dll Backup.dll
app addr AddrCond.dll "Address Book" directory=address file=address.dat remote=AddressDB priority=2
app date $DESKTOP\DateCond.dll "Date Book" directory=datebook file=datebook.dat remote=DatebookDB priority=3
app memo MemoCond.dll "Memo )"
                         "\xC4"
                         R"(rger" directory=memopad file=memopad.dat priority=1
app NoTe $DESKTOP\NoteCond.dll "Note Pad" directory=note remote=NotePadDB info=notes
app Vend $VENDOR\VendCond.dll "Vendor Sync" directory=vendor priority=4
install inst InstCond.dll "Install Files"
backup Backup.dll
)";

// B's desktop: Ann only, the Address Book as on A, the Date Book with other
// settings.
const char kDesktopB[] = R"(desktop "C:\unused"
user 5001 "Ann Tester" AnnT
copy $BIN\cond_named.dll AddrCond.dll
copy $BIN\cond_plain.dll OtherDate.dll
copy $BIN\cond_plain.dll Backup.dll
app addr AddrCond.dll "Address Book" directory=address file=address.dat remote=AddressDB priority=2
app date OtherDate.dll "Date Book" directory=dates file=dates.dat priority=2
backup Backup.dll
)";

std::string Replace(std::string s, const std::string& from, const std::string& to) {
  for (size_t at = 0; (at = s.find(from, at)) != std::string::npos; at += to.size())
    s.replace(at, from.size(), to);
  return s;
}

// Every key and value below Palm Desktop's root, keys included (an empty
// key left behind counts); the stand-in HotSync library's counters aside.
void Dump(const std::string& path, std::map<std::string, std::string>& out) {
  HKEY h;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return;
  out[path] = "<key>";
  for (DWORD i = 0;; ++i) {
    char name[512];
    BYTE data[4096];
    DWORD cbName = sizeof name, cbData = sizeof data, type = 0;
    if (RegEnumValueA(h, i, name, &cbName, nullptr, &type, data, &cbData) != ERROR_SUCCESS) break;
    out[path + "|" + name] =
        std::to_string(type) + ":" + std::string(reinterpret_cast<char*>(data), cbData);
  }
  for (DWORD i = 0;; ++i) {
    char sub[512];
    DWORD cb = sizeof sub;
    if (RegEnumKeyExA(h, i, sub, &cb, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    if (path + "\\" + sub != PD_REG_HOTSYNC) Dump(path + "\\" + sub, out);
  }
  RegCloseKey(h);
}

std::map<std::string, std::string> Registry() {
  std::map<std::string, std::string> out;
  Dump(PD_REG_ROOT, out);
  return out;
}

// Each file below the folders, by path, with its bytes' hash.
std::map<std::string, std::string> Files(const std::vector<std::string>& dirs) {
  std::map<std::string, std::string> out;
  for (const std::string& d : dirs) {
    std::vector<OVFoundFile> files;
    std::string why;
    if (!OVIsDir(d)) continue;
    EXPECT_TRUE(OVListFiles(d, 100000, &files, &why)) << why;
    for (const OVFoundFile& f : files) {
      if (f.strRel == "ovlib.dat") continue;  // the helper's answer cache
      std::string sha;
      OVHashFile(d + "\\" + f.strRel, &sha);
      out[d + "\\" + f.strRel] = sha;
    }
  }
  return out;
}

std::string PermKey(int nUser) {
  return tdxtest::PalmSandbox::Numbered(PD_REG_USER_FMT, nUser) + "\\PermSync";
}

std::string PrefName(const std::string& creator) {
  char sz[16];
  std::snprintf(sz, sizeof sz, "%08lX",
                static_cast<unsigned long>(tdxtest::PalmSandbox::Creator(creator)));
  return sz;
}

// Each user's permanent actions by user name: "creator number=action;...".
std::map<std::string, std::string> Actions() {
  std::map<std::string, std::string> out;
  for (int i = 0;
       tdxtest::PalmSandbox::KeyExists(tdxtest::PalmSandbox::Numbered(PD_REG_USER_FMT, i)); ++i) {
    char name[256] = {};
    DWORD cb = sizeof name;
    RegGetValueA(HKEY_CURRENT_USER, tdxtest::PalmSandbox::Numbered(PD_REG_USER_FMT, i).c_str(),
                 "Name", RRF_RT_REG_SZ, nullptr, name, &cb);
    std::string acts;
    HKEY h;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, PermKey(i).c_str(), 0, KEY_READ, &h) == ERROR_SUCCESS) {
      std::map<std::string, DWORD> sorted;
      for (DWORD k = 0;; ++k) {
        char value[64];
        DWORD cbValue = sizeof value, dw = 0, cbData = sizeof dw;
        if (RegEnumValueA(h, k, value, &cbValue, nullptr, nullptr, reinterpret_cast<BYTE*>(&dw),
                          &cbData) != ERROR_SUCCESS)
          break;
        sorted[value] = dw;
      }
      RegCloseKey(h);
      for (const auto& kv : sorted) acts += kv.first + "=" + std::to_string(kv.second) + ";";
    }
    out[name] = acts;
  }
  return out;
}

// Runs of blanks as one: the rows' columns are padded to the widest.
std::string Squeezed(const std::string& s) {
  std::string out;
  for (char c : s)
    if (c != ' ' || out.empty() || out.back() != ' ') out += c;
  return out;
}

// Entries of a ZIP by name.
std::vector<std::pair<std::string, std::string>> Unzip(const std::string& path) {
  std::vector<std::pair<std::string, std::string>> out;
  OVZipReader r;
  std::string why, data;
  EXPECT_TRUE(r.Open(path, &why) && r.Walk(&why)) << why;
  for (const OVZipEntry& e : r.Entries()) {
    EXPECT_TRUE(r.ReadAll(e, 1 << 26, &data, &why)) << why;
    out.emplace_back(e.strName, data);
  }
  return out;
}

void Zip(const std::string& path, const std::vector<std::pair<std::string, std::string>>& files) {
  OVZipWriter w;
  ASSERT_TRUE(w.Create(path));
  for (const auto& f : files) {
    ASSERT_TRUE(w.Begin(f.first, f.second.size(), 0));
    ASSERT_TRUE(w.Write(f.second.data(), f.second.size()));
    ASSERT_TRUE(w.End());
  }
  ASSERT_TRUE(w.Close());
}

class SetupMoveTest : public TdcondTest {
 protected:
  tdxtest::TempDir progB{"progB"};
  tdxtest::TempDir out{"zip"};

  std::string ProgB() const { return progB.path().string() + "\\"; }
  std::string DeskA() const { return sb.File("desk"); }
  std::string DeskB() const { return sb.File("Other Desk"); }
  std::string Vendor() const { return sb.File("vendor"); }

  TdcResult RunIn(const std::string& moduleDir, const std::vector<std::string>& args) {
    std::vector<const char*> argv = {"tdcond"};
    for (const std::string& a : args) argv.push_back(a.c_str());
    TdcEnv env;
    env.strModuleDir = moduleDir;
    env.pClock = &clock;
    TdcResult r = TdcRun(static_cast<int>(argv.size()), argv.data(), env);
    for (std::string* s : {&r.strOut, &r.strErr})
      s->erase(std::remove(s->begin(), s->end(), '\r'), s->end());
    return r;
  }

  void SeedAt(const std::string& text, const std::string& desktop) {
    SeedPlan plan;
    std::string err;
    ASSERT_TRUE(ParseSeedPlan(Replace(text, "$VENDOR", Vendor()),
                              {{"BIN", BinDir()}, {"HERE", BinDir()}, {"DESKTOP", desktop}}, &plan,
                              &err))
        << err;
    ASSERT_TRUE(SeedDesktop(plan, BinDir(), &err)) << err;
    UnloadPalmLibraries(PD_LIB_ALL);
  }

  // Desktop A with what a description cannot make: a vendor's own values,
  // the users' actions and folders, a backup set and a history.
  void MakeA() {
    ASSERT_TRUE(OVMakeDirs(Vendor(), nullptr));
    ASSERT_TRUE(CopyFileA(tdxtest::PalmSandbox::BinFile("cond_plain.dll").c_str(),
                          (Vendor() + "\\VendCond.dll").c_str(), FALSE));
    SeedAt(kDesktopA, DeskA());
    const std::string vend = tdxtest::PalmSandbox::Numbered(PD_REG_APP_FMT, 4);
    HKEY h;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, vend.c_str(), 0, KEY_SET_VALUE, &h), ERROR_SUCCESS);
    const std::string blob("\x01\x00\xFF\x7F", 4);
    const std::string multi =
        DeskA() + "\\vendor.cfg" + std::string(1, '\0') + "C:\\Elsewhere\\x" + std::string(2, '\0');
    const std::string noTerm = DeskA() + "\\vendor.ini";  // a text stored without its terminator
    RegSetValueExA(h, "VendorBlob", 0, REG_BINARY, reinterpret_cast<const BYTE*>(blob.data()), 4);
    RegSetValueExA(h, "VendorPaths", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(multi.data()),
                   static_cast<DWORD>(multi.size()));
    std::string term = noTerm + "#";
    RegSetValueExA(h, "VendorNoTerm", 0, REG_SZ, reinterpret_cast<const BYTE*>(term.data()),
                   static_cast<DWORD>(noTerm.size()));
    RegCloseKey(h);
    for (const auto& a : {std::make_pair("addr", 1), {"date", 2}, {"Vend", 3}})
      tdxtest::PalmSandbox::SetDword(PermKey(0), PrefName(a.first).c_str(), a.second);
    for (const auto& a : {std::make_pair("memo", 0), {"NoTe", 3}, {"inst", 1}})
      tdxtest::PalmSandbox::SetDword(PermKey(1), PrefName(a.first).c_str(), a.second);
    ASSERT_TRUE(OVMakeDirs(DeskA() + "\\TesterA\\Backup", nullptr));
    ASSERT_TRUE(OVMakeDirs(DeskA() + "\\MuellerJ", nullptr));
    std::string pdb;
    for (unsigned i = 0; i < 70000; ++i) pdb += static_cast<char>((i * 131u) % 253);
    tdxtest::WriteText(DeskA() + "\\TesterA\\Backup\\MemoDB.PDB", pdb);
    tdxtest::WriteText(DeskA() + "\\TesterA\\HotSync.Log", "HotSync started\r\n");
    tdxtest::WriteText(DeskA() +
                           "\\MuellerJ\\N\xE4"
                           "chste Termine.txt",
                       "Montag\r\n");
    ASSERT_EQ(Run({"backup", "ovset1.bak", "--desc", "Vor dem Umzug"}).nExit, 0);
    OVLogEntry e;
    OVMakeLogEntry(&e, (DeskA() + "\\DateCond.dll").c_str(), "Date Book", "1.0.0.0000", 1765000000,
                   OVLOG_INSTALLED);
    ASSERT_TRUE(OVAppendHistory((ProgDir() + kOVHistoryFile).c_str(), e));
  }

  // B on the same machine: A's registry gone, its vendor folder too.
  void MakeB() {
    RegDeleteTreeA(HKEY_CURRENT_USER, PD_REG_ROOT);
    for (const char* f : {"\\VendCond.dll"}) DeleteFileA((Vendor() + f).c_str());
    RemoveDirectoryA(Vendor().c_str());
    SeedAt(kDesktopB, DeskB());
    OVLogEntry e;
    OVMakeLogEntry(&e, "C:\\B\\Mine.dll", "Mine", "2.0.0.0000", 1766000000, OVLOG_UNINSTALLED);
    ASSERT_TRUE(OVAppendHistory((ProgB() + kOVHistoryFile).c_str(), e));
    tdxtest::WriteText(ProgB() + "ovset1.bak", std::string(COND_RECORD_SIZE, '\0'));
  }

  std::string ExportA() {
    const std::string zip = out.file("A.zip");
    const TdcResult r = Run({"export", zip, "--with-data"});
    EXPECT_EQ(r.nExit, 0) << r.strErr;
    EXPECT_NE(
        r.strOut.find("Exported 5 conduits, 6 libraries, 2 users, 1 backup set and the history "
                      "with 3 files of the users' folders"),
        std::string::npos)
        << r.strOut;
    return zip;
  }

  // The tab's tool over a desktop, as the program starts it, with this
  // program directory.
  void StartAt(const std::string& desk, const std::string& moduleDir) {
    ASSERT_TRUE(SetCurrentDirectoryA(desk.c_str()));
    ASSERT_TRUE(LoadPalmLibrariesFrom(desk.c_str(), PD_LIB_ALL));
    OVPorts ports;
    ports.pApp = &app;
    ports.pSys = &sys;
    ports.pPrompt = &prompt;
    ports.pClock = &clock;
    ports.strModuleDir = moduleDir;
    tool.Attach(ports);
    tool.InitConduitTool();
    TdxSettings settings;  // the listed backup sets, as the program's start-up reads them
    ReadSettingsFile(SettingsPath(moduleDir.c_str()).c_str(), settings, tool.BackupSets());
  }

  // The application conduits of "tdcond list --json", by creator.
  std::map<std::string, json> Listed(const std::string& moduleDir) {
    const TdcResult r = RunIn(moduleDir, {"list", "--json"});
    EXPECT_EQ(r.nExit, 0) << r.strErr;
    std::map<std::string, json> byCreator;
    const json all = json::parse(r.strOut);
    for (const json& c : all["application"]) byCreator[c["creator"].get<std::string>()] = c;
    return byCreator;
  }
};

}  // namespace

TEST_F(SetupMoveTest, RoundTripToAnotherDesktopAndUndoByteForByte) {
  MakeA();
  const std::string zip = ExportA();
  // A as it was, with its paths as they will read on B.
  std::map<std::string, json> listA = Listed(ProgDir());
  ASSERT_EQ(listA.size(), 5u);
  for (auto& kv : listA) {
    std::string lib = kv.second["library"];
    OVRewritePath(lib, DeskA(), DeskB());
    kv.second["library"] = lib;
  }
  const auto actionsA = Actions();

  MakeB();
  const auto regB = Registry();
  const std::vector<std::string> dirsB = {DeskB(), Vendor(), progB.path().string()};
  const auto filesB = Files(dirsB);
  const std::map<std::string, json> listB = Listed(ProgB());

  // The dry run lists every kind of change and makes none.
  TdcResult r = RunIn(ProgB(), {"import", zip, "--dry-run"});
  ASSERT_EQ(r.nExit, 0) << r.strErr;
  for (const char* row :
       {"[x] Add conduit Memo \xC4rger (memo)", "[ ] Replace conduit Date Book (date)",
        " - Leave conduit Address Book (addr)", "[x] Copy library DateCond.dll",
        " - Leave library AddrCond.dll", "[x] Add user J\xFCrgen M\xFCller",
        " - Map user Ann Tester", "[x] Set action Ann Tester: Vendor Sync (Vend)",
        "[x] Copy user folder J\xFCrgen M\xFCller", "[x] Copy backup set ovset1.bak",
        "as ovset2.bak", "[x] Add history", " - Install conduit Install Files (inst)"})
    EXPECT_NE(Squeezed(r.strOut).find(row), std::string::npos) << row << "\n" << r.strOut;
  EXPECT_EQ(Registry(), regB);
  EXPECT_EQ(Files(dirsB), filesB);

  // Import with the defaults: the different Date Book stays B's.
  r = RunIn(ProgB(), {"import", zip, "--yes"});
  ASSERT_EQ(r.nExit, 0) << r.strOut << r.strErr;
  std::map<std::string, json> listed = Listed(ProgB());
  ASSERT_EQ(listed.size(), 5u);
  for (const auto& kv : listA)
    EXPECT_EQ(listed[kv.first], kv.first == "date" ? listB.at("date") : kv.second) << kv.first;
  EXPECT_EQ(Actions(), actionsA);
  std::string sha;
  EXPECT_TRUE(OVHashFile(Vendor() + "\\VendCond.dll", &sha));  // the library outside the desktop
  EXPECT_TRUE(OVIsFile(DeskB() + "\\JrgenMller\\N\xE4"
                                 "chste Termine.txt"));
  EXPECT_TRUE(OVIsFile(DeskB() + "\\AnnT\\Backup\\MemoDB.PDB"));
  EXPECT_TRUE(OVIsFile(ProgB() + "ovset2.bak"));
  // The vendor's values travelled byte for byte, the paths among them rewritten.
  RegKeyValues vend;
  ASSERT_TRUE(ReadRegKeyValues(tdxtest::PalmSandbox::Numbered(PD_REG_APP_FMT, 4), &vend));
  ASSERT_NE(vend.Find("VendorBlob"), nullptr);
  EXPECT_EQ(vend.Find("VendorBlob")->bytes, std::string("\x01\x00\xFF\x7F", 4));
  EXPECT_EQ(vend.Find("VendorPaths")->bytes, DeskB() + "\\vendor.cfg" + std::string(1, '\0') +
                                                 "C:\\Elsewhere\\x" + std::string(2, '\0'));
  EXPECT_EQ(vend.Find("VendorNoTerm")->bytes, DeskB() + "\\vendor.ini");

  r = RunIn(ProgB(), {"import", "--undo", "--yes"});
  ASSERT_EQ(r.nExit, 0) << r.strOut << r.strErr;
  EXPECT_EQ(Registry(), regB);
  EXPECT_EQ(Files(dirsB), filesB);
  EXPECT_EQ(RunIn(ProgB(), {"import", "--undo", "--yes"}).strErr,
            std::string("tdcond: ") + kOVNoImportToUndo + "\n");

  // With --replace the Date Book becomes A's too; undo puts B's back.
  r = RunIn(ProgB(), {"import", zip, "--yes", "--replace"});
  ASSERT_EQ(r.nExit, 0) << r.strOut << r.strErr;
  listed = Listed(ProgB());
  for (const auto& kv : listA) EXPECT_EQ(listed[kv.first], kv.second) << kv.first;
  r = RunIn(ProgB(), {"import", "--undo", "--yes"});
  ASSERT_EQ(r.nExit, 0) << r.strOut << r.strErr;
  EXPECT_EQ(Registry(), regB);
  EXPECT_EQ(Files(dirsB), filesB);
}

TEST_F(SetupMoveTest, DamagedAndHostileFilesAreRefusedWithOneLineAndNothingChanged) {
  MakeA();
  const std::string good = ExportA();
  const auto entries = Unzip(good);
  std::string manifest;
  for (const auto& e : entries)
    if (e.first == kOVSetupManifestEntry) manifest = e.second;
  ASSERT_FALSE(manifest.empty());
  // The good file with one thing changed: an entry added, dropped or altered.
  auto with = [&](const std::string& name,
                  std::function<void(std::vector<std::pair<std::string, std::string>>&)> change) {
    std::vector<std::pair<std::string, std::string>> files = entries;
    change(files);
    const std::string path = out.file(name);
    Zip(path, files);
    return path;
  };
  auto manifestAs = [&](const std::string& name, const std::string& from, const std::string& to) {
    return with(name, [&](auto& files) {
      for (auto& f : files)
        if (f.first == kOVSetupManifestEntry) f.second = Replace(f.second, from, to);
    });
  };
  const auto bytes = tdxtest::ReadBytes(good);
  const std::string goodBytes(bytes.begin(), bytes.end());
  // Sizes in the ZIP's directory, which no real file of the test could reach.
  auto declared = [&](const std::string& name, uint32_t size, uint32_t packed, int copies) {
    std::vector<std::pair<std::string, std::string>> files;
    for (int i = 0; i < copies; ++i) files.emplace_back("big" + std::to_string(i) + ".bin", "x");
    const std::string path = out.file(name);
    Zip(path, files);
    auto b = tdxtest::ReadBytes(path);
    for (size_t at = 0; at + 46 <= b.size(); ++at)
      if (b[at] == 'P' && b[at + 1] == 'K' && b[at + 2] == 1 && b[at + 3] == 2)
        for (int k = 0; k < 4; ++k) {
          b[at + 20 + k] = static_cast<unsigned char>(packed >> (8 * k));
          b[at + 24 + k] = static_cast<unsigned char>(size >> (8 * k));
        }
    tdxtest::WriteBytes(path, b.data(), b.size());
    return path;
  };
  struct Case {
    std::string file;
    const char* says;
  };
  const std::string text = out.file("text.zip"), half = out.file("half.zip");
  tdxtest::WriteText(text, "Just a text file.\r\n");
  tdxtest::WriteText(half, goodBytes.substr(0, goodBytes.size() / 2));
  const Case cases[] = {
      {text, "it is not a ZIP file"},
      {half, "it is cut short or damaged"},
      {with("dotdot.zip", [](auto& f) { f.emplace_back("../evil.dll", "MZ"); }),
       "\"../evil.dll\" cannot be used: it has a \"..\" part"},
      {with("drive.zip", [](auto& f) { f.emplace_back("C:/evil.dll", "MZ"); }),
       "cannot be used: it names a drive"},
      {with("device.zip", [](auto& f) { f.emplace_back("users/0/COM1.txt", "x"); }),
       "it names the device COM1"},
      {with("absolute.zip", [](auto& f) { f.emplace_back("/evil.dll", "x"); }),
       "it is an absolute path"},
      {with("stray.zip", [](auto& f) { f.emplace_back("extra.txt", "x"); }),
       "\"extra.txt\" is not named by its manifest"},
      {with("nomanifest.zip",
            [](auto& f) { f.erase(f.begin() + static_cast<long>(f.size()) - 1); }),
       "holds no manifest"},
      {with("bomb.zip", [](auto& f) { f.emplace_back("bomb.bin", std::string(8 << 20, '\0')); }),
       "packed more than 200 to 1"},
      {declared("huge.zip", 0x7FFFFFF0u, 0x10000000u, 1), "is larger than 1024 MB"},
      {declared("total.zip", 1000u << 20, 100u << 20, 9), "its entries hold more than 8 GB"},
      {manifestAs("version.zip", "\"format_version\": 1", "\"format_version\": 2"),
       "it is of format version 2; this Tandelix reads version 1"},
      {manifestAs("type.zip", "\"with_data\": true", "\"with_data\": \"yes\""),
       "the manifest's \"with_data\" is not true or false"},
      {manifestAs("dir.zip", "\"directory\": \"TesterA\"",
                  "\"directory\": \"..\\\\..\\\\Windows\""),
       "\"directory\" cannot be used: it has a \"..\" part"},
      {with("hash.zip",
            [](auto& f) {
              for (auto& e : f)
                if (e.first.rfind("libraries/", 0) == 0) e.second[100] ^= 1;
            }),
       "does not match the SHA-256 its manifest gives"},
  };
  MakeB();
  const auto regB = Registry();
  const std::vector<std::string> dirsB = {DeskB(), Vendor(), progB.path().string()};
  const auto filesB = Files(dirsB);
  for (const Case& c : cases) {
    const TdcResult r = RunIn(ProgB(), {"import", c.file, "--yes"});
    EXPECT_EQ(r.nExit, 1) << c.file;
    EXPECT_EQ(r.strOut, "") << c.file;
    EXPECT_EQ(std::count(r.strErr.begin(), r.strErr.end(), '\n'), 1) << r.strErr;
    EXPECT_EQ(r.strErr.rfind("tdcond: \"" + c.file + "\" cannot be imported: ", 0), 0u) << r.strErr;
    EXPECT_NE(r.strErr.find(c.says), std::string::npos)
        << "wanted \"" << c.says << "\", got " << r.strErr;
  }
  EXPECT_EQ(Registry(), regB);
  EXPECT_EQ(Files(dirsB), filesB);
  EXPECT_FALSE(OVIsFile(ProgB() + kOVUndoRecord));

  // Full-width dots and a full-width backslash are no path parts here: a
  // look-alike conversion would make "..\" of them.
  const std::string sneaky =
      "\xEF\xBC\x8E\xEF\xBC\x8E\xEF\xBC\xBC\xEF\xBC\x8E\xEF\xBC\x8E\xEF\xBC\xBC"
      "evil.txt";
  json m = json::parse(manifest);
  m["users"][0]["files"].push_back({{"path", sneaky},
                                    {"entry", "users/0/" + sneaky},
                                    {"sha256", OVSha256Of("evil")},
                                    {"size", 4}});
  const std::string fullwidth = with("fullwidth.zip", [&](auto& files) {
    files.emplace_back("users/0/" + sneaky, "evil");
    for (auto& f : files)
      if (f.first == kOVSetupManifestEntry) f.second = m.dump(2);
  });
  const TdcResult r = RunIn(ProgB(), {"import", fullwidth, "--dry-run"});
  ASSERT_EQ(r.nExit, 0) << r.strErr;
  EXPECT_NE(Squeezed(r.strOut).find(" - Not imported Ann Tester 1 file of the folder has a name "
                                    "this PC's code page cannot write"),
            std::string::npos)
      << r.strOut;
  ASSERT_EQ(RunIn(ProgB(), {"import", fullwidth, "--yes"}).nExit, 0);
  EXPECT_FALSE(OVIsFile(DeskB() + "\\evil.txt"));
  EXPECT_FALSE(OVIsFile(sb.File("evil.txt")));
  EXPECT_TRUE(OVIsFile(DeskB() + "\\AnnT\\HotSync.Log"));  // the rest of the folder came
}

TEST_F(SetupMoveTest, StrangersLibrariesAreAskedAndRefusedAndAHotSyncRefusesTheImport) {
  const std::string text = Replace(kDesktopA, "copy $BIN\\cond_plain.dll NoteCond.dll",
                                   "copy $BIN\\cond_noopen.dll NoteCond.dll");
  ASSERT_TRUE(OVMakeDirs(Vendor(), nullptr));
  tdxtest::WriteText(Vendor() + "\\VendCond.dll", "not a library at all");
  SeedAt(text, DeskA());
  const std::string zip = out.file("A.zip");
  ASSERT_EQ(Run({"export", zip}).nExit, 0);
  RegDeleteTreeA(HKEY_CURRENT_USER, PD_REG_ROOT);
  DeleteFileA((Vendor() + "\\VendCond.dll").c_str());
  SeedAt("desktop \"C:\\unused\"\nuser 5001 \"Ann Tester\" AnnT\n", DeskB());

  TdcResult r =
      RunIn(ProgB(), {"import", zip, "--dry-run", "--user", "J\xFCrgen M\xFCller=Ann Tester"});
  ASSERT_EQ(r.nExit, 0) << r.strErr;
  const std::string rows = Squeezed(r.strOut);
  for (const char* row :
       {" - Refuse library NoteCond.dll not copied to", "it exports no OpenConduit",
        " - Refuse library VendCond.dll not copied to",
        "it is no conduit library:", " - Add conduit Note Pad (NoTe) its library was refused",
        "[x] Add conduit Date Book (date)",
        " - Map user J\xFCrgen M\xFCller to the user \"Ann Tester\" here"})
    EXPECT_NE(rows.find(row), std::string::npos) << row << "\n" << r.strOut;
  EXPECT_EQ(rows.find("Add user"), std::string::npos) << r.strOut;
  EXPECT_EQ(RunIn(ProgB(), {"import", zip, "--user", "Nobody=Ann Tester", "--yes"}).nExit, 1);

  const auto regB = Registry();
  tdxtest::SetHotSyncRunning(true);
  r = RunIn(ProgB(), {"import", zip, "--yes"});
  EXPECT_EQ(r.nExit, 1);
  EXPECT_EQ(r.strErr, std::string("tdcond: ") + kPdSyncRunning + "\n");
  tdxtest::SetHotSyncRunning(false);
  EXPECT_EQ(Registry(), regB);

  const DWORD nRefreshes = tdxtest::HotSyncRefreshes();
  r = RunIn(ProgB(), {"import", zip, "--yes"});
  ASSERT_EQ(r.nExit, 0) << r.strErr;
  EXPECT_EQ(tdxtest::HotSyncRefreshes(), nRefreshes + 1);  // told once, at the end
  EXPECT_FALSE(OVIsFile(DeskB() + "\\NoteCond.dll"));
  EXPECT_FALSE(OVIsFile(Vendor() + "\\VendCond.dll"));
  EXPECT_EQ(CountCreator("NoTe"), 0);
  EXPECT_EQ(CountCreator("date"), 1);

  // A HotSync into the user the import added: its folder holds more than
  // the import put there, so the undo keeps the user and says so.
  tdxtest::WriteText(DeskB() + "\\JrgenMller\\HotSync.Log", "HotSync started\r\n");
  r = RunIn(ProgB(), {"import", "--undo", "--yes"});
  EXPECT_EQ(r.nExit, 1);
  EXPECT_NE(r.strErr.find("tdcond: not done: User \"J\xFCrgen M\xFCller\" was kept: its folder " +
                          DeskB() + "\\JrgenMller holds files the import did not put there."),
            std::string::npos)
      << r.strErr;
  EXPECT_EQ(Actions().count("J\xFCrgen M\xFCller"), 1u);
  EXPECT_EQ(CountCreator("date"), 0);  // the rest was undone
}

namespace {

struct FakeExportView : IOVExportView {
  std::string file, contents, dataSize, status;
  bool bData = false, bBusy = false;
  int nPercent = -1, nPumps = 0;
  std::function<void()> onPump;
  std::string File() override { return file; }
  void SetFile(const std::string& s) override { file = s; }
  bool WithData() override { return bData; }
  void SetContents(const std::string& s) override { contents = s; }
  void SetDataSize(const std::string& s) override { dataSize = s; }
  void SetProgress(int n) override { nPercent = n; }
  void SetStatus(const std::string& s) override { status = s; }
  void SetBusy(bool b) override { bBusy = b; }
  bool PickFile(std::string&) override { return false; }
  void Pump() override {
    ++nPumps;
    if (onPump) onPump();
  }
};

struct FakeImportView : IOVImportView {
  struct Row {
    bool bChecked, bCheckable;
    std::string change, item, detail;
  };
  std::vector<Row> rows;
  int nSelected = -1;
  bool bUserEnabled = false;
  std::vector<std::string> choices;
  int nChoice = -1;
  std::string summary;
  void Clear() override {
    rows.clear();
    nSelected = -1;
  }
  void AddRow(bool c, bool k, const std::string& a, const std::string& b,
              const std::string& d) override {
    rows.push_back({c, k, a, b, d});
  }
  bool IsChecked(int i) override { return rows.at(static_cast<size_t>(i)).bChecked; }
  void SetChecked(int i, bool b) override { rows.at(static_cast<size_t>(i)).bChecked = b; }
  int Selected() override { return nSelected; }
  void Select(int i) override { nSelected = i; }
  void SetUserChoice(bool b, const std::vector<std::string>& c, int n) override {
    bUserEnabled = b;
    choices = c;
    nChoice = n;
  }
  void SetSummary(const std::string& s) override { summary = s; }
  int Find(const std::string& change, const std::string& item) const {
    for (size_t i = 0; i < rows.size(); ++i)
      if (rows[i].change == change && rows[i].item == item) return static_cast<int>(i);
    return -1;
  }
};

}  // namespace

TEST_F(SetupMoveTest, ExportDialogShowsTheDataSizeAndACancelLeavesNoFile) {
  MakeA();
  std::string big;
  for (unsigned i = 0; i < (3u << 20); ++i) big += static_cast<char>((i * 2654435761u) >> 24);
  tdxtest::WriteText(DeskA() + "\\TesterA\\Backup\\Big.PDB", big);
  StartAt(DeskA(), ProgDir());
  FakeExportView view;
  OVExportForm form(view, prompt, tool, ProgDir(), out.path().string());
  form.FormCreate();
  EXPECT_EQ(view.file, out.file(OVDefaultExportName()));
  EXPECT_EQ(view.contents,
            "5 conduits, 6 conduit libraries, 2 users with their HotSync actions, 1 backup set and "
            "the history.");
  EXPECT_EQ(view.dataSize, "4 files, 3.1 MB");

  view.bData = true;
  view.onPump = [&] {
    if (view.nPumps == 3) {
      EXPECT_FALSE(form.btnCancelClick());  // the dialog stays until the export stops
    }
  };
  EXPECT_FALSE(form.btnOKClick());
  EXPECT_EQ(view.status, "The export was cancelled; no file was written.");
  EXPECT_FALSE(view.bBusy);
  std::vector<OVFoundFile> left;
  std::string why;
  ASSERT_TRUE(OVListFiles(out.path().string(), 10, &left, &why));
  EXPECT_TRUE(left.empty()) << left[0].strRel;

  view.onPump = nullptr;
  EXPECT_TRUE(form.btnOKClick());
  EXPECT_EQ(view.nPercent, 100);
  ASSERT_FALSE(prompt.shown.empty());
  EXPECT_EQ(prompt.shown.back().text, OVFormat(kOVExportDone, view.file.c_str()));
  const auto entries = Unzip(view.file);
  EXPECT_NE(std::find_if(entries.begin(), entries.end(),
                         [](const auto& e) { return e.first == "users/0/Backup/Big.PDB"; }),
            entries.end());
}

TEST_F(SetupMoveTest, ImportDialogRowsUserChoiceAndUndo) {
  MakeA();
  const std::string zip = ExportA();
  MakeB();
  const auto regB = Registry();
  StartAt(DeskB(), ProgB());
  FakeImportView view;
  OVImportForm form(view, prompt, tool, ProgB());
  ASSERT_TRUE(form.Open(zip));
  form.FormCreate();
  const int nLeave = view.Find("Leave conduit", "Address Book (addr)");
  ASSERT_GE(nLeave, 0);
  view.rows[static_cast<size_t>(nLeave)].bChecked = true;  // a click on a row for information
  form.lvChangesChange(nLeave);
  EXPECT_FALSE(view.rows[static_cast<size_t>(nLeave)].bChecked);
  const int nReplace = view.Find("Replace conduit", "Date Book (date)");
  ASSERT_GE(nReplace, 0);
  EXPECT_FALSE(view.rows[static_cast<size_t>(nReplace)].bChecked);

  // J\xFCrgen goes to Ann instead of being added.
  view.nSelected = view.Find("Add user", "J\xFCrgen M\xFCller");
  ASSERT_GE(view.nSelected, 0);
  form.lvChangesSelect();
  EXPECT_TRUE(view.bUserEnabled);
  EXPECT_EQ(view.choices, (std::vector<std::string>{kOVAddNewUser, "Ann Tester"}));
  EXPECT_EQ(view.nChoice, 0);
  form.cbUserChange(1);
  EXPECT_EQ(view.Find("Add user", "J\xFCrgen M\xFCller"), -1);
  ASSERT_GE(view.nSelected, 0);
  EXPECT_EQ(view.rows[static_cast<size_t>(view.nSelected)].change, "Map user");
  EXPECT_EQ(view.nChoice, 1);
  // The Date Book row was not touched: it is still unchecked after the new list.
  EXPECT_FALSE(
      view.rows[static_cast<size_t>(view.Find("Replace conduit", "Date Book (date)"))].bChecked);
  view.nSelected = view.Find("Leave conduit", "Address Book (addr)");
  form.lvChangesSelect();
  EXPECT_FALSE(view.bUserEnabled);

  ASSERT_TRUE(form.btnOKClick());
  EXPECT_TRUE(form.Imported());
  EXPECT_EQ(prompt.shown.back().text.rfind("The HotSync set-up of ", 0), 0u)
      << prompt.shown.back().text;
  EXPECT_EQ(Actions().count("J\xFCrgen M\xFCller"), 0u);
  EXPECT_NE(Actions()["Ann Tester"].find(PrefName("memo") + "=0;"), std::string::npos);

  prompt.answers = {Answer::Yes};
  EXPECT_TRUE(OVUndoImportCommand(prompt, tool, ProgB()));
  EXPECT_EQ(prompt.shown.back().text.rfind("The last import was undone.", 0), 0u)
      << prompt.shown.back().text;
  EXPECT_EQ(Registry(), regB);
  EXPECT_FALSE(OVUndoImportCommand(prompt, tool, ProgB()));
  EXPECT_EQ(prompt.shown.back().text, kOVNoImportToUndo);
}
