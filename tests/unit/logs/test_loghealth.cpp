// Conduit health from HotSync logs: failing, warning and silent conduits,
// registrations, copies in both logs, operations without an end, durations,
// damaged log bytes and the health page.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LogTestUtil.h"
#include "logs/HealthPage.h"
#include "logs/LogHealth.h"

using namespace hvtest;

namespace {

std::string Start(int day, const char* time = "10:00:00") {
  char sz[80];
  std::snprintf(sz, sizeof sz, "HotSync operation started for Ann on 07/%02d/03 %s\n", day, time);
  return sz;
}
std::string End(int day, const char* time = "10:05:00") {
  char sz[80];
  std::snprintf(sz, sizeof sz, "HotSync operation completed on 07/%02d/03 %s\n", day, time);
  return sz;
}
std::string Op(int day, const std::string& body) { return Start(day) + body + End(day); }

const char* Reg(HVRegistration r) {
  return r == HVRegistration::Registered ? "yes" : r == HVRegistration::NotRegistered ? "no" : "?";
}

// One line per conduit, every field shown; operations by their day.
std::string Dump(const HVHealth& h) {
  auto day = [&](int i) {
    return i < 0 ? std::string("-") : std::to_string(h.ops[i].stStart.wDay);
  };
  std::string s;
  for (const HVConduitHealth& c : h.conduits) {
    s += c.strName + " (" + c.strCreator + ") reg=" + Reg(c.registration) + " log=[" +
         c.strLogName + "] last=" + HVRunText(c.last) + " ok=" + day(c.nLastOk) +
         " bad=" + HVRunText(c.lastBad) + day(c.nLastBad) + " line=[" + c.strLastBadLine +
         "] recent=" + std::to_string(c.nRecentFailed) + "/" + std::to_string(c.nRecentRuns) +
         " row=" + std::to_string(c.nFailedInARow) + "\n";
  }
  return s;
}

struct Built {
  CLogReader reader;
  HVHealth h;
  Built(const std::vector<std::string>& files, const std::vector<HVRegistered>* pReg) {
    reader.KeepUnfinished(true);
    for (const std::string& f : files) Read(reader, f);
    h = HVBuildHealth(reader.Operations(), pReg);
  }
};

}  // namespace

// A conduit that fails, one that warns, one that never runs (silent), one the
// logs name but nobody registered; names matched ignoring case and blanks and
// through a conduit's other name.
TEST(LogHealth, FailingWarningSilentAndUnregisteredConduits) {
  const std::string log =
      Op(1, "OK Date Book\n-- Expense\n   no desktop file\nExpense sync failed\nOK Old Tool\n") +
      Op(2,
         "OK date  book\n-- Expense\nError: disk full\nExpense sync failed\n"
         "-- Mail\n   slow link\nMail done\n") +
      Op(3, "OK Date Book\n-- Expense\nExpense sync failed\nOK Mail\n") +
      Op(4, "OK Date Book\n-- Expense\nExpense sync failed\n-- Mail\n   slow again\nMail done\n");
  const std::vector<HVRegistered> reg = {{"date", "Date Book", ""},
                                         {"Expn", "Expense Tracker", "Expense"},
                                         {"mail", "Mail", ""},
                                         {"Clip", "Web Clippings", "Clippings"}};
  Built b({log}, &reg);
  EXPECT_EQ(Dump(b.h),
            "Date Book (date) reg=yes log=[Date Book] last=OK ok=4 bad=- line=[] recent=0/4 row=0\n"
            "Expense Tracker (Expn) reg=yes log=[Expense] last=Failed ok=- bad=Failed4 "
            "line=[Expense sync failed] recent=4/4 row=4\n"
            "Mail (mail) reg=yes log=[Mail] last=Warned ok=3 bad=Warned4 line=[slow again] "
            "recent=0/3 row=0\n"
            "Old Tool () reg=no log=[Old Tool] last=OK ok=1 bad=- line=[] recent=0/1 row=0\n"
            "Web Clippings (Clip) reg=yes log=[] last= ok=- bad=- line=[] recent=0/0 row=0\n");
  // The failure line of each run is its own: the second operation's was the error.
  // Without registrations nothing is matched, merged or listed as never seen.
  Built plain({log}, nullptr);
  EXPECT_EQ(Dump(plain.h),
            "Date Book () reg=? log=[Date Book] last=OK ok=4 bad=- line=[] recent=0/4 row=0\n"
            "Expense () reg=? log=[Expense] last=Failed ok=- bad=Failed4 "
            "line=[Expense sync failed] recent=4/4 row=4\n"
            "Mail () reg=? log=[Mail] last=Warned ok=3 bad=Warned4 line=[slow again] "
            "recent=0/3 row=0\n"
            "Old Tool () reg=? log=[Old Tool] last=OK ok=1 bad=- line=[] recent=0/1 row=0\n");
}

