// The air brushes: their records through the registry, the stroke section with its
// point channels, the bling cycle and its two-layer quads, the custom brush's frames,
// the twinkling points, the aurora's oscillators, and how each family draws.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "AirBrushTestSupport.h"
#include "objects/particles/AirBrushes.h"
#include "objects/particles/ParticleQuads.h"
#include "render/TimeLine.h"

using airbrush_test::ExpectNear;
using airbrush_test::ReadItem;
using airbrush_test::Reading;
using airbrush_test::StrokeDeviceTest;
using airbrush_test::WrittenBytes;

namespace {

DS_Particle PointWith(float x, float y, float life, float size, float alpha, float age, float angle) {
  DS_Particle p(x, y, 0.0f);
  p.life = life;
  p.size = size;
  p.alpha = alpha;
  p.age = age;
  p.angle = angle;
  return p;
}

void ExpectChannels(const DS_Particle& p, float x, float y, float life, float size, float alpha, float age,
                    float angle) {
  EXPECT_EQ(x, p.position.x);
  EXPECT_EQ(y, p.position.y);
  EXPECT_EQ(life, p.life);
  EXPECT_EQ(size, p.size);
  EXPECT_EQ(alpha, p.alpha);
  EXPECT_EQ(age, p.age);
  EXPECT_EQ(angle, p.angle);
  EXPECT_EQ(0u, p.ProcessCount());
}

// The stroke fields every family carries.
void FillStroke(DS_AirBrush& item) {
  item.brushSize.SetValue(24u);
  item.points.push_back(PointWith(10.0f, 20.0f, 0.25f, 1.5f, 0.75f, 2.0f, 0.5f));
  item.points.push_back(PointWith(-3.0f, 4.5f, 0.0f, 1.0f, 1.0f, 0.0f, 0.0f));
  item.colour1.SetValue(0x123456);
  item.blendMode.SetValue(3);
  item.SetName(L"stroke");
}

void ExpectStroke(const DS_AirBrush& read) {
  EXPECT_EQ(24u, read.brushSize.GetValue());
  ASSERT_EQ(2u, read.points.size());
  ExpectChannels(read.points.front(), 10.0f, 20.0f, 0.25f, 1.5f, 0.75f, 2.0f, 0.5f);
  ExpectChannels(read.points.back(), -3.0f, 4.5f, 0.0f, 1.0f, 1.0f, 0.0f, 0.0f);
  EXPECT_EQ(0x123456u, read.colour1.GetValue());
  EXPECT_EQ(3, read.blendMode.GetValue());
  EXPECT_EQ(L"stroke", read.GetName());
}

// ---- records ----

TEST(AirBrushRecordTest, BlingReadsBackThroughTheRegistry) {
  DS_Bling written;
  FillStroke(written);
  written.pulseClock.SetValue(50u);
  written.growTime.SetValue(100u);
  written.shrinkTime.SetValue(300u);
  written.spinClock.SetValue(7u);
  written.minimumSize.SetValue(40u);
  bool whole = false;
  std::unique_ptr<DS_Bling> read = ReadItem<DS_Bling>(WrittenBytes(written), &whole);
  ASSERT_NE(nullptr, read);
  EXPECT_TRUE(whole);
  ExpectStroke(*read);
  EXPECT_EQ(50u, read->pulseClock.GetValue());
  EXPECT_FLOAT_EQ(1.0f, read->pulseClock.GetSpeed());
  EXPECT_FLOAT_EQ(1.0f, read->growTime.GetSeconds()) << "grow and shrink are stored shrink first";
  EXPECT_FLOAT_EQ(3.0f, read->shrinkTime.GetSeconds());
  EXPECT_FLOAT_EQ(0.14f, read->spinClock.GetSpeed());
  EXPECT_FLOAT_EQ(0.4f, read->minimumSize.GetResult());
}

TEST(AirBrushRecordTest, BlingOfVersionOneLeavesSpinAndMinimumAtZero) {
  DS_Bling stroke;
  FillStroke(stroke);
  DS_IOF_W w;
  w.WriteString(L"DS_Bling");
  w.WriteInt(1);
  w.WriteUInt(50u);
  w.WriteUInt(300u);
  w.WriteUInt(100u);
  stroke.DS_AirBrush::Write(w);
  bool whole = false;
  std::unique_ptr<DS_Bling> read = ReadItem<DS_Bling>(w.Bytes(), &whole);
  ASSERT_NE(nullptr, read);
  EXPECT_TRUE(whole);
  ExpectStroke(*read);
  EXPECT_FLOAT_EQ(3.0f, read->shrinkTime.GetSeconds());
  EXPECT_EQ(0u, read->spinClock.GetValue());
  EXPECT_EQ(0.0f, read->minimumSize.GetResult());
}

TEST(AirBrushRecordTest, CustomBrushReadsBackThroughTheRegistry) {
  DS_CustomAirBrush written;
  FillStroke(written);
  written.pictureLink.StoreKey(DS_FileKey(L"C:\\scene\\leaf.png", 77));
  written.frameClock.SetValue(150u);
  bool whole = false;
  std::unique_ptr<DS_CustomAirBrush> read = ReadItem<DS_CustomAirBrush>(WrittenBytes(written), &whole);
  ASSERT_NE(nullptr, read);
  EXPECT_TRUE(whole);
  ExpectStroke(*read);
  EXPECT_EQ(L"C:\\scene\\leaf.png", read->pictureLink.GetPath());
  EXPECT_EQ(77, read->pictureLink.GetStamp());
  EXPECT_FLOAT_EQ(1.5f, read->frameClock.GetSpeed());
}

TEST(AirBrushRecordTest, TwinklingStarsReadBackThroughTheRegistry) {
  DS_TwinklingStars written;
  FillStroke(written);
  written.clock.SetValue(30u);
  bool whole = false;
  std::unique_ptr<DS_TwinklingStars> read = ReadItem<DS_TwinklingStars>(WrittenBytes(written), &whole);
  ASSERT_NE(nullptr, read);
  EXPECT_TRUE(whole);
  ExpectStroke(*read);
  EXPECT_FLOAT_EQ(1.3f, read->clock.GetSpeed()) << "offset 1.0 plus 0.01 per unit";
}

TEST(AirBrushRecordTest, AuroraReadsBackThroughTheRegistry) {
  DS_Aurora written;
  FillStroke(written);
  written.height.SetValue(120u);
  UINTSclaleTo<float>* scaled[] = {&written.clock1,     &written.amplitude1, &written.period1,
                                   &written.clock2,     &written.amplitude2, &written.period2,
                                   &written.clock3,     &written.amplitude3, &written.period3};
  for (unsigned i = 0; i < 9; ++i) scaled[i]->SetValue(10u + i);
  written.swayAngle.SetValue(static_cast<unsigned>(-30));
  bool whole = false;
  std::unique_ptr<DS_Aurora> read = ReadItem<DS_Aurora>(WrittenBytes(written), &whole);
  ASSERT_NE(nullptr, read);
  EXPECT_TRUE(whole);
  ExpectStroke(*read);
  EXPECT_EQ(120u, read->height.GetValue());
  const UINTSclaleTo<float>* back[] = {&read->clock1, &read->amplitude1, &read->period1,
                                       &read->clock2, &read->amplitude2, &read->period2,
                                       &read->clock3, &read->amplitude3, &read->period3};
  const float results[] = {0.30f, 0.11f, 13.0f, 0.39f, 0.14f, 16.0f, 0.48f, 17.0f, 19.0f};
  for (unsigned i = 0; i < 9; ++i) {
    EXPECT_EQ(10u + i, back[i]->GetValue()) << i;
    EXPECT_FLOAT_EQ(results[i], back[i]->GetResult()) << i;
  }
  EXPECT_EQ(static_cast<unsigned>(-30), read->swayAngle.GetValue());
}

// ---- the stroke section ----

// The section of `version` with the given points (positions only for version 1; for
// version 2 each with its own channel values), followed by the generator's section.
std::vector<unsigned char> StrokeSection(int version, const std::vector<std::vector<float>>& points) {
  DS_IOF_W w;
  w.WriteString(L"DS_AirBrush");
  w.WriteInt(version);
  w.WriteUInt(16u);
  if (version > 1) {
    w.WriteUInt(unsigned(points.size()));
  } else {
    w.WriteInt(int(points.size()));
  }
  for (const std::vector<float>& p : points) {
    w.WriteFloat(p[0]);
    w.WriteFloat(p[1]);
    w.WriteFloat(p[2]);
    if (version > 1) {
      w.WriteUInt(unsigned(p.size() - 3));
      for (size_t i = 3; i < p.size(); ++i) w.WriteFloat(p[i]);
    }
  }
  DS_TwinklingStars base;
  base.DS_TexParticleGenerator::Write(w);
  return w.Bytes();
}

TEST(AirBrushSectionTest, VersionOnePointsKeepTheirConstructionChannels) {
  Reading reading(StrokeSection(1, {{1, 2, 3}, {4, 5, 6}}));
  DS_TwinklingStars read;
  read.ReadSection(reading.handle);
  ASSERT_FALSE(reading.handle->Failed());
  EXPECT_EQ(0u, reading.handle->BytesLeft());
  EXPECT_EQ(16u, read.brushSize.GetValue());
  ASSERT_EQ(2u, read.points.size());
  ExpectChannels(read.points.front(), 1, 2, 0.0f, 1.0f, 1.0f, 0.0f, 0.0f);
  EXPECT_EQ(3.0f, read.points.front().position.z);
  ExpectChannels(read.points.back(), 4, 5, 0.0f, 1.0f, 1.0f, 0.0f, 0.0f);
}

TEST(AirBrushSectionTest, ChannelCountsOtherThanFiveStayAligned) {
  // Three channels set life, size and alpha; seven set all five and skip two.
  Reading reading(StrokeSection(2, {{1, 2, 0, 0.5f, 2.0f, 0.25f}, {3, 4, 0, 0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 9, 9}, {5, 6, 0}}));
  DS_TwinklingStars read;
  read.ReadSection(reading.handle);
  ASSERT_FALSE(reading.handle->Failed());
  EXPECT_EQ(0u, reading.handle->BytesLeft());
  ASSERT_EQ(3u, read.points.size());
  auto it = read.points.begin();
  ExpectChannels(*it++, 1, 2, 0.5f, 2.0f, 0.25f, 0.0f, 0.0f);
  ExpectChannels(*it++, 3, 4, 0.1f, 0.2f, 0.3f, 0.4f, 0.5f);
  ExpectChannels(*it++, 5, 6, 0.0f, 1.0f, 1.0f, 0.0f, 0.0f);
}

TEST(AirBrushSectionTest, CountsBeyondTheRecordFailWithoutAllocating) {
  struct Case {
    int version;
    unsigned pointCount;
    unsigned channelCount;
  };
  const Case cases[] = {{2, 0xFFFFFFFFu, 5u}, {2, 5000000u, 5u}, {1, 0x80000000u, 0u}, {2, 1u, 0x7FFFFFFFu},
                        {2, 1u, 0xFFFFFFFFu}};
  for (const Case& c : cases) {
    DS_IOF_W w;
    w.WriteString(L"DS_AirBrush");
    w.WriteInt(c.version);
    w.WriteUInt(16u);
    w.WriteUInt(c.pointCount);
    w.WriteFloat(1.0f);
    w.WriteFloat(2.0f);
    w.WriteFloat(3.0f);
    w.WriteUInt(c.channelCount);
    w.WriteFloat(0.5f);
    Reading reading(w.Bytes());
    DS_TwinklingStars read;
    read.ReadSection(reading.handle);
    EXPECT_TRUE(reading.handle->Failed()) << c.pointCount << " " << c.channelCount;
    EXPECT_TRUE(read.points.empty()) << c.pointCount << " " << c.channelCount;
  }
}

TEST(AirBrushSectionTest, TruncatedStrokeIsNotReadAsAnItem) {
  DS_Aurora written;
  FillStroke(written);
  std::vector<unsigned char> bytes = WrittenBytes(written);
  for (size_t cut : {size_t(30), bytes.size() / 2, bytes.size() - 1}) {
    std::vector<unsigned char> part(bytes.begin(), bytes.begin() + std::ptrdiff_t(cut));
    EXPECT_EQ(nullptr, ReadItem<DS_Aurora>(part)) << cut;
  }
}

// ---- bling ----

TEST(BlingTest, CycleGrowsThenShrinksAndEndsAtFullLife) {
  DS_Bling item;
  item.growTime.SetValue(100u);
  item.shrinkTime.SetValue(300u);
  DS_Particle p(0.0f, 0.0f, 0.0f);
  p.size = 0.7f;
  p.life = 0.4f;
  EXPECT_FLOAT_EQ(4.0f, item.StartCycle(p));
  EXPECT_EQ(0.0f, p.life);
  EXPECT_EQ(0.0f, p.size);
  EXPECT_EQ(3u, p.ProcessCount());

  // Life rises by dt / 4 first; the size then rises by dt while the new life lies
  // strictly inside (0, 0.25) and falls by dt / 3 strictly inside (0.25, 1).
  const struct {
    float dt, life, size;
    bool alive;
  } steps[] = {
      {0.5f, 0.125f, 0.5f, true},      {0.5f, 0.25f, 0.5f, true},       {0.5f, 0.375f, 0.5f - 0.5f / 3, true},
      {1.5f, 0.75f, -1.0f / 6, true},  {0.5f, 0.875f, -1.0f / 3, true}, {0.5f, 1.0f, -1.0f / 3, false},
  };
  for (const auto& s : steps) {
    EXPECT_EQ(s.alive, p.Update(s.dt)) << s.life;
    EXPECT_FLOAT_EQ(s.life, p.life);
    EXPECT_NEAR(s.size, p.size, 1e-5f) << s.life;
  }
}

TEST(BlingTest, CycleOfNoLengthKeepsThePointStill) {
  DS_Bling item;  // grow and shrink 0
  DS_Particle p(0.0f, 0.0f, 0.0f);
  EXPECT_EQ(0.0f, item.StartCycle(p));
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(p.Update(0.25f));
  EXPECT_EQ(0.0f, p.life);
  EXPECT_EQ(0.0f, p.size);

  item.growTime.SetValue(0u);
  item.shrinkTime.SetValue(200u);
  EXPECT_FLOAT_EQ(2.0f, item.StartCycle(p));
  EXPECT_TRUE(p.Update(0.5f));
  EXPECT_FLOAT_EQ(0.25f, p.life);
  EXPECT_FLOAT_EQ(-0.25f, p.size) << "only the shrink phase";
  EXPECT_TRUE(std::isfinite(p.size));
}

TEST(BlingTest, FinishedPointRestartsWithoutStackingProcesses) {
  DS_Bling item;
  item.pulseClock.SetValue(50u);
  item.growTime.SetValue(100u);
  item.shrinkTime.SetValue(300u);
  DS_Particle p(5.0f, 6.0f, 0.0f);
  item.StartCycle(p);
  p.life = 0.99f;
  p.size = 0.3f;
  item.points.push_back(p);
  item.Update(0.0f, nullptr);
  item.Update(0.2f, nullptr);  // a step of 0.2 s: life passes 1
  const DS_Particle& after = item.points.front();
  EXPECT_EQ(0.0f, after.life);
  EXPECT_EQ(0.0f, after.size);
  EXPECT_EQ(3u, after.ProcessCount());
  EXPECT_EQ(5.0f, after.position.x);
  item.Update(0.4f, nullptr);
  EXPECT_FLOAT_EQ(0.05f, item.points.front().life) << "a fresh cycle runs on";
}

TEST(BlingTest, PreparedPointsStartAtRandomPhases) {
  DS_Bling item;
  item.pulseClock.SetValue(50u);
  item.growTime.SetValue(100u);
  item.shrinkTime.SetValue(300u);
  item.points.emplace_back(1.0f, 1.0f, 0.0f);
  item.points.emplace_back(2.0f, 2.0f, 0.0f);
  std::srand(11);
  const int first = std::rand();
  const int second = std::rand();
  std::srand(11);
  std::unique_ptr<DS_ParticlesObj> object(static_cast<DS_ParticlesObj*>(item.CreateObject()));
  const DS_Bling& clone = *static_cast<DS_Bling*>(object->GetGenerator());
  // Ten steps of rand()/32767 x 4 s x 0.1 each: life = 10 x step / 4.
  const float lives[] = {first / 32767.0f * 0.4f * 10 / 4, second / 32767.0f * 0.4f * 10 / 4};
  int i = 0;
  for (const DS_Particle& p : clone.points) {
    EXPECT_NEAR(lives[i], p.life, 1e-5f) << i;
    EXPECT_EQ(3u, p.ProcessCount()) << i;
    ++i;
  }
  EXPECT_EQ(2, object->GetSlotCount());
  EXPECT_EQ(0u, item.points.front().ProcessCount()) << "the item's own points stay as read";
}

class BlingDeviceTest : public StrokeDeviceTest {};

TEST_F(BlingDeviceTest, TwoLayersOfTurningSquaresNeverBelowTheMinimum) {
  DS_Bling item;
  item.brushSize.SetValue(40u);
  item.minimumSize.SetValue(50u);
  item.spinClock.SetValue(50u);  // 1 rad per second
  item.colour1.SetValue(0x0000FF);
  item.colour2.SetValue(0x00FF00);
  item.colour2.Opacity().SetValue(20u);  // alpha byte 204
  DS_Bling& clone = MakeObject(item);
  clone.points.clear();
  clone.points.push_back(PointWith(100.0f, 100.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f));
  clone.points.push_back(PointWith(200.0f, 100.0f, 0.0f, 1.0f, 0.5f, 0.0f, 0.0f));
  object->Update(0.0f);
  object->Update(0.2f);  // the spin clock stands at 0.2 rad

  const struct {
    D3DXVECTOR3 centre;
    float side;
    D3DCOLOR under, over;
  } expected[] = {{D3DXVECTOR3(100, 100, 0), 20.0f, 0xCC00FF00, 0xFFFF0000},
                  {D3DXVECTOR3(200, 100, 0), 40.0f, 0x6600FF00, 0x80FF0000}};
  ASSERT_EQ(2u, object->GetQuadCount(0));
  ASSERT_EQ(2u, object->GetQuadCount(1));
  DX_V::PCT* under = object->LockQuads(0);
  DX_V::PCT* over = object->LockQuads(1);
  ASSERT_NE(nullptr, under);
  ASSERT_NE(nullptr, over);
  const D3DXVECTOR3 a1(std::cos(0.2f), std::sin(0.2f), 0.0f), a2(-std::sin(0.2f), std::cos(0.2f), 0.0f);
  for (int k = 0; k < 2; ++k) {
    const float r = expected[k].side / 2;
    const D3DXVECTOR3 c = expected[k].centre;
    const D3DXVECTOR3 corners[4] = {c - r * a1 + r * a2, c - r * a1 - r * a2, c + r * a1 + r * a2,
                                    c + r * a1 - r * a2};
    for (int i = 0; i < 4; ++i) {
      ExpectNear(corners[i], under[4 * k + i], "under");
      ExpectNear(corners[i], over[4 * k + i], "over");
      EXPECT_EQ(expected[k].under, under[4 * k + i].color) << k;
      EXPECT_EQ(expected[k].over, over[4 * k + i].color) << k;
    }
  }
  object->UnlockQuads(0);
  object->UnlockQuads(1);
}

TEST_F(BlingDeviceTest, HiddenTimeLineMakesTheSparklesTransparent) {
  DS_Bling item;
  item.brushSize.SetValue(10u);
  item.TimeLine().mode.SetValue(DS_TimeLineControl::kCycle);  // starts invisible
  DS_Bling& clone = MakeObject(item);
  clone.points.clear();
  clone.points.push_back(PointWith(50.0f, 50.0f, 0.0f, 1.0f, 1.0f, 0.0f, 0.0f));
  object->Update(0.0f);
  DX_V::PCT* under = object->LockQuads(0);
  ASSERT_NE(nullptr, under);
  EXPECT_EQ(0x00FFFFFFu, under[0].color);
  object->UnlockQuads(0);
}

TEST_F(BlingDeviceTest, DrawsBothLayersIntoOneMaskThenComposites) {
  DS_Bling item;
  EmbedEffect(item.effectLink);
  item.brushSize.SetValue(10u);
  item.points.emplace_back(50.0f, 50.0f, 0.0f);
  DS_Bling& clone = MakeObject(item);
  clone.textureSets = {&greenSet, &blueSet};
  FakeEffect* effect = factory.LastEffect();
  ASSERT_NE(nullptr, effect);
  ASSERT_NE(nullptr, clone.GetTarget()) << "acquired when prepared";
  object->Update(0.0f);
  Draw();
  EXPECT_TRUE(BackBufferIsTarget());
  const std::vector<std::string> techniques = effect->Techniques();
  ASSERT_EQ(2u, techniques.size());
  EXPECT_EQ("JoinMask", techniques[0]);
  EXPECT_EQ("CommonTex", techniques[1]);
  const std::vector<FakeEffect::ParamSet>& sets = effect->ParamSets();
  ASSERT_EQ(3u, sets.size());
  EXPECT_EQ(static_cast<IDirect3DBaseTexture9*>(green.Get()), sets[0].texture) << "layer 0 first";
  EXPECT_EQ(static_cast<IDirect3DBaseTexture9*>(blue.Get()), sets[1].texture);
  EXPECT_EQ(static_cast<IDirect3DBaseTexture9*>(clone.GetTarget()->GetCurrent().Get()), sets[2].texture);
  EXPECT_EQ(3, effect->BeginCount());
}

// ---- custom brush ----

class CustomBrushDeviceTest : public StrokeDeviceTest {};

TEST_F(CustomBrushDeviceTest, StampsTheCurrentFrameOnEveryPoint) {
  DS_CustomAirBrush item;
  item.brushSize.SetValue(20u);
  item.points.emplace_back(100.0f, 80.0f, 0.0f);
  item.points.emplace_back(200.0f, 150.0f, 0.0f);
  DS_CustomAirBrush& clone = MakeObject(item);
  EXPECT_EQ(1.0f, clone.aspect) << "the scale of an unknown picture";
  ASSERT_EQ(2u, object->GetQuadCount(0)) << "quads built when prepared";
  clone.frames = greenSet;
  object->Update(0.0f);
  Draw();
  ds_test::Image image;
  ASSERT_TRUE(ds_test::ReadBackBuffer(image));
  EXPECT_EQ(0x00FF00u, image.RgbAt(100, 80));
  EXPECT_EQ(0x00FF00u, image.RgbAt(208, 158)) << "inside the second 20 x 20 stamp";
  EXPECT_EQ(0x404040u, image.RgbAt(100, 95));
  EXPECT_EQ(0x404040u, image.RgbAt(150, 120));
}

TEST_F(CustomBrushDeviceTest, TakesItsOwnCopyOfThePicturesFramesAndShape) {
  DS_CustomAirBrush item;
  item.pictureLink.StoreKey(DS_FileKey(L"C:\\scene\\leaves", 8));
  DS_TextureSet* documentSet = manager->GetTextureSet(item.pictureLink);
  documentSet->AddFrame(green.Get(), 0.5f);
  documentSet->AddFrame(blue.Get(), 0.5f);
  documentSet->scale = 0.5f;  // half as high as wide
  item.brushSize.SetValue(40u);
  item.frameClock.SetValue(100u);  // speed 1.0
  item.points.emplace_back(100.0f, 100.0f, 0.0f);
  DS_CustomAirBrush& clone = MakeObject(item);
  EXPECT_EQ(0.5f, clone.aspect);
  DX_V::PCT* v = object->LockQuads(0);
  ASSERT_NE(nullptr, v);
  ExpectNear(D3DXVECTOR3(80.0f, 110.0f, 0.0f), v[0], "left-bottom of a 40 x 20 stamp");
  object->UnlockQuads(0);

  const struct {
    float t;
    uint32_t rgb;
  } frames[] = {{0.0f, 0x00FF00}, {0.2f, 0x00FF00}, {0.4f, 0x00FF00}, {0.6f, 0x0000FF}};
  for (const auto& f : frames) {
    object->Update(f.t);
    Draw();
    ds_test::Image image;
    ASSERT_TRUE(ds_test::ReadBackBuffer(image));
    EXPECT_EQ(f.rgb, image.RgbAt(100, 100)) << f.t;
    EXPECT_EQ(0x404040u, image.RgbAt(100, 113)) << "the stamp is 20 high";
  }
  EXPECT_EQ(0u, documentSet->frameIndex) << "the document's set keeps its own frame";
}

TEST_F(CustomBrushDeviceTest, AspectStretchesTheStamp) {
  DS_CustomAirBrush item;
  item.brushSize.SetValue(10u);
  item.points.emplace_back(100.0f, 100.0f, 0.0f);
  DS_CustomAirBrush& clone = MakeObject(item);
  clone.aspect = 2.5f;
  clone.BuildQuads();
  DX_V::PCT* v = object->LockQuads(0);
  ASSERT_NE(nullptr, v);
  ExpectNear(D3DXVECTOR3(95.0f, 112.5f, 0.0f), v[0], "left-bottom");
  ExpectNear(D3DXVECTOR3(105.0f, 87.5f, 0.0f), v[3], "right-top");
  object->UnlockQuads(0);
}

TEST(CustomBrushTest, FramesStepWithTheFrameClock) {
  DS_CustomAirBrush item;
  item.frameClock.SetValue(100u);  // speed 1.0
  // Frames without textures: only the index is followed.
  item.frames.durations = {0.5f, 0.5f};
  item.frames.frames.resize(2);
  const struct {
    float t;
    unsigned frame;
  } steps[] = {{0.0f, 0}, {0.2f, 0}, {0.4f, 0}, {0.6f, 1}, {0.8f, 1}, {1.0f, 1}, {1.2f, 0}};
  for (const auto& s : steps) {
    item.Update(s.t, nullptr);
    EXPECT_EQ(s.frame, item.frames.frameIndex) << s.t;
  }

  DS_CustomAirBrush still;
  still.frameClock.SetValue(100u);
  still.frames.frames.resize(1);
  for (float t = 0.0f; t < 3.0f; t += 0.2f) still.Update(t, nullptr);
  EXPECT_EQ(0u, still.frames.frameIndex) << "a picture of one frame never changes";
}

// ---- twinkling stars ----

TEST(TwinklingStarsTest, AddedPointsFlashAtRandomSizeAndOpacity) {
  DS_TwinklingStars item;
  std::srand(5);
  const int sizeDraw = std::rand();
  const int alphaDraw = std::rand();
  std::srand(5);
  item.AddPoint(D3DXVECTOR3(3.0f, 4.0f, 0.0f), 9.0f, 9.0f, 9.0f, 9.0f);
  ASSERT_EQ(1u, item.points.size());
  const DS_Particle& p = item.points.front();
  EXPECT_FLOAT_EQ(0.5f + sizeDraw / 32767.0f * 0.5f, p.size);
  EXPECT_FLOAT_EQ(0.5f + alphaDraw / 32767.0f * 0.5f, p.alpha);
  ASSERT_EQ(1u, p.ProcessCount());
  const PTwinkle* twinkle = dynamic_cast<const PTwinkle*>(p.GetProcess(0));
  ASSERT_NE(nullptr, twinkle);
  EXPECT_EQ(DS_Particle::kSize, twinkle->channel);
  EXPECT_EQ(p.size, twinkle->baseValue);
}

class TwinklingStarsDeviceTest : public StrokeDeviceTest {};

TEST_F(TwinklingStarsDeviceTest, PointsFromTheDocumentStayStill) {
  DS_TwinklingStars written;
  written.brushSize.SetValue(20u);
  written.clock.SetValue(100u);
  written.colour1.SetValue(0x0000FF);  // red
  written.points.push_back(PointWith(100.0f, 80.0f, 0.0f, 1.0f, 1.0f, 0.0f, 0.0f));
  written.points.push_back(PointWith(200.0f, 150.0f, 0.0f, 2.0f, 0.5f, 0.0f, 0.0f));
  std::unique_ptr<DS_TwinklingStars> item = ReadItem<DS_TwinklingStars>(WrittenBytes(written));
  ASSERT_NE(nullptr, item);
  DS_TwinklingStars& clone = MakeObject(*item);
  clone.textureSets = {&greenSet};
  for (float t = 0.0f; t < 5.0f; t += 0.25f) object->Update(t);
  EXPECT_EQ(1.0f, clone.points.front().size);
  EXPECT_EQ(0.5f, clone.points.back().alpha);
  Draw();
  ds_test::Image image;
  ASSERT_TRUE(ds_test::ReadBackBuffer(image));
  EXPECT_EQ(0x000000u, image.RgbAt(100, 80)) << "green picture tinted red";
  EXPECT_EQ(0x404040u, image.RgbAt(100, 95));
  EXPECT_EQ(0x202020u, image.RgbAt(200, 150)) << "black at half opacity over grey";
  EXPECT_EQ(0x202020u, image.RgbAt(181, 150)) << "size 2: a 40 px square";
  EXPECT_EQ(0x404040u, image.RgbAt(176, 150));
}

// ---- aurora ----

struct AuroraCase {
  const char* name;
  unsigned amplitude1, amplitude2, amplitude3, swayAngle;
  float strokeValue;
  // The quad's centre, size and vertex alpha byte.
  D3DXVECTOR3 centre;
  float width, height;
  unsigned alpha;
};

const float kQuarter = 1.5707964f;  // sin = 1 with period 1 and the clocks at 0

const AuroraCase kAuroraCases[] = {
    {"still", 0, 0, 0, 0, kQuarter, D3DXVECTOR3(100, 100, 0), 10, 60, 255},
    {"stretched", 50, 0, 0, 0, kQuarter, D3DXVECTOR3(100, 100, 0), 10, 90, 255},
    {"shrunk", 50, 0, 0, 0, -kQuarter, D3DXVECTOR3(100, 100, 0), 10, 30, 255},
    {"dimmed", 0, 50, 0, 0, -kQuarter, D3DXVECTOR3(100, 100, 0), 10, 60, 128},
    {"brighter is clamped", 0, 50, 0, 0, kQuarter, D3DXVECTOR3(100, 100, 0), 10, 60, 255},
    {"swayed right", 0, 0, 8, 0, kQuarter, D3DXVECTOR3(108, 100, 0), 10, 60, 255},
    {"swayed down", 0, 0, 8, 90, kQuarter, D3DXVECTOR3(100, 108, 0), 10, 60, 255},
    {"negative angle", 0, 0, 8, static_cast<unsigned>(-90), kQuarter, D3DXVECTOR3(100, 92, 0), 10, 60, 255},
    {"stroke at zero", 50, 50, 8, 0, 0.0f, D3DXVECTOR3(100, 100, 0), 10, 60, 255},
};

class AuroraQuadTest : public StrokeDeviceTest, public ::testing::WithParamInterface<AuroraCase> {};

TEST_P(AuroraQuadTest, OscillatorsStretchPulseAndSway) {
  const AuroraCase& c = GetParam();
  DS_Aurora item;
  item.brushSize.SetValue(10u);
  item.height.SetValue(60u);
  item.amplitude1.SetValue(c.amplitude1);
  item.amplitude2.SetValue(c.amplitude2);
  item.amplitude3.SetValue(c.amplitude3);
  item.swayAngle.SetValue(c.swayAngle);
  item.AddPoint(D3DXVECTOR3(100.0f, 100.0f, 0.0f), 1.0f, 1.0f, 0.0f, c.strokeValue);
  DS_Aurora& clone = MakeObject(item);
  object->Update(0.0f);
  ASSERT_EQ(1u, object->GetQuadCount(0));
  DX_V::PCT* v = object->LockQuads(0);
  ASSERT_NE(nullptr, v);
  const D3DXVECTOR3 half(c.width / 2, c.height / 2, 0.0f);
  ExpectNear(D3DXVECTOR3(c.centre.x - half.x, c.centre.y + half.y, 0), v[0], c.name, 1e-2f);
  ExpectNear(D3DXVECTOR3(c.centre.x + half.x, c.centre.y - half.y, 0), v[3], c.name, 1e-2f);
  EXPECT_EQ(c.alpha, v[0].color >> 24) << c.name;
  object->UnlockQuads(0);
  EXPECT_EQ(100.0f, clone.points.front().position.x) << "the stored position is kept";
  EXPECT_EQ(100.0f, clone.points.front().position.y);
}

INSTANTIATE_TEST_SUITE_P(Cases, AuroraQuadTest, ::testing::ValuesIn(kAuroraCases));

TEST_F(StrokeDeviceTest, AuroraClocksMoveTheCurtainAlongTheStroke) {
  DS_Aurora item;
  item.brushSize.SetValue(10u);
  item.height.SetValue(60u);
  item.amplitude1.SetValue(50u);
  item.clock1.SetValue(100u);  // 3 per second
  item.AddPoint(D3DXVECTOR3(100.0f, 100.0f, 0.0f), 1.0f, 1.0f, 0.0f, 0.0f);
  MakeObject(item);
  object->Update(0.0f);
  object->Update(0.2f);  // phase 0.6
  DX_V::PCT* v = object->LockQuads(0);
  ASSERT_NE(nullptr, v);
  const float height = 60.0f * (1.0f + 0.5f * std::sin(0.6f));
  EXPECT_NEAR(100.0f + height / 2, v[0].y, 1e-2f);
  object->UnlockQuads(0);
}

TEST_F(StrokeDeviceTest, AuroraDrawsItsMaskThenComposites) {
  DS_Aurora item;
  EmbedEffect(item.effectLink);
  item.blendMode.SetValue(DS_TexParticleGenerator::kBlendSum);
  item.brushSize.SetValue(10u);
  item.height.SetValue(40u);
  item.AddPoint(D3DXVECTOR3(60.0f, 60.0f, 0.0f), 1.0f, 1.0f, 0.0f, 0.0f);
  DS_Aurora& clone = MakeObject(item);
  clone.textureSets = {&greenSet, &blueSet};
  FakeEffect* effect = factory.LastEffect();
  ASSERT_NE(nullptr, effect);
  ASSERT_NE(nullptr, clone.GetTarget());
  object->Update(0.0f);
  Draw();
  EXPECT_TRUE(BackBufferIsTarget());
  const std::vector<std::string> techniques = effect->Techniques();
  ASSERT_EQ(2u, techniques.size());
  EXPECT_EQ("JoinMask", techniques[0]);
  EXPECT_EQ("Blend_SumTex", techniques[1]);
  const std::vector<FakeEffect::ParamSet>& sets = effect->ParamSets();
  ASSERT_EQ(2u, sets.size()) << "one layer only";
  EXPECT_EQ(static_cast<IDirect3DBaseTexture9*>(green.Get()), sets[0].texture);
}

}  // namespace
