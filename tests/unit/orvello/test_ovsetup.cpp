// The set-up file's portable pieces: the name and path checks, the path
// rewrite, the manifest and undo record readers (round trips and every kind
// of refusal), and the ZIP walk against hostile archives.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "orvello/setup/OVSetupManifest.h"
#include "orvello/setup/OVSetupPaths.h"
#include "orvello/setup/OVSetupUndo.h"
#include "orvello/setup/OVSetupZip.h"
#include "support/TempDir.h"

using tdxtest::ReadBytes;
using tdxtest::TempDir;
using tdxtest::WriteBytes;

namespace {

const std::string kSha(64, 'a');

OVSetupManifest SampleManifest() {
  OVSetupManifest m;
  m.strCreated = "2025-05-20T10:11:12Z";
  m.strComputer = "DESKTOP-\xC3\x84";
  m.strTandelixVersion = "1.2.0";
  m.nCodePage = 1252;
  m.strDesktop = "C:\\Palm";
  m.bWithData = true;
  m.libraries.push_back(
      {"C:\\Palm\\AddrCond.dll", "1.0.0.0001", true, {"libraries/0/AddrCond.dll", kSha, 123}});
  m.libraries.push_back({"Gone.dll", "0.0.0.0000", false, {}});
  OVSetupConduit c;
  c.strKey = "Application0";
  c.strCreator = "addr";
  c.strTitle = "Adressbuch \xC3\xBC";
  c.nLibrary = 0;
  c.values = {{"Creator", 4, std::string("rdda", 4)},
              {"Conduit", 1, std::string("C:\\Palm\\AddrCond.dll\0", 21)},
              {"VendorBlob", 3, std::string("\0\1\2\xFF", 4)}};
  m.conduits.push_back(c);
  m.bHasBackup = true;
  m.strBackupLibrary = "Backup.dll";
  m.nBackupLibrary = 1;
  m.installConduits.push_back({"inst", "Install", "Inst.dll"});
  OVSetupUser u;
  u.strName = "J\xC3\xBCrgen";
  u.strDirectory = "JuergenS";
  u.bProfile = true;
  u.actions.push_back({0x61646472, "addr", 2});
  u.files.push_back({"Backup\\Memo.PDB", {"users/0/Backup/Memo.PDB", kSha, 5}});
  m.users.push_back(u);
  m.sets.push_back({"ovset1.bak", "Before", {"tandelix/ovset1.bak", kSha, 540}});
  m.bHasHistory = true;
  m.history = {"tandelix/ovlog.dat", kSha, 40};
  return m;
}

std::string Replace(std::string s, const std::string& from, const std::string& to) {
  const size_t at = s.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) s.replace(at, from.size(), to);
  return s;
}

// A ZIP made by our writer from (name, bytes) pairs, as bytes.
std::string MakeZip(const TempDir& dir,
                    const std::vector<std::pair<std::string, std::string>>& files) {
  const std::string path = dir.file("made.zip");
  OVZipWriter w;
  EXPECT_TRUE(w.Create(path));
  for (const auto& f : files) {
    EXPECT_TRUE(w.Begin(f.first, f.second.size(), OVDosTime(2025, 5, 20, 10, 11, 12)));
    EXPECT_TRUE(w.Write(f.second.data(), f.second.size()));
    EXPECT_TRUE(w.End());
  }
  EXPECT_TRUE(w.Close());
  const auto b = ReadBytes(path);
  return std::string(b.begin(), b.end());
}

// Open and walk bytes; the reason of the first refusal, or "" when it all reads.
std::string WalkAndRead(const std::string& bytes) {
  OVZipReader r;
  std::string why;
  if (!r.OpenMemory(bytes.data(), bytes.size(), &why) || !r.Walk(&why)) return why;
  for (const OVZipEntry& e : r.Entries()) {
    std::string data;
    if (!e.bDirectory && !r.ReadAll(e, 1 << 24, &data, &why)) return why;
  }
  return "";
}

}  // namespace

