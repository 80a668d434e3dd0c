// The program's own resources the host and the scene slots look up by id.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "host/ProgramModule.h"
#include "resources/ResourceIds.h"

namespace {

TEST(Resources, SplashPictureIsASquareWithAPowerOfTwoSide) {
  HMODULE module = GetProgramModule();
  HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(IDR_SPLASH_PICTURE), L"DDS");
  ASSERT_NE(nullptr, info) << "no resource \"DDS\" 5";
  const DWORD size = SizeofResource(module, info);
  const BYTE* data = (const BYTE*)LockResource(LoadResource(module, info));
  ASSERT_NE(nullptr, data);
  ASSERT_GE(size, 26u);
  ASSERT_EQ(0, memcmp(data, "BM", 2));
  LONG width = 0, height = 0;
  memcpy(&width, data + 18, 4);
  memcpy(&height, data + 22, 4);
  EXPECT_EQ(width, height < 0 ? -height : height);
  EXPECT_GT(width, 0);
  EXPECT_EQ(0, width & (width - 1)) << "side " << width;
}

TEST(Resources, IconAndWindowTitle) {
  EXPECT_NE(nullptr, LoadIconW(GetProgramModule(), MAKEINTRESOURCEW(IDI_SAVER_ICON)));
  wchar_t title[200] = {};
  LoadStringW(GetProgramModule(), IDS_WINDOW_TITLE, title, 200);
  EXPECT_EQ(std::wstring(L"Ondravel"), std::wstring(title));
}

TEST(Resources, EveryDisplayHelpTextExists) {
  for (UINT id = IDS_INFO_FIRST; id <= IDS_RENDERING_NONE; ++id) {
    wchar_t text[500] = {};
    EXPECT_GT(LoadStringW(GetProgramModule(), id, text, 500), 20) << "string " << id;
  }
  wchar_t text[500] = {};
  LoadStringW(GetProgramModule(), 2200, text, 500);
  EXPECT_EQ(std::wstring(L"This video adapter supports hardware 3D rendering.  This screen saver can be displayed "
                         L"on this monitor."),
            std::wstring(text));
}

}  // namespace
