#include "sound/WAVSoundItem.h"

#include "document/ClassRegistry.h"
#include "document/FieldIO.h"
#include "document/DocResManager.h"
#include "render/TimeLine.h"

namespace {

IOF_Virtual_ReaderT<DS_WAV_Constructor> s_wavReader(L"DS_WAV_Constructor");

}  // namespace

void DS_WAV_Constructor::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  ReadSection(handle);
}

template <class IO>
void DS_WAV_Constructor::Fields(IO& io, int version) {
  io.Link(m_file);
}

void DS_WAV_Constructor::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_WAV_Constructor", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  DS_Sound_Ctrl::Write(stream);
}

DS_TextureFrameInfo& DS_WAV_Constructor::GetTextureFrameInfo(DS_TextureFrameInfo& info,
                                                             int flag) const {
  if (flag) {
    // The preview makes the buffer on demand; the item itself is otherwise unchanged.
    DS_WAV_Constructor& self = const_cast<DS_WAV_Constructor&>(*this);
    if (!m_buffer.HasBuffer()) self.Prepare();
    self.m_buffer.PlayFromStart(false);
  }
  return DS_Sound_Ctrl::GetTextureFrameInfo(info, flag);
}

bool DS_WAV_Constructor::CreateBuffer() {
  if (!g_CurrentDocResManager) return false;
  const DS_ResourceEntry& entry = g_CurrentDocResManager->GetLibraryEntry(m_file);
  int length = -1;
  const bool made = m_buffer.CreateBuffer(entry.Data(), entry.Size(), length);
  if (length >= 0) {
    // The sound shows for exactly its own length, without fades.
    DS_TimeLineControl& timeLine = TimeLine();
    timeLine.shown.hi.SetValue(static_cast<unsigned int>(length));
    timeLine.shown.lo.SetValue(timeLine.shown.hi.GetValue());
    timeLine.fadeOut.SetValue(0u);
    timeLine.fadeIn.SetValue(timeLine.fadeOut.GetValue());
  }
  return made;
}

void DS_WAV_Constructor::Prepare() {
  if (!m_buffer.HasBuffer()) CreateBuffer();
  m_buffer.ApplyVolume(volume.GetValue(), balance.GetValue());
}

void DS_WAV_Constructor::Stop() { m_buffer.Stop(); }

void DS_WAV_Constructor::Update(float time) {
  const DS_TimeLineControl& timeLine = TimeLine();
  m_buffer.Update(timeLine.GetPhase(), timeLine.mode.GetValue());
}
