#include "EffectListing.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>

#include "StateTable.h"

namespace ds_fxpack {

namespace {

// --- what the listing holds --------------------------------------------------------

// A value as listed: numbers (with /* n */ comments taken as the number), true/false,
// <object id n>, <ignored>, or a braced list of those.
struct ListedValue {
  std::vector<double> numbers;
  bool hasObject = false;
  uint32_t objectId = 0;
  bool ignored = false;
};

struct ListedState {
  std::string name;
  uint32_t index = 0;
  ListedValue value;
};

struct ListedAnnotation {
  std::string type;
  std::string name;
  ListedValue value;
};

struct ListedParameter {
  std::string type;
  std::string name;
  uint32_t elements = 0;
  std::vector<ListedAnnotation> annotations;
  ListedValue value;
  bool isSampler = false;
  std::vector<ListedState> samplerStates;
};

struct ListedPass {
  std::string name;
  std::vector<ListedAnnotation> annotations;
  std::vector<ListedState> states;
};

struct ListedTechnique {
  std::string name;
  std::vector<ListedAnnotation> annotations;
  std::vector<ListedPass> passes;
};

// One entry of the "state data" section: a parameter name or a shader blob.
struct ListedResource {
  std::string parameterName;  // for a parameter reference
  bool isBlob = false;
  std::string profile;        // first word of the blob's asm block
};

struct Listing {
  std::vector<ListedParameter> parameters;
  std::vector<ListedTechnique> techniques;
  std::map<uint32_t, std::string> strings;  // string objects by id
  // Resources by (technique or parameter, pass or 0, state); techniques as themselves,
  // parameters as 1000000 + parameter index.
  std::map<std::string, ListedResource> resources;
};

std::string ResourceKey(bool parameter, uint32_t owner, uint32_t pass, uint32_t state) {
  return (parameter ? "parameter " : "technique ") + std::to_string(owner) + " pass " + std::to_string(pass) +
         " state " + std::to_string(state);
}

// --- reading it -------------------------------------------------------------------

struct Token {
  enum class Kind { Word, Number, String, Comment, Punct, End };
  Kind kind = Kind::End;
  std::string text;
};

std::vector<Token> TokenizeListing(const std::string& text) {
  std::vector<Token> tokens;
  size_t i = 0;
  const size_t n = text.size();
  while (i < n) {
    const char c = text[i];
    if (std::isspace(static_cast<unsigned char>(c))) {
      ++i;
    } else if (c == '/' && i + 1 < n && text[i + 1] == '*') {
      const size_t end = text.find("*/", i + 2);
      if (end == std::string::npos) throw SourceError("unterminated comment in the listing");
      tokens.push_back(Token{Token::Kind::Comment, text.substr(i + 2, end - i - 2)});
      i = end + 2;
    } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
      Token t{Token::Kind::Word, ""};
      while (i < n && (std::isalnum(static_cast<unsigned char>(text[i])) || text[i] == '_')) t.text += text[i++];
      tokens.push_back(t);
    } else if (std::isdigit(static_cast<unsigned char>(c))) {
      Token t{Token::Kind::Number, ""};
      while (i < n && (std::isalnum(static_cast<unsigned char>(text[i])) || text[i] == '.' ||
                       ((text[i] == '+' || text[i] == '-') && (text[i - 1] == 'e' || text[i - 1] == 'E'))))
        t.text += text[i++];
      tokens.push_back(t);
    } else if (c == '"') {
      Token t{Token::Kind::String, ""};
      ++i;
      while (i < n && text[i] != '"') {
        if (text[i] == '\\' && i + 1 < n) ++i;
        t.text += text[i++];
      }
      ++i;
      tokens.push_back(t);
    } else {
      tokens.push_back(Token{Token::Kind::Punct, std::string(1, c)});
      ++i;
    }
  }
  tokens.push_back(Token{Token::Kind::End, ""});
  return tokens;
}

class ListingReader {
public:
  explicit ListingReader(const std::string& text) : m_tokens(TokenizeListing(text)) {}

