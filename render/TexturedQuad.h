#pragma once
// Four-vertex quads: the textured quads of layers, surround bands, splash and targets
// (DS_TexturedQuad over DX_V::PT in scene space, or over pre-transformed DX_V::SCT), and
// the writers that build the coloured and pre-transformed quads of overlays from a
// DS_ScreenQuad. Every quad is a triangle strip of two primitives in the corner order
// of DS_ScreenQuad.

#include "document/TextureSet.h"
#include "render/Mesh.h"
#include "render/ScreenQuad.h"

// Converts an opacity 0..1 to the alpha byte (truncated, kept in 0..255).
BYTE AlphaByte(float alpha);

inline D3DCOLOR WithAlpha(D3DCOLOR color, BYTE alpha) {
  return (color & 0x00FFFFFF) | (D3DCOLOR(alpha) << 24);
}

// Where a quad's four vertices live: a managed buffer for a quad written once (or
// seldom), memory for one rewritten every frame. Memory is drawn with the UP draws:
// rewriting a buffer the device may still be drawing from makes the frame wait for it.
enum class DS_QuadStore { kBuffer, kMemory };

// Fresh four vertices on the mesh (a write-only managed buffer, or memory), drawn as a
// two-triangle strip. Replaces what the mesh held.
template <class V>
HRESULT CreateQuadBuffer(DS_SimpleMesh<V>& mesh, DS_QuadStore store = DS_QuadStore::kBuffer) {
  mesh.primitiveType = D3DPT_TRIANGLESTRIP;
  mesh.primitiveCount = 0;
  HRESULT hr = store == DS_QuadStore::kMemory
                   ? CreateVertexMemory<V>(4, mesh.vertices)
                   : CreateVertexBuffer<V>(4, mesh.vertices, D3DUSAGE_WRITEONLY, D3DPOOL_MANAGED);
  if (SUCCEEDED(hr)) mesh.primitiveCount = 2;
  return hr;
}

template <class V>
class DS_TexturedQuad : public DS_SimpleMesh<V> {
public:
  HRESULT CreateVertexBuffer() { return CreateQuadBuffer(*this); }

  // A fresh buffer with the texture coordinates (0,1), (0,0), (1,1), (1,0).
  void ResetTexCoords() {
    static const float kTexCoords[4][2] = {{0, 1}, {0, 0}, {1, 1}, {1, 0}};
    if (SUCCEEDED(CreateVertexBuffer())) SetTexCoords(kTexCoords);
  }
  // Positions (0, h), (0, 0), (w, h), (w, 0) at z 0; texture coordinates stay.
  void SetSize(float width, float height) {
    const D3DXVECTOR3 positions[4] = {{0, height, 0}, {0, 0, 0}, {width, height, 0}, {width, 0, 0}};
    SetPositions(positions);
  }
  // texture := the picture's texture; positions := the picture's pixel size.
  void BindTexture(const DS_TextureRef& picture) {
    texture = picture.texture;
    SetSize(float(picture.width), float(picture.height));
  }
  // A fresh buffer holding the given vertices.
  void SetVertices(const V (&corners)[4]) {
    if (FAILED(CreateVertexBuffer())) return;
    this->vertices.Write(4, [&](V* out) {
      for (int i = 0; i < 4; ++i) out[i] = corners[i];
    });
  }
  // Positions of the existing buffer; the rest stays. Nothing without a buffer.
  void SetPositions(const D3DXVECTOR3 (&positions)[4]) {
    this->vertices.Write(4, [&](V* out) {
      for (int i = 0; i < 4; ++i) {
        out[i].x = positions[i].x;
        out[i].y = positions[i].y;
        out[i].z = positions[i].z;
      }
    });
  }
  void SetTexCoords(const float (&uv)[4][2]) {
    this->vertices.Write(4, [&](V* out) {
      for (int i = 0; i < 4; ++i) {
        out[i].u = uv[i][0];
        out[i].v = uv[i][1];
      }
    });
  }
  // Pre-transformed quads: alpha byte of the four vertices := trunc(255 x alpha).
  void SetVertexAlpha(float alpha) {
    const BYTE a = AlphaByte(alpha);
    this->vertices.Write(4, [&](V* out) {
      for (int i = 0; i < 4; ++i) out[i].color = WithAlpha(out[i].color, a);
    });
  }

