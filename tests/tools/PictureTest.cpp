// The default scene's pictures: the BMP and PNG encodings (layout, and what D3DX
// decodes from them), the colour marks by which the slides can be told apart, and the
// anti-aliased shapes they are drawn with.

#include <d3dx9.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "device/ComHolder.h"
#include "support/TestDevice.h"
#include "tools/DefaultSceneContent.h"
#include "tools/Picture.h"

namespace {

using ds_tools::ColourMark;
using ds_tools::Picture;
using ds_tools::ScenePicture;

uint32_t Read16(const std::vector<unsigned char>& b, size_t at) { return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8; }
uint32_t Read32(const std::vector<unsigned char>& b, size_t at) { return Read16(b, at) | Read16(b, at + 2) << 16; }

int ChannelDistance(uint32_t a, uint32_t b) {
  int most = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const int d = std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF));
    if (d > most) most = d;
  }
  return most;
}

std::string Name(const wchar_t* text) { return std::string(text, text + wcslen(text)); }

std::vector<ScenePicture> AllPictures() {
  std::vector<ScenePicture> pictures = ds_tools::MakeSlidePictures();
  pictures.push_back(ds_tools::MakeSurroundPicture());
  return pictures;
}

struct BmpLayoutCase {
  int width;
  int height;
  uint32_t rowBytes;
};

class BmpLayoutTest : public ::testing::TestWithParam<BmpLayoutCase> {};

// Rows of 24-bit pixels are padded to four bytes; widths 1 to 4 cover every padding.
TEST_P(BmpLayoutTest, HeaderPaddingAndRowOrder) {
  const BmpLayoutCase c = GetParam();
  Picture picture(c.width, c.height, 0xFF102030u);
  picture.Set(0, 0, 0xFFAABBCCu);                        // top left
  picture.Set(c.width - 1, c.height - 1, 0xFF445566u);   // bottom right
  const std::vector<unsigned char> bmp = ds_tools::EncodeBmp24(picture);

  const uint32_t offset = 54;
  ASSERT_EQ(offset + c.rowBytes * uint32_t(c.height), bmp.size());
  EXPECT_EQ(0x4D42u, Read16(bmp, 0));
  EXPECT_EQ(bmp.size(), Read32(bmp, 2));
  EXPECT_EQ(offset, Read32(bmp, 10));
  EXPECT_EQ(40u, Read32(bmp, 14));
  EXPECT_EQ(uint32_t(c.width), Read32(bmp, 18));
  EXPECT_EQ(uint32_t(c.height), Read32(bmp, 22));
  EXPECT_EQ(24u, Read16(bmp, 28));
  EXPECT_EQ(0u, Read32(bmp, 30));
  EXPECT_EQ(c.rowBytes * uint32_t(c.height), Read32(bmp, 34));

  // Bottom row first, blue-green-red.
  const size_t bottomRight = offset + size_t(c.width - 1) * 3;
  EXPECT_EQ(0x66, bmp[bottomRight]);
  EXPECT_EQ(0x55, bmp[bottomRight + 1]);
  EXPECT_EQ(0x44, bmp[bottomRight + 2]);
  const size_t topLeft = offset + size_t(c.height - 1) * c.rowBytes;
  EXPECT_EQ(0xCC, bmp[topLeft]);
  EXPECT_EQ(0xBB, bmp[topLeft + 1]);
  EXPECT_EQ(0xAA, bmp[topLeft + 2]);
  // Padding bytes are zero.
  for (uint32_t pad = uint32_t(c.width) * 3; pad < c.rowBytes; ++pad) EXPECT_EQ(0, bmp[offset + pad]);
}

INSTANTIATE_TEST_SUITE_P(Widths, BmpLayoutTest,
                         ::testing::Values(BmpLayoutCase{1, 2, 4}, BmpLayoutCase{2, 3, 8}, BmpLayoutCase{3, 1, 12},
                                           BmpLayoutCase{4, 2, 12}, BmpLayoutCase{5, 5, 16}));

TEST(PictureTest, MixColourClampsAndStaysOpaque) {
  EXPECT_EQ(0xFF000000u, ds_tools::MixColour(0x00000000u, 0xFFFFFFFFu, -1.0f));
  EXPECT_EQ(0xFFFFFFFFu, ds_tools::MixColour(0x00000000u, 0xFFFFFFFFu, 2.0f));
  EXPECT_EQ(0xFF808080u, ds_tools::MixColour(0xFF000000u, 0xFFFFFFFFu, 0.5f));
}

