#include "render/ViewObjCtrl.h"

#include <cmath>
#include <cstdlib>

#include "document/Utilities.h"
#include "document/FieldIO.h"
#include "render/SceneMapping.h"
#include "render/ScreenQuad.h"

namespace {

const float kRandMax = 32767.0f;

// Relative edge of a pixel edge. Before any layer is sized the scene size is 0:
// the relative edge then stays as it is rather than becoming 0 / 0.
void RelativeFromPixels(float& relative, int px, int sceneSize) {
  if (sceneSize == 0) return;
  relative = static_cast<float>(px) / static_cast<float>(sceneSize);
}

// Pixel edge of a relative edge, assigned with notification when it changes. A
// non-finite product (a broken relative edge) leaves the pixel edge as it is.
void PixelsFromRelative(MediaParamT<int>& edge, float relative, int sceneSize) {
  const float product = relative * static_cast<float>(sceneSize);
  if (!std::isfinite(product)) return;
  edge.SetValue(SaturateToInt(product));
}

float RandomBetween(float lo, float hi) { return lo + static_cast<float>(rand()) / kRandMax * (hi - lo); }

}  // namespace

DS_ViewObjCtrl::DS_ViewObjCtrl() : speed(kDefaultSpeed) { SyncAndBind(); }

DS_ViewObjCtrl::DS_ViewObjCtrl(const DS_ViewObjCtrl& other)
    : DS_ABObj_Constructor(other),
      speed(other.speed),
      viewObject(other.viewObject),
      relLeft(other.relLeft),
      relRight(other.relRight),
      relTop(other.relTop),
      relBottom(other.relBottom) {
  SyncAndBind();
}

// The binders leave the rectangle's parameters before the rectangle dies.
DS_ViewObjCtrl::~DS_ViewObjCtrl() { m_binders.Clear(); }

void DS_ViewObjCtrl::SyncAndBind() {
  m_binders.SetTarget(this, false);
  UpdatePixelRect();
  m_binders.BindValue(pixelRect.Left(), this, &DS_ViewObjCtrl::OnLeftPx);
  m_binders.BindValue(pixelRect.Right(), this, &DS_ViewObjCtrl::OnRightPx);
  m_binders.BindValue(pixelRect.Top(), this, &DS_ViewObjCtrl::OnTopPx);
  m_binders.BindValue(pixelRect.Bottom(), this, &DS_ViewObjCtrl::OnBottomPx);
}

void DS_ViewObjCtrl::OnLeftPx(int px) { RelativeFromPixels(relLeft, px, g_SceneWidth); }
void DS_ViewObjCtrl::OnRightPx(int px) { RelativeFromPixels(relRight, px, g_SceneWidth); }
void DS_ViewObjCtrl::OnTopPx(int px) { RelativeFromPixels(relTop, px, g_SceneHeight); }
void DS_ViewObjCtrl::OnBottomPx(int px) { RelativeFromPixels(relBottom, px, g_SceneHeight); }

void DS_ViewObjCtrl::UpdatePixelRect() {
  // Each assignment may rewrite its relative edge through the binder, so every edge
  // is taken before it is changed and the edges never read each other.
  PixelsFromRelative(pixelRect.Left(), relLeft, g_SceneWidth);
  PixelsFromRelative(pixelRect.Right(), relRight, g_SceneWidth);
  PixelsFromRelative(pixelRect.Top(), relTop, g_SceneHeight);
  PixelsFromRelative(pixelRect.Bottom(), relBottom, g_SceneHeight);
}

float DS_ViewObjCtrl::GetLeftPx() const { return relLeft * static_cast<float>(g_SceneWidth); }
float DS_ViewObjCtrl::GetRightPx() const { return relRight * static_cast<float>(g_SceneWidth); }
float DS_ViewObjCtrl::GetTopPx() const { return relTop * static_cast<float>(g_SceneHeight); }
float DS_ViewObjCtrl::GetBottomPx() const { return relBottom * static_cast<float>(g_SceneHeight); }

void DS_ViewObjCtrl::GetScreenQuad(DS_ScreenQuad& quad) const {
  quad.Reset();
  quad.SetCorners(GetLeftPx(), GetTopPx(), GetRightPx(), GetBottomPx());
}

D3DXVECTOR3 DS_ViewObjCtrl::RandomPointInRect() const {
  const float x = RandomBetween(GetLeftPx(), GetRightPx());
  const float y = RandomBetween(GetTopPx(), GetBottomPx());
  return D3DXVECTOR3(x, y, 0.0f);
}

D3DXVECTOR3 DS_ViewObjCtrl::RandomPointInRectMargin(float halfWidth, float halfHeight) const {
  const float x = RandomBetween(GetLeftPx() + halfWidth, GetRightPx() - halfWidth);
  const float y = RandomBetween(GetTopPx() + halfHeight, GetBottomPx() - halfHeight);
  return D3DXVECTOR3(x, y, 0.0f);
}

unsigned int DS_ViewObjCtrl::UpdateTime(float t) {
  float d = std::fabs(t - m_lastTime);
  // A broken clock value must not poison the accumulated time for good.
  if (!std::isfinite(d)) d = 0.0f;
  m_rawStep = d < kMaxRawStep ? d : kMaxRawStep;
  const float clamped = d < kMaxClockStep ? d : kMaxClockStep;
  m_step = clamped * static_cast<float>(speed.GetValue()) * kSpeedScale;
  m_accumulatedTime += m_step;
  m_lastTime = t;
  return speed.GetValue();
}

void DS_ViewObjCtrl::Reset() {
  DS_ABObj_Constructor::Reset();
  m_step = 0.0f;
  m_rawStep = 0.0f;
  m_lastTime = 0.0f;
  m_accumulatedTime = 0.0f;
}

void DS_ViewObjCtrl::ReadSection(DS_IOF_Handle& handle) {
  int version = ReadLevelHeader(*handle);
  Read(handle, version);
}

template <class IO>
void DS_ViewObjCtrl::Fields(IO& io, int version) {
  pixelRect.Fields(io);
  io.Float(relLeft);
  io.Float(relRight);
  io.Float(relTop);
  io.Float(relBottom);
  io.Flag(viewObject);
  if (version > 1) io.UInt(speed);
}

void DS_ViewObjCtrl::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  DS_ABObj_Constructor::ReadSection(handle);
}

void DS_ViewObjCtrl::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_ViewObjCtrl", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  DS_ABObj_Constructor::Write(stream);
}
