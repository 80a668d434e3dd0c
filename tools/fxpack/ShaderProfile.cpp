#include "ShaderProfile.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <sstream>

namespace ds_fxpack {

namespace {

// Shader model 2 byte code: a version token, instructions (an opcode token whose bits
// 24-27 count the parameter tokens after it), comment blocks (the constant table) and
// an end token.
const uint32_t kEndToken = 0x0000FFFFu;
const uint32_t kCommentOpcode = 0xFFFE;

enum Opcode : uint32_t {
  kNop = 0, kMov = 1, kRcp = 6, kRsq = 7, kDp3 = 8, kDp4 = 9, kExp = 14, kLog = 15,
  kM4x4 = 20, kM4x3 = 21, kM3x4 = 22, kM3x3 = 23, kM3x2 = 24, kCall = 25, kCallNz = 26, kLoop = 27,
  kLabel = 30, kDcl = 31, kPow = 32, kCrs = 33, kNrm = 36, kSinCos = 37, kRep = 38, kIf = 40,
  kIfc = 41, kBreakC = 45, kDefB = 47, kDefI = 48, kTexKill = 65, kTex = 66, kDef = 81, kDp2Add = 90,
};

enum RegisterType : uint32_t {
  kTemp = 0, kInput = 1, kConst = 2, kTexture = 3, kColorOut = 8, kDepthOut = 9, kSampler = 10,
};

const uint32_t kIdentitySwizzle = 0xE4;  // .xyzw
const uint32_t kNoSwizzle = 0x100;
const unsigned kMaxTemps = 12;

uint32_t RegisterTypeOf(uint32_t token) { return ((token >> 28) & 0x7) | ((token >> 8) & 0x18); }
uint32_t RegisterNumber(uint32_t token) { return token & 0x7FF; }
uint32_t WithRegister(uint32_t token, uint32_t type, uint32_t number) {
  token &= ~(0x70000000u | 0x1800u | 0x7FFu);
  return token | ((type & 0x7) << 28) | ((type & 0x18) << 8) | number;
}
uint32_t WriteMask(uint32_t dst) { return (dst >> 16) & 0xF; }
uint32_t Swizzle(uint32_t src) { return (src >> 16) & 0xFF; }
uint32_t SwizzleComponent(uint32_t swizzle, unsigned position) { return (swizzle >> (2 * position)) & 3; }
uint32_t WithSwizzle(uint32_t src, uint32_t swizzle) { return (src & ~0x00FF0000u) | (swizzle << 16); }
uint32_t SourceModifier(uint32_t src) { return (src >> 24) & 0xF; }
bool IsRelative(uint32_t token) { return (token & 0x2000) != 0; }

const char* const kComponentNames = "xyzw";

std::string RegisterName(uint32_t token) {
  static const std::map<uint32_t, const char*> kPrefixes = {
      {kTemp, "r"}, {kInput, "v"}, {kConst, "c"}, {kTexture, "t"}, {kColorOut, "oC"}, {kDepthOut, "oDepth"},
      {kSampler, "s"}};
  const auto prefix = kPrefixes.find(RegisterTypeOf(token));
  return (prefix != kPrefixes.end() ? prefix->second : "?") + std::to_string(RegisterNumber(token));
}

std::string SwizzleText(uint32_t swizzle) {
  std::string text = ".";
  for (unsigned i = 0; i < 4; ++i) text += kComponentNames[SwizzleComponent(swizzle, i)];
  return text;
}

// Swizzles ps_2_0 accepts: identity, replicates, and three rotations.
const uint32_t kPixelSwizzles[] = {kIdentitySwizzle, 0x00, 0x55, 0xAA, 0xFF, 0xC9, 0xD2, 0x1B};

bool IsPixelSwizzle(uint32_t swizzle) {
  for (uint32_t s : kPixelSwizzles)
    if (s == swizzle) return true;
  return false;
}

struct Instruction {
  size_t at;  // index of the opcode token
  uint32_t opcode;
  uint32_t controls;
  std::vector<size_t> sources;  // indices of the source parameter tokens
  size_t destination = 0;       // index of the destination token, or 0
};

class Conformer {
public:
  Conformer(std::vector<uint32_t> words, bool pixel) : m_words(std::move(words)), m_pixel(pixel) {}

