#pragma once
// Helpers of the animator tests: an area item whose control clock the test drives,
// a fixed local time for the clock hands, and matrix comparison.

#include <cmath>
#include <string>

#include <d3dx9math.h>

#include <gtest/gtest.h>

#include "objects/sprites/CharacterAnimators.h"
#include "render/ViewObjCtrl.h"

namespace animators_test {

// The butterfly's item: an area and a control clock, nothing to create.
class AreaItem : public DS_ViewObjCtrl {
public:
  DS_ABObj* CreateObject() override { return nullptr; }
};

// The local time every clock hand reads while an instance lives.
class FixedLocalTime {
public:
  FixedLocalTime(int hours, int minutes, int seconds, bool ok = true) {
    s_hours = hours;
    s_minutes = minutes;
    s_seconds = seconds;
    s_ok = ok;
    m_previous = AC_ClockArrow::SetLocalTimeSource(&Read);
  }
  ~FixedLocalTime() { AC_ClockArrow::SetLocalTimeSource(m_previous); }

private:
  static bool Read(int& hours, int& minutes, int& seconds) {
    hours = s_hours;
    minutes = s_minutes;
    seconds = s_seconds;
    return s_ok;
  }
  static inline int s_hours = 0;
  static inline int s_minutes = 0;
  static inline int s_seconds = 0;
  static inline bool s_ok = true;
  AC_ClockArrow::LocalTimeSource m_previous;
};

inline ::testing::AssertionResult MatrixNear(const D3DXMATRIX& expected, const D3DXMATRIX& actual,
                                             float tolerance = 1e-4f) {
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      if (std::fabs(expected(r, c) - actual(r, c)) > tolerance) {
        return ::testing::AssertionFailure() << "element (" << r << ", " << c << "): expected " << expected(r, c)
                                             << ", got " << actual(r, c);
      }
    }
  }
  return ::testing::AssertionSuccess();
}

// Every element a finite number: what the layer may be handed as a world matrix.
inline ::testing::AssertionResult MatrixIsFinite(const D3DXMATRIX& m) {
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      if (!std::isfinite(m(r, c))) {
        return ::testing::AssertionFailure() << "element (" << r << ", " << c << ") is " << m(r, c);
      }
    }
  }
  return ::testing::AssertionSuccess();
}

inline D3DXVECTOR3 Transform(const D3DXVECTOR3& point, const D3DXMATRIX& m) {
  D3DXVECTOR3 out;
  D3DXVec3TransformCoord(&out, &point, &m);
  return out;
}

const float kPi = 3.1415927f;
inline float Radians(float degrees) { return degrees * (2.0f * kPi / 360.0f); }

}  // namespace animators_test