  DS_ComHolder<IDirect3DTexture9> texture;
  // Free for the owner; the drawing code never reads it.
  int tag = 0;
};

// Scene-space quads (layer quad, surround bands) and pre-transformed textured quads
// (splash, target and screen quads).
typedef DS_TexturedQuad<DX_V::PT> DS_PictureQuad;
typedef DS_TexturedQuad<DX_V::SCT> DS_ScreenTexturedQuad;

// The slide picture's first frame (texture, pixel size, scale) from the link's set:
// the quad's texture := that texture and its size := the picture's. Without a set the
// reference is cleared and the quad keeps its buffer with size 0 x 0.
void BindPictureTexture(const DS_ImageFileLink& link, DS_PictureQuad& quad, DS_TextureRef& picture);
// picture.texture := `source` resampled to a square of 128 x 2^shift pixels (shift kept
// in 0 .. 5).
void CopyToPowerOfTwo(int shift, DS_TextureRef& picture, const DS_ComHolder<IDirect3DTexture9>& source);

// Overlay quads: pre-transformed and coloured (DX_V::SC). Positions from the screen
// quad, z 0 and rhw := the screen quad's z.
void BuildOverlayQuad(DS_SimpleMesh<DX_V::SC>& mesh, D3DCOLOR color, const DS_ScreenQuad& quad,
                      DS_QuadStore store = DS_QuadStore::kBuffer);
void SetOverlayQuadPositions(DS_SimpleMesh<DX_V::SC>& mesh, const DS_ScreenQuad& quad);
// Alpha per corner: a left-bottom, b right-bottom, c left-top, d right-top.
void SetOverlayQuadAlpha(DS_SimpleMesh<DX_V::SC>& mesh, float a, float b, float c, float d);
// The same four vertices kept in the caller's memory (drawn from there, no buffer to
// lock): out[0..3] := the screen quad's positions in `color`; alpha of all four.
void BuildOverlayVertices(DX_V::SC* out, D3DCOLOR color, const DS_ScreenQuad& quad);
void SetOverlayVerticesAlpha(DX_V::SC* out, float alpha);

// Coloured scene-space quads (DX_V::PC), positions at z 0.
void BuildColoredQuad(DS_SimpleMesh<DX_V::PC>& mesh, D3DCOLOR color, const DS_ScreenQuad& quad);
void SetColoredQuadPositions(DS_SimpleMesh<DX_V::PC>& mesh, const DS_ScreenQuad& quad);
// RGB of all four := rgb's low 24 bits; alpha kept.
void SetColoredQuadColor(DS_SimpleMesh<DX_V::PC>& mesh, D3DCOLOR rgb);
void SetColoredQuadAlpha(DS_SimpleMesh<DX_V::PC>& mesh, float a, float b, float c, float d);

// Textured pre-transformed quads: white vertices, positions and texture coordinates
// from the screen quad.
void SetScreenQuad(DS_TexturedQuad<DX_V::SCT>& quad, const DS_ComHolder<IDirect3DTexture9>& texture,
                   const DS_ScreenQuad& screen, DS_QuadStore store = DS_QuadStore::kBuffer);
// As SetScreenQuad, without a texture.
void SetScreenQuadUntextured(DS_TexturedQuad<DX_V::SCT>& quad, const DS_ScreenQuad& screen,
                             DS_QuadStore store = DS_QuadStore::kBuffer);
// Positions and texture coordinates of the existing buffer; colours stay.
void SetScreenQuadPositions(DS_TexturedQuad<DX_V::SCT>& quad, const DS_ScreenQuad& screen);
