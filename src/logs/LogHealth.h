// Conduit health from a user's HotSync operations: for every conduit the logs
// name, how its runs went (the last good one, the last failure or warning with
// its line, failures among the latest operations), which of them are still
// registered and which registered conduits the logs never name; and how long
// whole operations took, month by month. Data in, values out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "logs/LogReader.h"

// The latest operations the counts look at.
inline constexpr size_t kHVHealthRecent = 30;

// A registered application conduit, as the conduit manager holds it.
struct HVRegistered {
  std::string strCreator;
  std::string strTitle;  // the title shown for it
  std::string strAlias;  // another name it goes by (its registered title or its own); may be empty
};

enum class HVRun : uint8_t { None, Ok, Warned, Failed };

struct HVOpHealth {
  TdxDateTime stStart{};
  TdxDateTime stEnd{};
  bool bStartKnown = false;  // the log gave a whole, valid date
  bool bEndKnown = false;
  bool bUnfinished = false;  // the log stops before its completion line
  int32_t nSeconds = -1;     // from start to end, when both are known and in order
  int32_t nFailures = 0;
};

enum class HVRegistration : uint8_t { Unknown, Registered, NotRegistered };

struct HVConduitHealth {
  std::string strName;     // the registered title when it was matched, else the name as logged
  std::string strLogName;  // the name the logs last gave it; empty when they never name it
  std::string strCreator;  // of the matched registration
  HVRegistration registration = HVRegistration::Unknown;
  int nRegistered = -1;  // index of the matched registration in those given
  int nLastOk = -1;   // index into HVHealth::ops of the last operation it ended well in
  int nLastBad = -1;  // ... the last it failed or warned in
  HVRun lastBad = HVRun::None;
  std::string strLastBadLine;  // that run's failure line, or its first message line
  HVRun last = HVRun::None;    // how its latest run went
  uint32_t nRecentRuns = 0;    // of the latest kHVHealthRecent operations, those it ran in
  uint32_t nRecentFailed = 0;  // ... and those it failed in
  // The newest operations, one after the other, it failed in. An operation
  // without an end that does not name it neither counts nor breaks the run.
  uint32_t nFailedInARow = 0;

  bool Seen() const { return !strLogName.empty(); }
};

// Whole operations of one month (by their start) and how long they took.
struct HVMonthTimes {
  uint16_t wYear = 0, wMonth = 0;
  uint32_t nOps = 0;
  uint32_t nTimed = 0;  // both ends known
  uint64_t nTotalSeconds = 0;
  uint32_t nLongest = 0;
};

struct HVHealth {
  std::vector<HVOpHealth> ops;  // oldest first; an operation without a known start counts as oldest
  size_t nCopies = 0;           // operations both logs record, counted once
  size_t nUnfinished = 0;
  size_t nRecentFirst = 0;  // index of the first of the latest kHVHealthRecent operations
  bool bRegistrationsKnown = false;
  // The conduits the logs name, by name; then the registered ones they never
  // name, in registration order.
  std::vector<HVConduitHealth> conduits;
  std::vector<HVMonthTimes> months;  // oldest first, operations with a known start

  size_t RecentCount() const { return ops.size() - nRecentFirst; }
  size_t CompletedCount() const { return ops.size() - nUnfinished; }
};

// pRegistered null: the registrations are not known (every conduit's is
// Unknown and none is listed as never named).
HVHealth HVBuildHealth(CxListOf<SyncOperation>& ops, const std::vector<HVRegistered>* pRegistered);

// The registration a logged name stands for, or -1: the same title or alias
// ignoring case and runs of blanks; a name the reader cut to its field also
// matches a longer title it begins.
int HVMatchRegistered(const char* pszLogName, const std::vector<HVRegistered>& registered);

// The date is whole and valid (a month 1 to 12, a day 1 to 31, a time of day).
bool HVDateKnown(const TdxDateTime& st);
// "h:mm:ss".
std::string HVDurationText(uint32_t nSeconds);

// Why bytes of a HotSync log file cannot be read as a log (zero bytes where
// text belongs, binary data), or "" when they can.
std::string HVLogDamage(const void* pData, size_t nSize);
