#include "EffectWriter.h"

#include <cstring>

#include "StateTable.h"

namespace ds_fxpack {

namespace {

const uint32_t kEffectTag = 0xFEFF0901u;  // fx_2_0
// A resource that belongs to a parameter (a sampler state) rather than to a pass, and
// a parameter that is not an array.
const uint32_t kNoIndex = 0xFFFFFFFFu;
// How D3DX reads a resource: shader byte code, or the name of a parameter.
const uint32_t kUsageShader = 0;
const uint32_t kUsageParameterName = 1;

std::vector<uint8_t> Terminated(const std::string& text) {
  std::vector<uint8_t> bytes(text.begin(), text.end());
  bytes.push_back(0);
  return bytes;
}

class Writer {
public:
  Writer(const EffectSource& effect, const ShaderBlobs& shaders) : m_effect(effect), m_shaders(shaders) {
    // Offset 0 holds an empty name: what a nameless state or semantic points at.
    m_data.push_back(0);
  }

  std::vector<uint8_t> Write() {
    for (const Parameter& p : m_effect.parameters) WriteParameter(p);
    for (size_t t = 0; t < m_effect.techniques.size(); ++t) WriteTechnique(uint32_t(t));

    std::vector<uint32_t> out;
    out.push_back(kEffectTag);
    out.push_back(uint32_t(m_data.size() * 4));
    out.insert(out.end(), m_data.begin(), m_data.end());
    out.push_back(uint32_t(m_effect.parameters.size()));
    out.push_back(uint32_t(m_effect.techniques.size()));
    out.push_back(0);  // not read by D3DX
    // Object ids start at 1, so the count is one more than the last id.
    out.push_back(m_nextObject);
    out.insert(out.end(), m_structured.begin(), m_structured.end());
    out.push_back(uint32_t(m_strings.size()));
    out.push_back(uint32_t(m_resources.size()));
    for (const StringObject& s : m_strings) {
      out.push_back(s.id);
      AppendBlock(out, s.bytes);
    }
    for (const Resource& r : m_resources) {
      out.push_back(r.technique);
      out.push_back(r.index);
      out.push_back(r.element);
      out.push_back(r.state);
      out.push_back(r.usage);
      AppendBlock(out, r.bytes);
    }
    std::vector<uint8_t> bytes(out.size() * 4);
    std::memcpy(bytes.data(), out.data(), bytes.size());
    return bytes;
  }

private:
  struct StringObject {
    uint32_t id;
    std::vector<uint8_t> bytes;
  };
  struct Resource {
    uint32_t technique;
    uint32_t index;
    uint32_t element;
    uint32_t state;
    uint32_t usage;
    std::vector<uint8_t> bytes;
  };

  // A size and the bytes, padded to whole dwords.
  static void AppendBlock(std::vector<uint32_t>& out, const std::vector<uint8_t>& bytes) {
    out.push_back(uint32_t(bytes.size()));
    std::vector<uint32_t> words((bytes.size() + 3) / 4, 0u);
    if (!bytes.empty()) std::memcpy(words.data(), bytes.data(), bytes.size());
    out.insert(out.end(), words.begin(), words.end());
  }

  // Offsets into the data block are byte offsets from its start.
  uint32_t DataOffset() const { return uint32_t(m_data.size() * 4); }

  uint32_t PutName(const std::string& name) {
    if (name.empty()) return 0;
    const uint32_t offset = DataOffset();
    AppendBlock(m_data, Terminated(name));
    return offset;
  }

  uint32_t PutWords(const std::vector<uint32_t>& words) {
    const uint32_t offset = DataOffset();
    m_data.insert(m_data.end(), words.begin(), words.end());
    return offset;
  }

  uint32_t PutTypedef(const TypeDesc& type, const std::string& name, const std::string& semantic) {
    const uint32_t nameOffset = PutName(name);
    const uint32_t semanticOffset = PutName(semantic);
    std::vector<uint32_t> words = {uint32_t(type.type), uint32_t(type.cls), nameOffset, semanticOffset,
                                   type.elements};
    switch (type.cls) {
      case ParamClass::Vector:
        words.push_back(type.columns);
        words.push_back(type.rows);
        break;
      case ParamClass::Scalar:
      case ParamClass::MatrixRows:
      case ParamClass::MatrixColumns:
        words.push_back(type.rows);
        words.push_back(type.columns);
        break;
      default:
        break;
    }
    return PutWords(words);
  }

  uint32_t NewObject() { return m_nextObject++; }

  // The value of a numeric or string parameter or annotation.
  uint32_t PutValue(const TypeDesc& type, const Value& value) {
    if (type.type == ParamType::String) {
      const uint32_t id = NewObject();
      m_strings.push_back(StringObject{id, Terminated(value.text)});
      return PutWords({id});
    }
    if (type.IsTexture()) return PutWords({NewObject()});
    return PutWords(value.numbers);
  }

