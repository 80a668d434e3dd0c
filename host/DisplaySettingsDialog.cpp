// The display settings dialogs: hardware use, monitor usage and display mode of each
// monitor's adapter, edited in the framework's adapter records.
#include "host/DisplaySettingsDialog.h"

#include <commctrl.h>

#include <new>
#include <vector>

#include "host/ProgramModule.h"
#include "host/ScreensaverFramework.h"
#include "resources/DialogIds.h"
#include "resources/ResourceIds.h"

namespace {

// Adapter help texts, by the adapter's state.
const UINT kHelpHardware = 2200;
const UINT kHelpSoftwareInstead = 2201;
const UINT kHelpSoftwareLacking = 2202;
const UINT kHelpNoSoftware = 2203;
const UINT kHelpSoftwareOnly = 2204;
const UINT kHelpSoftwareOnlyLacking = 2205;
const UINT kHelpNothing = 2206;
const UINT kHelpDisabledSoftware = 2207;
const UINT kHelpDisabledSoftwareLacking = 2208;
const UINT kHelpDisabledNoSoftware = 2209;
// Help texts are loaded with at most this many characters.
const int kHelpTextCapacity = 500;
// Item data of the "Automatic" entry of the mode list.
const LPARAM kAutomaticModeData = -1;

// What the display dialog keeps to undo its edits on Cancel; it lives in the dialog's
// DWLP_USER slot from WM_INITDIALOG to WM_DESTROY.
struct DS_DisplayDialogCopies {
  DS_AdapterInfo adapters[kMaxAdapters];
  bool present[kMaxAdapters];
  BOOL allScreensSame;
};

DS_DisplayDialogCopies* DialogCopies(HWND dialog) {
  return (DS_DisplayDialogCopies*)GetWindowLongPtrW(dialog, DWLP_USER);
}

std::wstring DialogItemText(HWND dialog, int id) {
  HWND item = GetDlgItem(dialog, id);
  if (!item) return std::wstring();
  const int length = GetWindowTextLengthW(item);
  if (length <= 0) return std::wstring();
  std::vector<wchar_t> buffer((size_t)length + 1, L'\0');
  GetWindowTextW(item, buffer.data(), length + 1);
  return std::wstring(buffer.data());
}

std::wstring ProgramString(UINT id, int capacity) {
  std::vector<wchar_t> buffer((size_t)capacity + 1, L'\0');
  if (LoadStringW(GetProgramModule(), id, buffer.data(), capacity + 1) <= 0) return std::wstring();
  return std::wstring(buffer.data());
}

bool IsChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

void EnableItem(HWND dialog, int id, bool enable) {
  HWND item = GetDlgItem(dialog, id);
  if (item) EnableWindow(item, enable ? TRUE : FALSE);
}

void EnableModeControls(HWND dialog, bool enable) {
  EnableItem(dialog, IDC_MODE_GROUP, enable);
  EnableItem(dialog, IDC_MODE_LABEL, enable);
  EnableItem(dialog, IDC_MODE_LIST, enable);
  EnableItem(dialog, IDC_MODE_NOTE, enable);
}

// The device whose modes the dialog lists; null when the adapter has none.
const DS_DeviceInfo* ListedDevice(const DS_AdapterInfo& adapter) {
  if (adapter.deviceCount > kMaxDevicesPerAdapter || adapter.currentDevice >= adapter.deviceCount) {
    return nullptr;
  }
  return &adapter.devices[adapter.currentDevice];
}

UINT ListedModeCount(const DS_DeviceInfo& device) {
  return device.modeCount < kMaxModesPerDevice ? device.modeCount : kMaxModesPerDevice;
}

void FillModeList(HWND dialog, const DS_AdapterInfo* adapter) {
  HWND combo = GetDlgItem(dialog, IDC_MODE_LIST);
  if (!combo) return;
  SendMessageW(combo, CB_RESETCONTENT, 0, 0);
  if (!adapter) return;
  const std::wstring automatic = DialogItemText(dialog, IDC_MODE_AUTOMATIC_TEXT);
  LRESULT item = SendMessageW(combo, CB_ADDSTRING, 0, (LPARAM)automatic.c_str());
  if (item >= 0) SendMessageW(combo, CB_SETITEMDATA, (WPARAM)item, kAutomaticModeData);
  LRESULT selected = 0;
  const int saved = ListedSavedMode(*adapter);
  const DS_DeviceInfo* device = ListedDevice(*adapter);
  if (device) {
    const std::wstring format = DialogItemText(dialog, IDC_MODE_FORMAT_TEXT);
    for (UINT m = 0; m < ListedModeCount(*device); ++m) {
      const DS_ModeInfo& mode = device->modes[m];
      const int values[3] = {(int)mode.width, (int)mode.height, ModeColorBits(mode.format)};
      const std::wstring text = FormatDialogNumbers(format.c_str(), values, 3);
      item = SendMessageW(combo, CB_ADDSTRING, 0, (LPARAM)text.c_str());
      if (item < 0) continue;
      SendMessageW(combo, CB_SETITEMDATA, (WPARAM)item, (LPARAM)m);
      if ((int)m == saved) selected = item;
    }
  }
  SendMessageW(combo, CB_SETCURSEL, (WPARAM)selected, 0);
}

// The mode list's selection becomes the adapter's saved mode. The item data is checked
// against the device's modes: the list is a window any program can send messages to.
void TakeSelectedMode(HWND dialog, DS_AdapterInfo* adapter) {
  if (!adapter) return;
  const LRESULT selection = SendDlgItemMessageW(dialog, IDC_MODE_LIST, CB_GETCURSEL, 0, 0);
  if (selection == CB_ERR || selection < 0) return;
  if (selection == 0) {
    adapter->savedWidth = 0;
    adapter->savedHeight = 0;
    adapter->savedFormat = 0;
    return;
  }
  const LRESULT data = SendDlgItemMessageW(dialog, IDC_MODE_LIST, CB_GETITEMDATA, (WPARAM)selection, 0);
  const DS_DeviceInfo* device = ListedDevice(*adapter);
  if (!device || data == CB_ERR || data < 0 || (ULONG_PTR)data >= ListedModeCount(*device)) return;
  const DS_ModeInfo& mode = device->modes[data];
  adapter->savedWidth = mode.width;
  adapter->savedHeight = mode.height;
  adapter->savedFormat = (UINT)mode.format;
}

}  // namespace

