#include "document/ModuleResources.h"

#include "document/MissingResourceLog.h"

const wchar_t* const kModuleDataType = L"DDS";

namespace {

const wchar_t kModuleExtension[] = L".dll";
const size_t kModuleExtensionLength = 4;

wchar_t LowerAscii(wchar_t c) { return (c >= L'A' && c <= L'Z') ? c - L'A' + L'a' : c; }

// The loader's last error as a result code; E_FAIL when it set none.
HRESULT LastLoaderError() {
  const DWORD error = GetLastError();
  return error != 0 ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

}  // namespace

bool IsModuleFileName(const ds_string& name) {
  if (name.size() <= kModuleExtensionLength) return false;
  if (name.find_first_of(L"\\/:") != ds_string::npos) return false;
  const size_t start = name.size() - kModuleExtensionLength;
  for (size_t i = 0; i < kModuleExtensionLength; ++i) {
    if (LowerAscii(name[start + i]) != kModuleExtension[i]) return false;
  }
  return true;
}

WORD ResourceNumber(int64_t id) { return static_cast<WORD>(static_cast<uint64_t>(id) & 0xFFFF); }

HMODULE LoadResourceModule(const ds_string& name) {
  if (!IsModuleFileName(name)) return nullptr;
  return LoadLibraryExW(name.c_str(), nullptr,
                        LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
}

bool FindModuleResource(HMODULE module, int64_t id, const wchar_t* type, const void*& bytes,
                        DWORD& size) {
  return SUCCEEDED(LoadModuleResourceBytes(module, id, type, bytes, size));
}

HRESULT LoadModuleResourceBytes(HMODULE module, int64_t id, const wchar_t* type,
                             const void*& bytes, DWORD& size) {
  bytes = nullptr;
  size = 0;
  const WORD number = ResourceNumber(id);
  if (number == 0) return E_INVALIDARG;
  SetLastError(0);
  HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(number), type);
  if (!info) return LastLoaderError();
  DWORD length = SizeofResource(module, info);
  if (length == 0) return HRESULT_FROM_WIN32(ERROR_RESOURCE_DATA_NOT_FOUND);
  HGLOBAL loaded = LoadResource(module, info);
  const void* locked = loaded ? LockResource(loaded) : nullptr;
  if (!locked) return LastLoaderError();
  bytes = locked;
  size = length;
  return S_OK;
}

DS_ResourceModule::DS_ResourceModule(const ds_string& name) : m_name(name) {
  if (name.empty()) {
    m_open = true;
    return;
  }
  SetLastError(0);
  m_module = LoadResourceModule(name);
  m_open = m_module != nullptr;
  if (!m_open)
    m_openResult = IsModuleFileName(name) ? LastLoaderError() : HRESULT_FROM_WIN32(ERROR_INVALID_NAME);
}

DS_ResourceModule::~DS_ResourceModule() {
  if (m_module) FreeLibrary(m_module);
}

bool DS_ResourceModule::Find(int64_t id, const wchar_t* type, const void*& bytes,
                             DWORD& size) const {
  bytes = nullptr;
  size = 0;
  const HRESULT result =
      m_open ? LoadModuleResourceBytes(m_module, id, type, bytes, size) : m_openResult;
  if (FAILED(result)) ReportMissingResource(DS_MissingKind::ModuleResource, ModuleLinkName(m_name, id), result);
  return SUCCEEDED(result);
}

// Declared with the entry; kept here beside the module rules it follows.
bool DS_ResourceEntry::LoadFromModule() {
  DS_ResourceModule module(ModuleName());
  const void* bytes = nullptr;
  DWORD size = 0;
  if (!module.Find(ResourceId(), kModuleDataType, bytes, size)) return false;
  SetData(size, bytes);
  return true;
}
