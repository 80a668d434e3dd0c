#pragma once
// Flowing sprites: every sprite streams across the item's area in the flow
// direction at the forward speed times its size factor, wobbling sideways by a
// factor it changes now and then, and each of the area's four sides decides
// with its edge control what a sprite does there. The number of sprites drawn
// follows the time line's opacity, so a flow thins out as it fades.
//
// The flow direction is an angle in degrees, counter-clockwise on screen from
// +x (270 falls straight down, scene y growing downwards); from it and the
// speed the item keeps its rotation R, the forward vector F and the sideways
// vector S.

#include <d3dx9math.h>

#include "document/ParamBinder.h"
#include "document/ScaledParams.h"
#include "objects/sprites/EdgeControl.h"
#include "objects/sprites/ParticleSystemCtrl.h"

class DS_FlowConstructor : public DS_ParticleSystemCtrl {
public:
  static const int kRecordVersion = 4;
  // Version 2 stored a flag for "rotated to the flow"; version 3 the mode.
  static const int kLegacyOrientationVersion = 2;
  static const int kFirstEdgeControlVersion = 4;
  static constexpr float kWobbleScale = 3.0f;
  static constexpr float kWobbleRateScale = 0.25f;

  enum Orientation { kUpright = 0, kAlongFlow = 1, kMirrorX = 2, kMirrorY = 3 };

  DS_FlowConstructor();
  // Copies the settings and the edge controls; the copy binds anew, so its
  // vectors follow its own angle and speed.
  DS_FlowConstructor(const DS_FlowConstructor& other);
  ~DS_FlowConstructor() override;

  // The flow header, its fields, the four edge controls, then the
  // "DS_BaseSpriteProp" section.
  void Write(DS_IOF_Virtual& stream) const override;
  // The record after its header; older versions lack the orientation mode
  // (version 1) and the edge controls (up to 3).
  void Read(DS_IOF_Handle& handle, int version);
  // The level's fields, for reading and writing alike; `alongFlow` takes the flag
  // of version 2 records.
  template <class IO>
  void Fields(IO& io, int version, int& alongFlow);
  // The flow section inside a rain record: header, then Read.
  void ReadSection(DS_IOF_Handle& handle);
  DS_ParticleSystemCtrl* Clone() const override;

  // A random sideways factor and place, moving forward.
  void InitParticle(DS_SpriteParticle& sprite) override;
  // The move, the edge controls, the mirror orientations, a new sideways
  // factor now and then, the colour.
  void UpdateParticle(DS_SpriteParticle& sprite) override;
  // The sprite count times the time line's opacity (truncated) from 2 sprites
  // on.
  int GetParticleCount() const override;

  // R, F and S from the angle in degrees and the current speed.
  void UpdateDirection(unsigned int angle);

  // Half extents, colour, and the axes of the upright and along-the-flow
  // orientations.
  void InitOrientation(DS_SpriteParticle& sprite);

  const D3DXVECTOR4& GetForward() const { return m_forward; }
  const D3DXVECTOR4& GetSideways() const { return m_sideways; }
  const D3DXMATRIX& GetRotation() const { return m_rotation; }
  DS_BoundControl& Edge(int side) { return m_edges[side]; }
  const DS_BoundControl& Edge(int side) const { return m_edges[side]; }

  // Degrees.
  MediaParamT<unsigned int> angle;
  // Amplitude of the sideways velocity, pixels per second (3 per stored unit).
  MediaFloat<unsigned int> wobble;
  // Chances per second of accumulated time of a new sideways factor (a quarter
  // per stored unit).
  MediaFloat<unsigned int> wobbleRate;
  // Forward speed, pixels per second.
  float speed = 0.0f;
  MediaParamT<int> orientationMode;

protected:
  // The direction binder (run at once), then the sides 0 to 3 bound.
  void BindDirectionUpdate();
  void BindSides();

private:
  DS_BoundControl m_edges[DS_BoundControl::kSideCount];
  DS_FunLightCtrlList m_binders;
  D3DXVECTOR4 m_forward;
  D3DXVECTOR4 m_sideways;
  D3DXMATRIX m_rotation;
};
