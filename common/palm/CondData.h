// The conduit record: 540 bytes, little-endian. The same bytes are the record in
// memory and the unit of every record file, so the layout is fixed below and
// checked in every build. The record carries no pointer: the library loaded for
// a record is kept beside it by its manager, and the 4-byte slot where a
// pointer once lived is always zero.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <type_traits>

// Load flags of CCondMgr::LoadConduits; the first three double as nKind values.
enum : int32_t {
  CONDS_MANAGER = 0x01,
  CONDS_BACKUP = 0x02,
  CONDS_INSTALL = 0x04,
  CONDS_KEEP_MISSING = 0x20,
};

// nStatus values.
enum : int32_t {
  ST_MISSING = 0,      // library file not found
  ST_INSTALLED = 1,    // registered and library present
  ST_UNINSTALLED = 2,  // removed from the Conduit Manager, library still present
};

// nMark bit the conduit tool uses for entries kept for restoring.
enum : int32_t { MARK_RESTORE = 0x1 };

// Creator number of the backup conduit.
inline constexpr uint32_t COND_BACKUP_CREATOR = 0xFFFFFFFFu;

struct CondData {
  uint32_t dwCreatorID;    // 0xFFFFFFFF for the backup conduit, 0 when not yet known
  char szCreatorID[5];     // four characters and a zero
  uint8_t reserved[3];     // padding, zero
  uint32_t dwIntegrate;    // as read; never written back
  char szConduit[260];     // library path or bare file name
  char szDirectory[32];
  char szFile[32];
  char szRemote[32];
  int32_t nPriority;       // valid 1..5
  char szInfo[64];         // as read; never written back
  char szTitle[64];
  uint32_t pCondObj;       // file slot only: always zero, ignored on reading
  int32_t nStatus;         // ST_...
  char szProduct[20];      // "PocketMirror" marks a PocketMirror conduit
  int32_t nKind;           // CONDS_MANAGER, CONDS_BACKUP or CONDS_INSTALL
  int32_t nMark;           // owned by the tool holding the record
};

inline constexpr size_t COND_RECORD_SIZE = 540;

// The in-memory bytes are the file bytes: no byte swapping anywhere.
static_assert(std::endian::native == std::endian::little, "records are stored little-endian");
static_assert(std::is_trivially_copyable_v<CondData> && std::is_standard_layout_v<CondData>);
static_assert(sizeof(CondData) == COND_RECORD_SIZE);
static_assert(alignof(CondData) == 4);
static_assert(offsetof(CondData, dwCreatorID) == 0);
static_assert(offsetof(CondData, szCreatorID) == 4);
static_assert(offsetof(CondData, reserved) == 9);
static_assert(offsetof(CondData, dwIntegrate) == 12);
static_assert(offsetof(CondData, szConduit) == 16);
static_assert(offsetof(CondData, szDirectory) == 276);
static_assert(offsetof(CondData, szFile) == 308);
static_assert(offsetof(CondData, szRemote) == 340);
static_assert(offsetof(CondData, nPriority) == 372);
static_assert(offsetof(CondData, szInfo) == 376);
static_assert(offsetof(CondData, szTitle) == 440);
static_assert(offsetof(CondData, pCondObj) == 504);
static_assert(offsetof(CondData, nStatus) == 508);
static_assert(offsetof(CondData, szProduct) == 512);
static_assert(offsetof(CondData, nKind) == 532);
static_assert(offsetof(CondData, nMark) == 536);