  std::vector<uint32_t> Run() {
    Parse();
    if (!m_problems.str().empty()) return m_words;
    if (m_pixel) {
      RedirectOutputs();
      for (const Instruction& ins : m_instructions) MendSwizzles(ins);
    }
    for (const Instruction& ins : m_instructions) CheckInstruction(ins);
    if (m_relativeGathers) Problem("a relatively addressed source needs a swizzle ps_2_0 does not allow");
    if (m_tempCount > kMaxTemps)
      Problem("uses " + std::to_string(m_tempCount) + " temporary registers (" + std::to_string(kMaxTemps) +
              " allowed)");
    return Assemble();
  }

  std::string Problems() const { return m_problems.str(); }

private:
  // The words with the gathering movs put in before the instructions that need them.
  std::vector<uint32_t> Assemble() const {
    std::vector<uint32_t> out;
    out.reserve(m_words.size());
    for (size_t i = 0; i < m_words.size(); ++i) {
      const auto before = m_insertions.find(i);
      if (before != m_insertions.end()) out.insert(out.end(), before->second.begin(), before->second.end());
      out.push_back(m_words[i]);
    }
    return out;
  }

  void Problem(const std::string& line) { m_problems << "  " << line << "\n"; }

  void Parse() {
    size_t i = 1;
    while (i < m_words.size() && m_words[i] != kEndToken) {
      const uint32_t token = m_words[i];
      if ((token & 0xFFFF) == kCommentOpcode) {
        i += 1 + ((token >> 16) & 0x7FFF);
        continue;
      }
      const size_t length = (token >> 24) & 0xF;
      if (i + length >= m_words.size()) break;
      Instruction ins;
      ins.at = i;
      ins.opcode = token & 0xFFFF;
      ins.controls = (token >> 16) & 0xFF;
      ClassifyParameters(ins, i + 1, i + 1 + length);
      m_instructions.push_back(ins);
      i += 1 + length;
    }
    if (i >= m_words.size() || m_words[i] != kEndToken) {
      Problem("the byte code is cut short");
      return;
    }
    m_end = i;
  }

  void NoteRegister(uint32_t token) {
    if (RegisterTypeOf(token) == kTemp) m_tempCount = std::max<unsigned>(m_tempCount, RegisterNumber(token) + 1);
  }

  void ClassifyParameters(Instruction& ins, size_t first, size_t end) {
    switch (ins.opcode) {
      case kDcl:
        if (end - first == 2 && RegisterTypeOf(m_words[first + 1]) == kSampler)
          m_samplerTypes[RegisterNumber(m_words[first + 1])] = (m_words[first] >> 27) & 0xF;
        return;
      case kTexKill:
        if (first < end) NoteRegister(m_words[first]);
        return;
      case kDef:
      case kDefI:
      case kDefB:
      case kLabel:
        return;
      case kCall:
      case kCallNz:
      case kLoop:
      case kRep:
      case kIf:
      case kIfc:
      case kBreakC:
        break;  // sources only
      default:
        if (first < end) {
          ins.destination = first;
          NoteRegister(m_words[first]);
          ++first;
        }
        break;
    }
    for (size_t p = first; p < end; ++p) {
      ins.sources.push_back(p);
      NoteRegister(m_words[p]);
      if (IsRelative(m_words[p])) ++p;  // the address register token
    }
  }

  // ps_2_0 outputs: each written once by a whole, plain mov. Anything else writes a
  // spare temporary instead, which one mov per output copies out at the end.
  void RedirectOutputs() {
    std::map<uint32_t, std::vector<const Instruction*>> writers;  // by register token key
    for (const Instruction& ins : m_instructions) {
      if (!ins.destination) continue;
      const uint32_t dst = m_words[ins.destination];
      const uint32_t type = RegisterTypeOf(dst);
      if (type == kColorOut || type == kDepthOut) writers[(type << 16) | RegisterNumber(dst)].push_back(&ins);
    }
    std::vector<uint32_t> moves;
    for (const auto& output : writers) {
      const uint32_t type = output.first >> 16;
      const uint32_t number = output.first & 0xFFFF;
      const Instruction& only = *output.second.front();
      if (output.second.size() == 1 && only.opcode == kMov && m_words[only.destination] == Whole(type, number) &&
          only.sources.size() == 1 && IsPlainCopy(m_words[only.sources[0]], type)) {
        continue;
      }
      const uint32_t spare = m_tempCount++;
      for (const Instruction* ins : output.second)
        m_words[ins->destination] = WithRegister(m_words[ins->destination], kTemp, spare);
      moves.push_back(0x02000000u | kMov);
      moves.push_back(Whole(type, number));
      moves.push_back(WithRegister(0x80000000u | ((type == kDepthOut ? 0x00u : kIdentitySwizzle) << 16), kTemp, spare));
    }
    m_words.insert(m_words.begin() + std::ptrdiff_t(m_end), moves.begin(), moves.end());
    m_end += moves.size();
  }

