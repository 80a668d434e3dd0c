#pragma once
// A flower: a static sprite that sways about its foot on the sprite clock. Like the
// grass, the time line runs the clock (time mode 2) and fades the picture only in
// time mode 1.

#include "objects/sprites/StaticSprite.h"

class DS_FlowerConstructor : public DS_StatObjConstructor {
public:
  static const int kRecordVersion = 1;
  static constexpr float kDefaultSwayAmplitude = 1.5f;

  DS_FlowerConstructor();
  DS_FlowerConstructor(const DS_FlowerConstructor& other) = default;

  // Sway amplitude, then the "DS_StatObjConstructor" section.
  void Write(DS_IOF_Virtual& stream) const override;
  void Read(DS_IOF_Handle& handle, int version);
  // The level's fields, for reading and writing alike.
  template <class IO>
  void Fields(IO& io, int version);
  DS_ParticleSystemCtrl* Clone() const override;

  // Shears the turned picture so that its head sways.
  void UpdateParticle(DS_SpriteParticle& sprite) override;
  // The time line's opacity in time mode 1 only.
  DWORD ApplyTimelineAlpha(DWORD argb) const override;

  // Degrees.
  float swayAmplitude = kDefaultSwayAmplitude;
};
