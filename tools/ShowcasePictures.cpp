// The showcase's further slide pictures and its sprite pictures (DefaultPictures.h).
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "tools/DefaultPictures.h"

namespace ds_tools {
namespace {

uint32_t WithAlpha(uint32_t rgb, float alpha) {
  const float a = std::min(std::max(alpha, 0.0f), 1.0f);
  return (uint32_t(a * 255.0f + 0.5f) << 24) | (rgb & 0x00FFFFFFu);
}

// Rows from the design row `shore` down become a mirror of the rows above, mixed with
// `tint` by `mix`, for water under a sky.
void MirrorWater(Canvas& canvas, float shore, uint32_t tint, float mix) {
  Picture& picture = canvas.picture;
  const int first = canvas.FirstRow(shore);
  for (int y = first; y < picture.Height(); ++y) {
    const int source = std::max(0, 2 * first - y);
    for (int x = 0; x < picture.Width(); ++x) picture.Set(x, y, MixColour(picture.At(x, source), tint, mix));
  }
}

// Samples a pixel's side is cut into: hard edges of a sprite's shading come out
// anti-aliased.
const int kSpriteSamples = 4;

// A sprite picture of `width` x `height` design units whose every point is
// `shade(x, y)`, an ARGB colour; each pixel is the mean of its samples, their colours
// weighted by their alpha so that edges do not darken.
template <class Shade>
Picture PaintSprite(int width, int height, Shade shade) {
  Picture picture(ScaledSide(width, kSpritePixelsPerUnit), ScaledSide(height, kSpritePixelsPerUnit), 0);
  const float step = 1.0f / (kSpritePixelsPerUnit * float(kSpriteSamples));
  for (int y = 0; y < picture.Height(); ++y) {
    for (int x = 0; x < picture.Width(); ++x) {
      float alpha = 0.0f, red = 0.0f, green = 0.0f, blue = 0.0f;
      for (int sy = 0; sy < kSpriteSamples; ++sy) {
        for (int sx = 0; sx < kSpriteSamples; ++sx) {
          const uint32_t c = shade((float(x * kSpriteSamples + sx) + 0.5f) * step,
                                   (float(y * kSpriteSamples + sy) + 0.5f) * step);
          const float a = float(c >> 24) / 255.0f;
          alpha += a;
          red += a * float((c >> 16) & 0xFFu);
          green += a * float((c >> 8) & 0xFFu);
          blue += a * float(c & 0xFFu);
        }
      }
      if (alpha <= 0.0f) continue;
      const uint32_t rgb = (uint32_t(std::lround(red / alpha)) << 16) | (uint32_t(std::lround(green / alpha)) << 8) |
                           uint32_t(std::lround(blue / alpha));
      picture.Set(x, y, WithAlpha(rgb, alpha / float(kSpriteSamples * kSpriteSamples)));
    }
  }
  return picture;
}

uint32_t NextSeed(uint32_t& seed) {
  seed = seed * 1103515245u + 12345u;
  return seed >> 8;
}

// 5 x 7 glyphs, one row a string of five bits, top row first.
struct Glyph {
  char c;
  const char* rows[7];
};
const Glyph kGlyphs[] = {
    {'A', {"01110", "10001", "10001", "11111", "10001", "10001", "10001"}},
    {'B', {"11110", "10001", "10001", "11110", "10001", "10001", "11110"}},
    {'C', {"01110", "10001", "10000", "10000", "10000", "10001", "01110"}},
    {'D', {"11110", "10001", "10001", "10001", "10001", "10001", "11110"}},
    {'E', {"11111", "10000", "10000", "11110", "10000", "10000", "11111"}},
    {'F', {"11111", "10000", "10000", "11110", "10000", "10000", "10000"}},
    {'G', {"01110", "10001", "10000", "10111", "10001", "10001", "01111"}},
    {'H', {"10001", "10001", "10001", "11111", "10001", "10001", "10001"}},
    {'I', {"01110", "00100", "00100", "00100", "00100", "00100", "01110"}},
    {'J', {"00111", "00010", "00010", "00010", "00010", "10010", "01100"}},
    {'K', {"10001", "10010", "10100", "11000", "10100", "10010", "10001"}},
    {'L', {"10000", "10000", "10000", "10000", "10000", "10000", "11111"}},
    {'M', {"10001", "11011", "10101", "10101", "10001", "10001", "10001"}},
    {'N', {"10001", "10001", "11001", "10101", "10011", "10001", "10001"}},
    {'O', {"01110", "10001", "10001", "10001", "10001", "10001", "01110"}},
    {'P', {"11110", "10001", "10001", "11110", "10000", "10000", "10000"}},
    {'Q', {"01110", "10001", "10001", "10001", "10101", "10010", "01101"}},
    {'R', {"11110", "10001", "10001", "11110", "10100", "10010", "10001"}},
    {'S', {"01111", "10000", "10000", "01110", "00001", "00001", "11110"}},
    {'T', {"11111", "00100", "00100", "00100", "00100", "00100", "00100"}},
    {'U', {"10001", "10001", "10001", "10001", "10001", "10001", "01110"}},
    {'V', {"10001", "10001", "10001", "10001", "10001", "01010", "00100"}},
    {'W', {"10001", "10001", "10001", "10101", "10101", "10101", "01010"}},
    {'X', {"10001", "10001", "01010", "00100", "01010", "10001", "10001"}},
    {'Y', {"10001", "10001", "01010", "00100", "00100", "00100", "00100"}},
    {'Z', {"11111", "00001", "00010", "00100", "01000", "10000", "11111"}},
    {'.', {"00000", "00000", "00000", "00000", "00000", "01100", "01100"}},
    {',', {"00000", "00000", "00000", "00000", "01100", "00100", "01000"}},
    {'!', {"00100", "00100", "00100", "00100", "00100", "00000", "00100"}},
};

const Glyph* FindGlyph(char c) {
  for (const Glyph& glyph : kGlyphs) {
    if (glyph.c == c) return &glyph;
  }
  return nullptr;
}

}  // namespace

ScenePicture MakeDuskLake() {
  const uint32_t kSky = 0xFF5A1E5Au;
  const uint32_t kShore = 0xFF1E1A2Au;
  const float kScale = 1920.0f / 352.0f;
  Picture picture(ScaledSide(352, kScale), ScaledSide(200, kScale));
  Canvas canvas(picture, kScale);
  FillGradient(canvas, kSky, 0xFFF0904Au, 10.0f, 110.0f);
  DrawGlowDisc(canvas, 210.0f, 104.0f, 10.0f, 40.0f, 0xFFFFD890u, 0.7f);
  FillBelow(canvas, [](float x) { return 112.0f - 14.0f * std::fabs(std::sin(x * 0.02f + 0.3f)) -
                                         4.0f * std::sin(x * 0.31f); },
            kShore);
  MirrorWater(canvas, 120.0f, 0xFF1040A0u, 0.6f);
  return {L"dusk_lake.png", picture, {MarkAt(canvas, 8, 4, kSky, "sky")}};
}

ScenePicture MakeStormNight() {
  const uint32_t kTown = 0xFF07080Eu;
  const uint32_t kSky = 0xFF3A5A4Au;
  const uint32_t kStreet = 0xFFB07A28u;
  const uint32_t kWindow = 0xFFF2C25Au;
  const float kScale = 1920.0f / 336.0f;
  Picture picture(ScaledSide(336, kScale), ScaledSide(192, kScale));
  Canvas canvas(picture, kScale);
  FillGradient(canvas, kSky, 0xFF1A2038u, 12.0f, 170.0f);
  DrawSoftEllipse(canvas, 90.0f, 40.0f, 90.0f, 26.0f, 0xFF3A4262u, 0.7f);
  DrawSoftEllipse(canvas, 240.0f, 60.0f, 100.0f, 30.0f, 0xFF343A58u, 0.7f);
  // Houses side by side, every other one under a pitched roof, their lit windows at
  // random in a grid of five by six units.
  uint32_t seed = 777u;
  const float width = 336.0f, height = 192.0f;
  float x = 0.0f;
  bool pitched = false;
  while (x < width) {
    const float house = 14.0f + float(NextSeed(seed) % 26u);
    const float top = 120.0f + float(NextSeed(seed) % 50u);
    FillRect(canvas, x, top, std::min(x + house, width), height, kTown);
    if (pitched) FillConvex(canvas, {x, top + 0.5f, x + house * 0.5f, top - house * 0.35f, x + house, top + 0.5f}, kTown);
    for (float wy = top + 3.0f; wy + 1.0f < height; wy += 6.0f) {
      for (float wx = x + 2.0f; wx + 1.0f < std::min(x + house, width); wx += 5.0f) {
        if (NextSeed(seed) % 3u == 0) FillRect(canvas, wx, wy, wx + 1.0f, wy + 1.0f, kWindow);
      }
    }
    x += house + 2.0f;
    pitched = !pitched;
  }
  FillRect(canvas, 0.0f, 180.0f, width, height, kStreet);
  return {L"storm_night.png", picture, {MarkAt(canvas, 168, 186, kStreet, "lit street")}};
}

ScenePicture MakeWinterNight() {
  const uint32_t kSnow = 0xFFE8F0FAu;
  const float kScale = 7.5f;
  Picture picture(ScaledSide(256, kScale), ScaledSide(240, kScale));
  Canvas canvas(picture, kScale);
  FillGradient(canvas, 0xFF2060A8u, 0xFF6A8CC8u, 0.0f, 170.0f);
  DrawGlowDisc(canvas, 190.0f, 50.0f, 9.0f, 26.0f, 0xFFF4F4E0u, 0.6f);
  FillBelow(canvas, [](float x) { return 170.0f + 16.0f * std::sin(x * 0.03f); }, 0xFFC8D6EAu);
  FillBelow(canvas, [](float x) { return 200.0f + 10.0f * std::sin(x * 0.05f + 1.0f); }, kSnow);
  const float pines[] = {30.0f, 70.0f, 150.0f, 220.0f};
  for (float px : pines) {
    // A narrow trunk-high triangle widening by 0.22 units per unit down.
    const float half = 80.0f * 0.22f;
    FillConvex(canvas, {px, 120.0f, px + half, 200.0f, px - half, 200.0f}, 0xFF12301Eu);
  }
  return {L"winter_night.png", picture, {MarkAt(canvas, 128, 234, kSnow, "snow")}};
}

ScenePicture MakeSeaside() {
  const uint32_t kSand = 0xFFE6CF96u;
  const uint32_t kSky = 0xFF3C86D8u;
  const float kScale = 6.0f;
  Picture picture(ScaledSide(320, kScale), ScaledSide(224, kScale));
  Canvas canvas(picture, kScale);
  FillGradient(canvas, kSky, 0xFFBFE2F6u, 8.0f, 90.0f);
  DrawSoftEllipse(canvas, 80.0f, 30.0f, 46.0f, 12.0f, 0xFFFFFFFFu, 0.8f);
  // The sea below the horizon, deepening towards the beach.
  for (int y = canvas.FirstRow(90.0f); y < picture.Height(); ++y) {
    const float v = canvas.U(y);
    if (v < 90.0f) continue;
    const uint32_t sea = MixColour(0xFF2A7AB8u, 0xFF0E3E78u, SmoothStep(90.0f, 160.0f, v));
    for (int x = 0; x < picture.Width(); ++x) picture.Set(x, y, sea);
  }
  FillBelow(canvas, [](float x) { return 160.0f + 0.12f * x - 10.0f * std::sin(x * 0.02f); }, kSand);
  DrawSoftEllipse(canvas, 250.0f, 110.0f, 30.0f, 22.0f, 0xFF5A5048u, 1.0f);
  return {L"seaside.png", picture, {MarkAt(canvas, 30, 218, kSand, "sand")}};
}

ScenePicture MakeSeaFloor() {
  const uint32_t kSand = 0xFFB89A62u;
  const uint32_t kWeed = 0xFF1E6A3Au;
  const float kScale = 6.0f;
  Picture picture(ScaledSide(320, kScale), ScaledSide(180, kScale));
  Canvas canvas(picture, kScale);
  FillGradient(canvas, 0xFF2A8AC0u, 0xFF061A3Au, 0.0f, 180.0f);
  for (int i = 0; i < 4; ++i) {
    const float cx = 40.0f + 80.0f * float(i);
    for (int y = 0; y < picture.Height(); ++y) {
      const float v = canvas.U(y);
      const float centre = cx + 0.3f * v;
      for (int x = canvas.FirstColumn(centre - 12.0f); x < canvas.EndColumn(centre + 12.0f); ++x) {
        const float d = std::fabs(canvas.U(x) - centre);
        if (d < 12.0f) picture.Blend(x, y, 0xFF9AD8F0u, 0.25f * (1.0f - d / 12.0f) * (1.0f - v / 180.0f));
      }
    }
  }
  FillBelow(canvas, [](float x) { return 160.0f + 5.0f * std::sin(x * 0.04f); }, kSand);
  // Weed: wavy strands three units wide, their edges covered across the strand.
  for (int i = 0; i < 7; ++i) {
    const float bx = 20.0f + 45.0f * float(i);
    const float phase = float(i);
    for (int y = canvas.FirstRow(105.0f); y < canvas.EndRow(166.0f); ++y) {
      const float v = canvas.U(y);
      const float centre = bx + 4.0f * std::sin(v * 0.15f + phase);
      const float slope = 0.6f * std::cos(v * 0.15f + phase);
      const float across = std::sqrt(1.0f + slope * slope);
      // The strand's ends are cut level at 105 and 166 units.
      const float ends = std::min(EdgeCoverage((105.0f - v) * kScale), EdgeCoverage((v - 166.0f) * kScale));
      for (int x = canvas.FirstColumn(centre - 3.0f); x < canvas.EndColumn(centre + 3.0f); ++x) {
        const float d = (std::fabs(canvas.U(x) - centre) - 1.5f) / across;
        canvas.Cover(x, y, kWeed, std::min(ends, EdgeCoverage(d * kScale)));
      }
    }
  }
  return {L"sea_floor.png", picture, {MarkAt(canvas, 180, 175, kSand, "sand")}};
}

ScenePicture MakeHearth() {
  const uint32_t kBrick = 0xFF5A2A1Eu;
  const uint32_t kMortar = 0xFF8A6A5Au;
  const float kScale = 7.5f;
  Picture picture(ScaledSide(256, kScale), ScaledSide(192, kScale), kBrick);
  Canvas canvas(picture, kScale);
  // Courses twelve units high, bricks thirty-two long, every other course shifted by
  // half a brick.
  for (int row = 0; row < 16; ++row) {
    const float top = 12.0f * float(row);
    FillRect(canvas, 0.0f, top, 256.0f, top + 1.0f, kMortar);
    for (float x = (row % 2) ? 16.0f : 0.0f; x < 256.0f; x += 32.0f) FillRect(canvas, x, top, x + 1.0f, top + 12.0f, kMortar);
  }
  FillRect(canvas, 56.0f, 60.0f, 200.0f, 192.0f, 0xFF0A0606u);
  DrawSoftEllipse(canvas, 128.0f, 176.0f, 60.0f, 10.0f, 0xFF6A3418u, 1.0f);
  DrawGlowDisc(canvas, 128.0f, 172.0f, 6.0f, 50.0f, 0xFFFF7A20u, 0.6f);
  return {L"hearth.png", picture, {MarkAt(canvas, 32, 18, kBrick, "brick")}};
}

ScenePicture MakePond() {
  const float kScale = 8.0f;
  Picture picture(ScaledSide(240, kScale), ScaledSide(256, kScale));
  Canvas canvas(picture, kScale);
  FillGradient(canvas, 0xFF1C5A4Eu, 0xFF0E3A36u, 0.0f, 256.0f);
  const float pads[][3] = {{50, 60, 22}, {190, 80, 28}, {90, 190, 26}, {200, 200, 18}, {140, 130, 14}};
  for (const auto& pad : pads) {
    DrawSoftEllipse(canvas, pad[0], pad[1], pad[2], pad[2] * 0.8f, 0xFF4EA040u, 1.0f);
    DrawGlowDisc(canvas, pad[0] + 4.0f, pad[1] - 3.0f, 3.0f, 6.0f, 0xFFF4A8C8u, 0.9f);
  }
  return {L"pond.png", picture, {MarkAt(canvas, 186, 83, 0xFF4EA040u, "lily pad")}};
}

ScenePicture MakeTerminal() {
  const uint32_t kTop = 0xFF003A10u;
  const float kScale = 6.75f;
  Picture picture(ScaledSide(288, kScale), ScaledSide(160, kScale));
  Canvas canvas(picture, kScale);
  FillGradient(canvas, kTop, 0xFF000800u, 20.0f, 160.0f);
  return {L"terminal.png", picture, {MarkAt(canvas, 8, 8, kTop, "top")}};
}

SpritePicture MakeSoftDot() {
  return {L"soft_dot.dds", PaintSprite(32, 32, [](float x, float y) {
            const float d = std::hypot(x - 16.0f, y - 16.0f) / 16.0f;
            return WithAlpha(0xFFFFFF, 1.0f - SmoothStep(0.1f, 1.0f, d));
          })};
}

SpritePicture MakeStarSprite() {
  return {L"star.dds", PaintSprite(32, 32, [](float x, float y) {
            const float dx = std::fabs(x - 16.0f) / 16.0f;
            const float dy = std::fabs(y - 16.0f) / 16.0f;
            const float arms = std::max(1.0f - SmoothStep(0.0f, 0.12f, dx) - dy, 1.0f - SmoothStep(0.0f, 0.12f, dy) - dx);
            const float core = 1.0f - SmoothStep(0.0f, 0.35f, std::hypot(dx, dy));
            return WithAlpha(0xFFFFF4, std::max(arms, core));
          })};
}

SpritePicture MakeFishSprite() {
  return {L"fish.dds", PaintSprite(64, 32, [](float x, float y) {
            const float body = std::hypot((x - 36.0f) / 24.0f, (y - 16.0f) / 10.0f);
            const bool tail = x < 16.0f && std::fabs(y - 16.0f) < (16.0f - x) * 0.8f;
            const bool eye = std::hypot(x - 52.0f, y - 13.0f) < 2.0f;
            if (eye) return 0xFF101010u;
            if (body < 1.0f) return MixColour(0xFFFFB040u, 0xFFE0501Au, body);
            return tail ? 0xFFE0501Au : 0u;
          })};
}

SpritePicture MakeBirdSprite() {
  return {L"bird.dds", PaintSprite(64, 32, [](float x, float y) {
            // Two wings bending down from the body in the middle.
            const float wing = 14.0f + 8.0f * std::fabs(x - 32.0f) / 32.0f - 6.0f * std::sin(std::fabs(x - 32.0f) / 32.0f * 3.1416f);
            const float thickness = 3.0f * (1.0f - std::fabs(x - 32.0f) / 34.0f) + 0.8f;
            const float d = std::fabs(y - wing);
            return WithAlpha(0x202028, 1.0f - SmoothStep(thickness * 0.6f, thickness, d));
          })};
}

SpritePicture MakeRainDrop() {
  return {L"raindrop.dds", PaintSprite(8, 32, [](float x, float y) {
            const float across = 1.0f - SmoothStep(0.5f, 3.5f, std::fabs(x - 4.0f));
            return WithAlpha(0xCCDDFF, across * (0.2f + 0.8f * y / 32.0f));
          })};
}

SpritePicture MakeFogPuff() {
  return {L"fog_puff.dds", PaintSprite(128, 64, [](float x, float y) {
            const float d = std::hypot((x - 64.0f) / 64.0f, (y - 32.0f) / 32.0f);
            return WithAlpha(0xE8ECF4, 0.55f * (1.0f - SmoothStep(0.2f, 1.0f, d)));
          })};
}

SpritePicture MakeLightShaft() {
  return {L"light_shaft.dds", PaintSprite(32, 128, [](float x, float y) {
            const float across = 1.0f - SmoothStep(2.0f, 16.0f, std::fabs(x - 16.0f));
            return WithAlpha(0xFFE0A0, across * (1.0f - y / 128.0f) * 0.8f);
          })};
}

SpritePicture MakeFlowerSprite() {
  return {L"flower.dds", PaintSprite(32, 32, [](float x, float y) {
            const float dx = x - 16.0f;
            const float dy = y - 16.0f;
            const float r = std::hypot(dx, dy);
            const float petal = 10.0f + 5.0f * std::cos(5.0f * std::atan2(dy, dx));
            if (r < 4.0f) return 0xFFF8D030u;
            if (r < petal) return MixColour(0xFFFFC0D8u, 0xFFE04888u, r / petal);
            return 0u;
          })};
}

SpritePicture MakeGrassBlade() {
  return {L"grass_blade.dds", PaintSprite(16, 64, [](float x, float y) {
            const float half = 6.0f * y / 64.0f + 0.5f;
            const float centre = 8.0f + 3.0f * (1.0f - y / 64.0f) * (1.0f - y / 64.0f);
            const float cover = 1.0f - SmoothStep(half - 0.8f, half + 0.2f, std::fabs(x - centre));
            return WithAlpha(MixColour(0xFF9AD84Au, 0xFF2E7A24u, y / 64.0f) & 0xFFFFFFu, cover);
          })};
}

SpritePicture MakeGhostSprite() {
  return {L"ghost.dds", PaintSprite(32, 48, [](float x, float y) {
            const float head = std::hypot((x - 16.0f) / 12.0f, (y - 16.0f) / 14.0f);
            const float hem = 40.0f + 3.0f * std::sin(x * 0.8f);
            const bool body = y >= 16.0f && y < hem && std::fabs(x - 16.0f) < 12.0f;
            const float a = (head < 1.0f || body) ? 0.7f : 0.0f;
            return WithAlpha(0xE0F0FF, a);
          })};
}

SpritePicture MakeLeafSprite() {
  return {L"leaf.dds", PaintSprite(32, 32, [](float x, float y) {
            const float u = (x + y - 32.0f) / 22.0f;
            const float v = (x - y) / 10.0f;
            const float d = u * u + v * v;
            if (d < 1.0f) return MixColour(0xFFF0A020u, 0xFFC0401Au, d);
            return 0u;
          })};
}

SpritePicture MakeBoltStrip() {
  // Alike along its length (u), so that the bolt's texture length, which runs far
  // beyond one picture, never reaches an edge.
  return {L"bolt.dds", PaintSprite(16, 16, [](float, float y) {
            const float across = std::fabs(y - 8.0f);
            return WithAlpha(0xFFFFFF, std::max(1.0f - SmoothStep(0.5f, 3.0f, across), 0.5f * (1.0f - SmoothStep(2.0f, 8.0f, across))));
          })};
}

SpritePicture MakeSparkStrip() {
  const int kFrames = 4;
  const int kSide = 32;
  const int kRays = 5;
  const int kKinks = 3;
  // The rays of every frame as polylines from the frame's centre, each kink turning a
  // little; none reaches the frame's edge.
  std::vector<std::vector<float>> rays;  // per ray: x0, y0, x1, y1, ...
  uint32_t seed = 2468u;
  for (int frame = 0; frame < kFrames; ++frame) {
    for (int ray = 0; ray < kRays; ++ray) {
      float angle = 6.2831853f * (float(ray) + float(NextSeed(seed) % 100u) / 100.0f) / float(kRays);
      float x = float(frame * kSide) + 16.0f;
      float y = 16.0f;
      std::vector<float> line = {x, y};
      for (int kink = 0; kink < kKinks; ++kink) {
        const float length = 2.5f + float(NextSeed(seed) % 200u) / 100.0f;
        angle += (float(NextSeed(seed) % 200u) / 100.0f - 1.0f) * 0.9f;
        x += std::cos(angle) * length;
        y += std::sin(angle) * length;
        line.push_back(x);
        line.push_back(y);
      }
      rays.push_back(line);
    }
  }
  return {L"sparks.dds", PaintSprite(kFrames * kSide, kSide, [&](float x, float y) {
            const int frame = std::min(kFrames - 1, int(x) / kSide);
            float nearest = 1e9f;
            for (int ray = frame * kRays; ray < (frame + 1) * kRays; ++ray) {
              const std::vector<float>& line = rays[size_t(ray)];
              for (size_t i = 2; i + 1 < line.size(); i += 2) {
                const float ax = line[i - 2], ay = line[i - 1], bx = line[i], by = line[i + 1];
                const float dx = bx - ax, dy = by - ay;
                const float t = std::min(1.0f, std::max(0.0f, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)));
                nearest = std::min(nearest, std::hypot(x - ax - t * dx, y - ay - t * dy));
              }
            }
            const float core = 1.0f - SmoothStep(0.3f, 1.0f, nearest);
            const float glow = 0.35f * (1.0f - SmoothStep(0.8f, 3.0f, nearest));
            return WithAlpha(0xFFFFFF, std::max(core, glow));
          })};
}

