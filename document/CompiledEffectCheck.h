#pragma once
// The gate in front of D3DX for effect bytes that a document or a module carries. D3DX
// reads a compiled fx_2_0 effect by trusting every offset, count and object id in it,
// and the device reads each shader's token stream up to its end token without a bound:
// two stray bytes are enough for a page fault inside D3DX. DS_CompiledEffectCheck walks
// the binary the way the D3DX parser does (header; parameters with their types, values
// and annotations; techniques, passes and states; string objects; resources with the
// shader byte code and the names of the parameters that states refer to) and accepts
// only what D3DX can read inside the bytes. Effect source text (anything not starting
// with the fx_2_0 tag) is left to the compiler, which reads it by its size.

#include <cstddef>
#include <cstdint>
#include <string>

// The first word of a compiled effect.
const uint32_t kCompiledEffectTag = 0xFEFF0901u;

// Whether the bytes begin with the compiled-effect tag.
bool IsCompiledEffect(const void* bytes, size_t size);

class DS_CompiledEffectCheck {
public:
  // Checks `size` bytes: a compiled effect in full; source text (or fewer bytes than
  // the tag) passes, for the compiler reads it by its size.
  DS_CompiledEffectCheck(const void* bytes, size_t size);

  bool Passed() const { return m_problem.empty(); }
  // What is wrong, for the developer's debugger line; empty when the bytes passed.
  const std::string& Problem() const { return m_problem; }

  // One shader's byte code alone: a known vertex or pixel shader version, every
  // instruction and comment inside the bytes, the end token inside them, and a constant
  // table whose offsets stay inside its comment. `vertex` picks the kind expected.
  static bool CheckShader(const void* bytes, size_t size, bool vertex, std::string& problem);

private:
  std::string m_problem;
};
