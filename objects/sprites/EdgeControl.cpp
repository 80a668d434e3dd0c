#include "objects/sprites/EdgeControl.h"

#include <cstdlib>

#include "document/FieldIO.h"
#include "document/Utilities.h"
#include "objects/sprites/SpriteParticle.h"
#include "render/ViewObjCtrl.h"

namespace {

const float kSecondsPerMillisecond = 0.001f;
const float kMillisecondsPerSecond = 1000.0f;

// The upper bound first, then the lower: a range narrower than the sprite ends
// at its lower bound.
void ClampUpperFirst(float& value, float lower, float upper) {
  if (value > upper) value = upper;
  if (value < lower) value = lower;
}

}  // namespace

DS_BoundControl::DS_BoundControl() : mode(kFadeAndReturn), fadeOut(0u), fadeIn(0u), minDelay(0u), maxDelay(0u) {}

DS_BoundControl::~DS_BoundControl() = default;

template <class IO>
void DS_BoundControl::Fields(IO& io, int version) {
  io.Int(mode);
  io.UInt(fadeOut);
  io.UInt(fadeIn);
  io.UInt(minDelay);
  io.UInt(maxDelay);
}

void DS_BoundControl::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_BoundControl", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
}

void DS_BoundControl::Read(DS_IOF_Handle& handle, int version) { ReadFields(*handle, *this, version); }

void DS_BoundControl::ReadField(DS_IOF_Virtual& stream) {
  const int version = ReadLevelHeader(stream);
  ReadFields(stream, *this, version);
}

void DS_BoundControl::Assign(const DS_BoundControl& source) {
  m_side = source.m_side;
  m_outside = source.m_outside;
  m_crosses = source.m_crosses;
  mode.SetValue(source.mode.GetValue());
  fadeOut.SetValue(source.fadeOut.GetValue());
  fadeIn.SetValue(source.fadeIn.GetValue());
  minDelay.SetValue(source.minDelay.GetValue());
  maxDelay.SetValue(source.maxDelay.GetValue());
}

void DS_BoundControl::BindSide(int side) {
  m_side = side;
  switch (side) {
    case kTop:
      m_outside = &DS_SpriteParticle::IsOutsideTop;
      m_crosses = &DS_SpriteParticle::CrossesTop;
      break;
    case kBottom:
      m_outside = &DS_SpriteParticle::IsOutsideBottom;
      m_crosses = &DS_SpriteParticle::CrossesBottom;
      break;
    case kLeft:
      m_outside = &DS_SpriteParticle::IsOutsideLeft;
      m_crosses = &DS_SpriteParticle::CrossesLeft;
      break;
    case kRight:
      m_outside = &DS_SpriteParticle::IsOutsideRight;
      m_crosses = &DS_SpriteParticle::CrossesRight;
      break;
    default:
      m_outside = nullptr;
      m_crosses = nullptr;
      break;
  }
}

bool DS_BoundControl::IsOutside(const DS_ViewObjCtrl& item, const DS_SpriteParticle& sprite) const {
  return m_outside && (sprite.*m_outside)(item);
}

bool DS_BoundControl::Crosses(const DS_ViewObjCtrl& item, const DS_SpriteParticle& sprite) const {
  return m_crosses && (sprite.*m_crosses)(item);
}

float DS_BoundControl::RandomDeadline(const DS_ViewObjCtrl& item) const {
  const float lo = static_cast<float>(minDelay.GetValue()) * kSecondsPerMillisecond;
  const float hi = static_cast<float>(maxDelay.GetValue()) * kSecondsPerMillisecond;
  return item.GetAccumulatedTime() + RandomFloat(lo, hi);
}

void DS_BoundControl::Reverse(DS_SpriteParticle& sprite) const {
  if (Horizontal()) {
    sprite.direction.x = -sprite.direction.x;
  } else {
    sprite.direction.y = -sprite.direction.y;
  }
}

void DS_BoundControl::PlaceOpposite(const DS_ViewObjCtrl& item, DS_SpriteParticle& sprite) const {
  const float hw = sprite.halfWidth;
  const float hh = sprite.halfHeight;
  switch (m_side) {
    case kTop:
      sprite.position.y = item.GetBottomPx() + hh - 1.0f;
      break;
    case kBottom:
      sprite.position.y = item.GetTopPx() - hh + 1.0f;
      break;
    case kLeft:
      sprite.position.x = item.GetRightPx() + hw - 1.0f;
      break;
    case kRight:
      sprite.position.x = item.GetLeftPx() - hw + 1.0f;
      break;
    default:
      return;
  }
  if (Horizontal()) {
    sprite.position.y = RandomFloat(item.GetTopPx(), item.GetBottomPx());
  } else {
    sprite.position.x = RandomFloat(item.GetLeftPx(), item.GetRightPx());
  }
}

