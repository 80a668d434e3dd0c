// Direction and centre brushes on the test device: the region grids they build, and
// the brushes on a slide: what they hand their effect from the document, and that a
// brush without an effect leaves the picture as it was.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "DirBrushTestSupport.h"
#include "objects/brushes/CentreBrushes.h"
#include "objects/brushes/DirectionBrushes.h"
#include "objects/brushes/FireBrush.h"
#include "render/SceneMapping.h"
#include "render/SlideContainer.h"
#include "render/ViewContext.h"
#include "support/DocResRecord.h"
#include "support/PictureSlideTest.h"
#include "support/RenderDeviceTest.h"
#include "support/TestPictures.h"

using namespace brushes_test;
using namespace dirbrushes_test;

namespace {

const DS_FileKey kNoiseKey(L"C:\\scene\\noise.bmp", 22);
const DS_FileKey kCloudKey(L"C:\\scene\\cloud.bmp", 23);
const int kEffectId = 77;
const GUID kMaskGuid = {0x0DDBA11, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};

std::vector<DX_V::PT> ReadVertices(DS_GridMesh& mesh) {
  std::vector<DX_V::PT> out;
  if (mesh.vertices.Lock(D3DLOCK_READONLY)) {
    out.assign(mesh.vertices.locked, mesh.vertices.locked + mesh.vertices.vertexCount);
    mesh.vertices.Unlock();
  }
  return out;
}

void SetRegion(DS_FX_Constructor& brush) {
  // Scene pixels of the 64 x 32 picture: left-bottom, left-top, right-bottom, right-top.
  const D3DXVECTOR3 corners[4] = {{16, 24, 0}, {16, 8, 0}, {48, 24, 0}, {48, 8, 0}};
  for (int k = 0; k < 4; ++k) brush.region.Corner(k).StoreValue(corners[k]);
}

// A slide of the solid picture on the test device, whose document also holds a noise
// and a cloud picture, effect 77 and a mask.
class DirBrushSlideTest : public ds_test::PictureSlideTest {
protected:
  void AddResources(ds_test::DocResRecord& record) override {
    record.usedImages[kNoiseKey] = {ds_test::MakeFileEntry(L"noise.bmp", ds_test::SolidBmp(8, 8, 0xFF808080))};
    record.usedImages[kCloudKey] = {ds_test::MakeFileEntry(L"cloud.bmp", ds_test::SolidBmp(16, 16, 0xFFFFFFFF))};
    record.otherFiles[EffectKey(kEffectId)] = {
        ds_test::MakeModuleEntry(kEffectId, DS_FX_Constructor::kEffectModule, EffectBytes(kEffectId))};
    record.guids = {ds_test::MakeGuidPicture(kMaskGuid, ds_test::SolidBmp(8, 8, 0xFFFFFFFF))};
  }

  // The slide show's build of a slide, with the item read back from its record first,
  // as a document would hand it over.
  void Build(const DS_FX_Constructor& written) {
    std::unique_ptr<DS_ABObj_Constructor> item = ReadItem(WriteItem(written));
    ASSERT_NE(nullptr, item);
    PictureSlideTest::Build(item.release());
  }

  DS_FX_Constructor* Brush() const {
    if (slide->GetVisualObjects().empty()) return nullptr;
    DS_BrushObj* object = dynamic_cast<DS_BrushObj*>(slide->GetVisualObjects()[0].Get());
    return object ? object->GetBrush() : nullptr;
  }
  IDirect3DTexture9* PictureTexture() const { return slide->GetLight()->GetPictureRef().GetTexture(); }
  IDirect3DTexture9* FirstFrame(const DS_FileKey& key) { return manager->Tables().textureSets[key].GetFrame(0); }

