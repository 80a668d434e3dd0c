#pragma once
// The control of one side of a flowing-sprite area: what a sprite does when it
// reaches that side. Mode 0 fades it out once it has left, keeps it still for a
// random delay and brings it back just inside the opposite side, fading in;
// mode 1 turns it back as soon as it crosses the edge; mode 2 turns it back once
// it has left and keeps it there for a random delay first. A sprite is handled
// by at most one side at a time (its edge side); while it is, the control that
// took it continues it every update until it lets it go.

#include "document/Item.h"
#include "document/MediaParam.h"

class DS_ViewObjCtrl;
struct DS_SpriteParticle;

class DS_BoundControl : public DS_IOF_Item {
public:
  static const int kRecordVersion = 1;
  enum Side { kTop = 0, kBottom = 1, kLeft = 2, kRight = 3, kSideCount = 4 };
  enum Mode { kFadeAndReturn = 0, kBounce = 1, kBounceAndPause = 2 };

  typedef bool (DS_SpriteParticle::*EdgeTest)(const DS_ViewObjCtrl&) const;

  DS_BoundControl();
  DS_BoundControl(const DS_BoundControl&) = delete;
  DS_BoundControl& operator=(const DS_BoundControl&) = delete;
  ~DS_BoundControl() override;

  // Header, mode, fade-out, fade-in, minimum and maximum delay.
  void Write(DS_IOF_Virtual& stream) const override;
  // The record after its header (the version is ignored).
  void Read(DS_IOF_Handle& handle, int version);
  // The level's fields, for reading and writing alike.
  template <class IO>
  void Fields(IO& io, int version);
  // The whole section, header included, as a field of the flow's level.
  void ReadField(DS_IOF_Virtual& stream);
  void WriteField(DS_IOF_Virtual& stream) const { Write(stream); }

  // Takes the side, its tests and the five values (with notification).
  void Assign(const DS_BoundControl& source);
  // Becomes the control of `side` with that side's outside and crossing tests;
  // an unknown side has none and never takes a sprite.
  void BindSide(int side);

  // Takes the sprite or continues it; true when this control handles it (the
  // later sides are then not asked).
  bool Apply(DS_ViewObjCtrl& item, DS_SpriteParticle& sprite);

  int GetSide() const { return m_side; }

  MediaParamT<int> mode;
  // Milliseconds.
  MediaParamT<unsigned int> fadeOut;
  MediaParamT<unsigned int> fadeIn;
  MediaParamT<unsigned int> minDelay;
  MediaParamT<unsigned int> maxDelay;

private:
  bool IsOutside(const DS_ViewObjCtrl& item, const DS_SpriteParticle& sprite) const;
  bool Crosses(const DS_ViewObjCtrl& item, const DS_SpriteParticle& sprite) const;
  bool StartBounce(DS_ViewObjCtrl& item, DS_SpriteParticle& sprite);
  bool StartBouncePause(DS_ViewObjCtrl& item, DS_SpriteParticle& sprite);
  bool Continue(DS_ViewObjCtrl& item, DS_SpriteParticle& sprite);
  // Moves the sprite just inside the opposite side, at a random place along it.
  void PlaceOpposite(const DS_ViewObjCtrl& item, DS_SpriteParticle& sprite) const;
  // Reverses the direction multiplier of the side's axis.
  void Reverse(DS_SpriteParticle& sprite) const;
  // Accumulated time plus a random delay between the two delays, in seconds.
  float RandomDeadline(const DS_ViewObjCtrl& item) const;
  bool Horizontal() const { return m_side == kLeft || m_side == kRight; }

  int m_side = -1;
  EdgeTest m_outside = nullptr;
  EdgeTest m_crosses = nullptr;
};