SpritePicture MakeArcGlow() {
  // Two halves, one above the other, as the arc's core picture: each a soft band along
  // its middle, so that whichever half a segment picks, flipped or not, glows alike.
  return {L"arc_glow.dds", PaintSprite(16, 32, [](float, float y) {
            const float across = std::fabs(std::fmod(y, 16.0f) - 8.0f);
            return WithAlpha(0xFFFFFF, 1.0f - SmoothStep(0.0f, 7.5f, across));
          })};
}

SpritePicture MakeFireGradient() {
  // Cold (left) to hot (right): dark red through orange and yellow to white.
  return {L"fire_gradient.dds", PaintSprite(64, 4, [](float x, float) {
            const float heat = x / 64.0f;
            uint32_t colour = MixColour(0xFF400800u, 0xFFC02008u, SmoothStep(0.0f, 0.3f, heat));
            colour = MixColour(colour, 0xFFFF8A18u, SmoothStep(0.25f, 0.55f, heat));
            colour = MixColour(colour, 0xFFFFE060u, SmoothStep(0.5f, 0.8f, heat));
            colour = MixColour(colour, 0xFFFFFFF0u, SmoothStep(0.8f, 1.0f, heat));
            return colour;
          })};
}

SpritePicture MakeButterflyWing() {
  // The wing mesh puts the hinge at the left edge (u 0) and runs along the body from
  // top to bottom (v): a forewing above, a rounder hindwing below.
  return {L"butterfly_wing.dds", PaintSprite(64, 64, [](float x, float y) {
            const float fore = std::hypot((x - 30.0f) / 31.0f, (y - 19.0f) / 17.0f);
            const float root = std::hypot((x - 8.0f) / 12.0f, (y - 32.0f) / 20.0f);
            const float hind = std::hypot((x - 22.0f) / 22.0f, (y - 45.0f) / 17.0f);
            const float inside = std::min(std::min(fore, root), hind);
            if (inside >= 1.0f) return 0u;
            // A dark rim with pale dots, a vein pattern over orange.
            const float rim = std::min(fore < 1.0f ? fore : 9.0f, hind < 1.0f ? hind : 9.0f);
            if (rim > 0.78f && rim < 1.0f) {
              const bool dot = std::fmod(x + y * 0.5f, 7.0f) < 2.0f && rim > 0.84f && rim < 0.94f;
              return dot ? 0xFFFFF4E0u : 0xFF1A0E08u;
            }
            const float vein = std::fabs(std::sin(std::atan2(y - 32.0f, x) * 6.0f));
            if (vein < 0.08f && x > 6.0f) return 0xFF2A1408u;
            return MixColour(0xFFFFB030u, 0xFFE0600Cu, x / 64.0f);
          })};
}

