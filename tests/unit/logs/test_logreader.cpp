#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "LogTestUtil.h"
#include "logs/LogFile.h"
#include "support/TempDir.h"

using namespace hvtest;

namespace {

const char kStart[] = "HotSync operation started 07/15/03 10:00:00\n";
const char kEnd[] = "HotSync operation complete 07/15/03 10:00:30\n";

std::string Op(const std::string& body) { return kStart + body + kEnd; }

std::string Crlf(const std::string& s) {
  std::string r;
  for (char c : s) {
    if (c == '\n') r += '\r';
    r += c;
  }
  return r;
}

}  // namespace

// ---- reading bytes: line ends, Ctrl-Z, long lines, zero bytes ----

TEST(LogReaderBytes, CrLfAndLfGiveTheSameOperations) {
  const std::string log = "HotSync Log for Ann\n" +
                          Op("OK Date Book\n-- Expense\n   Error: bad record\n"
                             "Expense failed\n   -- Backing up db Memo to file C:\\B\\Memo.PDB\n") +
                          "\nSee you\n" + Op("OK Mail\n");
  CLogReader lf, crlf, stray;
  Read(lf, log);
  Read(crlf, Crlf(log));
  std::string withCr = log;
  withCr.insert(withCr.find("Date Book") + 2, "\r");  // a CR inside a line is dropped too
  Read(stray, withCr);
  ASSERT_EQ(lf.GetCount(), 2u);
  EXPECT_EQ(Dump(lf), Dump(crlf));
  EXPECT_EQ(Dump(lf), Dump(stray));
}

TEST(LogReaderBytes, NothingAfterCtrlZIsRead) {
  CLogReader r;
  // The partial line before Ctrl-Z still counts; the rest of the file does not.
  Read(r, Op("OK Memo Pad\n") + "OK Ma\x1Ail\n" + Op("OK Mail\n"));
  ASSERT_EQ(r.GetCount(), 1u);
  auto items = Items(Ops(r)[0]);
  ASSERT_EQ(items.size(), 2u);
  EXPECT_STREQ(items[1]->Name(), "Ma");

  CLogReader r2;
  Read(r2, kStart + std::string("OK Da\x1Ate Book\n") + kEnd);
  EXPECT_EQ(r2.GetCount(), 0u);  // the completion line lies beyond the end
}

TEST(LogReaderBytes, EmptyFilesAndFilesWithoutStartAddNothing) {
  CLogReader r;
  Read(r, "");
  Read(r, "OK Date Book\nHotSync operation complete 07/15/03 10:00:30\n\nnote\n");
  Read(r, kStart + std::string("OK Date Book\n"));  // never completed: dropped at the end
  EXPECT_EQ(r.GetCount(), 0u);
}

TEST(LogReaderBytes, LongLinesArriveInPieces) {
  CLogReader r;
  // 3 + 1100 characters: the first 1022 are one line, the rest another.
  Read(r, Op("OK " + std::string(1100, 'a') + "\n"));
  auto items = Items(Ops(r)[0]);
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(std::string(items[0]->Name()), std::string(HV_NAME_MAX, 'a'));
  EXPECT_STREQ(items[1]->Name(), "");

  // Exactly 1022 characters: the line end comes alone and switches to comments.
  CLogReader r2;
  Read(r2, Op("OK " + std::string(1019, 'b') + "\nnote\n"));
  auto op = Ops(r2)[0];
  EXPECT_EQ(Items(op).size(), 1u);
  EXPECT_STREQ(op->Comments(), "note<br><br>");
}

