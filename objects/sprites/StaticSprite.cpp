#include "objects/sprites/StaticSprite.h"

#include <cmath>

#include "document/ClassRegistry.h"
#include "document/FieldIO.h"
#include "document/Utilities.h"
#include "objects/sprites/SpriteParticle.h"
#include "render/ScreenQuad.h"

namespace {

IOF_Virtual_ReaderT<DS_StatObjConstructor> s_statObjReader(L"DS_StatObjConstructor");

const float kPi = 3.1415927f;

}  // namespace

DS_StatObjConstructor::DS_StatObjConstructor() : rotationAngle(0) { D3DXMatrixIdentity(&rotation); }

template <class IO>
void DS_StatObjConstructor::Fields(IO& io, int version) {
  io.Part(rectangle);
  io.UInt(rotationAngle);
  if (version < 2) {
    io.Int(verticalFlip);
    io.Int(horizontalFlip);
  }
}

void DS_StatObjConstructor::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_StatObjConstructor", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  DS_BaseSpriteProp::Write(stream);
}

void DS_StatObjConstructor::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  ReadSection(handle);
}

DS_ParticleSystemCtrl* DS_StatObjConstructor::Clone() const { return new DS_StatObjConstructor(*this); }

void DS_StatObjConstructor::InitParticle(DS_SpriteParticle& sprite) {
  sprite.position = D3DXVECTOR3(static_cast<float>(rectangle.Extra1().GetValue()),
                                static_cast<float>(rectangle.Extra2().GetValue()), 0.0f);
  SetHalfExtents(spriteSize.GetValue(), sprite);
  sprite.packedColour = PackColor(*this, sprite);
  D3DXMatrixRotationZ(&rotation, -static_cast<float>(rotationAngle.GetValue()) * kPi / 180.0f);
  const D3DXVECTOR3 unitX(1.0f, 0.0f, 0.0f);
  const D3DXVECTOR3 unitY(0.0f, 1.0f, 0.0f);
  D3DXVec3TransformCoord(&sprite.xAxis, &unitX, &rotation);
  D3DXVec3TransformCoord(&sprite.yAxis, &unitY, &rotation);
  UpdateRect(sprite);
}

void DS_StatObjConstructor::UpdateRect(const DS_SpriteParticle& sprite) {
  // Computed in double and saturated: centre and size come from the document.
  const double x = sprite.position.x;
  const double y = sprite.position.y;
  const double a = std::fabs(static_cast<double>(sprite.xAxis.x) * sprite.halfWidth);
  const double b = std::fabs(static_cast<double>(sprite.yAxis.x) * sprite.halfHeight);
  const double e = std::fabs(static_cast<double>(sprite.halfHeight) * sprite.yAxis.y);
  const double f = std::fabs(static_cast<double>(sprite.xAxis.y) * sprite.halfWidth);
  rectangle.Left().SetValue(SaturateToInt(x - a - b));
  rectangle.Right().SetValue(SaturateToInt(x + a + b));
  rectangle.Top().SetValue(SaturateToInt(y - e - f));
  rectangle.Bottom().SetValue(SaturateToInt(y + e + f));
}

void DS_StatObjConstructor::GetScreenQuad(DS_ScreenQuad& quad) const {
  quad.Reset();
  quad.SetCorners(static_cast<float>(rectangle.Left().GetValue()), static_cast<float>(rectangle.Top().GetValue()),
                  static_cast<float>(rectangle.Right().GetValue()), static_cast<float>(rectangle.Bottom().GetValue()));
}
