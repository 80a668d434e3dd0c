#pragma once
// A C++ header that lists, for each effect source, the techniques (with their pass
// counts) and the parameters (with their D3DX types, classes, sizes and defaults) it
// declares. The effect tests include it to hold every compiled effect that D3DX
// loads against its own source, so that adding an effect adds its checks.

#include <string>
#include <vector>

#include "EffectSource.h"

namespace ds_fxpack {

struct NamedEffect {
  std::string name;  // the compiled effect's file name without ".fxo"
  EffectSource effect;
};

std::string WriteManifestHeader(const std::vector<NamedEffect>& effects);

}  // namespace ds_fxpack
