#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "LogTestUtil.h"

using namespace hvtest;

namespace {

const std::string kHead =
    "<html><head><title>Halvern for Palm Desktop</title></head>\r\n\r\n"
    "<body style=\"font-family:Verdana; font-size:9pt\">\r\n"
    "<font color=#0000FF size=3><b>HotSync Information for Ann Smith:</b></font><br><br><br>\r\n";
const std::string kWide =
    "<table width=100% border=0 cellpadding=0 cellspacing=1 bgcolor=#C0C0C0 "
    "style=\"font-family:verdana; font-size:10pt\">\r\n";
const std::string kHeader = "<tr bgcolor=#F0F0FF height=22 colspan=2 align=center>\r\n";
const std::string kRow =
    "<tr bgcolor=#FFFFFF height=22 colspan=2 align=left "
    "style=\"padding-left:12; padding-right:12; padding-top:8; padding-bottom:8\">\r\n";

// Operations in May, June and May again; the second May one has two failures.
const char kThreeMonths[] =
    "HotSync operation started 05/02/03 09:00:00\nOK Date Book\n"
    "HotSync operation complete 05/02/03 09:01:00\n"
    "HotSync operation started 05/20/03 18:30:05\n"
    "HotSync operation complete 05/20/03 18:31:00\n\nnew cradle\n"
    "HotSync operation started 06/01/03 08:00:00\n"
    "HotSync operation complete 06/01/03 08:00:40\n"
    "HotSync operation started 2003-05-31 23:00:00\n-- Mail\nMail failed\n-- Expense\n"
    "Expense error\nHotSync operation complete 2003-06-01 00:10:00\n";

bool NoShortPath(const char*, std::string&) { return false; }

}  // namespace

TEST(LogPages, RootPageWithoutOperations) {
  CLogReader r;
  std::string page;
  HVWriteRootPage(page, "Ann Smith", r.Operations());
  EXPECT_EQ(page, kHead +
                      "<b><font color=#FF0000>There is no HotSync information recorded for user "
                      "Ann Smith.</b></font><br><br><br></body>\r\n");
}

TEST(LogPages, MonthsGoByRunsOnTheRootPage) {
  CLogReader r;
  Read(r, kThreeMonths);
  auto runs = HVGroupMonthRuns(r.Operations());
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0].strLabel, "05/2003");
  EXPECT_EQ(runs[0].ops.size(), 2u);
  EXPECT_EQ(runs[1].strLabel, "06/2003");
  EXPECT_EQ(runs[2].strLabel, "05/2003");
  EXPECT_EQ(runs[2].ops[0], Ops(r)[3]);

  std::string page;
  HVWriteRootPage(page, "Ann Smith", r.Operations());
  EXPECT_EQ(page, kHead +
                      "<table width=320 border=0 cellpadding=0 cellspacing=1 bgcolor=#C0C0C0 "
                      "style=\"font-family:verdana; font-size:10pt\">\r\n" +
                      kHeader +
                      "<td width=160><b>Month/Year</b></td>\r\n"
                      "<td width=*><b>HotSync Times</b></td></tr>\r\n" +
                      kRow + "<td>05/2003</td>\r\n<td>2</td></tr>\r\n" + kRow +
                      "<td>06/2003</td>\r\n<td>1</td></tr>\r\n" + kRow +
                      "<td>05/2003</td>\r\n<td>1</td></tr>\r\n" +
                      "</table><br>"
                      "<li><font color=#000080><b>Total HotSync times : 4</b></font>"
                      "<br><br><br>\r\n</body>\r\n");
}

