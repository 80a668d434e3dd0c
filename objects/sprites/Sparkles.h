#pragma once
// Sparkles: sprites that drift slowly in random directions and twinkle, growing
// with their opacity from half to full size. A sparkle that fades to the twinkle
// minimum is placed anew.

#include "objects/sprites/ParticleSystemCtrl.h"

class DS_SparkleConstructor : public DS_ParticleSystemCtrl {
public:
  static const int kRecordVersion = 1;

  DS_SparkleConstructor();
  DS_SparkleConstructor(const DS_SparkleConstructor& other) = default;

  // No fields of its own: the header, then the "DS_BaseSpriteProp" section.
  void Write(DS_IOF_Virtual& stream) const override;
  void Read(DS_IOF_Handle& handle, int version);
  DS_ParticleSystemCtrl* Clone() const override;

  // A random drift, place and opacity.
  void InitParticle(DS_SpriteParticle& sprite) override;
  // The move, the twinkle, then the size from the opacity.
  void UpdateParticle(DS_SpriteParticle& sprite) override;
};
