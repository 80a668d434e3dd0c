#pragma once
// The top object of the scene document: the slides, the background-music tracks, and
// the slide clock. Every frame the host's scene slot calls Update with its scene time
// and then Render; the show makes slide 0 current on the first call, moves to the
// next slide (wrapping) once the current one's fade-in, show and fade-out seconds have
// passed, and fades through black with an overlay drawn over the slide. It keeps no
// timer of its own. The scene slot owns the show; the show owns its slides and tracks.

#include <memory>
#include <vector>

#include "document/AbortCheck.h"
#include "document/Item.h"
#include "render/Mesh.h"
#include "render/ScreenQuad.h"
#include "render/SlideContainer.h"
#include "sound/SoundItems.h"

class DS_SlideShow_Light : public DS_IOF_Item {
public:
  static constexpr int kRecordVersion = 1;
  // The overlay is black; only its alpha changes.
  static constexpr D3DCOLOR kOverlayColor = 0x00000000;

  DS_SlideShow_Light();
  DS_SlideShow_Light(const DS_SlideShow_Light&) = delete;
  DS_SlideShow_Light& operator=(const DS_SlideShow_Light&) = delete;
  ~DS_SlideShow_Light() override;

  void Write(DS_IOF_Virtual& stream) const override;
  // Draws the current slide, its surround and the fade overlay. Needs an Update first.
  virtual int Render(bool noClear);
  // Every slide's layer lets go of its render targets, then the document's device
  // objects are released once.
  virtual int OnDeviceLost();
  // After a reset: the current slide's layer and the document's device objects.
  virtual int OnDeviceRestored();
  // Advances the show to scene time t (seconds). Always 0.
  virtual int Update(float t);
  virtual void ActivateCurrentSlide();
  // The back buffer's full extent.
  virtual DS_ScreenQuad GetScreenQuad() const;

  // uint32 count, then that many slide records; a slide that cannot be read fails the
  // stream and is not stored.
  void ReadSlides(DS_IOF_Handle& handle);
  void ReadAudioFiles(DS_IOF_Handle& handle);

  // Once, right after loading, with the unit's device and the document current. With
  // `deferPictures` (the host) only slide 0's pictures are read here: every other
  // slide's are read while the slide before it shows, a picture a frame, and at the
  // latest when the slide becomes current. Without it every picture is read as its
  // objects look it up.
  void BuildSlideObjects(bool deferPictures = false);
  // Asked between the slides built and between the pictures read (null: never
  // stop); must outlive the show. Once it has answered yes the show is Aborted: the
  // work in progress stops there and Update does nothing more, for the saver is
  // ending and its device may be gone.
  void SetAbortCheck(DS_AbortCheck* check) { m_abortCheck = check; }
  bool Aborted() const { return m_aborted; }
  // The saver's picture position on every slide (0 stretch, 1 fit, 2 fill).
  void ApplyPicturePosition(int type);

  // The show takes ownership; null is ignored.
  void AddSlide(DS_SlideContainer* slide);
  void AddAudioFile(DS_AudioFile* track);

  size_t GetSlideCount() const { return m_slides.size(); }
  DS_SharedRef<DS_SlideContainer> GetSlide(size_t index) const { return m_slides.at(index); }
  DS_SharedRef<DS_SlideContainer> GetCurrentSlide() const { return m_current; }
  // Index of the current slide, or -1 before the first Update.
  int GetCurrentIndex() const { return m_currentIndex; }
  unsigned int GetNextIndex() const { return m_nextIndex; }
  float GetStartTime() const { return m_startTime; }
  const std::vector<DS_SharedRef<DS_AudioFile>>& GetAudioFiles() const { return m_audioFiles; }
  // The overlay's four vertices, null before the first Update.
  const DX_V::SC* GetOverlay() const { return m_overlayBuilt ? m_overlay : nullptr; }
  // The alpha byte the overlay was last given.
  int GetOverlayAlpha() const { return m_overlayAlpha; }
  // After an Update at t: the scene time until which the picture stays as it is (the
  // start of the current slide's fade-out, infinity for a single slide), or t when it
  // changes now (a fade, a drifting camera, objects).
  float StillUntil(float t) const;

private:
  void SwitchToNextSlide(float t);
  // Reads what slide `index`'s pictures still lack: all of it, or with `justOne` the
  // next picture that lacks its pixels. True when something was read.
  bool ReadSlidePictures(size_t index, bool justOne);
  bool HasUnreadSlidePictures(size_t index) const;
  // Asks the abort check (once it said yes, no more): true when the work stops here.
  bool CheckAbort();
  void SetOverlayAlpha(float alpha);
  // The document's device objects, made again after a reset or on activation.
  static void RestoreDocumentDeviceObjects();

  DS_SharedRef<DS_SlideContainer> m_current;
  std::vector<DS_SharedRef<DS_SlideContainer>> m_slides;
  std::vector<DS_SharedRef<DS_AudioFile>> m_audioFiles;
  // Per slide, the document's pictures its objects hold whose pixels may be unread,
  // the first looked up last; emptied as they are read.
  std::vector<std::vector<DS_FileKey>> m_slidePictures;
  float m_startTime = 0.0f;
  unsigned int m_nextIndex = 1;
  // Drawn from here: a fade changes four colours, with no buffer to lock.
  DX_V::SC m_overlay[4] = {};
  bool m_overlayBuilt = false;
  float m_lastTime = 0.0f;
  int m_currentIndex = -1;
  int m_overlayAlpha = 0;
  DS_AbortCheck* m_abortCheck = nullptr;
  bool m_aborted = false;
};