TEST(LogPages, AMonthPageListsEveryRunOfItsMonth) {
  CLogReader r;
  Read(r, kThreeMonths);
  const std::string expected =
      kHead +
      "<li><b><font color=#000080>HotSync operations during 05/2003</font></b><br><br><br>" +
      kWide + kHeader +
      "<td width=160><b>From</b></td>\r\n<td width=160><b>To</b></td>\r\n"
      "<td width=120><b>Result</b></td>\r\n<td width=*><b>Comments</b></td></tr>\r\n" +
      kRow +
      "<td>05/02/2003 09:00:00</td>\r\n<td>05/02/2003 09:01:00</td>\r\n<td>OK</td>\r\n"
      "<td></td></tr>\r\n" +
      kRow +
      "<td>05/20/2003 18:30:05</td>\r\n<td>05/20/2003 18:31:00</td>\r\n<td>OK</td>\r\n"
      "<td>new cradle<br><br></td></tr>\r\n" +
      kRow +
      "<td>05/31/2003 23:00:00</td>\r\n<td>06/01/2003 00:10:00</td>\r\n"
      "<td>2 synchronzation(s) failed.</td>\r\n<td></td></tr>\r\n" +
      "</table><br><br>"
      "<li><font color=#000080><b>Total HotSync times : 3</b></font><br><br>\r\n</body>\r\n";
  // Both May nodes show the same page.
  for (const HVMonthRun& run : HVGroupMonthRuns(r.Operations())) {
    if (run.strLabel != "05/2003") continue;
    std::string page;
    HVWriteMonthPage(page, "Ann Smith", run.strLabel.c_str(), r.Operations());
    EXPECT_EQ(page, expected);
  }
  std::string june;
  HVWriteMonthPage(june, "Ann Smith", "06/2003", r.Operations());
  EXPECT_NE(june.find("Total HotSync times : 1<"), std::string::npos);
}

TEST(LogPages, OperationPageSections) {
  CLogReader r;
  Read(r,
       "HotSync operation started 07/15/03 10:00:00\n"
       "OK Date Book\n"
       "   - Installed file: C:\\Palm\\Ann\\Install\\game.prc\n"
       "-- Expense\n   Record 4 skipped\nExpense failed\n"
       "   -- Backing up db Memo to file C:\\Palm\\Ann\\Backup\\Memo.PDB\n"
       "   -- The database for Old was deleted on the handheld. Moving the backup to the "
       "Archive folder.\n"
       "   -- Backing up Notes to D:\\gone\\Notes.PDB\n"
       "   - Installed file: b.pdb\n"
       "HotSync operation complete 07/15/03 10:02:03\n");
  std::map<std::string, std::string> shortForms = {
      {"C:\\Palm\\Ann\\Backup\\Memo.PDB", "C:\\Palm\\Ann\\Backup\\Memo.PDB"},
  };
  HVShortPathFn shortPath = [&](const char* p, std::string& s) {
    auto it = shortForms.find(p);
    if (it == shortForms.end()) return false;
    s = "C:\\PALM\\ANN\\BACKUP\\MEMO~1.PDB";
    return true;
  };
  std::string page;
  HVWriteOperationPage(page, "Ann Smith", *Ops(r)[0], shortPath);
  EXPECT_EQ(page,
            kHead +
                "<li><b><font color=#000080>HotSync operation from <u>07/15/2003 10:00:00</u> "
                "to <u>07/15/2003 10:02:03</u></font></b><br><br><br>"
                "<li><b><font color=#000080>Installed databases or applications:</font></b>"
                "<br><br><br><menu>\r\n"
                "<li>C:\\Palm\\Ann\\Install\\game.prc<li>b.pdb</menu>\r\n"
                "<li><b><font color=#000080>Synchronized applications:</font></b><br><br><br>" +
                kWide + kHeader +
                "<td width=160><b>Name</b></td>\r\n<td width=160><b>Result</b></td>\r\n"
                "<td width=*><b>Additional Messages</b></td></tr>\r\n" +
                kRow + "<td>Date Book</td>\r\n<td>OK</td>\r\n<td>None</td></tr>\r\n" + kRow +
                "<td>Expense</td>\r\n<td>Failed</td>\r\n"
                "<td>Record 4 skipped<br><br>\r\n</td></tr>\r\n"
                "</table><br><br><br>\r\n"
                "<li><b><font color=#000080>Backuped databases or applications:</font></b>"
                "<br><br><br>" +
                kWide + kHeader +
                "<td width=160><b>From</b></td>\r\n<td width=320><b>To</b></td></tr>\r\n" + kRow +
                "<td> Memo</td>\r\n<td><a href=C:\\PALM\\ANN\\BACKUP\\MEMO~1.PDB "
                "target=_blank>C:\\Palm\\Ann\\Backup\\Memo.PDB</a></td></tr>\r\n" +
                kRow + "<td>Old</td>\r\n<td>Moved to the Archive folder.</td></tr>\r\n" + kRow +
                "<td> Notes</td>\r\n<td><a href=\"D:\\gone\\Notes.PDB\" "
                "target=_blank>D:\\gone\\Notes.PDB</a></td></tr>\r\n"
                "</table><br><br><br>\r\n</body>\r\n");
}