TEST(OVSetupPaths, NamesAndPathsFromAnotherPCAreCheckedPartByPart) {
  struct Case {
    const char* path;
    bool entryOk, relativeOk, libraryOk;
  };
  const Case cases[] = {
      {"users/0/Backup/Memo.PDB", true, true, false},
      {"Sub\\Dir\\file.dat", false, true, false},  // a ZIP name never holds a backslash
      {"J\xC3\xBCrgen/notes.txt", true, true, false},
      {"AddrCond.dll", true, true, true},
      {"C:\\Palm\\AddrCond.dll", false, false, true},
      {"C:/Palm/AddrCond.dll", false, false, true},
      {"../evil.dll", false, false, false},
      {"a/../../evil", false, false, false},
      {"a/./b", false, false, false},
      {"a//b", false, false, false},
      {"/etc/passwd", false, false, false},
      {"\\\\server\\share\\x.dll", false, false, false},
      {"C:relative.dll", false, false, false},
      {"Palm\\x.dll", false, true, false},  // relative with a folder: not a library path
      {"file.txt:stream", false, false, false},
      {"CON", false, false, false},
      {"users/nul.txt", false, false, false},
      {"users/Com1", false, false, false},
      {"users/COM\xC2\xB9", false, false, false},
      {"LPT9.dat", false, false, false},
      {"COM10.dat", true, true, true},
      {"trailing./x", false, false, false},
      {"blank /x", false, false, false},
      {"ctl\x01name", false, false, false},
      {"what?.txt", false, false, false},
      {"", false, false, false},
  };
  for (const Case& c : cases) {
    const std::string p = c.path;
    EXPECT_EQ(OVCheckEntryName(p).empty(), c.entryOk) << p << ": " << OVCheckEntryName(p);
    EXPECT_EQ(OVCheckRelativePath(p).empty(), c.relativeOk) << p << ": " << OVCheckRelativePath(p);
    EXPECT_EQ(OVCheckLibraryPath(p).empty(), c.libraryOk) << p << ": " << OVCheckLibraryPath(p);
  }
  EXPECT_FALSE(OVCheckEntryName(std::string(241, 'a')).empty());
}

TEST(OVSetupPaths, OnlyPathsInTheSourceDesktopAreRewritten) {
  struct Case {
    const char* in;
    const char* out;
  };
  const Case cases[] = {
      {"C:\\Palm\\AddrCond.dll", "D:\\Palm Desktop\\AddrCond.dll"},
      {"c:\\PALM\\sub\\x.dll", "D:\\Palm Desktop\\sub\\x.dll"},
      {"C:\\Palm", "D:\\Palm Desktop"},
      {"C:\\Palmtop\\x.dll", "C:\\Palmtop\\x.dll"},  // another directory with the same start
      {"C:\\Vendor\\x.dll", "C:\\Vendor\\x.dll"},
      {"AddrCond.dll", "AddrCond.dll"},
  };
  for (const Case& c : cases) {
    std::string s = c.in;
    EXPECT_EQ(OVRewritePath(s, "C:\\Palm\\", "D:\\Palm Desktop"), std::string(c.in) != c.out)
        << c.in;
    EXPECT_EQ(s, c.out);
  }
  // Registry data: the terminator stays as it was; multi-strings text by text.
  std::string sz("C:\\Palm\\a.dll\0", 14), szBare = "C:\\Palm\\a.dll";
  std::string multi("x\0C:\\Palm\\b\0\0", 13), dword("C:\\P", 4);
  EXPECT_TRUE(OVRewriteRegData(1, sz, "C:\\Palm", "E:\\P"));
  EXPECT_EQ(sz, std::string("E:\\P\\a.dll\0", 11));
  EXPECT_TRUE(OVRewriteRegData(2, szBare, "C:\\Palm", "E:\\P"));
  EXPECT_EQ(szBare, "E:\\P\\a.dll");
  EXPECT_TRUE(OVRewriteRegData(7, multi, "C:\\Palm", "E:\\P"));
  EXPECT_EQ(multi, std::string("x\0E:\\P\\b\0\0", 10));
  EXPECT_FALSE(OVRewriteRegData(4, dword, "C:\\P", "E:\\"));
  EXPECT_EQ(dword, "C:\\P");
}

TEST(OVSetupManifest, RoundTripKeepsEveryFieldAndByte) {
  const OVSetupManifest m = SampleManifest();
  const std::string text = OVWriteManifest(m);
  OVSetupManifest back;
  std::string why;
  ASSERT_TRUE(OVReadManifest(text.data(), text.size(), &back, &why)) << why;
  EXPECT_EQ(OVWriteManifest(back), text);
  ASSERT_EQ(back.conduits.size(), 1u);
  EXPECT_EQ(back.conduits[0].values, m.conduits[0].values);
  EXPECT_EQ(back.users[0].strName, "J\xC3\xBCrgen");
  EXPECT_EQ(back.users[0].actions[0].dwCreatorID, 0x61646472u);
  EXPECT_EQ(back.nBackupLibrary, 1);
  EXPECT_FALSE(back.libraries[1].bPresent);
  EXPECT_EQ(back.Files().size(), 4u);
}

