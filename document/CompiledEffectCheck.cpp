#include "document/CompiledEffectCheck.h"

#include <d3dx9.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

const uint32_t kNoIndex = 0xFFFFFFFFu;
const uint32_t kEndToken = 0x0000FFFFu;
const uint32_t kCommentOpcode = 0xFFFEu;
const uint32_t kFourCcConstantTable = 0x42415443u;  // "CTAB"
const uint32_t kFourCcPreshader = 0x53455250u;      // "PRES"

// How D3DX reads a resource record: shader byte code, or the name of the parameter a
// state takes its value from. Expressions and array selectors are not accepted.
const uint32_t kUsageShader = 0;
const uint32_t kUsageParameterName = 1;

// The state operations D3DX knows (its table has this many rows); some rows index
// arrays of their own or read more than one word of the value.
const uint32_t kStateOperationCount = 0xB3;
const uint32_t kFirstTransform = 0x7B, kLastTransform = 0x7E;
const uint32_t kFirstMaterial = 0x7F, kMaterialPower = 0x83;
const uint32_t kFirstLight = 0x84, kLastLight = 0x90;
const uint32_t kVertexShaderState = 0x92, kPixelShaderState = 0x93;
const uint32_t kTextureState = 0xA4;
const uint32_t kSamplerState = 0xB2;
const uint32_t kLightSlots = 8;  // D3DX keeps the lights a pass sets in 8 slots

// Bounds against effects that are valid but absurd: nesting, array sizes and the
// number of parameter nodes D3DX would allocate.
const int kMaxDepth = 8;
const uint32_t kMaxElements = 65536;
const uint32_t kMaxNodes = 1u << 20;

bool IsNumericClass(uint32_t cls) {
  return cls == D3DXPC_SCALAR || cls == D3DXPC_VECTOR || cls == D3DXPC_MATRIX_ROWS ||
         cls == D3DXPC_MATRIX_COLUMNS;
}
bool IsNumericType(uint32_t type) {
  return type == D3DXPT_BOOL || type == D3DXPT_INT || type == D3DXPT_FLOAT;
}
bool IsTextureType(uint32_t type) { return type >= D3DXPT_TEXTURE && type <= D3DXPT_TEXTURECUBE; }
bool IsSamplerType(uint32_t type) { return type >= D3DXPT_SAMPLER && type <= D3DXPT_SAMPLERCUBE; }
bool IsShaderType(uint32_t type) { return type == D3DXPT_PIXELSHADER || type == D3DXPT_VERTEXSHADER; }
// Object types whose value is an object id.
bool HasObjectId(uint32_t type) { return type == D3DXPT_STRING || IsTextureType(type) || IsShaderType(type); }

// A type description as D3DX builds it from a typedef record.
struct TypeNode {
  uint32_t type = 0;
  uint32_t cls = 0;
  uint32_t elements = 0;
  uint64_t elementBytes = 0;  // one element (the whole value when not an array)
  std::vector<TypeNode> members;
  uint64_t Bytes() const { return elements ? elementBytes * elements : elementBytes; }
  bool IsSampler() const { return cls == D3DXPC_OBJECT && IsSamplerType(type) && !elements; }
};

// One state of a pass or a sampler, with what a resource record needs of it.
struct StateInfo {
  uint32_t operation = 0;
  TypeNode type;
  uint32_t objectId = 0;         // the value's object, 0 when it has none (as D3DX)
  bool zeroStandIn = false;      // a number 0 standing for "no shader" or "no texture"
};

typedef std::vector<StateInfo> StateList;

// Words of a state value that D3DX reads when it applies the state, at least.
uint64_t BytesTheStateReads(uint32_t operation) {
  if (operation >= kFirstTransform && operation <= kLastTransform) return 64;
  if (operation >= kFirstMaterial && operation < kMaterialPower) return 16;
  switch (operation) {
    case kFirstLight + 1:  // diffuse
    case kFirstLight + 2:  // specular
    case kFirstLight + 3:  // ambient
      return 16;
    case kFirstLight + 4:  // position
    case kFirstLight + 5:  // direction
      return 12;
    default:
      return 4;
  }
}

bool AllZero(const uint8_t* bytes, size_t size) {
  for (size_t i = 0; i < size; ++i)
    if (bytes[i]) return false;
  return true;
}

// --- the effect ---------------------------------------------------------------------

class EffectWalker {
public:
  EffectWalker(const uint8_t* bytes, size_t size, std::string& problem)
      : m_bytes(bytes), m_size(size), m_problem(problem) {}

