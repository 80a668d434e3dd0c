#pragma once
// The independent check of a packed effect: vkd3d-compiler reads the binary back and
// lists it (`-x fx -b d3d-asm`); this compares that listing with what the source
// declares: every parameter with its type, default and annotations, every sampler
// state, every technique and pass with its annotations and states, and for each
// shader state a byte-code blob of the right profile.

#include <string>

#include "EffectSource.h"

namespace ds_fxpack {

// Empty when the listing shows the effect the source declares; otherwise one line per
// difference. Throws SourceError when the listing cannot be read at all.
std::string CompareListing(const EffectSource& effect, const std::string& listing);

}  // namespace ds_fxpack
