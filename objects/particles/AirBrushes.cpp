#include "objects/particles/AirBrushes.h"

#include <cmath>
#include <cstdlib>
#include <utility>

#include "device/ResourceLookup.h"
#include "document/ClassRegistry.h"
#include "document/DocResManager.h"
#include "document/FieldIO.h"
#include "document/Utilities.h"
#include "objects/particles/ParticleQuads.h"
#include "objects/particles/ParticlesObj.h"
#include "render/TimeLine.h"

namespace {

IOF_Virtual_ReaderT<DS_CustomAirBrush> s_customAirBrushReader(L"DS_CustomAirBrush");
IOF_Virtual_ReaderT<DS_Bling> s_blingReader(L"DS_Bling");
IOF_Virtual_ReaderT<DS_TwinklingStars> s_twinklingStarsReader(L"DS_TwinklingStars");
IOF_Virtual_ReaderT<DS_Aurora> s_auroraReader(L"DS_Aurora");

// Least stored size of one point: the position, and from version 2 the channel count.
const size_t kOldPointBytes = 12;
const size_t kPointBytes = 16;
const size_t kChannelBytes = 4;

// Clock and setting scales of the families.
const float kBlingClockScale = 0.02f;
const float kMinimumSizeScale = 0.01f;
const float kFrameClockScale = 0.01f;
const float kTwinkleClockScale = 0.01f;
const float kTwinkleClockOffset = 1.0f;
const float kAuroraClockScale = 0.03f;
const float kAuroraRelativeScale = 0.01f;
const float kAuroraPeriodScale = 1.0f;
const float kAuroraPeriodOffset = 1.0f;
const float kAuroraSwayScale = 1.0f;

// The Bling pre-advance: ten steps of one random length, a tenth of the cycle at most.
const int kPhaseSteps = 10;
const float kPhaseStepFraction = 0.1f;

const float kPi = 3.1415927f;

// The point without its processes; position and channels stay.
void DropProcesses(DS_Particle& point) {
  DS_Particle bare(point.position);
  bare.previousPosition = point.previousPosition;
  bare.life = point.life;
  bare.size = point.size;
  bare.alpha = point.alpha;
  bare.age = point.age;
  bare.angle = point.angle;
  point = std::move(bare);
}

}  // namespace

// ---- DS_AirBrush ----

DS_AirBrush::DS_AirBrush() = default;

DS_AirBrush::DS_AirBrush(const DS_AirBrush& other)
    : DS_TexParticleGenerator(other), brushSize(other.brushSize), aspect(other.aspect), points(other.points) {}

DS_AirBrush::~DS_AirBrush() = default;

template <class IO>
void DS_AirBrush::Fields(IO& io, int version, std::vector<StoredPoint>& stored) {
  io.UInt(brushSize);
  auto point = [version](IO& item, StoredPoint& p) {
    item.Vector(p.position);
    if (version <= 1) return;
    item.UInt(p.channelCount);
    // Values beyond the five channels are read past, so that the record stays
    // aligned; a count the record cannot hold fails the stream.
    if (!item.Fits(p.channelCount, kChannelBytes)) return;
    for (unsigned int c = 0; c < p.channelCount; ++c) {
      float value = c < kPointChannels ? p.channels[c] : 0.0f;
      item.Float(value);
      if (c < kPointChannels) p.channels[c] = value;
    }
  };
  if (version > 1)
    io.UIntList(stored, kPointBytes, point);
  else
    io.List(stored, kOldPointBytes, point);
}

void DS_AirBrush::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_AirBrush", kRecordVersion);
  std::vector<StoredPoint> stored;
  for (const DS_Particle& p : points) {
    StoredPoint point;
    point.position = p.position;
    point.channelCount = kPointChannels;
    const float channels[kPointChannels] = {p.life, p.size, p.alpha, p.age, p.angle};
    for (unsigned int c = 0; c < kPointChannels; ++c) point.channels[c] = channels[c];
    stored.push_back(point);
  }
  WriteFields(stream, *this, kRecordVersion, stored);
  DS_TexParticleGenerator::Write(stream);
}

void DS_AirBrush::ReadSection(DS_IOF_Handle& handle) {
  const int version = ReadLevelHeader(*handle);
  Read(handle, version);
}

