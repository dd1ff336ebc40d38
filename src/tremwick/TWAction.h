// The per-user tool's action values: what a conduit does at the next HotSync,
// kept in the nMark word of the action table's records, and the texts shown for
// them. Portable: no Windows headers.
#pragma once

#include <cstdint>
#include <string>

#include "palm/CondData.h"
#include "palm/PalmApi.h"

// Action codes (bits 0-15); they are also the User Data library's actions.
enum : uint32_t {
  TW_ACT_SYNC = PD_SYNC_SYNCHRONIZE,
  TW_ACT_PC2HH = PD_SYNC_PC_TO_HH,
  TW_ACT_HH2PC = PD_SYNC_HH_TO_PC,
  TW_ACT_NOTHING = PD_SYNC_NOTHING,
};
// Switching off sets bit 16 and keeps the code; any bit of 16-31 counts as off.
inline constexpr uint32_t TW_OFF_MARK = 0x10000u;
inline constexpr uint32_t TW_OFF_BITS = 0xFFFF0000u;
inline constexpr uint32_t TW_CODE_BITS = 0x0000FFFFu;

inline constexpr const char kTWTextSync[] = "Synchronize the files";
inline constexpr const char kTWTextPC2HH[] = "Desktop overwrite handhelds";
inline constexpr const char kTWTextHH2PC[] = "Handhelds overwrite Desktop";
inline constexpr const char kTWTextNothing[] = "Do Nothing";

inline bool TWIsOff(uint32_t nValue) { return (nValue & TW_OFF_BITS) != 0; }
inline uint32_t TWCode(uint32_t nValue) { return nValue & TW_CODE_BITS; }
// On: no off bit and a code other than Do Nothing.
inline bool TWIsOn(uint32_t nValue) { return !TWIsOff(nValue) && TWCode(nValue) != TW_ACT_NOTHING; }

// The text of the "Action" column; empty for a code outside the table.
inline const char* TWActionText(uint32_t nValue) {
  if (TWIsOff(nValue)) return kTWTextNothing;
  switch (TWCode(nValue)) {
    case TW_ACT_SYNC:
      return kTWTextSync;
    case TW_ACT_PC2HH:
      return kTWTextPC2HH;
    case TW_ACT_HH2PC:
      return kTWTextHH2PC;
    case TW_ACT_NOTHING:
      return kTWTextNothing;
    default:
      return "";
  }
}

// Default by kind, the first matching bit winning (application, backup, install).
inline uint32_t TWDefaultAction(int32_t nKind) {
  if (nKind & CONDS_MANAGER) return TW_ACT_SYNC;
  if (nKind & CONDS_BACKUP) return TW_ACT_HH2PC;
  if (nKind & CONDS_INSTALL) return TW_ACT_PC2HH;
  return TW_ACT_SYNC;
}

// What a value means to the User Data library: off is Do Nothing, and so is a
// code the library does not know.
inline int32_t TWPrefAction(uint32_t nValue) {
  if (TWIsOff(nValue) || TWCode(nValue) > TW_ACT_NOTHING) return PD_SYNC_NOTHING;
  return static_cast<int32_t>(TWCode(nValue));
}

// A stored preference as the user information dialog shows it.
inline std::string TWPrefText(int32_t nAction) {
  if (nAction >= PD_SYNC_SYNCHRONIZE && nAction <= PD_SYNC_NOTHING)
    return TWActionText(static_cast<uint32_t>(nAction));
  if (nAction == PD_SYNC_CUSTOM) return "Custom";
  return "Unknown (" + std::to_string(nAction) + ")";
}

// The context menu's items, in menu order.
enum TWMenuItem { TW_MI_SYNC, TW_MI_PC2HH, TW_MI_HH2PC, TW_MI_NOTHING, TW_MI_COUNT };

// Which items the menu offers for a kind of conduit: an install conduit only
// "Install to handhelds" and "Do Nothing", the backup conduit no
// synchronising, every other conduit all four.
inline bool TWMenuOffers(int32_t nKind, TWMenuItem item) {
  if (item == TW_MI_NOTHING) return true;
  if (nKind & CONDS_INSTALL) return item == TW_MI_PC2HH;
  if (nKind & CONDS_BACKUP) return item != TW_MI_SYNC;
  return true;
}

// The item that carries the check mark for a value.
inline TWMenuItem TWCheckedItem(uint32_t nValue) {
  if (TWIsOff(nValue) || TWCode(nValue) == TW_ACT_NOTHING) return TW_MI_NOTHING;
  if (TWCode(nValue) == TW_ACT_PC2HH) return TW_MI_PC2HH;
  if (TWCode(nValue) == TW_ACT_HH2PC) return TW_MI_HH2PC;
  return TW_MI_SYNC;
}

// Media type names of expansion slots; anything unknown is "Not Specified".
inline const char* TWMediaTypeName(uint32_t dwType) {
  static const struct {
    uint32_t dw;
    const char* sz;
  } kNames[] = {
      {PdFourCC('c', 'f', 's', 'h'), "Compact Flash"},
      {PdFourCC('m', 'm', 'c', 'd'), "Multimedia Card"},
      {PdFourCC('m', 's', 't', 'k'), "Memory Stick"},
      {PdFourCC('p', 'n', 'p', 's'), "Plug & Play Connector"},
      {PdFourCC('p', 'o', 's', 'e'), "Palm OS Emulator"},
      {PdFourCC('r', 'a', 'm', 'd'), "RAM Disk"},
      {PdFourCC('s', 'd', 'i', 'g'), "Secure Digital"},
      {PdFourCC('s', 'm', 'e', 'd'), "SmartMedia"},
  };
  for (const auto& n : kNames)
    if (n.dw == dwType) return n.sz;
  return "Not Specified";
}
