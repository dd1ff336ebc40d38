// Recording fakes of the shell's ports, with scripted answers.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "shell/Ports.h"

struct FakePrompt : IPrompt {
  struct Shown {
    std::string kind, text, caption;
    bool bWithCancel;
  };
  std::vector<Shown> shown;
  std::deque<Answer> answers;  // popped by Ask; No when empty

  void ShowError(const char* szText) override {
    shown.push_back({"error", szText, "Error", false});
  }
  void ShowInfo(const char* szText, const char* szCaption) override {
    shown.push_back({"info", szText, szCaption, false});
  }
  void ShowWarning(const char* szText, const char* szCaption) override {
    shown.push_back({"warning", szText, szCaption, false});
  }
  Answer Ask(const char* szText, const char* szCaption, bool bWithCancel) override {
    shown.push_back({"question", szText, szCaption, bWithCancel});
    if (answers.empty()) return Answer::No;
    const Answer a = answers.front();
    answers.pop_front();
    return a;
  }
};

struct FakeShell : IShellOpen {
  std::vector<std::string> opened;
  std::vector<std::string> topics;  // help topics
  void Open(const char* szTarget) override { opened.push_back(szTarget); }
  void OpenHelpTopic(const char* szTopic) override { topics.push_back(szTopic); }
};
