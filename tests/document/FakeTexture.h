#pragma once
// A texture without a device for tests of reference counting: it counts AddRef and
// Release and answers every other call with failure.

#include <d3d9.h>

class FakeTexture : public IDirect3DTexture9 {
public:
  ULONG refs = 1;

  STDMETHOD_(HRESULT, QueryInterface)(REFIID, void** out) override {
    if (out) *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHOD_(ULONG, AddRef)() override { return ++refs; }
  STDMETHOD_(ULONG, Release)() override { return --refs; }
  STDMETHOD(GetDevice)(IDirect3DDevice9**) override { return E_NOTIMPL; }
  STDMETHOD(SetPrivateData)(REFGUID, const void*, DWORD, DWORD) override { return E_NOTIMPL; }
  STDMETHOD(GetPrivateData)(REFGUID, void*, DWORD*) override { return E_NOTIMPL; }
  STDMETHOD(FreePrivateData)(REFGUID) override { return E_NOTIMPL; }
  STDMETHOD_(DWORD, SetPriority)(DWORD) override { return 0; }
  STDMETHOD_(DWORD, GetPriority)() override { return 0; }
  STDMETHOD_(void, PreLoad)() override {}
  STDMETHOD_(D3DRESOURCETYPE, GetType)() override { return D3DRTYPE_TEXTURE; }
  STDMETHOD_(DWORD, SetLOD)(DWORD) override { return 0; }
  STDMETHOD_(DWORD, GetLOD)() override { return 0; }
  STDMETHOD_(DWORD, GetLevelCount)() override { return 1; }
  STDMETHOD(SetAutoGenFilterType)(D3DTEXTUREFILTERTYPE) override { return E_NOTIMPL; }
  STDMETHOD_(D3DTEXTUREFILTERTYPE, GetAutoGenFilterType)() override { return D3DTEXF_NONE; }
  STDMETHOD_(void, GenerateMipSubLevels)() override {}
  STDMETHOD(GetLevelDesc)(UINT, D3DSURFACE_DESC*) override { return E_NOTIMPL; }
  STDMETHOD(GetSurfaceLevel)(UINT, IDirect3DSurface9**) override { return E_NOTIMPL; }
  STDMETHOD(LockRect)(UINT, D3DLOCKED_RECT*, const RECT*, DWORD) override { return E_NOTIMPL; }
  STDMETHOD(UnlockRect)(UINT) override { return E_NOTIMPL; }
  STDMETHOD(AddDirtyRect)(const RECT*) override { return E_NOTIMPL; }
};
