#include "objects/particles/Lightning.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "device/DeviceGlobals.h"
#include "document/ClassRegistry.h"
#include "document/FieldIO.h"
#include "document/Utilities.h"
#include "objects/particles/ParticleMath.h"
#include "objects/particles/ParticlesObj.h"
#include "render/ABRender.h"
#include "render/EffectNames.h"
#include "render/TimeLine.h"
#include "render/ViewContext.h"

namespace {

IOF_Virtual_ReaderT<DS_LightningGN> s_lightningReader(L"DS_LightningGN");

const float kDisplacementScale = 0.004f;
const float kBranchLengthScale = 0.01f;
const float kBranchAngleScale = 3.1415927f / 200.0f;
const float kTaperScale = -0.01f;
const float kTaperOffset = 1.0f;
const float kFlickerScale = 0.01f;

// Corner cutting keeps the points at these fractions of every segment.
const float kCutFar = 0.67f;
// Tips: the start tip is half the core width long, the end tip 0.7 of it and
// narrowing to 0.7 of its width; texture u runs 0.5 and 0.7 ratios along them.
const float kStartTipLength = 0.5f;
const float kEndTipLength = 0.7f;
// Flicker noise: time x 1000 at scale 75, persistence 0.5, 4 octaves.
const double kFlickerTimeScale = 1000.0;
const double kFlickerNoiseScale = 75.0;
const double kFlickerPersistence = 0.5;
const int kFlickerOctaves = 4;
// Fade-in: the bright front.
const float kFadeInBias = 0.666f;

// -1 when the next draw is odd, else +1.
float RandomSign() { return (std::rand() & 1) ? -1.0f : 1.0f; }

float Length(const D3DXVECTOR3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

// v / |v|, or no direction for a vector without length.
D3DXVECTOR3 Unit(const D3DXVECTOR3& v) {
  const float length = Length(v);
  if (!(length > 0.0f) || !std::isfinite(length)) return D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  return v / length;
}

// Points of a bolt of g generations after corner cutting.
size_t BoltPointCount(int generations) { return size_t(2) << (generations > 0 ? generations : 0); }

unsigned CappedCount(unsigned value, unsigned cap) { return value < cap ? value : cap; }

}  // namespace

// ---- DS_StringGenerator ----

DS_StringGenerator::DS_StringGenerator() = default;

DS_StringGenerator::DS_StringGenerator(const DS_StringGenerator& other)
    : DS_TexParticleGenerator(other), startPoint(other.startPoint), endPoint(other.endPoint) {}

DS_StringGenerator::~DS_StringGenerator() = default;

template <class IO>
void DS_StringGenerator::Fields(IO& io, int version) {
  io.Vector(startPoint);
  io.Vector(endPoint);
}

void DS_StringGenerator::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_StringGenerator", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  DS_TexParticleGenerator::Write(stream);
}

void DS_StringGenerator::ReadSection(DS_IOF_Handle& handle) {
  const int version = ReadLevelHeader(*handle);
  Read(handle, version);
}

void DS_StringGenerator::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  DS_TexParticleGenerator::ReadSection(handle);
}

// ---- DS_LightningGN ----

// What DrawBolt writes into: the three locked slots, how many quads each holds and
// how many have been handed out.
struct DS_LightningGN::Buffers {
  DX_V::PCT* vertices[kSlotCount] = {nullptr, nullptr, nullptr};
  unsigned capacity[kSlotCount] = {0, 0, 0};
  unsigned count[kSlotCount] = {0, 0, 0};

  // The next quad index of `slot`; the counter always advances.
  unsigned Take(int slot) { return count[slot]++; }
  // Writes `quad` at index k of `slot` when the slot holds it.
  void Put(int slot, unsigned k, const ParticleQuad& quad) {
    if (k < capacity[slot]) WriteQuad(vertices[slot], k, quad);
  }
};

DS_LightningGN::DS_LightningGN()
    : Displacement(0u, kDisplacementScale, 0.0f), BranchLength(0u, kBranchLengthScale, 0.0f),
      BranchAngle(0u, kBranchAngleScale, 0.0f), Taper(0u, kTaperScale, kTaperOffset),
      Flicker(0u, kFlickerScale, 0.0f) {}