int ListedSavedMode(const DS_AdapterInfo& adapter) {
  const DS_DeviceInfo* device = ListedDevice(adapter);
  if (!device || adapter.savedWidth == 0) return -1;
  for (UINT m = 0; m < ListedModeCount(*device); ++m) {
    const DS_ModeInfo& mode = device->modes[m];
    if (mode.width == adapter.savedWidth && mode.height == adapter.savedHeight &&
        (UINT)mode.format == adapter.savedFormat) {
      return (int)m;
    }
  }
  return -1;
}

UINT AdapterHelpStringId(const DS_AdapterInfo* adapter) {
  if (!adapter) return kHelpNothing;
  const DS_AdapterInfo& a = *adapter;
  if (a.halPresent) {
    if (a.disableHardware) {
      if (!a.swPresent) return kHelpDisabledNoSoftware;
      return a.swUsable ? kHelpDisabledSoftware : kHelpDisabledSoftwareLacking;
    }
    if (a.halUsable) return kHelpHardware;
    if (!a.swPresent) return kHelpNoSoftware;
    return a.swUsable ? kHelpSoftwareInstead : kHelpSoftwareLacking;
  }
  if (!a.swPresent) return kHelpNothing;
  return a.swUsable ? kHelpSoftwareOnly : kHelpSoftwareOnlyLacking;
}

UINT RenderingStringId(const DS_AdapterInfo* adapter) {
  if (!adapter) return IDS_RENDERING_NONE;
  if (adapter->halPresent && !adapter->disableHardware && adapter->halUsable) return IDS_RENDERING_HARDWARE;
  if (adapter->swPresent && adapter->swUsable) return IDS_RENDERING_SOFTWARE;
  return IDS_RENDERING_NONE;
}

int ModeColorBits(D3DFORMAT format) {
  return format == D3DFMT_R8G8B8 || format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8 ? 32 : 16;
}