// Every mark lies in a flat area of its own picture and has the colour it names.
TEST(PictureTest, MarksHoldTheirColoursInFlatAreas) {
  for (const ScenePicture& scene : AllPictures()) {
    const Picture& p = scene.picture;
    ASSERT_FALSE(scene.marks.empty()) << Name(scene.fileName);
    for (const ColourMark& mark : scene.marks) {
      ASSERT_TRUE(mark.x >= 2 && mark.y >= 2 && mark.x < p.Width() - 2 && mark.y < p.Height() - 2)
          << Name(scene.fileName) << " " << mark.what;
      for (int dy = -2; dy <= 2; ++dy) {
        for (int dx = -2; dx <= 2; ++dx) {
          EXPECT_EQ(ds_test::ColorText(mark.colour), ds_test::ColorText(p.At(mark.x + dx, mark.y + dy)))
              << Name(scene.fileName) << " " << mark.what << " at (" << mark.x + dx << ", " << mark.y + dy << ")";
        }
      }
    }
  }
}

// A mark of one slide picture, sampled at the same relative place in any other slide
// picture, finds a clearly different colour: a sampled frame names its slide.
TEST(PictureTest, SlidesCanBeToldApartByTheirMarks) {
  const int kLeastDifference = 40;
  const std::vector<ScenePicture> pictures = ds_tools::MakeSlidePictures();
  for (size_t a = 0; a < pictures.size(); ++a) {
    const Picture& own = pictures[a].picture;
    for (const ColourMark& mark : pictures[a].marks) {
      for (size_t b = 0; b < pictures.size(); ++b) {
        if (a == b) continue;
        const Picture& other = pictures[b].picture;
        const int x = mark.x * other.Width() / own.Width();
        const int y = mark.y * other.Height() / own.Height();
        EXPECT_GT(ChannelDistance(mark.colour, other.At(x, y)), kLeastDifference)
            << Name(pictures[a].fileName) << " " << mark.what << " " << ds_test::ColorText(mark.colour) << " vs "
            << Name(pictures[b].fileName) << " " << ds_test::ColorText(other.At(x, y));
      }
    }
  }
}

TEST(PictureTest, SlidePicturesDifferInShape) {
  const std::vector<ScenePicture> pictures = ds_tools::MakeSlidePictures();
  for (size_t a = 0; a < pictures.size(); ++a) {
    for (size_t b = a + 1; b < pictures.size(); ++b) {
      const Picture& p = pictures[a].picture;
      const Picture& q = pictures[b].picture;
      EXPECT_NE(p.Width() * q.Height(), q.Width() * p.Height())
          << Name(pictures[a].fileName) << " and " << Name(pictures[b].fileName) << " have one aspect";
    }
  }
}

struct Encoding {
  const char* name;
  std::vector<unsigned char> (*encode)(const Picture&);
  D3DXIMAGE_FILEFORMAT format;
};

void PrintTo(const Encoding& encoding, std::ostream* os) { *os << encoding.name; }

class PictureDecodeTest : public ds_test::DeviceTest, public ::testing::WithParamInterface<Encoding> {};

