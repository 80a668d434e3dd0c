// The code-rain layer without a device: its record in every version through the
// writers and the layer registry, its defaults, and the colour of a glyph quad.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "document/ResourceBuffer.h"
#include "document/StreamWriter.h"
#include "render/layers/CodeRainLayer.h"

namespace {

DS_2D_Light* ReadLayer(const std::vector<unsigned char>& bytes, bool* failed = nullptr, size_t* left = nullptr) {
  ResourceBuffer buffer(bytes.data(), bytes.size());
  DS_IOF_Handle handle(new DS_IOF_R<ResourceBuffer>(&buffer));
  DS_2D_Light* layer = ReadAny2DLight(handle);
  if (failed) *failed = handle->Failed();
  if (left) *left = buffer.BytesLeft();
  return layer;
}

std::unique_ptr<DS_MatrixCodeLight> ReadCodeRain(const std::vector<unsigned char>& bytes) {
  bool failed = true;
  size_t left = 1;
  std::unique_ptr<DS_2D_Light> layer(ReadLayer(bytes, &failed, &left));
  EXPECT_FALSE(failed);
  EXPECT_EQ(0u, left) << "the record was not read to its end";
  EXPECT_TRUE(dynamic_cast<DS_MatrixCodeLight*>(layer.get())) << "not read as a code-rain layer";
  return std::unique_ptr<DS_MatrixCodeLight>(dynamic_cast<DS_MatrixCodeLight*>(layer.release()));
}

// A layer with every stored setting away from its default.
void SetEverything(DS_MatrixCodeLight& layer) {
  layer.cellSize.SetValue(12);
  layer.density.SetValue(33);
  layer.glitchCount.SetValue(7);
  layer.spinnerSwitch.SetValue(1);
  layer.drawMode.SetValue(1);
  layer.fallStyle.SetValue(0);
  layer.glyphColor.SetValue(0x00336699);
  layer.highlightColor.SetValue(0x80FFEEDD);  // beyond the int range: stored as a negative int
  layer.opacity.SetValue(25);
  layer.glyphImage.StoreKey(DS_FileKey(L"C:\\scene\\glyphs.png", 9));
  layer.GetPictureLink().StoreKey(DS_FileKey(L"C:\\scene\\city.jpg", 5));
  layer.GetCamera().on.StoreValue(1);
  layer.GetCamera().zoom.SetValue(140);
}

void ExpectEverything(const DS_MatrixCodeLight& layer) {
  EXPECT_EQ(12u, layer.cellSize.GetValue());
  EXPECT_EQ(33u, layer.density.GetValue());
  EXPECT_EQ(7u, layer.glitchCount.GetValue());
  EXPECT_EQ(1, layer.spinnerSwitch.GetValue());
  EXPECT_EQ(1, layer.drawMode.GetValue());
  EXPECT_EQ(0, layer.fallStyle.GetValue());
  EXPECT_EQ(0x00336699ul, layer.glyphColor.GetValue());
  EXPECT_EQ(0x80FFEEDDul, layer.highlightColor.GetValue());
  EXPECT_EQ(25u, layer.opacity.GetValue());
  EXPECT_FLOAT_EQ(0.75f, layer.opacity.GetResult()) << "the opacity follows its stored transparency";
  DS_MatrixCodeLight& reading = const_cast<DS_MatrixCodeLight&>(layer);
  EXPECT_EQ(L"C:\\scene\\city.jpg", reading.GetPictureLink().GetPath());
  EXPECT_EQ(1, reading.GetCamera().on.GetValue());
  EXPECT_EQ(140u, reading.GetCamera().zoom.GetValue());
}

TEST(CodeRainRecordTest, VersionTwoRoundTrip) {
  DS_MatrixCodeLight written;
  SetEverything(written);
  DS_IOF_W s;
  written.Write(s);
  std::unique_ptr<DS_MatrixCodeLight> read = ReadCodeRain(s.Bytes());
  ASSERT_TRUE(read);
  ExpectEverything(*read);
  EXPECT_EQ(L"C:\\scene\\glyphs.png", read->glyphImage.GetPath());
  EXPECT_EQ(9, read->glyphImage.GetStamp());
  // The writer mirrors the reader field for field.
  DS_IOF_W again;
  read->Write(again);
  EXPECT_EQ(s.Bytes(), again.Bytes());
}

TEST(CodeRainRecordTest, VersionOneKeepsTheDefaultGlyphs) {
  DS_MatrixCodeLight source;
  SetEverything(source);
  DS_IOF_W s;
  WriteLevelHeader(s, L"DS_MatrixCodeLight", 1);
  s.WriteUInt(12);
  s.WriteUInt(33);
  s.WriteUInt(7);
  s.WriteLong(1);
  s.WriteLong(1);
  s.WriteLong(0);
  s.WriteInt(0x00336699);
  s.WriteInt(int(0x80FFEEDDu));
  s.WriteUInt(25);
  source.DS_2D_Light::Write(s);
  std::unique_ptr<DS_MatrixCodeLight> read = ReadCodeRain(s.Bytes());
  ASSERT_TRUE(read);
  ExpectEverything(*read);
  EXPECT_EQ(L"common_res.dll", read->glyphImage.GetPath());
  EXPECT_EQ(DS_MatrixCodeLight::kDefaultGlyphResource, read->glyphImage.GetStamp());
}

TEST(CodeRainRecordTest, ACutRecordGivesNoLayer) {
  DS_MatrixCodeLight written;
  SetEverything(written);
  DS_IOF_W s;
  written.Write(s);
  for (size_t cut = 0; cut < s.Bytes().size(); ++cut) {
    std::vector<unsigned char> bytes(s.Bytes().begin(), s.Bytes().begin() + ptrdiff_t(cut));
    bool failed = false;
    std::unique_ptr<DS_2D_Light> layer(ReadLayer(bytes, &failed));
    EXPECT_EQ(nullptr, layer.get()) << "cut at " << cut;
    EXPECT_TRUE(failed) << "cut at " << cut;
  }
}

TEST(CodeRainLayerTest, Defaults) {
  DS_MatrixCodeLight layer;
  EXPECT_EQ(16u, layer.cellSize.GetValue());
  EXPECT_EQ(20u, layer.density.GetValue());
  EXPECT_EQ(50u, layer.glitchCount.GetValue());
  EXPECT_EQ(0, layer.spinnerSwitch.GetValue());
  EXPECT_EQ(0, layer.drawMode.GetValue());
  EXPECT_EQ(2, layer.fallStyle.GetValue());
  EXPECT_EQ(0ul, layer.glyphColor.GetValue());
  EXPECT_EQ(0ul, layer.highlightColor.GetValue());
  EXPECT_EQ(0u, layer.opacity.GetValue());
  EXPECT_FLOAT_EQ(1.0f, layer.opacity.GetResult());
  EXPECT_EQ(L"common_res.dll", layer.glyphImage.GetPath());
  EXPECT_EQ(40, layer.glyphImage.GetStamp());
  EXPECT_FALSE(layer.NeedsSceneCapture());
  EXPECT_EQ(nullptr, layer.GetRain());
  EXPECT_EQ(0, layer.GetBatch().GetQuadCount());
  EXPECT_TRUE(layer.GetLuminanceMap().empty());
  const DS_MatrixCodeConfig& config = layer.GetConfig();
  EXPECT_EQ(16, config.cellSize);
  EXPECT_EQ(20, config.density);
  EXPECT_EQ(10, config.glitchCount);
  EXPECT_EQ(0, config.spinnerSwitch);
  EXPECT_EQ(0, config.fallStyle);
  EXPECT_EQ(1, config.glyphCount);
}

TEST(CodeRainLayerTest, UpdateKeepsTheTimeOnly) {
  DS_MatrixCodeLight layer;
  layer.Update(12.5f);
  EXPECT_FLOAT_EQ(12.5f, layer.GetTime());
  EXPECT_EQ(0.0f, layer.GetCamera().speed.GetAccumulatedTime()) << "the camera moves when the layer renders";
}

// ---- glyph colours ----

struct ColorCase {
  const char* name;
  unsigned transparency;
  int drawMode;
  int cellClass;
  uint32_t mask;
  uint32_t expected;
};

TEST(CodeRainLayerTest, GlyphColors) {
  // Glyph colour red 0x11, green 0x22, blue 0x33; highlight red 0xAA, green 0xBB, blue 0xCC.
  const ColorCase cases[] = {
      {"normal", 0, 0, DS_MatrixCodeGlyph::kNormal, 0xFFFFFFFF, 0xFF112233},
      {"highlighted", 0, 0, DS_MatrixCodeGlyph::kHighlighted, 0xFFFFFFFF, 0xFFAABBCC},
      {"fading", 0, 0, DS_MatrixCodeGlyph::kFading, 0xFFFFFFFF, 0x7F112233},
      {"half transparent", 50, 0, DS_MatrixCodeGlyph::kNormal, 0xFFFFFFFF, 0x7F112233},
      {"half transparent, fading", 50, 0, DS_MatrixCodeGlyph::kFading, 0xFFFFFFFF, 0x3F112233},
      {"after the last cell", 0, 0, DS_MatrixCodeGlyph::kNormal, 0x00FFFFFF, 0x00112233},
      // Without a luminance map the picture counts as white; fading is not halved.
      {"luminance, fading", 50, 1, DS_MatrixCodeGlyph::kFading, 0xFFFFFFFF, 0x7F112233},
      {"luminance, highlighted", 50, 1, DS_MatrixCodeGlyph::kHighlighted, 0xFFFFFFFF, 0x7FAABBCC},
      {"other mode", 0, 5, DS_MatrixCodeGlyph::kFading, 0xFFFFFFFF, 0x7F112233},
      // Not clamped: -0.5 x 255 truncates to -127, whose low byte is 0x81.
      {"over-transparent", 150, 0, DS_MatrixCodeGlyph::kNormal, 0xFFFFFFFF, 0x81112233},
  };
  for (const ColorCase& c : cases) {
    DS_MatrixCodeLight layer;
    layer.glyphColor.SetValue(0x00332211);
    layer.highlightColor.SetValue(0x00CCBBAA);
    layer.opacity.SetValue(c.transparency);
    layer.drawMode.SetValue(c.drawMode);
    DS_MatrixCodeGlyph item;
    item.cellClass = c.cellClass;
    item.colorMask = c.mask;
    EXPECT_EQ(c.expected, layer.GlyphColor(item)) << c.name;
  }
}

TEST(CodeRainLayerTest, ExtremeTransparencyGivesADefinedAlpha) {
  DS_MatrixCodeLight layer;
  layer.glyphColor.SetValue(0x00332211);
  layer.opacity.SetValue(0xFFFFFFFFu);
  DS_MatrixCodeGlyph item;
  const float alpha = layer.opacity.GetResult();
  const uint32_t expected = uint32_t(uint64_t(int64_t(double(alpha * 255.0f))) & 0xFF);
  EXPECT_EQ((expected << 24) | 0x112233u, layer.GlyphColor(item));
}

}  // namespace
