#include "sound/SoundItems.h"

#include <cstdint>

#include "document/FileLink.h"
#include "document/FieldIO.h"
#include "document/ModuleResources.h"
#include "render/TimeLine.h"
#include "sound/MusicFileStore.h"

namespace {

// Section version from which the time line alone says when a sound plays.
const int kFirstVersionWithoutTimes = 3;
const unsigned int kHundredthsPerSecond = 100;

// One link for every sound item, made on first use and kept to the end.
const DS_ImageFileLink& SoundIconLink() {
  static const DS_ImageFileLink link(DS_Sound_Ctrl::kSoundIconResource, kSharedModuleName);
  return link;
}

}  // namespace

unsigned int SecondsToHundredths(unsigned int seconds) {
  const uint64_t hundredths = uint64_t(seconds) * kHundredthsPerSecond;
  return hundredths > UINT32_MAX ? UINT32_MAX : static_cast<unsigned int>(hundredths);
}

// ---- DS_AudioFile ----

bool DS_AudioFile::EnsurePlayableFile() { return EnsurePlayableMusicFile(m_file); }

// ---- DS_Sound_Ctrl ----

DS_Sound_Ctrl::DS_Sound_Ctrl() : volume(100u), balance(50u) {}

DS_Sound_Ctrl::DS_Sound_Ctrl(const DS_Sound_Ctrl& other)
    : DS_ABObj_Constructor(other), volume(other.volume.GetValue()), balance(other.balance.GetValue()) {}

template <class IO>
void DS_Sound_Ctrl::Fields(IO& io, int version, StoredValues& stored) {
  io.UInt(stored.volume);
  io.UInt(stored.balance);
  if (version < kFirstVersionWithoutTimes) {
    io.Long(stored.mode);
    io.UInt(stored.hiddenLo);
    io.UInt(stored.hiddenHi);
  }
}

void DS_Sound_Ctrl::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_Sound_Ctrl", kRecordVersion);
  StoredValues stored;
  stored.volume = volume.GetValue();
  stored.balance = balance.GetValue();
  WriteFields(stream, *this, kRecordVersion, stored);
  DS_ABObj_Constructor::Write(stream);
}

DS_TextureFrameInfo& DS_Sound_Ctrl::GetTextureFrameInfo(DS_TextureFrameInfo& info, int flag) const {
  info = DS_TextureFrameInfo();
  info.imageLink = &SoundIconLink();
  return info;
}

DS_ABObj* DS_Sound_Ctrl::CreateObject() { return new DS_Sound(Clone()); }

void DS_Sound_Ctrl::ReadSection(DS_IOF_Handle& handle) {
  const int version = ReadLevelHeader(*handle);
  Read(handle, version);
}

void DS_Sound_Ctrl::Read(DS_IOF_Handle& handle, int version) {
  DS_TimeLineControl& timeLine = TimeLine();
  StoredValues stored;
  stored.volume = volume.GetValue();
  stored.balance = balance.GetValue();
  stored.mode = timeLine.mode.GetValue();
  ReadFields(*handle, *this, version, stored);
  volume.SetValue(stored.volume);
  balance.SetValue(stored.balance);
  if (version < kFirstVersionWithoutTimes) {
    // Older sections kept the play mode and the silent stretch in whole seconds; the
    // time line holds them now.
    if (handle->Failed()) return;
    timeLine.mode.SetValue(static_cast<int>(stored.mode));
    timeLine.hidden.lo.SetValue(SecondsToHundredths(stored.hiddenLo));
    timeLine.hidden.hi.SetValue(SecondsToHundredths(stored.hiddenHi));
  }
  DS_ABObj_Constructor::ReadSection(handle);
}

// ---- DS_Sound ----

DS_Sound::DS_Sound(DS_Sound_Ctrl* item) : DS_ABObj(item), m_item(item) {
  if (m_item) m_item->Prepare();
}

void DS_Sound::SetEnabled(bool enabled) {
  if (!enabled && m_item) m_item->Stop();
  m_soundEnabled = enabled;
}

void DS_Sound::ReleaseSound() {
  m_soundEnabled = false;
  if (m_item) m_item->ReleaseMedia();
}

void DS_Sound::Update(float localTime) {
  if (m_soundEnabled && m_item) m_item->Update(localTime);
}
