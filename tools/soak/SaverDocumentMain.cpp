// saver_document <saver.scr> <document> <output.scr>: writes a copy of the saver whose
// embedded scene (resource "DDS" 107) is the given document, so that a scene can be
// run as the saver runs its own (scripts/soak). Every language of the old resource is
// replaced, so the saver cannot find the old scene beside the new one.

#include <windows.h>

#include <cstdio>
#include <vector>

#include "resources/ResourceIds.h"

namespace {

const wchar_t* const kDocumentType = L"DDS";

BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR param) {
  reinterpret_cast<std::vector<WORD>*>(param)->push_back(language);
  return TRUE;
}

// The languages under which the saver carries its document; neutral when it has none.
std::vector<WORD> DocumentLanguages(const wchar_t* saver) {
  std::vector<WORD> languages;
  HMODULE module = LoadLibraryExW(saver, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (module) {
    EnumResourceLanguagesW(module, kDocumentType, MAKEINTRESOURCEW(IDR_SCENE_DOCUMENT), CollectLanguage,
                           reinterpret_cast<LONG_PTR>(&languages));
    FreeLibrary(module);
  }
  return languages;
}

bool ReadWholeFile(const wchar_t* path, std::vector<unsigned char>& bytes) {
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size = {};
  bool ok = GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart < 0x40000000;
  if (ok) {
    bytes.resize(size_t(size.QuadPart));
    DWORD read = 0;
    ok = ReadFile(file, bytes.data(), DWORD(bytes.size()), &read, nullptr) && read == bytes.size();
  }
  CloseHandle(file);
  return ok;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: saver_document <saver.scr> <document> <output.scr>\n");
    return 2;
  }
  std::vector<unsigned char> document;
  if (!ReadWholeFile(argv[2], document)) {
    std::fprintf(stderr, "saver_document: cannot read the document\n");
    return 1;
  }
  std::vector<WORD> languages = DocumentLanguages(argv[1]);
  if (!CopyFileW(argv[1], argv[3], FALSE)) {
    std::fprintf(stderr, "saver_document: cannot copy the saver\n");
    return 1;
  }
  HANDLE update = BeginUpdateResourceW(argv[3], FALSE);
  if (!update) {
    std::fprintf(stderr, "saver_document: cannot open the copy's resources\n");
    return 1;
  }
  const WORD kept = languages.empty() ? MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL) : languages.front();
  bool ok = true;
  for (WORD language : languages) {
    if (language == kept) continue;
    ok = ok && UpdateResourceW(update, kDocumentType, MAKEINTRESOURCEW(IDR_SCENE_DOCUMENT), language, nullptr, 0);
  }
  ok = ok && UpdateResourceW(update, kDocumentType, MAKEINTRESOURCEW(IDR_SCENE_DOCUMENT), kept, document.data(),
                             DWORD(document.size()));
  if (!EndUpdateResourceW(update, ok ? FALSE : TRUE) || !ok) {
    std::fprintf(stderr, "saver_document: cannot write the document into the copy\n");
    return 1;
  }
  return 0;
}