TEST(LogReaderBytes, LinesAcrossReadBufferBoundariesReadAsAnyOther) {
  // Over 256 KB in lines of every length around the piece limit, some with CR
  // LF, some with a CR inside, so lines straddle the reader's buffer ends.
  std::string log;
  unsigned n = 0;
  while (log.size() < 700 * 1024) {
    log += "HotSync operation started 07/15/03 10:00:00\r\n-- Expense\n";
    for (int i = 0; i < 12; ++i, ++n) {
      const size_t len = (n * 37) % 1030 + (n % 5 == 0 ? 1015 : 0);
      std::string text(len, static_cast<char>('a' + n % 26));
      if (n % 7 == 0) text.insert(len / 2, "\r");
      log += (i % 3 ? "   " : "OK ") + text + (n % 2 ? "\r\n" : "\n");
    }
    log += "\nnote " + std::to_string(n) + "\r\n";
    log += "HotSync operation complete 07/15/03 10:00:30\n";
  }
  CLogReader whole, lines;
  Read(whole, log);
  ReadByLines(lines, log);
  ASSERT_GT(whole.GetCount(), 50u);
  EXPECT_EQ(Dump(whole), Dump(lines));

  tdxtest::TempDir dir("hvbig");
  tdxtest::WriteText(dir.file("HotSync.Log"), log);
  CLogReader file;
  file.ReadFile(dir.file("HotSync.Log").c_str());
  EXPECT_EQ(Dump(file), Dump(lines));
}

TEST(LogReaderBytes, AZeroByteEndsItsLine) {
  CLogReader r;
  Read(r, Op(std::string("OK Date\0Book\n", 13)));
  EXPECT_STREQ(Items(Ops(r)[0])[0]->Name(), "Date");
}

// ---- files of a user ----

TEST(LogReaderFiles, BothFilesAreListedHtmlLogFirst) {
  tdxtest::TempDir dir("hvload");
  std::filesystem::create_directories(dir.path() / "AnnS");
  const std::string html =
      "<html><body><h1>HotSync Log for Ann</h1>\n"
      "<p>HotSync operation started 07/15/03 10:00:00</p>\n<p>OK Date Book</p>\n"
      "<p>HotSync operation complete 07/15/03 10:00:30</p>\n</body></html>\n";
  tdxtest::WriteText((dir.path() / "AnnS" / "HotSyncLog.htm").string(), html);
  tdxtest::WriteText((dir.path() / "AnnS" / "HotSync.Log").string(),
                     Crlf(Op("OK Date Book\n") + Op("OK Mail\n")));
  CLogReader r;
  r.ParseLine("HotSync operation started 01/01/01 00:00:00\n");  // dropped by the load
  r.LoadUserLogs(dir.path().string().c_str(), "AnnS");
  auto ops = Ops(r);
  ASSERT_EQ(ops.size(), 3u);
  EXPECT_EQ(Dump(r),
            "op 2003-7-15 10:0:0 .. 2003-7-15 10:0:30 failures=0 comments=[]\n"
            "  1 ok=1 name=[Date Book] t1=[] t2=[] msg=[]\n"
            "op 2003-7-15 10:0:0 .. 2003-7-15 10:0:30 failures=0 comments=[]\n"
            "  1 ok=1 name=[Date Book] t1=[] t2=[] msg=[]\n"
            "op 2003-7-15 10:0:0 .. 2003-7-15 10:0:30 failures=0 comments=[]\n"
            "  1 ok=1 name=[Mail] t1=[] t2=[] msg=[]\n");

  // A second load starts afresh; a user without files has no operations.
  r.LoadUserLogs(dir.path().string().c_str(), "AnnS");
  EXPECT_EQ(r.GetCount(), 3u);
  r.LoadUserLogs(dir.path().string().c_str(), "Nobody");
  EXPECT_EQ(r.GetCount(), 0u);
}

TEST(LogReaderFiles, APathTooLongForItsBufferIsNotCutShort) {
  tdxtest::TempDir dir("hvlong");
  const std::string base = dir.path().string();
  // Pick the user directory's length so the full path needs 261 bytes; cut to
  // 260 it would name "HotSyncLog.ht", which exists.
  const size_t full = HV_PATH_SIZE;  // characters of the path, terminator not counted
  const size_t fixed = base.size() + 1 + 1 + std::string("HotSyncLog.htm").size();
  ASSERT_LT(fixed, full);
  const std::string user(full - fixed, 'u');
  std::filesystem::create_directories(dir.path() / user);
  tdxtest::WriteText((dir.path() / user / "HotSyncLog.ht").string(), Op("OK Date Book\n"));
  char szPath[HV_PATH_SIZE];
  EXPECT_FALSE(HVFormLogPath(szPath, HV_HTML_LOG_FORMAT, base.c_str(), user.c_str()));
  EXPECT_STREQ(szPath, "");
  CLogReader r;
  r.LoadUserLogs(base.c_str(), user.c_str());
  EXPECT_EQ(r.GetCount(), 0u);
}

