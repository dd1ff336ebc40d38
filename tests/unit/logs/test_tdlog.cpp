#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "JsonCheck.h"
#include "LogTestUtil.h"
#include "TdLog.h"
#include "logs/HealthPage.h"
#include "support/TempDir.h"

using namespace hvtest;
namespace fs = std::filesystem;

namespace {

int RunTdlog(std::vector<std::string> args, std::string& out, std::string& err) {
  args.insert(args.begin(), "tdlog");
  std::vector<const char*> argv;
  for (const std::string& a : args) argv.push_back(a.c_str());
  const HVShortPathFn none = [](const char*, std::string&) { return false; };
  return TdRun(static_cast<int>(argv.size()), argv.data(), out, err, none);
}

const char kPlain[] =
    "HotSync operation started 05/02/03 09:00:00\r\nOK Date Book\r\n"
    "-- Caf\xE9 \"Menu\"\r\n   Price \x80 3\\4\r\nCaf\xE9 \"Menu\" failed\r\n"
    "   -- Backing up db Memo to file C:\\B\\Memo.PDB\r\n"
    "HotSync operation complete 05/02/03 09:01:00\r\n"
    "HotSync operation started 06/01/03 08:00:00\r\n"
    "   - Installed file: game.prc\r\n"
    "HotSync operation complete 06/01/03 08:00:40\r\n\r\nnew\tcradle\r\n"
    "HotSync operation started 05/20/03 10:00:00\r\n"
    "HotSync operation complete 05/20/03 10:00:05\r\n";
const char kHtml[] =
    "<html><body><h1>HotSync Log for Ann</h1>\n"
    "<p>HotSync operation started 04/30/03 07:00:00</p>\n<p>OK Mail</p>\n"
    "<p>HotSync operation complete 04/30/03 07:00:09</p>\n</body></html>\n";

// A Palm Desktop directory with user "AnnS" holding both logs and "Bob" holding none.
struct Desktop {
  tdxtest::TempDir dir{"tdlog"};
  Desktop() {
    fs::create_directories(dir.path() / "AnnS");
    fs::create_directories(dir.path() / "Bob");
    tdxtest::WriteText((dir.path() / "AnnS" / "HotSync.Log").string(), kPlain);
    tdxtest::WriteText((dir.path() / "AnnS" / "HotSyncLog.htm").string(), kHtml);
  }
  std::string Path() const { return dir.path().string(); }
};

std::set<std::string> Files(const fs::path& p) {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(p)) names.insert(e.path().filename().string());
  return names;
}

}  // namespace

TEST(TdlogJson, TextsBecomeUtf8WithJsonEscapes) {
  std::string out;
  TdAppendJsonText(out, "\x80 caf\xE9 \x81\x9F \"q\" a\\b\tc\x01\n\r\x7F");
  EXPECT_EQ(out,
            "\xE2\x82\xAC caf\xC3\xA9 \\u0081\xC5\xB8 \\\"q\\\" a\\\\b\\tc\\u0001\\n\\r\\u007f");
}

TEST(TdlogJson, EveryFieldOfEveryOperation) {
  CLogReader r;
  Read(r,
       "HotSync operation started 07/15/03 10:00:00\nOK Date Book\n"
       "   -- The database for Old was deleted on the handheld. Moving the backup to the "
       "Archive folder.\n"
       "HotSync operation complete 07/15/03 10:00:30\n\nnote\n");
  std::string out;
  TdWriteJson(out, r.Operations());
  EXPECT_EQ(out,
            "{\"operations\":[\n"
            "{\"start\":{\"year\":2003,\"month\":7,\"day\":15,\"hour\":10,\"minute\":0,"
            "\"second\":0},\"end\":{\"year\":2003,\"month\":7,\"day\":15,\"hour\":10,"
            "\"minute\":0,\"second\":30},\"failures\":0,\"comments\":\"note<br><br>\","
            "\"items\":[{\"kind\":1,\"name\":\"Date Book\",\"ok\":1,\"text1\":\"\","
            "\"text2\":\"\",\"messages\":\"\"},{\"kind\":4,\"name\":\"\",\"ok\":1,"
            "\"text1\":\"Old\",\"text2\":\"Moved to the Archive folder.\",\"messages\":\"\"}]}"
            "\n]}\n");
  CLogReader empty;
  std::string none;
  TdWriteJson(none, empty.Operations());
  EXPECT_EQ(none, "{\"operations\":[]}\n");
}

