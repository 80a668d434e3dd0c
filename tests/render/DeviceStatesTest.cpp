// The device states of the layer's drawing operations, read back from the real test
// device: every state that any operation's rows name is poisoned, the operation draws,
// and each state must then hold the value of the operation's own rows, or still the
// poison where it names none. A draw that sets a state its rows do not list, or does
// not set one they do, fails naming the operation and the state. Every draw's rows
// start from the layer baseline, which names every state a draw depends on (the table
// below): no draw leaves any of them to what the draws before it left. Then the state
// cache through which the states are set.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "host/FakeDevice9Base.h"
#include "render/DeviceStates.h"
#include "render/EffectPasses.h"
#include "render/Layer.h"
#include "render/Mesh.h"
#include "render/TexturedQuad.h"
#include "support/FakeEffect.h"
#include "support/RenderDeviceTest.h"
#include "support/SceneLayer.h"
#include "support/TestDevice.h"

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
  DS_ViewContext view;

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
// later row of the same state wins): the layer baseline, then the draw's differences,
// then what it sets on the spot. Where a value depends on the object, the case draws
// one such object and lists the block it picks.
struct DrawCase {
  const char* operation;
  std::function<void(Scene&)> draw;
  std::vector<DS_StateBlock> rows;
};

const std::vector<DrawCase>& Cases() {
  static const std::vector<DrawCase> cases = {
      {"DS_2D_Light::OnDeviceRestored (the layer baseline)", [](Scene& s) { s.layer.OnDeviceRestored(); },
       {kLayerBaseline, kLayerDraw.differences}},
      {"DS_2D_Light::Render (the picture)", [](Scene& s) { s.layer.Render(true); },
       {kLayerBaseline, kPictureDraw.differences}},
      {"DS_2D_Light::RenderSurround",
       [](Scene& s) {
         g_CurrentViewContext = &s.view;
         s.layer.RenderSurround(false);
         g_CurrentViewContext = nullptr;
       },
       {kLayerBaseline, kSurroundDraw.differences}},
      {"DrawIndexedPT", [](Scene& s) { s.layer.DrawIndexedPT(s.indexedPT, s.effect); },
       {kLayerBaseline, kEffectDraw.differences}},
      {"DrawPT2", [](Scene& s) { s.layer.DrawPT2(s.pt2, s.effect); }, {kLayerBaseline, kEffectDraw.differences}},
      {"DrawPT", [](Scene& s) { s.layer.DrawPT(s.pt, s.effect); }, {kLayerBaseline, kEffectDraw.differences}},
      {"DrawIndexedPCT with an effect", [](Scene& s) { s.layer.DrawIndexedPCT(s.pct, s.effect, 2, 0.0f); },
       {kLayerBaseline, kTexturedColourEffectDraw.differences}},
      {"DrawIndexedPCT without an effect", [](Scene& s) { s.layer.DrawIndexedPCT(s.pct, nullptr, 2, 0.0f); },
       {kLayerBaseline, kTexturedColourDraw.differences}},
      {"DrawIndexedPCTEffect", [](Scene& s) { s.layer.DrawIndexedPCTEffect(s.pct, s.effect); },
       {kLayerBaseline, kEffectDraw.differences}},
      {"DrawMeshNode", [](Scene& s) { s.layer.DrawMeshNode(s.node); },
       {kLayerBaseline, kMeshNodeDraw.differences, kCullCounterClockwise}},
      {"DrawMeshNode, two-sided",
       [](Scene& s) {
         s.node.twoSided = 1;
         s.layer.DrawMeshNode(s.node);
         s.node.twoSided = 0;
       },
       {kLayerBaseline, kTwoSidedMeshNodeDraw.differences, kCullCounterClockwise, kCullClockwise}},
      {"DrawSpriteArray, additive", [](Scene& s) { s.layer.DrawSpriteArray(s.Sprites(false, 1)); },
       {kLayerBaseline, kSpriteArrayDraw.differences, kAdditiveBlend}},
      {"DrawSpriteArray with a second texture, additive",
       [](Scene& s) { s.layer.DrawSpriteArray(s.Sprites(true, 1)); },
       {kLayerBaseline, kSpriteArrayDraw.differences, kAlphaBlend, kSpriteSecondTexture, kAdditiveBlend}},
      {"DrawMeshNodeTwoPass", [](Scene& s) { s.layer.DrawMeshNodeTwoPass(s.twoPass); },
       {kLayerBaseline, kTwoPassMeshDraw.differences, kCullCounterClockwise, kCullClockwise}},
      {"DrawTexturedIndexedPT", [](Scene& s) { s.layer.DrawTexturedIndexedPT(s.prepared, 0, 0); },
       {kLayerBaseline, kPreparedMeshDraw.differences}},
      {"DS_2D_Light::DrawOverlay", [](Scene& s) { s.layer.DrawOverlay(&s.overlay); },
       {kLayerBaseline, kOverlayDraw.differences}},
      {"DS_2D_Light::DrawOverlayVertices", [](Scene& s) { s.layer.DrawOverlayVertices(s.overlayVertices); },
       {kLayerBaseline, kOverlayDraw.differences}},
      {"DS_2D_Light::DrawTargetQuad", [](Scene& s) { s.layer.DrawTargetQuad(s.targetQuad); },
       {kLayerBaseline, kTargetQuadDraw.differences}},
      {"DrawColoredPrimitive", [](Scene& s) { DrawColoredPrimitive(s.coloured); },
       {kLayerBaseline, kVertexColourDraw.differences}},
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
    DS_STATE_NAME(D3DRS_ALPHABLENDENABLE), DS_STATE_NAME(D3DRS_TEXTUREFACTOR), DS_STATE_NAME(D3DRS_SPECULARENABLE),
    DS_STATE_NAME(D3DRS_FOGENABLE),        DS_STATE_NAME(D3DRS_ALPHATESTENABLE), DS_STATE_NAME(D3DRS_ALPHAREF),
    DS_STATE_NAME(D3DRS_ALPHAFUNC),        DS_STATE_NAME(D3DRS_BLENDOP),
    DS_STATE_NAME(D3DRS_SEPARATEALPHABLENDENABLE),
};
const std::map<DWORD, const char*> kStageNames = {
    DS_STATE_NAME(D3DTSS_COLOROP),       DS_STATE_NAME(D3DTSS_COLORARG1),     DS_STATE_NAME(D3DTSS_COLORARG2),
    DS_STATE_NAME(D3DTSS_ALPHAOP),       DS_STATE_NAME(D3DTSS_ALPHAARG1),     DS_STATE_NAME(D3DTSS_ALPHAARG2),
    DS_STATE_NAME(D3DTSS_TEXCOORDINDEX), DS_STATE_NAME(D3DTSS_TEXTURETRANSFORMFLAGS),
};
const std::map<DWORD, const char*> kSamplerNames = {
    DS_STATE_NAME(D3DSAMP_MINFILTER), DS_STATE_NAME(D3DSAMP_MAGFILTER), DS_STATE_NAME(D3DSAMP_ADDRESSU),
    DS_STATE_NAME(D3DSAMP_ADDRESSV), DS_STATE_NAME(D3DSAMP_MIPFILTER),
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
// valid value (true for the switches) but for the cull mode, whose three values the
// rows use: every draw sets its cull mode before it draws.
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
  device->SetTextureStageState(2, D3DTSS_COLOROP, D3DTOP_MODULATE);
  ds_test::ApplyBaselineStates();
  EXPECT_EQ(DWORD(D3DTOP_DISABLE), ReadState(device, KeyOf(StageRow(2, D3DTSS_COLOROP, 0))))
      << "a stage the baseline does not name is back to the device's default";
  EXPECT_EQ(DWORD(D3DTOP_SELECTARG1), ReadState(device, KeyOf(StageRow(0, D3DTSS_ALPHAOP, 0))))
      << "stage 0's alpha operation is back to the baseline's";
  EXPECT_EQ(DWORD(D3DTTFF_DISABLE), ReadState(device, KeyOf(StageRow(1, D3DTSS_TEXTURETRANSFORMFLAGS, 0))));
  EXPECT_EQ(DWORD(D3DTADDRESS_MIRROR), ReadState(device, KeyOf(SamplerRow(0, D3DSAMP_ADDRESSU, 0))));
}

// ---- what every draw depends on ----

DS_StateBlock One(const DS_StateRow& row) { return DS_StateBlock(&row, 1); }

DS_StateRow WithValue(DS_StateRow row, DWORD value) {
  row.value = value;
  return row;
}


// The render, texture-stage and sampler states a draw of the layer relies on: depth,
// lighting, fog, culling, alpha test and blending, the texture factor, the first
// sampler's filters and addressing, stage 0's operations, arguments and coordinates,
// and stage 1 (off for every drawing operation).
const DS_StateRow kDependsOn[] = {
    RenderRow(D3DRS_ZENABLE, 0),          RenderRow(D3DRS_ZWRITEENABLE, 0),
    RenderRow(D3DRS_LIGHTING, 0),         RenderRow(D3DRS_SPECULARENABLE, 0),
    RenderRow(D3DRS_FOGENABLE, 0),        RenderRow(D3DRS_CULLMODE, 0),
    RenderRow(D3DRS_ALPHATESTENABLE, 0),  RenderRow(D3DRS_ALPHAREF, 0),
    RenderRow(D3DRS_ALPHAFUNC, 0),        RenderRow(D3DRS_ALPHABLENDENABLE, 0),
    RenderRow(D3DRS_SRCBLEND, 0),         RenderRow(D3DRS_DESTBLEND, 0),
    RenderRow(D3DRS_BLENDOP, 0),          RenderRow(D3DRS_SEPARATEALPHABLENDENABLE, 0),
    RenderRow(D3DRS_TEXTUREFACTOR, 0),    SamplerRow(0, D3DSAMP_MINFILTER, 0),
    SamplerRow(0, D3DSAMP_MAGFILTER, 0),  SamplerRow(0, D3DSAMP_MIPFILTER, 0),
    SamplerRow(0, D3DSAMP_ADDRESSU, 0),   SamplerRow(0, D3DSAMP_ADDRESSV, 0),
    StageRow(0, D3DTSS_TEXCOORDINDEX, 0), StageRow(0, D3DTSS_TEXTURETRANSFORMFLAGS, 0),
    StageRow(0, D3DTSS_COLOROP, 0),       StageRow(0, D3DTSS_COLORARG1, 0),
    StageRow(0, D3DTSS_COLORARG2, 0),     StageRow(0, D3DTSS_ALPHAOP, 0),
    StageRow(0, D3DTSS_ALPHAARG1, 0),     StageRow(0, D3DTSS_ALPHAARG2, 0),
    StageRow(1, D3DTSS_TEXCOORDINDEX, 0), StageRow(1, D3DTSS_TEXTURETRANSFORMFLAGS, 0),
    StageRow(1, D3DTSS_COLOROP, 0),       StageRow(1, D3DTSS_COLORARG1, 0),
    StageRow(1, D3DTSS_ALPHAOP, 0),
};

// Every drawing operation's rows name every state of the list, the baseline names each
// once and nothing else, and a draw's differences name only states of the list: what
// a draw sets beyond the list is a special layer's own.
TEST(DrawStatesTableTest, EveryDrawNamesEveryStateItDependsOn) {
  std::map<StateKey, int> baseline;
  for (const DS_StateRow& row : DS_StateBlock(kLayerBaseline)) ++baseline[KeyOf(row)];
  EXPECT_EQ(std::size(kDependsOn), baseline.size()) << "the baseline names only states of the list";
  for (const DS_StateRow& row : kDependsOn) {
    const auto found = baseline.find(KeyOf(row));
    EXPECT_TRUE(found != baseline.end() && found->second == 1) << StateName(KeyOf(row)) << " in the layer baseline";
  }

  for (const DrawCase& c : Cases()) {
    const std::map<StateKey, DWORD> named = Expected(c);
    for (const DS_StateRow& row : kDependsOn) {
      EXPECT_EQ(1u, named.count(KeyOf(row))) << c.operation << " does not name " << StateName(KeyOf(row));
    }
    for (std::size_t block = 1; block < c.rows.size(); ++block) {
      for (const DS_StateRow& row : c.rows[block]) {
        EXPECT_EQ(1u, baseline.count(KeyOf(row))) << c.operation << " names " << StateName(KeyOf(row));
      }
    }
  }
}

// A special layer's states reach every draw on it, under the draw's own differences:
// here a layer that clamps the first sampler and modulates on stage 0.
class DifferingLayer : public ds_test::SceneLayer {
public:
  static constexpr DS_StateRow kStates[] = {
      SamplerRow(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP),
      StageRow(0, D3DTSS_COLOROP, D3DTOP_MODULATE),
      RenderRow(D3DRS_DITHERENABLE, TRUE),
  };

protected:
  DS_StateBlock LayerStates(const DS_DrawStates&) const override { return kStates; }
};

TEST_F(DeviceStatesTest, ASpecialLayersStatesReachEveryDrawOnItUnderTheDrawsOwn) {
  Scene scene;
  scene.Build();
  ASSERT_FALSE(HasFatalFailure());
  DifferingLayer layer;
  const StateKey addressU = KeyOf(SamplerRow(0, D3DSAMP_ADDRESSU, 0));
  const StateKey colorOp = KeyOf(StageRow(0, D3DTSS_COLOROP, 0));
  const StateKey dither = KeyOf(RenderRow(D3DRS_DITHERENABLE, 0));
  struct LayerCase {
    const char* operation;
    std::function<void()> draw;
    DWORD colorOp;
  };
  const LayerCase cases[] = {
      {"the mesh node (the layer's operation)", [&] { layer.DrawMeshNode(scene.node); }, D3DTOP_MODULATE},
      {"the overlay (its own operation)", [&] { layer.DrawOverlay(&scene.overlay); }, D3DTOP_SELECTARG1},
      {"the prepared mesh (its own operation)", [&] { layer.DrawTexturedIndexedPT(scene.prepared, 0, 0); },
       D3DTOP_SELECTARG1},
  };
  for (const LayerCase& c : cases) {
    ApplyStates(device, kLayerBaseline);
    ApplyStates(device, One(RenderRow(D3DRS_DITHERENABLE, FALSE)));
    ASSERT_TRUE(SUCCEEDED(device->BeginScene()));
    c.draw();
    device->EndScene();
    EXPECT_EQ(DWORD(D3DTADDRESS_CLAMP), ReadState(device, addressU)) << c.operation;
    EXPECT_EQ(c.colorOp, ReadState(device, colorOp)) << c.operation;
    EXPECT_EQ(DWORD(TRUE), ReadState(device, dither)) << c.operation << ": a state beyond the baseline";
  }
  ApplyStates(device, One(RenderRow(D3DRS_DITHERENABLE, FALSE)));
}

// ---- the state cache ----

// Counts the states set on it; refuses them all when told to.
class CountingDevice : public FakeDevice9Base {
public:
  HRESULT STDMETHODCALLTYPE SetRenderState(D3DRENDERSTATETYPE, DWORD) override { return Count(); }
  HRESULT STDMETHODCALLTYPE SetTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE, DWORD) override {
    return Count();
  }
  HRESULT STDMETHODCALLTYPE SetSamplerState(DWORD, D3DSAMPLERSTATETYPE, DWORD) override { return Count(); }
  int sets = 0;
  HRESULT answer = S_OK;

private:
  HRESULT Count() {
    ++sets;
    return answer;
  }
};

