#pragma once
// The smallest sprite family for the tests: its sprites start where the test
// says and, when asked, move by velocity x the control step and bounce at the
// area's edges, twinkle, and re-pack their colour. It counts the per-sprite
// calls it receives. SceneSize sets the scene mapping for a test and restores
// it afterwards.

#include <cstdlib>
#include <vector>

#include "objects/sprites/ParticleSystemCtrl.h"
#include "objects/sprites/SpriteArrayObj.h"
#include "objects/sprites/SpriteParticle.h"
#include "render/SceneMapping.h"
#include "support/SceneSize.h"

namespace sprites_test {

class TestSpriteItem : public DS_ParticleSystemCtrl {
public:
  TestSpriteItem() = default;
  TestSpriteItem(const TestSpriteItem& other) = default;

  DS_ParticleSystemCtrl* Clone() const override { return new TestSpriteItem(*this); }

  void InitParticle(DS_SpriteParticle& sprite) override {
    ++inits;
    if (randomStart) {
      sprite.position = RandomPointInRectMargin(sprite.halfWidth, sprite.halfHeight);
    } else {
      sprite.position = startPosition;
    }
    sprite.velocity = startVelocity;
  }

  void UpdateParticle(DS_SpriteParticle& sprite) override {
    ++updates;
    if (move && !sprite.hidden) {
      sprite.position += GetStep() * sprite.velocity;
      // Turn back at an edge the sprite has reached while heading for it.
      if ((sprite.CrossesLeft(*this) && sprite.velocity.x < 0) || (sprite.CrossesRight(*this) && sprite.velocity.x > 0))
        sprite.velocity.x = -sprite.velocity.x;
      if ((sprite.CrossesTop(*this) && sprite.velocity.y < 0) || (sprite.CrossesBottom(*this) && sprite.velocity.y > 0))
        sprite.velocity.y = -sprite.velocity.y;
    }
    if (twinkle) {
      StepTwinkle(sprite, *this, respawn);
      sprite.packedColour = PackColor(*this, sprite);
    }
  }

  bool HitTest(float x, float y) const override {
    lastHitX = x;
    lastHitY = y;
    return true;
  }

  bool randomStart = false;
  D3DXVECTOR3 startPosition{100.0f, 100.0f, 0.0f};
  D3DXVECTOR3 startVelocity{0.0f, 0.0f, 0.0f};
  bool move = false;
  bool twinkle = false;
  bool respawn = false;
  int inits = 0;
  int updates = 0;
  mutable float lastHitX = -1.0f;
  mutable float lastHitY = -1.0f;
};

using ds_test::SceneSize;

inline TestSpriteItem& ItemOf(DS_SpriteArrayObj& object) { return *static_cast<TestSpriteItem*>(object.GetItem()); }

inline std::vector<DS_SpriteParticle*> SpritesOf(const ParticleGeomArray& geometry) {
  return std::vector<DS_SpriteParticle*>(geometry.sprites.begin(), geometry.sprites.end());
}

}  // namespace sprites_test
