#include "logs/LogHealth.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <unordered_map>

namespace {

// A HotSync that takes longer than this is a date the log got wrong.
constexpr int64_t kLongestBelievable = 24 * 60 * 60;

// Lower case, blanks at either end dropped, runs of blanks as one.
std::string NameKey(const char* s) {
  std::string k;
  bool blank = false;
  for (; *s; ++s) {
    char c = *s;
    if (c == ' ' || c == '\t') {
      blank = !k.empty();
      continue;
    }
    if (blank) k += ' ';
    blank = false;
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    k += c;
  }
  return k;
}

int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

int64_t SecondsOf(const TdxDateTime& t) {
  return DaysFromCivil(t.wYear, t.wMonth, t.wDay) * 86400 + t.wHour * 3600 + t.wMinute * 60 +
         t.wSecond;
}

// Orders known starts; an unknown one is 0, the oldest.
uint64_t StartKey(const TdxDateTime& t) {
  if (!HVDateKnown(t)) return 0;
  return (((((uint64_t{t.wYear} * 13 + t.wMonth) * 32 + t.wDay) * 24 + t.wHour) * 60 + t.wMinute) *
          60) +
         t.wSecond + 1;
}

bool SameTime(const TdxDateTime& a, const TdxDateTime& b) {
  return a.wYear == b.wYear && a.wMonth == b.wMonth && a.wDay == b.wDay && a.wHour == b.wHour &&
         a.wMinute == b.wMinute && a.wSecond == b.wSecond;
}

// The same operation in both logs: the same start, end and results.
bool IsCopy(SyncOperation& a, SyncOperation& b) {
  return !a.bUnfinished && !b.bUnfinished && SameTime(a.stStart, b.stStart) &&
         SameTime(a.stEnd, b.stEnd) && a.nFailures == b.nFailures &&
         a.lItems.GetCount() == b.lItems.GetCount();
}

HVRun RunOf(const SyncItem& it) {
  if (it.nOk == 0) return HVRun::Failed;
  return *it.Messages() || *it.Note() ? HVRun::Warned : HVRun::Ok;
}

struct Ran {
  int nConduit;
  HVRun run;
  const char* pszNote;
  bool bCut;  // its log stopped while it ran
};

}  // namespace

bool HVDateKnown(const TdxDateTime& t) {
  return t.wYear >= 1 && t.wYear <= 9999 && t.wMonth >= 1 && t.wMonth <= 12 && t.wDay >= 1 &&
         t.wDay <= 31 && t.wHour <= 23 && t.wMinute <= 59 && t.wSecond <= 59;
}

std::string HVDurationText(uint32_t n) {
  char sz[32];
  std::snprintf(sz, sizeof sz, "%u:%02u:%02u", n / 3600, n / 60 % 60, n % 60);
  return sz;
}

int HVMatchRegistered(const char* pszLogName, const std::vector<HVRegistered>& reg) {
  const std::string key = NameKey(pszLogName ? pszLogName : "");
  if (key.empty()) return -1;
  for (size_t i = 0; i < reg.size(); ++i)
    if (NameKey(reg[i].strTitle.c_str()) == key ||
        (!reg[i].strAlias.empty() && NameKey(reg[i].strAlias.c_str()) == key))
      return static_cast<int>(i);
  // The reader keeps HV_NAME_MAX characters of a name: a longer title begins so.
  if (std::strlen(pszLogName) < HV_NAME_MAX) return -1;
  for (size_t i = 0; i < reg.size(); ++i)
    for (const std::string* s : {&reg[i].strTitle, &reg[i].strAlias})
      if (NameKey(s->c_str()).compare(0, key.size(), key) == 0) return static_cast<int>(i);
  return -1;
}

