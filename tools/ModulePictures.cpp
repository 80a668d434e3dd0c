#include "tools/ModulePictures.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace ds_tools {
namespace {

const float kPi = 3.14159265f;

uint32_t Argb(float alpha, uint32_t rgb) {
  const uint32_t a = uint32_t(std::lround(std::min(std::max(alpha, 0.0f), 1.0f) * 255.0f));
  return (a << 24) | (rgb & 0x00FFFFFFu);
}

uint32_t Grey(float value) {
  const uint32_t v = uint32_t(std::lround(std::min(std::max(value, 0.0f), 1.0f) * 255.0f));
  return 0xFF000000u | (v << 16) | (v << 8) | v;
}

// A fixed hash of a lattice point: the pictures are the same on every build.
float LatticeValue(int x, int y, uint32_t seed) {
  uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + seed * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return float((h ^ (h >> 16)) & 0xFFFFu) / 65535.0f;
}

// Smooth value noise that tiles with the given period (in lattice cells).
float TiledNoise(float x, float y, int period, uint32_t seed) {
  const int x0 = int(std::floor(x));
  const int y0 = int(std::floor(y));
  const float fx = SmoothStep(0.0f, 1.0f, x - float(x0));
  const float fy = SmoothStep(0.0f, 1.0f, y - float(y0));
  auto at = [&](int ix, int iy) {
    return LatticeValue(((ix % period) + period) % period, ((iy % period) + period) % period, seed);
  };
  const float top = at(x0, y0) + (at(x0 + 1, y0) - at(x0, y0)) * fx;
  const float bottom = at(x0, y0 + 1) + (at(x0 + 1, y0 + 1) - at(x0, y0 + 1)) * fx;
  return top + (bottom - top) * fy;
}

// Three octaves of tiling noise over a square picture, 0..1.
float Turbulence(int x, int y, int size, int cells, uint32_t seed) {
  float sum = 0.0f;
  float weight = 0.5f;
  float total = 0.0f;
  for (int octave = 0; octave < 3; ++octave) {
    const int period = cells << octave;
    const float scale = float(period) / float(size);
    sum += weight * TiledNoise(float(x) * scale, float(y) * scale, period, seed + uint32_t(octave));
    total += weight;
    weight *= 0.5f;
  }
  return sum / total;
}

Picture MakeNoise(int size, int cells, uint32_t seed) {
  Picture picture(size, size);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) picture.Set(x, y, Grey(Turbulence(x, y, size, cells, seed)));
  }
  return picture;
}

// The slide picture of a layer that names none: an evening lake under hills.
Picture MakeEveningLake() {
  Picture picture(256, 256);
  for (int y = 0; y < 256; ++y) {
    const uint32_t sky = MixColour(0xFF20285Au, 0xFFE08A5Cu, SmoothStep(10.0f, 130.0f, float(y)));
    for (int x = 0; x < 256; ++x) picture.Set(x, y, sky);
  }
  DrawGlowDisc(picture, 170.0f, 110.0f, 12.0f, 34.0f, 0xFFFFE2A0u, 0.6f);
  FillBelow(picture, [](float x) { return 128.0f - 22.0f * std::fabs(std::sin(x * 0.021f + 0.4f)); },
            0xFF3A2C48u);
  // The water mirrors the sky, darker, from the shore down.
  for (int y = 140; y < 256; ++y) {
    const uint32_t water = MixColour(0xFF8A5A62u, 0xFF141C38u, SmoothStep(140.0f, 250.0f, float(y)));
    for (int x = 0; x < 256; ++x) picture.Set(x, y, water);
  }
  return picture;
}

// Flame tongues: white-yellow at the bottom, through orange and red, to nothing at the
// top; `cool` shifts the palette toward red for the brush's pattern.
Picture MakeFlamePattern(uint32_t seed, bool cool) {
  const int size = 128;
  Picture picture(size, size);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const float height = 1.0f - float(y) / float(size - 1);  // 0 at the bottom
      const float tongue = 0.55f + 0.45f * Turbulence(x, y / 2, size, 4, seed);
      const float heat = std::max(0.0f, 1.0f - height / tongue);
      uint32_t colour = MixColour(0xFFB01808u, 0xFFFF8A10u, SmoothStep(0.1f, 0.5f, heat));
      colour = MixColour(colour, cool ? 0xFFFFC040u : 0xFFFFF4C0u, SmoothStep(0.55f, 0.95f, heat));
      picture.Set(x, y, Argb(SmoothStep(0.0f, 0.35f, heat), colour));
    }
  }
  return picture;
}

