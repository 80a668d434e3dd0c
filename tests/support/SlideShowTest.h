#pragma once
// Device tests of whole slide shows: a scene document read as the scene slot reads
// it, its slides built and its pictures placed, frames drawn through the show, and
// after each frame the device's own targets checked; the resource manager the
// document made current ends with the test. Header-only: only the test programs that
// link the scene libraries include it.

#include <d3d9.h>

#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "device/ComHolder.h"
#include "device/DeviceGlobals.h"
#include "document/DocResManager.h"
#include "document/SceneDocument.h"
#include "render/SlideShow.h"
#include "render/ViewContext.h"
#include "support/RenderDeviceTest.h"

namespace ds_test {

class SlideShowTest : public RenderDeviceTest {
protected:
  void SetUp() override {
    RenderDeviceTest::SetUp();
    if (HasFatalFailure()) return;
    device->GetDepthStencilSurface(m_depth.Receive());
    g_CurrentViewContext = &m_view;
  }
  void TearDown() override {
    Unload();
    m_depth.Release();
    g_CurrentViewContext = nullptr;
    RenderDeviceTest::TearDown();
  }

  // The show and the resource manager its document made current.
  void Unload() {
    m_show.reset();
    if (DS_DocResManager* manager = g_CurrentDocResManager) {
      SetCurrentDocResManager(nullptr);
      delete manager;
    }
  }

  // The document `bytes` read as the scene slot reads the embedded one.
  void Read(const std::vector<unsigned char>& bytes) {
    m_show.reset(LoadSceneDocumentFromMemory(bytes.data(), bytes.size()));
  }
  // The show's slide objects built and its pictures placed as `fitType` says.
  void Build(int fitType) {
    m_show->BuildSlideObjects();
    m_show->ApplyPicturePosition(fitType);
  }

  // One frame at `t` drawn through the show onto what the back buffer holds (cleared
  // to `clearColour` after the update when `clear`); what it then shows.
  Image ShowFrame(float t, bool clear = false, D3DCOLOR clearColour = 0) {
    m_show->Update(t);
    if (clear) device->Clear(0, nullptr, D3DCLEAR_TARGET, clearColour, 1.0f, 0);
    EXPECT_EQ(D3D_OK, device->BeginScene());
    m_show->Render(false);
    device->EndScene();
    EXPECT_TRUE(OwnTargets());
    Image image;
    EXPECT_TRUE(ReadBackBuffer(image));
    return image;
  }

  // Whether the device draws into its own back buffer and depth surface again.
  testing::AssertionResult OwnTargets() {
    DS_ComHolder<IDirect3DSurface9> target, back, depth;
    device->GetRenderTarget(0, target.Receive());
    device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, back.Receive());
    if (back.Get() != target.Get()) return testing::AssertionFailure() << "drawing stayed in an off-screen target";
    device->GetDepthStencilSurface(depth.Receive());
    if (m_depth.Get() != depth.Get()) return testing::AssertionFailure() << "the depth surface was not given back";
    return testing::AssertionSuccess();
  }

  // The device reset as the host resets it after a loss; the depth surface taken again.
  void ResetDevice() {
    m_depth.Release();
    ASSERT_EQ(D3D_OK, ResetTestDevice()) << "something still held a default-pool resource";
    device->GetDepthStencilSurface(m_depth.Receive());
  }

  // Lost device, reset, restore: what the host does.
  void LoseAndRestore() {
    m_show->OnDeviceLost();
    ResetDevice();
    if (HasFatalFailure()) return;
    m_show->OnDeviceRestored();
  }

  DS_ViewContext m_view;
  std::unique_ptr<DS_SlideShow_Light> m_show;
  DS_ComHolder<IDirect3DSurface9> m_depth;
};

}  // namespace ds_test