  bool Walk();

private:
  // Offsets are from the word after the tag and the structure offset.
  bool Word(size_t& at, uint32_t& value) {
    if (at > m_base.size() || m_base.size() - at < 4) return Fail("a record runs past the end");
    std::memcpy(&value, m_base.data() + at, 4);
    at += 4;
    return true;
  }
  bool Fail(const char* what) {
    if (m_problem.empty()) m_problem = what;
    return false;
  }
  bool Spend() {
    if (++m_nodes > kMaxNodes) return Fail("too many parameter nodes");
    return true;
  }

  bool Name(uint32_t offset, bool required);
  bool Typedef(size_t& at, TypeNode& node, bool named, int depth);
  bool Value(const TypeNode& node, bool asElement, size_t& at, std::vector<StateList>* samplers, int depth);
  bool InitValue(const TypeNode& node, uint32_t offset, std::vector<StateList>* samplers, int depth);
  bool State(size_t& at, StateInfo& state, int depth);
  bool Annotations(size_t& at, uint32_t count);
  bool Parameter(size_t& at, uint32_t index);
  bool Technique(size_t& at);
  bool StringObject(size_t& at);
  bool Resource(size_t& at);
  bool DataBlock(size_t& at, const uint8_t*& data, uint32_t& size);
  const StateInfo* ResourceState(uint32_t technique, uint32_t index, uint32_t element, uint32_t state);
  bool ShaderObject(const StateInfo& state, const uint8_t* data, uint32_t size);
  bool ParameterNameObject(const StateInfo& state, const uint8_t* data, uint32_t size);

  struct TopParameter {
    std::string name;
    TypeNode type;
    std::vector<StateList> samplers;  // one per element of a sampler (array)
  };
  struct PassInfo {
    StateList states;
  };

  const uint8_t* m_bytes;
  size_t m_size;
  std::string& m_problem;
  std::vector<uint8_t> m_base;  // the bytes after the tag and the offset, as D3DX sees them
  uint32_t m_nodes = 0;
  // The type of the parameter that claimed each object id last (0xFFFFFFFF: none).
  std::vector<uint32_t> m_objectOwner;
  std::vector<TopParameter> m_parameters;
  std::vector<std::vector<PassInfo>> m_techniques;
};

bool EffectWalker::Name(uint32_t offset, bool required) {
  size_t at = offset;
  uint32_t size = 0;
  if (!Word(at, size)) return false;
  if (size == 0) return required ? Fail("a name is empty") : true;
  if (m_base.size() - at < size) return Fail("a name runs past the end");
  if (!std::memchr(m_base.data() + at, 0, size)) return Fail("a name is not terminated");
  return true;
}

bool EffectWalker::Typedef(size_t& at, TypeNode& node, bool named, int depth) {
  if (depth > kMaxDepth) return Fail("types nest too deep");
  if (!Spend()) return false;
  uint32_t nameOffset = 0, semanticOffset = 0;
  if (!Word(at, node.type) || !Word(at, node.cls) || !Word(at, nameOffset) || !Word(at, semanticOffset) ||
      !Word(at, node.elements))
    return false;
  if (!Name(nameOffset, named) || !Name(semanticOffset, false)) return false;
  if (node.elements > kMaxElements) return Fail("an array is too large");

  if (IsNumericClass(node.cls)) {
    uint32_t first = 0, second = 0;
    if (!Word(at, first) || !Word(at, second)) return false;
    if (!IsNumericType(node.type)) return Fail("a numeric class with a type that is no number");
    if (first < 1 || first > 4 || second < 1 || second > 4) return Fail("a row or column count out of range");
    node.elementBytes = 4ull * first * second;
  } else if (node.cls == D3DXPC_OBJECT) {
    if (HasObjectId(node.type)) {
      node.elementBytes = sizeof(void*);
    } else if (IsSamplerType(node.type)) {
      node.elementBytes = 0;
    } else {
      return Fail("an object of unknown type");
    }
  } else if (node.cls == D3DXPC_STRUCT) {
    if (node.type != D3DXPT_VOID) return Fail("a structure with a type");
    uint32_t count = 0;
    if (!Word(at, count)) return false;
    // Each member's typedef follows inline and takes at least five words.
    if (count > (m_base.size() - at) / 20) return Fail("a structure claims more members than the bytes hold");
    node.members.resize(count);
    node.elementBytes = 0;
    for (TypeNode& member : node.members) {
      if (!Typedef(at, member, true, depth + 1)) return false;
      node.elementBytes += member.Bytes();
    }
  } else {
    return Fail("a parameter of unknown class");
  }
  if (node.Bytes() > m_base.size() + 0x100000ull) return Fail("a value is too large");
  return true;
}

