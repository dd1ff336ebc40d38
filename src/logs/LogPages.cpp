#include "logs/LogPages.h"

#include <cstdio>

#include "misc/HtmlText.h"

namespace {

constexpr char kDataRow[] =
    "<tr bgcolor=#FFFFFF height=22 colspan=2 align=left "
    "style=\"padding-left:12; padding-right:12; padding-top:8; padding-bottom:8\">\r\n";

// Cells of markup: labels of ours, messages and comments (escaped by the reader).
void Cell(std::string& out, const char* s) {
  out += "<td>";
  out += s;
  out += "</td>\r\n";
}

void LastCell(std::string& out, const char* s) {
  out += "<td>";
  out += s;
  out += "</td></tr>\r\n";
}

// Cells of text from outside: names, files and paths as logged.
void TextCell(std::string& out, const char* s) {
  out += "<td>";
  TdxAppendHtml(out, s);
  out += "</td>\r\n";
}

void LastTextCell(std::string& out, const char* s) {
  out += "<td>";
  TdxAppendHtml(out, s);
  out += "</td></tr>\r\n";
}

// A link target that could stand for an address of its own kind
// ("javascript:...") rather than a path: a colon before the first separator,
// other than a drive letter's. Browsers skip leading blanks and drop tabs and
// line ends in an address, so they do not count.
bool NamesAScheme(const char* p) {
  while (*p && static_cast<unsigned char>(*p) <= ' ') ++p;
  size_t n = 0;
  for (; *p; ++p) {
    if (*p == '\t' || *p == '\n' || *p == '\r') continue;
    if (*p == '\\' || *p == '/') return false;
    if (*p == ':') return n != 1;
    ++n;
  }
  return false;
}

// The href of a backup's destination. The short form goes without quotes, as
// long as nothing in it could end the value or begin another attribute (where
// a volume keeps no short names it is the long path, blanks and all); else the
// target is quoted. A target naming an address of its own kind is made a path.
void BackupHref(std::string& out, const char* pszLogged, const std::string* pShort) {
  if (pShort && pShort->empty()) pShort = nullptr;
  const char* target = pShort ? pShort->c_str() : pszLogged;
  const bool bare = pShort && pShort->find_first_of(" \t\n\f\r\"'=<>`") == std::string::npos;
  if (!bare) out += '"';
  if (NamesAScheme(target)) out += "./";
  TdxAppendHtml(out, target);
  if (!bare) out += '"';
}

void Head(std::string& out, const char* pszUser) {
  out += "<html><head><title>Halvern for Palm Desktop</title></head>\r\n\r\n";
  out += "<body style=\"font-family:Verdana; font-size:9pt\">\r\n";
  out += "<font color=#0000FF size=3><b>HotSync Information for ";
  TdxAppendHtml(out, pszUser);
  out += ":</b></font><br><br><br>\r\n";
}

void Tail(std::string& out) { out += "</body>\r\n"; }

}  // namespace

std::string HVMonthLabel(const TdxDateTime& st) {
  char sz[32];
  std::snprintf(sz, sizeof sz, "%02u/%04u", unsigned{st.wMonth}, unsigned{st.wYear});
  return sz;
}

std::string HVTimeLabel(const TdxDateTime& st) {
  char sz[64];
  std::snprintf(sz, sizeof sz, "%02u/%02u/%04u %02u:%02u:%02u", unsigned{st.wMonth},
                unsigned{st.wDay}, unsigned{st.wYear}, unsigned{st.wHour}, unsigned{st.wMinute},
                unsigned{st.wSecond});
  return sz;
}

std::vector<HVMonthRun> HVGroupMonthRuns(CxListOf<SyncOperation>& ops) {
  std::vector<HVMonthRun> runs;
  for (SyncOperation* op = ops.GetFirst(); op; op = ops.GetNext()) {
    std::string label = HVMonthLabel(op->stStart);
    if (runs.empty() || runs.back().strLabel != label) runs.push_back({std::move(label), {}});
    runs.back().ops.push_back(op);
  }
  return runs;
}

void HVWriteRootPage(std::string& out, const char* pszUser, CxListOf<SyncOperation>& ops) {
  Head(out, pszUser);
  if (ops.GetCount() == 0) {
    out += "<b><font color=#FF0000>There is no HotSync information recorded for user ";
    TdxAppendHtml(out, pszUser);
    out += ".</b></font><br><br><br>";
  } else {
    out +=
        "<table width=320 border=0 cellpadding=0 cellspacing=1 bgcolor=#C0C0C0 "
        "style=\"font-family:verdana; font-size:10pt\">\r\n";
    out += kLogPageHeaderRow;
    out += "<td width=160><b>Month/Year</b></td>\r\n";
    out += "<td width=*><b>HotSync Times</b></td></tr>\r\n";
    for (const HVMonthRun& run : HVGroupMonthRuns(ops)) {
      out += kDataRow;
      Cell(out, run.strLabel.c_str());
      LastCell(out, std::to_string(run.ops.size()).c_str());
    }
    out += "</table><br>";
    out += "<li><font color=#000080><b>Total HotSync times : ";
    out += std::to_string(ops.GetCount());
    out += "</b></font><br><br><br>\r\n";
  }
  Tail(out);
}

