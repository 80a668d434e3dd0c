#pragma once
// Device states as data. Every draw sets every state it depends on, whatever the draws
// before it left: the layer baseline (kLayerBaseline) lists those states with a plain
// layer's values, a special layer gives its differences from it once (the layer's
// states), and a draw names only where it differs from them (DS_DrawStates).
// ApplyDrawStates sets the whole list through the state cache, which skips the values
// the device already holds. Within one draw, a value that depends on the object drawn
// (the winding of a copy, a sprite's blending) is a small block applied on the spot.
//
// The drawing interface's blocks are here; a special layer keeps the blocks of its own
// passes in its source file. Header-only, so that the test device can apply the
// baseline without the rest of the library.

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

// What the drawing code last set on one device, so that a row whose value the device
// already holds is not set again. It knows only what went through it: it is forgotten
// when the device is restored, lost or replaced, after an effect's passes (which set
// states of their own behind it) and at the start of every frame. Anything else that
// sets a state directly on the device forgets it too (ForgetDeviceStates). A state
// outside its tables is always set.
class DS_StateCache {
public:
  // Sets the row's state on `device` unless the cache knows the device holds that value;
  // false when the row was skipped. A cache of another device is forgotten first.
  bool Set(IDirect3DDevice9* device, const DS_StateRow& row) {
    if (device != m_device) {
      Forget();
      m_device = device;
    }
    Entry* entry = Find(row);
    if (entry && entry->known && entry->value == row.value) return false;
    HRESULT hr = E_FAIL;
    switch (row.kind) {
      case DS_StateKind::Render:
        hr = device->SetRenderState(D3DRENDERSTATETYPE(row.state), row.value);
        break;
      case DS_StateKind::Stage:
        hr = device->SetTextureStageState(row.unit, D3DTEXTURESTAGESTATETYPE(row.state), row.value);
        break;
      case DS_StateKind::Sampler:
        hr = device->SetSamplerState(row.unit, D3DSAMPLERSTATETYPE(row.state), row.value);
        break;
    }
    // A value the device refused is not known to be there.
    if (entry) {
      entry->known = SUCCEEDED(hr);
      entry->value = row.value;
    }
    return true;
  }

  // Knows nothing of any device: every row is set again.
  void Forget() {
    m_device = nullptr;
    for (Entry& e : m_render) e.known = false;
    for (Entry& e : m_stage) e.known = false;
    for (Entry& e : m_sampler) e.known = false;
  }

private:
  struct Entry {
    DWORD value = 0;
    bool known = false;
  };
  // Render states run to D3DRS_BLENDOPALPHA (209); stage states to D3DTSS_CONSTANT (32)
  // on 8 stages; sampler states to D3DSAMP_DMAPOFFSET (13) on the 16 pixel samplers,
  // the displacement-map sampler and the 4 vertex samplers (256 to 260).
  static constexpr DWORD kRenderStates = 210;
  static constexpr DWORD kStages = 8;
  static constexpr DWORD kStageStates = 33;
  static constexpr DWORD kPixelSamplers = 16;
  static constexpr DWORD kSamplers = kPixelSamplers + 5;
  static constexpr DWORD kSamplerStates = 14;

  Entry* Find(const DS_StateRow& row) {
    switch (row.kind) {
      case DS_StateKind::Render:
        return row.state < kRenderStates ? &m_render[row.state] : nullptr;
      case DS_StateKind::Stage:
        return row.unit < kStages && row.state < kStageStates ? &m_stage[row.unit * kStageStates + row.state]
                                                              : nullptr;
      case DS_StateKind::Sampler: {
        DWORD slot = row.unit;
        if (slot >= D3DDMAPSAMPLER && slot <= D3DVERTEXTEXTURESAMPLER3) slot = kPixelSamplers + (slot - D3DDMAPSAMPLER);
        if (slot >= kSamplers || (row.unit >= kPixelSamplers && row.unit < D3DDMAPSAMPLER)) return nullptr;
        return row.state < kSamplerStates ? &m_sampler[slot * kSamplerStates + row.state] : nullptr;
      }
    }
    return nullptr;
  }

  IDirect3DDevice9* m_device = nullptr;
  Entry m_render[kRenderStates];
  Entry m_stage[kStages * kStageStates];
  Entry m_sampler[kSamplers * kSamplerStates];
};

// The cache of the drawing code's states: one, of the current device (a switch to
// another device forgets it).
inline DS_StateCache g_DeviceStateCache;

// Forgets what the cache knows: after a device is restored, lost, reset or replaced,
// after an effect's passes and after a state was set directly on the device.
inline void ForgetDeviceStates() { g_DeviceStateCache.Forget(); }