DS_LightningGN::DS_LightningGN(const DS_LightningGN& other)
    : DS_StringGenerator(other), CoreWidth(other.CoreWidth), Generations(other.Generations),
      Displacement(other.Displacement), Seed(other.Seed), BranchLength(other.BranchLength),
      BranchAngle(other.BranchAngle), Taper(other.Taper), BranchCount1(other.BranchCount1),
      BranchCount2(other.BranchCount2), BranchCount3(other.BranchCount3), Flicker(other.Flicker),
      GlowWidth(other.GlowWidth), RandomEachTime(other.RandomEachTime), m_bolt(other.m_bolt),
      m_lastTime(other.m_lastTime), m_built(other.m_built) {}

DS_LightningGN::~DS_LightningGN() = default;

template <class IO>
void DS_LightningGN::Fields(IO& io, int version, LegacyValues& legacy) {
  io.UInt(CoreWidth);
  io.UInt(Generations);
  io.Field(Displacement);
  io.UInt(Seed);
  io.Field(BranchLength);
  io.Field(BranchAngle);
  io.Field(Taper);
  io.UInt(BranchCount1);
  io.UInt(BranchCount2);
  io.UInt(BranchCount3);
  if (version < 2) {
    for (unsigned int& value : legacy) io.UInt(value);
  }
  io.Field(Flicker);
  io.UInt(GlowWidth);
  io.Long(RandomEachTime);
}

void DS_LightningGN::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_LightningGN", kRecordVersion);
  LegacyValues none = {};
  WriteFields(stream, *this, kRecordVersion, none);
  DS_StringGenerator::Write(stream);
}

void DS_LightningGN::Read(DS_IOF_Handle& handle, int version) {
  LegacyValues legacy = {};
  ReadFields(*handle, *this, version, legacy);
  DS_StringGenerator::ReadSection(handle);

  if (version < 2) {
    // The old record kept the appearance cycle in its own fields, ten times finer.
    DS_TimeLineControl& timeLine = TimeLine();
    timeLine.fadeIn.SetValue(legacy[0] / 10);
    timeLine.fadeOut.SetValue(legacy[1] / 10);
    timeLine.shown.lo.StoreValue(legacy[2] / 10);
    timeLine.shown.hi.StoreValue(legacy[2] / 10);
    timeLine.hidden.lo.StoreValue(legacy[3] / 10);
    timeLine.hidden.hi.StoreValue(legacy[4] / 10);
    timeLine.mode.StoreValue(DS_TimeLineControl::kCycle);
  }
}

void DS_LightningGN::Reset() {
  DS_StringGenerator::Reset();
  m_lastTime = 0.0f;
}

void DS_LightningGN::BuildBolt() {
  if (RandomEachTime.GetValue() == 0) std::srand(Seed.GetValue());
  m_bolt.clear();

  std::vector<BranchSlot> first;
  const unsigned count1 = CappedCount(BranchCount1.GetValue(), kMaxBranchCount);
  const unsigned count2 = CappedCount(BranchCount2.GetValue(), kMaxBranchCount);
  const unsigned count3 = CappedCount(BranchCount3.GetValue(), kMaxBranchCount);
  if (count1 > 0) {
    std::vector<BranchSlot> second;
    if (count2 > 0) {
      second.resize(count2);
      for (unsigned i = 0; i < count3; ++i) second[unsigned(std::rand()) % count2].slots.push_back(BranchSlot());
    }
    first.resize(count1);
    for (unsigned i = 0; i < count2; ++i) first[unsigned(std::rand()) % count1].slots.push_back(second[i]);
  }

  const int generations = int(CappedCount(Generations.GetValue(), kMaxGenerations));
  m_pointBudget = kMaxTreePoints;
  GenerateBolt(startPoint.GetValue(), endPoint.GetValue(), m_bolt, generations, 1.0f, first, 1.0f);
}