bool EffectWalker::Value(const TypeNode& node, bool asElement, size_t& at, std::vector<StateList>* samplers,
                         int depth) {
  if (depth > kMaxDepth) return Fail("values nest too deep");
  if (!Spend()) return false;
  if (!asElement && node.elements) {
    for (uint32_t i = 0; i < node.elements; ++i)
      if (!Value(node, true, at, samplers, depth + 1)) return false;
    return true;
  }
  if (node.cls == D3DXPC_STRUCT) {
    for (const TypeNode& member : node.members)
      if (!Value(member, false, at, samplers, depth + 1)) return false;
    return true;
  }
  if (node.cls != D3DXPC_OBJECT) return true;
  if (HasObjectId(node.type)) {
    uint32_t id = 0;
    if (!Word(at, id)) return false;
    if (id >= m_objectOwner.size()) return Fail("an object id out of range");
    m_objectOwner[id] = node.type;
    return true;
  }
  // A sampler: its states follow.
  uint32_t count = 0;
  if (!Word(at, count)) return false;
  if (count > (m_base.size() - at) / 16) return Fail("a sampler claims more states than the bytes hold");
  StateList states(count);
  for (StateInfo& state : states)
    if (!State(at, state, depth + 1)) return false;
  if (samplers) samplers->push_back(std::move(states));
  return true;
}

bool EffectWalker::InitValue(const TypeNode& node, uint32_t offset, std::vector<StateList>* samplers, int depth) {
  // Numbers and structures are copied whole from the offset before they are parsed.
  if (node.cls != D3DXPC_OBJECT && (offset > m_base.size() || m_base.size() - offset < node.Bytes()))
    return Fail("a value runs past the end");
  size_t at = offset;
  return Value(node, false, at, samplers, depth);
}

bool EffectWalker::State(size_t& at, StateInfo& state, int depth) {
  uint32_t index = 0, typeOffset = 0, valueOffset = 0;
  if (!Word(at, state.operation) || !Word(at, index) || !Word(at, typeOffset) || !Word(at, valueOffset))
    return false;
  if (state.operation >= kStateOperationCount) return Fail("a state of unknown operation");
  if (state.operation >= kFirstLight && state.operation <= kLastLight && index >= kLightSlots)
    return Fail("a light state beyond the light slots");
  size_t typeAt = typeOffset;
  if (!Typedef(typeAt, state.type, false, depth + 1)) return false;
  const TypeNode& type = state.type;
  if (!InitValue(type, valueOffset, nullptr, depth + 1)) return false;
  if (type.cls == D3DXPC_OBJECT && HasObjectId(type.type) && !type.elements) {
    std::memcpy(&state.objectId, m_base.data() + valueOffset, 4);
  }

  // What applying the state reads from its value, by operation.
  const bool zero = IsNumericClass(type.cls) && !type.elements && type.elementBytes >= 4 &&
                    AllZero(m_base.data() + valueOffset, size_t(type.elementBytes));
  switch (state.operation) {
    case kVertexShaderState:
    case kPixelShaderState: {
      const uint32_t wanted = state.operation == kVertexShaderState ? D3DXPT_VERTEXSHADER : D3DXPT_PIXELSHADER;
      if (type.cls == D3DXPC_OBJECT && type.type == wanted && !type.elements) return true;
      state.zeroStandIn = true;
      return zero ? true : Fail("a shader state whose value is no shader");
    }
    case kTextureState:
      if (type.cls == D3DXPC_OBJECT && IsTextureType(type.type) && !type.elements) return true;
      state.zeroStandIn = true;
      return zero ? true : Fail("a texture state whose value is no texture");
    case kSamplerState:
      return type.IsSampler() ? true : Fail("a sampler state whose value is no sampler");
    default:
      if (type.elements || type.Bytes() < BytesTheStateReads(state.operation))
        return Fail("a state value smaller than its operation reads");
      return true;
  }
}

bool EffectWalker::Annotations(size_t& at, uint32_t count) {
  if (count > (m_base.size() - at) / 8) return Fail("more annotations than the bytes hold");
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t typeOffset = 0, valueOffset = 0;
    if (!Word(at, typeOffset) || !Word(at, valueOffset)) return false;
    TypeNode type;
    size_t typeAt = typeOffset;
    if (!Typedef(typeAt, type, true, 1) || !InitValue(type, valueOffset, nullptr, 1)) return false;
  }
  return true;
}

bool EffectWalker::Parameter(size_t& at, uint32_t index) {
  TopParameter& parameter = m_parameters[index];
  uint32_t typeOffset = 0, valueOffset = 0, flags = 0, annotations = 0;
  if (!Word(at, typeOffset) || !Word(at, valueOffset) || !Word(at, flags) || !Word(at, annotations)) return false;
  size_t typeAt = typeOffset;
  if (!Typedef(typeAt, parameter.type, true, 0)) return false;
  // The name (checked by Typedef), for the states that refer to the parameter by it.
  uint32_t nameOffset = 0;
  std::memcpy(&nameOffset, m_base.data() + size_t(typeOffset) + 8, 4);
  parameter.name = reinterpret_cast<const char*>(m_base.data() + size_t(nameOffset) + 4);
  if (!InitValue(parameter.type, valueOffset, &parameter.samplers, 0)) return false;
  return Annotations(at, annotations);
}

