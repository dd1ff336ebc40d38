#include "shell/WinPorts.h"

#include "misc/WinUtil.h"

void WinPrompt::ShowError(const char* szText) {
  MessageBoxA(m_hOwner, szText, "Error", MB_OK | MB_ICONERROR);
}

void WinPrompt::ShowInfo(const char* szText, const char* szCaption) {
  MessageBoxA(m_hOwner, szText, szCaption ? szCaption : "Information", MB_OK | MB_ICONINFORMATION);
}

void WinPrompt::ShowWarning(const char* szText, const char* szCaption) {
  MessageBoxA(m_hOwner, szText, szCaption, MB_OK | MB_ICONWARNING);
}

Answer WinPrompt::Ask(const char* szText, const char* szCaption, bool bWithCancel) {
  const int r = MessageBoxA(m_hOwner, szText, szCaption,
                            (bWithCancel ? MB_YESNOCANCEL : MB_YESNO) | MB_ICONQUESTION);
  return r == IDYES ? Answer::Yes : r == IDNO ? Answer::No : Answer::Cancel;
}

void WinShellOpen::Open(const char* szTarget) { OpenWithShell(szTarget); }

void WinShellOpen::OpenHelpTopic(const char* szTopic) { OpenHelpViewer(szTopic); }
