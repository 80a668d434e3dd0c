// The check in front of D3DX: every shipped compiled effect passes it and still loads;
// corrupt copies of them (bytes set to 0x00 or 0xFF, pairs of bytes, random bytes,
// truncations) either fail it or load and run their passes without a crash; shader
// byte code and effect source text at its edges.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "EffectManifest.h"
#include "device/ComHolder.h"
#include "document/CompiledEffectCheck.h"
#include "document/EffectFactory.h"
#include "support/CompiledEffects.h"
#include "support/TestDevice.h"

namespace {

typedef std::vector<unsigned char> Bytes;

// Every compiled effect the program carries: the shipped ones and the tests' own.
std::vector<std::string> EffectNames() {
  std::vector<std::string> names;
  for (const ds_effects::DeclaredEffect& declared : ds_effects::kDeclaredEffects) names.push_back(declared.name);
  names.push_back("vertex_transform");
  return names;
}

std::string Checked(const Bytes& bytes) {
  DS_CompiledEffectCheck check(bytes.data(), bytes.size());
  return check.Passed() ? std::string() : check.Problem();
}

// Creates the effect as the saver does and, when D3DX makes it, runs every pass of
// every technique, which applies each state and shader.
HRESULT CreateAndRun(IDirect3DDevice9* device, const Bytes& bytes) {
  DS_ComHolder<ID3DXEffect> effect;
  const HRESULT hr = CreateEffectFromBytes(device, bytes.data(), UINT(bytes.size()), effect.Receive());
  if (FAILED(hr) || !effect) return FAILED(hr) ? hr : E_FAIL;
  D3DXEFFECT_DESC desc = {};
  if (FAILED(effect->GetDesc(&desc))) return hr;
  for (UINT t = 0; t < desc.Techniques; ++t) {
    D3DXHANDLE technique = effect->GetTechnique(t);
    if (!technique || FAILED(effect->SetTechnique(technique))) continue;
    UINT passes = 0;
    if (FAILED(effect->Begin(&passes, 0))) continue;
    for (UINT p = 0; p < passes && p < 16; ++p) {
      if (SUCCEEDED(effect->BeginPass(p))) effect->EndPass();
    }
    effect->End();
  }
  return hr;
}

class CompiledEffectCheckTest : public ds_test::DeviceTest {};

TEST_F(CompiledEffectCheckTest, EveryShippedEffectPassesAndStillLoads) {
  for (const std::string& name : EffectNames()) {
    SCOPED_TRACE(name);
    const Bytes bytes = ds_test::CompiledEffectBytes(name.c_str());
    ASSERT_FALSE(bytes.empty());
    ASSERT_TRUE(IsCompiledEffect(bytes.data(), bytes.size()));
    EXPECT_EQ("", Checked(bytes));
    DS_ComHolder<ID3DXEffect> effect;
    EXPECT_EQ(D3D_OK, CreateEffectFromBytes(device, bytes.data(), UINT(bytes.size()), effect.Receive()));
    EXPECT_TRUE(effect);
  }
}

// The corruptions of one effect: single bytes at every fourth position set to 0x00 and
// to 0xFF (the position turning with the pass so that every byte of a word is hit),
// two neighbouring bytes set to 0x00, random bytes at random positions (fixed seed),
// and truncations.
std::vector<Bytes> Corruptions(const Bytes& valid, unsigned seed) {
  std::vector<Bytes> out;
  const size_t size = valid.size();
  for (size_t at = 0; at < size; at += 4) {
    const size_t position = at + (at / 4) % 4;
    if (position >= size) continue;
    for (unsigned char value : {0x00, 0xFF}) {
      if (valid[position] == value) continue;
      out.push_back(valid);
      out.back()[position] = value;
    }
  }
  for (size_t at = 2; at + 1 < size; at += 8) {
    out.push_back(valid);
    out.back()[at] = out.back()[at + 1] = 0;
  }
  std::mt19937 random(seed);
  for (int i = 0; i < 300; ++i) {
    out.push_back(valid);
    const int changes = 1 + i % 2;
    for (int c = 0; c < changes; ++c) out.back()[random() % size] = static_cast<unsigned char>(random());
  }
  for (size_t length = 1; length < size; length += (length < 64 || size - length < 64) ? 1 : 29)
    out.push_back(Bytes(valid.begin(), valid.begin() + length));
  return out;
}

TEST_F(CompiledEffectCheckTest, CorruptEffectsFailTheCheckOrLoadWithoutACrash) {
  unsigned seed = 1;
  size_t total = 0, rejected = 0, created = 0;
  for (const std::string& name : EffectNames()) {
    SCOPED_TRACE(name);
    const Bytes valid = ds_test::CompiledEffectBytes(name.c_str());
    ASSERT_FALSE(valid.empty());
    for (const Bytes& corrupt : Corruptions(valid, seed++)) {
      ++total;
      if (!Checked(corrupt).empty()) {
        ++rejected;
        continue;
      }
      // What passes the check goes to D3DX on the device: a crash ends the test here.
      if (SUCCEEDED(CreateAndRun(device, corrupt))) ++created;
    }
  }
  std::printf("%u corrupt effects: %u failed the check, %u passed it and loaded, %u passed it and D3DX refused\n",
              unsigned(total), unsigned(rejected), unsigned(created), unsigned(total - rejected - created));
  EXPECT_GT(rejected, 0u);
}

// --- shaders -------------------------------------------------------------------------

// ps_2_0: a constant table naming c0 "C", then mov r0, c0.
std::vector<uint32_t> SmallPixelShader() {
  return {0xFFFF0200u,
          0x0012FFFEu, 0x42415443u,  // a comment of 18 words: "CTAB" and its 17 words
          // header: size, creator, version, constant count, their offset, flags, target
          28, 0, 0xFFFF0200u, 1, 28, 0, 0,
          // the constant: name at 64, float4 registers from 0, one of them, type at 48
          64, 0x00000002u, 0x00000001u, 48, 0,
          // its type: a float vector of 1 row and 4 columns, one element, no members
          0x00030001u, 0x00040001u, 0x00000001u, 0,
          0x00000043u,  // "C"
          0x02000001u, 0x800F0000u, 0xA0E40000u,  // mov r0, c0
          0x0000FFFFu};
}

bool ShaderPasses(const std::vector<uint32_t>& words, bool vertex = false) {
  std::string problem;
  return DS_CompiledEffectCheck::CheckShader(words.data(), words.size() * 4, vertex, problem);
}

TEST(CompiledEffectCheck, ShaderByteCodeAtItsEdges) {
  const std::vector<uint32_t> shader = SmallPixelShader();
  ASSERT_TRUE(ShaderPasses(shader));
  EXPECT_FALSE(ShaderPasses(shader, true)) << "a pixel shader where a vertex shader belongs";

  struct Case {
    const char* what;
    size_t word;
    uint32_t value;
  };
  const Case cases[] = {
      {"unknown version", 0, 0xFFFF0500u},
      {"no end token", shader.size() - 1, 0x00000000u},
      {"comment running past the end", 1, 0x7FFFFFFEu},
      {"constant table header of another size", 3, 29},
      {"constants past their table", 6, 1000},
      {"constant info past its table", 7, 0xFFFFFFF0u},
      {"constant name past its table", 10, 4000},
      {"constant type past its table", 13, 60},
      {"register set unknown", 11, 0x00000009u},
      {"default value past its table", 14, 64},
      {"instruction longer than the shader", shader.size() - 4, 0x0F000001u},
      {"raw word among parameters", shader.size() - 2, 0x00E40000u},
      {"unknown opcode", shader.size() - 4, 0x020000EEu},
  };
  for (const Case& c : cases) {
    std::vector<uint32_t> broken = shader;
    broken[c.word] = c.value;
    EXPECT_FALSE(ShaderPasses(broken)) << c.what;
  }
  for (size_t length = 0; length < shader.size(); ++length)
    EXPECT_FALSE(ShaderPasses(std::vector<uint32_t>(shader.begin(), shader.begin() + length))) << length << " words";
}

// --- source text ----------------------------------------------------------------------

TEST_F(CompiledEffectCheckTest, SourceTextGoesToTheCompilerAndFailsCleanly) {
  const std::string source = "technique T { pass P { } }";
  const Bytes unterminated(source.begin(), source.end());  // no terminating zero
  Bytes terminated = unterminated;
  terminated.push_back(0);
  const Bytes binaryJunk = {0x01, 0x02, 0x03, 0x04, 0xFE, 0xFF, 0x09, 0x01, 0x00};
  for (const Bytes* text : std::vector<const Bytes*>{&unterminated, &terminated, &binaryJunk}) {
    EXPECT_FALSE(IsCompiledEffect(text->data(), text->size()));
    EXPECT_EQ("", Checked(*text)) << "left to the compiler";
    DS_ComHolder<ID3DXEffect> effect;
    // Wine cannot compile effects from source: it fails, and must not crash doing so.
    CreateEffectFromBytes(device, text->data(), UINT(text->size()), effect.Receive());
  }
  // Shorter than the word D3DX reads to tell compiled from source.
  for (size_t length = 1; length < 4; ++length) {
    const Bytes shorter(unterminated.begin(), unterminated.begin() + length);
    EXPECT_EQ("", Checked(shorter)) << length << " bytes";
    DS_ComHolder<ID3DXEffect> effect;
    EXPECT_TRUE(FAILED(CreateEffectFromBytes(device, shorter.data(), UINT(length), effect.Receive())));
  }
  const Bytes tagOnly = {0x01, 0x09, 0xFF, 0xFE};
  EXPECT_NE("", Checked(tagOnly)) << "the tag without the structure offset";
}

TEST(CompiledEffectCheck, AFailedCheckIsNoEffectWithoutAskingD3DX) {
  const Bytes valid = ds_test::CompiledEffectBytes("particles");
  ASSERT_FALSE(valid.empty());
  Bytes cut(valid.begin(), valid.begin() + valid.size() / 2);
  ID3DXEffect* effect = reinterpret_cast<ID3DXEffect*>(1);
  EXPECT_EQ(D3DXERR_INVALIDDATA, CreateEffectFromBytes(nullptr, cut.data(), UINT(cut.size()), &effect));
  EXPECT_EQ(nullptr, effect);
}

}  // namespace
