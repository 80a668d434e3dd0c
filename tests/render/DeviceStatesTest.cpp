// The device states of the layer's drawing operations, read back from the real test
// device: every state that any operation's rows name is poisoned, the operation draws,
// and each state must then hold the value of the operation's own rows, or still the
// poison where it names none. A draw that sets a state its rows do not list, or does
// not set one they do, fails naming the operation and the state.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "render/DeviceStates.h"
#include "render/Layer.h"
#include "render/Mesh.h"
#include "render/TexturedQuad.h"
#include "support/FakeEffect.h"
#include "support/RenderDeviceTest.h"
#include "support/SceneLayer.h"

namespace {

using namespace ds_states;

// ---- what is drawn ----

template <class V>
void MakeVertices(DS_VertexBuffer<V>& buffer, int count) {
  ASSERT_TRUE(SUCCEEDED(CreateVertexBuffer<V>(count, buffer, D3DUSAGE_WRITEONLY, D3DPOOL_MANAGED)));
  buffer.Write(count, [&](V* out) { std::memset(out, 0, sizeof(V) * size_t(count)); });
}

template <class V>
void MakeIndexedQuad(DS_IndexedMesh<V>& mesh) {
  MakeVertices(mesh.vertices, 4);
  mesh.primitiveType = D3DPT_TRIANGLELIST;
  mesh.primitiveCount = 2;
  ASSERT_TRUE(SUCCEEDED(CreateGridIndexBuffer(mesh.indices, 2, 2)));
}

// Counts its preparations: the layer prepares a mesh before it sets its states.
class PreparedQuad : public DS_PreparedMesh {
public:
  void Prepare(int argument) override { ++prepared; }
  int prepared = 0;
};

// One of every kind of geometry the drawing interface takes, with a texture and an
// effect of one pass that sets no state of its own.
struct Scene {
  ds_test::SceneLayer layer;
  DS_ComHolder<IDirect3DTexture9> texture;
  DS_ComHolder<IDirect3DTexture9> secondTexture;
  FakeEffect* effect = new FakeEffect();
  DS_IndexedMesh<DX_V::PT> indexedPT;
  DS_SimpleMesh<DX_V::PT2> pt2;
  DS_SimpleMesh<DX_V::PT> pt;
  DS_IndexedMesh<DX_V::PCT> pct;
  DS_Frame instance;
  DS_MeshNode node;
  DS_Frame child;
  DS_TexturedMesh<DX_V::PNT> twoPass;
  PreparedQuad prepared;
  DS_SimpleMesh<DX_V::SC> overlay;
  DX_V::SC overlayVertices[4] = {};
  DS_ScreenTexturedQuad targetQuad;
  DS_SimpleMesh<DX_V::PC> coloured;

  ~Scene() { effect->Release(); }

  void Build() {
    texture = ds_test::MakeTexture(4, 4, [](int, int) { return 0xFF808080u; });
    secondTexture = ds_test::MakeTexture(4, 4, [](int, int) { return 0x80FFFFFFu; });
    ASSERT_TRUE(texture && secondTexture);
    layer.MakeLayerQuad();
    layer.SetPictureSize(ds_test::kTestDeviceWidth, ds_test::kTestDeviceHeight);
    MakeIndexedQuad(indexedPT);
    MakeVertices(pt2.vertices, 4);
    pt2.primitiveCount = 2;
    MakeVertices(pt.vertices, 4);
    pt.primitiveCount = 2;
    MakeIndexedQuad(pct);
    MakeIndexedQuad(node);
    node.texture = texture;
    node.instances.push_back(&instance);
    MakeIndexedQuad(twoPass);
    twoPass.texture = texture;
    twoPass.children.push_back(&child);
    MakeIndexedQuad(prepared);
    prepared.texture = texture;
    DS_ScreenQuad screen;
    screen.SetCorners(10, 10, 100, 100);
    BuildOverlayQuad(overlay, 0x80FF0000, screen);
    BuildOverlayVertices(overlayVertices, 0x8000FF00, screen);
    SetScreenQuad(targetQuad, texture, screen);
    BuildColoredQuad(coloured, 0x800000FF, screen);
  }

