#pragma once
// The pictures of the default scene, made in code: a dawn sky over hills, a meadow
// under clouds, a soft checker board and glowing discs on a dark ground (one size and
// shape each), and the dark surround picture of the cameras. Each comes with colour
// marks: points inside flat areas whose colour is known exactly, so that a reader of
// the scene can tell the slides apart by sampling a few pixels. Each is laid out in
// design units (the sizes below) and made at several pixels a unit, so that the
// slides are as sharp as a full-HD screen: every picture of a slide is at least
// 1920 x 1080 pixels, in the shape of its design.

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

// A side of `design` units made at `scale` pixels a unit.
int ScaledSide(int design, float scale);

struct ScenePicture {
  const wchar_t* fileName;
  Picture picture;
  std::vector<ColourMark> marks;
};

// The mark at (x, y) in the canvas's design units.
ColourMark MarkAt(const Canvas& canvas, float x, float y, uint32_t colour, const char* what);

// 320 x 200 units (1920 x 1200 pixels): deep blue sky (top) warming to orange at the horizon, a pale sun on the
// right, dark plum hills along the bottom.
ScenePicture MakeDawnSky();
// 384 x 256 units (1920 x 1280): light blue sky with two soft clouds, a light green hill behind a darker
// green meadow with yellow flowers.
ScenePicture MakeMeadow();
// 256 x 256 units (1920 x 1920): 8 x 8 cells of magenta and teal (magenta top left), edges softened.
ScenePicture MakeSoftChecker();
// 240 x 320 units (1080 x 1440, portrait; on no slide): red, green and blue glowing discs on dark violet.
ScenePicture MakeGlowingDiscs();
// 64 x 64: flat dark navy, shown around pictures that do not cover the screen.
ScenePicture MakeSurround();

}  // namespace ds_tools

namespace ds_tools {

// The further slide pictures of the showcase, one per scene kind; their colour marks
// name flat areas as above.
// 352 x 200 units (1920 x 1091): a lake at dusk: violet sky over an orange horizon, a low sun, dark
// wooded shore, the water below mirroring the sky.
ScenePicture MakeDuskLake();
// 336 x 192 units (1920 x 1097): a stormy night over a town: blue-black clouds, a
// skyline of flat and pitched roofs with lit windows.
ScenePicture MakeStormNight();
// 256 x 240 units (1920 x 1800): a winter night: dark blue sky, snowy hills, dark pines.
ScenePicture MakeWinterNight();
// 320 x 224 units (1920 x 1344): a seaside at noon: blue sky, a deep blue sea, a sandy beach, a rock.
ScenePicture MakeSeaside();
// 320 x 180 units (1920 x 1080): under the sea: blue water darkening downwards, light shafts, sand and
// weed.
ScenePicture MakeSeaFloor();
// 256 x 192 units (1920 x 1440): a hearth: dark bricks around a black opening with glowing logs.
ScenePicture MakeHearth();
// 240 x 256 units (1920 x 2048): a pond seen from above: green water with lily pads.
ScenePicture MakePond();
// 288 x 160 units (1944 x 1080): a dark green terminal glow behind the code rain.
ScenePicture MakeTerminal();

// Sprite pictures, with alpha (DDS files): what the showcase's sprite and particle
// items draw. The sizes are design units; each is made at eight pixels a unit and
// anti-aliased by super-sampling.
// Sprite pictures are made this many pixels to a design unit: large enough that the
// showcase's sprites are hardly magnified on a full-HD screen.
const float kSpritePixelsPerUnit = 8.0f;
struct SpritePicture {
  const wchar_t* fileName;
  Picture picture;
};
SpritePicture MakeSoftDot();     // 32 x 32 white glow
SpritePicture MakeStarSprite();  // 32 x 32 four-pointed white star
SpritePicture MakeFishSprite();  // 64 x 32 orange fish, head right
SpritePicture MakeBirdSprite();  // 64 x 32 dark gull in flight
SpritePicture MakeRainDrop();    // 8 x 32 pale streak
SpritePicture MakeFogPuff();     // 128 x 64 faint white cloud
SpritePicture MakeLightShaft();  // 32 x 128 warm beam fading downwards
SpritePicture MakeFlowerSprite();  // 32 x 32 pink flower, yellow heart
SpritePicture MakeGrassBlade();  // 16 x 64 green blade
SpritePicture MakeGhostSprite(); // 32 x 48 pale wisp
SpritePicture MakeLeafSprite();  // 32 x 32 autumn leaf
SpritePicture MakeBoltStrip();   // 16 x 16 white streak across, alike along
SpritePicture MakeSparkStrip();  // 128 x 32 strip of four frames of jagged white sparks
SpritePicture MakeArcGlow();     // 16 x 32 two soft white bands, one in each half
SpritePicture MakeFireGradient();  // 64 x 4 dark red (left) through yellow to white
SpritePicture MakeButterflyWing();  // 64 x 64 orange wing, hinge at the left edge
SpritePicture MakeTextBanner(const char* text, uint32_t colour);  // text in a 6 x 8 cell font, 12 pixels a cell

// Where brush `index` of the `count` brushes of a slide shows.
struct BrushPatch {
  unsigned index;
  unsigned count;
};
// The soft ellipse the patch lights, and the part of the picture it reaches (held
// inside the picture), in fractions of the picture's width and height.
struct PatchBounds {
  float centreX, centreY, radiusX, radiusY;
  float left, top, right, bottom;
};
PatchBounds BrushPatchBounds(const BrushPatch& patch);
// 128 x 128 brush mask, white (opaque) where the brush shows, black elsewhere: the
// slide's brushes share it out in a grid of soft patches, one each; a single brush
// covers nearly all of it.
Picture MakeBrushMask(const BrushPatch& patch);

}  // namespace ds_tools
