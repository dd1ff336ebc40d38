// Arbitrary bytes as a HotSync log file, plain and HTML: the reader and the
// page writers must keep every text within its field and never read or write
// out of bounds, and messages and comments must be page text.
#include <cstdlib>
#include <cstring>
#include <string>

#include "logs/LogPages.h"
#include "logs/LogReader.h"

static void Check(bool b) {
  if (!b) std::abort();
}

static std::string Dump(CLogReader& r) {
  std::string s;
  for (SyncOperation* op = r.GetFirst(); op; op = r.GetNext()) {
    s += HVTimeLabel(op->stStart) + HVTimeLabel(op->stEnd) + std::to_string(op->nFailures) + "[" +
         op->Comments() + "]\n";
    for (SyncItem* it = op->lItems.GetFirst(); it; it = op->lItems.GetNext())
      s += std::to_string(it->nKind) + std::to_string(it->nOk) + "[" + it->Name() + "][" +
           it->Text1() + "][" + it->Text2() + "][" + it->Messages() + "]\n";
  }
  return s;
}

// Escaped text and whole joins; only the last join may be cut short.
static bool IsPageText(const std::string& s, const char* join) {
  static const char* const kEscapes[] = {"&amp;", "&lt;", "&gt;", "&quot;"};
  const size_t nJoin = std::strlen(join);
  for (size_t i = 0; i < s.size();) {
    if (s[i] == '<') {
      const size_t m = nJoin < s.size() - i ? nJoin : s.size() - i;
      if (s.compare(i, m, join, m) != 0) return false;
      i += m;
    } else if (s[i] == '&') {
      size_t m = 0;
      for (const char* e : kEscapes)
        if (s.compare(i, std::strlen(e), e) == 0) m = std::strlen(e);
      if (m == 0) return false;
      i += m;
    } else if (s[i] == '>' || s[i] == '"') {
      return false;
    } else {
      ++i;
    }
  }
  return true;
}

static void Run(const uint8_t* data, size_t size, bool bHtml) {
  CLogReader r;
  // The same bytes twice: the second file's operations follow the first's.
  r.ReadBuffer(data, size, bHtml);
  const uint32_t once = r.GetCount();
  r.ReadBuffer(data, size, bHtml);
  Check(r.GetCount() == 2 * once);

  std::string page;
  HVWriteRootPage(page, "fuzz", r.Operations());
  for (const HVMonthRun& run : HVGroupMonthRuns(r.Operations())) {
    page.clear();
    HVWriteMonthPage(page, "fuzz", run.strLabel.c_str(), r.Operations());
  }
  const HVShortPathFn none = [](const char*, std::string&) { return false; };
  for (SyncOperation* op = r.GetFirst(); op; op = r.GetNext()) {
    Check(std::strlen(op->Comments()) <= HV_COMMENTS_MAX);
    Check(IsPageText(op->Comments(), "<br><br>"));
    Check(op->nFailures >= 0);
    int failed = 0;
    for (SyncItem* it = op->lItems.GetFirst(); it; it = op->lItems.GetNext()) {
      Check(it->nKind >= HV_ITEM_APP && it->nKind <= HV_ITEM_ARCHIVE);
      Check(it->nOk == 1 || (it->nKind == HV_ITEM_APP && it->nOk == 0));
      failed += it->nOk == 0;
      Check(std::strlen(it->Name()) <= HV_NAME_MAX);
      Check(std::strlen(it->Text1()) <= HV_TEXT_MAX);
      Check(std::strlen(it->Text2()) <= HV_TEXT_MAX);
      Check(std::strlen(it->Messages()) <= HV_MESSAGES_MAX);
      Check(IsPageText(it->Messages(), "<br><br>\r\n"));
      Check(std::strlen(it->Note()) <= HV_TEXT_MAX);
    }
    Check(failed <= op->nFailures);
    page.clear();
    HVWriteOperationPage(page, "fuzz", *op, none);
  }

  // The same bytes cut into lines the plain way (CR dropped, Ctrl-Z ends, at
  // most HV_LINE_MAX characters a line) and handed to ParseLine one by one
  // must give the same operations as the reader's own reading.
  CLogReader lines;
  lines.BeginFile(bHtml);
  std::string line;
  for (size_t i = 0; i < size; ++i) {
    const char c = static_cast<char>(data[i]);
    if (c == '\r') continue;
    if (c == 26) break;
    line += c;
    if (c == '\n' || line.size() == HV_LINE_MAX) {
      lines.ParseLine(line.c_str());
      line.clear();
    }
  }
  if (!line.empty()) lines.ParseLine(line.c_str());
  lines.EndFile();
  CLogReader single;
  single.ReadBuffer(data, size, bHtml);
  Check(Dump(lines) == Dump(single));
  lines.Clear();
  Check(lines.GetCount() == 0 && lines.GetStoreReserved() == 0);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Run(data, size, false);
  Run(data, size, true);
  return 0;
}
