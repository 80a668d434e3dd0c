#pragma once
// vkd3d-compiler, driven as a separate program: it preprocesses an effect source,
// compiles each entry point to shader model 2 byte code (with its constant table, which
// D3DX reads to bind parameters to registers), disassembles byte code, and reads packed
// effects back. Also the profile check: the instruction slots a shader uses, counted
// from the disassembly, against what Direct3D 9 allows the profile.

#include <cstdint>
#include <string>
#include <vector>

namespace ds_fxpack {

class ShaderCompiler {
public:
  // `compiler`: the vkd3d-compiler program (or a wrapper running it); `workDir`: a
  // folder for its intermediate files.
  ShaderCompiler(std::string compiler, std::string workDir);

  // The source with macros expanded and comments gone.
  std::string Preprocess(const std::string& sourcePath) const;
  // Shader model 2 byte code of one entry point.
  std::vector<uint8_t> Compile(const std::string& sourcePath, const std::string& profile,
                               const std::string& entry) const;
  // The assembly listing of byte code (written to a file first) or of a packed effect.
  std::string DisassembleShader(const std::vector<uint8_t>& byteCode, const std::string& name) const;
  std::string DisassembleEffect(const std::string& effectPath) const;

private:
  // Runs the compiler (in `folder`, when given) and returns what it writes out.
  std::string Run(const std::vector<std::string>& arguments, const std::string& what,
                  const std::string& folder = std::string()) const;

  std::string m_compiler;
  std::string m_workDir;
};

struct SlotCount {
  unsigned arithmetic = 0;
  unsigned texture = 0;
};

// Instruction slots of a vs_2_0 or ps_2_0 listing as the assembler counts them (macro
// instructions such as m4x4 or sincos take several). Throws SourceError for a listing
// of another profile or an instruction it does not know.
SlotCount CountSlots(const std::string& listing, const std::string& profile);

// Empty when the count fits the profile (ps_2_0: 64 arithmetic and 32 texture
// instructions; vs_2_0: 256 in all), otherwise what exceeds it.
std::string CheckProfileLimits(const SlotCount& count, const std::string& profile);

}  // namespace ds_fxpack
