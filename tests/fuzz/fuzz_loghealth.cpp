// Arbitrary bytes as both of a user's HotSync logs: the health builder and its
// page must hold their counts together and stay within what was read.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "logs/HealthPage.h"
#include "logs/LogHealth.h"

// Says which check failed before it ends the run.
static void CheckAt(bool b, int nLine) {
  if (b) return;
  std::fprintf(stderr, "fuzz_loghealth: the check on line %d failed\n", nLine);
  std::abort();
}
#define Check(b) CheckAt((b), __LINE__)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  HVLogDamage(data, size);
  CLogReader r;
  r.KeepUnfinished(true);
  // The bytes as the HTML log, then their second half as the plain log: copies
  // of the same operations and operations in any time order.
  r.ReadBuffer(data, size);
  r.ReadBuffer(data + size / 2, size - size / 2);

  // An application cut off by the log's end is one of its operation's own.
  for (SyncOperation* op = r.GetFirst(); op; op = r.GetNext()) {
    if (!op->pCutItem) continue;
    bool mine = false;
    for (SyncItem* it = op->lItems.GetFirst(); it; it = op->lItems.GetNext())
      mine = mine || it == op->pCutItem;
    Check(op->bUnfinished && mine && op->pCutItem->nKind == HV_ITEM_APP);
  }

  // Every other name the logs give is registered, under a title of its own.
  std::vector<HVRegistered> reg = {{"Fzz1", "Never Named", ""}};
  bool bTake = true;
  for (SyncOperation* op = r.GetFirst(); op; op = r.GetNext())
    for (SyncItem* it = op->lItems.GetFirst(); it; it = op->lItems.GetNext())
      if (it->nKind == HV_ITEM_APP && *it->Name() && (bTake = !bTake) && reg.size() < 50)
        reg.push_back({"Fzz2", std::string("T ") + it->Name(), it->Name()});

  const std::vector<HVRegistered>* const regs[] = {&reg, nullptr};
  for (const std::vector<HVRegistered>* pReg : regs) {
    const HVHealth h = HVBuildHealth(r.Operations(), pReg);
    Check(h.ops.size() + h.nCopies == r.GetCount());
    Check(h.nUnfinished <= h.ops.size() && h.nRecentFirst <= h.ops.size());
    Check(h.RecentCount() == (h.ops.size() < kHVHealthRecent ? h.ops.size() : kHVHealthRecent));
    size_t nKnown = 0;
    for (const HVOpHealth& o : h.ops) {
      nKnown += o.bStartKnown;
      Check(o.nSeconds < 0 || (o.bStartKnown && o.bEndKnown && !o.bUnfinished));
      Check(!o.bUnfinished || !o.bEndKnown);
    }
    // Known starts come after unknown ones, in time order.
    for (size_t i = 1; i < h.ops.size(); ++i)
      Check(h.ops[i].bStartKnown || !h.ops[i - 1].bStartKnown);
    size_t nInMonths = 0;
    for (const HVMonthTimes& m : h.months) {
      Check(m.nTimed <= m.nOps && m.nLongest * uint64_t{m.nTimed} >= m.nTotalSeconds);
      nInMonths += m.nOps;
    }
    Check(nInMonths == nKnown);
    for (const HVConduitHealth& c : h.conduits) {
      Check(!c.strName.empty() || !c.Seen());
      Check(c.nRecentFailed <= c.nRecentRuns && c.nRecentRuns <= h.RecentCount());
      Check(c.nFailedInARow <= h.ops.size());
      Check(c.nLastOk < static_cast<int>(h.ops.size()) &&
            c.nLastBad < static_cast<int>(h.ops.size()));
      Check((c.nLastBad >= 0) == (c.lastBad != HVRun::None));
      Check(c.Seen() == (c.last != HVRun::None));
      // A logged line, and for a run the log stopped in a few words before it.
      Check(c.strLastBadLine.size() <= HV_TEXT_MAX + 40);
      Check((c.registration == HVRegistration::Unknown) == (pReg == nullptr));
      Check((c.registration == HVRegistration::Registered) == (c.nRegistered >= 0));
      Check(!pReg || c.nRegistered < static_cast<int>(pReg->size()));
    }
    std::string page;
    HVWriteHealthPage(page, "fuzz", h);
    // Texts from the logs are escaped: every "&" on the page begins an entity.
    for (size_t i = page.find('&'); i != std::string::npos; i = page.find('&', i + 1))
      Check(page.compare(i, 5, "&amp;") == 0 || page.compare(i, 4, "&lt;") == 0 ||
            page.compare(i, 4, "&gt;") == 0 || page.compare(i, 6, "&quot;") == 0);
  }
  return 0;
}