TEST(TdlogCommand, JsonOfAUserParsesAndFollowsTheReader) {
  Desktop d;
  std::string out, err;
  ASSERT_EQ(RunTdlog({"json", d.Path(), "AnnS"}, out, err), TD_EXIT_OK) << err;
  EXPECT_EQ(err, "");
  JsonReader json;
  JValue v;
  ASSERT_TRUE(json.Parse(out, v)) << "at " << json.m_nError << ": " << out.substr(json.m_nError, 40);
  const auto& ops = v["operations"].arr;
  ASSERT_EQ(ops.size(), 4u);
  EXPECT_EQ(ops[0]["items"].arr[0]["name"].str, "Mail");  // the HTML log comes first
  EXPECT_EQ(ops[0]["start"]["month"].num, 4);
  const JValue& cafe = ops[1]["items"].arr[1];
  EXPECT_EQ(cafe["name"].str, "Caf\xC3\xA9 \"Menu\"");
  EXPECT_EQ(cafe["ok"].num, 0);
  EXPECT_EQ(cafe["messages"].str, "Price \xE2\x82\xAC 3\\4<br><br>\r\n");
  EXPECT_EQ(ops[1]["failures"].num, 1);
  EXPECT_EQ(ops[1]["items"].arr[2]["text2"].str, "C:\\B\\Memo.PDB");
  EXPECT_EQ(ops[2]["comments"].str, "new\tcradle<br><br>");
  EXPECT_EQ(ops[3]["end"]["second"].num, 5);

  std::string out2, err2;
  ASSERT_EQ(RunTdlog({"json", d.Path(), "Bob"}, out2, err2), TD_EXIT_OK);
  EXPECT_EQ(out2, "{\"operations\":[]}\n");
}

TEST(TdlogCommand, HtmlWritesEveryPageOfTheTabAndAnIndex) {
  Desktop d;
  tdxtest::TempDir outParent("tdlog-out");
  const fs::path site = outParent.path() / "site" / "ann";  // parents made too
  std::string out, err;
  ASSERT_EQ(RunTdlog({"html", d.Path(), "AnnS", site.string(), "--name", "Ann Smith"}, out, err),
            TD_EXIT_OK)
      << err;
  EXPECT_EQ(out + err, "");
  // Runs: 04/2003, 05/2003, 06/2003, 05/2003.
  EXPECT_EQ(Files(site), (std::set<std::string>{"index.html", "all.html", "month-1.html",
                                                "month-2.html", "month-3.html", "month-4.html",
                                                "op-1.html", "op-2.html", "op-3.html", "op-4.html"}));
  EXPECT_EQ(Files(outParent.path()), std::set<std::string>{"site"});

  CLogReader r;
  r.LoadUserLogs(d.Path().c_str(), "AnnS");
  auto bytes = [&](const char* name) {
    auto v = tdxtest::ReadBytes((site / name).string());
    return std::string(v.begin(), v.end());
  };
  std::string page;
  HVWriteRootPage(page, "Ann Smith", r.Operations());
  EXPECT_EQ(bytes("all.html"), page);
  page.clear();
  HVWriteMonthPage(page, "Ann Smith", "05/2003", r.Operations());
  EXPECT_EQ(bytes("month-2.html"), page);
  EXPECT_EQ(bytes("month-4.html"), page);  // the second May run shows the same page
  page.clear();
  HVWriteOperationPage(page, "Ann Smith", *Ops(r)[1], nullptr);
  EXPECT_EQ(bytes("op-2.html"), page);

  const std::string index = bytes("index.html");
  for (const char* link : {"href=\"all.html\"", "href=\"month-4.html\" target=page>05/2003<",
                           "href=\"op-4.html\" target=page>05/20/2003 10:00:00<",
                           "<iframe name=page src=\"all.html\""})
    EXPECT_NE(index.find(link), std::string::npos) << link;
  EXPECT_LT(index.find("month-3.html"), index.find("op-3.html"));

  // A user without logs: the root page says so.
  const fs::path bob = outParent.path() / "bob";
  ASSERT_EQ(RunTdlog({"html", d.Path(), "Bob", bob.string(), "--name", "Bob"}, out, err), TD_EXIT_OK);
  EXPECT_EQ(Files(bob), (std::set<std::string>{"index.html", "all.html"}));
  auto all = tdxtest::ReadBytes((bob / "all.html").string());
  EXPECT_NE(std::string(all.begin(), all.end())
                .find("There is no HotSync information recorded for user Bob."),
            std::string::npos);
}

