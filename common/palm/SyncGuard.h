// Changes of conduit registrations while HotSync Manager runs: none while a
// HotSync is in progress, and one request to reread the conduit list after
// each operation that changed something. Both go through Palm Desktop's
// HotSync library; without it loaded nothing is refused and nothing is asked.
#pragma once

inline constexpr char kPdSyncRunning[] =
    "A HotSync operation is in progress. Try again when it has finished.";

// True when the HotSync library reports a HotSync operation running.
bool PdHotSyncRunning();

// One operation that may change conduit registrations (an install, a restore
// of a backup set, a run of repairs). Operations nest: each asks whether a
// HotSync runs as it begins (an outer one may last minutes, waiting for a
// person's answers), and only the outermost, when it ends after a change,
// calls HsRefreshConduitInfo, once.
class PdRegChange {
 public:
  PdRegChange();
  ~PdRegChange();
  PdRegChange(const PdRegChange&) = delete;
  PdRegChange& operator=(const PdRegChange&) = delete;

  // A HotSync was in progress when this operation began: change nothing.
  bool Refused() const { return m_bRefused; }
  // The outermost operation, the one that tells the user about a refusal.
  bool Outermost() const { return m_bOutermost; }
  // Something was registered, removed or set: the operation ends in a refresh.
  static void Changed();

 private:
  bool m_bOutermost;
  bool m_bRefused;
};
