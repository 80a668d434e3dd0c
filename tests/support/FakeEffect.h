#pragma once
// A recording stand-in for a D3DX effect, for tests of everything that draws through
// effects: the platform the tests run on cannot compile effects from HLSL source.
// FakeEffect records the technique choices, every parameter set by name (kind and
// values), Begin/BeginPass/EndPass/End with the pass count it reports,
// CommitChanges, OnLostDevice/OnResetDevice, and counts its references.
// FakeEffectFactory puts itself in place of the program's effect creator for its own
// lifetime and keeps one reference to every effect it made, so a test can inspect
// them after the program released its own.

#include <d3dx9.h>

#include <cstddef>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "document/EffectFactory.h"

class FakeEffect : public ID3DXEffect {
public:
  enum class Kind {
    Value, Bool, BoolArray, Int, IntArray, Float, FloatArray, Vector, VectorArray, Matrix,
    MatrixArray, MatrixTranspose, MatrixTransposeArray, String, Texture
  };
  // One Set call: the parameter's name, the setter's kind, the values as floats
  // (ints and bools converted; matrices row by row), the raw bytes of SetValue, the
  // text of SetString and the texture of SetTexture (not referenced).
  struct ParamSet {
    std::string name;
    Kind kind;
    std::vector<float> values;
    std::vector<unsigned char> bytes;
    std::string text;
    IDirect3DBaseTexture9* texture = nullptr;
  };

  // Starts with one reference, held by whoever made it.
  FakeEffect();
  virtual ~FakeEffect();
  FakeEffect(const FakeEffect&) = delete;
  FakeEffect& operator=(const FakeEffect&) = delete;

  // `effect` as the recording effect it is; null for a real effect (or none).
  static const FakeEffect* Of(const ID3DXEffect* effect);

  // Set-up by the test. Declared techniques and parameters restrict the names the
  // lookups find and the setters accept (by default every name is found).
  void SetPassCount(UINT passes) { m_passCount = passes; }
  void DeclareTechniques(const std::vector<std::string>& names);
  void DeclareParameters(const std::vector<std::string>& names);
  // The device GetDevice reports; not referenced, so a test may destroy its device
  // before its effects.
  void SetDevice(IDirect3DDevice9* device);