  DS_SpriteArrayDraw Sprites(bool second, int additive) const {
    DS_SpriteArrayDraw sprites;
    sprites.geometry = &pct;
    sprites.texture = texture.Get();
    sprites.secondTexture = second ? secondTexture.Get() : nullptr;
    sprites.additive = additive;
    sprites.particleCount = 1;
    return sprites;
  }
};

// ---- the table ----

// One drawing operation: its draw and the rows it sets, in the order it sets them (a
// later row of the same state wins). Where a value depends on the object, the case
// draws one such object and lists the block it picks.
struct DrawCase {
  const char* operation;
  std::function<void(Scene&)> draw;
  std::vector<DS_StateBlock> rows;
};

const std::vector<DrawCase>& Cases() {
  static const std::vector<DrawCase> cases = {
      {"DS_2D_Light::OnDeviceRestored (the layer baseline)", [](Scene& s) { s.layer.OnDeviceRestored(); },
       {kLayerBaseline}},
      {"DS_2D_Light::Render (the picture)", [](Scene& s) { s.layer.Render(true); },
       {kPictureDraw.before, kPictureDraw.after}},
      {"DrawIndexedPT", [](Scene& s) { s.layer.DrawIndexedPT(s.indexedPT, s.effect); },
       {kEffectDraw.before, kEffectDraw.after}},
      {"DrawPT2", [](Scene& s) { s.layer.DrawPT2(s.pt2, s.effect); }, {kEffectDraw.before, kEffectDraw.after}},
      {"DrawPT", [](Scene& s) { s.layer.DrawPT(s.pt, s.effect); }, {kEffectDraw.before, kEffectDraw.after}},
      {"DrawIndexedPCT with an effect", [](Scene& s) { s.layer.DrawIndexedPCT(s.pct, s.effect, 2, 0.0f); },
       {kEffectDraw.before, kEffectDraw.after}},
      {"DrawIndexedPCT without an effect", [](Scene& s) { s.layer.DrawIndexedPCT(s.pct, nullptr, 2, 0.0f); },
       {kTexturedColourDraw.before, kTexturedColourDraw.after}},
      {"DrawIndexedPCTEffect", [](Scene& s) { s.layer.DrawIndexedPCTEffect(s.pct, s.effect); },
       {kEffectDraw.before, kEffectDraw.after}},
      {"DrawMeshNode", [](Scene& s) { s.layer.DrawMeshNode(s.node); },
       {kMeshNodeDraw.before, kMeshNodeDraw.after}},
      {"DrawMeshNode, two-sided",
       [](Scene& s) {
         s.node.twoSided = 1;
         s.layer.DrawMeshNode(s.node);
         s.node.twoSided = 0;
       },
       {kTwoSidedMeshNodeDraw.before, kTwoSidedMeshNodeDraw.after}},
      {"DrawSpriteArray, additive", [](Scene& s) { s.layer.DrawSpriteArray(s.Sprites(false, 1)); },
       {kSpriteArrayDraw.before, kAdditiveBlend, kSpriteArrayDraw.after}},
      {"DrawSpriteArray with a second texture, additive",
       [](Scene& s) { s.layer.DrawSpriteArray(s.Sprites(true, 1)); },
       {kSpriteArrayDraw.before, kAlphaBlend, kSpriteSecondTexture, kAdditiveBlend, kSpriteArrayDraw.after}},
      {"DrawMeshNodeTwoPass", [](Scene& s) { s.layer.DrawMeshNodeTwoPass(s.twoPass); },
       {kTwoPassMeshDraw.before, kTwoPassMeshDraw.after}},
      {"DrawTexturedIndexedPT", [](Scene& s) { s.layer.DrawTexturedIndexedPT(s.prepared, 0, 0); },
       {kPreparedMeshDraw.before, kPreparedMeshDraw.after}},
      {"DS_2D_Light::DrawOverlay", [](Scene& s) { s.layer.DrawOverlay(&s.overlay); },
       {kOverlayDraw.before, kOverlayDraw.after}},
      {"DS_2D_Light::DrawOverlayVertices", [](Scene& s) { s.layer.DrawOverlayVertices(s.overlayVertices); },
       {kOverlayDraw.before, kOverlayDraw.after}},
      {"DS_2D_Light::DrawTargetQuad", [](Scene& s) { s.layer.DrawTargetQuad(s.targetQuad); },
       {kTargetQuadDraw.before, kTargetQuadDraw.after}},
      {"DrawColoredPrimitive", [](Scene& s) { DrawColoredPrimitive(s.coloured); },
       {kVertexColourDraw.before, kVertexColourDraw.after}},
  };
  return cases;
}

// ---- states by name ----

typedef std::tuple<DS_StateKind, DWORD, DWORD> StateKey;

StateKey KeyOf(const DS_StateRow& row) { return StateKey(row.kind, row.unit, row.state); }

#define DS_STATE_NAME(x) \
  { DWORD(x), #x }
const std::map<DWORD, const char*> kRenderNames = {
    DS_STATE_NAME(D3DRS_ZENABLE),         DS_STATE_NAME(D3DRS_ZWRITEENABLE),   DS_STATE_NAME(D3DRS_LIGHTING),
    DS_STATE_NAME(D3DRS_SRCBLEND),        DS_STATE_NAME(D3DRS_DESTBLEND),      DS_STATE_NAME(D3DRS_CULLMODE),
    DS_STATE_NAME(D3DRS_ALPHABLENDENABLE), DS_STATE_NAME(D3DRS_TEXTUREFACTOR),
};
const std::map<DWORD, const char*> kStageNames = {
    DS_STATE_NAME(D3DTSS_COLOROP),       DS_STATE_NAME(D3DTSS_COLORARG1),     DS_STATE_NAME(D3DTSS_COLORARG2),
    DS_STATE_NAME(D3DTSS_ALPHAOP),       DS_STATE_NAME(D3DTSS_ALPHAARG1),     DS_STATE_NAME(D3DTSS_ALPHAARG2),
    DS_STATE_NAME(D3DTSS_TEXCOORDINDEX), DS_STATE_NAME(D3DTSS_TEXTURETRANSFORMFLAGS),
};
const std::map<DWORD, const char*> kSamplerNames = {
    DS_STATE_NAME(D3DSAMP_MINFILTER), DS_STATE_NAME(D3DSAMP_MAGFILTER), DS_STATE_NAME(D3DSAMP_ADDRESSU),
    DS_STATE_NAME(D3DSAMP_ADDRESSV),
};
#undef DS_STATE_NAME

std::string StateName(const StateKey& key) {
  const DS_StateKind kind = std::get<0>(key);
  const DWORD unit = std::get<1>(key);
  const DWORD state = std::get<2>(key);
  const std::map<DWORD, const char*>& names =
      kind == DS_StateKind::Render ? kRenderNames : (kind == DS_StateKind::Stage ? kStageNames : kSamplerNames);
  const auto found = names.find(state);
  std::ostringstream text;
  if (found != names.end()) {
    text << found->second;
  } else {
    text << "state " << state;
  }
  if (kind == DS_StateKind::Stage) text << " of stage " << unit;
  if (kind == DS_StateKind::Sampler) text << " of sampler " << unit;
  return text.str();
}

DWORD ReadState(IDirect3DDevice9* device, const StateKey& key) {
  DWORD value = 0xDEADBEEF;
  const DWORD unit = std::get<1>(key);
  const DWORD state = std::get<2>(key);
  switch (std::get<0>(key)) {
    case DS_StateKind::Render:
      device->GetRenderState(D3DRENDERSTATETYPE(state), &value);
      break;
    case DS_StateKind::Stage:
      device->GetTextureStageState(unit, D3DTEXTURESTAGESTATETYPE(state), &value);
      break;
    case DS_StateKind::Sampler:
      device->GetSamplerState(unit, D3DSAMPLERSTATETYPE(state), &value);
      break;
  }
  return value;
}

// ---- poison ----

// Every state any case names, with a poison value that no row of any case gives it:
// the smallest value from 2 up that no row uses. For the states named here that is a
// valid value (true for the switches), so every draw still runs as a draw. The cull
// modes a mesh draw sets per copy are left out of the rows: its last row (none) is
// what it leaves, and CW stays free as the poison.
std::map<StateKey, DWORD> PoisonedStates() {
  std::map<StateKey, std::vector<DWORD>> used;
  for (const DrawCase& c : Cases()) {
    for (const DS_StateBlock& block : c.rows) {
      for (const DS_StateRow& row : block) used[KeyOf(row)].push_back(row.value);
    }
  }
  std::map<StateKey, DWORD> poison;
  for (const auto& entry : used) {
    DWORD value = 2;
    while (std::find(entry.second.begin(), entry.second.end(), value) != entry.second.end()) ++value;
    poison[entry.first] = value;
  }
  return poison;
}

// What the case leaves in each state it names: the last row of that state.
std::map<StateKey, DWORD> Expected(const DrawCase& c) {
  std::map<StateKey, DWORD> expected;
  for (const DS_StateBlock& block : c.rows) {
    for (const DS_StateRow& row : block) expected[KeyOf(row)] = row.value;
  }
  return expected;
}

testing::AssertionResult StatesMatchRows(IDirect3DDevice9* device, const DrawCase& c,
                                         const std::map<StateKey, DWORD>& poison) {
  const std::map<StateKey, DWORD> expected = Expected(c);
  std::ostringstream failures;
  for (const auto& entry : poison) {
    const DWORD got = ReadState(device, entry.first);
    const auto row = expected.find(entry.first);
    if (row != expected.end()) {
      if (got != row->second) {
        failures << "\n  " << StateName(entry.first) << " is " << got << ", its row says " << row->second;
      }
    } else if (got != entry.second) {
      failures << "\n  " << StateName(entry.first) << " was set to " << got << " (poison " << entry.second
               << "), but no row of the operation names it";
    }
  }
  if (failures.str().empty()) return testing::AssertionSuccess();
  return testing::AssertionFailure() << c.operation << ":" << failures.str();
}

class DeviceStatesTest : public ds_test::RenderDeviceTest {};

TEST_F(DeviceStatesTest, EveryDrawingOperationSetsExactlyTheStatesOfItsRows) {
  Scene scene;
  scene.Build();
  ASSERT_FALSE(HasFatalFailure());
  const std::map<StateKey, DWORD> poison = PoisonedStates();
  std::vector<DS_StateRow> poisonRows;
  for (const auto& entry : poison) {
    const StateKey& key = entry.first;
    poisonRows.push_back(DS_StateRow{std::get<0>(key), std::get<1>(key), std::get<2>(key), entry.second});
  }
  for (const DrawCase& c : Cases()) {
    ApplyStates(device, DS_StateBlock(poisonRows.data(), poisonRows.size()));
    ASSERT_TRUE(SUCCEEDED(device->BeginScene()));
    c.draw(scene);
    device->EndScene();
    EXPECT_TRUE(StatesMatchRows(device, c, poison));
  }
  EXPECT_GT(scene.prepared.prepared, 0) << "the prepared mesh was drawn";
  EXPECT_GT(scene.effect->BeginCount(), 0) << "the effect draws ran their passes";
}

// The shared device starts every test from the layer's baseline, and from the
// device's own defaults where the baseline names nothing.
TEST_F(DeviceStatesTest, TheTestDeviceAppliesTheBaselineBetweenTests) {
  for (const DS_StateRow& row : DS_StateBlock(kLayerBaseline)) {
    EXPECT_EQ(row.value, ReadState(device, KeyOf(row))) << StateName(KeyOf(row)) << " on entry";
  }
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_ADD);
  device->SetTextureStageState(1, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
  device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_BORDER);
  ds_test::ApplyBaselineStates();
  EXPECT_EQ(DWORD(D3DTOP_SELECTARG1), ReadState(device, KeyOf(StageRow(0, D3DTSS_ALPHAOP, 0))))
      << "a stage state the baseline does not name is back to the device's default";
  EXPECT_EQ(DWORD(D3DTTFF_DISABLE), ReadState(device, KeyOf(StageRow(1, D3DTSS_TEXTURETRANSFORMFLAGS, 0))));
  EXPECT_EQ(DWORD(D3DTADDRESS_MIRROR), ReadState(device, KeyOf(SamplerRow(0, D3DSAMP_ADDRESSU, 0))));
}

}  // namespace