// What D3DX reads from each encoded picture is, pixel for pixel, what was drawn: the
// BMP files of the module, and the PNG files the platform's encoder compresses the
// slide pictures into.
TEST_P(PictureDecodeTest, D3DXReadsTheColoursDrawn) {
  for (const ScenePicture& scene : AllPictures()) {
    const Picture& p = scene.picture;
    const std::vector<unsigned char> bmp = GetParam().encode(p);
    ASSERT_FALSE(bmp.empty()) << Name(scene.fileName);
    D3DXIMAGE_INFO info = {};
    ASSERT_EQ(D3D_OK, D3DXGetImageInfoFromFileInMemory(bmp.data(), UINT(bmp.size()), &info)) << Name(scene.fileName);
    EXPECT_EQ(GetParam().format, info.ImageFileFormat);
    ASSERT_EQ(UINT(p.Width()), info.Width);
    ASSERT_EQ(UINT(p.Height()), info.Height);

    DS_ComHolder<IDirect3DSurface9> surface;
    ASSERT_EQ(D3D_OK, device->CreateOffscreenPlainSurface(UINT(p.Width()), UINT(p.Height()), D3DFMT_X8R8G8B8,
                                                          D3DPOOL_SYSTEMMEM, surface.Receive(), nullptr));
    ASSERT_EQ(D3D_OK, D3DXLoadSurfaceFromFileInMemory(surface.Get(), nullptr, nullptr, bmp.data(), UINT(bmp.size()),
                                                      nullptr, D3DX_FILTER_NONE, 0, nullptr));
    D3DLOCKED_RECT locked = {};
    ASSERT_EQ(D3D_OK, surface->LockRect(&locked, nullptr, D3DLOCK_READONLY));
    int wrong = 0;
    std::string first;
    for (int y = 0; y < p.Height(); ++y) {
      const uint32_t* row = reinterpret_cast<const uint32_t*>(static_cast<const unsigned char*>(locked.pBits) +
                                                              size_t(y) * size_t(locked.Pitch));
      for (int x = 0; x < p.Width(); ++x) {
        if ((row[x] & 0xFFFFFFu) == (p.At(x, y) & 0xFFFFFFu)) continue;
        if (wrong++ == 0) {
          first = "(" + std::to_string(x) + ", " + std::to_string(y) + ") expected " + ds_test::ColorText(p.At(x, y)) +
                  " got " + ds_test::ColorText(row[x]);
        }
      }
    }
    surface->UnlockRect();
    EXPECT_EQ(0, wrong) << Name(scene.fileName) << ": first wrong pixel " << first;
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, PictureDecodeTest,
                         ::testing::Values(Encoding{"BMP", ds_tools::EncodeBmp24, D3DXIFF_BMP},
                                           Encoding{"PNG", ds_tools::EncodePng24, D3DXIFF_PNG}));

// A hard edge drawn at a fraction of a pixel leaves that pixel partly covered, not
// all or nothing: a rectangle's edge, a polygon's slanted side and the curve of a
// disc each leave pixels between the two colours.
TEST(PictureTest, ShapesCoverTheirEdgePixelsInPart) {
  const uint32_t kGround = 0xFF000000u, kInk = 0xFFFFFFFFu;
  auto partly = [](const Picture& p, int x, int y) {
    const uint32_t red = (p.At(x, y) >> 16) & 0xFFu;
    return red > 40 && red < 215;
  };
  {
    Picture p(8, 8, kGround);
    ds_tools::Canvas canvas(p, 2.0f);  // two pixels a unit
    ds_tools::FillRect(canvas, 0.75f, 0.0f, 4.0f, 4.0f, kInk);  // its left edge half-way into pixel 1
    EXPECT_EQ(kGround, p.At(0, 3));
    EXPECT_TRUE(partly(p, 1, 3)) << ds_test::ColorText(p.At(1, 3));
    EXPECT_EQ(kInk, p.At(2, 3));
  }
  {
    Picture p(40, 40, kGround);
    ds_tools::Canvas canvas(p, 1.0f);
    ds_tools::FillConvex(canvas, {0.0f, 0.0f, 40.0f, 0.0f, 0.0f, 40.0f}, kInk);  // its slant from (40, 0) to (0, 40)
    int between = 0;
    for (int x = 0; x < 40; ++x) between += partly(p, x, 39 - x) || partly(p, x, 40 - x - 1) ? 1 : 0;
    EXPECT_LT(30, between) << "the slant steps from ground to ink";
    EXPECT_EQ(kInk, p.At(5, 5));
    EXPECT_EQ(kGround, p.At(35, 35));
  }
  {
    Picture p(40, 40, kGround);
    ds_tools::Canvas canvas(p, 1.0f);
    ds_tools::DrawGlowDisc(canvas, 20.0f, 20.0f, 12.3f, 12.3f, kInk, 0.0f);
    int between = 0;
    for (int y = 0; y < 40; ++y) {
      for (int x = 0; x < 40; ++x) between += partly(p, x, y) ? 1 : 0;
    }
    EXPECT_LT(30, between) << "the rim of the disc";
    EXPECT_EQ(kInk, p.At(20, 20));
  }
}

}  // namespace
