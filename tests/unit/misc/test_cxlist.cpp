#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "misc/CxList.h"
#include "misc/Diag.h"

namespace {

std::vector<std::string> g_reports;
void RecordReport(const char* text, const char*, int) { g_reports.emplace_back(text); }

struct CxListTest : ::testing::Test {
  int v[5] = {10, 11, 12, 13, 14};
  CxList list;
  void Fill(int n) {
    for (int i = 0; i < n; ++i) ASSERT_TRUE(list.Add(&v[i]));
  }
};

TEST_F(CxListTest, EmptyListYieldsNothing) {
  EXPECT_EQ(list.GetCount(), 0u);
  EXPECT_EQ(list.GetFirst(), nullptr);
  EXPECT_EQ(list.GetNext(), nullptr);
  EXPECT_EQ(list.GetAt(0), nullptr);
  EXPECT_FALSE(list.Add(nullptr));
  EXPECT_EQ(list.GetCount(), 0u);
}

TEST_F(CxListTest, WalkVisitsEveryPayloadInOrderThenStops) {
  Fill(5);
  std::vector<int> seen;
  for (void* p = list.GetFirst(); p; p = list.GetNext()) seen.push_back(*static_cast<int*>(p));
  EXPECT_EQ(seen, (std::vector<int>{10, 11, 12, 13, 14}));
  EXPECT_EQ(list.GetNext(), nullptr);  // stays at the end
  EXPECT_EQ(list.GetNext(), nullptr);
}

TEST_F(CxListTest, AddMovesCursorToNewTailSoGetNextEndsUntilGetFirst) {
  Fill(3);
  EXPECT_EQ(list.GetNext(), nullptr);
  EXPECT_EQ(list.GetFirst(), &v[0]);
  EXPECT_EQ(list.GetNext(), &v[1]);
  ASSERT_TRUE(list.Add(&v[3]));  // appending during a walk ends it
  EXPECT_EQ(list.GetNext(), nullptr);
  EXPECT_EQ(list.GetFirst(), &v[0]);
  EXPECT_FALSE(list.Add(nullptr));
  EXPECT_EQ(list.GetCount(), 4u);
  EXPECT_EQ(list.GetNext(), &v[1]);  // a refused Add leaves the cursor alone
}

TEST_F(CxListTest, GetAtWalksBothWaysFromTheCursor) {
  Fill(5);
  list.GetFirst();
  EXPECT_EQ(list.GetAt(4), &v[4]);
  EXPECT_EQ(list.GetAt(0), &v[0]);
  EXPECT_EQ(list.GetAt(2), &v[2]);
  EXPECT_EQ(list.GetNext(), &v[3]);  // the cursor follows GetAt
  EXPECT_EQ(list.GetAt(1), &v[1]);
  EXPECT_EQ(list.GetAt(5), nullptr);
  EXPECT_EQ(list.GetNext(), &v[2]);  // an out-of-range GetAt does not move it
}

TEST_F(CxListTest, RemoveAllEmptiesAndListIsReusable) {
  Fill(4);
  list.RemoveAll(false);
  EXPECT_EQ(list.GetCount(), 0u);
  EXPECT_EQ(list.GetFirst(), nullptr);
  Fill(2);
  EXPECT_EQ(list.GetAt(1), &v[1]);
  EXPECT_EQ(list.GetCount(), 2u);
}

TEST(CxListOfTest, DeleteAllReleasesOwnedPayloads) {
  struct Rec {
    int n;
  };
  CxListOf<Rec> recs;
  for (int i = 0; i < 100; ++i) recs.Add(new Rec{i});
  int sum = 0;
  for (Rec* r = recs.GetFirst(); r; r = recs.GetNext()) sum += r->n;
  EXPECT_EQ(sum, 4950);
  recs.DeleteAll();  // the sanitizers' leak check sees any payload left behind
  EXPECT_EQ(recs.GetCount(), 0u);
  recs.Add(new Rec{7});
  CxList raw;
  raw.Add(new int(5));
  raw.RemoveAll(true);
  EXPECT_EQ(raw.GetCount(), 0u);
}

TEST(DiagTest, ReportsGoToTheSinkAndNeverStopTheProgram) {
  g_reports.clear();
  tdx::DiagSink old = tdx::SetDiagSink(RecordReport);
  const int* none = nullptr;
  EXPECT_FALSE(TDX_VERIFY(none != nullptr));
  EXPECT_TRUE(TDX_VERIFY(1 + 1 == 2));
  tdx::SetDiagSink(old);
  ASSERT_EQ(g_reports.size(), 1u);
  EXPECT_EQ(g_reports[0], "none != nullptr");
}

}  // namespace
