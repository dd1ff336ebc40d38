#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "orvello/OVPages.h"

namespace {

TdxDateTime At(int y, int mo, int d, int h, int mi, int s) {
  TdxDateTime t{};
  t.wYear = static_cast<uint16_t>(y);
  t.wMonth = static_cast<uint16_t>(mo);
  t.wDay = static_cast<uint16_t>(d);
  t.wHour = static_cast<uint16_t>(h);
  t.wMinute = static_cast<uint16_t>(mi);
  t.wSecond = static_cast<uint16_t>(s);
  t.wDayOfWeek = 6;  // deliberately wrong: the stamp works it out itself
  return t;
}

const std::string kRowStyle =
    " height=18 colspan=2 align=left style=\"padding-left:12; padding-right:12; padding-top:8; "
    "padding-bottom:8\">\r\n";

std::string Head(const std::string& title, const std::string& heading, const std::string& stamp) {
  return "<html><head><title>" + title + "</title></head>\r\n\r\n" +
         "<body style=\"font-family:Verdana; font-size:9pt\">\r\n"
         "<font size=3 color=#000080><b>" +
         heading + "</b> </font><font size=1><i>(" + stamp + ")</i></font><br><br>\r\n" +
         "<table border=0 cellpadding=0 cellspacing=1 bgcolor=#C0C0C0 style=\"font-family:verdana; "
         "font-size:10pt\">\r\n"
         "<tr bgcolor=#F0F0FF height=22 colspan=2 align=center>\r\n"
         "<td width=240><b>Conduit Name</b></td>\r\n"
         "<td width=*><b>Detail Information</b></td></tr>\r\n";
}

const std::string kEnd = "</table><br></body>\r\n</html>\r\n";

}  // namespace

TEST(OVPages, TimeStampIsTwentyFiveCharactersWithTheWeekdayOfTheDate) {
  const struct {
    TdxDateTime t;
    const char* want;
  } cases[] = {
      {At(2026, 12, 9, 14, 5, 7), "Wed Dec 09 14:05:07 2026\n"},
      {At(2000, 2, 29, 0, 0, 0), "Tue Feb 29 00:00:00 2000\n"},
      {At(1970, 1, 1, 23, 59, 59), "Thu Jan 01 23:59:59 1970\n"},
      {At(2038, 1, 19, 3, 14, 8), "Tue Jan 19 03:14:08 2038\n"},
      {At(2003, 5, 31, 12, 0, 0), "Sat May 31 12:00:00 2003\n"},
  };
  for (const auto& c : cases) {
    const std::string s = OVTimeStamp(c.t);
    EXPECT_EQ(s, c.want);
    EXPECT_EQ(s.size(), 25u);
  }
  // A month out of range still gives a well-formed text.
  EXPECT_EQ(OVTimeStamp(At(2026, 13, 1, 0, 0, 0)).size(), 25u);
}

TEST(OVPages, VersionTextKeepsFourDigitsOfTheLastNumber) {
  EXPECT_EQ(OVVersionText(1, 2, 0, 50), "1.2.0.0050");
  EXPECT_EQ(OVVersionText(0, 0, 0, 0), "0.0.0.0000");
  EXPECT_EQ(OVVersionText(4, 10, 3, 12345), "4.10.3.12345");
}

TEST(OVPages, HistoryPageShowsRecordsOldestFirstWithTheirKind) {
  std::vector<OVLogEntry> entries(5);
  OVMakeLogEntry(&entries[0], "C:\\Palm\\a.dll", "Alpha", "1.2.0.0050", 100, OVLOG_INSTALLED);
  OVMakeLogEntry(&entries[1], "C:\\Palm\\b.dll", "Beta", "", 200, 0);   // no row
  OVMakeLogEntry(&entries[2], "C:\\Palm\\b.dll", "Beta", "", 300, 7);   // never written: no row
  OVMakeLogEntry(&entries[3], "C:\\Palm\\b.dll", "Beta", "", 400, OVLOG_UNINSTALLED);
  OVMakeLogEntry(&entries[4], "C:\\Palm\\a.dll", "Alpha", "1.2.0.0050", 500, OVLOG_RESTORED);
  std::vector<int32_t> asked;
  auto toLocal = [&](int32_t t) {
    asked.push_back(t);
    return At(2026, 1, 1 + t / 100, 8, 0, 0);
  };
  std::string page;
  OVWriteHistoryPage(page, At(2026, 12, 9, 14, 5, 7), entries, toLocal);

  auto row = [&](const char* name, const char* file, const char* version, const char* stamp,
                 const char* kind) {
    return "<tr bgcolor=#FFFFFF" + kRowStyle + "<td>" + name + "</td>\r\n" +
           "<td><font color=0000FF>File Name</font>: " + file + "<br><br>\r\n" +
           "<font color=0000FF>File Version</font>: " + version + "<br><br>\r\n" +
           "<b><font color=0000FF>" + stamp + "</font>: " + kind + "</b></td></tr>\r\n";
  };
  const std::string want =
      Head("Orvello Log", "Conduit Install/Uninstall History", "Wed Dec 09 14:05:07 2026\n") +
      row("Alpha", "C:\\Palm\\a.dll", "1.2.0.0050", "Fri Jan 02 08:00:00 2026\n",
          "Installed Successfully") +
      row("Beta", "C:\\Palm\\b.dll", "", "Mon Jan 05 08:00:00 2026\n", "Uninstalled Successfully") +
      row("Alpha", "C:\\Palm\\a.dll", "1.2.0.0050", "Tue Jan 06 08:00:00 2026\n",
          "Restored Successfully") +
      kEnd;
  EXPECT_EQ(page, want);
  EXPECT_EQ(asked, (std::vector<int32_t>{100, 400, 500}));
}

