#pragma once
// Fog: large puffs that drift at random speeds up to the item's drift, turn back
// when their centre leaves the area, slowly rotate (each by its own small step
// per frame) and breathe in opacity between the twinkle minimum and maximum.

#include "objects/sprites/ParticleSystemCtrl.h"

class DS_FogConstructor : public DS_ParticleSystemCtrl {
public:
  static const int kRecordVersion = 1;
  static constexpr float kDefaultDrift = 40.0f;
  // Largest rotation step of a puff, radians per frame.
  static constexpr float kMaxTurn = 0.004f;

  DS_FogConstructor();
  DS_FogConstructor(const DS_FogConstructor& other) = default;

  // Drift x and y, then the "DS_BaseSpriteProp" section.
  void Write(DS_IOF_Virtual& stream) const override;
  void Read(DS_IOF_Handle& handle, int version);
  // The level's fields, for reading and writing alike.
  template <class IO>
  void Fields(IO& io, int version);
  DS_ParticleSystemCtrl* Clone() const override;

  // A random place, drift, opacity and rotation step.
  void InitParticle(DS_SpriteParticle& sprite) override;
  // The move, the breathing (never re-placed), the bounce by the centre, the turn.
  void UpdateParticle(DS_SpriteParticle& sprite) override;

  // Largest drift along x and y, pixels per second.
  float driftX = kDefaultDrift;
  float driftY = kDefaultDrift;
};