// The counts look at the latest 30 operations only; a run of failures ends at
// the newest operation that does not fail, or that goes without the conduit.
TEST(LogHealth, RecentCountsAndFailuresInARow) {
  std::string log;
  for (int d = 1; d <= 31; ++d) {
    std::string body = "OK Memo\n";
    if (d == 1 || d >= 29)
      body += "-- Sync\nSync failed\n";  // 1: beyond the latest 30
    else if (d != 27)
      body += "OK Sync\n";                                   // 27: not there
    if (d <= 28 || d == 30) body += "-- Fax\nFax failed\n";  // 29: OK; 30: fails again
    if (d == 29) body += "OK Fax\n";
    log += Op(d, body);
  }
  Built b({log}, nullptr);
  ASSERT_EQ(b.h.ops.size(), 31u);
  EXPECT_EQ(b.h.nRecentFirst, 1u);
  EXPECT_EQ(b.h.RecentCount(), 30u);
  EXPECT_EQ(Dump(b.h),
            "Fax () reg=? log=[Fax] last=Failed ok=29 bad=Failed30 line=[Fax failed] recent=28/29 "
            "row=0\n"
            "Memo () reg=? log=[Memo] last=OK ok=31 bad=- line=[] recent=0/30 row=0\n"
            "Sync () reg=? log=[Sync] last=Failed ok=28 bad=Failed31 line=[Sync failed] "
            "recent=3/29 row=3\n");
}

// The two logs are read one after the other: the health is in time order, an
// operation both record counts once, one without a date counts as oldest.
TEST(LogHealth, BothLogsInTimeOrderCopiesCountedOnce) {
  const std::string shared = Op(5, "-- Sync\nSync failed\n");
  const std::string html = "<html><body>\n<p>" + Op(6, "OK Sync\n") + "</p>\n" + shared;
  const std::string plain = Op(2, "OK Sync\n") + shared + Op(9, "-- Sync\nSync failed\n") +
                            "HotSync operation started sometime\nOK Sync\n"
                            "HotSync operation completed\n";
  Built b({html, plain}, nullptr);
  ASSERT_EQ(b.h.ops.size(), 5u);
  EXPECT_EQ(b.h.nCopies, 1u);
  EXPECT_FALSE(b.h.ops[0].bStartKnown);
  std::string days;
  for (size_t i = 1; i < b.h.ops.size(); ++i) days += std::to_string(b.h.ops[i].stStart.wDay) + " ";
  EXPECT_EQ(days, "2 5 6 9 ");
  EXPECT_EQ(Dump(b.h),
            "Sync () reg=? log=[Sync] last=Failed ok=6 bad=Failed9 line=[Sync failed] recent=2/5 "
            "row=1\n");
}

// Operations without an end (the log stops, or names no end time), ends
// before starts, a run across midnight; durations by month.
TEST(LogHealth, OperationsWithoutAnEndAndDurations) {
  const std::string log =
      Start(30, "23:58:00") + "OK Sync\n" + "HotSync operation completed on 07/31/03 00:03:30\n" +
      Start(31, "10:00:00") + "-- Sync\nSync failed\n" + End(31, "09:00:00") +  // ends before
      "HotSync operation started for Ann on 08/01/03 10:00:00\n-- Sync\nSync failed\n"
      "HotSync operation completed\n" +  // no end time
      "HotSync operation started for Ann on 08/02/03 10:00:00\n-- Sync\nSync failed\n" +
      "HotSync operation started for Ann on 08/03/03 10:00:00\nOK Memo\n" +  // stops: no Sync
      "HotSync operation started for Ann on 08/04/03 10:00:00\n-- Sync\n   half a mes";
  Built b({log}, nullptr);
  ASSERT_EQ(b.h.ops.size(), 6u);
  EXPECT_EQ(b.h.nUnfinished, 3u);
  std::vector<int> seconds;
  for (const HVOpHealth& o : b.h.ops) seconds.push_back(o.nSeconds);
  EXPECT_EQ(seconds, (std::vector<int>{330, -1, -1, -1, -1, -1}));
  EXPECT_TRUE(b.h.ops[2].bStartKnown);
  EXPECT_FALSE(b.h.ops[2].bEndKnown);
  EXPECT_TRUE(b.h.ops[3].bUnfinished);
  ASSERT_EQ(b.h.months.size(), 2u);
  EXPECT_EQ(b.h.months[0].wMonth, 7);
  EXPECT_EQ(b.h.months[0].nOps, 2u);
  EXPECT_EQ(b.h.months[0].nTimed, 1u);
  EXPECT_EQ(b.h.months[0].nLongest, 330u);
  EXPECT_EQ(b.h.months[1].nOps, 4u);
  EXPECT_EQ(b.h.months[1].nTimed, 0u);
  // The log stops while the last run speaks: it failed, as far as the log
  // knows. The operation that stopped before it reached Sync neither counts in
  // the run of failures nor breaks it.
  EXPECT_EQ(Dump(b.h),
            "Memo () reg=? log=[Memo] last=OK ok=3 bad=- line=[] recent=0/1 row=0\n"
            "Sync () reg=? log=[Sync] last=Failed ok=30 bad=Failed4 "
            "line=[The log stops while it runs: half a mes] recent=4/5 row=4\n");
  Built cut({log.substr(0, log.rfind("HotSync operation started"))}, nullptr);
  EXPECT_EQ(cut.h.conduits[1].nFailedInARow, 3u);
}

