#pragma once
// The level of the generator hierarchy that knows how particles look: their pictures,
// the effect that draws them, two tints, the blend mode with which the finished
// particle layer is laid over the scene, two flips and an off-screen target of its
// own. Every concrete generator derives from it. Two draw paths are shared: a mask
// pass into the generator's target followed by a composite over the scene, or, with
// no effect, a direct alpha-blended draw onto the layer.
//
// The texture sets, the effect and the target belong to the document resource
// manager; the generator holds the effect by reference and the others by address. The
// target is kept under the generator's target key, which a document item and its
// run-time clone share.

#include <d3dx9.h>

#include <vector>

#include "device/ComHolder.h"
#include "device/RenderTargetPair.h"
#include "document/CompositeParams.h"
#include "document/FileLink.h"
#include "document/MediaParam.h"
#include "document/TextureSet.h"
#include "objects/brushes/EffectBrush.h"
#include "objects/particles/ParticleGenerator.h"

class DS_TexParticleGenerator : public DS_ParticleGenerator {
public:
  static constexpr int kRecordVersion = 3;
  // Blend modes of the composite.
  enum BlendMode { kBlendCommon = 0, kBlendScreen = 1, kBlendColorDodge = 2, kBlendSum = 3 };
  // Clear colour of the mask pass: transparent black.
  static constexpr D3DCOLOR kMaskClearColor = 0x00000000;
  // Clear colour of the joined mask pass: white with alpha 0.
  static constexpr D3DCOLOR kJoinedMaskClearColor = 0x00FFFFFF;

  // A new target key every time (CoCreateGuid).
  DS_TexParticleGenerator();
  // Copies every setting and the target key; the clone finds the item's target.
  DS_TexParticleGenerator(const DS_TexParticleGenerator& other);
  ~DS_TexParticleGenerator() override;

  void Write(DS_IOF_Virtual& stream) const override;
  DS_TextureFrameInfo& GetTextureFrameInfo(DS_TextureFrameInfo& info, int flag) const override;

  // The "DS_TexParticleGenerator" section: header, then Read.
  void ReadSection(DS_IOF_Handle& handle);
  // The section's fields after its header, then the generator's base section.
  void Read(DS_IOF_Handle& handle, int version);
  // The level's fields, for reading and writing alike.
  template <class IO>
  void Fields(IO& io, int version);

  // Notes the object, resolves the texture sets and takes a reference to the effect.
  // Makes neither buffers nor the target; families call it first.
  void PrepareResources(DS_ParticlesObj* object) override;
  // True when the composite lays the particles over the captured scene: a blend mode
  // that reads it (screen, colour dodge) and the means to compose. Without them the
  // scene would never be drawn back, and asking for it would lose the picture.
  bool NeedsSceneInput() const override;

  // The resource manager's target under the target key, sized to the back buffer.
  void AcquireTarget();
  // The current frame's texture of texture set i; null when there is no such set or it
  // has no texture.
  IDirect3DTexture9* GetCurrentTexture(int i) const;

  // Draws buffer slot 0 of `object` with `texture`: through the mask pass and the
  // composite when there is an effect (acquiring the target if the family did not),
  // otherwise straight onto the layer with alpha blending. Nothing without a texture,
  // except the composite of an empty mask when the object took the scene.
  void DrawParticles(DS_ABRender* layer, IDirect3DTexture9* texture, DS_ParticlesObj* object);
  // The mask pass of several layers: slots 0 to `last`, each with the current texture
  // of its texture set, into the target. Needs the effect and the target.
  void DrawJoinedMask(DS_ParticlesObj* object, int last, DS_ABRender* layer);
  // Lays the target over the scene with the blend mode's technique.
  void Composite(DS_ABRender* layer);

  // The blend mode's composite reads the scene (screen, colour dodge).
  bool BlendReadsScene() const;
  // An effect to compose with and a target not known to be unusable (one not acquired
  // yet is made at the first draw): what every draw over the scene needs.
  bool CanComposite() const;

  ID3DXEffect* GetEffect() const { return effect.Get(); }
  DS_RenderTargetPair* GetTarget() const { return target; }
  const GUID& GetTargetKey() const { return targetKey; }
  DS_ParticlesObj* GetParticlesObject() const { return object; }

  std::vector<DS_ImageFileLink> textureLinks;
  DS_HLSLEffectFile effectLink;
  MediaColor colour1;
  MediaColor colour2;
  MediaParamT<int> blendMode;
  MediaParamT<int> verticalFlip;
  MediaParamT<int> horizontalFlip;
  int textureSetMode = 0;
  std::vector<DS_TextureSet*> textureSets;

protected:
  DS_ComHolder<ID3DXEffect> effect;
  DS_RenderTargetPair* target = nullptr;
  GUID targetKey;
  DS_ParticlesObj* object = nullptr;

private:
  // Copied with the item; no operation of the saver reads them.
  ds_string m_reservedText;
  int m_reservedValue = 1;
};
