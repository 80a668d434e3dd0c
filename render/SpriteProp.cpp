#include "render/SpriteProp.h"

#include <cmath>

#include "document/Utilities.h"
#include "document/FieldIO.h"
#include "render/TimeLine.h"

namespace {

// Version 1 carried its images inside the record and ended after the frame times;
// later versions link the images and add fields.
const int kFirstLinkedVersion = 2;
const int kLastVersionWithSpeed = 2;
const int kFirstAddOnVersion = 4;
const int kFirstFlipVersion = 5;
const int kFirstStaticVersion = 6;
const int kFirstSpriteClockVersion = 7;

}  // namespace

DS_BaseSpriteProp::DS_BaseSpriteProp()
    : spriteCount(1u),
      spriteSize(0u),
      transparency(0u, kTransparencyScale, kTransparencyOffset),
      additive(0),
      colour(kDefaultColour),
      verticalFlip(0),
      horizontalFlip(0),
      staticFlag(0),
      spriteClock(kDefaultSpriteClock, kSpriteClockScale, 0.0f) {}

DS_BaseSpriteProp::DS_BaseSpriteProp(const DS_BaseSpriteProp& other)
    : DS_ViewObjCtrl(other),
      spriteCount(other.spriteCount),
      spriteSize(other.spriteSize),
      transparency(other.transparency),
      additive(other.additive),
      colour(other.colour),
      twinkleRate(other.twinkleRate),
      twinkleMin(other.twinkleMin),
      twinkleMax(other.twinkleMax),
      sizeFactorMin(other.sizeFactorMin),
      sizeFactorMax(other.sizeFactorMax),
      mainImage(other.mainImage),
      secondImage(other.secondImage),
      reservedCount(other.reservedCount),
      reservedRate(other.reservedRate),
      frameCount(other.frameCount),
      frameRate(other.frameRate),
      stripFlag(other.stripFlag),
      addOnFlag(other.addOnFlag),
      verticalFlip(other.verticalFlip),
      horizontalFlip(other.horizontalFlip),
      staticFlag(other.staticFlag),
      embeddedFrameTimes(other.embeddedFrameTimes),
      embeddedImages(other.embeddedImages),
      embeddedSecondImage(other.embeddedSecondImage),
      spriteClock(other.spriteClock) {}

DS_BaseSpriteProp::~DS_BaseSpriteProp() = default;

DS_TextureFrameInfo& DS_BaseSpriteProp::GetTextureFrameInfo(DS_TextureFrameInfo& info, int flag) const {
  info.imageLink = &mainImage;
  info.mode = addOnFlag;
  info.reserved = 0;
  info.frameStep = 1.0f / static_cast<float>(GetFrameCount());
  return info;
}

int DS_BaseSpriteProp::NextFrame(int frame) const {
  return static_cast<int>((static_cast<unsigned int>(frame) + 1u) % GetFrameCount());
}

int DS_BaseSpriteProp::GetParticleCount() const { return CountToInt(spriteCount.GetValue()); }

DWORD DS_BaseSpriteProp::ApplyTimelineAlpha(DWORD argb) const {
  const float opacity = TimeLine().GetAlpha();  // already within 0..1
  const DWORD alpha = argb >> 24;
  const DWORD scaled = static_cast<DWORD>(static_cast<int>(opacity * static_cast<float>(alpha))) & 0xFFu;
  return (scaled << 24) | (argb & 0x00FFFFFFu);
}

void DS_BaseSpriteProp::ReadSection(DS_IOF_Handle& handle) {
  int version = ReadLevelHeader(*handle);
  Read(handle, version);
}

template <class IO>
void DS_BaseSpriteProp::Fields(IO& io, int version) {
  io.UInt(spriteCount);
  if (version <= kLastVersionWithSpeed) io.UInt(speed);
  io.UInt(spriteSize);
  io.Field(transparency);
  io.Long(additive);
  io.LongColour(colour);
  io.Float(twinkleRate);
  io.Float(twinkleMin);
  io.Float(twinkleMax);
  io.Float(sizeFactorMin);
  io.Float(sizeFactorMax);

  const bool embedsImages = version < kFirstLinkedVersion;
  if (embedsImages) {
    io.EntryVector(embeddedImages);
    io.Entry(embeddedSecondImage);
  } else {
    io.Link(mainImage);
    io.Link(secondImage);
  }

  io.UInt(reservedCount);
  io.Float(reservedRate);
  io.UInt(frameCount);
  io.Float(frameRate);
  io.Byte(stripFlag);

  if (embedsImages) {
    io.FloatVector(embeddedFrameTimes);
    return;
  }
  if (version >= kFirstAddOnVersion) io.Int(addOnFlag);
  if (version >= kFirstFlipVersion) {
    io.Int(verticalFlip);
    io.Int(horizontalFlip);
  }
  if (version >= kFirstStaticVersion) io.Int(staticFlag);
  if (version >= kFirstSpriteClockVersion) io.Field(spriteClock);
}

void DS_BaseSpriteProp::Read(DS_IOF_Handle& handle, int version) {
  DS_ViewObjCtrl::ReadSection(handle);
  // Records that embed their pictures replace the lists (reading appends).
  if (version < kFirstLinkedVersion) {
    embeddedImages.clear();
    embeddedFrameTimes.clear();
  }
  ReadFields(*handle, *this, version);
  // Documents store at least one frame; 0 would leave the frame step undefined.
  if (frameCount == 0) frameCount = 1;
}

void DS_BaseSpriteProp::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_BaseSpriteProp", kRecordVersion);
  DS_ViewObjCtrl::Write(stream);
  WriteFields(stream, *this, kRecordVersion);
}