TEST(LogHealth, MatchingLoggedNamesToRegistrations) {
  const std::string longTitle = "Enterprise Customer Relationship Manager Sync";
  const std::vector<HVRegistered> reg = {{"aaaa", "Address Book", ""},
                                         {"bbbb", "Sample Named Conduit", "Mail Mirror"},
                                         {"cccc", longTitle, ""},
                                         {"dddd", "Address Book", ""}};
  const struct {
    std::string log;
    int want;
  } cases[] = {
      {"Address Book", 0},
      {"  ADDRESS\tbook ", 0},
      {"Mail Mirror", 1},
      {"sample named conduit", 1},
      {longTitle.substr(0, HV_NAME_MAX), 2},  // cut by the reader
      {"Enterprise", -1},
      {"Address", -1},
      {"", -1},
      {"   ", -1},
  };
  for (const auto& c : cases) EXPECT_EQ(HVMatchRegistered(c.log.c_str(), reg), c.want) << c.log;
}

TEST(LogHealth, DamagedLogBytes) {
  const struct {
    std::string bytes;
    const char* says;  // "" for a log that reads
  } cases[] = {
      {"", ""},
      {"HotSync operation started 07/15/03 10:00:00\r\n\tOK\f\v\x1A", ""},
      {"HotSync \x07operation started 07/15/03 10:00:00 and a long enough line of text\n", ""},
      {std::string("HotSync\0\0log", 11),
       "2 zero bytes where a log has text (the first at byte 7)"},
      {std::string(4096, '\0'), "4096 zero bytes"},
      {"\x01\x02\x03\x04\x05 binary", "binary data, not text (5 control bytes, from byte 0)"},
      {std::string(5000, 'x') + std::string(64, '\x01') + std::string(100, 'y'),
       "binary data, not text (64 control bytes, from byte 4096)"},
      {std::string(5000, 'x') + "\x01\x02" + std::string(100, 'y'), ""},
  };
  for (const auto& c : cases) {
    const std::string why = HVLogDamage(c.bytes.data(), c.bytes.size());
    if (!*c.says) {
      EXPECT_EQ(why, "") << c.bytes.size();
    } else {
      EXPECT_NE(why.find(c.says), std::string::npos) << why;
    }
  }
}

// Texts from the logs and the registrations are escaped; the page keeps CR LF
// line ends and says so when there is nothing recorded.
TEST(LogHealthPage, TextsFromOutsideAreEscaped) {
  const std::string log = Op(1,
                             "-- <b>Fax & \"Co\"\n<script>alert(1)</script> failed\n"
                             "<b>Fax & \"Co\" done\n");
  const std::vector<HVRegistered> reg = {{"F<x>", "Fax & Co <Pro>", "Fax & \"Co\""}};
  // The reader drops markup: what it keeps of the name is "-- Fax & \"Co\"".
  Built b({log}, &reg);
  std::string page;
  HVWriteHealthPage(page, "Ann <O'Neil> & \"Co\"", b.h);
  EXPECT_NE(page.find("Conduit Health for Ann &lt;O'Neil&gt; &amp; &quot;Co&quot;:"),
            std::string::npos);
  EXPECT_NE(page.find("<b>Fax &amp; Co &lt;Pro&gt;</b> (F&lt;x&gt;)"), std::string::npos);
  EXPECT_NE(page.find("in the logs: Fax &amp; &quot;Co&quot;"), std::string::npos);
  EXPECT_NE(page.find("alert(1) failed"), std::string::npos);
  EXPECT_EQ(page.find("<script"), std::string::npos);
  EXPECT_EQ(page.find("<Pro>"), std::string::npos);
  for (size_t i = page.find('\n'); i != std::string::npos; i = page.find('\n', i + 1))
    ASSERT_EQ(page[i - 1], '\r') << i;
  EXPECT_EQ(page.substr(page.size() - 9), "</body>\r\n");

  CLogReader none;
  std::string empty;
  HVWriteHealthPage(empty, "Bob", HVBuildHealth(none.Operations(), &reg));
  EXPECT_NE(empty.find("There is no HotSync information recorded for user Bob."),
            std::string::npos);
  EXPECT_NE(empty.find("Not in the logs."), std::string::npos);
}
