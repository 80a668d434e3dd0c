// Every family's run-time object played for a minute of frames on a seeded
// rand() sequence, with a slide activation half-way: positions stay numbers,
// opacities stay in 0..1, and the families that keep their sprites in the area
// do so.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>

#include "objects/sprites/Fish.h"
#include "objects/sprites/Fog.h"
#include "objects/sprites/GodRays.h"
#include "objects/sprites/LightningFlashes.h"
#include "objects/sprites/Sparkles.h"
#include "objects/sprites/SpriteArrayObj.h"
#include "objects/sprites/SpriteParticle.h"
#include "Sprites2TestSupport.h"

using namespace sprites2_test;

namespace {

enum class Bound {
  kNone,        // drifts freely
  kCentreY,     // the centre stays within the area's height (one step of slack)
  kCentre,      // the centre stays within the area (one step of slack)
  kInsideArea,  // the centre stays within the area
};

struct RunCase {
  const char* what;
  std::function<DS_ParticleSystemCtrl*()> make;
  Bound bound;
};

const RunCase kRunCases[] = {
    {"god rays", [] { return new DS_GodRayConstructor(); }, Bound::kNone},
    {"sparkles", [] { return new DS_SparkleConstructor(); }, Bound::kNone},
    {"fog", [] { return new DS_FogConstructor(); }, Bound::kCentre},
    {"lightning", [] { return new DS_LightingConstructor(); }, Bound::kInsideArea},
    {"fish", [] { return new DS_FishConstructor(); }, Bound::kCentreY},
    {"ghosts", [] { return new DS_GhostConstructor(); }, Bound::kCentreY},
    {"birds", [] { return new DS_BirdConstructor(); }, Bound::kCentreY},
};

class SpriteFamiliesRunTest : public ::testing::TestWithParam<RunCase> {};

TEST_P(SpriteFamiliesRunTest, MinuteOfFramesStaysInBounds) {
  const RunCase& c = GetParam();
  SceneSize scene(kSceneWidth, kSceneHeight);
  std::unique_ptr<DS_ParticleSystemCtrl> item(c.make());
  SetTestArea(*item);
  item->spriteCount.SetValue(20u);
  item->spriteSize.SetValue(24u);
  item->twinkleRate = 0.5f;
  std::srand(2024);
  // No device: the sprites are made and moved, no quads are written.
  std::unique_ptr<DS_ABObj> object(item->CreateObject());
  auto* sprites = dynamic_cast<DS_SpriteArrayObj*>(object.get());
  ASSERT_NE(nullptr, sprites);
  ASSERT_EQ(20u, sprites->sprites.size());

  const float slack = 3.0f;
  int failures = 0;
  for (int frame = 0; frame < 1800 && failures < 5; ++frame) {
    if (frame == 900) object->Reset();
    const float t = float(frame % 900) / 30.0f;
    object->UpdateAt(t);
    for (const DS_SpriteParticle* s : sprites->sprites) {
      bool ok = std::isfinite(s->position.x) && std::isfinite(s->position.y) && s->alpha >= 0.0f && s->alpha <= 1.0f;
      const float x = s->position.x, y = s->position.y;
      switch (c.bound) {
        case Bound::kNone:
          break;
        case Bound::kCentreY:
          ok = ok && y >= kTop - slack && y <= kBottom + slack;
          break;
        case Bound::kCentre:
          ok = ok && x >= kLeft - slack && x <= kRight + slack && y >= kTop - slack && y <= kBottom + slack;
          break;
        case Bound::kInsideArea:
          ok = ok && x >= kLeft && x <= kRight && y >= kTop && y <= kBottom;
          break;
      }
      if (!ok) {
        ++failures;
        ADD_FAILURE() << c.what << ", frame " << frame << ": sprite at (" << x << ", " << y << "), alpha " << s->alpha;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, SpriteFamiliesRunTest, ::testing::ValuesIn(kRunCases));

}  // namespace
