#include "EffectManifest.h"

#include <sstream>

namespace ds_fxpack {

namespace {

const char* TypeConstant(ParamType type) {
  switch (type) {
    case ParamType::Bool: return "D3DXPT_BOOL";
    case ParamType::Int: return "D3DXPT_INT";
    case ParamType::Float: return "D3DXPT_FLOAT";
    case ParamType::String: return "D3DXPT_STRING";
    case ParamType::Texture: return "D3DXPT_TEXTURE";
    case ParamType::Texture1D: return "D3DXPT_TEXTURE1D";
    case ParamType::Texture2D: return "D3DXPT_TEXTURE2D";
    case ParamType::Texture3D: return "D3DXPT_TEXTURE3D";
    case ParamType::TextureCube: return "D3DXPT_TEXTURECUBE";
    case ParamType::Sampler: return "D3DXPT_SAMPLER";
    case ParamType::Sampler1D: return "D3DXPT_SAMPLER1D";
    case ParamType::Sampler2D: return "D3DXPT_SAMPLER2D";
    case ParamType::Sampler3D: return "D3DXPT_SAMPLER3D";
    case ParamType::SamplerCube: return "D3DXPT_SAMPLERCUBE";
    case ParamType::PixelShader: return "D3DXPT_PIXELSHADER";
    case ParamType::VertexShader: return "D3DXPT_VERTEXSHADER";
    default: return "D3DXPT_VOID";
  }
}

const char* ClassConstant(ParamClass cls) {
  switch (cls) {
    case ParamClass::Scalar: return "D3DXPC_SCALAR";
    case ParamClass::Vector: return "D3DXPC_VECTOR";
    case ParamClass::MatrixRows: return "D3DXPC_MATRIX_ROWS";
    case ParamClass::MatrixColumns: return "D3DXPC_MATRIX_COLUMNS";
    case ParamClass::Object: return "D3DXPC_OBJECT";
    default: return "D3DXPC_STRUCT";
  }
}

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

}  // namespace

std::string WriteManifestHeader(const std::vector<NamedEffect>& effects) {
  std::ostringstream h;
  h << "// Written by fxpack from the effect sources at build time: what each declares.\n"
       "#pragma once\n\n"
       "#include <d3dx9.h>\n\n"
       "#include <cstddef>\n\n"
       "namespace ds_effects {\n\n"
       "struct DeclaredTechnique {\n"
       "  const char* name;\n"
       "  unsigned passes;\n"
       "};\n\n"
       "struct DeclaredParameter {\n"
       "  const char* name;\n"
       "  D3DXPARAMETER_TYPE type;\n"
       "  D3DXPARAMETER_CLASS cls;\n"
       "  unsigned rows;\n"
       "  unsigned columns;\n"
       "  unsigned elements;\n"
       "  unsigned annotations;\n"
       "  // The default as 32-bit values (numeric parameters only; otherwise none).\n"
       "  const unsigned* values;\n"
       "  unsigned valueCount;\n"
       "};\n\n"
       "struct DeclaredEffect {\n"
       "  const char* name;  // the compiled effect is <name>.fxo\n"
       "  const DeclaredTechnique* techniques;\n"
       "  size_t techniqueCount;\n"
       "  const DeclaredParameter* parameters;\n"
       "  size_t parameterCount;\n"
       "};\n\n";
  for (size_t e = 0; e < effects.size(); ++e) {
    const EffectSource& effect = effects[e].effect;
    const std::string prefix = "kEffect" + std::to_string(e);
    h << "// " << effects[e].name << "\n";
    for (size_t p = 0; p < effect.parameters.size(); ++p) {
      const Parameter& param = effect.parameters[p];
      if (!param.type.IsNumeric()) continue;
      h << "static const unsigned " << prefix << "Values" << p << "[] = {";
      for (size_t v = 0; v < param.value.numbers.size(); ++v)
        h << (v ? ", " : "") << "0x" << std::hex << param.value.numbers[v] << std::dec << "u";
      h << "};\n";
    }
    h << "static const DeclaredTechnique " << prefix << "Techniques[] = {\n";
    for (const Technique& t : effect.techniques) h << "    {" << Quoted(t.name) << ", " << t.passes.size() << "},\n";
    h << "};\n";
    if (!effect.parameters.empty()) {
      h << "static const DeclaredParameter " << prefix << "Parameters[] = {\n";
      for (size_t p = 0; p < effect.parameters.size(); ++p) {
        const Parameter& param = effect.parameters[p];
        h << "    {" << Quoted(param.name) << ", " << TypeConstant(param.type.type) << ", "
          << ClassConstant(param.type.cls) << ", " << param.type.rows << ", " << param.type.columns << ", "
          << param.type.elements << ", " << param.annotations.size() << ", ";
        if (param.type.IsNumeric())
          h << prefix << "Values" << p << ", " << param.value.numbers.size();
        else
          h << "nullptr, 0";
        h << "},\n";
      }
      h << "};\n";
    }
    h << "\n";
  }
  h << "static const DeclaredEffect kDeclaredEffects[] = {\n";
  for (size_t e = 0; e < effects.size(); ++e) {
    const std::string prefix = "kEffect" + std::to_string(e);
    const EffectSource& effect = effects[e].effect;
    h << "    {" << Quoted(effects[e].name) << ", " << prefix << "Techniques, " << effect.techniques.size() << ", ";
    if (effect.parameters.empty()) h << "nullptr, 0";
    else h << prefix << "Parameters, " << effect.parameters.size();
    h << "},\n";
  }
  h << "};\n\n}  // namespace ds_effects\n";
  return h.str();
}

}  // namespace ds_fxpack
