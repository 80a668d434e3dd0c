#pragma once
// The sprite items drawn through an effect instead of the layer's sprite draw.
//
// DS_FXParticleSystemCtrl adds the effect link; the effect itself is taken from
// the document resource manager when the run-time object is built (Prepare) and
// shared with every item that names the same link, so each item sets all of its
// parameters on every draw. Two kinds of run-time object draw these items:
//
// - DS_GlowingObj, for glow items (DS_GlowEffectCtrl): the sprites are drawn
//   into a 512 x 512 glow target of their own, the scene drawn before the object
//   is laid over the picture blended with that glow in the glow colour, and the
//   sprites are drawn once more on top.
// - DS_FXObj, for items drawn as one quad at a fixed position
//   (DS_StatBaseFXCtrl): the item sets the effect up for the frame and says
//   whether the quad is drawn.
//
// DS_BaseFXCtrl is a record level of the fixed-position items without data.
// An item without an effect draws nothing.

#include <d3dx9.h>

#include "device/ComHolder.h"
#include "document/CompositeParams.h"
#include "document/MediaParam.h"
#include "document/ScaledParams.h"
#include "objects/brushes/EffectBrush.h"
#include "objects/sprites/ParticleSystemCtrl.h"
#include "objects/sprites/SpriteGeometry.h"
#include "render/ObjectModel.h"
#include "render/ViewContext.h"

class DS_ABRender;
class DS_RenderTargetPair;

class DS_FXParticleSystemCtrl : public DS_ParticleSystemCtrl {
public:
  static const int kRecordVersion = 1;

  DS_FXParticleSystemCtrl() = default;
  // The effect is shared with the copy (a reference added).
  DS_FXParticleSystemCtrl(const DS_FXParticleSystemCtrl& other) = default;

  // Takes the effect of the link from the current resource manager; an effect
  // that cannot be made leaves the item without one.
  virtual void Prepare();

  // Header, effect link, then the "DS_BaseSpriteProp" section.
  void Write(DS_IOF_Virtual& stream) const override;
  // The whole section, header included (the version is not looked at).
  void ReadSection(DS_IOF_Handle& handle);
  void Read(DS_IOF_Handle& handle, int version);
  // The level's fields, for reading and writing alike.
  template <class IO>
  void Fields(IO& io, int version);

  ID3DXEffect* GetEffect() const { return m_effect.Get(); }

  DS_HLSLEffectFile effectLink;

protected:
  // The current frame of the link's texture set from the current resource
  // manager (not referenced); null for a link that names nothing or a set
  // without frames.
  static IDirect3DTexture9* CurrentFrameOf(const DS_ImageFileLink& link);

  DS_ComHolder<ID3DXEffect> m_effect;
};

class DS_GlowEffectCtrl : public DS_FXParticleSystemCtrl {
public:
  static const int kRecordVersion = 1;
  // The intensity is stored in percent.
  static const unsigned int kDefaultIntensity = 100;
  static constexpr float kIntensityScale = 0.01f;

  DS_GlowEffectCtrl();
  // Shares the effect and both textures with the copy (references added).
  DS_GlowEffectCtrl(const DS_GlowEffectCtrl& other) = default;

  // A DS_GlowingObj owning Clone ().
  DS_ABObj* CreateObject() override;
  // The effect, then the current frames of the second image (glow texture) and
  // of the main image (sprite texture); a link without a frame leaves none.
  void Prepare() override;
  // Per-frame hook before the sprites are updated.
  virtual void UpdateEffect() {}

  // Header, glow colour, intensity, then the "DS_FXParticleSystemCtrl" section.
  void Write(DS_IOF_Virtual& stream) const override;
  void ReadSection(DS_IOF_Handle& handle);
  void Read(DS_IOF_Handle& handle, int version);
  // The level's fields, for reading and writing alike.
  template <class IO>
  void Fields(IO& io, int version);

  // (R / 255, G / 255, B / 255, alpha x intensity) of the glow colour, red in
  // its low byte. A non-finite alpha counts as 0.
  D3DXVECTOR4 GetBlendColor(float alpha) const;
  IDirect3DTexture9* GetGlowTexture() const { return m_glowTexture.Get(); }
  IDirect3DTexture9* GetSpriteTexture() const { return m_spriteTexture.Get(); }