bool EffectWalker::Technique(size_t& at) {
  uint32_t nameOffset = 0, annotations = 0, passCount = 0;
  if (!Word(at, nameOffset) || !Word(at, annotations) || !Word(at, passCount)) return false;
  // The drawing code selects techniques by name.
  if (!Name(nameOffset, true) || !Annotations(at, annotations)) return false;
  if (passCount > (m_base.size() - at) / 12) return Fail("a technique claims more passes than the bytes hold");
  std::vector<PassInfo> passes(passCount);
  for (PassInfo& pass : passes) {
    uint32_t passName = 0, passAnnotations = 0, stateCount = 0;
    if (!Word(at, passName) || !Word(at, passAnnotations) || !Word(at, stateCount)) return false;
    if (!Name(passName, false) || !Annotations(at, passAnnotations)) return false;
    if (stateCount > (m_base.size() - at) / 16) return Fail("a pass claims more states than the bytes hold");
    pass.states.resize(stateCount);
    for (StateInfo& state : pass.states)
      if (!State(at, state, 1)) return false;
  }
  m_techniques.push_back(std::move(passes));
  return true;
}

bool EffectWalker::DataBlock(size_t& at, const uint8_t*& data, uint32_t& size) {
  if (!Word(at, size)) return false;
  const uint64_t padded = (uint64_t(size) + 3) & ~uint64_t(3);
  if (m_base.size() - at < padded) return Fail("a data block runs past the end");
  data = m_base.data() + at;
  at += size_t(padded);
  return true;
}

bool EffectWalker::StringObject(size_t& at) {
  uint32_t id = 0, size = 0;
  const uint8_t* data = nullptr;
  if (!Word(at, id) || !DataBlock(at, data, size)) return false;
  if (id >= m_objectOwner.size()) return Fail("a string for an object id out of range");
  if (size == 0) return true;
  // D3DX makes the object that owns the id from the bytes: only strings are made here.
  if (m_objectOwner[id] != D3DXPT_STRING) return Fail("string bytes for an object that is no string");
  if (!std::memchr(data, 0, size)) return Fail("a string is not terminated");
  return true;
}

const StateInfo* EffectWalker::ResourceState(uint32_t technique, uint32_t index, uint32_t element,
                                             uint32_t state) {
  if (technique == kNoIndex) {
    // A sampler parameter's state: D3DX takes the parameter's value as its sampler.
    if (index >= m_parameters.size()) return nullptr;
    const TopParameter& parameter = m_parameters[index];
    const TypeNode& type = parameter.type;
    if (type.cls != D3DXPC_OBJECT || !IsSamplerType(type.type)) return nullptr;
    size_t which = 0;
    if (type.elements) {
      if (element == kNoIndex || element >= type.elements) return nullptr;
      which = element;
    }
    if (which >= parameter.samplers.size() || state >= parameter.samplers[which].size()) return nullptr;
    return &parameter.samplers[which][state];
  }
  if (technique >= m_techniques.size() || index >= m_techniques[technique].size()) return nullptr;
  const StateList& states = m_techniques[technique][index].states;
  return state < states.size() ? &states[state] : nullptr;
}

bool EffectWalker::ShaderObject(const StateInfo& state, const uint8_t* data, uint32_t size) {
  const TypeNode& type = state.type;
  if (type.cls != D3DXPC_OBJECT || !IsShaderType(type.type) || type.elements)
    return Fail("shader byte code for a state that takes no shader");
  if (size == 0) return true;
  // D3DX makes the shader as the parameter that claimed the object last.
  if (m_objectOwner[state.objectId] != type.type) return Fail("shader byte code for an object of another type");
  return DS_CompiledEffectCheck::CheckShader(data, size, type.type == D3DXPT_VERTEXSHADER, m_problem) ||
         Fail("a shader is corrupt");
}