// Sets every row of the block on `device`, in order, through the cache (a row whose
// value the device already holds from an earlier row is skipped); nothing without a
// device.
inline void ApplyStates(IDirect3DDevice9* device, const DS_StateBlock& block) {
  if (!device) return;
  for (const DS_StateRow& row : block) g_DeviceStateCache.Set(device, row);
}

// The same on the current device.
inline void ApplyStates(const DS_StateBlock& block) { ApplyStates(g_CurrentDevice, block); }

// A draw's states: where they differ from its layer's (kNoStates for none).
struct DS_DrawStates {
  DS_StateBlock differences;
};

inline constexpr DS_StateBlock kNoStates{};

namespace ds_states {

// The states every draw of a layer depends on, with a plain layer's values: no depth,
// no lighting, no fog, no alpha test, every copy drawn (no culling), no blending (with
// the factors of ordinary alpha blending for a draw that switches it on), the picture
// filtered, without mip levels and mirrored at its edges, stage 0 selecting the texture
// with its coordinates as they are, and stage 1 off.
inline constexpr DS_StateRow kLayerBaseline[] = {
    RenderRow(D3DRS_ZENABLE, D3DZB_FALSE),
    RenderRow(D3DRS_ZWRITEENABLE, FALSE),
    RenderRow(D3DRS_LIGHTING, FALSE),
    RenderRow(D3DRS_SPECULARENABLE, FALSE),
    RenderRow(D3DRS_FOGENABLE, FALSE),
    RenderRow(D3DRS_CULLMODE, D3DCULL_NONE),
    RenderRow(D3DRS_ALPHATESTENABLE, FALSE),
    RenderRow(D3DRS_ALPHAREF, 0),
    RenderRow(D3DRS_ALPHAFUNC, D3DCMP_ALWAYS),
    RenderRow(D3DRS_ALPHABLENDENABLE, FALSE),
    RenderRow(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA),
    RenderRow(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA),
    RenderRow(D3DRS_BLENDOP, D3DBLENDOP_ADD),
    RenderRow(D3DRS_SEPARATEALPHABLENDENABLE, FALSE),
    RenderRow(D3DRS_TEXTUREFACTOR, 0xFFFFFFFF),
    SamplerRow(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR),
    SamplerRow(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR),
    SamplerRow(0, D3DSAMP_MIPFILTER, D3DTEXF_NONE),
    SamplerRow(0, D3DSAMP_ADDRESSU, D3DTADDRESS_MIRROR),
    SamplerRow(0, D3DSAMP_ADDRESSV, D3DTADDRESS_MIRROR),
    StageRow(0, D3DTSS_TEXCOORDINDEX, 0),
    StageRow(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE),
    StageRow(0, D3DTSS_COLORARG1, D3DTA_TEXTURE),
    StageRow(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE),
    StageRow(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1),
    StageRow(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE),
    StageRow(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE),
    StageRow(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1),
    StageRow(1, D3DTSS_TEXCOORDINDEX, 1),
    StageRow(1, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE),
    StageRow(1, D3DTSS_COLORARG1, D3DTA_TEXTURE),
    StageRow(1, D3DTSS_COLOROP, D3DTOP_DISABLE),
    StageRow(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE),
};

}  // namespace ds_states

// The row of `block` that sets the state of `row`, or null.
inline const DS_StateRow* FindState(const DS_StateBlock& block, const DS_StateRow& row) {
  for (const DS_StateRow& r : block) {
    if (r.kind == row.kind && r.unit == row.unit && r.state == row.state) return &r;
  }
  return nullptr;
}

// Sets every state of the baseline: with the value that `extra` gives it, else the
// draw's differences, else the layer's, else the baseline's own. Rows of the three that
// name a state beyond the baseline (a special layer's own) are set after it, in that
// order. Nothing without a device.
inline void ApplyDrawStates(IDirect3DDevice9* device, const DS_StateBlock& layer, const DS_DrawStates& draw,
                            const DS_StateBlock& extra = kNoStates) {
  if (!device) return;
  const DS_StateBlock baseline(ds_states::kLayerBaseline);
  for (const DS_StateRow& row : baseline) {
    const DS_StateRow* chosen = FindState(extra, row);
    if (!chosen) chosen = FindState(draw.differences, row);
    if (!chosen) chosen = FindState(layer, row);
    g_DeviceStateCache.Set(device, chosen ? *chosen : row);
  }
  for (const DS_StateBlock* block : {&layer, &draw.differences, &extra}) {
    for (const DS_StateRow& row : *block) {
      if (!FindState(baseline, row)) g_DeviceStateCache.Set(device, row);
    }
  }
}

