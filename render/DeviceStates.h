#pragma once
// Device states as data. Every draw of the layer names the render, texture-stage and
// sampler states it sets as rows of a DS_StateBlock, and ApplyStates sets them in row
// order: what a draw changes, and what it leaves for the next one, reads off its rows.
// A value that depends on the object being drawn picks one of two named blocks, or a
// small block built on the spot.
//
// The drawing interface's blocks are here, beside the baseline a layer sets when the
// device is restored (every draw relies on it for the states it does not name). A
// special layer keeps the blocks of its own passes in its source file. Header-only, so
// that the test device can apply the baseline without the rest of the library.

#include <d3d9.h>

#include <cstddef>
#include <cstring>

#include "device/DeviceGlobals.h"

enum class DS_StateKind : unsigned char { Render, Stage, Sampler };

// One state and its value; `unit` is the texture stage or the sampler (0 for render
// states).
struct DS_StateRow {
  DS_StateKind kind;
  DWORD unit;
  DWORD state;
  DWORD value;
};

constexpr DS_StateRow RenderRow(D3DRENDERSTATETYPE state, DWORD value) {
  return DS_StateRow{DS_StateKind::Render, 0, DWORD(state), value};
}
constexpr DS_StateRow StageRow(DWORD stage, D3DTEXTURESTAGESTATETYPE state, DWORD value) {
  return DS_StateRow{DS_StateKind::Stage, stage, DWORD(state), value};
}
constexpr DS_StateRow SamplerRow(DWORD sampler, D3DSAMPLERSTATETYPE state, DWORD value) {
  return DS_StateRow{DS_StateKind::Sampler, sampler, DWORD(state), value};
}

// The bits of a float state (bump-mapping matrix, scale and offset).
inline DWORD FloatState(float value) {
  DWORD bits;
  static_assert(sizeof(bits) == sizeof(value), "float state");
  std::memcpy(&bits, &value, sizeof(bits));
  return bits;
}

// A view of a row array; empty for a draw that sets nothing.
struct DS_StateBlock {
  const DS_StateRow* rows = nullptr;
  std::size_t count = 0;

  constexpr DS_StateBlock() = default;
  template <std::size_t N>
  constexpr DS_StateBlock(const DS_StateRow (&array)[N]) : rows(array), count(N) {}
  constexpr DS_StateBlock(const DS_StateRow* first, std::size_t n) : rows(first), count(n) {}

  const DS_StateRow* begin() const { return rows; }
  const DS_StateRow* end() const { return rows + count; }
};

// Sets every row of the block on `device`, in order; nothing without a device.
inline void ApplyStates(IDirect3DDevice9* device, const DS_StateBlock& block) {
  if (!device) return;
  for (const DS_StateRow& row : block) {
    switch (row.kind) {
      case DS_StateKind::Render:
        device->SetRenderState(D3DRENDERSTATETYPE(row.state), row.value);
        break;
      case DS_StateKind::Stage:
        device->SetTextureStageState(row.unit, D3DTEXTURESTAGESTATETYPE(row.state), row.value);
        break;
      case DS_StateKind::Sampler:
        device->SetSamplerState(row.unit, D3DSAMPLERSTATETYPE(row.state), row.value);
        break;
    }
  }
}

// The same on the current device.
inline void ApplyStates(const DS_StateBlock& block) { ApplyStates(g_CurrentDevice, block); }

// A draw's states: `before` is set before it draws, `after` once it has drawn.
// kLeftAsSet says the draw leaves what `before` set for the next draw to find; kNoStates
// is a draw whose effect passes own every state.
struct DS_DrawStates {
  DS_StateBlock before;
  DS_StateBlock after;
};

inline constexpr DS_StateBlock kNoStates{};
inline constexpr DS_StateBlock kLeftAsSet{};

