#include "EffectSource.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <set>

#include "StateTable.h"

namespace ds_fxpack {

namespace {

struct Token {
  enum class Kind { Identifier, Number, String, Punct, End };
  Kind kind = Kind::End;
  std::string text;
  int line = 0;
};

std::vector<Token> Tokenize(const std::string& text) {
  std::vector<Token> tokens;
  int line = 1;
  size_t i = 0;
  const size_t n = text.size();
  auto fail = [&line](const std::string& what) {
    throw SourceError("line " + std::to_string(line) + ": " + what);
  };
  while (i < n) {
    const char c = text[i];
    if (c == '\n') {
      ++line;
      ++i;
    } else if (std::isspace(static_cast<unsigned char>(c))) {
      ++i;
    } else if (c == '/' && i + 1 < n && text[i + 1] == '/') {
      while (i < n && text[i] != '\n') ++i;
    } else if (c == '/' && i + 1 < n && text[i + 1] == '*') {
      const size_t end = text.find("*/", i + 2);
      if (end == std::string::npos) fail("unterminated comment");
      for (size_t k = i; k < end; ++k)
        if (text[k] == '\n') ++line;
      i = end + 2;
    } else if (c == '#') {
      fail("preprocessor directive left in the source");
    } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
      Token t{Token::Kind::Identifier, "", line};
      while (i < n && (std::isalnum(static_cast<unsigned char>(text[i])) || text[i] == '_')) t.text += text[i++];
      tokens.push_back(t);
    } else if (std::isdigit(static_cast<unsigned char>(c)) ||
               (c == '.' && i + 1 < n && std::isdigit(static_cast<unsigned char>(text[i + 1])))) {
      Token t{Token::Kind::Number, "", line};
      if (c == '0' && i + 1 < n && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        t.text = "0x";
        i += 2;
        while (i < n && std::isxdigit(static_cast<unsigned char>(text[i]))) t.text += text[i++];
      } else {
        while (i < n && (std::isdigit(static_cast<unsigned char>(text[i])) || text[i] == '.')) t.text += text[i++];
        if (i < n && (text[i] == 'e' || text[i] == 'E')) {
          t.text += text[i++];
          if (i < n && (text[i] == '+' || text[i] == '-')) t.text += text[i++];
          while (i < n && std::isdigit(static_cast<unsigned char>(text[i]))) t.text += text[i++];
        }
      }
      // Type suffixes (1.0f, 2h, 3u) say nothing the declaration does not.
      while (i < n && std::strchr("fFhHlLuU", text[i])) ++i;
      tokens.push_back(t);
    } else if (c == '"') {
      Token t{Token::Kind::String, "", line};
      ++i;
      while (i < n && text[i] != '"') {
        if (text[i] == '\n') fail("unterminated string");
        if (text[i] == '\\' && i + 1 < n) ++i;
        t.text += text[i++];
      }
      if (i >= n) fail("unterminated string");
      ++i;
      tokens.push_back(t);
    } else {
      tokens.push_back(Token{Token::Kind::Punct, std::string(1, c), line});
      ++i;
    }
  }
  tokens.push_back(Token{Token::Kind::End, "", line});
  return tokens;
}

uint32_t FloatBits(float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, sizeof bits);
  return bits;
}

bool ParseScalarType(const std::string& name, ParamType& type) {
  if (name == "bool") type = ParamType::Bool;
  else if (name == "int" || name == "uint" || name == "dword") type = ParamType::Int;
  else if (name == "float" || name == "half" || name == "double") type = ParamType::Float;
  else return false;
  return true;
}

// "float", "float3", "int2x2": the base type and the dimensions, if it is one.
bool ParseNumericTypeName(const std::string& name, TypeDesc& type) {
  size_t digits = name.size();
  while (digits > 0 && (std::isdigit(static_cast<unsigned char>(name[digits - 1])) || name[digits - 1] == 'x'))
    --digits;
  ParamType base;
  if (!ParseScalarType(name.substr(0, digits), base)) return false;
  const std::string dims = name.substr(digits);
  type = TypeDesc{};
  type.type = base;
  if (dims.empty()) {
    type.cls = ParamClass::Scalar;
  } else if (dims.size() == 1 && dims[0] >= '1' && dims[0] <= '4') {
    type.cls = ParamClass::Vector;
    type.columns = uint32_t(dims[0] - '0');
  } else if (dims.size() == 3 && dims[0] >= '1' && dims[0] <= '4' && dims[1] == 'x' && dims[2] >= '1' &&
             dims[2] <= '4') {
    // Effect parameters describe every matrix by rows, whatever its packing in the
    // shaders: D3DX transposes on upload where the shader's constant says columns.
    type.cls = ParamClass::MatrixRows;
    type.rows = uint32_t(dims[0] - '0');
    type.columns = uint32_t(dims[2] - '0');
  } else {
    return false;
  }
  return true;
}

