#include "sound/WAVSoundBuffer.h"

#include <algorithm>
#include <cstring>

#include "sound/DirectSoundDevice.h"

namespace {

// The interface id lives in dxguid, which the saver does not link.
const GUID kIID_DirectSoundBuffer8 = {
    0x6825A449, 0x7524, 0x4D82, {0x92, 0x0F, 0x50, 0xE3, 0x6A, 0xB3, 0xAB, 0x1E}};

const long kVolumeStep = 50;
const long kPanStep = 100;
const long kCentre = 5000;

bool FillBuffer(IDirectSoundBuffer8* buffer, const std::vector<unsigned char>& samples) {
  void* first = nullptr;
  void* second = nullptr;
  DWORD firstSize = 0;
  DWORD secondSize = 0;
  if (FAILED(buffer->Lock(0, 0, &first, &firstSize, &second, &secondSize,
                          DSBLOCK_ENTIREBUFFER)))
    return false;
  std::memcpy(first, samples.data(), std::min<size_t>(firstSize, samples.size()));
  buffer->Unlock(first, firstSize, second, secondSize);
  return true;
}

}  // namespace

long WAVVolumeFromSetting(unsigned int volume) {
  // The document's value is untrusted: beyond 100 SetVolume would refuse it.
  return static_cast<long>(std::min(volume, 100u)) * kVolumeStep - kCentre;
}

long WAVPanFromSetting(unsigned int balance) {
  return static_cast<long>(std::min(balance, 100u)) * kPanStep - kCentre;
}

bool DS_WAVSoundBuffer::CreateBuffer(const DS_WAVData& wav) {
  if (!g_DirectSound) return false;
  if (wav.format.size() < sizeof(WAVEFORMATEX) || wav.samples.size() < DSBSIZE_MIN ||
      wav.samples.size() > DSBSIZE_MAX)
    return false;

  // dwSize must be the structure's real size (it differs between 32 and 64 bits).
  DSBUFFERDESC desc = {};
  desc.dwSize = sizeof(desc);
  desc.dwFlags = g_SoundFocusFlags | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME;
  desc.dwBufferBytes = static_cast<DWORD>(wav.samples.size());
  std::vector<unsigned char> format = wav.format;
  desc.lpwfxFormat = reinterpret_cast<WAVEFORMATEX*>(format.data());

  DS_ComHolder<IDirectSoundBuffer> plain;
  if (FAILED(g_DirectSound->CreateSoundBuffer(&desc, plain.Receive(), nullptr)) || !plain)
    return false;
  m_buffer.Release();
  if (FAILED(plain->QueryInterface(kIID_DirectSoundBuffer8,
                                   reinterpret_cast<void**>(m_buffer.Receive()))) ||
      !m_buffer) {
    m_buffer.Release();
    return false;
  }
  if (!FillBuffer(m_buffer.Get(), wav.samples)) {
    m_buffer.Release();
    return false;
  }
  return true;
}

bool DS_WAVSoundBuffer::CreateBuffer(const unsigned char* bytes, size_t size,
                                     int& lengthHundredths) {
  DS_WAVData wav;
  if (!ParseWAVFile(bytes, size, wav)) return false;
  lengthHundredths = WAVLengthHundredths(wav.samples.size(), wav.Format().nAvgBytesPerSec);
  return CreateBuffer(wav);
}

void DS_WAVSoundBuffer::ApplyVolume(unsigned int volume, unsigned int balance) {
  if (!m_buffer) return;
  m_buffer->SetVolume(WAVVolumeFromSetting(volume));
  m_buffer->SetPan(WAVPanFromSetting(balance));
}

bool DS_WAVSoundBuffer::PlayFromStart(bool looping) {
  if (!m_buffer || FAILED(m_buffer->SetCurrentPosition(0))) return false;
  return SUCCEEDED(m_buffer->Play(0, 0, looping ? DSBPLAY_LOOPING : 0));
}

void DS_WAVSoundBuffer::Stop() {
  if (m_buffer) m_buffer->Stop();
}

void DS_WAVSoundBuffer::Release() {
  Stop();
  m_buffer.Release();
}

void DS_WAVSoundBuffer::Update(int phase, int mode) {
  if (!m_buffer) return;
  DWORD status = 0;
  if (FAILED(m_buffer->GetStatus(&status))) return;
  if (status & DSBSTATUS_PLAYING) {
    if (phase == kSoundInvisiblePhase && (status & DSBSTATUS_LOOPING)) m_buffer->Stop();
  } else if (phase == kSoundVisiblePhase) {
    PlayFromStart(mode == kSoundAlwaysVisibleMode);
  }
}
