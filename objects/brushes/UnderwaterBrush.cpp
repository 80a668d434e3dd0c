#include "objects/brushes/UnderwaterBrush.h"

#include "document/FieldIO.h"
#include "render/ABRender.h"

namespace {

// The effect's time runs at this fraction of the brush clock.
const float kEffectTimeScale = 0.08f;

const char kParamFrequency[] = "frequency";
const char kParamAmplitude[] = "amplitude";
const char kParamTime[] = "time";

}  // namespace

DS_UnderwaterFX::DS_UnderwaterFX() : amplitude(50u, 0.000125f, 0.0f), period(50u, 0.002f, 0.001f) {
  speed.SetValue(25u);
  effectLink.StoreKey(DS_HLSLEffectFile(kDefaultEffectId, kEffectModule).GetKey());
}

DS_UnderwaterFX& DS_UnderwaterFX::operator=(const DS_UnderwaterFX& other) {
  if (this == &other) return *this;
  DS_FX_Constructor::operator=(other);
  amplitude = other.amplitude;
  period = other.period;
  return *this;
}

template <class IO>
void DS_UnderwaterFX::Fields(IO& io, int version) {
  io.Field(amplitude);
  io.Field(period);
}

std::unique_ptr<DS_UnderwaterFX> DS_UnderwaterFX::CreateFromSection(DS_IOF_Handle& handle) {
  const int version = ReadLevelHeader(*handle);
  std::unique_ptr<DS_UnderwaterFX> brush(new DS_UnderwaterFX());
  ReadFields(*handle, *brush, version);
  brush->ReadSection(handle);
  return brush;
}

void DS_UnderwaterFX::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_UnderwaterFX", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  WriteLevel(stream);
}

void DS_UnderwaterFX::Render(DS_ABRender* layer) {
  if (!layer || !m_effect) return;
  const float p = period.GetResult();
  // A ripple length of 0 has no frequency rather than an infinite one.
  const float f = p != 0.0f ? 1.0f / p : 0.0f;
  // A layer without a picture counts as square.
  const float frequency[2] = {f * PictureAspect(*layer), f};
  m_effect->SetFloatArray(kParamFrequency, frequency, 2);
  m_effect->SetFloat(kParamAmplitude, amplitude.GetResult());
  m_effect->SetFloat(kParamTime, GetBrushTime() * kEffectTimeScale);
  ApplyCommonParameters(layer);
}