TEST(LogReaderFiles, MissingFileAddsNothing) {
  CLogReader r;
  Read(r, Op("OK Mail\n"));
  r.ReadFile("/nonexistent/dir/HotSync.Log");
  EXPECT_EQ(r.GetCount(), 1u);
}

// ---- dates ----

struct DateCase {
  const char* text;
  const char* expected;  // year-month-day hour:minute:second
};

TEST(LogReaderDates, EveryAcceptedFormAndTheCentury) {
  const DateCase cases[] = {
      {"07/15/03 10:00:00", "2003-7-15 10:0:0"},
      {"03-07-15 10:00:00", "2003-7-15 10:0:0"},
      {"2003/07/15 10:00:00", "2003-7-15 10:0:0"},
      {"2003-07-15 10:00:00", "2003-7-15 10:0:0"},
      {"12/31/99 23:59:59", "1999-12-31 23:59:59"},
      {"01/01/59 00:00:01", "2059-1-1 0:0:1"},
      {"01/01/60 00:00:01", "1960-1-1 0:0:1"},
      {"0150-01-02 03:04:05", "150-1-2 3:4:5"},      // 100 and more stays
      {"07/15/03    10:00:00", "2003-7-15 10:0:0"},  // any run of blanks
      {"07/15/0310:00:00", "2003-7-15 10:0:0"},      // or none
      {"07/15/03 10:00:00 - then more", "2007-0-0 0:0:0"},  // hyphen later: stops at '/'
      {"07/15", "0-7-15 0:0:0"},                             // stops: the rest stays 0
      {"07/15/03 10", "2003-7-15 10:0:0"},
      {"Jul 15 2003", "0-0-0 0:0:0"},  // no form: nothing read
      {"", "0-0-0 0:0:0"},
      {"7", "0-0-0 0:0:0"},
  };
  for (const DateCase& c : cases) {
    TdxDateTime t{};
    HVReadLogDate(c.text, t);
    EXPECT_EQ(Date(t), c.expected) << c.text;
    EXPECT_EQ(t.wDayOfWeek, 0);
    EXPECT_EQ(t.wMilliseconds, 0);
  }
}

TEST(LogReaderDates, StartAndCompletionLinesFindTheirDate) {
  CLogReader r;
  Read(r,
       "HotSync operation started for Ann on 2003-07-15 10:00:00\n"
       "HotSync operation completed on 07/15/03 10:00:30\n"
       // completion: one blank after position 26 is skipped
       "HotSync operation started 12/31/99 23:59:00\n"
       "HotSync operation complete 2000-01-01 00:00:30\n"
       // a marker not at the line's start: the date is still taken from 26
       "Note: HotSync operation started 01/01/01 01:01:01\n"
       "HotSync operation complete   01/01/01 01:01:02\n");
  auto ops = Ops(r);
  ASSERT_EQ(ops.size(), 3u);
  EXPECT_EQ(Date(ops[0]->stStart), "2003-7-15 10:0:0");
  EXPECT_EQ(Date(ops[0]->stEnd), "2003-7-15 10:0:30");
  EXPECT_EQ(Date(ops[1]->stStart), "1999-12-31 23:59:0");
  EXPECT_EQ(Date(ops[1]->stEnd), "2000-1-1 0:0:30");
  EXPECT_EQ(Date(ops[2]->stStart), "0-0-0 0:0:0");  // "arted 01/01/..." is no date
  // Two blanks stay after the one skipped, so the fifth character is the slash:
  // read as a four-digit year form.
  EXPECT_EQ(Date(ops[2]->stEnd), "2001-1-1 1:1:2");
}

