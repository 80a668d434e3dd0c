#pragma once
// What the flow and rain tests share: the helpers of the sprite family tests (scene
// mapping of one test, records read back through a memory stream, seeded rand()
// draws, a test area) and a sprite placed by hand.

#include "objects/sprites/SpriteParticle.h"
#include "Sprites2TestSupport.h"

namespace flowrain_test {

using namespace sprites2_test;

// A flowing sprite at (x, y) with half extents 10 x 10, moving forward (no
// sideways factor), size factor 1, fully opaque and free of every edge.
inline DS_SpriteParticle FlowSprite(float x, float y) {
  DS_SpriteParticle s;
  s.position = D3DXVECTOR3(x, y, 0.0f);
  s.direction = D3DXVECTOR3(1.0f, 1.0f, 0.0f);
  s.velocity = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  s.sizeFactor = 1.0f;
  s.halfWidth = 10.0f;
  s.halfHeight = 10.0f;
  s.alpha = 1.0f;
  return s;
}

}  // namespace flowrain_test