bool EffectWalker::ParameterNameObject(const StateInfo& state, const uint8_t* data, uint32_t size) {
  if (state.zeroStandIn) return Fail("a parameter reference on a state that stands in for none");
  if (size == 0 || !std::memchr(data, 0, size)) return Fail("a parameter reference is not terminated");
  const std::string name(reinterpret_cast<const char*>(data));
  // Only whole parameters are referred to; members, elements and annotations are not.
  if (name.find_first_of(".[@") != std::string::npos) return Fail("a parameter reference to a part");
  for (const TopParameter& parameter : m_parameters) {
    if (parameter.name != name) continue;
    // Applying the state reads the parameter's value as its own.
    const TypeNode& own = state.type;
    const TypeNode& referred = parameter.type;
    if (referred.cls != own.cls || referred.type != own.type || referred.elements != own.elements ||
        referred.Bytes() < own.Bytes())
      return Fail("a state refers to a parameter of another type");
    return true;
  }
  return Fail("a state refers to a parameter that is not there");
}

bool EffectWalker::Resource(size_t& at) {
  uint32_t technique = 0, index = 0, element = 0, stateIndex = 0, usage = 0, size = 0;
  const uint8_t* data = nullptr;
  if (!Word(at, technique) || !Word(at, index) || !Word(at, element) || !Word(at, stateIndex) || !Word(at, usage))
    return false;
  const StateInfo* state = ResourceState(technique, index, element, stateIndex);
  if (!state) return Fail("a resource for a state that is not there");
  if (!DataBlock(at, data, size)) return false;
  switch (usage) {
    case kUsageShader:
      return ShaderObject(*state, data, size);
    case kUsageParameterName:
      return ParameterNameObject(*state, data, size);
    default:
      return Fail("a resource of a kind not accepted");
  }
}

bool EffectWalker::Walk() {
  if (m_size < 8) return Fail("too short for a compiled effect");
  uint32_t structure = 0;
  std::memcpy(&structure, m_bytes + 4, 4);
  m_base.assign(m_bytes + 8, m_bytes + m_size);
  size_t at = structure;
  uint32_t parameterCount = 0, techniqueCount = 0, unused = 0, objectCount = 0;
  if (!Word(at, parameterCount) || !Word(at, techniqueCount) || !Word(at, unused) || !Word(at, objectCount))
    return false;
  // Object 0 is the one D3DX falls back on for states that own no object.
  if (objectCount == 0 || objectCount > m_base.size()) return Fail("an object count out of range");
  if (parameterCount > (m_base.size() - at) / 16) return Fail("more parameters than the bytes hold");
  if (techniqueCount > (m_base.size() - at) / 12) return Fail("more techniques than the bytes hold");
  m_objectOwner.assign(objectCount, kNoIndex);
  m_parameters.resize(parameterCount);
  for (uint32_t p = 0; p < parameterCount; ++p)
    if (!Parameter(at, p)) return false;
  for (uint32_t t = 0; t < techniqueCount; ++t)
    if (!Technique(at)) return false;

  uint32_t stringCount = 0, resourceCount = 0;
  if (!Word(at, stringCount) || !Word(at, resourceCount)) return false;
  if (stringCount > (m_base.size() - at) / 8) return Fail("more strings than the bytes hold");
  if (resourceCount > (m_base.size() - at) / 24) return Fail("more resources than the bytes hold");
  for (uint32_t s = 0; s < stringCount; ++s)
    if (!StringObject(at)) return false;
  for (uint32_t r = 0; r < resourceCount; ++r)
    if (!Resource(at)) return false;
  return true;
}

// --- shaders ------------------------------------------------------------------------

struct ShaderVersion {
  bool vertex;
  uint32_t major;
  uint32_t minor;
};

bool KnownShaderVersion(uint32_t token, ShaderVersion& version) {
  version.vertex = (token >> 16) == 0xFFFEu;
  version.major = (token >> 8) & 0xFF;
  version.minor = token & 0xFF;
  if (!version.vertex && (token >> 16) != 0xFFFFu) return false;
  if (version.major == 1) return version.vertex ? version.minor == 1 : version.minor <= 4;
  if (version.major == 2) return version.minor <= 1;
  return version.major == 3 && version.minor == 0;
}

