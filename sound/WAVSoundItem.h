#pragma once
// The WAV sound item of a slide: a sound of the document's file library (or of a
// module) played through a DirectSound secondary buffer. The buffer is made when the
// item's run-time object is created (slide build, with the unit's resource manager
// current); the item then starts, loops or stops it as its time line turns visible and
// invisible. The item's clone in the run-time object shares the buffer.

#include "document/FileLink.h"
#include "sound/SoundItems.h"
#include "sound/WAVSoundBuffer.h"

class DS_WAV_Constructor : public DS_Sound_Ctrl {
public:
  static const int kRecordVersion = 1;

  DS_WAV_Constructor() = default;
  // Copies the link and shares the buffer.
  DS_WAV_Constructor(const DS_WAV_Constructor& other) = default;

  // The record after its header: the file link, then the "DS_Sound_Ctrl" section.
  void Read(DS_IOF_Handle& handle, int version);
  template <class IO>
  void Fields(IO& io, int version);
  void Write(DS_IOF_Virtual& stream) const override;
  // With `flag` set the sound is played once from its start (the authoring tool's
  // preview); then the sound items' common frame information.
  DS_TextureFrameInfo& GetTextureFrameInfo(DS_TextureFrameInfo& info, int flag) const override;

  void Prepare() override;
  void Stop() override;
  void ReleaseMedia() override { m_buffer.Release(); }
  void Update(float time) override;
  DS_Sound_Ctrl* Clone() const override { return new DS_WAV_Constructor(*this); }

  // Parses the linked WAV of g_CurrentDocResManager's library, gives the time line the
  // sound's length as its shown time (no fades) and fills a new buffer. False when
  // there is no manager, no WAV, no sound device or DirectSound refuses the buffer.
  bool CreateBuffer();
  bool PlayFromStart(bool looping) { return m_buffer.PlayFromStart(looping); }

  DS_FileLink3& GetFileLink() { return m_file; }
  const DS_FileLink3& GetFileLink() const { return m_file; }
  const DS_WAVSoundBuffer& Buffer() const { return m_buffer; }

private:
  DS_FileLink3 m_file;
  DS_WAVSoundBuffer m_buffer;
};
