#include "device/DeviceGlobals.h"

IDirect3DDevice9* g_CurrentDevice = nullptr;
DS_ViewContext* g_CurrentViewContext = nullptr;
