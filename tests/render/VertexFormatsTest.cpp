#include <d3dx9.h>
#include <gtest/gtest.h>

#include "render/VertexFormats.h"

namespace {

struct FormatCase {
  const char* name;
  DWORD fvf;
  size_t size;
  DWORD expectedFvf;
  UINT expectedSize;
};

class VertexFormatTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(VertexFormatTest, CodeAndSizeAgreeWithDirect3D) {
  const FormatCase& c = GetParam();
  EXPECT_EQ(c.fvf, c.expectedFvf) << c.name;
  EXPECT_EQ(c.size, c.expectedSize) << c.name;
  EXPECT_EQ(D3DXGetFVFVertexSize(c.fvf), c.size) << c.name << ": struct size differs from the FVF code's";
}

#define DS_FORMAT(V, code, bytes) FormatCase{#V, DX_V::V::FVF, sizeof(DX_V::V), code, bytes}
INSTANTIATE_TEST_SUITE_P(AllFormats, VertexFormatTest,
                         ::testing::Values(DS_FORMAT(PT, 0x102, 20), DS_FORMAT(PCT, 0x142, 24),
                                           DS_FORMAT(PNT, 0x112, 32), DS_FORMAT(PNCT, 0x152, 36),
                                           DS_FORMAT(PC, 0x42, 16), DS_FORMAT(SC, 0x44, 20),
                                           DS_FORMAT(SCT, 0x144, 28), DS_FORMAT(PT2, 0x202, 28)),
                         [](const ::testing::TestParamInfo<FormatCase>& info) { return std::string(info.param.name); });
#undef DS_FORMAT

}  // namespace