  static uint32_t Whole(uint32_t type, uint32_t number) {
    return WithRegister(0x80000000u | (0xFu << 16), type, number);
  }

  // A source a plain output mov may read: no modifier, the identity swizzle (a
  // replicate for the depth).
  static bool IsPlainCopy(uint32_t src, uint32_t outputType) {
    const uint32_t swizzle = Swizzle(src);
    const bool replicate = swizzle == 0x00 || swizzle == 0x55 || swizzle == 0xAA || swizzle == 0xFF;
    return SourceModifier(src) == 0 && !IsRelative(src) &&
           (outputType == kDepthOut ? replicate : swizzle == kIdentitySwizzle);
  }

  // For each source of `ins`, which components it reads at which positions: -1 where
  // the instruction does not read that position, so any component may stand there.
  // A scalar source reads one component, replicated.
  void MendSwizzles(const Instruction& ins) {
    const uint32_t mask = ins.destination ? WriteMask(m_words[ins.destination]) : 0xF;
    unsigned firstWritten = 0;
    while (firstWritten < 3 && !(mask & (1u << firstWritten))) ++firstWritten;
    for (size_t s = 0; s < ins.sources.size(); ++s) {
      const size_t at = ins.sources[s];
      const uint32_t src = m_words[at];
      if (RegisterTypeOf(src) == kSampler) continue;
      uint32_t used = mask;
      bool scalar = false;
      switch (ins.opcode) {
        case kRcp: case kRsq: case kExp: case kLog: case kPow:
          scalar = true;
          break;
        case kDp3: case kNrm: case kCrs: case kM3x4: case kM3x3: case kM3x2:
          used = s == 0 ? 0x7 : 0xF;
          break;
        case kDp4: case kM4x4: case kM4x3:
          used = 0xF;
          break;
        case kDp2Add:
          if (s < 2) used = 0x3;
          else scalar = true;
          break;
        case kSinCos:
          if (s == 0) scalar = true;
          else used = 0xF;
          break;
        case kTex: {
          const auto sampler = m_samplerTypes.find(ins.sources.size() > 1 ? RegisterNumber(m_words[ins.sources[1]]) : 0);
          const bool flat = sampler == m_samplerTypes.end() || sampler->second == 2;  // 2D
          used = (flat ? 0x3 : 0x7) | (ins.controls ? 0x8 : 0x0);  // texldp and texldb read w
          break;
        }
        default:
          break;
      }
      int wanted[4];
      const uint32_t swizzle = Swizzle(src);
      for (unsigned p = 0; p < 4; ++p) {
        if (scalar) wanted[p] = int(SwizzleComponent(swizzle, firstWritten));
        else wanted[p] = (used & (1u << p)) ? int(SwizzleComponent(swizzle, p)) : -1;
      }
      const uint32_t chosen = ChooseSwizzle(wanted, swizzle);
      if (chosen != kNoSwizzle) m_words[at] = WithSwizzle(src, chosen);
      else GatherSource(ins, s, wanted);
    }
  }

  // A source whose swizzle no legal one can stand for: its components are gathered
  // into a spare temporary first, one masked mov with a replicate swizzle per
  // component, and the instruction reads that temporary whole.
  void GatherSource(const Instruction& ins, size_t s, const int wanted[4]) {
    const size_t at = ins.sources[s];
    const uint32_t src = m_words[at];
    while (m_gatherTemps.size() <= s) m_gatherTemps.push_back(m_tempCount++);
    const uint32_t spare = m_gatherTemps[s];
    std::vector<uint32_t>& before = m_insertions[ins.at];
    for (uint32_t component = 0; component < 4; ++component) {
      uint32_t mask = 0;
      for (unsigned p = 0; p < 4; ++p)
        if (wanted[p] == int(component)) mask |= 1u << p;
      if (!mask) continue;
      before.push_back(0x02000000u | kMov);
      before.push_back(WithRegister(0x80000000u | (mask << 16), kTemp, spare));
      // The original register with its relative addressing, without its modifier,
      // which stays on the instruction's own read.
      before.push_back(WithSwizzle(src & ~0x0F000000u, component * 0x55));
      if (IsRelative(src)) ++m_relativeGathers;
    }
    m_words[at] = WithRegister(WithSwizzle(src & ~0x2000u, kIdentitySwizzle), kTemp, spare);
  }