SpritePicture MakeTextBanner(const char* text, uint32_t colour) {
  // The 5 x 7 cell font drawn large, one unit a cell: lit cells as squares, and where
  // two cells meet only at a corner, the notches between them filled, so that the
  // strokes of A, V, W, X, Z run smoothly on the slant instead of in steps.
  const float kScale = 12.0f;
  const int count = int(std::strlen(text));
  Picture coverage(ScaledSide(std::max(1, count) * 6, kScale), ScaledSide(8, kScale), 0xFF000000u);
  Canvas canvas(coverage, kScale);
  const uint32_t kLit = 0xFFFFFFFFu;
  for (int i = 0; i < count; ++i) {
    const Glyph* glyph = FindGlyph(text[i]);
    if (!glyph) continue;
    auto lit = [glyph](int row, int column) {
      return row >= 0 && row < 7 && column >= 0 && column < 5 && glyph->rows[row][column] == '1';
    };
    for (int row = 0; row < 7; ++row) {
      for (int column = 0; column < 5; ++column) {
        if (!lit(row, column)) continue;
        const float left = float(i * 6 + column), top = float(row);
        FillRect(canvas, left, top, left + 1.0f, top + 1.0f, kLit);
        // The cell down to the right (left) touching this one at a corner only.
        if (lit(row + 1, column + 1) && !lit(row, column + 1) && !lit(row + 1, column))
          FillConvex(canvas, {left + 1.0f, top, left + 2.0f, top + 1.0f, left + 1.0f, top + 2.0f, left, top + 1.0f}, kLit);
        if (lit(row + 1, column - 1) && !lit(row, column - 1) && !lit(row + 1, column))
          FillConvex(canvas, {left, top, left + 1.0f, top + 1.0f, left, top + 2.0f, left - 1.0f, top + 1.0f}, kLit);
      }
    }
  }
  // The coverage becomes the banner's alpha over its one colour.
  Picture picture(coverage.Width(), coverage.Height(), 0);
  for (int y = 0; y < picture.Height(); ++y) {
    for (int x = 0; x < picture.Width(); ++x) {
      const float cover = float(coverage.At(x, y) & 0xFFu) / 255.0f;
      if (cover > 0.0f) picture.Set(x, y, WithAlpha(colour, cover));
    }
  }
  return {L"text_banner.dds", picture};
}