void DS_LightningGN::GenerateBolt(const D3DXVECTOR3& a, const D3DXVECTOR3& b, BoltPointList& list,
                                  int generations, float startWidth, std::vector<BranchSlot>& slots,
                                  float startFade) {
  // Callers pass at most kMaxGenerations; a direct call may not ask for more.
  if (generations > int(kMaxGenerations)) generations = int(kMaxGenerations);
  const size_t size = BoltPointCount(generations);
  m_pointBudget = size < m_pointBudget ? m_pointBudget - size : 0;

  // Midpoint displacement: every pass puts a point, moved sideways by up to the
  // displacement times the segment's length, between each pair of neighbours.
  std::vector<D3DXVECTOR3> raw = {a, b};
  const float displacement = Displacement.GetResult();
  for (int pass = 0; pass < generations; ++pass) {
    std::vector<D3DXVECTOR3> next;
    next.reserve(raw.size() * 2 - 1);
    for (size_t i = 0; i + 1 < raw.size(); ++i) {
      const D3DXVECTOR3& p = raw[i];
      const D3DXVECTOR3& q = raw[i + 1];
      const D3DXVECTOR3 d = q - p;
      const D3DXVECTOR3 n(d.y, -d.x, 0.0f);
      const float amount = displacement * RandomFloat(0.0f, 1.0f);
      const float sign = RandomSign();
      next.push_back(p);
      next.push_back((p + q) * 0.5f + amount * sign * n);
    }
    next.push_back(raw.back());
    raw.swap(next);
  }

  // Corner cutting: the first point, then the points at 0.67 of the first segment and
  // at 0.33 and 0.67 of every later one.
  const size_t m = raw.size() - 1;
  std::vector<BoltPoint> points(2 * m);
  points[0].position = raw[0];
  size_t out = 1;
  for (size_t k = 1; k <= m; ++k) {
    points[out++].position = raw[k - 1] + kCutFar * (raw[k] - raw[k - 1]);
    if (k < m) points[out++].position = raw[k + 1] + kCutFar * (raw[k] - raw[k + 1]);
  }
  const size_t n = points.size();

  for (BranchSlot& slot : slots) slot.index = int(unsigned(std::rand()) % unsigned(n));

  // Widths grow from F x h at the end towards the start; fades run from l at the start
  // to 0 at the end; branches are made walking back from the end.
  const float f = Taper.GetResult();
  float w = f * startWidth;
  const float angle = BranchAngle.GetResult();
  const D3DXVECTOR3 across = Unit(a - b);
  const D3DXVECTOR3 q(across.y, -across.x, 0.0f);
  for (size_t i = n; i-- > 0;) {
    BoltPoint& point = points[i];
    point.Width = w;
    point.Fade = startFade * float(n - 1 - i) / float(n - 1);
    for (BranchSlot& slot : slots) {
      if (slot.index != int(i)) continue;
      // A branch of g - 1 generations, if the tree still has room for it.
      if (BoltPointCount(generations - 1) <= m_pointBudget) {
        const D3DXVECTOR3 r = b - point.position;
        const float dist = Length(r);
        const float sign = RandomSign();
        const D3DXVECTOR3 dir = r * std::cos(angle) + dist * sign * q * std::sin(angle);
        const float reach = 0.5f + 0.5f * RandomFloat(0.0f, 1.0f);
        const D3DXVECTOR3 end = point.position + reach * BranchLength.GetResult() * dir;
        GenerateBolt(point.position, end, point.Branches, generations - 1, point.Width, slot.slots, point.Fade);
      }
      break;  // further slots on the same point make no branch
    }
    w = std::min(1.0f, w + (1.0f - f) * startWidth / float(n));
  }

  for (BoltPoint& point : points) list.push_back(std::move(point));
}

float DS_LightningGN::BoltIntensity(float fade) const {
  const DS_TimeLineControl& timeLine = TimeLine();
  const float a = timeLine.GetAlpha();
  switch (timeLine.GetPhase()) {
    case kPhaseFadingOut:
      return a * a;
    case kPhaseInvisible:
      return a;
    case kPhaseFadingIn:
      return a > 1.0f - fade ? 1.0f : 3.0f * (a + fade - kFadeInBias);
    default: {
      const double noise = OctaveNoise1D(double(m_lastTime) * kFlickerTimeScale, kFlickerNoiseScale,
                                         kFlickerPersistence, kFlickerOctaves);
      return 1.0f - float(noise + 1.0) * Flicker.GetResult() / 2.0f;
    }
  }
}

int DS_LightningGN::CountBoltCaps(const BoltPointList& list) {
  if (list.empty()) return 0;
  int count = 2;
  for (const BoltPoint& point : list) count += CountBoltCaps(point.Branches);
  return count;
}

int DS_LightningGN::CountBoltSegments(const BoltPointList& list) {
  if (list.empty()) return 0;
  int count = int(list.size()) - 1;
  for (const BoltPoint& point : list) count += CountBoltSegments(point.Branches);
  return count;
}

float DS_LightningGN::TextureRatio() const {
  if (textureSets.empty() || !textureSets[0]) return 1.0f;
  return textureSets[0]->scale;
}

