#pragma once
// The drawing interface of the scene objects. DS_ABRender is what an object's Render
// receives: every draw an object makes goes through its operations, which set the
// device states each draw needs. The picture layer (render/Layer.h) implements it;
// objects see only this header, never the layer class.
//
// What else a draw may read is process-wide and named in render/SceneMapping.h.

#include <d3d9.h>
#include <d3dx9effect.h>

#include "device/ComHolder.h"
#include "document/Item.h"
#include "render/Mesh.h"
#include "render/TexturedQuad.h"
#include "render/VertexFormats.h"

class DS_RenderTargetPair;

// What DS_ABRender::DrawSpriteArray draws: the sprite geometry of a sprite system, its
// current frame, its optional second picture, the item's additive flag and how many
// sprites of the buffer are drawn. The sprite object fills it for each draw.
struct DS_SpriteArrayDraw {
  const DS_IndexedMesh<DX_V::PCT>* geometry = nullptr;
  IDirect3DTexture9* texture = nullptr;
  IDirect3DTexture9* secondTexture = nullptr;
  int additive = 0;
  int particleCount = 0;
};

// A textured DX_V::PT mesh that prepares itself (texture transform, factors) right
// before DS_ABRender::DrawTexturedIndexedPT draws it.
class DS_PreparedMesh : public DS_TexturedMesh<DX_V::PT> {
public:
  virtual ~DS_PreparedMesh() = default;
  virtual void Prepare(int argument) {}
};

// The drawing interface. Objects draw in picture pixels; the layer's view context maps
// them onto the current target. Effect draws run every pass of the effect's current
// technique and commit no parameters; a null effect draws nothing.
class DS_ABRender : public DS_IOF_Item {
public:
  // Lays the scene out on an object's own w x h pair until EndTarget. Targets nest.
  virtual void BeginTarget(const DS_RenderTargetPair& pair, int fitType) = 0;
  virtual void EndTarget() = 0;

  virtual void DrawIndexedPT(const DS_IndexedMesh<DX_V::PT>& geometry, ID3DXEffect* effect) = 0;
  virtual void DrawPT2(const DS_SimpleMesh<DX_V::PT2>& geometry, ID3DXEffect* effect) = 0;
  virtual void DrawPT(const DS_SimpleMesh<DX_V::PT>& geometry, ID3DXEffect* effect) = 0;
  // With an effect: its passes; without: one alpha-blended draw of texture x colour.
  virtual void DrawIndexedPCT(const DS_IndexedMesh<DX_V::PCT>& geometry, ID3DXEffect* effect, int primitiveCount,
                              float unused) = 0;
  virtual void DrawIndexedPCTEffect(const DS_IndexedMesh<DX_V::PCT>& geometry, ID3DXEffect* effect) = 0;
  virtual void DrawMeshNode(const DS_MeshNode& node) = 0;
  virtual void DrawSpriteArray(const DS_SpriteArrayDraw& sprites) = 0;
  // Every child frame of the mesh's frame, once per cull direction. A mesh without
  // children draws nothing.
  virtual void DrawMeshNodeTwoPass(const DS_TexturedMesh<DX_V::PNT>& mesh) = 0;
  virtual void DrawTexturedIndexedPT(DS_PreparedMesh& object, int argument, int ignored) = 0;

  // What an object that needs the scene reads: the scene drawn before it, or the
  // picture. Valid only during the object's Render.
  virtual const DS_ComHolder<IDirect3DTexture9>& GetSceneTexture() const = 0;
  // The full-picture quad, for objects that redraw the picture.
  virtual const DS_PictureQuad& GetLayerQuad() const = 0;
  virtual unsigned GetPictureWidth() const = 0;
  virtual unsigned GetPictureHeight() const = 0;
};
