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

ScenePicture MakeDawnSky() {
  const uint32_t kSkyTop = 0xFF1B2A6Bu;
  const uint32_t kHorizon = 0xFFF29A4Au;
  const uint32_t kSun = 0xFFFFE9A8u;
  const uint32_t kHills = 0xFF4A2A3Au;

  Picture picture(320, 200);
  for (int y = 0; y < picture.Height(); ++y) {
    const uint32_t sky = MixColour(kSkyTop, kHorizon, SmoothStep(20.0f, 150.0f, float(y)));
    for (int x = 0; x < picture.Width(); ++x) picture.Set(x, y, sky);
  }
  DrawGlowDisc(picture, 230.0f, 112.0f, 18.0f, 44.0f, kSun, 0.55f);
  FillBelow(picture, [](float x) { return 150.0f + 8.0f * std::sin(x * 0.03f) + 5.0f * std::sin(x * 0.071f + 1.3f); },
            kHills);
  return {L"dawn_sky.bmp",
          picture,
          {{10, 5, kSkyTop, "sky top"}, {230, 112, kSun, "sun"}, {60, 192, kHills, "hills"}}};
}

ScenePicture MakeMeadow() {
  const uint32_t kSky = 0xFF8CC8EEu;
  const uint32_t kHaze = 0xFFD8EEF8u;
  const uint32_t kCloud = 0xFFFFFFFFu;
  const uint32_t kHill = 0xFF6DBF5Au;
  const uint32_t kMeadow = 0xFF2F8F3Au;
  const uint32_t kFlower = 0xFFF5D33Cu;
  const std::vector<ColourMark> marks = {
      {20, 12, kSky, "sky"}, {300, 175, kHill, "back hill"}, {192, 246, kMeadow, "meadow"}};

  Picture picture(384, 256);
  for (int y = 0; y < picture.Height(); ++y) {
    const uint32_t sky = MixColour(kSky, kHaze, SmoothStep(30.0f, 150.0f, float(y)));
    for (int x = 0; x < picture.Width(); ++x) picture.Set(x, y, sky);
  }
  DrawSoftEllipse(picture, 250.0f, 50.0f, 50.0f, 16.0f, kCloud, 0.85f);
  DrawSoftEllipse(picture, 100.0f, 80.0f, 40.0f, 12.0f, kCloud, 0.75f);
  FillBelow(picture, [](float x) { return 150.0f + 18.0f * std::sin(x * 0.018f + 0.5f); }, kHill);
  FillBelow(picture, [](float x) { return 196.0f + 10.0f * std::sin(x * 0.025f + 2.0f); }, kMeadow);

  // Flowers at fixed pseudo-random spots of the meadow, kept off the marks.
  uint32_t seed = 12345u;
  for (int i = 0; i < 40; ++i) {
    seed = seed * 1103515245u + 12345u;
    const int x = 4 + int((seed >> 8) % 376u);
    seed = seed * 1103515245u + 12345u;
    const int y = 214 + int((seed >> 8) % 38u);
    if (NearAnyMark(marks, x, y, 8)) continue;
    DrawGlowDisc(picture, float(x), float(y), 1.0f, 2.5f, kFlower, 0.9f);
  }
  return {L"meadow.bmp", picture, marks};
}

ScenePicture MakeSoftChecker() {
  const uint32_t kMagenta = 0xFFC8377Eu;
  const uint32_t kTeal = 0xFF1F9E8Fu;
  const int kCell = 32;
  const float kSoftEdge = 3.0f;

  Picture picture(256, 256);
  for (int y = 0; y < picture.Height(); ++y) {
    for (int x = 0; x < picture.Width(); ++x) {
      const bool even = ((x / kCell) + (y / kCell)) % 2 == 0;
      const uint32_t own = even ? kMagenta : kTeal;
      const uint32_t other = even ? kTeal : kMagenta;
      const int cx = x % kCell;
      const int cy = y % kCell;
      // Distance to the nearest cell edge, in pixel centres.
      const float edge = float(std::min(std::min(cx, kCell - 1 - cx), std::min(cy, kCell - 1 - cy))) + 0.5f;
      picture.Set(x, y, MixColour(own, other, 0.5f * (1.0f - SmoothStep(0.0f, kSoftEdge, edge))));
    }
  }
  return {L"soft_checker.bmp",
          picture,
          {{16, 16, kMagenta, "magenta cell"}, {48, 16, kTeal, "teal cell"}, {240, 240, kMagenta, "last cell"}}};
}

ScenePicture MakeGlowingDiscs() {
  const uint32_t kGround = 0xFF1E0F33u;
  const uint32_t kRed = 0xFFE8453Cu;
  const uint32_t kGreen = 0xFF4CC24Au;
  const uint32_t kBlue = 0xFF3C6AE8u;

  Picture picture(240, 320, kGround);
  DrawGlowDisc(picture, 70.0f, 90.0f, 26.0f, 48.0f, kRed, 1.0f);
  DrawGlowDisc(picture, 170.0f, 170.0f, 26.0f, 48.0f, kGreen, 1.0f);
  DrawGlowDisc(picture, 90.0f, 250.0f, 26.0f, 48.0f, kBlue, 1.0f);
  return {L"glowing_discs.bmp",
          picture,
          {{70, 90, kRed, "red disc"},
           {170, 170, kGreen, "green disc"},
           {90, 250, kBlue, "blue disc"},
           {220, 20, kGround, "ground"}}};
}

ScenePicture MakeSurround() {
  const uint32_t kNavy = 0xFF101626u;
  return {L"surround.bmp", Picture(64, 64, kNavy), {{32, 32, kNavy, "surround"}}};
}

}  // namespace ds_tools
