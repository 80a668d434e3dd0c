#pragma once
// The pictures of the shared resource module, made in code: one for every picture id
// that the scene classes name by default (the slide and surround pictures, fire
// patterns, noise and bump maps, the code-rain glyph strip, the glass ball's overlays
// and stand, the clock's dial and hands, the discharge cores and the sound items'
// frame picture). Pictures whose alpha matters are written as DDS, the others as BMP.

#include <vector>

#include "tools/Picture.h"

namespace ds_tools {

struct ModulePicture {
  unsigned int id;     // resource id, type "DDS"
  const char* what;    // what the scene classes use it for
  Picture picture;
  bool keepsAlpha;     // DDS with alpha, else an opaque BMP
};

// Every picture of the module, in id order.
std::vector<ModulePicture> MakeModulePictures();
// The file bytes a picture is stored as.
std::vector<unsigned char> EncodeModulePicture(const ModulePicture& picture);
// The glyphs of the code-rain strip (each a square of the strip's width).
const int kGlyphStripGlyphs = 32;

}  // namespace ds_tools
