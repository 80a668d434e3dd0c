#pragma once
// A scripted Direct3D object for the enumeration and device tests: adapters with their
// modes, monitor, caps and the depth formats they accept; CreateDevice succeeds or fails
// by a rule of the test and hands out a do-nothing device.

#include <d3d9.h>

#include <functional>
#include <set>
#include <vector>

#include "FakeDevice9Base.h"

struct FakeAdapter {
  D3DDISPLAYMODE desktop = {1024, 768, 60, D3DFMT_X8R8G8B8};
  std::vector<D3DDISPLAYMODE> modes;
  HMONITOR monitor = nullptr;
  GUID id = {0x12345678, 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}};
  bool halType = true;  // CheckDeviceType passes for HAL
  bool swType = false;
  DWORD devCaps = D3DDEVCAPS_HWTRANSFORMANDLIGHT | D3DDEVCAPS_PUREDEVICE;
  DWORD textureOpCaps = D3DTEXOPCAPS_BUMPENVMAP;
  std::set<D3DFORMAT> depthFormats = {D3DFMT_D16, D3DFMT_D24X8};
  std::set<D3DFORMAT> depthMatches = {D3DFMT_D16, D3DFMT_D24X8};
  bool v8u8 = true;
};

class FakeDirect3D : public IDirect3D9 {
public:
  std::vector<FakeAdapter> adapters;
  std::function<HRESULT(const D3DPRESENT_PARAMETERS&)> createRule;
  std::vector<D3DPRESENT_PARAMETERS> createCalls;
  std::vector<DWORD> createFlags;
  std::vector<UINT> createAdapters;
  std::set<UINT> failingAdapters;
  FakeDevice9Base device;
  ULONG refs = 1;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  HRESULT STDMETHODCALLTYPE RegisterSoftwareDevice(void*) override { return E_NOTIMPL; }
  UINT STDMETHODCALLTYPE GetAdapterCount() override { return (UINT)adapters.size(); }
  HRESULT STDMETHODCALLTYPE GetAdapterIdentifier(UINT a, DWORD, D3DADAPTER_IDENTIFIER9* id) override {
    if (a >= adapters.size()) return D3DERR_INVALIDCALL;
    *id = D3DADAPTER_IDENTIFIER9();
    id->DeviceIdentifier = adapters[a].id;
    return S_OK;
  }
  UINT STDMETHODCALLTYPE GetAdapterModeCount(UINT a, D3DFORMAT) override {
    return a < adapters.size() ? (UINT)adapters[a].modes.size() : 0;
  }
  HRESULT STDMETHODCALLTYPE EnumAdapterModes(UINT a, D3DFORMAT, UINT m, D3DDISPLAYMODE* mode) override {
    if (a >= adapters.size() || m >= adapters[a].modes.size()) return D3DERR_INVALIDCALL;
    *mode = adapters[a].modes[m];
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetAdapterDisplayMode(UINT a, D3DDISPLAYMODE* mode) override {
    if (a >= adapters.size()) return D3DERR_INVALIDCALL;
    *mode = adapters[a].desktop;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE CheckDeviceType(UINT a, D3DDEVTYPE type, D3DFORMAT, D3DFORMAT, WINBOOL) override {
    if (a >= adapters.size()) return D3DERR_INVALIDCALL;
    bool ok = (type == D3DDEVTYPE_HAL && adapters[a].halType) || (type == D3DDEVTYPE_SW && adapters[a].swType);
    return ok ? S_OK : D3DERR_NOTAVAILABLE;
  }
  HRESULT STDMETHODCALLTYPE CheckDeviceFormat(UINT a, D3DDEVTYPE, D3DFORMAT, DWORD usage, D3DRESOURCETYPE,
                                              D3DFORMAT check) override {
    if (a >= adapters.size()) return D3DERR_INVALIDCALL;
    if (usage & D3DUSAGE_DEPTHSTENCIL) return adapters[a].depthFormats.count(check) ? S_OK : D3DERR_NOTAVAILABLE;
    if (check == D3DFMT_V8U8) return adapters[a].v8u8 ? S_OK : D3DERR_NOTAVAILABLE;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE CheckDeviceMultiSampleType(UINT, D3DDEVTYPE, D3DFORMAT, WINBOOL, D3DMULTISAMPLE_TYPE,
                                                       DWORD*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE CheckDepthStencilMatch(UINT a, D3DDEVTYPE, D3DFORMAT, D3DFORMAT, D3DFORMAT depth) override {
    if (a >= adapters.size()) return D3DERR_INVALIDCALL;
    return adapters[a].depthMatches.count(depth) ? S_OK : D3DERR_NOTAVAILABLE;
  }
  HRESULT STDMETHODCALLTYPE CheckDeviceFormatConversion(UINT, D3DDEVTYPE, D3DFORMAT, D3DFORMAT) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetDeviceCaps(UINT a, D3DDEVTYPE type, D3DCAPS9* caps) override {
    if (a >= adapters.size()) return D3DERR_INVALIDCALL;
    *caps = D3DCAPS9();
    caps->AdapterOrdinal = a;
    caps->DeviceType = type;
    caps->DevCaps = adapters[a].devCaps;
    caps->TextureOpCaps = adapters[a].textureOpCaps;
    return S_OK;
  }
  HMONITOR STDMETHODCALLTYPE GetAdapterMonitor(UINT a) override {
    return a < adapters.size() ? adapters[a].monitor : nullptr;
  }
  HRESULT STDMETHODCALLTYPE CreateDevice(UINT adapter, D3DDEVTYPE, HWND, DWORD flags, D3DPRESENT_PARAMETERS* pp,
                                         IDirect3DDevice9** result) override {
    *result = nullptr;
    createCalls.push_back(*pp);
    createFlags.push_back(flags);
    createAdapters.push_back(adapter);
    if (failingAdapters.count(adapter)) return D3DERR_NOTAVAILABLE;
    HRESULT hr = createRule ? createRule(*pp) : S_OK;
    if (FAILED(hr)) return hr;
    device.AddRef();
    *result = &device;
    return S_OK;
  }
};