PatchBounds BrushPatchBounds(const BrushPatch& patch) {
  const unsigned count = std::max(1u, patch.count);
  unsigned columns = 1;
  while (columns * columns < count) ++columns;
  const unsigned rows = (count + columns - 1) / columns;
  const unsigned index = patch.index % count;
  const float cellWidth = 1.0f / float(columns);
  const float cellHeight = 1.0f / float(rows);
  const float cx = (float(index % columns) + 0.5f) * cellWidth;
  const float cy = (float(index / columns) + 0.5f) * cellHeight;
  // Overlapping a little, so that neighbours meet rather than leave gaps.
  const float rx = cellWidth * 0.62f;
  const float ry = cellHeight * 0.62f;
  return {cx, cy, rx, ry, std::max(0.0f, cx - rx), std::max(0.0f, cy - ry), std::min(1.0f, cx + rx),
          std::min(1.0f, cy + ry)};
}

Picture MakeBrushMask(const BrushPatch& patch) {
  const int kSide = 128;
  const float side = float(kSide);
  Picture picture(kSide, kSide, 0xFF000000u);
  const PatchBounds bounds = BrushPatchBounds(patch);
  DrawSoftEllipse(picture, bounds.centreX * side, bounds.centreY * side, bounds.radiusX * side,
                  bounds.radiusY * side, 0xFFFFFFFFu, 1.0f);
  return picture;
}

}  // namespace ds_tools
