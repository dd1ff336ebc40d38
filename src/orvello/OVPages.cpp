#include "orvello/OVPages.h"

#include <cstdio>

#include "misc/HtmlText.h"

namespace {

constexpr char kBody[] = "<body style=\"font-family:Verdana; font-size:9pt\">\r\n";
constexpr char kTable[] =
    "<table border=0 cellpadding=0 cellspacing=1 bgcolor=#C0C0C0 "
    "style=\"font-family:verdana; font-size:10pt\">\r\n";
constexpr char kHeaderRow[] = "<tr bgcolor=#F0F0FF height=22 colspan=2 align=center>\r\n";
constexpr char kHeaderCells[] =
    "<td width=240><b>Conduit Name</b></td>\r\n"
    "<td width=*><b>Detail Information</b></td></tr>\r\n";
constexpr char kRowStyle[] =
    " height=18 colspan=2 align=left "
    "style=\"padding-left:12; padding-right:12; padding-top:8; padding-bottom:8\">\r\n";
constexpr char kEnd[] = "</table><br></body>\r\n</html>\r\n";

void WhiteRow(std::string& out) {
  out += "<tr bgcolor=#FFFFFF";
  out += kRowStyle;
}

void GreyRow(std::string& out) {
  out += "<tr bgcolor=#F0F0F0";
  out += kRowStyle;
}

void NameCell(std::string& out, const char* sz) {
  out += "<td>";
  TdxAppendHtml(out, sz);
  out += "</td>\r\n";
}

// Head, heading with the time stamp, and the table up to its header cells.
void Begin(std::string& out, const char* szTitle, const char* szHeading, const TdxDateTime& now) {
  out += "<html><head><title>";
  out += szTitle;
  out += "</title></head>\r\n\r\n";
  out += kBody;
  out += "<font size=3 color=#000080><b>";
  out += szHeading;
  out += "</b> </font><font size=1><i>(";
  out += OVTimeStamp(now);
  out += ")</i></font><br><br>\r\n";
  out += kTable;
  out += kHeaderRow;
  out += kHeaderCells;
}

// 0 = Sunday, for any date of the proleptic Gregorian calendar.
int WeekDay(int y, int m, int d) {
  static const int t[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  if (m < 3) y -= 1;
  const int w = (y + y / 4 - y / 100 + y / 400 + t[m - 1] + d) % 7;
  return w < 0 ? w + 7 : w;
}

const char* KindText(int32_t nKind) {
  switch (nKind) {
    case OVLOG_INSTALLED:
      return "Installed Successfully";
    case OVLOG_UNINSTALLED:
      return "Uninstalled Successfully";
    case OVLOG_RESTORED:
      return "Restored Successfully";
    default:
      return nullptr;
  }
}

void FileLines(std::string& out, const OVReportRow& row) {
  out += "<font color=0000FF>File Name</font>: ";
  TdxAppendHtml(out, row.strLibrary);
  out += "<br><br>\r\n<font color=0000FF>File Version</font>: ";
  TdxAppendHtml(out, row.strVersion);
  out += "</td></tr>\r\n";
}

}  // namespace

std::string OVTimeStamp(const TdxDateTime& t) {
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const int m = t.wMonth >= 1 && t.wMonth <= 12 ? t.wMonth : 1;
  char sz[64];
  std::snprintf(sz, sizeof sz, "%s %s %02u %02u:%02u:%02u %04u\n",
                kDays[WeekDay(t.wYear, m, t.wDay)], kMonths[m - 1], unsigned{t.wDay} % 100,
                unsigned{t.wHour} % 100, unsigned{t.wMinute} % 100, unsigned{t.wSecond} % 100,
                unsigned{t.wYear} % 10000);
  return sz;
}

std::string OVVersionText(int nMajor, int nMinor, int nBuild, int nRevision) {
  char sz[64];
  std::snprintf(sz, sizeof sz, "%d.%d.%d.%04d", nMajor, nMinor, nBuild, nRevision);
  return sz;
}

void OVWriteHistoryPage(std::string& out, const TdxDateTime& now,
                        const std::vector<OVLogEntry>& entries, const OVLocalTimeFn& toLocal) {
  Begin(out, "Orvello Log", "Conduit Install/Uninstall History", now);
  for (const OVLogEntry& e : entries) {
    const char* szKind = KindText(e.nKind);
    if (!szKind) continue;
    WhiteRow(out);
    NameCell(out, e.szName);
    out += "<td><font color=0000FF>File Name</font>: ";
    TdxAppendHtml(out, e.szFileName);
    out += "<br><br>\r\n<font color=0000FF>File Version</font>: ";
    TdxAppendHtml(out, e.szVersion);
    out += "<br><br>\r\n<b><font color=0000FF>";
    out += OVTimeStamp(toLocal(e.nTime));
    out += "</font>: ";
    out += szKind;
    out += "</b></td></tr>\r\n";
  }
  out += kEnd;
}

void OVWriteReportPage(std::string& out, const TdxDateTime& now,
                       const std::vector<OVReportRow>& application,
                       const std::vector<OVReportRow>& system) {
  Begin(out, "Conduit Information Report", "Conduit Information", now);
  for (const OVReportRow& row : application) {
    WhiteRow(out);
    NameCell(out, row.strTitle.c_str());
    out += "<td><font color=0000FF>Creator ID</font>: ";
    TdxAppendHtml(out, row.strCreator);
    out += "<br><br>\r\n";
    FileLines(out, row);
  }
  for (const OVReportRow& row : system) {
    GreyRow(out);
    NameCell(out, row.strTitle.c_str());
    char sz[32];
    std::snprintf(sz, sizeof sz, "0x%x", static_cast<unsigned>(row.dwCreator));
    out += "<td><font color=0000FF>Creator ID</font>: ";
    out += sz;
    out += "<br><br>\r\n";
    FileLines(out, row);
  }
  out += kEnd;
}
