// The lake layer: its record in both versions and against truncation, the mirror and
// tint formulas, the water geometry it builds on the device, the reflection drawn
// below the water line, the bump stages, and a lost device.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>

#include "LayerDocument.h"
#include "device/DeviceGlobals.h"
#include "render/layers/LakeLayer.h"
#include "support/TestPictures.h"

using namespace layer_test;
using slides_test::EmbeddedPicture;

namespace {

const GUID kLakeGuid = {0x11223344, 0x5566, 0x7788, {0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF, 0x01}};
const DS_FileKey kPictureKey(L"C:\\scene\\lake.bmp", 21);

bool SameGuid(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }

// ---- record ----

FakeLake2D* MakeLake() {
  FakeLake2D* lake = new FakeLake2D();
  lake->bumpTiling.SetValue(200);
  lake->speed.SetValue(75);
  lake->waterLevel.SetValue(0);
  lake->relief.SetValue(40);
  lake->tintOpacity.SetValue(100);
  lake->lineFade.SetValue(10);
  lake->lineCount.SetValue(9);
  lake->bandHeight.SetValue(12);
  lake->reflectionSize.SetValue(2);
  lake->tint.SetValue(0xFF112233);  // the top byte survives the int32 element
  lake->guid = kLakeGuid;
  lake->name = L"Mountain lake";
  lake->byteFlag = 0;
  lake->GetPictureLink().StoreKey(kPictureKey);
  lake->GetCamera().on.SetValue(1);
  return lake;
}

TEST(LakeRecord, VersionTwoRoundTripsEveryField) {
  std::unique_ptr<FakeLake2D> written(MakeLake());
  DS_IOF_W stream;
  written->Write(stream);
  std::unique_ptr<DS_2D_Light> read = ReadLayer(stream.Bytes(), stream.Bytes().size(), true);
  FakeLake2D* lake = dynamic_cast<FakeLake2D*>(read.get());
  ASSERT_NE(nullptr, lake) << "not read back as a lake";
  EXPECT_EQ(200u, lake->bumpTiling.GetValue());
  EXPECT_FLOAT_EQ(2.0f, lake->bumpTiling.GetResult());
  EXPECT_EQ(75u, lake->speed.GetValue());
  EXPECT_FLOAT_EQ(1.5f, lake->speed.GetSpeed());
  EXPECT_EQ(0u, lake->waterLevel.GetValue());
  EXPECT_FLOAT_EQ(0.5f, lake->waterLevel.GetResult());
  EXPECT_EQ(40u, lake->relief.GetValue());
  EXPECT_EQ(100u, lake->tintOpacity.GetValue());
  EXPECT_FLOAT_EQ(0.8f, lake->tintOpacity.GetResult());
  EXPECT_EQ(10u, lake->lineFade.GetValue());
  EXPECT_EQ(9u, lake->lineCount.GetValue());
  EXPECT_EQ(12u, lake->bandHeight.GetValue());
  EXPECT_EQ(2, lake->reflectionSize.GetValue());
  EXPECT_EQ(0xFF112233ul, lake->tint.GetValue());
  EXPECT_TRUE(SameGuid(kLakeGuid, lake->guid));
  EXPECT_EQ(L"Mountain lake", lake->name);
  EXPECT_EQ(0, lake->byteFlag);
  EXPECT_TRUE(lake->GetPictureLink().GetKey() == kPictureKey);
  EXPECT_EQ(1, lake->GetCamera().on.GetValue());

  DS_IOF_W again;
  lake->Write(again);
  EXPECT_EQ(stream.Bytes(), again.Bytes()) << "writing what was read changed the record";
}

TEST(LakeRecord, VersionOneHoldsOnlyGuidNameFlagAndBase) {
  DS_IOF_W stream;
  WriteLevelHeader(stream, L"FakeLake2D", 1);
  DS_IOF_Virtual::WriteGuid(stream, kLakeGuid);
  stream.WriteString(L"Old lake");
  stream.WriteByte(0);
  DS_2D_Light base;
  base.GetPictureLink().StoreKey(kPictureKey);
  base.Write(stream);

  std::unique_ptr<DS_2D_Light> read = ReadLayer(stream.Bytes(), stream.Bytes().size(), true);
  FakeLake2D* lake = dynamic_cast<FakeLake2D*>(read.get());
  ASSERT_NE(nullptr, lake);
  EXPECT_TRUE(SameGuid(kLakeGuid, lake->guid));
  EXPECT_EQ(L"Old lake", lake->name);
  EXPECT_EQ(0, lake->byteFlag);
  EXPECT_TRUE(lake->GetPictureLink().GetKey() == kPictureKey);
  // The defaults stand for everything version 1 does not store.
  EXPECT_FLOAT_EQ(1.0f, lake->bumpTiling.GetResult());
  EXPECT_FLOAT_EQ(1.0f, lake->speed.GetSpeed());
  EXPECT_FLOAT_EQ(0.375f, lake->waterLevel.GetResult());
  EXPECT_FLOAT_EQ(0.248f, lake->tintOpacity.GetResult());
  EXPECT_FLOAT_EQ(0.58f, lake->lineFade.GetResult());
  EXPECT_EQ(25u, lake->lineCount.GetValue());
  EXPECT_EQ(7u, lake->bandHeight.GetValue());
  EXPECT_EQ(1, lake->reflectionSize.GetValue());
  EXPECT_EQ(0x00408000ul, lake->tint.GetValue());
}

TEST(LakeRecord, EveryCutOfTheRecordFailsWithoutALayer) {
  std::unique_ptr<FakeLake2D> written(MakeLake());
  DS_IOF_W stream;
  written->Write(stream);
  const std::vector<unsigned char>& bytes = stream.Bytes();
  for (size_t size = 0; size < bytes.size(); ++size) {
    EXPECT_EQ(nullptr, ReadLayer(bytes, size, false)) << "a record cut at " << size << " bytes was accepted";
  }
}

TEST(LakeRecord, ABadGuidTextKeepsTheLayersOwnGuid) {
  DS_IOF_W stream;
  WriteLevelHeader(stream, L"FakeLake2D", 1);
  stream.WriteString(L"{not a guid}");
  stream.WriteString(L"");
  stream.WriteByte(1);
  DS_2D_Light().Write(stream);
  std::unique_ptr<DS_2D_Light> read = ReadLayer(stream.Bytes(), stream.Bytes().size(), true);
  FakeLake2D* lake = dynamic_cast<FakeLake2D*>(read.get());
  ASSERT_NE(nullptr, lake);
  const GUID none = {};
  EXPECT_FALSE(SameGuid(none, lake->guid)) << "the layer should keep the GUID it was made with";
}

// ---- formulas ----

struct MirrorCase {
  float level;
  float waterLine;  // y of the water line on an 800 x 600 picture
  float lineV, bottomV;
};

class LakeMirrorTest : public ::testing::TestWithParam<MirrorCase> {};

TEST_P(LakeMirrorTest, TheBandAboveTheLineShowsUpsideDownBelowIt) {
  const MirrorCase& c = GetParam();
  DS_ScreenQuad picture;
  picture.SetCorners(0, 0, 800, 600);
  const DS_ScreenQuad cut = LakeMirrorCut(picture, c.level);
  EXPECT_FLOAT_EQ(c.waterLine, cut.Top());
  EXPECT_FLOAT_EQ(600.0f, cut.Bottom());
  EXPECT_FLOAT_EQ(0.0f, cut.Left());
  EXPECT_FLOAT_EQ(800.0f, cut.Right());
  EXPECT_FLOAT_EQ(c.lineV, cut.v[DS_ScreenQuad::kLeftTop].v);
  EXPECT_FLOAT_EQ(c.lineV, cut.v[DS_ScreenQuad::kRightTop].v);
  EXPECT_FLOAT_EQ(c.bottomV, cut.v[DS_ScreenQuad::kLeftBottom].v);
  EXPECT_FLOAT_EQ(c.bottomV, cut.v[DS_ScreenQuad::kRightBottom].v);
  EXPECT_FLOAT_EQ(0.0f, cut.v[DS_ScreenQuad::kLeftTop].u);
  EXPECT_FLOAT_EQ(1.0f, cut.v[DS_ScreenQuad::kRightBottom].u);
}

INSTANTIATE_TEST_SUITE_P(Levels, LakeMirrorTest,
                         ::testing::Values(MirrorCase{0.375f, 375.0f, 0.625f, 0.25f},  // the default
                                           MirrorCase{0.5f, 300.0f, 0.5f, 0.0f},       // stored 0: half the picture
                                           MirrorCase{0.0f, 600.0f, 1.0f, 1.0f}));     // stored 100: no water

struct BandCase {
  float water, picture;
  unsigned band;
  float level;
  int expected;
};

class LakeBandTest : public ::testing::TestWithParam<BandCase> {};

TEST_P(LakeBandTest, BandPixels) {
  const BandCase& c = GetParam();
  EXPECT_EQ(c.expected, LakeBandPixels(c.water, c.picture, c.band, c.level));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LakeBandTest,
    ::testing::Values(BandCase{225.0f, 600.0f, 7, 0.375f, 7},  // water cut from the picture: the stored height
                      // the default level as the stored value makes it, with its rounding
                      BandCase{600.0f - (600.0f - (0.5f - 0.005f * 25) * 600.0f), 600.0f, 7, 0.5f - 0.005f * 25, 7},
                      BandCase{0.0f, 600.0f, 7, 0.0f, 0},               // no water: 0 / 0 gives no band
                      BandCase{300.0f, 0.0f, 7, 0.5f, 0},               // a picture without height
                      BandCase{300.0f, 600.0f, 0xFFFFFFFFu, 0.5f, 65535}));  // a band past any picture

TEST(LakeFormulas, TintSwapsRedAndBlueForTheVertexColour) {
  EXPECT_EQ(0x00008040u, LakeTintVertexColor(0x00408000));
  EXPECT_EQ(0x00332211u, LakeTintVertexColor(0x00112233));
  EXPECT_EQ(0x00332211u, LakeTintVertexColor(0xFF112233)) << "the stored top byte is no alpha";
}

TEST(LakeFormulas, BumpMatrixTurnsAtFourAndAHalfRadiansPerSecond) {
  struct Case {
    float time;
    float e00, e01, e10, e11;
  };
  const float q = float(3.14159265358979 / 2 / 4.5);  // a quarter turn
  const Case cases[] = {
      {0.0f, 0.04f, 0.0f, 0.0f, 0.04f},
      {q, 0.0f, -0.04f, 0.04f, 0.0f},
      {2 * q, -0.04f, 0.0f, 0.0f, -0.04f},
  };
  for (const Case& c : cases) {
    float m[4];
    LakeBumpMatrix(c.time, m);
    EXPECT_NEAR(c.e00, m[0], 1e-6) << "t = " << c.time;
    EXPECT_NEAR(c.e01, m[1], 1e-6) << "t = " << c.time;
    EXPECT_NEAR(c.e10, m[2], 1e-6) << "t = " << c.time;
    EXPECT_NEAR(c.e11, m[3], 1e-6) << "t = " << c.time;
  }
}

TEST(LakeFormulas, ReflectionSideIsBoundedForAnyStoredSize) {
  const int cases[][2] = {{0, 128}, {1, 256}, {2, 512}, {5, 4096}, {6, 4096}, {1000, 4096}, {-1, 128}, {INT32_MIN, 128}};
  for (const auto& c : cases) EXPECT_EQ(c[1], LakeReflectionSide(c[0])) << "size " << c[0];
}

TEST(LakeFormulas, UpdateAdvancesTheShimmerClockBySpeedScaledTime) {
  FakeLake2D lake;
  lake.speed.SetValue(100);  // 2.0
  lake.Update(0.0f);
  lake.Update(0.1f);
  float expected[4];
  LakeBumpMatrix(0.2f, expected);
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(expected[i], lake.GetBumpMatrix()[i], 1e-6);
}

// ---- on the device ----

const int kW = ds_test::kTestDeviceWidth;
const int kH = ds_test::kTestDeviceHeight;
const uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;

// Bands across the picture: red above y 60, green to y 120, blue below.
std::vector<unsigned char> BandPicture() {
  return slides_test::MakeBmp(kW, kH, [](int, int y) { return y < 60 ? kRed : (y < 120 ? kGreen : kBlue); });
}

class LakeDeviceTest : public LayerDocumentTest {
protected:
  // One lake slide over `picture` (empty: the band picture); `setup` adjusts the
  // written lake. With `withBump` the document holds its bump map under the lake's
  // GUID: `bump` (empty: flat grey).
  FakeLake2D* LoadLake(const std::function<void(FakeLake2D&)>& setup, bool withBump = false,
                       const std::vector<unsigned char>& bump = {}, const std::vector<unsigned char>& picture = {}) {
    DS_SlideShow_Light written;
    DS_SlideContainer* slide = new DS_SlideContainer();
    FakeLake2D* lake = new FakeLake2D();
    lake->GetPictureLink().StoreKey(kPictureKey);
    lake->guid = kLakeGuid;
    setup(*lake);
    slide->SetLight(lake);
    written.AddSlide(slide);
    std::vector<GuidPicture> bumps;
    if (withBump) bumps.push_back({kLakeGuid, bump.empty() ? slides_test::MakeSolidBmp(16, 16, 0x808080) : bump});
    Load(written, {{kPictureKey, picture.empty() ? BandPicture() : picture}}, bumps);
    FakeLake2D* loaded = dynamic_cast<FakeLake2D*>(Layer(0));
    EXPECT_NE(nullptr, loaded);
    return loaded;
  }