std::wstring FormatDialogNumbers(const wchar_t* format, const int* values, int count) {
  std::wstring text;
  if (!format) return text;
  int next = 0;
  for (const wchar_t* p = format; *p; ++p) {
    if (p[0] == L'%' && p[1] == L'd') {
      if (values && next < count) text += std::to_wstring(values[next]);
      ++next;
      ++p;
    } else if (p[0] == L'%' && p[1] == L'%') {
      text += L'%';
      ++p;
    } else {
      text += *p;
    }
  }
  return text;
}

void CScreensaverFramework::ShowDisplaySettings(HWND owner) {
  const UINT id = m_adapterCount < 2 ? IDD_DISPLAY_SINGLE : IDD_DISPLAY_MULTIPLE;
  DialogBoxParamW(GetProgramModule(), MAKEINTRESOURCEW(id), owner, DisplaySettingsDialogProc, 0);
}

int CScreensaverFramework::DialogMonitorIndex(HWND dialog) const {
  int index = 0;
  HWND tabs = GetDlgItem(dialog, IDC_MONITOR_TABS);
  if (tabs) {
    index = (int)SendMessageW(tabs, TCM_GETCURFOCUS, 0, 0);
    if (index < 0) index = (int)SendMessageW(tabs, TCM_GETCURSEL, 0, 0);
  }
  if (index < 0 || (UINT)index >= m_monitorCount || (UINT)index >= kMaxMonitors) return -1;
  return index;
}

DS_AdapterInfo* CScreensaverFramework::AdapterOfMonitor(int monitorIndex) const {
  if (monitorIndex < 0 || (UINT)monitorIndex >= m_monitorCount || (UINT)monitorIndex >= kMaxMonitors) {
    return nullptr;
  }
  const int a = m_monitors[monitorIndex].adapterIndex;
  if (a < 0 || (UINT)a >= m_adapterCount || (UINT)a >= kMaxAdapters) return nullptr;
  return m_adapters[a];
}

void CScreensaverFramework::SetupMonitorPage(HWND dialog) {
  const int index = DialogMonitorIndex(dialog);
  const DS_AdapterInfo* adapter = AdapterOfMonitor(index);
  SetDlgItemTextW(dialog, IDC_ADAPTER_NAME, index >= 0 ? m_monitors[index].adapterDescription : L"");
  SetDlgItemTextW(dialog, IDC_RENDERING_TEXT,
                  ProgramString(RenderingStringId(adapter), kHelpTextCapacity).c_str());

  const bool halUsable = adapter && adapter->halPresent && adapter->halUsable;
  EnableItem(dialog, IDC_DISABLE_HARDWARE, halUsable);
  CheckDlgButton(dialog, IDC_DISABLE_HARDWARE,
                 halUsable && adapter->disableHardware ? BST_CHECKED : BST_UNCHECKED);

  const bool displayable =
      adapter && ((adapter->halUsable && !adapter->disableHardware) || adapter->swUsable);
  if (displayable) {
    CheckRadioButton(dialog, IDC_SHOW_ON_MONITOR, IDC_LEAVE_BLACK,
                     adapter->leaveBlack ? IDC_LEAVE_BLACK : IDC_SHOW_ON_MONITOR);
  } else {
    CheckRadioButton(dialog, IDC_SHOW_ON_MONITOR, IDC_LEAVE_BLACK, IDC_LEAVE_BLACK);
  }
  EnableItem(dialog, IDC_MONITOR_USAGE, displayable);
  EnableItem(dialog, IDC_SHOW_ON_MONITOR, displayable);
  EnableItem(dialog, IDC_LEAVE_BLACK, displayable);
  EnableModeControls(dialog, !IsChecked(dialog, IDC_LEAVE_BLACK));

  FillModeList(dialog, adapter);
}

