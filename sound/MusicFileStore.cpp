#include "sound/MusicFileStore.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>

#include "document/Utilities.h"

namespace {

const wchar_t kFallbackFileName[] = L"music";
const wchar_t kRefusedCharacters[] = L"<>:\"/\\|?*";
// Enough for any real title, short enough for the temporary folder's path to stay
// well inside MAX_PATH.
const size_t kMaxFileNameLength = 96;
const size_t kMaxExtensionLength = 16;
// Names tried for one track before giving up: "song.mp3", "song~2.mp3", ...
const int kMaxNameAttempts = 16;

ds_string ToUpper(ds_string text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towupper(c));
  return text;
}

bool IsDeviceName(const ds_string& name) {
  ds_string stem = ToUpper(name.substr(0, name.find(L'.')));
  // Windows also ignores trailing spaces before the extension ("NUL .mp3").
  while (!stem.empty() && stem.back() == L' ') stem.pop_back();
  static const wchar_t* const kDevices[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$",
                                            L"CONOUT$"};
  for (const wchar_t* device : kDevices)
    if (stem == device) return true;
  if (stem.size() == 4 && (stem.compare(0, 3, L"COM") == 0 || stem.compare(0, 3, L"LPT") == 0) &&
      stem[3] >= L'0' && stem[3] <= L'9')
    return true;
  return false;
}

// Splits at the last '.' that is not the first character.
void SplitExtension(const ds_string& name, ds_string& stem, ds_string& extension) {
  size_t dot = name.find_last_of(L'.');
  if (dot == ds_string::npos || dot == 0) {
    stem = name;
    extension.clear();
  } else {
    stem = name.substr(0, dot);
    extension = name.substr(dot);
  }
}

ds_string NumberedName(const ds_string& name, int number) {
  if (number <= 1) return name;
  ds_string stem, extension;
  SplitExtension(name, stem, extension);
  return stem + L"~" + std::to_wstring(number) + extension;
}

}  // namespace

bool WriteWholeFile(const ds_string& path, const unsigned char* bytes, uint32_t size) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  uint32_t done = 0;
  bool ok = true;
  while (ok && done < size) {
    DWORD written = 0;
    ok = WriteFile(file, bytes + done, size - done, &written, nullptr) && written != 0;
    done += written;
  }
  CloseHandle(file);
  // A part of a sound would play as a broken file; leave none behind.
  if (!ok) DeleteFileW(path.c_str());
  return ok;
}

ds_string MakeSafeMusicFileName(const ds_string& sourcePath) {
  ds_string name = GetFileNameFromPath(sourcePath);
  for (wchar_t& c : name)
    if (c < 0x20 || std::wcschr(kRefusedCharacters, c)) c = L'_';
  // The file system drops trailing dots and spaces, which could turn the name into
  // another one (or into nothing).
  while (!name.empty() && (name.back() == L'.' || name.back() == L' ')) name.pop_back();

  if (name.size() > kMaxFileNameLength) {
    ds_string stem, extension;
    SplitExtension(name, stem, extension);
    if (extension.size() > kMaxExtensionLength) extension.clear();
    stem.resize(kMaxFileNameLength - extension.size());
    name = stem + extension;
    while (!name.empty() && (name.back() == L'.' || name.back() == L' ')) name.pop_back();
  }
  if (IsDeviceName(name)) name = L"_" + name;
  if (!IsSafeFileName(name)) name = kFallbackFileName;
  return name;
}

bool IsExistingFile(const ds_string& path) {
  if (path.empty()) return false;
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

DS_MusicFileStore::DS_MusicFileStore(const ds_string& folder) : m_folder(folder) {
  if (!m_folder.empty() && m_folder.back() != L'\\' && m_folder.back() != L'/')
    m_folder += L'\\';
}

bool DS_MusicFileStore::EnsurePlayableFile(DS_NamedBuffer& track) {
  if (track.Size() == 0) return true;
  if (IsExistingFile(track.Name())) {
    track.FreeData();
    return true;
  }

  const auto key = std::make_pair(track.Name(), track.Size());
  auto known = m_written.find(key);
  ds_string path;
  if (known != m_written.end() && IsExistingFile(known->second)) {
    path = known->second;
  } else {
    path = WriteUniqueFile(MakeSafeMusicFileName(track.Name()), track);
    if (path.empty()) return false;
    m_written[key] = path;
  }
  track.SetName(path);
  track.FreeData();
  return true;
}

ds_string DS_MusicFileStore::WriteUniqueFile(const ds_string& fileName,
                                             const DS_NamedBuffer& track) {
  if (m_folder.empty()) return ds_string();
  for (int number = 1; number <= kMaxNameAttempts; ++number) {
    ds_string candidate = NumberedName(fileName, number);
    ds_string key = ToUpper(candidate);
    if (m_usedNames.count(key)) continue;
    ds_string path = m_folder + candidate;
    if (path.size() >= MAX_PATH) return ds_string();
    // A name that cannot be written (a file another program holds open) is not
    // handed out for this run either.
    m_usedNames.insert(key);
    if (WriteWholeFile(path, track.Data(), track.Size())) return path;
  }
  return ds_string();
}

DS_MusicFileStore& TempMusicFileStore() {
  static DS_MusicFileStore store([] {
    wchar_t folder[MAX_PATH + 1] = {};
    DWORD length = GetTempPathW(MAX_PATH, folder);
    if (length == 0 || length > MAX_PATH) return ds_string();
    return ds_string(folder, length);
  }());
  return store;
}

bool EnsurePlayableMusicFile(DS_NamedBuffer& track) {
  return TempMusicFileStore().EnsurePlayableFile(track);
}