// The user name given with --name heads every page and names the index: with
// each text in place of a plain placeholder, every file differs only there,
// and there the text is escaped.
TEST(TdlogCommand, TheUserNameIsEscapedOnEveryPage) {
  Desktop d;
  tdxtest::TempDir out("tdlog-name");
  auto site = [&](const std::string& name, const std::string& dir) {
    std::string o, e;
    EXPECT_EQ(
        RunTdlog({"html", d.Path(), "AnnS", (out.path() / dir).string(), "--name", name}, o, e),
        TD_EXIT_OK)
        << e;
    std::map<std::string, std::string> files;
    for (const auto& f : fs::directory_iterator(out.path() / dir)) {
      auto v = tdxtest::ReadBytes(f.path().string());
      files[f.path().filename().string()] = std::string(v.begin(), v.end());
    }
    return files;
  };
  const auto placeholder = site("@T@", "placeholder");
  ASSERT_EQ(placeholder.size(), 10u);
  const struct {
    const char* name;
    const char* page;
  } cases[] = {
      {"Ana <i>x</i>", "Ana &lt;i&gt;x&lt;/i&gt;"},
      {"<script>alert(1)</script>", "&lt;script&gt;alert(1)&lt;/script&gt;"},
      {"Tom & \"Jerry\"", "Tom &amp; &quot;Jerry&quot;"},
  };
  int n = 0;
  for (const auto& c : cases) {
    const auto named = site(c.name, "named" + std::to_string(++n));
    ASSERT_EQ(named.size(), placeholder.size());
    for (const auto& [file, bytes] : placeholder) {
      std::string want = bytes;
      ASSERT_NE(want.find("@T@"), std::string::npos) << file;
      for (size_t at = want.find("@T@"); at != std::string::npos; at = want.find("@T@", at))
        want.replace(at, 3, c.page);
      EXPECT_EQ(named.at(file), want) << c.name << " " << file;
    }
  }
}

