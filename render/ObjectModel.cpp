#include "render/ObjectModel.h"

#include "document/ClassRegistry.h"
#include "document/FieldIO.h"
#include "render/TimeLine.h"

// ---- DS_ABObj_Constructor ----

DS_ABObj_Constructor::DS_ABObj_Constructor() : m_timeLine(new DS_TimeLineControl()) {}

DS_ABObj_Constructor::DS_ABObj_Constructor(const DS_ABObj_Constructor& other)
    : DS_IOF_Item(), m_name(other.m_name), m_timeLine(new DS_TimeLineControl(*other.m_timeLine)) {}

DS_ABObj_Constructor::~DS_ABObj_Constructor() = default;

template <class IO>
void DS_ABObj_Constructor::Fields(IO& io, int version) {
  io.Text(m_name);
  // From version 2 the time line's record follows.
}

void DS_ABObj_Constructor::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_ABObj_Constructor", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  m_timeLine->Write(stream);
}

DS_TextureFrameInfo& DS_ABObj_Constructor::GetTextureFrameInfo(DS_TextureFrameInfo& info, int flag) const {
  info = DS_TextureFrameInfo();
  return info;
}

void DS_ABObj_Constructor::Reset() { m_timeLine->ResetStates(); }

void DS_ABObj_Constructor::ReadSection(DS_IOF_Handle& handle) {
  int version = ReadLevelHeader(*handle);
  Read(handle, version);
}

void DS_ABObj_Constructor::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  // Version 1 keeps the default time line: always visible.
  if (version > 1) {
    int timeLineVersion = ReadLevelHeader(*handle);
    m_timeLine->Read(handle, timeLineVersion);
  }
}

DS_ABObj_Constructor* ReadAnyObject(DS_IOF_Handle& handle) {
  return DispatchRecord<DS_ABObj_Constructor>(handle, IOF_Virtual_Reader::GetRegistry());
}

// ---- DS_ABObj ----

DS_ABObj::DS_ABObj(DS_ABObj_Constructor* constructor) : m_constructor(constructor) {}

DS_ABObj::~DS_ABObj() = default;

int DS_ABObj::GetKind() const { return m_constructor ? m_constructor->GetKind() : DS_ABObj_Constructor::kItemKind; }

int DS_ABObj::QueryConstructor() { return m_constructor ? m_constructor->QueryObject(this) : 0; }

void DS_ABObj::Reset() {
  if (m_constructor) m_constructor->Reset();
}

void DS_ABObj::UpdateAt(float t) {
  float localTime = t;
  if (m_constructor) localTime = AdvanceLocalTime(m_constructor->TimeLine(), t);
  Update(localTime);
}

void DS_ABObj::SetWrappedTime(float t) {
  if (m_constructor) m_constructor->TimeLine().SetWrappedTime(t);
}
