#pragma once
// The pictures of the default scene, made in code: a dawn sky over hills, a meadow
// under clouds, a soft checker board and glowing discs on a dark ground (one size and
// shape each), and the dark surround picture of the cameras. Each comes with colour
// marks: points inside flat areas whose colour is known exactly, so that a reader of
// the scene can tell the slides apart by sampling a few pixels.

#include <cstdint>
#include <vector>

#include "tools/Picture.h"

namespace ds_tools {

struct ColourMark {
  int x;
  int y;
  uint32_t colour;  // 0xFFRRGGBB
  const char* what;
};

struct ScenePicture {
  const wchar_t* fileName;
  Picture picture;
  std::vector<ColourMark> marks;
};

// 320 x 200: deep blue sky (top) warming to orange at the horizon, a pale sun on the
// right, dark plum hills along the bottom.
ScenePicture MakeDawnSky();
// 384 x 256: light blue sky with two soft clouds, a light green hill behind a darker
// green meadow with yellow flowers.
ScenePicture MakeMeadow();
// 256 x 256: 8 x 8 cells of magenta and teal (magenta top left), edges softened.
ScenePicture MakeSoftChecker();
// 240 x 320 (portrait): red, green and blue glowing discs on dark violet.
ScenePicture MakeGlowingDiscs();
// 64 x 64: flat dark navy, shown around pictures that do not cover the screen.
ScenePicture MakeSurround();

}  // namespace ds_tools
