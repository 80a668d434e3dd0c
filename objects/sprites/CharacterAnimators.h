#pragma once
// The character animators of the 3D objects: each sits on a frame of an instance tree
// and builds that frame's world matrix every time the tree is updated. A butterfly
// flies around its item's area with flapping and gliding wings and hands the wing
// angle to its two wing animators; the clock's dial animator scales and places the
// dial and keeps the clock rectangle around the centre; the hand animators turn the
// hour and minute hands to the local time.
//
// The frame owns its animator. The butterfly creates its two wing animators, but the
// wing frames own them. The animators keep references to their item's parameters,
// which outlive them (the item clone is deleted after its instance trees).

#include <d3dx9math.h>

#include "document/CompositeParams.h"
#include "document/MediaParam.h"
#include "document/ParamBinder.h"
#include "render/AnimationBase.h"

class DS_Frame;
class DS_ViewObjCtrl;

// A value that moves toward its target at a signed rate without overshooting it.
struct ApproachValue {
  float current;
  float target;
  float rate;

  void Step(float dt);
  // A rate of 0 keeps the stored one; the sign always points from current to target.
  void SetTarget(float newTarget, float newRate);
};

// Applies the wing angle its butterfly decided.
class AC_ButterflyWing : public DS_AnimationBase {
public:
  AC_ButterflyWing();

  // World := local x wing matrix; the frame's cull flag := the front flag.
  void Animate(DS_Frame& frame) override;

  D3DXMATRIX wingMatrix;
  // Which faces the frame's mesh draw culls: the wing shows its front or its back.
  BYTE front = 1;
};

class AC_Butterfly : public DS_AnimationBase {
public:
  enum FlightState { kFlapping = 0, kGliding = 1 };

  static constexpr float kFlapUpSpeed = 100.0f;
  static constexpr float kFlapDownSpeed = -160.0f;
  static constexpr float kWingLimit = 55.0f;

  // `size` is the item's model size (100 draws the model at its own scale).
  AC_Butterfly(DS_ViewObjCtrl& item, MediaParamT<unsigned int>& size);
  ~AC_Butterfly() override;

  void Animate(DS_Frame& frame) override;

  // The wing animators, for the wing frames that take them over.
  AC_ButterflyWing* GetWing1() const { return m_wing1; }
  AC_ButterflyWing* GetWing2() const { return m_wing2; }

  float wingAngle = 0.0f;
  float flapSpeed = kFlapUpSpeed;
  float upperWingLimit = kWingLimit;
  float lowerWingLimit = -kWingLimit;
  D3DXVECTOR3 position{0, 0, 0};
  ApproachValue vertical{50.0f, 50.0f, 250.0f};
  ApproachValue heading{0.0f, 0.0f, 350.0f};
  ApproachValue roll{0.0f, 0.0f, 50.0f};
  ApproachValue speed{50.0f, 50.0f, 350.0f};
  int state = kFlapping;
  int requestedState = kFlapping;
  float decisionTime = 0.0f;

  const D3DXMATRIX& GetSizeMatrix() const { return m_size; }

private:
  void BindSize(MediaParamT<unsigned int>& size);
  void OnSizeChanged(unsigned int size);
  void StepApproaches(float dt);
  void SteerAtEdges();
  void Decide(float t);

  DS_ViewObjCtrl& m_item;
  AC_ButterflyWing* m_wing1;
  AC_ButterflyWing* m_wing2;
  D3DXMATRIX m_tilt;
  D3DXMATRIX m_mirror;
  D3DXMATRIX m_size;
  DS_FunLightCtrlList m_binders;
};

// The clock's dial: scaled by the item's size and moved to the clock's centre (the
// rectangle's two further values); keeps the rectangle's edges at centre +- size / 2.
class AC_Static : public DS_AnimationBase {
public:
  AC_Static(MediaRectangle& rect, MediaParamT<unsigned int>& size);
  ~AC_Static() override;

  // World := scaling x local x translation.
  void Animate(DS_Frame& frame) override;

  void OnSizeChanged(unsigned int size);
  void OnPositionChanged();

  const D3DXMATRIX& GetScaling() const { return m_scaling; }
  const D3DXMATRIX& GetTranslation() const { return m_translation; }

private:
  // Reframes the rectangle and rescales the dial now and on every size change.
  void BindSize(MediaParamT<unsigned int>& size);
  // Moves the dial on every later change of the rectangle (its centre), not now.
  void BindPosition(MediaRectangle& rect);
  void SetEdges(unsigned int size);

  MediaRectangle& m_rect;
  MediaParamT<unsigned int>& m_size;
  DS_FunLightCtrlList m_binders;
  D3DXMATRIX m_scaling;
  D3DXMATRIX m_translation;
};

// A clock hand turned about Y to the local time.
class AC_ClockArrow : public DS_AnimationBase {
public:
  enum HandKind { kMinuteHand = 0, kHourHand = 1 };

  // Fills hours (0..23), minutes and seconds of the local time; false on failure.
  typedef bool (*LocalTimeSource)(int& hours, int& minutes, int& seconds);

  explicit AC_ClockArrow(BYTE kind) : m_kind(kind) {}

  // World := local x rotation about Y by the hand's angle; unchanged when the local
  // time cannot be had.
  void Animate(DS_Frame& frame) override;

  // The hand's angle in degrees at the given time.
  static float HandAngle(BYTE kind, int hours, int minutes, int seconds);

  // Where every hand reads the time (the system's local time unless replaced, as the
  // tests do); returns the previous source. Null restores the system's.
  static LocalTimeSource SetLocalTimeSource(LocalTimeSource source);
  static bool SystemLocalTime(int& hours, int& minutes, int& seconds);

  BYTE GetKind() const { return m_kind; }

private:
  BYTE m_kind;
};
