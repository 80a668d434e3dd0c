#pragma once
// The states a pass or a sampler_state block may assign, by the operation number the
// fx_2_0 binary stores (D3DX's own state table: render states 0x00-0x66, texture stage
// states 0x67-0x78, shaders 0x92/0x93, Texture 0xA4, sampler states 0xA5-0xAF), with
// the value names each accepts. States outside this list are refused with a message
// rather than guessed.

#include <cstdint>
#include <string>

namespace ds_fxpack {

enum class StateKind {
  Bool,          // true / false
  Int,           // a number or one of the state's value names (or several joined by |)
  Float,         // a number
  VertexShader,  // compile vs_2_0 Entry() or NULL
  PixelShader,   // compile ps_2_0 Entry() or NULL
  Texture,       // <TextureParameter>
};

struct StateValueName {
  const char* name;
  uint32_t value;
};

struct StateInfo {
  const char* name;  // as effect sources spell it (compared without regard to case)
  uint32_t operation;
  StateKind kind;
  const StateValueName* values;  // null-name terminated; null when only numbers
  bool sampler;                  // allowed inside sampler_state
};

// The state of that name, or null.
const StateInfo* FindState(const std::string& name);

// The value of `name` among the state's value names (case-insensitive); false when
// it has none of that name.
bool FindStateValue(const StateInfo& state, const std::string& name, uint32_t& value);

bool EqualNoCase(const std::string& a, const std::string& b);

}  // namespace ds_fxpack