// The destination and source parameters of an instruction as the device reads them;
// false for an opcode the version does not have.
bool InstructionShape(uint32_t opcode, const ShaderVersion& v, uint32_t& dst, uint32_t& src) {
  static const uint8_t kShapes[][3] = {
      {0x00, 0, 0}, {0x01, 1, 1}, {0x02, 1, 2}, {0x03, 1, 2}, {0x04, 1, 3}, {0x05, 1, 2}, {0x06, 1, 1},
      {0x07, 1, 1}, {0x08, 1, 2}, {0x09, 1, 2}, {0x0A, 1, 2}, {0x0B, 1, 2}, {0x0C, 1, 2}, {0x0D, 1, 2},
      {0x0E, 1, 1}, {0x0F, 1, 1}, {0x10, 1, 1}, {0x11, 1, 2}, {0x12, 1, 3}, {0x13, 1, 1}, {0x14, 1, 2},
      {0x15, 1, 2}, {0x16, 1, 2}, {0x17, 1, 2}, {0x18, 1, 2}, {0x19, 0, 1}, {0x1A, 0, 2}, {0x1B, 0, 2},
      {0x1C, 0, 0}, {0x1D, 0, 0}, {0x1E, 0, 1}, {0x20, 1, 2}, {0x21, 1, 2}, {0x22, 1, 3}, {0x23, 1, 1},
      {0x24, 1, 1}, {0x26, 0, 1}, {0x27, 0, 0}, {0x28, 0, 1}, {0x29, 0, 2}, {0x2A, 0, 0}, {0x2B, 0, 0},
      {0x2C, 0, 0}, {0x2D, 0, 2}, {0x2E, 1, 1}, {0x41, 1, 0}, {0x43, 1, 1}, {0x44, 1, 1}, {0x45, 1, 1},
      {0x46, 1, 1}, {0x47, 1, 1}, {0x48, 1, 1}, {0x49, 1, 1}, {0x4A, 1, 1}, {0x4C, 1, 2}, {0x4D, 1, 1},
      {0x4E, 1, 1}, {0x4F, 1, 1}, {0x50, 1, 3}, {0x52, 1, 1}, {0x53, 1, 1}, {0x54, 1, 1}, {0x55, 1, 1},
      {0x56, 1, 1}, {0x57, 1, 0}, {0x58, 1, 3}, {0x59, 1, 2}, {0x5A, 1, 3}, {0x5B, 1, 1}, {0x5C, 1, 1},
      {0x5D, 1, 4}, {0x5E, 1, 2}, {0x5F, 1, 2}, {0x60, 0, 1},
  };
  switch (opcode) {
    case 0x25:  // sincos: two extra constants before shader model 3
      dst = 1;
      src = v.major >= 3 ? 1 : 3;
      return v.major >= 2;
    case 0x40:  // texcoord / texcrd
      dst = 1;
      src = v.minor == 4 ? 1 : 0;
      return !v.vertex && v.major == 1;
    case 0x42:  // tex / texld
      dst = 1;
      src = v.major >= 2 ? 2 : (v.minor == 4 ? 1 : 0);
      return !v.vertex;
    case 0xFFFD:  // phase
      dst = src = 0;
      return !v.vertex && v.major == 1 && v.minor == 4;
    default:
      break;
  }
  for (const uint8_t* shape : kShapes) {
    if (shape[0] == opcode) {
      dst = shape[1];
      src = shape[2];
      return true;
    }
  }
  return false;
}

const uint32_t kOpDcl = 0x1F, kOpDefB = 0x2F, kOpDefI = 0x30, kOpDef = 0x51;
const uint32_t kParameterBit = 0x80000000u;
const uint32_t kRelativeBit = 1u << 13;
const uint32_t kPredicatedBit = 1u << 28;

class ShaderWalker {
public:
  ShaderWalker(const uint32_t* words, size_t count, std::string& problem)
      : m_words(words), m_count(count), m_problem(problem) {}

  bool Walk(bool vertex) {
    if (m_count < 2) return Fail("a shader too short");
    if (!KnownShaderVersion(m_words[0], m_version)) return Fail("a shader of unknown version");
    if (m_version.vertex != vertex) return Fail("a shader of the other kind");
    size_t ctabAt = 0, ctabWords = 0;
    // D3DX looks for comments token by token, the device instruction by instruction;
    // both must meet the end token inside the bytes.
    if (!ScanForComment(1, ctabAt, ctabWords)) return false;
    if (ctabWords && !ConstantTable(ctabAt, ctabWords)) return false;
    if (!Instructions()) return false;
    return Preshader();
  }

private:
  bool Fail(const char* what) {
    if (m_problem.empty()) m_problem = what;
    return false;
  }

  // The scan D3DX makes for a comment (and for the shader's size): every token that is
  // not a comment is stepped over one by one. Finds the first constant table.
  bool ScanForComment(size_t from, size_t& ctabAt, size_t& ctabWords) {
    ctabAt = ctabWords = 0;
    bool found = false;
    for (size_t i = from;; ++i) {
      if (i >= m_count) return Fail("a shader without its end token");
      const uint32_t token = m_words[i];
      if (token == kEndToken) return true;
      if ((token & 0xFFFF) != kCommentOpcode) continue;
      const size_t size = (token >> 16) & 0x7FFF;
      if (i + 1 >= m_count) return Fail("a shader comment runs past the end");
      if (!found && m_words[i + 1] == kFourCcConstantTable) {
        found = true;
        if (size < 1 || size > m_count - i - 1) return Fail("a constant table runs past the end");
        ctabAt = i + 2;
        ctabWords = size - 1;
        if (!ctabWords) return Fail("an empty constant table");
      }
      i += size;
    }
  }

