#include "tools/DefaultPictures.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace ds_tools {
namespace {

bool NearAnyMark(const std::vector<ColourMark>& marks, int x, int y, int distance) {
  for (const ColourMark& mark : marks) {
    if (std::abs(mark.x - x) <= distance && std::abs(mark.y - y) <= distance) return true;
  }
  return false;
}

}  // namespace

int ScaledSide(int design, float scale) { return int(std::lround(float(design) * scale)); }

ColourMark MarkAt(const Canvas& canvas, float x, float y, uint32_t colour, const char* what) {
  return {int(x * canvas.scale), int(y * canvas.scale), colour, what};
}

ScenePicture MakeDawnSky() {
  const uint32_t kSkyTop = 0xFF1B2A6Bu;
  const uint32_t kHorizon = 0xFFF29A4Au;
  const uint32_t kSun = 0xFFFFE9A8u;
  const uint32_t kHills = 0xFF4A2A3Au;
  const float kScale = 6.0f;

  Picture picture(ScaledSide(320, kScale), ScaledSide(200, kScale));
  Canvas canvas(picture, kScale);
  FillGradient(canvas, kSkyTop, kHorizon, 20.0f, 150.0f);
  DrawGlowDisc(canvas, 230.0f, 112.0f, 18.0f, 44.0f, kSun, 0.55f);
  FillBelow(canvas, [](float x) { return 150.0f + 8.0f * std::sin(x * 0.03f) + 5.0f * std::sin(x * 0.071f + 1.3f); },
            kHills);
  return {L"dawn_sky.png",
          picture,
          {MarkAt(canvas, 10, 5, kSkyTop, "sky top"), MarkAt(canvas, 230, 112, kSun, "sun"),
           MarkAt(canvas, 60, 192, kHills, "hills")}};
}

ScenePicture MakeMeadow() {
  const uint32_t kSky = 0xFF8CC8EEu;
  const uint32_t kHaze = 0xFFD8EEF8u;
  const uint32_t kCloud = 0xFFFFFFFFu;
  const uint32_t kHill = 0xFF6DBF5Au;
  const uint32_t kMeadow = 0xFF2F8F3Au;
  const uint32_t kFlower = 0xFFF5D33Cu;
  const float kScale = 5.0f;

  Picture picture(ScaledSide(384, kScale), ScaledSide(256, kScale));
  Canvas canvas(picture, kScale);
  const std::vector<ColourMark> marks = {MarkAt(canvas, 20, 12, kSky, "sky"),
                                         MarkAt(canvas, 300, 175, kHill, "back hill"),
                                         MarkAt(canvas, 192, 246, kMeadow, "meadow")};
  FillGradient(canvas, kSky, kHaze, 30.0f, 150.0f);
  DrawSoftEllipse(canvas, 250.0f, 50.0f, 50.0f, 16.0f, kCloud, 0.85f);
  DrawSoftEllipse(canvas, 100.0f, 80.0f, 40.0f, 12.0f, kCloud, 0.75f);
  FillBelow(canvas, [](float x) { return 150.0f + 18.0f * std::sin(x * 0.018f + 0.5f); }, kHill);
  FillBelow(canvas, [](float x) { return 196.0f + 10.0f * std::sin(x * 0.025f + 2.0f); }, kMeadow);

  // Flowers at fixed pseudo-random spots of the meadow, kept off the marks.
  uint32_t seed = 12345u;
  for (int i = 0; i < 40; ++i) {
    seed = seed * 1103515245u + 12345u;
    const int x = 4 + int((seed >> 8) % 376u);
    seed = seed * 1103515245u + 12345u;
    const int y = 214 + int((seed >> 8) % 38u);
    if (NearAnyMark(marks, int(float(x) * kScale), int(float(y) * kScale), int(8 * kScale))) continue;
    DrawGlowDisc(canvas, float(x), float(y), 1.0f, 2.5f, kFlower, 0.9f);
  }
  return {L"meadow.png", picture, marks};
}

ScenePicture MakeSoftChecker() {
  const uint32_t kMagenta = 0xFFC8377Eu;
  const uint32_t kTeal = 0xFF1F9E8Fu;
  const float kCell = 32.0f;
  const float kSoftEdge = 3.0f;
  const float kScale = 7.5f;

  Picture picture(ScaledSide(256, kScale), ScaledSide(256, kScale));
  Canvas canvas(picture, kScale);
  for (int y = 0; y < picture.Height(); ++y) {
    for (int x = 0; x < picture.Width(); ++x) {
      const float u = canvas.U(x), v = canvas.U(y);
      const bool even = (int(u / kCell) + int(v / kCell)) % 2 == 0;
      const uint32_t own = even ? kMagenta : kTeal;
      const uint32_t other = even ? kTeal : kMagenta;
      const float cu = std::fmod(u, kCell);
      const float cv = std::fmod(v, kCell);
      // Distance to the nearest cell edge.
      const float edge = std::min(std::min(cu, kCell - cu), std::min(cv, kCell - cv));
      picture.Set(x, y, MixColour(own, other, 0.5f * (1.0f - SmoothStep(0.0f, kSoftEdge, edge))));
    }
  }
  return {L"soft_checker.png",
          picture,
          {MarkAt(canvas, 16, 16, kMagenta, "magenta cell"), MarkAt(canvas, 48, 16, kTeal, "teal cell"),
           MarkAt(canvas, 240, 240, kMagenta, "last cell")}};
}

ScenePicture MakeGlowingDiscs() {
  const uint32_t kGround = 0xFF1E0F33u;
  const uint32_t kRed = 0xFFE8453Cu;
  const uint32_t kGreen = 0xFF4CC24Au;
  const uint32_t kBlue = 0xFF3C6AE8u;
  const float kScale = 4.5f;

  Picture picture(ScaledSide(240, kScale), ScaledSide(320, kScale), kGround);
  Canvas canvas(picture, kScale);
  DrawGlowDisc(canvas, 70.0f, 90.0f, 26.0f, 48.0f, kRed, 1.0f);
  DrawGlowDisc(canvas, 170.0f, 170.0f, 26.0f, 48.0f, kGreen, 1.0f);
  DrawGlowDisc(canvas, 90.0f, 250.0f, 26.0f, 48.0f, kBlue, 1.0f);
  return {L"glowing_discs.png",
          picture,
          {MarkAt(canvas, 70, 90, kRed, "red disc"),
           MarkAt(canvas, 170, 170, kGreen, "green disc"),
           MarkAt(canvas, 90, 250, kBlue, "blue disc"),
           MarkAt(canvas, 220, 20, kGround, "ground")}};
}

ScenePicture MakeSurround() {
  const uint32_t kNavy = 0xFF101626u;
  return {L"surround.png", Picture(64, 64, kNavy), {{32, 32, kNavy, "surround"}}};
}

}  // namespace ds_tools
