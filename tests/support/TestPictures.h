#pragma once
// Pictures made in code, as the bytes of a 32-bit BMP file or an RGBA PNG file, for
// documents and resource entries that embed pictures. D3DX reads them like any picture
// file.

#include <cstdint>
#include <functional>
#include <vector>

namespace ds_test {

// A width x height picture whose pixel (x, y) (y = 0 at the top) is colourAt(x, y),
// colours as 0xAARRGGBB.
std::vector<unsigned char> MakeBmp(int width, int height,
                                   const std::function<uint32_t(int x, int y)>& colourAt);
std::vector<unsigned char> SolidBmp(int width, int height, uint32_t colour);
// The same picture as a PNG file (8-bit RGBA, stored without compression).
std::vector<unsigned char> MakePng(int width, int height,
                                   const std::function<uint32_t(int x, int y)>& colourAt);

}  // namespace ds_test
