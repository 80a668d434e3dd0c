#include "objects/text/TextObjects.h"

#include <objbase.h>
#include <windows.h>

#include <climits>
#include <cmath>

#include "device/DeviceUtil.h"
#include "document/ClassRegistry.h"
#include "document/FieldIO.h"
#include "document/DocResManager.h"
#include "objects/sprites/SpriteParticle.h"
#include "render/ABRender.h"
#include "render/EffectNames.h"
#include "render/SceneMapping.h"
#include "render/TimeLine.h"

namespace {

IOF_Virtual_ReaderT<DS_StaticTextConstructor> s_staticTextReader(L"DS_StaticTextConstructor");
IOF_Virtual_ReaderT<DS_ScrollingTextConstructor> s_scrollingTextReader(L"DS_ScrollingTextConstructor");
IOF_Virtual_ReaderT<DS_TextLinkConstructor> s_textLinkReader(L"DS_TextLinkConstructor");

const char* const kTechniqueStatic = "CommonVretexColor";
const char* const kTechniqueScroll = "ScrollText";
const char* const kParamShift = "Shift";

// A new text's local clock runs at the scene clock's speed.
const int kTextTimeMode = 1;
// The legacy values are ten times finer than the time line's hundredths.
const unsigned int kLegacyPerHundredth = 10;
// IDC_HAND, spelled for the wide-character call.
const WORD kHandCursorId = 32649;

int SizeArgument(unsigned int pixels) { return pixels > unsigned(INT_MAX) ? INT_MAX : static_cast<int>(pixels); }

// Whole periods leave the shift as it is, since a position only ever moves one way;
// dropping them keeps the float fine enough for one step after hours of scrolling.
float MoveScrollPosition(float position, float delta) {
  float moved = position + delta;
  if (std::fabs(moved) >= 1.0f) moved -= std::trunc(moved);
  return moved;
}

}  // namespace

// ---- DS_StaticTextConstructor ----

DS_StaticTextConstructor::DS_StaticTextConstructor() : guid() {
  if (FAILED(CoCreateGuid(&guid))) guid = GUID();
  TimeLine().timeMode.StoreValue(kTextTimeMode);
  colour.StoreValue(kTextColour);
}

DS_ParticleSystemCtrl* DS_StaticTextConstructor::Clone() const { return new DS_StaticTextConstructor(*this); }

void DS_StaticTextConstructor::Prepare() {
  DS_StatBaseFXCtrl::Prepare();
  if (g_CurrentDocResManager) {
    m_textTexture.Set(g_CurrentDocResManager->GetGuidTexture(guid).Get());
  } else {
    m_textTexture.Release();
  }
}

void DS_StaticTextConstructor::UpdateParticle(DS_SpriteParticle& sprite) {
  sprite.position = position.GetValue();
  sprite.halfWidth = static_cast<float>(width.GetValue()) / 2.0f;
  sprite.halfHeight = static_cast<float>(height.GetValue()) / 2.0f;
  sprite.packedColour = PackColor(*this, sprite);
}

bool DS_StaticTextConstructor::SetupEffect(DS_ABRender* layer, ParticleGeomArray* geometry) {
  ID3DXEffect* effect = GetEffect();
  if (!effect) return false;
  effect->SetTechnique(kTechniqueStatic);
  // Set even when there is no picture: the effect is shared, and another item's
  // texture must not show through.
  effect->SetTexture(kParamTexture1, m_textTexture.Get());
  if (layer && geometry) layer->DrawIndexedPCTEffect(*geometry, effect);
  return false;
}

template <class IO>
void DS_StaticTextConstructor::Fields(IO& io, int version, unsigned int (&legacy)[kLegacyValueCount]) {
  io.Long(TextOption1);
  io.Long(TextOption2);
  io.String(Text);
  Font.Fields(io);
  if (version < kFirstVersionWithoutLegacy) {
    for (unsigned int& value : legacy) io.UInt(value);
  }
  if (version >= kFirstVersionWithGuid) {
    // Text that is no GUID keeps the item's own new one, under which the document
    // holds no picture.
    io.Guid(guid);
    io.String(TextureTag);
    io.Byte(TextureFlag);
  }
}

