#include "objects/brushes/PatternBrush.h"

#include <d3dx9math.h>

#include "device/ResourceLookup.h"
#include "document/ClassRegistry.h"
#include "document/FieldIO.h"
#include "document/TextureSet.h"
#include "render/ABRender.h"
#include "render/TimeLine.h"

namespace {

IOF_Virtual_ReaderT<DS_PatternBrush> s_patternReader(L"DS_PatternBrush");
IOF_Virtual_ReaderT<DS_PatternBrushC> s_patternCReader(L"DS_PatternBrushC");

// The pattern is tinted by the time line's opacity in this time mode only.
const int kTintTimeMode = 1;
// Pi as the single-precision constant of the angle conversion.
const float kPi = 3.1415927f;

const char kParamMixColor[] = "mix_color";
const char kParamPattern[] = "Pattern";
const char kParamScale[] = "scale";
const char kParamOffset[] = "offset";
const char kParamCoordTransform[] = "coord_transf";

}  // namespace

// ---- DS_PatternBrush ----

DS_PatternBrush::DS_PatternBrush()
    : verticalFlip(0), horizontalFlip(0), angle(0u), zoom(100u, 0.01f, 0.0f), offsetX(0u, -0.01f, 0.0f),
      offsetY(0u, 0.01f, 0.0f) {
  speed.SetScale(0.02f, 0.0f);
  speed.SetValue(50u);
  effectLink.StoreKey(DS_HLSLEffectFile(kDefaultEffectId, kEffectModule).GetKey());
  TimeLine().timeMode.SetValue(kTintTimeMode);
}

template <class IO>
void DS_PatternBrush::Fields(IO& io, int version) {
  io.Link(patternImage);
  io.Long(verticalFlip);
  io.Long(horizontalFlip);
  io.UInt(angle);
  io.Field(zoom);
  io.Field(offsetX);
  io.Field(offsetY);
}

void DS_PatternBrush::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  ReadSection(handle);
}

void DS_PatternBrush::WritePatternLevel(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_PatternBrush", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
}

void DS_PatternBrush::Write(DS_IOF_Virtual& stream) const {
  WritePatternLevel(stream);
  WriteLevel(stream);
}

void DS_PatternBrush::Prepare(DS_MaskHolder* mask) {
  DS_FX_Constructor::Prepare(mask);
  // A ".dll" pattern is a frame set stored in an add-on module.
  DS_TextureSet* set = patternImage.GetExtension() == L".dll" ? LookupAddOnTextureSet(patternImage)
                                                              : LookupTextureSet(patternImage);
  m_frameIndex = 0;
  if (!set || set->frames.empty()) {
    m_frames.clear();
    m_durations.clear();
    m_patternWidth = 0;
    m_patternHeight = 0;
    return;
  }
  m_frames = set->frames;
  m_durations = set->durations;
  m_patternWidth = set->width;
  m_patternHeight = set->height;
}

void DS_PatternBrush::Update(float localTime) {
  DS_FX_Constructor::Update(localTime);
  const float t = GetBrushTime();
  if (t - m_lastSwitch < 0.0f) m_lastSwitch = t;
  // The index stays below the number of durations, whatever the stored values.
  if (!m_durations.empty()) {
    if (m_frameIndex >= m_durations.size()) m_frameIndex = 0;
    if (m_durations[m_frameIndex] < t - m_lastSwitch) {
      m_lastSwitch = t;
      m_frameIndex = unsigned((m_frameIndex + 1) % m_durations.size());
    }
  }
}

void DS_PatternBrush::Render(DS_ABRender* layer) {
  if (!layer || !m_effect) return;
  const DS_TimeLineControl& timeLine = TimeLine();
  const float alpha = timeLine.timeMode.GetValue() == kTintTimeMode ? timeLine.GetAlpha() : 1.0f;
  const float mixColor[4] = {1.0f, 1.0f, 1.0f, alpha};
  SetFloats(kParamMixColor, mixColor, 4);

  // No pattern, nothing to lay: not even the plain background is drawn.
  if (m_patternHeight == 0 || m_patternWidth == 0) return;
  if (!m_frames.empty()) {
    // A sequence whose durations outnumber its frames has no picture for the others.
    IDirect3DTexture9* frame = m_frameIndex < m_frames.size() ? m_frames[m_frameIndex].Get() : nullptr;
    SetTexture(kParamPattern, frame);
  }

  const float tileZoom = zoom.GetResult();
  const unsigned pictureWidth = layer->GetPictureWidth();
  const unsigned pictureHeight = layer->GetPictureHeight();
  const unsigned w = unsigned(m_patternWidth);
  const unsigned h = unsigned(m_patternHeight);

  const float patternScale[2] = {float(w) / float(h), 1.0f};
  SetFloats(kParamScale, patternScale, 2);
  const float offset[2] = {offsetX.GetResult(), offsetY.GetResult()};
  SetFloats(kParamOffset, offset, 2);

  // A zoom of 0 would make tiles of no size: the tiles then keep the pattern's size.
  const float tileScale = tileZoom != 0.0f ? tileZoom : 1.0f;
  float sx = float(pictureWidth) / (float(w) * tileScale);
  float sy = float(pictureHeight) / (float(h) * tileScale);
  if (horizontalFlip.GetValue() != 0) sx = -sx;
  if (verticalFlip.GetValue() != 0) sy = -sy;
  const float radians = float(double(angle.GetValue()) * double(kPi) / 180.0);
  D3DXMATRIX scaling, rotation, m;
  D3DXMatrixScaling(&scaling, sx, sy, 1.0f);
  D3DXMatrixRotationZ(&rotation, radians);
  D3DXMatrixMultiply(&m, &scaling, &rotation);
  const float transform[4] = {m._11, m._12, m._21, m._22};
  SetFloats(kParamCoordTransform, transform, 4);

  ApplyCommonParameters(layer);
}

// ---- DS_PatternBrushC ----

void DS_PatternBrushC::Read(DS_IOF_Handle& handle, int version) {
  const int patternVersion = ReadLevelHeader(*handle);
  DS_PatternBrush::Read(handle, patternVersion);
}

void DS_PatternBrushC::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_PatternBrushC", kRecordVersion);
  DS_PatternBrush::Write(stream);
}