  void WriteAnnotations(const std::vector<Annotation>& annotations) {
    for (const Annotation& a : annotations) {
      const uint32_t typeOffset = PutTypedef(a.type, a.name, "");
      const uint32_t valueOffset = PutValue(a.type, a.value);
      m_structured.push_back(typeOffset);
      m_structured.push_back(valueOffset);
    }
  }

  // The four words of a state, with the resource it needs, if any. `technique` and
  // `index` say whose state it is: a pass (technique, pass) or a sampler parameter
  // (kNoIndex, parameter).
  std::vector<uint32_t> StateWords(const StateAssignment& s, uint32_t technique, uint32_t index,
                                   uint32_t stateIndex) {
    TypeDesc type;
    uint32_t valueOffset = 0;
    switch (s.kind) {
      case StateAssignment::Kind::Number:
        type.type = s.numberType;
        break;
      case StateAssignment::Kind::NullShader:
        // D3DX takes an int 0 in a shader state for "no shader".
        type.type = ParamType::Int;
        break;
      case StateAssignment::Kind::Shader:
        type.type = s.profile.compare(0, 3, "vs_") == 0 ? ParamType::VertexShader : ParamType::PixelShader;
        type.cls = ParamClass::Object;
        break;
      case StateAssignment::Kind::ParameterRef:
        type.type = m_effect.FindParameter(s.reference)->type.type;
        type.cls = ParamClass::Object;
        break;
    }
    const uint32_t typeOffset = PutTypedef(type, "", "");
    switch (s.kind) {
      case StateAssignment::Kind::Number:
        valueOffset = PutWords({s.number});
        break;
      case StateAssignment::Kind::NullShader:
        valueOffset = PutWords({0u});
        break;
      case StateAssignment::Kind::Shader: {
        const auto blob = m_shaders.find(std::make_pair(s.profile, s.entry));
        if (blob == m_shaders.end()) throw SourceError("no byte code for " + s.profile + " " + s.entry);
        valueOffset = PutWords({NewObject()});
        m_resources.push_back(Resource{technique, index, kNoIndex, stateIndex, kUsageShader, blob->second});
        break;
      }
      case StateAssignment::Kind::ParameterRef:
        valueOffset = PutWords({NewObject()});
        m_resources.push_back(
            Resource{technique, index, kNoIndex, stateIndex, kUsageParameterName, Terminated(s.reference)});
        break;
    }
    return {s.state->operation, s.index, typeOffset, valueOffset};
  }

  void WriteParameter(const Parameter& p) {
    const uint32_t parameterIndex = uint32_t(&p - m_effect.parameters.data());
    const uint32_t typeOffset = PutTypedef(p.type, p.name, p.semantic);
    uint32_t valueOffset;
    if (p.type.IsSampler()) {
      std::vector<uint32_t> sampler = {uint32_t(p.samplerStates.size())};
      for (size_t i = 0; i < p.samplerStates.size(); ++i) {
        const std::vector<uint32_t> words = StateWords(p.samplerStates[i], kNoIndex, parameterIndex, uint32_t(i));
        sampler.insert(sampler.end(), words.begin(), words.end());
      }
      valueOffset = PutWords(sampler);
    } else {
      valueOffset = PutValue(p.type, p.value);
    }
    m_structured.push_back(typeOffset);
    m_structured.push_back(valueOffset);
    m_structured.push_back(0);  // flags: not shared, not literal
    m_structured.push_back(uint32_t(p.annotations.size()));
    WriteAnnotations(p.annotations);
  }

  void WriteTechnique(uint32_t t) {
    const Technique& technique = m_effect.techniques[t];
    m_structured.push_back(PutName(technique.name));
    m_structured.push_back(uint32_t(technique.annotations.size()));
    m_structured.push_back(uint32_t(technique.passes.size()));
    WriteAnnotations(technique.annotations);
    for (size_t p = 0; p < technique.passes.size(); ++p) {
      const Pass& pass = technique.passes[p];
      m_structured.push_back(PutName(pass.name));
      m_structured.push_back(uint32_t(pass.annotations.size()));
      m_structured.push_back(uint32_t(pass.states.size()));
      WriteAnnotations(pass.annotations);
      for (size_t s = 0; s < pass.states.size(); ++s) {
        const std::vector<uint32_t> words = StateWords(pass.states[s], t, uint32_t(p), uint32_t(s));
        m_structured.insert(m_structured.end(), words.begin(), words.end());
      }
    }
  }

  const EffectSource& m_effect;
  const ShaderBlobs& m_shaders;
  std::vector<uint32_t> m_data;
  std::vector<uint32_t> m_structured;
  std::vector<StringObject> m_strings;
  std::vector<Resource> m_resources;
  uint32_t m_nextObject = 1;
};

}  // namespace

std::vector<uint8_t> WriteEffectBinary(const EffectSource& effect, const ShaderBlobs& shaders) {
  return Writer(effect, shaders).Write();
}

}  // namespace ds_fxpack
