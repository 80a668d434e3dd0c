#pragma once
// Helpers of the smoke and plant tests: a time line at a chosen opacity, a record's
// bytes with its header's version replaced, and a device fixture with a document
// resource manager (so an embedded effect reaches the generator as a recording fake),
// a layer, the view mapping picture pixels 1:1 onto the back buffer and small
// one-colour pictures.

#include <memory>
#include <vector>

#include "document/DocResManager.h"
#include "objects/particles/ParticlesObj.h"
#include "objects/particles/TexParticleGenerator.h"
#include "ParticleTestSupport.h"
#include "render/DeviceGlobals.h"
#include "render/Layer.h"
#include "render/TimeLine.h"
#include "render/ViewContext.h"
#include "support/FakeEffect.h"
#include "support/RenderDeviceTest.h"

namespace smokeplant_test {

// Opacity `alpha` of the item's time line: a window whose fade-in runs from 0 to 1 s.
inline void SetTimeLineAlpha(DS_ABObj_Constructor& item, float alpha) {
  DS_TimeLineControl& tl = item.TimeLine();
  tl.mode.SetValue(DS_TimeLineControl::kWindows);
  tl.AddWindow({0.0f, 100.0f, 1.0f, 99.0f});
  tl.SetWrappedTime(alpha);
}

// The written record of `item` with the version of its first header set to `version`.
template <class Item>
std::vector<unsigned char> WithVersion(const Item& item, const wchar_t* tag, int version) {
  std::vector<unsigned char> bytes = particles_test::WrittenBytes(item);
  DS_IOF_W header, replaced;
  WriteLevelHeader(header, tag, Item::kRecordVersion);
  WriteLevelHeader(replaced, tag, version);
  std::vector<unsigned char> out = replaced.Bytes();
  out.insert(out.end(), bytes.begin() + header.Bytes().size(), bytes.end());
  return out;
}

const DS_FileKey kEffectKey(L"C:\\scene\\smoke.fx", 33);

class GeneratorDeviceTest : public ds_test::RenderDeviceTest {
protected:
  void SetUp() override {
    RenderDeviceTest::SetUp();
    if (HasFatalFailure()) return;
    manager.reset(new DS_DocResManager());
    SetCurrentDocResManager(manager.get());
    view.FitPicture(ds_test::kTestDeviceWidth, ds_test::kTestDeviceHeight, ds_test::kTestDeviceWidth,
                    ds_test::kTestDeviceHeight, DS_ViewContext::kFitLetterbox);
    g_CurrentViewContext = &view;
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    green = MakeTexture(0xFF00FF00);
    greenSet.AddFrame(green.Get(), -1.0f);
  }
  void TearDown() override {
    object.reset();
    SetCurrentDocResManager(nullptr);
    manager.reset();
    g_CurrentViewContext = nullptr;
    if (device) device->SetTexture(0, nullptr);
    RenderDeviceTest::TearDown();
  }

  DS_ComHolder<IDirect3DTexture9> MakeTexture(D3DCOLOR color) {
    DS_ComHolder<IDirect3DTexture9> texture;
    if (FAILED(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, texture.Receive(), nullptr)))
      return texture;
    D3DLOCKED_RECT locked;
    if (SUCCEEDED(texture->LockRect(0, &locked, nullptr, 0))) {
      for (int y = 0; y < 4; ++y) {
        DWORD* row = reinterpret_cast<DWORD*>(static_cast<char*>(locked.pBits) + y * locked.Pitch);
        for (int x = 0; x < 4; ++x) row[x] = color;
      }
      texture->UnlockRect(0);
    }
    return texture;
  }

  // The document carries an effect under kEffectKey, and `item` names it.
  void EmbedEffect(DS_TexParticleGenerator& item) {
    DS_ResourceEntry entry;
    entry.SetName(L"smoke.fx");
    const unsigned char bytes[] = {'F', 'X', 1};
    entry.SetData(uint32_t(sizeof(bytes)), bytes);
    manager->Tables().fileLibrary[kEffectKey].push_back(entry);
    item.effectLink.StoreKey(kEffectKey);
  }

  // The run-time object of `item`; its clone draws with the green picture.
  template <class Item>
  Item& MakeObject(Item& item) {
    object.reset(static_cast<DS_ParticlesObj*>(item.CreateObject()));
    Item& clone = *static_cast<Item*>(object->GetGenerator());
    clone.textureSets = {&greenSet};
    return clone;
  }

  // One frame onto a grey back buffer: the object's update at `t`, then its drawing.
  void Frame(float t) {
    object->Update(t);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF404040, 1.0f, 0);
    device->BeginScene();
    view.ApplyTransforms();
    object->Render(&layer);
    device->EndScene();
  }

  // Slot 0's vertices as they stand.
  std::vector<DX_V::PCT> SlotVertices() {
    std::vector<DX_V::PCT> out;
    const unsigned count = object->GetQuadCount(0);
    DX_V::PCT* v = count ? object->LockQuads(0) : nullptr;
    if (!v) return out;
    out.assign(v, v + 4 * count);
    object->UnlockQuads(0);
    return out;
  }

  FakeEffectFactory factory;
  std::unique_ptr<DS_DocResManager> manager;
  DS_ViewContext view;
  DS_2D_Light layer;
  std::unique_ptr<DS_ParticlesObj> object;
  DS_ComHolder<IDirect3DTexture9> green;
  DS_TextureSet greenSet;
};

}  // namespace smokeplant_test