// ---- operations: start, completion and what follows ----

TEST(LogReaderOperations, CompletionListsOnceAndLaterLinesJoinTheOperation) {
  CLogReader r;
  Read(r, Op("OK Date Book\n") + "OK Mail\n" +
              "HotSync operation complete 07/15/03 10:05:00\n" +  // again: the later end
              "   - Installed file: game.prc\n");
  auto ops = Ops(r);
  ASSERT_EQ(ops.size(), 1u);
  EXPECT_EQ(Date(ops[0]->stEnd), "2003-7-15 10:5:0");
  auto items = Items(ops[0]);
  ASSERT_EQ(items.size(), 3u);
  EXPECT_STREQ(items[1]->Name(), "Mail");
  EXPECT_EQ(items[2]->nKind, HV_ITEM_INSTALL);
}

TEST(LogReaderOperations, AStartWithoutCompletionIsDropped) {
  CLogReader r;
  Read(r, kStart + std::string("OK Lost\n") + Op("OK Kept\n") + kStart + "OK Lost too\n");
  auto ops = Ops(r);
  ASSERT_EQ(ops.size(), 1u);
  EXPECT_STREQ(Items(ops[0])[0]->Name(), "Kept");
  EXPECT_FALSE(ops[0]->bUnfinished);

  // Kept, each is listed where it stops: at the next start line, at its file's end.
  CLogReader keep;
  keep.KeepUnfinished(true);
  Read(keep, kStart + std::string("OK Lost\n") + Op("OK Kept\n") + kStart + "OK Lost too\n");
  ops = Ops(keep);
  ASSERT_EQ(ops.size(), 3u);
  EXPECT_TRUE(ops[0]->bUnfinished);
  EXPECT_STREQ(Items(ops[0])[0]->Name(), "Lost");
  EXPECT_FALSE(ops[1]->bUnfinished);
  EXPECT_TRUE(ops[2]->bUnfinished);
  EXPECT_STREQ(Items(ops[2])[0]->Name(), "Lost too");
  keep.Clear();
  EXPECT_EQ(keep.GetCount(), 0u);
}

TEST(LogReaderOperations, LinesOutsideAnOperationAreIgnored) {
  CLogReader r;
  Read(r,
       "OK Date Book\n-- Expense\n   - Installed file: a.prc\n"
       "   -- Backing up db X to Y\n"
       "   -- The database for Z was deleted on the handheld. Moving the backup to the "
       "Archive folder.\n"
       "HotSync operation complete 07/15/03 10:00:30\n" +
           Op("OK Mail\n"));
  auto ops = Ops(r);
  ASSERT_EQ(ops.size(), 1u);
  ASSERT_EQ(Items(ops[0]).size(), 1u);
}

TEST(LogReaderOperations, MarkersAreTriedInTableOrder) {
  CLogReader r;
  Read(r, Op("HotSync Log for Ann; HotSync operation started 01/01/01 00:00:00\n"
             "   -- Backing up db A to B;   - Installed file: c.prc\n"
             "   -- The database for Q;   -- Backing up R to S\n"));
  ASSERT_EQ(r.GetCount(), 1u);
  auto items = Items(Ops(r)[0]);
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0]->nKind, HV_ITEM_INSTALL);
  EXPECT_STREQ(items[0]->Text1(), " to B;   - Installed file: c.prc");  // from position 21
  EXPECT_EQ(items[1]->nKind, HV_ITEM_BACKUP);  // found before the archive marker
  EXPECT_STREQ(items[1]->Text1(), "se for Q;   -- Backing up R");
  EXPECT_STREQ(items[1]->Text2(), "S");
}

// ---- applications and their messages ----

TEST(LogReaderApps, OkLinesGiveCleanItems) {
  CLogReader r;
  Read(r, Op("OK Date Book\nOK Address Book\n"));
  EXPECT_EQ(Dump(r),
            "op 2003-7-15 10:0:0 .. 2003-7-15 10:0:30 failures=0 comments=[]\n"
            "  1 ok=1 name=[Date Book] t1=[] t2=[] msg=[]\n"
            "  1 ok=1 name=[Address Book] t1=[] t2=[] msg=[]\n");
}

