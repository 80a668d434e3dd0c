#pragma once
// Grass: blades standing on the bottom edge of the item's area, each swaying about
// its foot. The time line runs the sway's clock (time mode 2) instead of fading the
// blades; only in time mode 1 does its opacity reach the picture.

#include "objects/sprites/ParticleSystemCtrl.h"

class DS_GrassConstructor : public DS_ParticleSystemCtrl {
public:
  static const int kRecordVersion = 1;
  static constexpr float kDefaultSwayAmplitude = 3.0f;

  DS_GrassConstructor();
  DS_GrassConstructor(const DS_GrassConstructor& other) = default;

  // Sway amplitude, then the "DS_BaseSpriteProp" section.
  void Write(DS_IOF_Virtual& stream) const override;
  void Read(DS_IOF_Handle& handle, int version);
  // The level's fields, for reading and writing alike.
  template <class IO>
  void Fields(IO& io, int version);
  DS_ParticleSystemCtrl* Clone() const override;

  // A random foot on the bottom edge, a random phase, mirrored one time in two.
  void InitParticle(DS_SpriteParticle& sprite) override;
  // Shears the blade so that its foot stays put and its top sways.
  void UpdateParticle(DS_SpriteParticle& sprite) override;
  // The time line's opacity in time mode 1 only.
  DWORD ApplyTimelineAlpha(DWORD argb) const override;

  // Degrees.
  float swayAmplitude = kDefaultSwayAmplitude;
};

// Shear of a blade or flower leaning by `degrees` (tan of the angle). The lean is
// kept short of a right angle and a lean that is not a number counts as none, so
// a document's amplitude cannot throw the picture to infinity.
float SwayShear(float degrees);
