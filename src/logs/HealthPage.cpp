#include "logs/HealthPage.h"

#include <algorithm>

#include "logs/LogPages.h"
#include "misc/HtmlText.h"

namespace {

constexpr char kCellStyle[] =
    " height=22 colspan=2 align=left "
    "style=\"padding-left:12; padding-right:12; padding-top:8; padding-bottom:8\">\r\n";

void Row(std::string& out, const char* szColour) {
  out += "<tr bgcolor=";
  out += szColour;
  out += kCellStyle;
}

// A cell of our own text: nothing from outside, nothing to escape.
void Cell(std::string& out, const std::string& s) { out += "<td>" + s + "</td>\r\n"; }

void Heading(std::string& out, const std::string& s) {
  out += "<li><b><font color=#000080>" + s + "</font></b><br><br><br>";
}

std::string OpLabel(const HVHealth& h, int i) {
  if (i < 0) return "";
  const HVOpHealth& o = h.ops[static_cast<size_t>(i)];
  return o.bStartKnown ? HVTimeLabel(o.stStart) : std::string("(no date)");
}

std::string Plural(size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

void Conduits(std::string& out, const HVHealth& h) {
  const std::string recent = std::to_string(h.RecentCount());
  Heading(out, "Conduits:");
  out += kLogPageTable;
  out += kLogPageHeaderRow;
  out += "<td width=160><b>Conduit</b></td>\r\n";
  if (h.bRegistrationsKnown) out += "<td width=80><b>Registered</b></td>\r\n";
  out += "<td width=140><b>Last ended well</b></td>\r\n";
  out += "<td width=160><b>Last failed or warned</b></td>\r\n";
  out += "<td width=100><b>Failed in the latest " + recent + "</b></td>\r\n";
  out += "<td width=*><b>Line</b></td></tr>\r\n";
  for (const HVConduitHealth& c : h.conduits) {
    Row(out, c.last == HVRun::Failed ? "#FFE8E8" : "#FFFFFF");
    out += "<td><b>";
    TdxAppendHtml(out, c.strName);
    out += "</b>";
    if (!c.strCreator.empty()) {
      out += " (";
      TdxAppendHtml(out, c.strCreator);
      out += ")";
    }
    if (c.Seen() && c.strLogName != c.strName) {
      out += "<br><font color=#808080>in the logs: ";
      TdxAppendHtml(out, c.strLogName);
      out += "</font>";
    }
    out += "</td>\r\n";
    if (h.bRegistrationsKnown)
      Cell(out,
           c.registration == HVRegistration::Registered ? "Yes" : "<font color=#FF0000>No</font>");
    if (!c.Seen()) {
      out += "<td colspan=4><font color=#808080>Not in the logs";
      if (!h.ops.empty()) out += ": it has not synchronized in any recorded operation";
      out += ".</font></td></tr>\r\n";
      continue;
    }
    Cell(out, c.nLastOk < 0 ? std::string("Never") : OpLabel(h, c.nLastOk));
    if (c.nLastBad < 0) {
      Cell(out, "None");
    } else {
      Cell(out, std::string(c.lastBad == HVRun::Failed ? "<font color=#FF0000>Failed</font>"
                                                       : "<font color=#C06000>Warned</font>") +
                    " " + OpLabel(h, c.nLastBad));
    }
    std::string failed = std::to_string(c.nRecentFailed) + " of " + std::to_string(c.nRecentRuns);
    if (c.nFailedInARow >= 2)
      failed += "<br>the newest " + std::to_string(c.nFailedInARow) + " in a row";
    Cell(out, failed);
    if (c.strLastBadLine.empty()) {
      out += "<td>-</td></tr>\r\n";
    } else {
      out += "<td>";
      TdxAppendHtml(out, c.strLastBadLine);
      out += "</td></tr>\r\n";
    }
  }
  out += "</table><br><br><br>\r\n";
}

void Durations(std::string& out, const HVHealth& h) {
  uint32_t nMaxAverage = 0;
  bool any = false;
  for (const HVMonthTimes& m : h.months)
    if (m.nTimed) {
      any = true;
      nMaxAverage = std::max(nMaxAverage, static_cast<uint32_t>(m.nTotalSeconds / m.nTimed));
    }
  if (!any) return;
  Heading(out, "Durations of whole HotSync operations:");
  out += kLogPageTable;
  out += kLogPageHeaderRow;
  out += "<td width=100><b>Month/Year</b></td>\r\n";
  out += "<td width=100><b>Operations</b></td>\r\n";
  out += "<td width=100><b>With both ends</b></td>\r\n";
  out += "<td width=100><b>Average</b></td>\r\n";
  out += "<td width=100><b>Longest</b></td>\r\n";
  out += "<td width=*><b>Average over time</b></td></tr>\r\n";
  for (const HVMonthTimes& m : h.months) {
    TdxDateTime t{};
    t.wYear = m.wYear;
    t.wMonth = m.wMonth;
    Row(out, "#FFFFFF");
    Cell(out, HVMonthLabel(t));
    Cell(out, std::to_string(m.nOps));
    Cell(out, std::to_string(m.nTimed));
    if (m.nTimed == 0) {
      out += "<td>-</td>\r\n<td>-</td>\r\n<td></td></tr>\r\n";
      continue;
    }
    const uint32_t avg = static_cast<uint32_t>(m.nTotalSeconds / m.nTimed);
    Cell(out, HVDurationText(avg));
    Cell(out, HVDurationText(m.nLongest));
    const uint32_t px = nMaxAverage ? 1 + avg * 239 / nMaxAverage : 1;
    out += "<td><table width=" + std::to_string(px) +
           " border=0 cellpadding=0 cellspacing=0 bgcolor=#8080C0 height=10><tr><td></td></tr>"
           "</table></td></tr>\r\n";
  }
  out += "</table><br><br><br>\r\n";
}

}  // namespace

const char* HVRunText(HVRun run) {
  switch (run) {
    case HVRun::Failed:
      return "Failed";
    case HVRun::Warned:
      return "Warned";
    case HVRun::Ok:
      return "OK";
    default:
      return "";
  }
}

void HVWriteHealthPage(std::string& out, const char* pszUser, const HVHealth& h) {
  out += "<html><head><title>Halvern for Palm Desktop</title></head>\r\n\r\n";
  out += "<body style=\"font-family:Verdana; font-size:9pt\">\r\n";
  out += "<font color=#0000FF size=3><b>Conduit Health for ";
  TdxAppendHtml(out, pszUser);
  out += ":</b></font><br><br><br>\r\n";
  if (h.ops.empty()) {
    out += "<b><font color=#FF0000>There is no HotSync information recorded for user ";
    TdxAppendHtml(out, pszUser);
    out += ".</b></font><br><br><br>\r\n";
  } else {
    const HVOpHealth& first = h.ops[h.nRecentFirst];
    out += "<li><font color=#000080><b>HotSync operations : " + std::to_string(h.ops.size()) +
           "</b></font>";
    if (h.nCopies)
      out += "; " + Plural(h.nCopies, "more was", "more were") +
             " recorded in both logs and counted once";
    if (h.nUnfinished)
      out += "; " + Plural(h.nUnfinished, "of them has", "of them have") + " no end in the log";
    out += ".<br><br>\r\n<li>The counts below look at the latest " +
           Plural(h.RecentCount(), "operation", "operations");
    if (first.bStartKnown) out += ", from " + HVTimeLabel(first.stStart);
    out += ".<br><br><br>\r\n";
  }
  if (!h.conduits.empty()) Conduits(out, h);
  Durations(out, h);
  out += "</body>\r\n";
}
