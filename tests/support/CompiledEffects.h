#pragma once
// The effects compiled at build time from resources/effects, as a test program holds
// them: RCDATA resources named after each effect, linked in by
// ds_use_compiled_effects(<test>) in the test's CMakeLists.txt.

#include <d3dx9.h>

#include <vector>

namespace ds_test {

// The compiled effect's bytes; empty when the program holds no effect of that name.
std::vector<unsigned char> CompiledEffectBytes(const char* name);

// D3DXCreateEffect of the compiled effect on `device`, with no defines, include
// handler, flags or pool. E_FAIL when the program holds no such effect.
HRESULT CreateCompiledEffect(IDirect3DDevice9* device, const char* name, ID3DXEffect** effect);

}  // namespace ds_test
