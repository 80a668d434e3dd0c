#pragma once
// The flame layer: sets the bottom of the slide picture on fire and makes the whole
// scene shimmer in the heat. An embedded fire brush draws its flames on a band along
// the bottom of the picture right after the picture itself; the heat distortion then
// redraws the captured scene (picture, fire and objects) onto the back buffer through
// a scrolling bump map. Each half has its own switch; the distortion needs the scene
// captured, and without its effect it stays off for the layer's life.

#include "document/FileLink.h"
#include "document/MediaParam.h"
#include "document/ScaledParams.h"
#include "document/TextureSet.h"
#include "objects/brushes/EffectBrush.h"
#include "objects/brushes/FireBrush.h"
#include "render/Layer.h"
#include "render/Mesh.h"

// The shimmer: the captured scene drawn through a bump map that scrolls with its own
// clock. Owned by the flame layer, which drives it.
class DS_HeatDistortion {
public:
  static const int kDefaultBumpId = 62;
  static const int kDefaultEffectId = 63;

  DS_HeatDistortion();
  DS_HeatDistortion(const DS_HeatDistortion&) = delete;
  DS_HeatDistortion& operator=(const DS_HeatDistortion&) = delete;

  // The full-picture quad (800 x 600 until sized), the bump picture's current frame
  // and the effect. True when there is an effect to draw with.
  bool CreateDeviceObjects();
  // The quad covers w x h picture pixels; aspect := h / w.
  void SetQuadSize(int width, int height);
  // Advances the clock and sets the scroll, strength and tiling; nothing without an
  // effect.
  void Update(float t);
  // Draws the quad with the scene texture through every pass of the distortion
  // technique; nothing without an effect.
  void Draw(const DS_ComHolder<IDirect3DTexture9>& scene);

  ID3DXEffect* GetEffect() const { return m_effect.Get(); }
  IDirect3DTexture9* GetBumpTexture() const { return m_bumpTexture.Get(); }
  float GetAspect() const { return m_aspect; }

  DS_SimpleMesh<DX_V::PT> screenQuad;
  DS_ImageFileLink bumpImage;
  DS_HLSLEffectFile effectLink;
  MediaSpeedParam speed;
  UINTSclaleTo<float> strength;
  UINTSclaleTo<float> bumpScale;

private:
  DS_ComHolder<ID3DXEffect> m_effect;
  DS_TextureHolder m_bumpTexture;
  float m_aspect = 1.0f;
};

class DS_FlameLight : public DS_2D_Light {
public:
  static constexpr int kRecordVersion = 2;
  // The pictures of the embedded fire (its own defaults name others).
  static constexpr int kFirePatternId = 7;
  static constexpr int kFireNoiseId = 8;
  // The band: its height in picture heights, and how far one step of the offset moves
  // it down.
  static constexpr float kBandHeight = 0.65f;
  static constexpr float kOffsetStep = 0.005f;

  DS_FlameLight();
  ~DS_FlameLight() override;

  // The "DS_FlameLight" fields after the header, then the base layer's record.
  void Read(DS_IOF_Handle& handle, int version);
  template <class IO>
  void Fields(IO& io, int version);
  void Write(DS_IOF_Virtual& stream) const override;

  void OnDeviceCreated() override;
  // The device states of the layer and the capture pair; the document's own device
  // objects are restored by the slide show.
  void OnDeviceRestored() override;
  void OnDeviceLost() override;
  // Ends the capture and draws the distorted scene onto the back buffer, then the
  // surround.
  void RenderSurround(bool skip) override;
  // Clears, draws the picture, then the fire band.
  void Render(bool noClear) override;
  void Update(float t) override;
  // The layer moves by itself.
  bool IsStill() const override { return false; }
  bool NeedsSceneCapture() const override;
  void OnImageChanged() override;

  // Top and bottom of the fire band for a picture of the given height.
  static void BandSpan(unsigned pictureHeight, unsigned offset, float& top, float& bottom);

  DS_FireFX& GetFire() { return m_fire; }
  DS_HeatDistortion& GetHeat() { return m_heat; }
  const DS_SimpleMesh<DX_V::PT>& GetFireQuad() const { return m_fireQuad; }
  bool IsDistortionOn() const { return distortionSwitch.GetValue() == 1; }

  // Not 0: the fire band is drawn.
  MediaParamT<int> fireSwitch;
  // 1: the heat distortion is on (other values count as off).
  MediaParamT<int> distortionSwitch;
  // Moves the band down by 0.005 picture heights per step.
  MediaParamT<unsigned int> fireOffset;

protected:
  DS_StateBlock LayerStates(const DS_DrawStates& draw) const override;

private:
  DS_FireFX m_fire;
  DS_HeatDistortion m_heat;
  DS_SimpleMesh<DX_V::PT> m_fireQuad;
};
