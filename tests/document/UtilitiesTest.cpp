#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>

#include "document/Item.h"
#include "document/Utilities.h"

namespace {

struct Counted {
  static int live;
  Counted() { ++live; }
  virtual ~Counted() { --live; }
};
int Counted::live = 0;

TEST(SharedRef, LastReleaseDeletes) {
  {
    DS_SharedRef<Counted> a(new Counted);
    DS_SharedRef<Counted> b = a;
    EXPECT_EQ(2, a.UseCount());
    a.Release();
    EXPECT_EQ(1, Counted::live);
    EXPECT_EQ(nullptr, a.Get());
    b.Release();
    EXPECT_EQ(0, Counted::live);
  }
  {
    DS_SharedRef<Counted> a(new Counted);
    DS_SharedRef<Counted> b(new Counted);
    a = b;  // drops a's object, shares b's
    EXPECT_EQ(1, Counted::live);
    EXPECT_EQ(2, b.UseCount());
    a = a;
    EXPECT_EQ(2, b.UseCount());
    DS_SharedRef<Counted> c(std::move(a));
    EXPECT_EQ(2, c.UseCount());
  }
  EXPECT_EQ(0, Counted::live);
  DS_SharedRef<Counted> empty(nullptr);  // a cell without an object
  EXPECT_EQ(1, empty.UseCount());
  empty.Release();
  EXPECT_EQ(0, empty.UseCount());
}

TEST(Utilities, RoundToIntHalvesToEven) {
  struct {
    float in;
    int out;
  } cases[] = {{2.5f, 2},  {3.5f, 4}, {-1.5f, -2}, {0.49f, 0}, {-0.5f, 0}, {1e20f, INT_MAX},
               {-1e20f, INT_MIN}, {std::numeric_limits<float>::quiet_NaN(), 0}};
  for (const auto& c : cases) EXPECT_EQ(c.out, RoundToInt(c.in)) << c.in;
}

TEST(Utilities, CountToIntCapsWhateverTheTopBit) {
  struct {
    unsigned in;
    int out;
  } cases[] = {{0u, 0},          {1u, 1},          {16383u, 16383},      {16384u, 16384},
               {16385u, 16384},  {0x7FFFFFFFu, 16384}, {0x80000000u, 16384}, {0xFFFFFFFFu, 16384}};
  for (const auto& c : cases) EXPECT_EQ(c.out, CountToInt(c.in)) << c.in;
}

TEST(Utilities, RandomFloatStaysInRange) {
  EXPECT_EQ(2.0f, RandomFloat(2, 2));
  std::srand(1);
  for (int i = 0; i < 1000; ++i) {
    float v = RandomFloat(-1, 3);
    EXPECT_GE(v, -1.0f);
    EXPECT_LE(v, 3.0f);
  }
}

TEST(Utilities, FileNameFromPath) {
  struct {
    const wchar_t* path;
    const wchar_t* name;
    bool safe;
  } cases[] = {
      {L"c:\\music\\song.mp3", L"song.mp3", true}, {L"c:\\music\\", L"", false},
      {L"song.mp3", L"song.mp3", true},           {L"a/b/../..", L"..", false},
      {L"d:evil.wav", L"evil.wav", true},         {L"x\\.", L".", false},
      {L"", L"", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ds_string(c.name), GetFileNameFromPath(c.path));
    EXPECT_EQ(c.safe, IsSafeFileName(GetFileNameFromPath(c.path)));
  }
}

}  // namespace
