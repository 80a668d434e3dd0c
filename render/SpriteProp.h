#pragma once
// The properties every sprite item shares: sprite count and size, opacity, colour,
// twinkle and size ranges, two images with their frame animation, flips and the
// sprite clock. The sprite families (DS_ParticleSystemCtrl and its items) derive
// from it; the item owns all of it, and its clone copies all of it.
//
// Unlike the other levels, its record puts its base section first: the
// "DS_BaseSpriteProp" header, the whole "DS_ViewObjCtrl" section, then its fields.

#include <vector>

#include "document/FileLink.h"
#include "document/MediaParam.h"
#include "document/ResourceEntry.h"
#include "document/ScaledParams.h"
#include "render/ViewObjCtrl.h"

struct DS_SpriteParticle;

class DS_BaseSpriteProp : public DS_ViewObjCtrl {
public:
  static const int kRecordVersion = 7;
  // The transparency is stored in percent; its byte result is the opacity.
  static constexpr float kTransparencyScale = -2.55f;
  static constexpr float kTransparencyOffset = 255.0f;
  static const unsigned long kDefaultColour = 0xFFFFFF;
  // The sprite clock is stored in hundredths: 100 runs at speed 1.0.
  static const unsigned int kDefaultSpriteClock = 100;
  static constexpr float kSpriteClockScale = 0.01f;

  DS_BaseSpriteProp();
  DS_BaseSpriteProp(const DS_BaseSpriteProp& other);
  ~DS_BaseSpriteProp() override;

  // Header, the "DS_ViewObjCtrl" section, then this level's fields (version 7).
  void Write(DS_IOF_Virtual& stream) const override;
  // {main image link, add-on flag, 0, 1 / frame count}.
  DS_TextureFrameInfo& GetTextureFrameInfo(DS_TextureFrameInfo& info, int flag) const override;

  // Per-sprite hooks of the sprite families; nothing in the base.
  virtual void InitParticle(DS_SpriteParticle& sprite) {}
  virtual void UpdateParticle(DS_SpriteParticle& sprite) {}
  // (frame + 1) mod frame count.
  virtual int NextFrame(int frame) const;
  virtual int GetParticleCount() const;
  // ARGB with its alpha byte scaled by the time line's opacity, RGB kept.
  virtual DWORD ApplyTimelineAlpha(DWORD argb) const;

  // The whole section: header, then Read; every sprite item's reader ends with it.
  void ReadSection(DS_IOF_Handle& handle);
  void Read(DS_IOF_Handle& handle, int version);
  template <class IO>
  void Fields(IO& io, int version);

  // Never 0: a stored count of 0 reads as 1.
  unsigned int GetFrameCount() const { return frameCount != 0 ? frameCount : 1; }
  // The opacity byte (255 at transparency 0).
  unsigned char GetOpacity() const { return transparency.GetResult(); }

  MediaParamT<unsigned int> spriteCount;
  MediaParamT<unsigned int> spriteSize;
  UINTSclaleTo<unsigned char> transparency;
  // Non-zero: the sprites are drawn additively.
  MediaParamT<int> additive;
  // Tint, red in the low byte.
  MediaParamT<unsigned long> colour;
  float twinkleRate = 0.0f;
  float twinkleMin = 0.0f;
  float twinkleMax = 1.0f;
  float sizeFactorMin = 1.0f;
  float sizeFactorMax = 1.0f;
  DS_ImageFileLink mainImage;
  DS_ImageFileLink secondImage;
  // Stored and copied; not used by the saver.
  unsigned int reservedCount = 1;
  float reservedRate = 0.0f;
  unsigned int frameCount = 1;
  float frameRate = 0.0f;
  // The frames lie side by side in one picture.
  unsigned char stripFlag = 0;
  // The main image names a texture set of an add-on module.
  int addOnFlag = 0;
  MediaParamT<int> verticalFlip;
  MediaParamT<int> horizontalFlip;
  MediaParamT<int> staticFlag;
  // Images carried inside version-1 records, until they are turned into links.
  std::vector<float> embeddedFrameTimes;
  std::vector<DS_ResourceEntry> embeddedImages;
  DS_ResourceEntry embeddedSecondImage;
  MediaSpeedParam spriteClock;
};
