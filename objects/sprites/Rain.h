#pragma once
// Rain: a flow preset falling straight down at 2000 pixels per second, its drops
// turned along the fall and twinkling. The flow rotation turns a drop's axes to
// the fall; the rain's own quarter-turn Q brings a drop drawn upright in its
// picture back along it, so at 270 degrees the drops stand upright.
//
// A rain's edge controls always see its drops at full opacity and their
// changes of opacity are dropped: a drop that leaves through a side in the fade
// mode stays with that side, and only its twinkle (at the twinkle minimum)
// places it anew.

#include "objects/sprites/FlowSprites.h"

class DS_RainConstructor : public DS_FlowConstructor {
public:
  static const int kRecordVersion = 1;
  static const unsigned int kDefaultAngle = 270;
  static constexpr float kDefaultSpeed = 2000.0f;
  static constexpr float kDefaultSizeFactorMin = 0.5f;
  static constexpr float kDefaultSizeFactorMax = 1.0f;
  // 3 pi / 2.
  static constexpr float kQuarterTurns = 4.712389f;

  DS_RainConstructor();
  DS_RainConstructor(const DS_RainConstructor& other);

  // The rain header, then the flow section.
  void Write(DS_IOF_Virtual& stream) const override;
  void Read(DS_IOF_Handle& handle, int version);
  DS_ParticleSystemCtrl* Clone() const override;

  // The flow's, a random opacity, the orientation again and, along the flow,
  // the axes turned by Q.
  void InitParticle(DS_SpriteParticle& sprite) override;
  // The flow's at full opacity, then the twinkle (placing the drop anew at the
  // minimum) and the colour.
  void UpdateParticle(DS_SpriteParticle& sprite) override;

  const D3DXMATRIX& GetQuarterTurn() const { return m_quarterTurn; }

private:
  D3DXMATRIX m_quarterTurn;
};
