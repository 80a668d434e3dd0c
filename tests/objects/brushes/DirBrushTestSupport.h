#pragma once
// Helpers of the direction and centre brush tests: value comparison, driving a brush
// object's clock to a given brush time, and reaching the clone an object owns.

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "BrushTestSupport.h"

namespace dirbrushes_test {

inline void ExpectFloats(const std::vector<float>& expected, const std::vector<float>& got, const std::string& what,
                         float tolerance = 1e-4f) {
  ASSERT_EQ(expected.size(), got.size()) << what;
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_NEAR(expected[i], got[i], tolerance) << what << ", value " << i;
  }
}

// Feeds local times in steps the brush clock takes whole (at most 0.2 s) until the
// local time reaches `localTime`.
inline void AdvanceTo(DS_ABObj& object, float localTime) {
  const float step = 0.15f;
  float t = 0.0f;
  while (t + step < localTime) {
    t += step;
    object.Update(t);
  }
  object.Update(localTime);
}

template <class Brush>
Brush& BrushOf(const std::unique_ptr<DS_ABObj>& object) {
  return dynamic_cast<Brush&>(*dynamic_cast<DS_BrushObj&>(*object).GetBrush());
}

// The values of every set of `name`, in order.
inline std::vector<std::vector<float>> AllValues(const FakeEffect& effect, const std::string& name) {
  std::vector<std::vector<float>> out;
  for (const FakeEffect::ParamSet& set : effect.ParamSets()) {
    if (set.name == name) out.push_back(set.values);
  }
  return out;
}

}  // namespace dirbrushes_test
