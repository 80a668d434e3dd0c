#pragma once
// The saver's settings in the registry: one key under the current user holding the
// sound and picture-position values, with a "Screen %d" subkey per monitor for the
// display settings. Registry values are untrusted: a value of the wrong type or size
// is treated as absent, and ranged values are clamped as they are read.

#include <windows.h>

const size_t kSettingsKeyPathLength = 200;
const wchar_t* const kDefaultSettingsKeyPath = L"Software\\Corvellan\\Ondravel\\Screensaver\\";

// Main-key value names; four of them carry a double quote at each end.
const wchar_t* const kValueAllScreensSame = L"AllScreensSame";
const wchar_t* const kValueSoundVolume = L"\"SoundVolume\"";
const wchar_t* const kValueSoundBalance = L"\"SoundBalance\"";
const wchar_t* const kValueMuteSound = L"\"MuteSound\"";
const wchar_t* const kValuePicturePosition = L"\"PicPos\"";

// Per-monitor subkey values.
const wchar_t* const kScreenSubkeyFormat = L"Screen %d";
const wchar_t* const kValueAdapterId = L"Adapter ID";
const wchar_t* const kValueLeaveBlack = L"Leave Black";
const wchar_t* const kValueDisableHardware = L"Disable Hardware";
const wchar_t* const kValueWidth = L"Width";
const wchar_t* const kValueHeight = L"Height";
const wchar_t* const kValueFormat = L"Format";

// Picture positions (the layers' fit types).
const int kPicturePositionStretch = 0;
const int kPicturePositionFit = 1;
const int kPicturePositionFill = 2;

const int kDefaultSoundVolume = 100;
const int kDefaultSoundBalance = 50;

extern wchar_t g_SettingsKeyPath[kSettingsKeyPathLength];
extern int g_PicturePosition;

// Replaces the key path (the saver sets the default; tests point it at a key of their
// own). A path that does not fit is cut at the buffer's end.
void SetSettingsKeyPath(const wchar_t* path);

// Opens (creating when missing) the settings key; null when it cannot.
HKEY OpenSettingsKey();

// DWORD values of an open key. Reading leaves `value` unchanged unless the value is a
// REG_DWORD of exactly four bytes.
bool ReadKeyDword(HKEY key, const wchar_t* name, DWORD& value);
bool WriteKeyDword(HKEY key, const wchar_t* name, DWORD value);
// A flag read as 0 or 1 (any non-zero value is on).
bool ReadKeyFlag(HKEY key, const wchar_t* name, BOOL& flag);
// Binary value of exactly `size` bytes; anything else leaves `data` unchanged.
bool ReadKeyBinary(HKEY key, const wchar_t* name, void* data, DWORD size);
bool WriteKeyBinary(HKEY key, const wchar_t* name, const void* data, DWORD size);

// The same on the settings key, opened and closed around each access.
bool ReadSettingDword(DWORD& value, const wchar_t* name);
bool WriteSettingDword(DWORD value, const wchar_t* name);
// Reads a DWORD and clamps it into [low, high] (as a signed number); absent or
// malformed values leave `value` unchanged.
bool ReadSettingInRange(int& value, const wchar_t* name, int low, int high);

// Sound values as the music and the master volume use them: volume and balance
// 0..100, mute 0 or 1; each stays as passed when it is absent.
void ReadSoundSettings(int& volume, int& balance, int& mute);

// The picture position, read from the registry once per process.
int ReadPicturePosition();
// Stores a new position; positions outside stretch..fill are refused.
bool WritePicturePosition(int position);
// Forgets the position read so far, so the next read goes to the registry again.
void ForgetPicturePosition();

// One setting of the settings dialog: how it is stored and which control shows it.
struct DS_SettingEntry {
  enum Kind : int { kCheckBox = 0, kText = 1, kNone = 2, kTextStoredOnly = 3, kTrackBar = 4 };
  int kind;
  int value;  // a check box uses the low byte
  wchar_t text[260];
  int controlId;
  wchar_t valueName[40];
};

// The dialog's table of settings. It is written to the registry and moved between the
// entries and their controls; nothing reads it back from the registry.
class DS_SettingsTable {
public:
  static const int kEntryCount = 3;
  DS_SettingsTable();

  void Write(HKEY key) const;
  void ReadFromDialog(HWND dialog);
  void WriteToDialog(HWND dialog) const;

  DS_SettingEntry entries[kEntryCount];
};
