// "tdlog health": a user's conduit health as a table, as JSON or as the page
// the log tab shows. tdlog reads logs only: the registrations are not known.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "TdLog.h"
#include "logs/HealthPage.h"
#include "logs/LogFile.h"
#include "logs/LogHealth.h"

namespace {

const char kHealthUsage[] =
    "usage: tdlog health <palm-desktop-dir> <user-dir> [--json] [--html <file>]\n"
    "                    [--name <user name>]\n"
    "\n"
    "For each conduit the user's HotSync logs name: the last operation it ended well\n"
    "in, the last it failed or warned in (with that line), how many of the latest 30\n"
    "operations it ran and failed in, and how many of the newest it failed in a row;\n"
    "then the durations of whole operations by month. An operation both logs record\n"
    "counts once; one whose log stops before its end counts, without a duration,\n"
    "and a conduit the log stops in the middle of counts as failed there.\n"
    "  --json         prints the same as one JSON object, texts in UTF-8.\n"
    "  --html <file>  also writes the health page to <file>; --name gives the user's\n"
    "                 name on it (the user directory otherwise).\n";

// Control characters would upset a terminal: shown as '?'.
std::string Visible(const std::string& s) {
  std::string r = s;
  for (char& c : r)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  return r;
}

std::string Label(const HVHealth& h, int i) {
  if (i < 0) return "";
  const HVOpHealth& o = h.ops[static_cast<size_t>(i)];
  return o.bStartKnown ? HVTimeLabel(o.stStart) : std::string("(no date)");
}

// Columns as wide as their widest cell, two blanks apart; the last one as it is.
void Table(std::string& out, const std::vector<std::vector<std::string>>& rows) {
  std::vector<size_t> width;
  for (const auto& r : rows)
    for (size_t i = 0; i < r.size(); ++i) {
      if (width.size() <= i) width.push_back(0);
      width[i] = std::max(width[i], r[i].size());
    }
  for (const auto& r : rows) {
    std::string line;
    for (size_t i = 0; i < r.size(); ++i) {
      line += r[i];
      if (i + 1 < r.size()) line += std::string(width[i] - r[i].size() + 2, ' ');
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out += line + "\n";
  }
}

void WriteText(std::string& out, const HVHealth& h) {
  if (h.ops.empty()) {
    out += "No HotSync operations are recorded.\n";
  } else {
    out += "HotSync operations: " + std::to_string(h.ops.size());
    if (h.nCopies) out += "; " + std::to_string(h.nCopies) + " more in both logs, counted once";
    if (h.nUnfinished) out += "; " + std::to_string(h.nUnfinished) + " without an end";
    out += ".\nThe counts look at the latest " + std::to_string(h.RecentCount());
    const HVOpHealth& first = h.ops[h.nRecentFirst];
    if (first.bStartKnown) out += ", from " + HVTimeLabel(first.stStart);
    out += ".\n";
  }
  if (!h.conduits.empty()) {
    const std::string n = std::to_string(h.RecentCount());
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> head = {"CONDUIT"};
    if (h.bRegistrationsKnown) head.push_back("REGISTERED");
    for (const char* s : {"LAST OK", "LAST FAILED OR WARNED", "FAILED/RAN", "IN A ROW", "LINE"})
      head.push_back(s);
    rows.push_back(head);
    for (const HVConduitHealth& c : h.conduits) {
      std::vector<std::string> r = {Visible(c.strName)};
      if (h.bRegistrationsKnown)
        r.push_back(c.registration == HVRegistration::Registered ? "yes" : "no");
      if (!c.Seen()) {
        r.push_back("not in the logs");
        rows.push_back(r);
        continue;
      }
      r.push_back(c.nLastOk < 0 ? "never" : Label(h, c.nLastOk));
      r.push_back(c.nLastBad < 0 ? "-"
                                 : std::string(c.lastBad == HVRun::Failed ? "failed " : "warned ") +
                                       Label(h, c.nLastBad));
      r.push_back(std::to_string(c.nRecentFailed) + "/" + std::to_string(c.nRecentRuns));
      r.push_back(std::to_string(c.nFailedInARow));
      r.push_back(c.strLastBadLine.empty() ? "-" : Visible(c.strLastBadLine));
      rows.push_back(r);
    }
    out += "\n";
    Table(out, rows);
  }
  std::vector<std::vector<std::string>> months = {
      {"MONTH", "OPERATIONS", "BOTH ENDS", "AVERAGE", "LONGEST"}};
  for (const HVMonthTimes& m : h.months) {
    TdxDateTime t{};
    t.wYear = m.wYear;
    t.wMonth = m.wMonth;
    const bool timed = m.nTimed > 0;
    months.push_back(
        {HVMonthLabel(t), std::to_string(m.nOps), std::to_string(m.nTimed),
         timed ? HVDurationText(static_cast<uint32_t>(m.nTotalSeconds / m.nTimed)) : "-",
         timed ? HVDurationText(m.nLongest) : "-"});
  }
  if (months.size() > 1) {
    out += "\nDurations of whole operations:\n";
    Table(out, months);
  }
}

void Field(std::string& out, const char* key, const std::string& value) {
  out += '"';
  out += key;
  out += "\":\"";
  TdAppendJsonText(out, value.c_str());
  out += '"';
}

void OpDate(std::string& out, const char* key, const HVHealth& h, int i) {
  if (i < 0 || !h.ops[static_cast<size_t>(i)].bStartKnown) {
    out += '"' + std::string(key) + "\":null";
  } else {
    TdAppendJsonDate(out, key, h.ops[static_cast<size_t>(i)].stStart);
  }
}

const char* RunKey(HVRun r) {
  switch (r) {
    case HVRun::Failed:
      return "failed";
    case HVRun::Warned:
      return "warned";
    case HVRun::Ok:
      return "ok";
    default:
      return "none";
  }
}

void WriteJson(std::string& out, const HVHealth& h) {
  out += "{\"operations\":" + std::to_string(h.ops.size()) +
         ",\"copies\":" + std::to_string(h.nCopies) +
         ",\"unfinished\":" + std::to_string(h.nUnfinished) +
         ",\"recent\":" + std::to_string(h.RecentCount()) + ",";
  OpDate(out, "recent_from", h, h.ops.empty() ? -1 : static_cast<int>(h.nRecentFirst));
  out += ",\"conduits\":[";
  for (size_t i = 0; i < h.conduits.size(); ++i) {
    const HVConduitHealth& c = h.conduits[i];
    out += i ? ",\n{" : "\n{";
    Field(out, "name", c.strName);
    out += ',';
    Field(out, "log_name", c.strLogName);
    out += ',';
    Field(out, "creator", c.strCreator);
    out += ",\"registered\":";
    out += c.registration == HVRegistration::Unknown      ? "null"
           : c.registration == HVRegistration::Registered ? "true"
                                                          : "false";
    out += ",\"last\":\"" + std::string(RunKey(c.last)) + "\",";
    OpDate(out, "last_ok", h, c.nLastOk);
    out += ',';
    OpDate(out, "last_bad", h, c.nLastBad);
    out += ",\"last_bad_result\":\"" + std::string(RunKey(c.lastBad)) + "\",";
    Field(out, "last_bad_line", c.strLastBadLine);
    out += ",\"recent_runs\":" + std::to_string(c.nRecentRuns) +
           ",\"recent_failed\":" + std::to_string(c.nRecentFailed) +
           ",\"failed_in_a_row\":" + std::to_string(c.nFailedInARow) + "}";
  }
  out += h.conduits.empty() ? "]" : "\n]";
  out += ",\"months\":[";
  for (size_t i = 0; i < h.months.size(); ++i) {
    const HVMonthTimes& m = h.months[i];
    out += i ? ",\n{" : "\n{";
    out += "\"year\":" + std::to_string(m.wYear) + ",\"month\":" + std::to_string(m.wMonth) +
           ",\"operations\":" + std::to_string(m.nOps) + ",\"timed\":" + std::to_string(m.nTimed) +
           ",\"average_seconds\":" +
           (m.nTimed ? std::to_string(m.nTotalSeconds / m.nTimed) : std::string("null")) +
           ",\"longest_seconds\":" + (m.nTimed ? std::to_string(m.nLongest) : std::string("null")) +
           "}";
  }
  out += h.months.empty() ? "]" : "\n]";
  // Every operation's duration over time, where the log gives both ends.
  out += ",\"durations\":[";
  bool first = true;
  for (const HVOpHealth& o : h.ops) {
    if (o.nSeconds < 0) continue;
    out += first ? "\n{" : ",\n{";
    first = false;
    TdAppendJsonDate(out, "start", o.stStart);
    out += ",\"seconds\":" + std::to_string(o.nSeconds) + "}";
  }
  out += first ? "]}\n" : "\n]}\n";
}

}  // namespace

int TdRunHealth(int argc, const char* const* argv, std::string& out, std::string& err) {
  std::vector<std::string> args;
  const char* name = nullptr;
  const char* html = nullptr;
  bool json = false;
  auto usage = [&](const std::string& why) {
    err += "tdlog health: " + why + "\n" + kHealthUsage;
    return TD_EXIT_USAGE;
  };
  for (int i = 2; i < argc; ++i) {
    const char* a = argv[i];
    if (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0) {
      out += kHealthUsage;
      return TD_EXIT_OK;
    }
    if (std::strcmp(a, "--json") == 0) {
      if (json) return usage("--json is given twice");
      json = true;
    } else if (std::strcmp(a, "--name") == 0 || std::strcmp(a, "--html") == 0) {
      const char*& value = a[2] == 'n' ? name : html;
      if (value) return usage(std::string(a) + " is given twice");
      if (i + 1 >= argc) return usage(std::string(a) + " needs a value");
      value = argv[++i];
    } else if (a[0] == '-' && a[1] == '-') {
      return usage(std::string("unknown option ") + a);
    } else {
      args.push_back(a);
    }
  }
  if (args.size() != 2) return usage("expects <palm-desktop-dir> <user-dir>");
  if (name && !html) return usage("--name goes with --html");
  const char* desktop = args[0].c_str();
  const char* userDir = args[1].c_str();
  if (!TdCheckUser(args[0], args[1], err)) return TD_EXIT_FAILED;

  CLogReader reader;
  reader.KeepUnfinished(true);
  reader.LoadUserLogs(desktop, userDir);
  const HVHealth h = HVBuildHealth(reader.Operations(), nullptr);
  if (html) {
    std::string page;
    HVWriteHealthPage(page, name ? name : userDir, h);
    std::FILE* f = std::fopen(html, "wb");
    bool ok = f && std::fwrite(page.data(), 1, page.size(), f) == page.size();
    if (f && std::fclose(f) != 0) ok = false;
    if (!ok) {
      err += std::string("tdlog: cannot write ") + html + "\n";
      return TD_EXIT_FAILED;
    }
  }
  if (json) {
    WriteJson(out, h);
  } else {
    WriteText(out, h);
  }
  return TD_EXIT_OK;
}