// The same on the current device.
inline void ApplyDrawStates(const DS_StateBlock& layer, const DS_DrawStates& draw,
                            const DS_StateBlock& extra = kNoStates) {
  ApplyDrawStates(g_CurrentDevice, layer, draw, extra);
}

namespace ds_states {

// The layer's own states: what a layer sets when the device is restored. The surround
// bands are drawn in them, and effect draws start from them (the effect's passes then
// set what they need); DrawIndexedPCT's effect draw is told apart from the others, for
// a layer on which such objects draw in other states.
inline constexpr DS_DrawStates kLayerDraw = {kNoStates};
inline constexpr DS_DrawStates kSurroundDraw = {kNoStates};
inline constexpr DS_DrawStates kEffectDraw = {kNoStates};
inline constexpr DS_DrawStates kTexturedColourEffectDraw = {kNoStates};

// The picture is the opaque ground of the scene: its texture as it is, whatever a
// layer's stage 0 does for the other draws.
inline constexpr DS_StateRow kPicture[] = {
    StageRow(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1),
    StageRow(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1),
};
inline constexpr DS_DrawStates kPictureDraw = {kPicture};

// An overlay shows its own colour and alpha, alpha blended.
inline constexpr DS_StateRow kOverlay[] = {
    RenderRow(D3DRS_ALPHABLENDENABLE, TRUE),
    StageRow(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1),
    StageRow(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE),
    StageRow(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1),
    StageRow(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE),
};
inline constexpr DS_DrawStates kOverlayDraw = {kOverlay};

// A target quad: its texture, faded by its vertex alpha.
inline constexpr DS_StateRow kTargetQuad[] = {
    RenderRow(D3DRS_ALPHABLENDENABLE, TRUE),
    StageRow(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE),
};
inline constexpr DS_DrawStates kTargetQuadDraw = {kTargetQuad};

// DrawIndexedPCT without an effect: the texture times the vertex colour, alpha blended.
inline constexpr DS_StateRow kTexturedColour[] = {
    RenderRow(D3DRS_ALPHABLENDENABLE, TRUE),
    StageRow(0, D3DTSS_COLOROP, D3DTOP_MODULATE),
    StageRow(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE),
};
inline constexpr DS_DrawStates kTexturedColourDraw = {kTexturedColour};

// Culling of one mesh instance, by the winding its frame asks for: set on the spot for
// each copy, after the draw's own states.
inline constexpr DS_StateRow kCullClockwise[] = {RenderRow(D3DRS_CULLMODE, D3DCULL_CW)};
inline constexpr DS_StateRow kCullCounterClockwise[] = {RenderRow(D3DRS_CULLMODE, D3DCULL_CCW)};

// Mesh nodes: opaque, or alpha blended when two-sided.
inline constexpr DS_DrawStates kMeshNodeDraw = {kNoStates};
inline constexpr DS_StateRow kBlended[] = {RenderRow(D3DRS_ALPHABLENDENABLE, TRUE)};
inline constexpr DS_DrawStates kTwoSidedMeshNodeDraw = {kBlended};

// Both windings of every copy, alpha blended, the texture as it is.
inline constexpr DS_DrawStates kTwoPassMeshDraw = {kBlended};

// Sprites: the picture times the sprite colour, blended; the destination factor
// (additive or not) depends on the sprite item and is one of the two blocks below, set
// on the spot for each of its pictures.
inline constexpr DS_DrawStates kSpriteArrayDraw = {kTexturedColour};
inline constexpr DS_StateRow kAdditiveBlend[] = {RenderRow(D3DRS_DESTBLEND, D3DBLEND_ONE)};
inline constexpr DS_StateRow kAlphaBlend[] = {RenderRow(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA)};
// The second picture of a sprite system is drawn as it is, with the sprites' alpha.
inline constexpr DS_StateRow kSpriteSecondTexture[] = {StageRow(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1)};

// A prepared mesh: its texture's colour, its alpha scaled by the texture factor.
inline constexpr DS_StateRow kPreparedMesh[] = {
    RenderRow(D3DRS_ALPHABLENDENABLE, TRUE),
    StageRow(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1),
    StageRow(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE),
    StageRow(0, D3DTSS_ALPHAARG2, D3DTA_TFACTOR),
    RenderRow(D3DRS_TEXTUREFACTOR, 0xFFFFFFFF),
};
inline constexpr DS_DrawStates kPreparedMeshDraw = {kPreparedMesh};

// A DX_V::PC mesh in its vertex colours, alpha blended.
inline constexpr DS_StateRow kVertexColour[] = {
    RenderRow(D3DRS_ALPHABLENDENABLE, TRUE),
    StageRow(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE),
    StageRow(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE),
};
inline constexpr DS_DrawStates kVertexColourDraw = {kVertexColour};

}  // namespace ds_states