TEST(TdlogCommand, MistakesAreReportedWithTheirExitCode) {
  Desktop d;
  tdxtest::TempDir o("tdlog-bad");
  tdxtest::TempDir blocked("tdlog-blocked");  // a file where a parent directory would go
  tdxtest::WriteText(blocked.file("file"), "x");
  struct Case {
    std::vector<std::string> args;
    int rc;
    const char* says;
  };
  const std::string site = (o.path() / "s").string();
  const Case cases[] = {
      {{}, TD_EXIT_USAGE, "no command"},
      {{"pdf", d.Path(), "AnnS"}, TD_EXIT_USAGE, "unknown command \"pdf\""},
      {{"json", d.Path()}, TD_EXIT_USAGE, "tdlog json: expects"},
      {{"json", d.Path(), "AnnS", "extra"}, TD_EXIT_USAGE, "tdlog json: expects"},
      {{"json", d.Path(), "AnnS", "--name", "Ann"}, TD_EXIT_USAGE, "tdlog json: expects"},
      {{"html", d.Path(), "AnnS", site}, TD_EXIT_USAGE, "tdlog html: expects"},
      {{"html", d.Path(), "AnnS", site, "--name"}, TD_EXIT_USAGE, "--name needs"},
      {{"html", d.Path(), "AnnS", site, "--name", "A", "--name", "B"}, TD_EXIT_USAGE, "twice"},
      {{"json", d.Path() + "-missing", "AnnS"}, TD_EXIT_FAILED, "Palm Desktop directory"},
      {{"json", d.Path(), "Carol"}, TD_EXIT_FAILED, "user directory"},
      {{"html", d.Path(), "AnnS", (blocked.path() / "file" / "site").string(), "--name", "A"},
       TD_EXIT_FAILED, "cannot create"},
  };
  for (const Case& c : cases) {
    std::string out, err;
    EXPECT_EQ(RunTdlog(c.args, out, err), c.rc) << c.says;
    EXPECT_NE(err.find(c.says), std::string::npos) << err;
    EXPECT_EQ(out, "");
    if (c.rc == TD_EXIT_USAGE) {
      EXPECT_NE(err.find("usage: tdlog json"), std::string::npos);
    }
  }
  EXPECT_TRUE(Files(o.path()).empty());  // nothing was written
  std::string out, err;
  EXPECT_EQ(RunTdlog({"--help"}, out, err), TD_EXIT_OK);
  EXPECT_NE(out.find("tdlog html <palm-desktop-dir> <user-dir> <out-dir> --name <user name>"),
            std::string::npos);
}

TEST(TdlogHealth, TableJsonAndPageOfAUser) {
  Desktop d;
  std::string out, err;
  ASSERT_EQ(RunTdlog({"health", d.Path(), "AnnS"}, out, err), TD_EXIT_OK) << err;
  EXPECT_EQ(out,
            "HotSync operations: 4.\n"
            "The counts look at the latest 4, from 04/30/2003 07:00:00.\n\n"
            "CONDUIT      LAST OK              LAST FAILED OR WARNED       FAILED/RAN  IN A ROW  "
            "LINE\n"
            "Caf\xE9 \"Menu\"  never                failed 05/02/2003 09:00:00  1/1         0   "
            "      Caf\xE9 \"Menu\" failed\n"
            "Date Book    05/02/2003 09:00:00  -                           0/1         0         -\n"
            "Mail         04/30/2003 07:00:00  -                           0/1         0         -\n"
            "\nDurations of whole operations:\n"
            "MONTH    OPERATIONS  BOTH ENDS  AVERAGE  LONGEST\n"
            "04/2003  1           1          0:00:09  0:00:09\n"
            "05/2003  2           2          0:00:32  0:01:00\n"
            "06/2003  1           1          0:00:40  0:00:40\n");
  EXPECT_EQ(err, "");

  tdxtest::TempDir o("tdlog-health");
  const std::string page = o.file("health.html");
  std::string json;
  ASSERT_EQ(RunTdlog({"health", d.Path(), "AnnS", "--json", "--html", page, "--name", "Ann"},
                     json, err),
            TD_EXIT_OK)
      << err;
  JsonReader reader;
  JValue v;
  ASSERT_TRUE(reader.Parse(json, v)) << reader.m_nError;
  EXPECT_EQ(v["operations"].num, 4);
  ASSERT_EQ(v["conduits"].arr.size(), 3u);
  const JValue& cafe = v["conduits"].arr[0];
  EXPECT_EQ(cafe["name"].str, "Caf\xC3\xA9 \"Menu\"");
  EXPECT_EQ(cafe["registered"].type, JValue::Null);
  EXPECT_EQ(cafe["last_bad"]["day"].num, 2);
  EXPECT_EQ(cafe["last_bad_line"].str, "Caf\xC3\xA9 \"Menu\" failed");
  EXPECT_EQ(cafe["recent_failed"].num, 1);
  EXPECT_EQ(v["durations"].arr.size(), 4u);
  EXPECT_EQ(v["months"].arr[1]["average_seconds"].num, 32);

  // The page is the log tab's, byte for byte.
  CLogReader r;
  r.KeepUnfinished(true);
  r.LoadUserLogs(d.Path().c_str(), "AnnS");
  std::string want;
  HVWriteHealthPage(want, "Ann", HVBuildHealth(r.Operations(), nullptr));
  const auto bytes = tdxtest::ReadBytes(page);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), want);

  struct Case {
    std::vector<std::string> args;
    int rc;
    const char* says;
  };
  const Case cases[] = {
      {{"health", d.Path()}, TD_EXIT_USAGE, "expects <palm-desktop-dir> <user-dir>"},
      {{"health", d.Path(), "AnnS", "--html"}, TD_EXIT_USAGE, "--html needs a value"},
      {{"health", d.Path(), "AnnS", "--name", "Ann"}, TD_EXIT_USAGE, "--name goes with --html"},
      {{"health", d.Path(), "AnnS", "--json", "--json"}, TD_EXIT_USAGE, "twice"},
      {{"health", d.Path(), "AnnS", "--csv"}, TD_EXIT_USAGE, "unknown option --csv"},
      {{"health", d.Path() + "-missing", "AnnS"}, TD_EXIT_FAILED, "Palm Desktop directory"},
      {{"health", d.Path(), "Carol"}, TD_EXIT_FAILED, "user directory"},
      {{"health", d.Path(), "AnnS", "--html", o.file("no-dir/h.html")}, TD_EXIT_FAILED,
       "cannot write"},
  };
  for (const Case& c : cases) {
    std::string o2, e2;
    EXPECT_EQ(RunTdlog(c.args, o2, e2), c.rc) << c.says;
    EXPECT_NE(e2.find(c.says), std::string::npos) << e2;
    EXPECT_EQ(o2, "");
  }
}

