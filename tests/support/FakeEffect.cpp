#include "support/FakeEffect.h"

#include <algorithm>
#include <cstring>
#include <set>

namespace {

const size_t kMatrixFloats = 16;
const size_t kVectorFloats = 4;

bool Declared(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

namespace {

// Every FakeEffect alive: what FakeEffect::Of tells apart from the real effects.
std::set<const ID3DXEffect*>& LiveFakes() {
  static std::set<const ID3DXEffect*> fakes;
  return fakes;
}

}  // namespace

FakeEffect::FakeEffect() { LiveFakes().insert(this); }

FakeEffect::~FakeEffect() { LiveFakes().erase(this); }

const FakeEffect* FakeEffect::Of(const ID3DXEffect* effect) {
  return LiveFakes().count(effect) ? static_cast<const FakeEffect*>(effect) : nullptr;
}

void FakeEffect::DeclareTechniques(const std::vector<std::string>& names) {
  m_techniques = names;
  m_techniquesDeclared = true;
}

void FakeEffect::DeclareParameters(const std::vector<std::string>& names) {
  m_parameters = names;
  m_parametersDeclared = true;
}

void FakeEffect::SetDevice(IDirect3DDevice9* device) { m_device = device; }

const FakeEffect::ParamSet* FakeEffect::Last(const std::string& name) const {
  auto found = m_lastSet.find(name);
  return found == m_lastSet.end() ? nullptr : &m_sets[found->second];
}

std::vector<float> FakeEffect::LastValues(const std::string& name) const {
  const ParamSet* set = Last(name);
  return set ? set->values : std::vector<float>();
}

size_t FakeEffect::CountEvents(const std::string& event) const {
  return static_cast<size_t>(std::count(m_events.begin(), m_events.end(), event));
}

std::vector<std::string> FakeEffect::Techniques() const {
  static const std::string kSetTechnique = "SetTechnique ";
  std::vector<std::string> techniques;
  for (const std::string& e : m_events) {
    if (e.compare(0, kSetTechnique.size(), kSetTechnique) == 0) techniques.push_back(e.substr(kSetTechnique.size()));
  }
  return techniques;
}

void FakeEffect::ClearRecord() {
  m_events.clear();
  m_sets.clear();
  m_lastSet.clear();
  m_begins = m_ends = m_lost = m_resets = 0;
}

D3DXHANDLE FakeEffect::Intern(const std::string& name) {
  for (const std::string& known : m_names) {
    if (known == name) return known.c_str();
  }
  m_names.push_back(name);
  return m_names.back().c_str();
}

std::string FakeEffect::NameOf(D3DXHANDLE handle) { return handle ? std::string(handle) : std::string(); }

HRESULT FakeEffect::Record(D3DXHANDLE parameter, Kind kind, const float* values, size_t count) {
  if (!parameter) return D3DERR_INVALIDCALL;
  ParamSet set;
  set.name = NameOf(parameter);
  // As D3DX does for a name the effect does not have; the attempt is still an event.
  if (m_parametersDeclared && !Declared(m_parameters, set.name)) {
    m_events.push_back("Unknown " + set.name);
    return D3DERR_INVALIDCALL;
  }
  set.kind = kind;
  if (values) set.values.assign(values, values + count);
  m_events.push_back("Set " + set.name);
  m_lastSet[set.name] = m_sets.size();
  m_sets.push_back(std::move(set));
  return D3D_OK;
}

const FakeEffect::ParamSet* FakeEffect::LastOf(D3DXHANDLE parameter) const {
  return parameter ? Last(NameOf(parameter)) : nullptr;
}

HRESULT FakeEffect::QueryInterface(REFIID riid, void** out) {
  if (!out) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_ID3DXBaseEffect || riid == IID_ID3DXEffect) {
    *out = static_cast<ID3DXEffect*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG FakeEffect::AddRef() { return ++m_refs; }

ULONG FakeEffect::Release() {
  ULONG left = --m_refs;
  if (left == 0) delete this;
  return left;
}

HRESULT FakeEffect::GetDesc(D3DXEFFECT_DESC* desc) {
  if (!desc) return D3DERR_INVALIDCALL;
  desc->Creator = "FakeEffect";
  desc->Parameters = static_cast<UINT>(m_parameters.size());
  desc->Techniques = static_cast<UINT>(m_techniques.size());
  desc->Functions = 0;
  return D3D_OK;
}

HRESULT FakeEffect::GetParameterDesc(D3DXHANDLE parameter, D3DXPARAMETER_DESC* desc) {
  if (!parameter || !desc) return D3DERR_INVALIDCALL;
  std::memset(desc, 0, sizeof(*desc));
  desc->Name = Intern(NameOf(parameter));
  desc->Class = D3DXPC_SCALAR;
  desc->Type = D3DXPT_FLOAT;
  desc->Rows = 1;
  desc->Columns = 1;
  return D3D_OK;
}

HRESULT FakeEffect::GetTechniqueDesc(D3DXHANDLE technique, D3DXTECHNIQUE_DESC* desc) {
  if (!technique || !desc) return D3DERR_INVALIDCALL;
  desc->Name = Intern(NameOf(technique));
  desc->Passes = m_passCount;
  desc->Annotations = 0;
  return D3D_OK;
}

HRESULT FakeEffect::GetPassDesc(D3DXHANDLE, D3DXPASS_DESC*) { return E_NOTIMPL; }
HRESULT FakeEffect::GetFunctionDesc(D3DXHANDLE, D3DXFUNCTION_DESC*) { return E_NOTIMPL; }

D3DXHANDLE FakeEffect::GetParameter(D3DXHANDLE parent, UINT index) {
  if (parent || index >= m_parameters.size()) return nullptr;
  return Intern(m_parameters[index]);
}

D3DXHANDLE FakeEffect::GetParameterByName(D3DXHANDLE parent, const char* name) {
  if (!name) return nullptr;
  std::string full = parent ? NameOf(parent) + "." + name : std::string(name);
  if (m_parametersDeclared && !Declared(m_parameters, full)) return nullptr;
  return Intern(full);
}

D3DXHANDLE FakeEffect::GetParameterBySemantic(D3DXHANDLE, const char*) { return nullptr; }

D3DXHANDLE FakeEffect::GetParameterElement(D3DXHANDLE parameter, UINT index) {
  if (!parameter) return nullptr;
  return Intern(NameOf(parameter) + "[" + std::to_string(index) + "]");
}

D3DXHANDLE FakeEffect::GetTechnique(UINT index) {
  if (index >= m_techniques.size()) return nullptr;
  return Intern(m_techniques[index]);
}

D3DXHANDLE FakeEffect::GetTechniqueByName(const char* name) {
  if (!name) return nullptr;
  if (m_techniquesDeclared && !Declared(m_techniques, name)) return nullptr;
  return Intern(name);
}

D3DXHANDLE FakeEffect::GetPass(D3DXHANDLE technique, UINT index) {
  if (!technique || index >= m_passCount) return nullptr;
  return Intern(NameOf(technique) + ".P" + std::to_string(index));
}

D3DXHANDLE FakeEffect::GetPassByName(D3DXHANDLE, const char*) { return nullptr; }
D3DXHANDLE FakeEffect::GetFunction(UINT) { return nullptr; }
D3DXHANDLE FakeEffect::GetFunctionByName(const char*) { return nullptr; }
D3DXHANDLE FakeEffect::GetAnnotation(D3DXHANDLE, UINT) { return nullptr; }
D3DXHANDLE FakeEffect::GetAnnotationByName(D3DXHANDLE, const char*) { return nullptr; }

HRESULT FakeEffect::SetValue(D3DXHANDLE parameter, const void* data, UINT bytes) {
  if (!data && bytes) return D3DERR_INVALIDCALL;
  HRESULT hr = Record(parameter, Kind::Value, nullptr, 0);
  if (SUCCEEDED(hr)) {
    const unsigned char* b = static_cast<const unsigned char*>(data);
    m_sets.back().bytes.assign(b, b + bytes);
    // Values of whole floats are readable as floats too.
    std::vector<float>& values = m_sets.back().values;
    values.resize(bytes / sizeof(float));
    if (!values.empty()) std::memcpy(values.data(), data, values.size() * sizeof(float));
  }
  return hr;
}

HRESULT FakeEffect::GetValue(D3DXHANDLE parameter, void* data, UINT bytes) {
  const ParamSet* set = LastOf(parameter);
  if (!set || !data) return D3DERR_INVALIDCALL;
  if (!set->bytes.empty()) {
    std::memcpy(data, set->bytes.data(), std::min<size_t>(bytes, set->bytes.size()));
  } else {
    std::memcpy(data, set->values.data(), std::min<size_t>(bytes, set->values.size() * sizeof(float)));
  }
  return D3D_OK;
}

HRESULT FakeEffect::SetBool(D3DXHANDLE parameter, WINBOOL b) {
  float value = b ? 1.0f : 0.0f;
  return Record(parameter, Kind::Bool, &value, 1);
}

HRESULT FakeEffect::GetBool(D3DXHANDLE parameter, WINBOOL* b) {
  const ParamSet* set = LastOf(parameter);
  if (!set || !b || set->values.empty()) return D3DERR_INVALIDCALL;
  *b = set->values[0] != 0.0f;
  return D3D_OK;
}

HRESULT FakeEffect::SetBoolArray(D3DXHANDLE parameter, const WINBOOL* b, UINT count) {
  if (!b && count) return D3DERR_INVALIDCALL;
  std::vector<float> values(count);
  for (UINT i = 0; i < count; ++i) values[i] = b[i] ? 1.0f : 0.0f;
  return Record(parameter, Kind::BoolArray, values.data(), count);
}

HRESULT FakeEffect::GetBoolArray(D3DXHANDLE, WINBOOL*, UINT) { return E_NOTIMPL; }

HRESULT FakeEffect::SetInt(D3DXHANDLE parameter, INT n) {
  float value = static_cast<float>(n);
  return Record(parameter, Kind::Int, &value, 1);
}

HRESULT FakeEffect::GetInt(D3DXHANDLE parameter, INT* n) {
  const ParamSet* set = LastOf(parameter);
  if (!set || !n || set->values.empty()) return D3DERR_INVALIDCALL;
  *n = static_cast<INT>(set->values[0]);
  return D3D_OK;
}

HRESULT FakeEffect::SetIntArray(D3DXHANDLE parameter, const INT* n, UINT count) {
  if (!n && count) return D3DERR_INVALIDCALL;
  std::vector<float> values(n, n + count);
  return Record(parameter, Kind::IntArray, values.data(), count);
}

HRESULT FakeEffect::GetIntArray(D3DXHANDLE, INT*, UINT) { return E_NOTIMPL; }

HRESULT FakeEffect::SetFloat(D3DXHANDLE parameter, FLOAT f) {
  return Record(parameter, Kind::Float, &f, 1);
}

HRESULT FakeEffect::GetFloat(D3DXHANDLE parameter, FLOAT* f) {
  const ParamSet* set = LastOf(parameter);
  if (!set || !f || set->values.empty()) return D3DERR_INVALIDCALL;
  *f = set->values[0];
  return D3D_OK;
}

HRESULT FakeEffect::SetFloatArray(D3DXHANDLE parameter, const FLOAT* f, UINT count) {
  if (!f && count) return D3DERR_INVALIDCALL;
  return Record(parameter, Kind::FloatArray, f, count);
}

HRESULT FakeEffect::GetFloatArray(D3DXHANDLE parameter, FLOAT* f, UINT count) {
  const ParamSet* set = LastOf(parameter);
  if (!set || !f) return D3DERR_INVALIDCALL;
  std::copy_n(set->values.begin(), std::min<size_t>(count, set->values.size()), f);
  return D3D_OK;
}

HRESULT FakeEffect::SetVector(D3DXHANDLE parameter, const D3DXVECTOR4* vector) {
  if (!vector) return D3DERR_INVALIDCALL;
  return Record(parameter, Kind::Vector, &vector->x, kVectorFloats);
}

HRESULT FakeEffect::GetVector(D3DXHANDLE parameter, D3DXVECTOR4* vector) {
  const ParamSet* set = LastOf(parameter);
  if (!set || !vector || set->values.size() < kVectorFloats) return D3DERR_INVALIDCALL;
  *vector = D3DXVECTOR4(set->values[0], set->values[1], set->values[2], set->values[3]);
  return D3D_OK;
}

HRESULT FakeEffect::SetVectorArray(D3DXHANDLE parameter, const D3DXVECTOR4* vector, UINT count) {
  if (!vector && count) return D3DERR_INVALIDCALL;
  return Record(parameter, Kind::VectorArray, count ? &vector->x : nullptr, kVectorFloats * count);
}

HRESULT FakeEffect::GetVectorArray(D3DXHANDLE, D3DXVECTOR4*, UINT) { return E_NOTIMPL; }

HRESULT FakeEffect::SetMatrix(D3DXHANDLE parameter, const D3DXMATRIX* matrix) {
  if (!matrix) return D3DERR_INVALIDCALL;
  return Record(parameter, Kind::Matrix, &matrix->_11, kMatrixFloats);
}

HRESULT FakeEffect::GetMatrix(D3DXHANDLE parameter, D3DXMATRIX* matrix) {
  const ParamSet* set = LastOf(parameter);
  if (!set || !matrix || set->values.size() < kMatrixFloats) return D3DERR_INVALIDCALL;
  std::memcpy(&matrix->_11, set->values.data(), kMatrixFloats * sizeof(float));
  return D3D_OK;
}

HRESULT FakeEffect::SetMatrixArray(D3DXHANDLE parameter, const D3DXMATRIX* matrix, UINT count) {
  if (!matrix && count) return D3DERR_INVALIDCALL;
  return Record(parameter, Kind::MatrixArray, count ? &matrix->_11 : nullptr, kMatrixFloats * count);
}

HRESULT FakeEffect::GetMatrixArray(D3DXHANDLE, D3DXMATRIX*, UINT) { return E_NOTIMPL; }

HRESULT FakeEffect::SetMatrixPointerArray(D3DXHANDLE parameter, const D3DXMATRIX** matrix, UINT count) {
  if (!matrix && count) return D3DERR_INVALIDCALL;
  std::vector<float> values;
  for (UINT i = 0; i < count; ++i) values.insert(values.end(), &matrix[i]->_11, &matrix[i]->_11 + kMatrixFloats);
  return Record(parameter, Kind::MatrixArray, values.data(), values.size());
}

HRESULT FakeEffect::GetMatrixPointerArray(D3DXHANDLE, D3DXMATRIX**, UINT) { return E_NOTIMPL; }

HRESULT FakeEffect::SetMatrixTranspose(D3DXHANDLE parameter, const D3DXMATRIX* matrix) {
  if (!matrix) return D3DERR_INVALIDCALL;
  return Record(parameter, Kind::MatrixTranspose, &matrix->_11, kMatrixFloats);
}

HRESULT FakeEffect::GetMatrixTranspose(D3DXHANDLE, D3DXMATRIX*) { return E_NOTIMPL; }

HRESULT FakeEffect::SetMatrixTransposeArray(D3DXHANDLE parameter, const D3DXMATRIX* matrix, UINT count) {
  if (!matrix && count) return D3DERR_INVALIDCALL;
  return Record(parameter, Kind::MatrixTransposeArray, count ? &matrix->_11 : nullptr, kMatrixFloats * count);
}

HRESULT FakeEffect::GetMatrixTransposeArray(D3DXHANDLE, D3DXMATRIX*, UINT) { return E_NOTIMPL; }

HRESULT FakeEffect::SetMatrixTransposePointerArray(D3DXHANDLE parameter, const D3DXMATRIX** matrix, UINT count) {
  if (!matrix && count) return D3DERR_INVALIDCALL;
  std::vector<float> values;
  for (UINT i = 0; i < count; ++i) values.insert(values.end(), &matrix[i]->_11, &matrix[i]->_11 + kMatrixFloats);
  return Record(parameter, Kind::MatrixTransposeArray, values.data(), values.size());
}

HRESULT FakeEffect::GetMatrixTransposePointerArray(D3DXHANDLE, D3DXMATRIX**, UINT) { return E_NOTIMPL; }

HRESULT FakeEffect::SetString(D3DXHANDLE parameter, const char* string) {
  if (!string) return D3DERR_INVALIDCALL;
  HRESULT hr = Record(parameter, Kind::String, nullptr, 0);
  if (SUCCEEDED(hr)) m_sets.back().text = string;
  return hr;
}

HRESULT FakeEffect::GetString(D3DXHANDLE parameter, const char** string) {
  const ParamSet* set = LastOf(parameter);
  if (!set || !string) return D3DERR_INVALIDCALL;
  *string = set->text.c_str();
  return D3D_OK;
}

HRESULT FakeEffect::SetTexture(D3DXHANDLE parameter, IDirect3DBaseTexture9* texture) {
  HRESULT hr = Record(parameter, Kind::Texture, nullptr, 0);
  if (SUCCEEDED(hr)) m_sets.back().texture = texture;
  return hr;
}

HRESULT FakeEffect::GetTexture(D3DXHANDLE parameter, IDirect3DBaseTexture9** texture) {
  const ParamSet* set = LastOf(parameter);
  if (!set || !texture) return D3DERR_INVALIDCALL;
  *texture = set->texture;
  if (*texture) (*texture)->AddRef();
  return D3D_OK;
}

HRESULT FakeEffect::GetPixelShader(D3DXHANDLE, IDirect3DPixelShader9**) { return E_NOTIMPL; }
HRESULT FakeEffect::GetVertexShader(D3DXHANDLE, IDirect3DVertexShader9**) { return E_NOTIMPL; }
HRESULT FakeEffect::SetArrayRange(D3DXHANDLE, UINT, UINT) { return D3D_OK; }
HRESULT FakeEffect::GetPool(ID3DXEffectPool** pool) {
  if (pool) *pool = nullptr;
  return D3D_OK;
}

HRESULT FakeEffect::SetTechnique(D3DXHANDLE technique) {
  if (!technique) return D3DERR_INVALIDCALL;
  std::string name = NameOf(technique);
  if (m_techniquesDeclared && !Declared(m_techniques, name)) return D3DERR_INVALIDCALL;
  m_technique = name;
  m_techniqueHandle = Intern(name);
  m_events.push_back("SetTechnique " + name);
  return D3D_OK;
}

D3DXHANDLE FakeEffect::GetCurrentTechnique() { return m_techniqueHandle; }

HRESULT FakeEffect::ValidateTechnique(D3DXHANDLE technique) {
  if (!technique) return D3DERR_INVALIDCALL;
  if (m_techniquesDeclared && !Declared(m_techniques, NameOf(technique))) return D3DERR_INVALIDCALL;
  return D3D_OK;
}

HRESULT FakeEffect::FindNextValidTechnique(D3DXHANDLE technique, D3DXHANDLE* next) {
  if (!next) return D3DERR_INVALIDCALL;
  *next = nullptr;
  size_t start = 0;
  if (technique) {
    auto found = std::find(m_techniques.begin(), m_techniques.end(), NameOf(technique));
    if (found == m_techniques.end()) return D3DERR_INVALIDCALL;
    start = static_cast<size_t>(found - m_techniques.begin()) + 1;
  }
  if (start < m_techniques.size()) *next = Intern(m_techniques[start]);
  return D3D_OK;
}

WINBOOL FakeEffect::IsParameterUsed(D3DXHANDLE parameter, D3DXHANDLE) { return parameter != nullptr; }

HRESULT FakeEffect::Begin(UINT* passes, DWORD flags) {
  m_events.push_back("Begin " + std::to_string(flags));
  ++m_begins;
  m_inBegin = true;
  if (passes) *passes = m_passCount;
  return D3D_OK;
}

HRESULT FakeEffect::BeginPass(UINT pass) {
  m_events.push_back("BeginPass " + std::to_string(pass));
  if (!m_inBegin || m_inPass || pass >= m_passCount) return D3DERR_INVALIDCALL;
  m_inPass = true;
  return D3D_OK;
}

HRESULT FakeEffect::CommitChanges() {
  m_events.push_back("CommitChanges");
  return D3D_OK;
}

HRESULT FakeEffect::EndPass() {
  m_events.push_back("EndPass");
  if (!m_inPass) return D3DERR_INVALIDCALL;
  m_inPass = false;
  return D3D_OK;
}

HRESULT FakeEffect::End() {
  m_events.push_back("End");
  ++m_ends;
  if (!m_inBegin) return D3DERR_INVALIDCALL;
  m_inBegin = false;
  m_inPass = false;
  return D3D_OK;
}

HRESULT FakeEffect::GetDevice(IDirect3DDevice9** device) {
  if (!device) return D3DERR_INVALIDCALL;
  *device = m_device;
  if (!m_device) return D3DERR_INVALIDCALL;
  m_device->AddRef();
  return D3D_OK;
}

HRESULT FakeEffect::OnLostDevice() {
  m_events.push_back("OnLostDevice");
  ++m_lost;
  return D3D_OK;
}

HRESULT FakeEffect::OnResetDevice() {
  m_events.push_back("OnResetDevice");
  ++m_resets;
  return D3D_OK;
}

HRESULT FakeEffect::SetStateManager(ID3DXEffectStateManager*) { return E_NOTIMPL; }
HRESULT FakeEffect::GetStateManager(ID3DXEffectStateManager** manager) {
  if (manager) *manager = nullptr;
  return D3D_OK;
}
HRESULT FakeEffect::BeginParameterBlock() { return E_NOTIMPL; }
D3DXHANDLE FakeEffect::EndParameterBlock() { return nullptr; }
HRESULT FakeEffect::ApplyParameterBlock(D3DXHANDLE) { return E_NOTIMPL; }
HRESULT FakeEffect::DeleteParameterBlock(D3DXHANDLE) { return E_NOTIMPL; }
HRESULT FakeEffect::CloneEffect(IDirect3DDevice9*, ID3DXEffect** effect) {
  if (effect) *effect = nullptr;
  return E_NOTIMPL;
}
HRESULT FakeEffect::SetRawValue(D3DXHANDLE parameter, const void* data, UINT offset, UINT bytes) {
  return E_NOTIMPL;
}

void FakeEffectFactory::ReleaseEffects() {
  for (FakeEffect* effect : m_effects) effect->Release();
  m_effects.clear();
}

HRESULT FakeEffectFactory::Create(IDirect3DDevice9* device, const void* bytes, UINT size,
                                  ID3DXEffect** effect) {
  Request request;
  const unsigned char* b = static_cast<const unsigned char*>(bytes);
  request.bytes.assign(b, b + size);
  request.device = device;
  request.succeeded = m_failures <= 0;
  m_requests.push_back(request);
  if (m_failures > 0) {
    --m_failures;
    *effect = nullptr;
    return E_FAIL;
  }
  FakeEffect* made = new FakeEffect();
  made->SetPassCount(m_passCount);
  if (!m_techniques.empty()) made->DeclareTechniques(m_techniques);
  if (!m_parameters.empty()) made->DeclareParameters(m_parameters);
  made->SetDevice(device);
  m_effects.push_back(made);
  made->AddRef();  // the factory's own reference; the caller gets the first
  *effect = made;
  return D3D_OK;
}