TEST(LogPages, SectionsWithoutItemsWriteNothing) {
  CLogReader r;
  Read(r,
       "HotSync operation started 07/15/03 10:00:00\n"
       "HotSync operation complete 07/15/03 10:00:01\n"
       "HotSync operation started 07/16/03 10:00:00\n"
       "   -- The database for Old was deleted on the handheld. Moving the backup to the "
       "Archive folder.\n"
       "HotSync operation complete 07/16/03 10:00:01\n");
  auto ops = Ops(r);
  std::string empty, archiveOnly;
  HVWriteOperationPage(empty, "Ann Smith", *ops[0], NoShortPath);
  EXPECT_EQ(empty, kHead +
                       "<li><b><font color=#000080>HotSync operation from <u>07/15/2003 "
                       "10:00:00</u> to <u>07/15/2003 10:00:01</u></font></b><br><br><br>"
                       "</body>\r\n");
  HVWriteOperationPage(archiveOnly, "Ann Smith", *ops[1], nullptr);
  EXPECT_EQ(archiveOnly.find("Installed databases"), std::string::npos);
  EXPECT_EQ(archiveOnly.find("Synchronized applications"), std::string::npos);
  EXPECT_NE(archiveOnly.find("<td>Old</td>\r\n<td>Moved to the Archive folder.</td></tr>\r\n"),
            std::string::npos);
}

TEST(LogPages, LabelsPrintUnsetAndOddFieldsAsNumbers) {
  TdxDateTime t{};
  EXPECT_EQ(HVMonthLabel(t), "00/0000");
  EXPECT_EQ(HVTimeLabel(t), "00/00/0000 00:00:00");
  t = TdxDateTime{65531, 7, 0, 15, 9, 5, 123, 0};
  EXPECT_EQ(HVMonthLabel(t), "07/65531");
  EXPECT_EQ(HVTimeLabel(t), "07/15/65531 09:05:123");
}

// ---- texts from outside ----

namespace {

// A text from outside: as it is, and as the pages must show it.
struct Outside {
  const char* raw;
  const char* page;
};
const Outside kOutside[] = {
    {"<script>alert(1)</script>", "&lt;script&gt;alert(1)&lt;/script&gt;"},
    {"Tom & Jerry", "Tom &amp; Jerry"},
    {"say \"hi\"", "say &quot;hi&quot;"},
    {"<b>bold</b>", "&lt;b&gt;bold&lt;/b&gt;"},
    {"&amp;", "&amp;amp;"},
};
constexpr char kToken[] = "@T@";

std::string ReplaceAll(std::string s, const std::string& from, const std::string& to) {
  for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
    s.replace(at, from.size(), to);
  return s;
}

// A log with t in every place a logged text reaches a page: start line, an
// application's name, its message and closing line, an installed file, a
// backup's database and path, an archived database and a comment. An HTML log
// ends its lines with "<br>", as HotSync writes it.
std::string LogWith(const std::string& t, bool html) {
  std::string s;
  auto line = [&](const std::string& l) { s += l + (html && !l.empty() ? "<br>\n" : "\n"); };
  line("HotSync operation started for " + t + " on 07/15/03 10:00:00");
  line("OK " + t);
  line("   - Installed file: " + t + ".prc");
  line("-- " + t);
  line("   Record " + t + " skipped");
  line(t + " failed");
  line("   -- Backing up " + t + " to C:\\Backup\\" + t + ".PDB");
  line("   -- The database for " + t +
       " was deleted on the handheld. Moving the backup to the Archive folder.");
  line("HotSync operation complete 07/15/03 10:02:03");
  line("");
  line("cradle " + t);
  return s;
}

// Every page of the log's one operation, the user name u heading each.
std::string PagesOf(const std::string& log, bool html, const std::string& u) {
  CLogReader r;
  r.ReadBuffer(log.data(), log.size(), html);
  EXPECT_EQ(r.GetCount(), 1u);
  std::string pages;
  HVWriteRootPage(pages, u.c_str(), r.Operations());
  HVWriteMonthPage(pages, u.c_str(), "07/2003", r.Operations());
  for (SyncOperation* op : Ops(r)) HVWriteOperationPage(pages, u.c_str(), *op, NoShortPath);
  return pages;
}

}  // namespace