// One row of every kind the cache keeps, and the same state with another value.
struct CachedRowCase {
  const char* what;
  DS_StateRow row;
  DWORD otherValue;
};
const CachedRowCase kCachedRows[] = {
    {"render state", RenderRow(D3DRS_CULLMODE, D3DCULL_CW), D3DCULL_CCW},
    {"last render state", RenderRow(D3DRS_BLENDOPALPHA, D3DBLENDOP_ADD), D3DBLENDOP_MAX},
    {"stage state", StageRow(1, D3DTSS_COLOROP, D3DTOP_MODULATE), D3DTOP_DISABLE},
    {"last stage's state", StageRow(7, D3DTSS_CONSTANT, 5), 6},
    {"sampler state", SamplerRow(0, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP), D3DTADDRESS_MIRROR},
    {"vertex sampler's state", SamplerRow(D3DVERTEXTEXTURESAMPLER3, D3DSAMP_DMAPOFFSET, 1), 2},
};

TEST(DeviceStateCacheTest, SetsAValueOnceAndAChangedValueAgain) {
  for (const CachedRowCase& c : kCachedRows) {
    SCOPED_TRACE(c.what);
    ForgetDeviceStates();
    CountingDevice device;
    ApplyStates(&device, One(c.row));
    ApplyStates(&device, One(c.row));
    EXPECT_EQ(1, device.sets) << "the value the device holds is not set again";
    const DS_StateRow other = WithValue(c.row, c.otherValue);
    ApplyStates(&device, One(other));
    EXPECT_EQ(2, device.sets);
    ApplyStates(&device, One(c.row));
    EXPECT_EQ(3, device.sets) << "back to the first value";
  }
  ForgetDeviceStates();
}

