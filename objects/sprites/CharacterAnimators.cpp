#include "objects/sprites/CharacterAnimators.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <limits>

#include "document/Utilities.h"
#include "render/Frame.h"
#include "render/ViewObjCtrl.h"

namespace {

const float kPi = 3.1415927f;

float Radians(float degrees) { return degrees * (2.0f * kPi / 360.0f); }

// An edge of the clock rectangle; the document's size and centre may be anything, so
// the sum is kept within an int instead of wrapping.
int ClampedEdge(int64_t value) {
  if (value > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (value < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return static_cast<int>(value);
}

AC_ClockArrow::LocalTimeSource g_localTimeSource = &AC_ClockArrow::SystemLocalTime;

}  // namespace

// ApproachValue

void ApproachValue::Step(float dt) {
  if (current == target) return;
  current += dt * rate;
  if (rate > 0 && current > target) current = target;
  if (rate < 0 && current < target) current = target;
}

void ApproachValue::SetTarget(float newTarget, float newRate) {
  if (newRate != 0) rate = newRate;
  target = newTarget;
  rate = target > current ? std::fabs(rate) : -std::fabs(rate);
}

// AC_ButterflyWing

AC_ButterflyWing::AC_ButterflyWing() { D3DXMatrixIdentity(&wingMatrix); }

void AC_ButterflyWing::Animate(DS_Frame& frame) {
  D3DXMatrixMultiply(&frame.world, &frame.local, &wingMatrix);
  frame.cullCounterClockwise = front;
}

// AC_Butterfly

AC_Butterfly::AC_Butterfly(DS_ViewObjCtrl& item, MediaParamT<unsigned int>& size)
    : m_item(item), m_wing1(new AC_ButterflyWing()), m_wing2(new AC_ButterflyWing()) {
  position = m_item.RandomPointInRect();
  const float h = RandomFloat(0.0f, 360.0f);
  heading = ApproachValue{h, h, 350.0f};
  D3DXMatrixRotationX(&m_tilt, 0.17453292f);
  D3DXMatrixScaling(&m_mirror, -1.0f, 1.0f, 1.0f);
  D3DXMatrixIdentity(&m_size);
  m_binders.SetTarget(this, false);
  BindSize(size);
}

AC_Butterfly::~AC_Butterfly() { m_binders.Clear(); }

void AC_Butterfly::BindSize(MediaParamT<unsigned int>& size) {
  m_binders.BindValue(size, this, &AC_Butterfly::OnSizeChanged);
}

void AC_Butterfly::OnSizeChanged(unsigned int size) {
  const float s = static_cast<float>(size) / 100.0f;
  D3DXMatrixScaling(&m_size, s, s, s);
}

void AC_Butterfly::Animate(DS_Frame& frame) {
  const float dt = m_item.GetStep();
  const float t = m_item.GetAccumulatedTime();
  D3DXMATRIX m = frame.local;
  D3DXMATRIX r;

  // Body attitude: heading, bank into the turn, nose up when slow, the fixed tilt.
  D3DXMATRIX headingRotation;
  D3DXMatrixRotationY(&headingRotation, Radians(heading.current));
  D3DXMatrixMultiply(&m, &headingRotation, &m);
  const float d = heading.current - heading.target;
  if (d < -5.0f) {
    roll.SetTarget(25.0f, 0.0f);
  } else if (d > 5.0f) {
    roll.SetTarget(-25.0f, 0.0f);
  }
  if (speed.current < 100.0f) {
    D3DXMatrixRotationX(&r, Radians((1.0f - speed.current / 100.0f) * 15.0f));
    D3DXMatrixMultiply(&m, &r, &m);
  }
  D3DXMatrixMultiply(&m, &m_tilt, &m);
  D3DXMatrixRotationZ(&r, Radians(roll.current));
  D3DXMatrixMultiply(&m, &r, &m);
  if (roll.current == roll.target) roll.SetTarget(0.0f, 0.0f);

  // Wing beat, and the body bobbing against it.
  wingAngle += dt * 7.0f * flapSpeed;
  if (wingAngle > upperWingLimit) flapSpeed = kFlapDownSpeed;
  if (wingAngle < lowerWingLimit) flapSpeed = kFlapUpSpeed;
  D3DXMatrixTranslation(&r, 0.0f, wingAngle * -3.0f / 45.0f, 0.0f);
  D3DXMatrixMultiply(&m, &r, &m);
  D3DXMATRIX wingRotation;
  D3DXMatrixRotationZ(&wingRotation, Radians(wingAngle));
  m_wing1->wingMatrix = wingRotation;
  D3DXMatrixMultiply(&m_wing2->wingMatrix, &wingRotation, &m_mirror);
  m_wing1->front = wingAngle > 0 ? 1 : 0;
  m_wing2->front = wingAngle < 0 ? 1 : 0;

  // Flight along the heading, with the vertical speed.
  D3DXVECTOR3 v(speed.current, 0.0f, 0.0f);
  D3DXVec3TransformCoord(&v, &v, &headingRotation);
  v.y = vertical.current;
  position += dt * v;
  position.z = 0.0f;
  D3DXMatrixTranslation(&r, position.x, position.y, position.z);
  D3DXMatrixMultiply(&m, &m, &r);

  StepApproaches(dt);
  SteerAtEdges();
  Decide(t);

  D3DXMatrixMultiply(&frame.world, &m_size, &m);
}

void AC_Butterfly::StepApproaches(float dt) {
  vertical.Step(dt);
  roll.Step(dt);
  heading.Step(dt);
  speed.Step(dt);
}

void AC_Butterfly::SteerAtEdges() {
  // Scene y grows downwards: above the top the butterfly glides down, below the
  // bottom it flaps up.
  if (m_item.GetTopPx() > position.y) {
    requestedState = kGliding;
    vertical.SetTarget(100.0f, 0.0f);
  } else if (m_item.GetBottomPx() < position.y) {
    requestedState = kFlapping;
    vertical.SetTarget(-190.0f, 0.0f);
  }
  if (m_item.GetLeftPx() > position.x) {
    heading.SetTarget(0.0f, 350.0f);
    speed.SetTarget(300.0f, 0.0f);
  } else if (m_item.GetRightPx() < position.x) {
    heading.SetTarget(-180.0f, 350.0f);
    speed.SetTarget(300.0f, 0.0f);
  }
}

void AC_Butterfly::Decide(float t) {
  if (state == requestedState) {
    if (t - decisionTime <= 0.25f) return;
    switch (std::rand() % 5) {
      case 0:
        requestedState = kFlapping;
        vertical.SetTarget(RandomFloat(-190.0f, 0.0f), 0.0f);
        break;
      case 1:
        requestedState = kGliding;
        vertical.SetTarget(RandomFloat(100.0f, 150.0f), 0.0f);
        break;
      case 2:
        requestedState = kFlapping;
        speed.SetTarget(RandomFloat(-25.0f, 300.0f), 0.0f);
        break;
      default:
        // Turn only in level flapping flight and when the last turn is complete.
        if (state == kFlapping && heading.current == heading.target) {
          const bool ahead = (std::rand() & 1) != 0;
          const float rate = RandomFloat(50.0f, 350.0f);
          const float target = ahead ? RandomFloat(-25.0f, 25.0f) : RandomFloat(155.0f, 205.0f);
          heading.SetTarget(target, rate);
        }
        break;
    }
    decisionTime = t;
  } else if (requestedState == kGliding) {
    // Start gliding once the wings have come down.
    upperWingLimit = 0.0f;
    if (wingAngle < lowerWingLimit * 0.5f) {
      state = kGliding;
      flapSpeed = -std::fabs(flapSpeed) / 100.0f;
    }
  } else {
    state = kFlapping;
    upperWingLimit = -lowerWingLimit;
    flapSpeed = speed.current > 20.0f ? RandomFloat(-160.0f, speed.current / 3.0f - 50.0f) : 160.0f;
  }
}

// AC_Static

AC_Static::AC_Static(MediaRectangle& rect, MediaParamT<unsigned int>& size) : m_rect(rect), m_size(size) {
  D3DXMatrixIdentity(&m_scaling);
  D3DXMatrixIdentity(&m_translation);
  m_binders.SetTarget(this, false);
  BindSize(size);
  BindPosition(rect);
  D3DXMatrixTranslation(&m_translation, static_cast<float>(m_rect.Extra1().GetValue()),
                        static_cast<float>(m_rect.Extra2().GetValue()), 0.0f);
  const float s = static_cast<float>(m_size.GetValue());
  D3DXMatrixScaling(&m_scaling, s, s, s);
}

AC_Static::~AC_Static() { m_binders.Clear(); }

void AC_Static::BindSize(MediaParamT<unsigned int>& size) {
  m_binders.BindValue(size, this, &AC_Static::OnSizeChanged);
}

void AC_Static::BindPosition(MediaRectangle& rect) {
  m_binders.BindChange(rect, this, &AC_Static::OnPositionChanged);
}

void AC_Static::SetEdges(unsigned int size) {
  const int64_t h = size / 2;
  const int64_t x = m_rect.Extra1().GetValue();
  const int64_t y = m_rect.Extra2().GetValue();
  m_rect.Left().SetValue(ClampedEdge(x - h));
  m_rect.Right().SetValue(ClampedEdge(h + x));
  m_rect.Top().SetValue(ClampedEdge(y - h));
  m_rect.Bottom().SetValue(ClampedEdge(h + y));
}

void AC_Static::OnSizeChanged(unsigned int size) {
  SetEdges(size);
  const float s = static_cast<float>(size);
  D3DXMatrixScaling(&m_scaling, s, s, s);
}

void AC_Static::OnPositionChanged() {
  SetEdges(m_size.GetValue());
  D3DXMatrixTranslation(&m_translation, static_cast<float>(m_rect.Extra1().GetValue()),
                        static_cast<float>(m_rect.Extra2().GetValue()), 0.0f);
}

void AC_Static::Animate(DS_Frame& frame) {
  D3DXMATRIX m;
  D3DXMatrixMultiply(&m, &m_scaling, &frame.local);
  D3DXMatrixMultiply(&frame.world, &m, &m_translation);
}

// AC_ClockArrow

float AC_ClockArrow::HandAngle(BYTE kind, int hours, int minutes, int seconds) {
  if (kind == kMinuteHand) return (static_cast<float>(seconds) / 60.0f + static_cast<float>(minutes)) * 6.0f;
  return (static_cast<float>(hours % 12) + static_cast<float>(minutes) / 60.0f) * 30.0f;
}

AC_ClockArrow::LocalTimeSource AC_ClockArrow::SetLocalTimeSource(LocalTimeSource source) {
  LocalTimeSource previous = g_localTimeSource;
  g_localTimeSource = source ? source : &AC_ClockArrow::SystemLocalTime;
  return previous;
}

bool AC_ClockArrow::SystemLocalTime(int& hours, int& minutes, int& seconds) {
  const std::time_t now = std::time(nullptr);
  if (now == static_cast<std::time_t>(-1)) return false;
  const std::tm* local = std::localtime(&now);
  if (!local) return false;
  hours = local->tm_hour;
  minutes = local->tm_min;
  seconds = local->tm_sec;
  return true;
}

void AC_ClockArrow::Animate(DS_Frame& frame) {
  int hours = 0;
  int minutes = 0;
  int seconds = 0;
  if (!g_localTimeSource(hours, minutes, seconds)) return;
  D3DXMATRIX rotation;
  D3DXMatrixRotationY(&rotation, Radians(HandAngle(m_kind, hours, minutes, seconds)));
  D3DXMatrixMultiply(&frame.world, &frame.local, &rotation);
}
