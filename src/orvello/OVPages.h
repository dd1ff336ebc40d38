// The conduit tool's two pages, "ovlog.html" (the history) and "condrpt.html"
// (the report): data in, bytes out, times given as values. Both share one set
// of pieces and one time stamp text, written here only. Portable: the program,
// the console tool and the native tests use the same writer. Every text of an
// entry or a row (titles, creators, files, versions) is escaped on the page.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "misc/DateTime.h"
#include "orvello/OVHistory.h"

inline constexpr char kOVHistoryPage[] = "ovlog.html";
inline constexpr char kOVReportPage[] = "condrpt.html";

// "Www Mmm DD hh:mm:ss YYYY" and a line feed: 25 characters. The weekday is
// worked out from the date, whatever wDayOfWeek says.
std::string OVTimeStamp(const TdxDateTime& t);

// Converts a history time (seconds since 1970, UTC) to local calendar time.
using OVLocalTimeFn = std::function<TdxDateTime(int32_t nTime)>;

// The whole "ovlog.html": entries oldest first; kind 0 and kinds this program
// never writes show no row.
void OVWriteHistoryPage(std::string& out, const TdxDateTime& now,
                        const std::vector<OVLogEntry>& entries, const OVLocalTimeFn& toLocal);

// One conduit of the report.
struct OVReportRow {
  std::string strTitle;
  std::string strCreator;  // four characters (application conduits)
  uint32_t dwCreator = 0;  // the number (system conduits)
  std::string strLibrary;
  std::string strVersion;  // "%d.%d.%d.%04d"
};

// The whole "condrpt.html": application rows (white, creator as text) before
// system rows (grey, creator as "0x%x").
void OVWriteReportPage(std::string& out, const TdxDateTime& now,
                       const std::vector<OVReportRow>& application,
                       const std::vector<OVReportRow>& system);

// "%d.%d.%d.%04d".
std::string OVVersionText(int nMajor, int nMinor, int nBuild, int nRevision);