// The demo desktop's users: every log reads, its JSON parses and its site has a
// page for every node of the tree.
TEST(TdlogCommand, DemoUsersGiveValidJsonAndWholeSites) {
  std::string logs = TDX_DEMO_LOGS;
#ifdef _WIN32
  for (char& c : logs)
    if (c == '/') c = '\\';
  logs = "Z:" + logs;
#endif
  tdxtest::TempDir out("tdlog-demo");
  int users = 0;
  for (const char* user : {"LindqvM", "BrandtT"}) {
    std::string json, err;
    ASSERT_EQ(RunTdlog({"json", logs, user}, json, err), TD_EXIT_OK) << err;
    JsonReader reader;
    JValue v;
    ASSERT_TRUE(reader.Parse(json, v)) << user << " at " << reader.m_nError;
    const size_t nOps = v["operations"].arr.size();
    EXPECT_GT(nOps, 10u) << user;

    const fs::path site = out.path() / user;
    std::string o, e;
    ASSERT_EQ(RunTdlog({"html", logs, user, site.string(), "--name", user}, o, e), TD_EXIT_OK) << e;
    CLogReader r;
    r.LoadUserLogs(logs.c_str(), user);
    EXPECT_EQ(r.GetCount(), nOps);
    const size_t nMonths = HVGroupMonthRuns(r.Operations()).size();
    EXPECT_EQ(Files(site).size(), 2 + nMonths + nOps) << user;

    std::string health;
    ASSERT_EQ(RunTdlog({"health", logs, user, "--json"}, health, err), TD_EXIT_OK) << err;
    JValue hv;
    ASSERT_TRUE(reader.Parse(health, hv)) << user << " at " << reader.m_nError;
    EXPECT_EQ(hv["operations"].num, static_cast<double>(nOps));
    EXPECT_EQ(hv["recent"].num, 30);
    bool bMailFailed = false;
    for (const JValue& c : hv["conduits"].arr)
      bMailFailed = bMailFailed || (c["name"].str == "Mail Mirror" && c["recent_failed"].num > 0);
    EXPECT_TRUE(bMailFailed) << health;
    ++users;
  }
  EXPECT_EQ(users, 2);
}