TEST(LogReaderApps, MessagesFailuresAndTheClosingLine) {
  CLogReader r;
  Read(r, Op("-- Expense\n"
             "   Error: only a detail\n"         // white space first: kept, not counted
             "Could not open: ERROR 5\n"         // counted, kept
             "\tfailed inside\n"                 // tab first: kept, not counted
             "Record error; write failed\n"      // one count however many words
             "Expense synchronization FAILED\n"  // counted, closes, not kept
             "Expense again\n"));                // Idle again: an item with no name
  auto op = Ops(r)[0];
  EXPECT_EQ(op->nFailures, 3);
  auto items = Items(op);
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0]->nOk, 0);
  EXPECT_STREQ(items[0]->Name(), "Expense");
  EXPECT_STREQ(items[0]->Messages(),
               "Error: only a detail<br><br>\r\nCould not open: ERROR 5<br><br>\r\n"
               "failed inside<br><br>\r\nRecord error; write failed<br><br>\r\n");
  EXPECT_STREQ(items[1]->Name(), "");
  EXPECT_EQ(items[1]->nOk, 1);
  // The note: the first line that reported a failure, over any message before it.
  EXPECT_STREQ(items[0]->Note(), "Could not open: ERROR 5");
  EXPECT_STREQ(items[1]->Note(), "");

  // Without a failure, the first message line; a closing line alone leaves none.
  CLogReader w;
  Read(w, Op("-- Mail\n   \n   slow link\nsecond\nMail done\n-- Memo\nMemo done\n"));
  auto wi = Items(Ops(w)[0]);
  ASSERT_EQ(wi.size(), 2u);
  EXPECT_STREQ(wi[0]->Note(), "slow link");
  EXPECT_STREQ(wi[1]->Note(), "");
}

TEST(LogReaderApps, NameSearchIsCaseSensitiveAndAnEmptyNameClosesAtOnce) {
  CLogReader r;
  Read(r, Op("-- Mail\nmail server failed\nMail done\n--\nSync failed\nOK Memo\n"));
  auto op = Ops(r)[0];
  auto items = Items(op);
  ASSERT_EQ(items.size(), 3u);
  EXPECT_STREQ(items[0]->Messages(), "mail server failed<br><br>\r\n");
  EXPECT_EQ(items[1]->nOk, 0);
  EXPECT_STREQ(items[1]->Messages(), "");
  EXPECT_STREQ(items[2]->Name(), "Memo");
  EXPECT_EQ(op->nFailures, 2);
}

TEST(LogReaderApps, SystemAndInstallAreNeverListed) {
  CLogReader r;
  Read(r, Op("OK System\n-- Install\nXY System\nOK Systems\nOK Install \nOK\nPlain words\n"));
  auto items = Items(Ops(r)[0]);
  ASSERT_EQ(items.size(), 4u);
  EXPECT_STREQ(items[0]->Name(), "Systems");
  EXPECT_STREQ(items[1]->Name(), "Install ");
  EXPECT_STREQ(items[2]->Name(), "");
  EXPECT_STREQ(items[3]->Name(), "");  // neither "OK" nor "--": no name
}

// ---- comments ----

TEST(LogReaderComments, AfterAnEmptyLineOtherLinesAreComments) {
  CLogReader r;
  Read(r, Op("OK Date Book\n") + "\nCharge the battery\n  -- twice\nOK Memo\n" +
              "   - Installed file: a.prc\nOK Mail\n" + "x\n" + "y z\n");
  auto op = Ops(r)[0];
  EXPECT_STREQ(op->Comments(),
               "Charge the battery<br><br>  -- twice<br><br>OK Memo<br><br>x<br><br>y z<br><br>");
  auto items = Items(op);
  ASSERT_EQ(items.size(), 3u);  // the marker line ended the comments
  EXPECT_STREQ(items[2]->Name(), "Mail");
}

