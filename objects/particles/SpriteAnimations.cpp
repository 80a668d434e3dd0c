#include "objects/particles/SpriteAnimations.h"

#include <algorithm>
#include <cmath>

#include "document/ClassRegistry.h"
#include "document/FieldIO.h"
#include "document/ModuleResources.h"
#include "document/Utilities.h"
#include "objects/particles/ParticleQuads.h"
#include "objects/particles/ParticlesObj.h"
#include "objects/particles/Smoke.h"
#include "render/ABRender.h"
#include "render/EffectNames.h"
#include "render/TimeLine.h"

namespace {

IOF_Virtual_ReaderT<DS_StaticAnimation> s_staticAnimationReader(L"DS_StaticAnimation");
IOF_Virtual_ReaderT<DS_BrownAnimation> s_brownAnimationReader(L"DS_BrownAnimation");
IOF_Virtual_ReaderT<DS_PathAnimtion> s_pathAnimationReader(L"DS_PathAnimtion");

const float kFrameSpeedScale = 0.01f;
const float kSpriteSizeScale = 0.01f;
const float kWanderSpeedScale = 0.04f;
const float kRetargetPeriodScale = 0.08f;
const float kRetargetPeriodOffset = 0.25f;
const float kSteerTimeScale = 0.02f;
const float kSteerTimeOffset = 0.02f;
// The travel clock's step is pixels per frame: three per stored unit and second.
const float kMoveSpeedScale = 3.0f;

const char* const kParamColor = "Color";

// The first texture set, the one the frame clocks step; null when there is none.
DS_TextureSet* FirstSet(const DS_TexParticleGenerator& generator) {
  return generator.textureSets.empty() ? nullptr : generator.textureSets[0];
}

// Width and height of the first texture set times `factor` (0 without a set).
void SpriteExtent(const DS_TexParticleGenerator& generator, float factor, float& width, float& height) {
  const DS_TextureSet* set = FirstSet(generator);
  width = set ? factor * static_cast<float>(set->width) : 0.0f;
  height = set ? factor * static_cast<float>(set->height) : 0.0f;
}

}  // namespace

// ---- DS_StaticAnimation ----

DS_StaticAnimation::DS_StaticAnimation() : FrameSpeed(0u, kFrameSpeedScale, 0.0f), Backward(0) {
  FrameSpeed.ResetClock();
  effectLink.StoreKey(DS_HLSLEffectFile(kDefaultEffectId, kSharedModuleName).GetKey());
}

DS_StaticAnimation::~DS_StaticAnimation() = default;

template <class IO>
void DS_StaticAnimation::Fields(IO& io, int version) {
  io.Field(FrameSpeed);
  io.Int(Backward);
}

void DS_StaticAnimation::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_StaticAnimation", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  DS_SingleRectGN::Write(stream);
}

void DS_StaticAnimation::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  ReadSection(handle);
}

DS_ParticleGenerator* DS_StaticAnimation::Clone() const { return new DS_StaticAnimation(*this); }

void DS_StaticAnimation::Update(float t, DS_ParticlesObj* object) {
  FrameSpeed.Advance(t);
  DS_TextureSet* set = FirstSet(*this);
  if (!set) return;
  if (Backward.GetValue() != 0)
    set->StepFrameBackward(FrameSpeed.GetAccumulatedTime());
  else
    set->StepFrameForward(FrameSpeed.GetAccumulatedTime());
}

D3DXVECTOR4 DS_StaticAnimation::EffectColour() const {
  const unsigned long c = colour1.GetValue();
  return D3DXVECTOR4((c & 0xFF) / 255.0f, ((c >> 8) & 0xFF) / 255.0f, ((c >> 16) & 0xFF) / 255.0f,
                     TimeLine().GetAlpha() * colour1.GetAlpha() / 255.0f);
}