// A strip of glyphs one above the other: 5 x 7 dot patterns drawn at twice their size
// in white on transparent, so the layer's glyph colour shows through the texture.
Picture MakeGlyphStrip() {
  const int cell = 16;
  Picture picture(cell, cell * kGlyphStripGlyphs, 0x00000000u);
  for (int g = 0; g < kGlyphStripGlyphs; ++g) {
    for (int row = 0; row < 7; ++row) {
      for (int column = 0; column < 5; ++column) {
        // About half the dots lit, the centre column more often: glyph-like shapes.
        const float lit = LatticeValue(column + g * 5, row, 40u);
        if (lit < (column == 2 ? 0.35f : 0.55f)) continue;
        for (int dy = 0; dy < 2; ++dy) {
          for (int dx = 0; dx < 2; ++dx) {
            picture.Set(3 + column * 2 + dx, g * cell + 1 + row * 2 + dy, 0xFFFFFFFFu);
          }
        }
      }
    }
  }
  return picture;
}

// The glass ball's first overlay: a soft highlight at the upper left, transparent
// elsewhere.
Picture MakeBallHighlight() {
  const int size = 256;
  Picture picture(size, size, 0x00FFFFFFu);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const float dx = (float(x) - 88.0f) / 60.0f;
      const float dy = (float(y) - 70.0f) / 36.0f;
      const float d = std::sqrt(dx * dx + dy * dy);
      picture.Set(x, y, Argb(0.75f * (1.0f - SmoothStep(0.2f, 1.0f, d)), 0xFFFFFF));
    }
  }
  return picture;
}

// The second overlay: the ball's rim, a darkening ring just inside its edge.
Picture MakeBallRim() {
  const int size = 256;
  const float radius = 127.0f;
  Picture picture(size, size, 0x00000000u);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const float d = std::hypot(float(x) - 127.5f, float(y) - 127.5f) / radius;
      const float ring = SmoothStep(0.78f, 0.98f, d) * (1.0f - SmoothStep(0.99f, 1.01f, d));
      picture.Set(x, y, Argb(0.6f * ring, 0x0A1420));
    }
  }
  return picture;
}

// The stand under the ball: a wooden trapezoid, transparent around it.
Picture MakeStand() {
  const int width = 256;
  const int height = 128;
  Picture picture(width, height, 0x00000000u);
  for (int y = 0; y < height; ++y) {
    const float t = float(y) / float(height - 1);
    const float half = 70.0f + 50.0f * t;  // wider at the foot
    for (int x = 0; x < width; ++x) {
      const float edge = half - std::fabs(float(x) - 127.5f);
      if (edge <= 0.0f) continue;
      const float grain = 0.5f + 0.5f * std::sin(float(x) * 0.3f + 4.0f * TiledNoise(float(x) * 0.05f, float(y) * 0.2f, 64, 60u));
      uint32_t wood = MixColour(0xFF5A3418u, 0xFF8A5A2Cu, grain);
      wood = MixColour(wood, 0xFF2A180Cu, SmoothStep(0.6f, 1.0f, t) * 0.5f);
      picture.Set(x, y, Argb(SmoothStep(0.0f, 1.5f, edge), wood));
    }
  }
  return picture;
}

// Concentric ripples around the centre: the water brush's bump picture.
Picture MakeRippleBump() {
  const int size = 128;
  Picture picture(size, size);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const float d = std::hypot(float(x) - 64.0f, float(y) - 64.0f);
      const float wobble = 0.25f * Turbulence(x, y, size, 4, 89u);
      picture.Set(x, y, Grey(0.5f + 0.5f * std::sin(d * 0.45f + wobble * 6.0f)));
    }
  }
  return picture;
}

// A clock dial: a cream disc with twelve marks and a darker ring, transparent outside.
Picture MakeDial() {
  const int size = 256;
  const float radius = 126.0f;
  Picture picture(size, size, 0x00000000u);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const float dx = float(x) - 127.5f;
      const float dy = float(y) - 127.5f;
      const float d = std::hypot(dx, dy);
      if (d > radius + 1.0f) continue;
      uint32_t colour = MixColour(0xFFF4EAD2u, 0xFFD8C8A0u, SmoothStep(0.0f, radius, d));
      if (d > radius - 8.0f) colour = 0xFF3A2A1Au;
      // Hour marks: short bars along the twelve directions near the edge.
      const float angle = std::atan2(dy, dx);
      const float nearest = std::round(angle / (kPi / 6.0f)) * (kPi / 6.0f);
      const float across = std::fabs(d * std::sin(angle - nearest));
      if (d > radius - 30.0f && d < radius - 12.0f && across < 3.0f) colour = 0xFF201810u;
      picture.Set(x, y, Argb(1.0f - SmoothStep(radius - 1.0f, radius + 1.0f, d), colour));
    }
  }
  DrawGlowDisc(picture, 127.5f, 127.5f, 6.0f, 7.0f, 0xFF201810u, 1.0f);
  return picture;
}

