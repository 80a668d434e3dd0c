#include "ShaderCompiler.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

#include "EffectSource.h"

namespace ds_fxpack {

namespace {

std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') quoted += "'\\''";
    else quoted += c;
  }
  return quoted + "'";
}

std::string AbsolutePath(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  char* cwd = getcwd(nullptr, 0);
  const std::string absolute = std::string(cwd ? cwd : ".") + "/" + path;
  std::free(cwd);
  return absolute;
}

std::string Folder(const std::string& path) {
  const std::string absolute = AbsolutePath(path);
  return absolute.substr(0, absolute.rfind('/') + 1);
}

std::string ReadFileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

ShaderCompiler::ShaderCompiler(std::string compiler, std::string workDir)
    : m_compiler(std::move(compiler)), m_workDir(AbsolutePath(workDir)) {}

std::string ShaderCompiler::Run(const std::vector<std::string>& arguments, const std::string& what,
                                const std::string& folder) const {
  const std::string errors = m_workDir + "/vkd3d-messages.txt";
  std::string command;
  // vkd3d-compiler looks for #include files in its working folder.
  if (!folder.empty()) command = "cd " + ShellQuote(folder) + " && ";
  command += ShellQuote(m_compiler);
  for (const std::string& a : arguments) command += " " + ShellQuote(a);
  command += " 2>" + ShellQuote(errors);

  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) throw SourceError("cannot run " + m_compiler);
  std::string output;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
  const int status = pclose(pipe);
  if (status != 0) {
    std::string message = what + " failed";
    if (WIFEXITED(status) && WEXITSTATUS(status) == 127) message += " (" + m_compiler + " not found)";
    else if (WIFSIGNALED(status) || (WIFEXITED(status) && WEXITSTATUS(status) > 128)) message += " (vkd3d-compiler crashed)";
    throw SourceError(message + ":\n" + ReadFileText(errors));
  }
  return output;
}

std::string ShaderCompiler::Preprocess(const std::string& sourcePath) const {
  return Run({"-E", AbsolutePath(sourcePath)}, "preprocessing " + sourcePath, Folder(sourcePath));
}

std::vector<uint8_t> ShaderCompiler::Compile(const std::string& sourcePath, const std::string& profile,
                                             const std::string& entry) const {
  const std::string out = m_workDir + "/" + entry + "." + profile + ".d3dbc";
  Run({"-x", "hlsl", "-p", profile, "-b", "d3dbc", "-e", entry, "-o", AbsolutePath(out), AbsolutePath(sourcePath)},
      "compiling " + entry + " (" + profile + ")", Folder(sourcePath));
  const std::string bytes = ReadFileText(out);
  if (bytes.empty() || bytes.size() % 4 != 0) throw SourceError("no byte code for " + entry);
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

std::string ShaderCompiler::DisassembleShader(const std::vector<uint8_t>& byteCode, const std::string& name) const {
  const std::string path = m_workDir + "/" + name + ".d3dbc";
  {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(byteCode.data()), std::streamsize(byteCode.size()));
    if (!out) throw SourceError("cannot write " + path);
  }
  return Run({"-x", "d3dbc", "-b", "d3d-asm", path}, "disassembling " + name);
}

std::string ShaderCompiler::DisassembleEffect(const std::string& effectPath) const {
  return Run({"-x", "fx", "-b", "d3d-asm", effectPath}, "reading back " + effectPath);
}

namespace {

struct InstructionSlots {
  const char* name;
  unsigned slots;
  bool texture;
};

// Slots per instruction of shader model 2 (the assembler's own counts); declarations
// and constant definitions take none.
const InstructionSlots kInstructions[] = {
    {"abs", 1, false},    {"add", 1, false},    {"cmp", 1, false},    {"crs", 2, false},
    {"dp2add", 2, false}, {"dp3", 1, false},    {"dp4", 1, false},    {"dst", 1, false},
    {"exp", 1, false},    {"expp", 1, false},   {"frc", 1, false},    {"lit", 3, false},
    {"log", 1, false},    {"logp", 1, false},   {"lrp", 2, false},    {"m3x2", 2, false},
    {"m3x3", 3, false},   {"m3x4", 4, false},   {"m4x3", 3, false},   {"m4x4", 4, false},
    {"mad", 1, false},    {"max", 1, false},    {"min", 1, false},    {"mov", 1, false},
    {"mova", 1, false},   {"mul", 1, false},    {"nop", 1, false},    {"nrm", 3, false},
    {"pow", 3, false},    {"rcp", 1, false},    {"rsq", 1, false},    {"sge", 1, false},
    {"sgn", 3, false},    {"sincos", 8, false}, {"slt", 1, false},    {"sub", 1, false},
    {"call", 2, false},   {"callnz", 3, false}, {"else", 1, false},   {"endif", 1, false},
    {"endloop", 2, false}, {"endrep", 2, false}, {"if", 3, false},    {"label", 0, false},
    {"loop", 3, false},   {"rep", 3, false},    {"ret", 1, false},
    {"texkill", 1, true}, {"texld", 1, true},   {"texldb", 1, true},  {"texldp", 1, true},
};

}  // namespace

SlotCount CountSlots(const std::string& listing, const std::string& profile) {
  SlotCount count;
  std::istringstream lines(listing);
  std::string line;
  bool sawVersion = false;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::string word;
    if (!(words >> word) || word.compare(0, 2, "//") == 0) continue;
    if (!sawVersion) {
      if (word != profile) throw SourceError("expected a " + profile + " listing, got '" + word + "'");
      sawVersion = true;
      continue;
    }
    if (word.compare(0, 3, "dcl") == 0 || word == "def" || word == "defi" || word == "defb") continue;
    // Result modifiers (_sat, _pp, _centroid) do not change the slot count.
    const std::string name = word.substr(0, word.find('_'));
    const InstructionSlots* found = nullptr;
    for (const InstructionSlots& i : kInstructions) {
      if (name == i.name) found = &i;
    }
    if (!found) throw SourceError("unknown instruction '" + word + "' in the " + profile + " listing");
    (found->texture ? count.texture : count.arithmetic) += found->slots;
  }
  if (!sawVersion) throw SourceError("empty " + profile + " listing");
  return count;
}

std::string CheckProfileLimits(const SlotCount& count, const std::string& profile) {
  if (profile == "ps_2_0") {
    std::string excess;
    if (count.arithmetic > 64) excess += std::to_string(count.arithmetic) + " arithmetic instruction slots (64 allowed)";
    if (count.texture > 32) {
      if (!excess.empty()) excess += " and ";
      excess += std::to_string(count.texture) + " texture instructions (32 allowed)";
    }
    return excess;
  }
  if (profile == "vs_2_0") {
    const unsigned total = count.arithmetic + count.texture;
    return total > 256 ? std::to_string(total) + " instruction slots (256 allowed)" : std::string();
  }
  return "no limits known for " + profile;
}

}  // namespace ds_fxpack
