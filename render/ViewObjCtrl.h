#pragma once
// The item base of every scene object that occupies an area of the picture (sprite
// systems, glows, text, 3D objects). It keeps the area twice, as fractions of the
// scene size and as a pixel rectangle in scene pixels, and keeps the two in step
// through binders on the pixel edges; it offers random points inside the area and
// runs the object's control clock. The binders and the rectangle belong to the item;
// a clone binds its own.

#include <d3dx9math.h>

#include "document/CompositeParams.h"
#include "document/MediaParam.h"
#include "document/ParamBinder.h"
#include "render/ObjectModel.h"

struct DS_ScreenQuad;

class DS_ViewObjCtrl : public DS_ABObj_Constructor {
public:
  static const int kRecordVersion = 2;
  static const unsigned int kDefaultSpeed = 50;
  // The control clock runs at speed x kSpeedScale.
  static constexpr float kSpeedScale = 0.02f;
  // Longest step of the control clock, and of its unscaled step.
  static constexpr float kMaxClockStep = 0.2f;
  static constexpr float kMaxRawStep = 0.1f;

  DS_ViewObjCtrl();
  // Copies the base item, the relative rectangle, the view-object flag and the speed;
  // the pixel rectangle follows from the relative one and the copy binds anew.
  DS_ViewObjCtrl(const DS_ViewObjCtrl& other);
  ~DS_ViewObjCtrl() override;

  // Writes the "DS_ViewObjCtrl" section, then the base item's.
  void Write(DS_IOF_Virtual& stream) const override;
  // Restarts the time line and the control clock.
  void Reset() override;

  // The area in scene pixels as a screen quad.
  virtual void GetScreenQuad(DS_ScreenQuad& quad) const;
  virtual bool HitTest(float x, float y) const { return false; }

  // The whole section: header, then Read.
  void ReadSection(DS_IOF_Handle& handle);
  void Read(DS_IOF_Handle& handle, int version);
  template <class IO>
  void Fields(IO& io, int version);

  // Pixel rectangle from the relative one (truncated), with notification, so the
  // binders make the relative edges exact pixel fractions.
  void UpdatePixelRect();

  // The relative edges in scene pixels, not truncated.
  float GetLeftPx() const;
  float GetRightPx() const;
  float GetTopPx() const;
  float GetBottomPx() const;

  // A random point of the area (x drawn first), z 0.
  D3DXVECTOR3 RandomPointInRect() const;
  // The same within the area shrunk by a sprite's half extents.
  D3DXVECTOR3 RandomPointInRectMargin(float halfWidth, float halfHeight) const;

  // The control clock at time t; returns the speed value.
  unsigned int UpdateTime(float t);
  float GetStep() const { return m_step; }
  float GetRawStep() const { return m_rawStep; }
  float GetAccumulatedTime() const { return m_accumulatedTime; }
  float GetLastTime() const { return m_lastTime; }

  MediaRectangle pixelRect;
  MediaParamT<unsigned int> speed;
  // Stored and copied; nothing in the saver reads it.
  bool viewObject = false;
  float relLeft = 0.0f;
  float relRight = 1.0f;
  float relTop = 0.0f;
  float relBottom = 1.0f;

protected:
  // UpdatePixelRect, then the edge binders, each synchronised at once.
  void SyncAndBind();

private:
  void OnLeftPx(int px);
  void OnRightPx(int px);
  void OnTopPx(int px);
  void OnBottomPx(int px);

  float m_step = 0.0f;
  float m_accumulatedTime = 0.0f;
  float m_rawStep = 0.0f;
  DS_FunLightCtrlList m_binders;
  float m_lastTime = 0.0f;
};
