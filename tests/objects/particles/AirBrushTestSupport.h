#pragma once
// Helpers of the air-brush and lightning tests: a reading stream over written bytes,
// reading an item back through the object registry, and a device fixture with a
// document resource manager, a 1:1 view of the test device, a layer whose scene
// texture is the test's own and small one-colour pictures.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "document/DocResManager.h"
#include "document/ResourceBuffer.h"
#include "document/StreamWriter.h"
#include "objects/particles/ParticlesObj.h"
#include "render/DeviceGlobals.h"
#include "render/Layer.h"
#include "render/ObjectModel.h"
#include "render/ViewContext.h"
#include "support/FakeEffect.h"
#include "support/RenderDeviceTest.h"

namespace airbrush_test {

struct Reading {
  explicit Reading(const std::vector<unsigned char>& bytes)
      : data(bytes), buffer(data.data(), data.size()), handle(new DS_IOF_R<ResourceBuffer>(&buffer)) {}
  std::vector<unsigned char> data;
  ResourceBuffer buffer;
  DS_IOF_Handle handle;
};

template <class Item>
std::vector<unsigned char> WrittenBytes(const Item& item) {
  DS_IOF_W w;
  item.Write(w);
  return w.Bytes();
}

// The item the registry makes from `bytes`, as T (null when it is something else or
// the record could not be read whole); `whole` tells whether every byte was used.
template <class T>
std::unique_ptr<T> ReadBack(const std::vector<unsigned char>& bytes, bool* whole = nullptr) {
  Reading reading(bytes);
  std::unique_ptr<DS_ABObj_Constructor> read(ReadAnyObject(reading.handle));
  if (whole) *whole = !reading.handle->Failed() && reading.handle->BytesLeft() == 0;
  T* typed = dynamic_cast<T*>(read.get());
  if (!typed) return nullptr;
  read.release();
  return std::unique_ptr<T>(typed);
}

const DS_FileKey kEffectKey(L"C:\\scene\\strokes.fx", 33);

class SceneLayer : public DS_2D_Light {
public:
  const DS_ComHolder<IDirect3DTexture9>& GetSceneTexture() const override { return scene; }
  void MakeLayerQuad() { m_layerQuad.CreateVertexBuffer(); }
  DS_ComHolder<IDirect3DTexture9> scene;
};

class StrokeDeviceTest : public ds_test::RenderDeviceTest {
protected:
  static constexpr D3DCOLOR kGrey = 0xFF404040;

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
    blue = MakeTexture(0xFF0000FF);
    greenSet.AddFrame(green.Get(), -1.0f);
    blueSet.AddFrame(blue.Get(), -1.0f);
    layer.scene = MakeTexture(0xFF808080);
    layer.MakeLayerQuad();
  }
  void TearDown() override {
    object.reset();
    SetCurrentDocResManager(nullptr);
    manager.reset();
    g_CurrentViewContext = nullptr;
    device->SetTexture(0, nullptr);
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

  // The effect the document embeds under kEffectKey, made by the fake factory.
  void EmbedEffect(DS_FileLink3& link) {
    DS_ResourceEntry entry;
    entry.SetName(L"strokes.fx");
    const unsigned char bytes[] = {'F', 'X', 1};
    entry.SetData(uint32_t(sizeof(bytes)), bytes);
    manager->Tables().fileLibrary[kEffectKey].push_back(entry);
    link.StoreKey(kEffectKey);
  }

  // The run-time object of `item`; returns its clone.
  template <class T>
  T& MakeObject(T& item) {
    object.reset(static_cast<DS_ParticlesObj*>(item.CreateObject()));
    return *static_cast<T*>(object->GetGenerator());
  }

  void Draw() {
    device->Clear(0, nullptr, D3DCLEAR_TARGET, kGrey, 1.0f, 0);
    device->BeginScene();
    view.ApplyTransforms();
    object->Render(&layer);
    device->EndScene();
  }

  void ExpectBackBufferIsTarget() {
    DS_ComHolder<IDirect3DSurface9> target, back;
    device->GetRenderTarget(0, target.Receive());
    device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, back.Receive());
    EXPECT_EQ(back.Get(), target.Get()) << "drawing stayed in an off-screen target";
  }

  // The techniques the effect was set to, in order.
  static std::vector<std::string> Techniques(const FakeEffect& effect) {
    std::vector<std::string> out;
    for (const std::string& e : effect.Events()) {
      if (e.rfind("SetTechnique ", 0) == 0) out.push_back(e.substr(13));
    }
    return out;
  }

  FakeEffectFactory factory;
  std::unique_ptr<DS_DocResManager> manager;
  DS_ViewContext view;
  SceneLayer layer;
  std::unique_ptr<DS_ParticlesObj> object;
  DS_ComHolder<IDirect3DTexture9> green, blue;
  DS_TextureSet greenSet, blueSet;
};

// Near-equality of vertex positions.
inline void ExpectNear(const D3DXVECTOR3& expected, const DX_V::PCT& v, const char* what, float tolerance = 1e-3f) {
  EXPECT_NEAR(expected.x, v.x, tolerance) << what;
  EXPECT_NEAR(expected.y, v.y, tolerance) << what;
  EXPECT_NEAR(expected.z, v.z, tolerance) << what;
}

}  // namespace airbrush_test
