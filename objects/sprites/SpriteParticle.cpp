#include "objects/sprites/SpriteParticle.h"

#include <cmath>

#include "render/ViewObjCtrl.h"

DS_SpriteParticle::DS_SpriteParticle()
    : direction(0.0f, 0.0f, 0.0f),
      velocity(0.0f, 0.0f, 0.0f),
      position(0.0f, 0.0f, 0.0f),
      xAxis(1.0f, 0.0f, 0.0f),
      yAxis(0.0f, 1.0f, 0.0f) {
  D3DXMatrixIdentity(&rotation);
}

void DS_SpriteParticle::ClearTimers() {
  deadline = 0.0f;
  secondTimer = 0.0f;
  delay = 0.0f;
  timer = 0.0f;
}

// The area's edges are the relative edges times the scene size, in float; every
// comparison is strict, so a sprite touching an edge is neither outside nor
// crossing.

bool DS_SpriteParticle::IsOutsideLeft(const DS_ViewObjCtrl& item) const {
  return item.GetLeftPx() > position.x + std::fabs(halfWidth);
}

bool DS_SpriteParticle::IsOutsideRight(const DS_ViewObjCtrl& item) const {
  return item.GetRightPx() < position.x - std::fabs(halfWidth);
}

bool DS_SpriteParticle::IsOutsideTop(const DS_ViewObjCtrl& item) const {
  return item.GetTopPx() > position.y + std::fabs(halfHeight);
}

bool DS_SpriteParticle::IsOutsideBottom(const DS_ViewObjCtrl& item) const {
  return item.GetBottomPx() < position.y - std::fabs(halfHeight);
}

bool DS_SpriteParticle::CrossesLeft(const DS_ViewObjCtrl& item) const {
  return item.GetLeftPx() > position.x - halfWidth;
}

bool DS_SpriteParticle::CrossesRight(const DS_ViewObjCtrl& item) const {
  return item.GetRightPx() < position.x + halfWidth;
}

bool DS_SpriteParticle::CrossesTop(const DS_ViewObjCtrl& item) const {
  return item.GetTopPx() > position.y - halfHeight;
}

bool DS_SpriteParticle::CrossesBottom(const DS_ViewObjCtrl& item) const {
  return item.GetBottomPx() < position.y + halfHeight;
}
