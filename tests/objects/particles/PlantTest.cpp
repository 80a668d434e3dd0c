// The single-picture generator and the swaying plant: their records (with the older
// region record), the plant's settings and sway clock, the effect colour by time mode,
// the region quad written once at preparation, and the effect-driven drawing.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "document/ClassRegistry.h"
#include "objects/particles/Plant.h"
#include "SmokePlantTestSupport.h"

using particles_test::Reading;
using particles_test::WrittenBytes;
using smokeplant_test::SetTimeLineAlpha;
using smokeplant_test::WithVersion;

namespace {

// A plant in a 100 x 60 region whose corner 0 is (40, 30).
DS_Plant MakePlant() {
  DS_Plant plant;
  plant.TimeSpeed.SetValue(50u);
  plant.Frequency.SetValue(20u);
  plant.WMagnitude.SetValue(10u);
  plant.BMagnitude.SetValue(5u);
  plant.region.SetFromCentre(D3DXVECTOR3(90.0f, 60.0f, 0.0f), 100.0f, 60.0f);
  plant.position.SetValue(D3DXVECTOR3(7.0f, 8.0f, 0.0f));
  return plant;
}

void ExpectSettingsOfMakePlant(const DS_Plant& read, const std::string& label) {
  EXPECT_FLOAT_EQ(1.0f, read.TimeSpeed.GetSpeed()) << label;
  EXPECT_FLOAT_EQ(2.0f, read.Frequency.GetResult()) << label;
  EXPECT_FLOAT_EQ(0.02f, read.WMagnitude.GetResult()) << label;
  EXPECT_FLOAT_EQ(0.01f, read.BMagnitude.GetResult()) << label;
  EXPECT_EQ(D3DXVECTOR3(40.0f, 30.0f, 0.0f), read.region.Corner(0).GetValue()) << label;
  EXPECT_EQ(D3DXVECTOR3(140.0f, 90.0f, 0.0f), read.region.Corner(3).GetValue()) << label;
  EXPECT_EQ(D3DXVECTOR3(7.0f, 8.0f, 0.0f), read.position.GetValue()) << label;
}

// ---- records ----

TEST(PlantRecordTest, WrittenRecordReadsBackThroughTheRegistryForEveryVersion) {
  DS_Plant written = MakePlant();
  written.colour1.SetValue(0x00FF00);
  written.horizontalFlip.SetValue(1);
  written.SetName(L"fern");
  for (int version : {DS_Plant::kRecordVersion, 0, 5}) {
    Reading reading(WithVersion(written, L"DS_Plant", version));
    std::unique_ptr<DS_ABObj_Constructor> item(ReadAnyObject(reading.handle));
    ASSERT_FALSE(reading.handle->Failed()) << version;
    EXPECT_EQ(0u, reading.handle->BytesLeft()) << version;
    auto* read = dynamic_cast<DS_Plant*>(item.get());
    ASSERT_NE(nullptr, read) << version;
    ExpectSettingsOfMakePlant(*read, "version " + std::to_string(version));
    EXPECT_EQ(0x00FF00u, read->colour1.GetValue());
    EXPECT_EQ(1, read->horizontalFlip.GetValue());
    EXPECT_EQ(L"fern", read->GetName());
  }
}

TEST(PlantRecordTest, RegionRecordOfEachVersion) {
  const DS_Plant written = MakePlant();
  // Version 1 carries two floats after the region; later versions do not.
  for (int version : {1, 2, 3}) {
    DS_IOF_W w;
    WriteLevelHeader(w, L"DS_Plant", 1);
    written.TimeSpeed.WriteField(w);
    written.Frequency.WriteField(w);
    written.WMagnitude.WriteField(w);
    written.BMagnitude.WriteField(w);
    WriteLevelHeader(w, L"DS_SingleRectGN", version);
    written.region.Write(w);
    if (version < 2) {
      w.WriteFloat(123.0f);
      w.WriteFloat(-4.0f);
    }
    written.DS_StaticGenerator::Write(w);

    Reading reading(w.Bytes());
    std::unique_ptr<DS_ABObj_Constructor> item(ReadAnyObject(reading.handle));
    ASSERT_FALSE(reading.handle->Failed()) << version;
    EXPECT_EQ(0u, reading.handle->BytesLeft()) << version;
    auto* read = dynamic_cast<DS_Plant*>(item.get());
    ASSERT_NE(nullptr, read) << version;
    ExpectSettingsOfMakePlant(*read, "region version " + std::to_string(version));
  }
}

TEST(PlantRecordTest, WriterWritesTheCurrentRegionRecord) {
  const DS_Plant plant = MakePlant();
  DS_IOF_W plantLevel, regionLevel;
  plant.Write(plantLevel);
  plant.DS_SingleRectGN::Write(regionLevel);
  // Tag and version, four settings, then the region record.
  DS_IOF_W header;
  WriteLevelHeader(header, L"DS_Plant", 1);
  ASSERT_EQ(header.Bytes().size() + 16 + regionLevel.Bytes().size(), plantLevel.Bytes().size());
  std::vector<unsigned char> tail(plantLevel.Bytes().end() - long(regionLevel.Bytes().size()), plantLevel.Bytes().end());
  EXPECT_EQ(regionLevel.Bytes(), tail);
  Reading reading(regionLevel.Bytes());
  ds_string name;
  int version = 0;
  reading.handle->ReadString(name);
  reading.handle->ReadInt(version);
  EXPECT_EQ(L"DS_SingleRectGN", name);
  EXPECT_EQ(2, version);
}

TEST(PlantRecordTest, RecordCutShortFailsTheStream) {
  const std::vector<unsigned char> whole = WrittenBytes(MakePlant());
  for (size_t cut : {size_t(16), size_t(30), whole.size() / 2, whole.size() - 1}) {
    Reading reading(std::vector<unsigned char>(whole.begin(), whole.begin() + long(cut)));
    std::unique_ptr<DS_ABObj_Constructor> item(ReadAnyObject(reading.handle));
    EXPECT_TRUE(reading.handle->Failed()) << cut;
    EXPECT_EQ(nullptr, item.get()) << cut;
  }
}

// ---- settings and sway clock ----

TEST(PlantSettingsTest, ScalesOfTheFourSettings) {
  DS_Plant plant;
  EXPECT_EQ(0.0f, plant.TimeSpeed.GetSpeed());
  EXPECT_EQ(0.0f, plant.TimeSpeed.GetAccumulatedTime());
  EXPECT_EQ(0.0f, plant.Frequency.GetResult());
  EXPECT_EQ(D3DXVECTOR3(0.0f, 0.0f, 0.0f), plant.region.Corner(0).GetValue());
  EXPECT_EQ(D3DXVECTOR3(0.0f, 0.0f, 0.0f), plant.region.Corner(3).GetValue());
  plant.TimeSpeed.SetValue(100u);
  plant.Frequency.SetValue(100u);
  plant.WMagnitude.SetValue(100u);
  plant.BMagnitude.SetValue(250u);
  EXPECT_FLOAT_EQ(2.0f, plant.TimeSpeed.GetSpeed());
  EXPECT_FLOAT_EQ(10.0f, plant.Frequency.GetResult());
  EXPECT_FLOAT_EQ(0.2f, plant.WMagnitude.GetResult());
  EXPECT_FLOAT_EQ(0.5f, plant.BMagnitude.GetResult());
}

struct SwayCase {
  unsigned speed;  // stored, 0.02 per unit
  float times[4];
  float accumulated[4];
};

const SwayCase kSwayCases[] = {
    {50u, {0.1f, 0.2f, 0.35f, 0.5f}, {0.1f, 0.2f, 0.35f, 0.5f}},
    // A jump counts as at most 0.2 s; a step back counts nothing.
    {50u, {0.1f, 3.0f, 2.0f, 2.1f}, {0.1f, 0.3f, 0.3f, 0.4f}},
    {25u, {0.2f, 0.4f, 0.6f, 0.8f}, {0.1f, 0.2f, 0.3f, 0.4f}},
    {0u, {0.2f, 0.4f, 0.6f, 0.8f}, {0.0f, 0.0f, 0.0f, 0.0f}},
};

class PlantSwayTest : public ::testing::TestWithParam<SwayCase> {};

TEST_P(PlantSwayTest, TheClockAdvancesWithTheObjectsTime) {
  const SwayCase& c = GetParam();
  DS_Plant plant = MakePlant();
  plant.TimeSpeed.SetValue(c.speed);
  plant.particles.emplace_back(1.0f, 2.0f, 0.0f);
  plant.particles.back().AddProcess(new PAgeConst(0.01f));
  for (int i = 0; i < 4; ++i) {
    plant.Update(c.times[i], nullptr);
    EXPECT_NEAR(c.accumulated[i], plant.TimeSpeed.GetAccumulatedTime(), 1e-6f) << "t " << c.times[i];
  }
  EXPECT_EQ(1u, plant.particles.size()) << "the generator's processes are not run";
}

INSTANTIATE_TEST_SUITE_P(Speeds, PlantSwayTest, ::testing::ValuesIn(kSwayCases));

TEST(PlantSettingsTest, EffectColourCarriesTheOpacityOnlyInTimeModeOne) {
  const struct {
    int timeMode;
    float alpha;
  } cases[] = {{0, 1.0f}, {1, 0.25f}, {2, 1.0f}, {-1, 1.0f}, {9, 1.0f}};
  for (const auto& c : cases) {
    DS_Plant plant;
    SetTimeLineAlpha(plant, 0.25f);
    plant.TimeLine().timeMode.SetValue(c.timeMode);
    const D3DXVECTOR4 colour = plant.EffectColour();
    EXPECT_EQ(D3DXVECTOR4(1.0f, 1.0f, 1.0f, c.alpha), colour) << "time mode " << c.timeMode;
  }
}

// ---- on the test device ----

class PlantDeviceTest : public smokeplant_test::GeneratorDeviceTest {
protected:
  static D3DXVECTOR3 At(const DX_V::PCT& v) { return D3DXVECTOR3(v.x, v.y, v.z); }
  DS_Plant item = MakePlant();
};

TEST_F(PlantDeviceTest, PreparationWritesTheRegionQuadOnce) {
  const struct {
    int horizontal, vertical;
    float u[4], v[4];
  } cases[] = {
      {0, 0, {0.0f, 0.0f, 1.0f, 1.0f}, {1.0f, 0.0f, 1.0f, 0.0f}},
      {1, 0, {1.0f, 1.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 1.0f, 0.0f}},
      {0, 1, {0.0f, 0.0f, 1.0f, 1.0f}, {0.0f, 1.0f, 0.0f, 1.0f}},
  };
  for (const auto& c : cases) {
    item.horizontalFlip.SetValue(c.horizontal);
    item.verticalFlip.SetValue(c.vertical);
    item.colour1.SetValue(0x0000FF);
    item.colour1.Opacity().SetValue(50u);  // alpha byte 127
    MakeObject(item);
    ASSERT_EQ(1, object->GetSlotCount());
    ASSERT_EQ(1u, object->GetQuadCount(0));
    const std::vector<DX_V::PCT> v = SlotVertices();
    ASSERT_EQ(4u, v.size());
    const int corners[] = {1, 0, 3, 2};
    for (int k = 0; k < 4; ++k) {
      EXPECT_EQ(item.region.Corner(corners[k]).GetValue(), At(v[k])) << "vertex " << k;
      EXPECT_EQ(c.u[k], v[k].u) << "flips " << c.horizontal << c.vertical << " vertex " << k;
      EXPECT_EQ(c.v[k], v[k].v) << "flips " << c.horizontal << c.vertical << " vertex " << k;
      EXPECT_EQ(0x7FFF0000u, v[k].color) << "vertex " << k;
    }
  }
}

TEST_F(PlantDeviceTest, ARegionChangedLaterShowsOnlyAfterTheNextPreparation) {
  DS_Plant& clone = MakeObject(item);
  clone.region.SetFromCentre(D3DXVECTOR3(200.0f, 200.0f, 0.0f), 10.0f, 10.0f);
  clone.Update(0.1f, object.get());
  EXPECT_EQ(D3DXVECTOR3(40.0f, 30.0f, 0.0f), At(SlotVertices()[1])) << "corner 0 as prepared";
  clone.PrepareResources(object.get());
  EXPECT_EQ(D3DXVECTOR3(195.0f, 195.0f, 0.0f), At(SlotVertices()[1]));
}

TEST_F(PlantDeviceTest, RenderSetsTheSwayOnTheEffectAndDrawsTheQuadThroughIt) {
  EmbedEffect(item);
  DS_Plant& clone = MakeObject(item);
  FakeEffect* effect = factory.LastEffect();
  ASSERT_NE(nullptr, effect);
  ASSERT_EQ(effect, clone.GetEffect());
  SetTimeLineAlpha(clone, 0.25f);
  clone.TimeLine().timeMode.SetValue(1);
  Frame(0.1f);
  Frame(0.25f);

  ASSERT_FALSE(effect->Events().empty());
  EXPECT_EQ("SetTechnique Main", effect->Events().front());
  const FakeEffect::ParamSet* texture = effect->Last("Texture");
  ASSERT_NE(nullptr, texture);
  EXPECT_EQ(static_cast<IDirect3DBaseTexture9*>(green.Get()), texture->texture);
  const struct {
    const char* name;
    float value;
  } floats[] = {{"Time", 0.25f}, {"Frequency", 2.0f}, {"WMagnitude", 0.02f}, {"BMagnitude", 0.01f}};
  for (const auto& f : floats) {
    const std::vector<float> set = effect->LastValues(f.name);
    ASSERT_EQ(1u, set.size()) << f.name;
    EXPECT_NEAR(f.value, set[0], 1e-6f) << f.name;
  }
  EXPECT_EQ((std::vector<float>{1.0f, 1.0f, 1.0f, 0.25f}), effect->LastValues("color"));
  EXPECT_EQ(2, effect->BeginCount()) << "one draw per frame through the effect";
  EXPECT_EQ(effect->BeginCount(), effect->EndCount());
  EXPECT_EQ(nullptr, clone.GetTarget()) << "the plant draws straight onto the layer";
}

TEST_F(PlantDeviceTest, EveryFrameSetsEveryParameterAgain) {
  EmbedEffect(item);
  MakeObject(item);
  FakeEffect* effect = factory.LastEffect();
  ASSERT_NE(nullptr, effect);
  Frame(0.1f);
  Frame(0.2f);
  for (const char* name : {"Texture", "Time", "Frequency", "WMagnitude", "BMagnitude", "color"}) {
    EXPECT_EQ(2u, effect->CountEvents(std::string("Set ") + name)) << name;
  }
  EXPECT_EQ(2u, effect->CountEvents("SetTechnique Main"));
}

TEST_F(PlantDeviceTest, WithoutEffectThePlantIsNotDrawn) {
  MakeObject(item);
  Frame(0.1f);
  ds_test::Image image;
  ASSERT_TRUE(ds_test::ReadBackBuffer(image));
  EXPECT_EQ(0x404040u, image.RgbAt(90, 60));
}

}  // namespace