// States beyond the cache's tables, values the device refused, a device that replaced
// the cache's own, and a forgotten cache: each row is set every time.
TEST(DeviceStateCacheTest, SetsAgainWhatItCannotKnow) {
  const DS_StateRow outside[] = {
      RenderRow(D3DRENDERSTATETYPE(400), 1),
      StageRow(8, D3DTSS_COLOROP, D3DTOP_MODULATE),
      SamplerRow(16, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP),
      SamplerRow(0, D3DSAMPLERSTATETYPE(14), 1),
  };
  ForgetDeviceStates();
  CountingDevice device;
  for (const DS_StateRow& row : outside) {
    const int before = device.sets;
    ApplyStates(&device, One(row));
    ApplyStates(&device, One(row));
    EXPECT_EQ(before + 2, device.sets) << "state " << row.state << " of unit " << row.unit;
  }

  const DS_StateRow row = kCachedRows[0].row;
  CountingDevice refusing;
  refusing.answer = D3DERR_INVALIDCALL;
  ApplyStates(&refusing, One(row));
  ApplyStates(&refusing, One(row));
  EXPECT_EQ(2, refusing.sets) << "a refused value is not known to be there";

  CountingDevice first, second;
  ApplyStates(&first, One(row));
  ApplyStates(&second, One(row));
  EXPECT_EQ(1, second.sets) << "another device";
  ApplyStates(&first, One(row));
  EXPECT_EQ(2, first.sets) << "the switch forgot the first device's states";

  ForgetDeviceStates();
  ApplyStates(&first, One(row));
  EXPECT_EQ(3, first.sets) << "forgotten";
  ForgetDeviceStates();
}

