// The answer cache and the helper's answer lines: what survives a round trip,
// and what a damaged or hostile file or line yields (nothing, never a part).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "palm/CondAnswer.h"

namespace {

CondAnswer Named(const char* name, CondLibState state = CondLibState::Answered) {
  CondAnswer a;
  a.state = state;
  a.bOpenConduit = true;
  a.bHasName = true;
  a.nNameResult = -7;
  std::strncpy(a.szName, name, sizeof a.szName - 1);
  a.bHasVersion = true;
  a.wVersion[0] = 2;
  a.wVersion[3] = 65535;
  a.dwLoadError = 126;
  return a;
}

void ExpectSame(const CondAnswer& a, const CondAnswer& b) {
  EXPECT_EQ(a.state, b.state);
  EXPECT_EQ(a.bOpenConduit, b.bOpenConduit);
  EXPECT_EQ(a.bHasName, b.bHasName);
  EXPECT_EQ(a.nNameResult, b.nNameResult);
  EXPECT_STREQ(a.szName, b.szName);
  EXPECT_EQ(a.bHasVersion, b.bHasVersion);
  EXPECT_EQ(0, std::memcmp(a.wVersion, b.wVersion, sizeof a.wVersion));
  EXPECT_EQ(a.dwLoadError, b.dwLoadError);
}

TEST(CondAnswerCache, KeepsAnswersAcrossAFileAndMissesAChangedLibrary) {
  CondAnswerCache c;
  const std::string k1 = "C:\\PALM\\A.DLL", k2 = "C:\\PALM\\B.DLL";
  c.Put(k1, 100, 5, Named("Sample"));
  c.Put(k2, 7, 9, Named("\xE9t\xE9", CondLibState::Crashed));
  const std::string bytes = c.Encode();

  CondAnswerCache d;
  ASSERT_TRUE(d.Decode(bytes.data(), bytes.size()));
  ASSERT_EQ(2u, d.Count());
  ASSERT_NE(nullptr, d.Find(k1, 100, 5));
  ExpectSame(Named("Sample"), *d.Find(k1, 100, 5));
  EXPECT_EQ(CondLibState::Crashed, d.Find(k2, 7, 9)->state);
  // Another size or write time is another library: asked again.
  EXPECT_EQ(nullptr, d.Find(k1, 101, 5));
  EXPECT_EQ(nullptr, d.Find(k1, 100, 6));
  EXPECT_EQ(nullptr, d.Find("C:\\PALM\\C.DLL", 100, 5));
}

TEST(CondAnswerCache, KeepsOnlyLastingAnswers) {
  struct Case {
    CondLibState state;
    uint32_t dwLoadError;
    bool bKept;
  } cases[] = {
      {CondLibState::Answered, 0, true},      {CondLibState::Crashed, 0, true},
      {CondLibState::Misbehaved, 0, true},    {CondLibState::NotLoaded, 193, true},
      {CondLibState::NoAnswer, 0, false},     {CondLibState::Unasked, 0, false},
      {CondLibState::NotLoaded, 126, false},  // a library it needs is missing
      {CondLibState::NotLoaded, 127, false},  // ... or lacks an entry point
  };
  for (const Case& k : cases) {
    CondAnswerCache c;
    CondAnswer a = Named("x", k.state);
    a.dwLoadError = k.dwLoadError;
    c.Put("C:\\A.DLL", 1, 2, a);
    const std::string bytes = c.Encode();
    CondAnswerCache d;
    ASSERT_TRUE(d.Decode(bytes.data(), bytes.size()));
    EXPECT_EQ(k.bKept ? 1u : 0u, d.Count()) << static_cast<int>(k.state) << " " << k.dwLoadError;
  }
  // A file of an older version that kept a silent library: asked again.
  CondAnswerCache c;
  c.Put("C:\\A.DLL", 1, 2, Named("x"));
  std::string bytes = c.Encode();
  bytes[12 + 2 + 8 + 16] = static_cast<char>(CondLibState::NoAnswer);
  CondAnswerCache d;
  EXPECT_TRUE(d.Decode(bytes.data(), bytes.size()));
  EXPECT_EQ(0u, d.Count());
}

TEST(CondAnswerCache, ADamagedFileGivesNoAnswerAtAll) {
  CondAnswerCache c;
  c.Put("C:\\A.DLL", 1, 2, Named("One"));
  c.Put("C:\\B.DLL", 3, 4, Named("Two"));
  const std::string good = c.Encode();
  // Offsets of the first entry: 12 header bytes, key length 2, key 8 bytes,
  // size 8, time 8, then the state byte, flags byte, result 4 and name length.
  const size_t kState = 12 + 2 + 8 + 16, kFlags = kState + 1, kNameLen = kState + 6;
  struct Case {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"cut short", good.substr(0, good.size() - 1)},
      {"a byte too many", good + '\0'},
      {"other magic", "XXXX" + good.substr(4)},
      {"huge count", good.substr(0, 8) + std::string("\xff\xff\xff\x7f", 4) + good.substr(12)},
      {"count beyond the bytes", good.substr(0, 8) + std::string("\x03\0\0\0", 4) + good.substr(12)},
      {"key length zero", good.substr(0, 12) + std::string("\0\0", 2) + good.substr(14)},
      {"key length past the end", good.substr(0, 12) + "\xff\xff" + good.substr(14)},
      {"unknown state", good.substr(0, kState) + '\x09' + good.substr(kState + 1)},
      {"unknown flag", good.substr(0, kFlags) + '\x80' + good.substr(kFlags + 1)},
      {"name longer than a title", good.substr(0, kNameLen) + '\x40' + good.substr(kNameLen + 1)},
      {"name with a zero in it",
       good.substr(0, kNameLen + 1) + '\0' + good.substr(kNameLen + 2)},
      {"key with a zero in it", good.substr(0, 15) + '\0' + good.substr(16)},
  };
  for (const Case& k : cases) {
    CondAnswerCache d;
    d.Put("C:\\OLD.DLL", 1, 1, Named("old"));
    EXPECT_FALSE(d.Decode(k.bytes.data(), k.bytes.size())) << k.what;
    EXPECT_EQ(0u, d.Count()) << k.what;
  }
  CondAnswerCache e;
  EXPECT_TRUE(e.Decode("", 0));  // an empty file is an empty cache
  EXPECT_EQ(0u, e.Count());
}

