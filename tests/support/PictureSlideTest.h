#pragma once
// Device tests of scene objects on a slide: one slide of a solid picture stretched
// over the test device, with a current resource manager that holds the picture and
// whatever else the test adds to the document's resources, and the scene mapping put
// back afterwards. Build does with an item what the slide show does with a slide;
// Frame draws one frame over a back buffer cleared to a colour no picture has.
// Header-only, for test executables that link ds_render and ds_document.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "render/SceneMapping.h"
#include "render/SlideContainer.h"
#include "render/ViewContext.h"
#include "support/DocResRecord.h"
#include "support/RenderDeviceTest.h"
#include "support/TestPictures.h"

namespace ds_test {

class PictureSlideTest : public RenderDeviceTest {
protected:
  static constexpr uint32_t kPictureColour = 0xFF3366CC;
  static constexpr uint32_t kClearColour = 0xFFFF00FF;
  static constexpr int kPictureWidth = 64;
  static constexpr int kPictureHeight = 32;

  void SetUp() override {
    RenderDeviceTest::SetUp();
    if (HasFatalFailure()) return;
    m_sceneWidth = g_SceneWidth;
    m_sceneHeight = g_SceneHeight;
    g_CurrentViewContext = &m_view;
    DocResRecord record;
    record.usedImages[PictureKey()] = {MakeFileEntry(L"picture.bmp", PictureBytes())};
    AddResources(record);
    bool ok = false;
    manager = ReadDocResRecord(WriteDocResRecord(3, record), &ok);
    ASSERT_TRUE(ok);
    SetCurrentDocResManager(manager.get());
  }
  void TearDown() override {
    slide.reset();
    SetCurrentDocResManager(nullptr);
    manager.reset();
    g_CurrentViewContext = nullptr;
    g_SceneWidth = m_sceneWidth;
    g_SceneHeight = m_sceneHeight;
    RenderDeviceTest::TearDown();
  }

  // What the document holds besides the picture.
  virtual void AddResources(DocResRecord& record) {}
  // The slide picture's file: by default kPictureWidth x kPictureHeight of kPictureColour.
  virtual std::vector<unsigned char> PictureBytes() const {
    return SolidBmp(kPictureWidth, kPictureHeight, kPictureColour);
  }

  static DS_FileKey PictureKey() { return DS_FileKey(L"C:\\scene\\picture.bmp", 21); }

  // A new slide with `item` (taken over) as its one visual item: built, activated and
  // sized as the slide show does, after the scene mapping of the picture.
  void Build(DS_ABObj_Constructor* item) {
    g_SceneWidth = kPictureWidth;
    g_SceneHeight = kPictureHeight;
    slide.reset(new DS_SlideContainer());
    slide->GetLight()->GetPictureLink().StoreKey(PictureKey());
    slide->AddVisualItem(item);
    slide->BuildObjects();
    slide->Activate();
    slide->SetFitType(DS_ViewContext::kFitStretch);
    slide->SetSize(kTestDeviceWidth, kTestDeviceHeight);
  }

  // The slide at time t, read back from the back buffer; drawing must end there.
  Image Frame(float t) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET, kClearColour, 1.0f, 0);
    slide->Update(t);
    EXPECT_EQ(D3D_OK, device->BeginScene());
    slide->Render(false);
    device->EndScene();
    DS_ComHolder<IDirect3DSurface9> target, back;
    device->GetRenderTarget(0, target.Receive());
    device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, back.Receive());
    EXPECT_EQ(back.Get(), target.Get()) << "drawing stayed in an off-screen target";
    Image image;
    EXPECT_TRUE(ReadBackBuffer(image));
    return image;
  }

  // Pixel (x, y) shows the picture; otherwise the image is saved as `name`.
  static testing::AssertionResult ShowsThePicture(const Image& image, int x, int y, const std::string& name) {
    const uint32_t got = image.RgbAt(x, y);
    if (got == (kPictureColour & 0xFFFFFF)) return testing::AssertionSuccess();
    return testing::AssertionFailure() << "(" << x << ", " << y << ") is " << ColorText(got)
                                       << ", expected the picture " << ColorText(kPictureColour & 0xFFFFFF)
                                       << "; saved as " << SaveFailureImage(image, name);
  }

  DS_ViewContext m_view;
  std::unique_ptr<DS_DocResManager> manager;
  std::unique_ptr<DS_SlideContainer> slide;

private:
  int m_sceneWidth = 0;
  int m_sceneHeight = 0;
};

}  // namespace ds_test