TEST(LogReaderComments, WithoutAnEmptyLineLinesAfterCompletionAreItems) {
  CLogReader r;
  Read(r, Op("OK Date Book\n") + "Charge the battery\n");
  auto op = Ops(r)[0];
  EXPECT_STREQ(op->Comments(), "");
  ASSERT_EQ(Items(op).size(), 2u);
}

// ---- installs, backups, archive moves ----

TEST(LogReaderItems, BackupLines) {
  CLogReader r;
  Read(r, Op("   -- Backing up db Saved_Preferences to file C:\\Palm\\Ann\\Backup\\SP.PRC\n"
             "   -- Backing up Memo to C:\\Backup\\Memo.PDB\n"
             "   -- Backing up db A to B to file C to file D\n"
             "   -- Backing up db Notes\n"  // no " to ": nothing
             "   - Installed file: C:\\Palm\\Ann\\Install\\game.prc\n"
             "   -- The database for Old Memos was deleted on the handheld. Moving the backup "
             "to the Archive folder.\n"
             "   -- The database for Other could not be found.\n"));  // no deletion text
  auto items = Items(Ops(r)[0]);
  ASSERT_EQ(items.size(), 5u);
  EXPECT_EQ(Dump(r).substr(Dump(r).find('\n') + 1),
            "  2 ok=1 name=[] t1=[ Saved_Preferences] t2=[C:\\Palm\\Ann\\Backup\\SP.PRC] msg=[]\n"
            "  2 ok=1 name=[] t1=[ Memo] t2=[C:\\Backup\\Memo.PDB] msg=[]\n"
            "  2 ok=1 name=[] t1=[ A] t2=[C to file D] msg=[]\n"
            "  3 ok=1 name=[] t1=[C:\\Palm\\Ann\\Install\\game.prc] t2=[] msg=[]\n"
            "  4 ok=1 name=[] t1=[Old Memos] t2=[Moved to the Archive folder.] msg=[]\n");
}

TEST(LogReaderItems, IgnoredMarkerLinesKeepTheState) {
  CLogReader r;
  Read(r, Op("-- Expense\n   -- Backing up db Notes\n"
             "   -- The database for X is gone\n   detail\nExpense done\n"));
  auto items = Items(Ops(r)[0]);
  ASSERT_EQ(items.size(), 1u);
  EXPECT_STREQ(items[0]->Messages(), "detail<br><br>\r\n");
}

// ---- line preparation ----

TEST(LogReaderLines, MarkupIsRemoved) {
  const std::string plain = Op("OK Date Book\n-- Mail\n   Error 3\nMail failed\n") +
                            "\nCall Bob\n";
  const std::string html =
      "<html><body>\n<h2>HotSync Log for <i>Ann</i></h2>\n"
      "<p><b>HotSync operation started 07/15/03 10:00:00</b></p>\n"
      "<tr><td>OK Date Book</td></tr>\n<tr><td>-- Mail</td></tr>\n"
      "<tr><td>   Error 3</td></tr>\n<tr><td>Mail failed</td></tr>\n"
      "<br>\n<p>HotSync operation complete 07/15/03 10:00:30</p>\n"
      "<table><tr>\n"  // only markup: empty, ignored
      "\n<i>Call</i> Bob\n";
  CLogReader a, b;
  Read(a, plain);
  Read(b, html);
  EXPECT_EQ(Dump(a), Dump(b));

  CLogReader c;
  Read(c, Op("OK a > b\nOK Memo <b\nOK x <i>y</i> z>\nOK <open\n"));
  auto items = Items(Ops(c)[0]);
  ASSERT_EQ(items.size(), 4u);
  EXPECT_STREQ(items[0]->Name(), "a  b");
  EXPECT_STREQ(items[1]->Name(), "Memo ");
  EXPECT_STREQ(items[2]->Name(), "x y z");
  EXPECT_STREQ(items[3]->Name(), "");
}

