#pragma once
// The host's own failure codes and the message string each code is shown with.

#include <windows.h>

#include "document/SceneDocument.h"

const HRESULT DS_E_NODIRECT3D = (HRESULT)0x82000001;
const HRESULT DS_E_NOCOMPATIBLEDEVICES = (HRESULT)0x82000003;
const HRESULT DS_E_NOHARDWAREDEVICE = (HRESULT)0x82000005;
const HRESULT DS_E_HALNOTCOMPATIBLE = (HRESULT)0x82000006;
const HRESULT DS_E_INIT = (HRESULT)0x82000007;
const HRESULT DS_E_HALNOTCOMPATIBLEDESKTOP = (HRESULT)0x82000009;
// The loader's own result for a missing, empty or unreadable document.
const HRESULT DS_E_MEDIANOTFOUND = static_cast<HRESULT>(kSceneDocumentMissing);
const HRESULT DS_E_RESETFAILED = (HRESULT)0x8200000C;
const HRESULT DS_E_DEVICEHOOKFAILED = (HRESULT)0x8200000D;
const HRESULT DS_E_CREATEDEVICEFAILED = (HRESULT)0x8200000E;
const HRESULT DS_E_NOPREVIEW = (HRESULT)0x8200000F;

// String-table id of the message for `code`; codes without a message of their own
// share the unspecified-problem text.
UINT ErrorStringId(HRESULT code);
