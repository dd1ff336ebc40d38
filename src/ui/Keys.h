// Access keys of captions ("&File": Alt+F). Portable: the resource tests use
// the same reading of a caption as the program.
#pragma once

#include <cctype>
#include <string>
#include <vector>

// The access key of a caption: the character after a single '&', upper-cased;
// 0 when it has none ("&&" is a "&" of the text).
inline char AccessKey(const std::string& strCaption) {
  for (size_t i = 0; i + 1 < strCaption.size(); ++i) {
    if (strCaption[i] != '&') continue;
    if (strCaption[i + 1] == '&') {
      ++i;
      continue;
    }
    return static_cast<char>(std::toupper(static_cast<unsigned char>(strCaption[i + 1])));
  }
  return 0;
}

// Captions of one menu with an access key each: a caption that has one keeps
// it; each other gets the first letter of one of its words that no caption
// before it took, else any such letter, else none.
inline std::vector<std::string> MenuAccessKeys(const std::vector<std::string>& captions) {
  std::string taken;
  for (const std::string& s : captions)
    if (char k = AccessKey(s)) taken += k;
  std::vector<std::string> out;
  for (const std::string& s : captions) {
    if (AccessKey(s) || s.find('&') != std::string::npos) {
      out.push_back(s);
      continue;
    }
    size_t at = std::string::npos;
    for (int pass = 0; pass < 2 && at == std::string::npos; ++pass)
      for (size_t i = 0; i < s.size(); ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        const bool bWordStart = i == 0 || s[i - 1] == ' ';
        if (!std::isalpha(c) || (pass == 0 && !bWordStart)) continue;
        if (taken.find(static_cast<char>(std::toupper(c))) != std::string::npos) continue;
        at = i;
        break;
      }
    if (at == std::string::npos) {
      out.push_back(s);
      continue;
    }
    taken += static_cast<char>(std::toupper(static_cast<unsigned char>(s[at])));
    out.push_back(s.substr(0, at) + "&" + s.substr(at));
  }
  return out;
}
