// The log tool's pages and its month grouping: data in, bytes out.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "logs/LogReader.h"

// "%02d/%04d": month and year of the start time.
std::string HVMonthLabel(const TdxDateTime& st);
// "%02d/%02d/%04d %02d:%02d:%02d": month, day, year, hour, minute, second.
std::string HVTimeLabel(const TdxDateTime& st);

// A run of consecutive operations that share a month label, in list order.
struct HVMonthRun {
  std::string strLabel;
  std::vector<SyncOperation*> ops;
};
std::vector<HVMonthRun> HVGroupMonthRuns(CxListOf<SyncOperation>& ops);

// The statistics table every log page opens, and its header row.
inline constexpr char kLogPageTable[] =
    "<table width=100% border=0 cellpadding=0 cellspacing=1 bgcolor=#C0C0C0 "
    "style=\"font-family:verdana; font-size:10pt\">\r\n";
inline constexpr char kLogPageHeaderRow[] =
    "<tr bgcolor=#F0F0FF height=22 colspan=2 align=center>\r\n";

// Gives the short form of an existing path; false when there is none.
using HVShortPathFn = std::function<bool(const char* pszPath, std::string& strShort)>;

// Whole pages, from the head to "</body>\r\n", appended to out. The user name,
// the month text and the items' names, files and paths are escaped here;
// messages and comments come escaped from the reader, with their joins.
void HVWriteRootPage(std::string& out, const char* pszUser, CxListOf<SyncOperation>& ops);
void HVWriteMonthPage(std::string& out, const char* pszUser, const char* pszMonth,
                      CxListOf<SyncOperation>& ops);
// The same page from the month's operations already picked out, in list order.
void HVWriteMonthPageOf(std::string& out, const char* pszUser, const char* pszMonth,
                        const std::vector<SyncOperation*>& month);
// A backup's destination links to its short path; when the file has none (it
// does not exist) the link is the path as logged, in quotes, and so is a short
// form that cannot stand unquoted.
void HVWriteOperationPage(std::string& out, const char* pszUser, SyncOperation& op,
                          const HVShortPathFn& shortPath);
