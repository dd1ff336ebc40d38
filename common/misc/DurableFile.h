// Putting a finished temporary file in place of a whole-file store so that
// neither a crash nor a power cut leaves it empty or half written: the
// temporary file's data goes to the disk first, through the handle that wrote
// it, then the move is written through. One retry rule for both steps: a virus
// scanner or a backup program may hold a file for a moment.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

// The file operations the commit is made of, replaceable for tests.
struct DurableFileOps {
  bool (*Flush)(std::FILE* f);                         // the stream's data onto the disk
  bool (*Move)(const char* szFrom, const char* szTo);  // replaces the target, written through
  bool (*CopyOver)(const char* szFrom, const char* szTo);  // writes the target over in place
  void (*Pause)(unsigned nMilliseconds);
};

// Installs other operations (null restores the real ones); returns the previous.
const DurableFileOps* SetDurableFileOps(const DurableFileOps* pOps);

// What to do when the target stays held after every retry.
enum class HeldTarget {
  Fail,       // a store: the old file stays whole
  WriteOver,  // a generated page a browser holds open: written over in place
};

// Flushes the stream that wrote szTemp (through its own handle), closes it,
// and moves szTemp over szTarget; the flush and the move are each retried
// while refused. On failure the temporary file is removed and the target is
// as it was (unless written over, as asked). The stream is closed either
// way. False on failure.
bool CommitTempStream(std::FILE* f, const char* szTemp, const char* szTarget,
                      HeldTarget held = HeldTarget::Fail);

// The same for a temporary file written by someone else (the system's
// profile functions): it is opened for the flush.
bool CommitTempFile(const char* szTemp, const char* szTarget,
                    HeldTarget held = HeldTarget::Fail);

// The temporary file beside a target: "<path>.tmp", or a shorter name in the
// same folder when that would not fit nMaxPath characters.
std::string DurableTempPath(const char* szTarget, size_t nMaxPath = 259);

// Writes a whole file through a temporary file and CommitTempStream.
bool WriteFileDurably(const char* szPath, const void* pData, size_t cbData,
                      HeldTarget held = HeldTarget::Fail);