TEST(OVSetupManifest, RefusesWhatThisProgramDoesNotWrite) {
  const std::string good = OVWriteManifest(SampleManifest());
  struct Case {
    std::string text;
    const char* says;
  };
  const Case cases[] = {
      {"", "empty"},
      {"not json", "not JSON"},
      {"[1,2]", "top level"},
      {Replace(good, "\"format_version\": 1", "\"format_version\": 2"), "format version 2"},
      {Replace(good, "\"format_version\": 1", "\"format_version\": \"1\""),
       "\"format_version\" is not a whole number"},
      {Replace(good, "tandelix-hotsync-setup", "other"), "\"format\" is not"},
      {Replace(good, "\"code_page\": 1252", "\"code_page\": -1"),
       "\"code_page\" is not a whole number"},
      {Replace(good, "\"with_data\": true", "\"with_data\": 1"),
       "\"with_data\" is not true or false"},
      {Replace(good, "\"library\": 0", "\"library\": 2"), "\"conduits\"[0].\"library\""},
      {Replace(good, "\"type\": 3", "\"type\": 4294967296"), "\"type\""},
      {Replace(good, "\"data\": \"0001", "\"data\": \"0g01"), "not hex digits"},
      {Replace(good, "\"name\": \"Conduit\"", "\"name\": \"creator\""), "names a value twice"},
      {Replace(good, "\"sha256\": \"" + kSha, "\"sha256\": \"" + std::string(63, 'a') + "Z"),
       "is not a SHA-256"},
      {Replace(good, "users/0/Backup/Memo.PDB", "../Memo.PDB"), "cannot be used"},
      {Replace(good, "tandelix/ovlog.dat", "libraries/0/AddrCond.dll"), "named for two files"},
      {Replace(good, "tandelix/ovlog.dat", "MANIFEST.json"), "named for two files"},
      {Replace(good, "\"directory\": \"JuergenS\"", "\"directory\": \"C:\\\\Users\""),
       "\"directory\" cannot be used"},
      {Replace(good, "\"path\": \"Gone.dll\"", "\"path\": \"..\\\\Gone.dll\""),
       "\"path\" cannot be used"},
      {Replace(good, "\"action\": 2", "\"action\": 5"),
       "\"action\" is not a whole number from 0 to 4"},
      {Replace(good, "\"file\": \"ovset1.bak\"", "\"file\": \"..\\\\..\\\\x.bak\""),
       "\"file\" cannot be used"},
      {Replace(good, "\"users\": [", "\"users\": 7, \"x\": ["), "\"users\" is not a list"},
      {Replace(good, "\"computer\": ", "\"computor\": "), "\"computer\" is missing"},
      {std::string(20, '[') + std::string(20, ']'), "nests deeper"},
  };
  for (const Case& c : cases) {
    OVSetupManifest m;
    std::string why;
    EXPECT_FALSE(OVReadManifest(c.text.data(), c.text.size(), &m, &why)) << c.says;
    EXPECT_NE(why.find(c.says), std::string::npos) << "wanted \"" << c.says << "\", got: " << why;
    EXPECT_TRUE(m.conduits.empty() && m.users.empty());
  }
}

TEST(OVSetupUndo, RoundTripAndDamagedRecordsRefused) {
  OVUndoRecord r;
  r.strArchive = "C:\\x\\HotSync Set-up A.zip";
  r.strComputer = "A";
  r.strTime = "2025-05-20T10:11:12Z";
  r.bComplete = true;
  r.before = {RegKeyValues{{{"Creator", 4, "abcd"}}}, RegKeyValues{}};
  r.after = {RegKeyValues{{{"Conduit", 1, std::string("x\0", 2)}}}};
  r.bBackupChanged = true;
  r.strBackupBefore = "Backup.dll";
  r.actions.push_back({"Ann", 3, 0x61646472, true, 1, 2});
  r.files.push_back({"D:\\Palm\\x.dll", true, "1.bak", true, kSha});
  r.files.push_back({"D:\\Palm\\y.dll", false, "", false, ""});
  r.folders = {"D:\\Palm\\New"};
  r.users.push_back({"Ann", "D:\\Palm\\Ann", 7});
  r.sets = {"ovset2.bak"};
  const std::string text = OVWriteUndo(r);
  OVUndoRecord back;
  std::string why;
  ASSERT_TRUE(OVReadUndo(text.data(), text.size(), &back, &why)) << why;
  EXPECT_EQ(OVWriteUndo(back), text);
  for (const std::string& bad :
       {Replace(text, "\"saved\": \"1.bak\"", "\"saved\": \"..\\\\..\\\\x\""),
        Replace(text, "D:\\\\Palm\\\\x.dll", "x.dll"), Replace(text, "\"set\": 2", "\"set\": 9"),
        Replace(text, "\"format_version\": 1", "\"format_version\": 2"),
        text.substr(0, text.size() / 2)}) {
    EXPECT_FALSE(OVReadUndo(bad.data(), bad.size(), &back, &why)) << bad;
    EXPECT_TRUE(back.files.empty());
  }
}

