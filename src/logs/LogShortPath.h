// The short (8.3) form of an existing path, as the pages link a backup to it.
// Windows only; elsewhere there is no short form.
#pragma once

#include <string>

bool HVGetShortPath(const char* pszPath, std::string& strShort);
