#pragma once
// Shared helpers of the sprite family tests: the scene mapping of one test, a
// record written by an item's own writer and read back through a memory stream,
// the draws of the process-wide rand() sequence a seed gives, and an item whose
// control clock has been run to a given time.

#include <cstdlib>
#include <initializer_list>
#include <vector>

#include "document/ResourceBuffer.h"
#include "document/Stream.h"
#include "document/StreamWriter.h"
#include "render/SceneMapping.h"
#include "support/SceneSize.h"
#include "render/ViewObjCtrl.h"
#include "support/RecordRoundTrip.h"

namespace sprites2_test {

using ds_test::SceneSize;

using ds_test::Reading;
using ds_test::WrittenBytes;

// The first `count` values rand() yields after srand(seed); the generator is
// seeded again, so the code under test sees the same values next.
inline std::vector<int> SeededDraws(unsigned int seed, int count) {
  std::srand(seed);
  std::vector<int> draws;
  for (int i = 0; i < count; ++i) draws.push_back(std::rand());
  std::srand(seed);
  return draws;
}

// rand[lo, hi] of one draw, computed as the families do.
inline float Between(int draw, float lo, float hi) { return lo + static_cast<float>(draw) / 32767.0f * (hi - lo); }

inline bool Odd(int draw) { return (draw & 1) != 0; }

// Runs the item's control clock through the given times (speed 50: real time).
inline void RunClock(DS_ViewObjCtrl& item, std::initializer_list<float> times) {
  for (float t : times) item.UpdateTime(t);
}

// Area x from 100 to 300, y from 60 to 180 of a 400 x 300 scene.
inline void SetTestArea(DS_ViewObjCtrl& item) {
  item.relLeft = 0.25f;
  item.relRight = 0.75f;
  item.relTop = 0.2f;
  item.relBottom = 0.6f;
}
const int kSceneWidth = 400;
const int kSceneHeight = 300;
const float kLeft = 100.0f, kRight = 300.0f, kTop = 60.0f, kBottom = 180.0f;

}  // namespace sprites2_test