  // What happened. Events: "SetTechnique <name>", "Begin <flags>", "BeginPass <i>",
  // "CommitChanges", "EndPass", "End", "OnLostDevice", "OnResetDevice", "Set <name>"
  // for each parameter set and "Unknown <name>" for a set of an undeclared name.
  ULONG RefCount() const { return m_refs; }
  const std::vector<std::string>& Events() const { return m_events; }
  const std::vector<ParamSet>& ParamSets() const { return m_sets; }
  // The last value set under `name`, or null.
  const ParamSet* Last(const std::string& name) const;
  // Values of the last set of `name`; empty when it was never set.
  std::vector<float> LastValues(const std::string& name) const;
  size_t CountEvents(const std::string& event) const;
  // The techniques set, in order.
  std::vector<std::string> Techniques() const;
  const std::string& CurrentTechnique() const { return m_technique; }
  UINT PassCount() const { return m_passCount; }
  int BeginCount() const { return m_begins; }
  int EndCount() const { return m_ends; }
  int LostCount() const { return m_lost; }
  int ResetCount() const { return m_resets; }
  bool InBegin() const { return m_inBegin; }
  bool InPass() const { return m_inPass; }
  void ClearRecord();

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // ID3DXBaseEffect
  HRESULT STDMETHODCALLTYPE GetDesc(D3DXEFFECT_DESC* desc) override;
  HRESULT STDMETHODCALLTYPE GetParameterDesc(D3DXHANDLE parameter, D3DXPARAMETER_DESC* desc) override;
  HRESULT STDMETHODCALLTYPE GetTechniqueDesc(D3DXHANDLE technique, D3DXTECHNIQUE_DESC* desc) override;
  HRESULT STDMETHODCALLTYPE GetPassDesc(D3DXHANDLE pass, D3DXPASS_DESC* desc) override;
  HRESULT STDMETHODCALLTYPE GetFunctionDesc(D3DXHANDLE shader, D3DXFUNCTION_DESC* desc) override;
  D3DXHANDLE STDMETHODCALLTYPE GetParameter(D3DXHANDLE parameter, UINT index) override;
  D3DXHANDLE STDMETHODCALLTYPE GetParameterByName(D3DXHANDLE parameter, const char* name) override;
  D3DXHANDLE STDMETHODCALLTYPE GetParameterBySemantic(D3DXHANDLE parameter, const char* semantic) override;
  D3DXHANDLE STDMETHODCALLTYPE GetParameterElement(D3DXHANDLE parameter, UINT index) override;
  D3DXHANDLE STDMETHODCALLTYPE GetTechnique(UINT index) override;
  D3DXHANDLE STDMETHODCALLTYPE GetTechniqueByName(const char* name) override;
  D3DXHANDLE STDMETHODCALLTYPE GetPass(D3DXHANDLE technique, UINT index) override;
  D3DXHANDLE STDMETHODCALLTYPE GetPassByName(D3DXHANDLE technique, const char* name) override;
  D3DXHANDLE STDMETHODCALLTYPE GetFunction(UINT index) override;
  D3DXHANDLE STDMETHODCALLTYPE GetFunctionByName(const char* name) override;
  D3DXHANDLE STDMETHODCALLTYPE GetAnnotation(D3DXHANDLE object, UINT index) override;
  D3DXHANDLE STDMETHODCALLTYPE GetAnnotationByName(D3DXHANDLE object, const char* name) override;
  HRESULT STDMETHODCALLTYPE SetValue(D3DXHANDLE parameter, const void* data, UINT bytes) override;
  HRESULT STDMETHODCALLTYPE GetValue(D3DXHANDLE parameter, void* data, UINT bytes) override;
  HRESULT STDMETHODCALLTYPE SetBool(D3DXHANDLE parameter, WINBOOL b) override;
  HRESULT STDMETHODCALLTYPE GetBool(D3DXHANDLE parameter, WINBOOL* b) override;
  HRESULT STDMETHODCALLTYPE SetBoolArray(D3DXHANDLE parameter, const WINBOOL* b, UINT count) override;
  HRESULT STDMETHODCALLTYPE GetBoolArray(D3DXHANDLE parameter, WINBOOL* b, UINT count) override;
  HRESULT STDMETHODCALLTYPE SetInt(D3DXHANDLE parameter, INT n) override;
  HRESULT STDMETHODCALLTYPE GetInt(D3DXHANDLE parameter, INT* n) override;
  HRESULT STDMETHODCALLTYPE SetIntArray(D3DXHANDLE parameter, const INT* n, UINT count) override;
  HRESULT STDMETHODCALLTYPE GetIntArray(D3DXHANDLE parameter, INT* n, UINT count) override;
  HRESULT STDMETHODCALLTYPE SetFloat(D3DXHANDLE parameter, FLOAT f) override;
  HRESULT STDMETHODCALLTYPE GetFloat(D3DXHANDLE parameter, FLOAT* f) override;
  HRESULT STDMETHODCALLTYPE SetFloatArray(D3DXHANDLE parameter, const FLOAT* f, UINT count) override;
  HRESULT STDMETHODCALLTYPE GetFloatArray(D3DXHANDLE parameter, FLOAT* f, UINT count) override;
  HRESULT STDMETHODCALLTYPE SetVector(D3DXHANDLE parameter, const D3DXVECTOR4* vector) override;
  HRESULT STDMETHODCALLTYPE GetVector(D3DXHANDLE parameter, D3DXVECTOR4* vector) override;
  HRESULT STDMETHODCALLTYPE SetVectorArray(D3DXHANDLE parameter, const D3DXVECTOR4* vector, UINT count) override;
  HRESULT STDMETHODCALLTYPE GetVectorArray(D3DXHANDLE parameter, D3DXVECTOR4* vector, UINT count) override;
  HRESULT STDMETHODCALLTYPE SetMatrix(D3DXHANDLE parameter, const D3DXMATRIX* matrix) override;
  HRESULT STDMETHODCALLTYPE GetMatrix(D3DXHANDLE parameter, D3DXMATRIX* matrix) override;
  HRESULT STDMETHODCALLTYPE SetMatrixArray(D3DXHANDLE parameter, const D3DXMATRIX* matrix, UINT count) override;
  HRESULT STDMETHODCALLTYPE GetMatrixArray(D3DXHANDLE parameter, D3DXMATRIX* matrix, UINT count) override;
  HRESULT STDMETHODCALLTYPE SetMatrixPointerArray(D3DXHANDLE parameter, const D3DXMATRIX** matrix, UINT count) override;
  HRESULT STDMETHODCALLTYPE GetMatrixPointerArray(D3DXHANDLE parameter, D3DXMATRIX** matrix, UINT count) override;
  HRESULT STDMETHODCALLTYPE SetMatrixTranspose(D3DXHANDLE parameter, const D3DXMATRIX* matrix) override;
  HRESULT STDMETHODCALLTYPE GetMatrixTranspose(D3DXHANDLE parameter, D3DXMATRIX* matrix) override;
  HRESULT STDMETHODCALLTYPE SetMatrixTransposeArray(D3DXHANDLE parameter, const D3DXMATRIX* matrix, UINT count) override;
  HRESULT STDMETHODCALLTYPE GetMatrixTransposeArray(D3DXHANDLE parameter, D3DXMATRIX* matrix, UINT count) override;
  HRESULT STDMETHODCALLTYPE SetMatrixTransposePointerArray(D3DXHANDLE parameter, const D3DXMATRIX** matrix, UINT count) override;
  HRESULT STDMETHODCALLTYPE GetMatrixTransposePointerArray(D3DXHANDLE parameter, D3DXMATRIX** matrix, UINT count) override;
  HRESULT STDMETHODCALLTYPE SetString(D3DXHANDLE parameter, const char* string) override;
  HRESULT STDMETHODCALLTYPE GetString(D3DXHANDLE parameter, const char** string) override;
  HRESULT STDMETHODCALLTYPE SetTexture(D3DXHANDLE parameter, IDirect3DBaseTexture9* texture) override;
  HRESULT STDMETHODCALLTYPE GetTexture(D3DXHANDLE parameter, IDirect3DBaseTexture9** texture) override;
  HRESULT STDMETHODCALLTYPE GetPixelShader(D3DXHANDLE parameter, IDirect3DPixelShader9** shader) override;
  HRESULT STDMETHODCALLTYPE GetVertexShader(D3DXHANDLE parameter, IDirect3DVertexShader9** shader) override;
  HRESULT STDMETHODCALLTYPE SetArrayRange(D3DXHANDLE parameter, UINT start, UINT end) override;

