// What export, import and undo read of this PC's Palm Desktop the same way:
// the conduit keys whole, a key's creator and texts, the backup conduit and
// a user's texts. Windows only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "palm/CondKey.h"

// The four characters of a creator number (first in the most significant byte).
std::string OVCreatorText(uint32_t dw);
// A key's "Creator" value (a DWORD); 0 when it has none.
uint32_t OVCreatorOf(const std::vector<RegValue>& values);
// A text value up to its first NUL; empty when it is not a text.
std::string OVRegText(const RegKeyValues& key, const char* szName);
// The same values, whatever their order.
bool OVSameValues(const RegKeyValues& a, const RegKeyValues& b);
// Every application conduit key whole, in the Conduit Manager's order.
std::vector<RegKeyValues> OVAllConduitKeys();
// The backup conduit's library; empty when there is none.
std::string OVBackupConduit();
// A user's name or directory as User Data gives it; empty when it fails.
std::string OVUserName(uint32_t dwUserID);
std::string OVUserDirectory(uint32_t dwUserID);
