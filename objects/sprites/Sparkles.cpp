#include "objects/sprites/Sparkles.h"

#include <cstdlib>

#include "document/ClassRegistry.h"
#include "document/Utilities.h"
#include "objects/sprites/SpriteParticle.h"
#include "render/TimeLine.h"

namespace {

IOF_Virtual_ReaderT<DS_SparkleConstructor> s_sparkleReader(L"DS_SparkleConstructor");

// Largest drift along each axis, pixels per second.
const float kMaxDrift = 25.0f;

}  // namespace

DS_SparkleConstructor::DS_SparkleConstructor() {
  viewObject = true;
  TimeLine().timeMode.SetValue(0);
}

void DS_SparkleConstructor::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_SparkleConstructor", kRecordVersion);
  DS_BaseSpriteProp::Write(stream);
}

void DS_SparkleConstructor::Read(DS_IOF_Handle& handle, int version) { ReadSection(handle); }

DS_ParticleSystemCtrl* DS_SparkleConstructor::Clone() const { return new DS_SparkleConstructor(*this); }

void DS_SparkleConstructor::InitParticle(DS_SpriteParticle& sprite) {
  const float vx = RandomFloat(-kMaxDrift, kMaxDrift);
  const float vy = RandomFloat(-kMaxDrift, kMaxDrift);
  sprite.velocity = D3DXVECTOR3(vx, vy, 0.0f);
  sprite.direction = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  sprite.position = RandomPointInRect();
  sprite.alpha = RandomFloat(0.0f, 1.0f);
}

void DS_SparkleConstructor::UpdateParticle(DS_SpriteParticle& sprite) {
  sprite.position.x += GetStep() * sprite.velocity.x;
  sprite.position.y += GetStep() * sprite.velocity.y;
  StepTwinkle(sprite, *this, true);
  sprite.packedColour = PackColor(*this, sprite);
  // Half the full size when invisible, the full size at opacity 1; the picture's
  // aspect is not used. The height follows the new width.
  const float b = static_cast<float>(spriteSize.GetValue()) * sprite.sizeFactor * 0.5f;
  sprite.halfWidth = b * 0.5f + sprite.alpha * b * 0.5f;
  sprite.halfHeight = b * 0.5f + sprite.alpha * sprite.halfWidth * 0.5f;
}