bool ParseObjectTypeName(const std::string& name, TypeDesc& type) {
  static const struct {
    const char* name;
    ParamType type;
  } kObjects[] = {
      {"string", ParamType::String},       {"texture", ParamType::Texture},
      {"Texture", ParamType::Texture},     {"texture1D", ParamType::Texture1D},
      {"texture2D", ParamType::Texture2D}, {"texture3D", ParamType::Texture3D},
      {"textureCUBE", ParamType::TextureCube}, {"sampler", ParamType::Sampler},
      {"sampler1D", ParamType::Sampler1D}, {"sampler2D", ParamType::Sampler2D},
      {"sampler3D", ParamType::Sampler3D}, {"samplerCUBE", ParamType::SamplerCube},
  };
  for (const auto& object : kObjects) {
    if (name == object.name) {
      type = TypeDesc{};
      type.type = object.type;
      type.cls = ParamClass::Object;
      return true;
    }
  }
  return false;
}

class Parser {
public:
  explicit Parser(const std::string& text) : m_tokens(Tokenize(text)) {}

  EffectSource Parse() {
    while (!AtEnd()) {
      if (AcceptPunct(";")) continue;
      if (PeekIdentifier("technique")) {
        ParseTechnique();
      } else if (PeekIdentifier("struct")) {
        SkipStruct();
      } else if (PeekIdentifier("typedef")) {
        Fail("typedef is not supported in effect sources");
      } else {
        ParseDeclaration();
      }
    }
    Validate();
    return std::move(m_effect);
  }

private:
  // --- tokens -----------------------------------------------------------------

  const Token& Peek(size_t ahead = 0) const {
    const size_t i = m_pos + ahead;
    return i < m_tokens.size() ? m_tokens[i] : m_tokens.back();
  }
  bool AtEnd() const { return Peek().kind == Token::Kind::End; }
  Token Next() {
    Token t = Peek();
    if (m_pos < m_tokens.size() - 1) ++m_pos;
    return t;
  }
  bool PeekPunct(const char* p, size_t ahead = 0) const {
    return Peek(ahead).kind == Token::Kind::Punct && Peek(ahead).text == p;
  }
  bool PeekIdentifier(const char* word) const {
    return Peek().kind == Token::Kind::Identifier && Peek().text == word;
  }
  bool AcceptPunct(const char* p) {
    if (!PeekPunct(p)) return false;
    Next();
    return true;
  }
  bool AcceptIdentifier(const char* word) {
    if (!PeekIdentifier(word)) return false;
    Next();
    return true;
  }
  void ExpectPunct(const char* p) {
    if (!AcceptPunct(p)) Fail(std::string("expected '") + p + "'");
  }
  std::string ExpectIdentifier(const char* what) {
    if (Peek().kind != Token::Kind::Identifier) Fail(std::string("expected ") + what);
    return Next().text;
  }
  uint32_t ExpectIndex() {
    if (Peek().kind != Token::Kind::Number) Fail("expected a number");
    const long value = std::strtol(Next().text.c_str(), nullptr, 0);
    if (value < 0 || value > 4096) Fail("index out of range");
    return uint32_t(value);
  }

  [[noreturn]] void Fail(const std::string& what) const {
    const Token& t = Peek();
    std::string near = t.kind == Token::Kind::End ? "end of file" : "'" + t.text + "'";
    throw SourceError("line " + std::to_string(t.line) + ": " + what + " (at " + near + ")");
  }

  // Skips a balanced (...), {...} or [...] group starting at the current token.
  void SkipGroup(const char* open, const char* close) {
    ExpectPunct(open);
    int depth = 1;
    while (depth > 0) {
      if (AtEnd()) Fail(std::string("unbalanced '") + open + "'");
      if (PeekPunct(open)) ++depth;
      else if (PeekPunct(close)) --depth;
      Next();
    }
  }

  // --- types and values -------------------------------------------------------