void HVWriteMonthPage(std::string& out, const char* pszUser, const char* pszMonth,
                      CxListOf<SyncOperation>& ops) {
  // A label names one month and year; compare the numbers rather than format
  // every operation's label, unless the text is no label of ours.
  TdxDateTime want{};
  unsigned m = 0, y = 0;
  char tail = 0;
  const bool numeric = std::sscanf(pszMonth, "%u/%u%c", &m, &y, &tail) == 2 && m <= 0xFFFF &&
                       y <= 0xFFFF &&
                       (want.wMonth = static_cast<uint16_t>(m), want.wYear = static_cast<uint16_t>(y),
                        HVMonthLabel(want) == pszMonth);
  std::vector<SyncOperation*> month;
  for (SyncOperation* op = ops.GetFirst(); op; op = ops.GetNext()) {
    if (numeric ? op->stStart.wMonth == want.wMonth && op->stStart.wYear == want.wYear
                : HVMonthLabel(op->stStart) == pszMonth)
      month.push_back(op);
  }
  HVWriteMonthPageOf(out, pszUser, pszMonth, month);
}

void HVWriteMonthPageOf(std::string& out, const char* pszUser, const char* pszMonth,
                        const std::vector<SyncOperation*>& month) {
  Head(out, pszUser);
  out += "<li><b><font color=#000080>HotSync operations during ";
  TdxAppendHtml(out, pszMonth);
  out += "</font></b><br><br><br>";
  out += kLogPageTable;
  out += kLogPageHeaderRow;
  out += "<td width=160><b>From</b></td>\r\n";
  out += "<td width=160><b>To</b></td>\r\n";
  out += "<td width=120><b>Result</b></td>\r\n";
  out += "<td width=*><b>Comments</b></td></tr>\r\n";
  for (SyncOperation* op : month) {
    out += kDataRow;
    Cell(out, HVTimeLabel(op->stStart).c_str());
    Cell(out, HVTimeLabel(op->stEnd).c_str());
    if (op->nFailures == 0) {
      out += "<td>OK</td>\r\n";
    } else {
      out += "<td>";
      out += std::to_string(op->nFailures);
      out += " synchronzation(s) failed.</td>\r\n";
    }
    LastCell(out, op->Comments());
  }
  out += "</table><br><br>";
  out += "<li><font color=#000080><b>Total HotSync times : ";
  out += std::to_string(month.size());
  out += "</b></font><br><br>\r\n";
  Tail(out);
}

void HVWriteOperationPage(std::string& out, const char* pszUser, SyncOperation& op,
                          const HVShortPathFn& shortPath) {
  Head(out, pszUser);
  out += "<li><b><font color=#000080>HotSync operation from <u>";
  out += HVTimeLabel(op.stStart);
  out += "</u> to <u>";
  out += HVTimeLabel(op.stEnd);
  out += "</u></font></b><br><br><br>";

  CxListOf<SyncItem>& items = op.lItems;
  bool any = false;
  for (SyncItem* it = items.GetFirst(); it; it = items.GetNext()) {
    if (it->nKind != HV_ITEM_INSTALL) continue;
    if (!any) {
      out += "<li><b><font color=#000080>Installed databases or applications:</font></b>";
      out += "<br><br><br>";
      out += "<menu>\r\n";
      any = true;
    }
    out += "<li>";
    TdxAppendHtml(out, it->Text1());
  }
  if (any) out += "</menu>\r\n";

  any = false;
  for (SyncItem* it = items.GetFirst(); it; it = items.GetNext()) {
    if (it->nKind != HV_ITEM_APP) continue;
    if (!any) {
      out += "<li><b><font color=#000080>Synchronized applications:</font></b><br><br><br>";
      out += kLogPageTable;
      out += kLogPageHeaderRow;
      out += "<td width=160><b>Name</b></td>\r\n";
      out += "<td width=160><b>Result</b></td>\r\n";
      out += "<td width=*><b>Additional Messages</b></td></tr>\r\n";
      any = true;
    }
    out += kDataRow;
    TextCell(out, it->Name());
    Cell(out, it->nOk == 1 ? "OK" : "Failed");
    LastCell(out, *it->Messages() ? it->Messages() : "None");
  }
  if (any) out += "</table><br><br><br>\r\n";

  any = false;
  std::string strShort;
  for (SyncItem* it = items.GetFirst(); it; it = items.GetNext()) {
    if (it->nKind != HV_ITEM_BACKUP && it->nKind != HV_ITEM_ARCHIVE) continue;
    if (!any) {
      out += "<li><b><font color=#000080>Backuped databases or applications:</font></b>";
      out += "<br><br><br>";
      out += kLogPageTable;
      out += kLogPageHeaderRow;
      out += "<td width=160><b>From</b></td>\r\n";
      out += "<td width=320><b>To</b></td></tr>\r\n";
      any = true;
    }
    out += kDataRow;
    TextCell(out, it->Text1());
    if (it->nKind == HV_ITEM_BACKUP) {
      out += "<td><a href=";
      strShort.clear();
      const bool bShort = shortPath && shortPath(it->Text2(), strShort);
      BackupHref(out, it->Text2(), bShort ? &strShort : nullptr);
      out += " target=_blank>";
      TdxAppendHtml(out, it->Text2());
      out += "</a></td></tr>\r\n";
    } else {
      LastTextCell(out, it->Text2());
    }
  }
  if (any) out += "</table><br><br><br>\r\n";
  Tail(out);
}