  FakeEffectFactory factory;
};

TEST_F(DirBrushSlideTest, WaterfallOnASlideDrawsItsGridWithTheDocumentsNoise) {
  DS_WaterfallFX written;
  written.effectLink.StoreKey(EffectKey(kEffectId));
  written.SetMaskKey(kMaskGuid, L"mask", 1);
  written.noiseImage.StoreKey(kNoiseKey);
  written.noiseAmplitude.SetValue(100u);
  written.waveCount.SetValue(3u);
  written.speed.SetValue(50u);
  written.extent.SetValue(100u);
  SetRegion(written);
  Build(written);
  DS_WaterfallFX* brush = dynamic_cast<DS_WaterfallFX*>(Brush());
  ASSERT_NE(nullptr, brush);

  // The region grid, its texture coordinates addressing the picture.
  ASSERT_EQ(9, brush->RegionMesh().vertices.vertexCount);
  EXPECT_EQ(8, brush->RegionMesh().indices.primitiveCount);
  const std::vector<DX_V::PT> v = ReadVertices(brush->RegionMesh());
  ASSERT_EQ(9u, v.size());
  EXPECT_NEAR(16.0f, v[0].x, 1e-4f);
  EXPECT_NEAR(24.0f, v[0].y, 1e-4f);
  EXPECT_NEAR(0.25f, v[0].u, 1e-5f);
  EXPECT_NEAR(0.75f, v[0].v, 1e-5f);
  EXPECT_NEAR(0.75f, v[8].u, 1e-5f);
  EXPECT_NEAR(0.25f, v[8].v, 1e-5f);

  ASSERT_NE(nullptr, FirstFrame(kNoiseKey)) << "the document's noise picture was made";
  EXPECT_EQ(FirstFrame(kNoiseKey), brush->GetNoiseTexture());
  FakeEffect* effect = factory.LastEffect();
  ASSERT_NE(nullptr, effect);
  effect->ClearRecord();
  Frame(0.1f);
  EXPECT_EQ(4u, effect->CountEvents("BeginPass 0")) << "the noise pass and three bands";
  EXPECT_FALSE(effect->InBegin());
  EXPECT_EQ(static_cast<IDirect3DBaseTexture9*>(FirstFrame(kNoiseKey)), effect->Last("NoiseMap")->texture);
  EXPECT_EQ(static_cast<IDirect3DBaseTexture9*>(manager->GetGuidTexture(kMaskGuid).Get()), effect->Last("Mask")->texture);
  EXPECT_EQ(static_cast<IDirect3DBaseTexture9*>(PictureTexture()), effect->Last("Background")->texture);
}

TEST_F(DirBrushSlideTest, CloudGridSpansItsOwnTextureSpaceAndBindsTheCloudPicture) {
  DS_CloudFX written;
  written.effectLink.StoreKey(EffectKey(kEffectId));
  written.cloudImage.StoreKey(kCloudKey);
  SetRegion(written);
  Build(written);
  DS_CloudFX* brush = dynamic_cast<DS_CloudFX*>(Brush());
  ASSERT_NE(nullptr, brush);
  const std::vector<DX_V::PT> v = ReadVertices(brush->RegionMesh());
  ASSERT_EQ(9u, v.size());
  struct Expected {
    int index;
    float x, y, u, v;
  };
  // Vertex i + 3 j runs from corner 0 towards corner 1 with i, towards corner 2 with j.
  const Expected expected[] = {{0, 16, 24, 0, 0}, {2, 16, 8, 0, 1}, {6, 48, 24, 1, 0}, {8, 48, 8, 1, 1},
                               {4, 32, 16, 0.5f, 0.5f}};
  for (const Expected& e : expected) {
    EXPECT_NEAR(e.x, v[e.index].x, 1e-4f) << "vertex " << e.index;
    EXPECT_NEAR(e.y, v[e.index].y, 1e-4f) << "vertex " << e.index;
    EXPECT_NEAR(e.u, v[e.index].u, 1e-5f) << "vertex " << e.index;
    EXPECT_NEAR(e.v, v[e.index].v, 1e-5f) << "vertex " << e.index;
  }
  // The mask is reached from the region's coordinates in the 64 x 32 picture.
  const float* shift = brush->GetMaskShift();
  ExpectFloats({0.5f, 0.25f, -0.5f, 0.75f}, {shift[0], shift[1], shift[2], shift[3]}, "mask shift");

  FakeEffect* effect = factory.LastEffect();
  ASSERT_NE(nullptr, effect);
  Frame(0.1f);
  ASSERT_NE(nullptr, FirstFrame(kCloudKey));
  EXPECT_EQ(static_cast<IDirect3DBaseTexture9*>(FirstFrame(kCloudKey)), effect->Last("Background")->texture)
      << "the cloud picture, not the scene";
  EXPECT_EQ(1u, effect->CountEvents("BeginPass 0"));
}

TEST_F(DirBrushSlideTest, FXBendReadsTheSceneDrawnBeforeIt) {
  DS_BendFX written;
  written.effectLink.StoreKey(EffectKey(kEffectId));
  written.fxMode.SetValue(1);
  written.centre.SetValue(D3DXVECTOR3(16, 8, 0));
  Build(written);
  ASSERT_NE(nullptr, dynamic_cast<DS_BendFX*>(Brush()));
  EXPECT_EQ(9, Brush()->RegionMesh().vertices.vertexCount);
  FakeEffect* effect = factory.LastEffect();
  ASSERT_NE(nullptr, effect);
  Frame(0.1f);
  IDirect3DBaseTexture9* background = effect->Last("Background")->texture;
  ASSERT_NE(nullptr, background);
  EXPECT_NE(static_cast<IDirect3DBaseTexture9*>(PictureTexture()), background);
  EXPECT_EQ("MainFX", effect->CurrentTechnique());
  ExpectFloats({0.25f, 0.25f}, effect->LastValues("Center"), "Center");
}

TEST_F(DirBrushSlideTest, FXBrushesThatDrawOnlyTheirRegionLeaveThePictureAroundIt) {
  DS_WaterfallFX waterfall;
  waterfall.waveCount.SetValue(2u);
  waterfall.noiseAmplitude.SetValue(5u);
  DS_FireFX fire;
  const char* names[] = {"waterfall", "fire"};
  DS_FX_Constructor* brushes[] = {&waterfall, &fire};
  for (size_t i = 0; i < 2; ++i) {
    brushes[i]->fxMode.SetValue(1);
    brushes[i]->effectLink.StoreKey(EffectKey(kEffectId));
    SetRegion(*brushes[i]);
    Build(*brushes[i]);
    ASSERT_NE(nullptr, Brush()) << names[i];
    ASSERT_NE(nullptr, Brush()->GetEffect()) << names[i];
    const ds_test::Image image = Frame(0.1f);
    // The region covers the middle of the picture: x 80 to 240, y 60 to 180.
    for (const POINT p : {POINT{20, 20}, POINT{300, 220}, POINT{40, 200}}) {
      EXPECT_TRUE(ShowsThePicture(image, p.x, p.y, std::string("DirBrushRegionOnly_") + names[i])) << names[i];
    }
  }
}

TEST_F(DirBrushSlideTest, BrushesWithoutEffectLeaveThePictureAsItWas) {
  DS_MoveFX move;
  DS_WaterfallFX waterfall;
  waterfall.waveCount.SetValue(2u);
  waterfall.noiseAmplitude.SetValue(5u);
  DS_CloudFX cloud;
  DS_ExpandFX expand;
  DS_RadialWaveFX radial;
  DS_RotationFX rotation;
  DS_BendFX bend;
  const char* names[] = {"move", "waterfall", "cloud", "expand", "radial", "rotation", "bend"};
  DS_FX_Constructor* brushes[] = {&move, &waterfall, &cloud, &expand, &radial, &rotation, &bend};
  for (size_t i = 0; i < 7; ++i) {
    for (int fx : {0, 1}) {
      brushes[i]->fxMode.SetValue(fx);
      brushes[i]->effectLink.StoreKey(EffectKey(5));  // nothing embedded, no module
      Build(*brushes[i]);
      ASSERT_NE(nullptr, Brush()) << names[i];
      EXPECT_EQ(nullptr, Brush()->GetEffect()) << names[i];
      const ds_test::Image image = Frame(0.1f);
      EXPECT_TRUE(ShowsThePicture(image, ds_test::kTestDeviceWidth / 2, ds_test::kTestDeviceHeight / 2,
                                  std::string("DirBrushWithoutEffect_") + names[i]))
          << names[i] << ", fx mode " << fx;
    }
  }
}

}  // namespace
