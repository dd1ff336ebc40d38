// Output helpers of the conduit tool's texts (the doctor's findings, tdcond):
// JSON strings in UTF-8 from the ANSI code page, and plain-text tables.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

// Appends an ANSI text (at most nMax bytes, stopping at a NUL) as a JSON
// string, quotes included: converted from the ANSI code page to UTF-8, with
// quotes, backslashes and control characters escaped.
void OVJsonString(std::string& out, const char* szText, size_t nMax = static_cast<size_t>(-1));
inline void OVJsonString(std::string& out, const std::string& s) {
  OVJsonString(out, s.c_str(), s.size());
}
// "key": "value" (with the value as above).
void OVJsonField(std::string& out, const char* szKey, const std::string& strValue);

// Rows of cells as columns two blanks apart; the last column is not padded.
void OVWriteTable(std::string& out, const std::vector<std::vector<std::string>>& rows,
                  const std::string& strIndent);

// The text of a fixed-size field, which need not be terminated.
template <size_t N>
std::string OVField(const char (&sz)[N]) {
  return std::string(sz, strnlen(sz, N));
}

// A text shown to a person: control characters (which a field read from
// outside may hold) as "\xNN".
std::string OVVisible(const std::string& s);
