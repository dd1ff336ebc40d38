// Names and paths in a set-up file, which come from another PC and are
// untrusted: the checks every entry name and every path the manifest gives
// must pass before anything is written, and the rewrite of paths from the
// source's Palm Desktop directory to this PC's. Portable (no Windows
// headers), so the checks run natively under the sanitizers and the fuzzer.
#pragma once

#include <cstdint>
#include <string>

// Why a ZIP entry name cannot be used, or empty when it can: relative, '/'
// between parts, no empty, "." or ".." part, no drive, colon or backslash,
// no device name (CON, NUL, COM1...), no part ending in a dot or blank, no
// control character or character Windows forbids in names.
std::string OVCheckEntryName(const std::string& strName);

// The same rules for a path below a directory of this PC (a user's
// directory, a file in a user's folder, a backup set's name), with '\'
// between parts ('/' is taken as one too).
std::string OVCheckRelativePath(const std::string& strPath);

// A library as a registration names it: a bare file name, or an absolute
// path on a drive ("C:\...") whose parts pass the rules above. Network paths
// and anything relative with a directory are refused.
std::string OVCheckLibraryPath(const std::string& strPath);

// True when a path lies in a directory (or is it): equal up to the
// directory's length, ignoring the case of ASCII letters, and followed by a
// separator or nothing. A trailing separator of the directory is ignored.
bool OVPathInDir(const std::string& strPath, const std::string& strDir);

// The path with its leading strFrom directory replaced by strTo, when it
// lies in strFrom; otherwise unchanged and false.
bool OVRewritePath(std::string& strPath, const std::string& strFrom, const std::string& strTo);

// A registry value's bytes with every path in it rewritten as above: REG_SZ
// and REG_EXPAND_SZ as one text (its terminator, if any, kept), REG_MULTI_SZ
// text by text; other types unchanged. True when something changed.
bool OVRewriteRegData(uint32_t dwType, std::string& data, const std::string& strFrom,
                      const std::string& strTo);

// The last part of a path (after '\' or '/').
std::string OVFileNameOf(const std::string& strPath);
// Joins a directory and a relative path with one '\'.
std::string OVJoinPath(const std::string& strDir, const std::string& strRel);
