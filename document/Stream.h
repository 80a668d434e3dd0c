#pragma once
// The document stream: one read and one write operation per element kind. Every
// persisted class reads and writes its record through DS_IOF_Virtual, so the writers
// fix the same byte layout as the readers.
//
// Reading is the only place where untrusted bytes enter the program. A reading stream
// knows how many bytes are left; a read that would pass the end, a negative size or a
// count larger than the bytes left marks the stream failed. Failure is sticky: later
// reads leave their targets unchanged, and the document loader turns a failed stream
// into its "unreadable document" error. Class readers check counts with CheckCount
// before they allocate or loop.
//
// A long read can be stopped from outside: the record dispatcher asks the stream's
// abort check before each record, and a yes fails the stream the same way, so readers
// unwind as they do from a corrupt document; Aborted tells the two apart.

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "document/AbortCheck.h"
#include "document/ResourceEntry.h"

class DS_IOF_Virtual {
public:
  virtual ~DS_IOF_Virtual();

  // Writing: the base writes nothing (a reading stream ignores writes).
  virtual void WriteEntry(const DS_ResourceEntry& entry);
  virtual void WriteNamedBuffer(const DS_NamedBuffer& buffer);
  virtual void WriteString(const ds_string& text);
  virtual void WriteInt64(int64_t value);
  virtual void WriteFloat(float value);
  virtual void WritePoint(const POINT& value);
  virtual void WriteInt(int value);
  virtual void WriteUInt(unsigned int value);
  virtual void WriteBool(bool value);
  virtual void WriteByte(unsigned char value);
  virtual void WriteLong(long value);

  // Reading: each leaves its target unchanged when the stream has failed.
  virtual void ReadEntry(DS_ResourceEntry& entry) = 0;
  virtual void ReadNamedBuffer(DS_NamedBuffer& buffer) = 0;
  virtual void ReadString(ds_string& text) = 0;
  virtual void ReadInt64(int64_t& value) = 0;
  virtual void ReadFloat(float& value) = 0;
  virtual void ReadPoint(POINT& value) = 0;
  virtual void ReadInt(int& value) = 0;
  virtual void ReadUInt(unsigned int& value) = 0;
  virtual void ReadBool(bool& value) = 0;
  virtual void ReadByte(unsigned char& value) = 0;
  virtual void ReadLong(long& value) = 0;

  // Failure state of a reading stream (a writing stream never fails).
  virtual bool Failed() const { return false; }
  virtual void MarkFailed() {}
  // Bytes a reader may still consume; unlimited for streams that do not read.
  virtual size_t BytesLeft() const { return SIZE_MAX; }

  // Asked by CheckAbort; null (the default) never stops the reading.
  void SetAbortCheck(DS_AbortCheck* check) { m_abortCheck = check; }
  // Between two records or pictures: true when the reading is to stop here. The
  // first yes fails the stream; from then on the check is not asked again.
  bool CheckAbort();
  bool Aborted() const { return m_aborted; }

  // True when `count` elements of at least `leastSize` bytes each can still be in the
  // stream; otherwise (negative, or more than the bytes left) marks the stream failed.
  bool CheckCount(int64_t count, size_t leastSize);

  // A GUID as its 38-character registry text ("{XXXXXXXX-XXXX-...}").
  static void WriteGuid(DS_IOF_Virtual& stream, const GUID& guid);
  // Text that is not a well-formed GUID leaves `guid` unchanged.
  static void ReadGuid(DS_IOF_Virtual& stream, GUID& guid);

private:
  DS_AbortCheck* m_abortCheck = nullptr;
  bool m_aborted = false;
};

// Owner of the stream that the loader hands to every reader.
class DS_IOF_Handle {
public:
  DS_IOF_Handle() = default;
  explicit DS_IOF_Handle(DS_IOF_Virtual* stream) : m_stream(stream) {}
  ~DS_IOF_Handle() { delete m_stream; }
  DS_IOF_Handle(const DS_IOF_Handle&) = delete;
  DS_IOF_Handle& operator=(const DS_IOF_Handle&) = delete;

  DS_IOF_Virtual* Get() const { return m_stream; }
  DS_IOF_Virtual* operator->() const { return m_stream; }
  DS_IOF_Virtual& operator*() const { return *m_stream; }

private:
  DS_IOF_Virtual* m_stream = nullptr;
};

// GUID text: the exact registry form, upper-case hex.
ds_string GuidToText(const GUID& guid);
// Strict parse of the 38-character form; false (and `guid` unchanged) otherwise.
bool ParseGuidText(const ds_string& text, GUID& guid);

// Float vector: int32 count, then the floats. Appends to `values`.
void ReadFloatVectorFromStream(DS_IOF_Virtual& stream, std::vector<float>& values);
void WriteFloatVector(DS_IOF_Virtual& stream, const std::vector<float>& values);

// Entry vector: int32 count, then the entries. Appends fresh entries to `entries`.
void ReadResourceEntry(DS_IOF_Virtual& stream, DS_ResourceEntry& entry);
void ReadEntryVector(DS_IOF_Virtual& stream, std::vector<DS_ResourceEntry>& entries);
void WriteEntryVector(DS_IOF_Virtual& stream, const std::vector<DS_ResourceEntry>& entries);

// Least stored sizes, for CheckCount.
const size_t kLeastStringBytes = 4;
const size_t kLeastNamedBufferBytes = 4 + kLeastStringBytes;
const size_t kLeastEntryBytes = 4 + kLeastStringBytes + kLeastNamedBufferBytes;