  bool Instructions() {
    size_t i = 1;
    for (;;) {
      if (i >= m_count) return Fail("a shader without its end token");
      const uint32_t token = m_words[i];
      if (token == kEndToken) return true;
      if ((token & 0xFFFF) == kCommentOpcode) {
        const size_t size = (token >> 16) & 0x7FFF;
        if (size >= m_count - i) return Fail("a shader comment runs past the end");
        i += 1 + size;
        continue;
      }
      if (token & kParameterBit) return Fail("a shader parameter where an instruction should be");
      size_t length = 0;
      if (!Instruction(i, token, length)) return false;
      // The end token must still follow.
      if (length >= m_count - i - 1) return Fail("a shader instruction runs past the end");
      i += 1 + length;
    }
  }

  // Parameter tokens after position i that have the parameter bit.
  size_t ParameterRun(size_t i) const {
    size_t n = 0;
    while (i + 1 + n < m_count && (m_words[i + 1 + n] & kParameterBit)) ++n;
    return n;
  }

  bool Instruction(size_t i, uint32_t token, size_t& length) {
    const uint32_t opcode = token & 0xFFFF;
    const size_t run = ParameterRun(i);
    const bool modern = m_version.major >= 2;
    length = modern ? (token >> 24) & 0xF : run;
    if (i + 1 + length > m_count) return Fail("a shader instruction runs past the end");
    // Constants carry raw values after their destination.
    if (opcode == kOpDef || opcode == kOpDefI || opcode == kOpDefB) {
      const size_t wanted = opcode == kOpDefB ? 2 : 5;
      if (opcode != kOpDef && !modern) return Fail("an integer constant before shader model 2");
      if (!modern) length = wanted;
      if (length != wanted || i + 1 + length > m_count || !(m_words[i + 1] & kParameterBit))
        return Fail("a shader constant of the wrong length");
      return true;
    }
    if (run < length) return Fail("a shader instruction with a raw word among its parameters");
    if (run > length) return Fail("a shader instruction longer than it says");
    if (opcode == kOpDcl) return length == 2 ? true : Fail("a declaration of the wrong length");
    uint32_t dst = 0, src = 0;
    if (!InstructionShape(opcode, m_version, dst, src)) return Fail("a shader instruction the version does not have");
    // The device reads each parameter, its relative address and the predicate in turn.
    size_t reads = 0;
    const uint32_t* p = m_words + i + 1;
    for (uint32_t d = 0; d < dst; ++d) reads += (reads < length && modern && (p[reads] & kRelativeBit)) ? 2 : 1;
    if (modern && (token & kPredicatedBit)) ++reads;
    for (uint32_t s = 0; s < src; ++s) reads += (reads < length && modern && (p[reads] & kRelativeBit)) ? 2 : 1;
    if (reads != length) return Fail("a shader instruction whose parameters do not fill it");
    return true;
  }

  // A preshader, found the way D3DX finds it among the comments that lead the shader,
  // is scanned for its own end token and constant table.
  bool Preshader() {
    size_t i = 1;
    size_t left = m_count - 1;
    while (left > 2 && (m_words[i] & 0xFFFF) == kCommentOpcode) {
      const size_t size = m_words[i] >> 16;
      if (!size || size + 1 > left) break;
      if (m_words[i + 1] == kFourCcPreshader) {
        const size_t at = i + 2;
        if (at >= m_count) return Fail("a preshader runs past the end");
        size_t ctabAt = 0, ctabWords = 0;
        if (!ScanForComment(at + 1, ctabAt, ctabWords)) return false;
        return !ctabWords || ConstantTable(ctabAt, ctabWords);
      }
      left -= size + 1;
      i += size + 1;
    }
    return true;
  }

  // --- the constant table ---
  bool ConstantTable(size_t at, size_t words) {
    m_table = reinterpret_cast<const uint8_t*>(m_words + at);
    m_tableSize = words * 4;
    m_tableNodes = 0;
    if (m_tableSize < 28) return Fail("a constant table too short");
    const uint32_t size = TableWord(0), creator = TableWord(4), constants = TableWord(12),
                   info = TableWord(16), target = TableWord(24);
    if (size != 28) return Fail("a constant table of unknown layout");
    if ((creator && !TableString(creator)) || (target && !TableString(target))) return false;
    if (info > m_tableSize || (m_tableSize - info) / 20 < constants) return Fail("constants run past their table");
    for (uint32_t c = 0; c < constants; ++c) {
      const size_t entry = info + size_t(c) * 20;
      const uint32_t name = TableWord(entry);
      const uint32_t registerSet = TableWord(entry + 4) & 0xFFFF;
      const uint32_t typeInfo = TableWord(entry + 12);
      uint32_t defaultValue = TableWord(entry + 16);
      if (registerSet > D3DXRS_SAMPLER) return Fail("a constant in an unknown register set");
      if (!TableString(name)) return false;
      if (!ConstantType(typeInfo, false, defaultValue ? &defaultValue : nullptr, registerSet, 0)) return false;
    }
    return true;
  }

