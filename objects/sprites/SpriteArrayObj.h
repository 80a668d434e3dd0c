#pragma once
// The run-time object of the sprite items: it owns the item clone (through
// DS_ABObj) and the sprite geometry with the frames of the item's main image,
// plus the current frame of the second image when the item has one. Every frame
// it updates the clocks and the sprites, steps the image frames and rewrites
// the quads; it draws through the layer's sprite draw.

#include "device/ComHolder.h"
#include "objects/sprites/SpriteGeometry.h"
#include "render/ObjectModel.h"

class DS_ParticleSystemCtrl;

class DS_SpriteArrayObj : public DS_ABObj, public AnimatedTexture<ParticleGeomArray> {
public:
  // Takes ownership of the clone: loads the main image's frames (an add-on
  // module's texture set when the add-on flag is 1), binds the sprite count
  // (which creates the sprites) and takes the second image's current frame.
  explicit DS_SpriteArrayObj(DS_ParticleSystemCtrl* clone);
  ~DS_SpriteArrayObj() override;

  void Render(DS_ABRender* layer) override;
  void OnMouseMove(int x, int y) override {}
  void OnResize() override;
  bool HitTest(POINT point, int ignored) override;
  // The item's Reset, then every sprite's timers cleared.
  void Reset() override;
  // Clocks and sprites, the frame step, then the quads (with the static flag
  // set only when the frame changed, or the buffer has not been written yet).
  void Update(float localTime) override;

  // The second image's frame with a reference added for the caller, or null.
  IDirect3DTexture9* GetSecondTexture() const;
  DS_ParticleSystemCtrl* GetItem() const { return item; }

private:
  DS_ComHolder<IDirect3DTexture9> m_secondTexture;
};
