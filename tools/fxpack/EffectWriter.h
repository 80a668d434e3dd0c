#pragma once
// Writes a compiled fx_2_0 effect: the binary that D3DXCreateEffect loads without a
// run-time compiler. The layout is the one D3DX reads (tag 0xFEFF0901, then a block of
// names, type descriptions and values that the structured part points into by offset,
// then the parameters, techniques, passes and states, then the string objects and the
// resources: shader byte code and the texture parameters that states name).

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "EffectSource.h"

namespace ds_fxpack {

// Compiled shader byte code by (profile, entry point).
typedef std::map<std::pair<std::string, std::string>, std::vector<uint8_t>> ShaderBlobs;

// The effect binary. Every shader a pass names must be in `shaders`.
std::vector<uint8_t> WriteEffectBinary(const EffectSource& effect, const ShaderBlobs& shaders);

}  // namespace ds_fxpack