TEST(OVPages, ReportListsApplicationRowsBeforeSystemRows) {
  const TdxDateTime now = At(2026, 12, 9, 14, 5, 7);
  std::string empty;
  OVWriteReportPage(empty, now, {}, {});
  const std::string head =
      Head("Conduit Information Report", "Conduit Information", "Wed Dec 09 14:05:07 2026\n");
  EXPECT_EQ(empty, head + kEnd);

  std::vector<OVReportRow> app = {{"Address Book", "addr", 0x61646472, "AddrCond.dll", "1.2.0.0050"}};
  std::vector<OVReportRow> sys = {{"Install", "", 255, "Inst.dll", "0.0.0.0000"},
                                  {"Backup", "", 0xFFFFFFFFu, "", "0.0.0.0000"}};
  std::string page;
  OVWriteReportPage(page, now, app, sys);
  const std::string want =
      head + "<tr bgcolor=#FFFFFF" + kRowStyle + "<td>Address Book</td>\r\n" +
      "<td><font color=0000FF>Creator ID</font>: addr<br><br>\r\n"
      "<font color=0000FF>File Name</font>: AddrCond.dll<br><br>\r\n"
      "<font color=0000FF>File Version</font>: 1.2.0.0050</td></tr>\r\n" +
      "<tr bgcolor=#F0F0F0" + kRowStyle + "<td>Install</td>\r\n" +
      "<td><font color=0000FF>Creator ID</font>: 0xff<br><br>\r\n"
      "<font color=0000FF>File Name</font>: Inst.dll<br><br>\r\n"
      "<font color=0000FF>File Version</font>: 0.0.0.0000</td></tr>\r\n" +
      "<tr bgcolor=#F0F0F0" + kRowStyle + "<td>Backup</td>\r\n" +
      "<td><font color=0000FF>Creator ID</font>: 0xffffffff<br><br>\r\n"
      "<font color=0000FF>File Name</font>: <br><br>\r\n"
      "<font color=0000FF>File Version</font>: 0.0.0.0000</td></tr>\r\n" +
      kEnd;
  EXPECT_EQ(page, want);
}

// Titles, creators, libraries and versions come from the registry, conduit
// files and "ovlog.dat": with each text in place of a plain placeholder the
// pages differ only there, and there it is escaped.
TEST(OVPages, OutsideTextsAreEscapedAndNothingElseChanges) {
  const struct {
    const char* raw;
    const char* page;
  } cases[] = {
      {"<script>alert(1)</script>", "&lt;script&gt;alert(1)&lt;/script&gt;"},
      {"Tom & Jerry", "Tom &amp; Jerry"},
      {"say \"hi\"", "say &quot;hi&quot;"},
      {"<b>x", "&lt;b&gt;x"},
  };
  const TdxDateTime now = At(2026, 12, 9, 14, 5, 7);
  auto toLocal = [&](int32_t) { return now; };
  auto pages = [&](const std::string& t) {
    std::vector<OVLogEntry> entries(1);
    OVMakeLogEntry(&entries[0], ("C:\\" + t + ".dll").c_str(), t.c_str(), t.c_str(), 100,
                   OVLOG_INSTALLED);
    const OVReportRow row{t, t, 0x41424344, "C:\\" + t + ".dll", t};
    std::string out;
    OVWriteHistoryPage(out, now, entries, toLocal);
    OVWriteReportPage(out, now, {row}, {row});
    return out;
  };
  const std::string placeholder = pages("@T@");
  ASSERT_EQ(placeholder.find('&'), std::string::npos);
  for (const auto& c : cases) {
    std::string want = placeholder;
    for (size_t at = want.find("@T@"); at != std::string::npos; at = want.find("@T@", at))
      want.replace(at, 3, c.page);
    EXPECT_EQ(pages(c.raw), want) << c.raw;
  }
}