bool DS_BoundControl::Apply(DS_ViewObjCtrl& item, DS_SpriteParticle& sprite) {
  if (sprite.edgeSide != DS_SpriteParticle::kNoEdge) {
    if (sprite.edgeSide == m_side) return Continue(item, sprite);
    return false;
  }
  switch (mode.GetValue()) {
    case kFadeAndReturn:
      if (!IsOutside(item, sprite)) return false;
      if (sprite.alpha > 0.0f) {
        sprite.edgeSide = m_side;  // the fade-out starts
        return true;
      }
      PlaceOpposite(item, sprite);
      sprite.respawned = 1;
      sprite.edgeSide = m_side;
      return true;
    case kBounce:
      return StartBounce(item, sprite);
    case kBounceAndPause:
      return StartBouncePause(item, sprite);
    default:
      return false;
  }
}

bool DS_BoundControl::StartBounce(DS_ViewObjCtrl& item, DS_SpriteParticle& sprite) {
  if (!Crosses(item, sprite)) return false;
  Reverse(sprite);
  sprite.edgeSide = m_side;
  return true;
}

bool DS_BoundControl::StartBouncePause(DS_ViewObjCtrl& item, DS_SpriteParticle& sprite) {
  if (!IsOutside(item, sprite)) return false;
  Reverse(sprite);
  sprite.deadline = RandomDeadline(item);
  sprite.hidden = 1;
  sprite.secondTimer = item.GetAccumulatedTime();
  sprite.edgeSide = m_side;
  return true;
}

bool DS_BoundControl::Continue(DS_ViewObjCtrl& item, DS_SpriteParticle& sprite) {
  const float hw = sprite.halfWidth;
  const float hh = sprite.halfHeight;
  const float step = item.GetStep();
  switch (mode.GetValue()) {
    case kBounceAndPause:
      // Kept just inside the edge it left by while it waits.
      if (Horizontal()) {
        ClampUpperFirst(sprite.position.x, item.GetLeftPx() - hw + 1.0f, item.GetRightPx() + hw - 1.0f);
      } else {
        ClampUpperFirst(sprite.position.y, item.GetTopPx() - hh + 1.0f, item.GetBottomPx() + hh - 1.0f);
      }
      sprite.secondTimer += step;
      if (sprite.deadline < sprite.secondTimer) {
        sprite.hidden = 0;
        if (!IsOutside(item, sprite)) sprite.edgeSide = DS_SpriteParticle::kNoEdge;
      }
      return true;
    case kBounce:
      if (Horizontal()) {
        ClampUpperFirst(sprite.position.x, item.GetLeftPx() + hw + 1.0f, item.GetRightPx() - hw - 1.0f);
      } else {
        ClampUpperFirst(sprite.position.y, item.GetTopPx() + hh + 1.0f, item.GetBottomPx() - hh - 1.0f);
      }
      if (!Crosses(item, sprite)) sprite.edgeSide = DS_SpriteParticle::kNoEdge;
      return true;
    case kFadeAndReturn:
      if (sprite.respawned) {
        // Waits where it came back, then fades in and is let go at full
        // opacity. The fade waits for the delay, so a sprite is never let go
        // while it is still held still.
        sprite.secondTimer += step;
        if (sprite.deadline < sprite.secondTimer) {
          sprite.hidden = 0;
          if (sprite.alpha < 1.0f) {
            const unsigned int ms = fadeIn.GetValue();
            sprite.alpha = ms == 0 ? 1.0f : sprite.alpha + step * kMillisecondsPerSecond / static_cast<float>(ms);
            if (sprite.alpha > 1.0f) sprite.alpha = 1.0f;
          } else {
            sprite.edgeSide = DS_SpriteParticle::kNoEdge;
            sprite.respawned = 0;
          }
        }
      } else if (sprite.alpha > 0.0f) {
        const unsigned int ms = fadeOut.GetValue();
        sprite.alpha = ms == 0 ? 0.0f : sprite.alpha - step * kMillisecondsPerSecond / static_cast<float>(ms);
        if (sprite.alpha < 0.0f) sprite.alpha = 0.0f;
      } else {
        // Faded out: held still for the delay; the next update finds it
        // outside with no opacity and brings it back opposite.
        sprite.edgeSide = DS_SpriteParticle::kNoEdge;
        sprite.deadline = RandomDeadline(item);
        sprite.hidden = 1;
        sprite.secondTimer = item.GetAccumulatedTime();
      }
      return true;
    default:
      // A mode that takes no sprite lets go of one it finds.
      sprite.edgeSide = DS_SpriteParticle::kNoEdge;
      sprite.hidden = 0;
      return true;
  }
}
