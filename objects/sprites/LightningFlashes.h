#pragma once
// Lightning flashes: each sprite is dark for a while drawn from the time line's
// hidden range, then flashes at a new random place and angle (mirrored one time
// in two), fades within about a sixth of a second and may flicker back. The
// time line only supplies the dark pauses; it does not dim the flashes.

#include "objects/sprites/ParticleSystemCtrl.h"

class DS_LightingConstructor : public DS_ParticleSystemCtrl {
public:
  static const int kRecordVersion = 1;
  // Opacity a showing flash loses per second of control time.
  static constexpr float kFadeRate = 6.0f;
  // A showing flash may be re-lit once this much control time has passed.
  static constexpr float kFlickerInterval = 0.15f;

  DS_LightingConstructor();
  DS_LightingConstructor(const DS_LightingConstructor& other) = default;

  // No fields of its own: the header, then the "DS_BaseSpriteProp" section.
  void Write(DS_IOF_Virtual& stream) const override;
  void Read(DS_IOF_Handle& handle, int version);
  DS_ParticleSystemCtrl* Clone() const override;

  // A place inside the area, a random tilt within 22.5 degrees, a random mirror;
  // dark.
  void InitParticle(DS_SpriteParticle& sprite) override;
  // Fading and flickering while lit; a new flash once the dark delay has passed.
  void UpdateParticle(DS_SpriteParticle& sprite) override;
  // The colour as it is: the flashes are not dimmed by the time line.
  DWORD ApplyTimelineAlpha(DWORD argb) const override { return argb; }
};
