#pragma once
// Access to the numbered resources of the program and of the external resource
// modules that a document names (the shared effect and picture module, add-on
// modules). Module names come from the document, so only a bare file name ending in
// ".dll" is ever loaded, and only as data: no code of a module runs and no folder
// other than the loader's search path is reached. An empty name means the program.

#include <windows.h>

#include "document/ResourceEntry.h"

// The shared resource module installed beside the saver: the default effects,
// pictures and meshes of the scene classes.
inline constexpr wchar_t kSharedModuleName[] = L"common_res.dll";

// The resource type of pictures, meshes, sound data and texture-set streams.
extern const wchar_t* const kModuleDataType;

// True for a bare file name (no folder, drive or stream part) ending in ".dll",
// compared without regard to letter case.
bool IsModuleFileName(const ds_string& name);

// The integer resource name of a stored id: its low 16 bits. 0 names no resource.
WORD ResourceNumber(int64_t id);

// Loads a module as data (LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
// null for a name that is not a module file name or that cannot be loaded.
HMODULE LoadResourceModule(const ds_string& name);

// The bytes of resource (`type`, id) of `module` (null: the program), in place.
// False when the id names nothing, the resource is missing, empty or not loadable.
bool FindModuleResource(HMODULE module, int64_t id, const wchar_t* type, const void*& bytes,
                        DWORD& size);
// The same, with the reason on failure: E_INVALIDARG for id 0, else the loader's error.
HRESULT LoadModuleResourceBytes(HMODULE module, int64_t id, const wchar_t* type,
                             const void*& bytes, DWORD& size);

// A module opened for the length of one lookup: the program for an empty name, else
// the named module loaded as data and freed again on destruction. A name that cannot
// be opened stays closed; its resources are then not searched anywhere else.
class DS_ResourceModule {
public:
  explicit DS_ResourceModule(const ds_string& name);
  ~DS_ResourceModule();
  DS_ResourceModule(const DS_ResourceModule&) = delete;
  DS_ResourceModule& operator=(const DS_ResourceModule&) = delete;

  bool IsOpen() const { return m_open; }
  HMODULE Handle() const { return m_module; }
  // The resource's bytes while the module stays open. A module or resource that is
  // missing is written once to the debugger output.
  bool Find(int64_t id, const wchar_t* type, const void*& bytes, DWORD& size) const;

private:
  ds_string m_name;
  HMODULE m_module = nullptr;
  bool m_open = false;
  HRESULT m_openResult = S_OK;
};
