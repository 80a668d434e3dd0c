// fxpack: turns an HLSL effect source (fx_2_0 style) into a compiled fx_2_0 effect,
// run by the build on the Linux host. vkd3d-compiler compiles the shaders; fxpack
// reads the rest of the source itself and writes the effect binary.
//
//   fxpack pack <vkd3d-compiler> <work folder> <source.fx> <output.fxo>
//       compiles every entry point the passes name, makes each obey its profile's
//       rules and checks it against the profile's instruction limits, writes the
//       effect.
//   fxpack check <vkd3d-compiler> <work folder> <source.fx> <effect.fxo> <stamp>
//       has vkd3d read the packed effect back and compares what it lists with the
//       source; writes the stamp file when they agree.
//   fxpack manifest <vkd3d-compiler> <work folder> <output.h> <name>=<source.fx>...
//       writes a C++ header listing each effect's techniques and parameters, for the
//       tests that load the effects through D3DX.

#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "EffectListing.h"
#include "EffectManifest.h"
#include "EffectSource.h"
#include "EffectWriter.h"
#include "ShaderCompiler.h"
#include "ShaderProfile.h"

using namespace ds_fxpack;

namespace {

void WriteFileBytes(const std::string& path, const void* data, size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(static_cast<const char*>(data), std::streamsize(size));
  if (!out) throw SourceError("cannot write " + path);
}

EffectSource ReadSource(const ShaderCompiler& compiler, const std::string& path) {
  try {
    return ParseEffectSource(compiler.Preprocess(path));
  } catch (const SourceError& e) {
    throw SourceError(path + ": " + e.what());
  }
}

int Pack(const ShaderCompiler& compiler, const std::string& source, const std::string& output) {
  const EffectSource effect = ReadSource(compiler, source);
  ShaderBlobs shaders;
  std::string failures;
  for (const Technique& technique : effect.techniques) {
    for (const Pass& pass : technique.passes) {
      for (const StateAssignment& state : pass.states) {
        if (state.kind != StateAssignment::Kind::Shader) continue;
        const auto key = std::make_pair(state.profile, state.entry);
        if (shaders.count(key)) continue;
        std::string problems;
        std::vector<uint8_t> byteCode =
            ConformToProfile(compiler.Compile(source, state.profile, state.entry), state.profile, problems);
        if (!problems.empty()) failures += "  " + state.entry + " (" + state.profile + "):\n" + problems;
        const SlotCount slots =
            CountSlots(compiler.DisassembleShader(byteCode, state.entry + "." + state.profile), state.profile);
        const std::string excess = CheckProfileLimits(slots, state.profile);
        if (!excess.empty()) failures += "  " + state.entry + " (" + state.profile + "): " + excess + "\n";
        shaders[key] = std::move(byteCode);
      }
    }
  }
  if (!failures.empty()) throw SourceError(source + ": shaders do not fit their profile:\n" + failures);
  const std::vector<uint8_t> binary = WriteEffectBinary(effect, shaders);
  WriteFileBytes(output, binary.data(), binary.size());
  return 0;
}

int Check(const ShaderCompiler& compiler, const std::string& source, const std::string& binary,
          const std::string& stamp) {
  const EffectSource effect = ReadSource(compiler, source);
  const std::string listing = compiler.DisassembleEffect(binary);
  const std::string differences = CompareListing(effect, listing);
  if (!differences.empty())
    throw SourceError(binary + " does not read back as " + source + " declares it:\n" + differences);
  WriteFileBytes(stamp, "checked\n", 8);
  return 0;
}

int Manifest(const ShaderCompiler& compiler, const std::string& output, const std::vector<std::string>& entries) {
  std::vector<NamedEffect> effects;
  for (const std::string& entry : entries) {
    const size_t equals = entry.find('=');
    if (equals == std::string::npos) throw SourceError("expected <name>=<source>, got " + entry);
    effects.push_back(NamedEffect{entry.substr(0, equals), ReadSource(compiler, entry.substr(equals + 1))});
  }
  const std::string header = WriteManifestHeader(effects);
  WriteFileBytes(output, header.data(), header.size());
  return 0;
}

int Usage() {
  std::cerr << "usage: fxpack pack <vkd3d-compiler> <work> <source.fx> <output.fxo>\n"
               "       fxpack check <vkd3d-compiler> <work> <source.fx> <effect.fxo> <stamp>\n"
               "       fxpack manifest <vkd3d-compiler> <work> <output.h> <name>=<source.fx>...\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() < 4) return Usage();
  try {
    const ShaderCompiler compiler(args[1], args[2]);
    if (args[0] == "pack" && args.size() == 5) return Pack(compiler, args[3], args[4]);
    if (args[0] == "check" && args.size() == 6) return Check(compiler, args[3], args[4], args[5]);
    if (args[0] == "manifest" && args.size() >= 5)
      return Manifest(compiler, args[3], std::vector<std::string>(args.begin() + 4, args.end()));
    return Usage();
  } catch (const std::exception& e) {
    std::cerr << "fxpack: " << e.what() << "\n";
    return 1;
  }
}