void DS_StaticTextConstructor::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_StaticTextConstructor", kRecordVersion);
  // The document carries the picture in its GUID table. Only a copy that was made
  // replaces the table's picture: a text that never took its picture must not wipe it.
  if (g_CurrentDocResManager && m_textTexture) {
    DS_ComHolder<IDirect3DTexture9> copy;
    if (SUCCEEDED(ResampleTexture(SizeArgument(width.GetValue()), SizeArgument(height.GetValue()), m_textTexture, copy,
                                  D3DFMT_A8R8G8B8)) &&
        copy) {
      g_CurrentDocResManager->GetGuidTexture(guid) = copy;
    }
  }
  unsigned int none[kLegacyValueCount] = {};
  WriteFields(stream, *this, kRecordVersion, none);
  DS_StatBaseFXCtrl::Write(stream);
}

void DS_StaticTextConstructor::ReadSection(DS_IOF_Handle& handle) {
  const int version = ReadLevelHeader(*handle);
  Read(handle, version);
}

void DS_StaticTextConstructor::Read(DS_IOF_Handle& handle, int version) {
  unsigned int legacy[kLegacyValueCount] = {0, 0, 0, 0};
  ReadFields(*handle, *this, version, legacy);
  DS_StatBaseFXCtrl::ReadSection(handle);
  // After the time line's own record, which the old values replace.
  if (version < kFirstVersionWithoutLegacy && !handle->Failed()) ApplyLegacyTimes(legacy);
}

void DS_StaticTextConstructor::ApplyLegacyTimes(const unsigned int (&legacy)[kLegacyValueCount]) {
  DS_TimeLineControl& timeLine = TimeLine();
  const unsigned int fadeIn = legacy[0] / kLegacyPerHundredth;
  const unsigned int fadeOut = legacy[1] / kLegacyPerHundredth;
  const unsigned int shown = legacy[2] / kLegacyPerHundredth;
  const unsigned int hidden = legacy[3] / kLegacyPerHundredth;
  // No shown length meant a text that never hides.
  if (legacy[2] == 0) {
    timeLine.mode.StoreValue(DS_TimeLineControl::kAlwaysVisible);
    return;
  }
  timeLine.hidden.lo.StoreValue(hidden);
  timeLine.hidden.hi.StoreValue(hidden);
  timeLine.shown.lo.StoreValue(shown);
  timeLine.shown.hi.StoreValue(shown);
  timeLine.fadeIn.SetValue(fadeIn);
  timeLine.fadeOut.SetValue(fadeOut);
}

// ---- DS_ScrollingTextConstructor ----

DS_ScrollingTextConstructor::DS_ScrollingTextConstructor() = default;

DS_ParticleSystemCtrl* DS_ScrollingTextConstructor::Clone() const { return new DS_ScrollingTextConstructor(*this); }

void DS_ScrollingTextConstructor::UpdateParticle(DS_SpriteParticle& sprite) {
  DS_StaticTextConstructor::UpdateParticle(sprite);
  StepScroll();
  sprite.uLeft = 0.0f;
  sprite.uRight = TextureRange(width.GetValue(), TileWidth);
  sprite.vTop = 0.0f;
  sprite.vBottom = TextureRange(height.GetValue(), TileHeight);
}