  // A type name at the current token, or false (and nothing read).
  bool ParseType(TypeDesc& type) {
    if (Peek().kind != Token::Kind::Identifier) return false;
    const std::string name = Peek().text;
    if (name == "vector" || name == "matrix") {
      Next();
      type = TypeDesc{};
      type.type = ParamType::Float;
      const bool matrix = name == "matrix";
      type.cls = matrix ? ParamClass::MatrixRows : ParamClass::Vector;
      type.rows = matrix ? 4 : 1;
      type.columns = 4;
      if (AcceptPunct("<")) {
        if (!ParseScalarType(ExpectIdentifier("a scalar type"), type.type)) Fail("expected a scalar type");
        ExpectPunct(",");
        if (matrix) {
          type.rows = ExpectIndex();
          ExpectPunct(",");
        }
        type.columns = ExpectIndex();
        ExpectPunct(">");
        if (type.rows < 1 || type.rows > 4 || type.columns < 1 || type.columns > 4) Fail("bad dimensions");
      }
      return true;
    }
    if (ParseNumericTypeName(name, type) || ParseObjectTypeName(name, type)) {
      Next();
      return true;
    }
    return false;
  }

  double ParseSignedNumber() {
    bool negative = false;
    while (PeekPunct("-") || PeekPunct("+")) negative ^= Next().text == "-";
    double value;
    if (AcceptIdentifier("true")) value = 1.0;
    else if (AcceptIdentifier("false")) value = 0.0;
    else if (Peek().kind == Token::Kind::Number) {
      const std::string text = Next().text;
      value = text.rfind("0x", 0) == 0 ? double(std::strtoul(text.c_str(), nullptr, 16)) : std::strtod(text.c_str(), nullptr);
    } else {
      Fail("expected a number");
    }
    return negative ? -value : value;
  }

  // Numbers of an initializer, flattened: 1.0, {1, 2}, float2(1, 2), {float2(1, 2), 3}.
  void ParseNumberList(std::vector<double>& out) {
    if (AcceptPunct("{")) {
      if (!PeekPunct("}")) {
        do {
          if (PeekPunct("}")) break;  // trailing comma
          ParseNumberList(out);
        } while (AcceptPunct(","));
      }
      ExpectPunct("}");
      return;
    }
    TypeDesc constructor;
    if (Peek().kind == Token::Kind::Identifier && PeekPunct("(", 1) && ParseNumericTypeName(Peek().text, constructor)) {
      Next();
      ExpectPunct("(");
      do ParseNumberList(out);
      while (AcceptPunct(","));
      ExpectPunct(")");
      return;
    }
    out.push_back(ParseSignedNumber());
  }

  Value ParseInitializer(const TypeDesc& type) {
    Value value;
    if (type.type == ParamType::String) {
      if (Peek().kind != Token::Kind::String) Fail("expected a string");
      value.text = Next().text;
      return value;
    }
    if (!type.IsNumeric()) Fail("this type takes no initializer");
    std::vector<double> numbers;
    ParseNumberList(numbers);
    const uint32_t count = type.ValueCount();
    if (numbers.size() == 1 && count > 1) numbers.assign(count, numbers[0]);
    if (numbers.size() != count)
      Fail("initializer holds " + std::to_string(numbers.size()) + " values, " + TypeName(type) + " takes " +
           std::to_string(count));
    for (double n : numbers) {
      switch (type.type) {
        case ParamType::Float: value.numbers.push_back(FloatBits(float(n))); break;
        case ParamType::Int: value.numbers.push_back(uint32_t(int32_t(std::lround(n)))); break;
        default: value.numbers.push_back(n != 0.0 ? 1u : 0u); break;
      }
    }
    return value;
  }

  std::vector<Annotation> ParseAnnotations() {
    std::vector<Annotation> annotations;
    if (!AcceptPunct("<")) return annotations;
    while (!AcceptPunct(">")) {
      Annotation a;
      if (!ParseType(a.type)) Fail("expected an annotation type");
      if (!a.type.IsNumeric() && a.type.type != ParamType::String) Fail("annotations hold numbers or strings");
      a.name = ExpectIdentifier("an annotation name");
      ExpectPunct("=");
      a.value = ParseInitializer(a.type);
      ExpectPunct(";");
      annotations.push_back(std::move(a));
    }
    return annotations;
  }

  // --- states -----------------------------------------------------------------

