#pragma once
// The sound records of the scene document.
//
// DS_AudioFile is one background-music track of the slide show's audio list (owned by
// the slide show through a DS_SharedRef): a title and the file's bytes under its
// source path. DS_Sound_Ctrl is the abstract document item of a sound object of a
// slide (the WAV and MP3 items derive from it); its run-time object DS_Sound sits in
// the slide's secondary list, is updated every frame, and stops its sound when the
// slide is left.

#include "document/Item.h"
#include "document/MediaParam.h"
#include "document/ResourceEntry.h"
#include "render/ObjectModel.h"

// Defined here in full (but for EnsurePlayableFile) because the slide show, which
// owns the tracks, is drawing code that does not link the sound library.
class DS_AudioFile : public DS_IOF_Item {
public:
  static constexpr int kRecordVersion = 1;

  DS_AudioFile() = default;

  // Reads a whole "DS_AudioFile" record (header included; name and version are not
  // checked). Returns null when the stream failed on the way.
  static DS_AudioFile* CreateFromStream(DS_IOF_Virtual& stream) {
    ReadLevelHeader(stream);
    DS_AudioFile* track = new DS_AudioFile();
    stream.ReadString(track->m_title);
    stream.ReadNamedBuffer(track->m_file);
    if (stream.Failed()) {
      delete track;
      return nullptr;
    }
    return track;
  }
  void Write(DS_IOF_Virtual& stream) const override {
    WriteLevelHeader(stream, L"DS_AudioFile", kRecordVersion);
    stream.WriteString(m_title);
    stream.WriteNamedBuffer(m_file);
  }

  // Makes the track's name a path the music graph can open: a source path that
  // exists stays, otherwise the bytes go to a temporary file. False when the track
  // cannot be made playable.
  bool EnsurePlayableFile();

  const ds_string& GetTitle() const { return m_title; }
  void SetTitle(const ds_string& title) { m_title = title; }
  const DS_NamedBuffer& GetFile() const { return m_file; }
  DS_NamedBuffer& GetFile() { return m_file; }

private:
  ds_string m_title;
  DS_NamedBuffer m_file;
};

// Base item of the scene's sound objects. Volume 0..100 and balance 0 (left) .. 100
// (right); the concrete items drive DirectSound or DirectShow with them.
class DS_Sound_Ctrl : public DS_ABObj_Constructor {
public:
  static constexpr int kRecordVersion = 3;
  // Sound objects answer this kind.
  static constexpr int kSoundKind = 1;
  // The picture the authoring tool shows for a sound item.
  static constexpr int kSoundIconResource = 2016;

  DS_Sound_Ctrl();
  DS_Sound_Ctrl(const DS_Sound_Ctrl& other);

  void Write(DS_IOF_Virtual& stream) const override;
  DS_TextureFrameInfo& GetTextureFrameInfo(DS_TextureFrameInfo& info, int flag) const override;
  // A new DS_Sound running a clone of this item.
  DS_ABObj* CreateObject() override;

  // Makes the buffer or graph; called once, when the run-time object is made.
  virtual void Prepare() = 0;
  virtual void Stop() = 0;
  // The end of the run: stops the sound and releases its buffer or graph for good,
  // so that no media stream still plays while the process goes down.
  virtual void ReleaseMedia() = 0;
  // Per-frame step at the object's local time: plays while visible.
  virtual void Update(float time) = 0;
  virtual DS_Sound_Ctrl* Clone() const = 0;

  // The "DS_Sound_Ctrl" section: header, then Read. Concrete readers end with it.
  void ReadSection(DS_IOF_Handle& handle);
  // The section's fields after its header, then the base item's section.
  void Read(DS_IOF_Handle& handle, int version);
  // What the section stores, read into values first: the reader assigns the volume
  // and the balance with notification, and older sections' play mode and silent
  // stretch (whole seconds) go to the time line.
  struct StoredValues {
    unsigned int volume = 0;
    unsigned int balance = 0;
    long mode = 0;
    unsigned int hiddenLo = 0;
    unsigned int hiddenHi = 0;
  };
  template <class IO>
  void Fields(IO& io, int version, StoredValues& stored);

  MediaParamT<unsigned int> volume;
  MediaParamT<unsigned int> balance;
};

// The run-time object of a sound item: updates the item while enabled and stops it
// when disabled. Owns the item clone (through DS_ABObj).
class DS_Sound : public DS_ABObj {
public:
  // Takes ownership of `item` and prepares its sound at once.
  explicit DS_Sound(DS_Sound_Ctrl* item);

  void Render(DS_ABRender* layer) override {}
  void OnMouseMove(int x, int y) override {}
  void OnResize() override {}
  // Disabling stops the sound; enabling only lets the next Update play it.
  void SetEnabled(bool enabled) override;
  bool NeedsSceneInput() const override { return false; }
  int GetKind() const override { return DS_Sound_Ctrl::kSoundKind; }
  bool HitTest(POINT point, int ignored) override { return false; }
  void Update(float localTime) override;
  // Releases the item's media for good (ReleaseMedia) and stays silent from then on.
  void ReleaseSound();

  bool IsSoundEnabled() const { return m_soundEnabled; }
  DS_Sound_Ctrl* GetItem() const { return m_item; }

private:
  DS_Sound_Ctrl* m_item;  // the clone the base owns
  bool m_soundEnabled = true;
};

// Whole seconds of an old record to hundredths, saturating instead of wrapping.
unsigned int SecondsToHundredths(unsigned int seconds);