// A discharge core: two halves one above the other (the arc picks one per segment),
// each a bright line along the middle with a soft glow, the line wandering a little so
// that flipped halves differ.
Picture MakeDischargeCore(uint32_t colour, float thickness, uint32_t seed) {
  const int width = 256;
  const int half = 32;
  Picture picture(width, half * 2, 0x00000000u);
  for (int part = 0; part < 2; ++part) {
    for (int x = 0; x < width; ++x) {
      const float centre = float(half) * 0.5f +
                           6.0f * (TiledNoise(float(x) / 24.0f, float(part) * 7.0f, 64, seed) - 0.5f);
      for (int y = 0; y < half; ++y) {
        const float d = std::fabs(float(y) + 0.5f - centre);
        const float core = 1.0f - SmoothStep(thickness * 0.5f, thickness, d);
        const float glow = 0.6f * (1.0f - SmoothStep(0.0f, thickness * 4.0f, d));
        const float a = std::max(core, glow);
        picture.Set(x, part * half + y, Argb(a, MixColour(colour, 0xFFFFFFFFu, core)));
      }
    }
  }
  return picture;
}

// The frame picture of sound items: a loudspeaker with two sound arcs on dark grey.
Picture MakeSpeaker() {
  const int size = 64;
  Picture picture(size, size, 0xFF30343Au);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const float fx = float(x) + 0.5f;
      const float fy = float(y) + 0.5f - 32.0f;
      const bool box = fx >= 10.0f && fx <= 20.0f && std::fabs(fy) <= 7.0f;
      const bool cone = fx > 20.0f && fx <= 32.0f && std::fabs(fy) <= 7.0f + (fx - 20.0f);
      const float r = std::hypot(fx - 28.0f, fy);
      const bool arc = std::fabs(fy) < (fx - 28.0f) && ((r > 12.0f && r < 15.0f) || (r > 20.0f && r < 23.0f));
      if (box || cone || arc) picture.Set(x, y, 0xFFE8ECF0u);
    }
  }
  return picture;
}

}  // namespace

std::vector<ModulePicture> MakeModulePictures() {
  std::vector<ModulePicture> pictures;
  pictures.push_back({5, "slide picture", MakeEveningLake(), false});
  pictures.push_back({6, "surround and butterfly body", Picture(64, 64, 0xFF101626u), false});
  pictures.push_back({7, "flame layer pattern", MakeFlamePattern(7u, false), true});
  pictures.push_back({8, "noise", MakeNoise(128, 4, 8u), false});
  pictures.push_back({40, "code-rain glyph strip", MakeGlyphStrip(), true});
  pictures.push_back({58, "glass ball highlight", MakeBallHighlight(), true});
  pictures.push_back({59, "glass ball rim", MakeBallRim(), true});
  pictures.push_back({60, "glass ball stand", MakeStand(), true});
  pictures.push_back({62, "flame distortion bump map", MakeNoise(128, 8, 62u), false});
  pictures.push_back({71, "clock dial", MakeDial(), true});
  pictures.push_back({72, "clock hands", Picture(64, 64, 0xFF1A1A20u), false});
  pictures.push_back({89, "water bump map", MakeRippleBump(), false});
  pictures.push_back({93, "fire brush pattern", MakeFlamePattern(93u, true), true});
  pictures.push_back({95, "discharge core", MakeDischargeCore(0xFFA8E8FFu, 3.0f, 95u), true});
  pictures.push_back({98, "thin discharge core", MakeDischargeCore(0xFFC8B8FFu, 1.5f, 98u), true});
  pictures.push_back({2016, "sound item frame", MakeSpeaker(), false});
  return pictures;
}

std::vector<unsigned char> EncodeModulePicture(const ModulePicture& picture) {
  return picture.keepsAlpha ? EncodeDds32(picture.picture) : EncodeBmp24(picture.picture);
}

}  // namespace ds_tools
