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
// A picture in which every point has its own colour: red grows from 0 to the right
// and green from 0 downwards, each by 256 over the picture; blue is 0x80 everywhere,
// so a drawing that moves the picture about changes red and green and never blue.
std::vector<unsigned char> GradientBmp(int width, int height);
// A grey picture of uneven steps (five levels from 0x20 to 0xE0), as a bump or noise
// map with slopes everywhere.
std::vector<unsigned char> UnevenGreyBmp(int size);
// The same picture as a PNG file (8-bit RGBA, stored without compression).
std::vector<unsigned char> MakePng(int width, int height,
                                   const std::function<uint32_t(int x, int y)>& colourAt);

}  // namespace ds_test
