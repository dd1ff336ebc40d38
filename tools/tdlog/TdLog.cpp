#include "TdLog.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>

#include "logs/LogFile.h"

#ifdef _WIN32
#include <direct.h>
#endif

#include "misc/HtmlText.h"
#include "misc/Utf8.h"

namespace {

// Windows-1252 0x80..0x9F; the five unassigned bytes keep their own value.
const uint16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

void TdAppendJsonDate(std::string& out, const char* key, const TdxDateTime& t) {
  char sz[160];
  std::snprintf(sz, sizeof sz,
                "\"%s\":{\"year\":%u,\"month\":%u,\"day\":%u,\"hour\":%u,\"minute\":%u,"
                "\"second\":%u}",
                key, unsigned{t.wYear}, unsigned{t.wMonth}, unsigned{t.wDay}, unsigned{t.wHour},
                unsigned{t.wMinute}, unsigned{t.wSecond});
  out += sz;
}

namespace {

void AppendField(std::string& out, const char* key, const char* value) {
  out += '"';
  out += key;
  out += "\":\"";
  TdAppendJsonText(out, value);
  out += '"';
}

const char kUsage[] =
    "usage: tdlog json <palm-desktop-dir> <user-dir>\n"
    "       tdlog html <palm-desktop-dir> <user-dir> <out-dir> --name <user name>\n"
    "       tdlog health <palm-desktop-dir> <user-dir> [--json] [--html <file>]\n"
    "                    [--name <user name>]\n"
    "\n"
    "Reads the user's HotSync logs (HotSyncLog.htm, then HotSync.Log) from\n"
    "<palm-desktop-dir>\\<user-dir>.\n"
    "  json  prints the HotSync operations as JSON, texts in UTF-8.\n"
    "  html  writes the HotSync history as static pages into <out-dir> (created,\n"
    "        with its parents, if missing): index.html with the month tree,\n"
    "        all.html, month-N.html and op-N.html. Nothing else is written.\n"
    "  health  prints, for each conduit the logs name, the last operation it ended\n"
    "        well in, the last it failed or warned in with that line, and how many\n"
    "        of the latest 30 operations it failed in; then the durations of whole\n"
    "        operations by month. --json prints the same as JSON; --html writes the\n"
    "        health page to <file> (--name: the user's name on it).\n"
    "\n"
    "Exit status: 0 done, 1 a directory or file could not be read or written,\n"
    "2 wrong arguments.\n";

char Separator() {
#ifdef _WIN32
  return '\\';
#else
  return '/';
#endif
}

bool MakeDir(const std::string& path) {
#ifdef _WIN32
  return _mkdir(path.c_str()) == 0 || (errno == EEXIST && HVDirExists(path.c_str()));
#else
  return mkdir(path.c_str(), 0777) == 0 || (errno == EEXIST && HVDirExists(path.c_str()));
#endif
}

// The directory and every missing parent, as static-site tools do.
bool MakeDirs(const std::string& path) {
  if (path.empty() || HVDirExists(path.c_str())) return !path.empty();
  const size_t sep = path.find_last_of("\\/");
  // A drive ("C:") or the root is there or not: it is never made.
  if (sep != std::string::npos && sep > 0 && !(sep == 2 && path[1] == ':')) {
    const std::string parent = path.substr(0, sep);
    if (!(parent.size() == 2 && parent[1] == ':') && !MakeDirs(parent)) return false;
  }
  return MakeDir(path);
}

}  // namespace

bool TdCheckUser(const std::string& strDesktop, const std::string& strUserDir, std::string& err) {
  if (!HVDirExists(strDesktop.c_str())) {
    err += "tdlog: the Palm Desktop directory " + strDesktop + " does not exist\n";
    return false;
  }
  const std::string userPath = strDesktop + "\\" + strUserDir;
  if (!HVDirExists(userPath.c_str())) {
    err += "tdlog: the user directory " + userPath + " does not exist\n";
    return false;
  }
  for (const char* fmt : {HV_HTML_LOG_FORMAT, HV_PLAIN_LOG_FORMAT}) {
    char szPath[HV_PATH_SIZE];
    if (!HVFormLogPath(szPath, fmt, strDesktop.c_str(), strUserDir.c_str())) {
      err += "tdlog: the path of the user's log files is too long\n";
      return false;
    }
    if (!HVFileExists(szPath)) continue;
    std::FILE* f = HVOpenForReading(szPath);
    if (!f) {
      err += std::string("tdlog: cannot read ") + szPath + ": " + std::strerror(errno) + "\n";
      return false;
    }
    std::fclose(f);
  }
  return true;
}

void TdAppendJsonText(std::string& out, const char* s) {
  for (; *s; ++s) {
    const unsigned char c = static_cast<unsigned char>(*s);
    unsigned cp = c;
    if (c >= 0x80 && c <= 0x9F) cp = kCp1252High[c - 0x80];
    switch (cp) {
      case '"': out += "\\\""; continue;
      case '\\': out += "\\\\"; continue;
      case '\b': out += "\\b"; continue;
      case '\f': out += "\\f"; continue;
      case '\n': out += "\\n"; continue;
      case '\r': out += "\\r"; continue;
      case '\t': out += "\\t"; continue;
      default: break;
    }
    if (cp < 0x20 || (cp >= 0x7F && cp <= 0x9F)) {
      char sz[8];
      std::snprintf(sz, sizeof sz, "\\u%04x", cp);
      out += sz;
    } else {
      TdxAppendUtf8(out, cp);
    }
  }
}

void TdWriteJson(std::string& out, CxListOf<SyncOperation>& ops) {
  out += "{\"operations\":[";
  bool firstOp = true;
  for (SyncOperation* op = ops.GetFirst(); op; op = ops.GetNext()) {
    out += firstOp ? "\n{" : ",\n{";
    firstOp = false;
    TdAppendJsonDate(out, "start", op->stStart);
    out += ',';
    TdAppendJsonDate(out, "end", op->stEnd);
    out += ",\"failures\":" + std::to_string(op->nFailures) + ",";
    AppendField(out, "comments", op->Comments());
    out += ",\"items\":[";
    bool firstItem = true;
    for (SyncItem* it = op->lItems.GetFirst(); it; it = op->lItems.GetNext()) {
      out += firstItem ? "{" : ",{";
      firstItem = false;
      out += "\"kind\":" + std::to_string(it->nKind) + ",";
      AppendField(out, "name", it->Name());
      out += ",\"ok\":" + std::to_string(it->nOk) + ",";
      AppendField(out, "text1", it->Text1());
      out += ',';
      AppendField(out, "text2", it->Text2());
      out += ',';
      AppendField(out, "messages", it->Messages());
      out += '}';
    }
    out += "]}";
  }
  out += firstOp ? "]}\n" : "\n]}\n";
}

bool TdWriteSite(const char* pszUser, CxListOf<SyncOperation>& ops, const HVShortPathFn& shortPath,
                 const TdEmitFn& emit) {
  const std::vector<HVMonthRun> runs = HVGroupMonthRuns(ops);
  const std::string user = TdxHtml(pszUser ? pszUser : "");
  std::string index =
      "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
      "charset=windows-1252\">\r\n<title>HotSync history of " +
      user +
      "</title></head>\r\n"
      "<body style=\"font-family:Verdana; font-size:9pt; margin:8px\">\r\n"
      "<table width=100% border=0 cellpadding=4 cellspacing=0><tr>\r\n"
      "<td width=240 valign=top nowrap style=\"border-right:1px solid #C0C0C0\">\r\n"
      "<a href=\"all.html\" target=page><b>All HotSync Log</b></a>\r\n<ul>\r\n";
  size_t nOp = 0;
  for (size_t m = 0; m < runs.size(); ++m) {
    const std::string month = "month-" + std::to_string(m + 1) + ".html";
    index += "<li><a href=\"" + month + "\" target=page>" + runs[m].strLabel + "</a>\r\n<ul>\r\n";
    for (SyncOperation* op : runs[m].ops) {
      index += "<li><a href=\"op-" + std::to_string(++nOp) + ".html\" target=page>" +
               HVTimeLabel(op->stStart) + "</a>\r\n";
    }
    index += "</ul>\r\n";
  }
  index +=
      "</ul>\r\n</td>\r\n<td valign=top><iframe name=page src=\"all.html\" width=100% "
      "height=640 frameborder=0></iframe></td>\r\n</tr></table>\r\n</body></html>\r\n";
  if (!emit("index.html", index)) return false;

  std::string page;
  HVWriteRootPage(page, pszUser, ops);
  if (!emit("all.html", page)) return false;
  // Every run of a month shows all of that month's operations.
  std::map<std::string, std::vector<SyncOperation*>> byMonth;
  for (const HVMonthRun& run : runs) {
    std::vector<SyncOperation*>& v = byMonth[run.strLabel];
    v.insert(v.end(), run.ops.begin(), run.ops.end());
  }
  for (size_t m = 0; m < runs.size(); ++m) {
    page.clear();
    HVWriteMonthPageOf(page, pszUser, runs[m].strLabel.c_str(), byMonth[runs[m].strLabel]);
    if (!emit("month-" + std::to_string(m + 1) + ".html", page)) return false;
  }
  nOp = 0;
  for (const HVMonthRun& run : runs) {
    for (SyncOperation* op : run.ops) {
      page.clear();
      HVWriteOperationPage(page, pszUser, *op, shortPath);
      if (!emit("op-" + std::to_string(++nOp) + ".html", page)) return false;
    }
  }
  return true;
}

int TdRun(int argc, const char* const* argv, std::string& out, std::string& err,
          const HVShortPathFn& shortPath) {
  if (argc > 1 && std::strcmp(argv[1], "health") == 0) return TdRunHealth(argc, argv, out, err);
  std::vector<std::string> args;
  const char* name = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      out += kUsage;
      return TD_EXIT_OK;
    }
    if (std::strcmp(argv[i], "--name") == 0) {
      if (i + 1 >= argc || name) {
        err += name ? "tdlog: --name is given twice\n" : "tdlog: --name needs a user name\n";
        err += kUsage;
        return TD_EXIT_USAGE;
      }
      name = argv[++i];
      continue;
    }
    args.push_back(argv[i]);
  }
  const bool json = !args.empty() && args[0] == "json";
  const bool html = !args.empty() && args[0] == "html";
  if (!json && !html) {
    err += args.empty() ? "tdlog: no command given\n" : "tdlog: unknown command \"" + args[0] + "\"\n";
    err += kUsage;
    return TD_EXIT_USAGE;
  }
  if (args.size() != (json ? 3u : 4u) || (json && name) || (html && !name)) {
    err += json ? "tdlog json: expects <palm-desktop-dir> <user-dir>\n"
                : "tdlog html: expects <palm-desktop-dir> <user-dir> <out-dir> --name <user name>\n";
    err += kUsage;
    return TD_EXIT_USAGE;
  }
  const char* desktop = args[1].c_str();
  const char* userDir = args[2].c_str();
  if (!TdCheckUser(args[1], args[2], err)) return TD_EXIT_FAILED;

  CLogReader reader;
  reader.LoadUserLogs(desktop, userDir);
  if (json) {
    TdWriteJson(out, reader.Operations());
    return TD_EXIT_OK;
  }

  std::string outDir = args[3];
  while (outDir.size() > 1 && (outDir.back() == '/' || outDir.back() == '\\')) outDir.pop_back();
  if (!MakeDirs(outDir)) {
    err += "tdlog: cannot create the directory " + outDir + ": " + std::strerror(errno) + "\n";
    return TD_EXIT_FAILED;
  }
  const TdEmitFn emit = [&](const std::string& file, const std::string& bytes) {
    const std::string path = outDir + Separator() + file;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    bool ok = f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (f && std::fclose(f) != 0) ok = false;
    if (!ok) err += "tdlog: cannot write " + path + "\n";
    return ok;
  };
  if (!TdWriteSite(name, reader.Operations(), shortPath, emit)) return TD_EXIT_FAILED;
  return TD_EXIT_OK;
}