HVHealth HVBuildHealth(CxListOf<SyncOperation>& list, const std::vector<HVRegistered>* pReg) {
  HVHealth h;
  h.bRegistrationsKnown = pReg != nullptr;

  struct Entry {
    SyncOperation* op;
    uint64_t key;
  };
  std::vector<Entry> sorted;
  sorted.reserve(list.GetCount());
  for (SyncOperation* op = list.GetFirst(); op; op = list.GetNext())
    sorted.push_back({op, StartKey(op->stStart)});
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const Entry& a, const Entry& b) { return a.key < b.key; });

  std::vector<SyncOperation*> ops;
  ops.reserve(sorted.size());
  for (const Entry& e : sorted) {
    // Copies sit side by side once sorted: compare with the kept ones of that start.
    bool copy = false;
    for (size_t j = ops.size(); e.key != 0 && j-- > 0 && StartKey(ops[j]->stStart) == e.key;)
      if (IsCopy(*ops[j], *e.op)) copy = true;
    if (copy) {
      ++h.nCopies;
      continue;
    }
    ops.push_back(e.op);
  }
  h.nRecentFirst = ops.size() > kHVHealthRecent ? ops.size() - kHVHealthRecent : 0;

  // Conduits by registration (every name it goes by is one row) or by name.
  std::unordered_map<std::string, int> byKey;
  std::unordered_map<const char*, int> byText;  // the reader keeps each name once
  std::vector<std::vector<Ran>> ran(ops.size());
  h.ops.reserve(ops.size());
  for (size_t i = 0; i < ops.size(); ++i) {
    SyncOperation& op = *ops[i];
    HVOpHealth o;
    o.stStart = op.stStart;
    o.stEnd = op.stEnd;
    o.bStartKnown = HVDateKnown(op.stStart);
    o.bEndKnown = !op.bUnfinished && HVDateKnown(op.stEnd);
    o.bUnfinished = op.bUnfinished;
    o.nFailures = op.nFailures;
    if (o.bStartKnown && o.bEndKnown) {
      const int64_t d = SecondsOf(op.stEnd) - SecondsOf(op.stStart);
      if (d >= 0 && d <= kLongestBelievable) o.nSeconds = static_cast<int32_t>(d);
    }
    h.nUnfinished += op.bUnfinished;
    h.ops.push_back(o);

    for (SyncItem* it = op.lItems.GetFirst(); it; it = op.lItems.GetNext()) {
      if (it->nKind != HV_ITEM_APP || !*it->Name()) continue;
      int c;
      auto t = byText.find(it->Name());
      if (t != byText.end()) {
        c = t->second;
      } else {
        const int r = pReg ? HVMatchRegistered(it->Name(), *pReg) : -1;
        std::string key = r >= 0 ? "\x01" + std::to_string(r) : NameKey(it->Name());
        if (key.empty()) continue;  // blanks only
        auto k = byKey.find(key);
        if (k == byKey.end()) {
          k = byKey.emplace(std::move(key), static_cast<int>(h.conduits.size())).first;
          HVConduitHealth ch;
          ch.nRegistered = r;
          if (r >= 0) {
            ch.strName = (*pReg)[r].strTitle;
            ch.strCreator = (*pReg)[r].strCreator;
          }
          ch.registration = !pReg    ? HVRegistration::Unknown
                            : r >= 0 ? HVRegistration::Registered
                                     : HVRegistration::NotRegistered;
          h.conduits.push_back(std::move(ch));
        }
        c = k->second;
        byText.emplace(it->Name(), c);
      }
      // A conduit named twice in one operation: the worse run counts.
      // The log stopping while a conduit runs is what a HotSync it broke leaves.
      const bool cut = op.bUnfinished && it == op.pCutItem;
      const HVRun run = cut ? HVRun::Failed : RunOf(*it);
      auto same =
          std::find_if(ran[i].begin(), ran[i].end(), [c](const Ran& x) { return x.nConduit == c; });
      if (same == ran[i].end()) {
        ran[i].push_back({c, run, it->Note(), cut});
      } else if (run > same->run) {
        *same = {c, run, it->Note(), cut};
      }
      h.conduits[c].strLogName = it->Name();
    }

    for (const Ran& x : ran[i]) {
      HVConduitHealth& ch = h.conduits[x.nConduit];
      ch.last = x.run;
      if (x.run == HVRun::Ok) {
        ch.nLastOk = static_cast<int>(i);
      } else {
        ch.nLastBad = static_cast<int>(i);
        ch.lastBad = x.run;
        ch.strLastBadLine = x.pszNote;
        if (x.bCut)
          ch.strLastBadLine = "The log stops while it runs" +
                              (*x.pszNote ? ": " + ch.strLastBadLine : std::string());
      }
      if (i >= h.nRecentFirst) {
        ++ch.nRecentRuns;
        ch.nRecentFailed += x.run == HVRun::Failed;
      }
    }
  }
  for (HVConduitHealth& ch : h.conduits)
    if (ch.strName.empty()) ch.strName = ch.strLogName;

  // Failures in a row, newest first, for as long as some conduit's run lasts.
  std::vector<char> open(h.conduits.size(), 1);
  size_t nOpen = open.size();
  std::vector<char> here(h.conduits.size(), 0);
  for (size_t i = ops.size(); nOpen > 0 && i-- > 0;) {
    for (const Ran& x : ran[i]) here[x.nConduit] = static_cast<char>(1 + (x.run == HVRun::Failed));
    for (size_t c = 0; c < open.size(); ++c) {
      if (!open[c]) continue;
      if (here[c] == 2) {
        ++h.conduits[c].nFailedInARow;
      } else if (here[c] == 1 || !h.ops[i].bUnfinished) {
        open[c] = 0;
        --nOpen;
      }
    }
    for (const Ran& x : ran[i]) here[x.nConduit] = 0;
  }

  // By name; the registered ones the logs never name after them.
  std::vector<size_t> order(h.conduits.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::vector<std::string> keys;
  keys.reserve(h.conduits.size());
  for (const HVConduitHealth& ch : h.conduits) keys.push_back(NameKey(ch.strName.c_str()));
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return keys[a] < keys[b]; });
  std::vector<HVConduitHealth> conduits;
  conduits.reserve(order.size() + (pReg ? pReg->size() : 0));
  std::vector<char> regSeen(pReg ? pReg->size() : 0, 0);
  for (size_t i : order) {
    if (h.conduits[i].nRegistered >= 0) regSeen[h.conduits[i].nRegistered] = 1;
    conduits.push_back(std::move(h.conduits[i]));
  }
  for (size_t r = 0; r < regSeen.size(); ++r) {
    if (regSeen[r]) continue;
    HVConduitHealth ch;
    ch.strName = (*pReg)[r].strTitle;
    ch.strCreator = (*pReg)[r].strCreator;
    ch.registration = HVRegistration::Registered;
    ch.nRegistered = static_cast<int>(r);
    conduits.push_back(std::move(ch));
  }
  h.conduits = std::move(conduits);

  for (const HVOpHealth& o : h.ops) {
    if (!o.bStartKnown) continue;
    if (h.months.empty() || h.months.back().wYear != o.stStart.wYear ||
        h.months.back().wMonth != o.stStart.wMonth) {
      h.months.push_back({});
      h.months.back().wYear = o.stStart.wYear;
      h.months.back().wMonth = o.stStart.wMonth;
    }
    HVMonthTimes& m = h.months.back();
    ++m.nOps;
    if (o.nSeconds >= 0) {
      ++m.nTimed;
      m.nTotalSeconds += static_cast<uint32_t>(o.nSeconds);
      m.nLongest = std::max(m.nLongest, static_cast<uint32_t>(o.nSeconds));
    }
  }
  return h;
}