TEST(CondProbeLine, RoundTripsAndRefusesMalformedLines) {
  const CondAnswer a = Named("A name with spaces \x7f\x80");
  const std::string line = EncodeProbeAnswer(41, a);
  CondProbeLine got;
  ASSERT_TRUE(DecodeProbeLine(line.data(), line.size(), &got));
  EXPECT_EQ('A', got.cKind);
  EXPECT_EQ(41u, got.nIndex);
  ExpectSame(a, got.answer);

  CondAnswer empty;  // not loaded, no name
  const std::string e = EncodeProbeAnswer(0, empty);
  ASSERT_TRUE(DecodeProbeLine(e.data(), e.size(), &got));
  EXPECT_EQ(CondLibState::NotLoaded, got.answer.state);
  EXPECT_STREQ("", got.answer.szName);

  ASSERT_TRUE(DecodeProbeLine("B 7", 3, &got));
  EXPECT_EQ('B', got.cKind);
  EXPECT_EQ(7u, got.nIndex);

  const std::string name65(130, 'a');
  const char* bad[] = {
      "", "B", "B -1", "B 99999999999", "C 1", "B 1 2", "A 1 4 0 0 - 0 0 0 0 0",
      "A 1 0 8 0 - 0 0 0 0 0", "A 1 0 0 0 0g 0 0 0 0 0", "A 1 0 0 0 abc 0 0 0 0 0",
      "A 1 0 0 0 00 0 0 0 0 0", "A 1 0 0 0 - 0 0 0 70000 0", "A 1 0 0 0 - 0 0 0 0",
      "A 1 0 0 0 - 0 0 0 0 0 extra", "A 1  0 0 - 0 0 0 0 0",
      // Only the program gives the verdicts: a line cannot say "crashed".
      "A 1 2 0 0 - 0 0 0 0 0", "A 1 3 0 0 - 0 0 0 0 0",
  };
  for (const char* b : bad) EXPECT_FALSE(DecodeProbeLine(b, std::strlen(b), &got)) << b;
  const std::string longName = "A 1 0 2 0 " + name65 + " 0 0 0 0 0";
  EXPECT_FALSE(DecodeProbeLine(longName.data(), longName.size(), &got));
}

}  // namespace