  Listing Read() {
    Listing listing;
    while (!PeekWord("object") && !PeekWord("state")) {
      if (AtEnd()) Fail("the listing ends before its data sections");
      if (AcceptWord("technique")) listing.techniques.push_back(ReadTechnique());
      else listing.parameters.push_back(ReadParameter());
    }
    ExpectWord("object");
    ExpectWord("data");
    ExpectPunct("{");
    while (!AcceptPunct("}")) {
      // string object <id> size <n> bytes: "<text>"
      ExpectWord("string");
      ExpectWord("object");
      const uint32_t id = ReadUnsigned();
      ExpectWord("size");
      ReadUnsigned();
      ExpectWord("bytes");
      ExpectPunct(":");
      if (Peek().kind != Token::Kind::String) Fail("expected the text of a string object");
      listing.strings[id] = Next().text;
    }
    ExpectWord("state");
    ExpectWord("data");
    ExpectPunct("{");
    while (!AcceptPunct("}")) ReadResource(listing);
    return listing;
  }

private:
  const Token& Peek(size_t ahead = 0) const {
    return m_pos + ahead < m_tokens.size() ? m_tokens[m_pos + ahead] : m_tokens.back();
  }
  bool AtEnd() const { return Peek().kind == Token::Kind::End; }
  Token Next() {
    Token t = Peek();
    if (m_pos < m_tokens.size() - 1) ++m_pos;
    return t;
  }
  bool PeekPunct(const char* p) const { return Peek().kind == Token::Kind::Punct && Peek().text == p; }
  bool PeekWord(const char* w) const { return Peek().kind == Token::Kind::Word && Peek().text == w; }
  bool AcceptPunct(const char* p) {
    if (!PeekPunct(p)) return false;
    Next();
    return true;
  }
  bool AcceptWord(const char* w) {
    if (!PeekWord(w)) return false;
    Next();
    return true;
  }
  void ExpectPunct(const char* p) {
    if (!AcceptPunct(p)) Fail(std::string("expected '") + p + "'");
  }
  void ExpectWord(const char* w) {
    if (!AcceptWord(w)) Fail(std::string("expected '") + w + "'");
  }
  std::string ReadWord() {
    if (Peek().kind != Token::Kind::Word) Fail("expected a name");
    return Next().text;
  }
  uint32_t ReadUnsigned() {
    if (Peek().kind != Token::Kind::Number) Fail("expected a number");
    return uint32_t(std::strtoul(Next().text.c_str(), nullptr, 10));
  }
  [[noreturn]] void Fail(const std::string& what) const {
    throw SourceError("cannot read vkd3d's listing: " + what + " (at '" + Peek().text + "')");
  }

  ListedValue ReadValue() {
    ListedValue value;
    ReadValueInto(value);
    return value;
  }

  void ReadValueInto(ListedValue& value) {
    if (AcceptPunct("{")) {
      if (!PeekPunct("}")) {
        do ReadValueInto(value);
        while (AcceptPunct(","));
      }
      ExpectPunct("}");
      return;
    }
    if (AcceptPunct("<")) {
      if (AcceptWord("ignored")) {
        value.ignored = true;
      } else {
        ExpectWord("object");
        ExpectWord("id");
        value.hasObject = true;
        value.objectId = ReadUnsigned();
      }
      ExpectPunct(">");
      return;
    }
    const bool negative = AcceptPunct("-");
    if (AcceptWord("true")) {
      value.numbers.push_back(1.0);
    } else if (AcceptWord("false")) {
      value.numbers.push_back(0.0);
    } else if (Peek().kind == Token::Kind::Number) {
      const double n = std::strtod(Next().text.c_str(), nullptr);
      value.numbers.push_back(negative ? -n : n);
    } else if (Peek().kind == Token::Kind::Word && Peek(1).kind == Token::Kind::Comment) {
      // An enumerated value: NAME /* number */.
      Next();
      value.numbers.push_back(std::strtod(Next().text.c_str(), nullptr));
    } else {
      Fail("expected a value");
    }
  }

  std::vector<ListedAnnotation> ReadAnnotations() {
    std::vector<ListedAnnotation> annotations;
    if (!AcceptPunct("<")) return annotations;
    while (!AcceptPunct(">")) {
      ListedAnnotation a;
      a.type = ReadWord();
      a.name = ReadWord();
      ExpectPunct("=");
      a.value = ReadValue();
      ExpectPunct(";");
      annotations.push_back(std::move(a));
    }
    return annotations;
  }

  std::vector<ListedState> ReadStates() {
    std::vector<ListedState> states;
    ExpectPunct("{");
    while (!AcceptPunct("}")) {
      ListedState s;
      s.name = ReadWord();
      if (AcceptPunct("[")) {
        s.index = ReadUnsigned();
        ExpectPunct("]");
      }
      ExpectPunct("=");
      s.value = ReadValue();
      ExpectPunct(";");
      states.push_back(std::move(s));
    }
    return states;
  }

  ListedParameter ReadParameter() {
    ListedParameter p;
    p.type = ReadWord();
    p.name = ReadWord();
    if (AcceptPunct("[")) {
      p.elements = ReadUnsigned();
      ExpectPunct("]");
    }
    p.annotations = ReadAnnotations();
    if (AcceptPunct("=")) {
      if (p.type.compare(0, 7, "sampler") == 0) {
        p.isSampler = true;
        p.samplerStates = ReadStates();
        ExpectPunct(",");
      } else {
        p.value = ReadValue();
      }
    }
    ExpectPunct(";");
    return p;
  }