std::string HVLogDamage(const void* pData, size_t nSize) {
  const auto* p = static_cast<const unsigned char*>(pData);
  if (!p) return "";
  // Looked at in blocks, so a damaged stretch in a long log shows as well; a
  // stray control character in text is a slip, not damage.
  constexpr size_t kBlock = 4096;
  size_t nZero = 0, nFirstZero = 0, nBinaryAt = SIZE_MAX, nControl = 0, nInBlock = 0;
  for (size_t i = 0; i < nSize; ++i) {
    const unsigned char c = p[i];
    if (c == 0) {
      if (nZero++ == 0) nFirstZero = i;
    } else if (c < 0x20 && c != '\t' && c != '\n' && c != '\v' && c != '\f' && c != '\r' &&
               c != 26) {
      ++nInBlock;
    }
    const size_t nBlockLen = i % kBlock + 1;
    if (nBlockLen == kBlock || i + 1 == nSize) {
      if (nBinaryAt == SIZE_MAX && nInBlock >= 3 && nInBlock * 20 >= nBlockLen)
        nBinaryAt = i + 1 - nBlockLen;
      nControl += nInBlock;
      nInBlock = 0;
    }
  }
  char sz[160];
  if (nZero > 0) {
    std::snprintf(sz, sizeof sz,
                  "it holds %zu zero byte%s where a log has text (the first at byte %zu)", nZero,
                  nZero == 1 ? "" : "s", nFirstZero);
    return sz;
  }
  if (nBinaryAt != SIZE_MAX) {
    std::snprintf(sz, sizeof sz,
                  "it holds binary data, not text (%zu control bytes, from byte %zu)", nControl,
                  nBinaryAt);
    return sz;
  }
  return "";
}
