#pragma once
// The water-ring layer: the slide picture seen through rippling water. Random drops
// fall on a simulated surface (DS_WaterRipple) and spread as rings; the surface
// refracts the picture and catches the highlights of a fixed directional light. In
// mode 1 it ripples the whole scene, picture and objects, by capturing the scene into
// the layer's pair and drawing the surface with the captured image in RenderSurround;
// in every other mode it ripples the picture alone and the objects are drawn over it
// unrippled. Fixed-function drawing with lighting on; no effects. A slide owns it like
// any layer; the layer owns its surface.

#include <d3dx9math.h>

#include <memory>

#include "document/MediaParam.h"
#include "document/ScaledParams.h"
#include "render/Layer.h"
#include "render/layers/WaterRipple.h"

class DS_WaterRingLight : public DS_2D_Light {
public:
  static constexpr int kRecordVersion = 2;
  // Mode that ripples the captured scene instead of the picture alone.
  static constexpr int kModeScene = 1;

  // Stored defaults of the tuning values.
  static constexpr unsigned kDefaultDropStrength = 50;
  static constexpr unsigned kDefaultDamping = 50;
  static constexpr unsigned kDefaultRefraction = 20;
  static constexpr unsigned kDefaultDropRate = 30;  // drops per minute
  static constexpr unsigned kDefaultSpecular = 90;
  static constexpr unsigned kDefaultSpecularPower = 50;

  // The surface is this many plane units high, as wide as the picture's aspect needs,
  // and seen from this height above it.
  static constexpr float kSurfaceHeight = 30.0f;
  static constexpr float kEyeHeight = 120.0f;

  DS_WaterRingLight();
  ~DS_WaterRingLight() override;

  // The record after the header the layer registry read; ends with the base record.
  void Read(DS_IOF_Handle& handle, int version);
  template <class IO>
  void Fields(IO& io, int version);
  void Write(DS_IOF_Virtual& stream) const override;

  void OnDeviceCreated() override;
  void OnDeviceRestored() override;
  void OnDeviceLost() override;
  void RenderSurround(bool skip) override;
  void Render(bool noClear) override;
  void Update(float t) override;
  // The layer moves by itself.
  bool IsStill() const override { return false; }
  void SetSize(int width, int height) override;
  void SetFitType(int type) override;
  void BeginSceneCapture() override;
  const DS_ComHolder<IDirect3DTexture9>& EndSceneCapture(bool clear) override;
  bool NeedsSceneCapture() const override { return mode.GetValue() == kModeScene; }

  // The surface's damping for a stored value: 0.9 at 0 up to 0.999 at 100, in two
  // ranges that meet at 50.
  static float DampingFromValue(unsigned value);
  // Half extents of the orthographic view of the surface on a w x h target for a
  // picture of height / width `pictureAspect`: the surface fits the target whole.
  static void GetViewExtents(int width, int height, float pictureAspect, float& halfWidth, float& halfHeight);

  // Height / width of the picture; a picture without size counts as the target's
  // shape (or square before the layer is sized).
  float GetPictureAspect() const;
  DS_WaterRipple& GetRipple() { return *m_ripple; }
  const D3DXMATRIX& GetProjectionMatrix() const { return m_projectionMatrix; }
  const D3DXMATRIX& GetViewMatrix() const { return m_viewMatrix; }
  const D3DXMATRIX& GetCameraMatrix() const { return m_cameraMatrix; }
  float GetLastDropTime() const { return m_lastDropTime; }

  MediaParamT<int> mode;
  MediaParamT<unsigned int> waveGain;      // gain = 1 + 0.02 x value
  MediaParamT<unsigned int> rowScale;      // 1 + 0.01 x value
  MediaParamT<unsigned int> detail;        // 1 + 0.01 x value (128 columns at 0)
  MediaParamT<unsigned int> dropStrength;  // 0.1 + 0.007 x value
  MediaParamT<unsigned int> damping;       // DampingFromValue
  MediaParamT<unsigned int> refraction;    // 0.01 x value
  UINTSclaleTo<float> dropRate;            // drops per second (stored per minute)
  UINTSclaleTo<float> specular;            // specular colour of the material
  UINTSclaleTo<float> specularPower;       // power of the material

protected:
  DS_StateBlock LayerStates(const DS_DrawStates& draw) const override;

private:
  // The parameters that the surface takes when the device objects are made.
  void ApplyRippleParameters();
  // A fresh flat surface sized to the picture, with one drop.
  void ConfigureRipple();
  void SetMaterial() const;
  // Draws the surface with `texture` through the view context's camera and fit.
  void DrawSurface(IDirect3DTexture9* texture);

  std::unique_ptr<DS_WaterRipple> m_ripple;
  D3DXVECTOR4 m_lightDirection;
  D3DXVECTOR4 m_lightColour;
  D3DXMATRIX m_worldMatrix;
  D3DXMATRIX m_viewMatrix;        // inverse of the camera matrix
  D3DXMATRIX m_cameraMatrix;      // the eye above the surface
  D3DXMATRIX m_projectionMatrix;  // orthographic view of the surface
  float m_lastDropTime = 0;
};