  // Red in the low byte; the record keeps no transparency for it.
  MediaColor glowColour;
  UINTSclaleTo<float> intensity;

private:
  DS_ComHolder<IDirect3DTexture9> m_glowTexture;
  DS_ComHolder<IDirect3DTexture9> m_spriteTexture;
};

class DS_BaseFXCtrl : public DS_FXParticleSystemCtrl {
public:
  static const int kRecordVersion = 1;

  DS_BaseFXCtrl() = default;
  DS_BaseFXCtrl(const DS_BaseFXCtrl& other) = default;

  // Header only, then the "DS_FXParticleSystemCtrl" section.
  void Write(DS_IOF_Virtual& stream) const override;
  void ReadSection(DS_IOF_Handle& handle);
};

class DS_StatBaseFXCtrl : public DS_BaseFXCtrl {
public:
  static const int kRecordVersion = 2;
  // Version 2 added the height and the width.
  static const int kFirstVersionWithSize = 2;

  // Position at the centre of the scene as it stands now.
  DS_StatBaseFXCtrl();
  DS_StatBaseFXCtrl(const DS_StatBaseFXCtrl& other) = default;

  // A DS_FXObj owning Clone ().
  DS_ABObj* CreateObject() override;
  // Sets the technique and parameters of the effect for this frame; true when
  // the quad is drawn. Called only when the item has an effect.
  virtual bool SetupEffect(DS_ABRender* layer, ParticleGeomArray* geometry) = 0;

  // Header, position, height, width, then the "DS_BaseFXCtrl" section.
  void Write(DS_IOF_Virtual& stream) const override;
  void ReadSection(DS_IOF_Handle& handle);
  void Read(DS_IOF_Handle& handle, int version);
  // The level's fields, for reading and writing alike.
  template <class IO>
  void Fields(IO& io, int version);

  MediaParamT<D3DXVECTOR3> position;
  // Pixels.
  MediaParamT<unsigned int> height;
  MediaParamT<unsigned int> width;
};

// The run-time object of the glow items.
class DS_GlowingObj : public DS_ABObj, public ParticleGeomArray {
public:
  static const int kGlowTargetSize = 512;
  // How the scene is laid out on the glow target.
  static const int kGlowFitType = DS_ViewContext::kFitRenderTarget;
  static constexpr D3DCOLOR kGlowClearColor = 0x00000000;

  // Takes ownership of the clone: binds its sprite count (which creates the
  // sprites), prepares it and makes the glow target under a new GUID.
  explicit DS_GlowingObj(DS_GlowEffectCtrl* clone);
  ~DS_GlowingObj() override;

  // Glow pass, composite pass, sprite pass; nothing without an effect.
  void Render(DS_ABRender* layer) override;
  void OnMouseMove(int x, int y) override {}
  void OnResize() override {}
  // The composite redraws the scene drawn before the object; without an effect
  // nothing is drawn, so nothing is read either.
  bool NeedsSceneInput() const override;
  bool HitTest(POINT point, int ignored) override { return false; }
  // The item's UpdateEffect, clocks and sprites, then the quads.
  void Update(float localTime) override;

  DS_GlowEffectCtrl* GetControl() const { return m_control; }
  // Kept by the resource manager; null without one.
  DS_RenderTargetPair* GetGlowTarget() const { return m_glowTarget; }
  const GUID& GetGlowGuid() const { return m_glowGuid; }

private:
  DS_GlowEffectCtrl* m_control = nullptr;
  DS_RenderTargetPair* m_glowTarget = nullptr;
  GUID m_glowGuid;
};

// The run-time object of the fixed-position items.
class DS_FXObj : public DS_ABObj, public ParticleGeomArray {
public:
  // Takes ownership of the clone: binds its sprite count and prepares it.
  explicit DS_FXObj(DS_StatBaseFXCtrl* clone);
  ~DS_FXObj() override;

  // The quad through the item's effect when SetupEffect answers true.
  void Render(DS_ABRender* layer) override;
  void OnMouseMove(int x, int y) override {}
  void OnResize() override {}
  bool HitTest(POINT point, int ignored) override { return false; }
  // Clocks and sprites, then the quads, every frame.
  void Update(float localTime) override;

  DS_StatBaseFXCtrl* GetControl() const { return m_control; }

private:
  DS_StatBaseFXCtrl* m_control = nullptr;
};
