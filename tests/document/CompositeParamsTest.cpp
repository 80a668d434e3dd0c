#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "document/CompositeParams.h"
#include "document/ResourceBuffer.h"
#include "document/StreamWriter.h"

namespace {

// Reads back whatever `write` wrote, with `read`, from a buffer of exactly those bytes
// (or fewer, to cut the record short).
template <class Write, class Read>
bool RoundTrip(Write write, Read read, size_t cutBytes = 0, size_t* writtenSize = nullptr) {
  DS_IOF_W w;
  write(w);
  if (writtenSize) *writtenSize = w.Bytes().size();
  size_t size = w.Bytes().size() - cutBytes;
  ResourceBuffer buffer(w.Bytes().data(), size);
  DS_IOF_R<ResourceBuffer> r(&buffer);
  read(r);
  return !r.Failed();
}

// --- MediaColor ---

TEST(MediaColorParam, DefaultsAreWhiteAndOpaque) {
  MediaColor color;
  EXPECT_EQ(0xFFFFFFu, color.GetValue());
  EXPECT_EQ(0u, color.GetTransparency());
  EXPECT_EQ(255, color.GetAlpha());
}

struct ColorAlphaCase {
  unsigned int transparency;
  int alpha;
};

class MediaColorAlpha : public ::testing::TestWithParam<ColorAlphaCase> {};

TEST_P(MediaColorAlpha, TransparencyGivesAlphaByte) {
  MediaColor color;
  color.Opacity().SetValue(GetParam().transparency);
  EXPECT_EQ(GetParam().alpha, color.GetAlpha()) << "transparency " << GetParam().transparency;
}

INSTANTIATE_TEST_SUITE_P(Table, MediaColorAlpha,
                         ::testing::Values(ColorAlphaCase{0u, 255}, ColorAlphaCase{1u, 252}, ColorAlphaCase{50u, 127},
                                           ColorAlphaCase{99u, 2}, ColorAlphaCase{100u, 0},
                                           ColorAlphaCase{150u, 0}));

TEST(MediaColorParam, FieldRoundTripRecomputesTheAlpha) {
  MediaColor written(0x00336699);
  written.Opacity().SetValue(50u);
  MediaColor read;
  size_t size = 0;
  EXPECT_TRUE(RoundTrip([&](DS_IOF_Virtual& s) { written.WriteField(s); },
                        [&](DS_IOF_Virtual& s) { read.ReadField(s); }, 0, &size));
  EXPECT_EQ(8u, size);
  EXPECT_EQ(0x00336699u, read.GetValue());
  EXPECT_EQ(50u, read.GetTransparency());
  EXPECT_EQ(127, read.GetAlpha());
}

TEST(MediaColorParam, CopyKeepsColourAndOpacity) {
  MediaColor source(0x0000FF);
  source.Opacity().SetValue(100u);
  MediaColor copy(source);
  EXPECT_EQ(0x0000FFu, copy.GetValue());
  EXPECT_EQ(0, copy.GetAlpha());
  copy.Opacity().SetValue(0u);
  EXPECT_EQ(255, copy.GetAlpha());
  EXPECT_EQ(0, source.GetAlpha());
}

TEST(MediaColorParam, TruncatedFieldFailsCleanly) {
  MediaColor written(0x123456);
  MediaColor read;
  EXPECT_FALSE(RoundTrip([&](DS_IOF_Virtual& s) { written.WriteField(s); },
                         [&](DS_IOF_Virtual& s) { read.ReadField(s); }, 2));
  EXPECT_EQ(0x123456u, read.GetValue()) << "the colour came before the cut";
  EXPECT_EQ(255, read.GetAlpha()) << "the cut transparency must leave the default";
}

// --- MediaDirection ---

TEST(MediaDirectionParam, AxesFollowTheAngleAtConstruction) {
  MediaDirection d;
  EXPECT_EQ(D3DXVECTOR4(1, 0, 0, 0), d.GetXAxis());
  EXPECT_EQ(D3DXVECTOR4(0, 1, 0, 0), d.GetYAxis());

  MediaDirection ninety(90u);
  MediaDirection copy(ninety);
  EXPECT_NEAR(0.0f, copy.GetXAxis().x, 1e-6f);
  EXPECT_NEAR(1.0f, copy.GetXAxis().y, 1e-6f);
  EXPECT_NEAR(-1.0f, copy.GetYAxis().x, 1e-6f);
  EXPECT_NEAR(0.0f, copy.GetYAxis().y, 1e-6f);
}

TEST(MediaDirectionParam, LaterAngleChangeKeepsAxesUntilUpdated) {
  MediaDirection d;
  d.SetValue(180u);
  EXPECT_EQ(1.0f, d.GetXAxis().x);
  d.UpdateAxes();
  EXPECT_NEAR(-1.0f, d.GetXAxis().x, 1e-6f);
}

TEST(MediaDirectionParam, FieldRoundTripStoresTheAngle) {
  MediaDirection written(270u);
  MediaDirection read;
  EXPECT_TRUE(RoundTrip([&](DS_IOF_Virtual& s) { written.WriteField(s); },
                        [&](DS_IOF_Virtual& s) { read.ReadField(s); }));
  EXPECT_EQ(270u, read.GetValue());
  read.UpdateAxes();
  EXPECT_NEAR(-1.0f, read.GetXAxis().y, 1e-6f);
}

// --- MediaSector ---

TEST(MediaSectorParam, ZeroSpreadAlwaysGivesTheDirection) {
  for (unsigned int degrees : {0u, 30u, 90u, 200u}) {
    MediaSector sector(degrees, 0u);
    float a = degrees * 3.1415927f / 180.0f;
    for (int i = 0; i < 5; ++i) {
      D3DXVECTOR3 v = sector.RandomDirection();
      EXPECT_NEAR(std::cos(a), v.x, 1e-5f) << degrees;
      EXPECT_NEAR(-std::sin(a), v.y, 1e-5f) << degrees;
      EXPECT_EQ(0.0f, v.z);
    }
  }
}

TEST(MediaSectorParam, SpreadStaysWithinTheCone) {
  MediaSector sector(90u, 10u);
  std::srand(7);
  for (int i = 0; i < 200; ++i) {
    D3DXVECTOR3 v = sector.RandomDirection();
    // Direction 90 +- 10 degrees: y = -sin a <= -sin 80.
    EXPECT_LE(v.y, -std::sin(80.0f * 3.1415927f / 180.0f) + 1e-5f);
    EXPECT_NEAR(1.0f, v.x * v.x + v.y * v.y, 1e-5f);
  }
}

TEST(MediaSectorParam, CopyTakesDirectionAndSpread) {
  MediaSector source(45u, 5u);
  MediaSector copy(source);
  EXPECT_EQ(45u, copy.GetValue());
  EXPECT_EQ(5u, copy.Spread().GetValue());
  EXPECT_EQ(1u, copy.Spread().ControlCount());
}

TEST(MediaSectorParam, FieldRoundTripStoresTheDirectionOnly) {
  MediaSector written(120u, 30u);
  MediaSector read;
  size_t size = 0;
  EXPECT_TRUE(RoundTrip([&](DS_IOF_Virtual& s) { written.WriteField(s); },
                        [&](DS_IOF_Virtual& s) { read.ReadField(s); }, 0, &size));
  EXPECT_EQ(4u, size);
  EXPECT_EQ(120u, read.GetValue());
  EXPECT_EQ(0u, read.Spread().GetValue());
  MediaSector cut(9u, 0u);
  EXPECT_FALSE(RoundTrip([&](DS_IOF_Virtual& s) { written.WriteField(s); },
                         [&](DS_IOF_Virtual& s) { cut.ReadField(s); }, 1));
  EXPECT_EQ(9u, cut.GetValue());
}

// --- MediaRectangle ---

TEST(MediaRectangleParam, SixValuesRoundTripInOrder) {
  MediaRectangle written;
  written.Left().SetValue(-10);
  written.Right().SetValue(300);
  written.Top().SetValue(20);
  written.Bottom().SetValue(400);
  written.Extra1().SetValue(145);
  written.Extra2().SetValue(-7);
  MediaRectangle read;
  size_t size = 0;
  EXPECT_TRUE(RoundTrip([&](DS_IOF_Virtual& s) { written.Write(s); }, [&](DS_IOF_Virtual& s) { read.Read(s); }, 0,
                        &size));
  EXPECT_EQ(24u, size);
  EXPECT_EQ(-10, read.Left().GetValue());
  EXPECT_EQ(300, read.Right().GetValue());
  EXPECT_EQ(20, read.Top().GetValue());
  EXPECT_EQ(400, read.Bottom().GetValue());
  EXPECT_EQ(145, read.Extra1().GetValue());
  EXPECT_EQ(-7, read.Extra2().GetValue());
}

TEST(MediaRectangleParam, ReadStoresWithoutNotification) {
  class Counter : public MediaControlT<MediaParam> {
  public:
    void OnParamChanged(MediaControl*) override { ++calls; }
    int calls = 0;
  };
  MediaRectangle written;
  written.Left().SetValue(5);
  MediaRectangle read;
  Counter counter;
  counter.Observe(&read.Left());
  RoundTrip([&](DS_IOF_Virtual& s) { written.Write(s); }, [&](DS_IOF_Virtual& s) { read.Read(s); });
  EXPECT_EQ(5, read.Left().GetValue());
  EXPECT_EQ(0, counter.calls);
}

TEST(MediaRectangleParam, TruncatedRecordKeepsTheUnreadValues) {
  MediaRectangle written;
  written.Left().SetValue(1);
  written.Extra2().SetValue(99);
  MediaRectangle read;
  read.Extra2().SetValue(3);
  EXPECT_FALSE(RoundTrip([&](DS_IOF_Virtual& s) { written.Write(s); }, [&](DS_IOF_Virtual& s) { read.Read(s); }, 1));
  EXPECT_EQ(1, read.Left().GetValue());
  EXPECT_EQ(3, read.Extra2().GetValue());
}

// --- MediaQuad ---

TEST(MediaQuadParam, StartsAtTheOrigin) {
  MediaQuad quad;
  for (int i = 0; i < 4; ++i) EXPECT_EQ(D3DXVECTOR3(0, 0, 0), quad.Corner(i).GetValue()) << "corner " << i;
}

TEST(MediaQuadParam, SetFromCentreLaysOutTheCorners) {
  MediaQuad quad;
  quad.SetFromCentre(D3DXVECTOR3(100, 50, 2), 40, 20);
  EXPECT_EQ(D3DXVECTOR3(80, 40, 2), quad.Corner(0).GetValue());
  EXPECT_EQ(D3DXVECTOR3(80, 60, 2), quad.Corner(1).GetValue());
  EXPECT_EQ(D3DXVECTOR3(120, 40, 2), quad.Corner(2).GetValue());
  EXPECT_EQ(D3DXVECTOR3(120, 60, 2), quad.Corner(3).GetValue());
  EXPECT_EQ(quad.Corner(0).GetValue(), quad.Corner(-1).GetValue()) << "a bad index must not overrun";
  EXPECT_EQ(quad.Corner(0).GetValue(), quad.Corner(4).GetValue());
}

TEST(MediaQuadParam, RandomPointLiesBetweenCornerZeroAndThree) {
  MediaQuad quad;
  quad.SetFromCentre(D3DXVECTOR3(0, 0, 5), 10, 4);
  std::srand(3);
  for (int i = 0; i < 100; ++i) {
    D3DXVECTOR3 p = quad.RandomPoint();
    EXPECT_GE(p.x, -5.0f);
    EXPECT_LE(p.x, 5.0f);
    EXPECT_GE(p.y, -2.0f);
    EXPECT_LE(p.y, 2.0f);
    EXPECT_EQ(0.0f, p.z);
  }
  // y takes the first rand(), x the second.
  std::srand(11);
  float r1 = std::rand() / 32767.0f;
  float r2 = std::rand() / 32767.0f;
  std::srand(11);
  D3DXVECTOR3 p = quad.RandomPoint();
  EXPECT_FLOAT_EQ(-2.0f + r1 * 4.0f, p.y);
  EXPECT_FLOAT_EQ(-5.0f + r2 * 10.0f, p.x);
}

TEST(MediaQuadParam, TwelveFloatsRoundTrip) {
  MediaQuad written;
  for (int i = 0; i < 4; ++i) written.Corner(i).SetValue(D3DXVECTOR3(i + 0.5f, -i * 2.0f, i * 3.25f));
  MediaQuad read;
  size_t size = 0;
  EXPECT_TRUE(RoundTrip([&](DS_IOF_Virtual& s) { written.Write(s); }, [&](DS_IOF_Virtual& s) { read.Read(s); }, 0,
                        &size));
  EXPECT_EQ(48u, size);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(written.Corner(i).GetValue(), read.Corner(i).GetValue()) << "corner " << i;
}

TEST(MediaQuadParam, TruncatedRecordFails) {
  MediaQuad written;
  written.SetFromCentre(D3DXVECTOR3(1, 1, 0), 2, 2);
  MediaQuad read;
  EXPECT_FALSE(RoundTrip([&](DS_IOF_Virtual& s) { written.Write(s); }, [&](DS_IOF_Virtual& s) { read.Read(s); }, 4));
  EXPECT_EQ(written.Corner(0).GetValue(), read.Corner(0).GetValue());
  EXPECT_EQ(D3DXVECTOR3(2, 2, 0), written.Corner(3).GetValue());
  EXPECT_EQ(2.0f, read.Corner(3).GetValue().x);
  EXPECT_EQ(0.0f, read.Corner(3).GetValue().z) << "the cut float keeps its old value";
}

// --- FontMediaParam ---

TEST(FontParam, DefaultsAndRoundTrip) {
  FontMediaParam font;
  EXPECT_EQ(32, font.GetHeight());
  EXPECT_EQ(700, font.GetWeight());
  EXPECT_EQ(0, font.GetThird());
  EXPECT_EQ(L"Arial", font.GetFaceName());

  FontMediaParam written;
  written.Set(-18, 400, 3, L"Courier New");
  FontMediaParam read;
  EXPECT_TRUE(RoundTrip([&](DS_IOF_Virtual& s) { written.Write(s); }, [&](DS_IOF_Virtual& s) { read.Read(s); }));
  EXPECT_EQ(-18, read.GetHeight());
  EXPECT_EQ(400, read.GetWeight());
  EXPECT_EQ(3, read.GetThird());
  EXPECT_EQ(L"Courier New", read.GetFaceName());

  FontMediaParam copy(read);
  EXPECT_EQ(L"Courier New", copy.GetFaceName());
  EXPECT_EQ(-18, copy.GetHeight());
}

TEST(FontParam, TruncatedNameFailsAndKeepsTheFace) {
  FontMediaParam written;
  written.Set(20, 700, 0, L"Verdana");
  FontMediaParam read;
  EXPECT_FALSE(RoundTrip([&](DS_IOF_Virtual& s) { written.Write(s); }, [&](DS_IOF_Virtual& s) { read.Read(s); }, 3));
  EXPECT_EQ(20, read.GetHeight());
  EXPECT_EQ(L"Arial", read.GetFaceName());
}

}  // namespace
