#pragma once
// God rays: tall rays of light across the whole scene height, sheared to lean by
// the ray angle, that drift sideways, change their drift now and then and twinkle.
// A ray that fades to the twinkle minimum is placed anew.

#include "document/MediaParam.h"
#include "objects/sprites/ParticleSystemCtrl.h"

class DS_GodRayConstructor : public DS_ParticleSystemCtrl {
public:
  static const int kRecordVersion = 1;
  static const unsigned int kDefaultRayAngle = 80;

  DS_GodRayConstructor();
  DS_GodRayConstructor(const DS_GodRayConstructor& other) = default;

  // Ray angle, then the "DS_BaseSpriteProp" section.
  void Write(DS_IOF_Virtual& stream) const override;
  // The record after its header (the version is ignored).
  void Read(DS_IOF_Handle& handle, int version);
  // The level's fields, for reading and writing alike.
  template <class IO>
  void Fields(IO& io, int version);
  DS_ParticleSystemCtrl* Clone() const override;

  // A random x in the area, the area's half height as y, a random sideways drift,
  // a sheared quad as wide as the sprite size and as high as the scene, and a
  // random opacity.
  void InitParticle(DS_SpriteParticle& sprite) override;
  // A new drift one time in two every quarter second, the move, the twinkle.
  void UpdateParticle(DS_SpriteParticle& sprite) override;

  // x offset of the quad's y axis for a ray angle in degrees: -cot(angle). Angles
  // with no finite shear (multiples of 180) give an unsheared ray.
  static float ShearForAngle(unsigned int degrees);

  // Degrees; 90 stands upright, less leans the top to the right.
  MediaParamT<unsigned int> rayAngle;
};