// An HTML log's text is HTML: once its markup is gone, its character
// references are read as what they show, so the pages escape each character
// once. A plain log's text is taken as it stands.
TEST(LogReaderLines, AnHtmlLogsReferencesAreItsCharacters) {
  const struct {
    const char* logged;
    const char* html;  // the name read from an HTML log
  } cases[] = {
      {"A &amp; B", "A & B"},
      {"&lt;i&gt;x&lt;/i&gt; <i>y</i>", "<i>x</i> y"},
      {"&quot;q&quot; &apos;s&nbsp;", "\"q\" 's\xA0"},
      {"&#65;&#x42;&#X43;&#0000068;", "ABCD"},
      {"&amp;amp; &amp;lt;", "&amp; &lt;"},
      // Not read: unknown names, no ";", zero, past one byte, no digits.
      {"&copy; &amp &#0; &#256; &#x; &#;", "&copy; &amp &#0; &#256; &#x; &#;"},
  };
  for (const auto& c : cases) {
    const std::string log = Op(std::string("<p>OK ") + c.logged + "</p>\n");
    CLogReader html, plain;
    html.ReadBuffer(log.data(), log.size(), true);
    plain.ReadBuffer(log.data(), log.size(), false);
    ASSERT_EQ(html.GetCount(), 1u);
    EXPECT_STREQ(Items(Ops(html)[0])[0]->Name(), c.html) << c.logged;
    std::string stripped = c.logged;
    for (size_t lt; (lt = stripped.find('<')) != std::string::npos;)
      stripped.erase(lt, stripped.find('>', lt) - lt + 1);
    EXPECT_EQ(std::string(Items(Ops(plain)[0])[0]->Name()), stripped) << c.logged;
  }
  // Markers written with references are markers.
  CLogReader r;
  const std::string log =
      "HotSync&#32;operation started 07/15/03 10:00:00<br>\nOK Memo<br>\n"
      "HotSync operation complete 07/15/03 10:00:30<br>\n";
  r.ReadBuffer(log.data(), log.size(), true);
  EXPECT_EQ(r.GetCount(), 1u);
}

// Messages and comments are page text: each line escaped before its join, the
// caps counting the escaped bytes, and an escape is never cut.
TEST(LogReaderLines, MessagesAndCommentsAreEscapedBeforeTheirJoins) {
  CLogReader r;
  Read(r, Op("-- Mail\n   a & b \"c\"\nMail failed\n") + "\nsaw <i>x</i> & y\n");
  EXPECT_STREQ(Items(Ops(r)[0])[0]->Messages(), "a &amp; b &quot;c&quot;<br><br>\r\n");
  EXPECT_STREQ(Ops(r)[0]->Comments(), "saw x &amp; y<br><br>");

  // After a first line of 18 bytes with its join, "x"s and "&&" fill the rest.
  static_assert(HV_MESSAGES_MAX == HV_COMMENTS_MAX);
  constexpr size_t kRoom = HV_MESSAGES_MAX - 18;
  const struct {
    size_t nBefore;    // plain characters before "&&"
    const char* tail;  // how the field ends at its cap
  } cuts[] = {
      {kRoom - 5, "x&amp;"},        // one escape fits exactly
      {kRoom - 4, "xxxx<br>"},      // it would not: the join's start fills up
      {kRoom - 7, "x&amp;<b"},      // one fits, the second would not
      {kRoom - 10, "x&amp;&amp;"},  // both fit, no room for the join
  };
  for (const auto& c : cuts) {
    const std::string text = std::string(c.nBefore, 'x') + "&&";
    CLogReader m;
    Read(m, Op("-- Mail\n pppppppp\n " + text + "\n") + "\npppppppppp\n" + text + "\n");
    const std::string messages = Items(Ops(m)[0])[0]->Messages();
    const std::string comments = Ops(m)[0]->Comments();
    for (const std::string& field : {messages, comments}) {
      EXPECT_EQ(field.size(), HV_MESSAGES_MAX) << c.nBefore;
      EXPECT_EQ(field.substr(field.size() - std::strlen(c.tail)), c.tail) << c.nBefore;
    }
  }
}