namespace ds_states {

// What a layer sets when the device is restored: no depth, no lighting, the picture
// filtered and mirrored at its edges, stage 0 selecting the texture and stage 1 off,
// and the blend factors of ordinary alpha blending (each draw that blends switches
// blending on itself).
inline constexpr DS_StateRow kLayerBaseline[] = {
    RenderRow(D3DRS_ZENABLE, D3DZB_FALSE),
    RenderRow(D3DRS_ZWRITEENABLE, FALSE),
    RenderRow(D3DRS_LIGHTING, FALSE),
    SamplerRow(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR),
    SamplerRow(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR),
    SamplerRow(0, D3DSAMP_ADDRESSU, D3DTADDRESS_MIRROR),
    SamplerRow(0, D3DSAMP_ADDRESSV, D3DTADDRESS_MIRROR),
    StageRow(0, D3DTSS_TEXCOORDINDEX, 0),
    StageRow(0, D3DTSS_COLORARG1, D3DTA_TEXTURE),
    StageRow(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE),
    StageRow(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1),
    StageRow(1, D3DTSS_TEXCOORDINDEX, 1),
    StageRow(1, D3DTSS_COLORARG1, D3DTA_TEXTURE),
    StageRow(1, D3DTSS_COLOROP, D3DTOP_DISABLE),
    RenderRow(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA),
    RenderRow(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA),
};

// The picture is the opaque ground of the scene: its draw sets every state it depends
// on, so what the objects of the previous frame left cannot show through.
inline constexpr DS_StateRow kPicture[] = {
    RenderRow(D3DRS_ALPHABLENDENABLE, FALSE),
    RenderRow(D3DRS_CULLMODE, D3DCULL_NONE),
    StageRow(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1),
    StageRow(0, D3DTSS_COLORARG1, D3DTA_TEXTURE),
    StageRow(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1),
    StageRow(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE),
    StageRow(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE),
    StageRow(1, D3DTSS_COLOROP, D3DTOP_DISABLE),
};
inline constexpr DS_DrawStates kPictureDraw = {kPicture, kLeftAsSet};

// An overlay shows its own colour and alpha, whatever the last object left on stage 0:
// a modulating alpha stage would square the fade. Blending stays on after it.
inline constexpr DS_StateRow kOverlayBegin[] = {
    RenderRow(D3DRS_ALPHABLENDENABLE, TRUE),
    RenderRow(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA),
    RenderRow(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA),
    StageRow(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1),
    StageRow(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE),
    StageRow(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1),
    StageRow(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE),
    StageRow(1, D3DTSS_COLOROP, D3DTOP_DISABLE),
};
// Stage 0 reads the texture again after a draw in vertex colours.
inline constexpr DS_StateRow kTextureArguments[] = {
    StageRow(0, D3DTSS_COLORARG1, D3DTA_TEXTURE),
    StageRow(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE),
};
inline constexpr DS_DrawStates kOverlayDraw = {kOverlayBegin, kTextureArguments};

inline constexpr DS_StateRow kTargetQuadBegin[] = {
    RenderRow(D3DRS_ALPHABLENDENABLE, TRUE),
    RenderRow(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA),
    RenderRow(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA),
    RenderRow(D3DRS_ZENABLE, D3DZB_FALSE),
    StageRow(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE),
};
inline constexpr DS_StateRow kTargetQuadEnd[] = {
    StageRow(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1),
};
inline constexpr DS_DrawStates kTargetQuadDraw = {kTargetQuadBegin, kTargetQuadEnd};

// Effect draws: the effect's passes set what they need.
inline constexpr DS_DrawStates kEffectDraw = {kNoStates, kNoStates};

// DrawIndexedPCT without an effect: the texture times the vertex colour, alpha blended.
inline constexpr DS_StateRow kTexturedColour[] = {
    RenderRow(D3DRS_ALPHABLENDENABLE, TRUE),
    RenderRow(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA),
    RenderRow(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA),
    StageRow(0, D3DTSS_COLOROP, D3DTOP_MODULATE),
    StageRow(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE),
    StageRow(0, D3DTSS_COLORARG1, D3DTA_TEXTURE),
    StageRow(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE),
    StageRow(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE),
    StageRow(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE),
};
inline constexpr DS_DrawStates kTexturedColourDraw = {kTexturedColour, kLeftAsSet};

// Culling of one mesh instance, by the winding its frame asks for.
inline constexpr DS_StateRow kCullClockwise[] = {RenderRow(D3DRS_CULLMODE, D3DCULL_CW)};
inline constexpr DS_StateRow kCullCounterClockwise[] = {RenderRow(D3DRS_CULLMODE, D3DCULL_CCW)};

// Mesh nodes set the cull mode per instance; a two-sided node blends as well.
inline constexpr DS_StateRow kTwoSidedMesh[] = {RenderRow(D3DRS_ALPHABLENDENABLE, TRUE)};
inline constexpr DS_StateRow kMeshEnd[] = {
    RenderRow(D3DRS_CULLMODE, D3DCULL_NONE),
    RenderRow(D3DRS_ALPHABLENDENABLE, FALSE),
};
inline constexpr DS_DrawStates kMeshNodeDraw = {kNoStates, kMeshEnd};
inline constexpr DS_DrawStates kTwoSidedMeshNodeDraw = {kTwoSidedMesh, kMeshEnd};

// Both windings of every copy, alpha blended, the texture as it is.
inline constexpr DS_StateRow kTwoPassMesh[] = {
    RenderRow(D3DRS_ALPHABLENDENABLE, TRUE),
    StageRow(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1),
    StageRow(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1),
};
inline constexpr DS_DrawStates kTwoPassMeshDraw = {kTwoPassMesh, kMeshEnd};

// Sprites: the picture times the sprite colour, blended; the destination factor
// (additive or not) depends on the sprite item and is one of the two blocks below.
inline constexpr DS_StateRow kSpriteArray[] = {
    RenderRow(D3DRS_CULLMODE, D3DCULL_NONE),
    RenderRow(D3DRS_ALPHABLENDENABLE, TRUE),
    RenderRow(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA),
    StageRow(0, D3DTSS_COLOROP, D3DTOP_MODULATE),
    StageRow(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE),
    StageRow(0, D3DTSS_COLORARG1, D3DTA_TEXTURE),
    StageRow(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE),
};
inline constexpr DS_StateRow kAdditiveBlend[] = {RenderRow(D3DRS_DESTBLEND, D3DBLEND_ONE)};
inline constexpr DS_StateRow kAlphaBlend[] = {RenderRow(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA)};
// The second picture of a sprite system is drawn as it is, with the sprites' alpha.
inline constexpr DS_StateRow kSpriteSecondTexture[] = {StageRow(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1)};
inline constexpr DS_StateRow kSpriteArrayEnd[] = {
    RenderRow(D3DRS_ALPHABLENDENABLE, FALSE),
    RenderRow(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA),
};
inline constexpr DS_DrawStates kSpriteArrayDraw = {kSpriteArray, kSpriteArrayEnd};

// A prepared mesh: its texture's colour, its alpha scaled by the texture factor.
inline constexpr DS_StateRow kPreparedMesh[] = {
    RenderRow(D3DRS_ALPHABLENDENABLE, TRUE),
    RenderRow(D3DRS_CULLMODE, D3DCULL_NONE),
    RenderRow(D3DRS_ZENABLE, D3DZB_FALSE),
    StageRow(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1),
    StageRow(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE),
    StageRow(0, D3DTSS_COLORARG1, D3DTA_TEXTURE),
    StageRow(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE),
    StageRow(0, D3DTSS_ALPHAARG2, D3DTA_TFACTOR),
    RenderRow(D3DRS_TEXTUREFACTOR, 0xFFFFFFFF),
};
inline constexpr DS_StateRow kPreparedMeshEnd[] = {
    StageRow(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE),
    StageRow(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE),
    RenderRow(D3DRS_ALPHABLENDENABLE, FALSE),
    StageRow(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE),
};
inline constexpr DS_DrawStates kPreparedMeshDraw = {kPreparedMesh, kPreparedMeshEnd};

// A DX_V::PC mesh in its vertex colours, alpha blended; blending stays on.
inline constexpr DS_StateRow kVertexColour[] = {
    RenderRow(D3DRS_ALPHABLENDENABLE, TRUE),
    StageRow(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE),
    StageRow(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE),
};
inline constexpr DS_DrawStates kVertexColourDraw = {kVertexColour, kTextureArguments};

}  // namespace ds_states