  uint32_t TableWord(size_t offset) const {
    uint32_t value = 0;
    std::memcpy(&value, m_table + offset, 4);
    return value;
  }
  uint32_t TableHalf(size_t offset) const {
    uint16_t value = 0;
    std::memcpy(&value, m_table + offset, 2);
    return value;
  }
  bool TableString(uint32_t offset) {
    if (offset >= m_tableSize || !std::memchr(m_table + offset, 0, m_tableSize - offset))
      return Fail("a constant table name runs past its table");
    return true;
  }

  // Mirrors how D3DX walks a constant's type: arrays element by element, structures
  // member by member, the default value's offset moving on with each leaf.
  bool ConstantType(uint32_t typeOffset, bool element, uint32_t* defaultOffset, uint32_t registerSet, int depth) {
    if (depth > kMaxDepth) return Fail("constant types nest too deep");
    if (++m_tableNodes > 4096) return Fail("a constant table with too many members");
    if (typeOffset > m_tableSize || m_tableSize - typeOffset < 16) return Fail("a constant type runs past its table");
    const uint32_t cls = TableHalf(typeOffset), rows = TableHalf(typeOffset + 4),
                   columns = TableHalf(typeOffset + 6), elements = TableHalf(typeOffset + 8),
                   members = TableHalf(typeOffset + 10), memberInfo = TableWord(typeOffset + 12);
    if (defaultOffset) {
      const uint64_t bytes = 4ull * (element ? 1 : elements) * rows * columns;
      if (*defaultOffset > m_tableSize || m_tableSize - *defaultOffset < bytes)
        return Fail("a constant's default value runs past its table");
    }
    if (elements > 1 && !element) {
      for (uint32_t e = 0; e < elements; ++e)
        if (!ConstantType(typeOffset, true, defaultOffset, registerSet, depth + 1)) return false;
      return true;
    }
    if (cls == D3DXPC_STRUCT && members) {
      if (memberInfo > m_tableSize || (m_tableSize - memberInfo) / 8 < members)
        return Fail("constant members run past their table");
      for (uint32_t m = 0; m < members; ++m) {
        if (!TableString(TableWord(memberInfo + m * 8))) return false;
        if (!ConstantType(TableWord(memberInfo + m * 8 + 4), false, defaultOffset, registerSet, depth + 1))
          return false;
      }
      return true;
    }
    uint16_t step = uint16_t(rows * columns);
    if (registerSet == D3DXRS_FLOAT4 || registerSet == D3DXRS_INT4) {
      if (cls == D3DXPC_VECTOR || cls == D3DXPC_SCALAR || cls == D3DXPC_MATRIX_ROWS) step = uint16_t(rows * 4);
      if (cls == D3DXPC_MATRIX_COLUMNS) step = uint16_t(columns * 4);
    }
    if (defaultOffset) *defaultOffset += uint32_t(step) * 4;
    return true;
  }

  const uint32_t* m_words;
  size_t m_count;
  std::string& m_problem;
  ShaderVersion m_version = {};
  const uint8_t* m_table = nullptr;
  size_t m_tableSize = 0;
  uint32_t m_tableNodes = 0;
};

}  // namespace

bool IsCompiledEffect(const void* bytes, size_t size) {
  uint32_t tag = 0;
  if (!bytes || size < 4) return false;
  std::memcpy(&tag, bytes, 4);
  return tag == kCompiledEffectTag;
}

DS_CompiledEffectCheck::DS_CompiledEffectCheck(const void* bytes, size_t size) {
  if (!bytes) {
    m_problem = "no bytes";
    return;
  }
  if (!IsCompiledEffect(bytes, size)) return;
  EffectWalker walker(static_cast<const uint8_t*>(bytes), size, m_problem);
  if (!walker.Walk() && m_problem.empty()) m_problem = "a corrupt compiled effect";
}

bool DS_CompiledEffectCheck::CheckShader(const void* bytes, size_t size, bool vertex, std::string& problem) {
  if (!bytes || size % 4) {
    if (problem.empty()) problem = "a shader that is not whole words";
    return false;
  }
  // The words are copied so that a shader at any offset of the effect reads aligned.
  std::vector<uint32_t> words(size / 4);
  if (size) std::memcpy(words.data(), bytes, size);
  ShaderWalker walker(words.data(), words.size(), problem);
  return walker.Walk(vertex);
}