  // ID3DXEffect
  HRESULT STDMETHODCALLTYPE GetPool(ID3DXEffectPool** pool) override;
  HRESULT STDMETHODCALLTYPE SetTechnique(D3DXHANDLE technique) override;
  D3DXHANDLE STDMETHODCALLTYPE GetCurrentTechnique() override;
  HRESULT STDMETHODCALLTYPE ValidateTechnique(D3DXHANDLE technique) override;
  HRESULT STDMETHODCALLTYPE FindNextValidTechnique(D3DXHANDLE technique, D3DXHANDLE* next) override;
  WINBOOL STDMETHODCALLTYPE IsParameterUsed(D3DXHANDLE parameter, D3DXHANDLE technique) override;
  HRESULT STDMETHODCALLTYPE Begin(UINT* passes, DWORD flags) override;
  HRESULT STDMETHODCALLTYPE BeginPass(UINT pass) override;
  HRESULT STDMETHODCALLTYPE CommitChanges() override;
  HRESULT STDMETHODCALLTYPE EndPass() override;
  HRESULT STDMETHODCALLTYPE End() override;
  HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice9** device) override;
  HRESULT STDMETHODCALLTYPE OnLostDevice() override;
  HRESULT STDMETHODCALLTYPE OnResetDevice() override;
  HRESULT STDMETHODCALLTYPE SetStateManager(ID3DXEffectStateManager* manager) override;
  HRESULT STDMETHODCALLTYPE GetStateManager(ID3DXEffectStateManager** manager) override;
  HRESULT STDMETHODCALLTYPE BeginParameterBlock() override;
  D3DXHANDLE STDMETHODCALLTYPE EndParameterBlock() override;
  HRESULT STDMETHODCALLTYPE ApplyParameterBlock(D3DXHANDLE block) override;
  HRESULT STDMETHODCALLTYPE DeleteParameterBlock(D3DXHANDLE block) override;
  HRESULT STDMETHODCALLTYPE CloneEffect(IDirect3DDevice9* device, ID3DXEffect** effect) override;
  HRESULT STDMETHODCALLTYPE SetRawValue(D3DXHANDLE parameter, const void* data, UINT offset, UINT bytes) override;

