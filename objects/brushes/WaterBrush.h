#pragma once
// The water brush: turns its masked region into a moving water surface. A bump
// picture, turned continuously, scrolls along the flow direction and lights the scene
// below it with a highlight, optional shadows and the water colour. The direction
// follows the angle through a binder, so it is only recomputed when the angle changes.

#include "document/FileLink.h"
#include "document/MediaParam.h"
#include "document/ParamBinder.h"
#include "document/ScaledParams.h"
#include "document/TextureSet.h"
#include "objects/brushes/EffectBrush.h"

class DS_WaterFX : public DS_FX_Constructor {
public:
  static const int kRecordVersion = 1;
  static const int kDefaultEffectId = 90;
  static const int kDefaultBumpId = 89;

  DS_WaterFX();
  // Shares the bump texture; binds anew and recomputes the direction.
  DS_WaterFX(const DS_WaterFX& other);
  DS_WaterFX& operator=(const DS_WaterFX&) = delete;

  // The "DS_WaterFX" fields after the header, then the "DS_FX_Constructor" level.
  // The direction is not recomputed: the angle is stored without notification.
  void Read(DS_IOF_Handle& handle, int version);
  void Write(DS_IOF_Virtual& stream) const override;
  // The level's fields, for reading and writing alike.
  template <class IO>
  void Fields(IO& io, int version);

  // The bump picture's current frame, then effect and mask.
  void Prepare(DS_MaskHolder* mask) override;
  // The brush clock, then the turning bump transform.
  void Update(float localTime) override;
  void Render(DS_ABRender* layer) override;
  DS_FX_Constructor* Clone() override { return new DS_WaterFX(*this); }

  // Direction := (1, 0, 0, 0) turned about z by the angle: (cos a, sin a, 0, 0).
  void UpdateDirection();

  const D3DXVECTOR4& GetDirection() const { return m_direction; }
  // The 2 x 2 bump transform (s cos r, -s sin r, s sin r, s cos r).
  const float* GetBumpTransform() const { return m_bumpTransform; }
  IDirect3DTexture9* GetBumpTexture() const { return m_bumpTexture.Get(); }

  // The "P1" and "P2" rows of the surface factor u: P1 = (u - 1, -1, u - 1),
  // P2 = (1, (q + sqrt q) / (q - 1), 1) with q = 2 / u - 1.
  static void SurfaceRows(float u, float p1[3], float p2[3]);

  UINTSclaleTo<float> surfaceFactor;
  UINTSclaleTo<float> bumpStrength;
  UINTSclaleTo<float> flowSpeed;
  UINTSclaleTo<float> waveLength;
  // Flow direction in degrees.
  MediaParamT<unsigned int> angle;
  UINTSclaleTo<float> shadows;
  UINTSclaleTo<float> lightHeight;
  // 0x00BBGGRR.
  MediaParamT<unsigned long> waterColor;
  DS_ImageFileLink bumpImage;

private:
  DS_TextureHolder m_bumpTexture;
  float m_bumpTransform[4] = {0, 0, 0, 0};
  // After the parameters: the binder leaves the angle before the angle dies.
  DS_FunLightCtrlList m_binders;
  D3DXVECTOR4 m_direction{1, 0, 0, 0};
};
