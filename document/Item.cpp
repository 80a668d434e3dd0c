#include "document/Item.h"

DS_IOF_Item::~DS_IOF_Item() = default;

int ReadLevelHeader(DS_IOF_Virtual& stream) {
  ds_string name;
  int version = 0;
  stream.ReadString(name);
  stream.ReadInt(version);
  return version;
}

void WriteLevelHeader(DS_IOF_Virtual& stream, const wchar_t* className, int version) {
  stream.WriteString(className);
  stream.WriteInt(version);
}