void DS_AirBrush::Read(DS_IOF_Handle& handle, int version) {
  std::vector<StoredPoint> stored;
  ReadFields(*handle, *this, version, stored);
  for (const StoredPoint& p : stored) {
    DS_Particle point(p.position);
    for (unsigned int c = 0; c < p.channelCount && c < kPointChannels; ++c) *point.ChannelPtr(int(c)) = p.channels[c];
    points.push_back(std::move(point));
  }
  DS_TexParticleGenerator::ReadSection(handle);
}

void DS_AirBrush::Render(DS_ABRender* layer, DS_ParticlesObj* particlesObject) {
  DrawParticles(layer, GetCurrentTexture(0), particlesObject);
}

void DS_AirBrush::PrepareResources(DS_ParticlesObj* particlesObject) {
  DS_TexParticleGenerator::PrepareResources(particlesObject);
  if (particlesObject) particlesObject->SetSlotCount(1);
}

void DS_AirBrush::AddPoint(const D3DXVECTOR3& position, float, float, float, float) {
  points.emplace_back(position);
  BuildQuads();
}

void DS_AirBrush::BuildQuads() {
  if (!object) return;
  const unsigned count = object->EnsureQuadCapacity(0, unsigned(points.size()));
  DX_V::PCT* vertices = object->LockQuads(0);
  if (!vertices) return;
  const float size = float(brushSize.GetValue());
  unsigned k = 0;
  for (const DS_Particle& p : points) {
    if (k >= count) break;
    WriteRotatedParticleQuad(p, colour1, vertices, k, size, aspect * size, 1.0f);
    ++k;
  }
  object->UnlockQuads(0);
}

// ---- DS_Bling ----

DS_Bling::DS_Bling()
    : pulseClock(0u, kBlingClockScale, 0.0f), spinClock(0u, kBlingClockScale, 0.0f),
      minimumSize(0u, kMinimumSizeScale, 0.0f) {}

template <class IO>
void DS_Bling::Fields(IO& io, int version) {
  io.Field(pulseClock);
  io.Field(shrinkTime);
  io.Field(growTime);
  if (version > 1) {
    io.Field(spinClock);
    io.Field(minimumSize);
  }
}

void DS_Bling::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_Bling", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  DS_AirBrush::Write(stream);
}

void DS_Bling::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  DS_AirBrush::ReadSection(handle);
}

float DS_Bling::StartCycle(DS_Particle& point) const {
  DropProcesses(point);
  point.life = 0.0f;
  point.size = 0.0f;
  const float grow = growTime.GetSeconds();
  const float shrink = shrinkTime.GetSeconds();
  const float cycle = grow + shrink;
  // A cycle of no length would need infinite rates; the point keeps size 0 for good.
  if (!(cycle > 0.0f)) return 0.0f;
  point.AddProcess(new PLifeConst(1.0f / cycle));
  // An empty phase is never entered; its rate is left at 0 rather than infinite.
  point.AddProcess(new PSteady(DS_Particle::kSize, 0.0f, grow / cycle, grow > 0.0f ? 1.0f / grow : 0.0f));
  point.AddProcess(
      new PSteady(DS_Particle::kSize, grow / cycle, grow / cycle + shrink / cycle, shrink > 0.0f ? -1.0f / shrink : 0.0f));
  return cycle;
}

void DS_Bling::StartAtRandomPhase(DS_Particle& point) const {
  const float cycle = StartCycle(point);
  const float dt = RandomFloat(0.0f, 1.0f) * cycle * kPhaseStepFraction;
  for (int i = 0; i < kPhaseSteps; ++i) point.Update(dt);
}

void DS_Bling::PrepareResources(DS_ParticlesObj* particlesObject) {
  DS_TexParticleGenerator::PrepareResources(particlesObject);
  if (particlesObject) particlesObject->SetSlotCount(2);
  AcquireTarget();
  for (DS_Particle& point : points) StartAtRandomPhase(point);
}

void DS_Bling::AddPoint(const D3DXVECTOR3& position, float, float, float, float) {
  DS_Particle point(position);
  StartAtRandomPhase(point);
  points.push_back(std::move(point));
}

