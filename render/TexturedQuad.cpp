#include "render/TexturedQuad.h"

#include <algorithm>
#include <cmath>

#include "device/DeviceUtil.h"
#include "device/ResourceLookup.h"

namespace {

const D3DCOLOR kWhite = 0xFFFFFFFF;

// Side of the smallest power-of-two copy of a picture, and the largest shift above it.
const int kPowerOfTwoBase = 128;
const int kMaxPowerOfTwoShift = 5;

// Vertex of each per-corner alpha argument (a, b, c, d).
const int kAlphaCorner[4] = {DS_ScreenQuad::kLeftBottom, DS_ScreenQuad::kRightBottom,
                             DS_ScreenQuad::kLeftTop, DS_ScreenQuad::kRightTop};

// Pre-transformed position: rhw carries the screen quad's z (1.0 for a reset quad).
template <class V>
void CopyScreenPositions(V* out, const DS_ScreenQuad& quad) {
  for (int i = 0; i < 4; ++i) {
    out[i].x = quad.v[i].x;
    out[i].y = quad.v[i].y;
    out[i].z = 0;
    out[i].rhw = quad.v[i].z;
  }
}

void CopyPlanePositions(DX_V::PC* out, const DS_ScreenQuad& quad) {
  for (int i = 0; i < 4; ++i) {
    out[i].x = quad.v[i].x;
    out[i].y = quad.v[i].y;
    out[i].z = 0;
  }
}

void CopyTexCoords(DX_V::SCT* out, const DS_ScreenQuad& quad) {
  for (int i = 0; i < 4; ++i) {
    out[i].u = quad.v[i].u;
    out[i].v = quad.v[i].v;
  }
}

template <class V>
void SetCornerAlpha(V* out, float a, float b, float c, float d) {
  const float alpha[4] = {a, b, c, d};
  for (int k = 0; k < 4; ++k) {
    V& vertex = out[kAlphaCorner[k]];
    vertex.color = WithAlpha(vertex.color, AlphaByte(alpha[k]));
  }
}

}  // namespace

BYTE AlphaByte(float alpha) {
  const float scaled = std::trunc(255.0f * alpha);
  if (!(scaled > 0)) return 0;  // also NaN
  if (scaled >= 255) return 255;
  return BYTE(scaled);
}

void BuildOverlayVertices(DX_V::SC* out, D3DCOLOR color, const DS_ScreenQuad& quad) {
  CopyScreenPositions(out, quad);
  for (int i = 0; i < 4; ++i) out[i].color = color;
}

void SetOverlayVerticesAlpha(DX_V::SC* out, float alpha) { SetCornerAlpha(out, alpha, alpha, alpha, alpha); }

void BuildOverlayQuad(DS_SimpleMesh<DX_V::SC>& mesh, D3DCOLOR color, const DS_ScreenQuad& quad,
                      DS_QuadStore store) {
  if (FAILED(CreateQuadBuffer(mesh, store))) return;
  mesh.vertices.Write(4, [&](DX_V::SC* out) { BuildOverlayVertices(out, color, quad); });
}

void SetOverlayQuadPositions(DS_SimpleMesh<DX_V::SC>& mesh, const DS_ScreenQuad& quad) {
  mesh.vertices.Write(4, [&](DX_V::SC* out) { CopyScreenPositions(out, quad); });
}

void SetOverlayQuadAlpha(DS_SimpleMesh<DX_V::SC>& mesh, float a, float b, float c, float d) {
  mesh.vertices.Write(4, [&](DX_V::SC* out) { SetCornerAlpha(out, a, b, c, d); });
}

void BuildColoredQuad(DS_SimpleMesh<DX_V::PC>& mesh, D3DCOLOR color, const DS_ScreenQuad& quad) {
  if (FAILED(CreateQuadBuffer(mesh))) return;
  mesh.vertices.Write(4, [&](DX_V::PC* out) {
    CopyPlanePositions(out, quad);
    for (int i = 0; i < 4; ++i) out[i].color = color;
  });
}

void SetColoredQuadPositions(DS_SimpleMesh<DX_V::PC>& mesh, const DS_ScreenQuad& quad) {
  mesh.vertices.Write(4, [&](DX_V::PC* out) { CopyPlanePositions(out, quad); });
}

void SetColoredQuadColor(DS_SimpleMesh<DX_V::PC>& mesh, D3DCOLOR rgb) {
  mesh.vertices.Write(4, [&](DX_V::PC* out) {
    for (int i = 0; i < 4; ++i) out[i].color = (out[i].color & 0xFF000000) | (rgb & 0x00FFFFFF);
  });
}

void SetColoredQuadAlpha(DS_SimpleMesh<DX_V::PC>& mesh, float a, float b, float c, float d) {
  mesh.vertices.Write(4, [&](DX_V::PC* out) { SetCornerAlpha(out, a, b, c, d); });
}

void SetScreenQuad(DS_TexturedQuad<DX_V::SCT>& quad, const DS_ComHolder<IDirect3DTexture9>& texture,
                   const DS_ScreenQuad& screen, DS_QuadStore store) {
  quad.texture = texture;
  if (FAILED(CreateQuadBuffer(quad, store))) return;
  quad.vertices.Write(4, [&](DX_V::SCT* out) {
    CopyScreenPositions(out, screen);
    CopyTexCoords(out, screen);
    for (int i = 0; i < 4; ++i) out[i].color = kWhite;
  });
}

void SetScreenQuadUntextured(DS_TexturedQuad<DX_V::SCT>& quad, const DS_ScreenQuad& screen,
                             DS_QuadStore store) {
  // The program carries no picture to stand in here: the quad draws untextured.
  const DS_ComHolder<IDirect3DTexture9> none;
  SetScreenQuad(quad, none, screen, store);
}

void SetScreenQuadPositions(DS_TexturedQuad<DX_V::SCT>& quad, const DS_ScreenQuad& screen) {
  quad.vertices.Write(4, [&](DX_V::SCT* out) {
    CopyScreenPositions(out, screen);
    CopyTexCoords(out, screen);
  });
}

void BindPictureTexture(const DS_ImageFileLink& link, DS_PictureQuad& quad, DS_TextureRef& picture) {
  picture.Clear();
  if (const DS_TextureSet* set = LookupTextureSet(link)) set->GetFirstFrame(picture);
  quad.BindTexture(picture);
}

void CopyToPowerOfTwo(int shift, DS_TextureRef& picture, const DS_ComHolder<IDirect3DTexture9>& source) {
  const int side = kPowerOfTwoBase << std::max(0, std::min(shift, kMaxPowerOfTwoShift));
  ResampleTexture(side, side, source, picture.texture, D3DFMT_UNKNOWN);
}