  uint32_t ParseStateNumber(const StateInfo& state, ParamType& type) {
    if (state.kind == StateKind::Float) {
      type = ParamType::Float;
      return FloatBits(float(ParseSignedNumber()));
    }
    type = state.kind == StateKind::Bool ? ParamType::Bool : ParamType::Int;
    uint32_t result = 0;
    do {
      uint32_t term;
      if (Peek().kind == Token::Kind::Identifier && FindStateValue(state, Peek().text, term)) {
        Next();
      } else if (Peek().kind == Token::Kind::Identifier && (PeekIdentifier("true") || PeekIdentifier("false"))) {
        term = Next().text == "true" ? 1u : 0u;
      } else if (Peek().kind == Token::Kind::Number || PeekPunct("-")) {
        term = uint32_t(int32_t(std::lround(ParseSignedNumber())));
      } else {
        Fail(std::string("not a value of ") + state.name);
      }
      result |= term;
    } while (state.kind == StateKind::Int && AcceptPunct("|"));
    if (type == ParamType::Bool) result = result ? 1u : 0u;
    return result;
  }

  StateAssignment ParseState(bool inSampler) {
    StateAssignment s;
    const std::string name = ExpectIdentifier("a state name");
    s.state = FindState(name);
    if (!s.state) {
      --m_pos;
      Fail("unknown or unsupported state '" + name + "'");
    }
    if (inSampler && !s.state->sampler) Fail(std::string(s.state->name) + " is not a sampler state");
    if (AcceptPunct("[")) {
      s.index = ExpectIndex();
      ExpectPunct("]");
    }
    ExpectPunct("=");
    switch (s.state->kind) {
      case StateKind::VertexShader:
      case StateKind::PixelShader: {
        if (AcceptIdentifier("NULL") || AcceptIdentifier("null")) {
          s.kind = StateAssignment::Kind::NullShader;
          break;
        }
        if (!AcceptIdentifier("compile")) Fail("expected 'compile <profile> <entry>()' or NULL");
        s.kind = StateAssignment::Kind::Shader;
        s.profile = ExpectIdentifier("a shader profile");
        const char* wanted = s.state->kind == StateKind::VertexShader ? "vs_2_0" : "ps_2_0";
        if (s.profile != wanted) Fail(std::string(s.state->name) + " takes " + wanted + " shaders");
        s.entry = ExpectIdentifier("an entry point");
        ExpectPunct("(");
        if (!PeekPunct(")")) Fail("entry points with uniform arguments are not supported");
        ExpectPunct(")");
        break;
      }
      case StateKind::Texture: {
        const char* close = AcceptPunct("<") ? ">" : (ExpectPunct("("), ")");
        s.kind = StateAssignment::Kind::ParameterRef;
        s.reference = ExpectIdentifier("a texture parameter");
        ExpectPunct(close);
        break;
      }
      default:
        s.kind = StateAssignment::Kind::Number;
        s.number = ParseStateNumber(*s.state, s.numberType);
        break;
    }
    ExpectPunct(";");
    return s;
  }

  // --- declarations -----------------------------------------------------------

  void ParseTechnique() {
    Next();
    Technique technique;
    technique.name = ExpectIdentifier("a technique name");
    technique.annotations = ParseAnnotations();
    ExpectPunct("{");
    while (!AcceptPunct("}")) {
      if (!AcceptIdentifier("pass")) Fail("expected 'pass'");
      Pass pass;
      // D3DX would take a nameless pass, but vkd3d cannot read one back.
      pass.name = ExpectIdentifier("a pass name");
      pass.annotations = ParseAnnotations();
      ExpectPunct("{");
      while (!AcceptPunct("}")) pass.states.push_back(ParseState(false));
      technique.passes.push_back(std::move(pass));
    }
    m_effect.techniques.push_back(std::move(technique));
  }

  void SkipStruct() {
    Next();
    ExpectIdentifier("a struct name");
    SkipGroup("{", "}");
    ExpectPunct(";");
  }