void DS_Bling::Update(float t, DS_ParticlesObj* particlesObject) {
  pulseClock.Advance(t);
  spinClock.Advance(t);
  const float dt = pulseClock.GetStep();
  for (DS_Particle& point : points) {
    if (!point.Update(dt)) StartCycle(point);
  }
  if (!particlesObject) return;

  const unsigned n = unsigned(points.size());
  unsigned count = particlesObject->EnsureQuadCapacity(0, n);
  const unsigned count1 = particlesObject->EnsureQuadCapacity(1, n);
  if (count1 < count) count = count1;
  DX_V::PCT* under = particlesObject->LockQuads(0);
  DX_V::PCT* over = particlesObject->LockQuads(1);
  if (!under || !over) {
    particlesObject->UnlockQuads(0);
    particlesObject->UnlockQuads(1);
    return;
  }

  const float angle = spinClock.GetAccumulatedTime();
  const D3DXVECTOR3 a1(std::cos(angle), std::sin(angle), 0.0f);
  const D3DXVECTOR3 a2(-std::sin(angle), std::cos(angle), 0.0f);
  const float m = minimumSize.GetResult();
  const float brush = float(brushSize.GetValue());
  const float opacity = TimeLine().GetAlpha();
  unsigned k = 0;
  for (const DS_Particle& p : points) {
    if (k >= count) break;
    const float s = ((1.0f - m) * p.size + m) * brush;
    ParticleQuad quad = QuadFromAxes(p.position, a1, a2, s);
    const float alpha = opacity * p.alpha;
    SetQuadColor(quad, PackParticleColour(colour2.GetValue(), alpha * colour2.GetAlpha() / 255.0f));
    WriteQuad(under, k, quad);
    SetQuadColor(quad, PackParticleColour(colour1.GetValue(), alpha * colour1.GetAlpha() / 255.0f));
    WriteQuad(over, k, quad);
    ++k;
  }
  particlesObject->UnlockQuads(0);
  particlesObject->UnlockQuads(1);
}

void DS_Bling::Render(DS_ABRender* layer, DS_ParticlesObj* particlesObject) {
  DrawJoinedMask(particlesObject, 1, layer);
  Composite(layer);
}

// ---- DS_CustomAirBrush ----

DS_CustomAirBrush::DS_CustomAirBrush() : frameClock(0u, kFrameClockScale, 0.0f) {}

template <class IO>
void DS_CustomAirBrush::Fields(IO& io, int version) {
  io.Link(pictureLink);
  io.Field(frameClock);
}

void DS_CustomAirBrush::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_CustomAirBrush", kRecordVersion);
  if (g_CurrentDocResManager) g_CurrentDocResManager->RegisterUsedImage(pictureLink);
  WriteFields(stream, *this, kRecordVersion);
  DS_AirBrush::Write(stream);
}

void DS_CustomAirBrush::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  DS_AirBrush::ReadSection(handle);
}

void DS_CustomAirBrush::PrepareResources(DS_ParticlesObj* particlesObject) {
  DS_TexParticleGenerator::PrepareResources(particlesObject);
  if (particlesObject) particlesObject->SetSlotCount(1);
  const DS_TextureSet* set = LookupTextureSet(pictureLink);
  frames = set ? *set : DS_TextureSet();
  aspect = frames.scale;
  BuildQuads();
}

void DS_CustomAirBrush::Update(float t, DS_ParticlesObj* particlesObject) {
  frameClock.Advance(t);
  frames.StepFrameForward(frameClock.GetAccumulatedTime());
}

void DS_CustomAirBrush::Render(DS_ABRender* layer, DS_ParticlesObj* particlesObject) {
  DrawParticles(layer, frames.GetCurrentTexture(), particlesObject);
}

// ---- DS_TwinklingStars ----

DS_TwinklingStars::DS_TwinklingStars() : clock(0u, kTwinkleClockScale, kTwinkleClockOffset) {}

template <class IO>
void DS_TwinklingStars::Fields(IO& io, int version) {
  io.Field(clock);
}

void DS_TwinklingStars::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_TwinklingStars", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  DS_AirBrush::Write(stream);
}

void DS_TwinklingStars::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  DS_AirBrush::ReadSection(handle);
}

void DS_TwinklingStars::AddPoint(const D3DXVECTOR3& position, float, float, float, float) {
  DS_Particle point(position);
  point.size = 0.5f + RandomFloat(0.0f, 1.0f) * 0.5f;
  point.alpha = 0.5f + RandomFloat(0.0f, 1.0f) * 0.5f;
  point.AddProcess(new PTwinkle(DS_Particle::kSize, 0.0f, point.size, 0.0f));
  points.push_back(std::move(point));
}