INT_PTR CScreensaverFramework::DisplaySettingsProc(HWND dialog, UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case WM_INITDIALOG: {
      DS_DisplayDialogCopies* copies = new (std::nothrow) DS_DisplayDialogCopies();
      if (!copies) {
        // Without the copies Cancel could not undo anything: the dialog does not open.
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      for (UINT a = 0; a < kMaxAdapters; ++a) {
        copies->present[a] = a < m_adapterCount && m_adapters[a];
        if (copies->present[a]) copies->adapters[a] = *m_adapters[a];
      }
      copies->allScreensSame = m_allScreensSame;
      SetWindowLongPtrW(dialog, DWLP_USER, (LONG_PTR)copies);

      HWND tabs = GetDlgItem(dialog, IDC_MONITOR_TABS);
      if (tabs) {
        const std::wstring format = DialogItemText(dialog, IDC_MONITOR_TAB_FORMAT);
        for (UINT i = 0; i < m_monitorCount && i < kMaxMonitors; ++i) {
          const int number = (int)i + 1;
          std::wstring caption = FormatDialogNumbers(format.c_str(), &number, 1);
          TCITEMW item = {};
          item.mask = TCIF_TEXT;
          item.pszText = &caption[0];
          SendMessageW(tabs, TCM_INSERTITEMW, (WPARAM)i, (LPARAM)&item);
        }
      }
      SetupMonitorPage(dialog);
      CheckDlgButton(dialog, IDC_ALL_SCREENS_SAME, m_allScreensSame ? BST_CHECKED : BST_UNCHECKED);
      return TRUE;
    }
    case WM_NOTIFY: {
      const NMHDR* header = (const NMHDR*)lparam;
      if (header && header->idFrom == IDC_MONITOR_TABS && header->code == TCN_SELCHANGE) {
        SetupMonitorPage(dialog);
        return TRUE;
      }
      return FALSE;
    }
    case WM_COMMAND: {
      const int id = LOWORD(wparam);
      const int code = HIWORD(wparam);
      const int monitor = DialogMonitorIndex(dialog);
      DS_AdapterInfo* adapter = AdapterOfMonitor(monitor);
      switch (id) {
        case IDC_DISPLAY_HELP:
          if (code == BN_CLICKED) {
            const bool attached = monitor >= 0 && m_monitors[monitor].monitor;
            const std::wstring text =
                ProgramString(AdapterHelpStringId(attached ? adapter : nullptr), kHelpTextCapacity);
            MessageBoxW(dialog, text.c_str(), monitor >= 0 ? m_monitors[monitor].adapterDescription : L"",
                        MB_ICONINFORMATION);
          }
          break;
        case IDC_DISABLE_HARDWARE:
          if (code == BN_CLICKED) {
            if (adapter) adapter->disableHardware = IsChecked(dialog, IDC_DISABLE_HARDWARE) ? TRUE : FALSE;
            SetupMonitorPage(dialog);
          }
          break;
        case IDC_SHOW_ON_MONITOR:
        case IDC_LEAVE_BLACK:
          if (code == BN_CLICKED) {
            const bool leaveBlack = IsChecked(dialog, IDC_LEAVE_BLACK);
            if (adapter) adapter->leaveBlack = leaveBlack ? TRUE : FALSE;
            EnableModeControls(dialog, !leaveBlack);
          }
          break;
        case IDC_MODE_LIST:
          if (code == CBN_SELCHANGE) TakeSelectedMode(dialog, adapter);
          break;
        case IDC_ALL_SCREENS_SAME:
          if (code == BN_CLICKED) m_allScreensSame = IsChecked(dialog, IDC_ALL_SCREENS_SAME) ? TRUE : FALSE;
          break;
        case IDOK:
          EndDialog(dialog, IDOK);
          break;
        case IDCANCEL: {
          const DS_DisplayDialogCopies* copies = DialogCopies(dialog);
          if (copies) {
            for (UINT a = 0; a < kMaxAdapters; ++a) {
              if (copies->present[a] && a < m_adapterCount && m_adapters[a]) *m_adapters[a] = copies->adapters[a];
            }
            m_allScreensSame = copies->allScreensSame;
          }
          EndDialog(dialog, IDCANCEL);
          break;
        }
      }
      return TRUE;
    }
    case WM_DESTROY:
      delete DialogCopies(dialog);
      SetWindowLongPtrW(dialog, DWLP_USER, 0);
      return FALSE;
  }
  return FALSE;
}

INT_PTR CALLBACK DisplaySettingsDialogProc(HWND dialog, UINT msg, WPARAM wparam, LPARAM lparam) {
  try {
    return g_Screensaver ? g_Screensaver->DisplaySettingsProc(dialog, msg, wparam, lparam) : FALSE;
  } catch (...) {
    return FALSE;
  }
}