// The same log and user with a plain placeholder and with each text: the pages
// differ only where the text stands, and there it is escaped. An HTML log holds
// the text escaped already, and the page shows it escaped once.
TEST(LogPages, OutsideTextsAreEscapedAndNothingElseChanges) {
  const std::string plain = PagesOf(LogWith(kToken, false), false, kToken);
  ASSERT_EQ(plain.find("&"), std::string::npos);
  for (const Outside& o : kOutside) {
    const std::string want = ReplaceAll(plain, kToken, o.page);
    EXPECT_EQ(PagesOf(LogWith(o.page, true), true, o.raw), want) << o.raw;
    // A plain log cannot carry markup: its "<...>" spans are dropped as ever.
    if (!std::strpbrk(o.raw, "<>")) {
      EXPECT_EQ(PagesOf(LogWith(o.raw, false), false, o.raw), want) << o.raw;
    }
  }
  // The empty root page names the user too.
  CLogReader none;
  std::string page;
  HVWriteRootPage(page, "Ana <i>x</i>", none.Operations());
  EXPECT_NE(page.find("for Ana &lt;i&gt;x&lt;/i&gt;:</b>"), std::string::npos);
  EXPECT_NE(page.find("for user Ana &lt;i&gt;x&lt;/i&gt;.</b>"), std::string::npos);
}

// A backup's link carries no attribute and no address of another kind, from
// a short form or from the path as logged.
TEST(LogPages, BackupLinksStayOneQuietAttribute) {
  const struct {
    const char* logged;
    const char* shortForm;  // null: the file has none
    const char* href;
  } cases[] = {
      {"C:\\Palm\\Memo Pad.PDB", "C:\\PALM\\MEMOPA~1.PDB", "href=C:\\PALM\\MEMOPA~1.PDB target"},
      {"C:\\A&B\\M.PDB", "C:\\A&B\\M.PDB", "href=C:\\A&amp;B\\M.PDB target"},
      // A volume without short names gives the long path back.
      {"C:\\x onmouseover=alert(1) y.PDB", "C:\\x onmouseover=alert(1) y.PDB",
       "href=\"C:\\x onmouseover=alert(1) y.PDB\" target"},
      {"C:\\P\\x\".PDB", nullptr, "href=\"C:\\P\\x&quot;.PDB\" target"},
      {"javascript:alert(1)", nullptr, "href=\"./javascript:alert(1)\" target"},
      {" \tJava\tScript:alert(1)", nullptr, "href=\"./ \tJava\tScript:alert(1)\" target"},
      {"Backup\\a:b.PDB", nullptr, "href=\"Backup\\a:b.PDB\" target"},
      {"D:\\gone\\Notes.PDB", "", "href=\"D:\\gone\\Notes.PDB\" target"},
  };
  for (const auto& c : cases) {
    CLogReader r;
    Read(r, std::string("HotSync operation started 07/15/03 10:00:00\n   -- Backing up X to ") +
                c.logged + "\nHotSync operation complete 07/15/03 10:00:01\n");
    ASSERT_EQ(r.GetCount(), 1u) << c.logged;
    HVShortPathFn shortPath = [&](const char* p, std::string& s) {
      EXPECT_STREQ(p, c.logged);
      if (!c.shortForm) return false;
      s = c.shortForm;
      return true;
    };
    std::string page;
    HVWriteOperationPage(page, "Ann", *Ops(r)[0], shortPath);
    EXPECT_NE(page.find(std::string("<td><a ") + c.href + "=_blank>"), std::string::npos)
        << c.logged << "\n"
        << page;
  }
}
