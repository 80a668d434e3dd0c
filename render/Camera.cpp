#include "render/Camera.h"

#include <cmath>
#include <cstdlib>

#include "device/DeviceGlobals.h"
#include "document/ModuleResources.h"
#include "document/FieldIO.h"
#include "document/Utilities.h"
#include "render/ViewContext.h"

namespace {

const wchar_t kClassName[] = L"DSM_Camera";
const float kPi = 3.14159265f;
// A pause between moves, and the shortest move plus its random extension.
const float kHoldSeconds = 0.5f;
const float kMoveSeconds = 5.0f;
const float kMoveExtraSeconds = 2.0f;

}  // namespace

DSM_Camera::DSM_Camera()
    : on(0),
      zoom(kDefaultZoom, kZoomScale, 0.0f),
      speed(kDefaultSpeed, kSpeedScale, 0.0f),
      driftMode(0),
      surroundImage(kDefaultSurroundId, kSharedModuleName) {}

template <class IO>
void DSM_Camera::Fields(IO& io, int version) {
  io.Long(on);
  io.Field(zoom);
  io.Field(speed);
  if (version > 1) io.Link(surroundImage);
}

void DSM_Camera::Read(DS_IOF_Handle& handle, int version) { ReadFields(*handle, *this, version); }

void DSM_Camera::ReadRecord(DS_IOF_Handle& handle) {
  const int version = ReadLevelHeader(*handle);
  DSM_Camera read;
  read.Read(handle, version);
  if (handle->Failed()) return;
  *this = read;
}

void DSM_Camera::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, kClassName, kVersion);
  WriteFields(stream, *this, kVersion);
}

void DSM_Camera::PickMove(float d) {
  drift.start = d;
  drift.fromX = drift.toX;
  drift.fromY = drift.toY;
  if (std::rand() % 2 == 0) {
    drift.end = drift.start + kHoldSeconds;
    return;
  }
  drift.toX = RandomFloat(0.0f, 1.0f) * 2.0f - 1.0f;
  drift.toY = RandomFloat(0.0f, 1.0f) * 2.0f - 1.0f;
  drift.end = drift.start + kMoveSeconds + RandomFloat(0.0f, 1.0f) * kMoveExtraSeconds;
}

void DSM_Camera::Update(float t) {
  speed.Advance(t);
  const float d = speed.GetAccumulatedTime();
  float a = 1.0f, b = 0, c = 0;
  if (on.GetValue() != 0 && driftMode.GetValue() == 1) {
    if (d >= drift.end) PickMove(d);
    a = zoom.GetResult();
    // A clock so far along that a move no longer fits in a float's precision ends the
    // move at once instead of dividing by zero.
    const float length = drift.end - drift.start;
    float p = length > 0 ? (d - drift.start) / length : 1.0f;
    if (!(p >= 0)) p = 0;
    if (p > 1) p = 1;
    const float f = (1.0f - std::cos(kPi * p)) / 2.0f;
    b = drift.fromX + f * (drift.toX - drift.fromX);
    c = drift.fromY + f * (drift.toY - drift.fromY);
  }
  m_zoomNow = a;
  m_driftXNow = b;
  m_driftYNow = c;
  if (g_CurrentViewContext) g_CurrentViewContext->SetCameraZoom(a, b, c);
}