void DS_StaticAnimation::Render(DS_ABRender* layer, DS_ParticlesObj* object) {
  ID3DXEffect* fx = GetEffect();
  if (!layer || !object || !fx) return;
  const DS_IndexedMesh<DX_V::PCT>* slot = object->GetSlot(0);
  if (!slot) return;
  fx->SetTechnique(kTechniqueBlendNormal);
  fx->SetTexture(kParamTexture, GetCurrentTexture(0));
  const D3DXVECTOR4 colour = EffectColour();
  const float values[4] = {colour.x, colour.y, colour.z, colour.w};
  fx->SetFloatArray(kParamColor, values, 4);
  layer->DrawIndexedPCT(*slot, fx, static_cast<int>(2 * object->GetQuadCount(0)), 1.0f);
}

// ---- DS_BrownAnimation ----

DS_BrownAnimation::DS_BrownAnimation()
    : SpriteCount(0u), SpriteSize(0u, kSpriteSizeScale, 0.0f), WanderSpeed(0u, kWanderSpeedScale, 0.0f),
      RetargetPeriod(0u, kRetargetPeriodScale, kRetargetPeriodOffset),
      SteerTime(0u, kSteerTimeScale, kSteerTimeOffset), FrameSpeed(kDefaultFrameSpeed, kFrameSpeedScale, 0.0f) {
  PointContextAtOwnMembers();
}

DS_BrownAnimation::DS_BrownAnimation(const DS_BrownAnimation& other)
    : DS_ParticleRctRgnGenerator(other), SpriteCount(other.SpriteCount), SpriteSize(other.SpriteSize),
      WanderSpeed(other.WanderSpeed), RetargetPeriod(other.RetargetPeriod), SteerTime(other.SteerTime),
      FrameSpeed(other.FrameSpeed) {
  PointContextAtOwnMembers();
  RepointBrownianContext(&other.m_context, &m_context);
}

DS_BrownAnimation::~DS_BrownAnimation() = default;

void DS_BrownAnimation::PointContextAtOwnMembers() {
  m_context.region = &region;
  m_context.speedFactor = &WanderSpeed;
  m_context.retargetPeriod = &RetargetPeriod;
  m_context.steeringTime = &SteerTime;
}

template <class IO>
void DS_BrownAnimation::Fields(IO& io, int version) {
  io.UInt(SpriteCount);
  io.Field(SpriteSize);
  io.Field(WanderSpeed);
  io.Field(RetargetPeriod);
  io.Field(SteerTime);
  if (version >= kFrameSpeedVersion) io.Field(FrameSpeed);
}

void DS_BrownAnimation::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_BrownAnimation", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  DS_ParticleRctRgnGenerator::Write(stream);
}

void DS_BrownAnimation::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  ReadSection(handle);
}

DS_ParticleGenerator* DS_BrownAnimation::Clone() const { return new DS_BrownAnimation(*this); }

void DS_BrownAnimation::PrepareResources(DS_ParticlesObj* object) {
  DS_ParticleRctRgnGenerator::PrepareResources(object);
  origins.clear();
  if (object) object->SetSlotCount(1);
}

void DS_BrownAnimation::Update(float t, DS_ParticlesObj* object) {
  FrameSpeed.Advance(t);
  if (DS_TextureSet* set = FirstSet(*this)) set->StepFrameForward(FrameSpeed.GetAccumulatedTime());
  DS_ParticleRctRgnGenerator::Update(t, object);
  KeepSpriteCount();
  WriteSpriteQuads(object);
}

void DS_BrownAnimation::KeepSpriteCount() {
  const size_t wanted = static_cast<size_t>(CountToInt(SpriteCount.GetValue()));
  if (origins.size() >= wanted) {
    origins.resize(wanted);
    return;
  }
  while (origins.size() < wanted) {
    const D3DXVECTOR3 point = region.RandomPoint();
    origins.emplace_back(point);
    DS_Particle& sprite = origins.back();
    sprite.previousPosition = point;
    sprite.AddProcess(new PBrownian(&m_context));
  }
}

