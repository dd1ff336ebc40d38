#include "shell/Lifecycle.h"

#include "misc/ErrorText.h"

bool SplashGuard::OnTimer() {
  if (!m_bTicked) {
    m_bTicked = true;
    return false;
  }
  if (m_bStarted) return false;
  m_bStarted = true;
  return true;
}

namespace {

// Runs one step; an exception becomes a text for the user.
template <typename F>
bool Guarded(F f, std::string* pError) {
  try {
    f();
    return true;
  } catch (...) {
    if (pError && pError->empty()) *pError = CurrentExceptionText();
  }
  return false;
}

}  // namespace

bool RunInitSequence(IStartupSteps& s, std::string* pError) {
  return Guarded([&] { s.StartPalmLayer(); }, pError) &&
         Guarded([&] { s.InitConduitTool(); }, pError) &&
         Guarded([&] { s.SetUpSyncTab(); }, pError) && Guarded([&] { s.LoadSettings(); }, pError) &&
         Guarded([&] { s.SetUpLogTab(); }, pError);
}

bool RunShutDown(IStartupSteps& s, std::string* pError) {
  bool bOk = Guarded([&] { s.SaveSettings(); }, pError);
  bOk = Guarded([&] { s.DoneConduitTool(); }, pError) && bOk;
  bOk = Guarded([&] { s.ShutDownLogTab(); }, pError) && bOk;
  bOk = Guarded([&] { s.StopPalmLayer(); }, pError) && bOk;
  bOk = Guarded([&] { s.DestroyOVLog(); }, pError) && bOk;
  return bOk;
}

bool ConfirmClose(bool bReady, IPrompt& prompt) {
  if (!bReady) return true;
  return prompt.Ask(kQuitQuestion, kQuitCaption, true) == Answer::Yes;
}