  ListedTechnique ReadTechnique() {
    ListedTechnique t;
    t.name = ReadWord();
    t.annotations = ReadAnnotations();
    ExpectPunct("{");
    while (!AcceptPunct("}")) {
      ExpectWord("pass");
      ListedPass pass;
      pass.name = ReadWord();
      pass.annotations = ReadAnnotations();
      pass.states = ReadStates();
      t.passes.push_back(std::move(pass));
    }
    return t;
  }

  // "parameter P[E], state S = parameter "Name"" or
  // "technique T, pass P, state S = blob size N asm { profile ... }".
  void ReadResource(Listing& listing) {
    bool isParameter;
    uint32_t owner, pass = 0;
    if (AcceptWord("parameter")) {
      isParameter = true;
      owner = ReadUnsigned();
      ExpectPunct("[");
      ReadUnsigned();
      ExpectPunct("]");
    } else {
      ExpectWord("technique");
      isParameter = false;
      owner = ReadUnsigned();
      ExpectPunct(",");
      ExpectWord("pass");
      pass = ReadUnsigned();
    }
    ExpectPunct(",");
    ExpectWord("state");
    const uint32_t state = ReadUnsigned();
    ExpectPunct("=");
    ListedResource resource;
    if (AcceptWord("parameter")) {
      if (Peek().kind != Token::Kind::String) Fail("expected a parameter name");
      resource.parameterName = Next().text;
    } else {
      ExpectWord("blob");
      ExpectWord("size");
      ReadUnsigned();
      resource.isBlob = true;
      if (AcceptWord("asm")) {
        ExpectPunct("{");
        resource.profile = ReadWord();
        for (int depth = 1; depth > 0;) {
          if (AtEnd()) Fail("unbalanced asm block");
          if (PeekPunct("{")) ++depth;
          if (PeekPunct("}")) --depth;
          Next();
        }
      }
    }
    listing.resources[ResourceKey(isParameter, owner, pass, state)] = resource;
  }

