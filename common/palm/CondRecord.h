// Record files: a plain sequence of 540-byte CondData records, no header, no
// count, no trailer. Portable (no Windows headers): the conduit manager, the
// restore store and the backup sets all read and write them through here.
#pragma once

#include <cstdio>
#include <string>

#include "palm/CondData.h"

// Makes a record that came from outside safe to use: the pointer slot becomes
// zero and every text field is terminated within its size.
void SanitizeCondData(CondData* pRec);

// Decodes one record from exactly COND_RECORD_SIZE bytes, sanitised.
void DecodeCondData(const void* pBytes, CondData* pRec);
// Encodes a record into exactly COND_RECORD_SIZE bytes, the slot as zero.
void EncodeCondData(const CondData& rec, void* pBytes);

// A record from outside that is whole and sound as it stands: every text
// terminated within its field, a creator of one to four printable
// characters, a library named, a known status and a priority in 0..255.
bool IsSoundCondRecord(const void* pBytes);

class CondRecordReader {
 public:
  CondRecordReader() = default;
  ~CondRecordReader() { Close(); }
  CondRecordReader(const CondRecordReader&) = delete;
  CondRecordReader& operator=(const CondRecordReader&) = delete;

  // False for a null or empty path or a file that cannot be opened.
  bool Open(const char* szPath);
  // The next whole record; false at the end. A trailing partial record is not
  // a record.
  bool Read(CondData* pRec);
  // The same, telling whether the record was sound before it was sanitised.
  bool Read(CondData* pRec, bool* pbSound);
  void Close();

 private:
  std::FILE* m_fp = nullptr;
};

// Writes a record file as a whole: the records go to a temporary file beside
// the target, and only Commit puts it in place, so a failure on the way leaves
// the old file as it was.
class CondRecordWriter {
 public:
  CondRecordWriter() = default;
  ~CondRecordWriter() { Abandon(); }
  CondRecordWriter(const CondRecordWriter&) = delete;
  CondRecordWriter& operator=(const CondRecordWriter&) = delete;

  // False for a null or empty path or when the temporary file cannot be
  // created; the target is not touched either way.
  bool Create(const char* szPath);
  // False once any write has failed; later writes are skipped.
  bool Write(const CondData& rec);
  // Closes the temporary file and puts it in place with CommitTempStream
  // (flushed, moved through, a brief hold on the target waited out). False,
  // with the target unchanged and the temporary file gone, after a failed
  // write, close, flush or move.
  bool Commit();
  // Drops the temporary file, if any.
  void Abandon();

  // Name of the temporary file used for a target.
  static std::string TempPathFor(const std::string& target) { return target + ".tmp"; }

 private:
  std::FILE* m_fp = nullptr;
  std::string m_target;
  std::string m_temp;
  bool m_bFailed = false;
};
