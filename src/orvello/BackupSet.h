// One backup set of the conduit tool: its file name and description, as the
// settings file keeps them.
#pragma once

#include "misc/CxList.h"

struct BackupSetEntry {
  char szFileName[260];
  char szDesc[256];
};
static_assert(sizeof(BackupSetEntry) == 516, "BackupSetEntry is 260 + 256 bytes");

using BackupSetList = CxListOf<BackupSetEntry>;