void DS_LightningGN::FillBoltBuffers(DS_ParticlesObj* particlesObject) {
  if (!particlesObject) return;
  const unsigned caps = unsigned(CountBoltCaps(m_bolt));
  const unsigned segments = unsigned(CountBoltSegments(m_bolt));
  Buffers buffers;
  buffers.capacity[kCoreSlot] = particlesObject->EnsureQuadCapacity(kCoreSlot, caps + segments);
  buffers.capacity[kGlowSlot] = particlesObject->EnsureQuadCapacity(kGlowSlot, segments);
  buffers.capacity[kCapSlot] = particlesObject->EnsureQuadCapacity(kCapSlot, caps);
  for (int slot = 0; slot < kSlotCount; ++slot) buffers.vertices[slot] = particlesObject->LockQuads(slot);
  DrawBolt(m_bolt, buffers);
  for (int slot = 0; slot < kSlotCount; ++slot) particlesObject->UnlockQuads(slot);
}

void DS_LightningGN::DrawBolt(const BoltPointList& list, Buffers& buffers) const {
  if (list.size() < 2) return;
  const float ratio = TextureRatio();
  const float core = float(CoreWidth.GetValue());
  const float glow = float(GlowWidth.GetValue());
  const unsigned long colourCore = colour1.GetValue();
  const unsigned long colourGlow = colour2.GetValue();
  const float alphaCore = colour1.GetAlpha() / 255.0f;
  const float alphaGlow = colour2.GetAlpha() / 255.0f;
  const D3DCOLOR coreClear = PackParticleColour(colourCore, 0.0f);
  auto coreColour = [&](float fade) { return PackParticleColour(colourCore, alphaCore * BoltIntensity(fade)); };
  auto glowColour = [&](float fade) { return PackParticleColour(colourGlow, alphaGlow * BoltIntensity(fade)); };

  const BoltPoint& first = list.front();
  const BoltPoint& last = list.back();

  // Caps: glow squares on both ends.
  for (const BoltPoint* end : {&first, &last}) {
    const float side = glow * end->Width;
    ParticleQuad cap = QuadFromCentre(end->position, side, side);
    SetQuadColor(cap, glowColour(end->Fade));
    const unsigned k = buffers.Take(kCapSlot);
    buffers.Put(kCapSlot, k, cap);
  }

  DrawBolt(first.Branches, buffers);

  // Start tip: a square-ended stub pointing away from the second point, fading out.
  {
    const float width = core * first.Width;
    const float length = kStartTipLength * width;
    const D3DXVECTOR3 dir = Unit(first.position - list[1].position) * length;
    ParticleQuad tip = RayQuad(first.position, dir, length, width, width);
    SetQuadUV(tip, 0.0f, kStartTipLength * ratio, 0.0f, 1.0f);
    const D3DCOLOR bright = coreColour(first.Fade);
    tip.q[0].color = bright;
    tip.q[1].color = bright;
    tip.q[2].color = coreClear;
    tip.q[3].color = coreClear;
    const unsigned k = buffers.Take(kCoreSlot);
    buffers.Put(kCoreSlot, k, tip);
  }

  // Segments: core and glow strips joined to their predecessors. A quad is written
  // once the next one has been joined to it; its index is taken when it is made.
  float u = 0.0f;
  ParticleQuad previousCore, previousGlow;
  unsigned previousCoreIndex = 0, previousGlowIndex = 0;
  for (size_t i = 1; i < list.size(); ++i) {
    const BoltPoint& p = list[i - 1];
    const BoltPoint& q = list[i];
    const D3DXVECTOR3 d = q.position - p.position;
    const float length = Length(d);
    const float u0 = u;
    // A core of no width has no texture length; u then stays where it is.
    if (core > 0.0f) u += length / core * q.Width * ratio;

    ParticleQuad coreQuad = RayQuad(p.position, d, length, core * p.Width, core * q.Width);
    ParticleQuad glowQuad = RayQuad(p.position, d, length, glow * p.Width, glow * q.Width);
    SetQuadUV(coreQuad, u0, u, 0.0f, 1.0f);
    SetQuadUV(glowQuad, u0, u, 0.0f, 1.0f);
    SetQuadColor(coreQuad, coreColour(q.Fade));
    SetQuadColor(glowQuad, glowColour(q.Fade));
    const unsigned coreIndex = buffers.Take(kCoreSlot);
    const unsigned glowIndex = buffers.Take(kGlowSlot);
    if (i > 1) {
      JoinRayQuads(coreQuad, previousCore);
      JoinRayQuads(glowQuad, previousGlow);
      buffers.Put(kCoreSlot, previousCoreIndex, previousCore);
      buffers.Put(kGlowSlot, previousGlowIndex, previousGlow);
    }
    previousCore = coreQuad;
    previousGlow = glowQuad;
    previousCoreIndex = coreIndex;
    previousGlowIndex = glowIndex;

    if (i + 1 == list.size()) {
      buffers.Put(kCoreSlot, previousCoreIndex, previousCore);
      buffers.Put(kGlowSlot, previousGlowIndex, previousGlow);
      // End tip: on from the last point in the last segment's direction, narrowing.
      const float width = core * q.Width;
      const float tipLength = kEndTipLength * width;
      ParticleQuad tip = RayQuad(q.position, Unit(d) * tipLength, tipLength, width, kEndTipLength * width);
      SetQuadUV(tip, u, u + kEndTipLength * ratio, 0.0f, 1.0f);
      const D3DCOLOR bright = coreColour(p.Fade);
      tip.q[0].color = bright;
      tip.q[1].color = bright;
      tip.q[2].color = coreClear;
      tip.q[3].color = coreClear;
      const unsigned k = buffers.Take(kCoreSlot);
      buffers.Put(kCoreSlot, k, tip);
    }
    DrawBolt(q.Branches, buffers);
  }
}

