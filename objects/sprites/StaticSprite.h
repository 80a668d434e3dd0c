#pragma once
// A static sprite: one picture placed at a point of the scene, turned by its rotation
// angle, with a rectangle that the item keeps around the turned picture for hit
// tests. The item owns its rectangle and rotation.

#include <d3dx9math.h>

#include "document/CompositeParams.h"
#include "document/MediaParam.h"
#include "objects/sprites/ParticleSystemCtrl.h"

class DS_StatObjConstructor : public DS_ParticleSystemCtrl {
public:
  static const int kRecordVersion = 2;

  DS_StatObjConstructor();
  DS_StatObjConstructor(const DS_StatObjConstructor& other) = default;

  // Rectangle, rotation angle, then the "DS_BaseSpriteProp" section.
  void Write(DS_IOF_Virtual& stream) const override;
  // The record after its header; version 1 records carry the two flip flags here.
  void Read(DS_IOF_Handle& handle, int version);
  // The level's fields, for reading and writing alike.
  template <class IO>
  void Fields(IO& io, int version);
  DS_ParticleSystemCtrl* Clone() const override;

  // At the rectangle's centre, turned by the rotation angle; then the rectangle is
  // fitted around it.
  void InitParticle(DS_SpriteParticle& sprite) override;

  // The rectangle as a screen quad.
  void GetScreenQuad(DS_ScreenQuad& quad) const override;
  bool HitTest(float x, float y) const override { return rectangle.Contains(x, y); }

  // Bounding box of the turned sprite, each edge truncated toward zero.
  void UpdateRect(const DS_SpriteParticle& sprite);

  // Bounding box in scene pixels; its two further values are the centre.
  MediaRectangle rectangle;
  // Degrees.
  MediaParamT<unsigned int> rotationAngle;
  D3DXMATRIX rotation;
};
