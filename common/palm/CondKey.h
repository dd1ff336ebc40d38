// A conduit registration's whole registry key: every value with its name,
// type and bytes, as the registry holds them. The Conduit Manager's setters
// know only the values Palm Desktop defines; vendors keep values of their own
// beside them, and a registration that is taken away and put back, or carried
// to another desktop, must come back with all of them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct RegValue {
  std::string strName;
  uint32_t dwType = 0;
  std::string bytes;  // the data exactly as stored (a string with or without its terminator)
  bool operator==(const RegValue& o) const {
    return strName == o.strName && dwType == o.dwType && bytes == o.bytes;
  }
};

struct RegKeyValues {
  std::vector<RegValue> values;  // in the registry's enumeration order
  bool operator==(const RegKeyValues& o) const { return values == o.values; }
  const RegValue* Find(const char* szName) const;  // by name, ignoring ASCII case
};

// Far beyond any conduit's value; a key holding a larger one is not taken
// (a copy that leaves a value out would lose it).
inline constexpr uint32_t kRegValueMaxBytes = 1024 * 1024;

// Every value of HKEY_CURRENT_USER\<strKey>. False when the key cannot be
// opened or a value cannot be read whole.
bool ReadRegKeyValues(const std::string& strKey, RegKeyValues* pOut);
// Writes every value into HKEY_CURRENT_USER\<strKey>, creating the key; with
// bExact, values the key holds beyond them are deleted first. False on the
// first value that cannot be written.
bool WriteRegKeyValues(const std::string& strKey, const RegKeyValues& key, bool bExact);

// The application conduit keys ("...\Application%d") in the Conduit
// Manager's order, each with its creator number and registered library as
// stored; a key without a creator number has dwCreator 0.
struct CondKeyRef {
  int nIndex = 0;
  std::string strKey;
  uint32_t dwCreator = 0;
  std::string strConduit;
};
std::vector<CondKeyRef> ListConduitKeys();

// The registrations of one creator (four characters), in the Conduit
// Manager's order.
std::vector<CondKeyRef> ConduitKeysOf(const char* szCreatorID);

// One registration of a creator as its key held it.
struct CondRegistration {
  std::string strConduit;  // the library as registered
  RegKeyValues values;
};
// Every application registration of the creator, in order, with all its
// values; false when one of them cannot be read whole.
bool SnapshotCreator(const char* szCreatorID, std::vector<CondRegistration>* pOut);
// Registers the creator once more and gives the new key exactly the values
// of the snapshot, names, types and bytes. Through the Conduit Manager where
// it takes the creator; a creator it holds already (a second registration,
// as vendors' installers make them) gets the key the manager would have made.
bool PutBackCondKey(const char* szCreatorID, const CondRegistration& reg);
// The state a snapshot was taken in: every registration the creator has now
// is removed, and the snapshot's are put back in their order.
bool RestoreCreatorKeys(const char* szCreatorID, const std::vector<CondRegistration>& regs);