TEST(LogReaderLines, ShortRawLinesSwitchToComments) {
  CLogReader r;
  // "<>" is empty once prepared, but as read it is three characters: no switch.
  // "a" is two characters with its line end: it switches and is itself a comment.
  Read(r, Op("OK Memo\n") + "<>\nOK Mail\na\nwords\n");
  auto op = Ops(r)[0];
  EXPECT_EQ(Items(op).size(), 2u);
  EXPECT_STREQ(op->Comments(), "a<br><br>words<br><br>");
}

TEST(LogReaderLines, ParseLineTakesLinesWithEitherLineEnd) {
  CLogReader r;
  r.ParseLine("HotSync operation started 07/15/03 10:00:00\r\n");
  r.ParseLine("OK Date Book\r\n");
  r.ParseLine("OK Memo\r");
  r.ParseLine("OK Mail\rX");  // the second-to-last character cuts the line
  r.ParseLine("HotSync operation complete 07/15/03 10:00:30\r\n");
  r.ParseLine(nullptr);
  ASSERT_EQ(r.GetCount(), 1u);
  auto items = Items(Ops(r)[0]);
  ASSERT_EQ(items.size(), 3u);
  EXPECT_STREQ(items[0]->Name(), "Date Book");
  EXPECT_STREQ(items[1]->Name(), "Memo");
  EXPECT_STREQ(items[2]->Name(), "Mail");
  EXPECT_EQ(Date(Ops(r)[0]->stEnd), "2003-7-15 10:0:30");
}

// ---- field limits and storage ----

TEST(LogReaderLimits, TextsAreCutToTheirFields) {
  std::string body = "-- " + std::string(80, 'N') + "\n";
  for (int i = 0; i < 60; ++i) body += "   message line number " + std::to_string(i) + "\n";
  body += "   - Installed file: " + std::string(400, 'i') + "\n";
  body += "   -- Backing up db " + std::string(300, 'f') + " to " + std::string(300, 't') + "\n";
  body += "\n";
  for (int i = 0; i < 80; ++i) body += "comment " + std::to_string(i) + "\n";
  CLogReader r;
  Read(r, Op(body));
  auto op = Ops(r)[0];
  auto items = Items(op);
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(std::string(items[0]->Name()), std::string(HV_NAME_MAX, 'N'));
  std::string full;
  for (int i = 0; i < 60; ++i) full += "message line number " + std::to_string(i) + "<br><br>\r\n";
  EXPECT_EQ(std::string(items[0]->Messages()), full.substr(0, HV_MESSAGES_MAX));
  EXPECT_EQ(std::string(items[1]->Text1()), std::string(HV_TEXT_MAX, 'i'));
  EXPECT_EQ(std::string(items[2]->Text1()), " " + std::string(HV_TEXT_MAX - 1, 'f'));
  EXPECT_EQ(std::string(items[2]->Text2()), std::string(HV_TEXT_MAX, 't'));
  std::string comments;
  for (int i = 0; i < 80; ++i) comments += "comment " + std::to_string(i) + "<br><br>";
  EXPECT_EQ(std::string(op->Comments()), comments.substr(0, HV_COMMENTS_MAX));
}

TEST(LogReaderLimits, StorageGrowsWithTheTextReadAndDroppedOperationsGiveItBack) {
  std::string one;
  for (int i = 0; i < 20000; ++i) one += "OK Memo Pad\n";
  CLogReader r;
  Read(r, Op(one));
  const size_t kept = r.GetStoreReserved();
  // An item with a short name costs tens of bytes, not the fields' 2.5 KB.
  EXPECT_LT(kept, 20000u * 48);
  // A second file whose long operation never completes leaves nothing behind.
  Read(r, kStart + one + one);
  EXPECT_LE(r.GetStoreReserved(), kept + 2 * 64 * 1024);
  EXPECT_EQ(r.GetCount(), 1u);
  r.Clear();
  EXPECT_EQ(r.GetStoreReserved(), 0u);
  EXPECT_EQ(r.GetCount(), 0u);
}
