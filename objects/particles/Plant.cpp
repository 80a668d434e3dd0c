#include "objects/particles/Plant.h"

#include "document/ClassRegistry.h"
#include "document/FieldIO.h"
#include "objects/particles/ParticleQuads.h"
#include "objects/particles/ParticlesObj.h"
#include "render/ABRender.h"
#include "render/EffectNames.h"
#include "render/TimeLine.h"

namespace {

IOF_Virtual_ReaderT<DS_Plant> s_plantReader(L"DS_Plant");

// Records older than this carry two unused floats after the region.
const int kRegionOnlyVersion = 2;

const float kTimeSpeedScale = 0.02f;
const float kFrequencyScale = 0.1f;
const float kMagnitudeScale = 0.002f;

const char* const kParamTime = "Time";
const char* const kParamFrequency = "Frequency";
const char* const kParamWMagnitude = "WMagnitude";
const char* const kParamBMagnitude = "BMagnitude";
const char* const kParamColor = "color";

}  // namespace

// ---- DS_SingleRectGN ----

DS_SingleRectGN::~DS_SingleRectGN() = default;

template <class IO>
void DS_SingleRectGN::Fields(IO& io, int version) {
  region.Fields(io);
  if (version < kRegionOnlyVersion) {
    float unused = 0.0f;
    io.Float(unused);
    io.Float(unused);
  }
}

void DS_SingleRectGN::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_SingleRectGN", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  DS_StaticGenerator::Write(stream);
}

void DS_SingleRectGN::ReadSection(DS_IOF_Handle& handle) {
  const int version = ReadLevelHeader(*handle);
  ReadFields(*handle, *this, version);
  DS_StaticGenerator::ReadSection(handle);
}

void DS_SingleRectGN::PrepareResources(DS_ParticlesObj* object) {
  DS_StaticGenerator::PrepareResources(object);
  if (!object) return;
  object->SetSlotCount(1);
  if (object->EnsureQuadCapacity(0, 1) == 0) return;
  WriteRegionQuad(*object, region, horizontalFlip.GetValue(), verticalFlip.GetValue(), colour1);
}

// ---- DS_Plant ----

DS_Plant::DS_Plant()
    : TimeSpeed(0u, kTimeSpeedScale, 0.0f), Frequency(0u, kFrequencyScale, 0.0f),
      WMagnitude(0u, kMagnitudeScale, 0.0f), BMagnitude(0u, kMagnitudeScale, 0.0f) {}

DS_Plant::~DS_Plant() = default;

template <class IO>
void DS_Plant::Fields(IO& io, int version) {
  io.Field(TimeSpeed);
  io.Field(Frequency);
  io.Field(WMagnitude);
  io.Field(BMagnitude);
}

void DS_Plant::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_Plant", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  DS_SingleRectGN::Write(stream);
}

void DS_Plant::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  ReadSection(handle);
}

DS_ParticleGenerator* DS_Plant::Clone() const { return new DS_Plant(*this); }

void DS_Plant::Update(float t, DS_ParticlesObj* object) { TimeSpeed.Advance(t); }

D3DXVECTOR4 DS_Plant::EffectColour() const {
  const float alpha = TimeLine().timeMode.GetValue() == kTimeModeOpacity ? TimeLine().GetAlpha() : 1.0f;
  return D3DXVECTOR4(1.0f, 1.0f, 1.0f, alpha);
}

void DS_Plant::Render(DS_ABRender* layer, DS_ParticlesObj* object) {
  ID3DXEffect* fx = GetEffect();
  if (!layer || !object || !fx) return;
  const DS_IndexedMesh<DX_V::PCT>* slot = object->GetSlot(0);
  if (!slot) return;
  fx->SetTechnique(kTechniqueMain);
  fx->SetTexture(kParamTexture, GetCurrentTexture(0));
  fx->SetFloat(kParamTime, TimeSpeed.GetAccumulatedTime());
  fx->SetFloat(kParamFrequency, Frequency.GetResult());
  fx->SetFloat(kParamWMagnitude, WMagnitude.GetResult());
  fx->SetFloat(kParamBMagnitude, BMagnitude.GetResult());
  const D3DXVECTOR4 colour = EffectColour();
  const float values[4] = {colour.x, colour.y, colour.z, colour.w};
  fx->SetFloatArray(kParamColor, values, 4);
  layer->DrawIndexedPCT(*slot, fx, static_cast<int>(2 * object->GetQuadCount(0)), 1.0f);
}