  template <class V>
  std::vector<V> ReadVertices(const DS_SimpleMesh<V>& mesh) {
    return layer_test::ReadVertices(mesh.vertices);
  }
};

TEST_F(LakeDeviceTest, WaterQuadMirrorsTheBandAboveTheLineWithTiledBumpCoordinates) {
  FakeLake2D* lake = LoadLake([](FakeLake2D& l) { l.bumpTiling.SetValue(200); });
  ASSERT_NE(nullptr, lake);
  const std::vector<DX_V::PT2> water = ReadVertices(lake->GetWaterQuad());
  ASSERT_EQ(6u, water.size());
  EXPECT_EQ(D3DPT_TRIANGLELIST, lake->GetWaterQuad().primitiveType);
  EXPECT_EQ(2, lake->GetWaterQuad().primitiveCount);
  // 320 x 240 picture, level 0.375: the water line at y 150.
  struct Expected {
    float x, y, u1, v1, u2, v2;
  };
  const Expected expected[6] = {
      {0, 150, 0.01f, 0.01f, 0, 0.625f}, {0, 240, 0.01f, 2.0f, 0, 0.25f},   {320, 240, 2.0f, 2.0f, 1, 0.25f},
      {0, 150, 0.01f, 0.01f, 0, 0.625f}, {320, 240, 2.0f, 2.0f, 1, 0.25f}, {320, 150, 2.0f, 0.01f, 1, 0.625f},
  };
  for (int i = 0; i < 6; ++i) {
    EXPECT_NEAR(expected[i].x, water[i].x, 1e-3) << "vertex " << i;
    EXPECT_NEAR(expected[i].y, water[i].y, 1e-3) << "vertex " << i;
    EXPECT_EQ(0.0f, water[i].z);
    EXPECT_NEAR(expected[i].u1, water[i].u1, 1e-6) << "vertex " << i;
    EXPECT_NEAR(expected[i].v1, water[i].v1, 1e-6) << "vertex " << i;
    EXPECT_NEAR(expected[i].u2, water[i].u2, 1e-6) << "vertex " << i;
    EXPECT_NEAR(expected[i].v2, water[i].v2, 1e-6) << "vertex " << i;
  }
}

TEST_F(LakeDeviceTest, TintQuadsCarryTheSwappedTintWithGradedAlphas) {
  FakeLake2D* lake = LoadLake([](FakeLake2D&) {});
  ASSERT_NE(nullptr, lake);
  const std::vector<DX_V::PC> tint = ReadVertices(lake->GetTintQuad());
  const std::vector<DX_V::PC> line = ReadVertices(lake->GetLineQuad());
  ASSERT_EQ(4u, tint.size());
  ASSERT_EQ(4u, line.size());
  // Strip order: left-bottom, left-top, right-bottom, right-top. Defaults: opacity
  // 0.248 -> alpha 63 at the bottom, 0.248 x 0.42 -> 26 along the water line.
  const D3DCOLOR bottom = 0x3F008040, atLine = 0x1A008040, clear = 0x00008040;
  EXPECT_EQ(bottom, tint[0].color);
  EXPECT_EQ(atLine, tint[1].color);
  EXPECT_EQ(bottom, tint[2].color);
  EXPECT_EQ(atLine, tint[3].color);
  EXPECT_FLOAT_EQ(150.0f, tint[1].y);
  EXPECT_FLOAT_EQ(240.0f, tint[0].y);
  EXPECT_EQ(clear, line[0].color);
  EXPECT_EQ(atLine, line[1].color);
  EXPECT_EQ(clear, line[2].color);
  EXPECT_EQ(atLine, line[3].color);
  // The soft band: 7 pixels below the line, across the picture.
  EXPECT_FLOAT_EQ(150.0f, line[1].y);
  EXPECT_FLOAT_EQ(157.0f, line[0].y);
  EXPECT_FLOAT_EQ(0.0f, line[0].x);
  EXPECT_FLOAT_EQ(320.0f, line[2].x);
}

TEST_F(LakeDeviceTest, ReflectionTextureFollowsTheStoredSize) {
  const int cases[][2] = {{1, 256}, {2, 512}, {0, 128}, {-5, 128}, {30, 4096}};
  for (const auto& c : cases) {
    FakeLake2D* lake = LoadLake([&](FakeLake2D& l) { l.reflectionSize.SetValue(c[0]); });
    ASSERT_NE(nullptr, lake);
    ASSERT_NE(nullptr, lake->GetReflection()) << "size " << c[0];
    D3DSURFACE_DESC desc = {};
    lake->GetReflection()->GetLevelDesc(0, &desc);
    EXPECT_EQ(UINT(c[1]), desc.Width) << "size " << c[0];
    EXPECT_EQ(UINT(c[1]), desc.Height) << "size " << c[0];
    EXPECT_EQ(D3DFMT_A8R8G8B8, desc.Format);
    EXPECT_EQ(D3DPOOL_MANAGED, desc.Pool);
    m_show.reset();
    DS_DocResManager* manager = g_CurrentDocResManager;
    SetCurrentDocResManager(nullptr);
    delete manager;
  }
}

TEST_F(LakeDeviceTest, BelowTheWaterLineThePictureShowsUpsideDown) {
  FakeLake2D* lake = LoadLake([](FakeLake2D& l) {
    l.waterLevel.SetValue(0);   // half the picture
    l.tintOpacity.SetValue(0);  // no tint
  });
  ASSERT_NE(nullptr, lake);
  ASSERT_EQ(nullptr, lake->GetBumpTexture());
  // As a glass-ball slide leaves the sampler: the water reads the reflection's mips.
  device->SetSamplerState(1, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
  device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
  const ds_test::Image image = Frame(10.0f);
  device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
  device->SetSamplerState(1, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
  ASSERT_EQ(kW, image.width);
  for (int x : {10, kW / 2, kW - 10}) {
    // Above the line the picture; below it picture row 240 - y.
    EXPECT_TRUE(ds_test::PixelNear(image, x, 30, kRed, 2)) << "sky";
    EXPECT_TRUE(ds_test::PixelNear(image, x, 90, kGreen, 2)) << "shore";
    EXPECT_TRUE(ds_test::PixelNear(image, x, 135, kGreen, 6)) << "reflected shore";
    EXPECT_TRUE(ds_test::PixelNear(image, x, 170, kGreen, 6)) << "reflected shore";
    EXPECT_TRUE(ds_test::PixelNear(image, x, 200, kRed, 6)) << "reflected sky";
    EXPECT_TRUE(ds_test::PixelNear(image, x, 235, kRed, 6)) << "reflected sky";
  }
}

// How many sampled pixels of rows top..bottom differ between two frames.
int PixelsThatDiffer(const ds_test::Image& a, const ds_test::Image& b, int top, int bottom, int* total) {
  int count = 0;
  *total = 0;
  for (int y = top; y < bottom; y += 5) {
    for (int x = 2; x < kW; x += 5) {
      ++*total;
      if (!ds_test::ColoursNear(a.RgbAt(x, y), b.RgbAt(x, y), 3)) ++count;
    }
  }
  return count;
}

TEST_F(LakeDeviceTest, TheBumpMapRipplesTheReflectionAndTheRipplesTurn) {
  const auto halfWater = [](FakeLake2D& l) {
    l.waterLevel.SetValue(0);
    l.tintOpacity.SetValue(0);
  };
  ASSERT_NE(nullptr, LoadLake(halfWater, false, {}, ds_test::GradientBmp(kW, kH)));
  const ds_test::Image still = Frame(10.0f);
  ASSERT_NE(nullptr, LoadLake(halfWater, true, ds_test::UnevenGreyBmp(16), ds_test::GradientBmp(kW, kH)));
  const ds_test::Image first = Frame(10.0f);
  // Half a second later the ripples have turned by over two radians.
  ds_test::Image second;
  for (float t = 10.1f; t < 10.55f; t += 0.1f) second = Frame(t);
  int total = 0;
  EXPECT_EQ(0, PixelsThatDiffer(first, still, 0, kH / 2 - 5, &total))
      << "above the water; saved as " << ds_test::SaveFailureImage(first, "LakeRipples");
  EXPECT_GT(PixelsThatDiffer(first, still, kH / 2 + 5, kH, &total) * 2, total)
      << "the reflection is not rippled; saved as " << ds_test::SaveFailureImage(first, "LakeRipples") << " and "
      << ds_test::SaveFailureImage(still, "LakeStill");
  EXPECT_GT(PixelsThatDiffer(second, first, kH / 2 + 5, kH, &total) * 4, total)
      << "the ripples stood still; saved as " << ds_test::SaveFailureImage(second, "LakeRipplesLater");
}

TEST_F(LakeDeviceTest, AnOpaqueTintCoversTheWater) {
  FakeLake2D* lake = LoadLake([](FakeLake2D& l) {
    l.waterLevel.SetValue(0);
    l.tintOpacity.SetValue(125);  // 1.0
    l.lineFade.SetValue(0);       // as opaque along the water line
    l.tint.SetValue(0x00FF0000);  // blue, stored red-lowest
    l.bandHeight.SetValue(0);
  });
  ASSERT_NE(nullptr, lake);
  const ds_test::Image image = Frame(10.0f);
  EXPECT_TRUE(ds_test::PixelNear(image, 40, 90, kGreen, 2)) << "above the water";
  EXPECT_TRUE(ds_test::PixelNear(image, 40, 130, kBlue, 2)) << "tinted water";
  EXPECT_TRUE(ds_test::PixelNear(image, 200, 230, kBlue, 2)) << "tinted water";
}

TEST_F(LakeDeviceTest, ZeroWaterLevelLeavesThePictureAlone) {
  FakeLake2D* lake = LoadLake([](FakeLake2D& l) {
    l.waterLevel.SetValue(100);  // no water
    l.tintOpacity.SetValue(125);
    l.tint.SetValue(0x00FFFFFF);
  });
  ASSERT_NE(nullptr, lake);
  const ds_test::Image image = Frame(10.0f);
  for (int y : {30, 90, 150, 235})
    EXPECT_TRUE(ds_test::PixelNear(image, 100, y, y < 60 ? kRed : (y < 120 ? kGreen : kBlue), 2)) << "picture";
}

TEST_F(LakeDeviceTest, TheDocumentsGuidPictureBecomesTheBumpMap) {
  FakeLake2D* lake = LoadLake([](FakeLake2D&) {}, true);
  ASSERT_NE(nullptr, lake);
  ASSERT_NE(nullptr, lake->GetBumpTexture()) << "the GUID picture was not found";
  EXPECT_EQ(g_CurrentDocResManager->GetGuidTexture(kLakeGuid).Get(), lake->GetBumpTexture());

  lake->Update(3.0f);
  lake->SetBumpStages();
  IDirect3DBaseTexture9* bound = nullptr;
  device->GetTexture(0, &bound);
  EXPECT_EQ(static_cast<IDirect3DBaseTexture9*>(lake->GetBumpTexture()), bound);
  if (bound) bound->Release();
  device->GetTexture(1, &bound);
  EXPECT_EQ(static_cast<IDirect3DBaseTexture9*>(lake->GetReflection()), bound);
  if (bound) bound->Release();
  DWORD value = 0;
  device->GetTextureStageState(0, D3DTSS_COLOROP, &value);
  EXPECT_EQ(DWORD(D3DTOP_BUMPENVMAP), value);
  const D3DTEXTURESTAGESTATETYPE elements[4] = {D3DTSS_BUMPENVMAT00, D3DTSS_BUMPENVMAT01, D3DTSS_BUMPENVMAT10,
                                                D3DTSS_BUMPENVMAT11};
  for (int i = 0; i < 4; ++i) {
    device->GetTextureStageState(0, elements[i], &value);
    float element;
    std::memcpy(&element, &value, sizeof(element));
    EXPECT_FLOAT_EQ(lake->GetBumpMatrix()[i], element) << "element " << i;
  }
  device->GetSamplerState(0, D3DSAMP_ADDRESSU, &value);
  EXPECT_EQ(DWORD(D3DTADDRESS_CLAMP), value) << "the bump coordinates beyond 1 are clamped";
  device->GetTextureStageState(1, D3DTSS_COLOROP, &value);
  EXPECT_EQ(DWORD(D3DTOP_SELECTARG1), value);

  // And it draws a frame, leaving the device with its own targets.
  Frame(3.1f);
}

TEST_F(LakeDeviceTest, LostDeviceKeepsTheLakeAndRemakesTheTargets) {
  FakeLake2D* lake = LoadLake([](FakeLake2D& l) {
    l.waterLevel.SetValue(0);
    l.tintOpacity.SetValue(0);
  }, true);
  ASSERT_NE(nullptr, lake);
  Frame(5.0f);
  const ds_test::Image before = Frame(5.0f);
  EXPECT_TRUE(lake->GetTargets().IsValid());
  ASSERT_NO_FATAL_FAILURE(LoseAndRestore());
  EXPECT_TRUE(lake->GetTargets().IsValid()) << "the capture targets were not made again";
  EXPECT_NE(nullptr, lake->GetReflection()) << "the managed reflection should survive";
  EXPECT_NE(nullptr, lake->GetBumpTexture());
  const ds_test::Image after = Frame(5.0f);
  for (int y = 0; y < kH; y += 7) {
    for (int x = 0; x < kW; x += 7) {
      EXPECT_TRUE(ds_test::PixelNear(after, x, y, before.RgbAt(x, y), 1)) << "after the reset";
      if (HasFailure()) return;
    }
  }
}

}  // namespace