void DS_LightningGN::Update(float t, DS_ParticlesObj* particlesObject) {
  m_lastTime = t;
  if (TimeLine().GetPhase() == kPhaseInvisible) {
    m_built = false;
  } else if (!m_built) {
    BuildBolt();
    m_built = true;
  }
  FillBoltBuffers(particlesObject);
}

void DS_LightningGN::PrepareResources(DS_ParticlesObj* particlesObject) {
  DS_TexParticleGenerator::PrepareResources(particlesObject);
  BuildBolt();
  AcquireTarget();
  if (particlesObject) particlesObject->SetSlotCount(kSlotCount);
}

void DS_LightningGN::Render(DS_ABRender* layer, DS_ParticlesObj* particlesObject) {
  // The bolt is drawn only through its effect, with a picture and the off-screen pair.
  // Without a picture an object that took the scene still composes its empty masks,
  // which puts the scene back.
  IDirect3DTexture9* texture = GetCurrentTexture(0);
  if (!layer || !particlesObject || !g_CurrentDevice || !effect) return;
  if (!texture && !NeedsSceneInput()) return;
  if (!target) AcquireTarget();
  if (!target || !target->IsValid()) return;
  const DS_IndexedMesh<DX_V::PCT>* coreSlot = particlesObject->GetSlot(kCoreSlot);
  const DS_IndexedMesh<DX_V::PCT>* glowSlot = particlesObject->GetSlot(kGlowSlot);
  if (!coreSlot || !glowSlot) return;

  // The picture's texture coordinate runs along the bolt far past one picture length,
  // so the picture must repeat along it. An effect from before it had a pass for that
  // draws the bolt with the mask pass the other glowing families share, the picture
  // clamped.
  if (FAILED(effect->SetTechnique(kTechniqueBlendMaskMaxWrapU))) effect->SetTechnique(kTechniqueBlendMaskMax);
  effect->SetTexture(kParamTexture1, texture);
  target->BeginRender();
  layer->BeginTarget(*target, DS_ViewContext::kFitRenderTarget);
  g_CurrentDevice->Clear(0, nullptr, D3DCLEAR_TARGET, kMaskClearColor, 1.0f, 0);
  if (texture) {
    layer->DrawIndexedPCT(*coreSlot, effect.Get(), int(2 * particlesObject->GetQuadCount(kCoreSlot)), 1.0f);
  }
  // The core picture stays in the texture the flip hands back.
  const DS_ComHolder<IDirect3DTexture9> corePicture = target->Flip(kMaskClearColor);
  if (texture) {
    layer->DrawIndexedPCT(*glowSlot, effect.Get(), int(2 * particlesObject->GetQuadCount(kGlowSlot)), 1.0f);
  }
  target->EndRender();
  layer->EndTarget();

  effect->SetTechnique(kTechniqueMain);
  effect->SetTexture(kParamTexture1, layer->GetSceneTexture().Get());
  effect->SetTexture(kParamTexture2, target->GetCurrent().Get());
  effect->SetTexture(kParamTexture3, corePicture.Get());
  layer->DrawPT(layer->GetLayerQuad(), effect.Get());
}
