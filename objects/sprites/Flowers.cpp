#include "objects/sprites/Flowers.h"

#include <cmath>

#include "document/ClassRegistry.h"
#include "document/FieldIO.h"
#include "document/Item.h"
#include "objects/sprites/Grass.h"
#include "objects/sprites/SpriteParticle.h"
#include "render/TimeLine.h"

namespace {

IOF_Virtual_ReaderT<DS_FlowerConstructor> s_flowerReader(L"DS_FlowerConstructor");

const int kSwayTimeMode = 2;
const int kFadeTimeMode = 1;

}  // namespace

DS_FlowerConstructor::DS_FlowerConstructor() { TimeLine().timeMode.SetValue(kSwayTimeMode); }

template <class IO>
void DS_FlowerConstructor::Fields(IO& io, int version) {
  io.Float(swayAmplitude);
}

void DS_FlowerConstructor::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_FlowerConstructor", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  DS_StatObjConstructor::Write(stream);
}

void DS_FlowerConstructor::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  const int sectionVersion = ReadLevelHeader(*handle);
  DS_StatObjConstructor::Read(handle, sectionVersion);
}

DS_ParticleSystemCtrl* DS_FlowerConstructor::Clone() const { return new DS_FlowerConstructor(*this); }

void DS_FlowerConstructor::UpdateParticle(DS_SpriteParticle& sprite) {
  // The phase slot stays 0 for flowers: nothing sets it after the sprite's start.
  const float d = std::sin(spriteClock.GetAccumulatedTime() + sprite.velocity.y);
  const float s = SwayShear(d * swayAmplitude);
  const D3DXVECTOR3 sheared(s, 1.0f, 0.0f);
  D3DXVec3TransformCoord(&sprite.yAxis, &sheared, &rotation);
  const float centreX = static_cast<float>(rectangle.Extra1().GetValue());
  const float centreY = static_cast<float>(rectangle.Extra2().GetValue());
  sprite.position.x = centreX - sprite.xAxis.x * sprite.halfHeight * s;
  sprite.position.y = centreY - s * sprite.halfHeight * sprite.xAxis.y;
}

DWORD DS_FlowerConstructor::ApplyTimelineAlpha(DWORD argb) const {
  return TimeLine().timeMode.GetValue() == kFadeTimeMode ? DS_BaseSpriteProp::ApplyTimelineAlpha(argb) : argb;
}
