#pragma once
// The level of the sprite item classes (god rays, sparkles, fog, flowing
// sprites, rain, fish, grass, static sprites, the effect-drawn items). It adds
// no fields and no record section: a sprite item reads its own fields and then
// the "DS_BaseSpriteProp" section. What it adds is the code the families share:
// the run-time object every sprite item creates (a DS_SpriteArrayObj owning a
// clone of the item), the common per-sprite operations (initialisation,
// twinkle, colour), and the conversion of the images that version-1 records
// carried inside them into image links.
//
// Random draws use the runtime's one rand() sequence: rand[a, b] below stands
// for a + rand() / 32767 x (b - a).

#include <d3d9.h>
#include <d3dx9math.h>

#include "render/SpriteProp.h"

struct DS_SpriteParticle;

class DS_ParticleSystemCtrl : public DS_BaseSpriteProp {
public:
  DS_ParticleSystemCtrl() = default;
  DS_ParticleSystemCtrl(const DS_ParticleSystemCtrl& other) = default;

  // A heap copy made with the item class's copy constructor.
  virtual DS_ParticleSystemCtrl* Clone() const = 0;

  // Resolves the embedded images, then a DS_SpriteArrayObj owning Clone ().
  DS_ABObj* CreateObject() override;

  // A version-1 item (no main image path) gets links to its embedded images
  // from the current resource manager; the embedded frames and times are then
  // dropped.
  void ResolveImageLinks();

  // Height over width of one frame of the main image: the texture set's scale,
  // times the frame count for a strip. 1.0 without a resource manager.
  float GetFrameAspect() const;

  // Shared per-sprite operations of the families.
  // Zero motion and texture coordinates, unit axes, centre (100, 100), size
  // factor rand[size-factor minimum, maximum], half extents from the frame
  // aspect, full UVs.
  static void InitSprite(DS_SpriteParticle& sprite, const DS_ParticleSystemCtrl& item);
  // Clears the event times and edge state, alpha 1, twinkle speed +-twinkle
  // rate (minus when rand() is odd), then packs the colour.
  static void InitTwinkle(DS_SpriteParticle& sprite, const DS_ParticleSystemCtrl& item);
  // c = size factor x sprite size / 2 on the longer side, aspect-scaled on the
  // other.
  static void SetHalfExtents(unsigned int spriteSize, DS_SpriteParticle& sprite);
  // centre - hw x x axis - hh x y axis: the top-left corner of an unmirrored
  // sprite.
  static D3DXVECTOR3 GetSpriteCorner(const DS_SpriteParticle& sprite);
  // Moves alpha by the control step and bounces it between the twinkle minimum
  // and maximum; at the minimum the sprite is re-initialised by the item when
  // `respawn`. The colour is not repacked.
  static void StepTwinkle(DS_SpriteParticle& sprite, DS_ParticleSystemCtrl& item, bool respawn);
  // Opacity byte x alpha (truncated, low 8 bits) over the item's colour as
  // ARGB.
  static D3DCOLOR PackColor(const DS_ParticleSystemCtrl& item, const DS_SpriteParticle& sprite);
};