void DS_TwinklingStars::Update(float t, DS_ParticlesObj* particlesObject) {
  clock.Advance(t);
  const float dt = clock.GetStep();
  // Twinkling points never die; the results are of no interest.
  for (DS_Particle& point : points) point.Update(dt);
  BuildQuads();
}

// ---- DS_Aurora ----

DS_Aurora::DS_Aurora()
    : clock1(0u, kAuroraClockScale, 0.0f), amplitude1(0u, kAuroraRelativeScale, 0.0f),
      period1(0u, kAuroraPeriodScale, kAuroraPeriodOffset), clock2(0u, kAuroraClockScale, 0.0f),
      amplitude2(0u, kAuroraRelativeScale, 0.0f), period2(0u, kAuroraPeriodScale, kAuroraPeriodOffset),
      clock3(0u, kAuroraClockScale, 0.0f), amplitude3(0u, kAuroraSwayScale, 0.0f),
      period3(0u, kAuroraPeriodScale, kAuroraPeriodOffset) {}

template <class IO>
void DS_Aurora::Fields(IO& io, int version) {
  io.UInt(height);
  io.Field(clock1);
  io.Field(amplitude1);
  io.Field(period1);
  io.Field(clock2);
  io.Field(amplitude2);
  io.Field(period2);
  io.Field(clock3);
  io.Field(amplitude3);
  io.Field(period3);
  io.UInt(swayAngle);
}

void DS_Aurora::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_Aurora", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  DS_AirBrush::Write(stream);
}

void DS_Aurora::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  DS_AirBrush::ReadSection(handle);
}

void DS_Aurora::PrepareResources(DS_ParticlesObj* particlesObject) {
  DS_TexParticleGenerator::PrepareResources(particlesObject);
  if (particlesObject) particlesObject->SetSlotCount(1);
  AcquireTarget();
}

void DS_Aurora::AddPoint(const D3DXVECTOR3& position, float size, float alpha, float angle, float strokeValue) {
  DS_Particle point(position);
  point.size = size;
  point.alpha = alpha;
  point.angle = angle;
  point.life = strokeValue;
  point.age = 0.0f;
  points.push_back(std::move(point));
}

void DS_Aurora::Update(float t, DS_ParticlesObj* particlesObject) {
  clock1.Advance(t);
  clock2.Advance(t);
  clock3.Advance(t);
  BuildQuads();
}

void DS_Aurora::Render(DS_ABRender* layer, DS_ParticlesObj* particlesObject) {
  DrawJoinedMask(particlesObject, 0, layer);
  Composite(layer);
}

void DS_Aurora::BuildQuads() {
  if (!object) return;
  const unsigned count = object->EnsureQuadCapacity(0, unsigned(points.size()));
  DX_V::PCT* vertices = object->LockQuads(0);
  if (!vertices) return;

  const float sway = float(static_cast<int>(swayAngle.GetValue())) * kPi / 180.0f;
  const D3DXVECTOR3 d(std::cos(sway), std::sin(sway), 0.0f);
  const float c1 = clock1.GetAccumulatedTime(), c2 = clock2.GetAccumulatedTime(), c3 = clock3.GetAccumulatedTime();
  const float a1 = amplitude1.GetResult(), a2 = amplitude2.GetResult(), a3 = amplitude3.GetResult();
  // The periods are at least 1 (offset 1 plus an unsigned value).
  const float p1 = period1.GetResult(), p2 = period2.GetResult(), p3 = period3.GetResult();
  const float width = float(brushSize.GetValue());
  const float curtain = float(height.GetValue());
  unsigned k = 0;
  for (DS_Particle& p : points) {
    if (k >= count) break;
    const float u = p.life;
    const float stretch = 1.0f + a1 * std::sin(u / p1 + c1);
    const float pulse = 1.0f + a2 * std::sin(u / p2 + c2);
    const float shift = a3 * std::sin(u / p3 + c3);
    const D3DXVECTOR3 saved = p.position;
    p.position = saved + d * shift;
    WriteRotatedParticleQuad(p, colour1, vertices, k, width, curtain * stretch, pulse);
    p.position = saved;
    ++k;
  }
  object->UnlockQuads(0);
}