  void ParseDeclaration() {
    static const char* const kModifiers[] = {"uniform", "extern", "shared", "const", "volatile",
                                             "inline", "precise", "column_major", "row_major"};
    bool isStatic = false;
    for (bool more = true; more;) {
      more = false;
      if (AcceptIdentifier("static")) isStatic = more = true;
      for (const char* modifier : kModifiers) {
        if (AcceptIdentifier(modifier)) more = true;
      }
    }
    TypeDesc type;
    const bool known = ParseType(type);
    if (!known) {
      // A function returning a struct or void; anything else is not ours to guess.
      ExpectIdentifier("a type");
    }
    const std::string name = ExpectIdentifier("a name");
    if (PeekPunct("(")) {
      SkipGroup("(", ")");
      if (AcceptPunct(":")) ExpectIdentifier("a semantic");
      if (!AcceptPunct(";")) SkipGroup("{", "}");
      return;
    }
    if (!known) Fail("unsupported type for global '" + name + "'");

    Parameter p;
    p.name = name;
    p.type = type;
    if (AcceptPunct("[")) {
      p.type.elements = ExpectIndex();
      ExpectPunct("]");
      if (p.type.elements == 0) Fail("an array needs at least one element");
      if (!p.type.IsNumeric()) Fail("only numeric parameters may be arrays");
    }
    if (AcceptPunct(":")) {
      if (AcceptIdentifier("register")) SkipGroup("(", ")");
      else p.semantic = ExpectIdentifier("a semantic");
    }
    p.annotations = ParseAnnotations();
    if (AcceptPunct("=")) {
      if (p.type.IsSampler()) {
        if (!AcceptIdentifier("sampler_state")) Fail("a sampler is initialised with sampler_state { ... }");
        ExpectPunct("{");
        while (!AcceptPunct("}")) p.samplerStates.push_back(ParseState(true));
      } else {
        p.value = ParseInitializer(p.type);
      }
    }
    if (PeekPunct(",")) Fail("declare one parameter per statement");
    ExpectPunct(";");
    if (isStatic) return;
    if (p.type.IsNumeric() && p.value.numbers.empty()) p.value.numbers.assign(p.type.ValueCount(), 0u);
    if (m_effect.FindParameter(p.name)) Fail("parameter '" + p.name + "' declared twice");
    m_effect.parameters.push_back(std::move(p));
  }

  void CheckReference(const StateAssignment& s, const std::string& where) const {
    if (s.kind != StateAssignment::Kind::ParameterRef) return;
    const Parameter* target = m_effect.FindParameter(s.reference);
    if (!target || !target->type.IsTexture() || target->type.elements)
      throw SourceError(where + ": '" + s.reference + "' is not a texture parameter");
  }

  void Validate() const {
    std::set<std::string> names;
    for (const Technique& t : m_effect.techniques) {
      if (!names.insert(t.name).second) throw SourceError("technique '" + t.name + "' declared twice");
      if (t.passes.empty()) throw SourceError("technique '" + t.name + "' has no pass");
      for (const Pass& pass : t.passes)
        for (const StateAssignment& s : pass.states) CheckReference(s, "technique '" + t.name + "'");
    }
    for (const Parameter& p : m_effect.parameters)
      for (const StateAssignment& s : p.samplerStates) CheckReference(s, "sampler '" + p.name + "'");
    if (m_effect.techniques.empty()) throw SourceError("the effect has no technique");
  }

  std::vector<Token> m_tokens;
  size_t m_pos = 0;
  EffectSource m_effect;
};

}  // namespace

const Parameter* EffectSource::FindParameter(const std::string& name) const {
  const int i = ParameterIndex(name);
  return i < 0 ? nullptr : &parameters[size_t(i)];
}

int EffectSource::ParameterIndex(const std::string& name) const {
  for (size_t i = 0; i < parameters.size(); ++i) {
    if (parameters[i].name == name) return int(i);
  }
  return -1;
}

EffectSource ParseEffectSource(const std::string& text) {
  return Parser(text).Parse();
}

std::string TypeName(const TypeDesc& type) {
  std::string name;
  switch (type.type) {
    case ParamType::Bool: name = "bool"; break;
    case ParamType::Int: name = "int"; break;
    case ParamType::Float: name = "float"; break;
    case ParamType::String: return "string";
    case ParamType::Texture: return "texture";
    case ParamType::Texture1D: return "texture1D";
    case ParamType::Texture2D: return "texture2D";
    case ParamType::Texture3D: return "texture3D";
    case ParamType::TextureCube: return "textureCUBE";
    case ParamType::Sampler: return "sampler";
    case ParamType::Sampler1D: return "sampler1D";
    case ParamType::Sampler2D: return "sampler2D";
    case ParamType::Sampler3D: return "sampler3D";
    case ParamType::SamplerCube: return "samplerCUBE";
    case ParamType::PixelShader: return "pixelshader";
    case ParamType::VertexShader: return "vertexshader";
    default: return "void";
  }
  if (type.cls == ParamClass::Vector) name += std::to_string(type.columns);
  if (type.cls == ParamClass::MatrixRows || type.cls == ParamClass::MatrixColumns)
    name += std::to_string(type.rows) + "x" + std::to_string(type.columns);
  if (type.elements) name += "[" + std::to_string(type.elements) + "]";
  return name;
}

}  // namespace ds_fxpack