void DS_ScrollingTextConstructor::StepScroll() {
  const int direction = ScrollDirection.GetValue();
  if (TimeLine().GetPhase() == kPhaseInvisible) {
    m_secondPosition = 0.0f;
    m_firstPosition = 0.0f;
  } else if (ScrollPeriod.GetValue() != 0) {
    // A period of 0 would make the step infinite; such a text stands still.
    const float delta = GetStep() / static_cast<float>(ScrollPeriod.GetValue());
    switch (direction) {
      case kSecondForward:
        m_secondPosition = MoveScrollPosition(m_secondPosition, delta);
        break;
      case kSecondBack:
        m_secondPosition = MoveScrollPosition(m_secondPosition, -delta);
        break;
      case kFirstForward:
        m_firstPosition = MoveScrollPosition(m_firstPosition, delta);
        break;
      case kFirstBack:
        m_firstPosition = MoveScrollPosition(m_firstPosition, -delta);
        break;
      default:
        break;
    }
  }
  if (direction < kFirstForward) {
    m_shift[0] = 0.0f;
    m_shift[1] = ShiftOf(m_secondPosition);
  } else {
    m_shift[0] = ShiftOf(m_firstPosition);
    m_shift[1] = 0.0f;
  }
}

float DS_ScrollingTextConstructor::ShiftOf(float position) {
  const float f = position - std::trunc(position);
  return f > 0.0f ? 3.0f * f - 1.0f : 3.0f * f + 1.0f;
}

float DS_ScrollingTextConstructor::TextureRange(unsigned int extent, float tile) {
  if (!(tile > 0.0f) || !std::isfinite(tile)) return 1.0f;
  const float range = static_cast<float>(extent) / tile;
  return std::isfinite(range) ? range : 1.0f;
}

bool DS_ScrollingTextConstructor::SetupEffect(DS_ABRender* layer, ParticleGeomArray* geometry) {
  ID3DXEffect* effect = GetEffect();
  if (!effect) return false;
  effect->SetTechnique(kTechniqueScroll);
  effect->SetFloatArray(kParamShift, m_shift, 2);
  effect->SetTexture(kParamTexture1, m_textTexture.Get());
  return true;
}

template <class IO>
void DS_ScrollingTextConstructor::Fields(IO& io, int version) {
  io.UInt(ScrollPeriod);
  io.Long(ScrollDirection);
  if (version >= kFirstVersionWithTiles) {
    io.Float(TileHeight);
    io.Float(TileWidth);
  }
}

void DS_ScrollingTextConstructor::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_ScrollingTextConstructor", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  DS_StaticTextConstructor::Write(stream);
}

void DS_ScrollingTextConstructor::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  ReadSection(handle);
}

// ---- DS_TextLinkConstructor ----

DS_ParticleSystemCtrl* DS_TextLinkConstructor::Clone() const { return new DS_TextLinkConstructor(*this); }

int DS_TextLinkConstructor::OnMouseMove(int x, int y) {
  if (TimeLine().GetPhase() == kPhaseInvisible) return 0;
  if (!HitTest(static_cast<float>(x), static_cast<float>(y))) return 0;
  SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(kHandCursorId)));
  return 1;
}

void DS_TextLinkConstructor::OnClick(int x, int y) {
  if (TimeLine().GetPhase() == kPhaseInvisible) return;
  // The link opens nothing: the answer is not used.
  HitTest(static_cast<float>(x), static_cast<float>(y));
}

bool DS_TextLinkConstructor::HitTest(float x, float y) const {
  D3DXVECTOR3 scene;
  if (!MapWindowPointToScene(x, y, scene)) return false;
  const D3DXVECTOR3& centre = position.GetValue();
  // Half extents in whole pixels.
  const float hw = static_cast<float>(width.GetValue() / 2u);
  const float hh = static_cast<float>(height.GetValue() / 2u);
  return centre.x - hw <= scene.x && scene.x <= centre.x + hw && centre.y - hh <= scene.y && scene.y <= centre.y + hh;
}

template <class IO>
void DS_TextLinkConstructor::Fields(IO& io, int version) {
  io.UInt(LinkParam);
}

void DS_TextLinkConstructor::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_TextLinkConstructor", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  DS_StaticTextConstructor::Write(stream);
}

void DS_TextLinkConstructor::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  ReadSection(handle);
}
