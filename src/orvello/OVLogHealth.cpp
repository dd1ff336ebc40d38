#include "orvello/OVLogHealth.h"

#include <cstdio>
#include <string>

#include "logs/LogFile.h"
#include "logs/LogPages.h"
#include "orvello/OVOutput.h"

namespace {

std::string Quoted(const std::string& s) { return "\"" + OVVisible(s) + "\""; }

// The whole file, when it can be read; false otherwise.
bool ReadWhole(const std::string& path, std::string& bytes) {
  std::FILE* f = HVOpenForReading(path.c_str());
  if (!f) return false;
  bytes.clear();
  char buf[64 * 1024];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
  const bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}

// The first registration of each creator: the Conduit Manager answers for a
// creator with its first one only.
std::vector<const OVConduitFacts*> Registrations(const OVFacts& f) {
  std::vector<const OVConduitFacts*> v;
  for (const OVConduitFacts& c : f.conduits) {
    if (c.kind != OVCondKind::Application) continue;
    bool twice = false;
    for (const OVConduitFacts* p : v) twice = twice || p->strCreator == c.strCreator;
    if (!twice) v.push_back(&c);
  }
  return v;
}

std::string ConduitSubject(const HVConduitHealth& c) {
  std::string s = "conduit " + Quoted(c.strName);
  if (!c.strCreator.empty()) s += " (" + OVVisible(c.strCreator) + ")";
  return s;
}

}  // namespace

std::vector<HVRegistered> OVRegisteredForHealth(const OVFacts& f) {
  std::vector<HVRegistered> v;
  for (const OVConduitFacts* c : Registrations(f))
    v.push_back({c->strCreator, c->strTitle, c->lib.strName != c->strTitle ? c->lib.strName : ""});
  return v;
}

void OVGatherLogHealth(OVFacts& f) {
  const std::vector<HVRegistered> reg = OVRegisteredForHealth(f);
  std::string bytes;
  for (OVUserFacts& u : f.users) {
    if (!u.bDirExists) continue;
    CLogReader reader;
    reader.KeepUnfinished(true);
    // The logs in the order the log tab reads them; the too large one is a
    // finding of its own and is not read whole.
    for (OVLogFacts& log : u.logs) {
      if (!log.bReadable || log.bDirectory || log.nSize > kOVLogTooLarge) continue;
      if (!ReadWhole(log.strPath, bytes)) continue;
      log.strDamage = HVLogDamage(bytes.data(), bytes.size());
      reader.ReadBuffer(bytes.data(), bytes.size());
    }
    u.health = HVBuildHealth(reader.Operations(), &reg);
    u.bHealthRead = true;
  }
}

void OVDiagnoseLogHealth(const OVFacts& f, std::vector<OVFinding>& out) {
  auto add = [&](OVSeverity sev, const char* check, std::string subject, std::string creator,
                 std::string file, std::string problem, std::string action) {
    out.push_back({sev, check, std::move(subject), std::move(creator), std::move(file),
                   std::move(problem), std::move(action)});
  };
  for (const OVUserFacts& u : f.users) {
    const std::string user = "user " + Quoted(u.strName);
    for (const OVLogFacts& log : u.logs) {
      if (log.strDamage.empty()) continue;
      add(OVSeverity::Error, "log-damaged", user, "", log.strPath,
          "The user's HotSync log " + Quoted(log.strPath) + " cannot be read as a log: " +
              log.strDamage + ". HotSync Manager reads it as it starts and can fail on it.",
          "Rename the log; HotSync starts a new one.");
    }
    if (!u.bHealthRead) continue;
    const HVHealth& h = u.health;
    for (const HVConduitHealth& c : h.conduits) {
      if (c.nFailedInARow < kOVFailingRun || c.nLastBad < 0) continue;
      const HVOpHealth& last = h.ops[static_cast<size_t>(c.nLastBad)];
      std::string problem = "It failed in each of the last " + std::to_string(c.nFailedInARow) +
                            " HotSync operations of " + user;
      problem += last.bStartKnown ? ", the last on " + HVTimeLabel(last.stStart) : "";
      problem +=
          c.strLastBadLine.empty() ? std::string(".") : ": " + Quoted(c.strLastBadLine) + ".";
      if (c.registration == HVRegistration::NotRegistered)
        problem += " It is no longer registered.";
      add(OVSeverity::Warning, "conduit-failing", ConduitSubject(c), c.strCreator, "", problem,
          c.registration == HVRegistration::NotRegistered
              ? std::string("Nothing to do if it was uninstalled on purpose; otherwise reinstall "
                            "the software it came with.")
              : std::string("Read its messages on the Halvern tab (Conduit Health) and in the "
                            "HotSync log; check its settings and the desktop data it "
                            "synchronizes, or reinstall the software it came with."));
    }
  }

  // Registered, yet no user's latest operations name it. Only users with a
  // whole operation say anything about that.
  size_t nUsers = 0;
  for (const OVUserFacts& u : f.users) nUsers += u.bHealthRead && u.health.CompletedCount() > 0;
  if (nUsers == 0) return;
  const std::vector<const OVConduitFacts*> regs = Registrations(f);
  for (size_t r = 0; r < regs.size(); ++r) {
    bool ran = false;
    for (const OVUserFacts& u : f.users)
      for (const HVConduitHealth& c : u.health.conduits)
        ran = ran || (c.nRegistered == static_cast<int>(r) && c.nRecentRuns > 0);
    if (ran) continue;
    const OVConduitFacts& c = *regs[r];
    add(OVSeverity::Info, "conduit-never-synced",
        "conduit " + Quoted(c.strTitle) + " (" + OVVisible(c.strCreator) + ")", c.strCreator,
        c.strLibrary,
        "It is registered, but none of the latest " + std::to_string(kHVHealthRecent) +
            " HotSync operations of " +
            (nUsers == 1 ? std::string("the user with logs") : std::to_string(nUsers) + " users") +
            " names it.",
        "If it should synchronize, check that its application is on the handheld and that "
        "HotSync does not skip it (Tremwick tab); if it is no longer used, uninstall it.");
  }
}