void DS_BrownAnimation::WriteSpriteQuads(DS_ParticlesObj* object) {
  if (!object) return;
  const unsigned count = object->EnsureQuadCapacity(0, static_cast<unsigned>(origins.size()));
  DX_V::PCT* vertices = object->LockQuads(0);
  if (!vertices) return;
  float width = 0.0f, height = 0.0f;
  SpriteExtent(*this, SpriteSize.GetResult(), width, height);
  const D3DCOLOR colour = PackParticleColour(colour1.GetValue(), colour1.GetAlpha() / 255.0f);
  unsigned k = 0;
  for (const DS_Particle& sprite : origins) {
    if (k >= count) break;
    ParticleQuad quad = QuadFromCentre(sprite.position, width, height);
    SetQuadColor(quad, colour);
    WriteQuad(vertices, k++, quad);
  }
  object->UnlockQuads(0);
}

void DS_BrownAnimation::Render(DS_ABRender* layer, DS_ParticlesObj* object) {
  DrawSlotWithStageTexture(layer, object, GetCurrentTexture(0), GetEffect());
}

// ---- DS_PathGenerator ----

DS_PathGenerator::~DS_PathGenerator() = default;

void DS_PathGenerator::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_PathGenerator", kRecordVersion);
  WritePathPointList(stream, path);
  DS_TexParticleGenerator::Write(stream);
}

void DS_PathGenerator::ReadSection(DS_IOF_Handle& handle) {
  ReadLevelHeader(*handle);
  ReadPathPointList(*handle, path);
  DS_TexParticleGenerator::ReadSection(handle);
}

D3DXVECTOR3 DS_PathGenerator::PointAt(size_t i) const {
  if (i >= path.size() || !path[i].position) return D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  return path[i].position->GetValue();
}

// ---- DS_PathAnimtion ----

DS_PathAnimtion::DS_PathAnimtion()
    : MoveSpeed(0u, kMoveSpeedScale, 0.0f), SpriteSize(0u, kSpriteSizeScale, 0.0f), Orientation(0), FlipV(0),
      FlipH(0), FrameSpeed(kDefaultFrameSpeed, kFrameSpeedScale, 0.0f) {}

DS_PathAnimtion::~DS_PathAnimtion() = default;

template <class IO>
void DS_PathAnimtion::Fields(IO& io, int version) {
  io.Field(MoveSpeed);
  io.Field(SpriteSize);
  io.Int(Orientation);
  io.Int(FlipV);
  io.Int(FlipH);
  if (version >= kFrameSpeedVersion) io.Field(FrameSpeed);
}

void DS_PathAnimtion::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_PathAnimtion", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  DS_PathGenerator::Write(stream);
}

void DS_PathAnimtion::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  ReadSection(handle);
}

DS_ParticleGenerator* DS_PathAnimtion::Clone() const { return new DS_PathAnimtion(*this); }

void DS_PathAnimtion::PrepareResources(DS_ParticlesObj* object) {
  previousPosition = currentPosition = PointAt(0);
  DS_TexParticleGenerator::PrepareResources(object);
  origins.clear();
  if (object) object->SetSlotCount(1);
  cursor = PathCursor();
  m_heading = D3DXVECTOR3(1.0f, 0.0f, 0.0f);
}

void DS_PathAnimtion::Update(float t, DS_ParticlesObj* object) {
  MoveSpeed.Advance(t);
  FrameSpeed.Advance(t);
  if (DS_TextureSet* set = FirstSet(*this)) set->StepFrameForward(FrameSpeed.GetAccumulatedTime());
  WriteSpriteQuad(object);
}

size_t DS_PathAnimtion::NextPoint() const {
  if (cursor.backward) return cursor.point > 0 ? cursor.point - 1 : 0;
  return cursor.point + 1 < path.size() ? cursor.point + 1 : cursor.point;
}

void DS_PathAnimtion::AdvanceCursor() {
  cursor.point = NextPoint();
  if (!cursor.backward && cursor.point + 1 >= path.size()) cursor.backward = true;
  else if (cursor.backward && cursor.point == 0) cursor.backward = false;
}