private:
  // A handle is the name's text; names are kept so that handles stay valid.
  D3DXHANDLE Intern(const std::string& name);
  static std::string NameOf(D3DXHANDLE handle);
  HRESULT Record(D3DXHANDLE parameter, Kind kind, const float* values, size_t count);
  const ParamSet* LastOf(D3DXHANDLE parameter) const;

  ULONG m_refs = 1;
  UINT m_passCount = 1;
  std::vector<std::string> m_techniques;
  std::vector<std::string> m_parameters;
  bool m_techniquesDeclared = false;
  bool m_parametersDeclared = false;
  std::deque<std::string> m_names;
  std::string m_technique;
  D3DXHANDLE m_techniqueHandle = nullptr;
  IDirect3DDevice9* m_device = nullptr;
  std::vector<std::string> m_events;
  std::vector<ParamSet> m_sets;
  std::map<std::string, size_t> m_lastSet;
  int m_begins = 0;
  int m_ends = 0;
  int m_lost = 0;
  int m_resets = 0;
  bool m_inBegin = false;
  bool m_inPass = false;
};

class FakeEffectFactory {
public:
  // Puts this factory in place of the program's effect creator. (Inline, so that
  // only the tests that use the factory link the document library.)
  FakeEffectFactory() {
    m_previous = SetEffectCreator([this](IDirect3DDevice9* device, const void* bytes, UINT size,
                                         ID3DXEffect** effect) {
      return Create(device, bytes, size, effect);
    });
  }
  // Puts the previous creator back and drops the factory's references.
  ~FakeEffectFactory() {
    SetEffectCreator(m_previous);
    ReleaseEffects();
  }
  FakeEffectFactory(const FakeEffectFactory&) = delete;
  FakeEffectFactory& operator=(const FakeEffectFactory&) = delete;

  // The next `count` requests fail with E_FAIL (and make nothing).
  void FailNext(int count) { m_failures = count; }
  // Pass count, techniques and parameters of the effects made from now on.
  void SetPassCount(UINT passes) { m_passCount = passes; }
  void DeclareTechniques(const std::vector<std::string>& names) { m_techniques = names; }
  void DeclareParameters(const std::vector<std::string>& names) { m_parameters = names; }

  // Every request, failed or not: the bytes asked for and the device.
  struct Request {
    std::vector<unsigned char> bytes;
    IDirect3DDevice9* device;
    bool succeeded;
  };
  const std::vector<Request>& Requests() const { return m_requests; }
  // The effects made, in order.
  size_t EffectCount() const { return m_effects.size(); }
  FakeEffect* Effect(size_t index) const { return m_effects.at(index); }
  // The effect made from the last successful request, or null.
  FakeEffect* LastEffect() const { return m_effects.empty() ? nullptr : m_effects.back(); }

private:
  void ReleaseEffects();
  HRESULT Create(IDirect3DDevice9* device, const void* bytes, UINT size, ID3DXEffect** effect);

  DS_EffectCreator m_previous;
  int m_failures = 0;
  UINT m_passCount = 1;
  std::vector<std::string> m_techniques;
  std::vector<std::string> m_parameters;
  std::vector<Request> m_requests;
  std::vector<FakeEffect*> m_effects;
};
