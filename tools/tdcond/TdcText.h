// Output helpers of the console conduit tool: JSON strings in UTF-8 from the
// ANSI code page, and plain-text tables.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

// Appends an ANSI text (at most nMax bytes, stopping at a NUL) as a JSON
// string, quotes included: converted from the ANSI code page to UTF-8, with
// quotes, backslashes and control characters escaped.
void TdcJsonString(std::string& out, const char* szText, size_t nMax = static_cast<size_t>(-1));
inline void TdcJsonString(std::string& out, const std::string& s) {
  TdcJsonString(out, s.c_str(), s.size());
}
// "key": "value" (with the value as above).
void TdcJsonField(std::string& out, const char* szKey, const std::string& strValue);

// Rows of cells as columns two blanks apart; the last column is not padded.
void TdcWriteTable(std::string& out, const std::vector<std::vector<std::string>>& rows,
                   const std::string& strIndent);

// The text of a fixed-size field, which need not be terminated.
template <size_t N>
std::string TdcField(const char (&sz)[N]) {
  return std::string(sz, strnlen(sz, N));
}

// A text shown to a person: control characters (which a field read from
// outside may hold) as "\xNN".
std::string TdcVisible(const std::string& s);
