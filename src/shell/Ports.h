// What the tools show and ask, as small interfaces: message boxes, the shell's
// "open" and the embedded browser. The windows supply real implementations;
// tests supply recording fakes with scripted answers.
#pragma once

enum class Answer { Yes, No, Cancel, Ok };

class IPrompt {
 public:
  virtual ~IPrompt() = default;
  // Caption "Error", error icon, OK.
  virtual void ShowError(const char* szText) = 0;
  // Information icon, OK; caption "Information" unless given ("Success").
  virtual void ShowInfo(const char* szText, const char* szCaption = "Information") = 0;
  // Warning icon, OK; for a completed action with a loss the user must know of.
  virtual void ShowWarning(const char* szText, const char* szCaption) { ShowInfo(szText, szCaption); }
  // Question icon; Yes and No, and Cancel when bWithCancel.
  virtual Answer Ask(const char* szText, const char* szCaption, bool bWithCancel) = 0;
};

class IShellOpen {
 public:
  virtual ~IShellOpen() = default;
  // Asks the shell to "open" a document, page address or program.
  virtual void Open(const char* szTarget) = 0;
  // Opens a page of a compiled help file in the help viewer; the topic is
  // "<file>::/<page>".
  virtual void OpenHelpTopic(const char* szTopic) = 0;
};

class IBrowser {
 public:
  virtual ~IBrowser() = default;
  // A page address or a plain file path.
  virtual void Navigate(const char* szUrl) = 0;
};