// On the real device: the cache never believes a value the device lost, whether a
// reset put the device back to its defaults or an effect's passes set states behind
// the cache.
TEST_F(DeviceStatesTest, TheCacheIsForgottenWhenTheDeviceResetsAndAfterEffectPasses) {
  const DS_StateRow clockwise = RenderRow(D3DRS_CULLMODE, D3DCULL_CW);
  const StateKey cull = KeyOf(clockwise);
  ApplyStates(device, One(clockwise));
  ASSERT_EQ(DWORD(D3DCULL_CW), ReadState(device, cull));
  ASSERT_TRUE(SUCCEEDED(ds_test::ResetTestDevice()));
  ASSERT_EQ(DWORD(D3DCULL_CCW), ReadState(device, cull)) << "the reset restored the default";
  ApplyStates(device, One(clockwise));
  EXPECT_EQ(DWORD(D3DCULL_CW), ReadState(device, cull)) << "after a reset";

  FakeEffect* effect = new FakeEffect();
  RunEffectPasses(effect, [&] { device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE); });
  effect->Release();
  ASSERT_EQ(DWORD(D3DCULL_NONE), ReadState(device, cull)) << "the pass ran";
  ApplyStates(device, One(clockwise));
  EXPECT_EQ(DWORD(D3DCULL_CW), ReadState(device, cull)) << "after an effect's passes";
}

}  // namespace