  std::vector<Token> m_tokens;
  size_t m_pos = 0;
};

// --- comparing -----------------------------------------------------------------------

float BitsToFloat(uint32_t bits) {
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

bool SameNumber(uint32_t bits, ParamType type, double listed) {
  if (type == ParamType::Float) return float(listed) == BitsToFloat(bits);
  if (type == ParamType::Bool) return (listed != 0.0) == (bits != 0);
  return std::llround(listed) == int64_t(int32_t(bits)) || std::llround(listed) == int64_t(bits);
}

class Comparer {
public:
  Comparer(const EffectSource& effect, const Listing& listing) : m_effect(effect), m_listing(listing) {}

  std::string Compare() {
    if (m_listing.parameters.size() != m_effect.parameters.size())
      Report("the effect lists " + std::to_string(m_listing.parameters.size()) + " parameters, the source declares " +
             std::to_string(m_effect.parameters.size()));
    for (size_t i = 0; i < m_effect.parameters.size() && i < m_listing.parameters.size(); ++i)
      CompareParameter(uint32_t(i), m_effect.parameters[i], m_listing.parameters[i]);
    if (m_listing.techniques.size() != m_effect.techniques.size())
      Report("the effect lists " + std::to_string(m_listing.techniques.size()) + " techniques, the source declares " +
             std::to_string(m_effect.techniques.size()));
    for (size_t i = 0; i < m_effect.techniques.size() && i < m_listing.techniques.size(); ++i)
      CompareTechnique(uint32_t(i), m_effect.techniques[i], m_listing.techniques[i]);
    return m_report.str();
  }

private:
  void Report(const std::string& line) { m_report << "  " << line << "\n"; }

  void CompareNumbers(const std::string& where, const TypeDesc& type, const Value& expected,
                      const ListedValue& listed) {
    if (listed.numbers.size() != expected.numbers.size()) {
      Report(where + ": " + std::to_string(listed.numbers.size()) + " values listed, " +
             std::to_string(expected.numbers.size()) + " declared");
      return;
    }
    for (size_t i = 0; i < expected.numbers.size(); ++i) {
      if (!SameNumber(expected.numbers[i], type.type, listed.numbers[i])) {
        Report(where + ": value " + std::to_string(i) + " differs from the source");
        return;
      }
    }
  }

  void CompareValue(const std::string& where, const TypeDesc& type, const Value& expected, const ListedValue& listed) {
    if (type.type == ParamType::String) {
      const auto text = m_listing.strings.find(listed.objectId);
      if (!listed.hasObject || text == m_listing.strings.end() || text->second != expected.text)
        Report(where + ": the string does not read back as \"" + expected.text + "\"");
    } else if (type.IsTexture()) {
      if (!listed.hasObject) Report(where + ": no texture object");
    } else {
      CompareNumbers(where, type, expected, listed);
    }
  }

  void CompareAnnotations(const std::string& where, const std::vector<Annotation>& expected,
                          const std::vector<ListedAnnotation>& listed) {
    if (expected.size() != listed.size()) {
      Report(where + ": " + std::to_string(listed.size()) + " annotations listed, " + std::to_string(expected.size()) +
             " declared");
      return;
    }
    for (size_t i = 0; i < expected.size(); ++i) {
      const std::string at = where + " annotation " + expected[i].name;
      if (listed[i].name != expected[i].name || listed[i].type != TypeName(expected[i].type))
        Report(at + ": listed as " + listed[i].type + " " + listed[i].name);
      else
        CompareValue(at, expected[i].type, expected[i].value, listed[i].value);
    }
  }

  void CompareStates(const std::string& where, bool parameter, uint32_t owner, uint32_t pass,
                     const std::vector<StateAssignment>& expected, const std::vector<ListedState>& listed) {
    if (expected.size() != listed.size()) {
      Report(where + ": " + std::to_string(listed.size()) + " states listed, " + std::to_string(expected.size()) +
             " declared");
      return;
    }
    for (size_t i = 0; i < expected.size(); ++i) {
      const StateAssignment& s = expected[i];
      const ListedState& l = listed[i];
      const std::string at = where + " state " + s.state->name;
      if (!EqualNoCase(l.name, s.state->name) || l.index != s.index) {
        Report(at + ": listed as " + l.name + "[" + std::to_string(l.index) + "]");
        continue;
      }
      const auto resource = m_listing.resources.find(ResourceKey(parameter, owner, pass, uint32_t(i)));
      switch (s.kind) {
        case StateAssignment::Kind::Number:
          if (l.value.numbers.size() != 1 || !SameNumber(s.number, s.numberType, l.value.numbers[0]))
            Report(at + ": the value differs from the source");
          break;
        case StateAssignment::Kind::NullShader:
          if (!l.value.hasObject || l.value.objectId != 0) Report(at + ": not NULL");
          break;
        case StateAssignment::Kind::Shader:
          if (!l.value.hasObject || l.value.objectId == 0 || resource == m_listing.resources.end() ||
              !resource->second.isBlob)
            Report(at + ": no shader byte code");
          else if (resource->second.profile != s.profile)
            Report(at + ": byte code of " + resource->second.profile + ", not " + s.profile);
          break;
        case StateAssignment::Kind::ParameterRef:
          if (resource == m_listing.resources.end() || resource->second.parameterName != s.reference)
            Report(at + ": does not name parameter " + s.reference);
          break;
      }
    }
  }

  void CompareParameter(uint32_t index, const Parameter& p, const ListedParameter& l) {
    TypeDesc element = p.type;
    element.elements = 0;
    if (l.name != p.name || l.type != TypeName(element) || l.elements != p.type.elements) {
      Report("parameter " + p.name + " (" + TypeName(p.type) + ") is listed as " + l.type + " " + l.name +
             (l.elements ? "[" + std::to_string(l.elements) + "]" : ""));
      return;
    }
    const std::string where = "parameter " + p.name;
    CompareAnnotations(where, p.annotations, l.annotations);
    if (p.type.IsSampler()) {
      CompareStates(where, true, index, 0, p.samplerStates, l.samplerStates);
    } else {
      CompareValue(where, p.type, p.value, l.value);
    }
  }

  void CompareTechnique(uint32_t index, const Technique& t, const ListedTechnique& l) {
    if (l.name != t.name) {
      Report("technique " + t.name + " is listed as " + l.name);
      return;
    }
    const std::string where = "technique " + t.name;
    CompareAnnotations(where, t.annotations, l.annotations);
    if (l.passes.size() != t.passes.size()) {
      Report(where + ": " + std::to_string(l.passes.size()) + " passes listed, " + std::to_string(t.passes.size()) +
             " declared");
      return;
    }
    for (size_t p = 0; p < t.passes.size(); ++p) {
      const std::string at = where + " pass " + t.passes[p].name;
      if (l.passes[p].name != t.passes[p].name) {
        Report(at + ": listed as " + l.passes[p].name);
        continue;
      }
      CompareAnnotations(at, t.passes[p].annotations, l.passes[p].annotations);
      CompareStates(at, false, index, uint32_t(p), t.passes[p].states, l.passes[p].states);
    }
  }

  const EffectSource& m_effect;
  const Listing& m_listing;
  std::ostringstream m_report;
};

}  // namespace

std::string CompareListing(const EffectSource& effect, const std::string& listing) {
  const Listing listed = ListingReader(listing).Read();
  return Comparer(effect, listed).Compare();
}

}  // namespace ds_fxpack
