// Start-up and shut-down of the program, apart from any window: the splash
// guard, the initialisation sequence, the close decision and the shut-down order.
#pragma once

#include <string>

#include "misc/ErrorText.h"
#include "shell/Ports.h"

// The splash timer's guard: the initialisation runs on the second timer event
// and only once, even when a further event was already queued.
class SplashGuard {
 public:
  // True exactly once: on the second event.
  bool OnTimer();
  bool Ticked() const { return m_bTicked; }
  bool Started() const { return m_bStarted; }

 private:
  bool m_bTicked = false;
  bool m_bStarted = false;
};

// The set-up and release operations of every part, as the main window offers them.
class IStartupSteps {
 public:
  virtual ~IStartupSteps() = default;
  virtual void StartPalmLayer() = 0;
  virtual void InitConduitTool() = 0;
  virtual void SetUpSyncTab() = 0;
  virtual void LoadSettings() = 0;
  virtual void SetUpLogTab() = 0;

  virtual void SaveSettings() = 0;
  virtual void DoneConduitTool() = 0;
  virtual void ShutDownLogTab() = 0;
  virtual void StopPalmLayer() = 0;
  virtual void DestroyOVLog() = 0;
};

// Runs the five set-up steps in order. A step that throws ends the sequence:
// false, with a text for the user in *pError; the later steps do not run.
bool RunInitSequence(IStartupSteps& steps, std::string* pError);

// Settings first: the conduit tool's release frees the backup-set list they
// save. Every step runs even if an earlier one throws; the first error is kept.
bool RunShutDown(IStartupSteps& steps, std::string* pError);

inline constexpr const char kQuitQuestion[] = "Are you sure to quit the Tandelix program?";
inline constexpr const char kQuitCaption[] = "Confirmation";

// Before start-up has finished the window closes without a question; after it,
// only a Yes closes it.
bool ConfirmClose(bool bReady, IPrompt& prompt);