void DS_PathAnimtion::FollowPath(float step) {
  previousPosition = currentPosition;
  // A path needs two points to walk; with fewer the sprite stands at its first point.
  if (path.size() < 2) {
    cursor = PathCursor();
    currentPosition = PointAt(0);
    return;
  }
  if (cursor.point >= path.size()) cursor = PathCursor();

  // The walk there and back is periodic in twice the path's length: a step of many
  // round trips is cut to what is left of them, and a path whose points all lie at one
  // place (length 0) or that cannot be measured holds the sprite where it is.
  float length = 0.0f;
  for (size_t i = 1; i < path.size(); ++i) {
    const D3DXVECTOR3 d = PointAt(i) - PointAt(i - 1);
    length += D3DXVec3Length(&d);
  }
  cursor.distance += std::isfinite(step) && step > 0.0f ? step : 0.0f;
  if (!(length > 0.0f) || !std::isfinite(length) || !std::isfinite(cursor.distance)) {
    cursor.distance = 0.0f;
    currentPosition = PointAt(cursor.point);
    return;
  }
  if (cursor.distance > 2.0f * length) cursor.distance = std::fmod(cursor.distance, 2.0f * length);

  D3DXVECTOR3 p = PointAt(cursor.point);
  D3DXVECTOR3 n = PointAt(NextPoint());
  D3DXVECTOR3 d = n - p;
  float len = D3DXVec3Length(&d);
  // Bounded by a round trip and a little more: rounding of the lengths summed above
  // must not keep the walk going.
  for (size_t guard = 2 * path.size() + 2; cursor.distance > len && guard > 0; --guard) {
    cursor.distance -= len;
    AdvanceCursor();
    p = PointAt(cursor.point);
    n = PointAt(NextPoint());
    d = n - p;
    len = D3DXVec3Length(&d);
  }
  if (cursor.distance > len) cursor.distance = len;
  // A segment of length 0 adds nothing to the position.
  currentPosition = len > 0.0f ? p + d / len * cursor.distance : p;
}

void DS_PathAnimtion::WriteSpriteQuad(DS_ParticlesObj* object) {
  if (!object) return;
  // Without a path there is no sprite to show.
  if (object->EnsureQuadCapacity(0, path.empty() ? 0u : 1u) == 0) return;
  DX_V::PCT* vertices = object->LockQuads(0);
  if (!vertices) return;
  float w = 0.0f, h = 0.0f;
  SpriteExtent(*this, SpriteSize.GetResult(), w, h);
  FollowPath(MoveSpeed.GetStep());

  ParticleQuad quad;
  if (Orientation.GetValue() == kAlongPath) {
    const D3DXVECTOR3 moved = currentPosition - previousPosition;
    // A sprite that did not move keeps facing the way it went last; a zero direction
    // would fold the quad to a point.
    if (D3DXVec3Length(&moved) > 0.0f) D3DXVec3Normalize(&m_heading, &moved);
    const D3DXVECTOR3& dir = m_heading;
    quad = QuadFromAxes(currentPosition, dir * w, D3DXVECTOR3(dir.y, -dir.x, 0.0f) * h, 1.0f);
  } else {
    quad = QuadFromCentre(currentPosition, w, h);
  }

  int horizontal = FlipH.GetValue();
  int vertical = FlipV.GetValue();
  if (Orientation.GetValue() == kMirrorUnlessRight && previousPosition.x - currentPosition.x >= 0.0f)
    horizontal = !horizontal;
  if (Orientation.GetValue() == kMirrorWhileDown && previousPosition.y - currentPosition.y < 0.0f)
    vertical = !vertical;
  FlipQuadUV(quad, horizontal, vertical);

  SetQuadColor(quad, PackParticleColour(colour1.GetValue(), colour1.GetAlpha() / 255.0f));
  WriteQuad(vertices, 0, quad);
  object->UnlockQuads(0);
}

void DS_PathAnimtion::Render(DS_ABRender* layer, DS_ParticlesObj* object) {
  DrawSlotWithStageTexture(layer, object, GetCurrentTexture(0), GetEffect());
}
