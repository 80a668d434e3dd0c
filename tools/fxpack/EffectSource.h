#pragma once
// What an effect source (.fx, fx_2_0 style) declares, as the packer reads it: the
// parameters with their types, defaults, annotations and sampler states, and the
// techniques with their passes and pass states. The shader code itself stays text:
// vkd3d-compiler compiles each entry point that a pass names.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace ds_fxpack {

// The parameter types and classes of D3DX, by the values the effect binary stores.
enum class ParamType : uint32_t {
  Void = 0, Bool = 1, Int = 2, Float = 3, String = 4,
  Texture = 5, Texture1D = 6, Texture2D = 7, Texture3D = 8, TextureCube = 9,
  Sampler = 10, Sampler1D = 11, Sampler2D = 12, Sampler3D = 13, SamplerCube = 14,
  PixelShader = 15, VertexShader = 16,
};

enum class ParamClass : uint32_t {
  Scalar = 0, Vector = 1, MatrixRows = 2, MatrixColumns = 3, Object = 4, Struct = 5,
};

struct TypeDesc {
  ParamType type = ParamType::Void;
  ParamClass cls = ParamClass::Scalar;
  uint32_t rows = 1;
  uint32_t columns = 1;
  uint32_t elements = 0;  // 0: not an array

  bool IsNumeric() const { return cls != ParamClass::Object && cls != ParamClass::Struct; }
  bool IsTexture() const { return type >= ParamType::Texture && type <= ParamType::TextureCube; }
  bool IsSampler() const { return type >= ParamType::Sampler && type <= ParamType::SamplerCube; }
  // Number of 32-bit values a numeric value of this type holds.
  uint32_t ValueCount() const { return rows * columns * (elements ? elements : 1); }
};

// A value as the binary stores it: 32-bit numbers (float, int or bool bits by the
// type), or the text of a string.
struct Value {
  std::vector<uint32_t> numbers;
  std::string text;
};

struct Annotation {
  std::string name;
  TypeDesc type;
  Value value;
};

struct StateInfo;

// One `Name[index] = value;` of a pass or a sampler_state block.
struct StateAssignment {
  enum class Kind { Number, Shader, NullShader, ParameterRef };

  const StateInfo* state = nullptr;
  uint32_t index = 0;
  Kind kind = Kind::Number;
  ParamType numberType = ParamType::Int;  // Bool, Int or Float for Kind::Number
  uint32_t number = 0;
  std::string profile;    // Kind::Shader: "vs_2_0", "ps_2_0"
  std::string entry;      // Kind::Shader: the entry point
  std::string reference;  // Kind::ParameterRef: the parameter named in <...>
};

struct Parameter {
  std::string name;
  std::string semantic;
  TypeDesc type;
  Value value;  // the default; zeros when the source gives none
  std::vector<Annotation> annotations;
  std::vector<StateAssignment> samplerStates;
};

struct Pass {
  std::string name;
  std::vector<Annotation> annotations;
  std::vector<StateAssignment> states;
};

struct Technique {
  std::string name;
  std::vector<Annotation> annotations;
  std::vector<Pass> passes;
};

struct EffectSource {
  std::vector<Parameter> parameters;
  std::vector<Technique> techniques;

  const Parameter* FindParameter(const std::string& name) const;
  int ParameterIndex(const std::string& name) const;
};

// A fault in the source (or in what a tool made of it); the message says where.
class SourceError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// Reads preprocessed effect source (no directives left; comments are allowed).
// Throws SourceError on anything it does not understand.
EffectSource ParseEffectSource(const std::string& text);

// "float4", "texture", "sampler2D", "float4x4[3]": the HLSL spelling of a type.
std::string TypeName(const TypeDesc& type);

}  // namespace ds_fxpack
