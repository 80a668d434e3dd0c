#pragma once
// Builds the resource manager's record of a document by hand, in any of its three
// versions, and reads it into a new manager the way the loader does: for tests of
// everything that takes pictures, effects, meshes or sound data from the document.
// Header-only so that only the tests that use it link the document library.

#include <map>
#include <memory>
#include <vector>

#include "document/DocResManager.h"
#include "document/ResourceBuffer.h"
#include "document/StreamWriter.h"

namespace ds_test {

struct DocResRecord {
  std::map<DS_FileKey, std::vector<DS_ResourceEntry>> usedImages;
  std::map<DS_FileKey, std::vector<float>> frameTimes;
  std::map<DS_FileKey, std::vector<DS_ResourceEntry>> otherFiles;
  std::vector<DS_GuidResource> guids;
};

inline DS_ResourceEntry MakeFileEntry(const ds_string& name, const std::vector<unsigned char>& bytes) {
  DS_ResourceEntry entry;
  entry.SetName(name);
  entry.SetData(static_cast<uint32_t>(bytes.size()), bytes.data());
  return entry;
}

inline DS_ResourceEntry MakeModuleEntry(int32_t id, const ds_string& module,
                                        const std::vector<unsigned char>& bytes) {
  DS_ResourceEntry entry(id, module);
  entry.SetData(static_cast<uint32_t>(bytes.size()), bytes.data());
  return entry;
}

inline DS_GuidResource MakeGuidPicture(const GUID& guid, const std::vector<unsigned char>& bytes) {
  DS_GuidResource item;
  item.guid = guid;
  item.name = L"picture";
  item.buffer.SetData(static_cast<uint32_t>(bytes.size()), bytes.data());
  return item;
}

// The record with its class-name header, laid out for `version` (1, 2 or 3). Items of
// the GUID list are written in the order given (duplicates included).
inline std::vector<unsigned char> WriteDocResRecord(int version, const DocResRecord& record) {
  DS_IOF_W w;
  WriteLevelHeader(w, L"DS_DocResManager", version);
  auto writeEntries = [&w](const std::map<DS_FileKey, std::vector<DS_ResourceEntry>>& table) {
    w.WriteInt(static_cast<int>(table.size()));
    for (const auto& item : table) {
      w.WriteString(item.first.path);
      w.WriteInt64(item.first.stamp);
      WriteEntryVector(w, item.second);
    }
  };
  writeEntries(record.usedImages);
  w.WriteInt(static_cast<int>(record.frameTimes.size()));
  for (const auto& item : record.frameTimes) {
    w.WriteString(item.first.path);
    w.WriteInt64(item.first.stamp);
    WriteFloatVector(w, item.second);
  }
  if (version != 1) writeEntries(record.otherFiles);
  if (version != 1 && version != 2) {
    w.WriteInt(static_cast<int>(record.guids.size()));
    for (const DS_GuidResource& item : record.guids) {
      DS_IOF_Virtual::WriteGuid(w, item.guid);
      w.WriteString(item.name);
      w.WriteByte(item.flag);
      w.WriteNamedBuffer(item.buffer);
    }
  }
  return w.Bytes();
}

// Reads a record (header included) into a new manager as the loader does. `ok`
// receives Read's answer and `bytesLeft` what the stream did not consume.
inline std::unique_ptr<DS_DocResManager> ReadDocResRecord(const std::vector<unsigned char>& bytes,
                                                          bool* ok = nullptr,
                                                          size_t* bytesLeft = nullptr) {
  ResourceBuffer buffer(bytes.data(), bytes.size());
  DS_IOF_Handle handle(new DS_IOF_R<ResourceBuffer>(&buffer));
  int version = ReadLevelHeader(*handle);
  std::unique_ptr<DS_DocResManager> manager(new DS_DocResManager());
  bool read = manager->Read(handle, version);
  if (ok) *ok = read;
  if (bytesLeft) *bytesLeft = handle->BytesLeft();
  return manager;
}

}  // namespace ds_test
