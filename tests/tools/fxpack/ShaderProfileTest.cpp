// How the packer mends vkd3d's shader model 2 byte code to the rules Direct3D 9
// validates, and what it reports when it cannot.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ShaderProfile.h"

namespace {

const uint32_t kPixel20 = 0xFFFF0200u;
const uint32_t kVertex20 = 0xFFFE0200u;
const uint32_t kEnd = 0x0000FFFFu;
// Register types.
const uint32_t R = 0, V = 1, C = 2, T = 3, OC = 8, S = 10;
// Swizzles: identity, and two that ps_2_0 refuses.
const uint32_t XYZW = 0xE4, XYXX = 0x04, XXYZ = 0x90;

uint32_t Op(uint32_t opcode, uint32_t parameters) { return opcode | (parameters << 24); }
uint32_t Register(uint32_t type, uint32_t number) { return 0x80000000u | ((type & 7) << 28) | ((type & 0x18) << 8) | number; }
uint32_t Dst(uint32_t type, uint32_t number, uint32_t mask = 0xF) { return Register(type, number) | (mask << 16); }
uint32_t Src(uint32_t type, uint32_t number, uint32_t swizzle = XYZW) { return Register(type, number) | (swizzle << 16); }
uint32_t Replicate(uint32_t component) { return component * 0x55; }

const uint32_t kMov = 1, kAdd = 2, kMad = 4, kMul = 5, kDcl = 31, kTexld = 66;
const uint32_t kSampler2D = 0x80000000u | (2u << 27);

std::vector<uint8_t> Bytes(const std::vector<uint32_t>& words) {
  std::vector<uint8_t> bytes(words.size() * 4);
  std::memcpy(bytes.data(), words.data(), bytes.size());
  return bytes;
}

std::vector<uint32_t> Words(const std::vector<uint8_t>& bytes) {
  std::vector<uint32_t> words(bytes.size() / 4);
  std::memcpy(words.data(), bytes.data(), words.size() * 4);
  return words;
}

struct MendCase {
  const char* what;
  const char* profile;
  std::vector<uint32_t> input;
  std::vector<uint32_t> expected;
};

const MendCase kMended[] = {
    {"an output written by mul goes through a spare temporary and one mov",
     "ps_2_0",
     {kPixel20, Op(kMul, 3), Dst(OC, 0), Src(R, 0), Src(V, 0), kEnd},
     {kPixel20, Op(kMul, 3), Dst(R, 1), Src(R, 0), Src(V, 0), Op(kMov, 2), Dst(OC, 0), Src(R, 1), kEnd}},
    {"a plain mov to the output stays",
     "ps_2_0",
     {kPixel20, Op(kMov, 2), Dst(OC, 0), Src(R, 0), kEnd},
     {kPixel20, Op(kMov, 2), Dst(OC, 0), Src(R, 0), kEnd}},
    {"texture coordinates read .xyxx from a 2D sampler are read whole",
     "ps_2_0",
     {kPixel20, Op(kDcl, 2), kSampler2D, Dst(S, 0), Op(kTexld, 3), Dst(R, 0), Src(T, 0, XYXX), Src(S, 0),
      Op(kMov, 2), Dst(OC, 0), Src(R, 0), kEnd},
     {kPixel20, Op(kDcl, 2), kSampler2D, Dst(S, 0), Op(kTexld, 3), Dst(R, 0), Src(T, 0, XYZW), Src(S, 0),
      Op(kMov, 2), Dst(OC, 0), Src(R, 0), kEnd}},
    {"components no legal swizzle can place are gathered into a spare temporary",
     "ps_2_0",
     {kPixel20, Op(kAdd, 3), Dst(R, 1, 0xE), Src(C, 0, XXYZ), Src(R, 0), kEnd},
     {kPixel20, Op(kMov, 2), Dst(R, 2, 0x2), Src(C, 0, Replicate(0)), Op(kMov, 2), Dst(R, 2, 0x4),
      Src(C, 0, Replicate(1)), Op(kMov, 2), Dst(R, 2, 0x8), Src(C, 0, Replicate(2)), Op(kAdd, 3), Dst(R, 1, 0xE),
      Src(R, 2), Src(R, 0), kEnd}},
    {"vertex shaders keep their swizzles and write outputs with any instruction",
     "vs_2_0",
     {kVertex20, Op(kMul, 3), Dst(4, 0), Src(V, 0, XXYZ), Src(C, 0), kEnd},
     {kVertex20, Op(kMul, 3), Dst(4, 0), Src(V, 0, XXYZ), Src(C, 0), kEnd}},
};

TEST(ShaderProfileTest, MendsWhatVkd3dWritesToWhatTheProfileAllows) {
  for (const MendCase& c : kMended) {
    SCOPED_TRACE(c.what);
    std::string problems = "not cleared";
    const std::vector<uint32_t> got = Words(ds_fxpack::ConformToProfile(Bytes(c.input), c.profile, problems));
    EXPECT_EQ(problems, "");
    EXPECT_EQ(got, c.expected);
  }
}

struct ProblemCase {
  const char* profile;
  std::vector<uint32_t> input;
  const char* problem;
};

std::vector<uint32_t> ManyTemporaries() {
  std::vector<uint32_t> words = {kPixel20};
  for (uint32_t r = 0; r < 13; ++r) {
    words.push_back(Op(kMov, 2));
    words.push_back(Dst(R, r));
    words.push_back(Src(C, 0));
  }
  words.push_back(kEnd);
  return words;
}

const ProblemCase kProblems[] = {
    {"ps_2_0", {kPixel20, Op(kMad, 4), Dst(R, 0), Src(C, 0), Src(C, 1), Src(C, 2), kEnd},
     "reads 3 different constant registers (2 allowed)"},
    {"vs_2_0", {kVertex20, Op(kAdd, 3), Dst(R, 0), Src(C, 0), Src(C, 1), kEnd},
     "reads 2 different constant registers (1 allowed)"},
    {"ps_2_0", ManyTemporaries(), "uses 13 temporary registers (12 allowed)"},
    {"ps_2_0", {kPixel20, Op(kMov, 2), Dst(R, 0), Src(C, 0) | (11u << 24), kEnd}, "applies source modifier 11"},
    {"ps_2_0", {kVertex20, kEnd}, "not ps_2_0 byte code"},
    {"ps_2_0", {kPixel20, Op(kMul, 3), Dst(R, 0), Src(R, 0)}, "cut short"},
};

TEST(ShaderProfileTest, ReportsWhatItCannotMend) {
  for (const ProblemCase& c : kProblems) {
    SCOPED_TRACE(c.problem);
    std::string problems;
    ds_fxpack::ConformToProfile(Bytes(c.input), c.profile, problems);
    EXPECT_NE(problems.find(c.problem), std::string::npos) << problems;
  }
}

}  // namespace