TEST(OVSetupZip, WrittenEntriesReadBackWithTheirBytes) {
  TempDir dir;
  std::string big;
  for (unsigned i = 0; i < 300000; ++i) big += static_cast<char>((i * 7919u) % 251);
  const std::string zip = MakeZip(
      dir, {{"manifest.json", "{}"}, {"users/0/J\xC3\xBCrgen/a.pdb", big}, {"empty.txt", ""}});
  OVZipReader r;
  std::string why;
  ASSERT_TRUE(r.OpenMemory(zip.data(), zip.size(), &why)) << why;
  ASSERT_TRUE(r.Walk(&why)) << why;
  ASSERT_EQ(r.Entries().size(), 3u);
  const OVZipEntry* e = r.Find("USERS/0/J\xC3\xBCrgen/A.PDB");
  ASSERT_NE(e, nullptr);
  std::string data;
  ASSERT_TRUE(r.ReadAll(*e, 1 << 20, &data, &why)) << why;
  EXPECT_EQ(data, big);
  EXPECT_FALSE(r.ReadAll(*e, 1000, &data, &why));  // more than the caller allows
  // The same through the file reader.
  OVZipReader f;
  ASSERT_TRUE(f.Open(dir.file("made.zip"), &why)) << why;
  ASSERT_TRUE(f.Walk(&why)) << why;
  ASSERT_TRUE(f.ReadAll(*f.Find("manifest.json"), 100, &data, &why));
  EXPECT_EQ(data, "{}");
}

TEST(OVSetupZip, HostileArchivesAreRefusedBeforeAnythingIsExtracted) {
  TempDir dir;
  const std::string good = MakeZip(dir, {{"manifest.json", std::string(5000, 'x') + "tail"}});
  std::string corrupt = good;
  // Damage the packed data of the one entry (after its 30-byte header and name).
  corrupt[30 + 13 + 5] ^= 0x55;
  std::string method = good;
  for (size_t at = 0; (at = method.find("PK\x01\x02", at)) != std::string::npos; at += 4)
    method[at + 10] = 12;  // bzip2 in the directory
  std::string encrypted = good;
  for (size_t at = 0; (at = encrypted.find("PK\x01\x02", at)) != std::string::npos; at += 4)
    encrypted[at + 8] |= 1;
  struct Case {
    std::string bytes;
    const char* says;
  };
  const Case cases[] = {
      {"This is a text file, not a ZIP.", "not a ZIP file"},
      {"", "not a ZIP file"},
      {good.substr(0, good.size() / 2), "cut short"},
      {good.substr(0, good.size() - 10), "cut short"},
      {MakeZip(dir, {{"../evil.dll", "x"}}), "\"../evil.dll\" cannot be used"},
      {MakeZip(dir, {{"C:/Windows/evil.dll", "x"}}), "cannot be used: it names a drive"},
      {MakeZip(dir, {{"/abs/evil.dll", "x"}}), "absolute path"},
      {MakeZip(dir, {{"a\\..\\evil.dll", "x"}}), "backslash"},
      {MakeZip(dir, {{"users/AUX.dat", "x"}}), "device"},
      {MakeZip(dir, {{"Same.txt", "a"}, {"SAME.TXT", "b"}}), "is there twice"},
      {MakeZip(dir, {{"bomb.bin", std::string(4 << 20, '\0')}}), "packed more than 200 to 1"},
      {corrupt, "\"manifest.json\""},
      {method, "packed in a way"},
      {encrypted, "encrypted"},
  };
  for (const Case& c : cases) {
    const std::string why = WalkAndRead(c.bytes);
    EXPECT_NE(why.find(c.says), std::string::npos) << "wanted \"" << c.says << "\", got: " << why;
  }
  EXPECT_EQ(WalkAndRead(good), "");
}
