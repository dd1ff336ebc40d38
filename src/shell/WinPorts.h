// The real prompt and shell: message boxes owned by a window, ShellExecute.
#pragma once

#include <windows.h>

#include "shell/Ports.h"

class WinPrompt : public IPrompt {
 public:
  explicit WinPrompt(HWND hOwner = nullptr) : m_hOwner(hOwner) {}
  void SetOwner(HWND hOwner) { m_hOwner = hOwner; }
  HWND Owner() const { return m_hOwner; }
  void ShowError(const char* szText) override;
  void ShowInfo(const char* szText, const char* szCaption) override;
  void ShowWarning(const char* szText, const char* szCaption) override;
  Answer Ask(const char* szText, const char* szCaption, bool bWithCancel) override;

 private:
  HWND m_hOwner;
};

class WinShellOpen : public IShellOpen {
 public:
  void Open(const char* szTarget) override;
  void OpenHelpTopic(const char* szTopic) override;
};