  // The identity if it fits, else the current swizzle if ps_2_0 takes it, else any
  // swizzle ps_2_0 takes that fits; kNoSwizzle when none does.
  static uint32_t ChooseSwizzle(const int wanted[4], uint32_t current) {
    auto fits = [wanted](uint32_t swizzle) {
      for (unsigned p = 0; p < 4; ++p)
        if (wanted[p] >= 0 && uint32_t(wanted[p]) != SwizzleComponent(swizzle, p)) return false;
      return true;
    };
    if (fits(kIdentitySwizzle)) return kIdentitySwizzle;
    if (IsPixelSwizzle(current) && fits(current)) return current;
    for (uint32_t s : kPixelSwizzles)
      if (fits(s)) return s;
    return kNoSwizzle;
  }

  void CheckInstruction(const Instruction& ins) {
    const std::string where = "instruction at token " + std::to_string(ins.at);
    if (ins.destination && ((m_words[ins.destination] >> 24) & 0xF) != 0)
      Problem(where + " shifts its result, which shader model 2 does not allow");
    std::map<uint32_t, std::set<uint32_t>> read;  // registers read, by type
    for (size_t at : ins.sources) {
      const uint32_t src = m_words[at];
      const uint32_t modifier = SourceModifier(src);
      if (modifier != 0 && modifier != 1)
        Problem(where + " applies source modifier " + std::to_string(modifier) + " to " + RegisterName(src));
      if (m_pixel && RegisterTypeOf(src) != kSampler && !IsPixelSwizzle(Swizzle(src)))
        Problem(where + " reads " + RegisterName(src) + SwizzleText(Swizzle(src)) + ", a swizzle ps_2_0 does not allow");
      read[RegisterTypeOf(src)].insert(RegisterNumber(src));
    }
    const struct {
      uint32_t type;
      unsigned pixelPorts;
      unsigned vertexPorts;
      const char* name;
    } kPorts[] = {{kConst, 2, 1, "constant"}, {kInput, 1, 1, "input"}, {kTexture, 1, 1, "texture coordinate"},
                  {kTemp, 3, 3, "temporary"}};
    for (const auto& port : kPorts) {
      const auto registers = read.find(port.type);
      const unsigned allowed = m_pixel ? port.pixelPorts : port.vertexPorts;
      if (registers != read.end() && registers->second.size() > allowed)
        Problem(where + " reads " + std::to_string(registers->second.size()) + " different " + port.name +
                " registers (" + std::to_string(allowed) + " allowed)");
    }
  }

  std::vector<uint32_t> m_words;
  bool m_pixel;
  std::vector<Instruction> m_instructions;
  std::map<uint32_t, uint32_t> m_samplerTypes;
  size_t m_end = 0;
  unsigned m_tempCount = 0;
  std::vector<uint32_t> m_gatherTemps;              // spare temporaries, one per source slot
  std::map<size_t, std::vector<uint32_t>> m_insertions;  // movs to put before an instruction
  unsigned m_relativeGathers = 0;
  std::ostringstream m_problems;
};

}  // namespace

std::vector<uint8_t> ConformToProfile(const std::vector<uint8_t>& byteCode, const std::string& profile,
                                      std::string& problems) {
  const uint32_t version = profile == "ps_2_0" ? 0xFFFF0200u : profile == "vs_2_0" ? 0xFFFE0200u : 0u;
  std::vector<uint32_t> words(byteCode.size() / 4);
  if (!words.empty()) std::memcpy(words.data(), byteCode.data(), words.size() * 4);
  if (version == 0 || words.empty() || words[0] != version) {
    problems = "  not " + profile + " byte code\n";
    return byteCode;
  }
  Conformer conformer(std::move(words), profile == "ps_2_0");
  const std::vector<uint32_t> mended = conformer.Run();
  problems = conformer.Problems();
  std::vector<uint8_t> bytes(mended.size() * 4);
  std::memcpy(bytes.data(), mended.data(), bytes.size());
  return bytes;
}

}  // namespace ds_fxpack
