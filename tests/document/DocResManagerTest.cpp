// The document resource manager's lookups on a real device: where each kind of
// resource comes from (module first or the document's copy first), effects through the
// recording fake, meshes, GUID render targets across a device reset, ownership of what
// it made, and one manager per device.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>

#include "ResourceTestHelpers.h"
#include "device/DeviceUtil.h"
#include "document/DocResManager.h"
#include "document/MissingResourceLog.h"
#include "document/ResourceCache.h"
#include "document/TextureSet.h"
#include "support/CompiledEffects.h"
#include "support/DocResRecord.h"
#include "support/FakeEffect.h"
#include "support/RenderDeviceTest.h"
#include "support/TestPictures.h"

using namespace resources_test;
using ds_test::DocResRecord;
using ds_test::MakeFileEntry;
using ds_test::MakeModuleEntry;

namespace {

const GUID kPictureGuid = {0xA1B2C3D4, 0x1111, 0x2222, {0, 1, 2, 3, 4, 5, 6, 7}};
const GUID kEmptyGuid = {0xA1B2C3D4, 0x1111, 0x2222, {0, 1, 2, 3, 4, 5, 6, 8}};
const ds_string kGreenPath = L"C:\\pictures\\green.bmp";

std::vector<unsigned char> Bytes(const std::string& text) {
  return std::vector<unsigned char>(text.begin(), text.end());
}

std::string Text(const void* bytes, size_t size) {
  return std::string(static_cast<const char*>(bytes), size);
}

std::vector<unsigned char> CubeBytes(float halfSize) {
  std::string text = kCubeX;
  const std::string one = "1.0";
  char replacement[16];
  snprintf(replacement, sizeof(replacement), "%.1f", halfSize);
  for (size_t at = text.find(one); at != std::string::npos; at = text.find(one, at + 1))
    text.replace(at, one.size(), replacement);
  return Bytes(text);
}

std::string Narrow(const ds_string& text) { return std::string(text.begin(), text.end()); }

class ManagerTest : public ds_test::RenderDeviceTest {
protected:
  void TearDown() override {
    manager.reset();
    SetCurrentDocResManager(nullptr);
    ds_test::RenderDeviceTest::TearDown();
  }

  // Reads the record as the loader does and makes the manager current.
  void Load(const DocResRecord& record, int version = 3) {
    manager.reset();
    bool ok = false;
    manager = ds_test::ReadDocResRecord(ds_test::WriteDocResRecord(version, record), &ok);
    ASSERT_TRUE(ok);
    SetCurrentDocResManager(manager.get());
  }

  FakeEffectFactory effects;
  std::unique_ptr<DS_DocResManager> manager;
};

// The pictures of the precedence table: a module picture embedded too, a picture of a
// missing module, and a file the document embeds.
DocResRecord PictureDocument() {
  DocResRecord record;
  const std::vector<unsigned char> white = ds_test::SolidBmp(2, 2, 0xFFFFFFFF);
  record.usedImages[DS_FileKey(kModule, FIXTURE_SHARED_PICTURE)] = {
      MakeModuleEntry(FIXTURE_SHARED_PICTURE, kModule, white)};
  record.usedImages[DS_FileKey(kMissingModule, FIXTURE_SHARED_PICTURE)] = {
      MakeModuleEntry(FIXTURE_SHARED_PICTURE, kMissingModule, white)};
  record.usedImages[DS_FileKey(kGreenPath, 77)] = {MakeFileEntry(kGreenPath, ds_test::SolidBmp(300, 200, 0xFF00FF00))};
  record.guids.push_back(ds_test::MakeGuidPicture(kPictureGuid, ds_test::SolidBmp(64, 64, 0xFFFF0000)));
  return record;
}

}  // namespace

struct PictureCase {
  const char* what;
  const wchar_t* path;
  int64_t stamp;
  size_t frames;
  uint32_t colour;  // of frame 0
  int width;
  int height;
};

class PicturePrecedence : public ManagerTest, public ::testing::WithParamInterface<PictureCase> {};

TEST_P(PicturePrecedence, TextureSetComesFromTheRightSource) {
  const PictureCase c = GetParam();
  Load(PictureDocument());
  DS_TextureSet* set = g_CurrentDocResManager->GetTextureSet(DS_ImageFileLink(DS_FileKey(c.path, c.stamp)));
  ASSERT_NE(nullptr, set);
  ASSERT_EQ(c.frames, set->frames.size()) << c.what;
  if (c.frames == 0) return;
  EXPECT_EQ(ColourText(c.colour), ColourText(CentreTexel(set->frames[0].Get()))) << c.what;
  EXPECT_EQ(c.width, set->width) << c.what;
  EXPECT_EQ(c.height, set->height) << c.what;
  EXPECT_FLOAT_EQ(float(c.height) / float(c.width), set->scale) << c.what;
  EXPECT_TRUE(set->durations.empty()) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Links, PicturePrecedence,
    ::testing::Values(
        PictureCase{"module picture also embedded: the module's", FIXTURE_MODULE_NAME, FIXTURE_SHARED_PICTURE, 1, kRed, 2, 2},
        PictureCase{"embedded picture of a missing module: the document's", L"no_such_module.dll",
                    FIXTURE_SHARED_PICTURE, 1, kWhite, 2, 2},
        PictureCase{"module picture not embedded: the module's", FIXTURE_MODULE_NAME, FIXTURE_WIDE_PICTURE, 1, kGreen, 4, 2},
        PictureCase{"missing module, nothing embedded: a frame without texture", L"no_such_module.dll",
                    FIXTURE_WIDE_PICTURE, 1, kNoTexture, 800, 600},
        PictureCase{"a module path is not loaded and the program not searched", L"C:\\windows\\ds_fixture_res.dll",
                    FIXTURE_SHARED_PICTURE, 1, kNoTexture, 800, 600},
        PictureCase{"empty path: the program's picture 2", L"", FIXTURE_PROGRAM_PICTURE, 1, kBlue, 2, 2},
        PictureCase{"empty path: the program's picture 62", L"", FIXTURE_SHARED_PICTURE, 1, kYellow, 2, 2},
        PictureCase{"embedded file: the document's bytes", L"C:\\pictures\\green.bmp", 77, 1, kGreen, 300, 200},
        PictureCase{"file the document does not list: no picture", L"C:\\pictures\\absent.bmp", 5, 0, 0, 0, 0}));

namespace {

// Four quadrants of a 300 x 200 picture: red, green (top), blue, white (bottom).
uint32_t QuadrantColour(int x, int y) {
  return y < 100 ? (x < 150 ? 0xFFFF0000 : 0xFF00FF00) : (x < 150 ? 0xFF0000FF : 0xFFFFFFFF);
}

}  // namespace

struct PictureFormat {
  const char* what;
  std::vector<unsigned char> (*make)(int, int, const std::function<uint32_t(int, int)>&);
};

class EmbeddedPicture : public ManagerTest, public ::testing::WithParamInterface<PictureFormat> {};

TEST_P(EmbeddedPicture, KeepsItsSourceSizeAndTexels) {
  const PictureFormat format = GetParam();
  DocResRecord record;
  const DS_FileKey key(L"C:\\pictures\\quadrants", 12);
  record.usedImages[key] = {MakeFileEntry(key.path, format.make(300, 200, QuadrantColour))};
  Load(record);
  DS_TextureSet* set = manager->GetTextureSet(DS_ImageFileLink(key));
  ASSERT_EQ(1u, set->frames.size());
  IDirect3DTexture9* texture = set->frames[0].Get();
  ASSERT_NE(nullptr, texture) << format.what << " was not read";
  EXPECT_EQ(300, set->width);
  EXPECT_EQ(200, set->height);
  EXPECT_FLOAT_EQ(0.6666667f, set->scale);
  EXPECT_EQ(512u, LevelDesc(texture).Width);
  EXPECT_EQ(256u, LevelDesc(texture).Height);
  EXPECT_EQ(ColourText(kRed), ColourText(TexelAt(texture, 128, 64)));
  EXPECT_EQ(ColourText(kGreen), ColourText(TexelAt(texture, 384, 64)));
  EXPECT_EQ(ColourText(kBlue), ColourText(TexelAt(texture, 128, 192)));
  EXPECT_EQ(ColourText(kWhite), ColourText(TexelAt(texture, 384, 192)));
  DS_TextureRef first;
  set->GetFirstFrame(first);
  EXPECT_EQ(texture, first.GetTexture());
  EXPECT_EQ(300, first.width);
  EXPECT_FLOAT_EQ(0.6666667f, first.scale);
}

INSTANTIATE_TEST_SUITE_P(Formats, EmbeddedPicture,
                         ::testing::Values(PictureFormat{"PNG", &ds_test::MakePng},
                                           PictureFormat{"BMP", &ds_test::MakeBmp}),
                         [](const ::testing::TestParamInfo<PictureFormat>& info) { return info.param.what; });

namespace {

// Level 0 of a lockable texture as bytes, row by row without the pitch's padding.
std::vector<unsigned char> LevelBytes(IDirect3DTexture9* texture) {
  std::vector<unsigned char> bytes;
  const D3DSURFACE_DESC desc = LevelDesc(texture);
  D3DLOCKED_RECT locked = {};
  if (!texture || FAILED(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY))) return bytes;
  const size_t row = size_t(desc.Width) * 4;
  for (UINT y = 0; y < desc.Height; ++y) {
    const unsigned char* from = static_cast<const unsigned char*>(locked.pBits) + size_t(y) * size_t(locked.Pitch);
    bytes.insert(bytes.end(), from, from + row);
  }
  texture->UnlockRect(0);
  return bytes;
}

uint32_t Diagonal(int x, int y) { return 0x80000000u | uint32_t(x * 3 % 256) << 16 | uint32_t(y * 5 % 256) << 8 | 0x40; }

}  // namespace

struct SplitCase {
  const char* what;
  std::vector<unsigned char> bytes;
};

class SplitPictureLoad : public ManagerTest, public ::testing::WithParamInterface<SplitCase> {};

// The texture made from the header and filled later is the texture the whole load makes.
TEST_P(SplitPictureLoad, GivesTheWholeLoadsTextureTexelForTexel) {
  const SplitCase& c = GetParam();
  HRESULT made = E_FAIL;
  const DS_TextureRef whole = CreateTextureEntryFromBytes(c.bytes.data(), UINT(c.bytes.size()), &made);
  ASSERT_NE(nullptr, whole.GetTexture()) << c.what;
  D3DXIMAGE_INFO info = {};
  DS_TextureHolder split;
  ASSERT_EQ(D3D_OK, CreatePictureTexture(c.bytes.data(), UINT(c.bytes.size()), &info, split.Receive())) << c.what;
  EXPECT_EQ(UINT(whole.width), info.Width) << c.what;
  EXPECT_EQ(UINT(whole.height), info.Height) << c.what;
  ASSERT_EQ(D3D_OK, ReadPicturePixels(split.Get(), c.bytes.data(), UINT(c.bytes.size()))) << c.what;
  const D3DSURFACE_DESC a = LevelDesc(whole.GetTexture()), b = LevelDesc(split.Get());
  EXPECT_EQ(a.Width, b.Width) << c.what;
  EXPECT_EQ(a.Height, b.Height) << c.what;
  EXPECT_EQ(a.Format, b.Format) << c.what;
  EXPECT_EQ(a.Pool, b.Pool) << c.what;
  EXPECT_EQ(whole.GetTexture()->GetLevelCount(), split->GetLevelCount()) << c.what;
  EXPECT_TRUE(LevelBytes(whole.GetTexture()) == LevelBytes(split.Get())) << c.what << ": texels differ";
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, SplitPictureLoad,
    ::testing::Values(SplitCase{"BMP, power-of-two sides", ds_test::MakeBmp(64, 32, Diagonal)},
                      SplitCase{"BMP, stretched to powers of two", ds_test::MakeBmp(300, 77, Diagonal)},
                      SplitCase{"PNG with alpha, stretched", ds_test::MakePng(100, 130, Diagonal)},
                      SplitCase{"PNG, one pixel", ds_test::MakePng(1, 1, Diagonal)}));

TEST_F(ManagerTest, OnlyPictureFilesAreSplit) {
  DS_TextureHolder texture;
  const std::vector<unsigned char> text = Bytes("not a picture");
  EXPECT_TRUE(FAILED(CreatePictureTexture(text.data(), UINT(text.size()), nullptr, texture.Receive())));
  EXPECT_EQ(nullptr, texture.Get());
  const std::vector<unsigned char> png = ds_test::MakePng(4, 4, Diagonal);
  g_CurrentDevice = nullptr;
  EXPECT_TRUE(FAILED(CreatePictureTexture(png.data(), UINT(png.size()), nullptr, texture.Receive())))
      << "no device, no texture";
  g_CurrentDevice = device;
}

// A header that claims far more pixels than its file can hold makes no texture of that
// size: the picture is loaded whole instead, where the missing pixels fail the load.
TEST_F(ManagerTest, APictureHeaderClaimingMoreThanItsFileHoldsIsNotSplit) {
  std::vector<unsigned char> bmp = ds_test::MakeBmp(16, 16, Diagonal);
  D3DXIMAGE_INFO info = {};
  DS_TextureHolder texture;
  ASSERT_EQ(D3D_OK, CreatePictureTexture(bmp.data(), UINT(bmp.size()), &info, texture.Receive()))
      << "the picture as it is";
  texture.Release();
  // Width and height in the BMP's info header: 8192 x 8192, with 16 x 16 pixels behind.
  for (size_t offset : {size_t(18), size_t(22)}) {
    bmp[offset] = 0x00;
    bmp[offset + 1] = 0x20;
  }
  ASSERT_EQ(D3D_OK, D3DXGetImageInfoFromFileInMemory(bmp.data(), UINT(bmp.size()), &info)) << "the header still reads";
  ASSERT_EQ(8192u, info.Width);
  EXPECT_TRUE(FAILED(CreatePictureTexture(bmp.data(), UINT(bmp.size()), &info, texture.Receive())));
  EXPECT_EQ(nullptr, texture.Get());
}

TEST_F(ManagerTest, PicturesLookedUpWhileAListIsOpenAreReadWhenAsked) {
  const DS_FileKey red(L"C:\\pictures\\red.bmp", 1), blue(L"C:\\pictures\\blue.png", 2),
      green(L"C:\\pictures\\green.bmp", 3);
  DocResRecord record;
  record.usedImages[red] = {MakeFileEntry(red.path, ds_test::SolidBmp(30, 20, 0xFFFF0000))};
  record.usedImages[blue] = {MakeFileEntry(blue.path, ds_test::MakePng(8, 8, [](int, int) { return 0xFF0000FFu; }))};
  record.usedImages[green] = {MakeFileEntry(green.path, ds_test::SolidBmp(8, 8, 0xFF00FF00))};
  Load(record);
  for (const DS_FileKey& key : {red, blue, green}) EXPECT_TRUE(manager->HasUnreadPictures(key)) << "after load";

  manager->BeginPictureList();
  DS_TextureSet* redSet = manager->GetTextureSet(DS_ImageFileLink(red));
  manager->GetTextureSet(DS_ImageFileLink(blue));
  manager->GetTextureSet(DS_ImageFileLink(red));
  manager->GetTextureSet(DS_ImageFileLink(DS_FileKey(L"C:\\pictures\\absent.bmp", 4)));
  EXPECT_EQ(std::vector<DS_FileKey>({red, blue}), manager->EndPictureList()) << "each unread picture once, in order";
  // Handed out with its size, before its pixels.
  ASSERT_EQ(1u, redSet->frames.size());
  ASSERT_NE(nullptr, redSet->frames[0].Get());
  EXPECT_EQ(30, redSet->width);
  EXPECT_EQ(20, redSet->height);
  EXPECT_TRUE(manager->HasUnreadPictures(red));

  EXPECT_TRUE(manager->ReadPictures(red));
  EXPECT_FALSE(manager->HasUnreadPictures(red));
  EXPECT_EQ(kRed, CentreTexel(redSet->frames[0].Get()));
  EXPECT_FALSE(manager->ReadPictures(red)) << "read once";
  EXPECT_TRUE(manager->HasUnreadPictures(blue));

  // Outside a list a lookup reads at once.
  DS_TextureSet* greenSet = manager->GetTextureSet(DS_ImageFileLink(green));
  EXPECT_FALSE(manager->HasUnreadPictures(green));
  EXPECT_EQ(kGreen, CentreTexel(greenSet->frames[0].Get()));

  // Whatever copies from a texture has it read first.
  manager->BeginPictureList();
  DS_TextureSet* blueSet = manager->GetTextureSet(DS_ImageFileLink(blue));
  DS_ComHolder<IDirect3DTexture9> copy;
  ASSERT_EQ(D3D_OK, ResampleTexture(4, 4, blueSet->frames[0], copy, D3DFMT_A8R8G8B8));
  manager->EndPictureList();
  EXPECT_FALSE(manager->HasUnreadPictures(blue));
  EXPECT_EQ(kBlue, CentreTexel(copy.Get()));
  EXPECT_EQ(kBlue, CentreTexel(blueSet->frames[0].Get()));
}

TEST_F(ManagerTest, SequencesGetTheirFramesAndTimes) {
  DocResRecord record;
  const DS_FileKey key(L"C:\\pictures\\sequence.bmp", 3);
  record.usedImages[key] = {MakeFileEntry(L"BUFFER", ds_test::SolidBmp(2, 2, 0xFFFF0000)),
                            MakeFileEntry(L"BUFFER", ds_test::SolidBmp(2, 2, 0xFF00FF00)),
                            MakeFileEntry(L"BUFFER", ds_test::SolidBmp(4, 2, 0xFF0000FF))};
  record.frameTimes[key] = {0.02f, 0.02f, 0.02f};
  Load(record);
  DS_TextureSet* set = manager->GetTextureSet(DS_ImageFileLink(key));
  ASSERT_EQ(3u, set->frames.size());
  EXPECT_EQ(kRed, CentreTexel(set->frames[0].Get()));
  EXPECT_EQ(kGreen, CentreTexel(set->frames[1].Get()));
  EXPECT_EQ(kBlue, CentreTexel(set->frames[2].Get()));
  EXPECT_EQ(std::vector<float>({0.02f, 0.02f, 0.02f}), set->durations);
  EXPECT_EQ(4, set->width) << "the last frame's size remains";
  EXPECT_FLOAT_EQ(0.5f, set->scale);
  EXPECT_EQ(set, manager->GetTextureSet(DS_ImageFileLink(key))) << "one set per key";
  const DS_ImageFileLink absent(DS_FileKey(L"C:\\pictures\\absent.bmp", 4));
  EXPECT_EQ(std::vector<DS_TextureSet*>({manager->GetTextureSet(absent), set}),
            manager->GetTextureSets({absent, DS_ImageFileLink(key)}))
      << "one set per link, in order";
}

TEST_F(ManagerTest, AddOnTextureSetsComeFromTheirModuleOnly) {
  Load(DocResRecord());
  DS_TextureSet* set = manager->LoadAddOnTextureSet(DS_ImageFileLink(FIXTURE_ADDON_SET, kModule));
  ASSERT_EQ(2u, set->frames.size());
  EXPECT_EQ(std::vector<float>({0.25f, 0.5f}), set->durations);
  EXPECT_EQ(kRed, CentreTexel(set->frames[0].Get())) << "the module picture the stream names";
  EXPECT_EQ(kWhite, CentreTexel(set->frames[1].Get())) << "the picture the stream embeds";
  EXPECT_EQ(2, set->width);
  EXPECT_EQ(2u, manager->Tables().fileLibrary[DS_FileKey(kModule, FIXTURE_ADDON_SET)].size());
  EXPECT_EQ(set, manager->LoadAddOnTextureSet(DS_ImageFileLink(FIXTURE_ADDON_SET, kModule)));

  std::vector<DS_ImageFileLink> links = {DS_ImageFileLink(FIXTURE_ADDON_SET, kMissingModule),
                                         DS_ImageFileLink(FIXTURE_ADDON_SET, L"C:\\addons\\ds_fixture_res.dll"),
                                         DS_ImageFileLink(0, kModule),
                                         DS_ImageFileLink(FIXTURE_CUT_ADDON_SET, kModule),
                                         DS_ImageFileLink(FIXTURE_ADDON_SET, L"")};
  std::vector<DS_TextureSet*> sets = manager->LoadAddOnTextureSets(links);
  ASSERT_EQ(5u, sets.size());
  for (size_t i = 0; i < sets.size(); ++i) EXPECT_TRUE(sets[i]->frames.empty()) << "link " << i;
  // A module that cannot be loaded is not looked for in the program's resources.
  EXPECT_TRUE(sets[0]->durations.empty());
  EXPECT_TRUE(sets[1]->durations.empty());
  // A stream whose entry count passes the resource's end yields no entries.
  EXPECT_EQ(std::vector<float>({0.25f}), sets[3]->durations);
  EXPECT_TRUE(manager->Tables().fileLibrary[DS_FileKey(kModule, FIXTURE_CUT_ADDON_SET)].empty());
  // Only an empty name means the program.
  EXPECT_EQ(std::vector<float>({0.75f}), sets[4]->durations);
}

TEST_F(ManagerTest, LayersAndObjectsReachTheCurrentManagersPicturesThroughTheLookups) {
  Load(DocResRecord());
  const DS_ImageFileLink picture(FIXTURE_WIDE_PICTURE, kModule);
  const DS_ImageFileLink addOn(FIXTURE_ADDON_SET, kModule);
  DS_TextureSet* set = LookupTextureSet(picture);
  ASSERT_NE(nullptr, set);
  EXPECT_EQ(manager->GetTextureSet(picture), set);
  EXPECT_EQ(kGreen, CentreTexel(LookupCurrentFrame(picture)));
  DS_TextureSet* frames = LookupAddOnTextureSet(addOn);
  ASSERT_NE(nullptr, frames);
  EXPECT_EQ(2u, frames->frames.size()) << "the add-on module's frame set, not one picture";
  EXPECT_EQ(manager->LoadAddOnTextureSet(addOn), frames);

  SetCurrentDocResManager(nullptr);
  EXPECT_EQ(nullptr, LookupTextureSet(picture)) << "without a current document there is no picture";
  EXPECT_EQ(nullptr, LookupAddOnTextureSet(addOn));
  EXPECT_EQ(nullptr, LookupCurrentFrame(picture));
}

struct EffectCase {
  const char* what;
  const wchar_t* module;
  const char* embedded;  // null: the document has no copy
  const char* expected;  // bytes the effect is made from; null: no effect
};

class EffectPrecedence : public ManagerTest, public ::testing::WithParamInterface<EffectCase> {};

TEST_P(EffectPrecedence, EffectBytesComeFromTheRightSource) {
  const EffectCase c = GetParam();
  const DS_FileKey key(c.module, FIXTURE_EFFECT);
  DocResRecord record;
  if (c.embedded) record.otherFiles[key] = {MakeModuleEntry(FIXTURE_EFFECT, c.module, Bytes(c.embedded))};
  Load(record);
  ID3DXEffect* effect = manager->GetEffect(DS_FileLink3(key));
  if (!c.expected) {
    EXPECT_EQ(nullptr, effect) << c.what;
    EXPECT_TRUE(effects.Requests().empty()) << c.what << ": nothing to make an effect from";
    return;
  }
  ASSERT_NE(nullptr, effect) << c.what;
  ASSERT_EQ(1u, effects.Requests().size());
  const std::vector<unsigned char>& bytes = effects.Requests()[0].bytes;
  EXPECT_EQ(c.expected, Text(bytes.data(), bytes.size())) << c.what;
  EXPECT_EQ(device, effects.Requests()[0].device);
  effect->Release();
}

INSTANTIATE_TEST_SUITE_P(
    Links, EffectPrecedence,
    ::testing::Values(
        EffectCase{"embedded copy first, module never read", FIXTURE_MODULE_NAME, "embedded effect", "embedded effect"},
        EffectCase{"module when nothing is embedded", FIXTURE_MODULE_NAME, nullptr, FIXTURE_EFFECT_TEXT},
        EffectCase{"embedded copy of a missing module", L"no_such_module.dll", "embedded effect", "embedded effect"},
        EffectCase{"missing module, nothing embedded", L"no_such_module.dll", nullptr, nullptr},
        EffectCase{"a module path is not loaded and the program not searched", L"C:\\windows\\ds_fixture_res.dll",
                   nullptr, nullptr},
        EffectCase{"empty path: the program's effect", L"", nullptr, FIXTURE_PROGRAM_EFFECT_TEXT}));

TEST_F(ManagerTest, AnEffectIsMadeOnceAndSharedWithAReferencePerCaller) {
  Load(DocResRecord());
  DS_FileLink3 link(FIXTURE_EFFECT, kModule);
  ID3DXEffect* first = manager->GetEffect(link);
  ID3DXEffect* second = manager->GetEffect(link);
  ASSERT_NE(nullptr, first);
  EXPECT_EQ(first, second);
  EXPECT_EQ(1u, effects.Requests().size());
  FakeEffect* fake = effects.LastEffect();
  EXPECT_EQ(4u, fake->RefCount()) << "the factory, the manager and two callers";
  first->Release();
  second->Release();
}

TEST_F(ManagerTest, AFailedEffectIsTriedAgainFromTheSameBytes) {
  Load(DocResRecord());
  DS_FileLink3 link(FIXTURE_EFFECT, kModule);
  effects.FailNext(1);
  EXPECT_EQ(nullptr, manager->GetEffect(link));
  EXPECT_TRUE(manager->Tables().effects.empty()) << "a failed creation stores nothing";
  ID3DXEffect* effect = manager->GetEffect(link);
  ASSERT_NE(nullptr, effect);
  ASSERT_EQ(2u, effects.Requests().size());
  EXPECT_FALSE(effects.Requests()[0].succeeded);
  EXPECT_EQ(effects.Requests()[0].bytes, effects.Requests()[1].bytes);
  EXPECT_EQ(1u, manager->Tables().fileLibrary[link.GetKey()].size()) << "the module was read once";
  effect->Release();
}

// Collects the debugger lines of one test, starting from nothing reported.
class DebuggerLines {
public:
  DebuggerLines() {
    ForgetReportedResources();
    m_previous = SetMissingResourceSink([this](const wchar_t* line) { lines.push_back(line); });
  }
  ~DebuggerLines() {
    SetMissingResourceSink(m_previous);
    ForgetReportedResources();
  }
  // How many lines hold every one of `parts`.
  size_t Count(std::initializer_list<ds_string> parts) const {
    return std::count_if(lines.begin(), lines.end(), [&](const ds_string& line) {
      return std::all_of(parts.begin(), parts.end(),
                         [&](const ds_string& part) { return line.find(part) != ds_string::npos; });
    });
  }

  std::vector<ds_string> lines;

private:
  DS_DebugLineSink m_previous;
};

TEST_F(ManagerTest, AnEffectNotMadeIsWrittenOnceWithItsLinkAndCode) {
  DebuggerLines debugger;
  Load(DocResRecord());
  DS_FileLink3 link(FIXTURE_EFFECT, kModule);
  effects.FailNext(2);
  EXPECT_EQ(nullptr, manager->GetEffect(link));
  EXPECT_EQ(nullptr, manager->GetEffect(link));
  ASSERT_EQ(1u, debugger.lines.size()) << "a link that keeps failing is written once";
  EXPECT_EQ(1u, debugger.Count({L"effect not created", ModuleLinkName(kModule, FIXTURE_EFFECT),
                                L"0x80004005"}))
      << Narrow(debugger.lines[0]);
  ID3DXEffect* effect = manager->GetEffect(link);
  ASSERT_NE(nullptr, effect) << "reporting changes nothing the lookup does";
  effect->Release();
  EXPECT_EQ(1u, debugger.lines.size());
}

TEST_F(ManagerTest, ACorruptCompiledEffectIsNoEffectAndOneLine) {
  DebuggerLines debugger;
  // A compiled effect cut short: its structure points past its end.
  std::vector<unsigned char> cut = ds_test::CompiledEffectBytes("particles");
  ASSERT_FALSE(cut.empty());
  cut.resize(cut.size() / 2);
  const DS_FileKey key(kMissingModule, FIXTURE_EFFECT);
  DocResRecord record;
  record.otherFiles[key] = {MakeModuleEntry(FIXTURE_EFFECT, kMissingModule, cut)};
  Load(record);
  EXPECT_EQ(nullptr, manager->GetEffect(DS_FileLink3(key)));
  EXPECT_EQ(nullptr, manager->GetEffect(DS_FileLink3(key)));
  EXPECT_TRUE(effects.Requests().empty()) << "the bytes never reach the effect creator";
  ASSERT_EQ(1u, debugger.lines.size());
  EXPECT_EQ(1u, debugger.Count({L"effect not created", ModuleLinkName(kMissingModule, FIXTURE_EFFECT),
                                L"0x88760B59"}))
      << Narrow(debugger.lines[0]);
}

TEST_F(ManagerTest, AMissingModuleResourceAndAnUnreadablePictureAreWrittenOnce) {
  DebuggerLines debugger;
  DocResRecord record;
  const DS_FileKey broken(L"C:\\pictures\\broken.bmp", 5);
  record.usedImages[broken] = {MakeFileEntry(broken.path, Bytes("not a picture"))};
  Load(record);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(nullptr, manager->GetEffect(DS_FileLink3(FIXTURE_EFFECT, kMissingModule)));
    manager->GetTextureSet(DS_ImageFileLink(broken));
  }
  EXPECT_EQ(1u, debugger.Count({L"module resource missing",
                                ModuleLinkName(kMissingModule, FIXTURE_EFFECT)}));
  EXPECT_EQ(1u, debugger.Count({L"effect not created", L"0x80070057"})) << "no bytes to make it from";
  EXPECT_EQ(1u, debugger.Count({L"picture not decoded", broken.path}));
  EXPECT_EQ(3u, debugger.lines.size());
}

TEST_F(ManagerTest, EffectsFollowDeviceLossAndRestore) {
  Load(DocResRecord());
  ID3DXEffect* effect = manager->GetEffect(DS_FileLink3(FIXTURE_EFFECT, kModule));
  ASSERT_NE(nullptr, effect);
  manager->ReleaseDeviceObjects();
  manager->OnDeviceRestored();
  FakeEffect* fake = effects.LastEffect();
  EXPECT_EQ(1, fake->LostCount());
  EXPECT_EQ(1, fake->ResetCount());
  EXPECT_EQ(std::vector<std::string>({"OnLostDevice", "OnResetDevice"}), fake->Events());
  effect->Release();
}

struct MeshCase {
  const char* what;
  const wchar_t* module;
  float embeddedHalfSize;  // 0: the document has no copy
  float expectedHalfSize;  // 0: no mesh
};

class MeshPrecedence : public ManagerTest, public ::testing::WithParamInterface<MeshCase> {};

TEST_P(MeshPrecedence, MeshComesFromTheRightSource) {
  const MeshCase c = GetParam();
  const DS_FileKey key(c.module, FIXTURE_CUBE_MESH);
  DocResRecord record;
  if (c.embeddedHalfSize > 0)
    record.otherFiles[key] = {MakeModuleEntry(FIXTURE_CUBE_MESH, c.module, CubeBytes(c.embeddedHalfSize))};
  Load(record);
  DS_MeshEntry& mesh = manager->GetMesh(DS_FileLink3(key), kMeshVertexStride);
  if (c.expectedHalfSize == 0) {
    EXPECT_EQ(0, mesh.vertexCount) << c.what;
    return;
  }
  EXPECT_EQ(8, mesh.vertexCount) << c.what;
  EXPECT_EQ(12, mesh.faceCount) << c.what;
  EXPECT_NEAR(c.expectedHalfSize * std::sqrt(3.0f), mesh.radius, 1e-4f) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Links, MeshPrecedence,
    ::testing::Values(MeshCase{"embedded copy first", FIXTURE_MODULE_NAME, 2.0f, 2.0f},
                      MeshCase{"module when nothing is embedded", FIXTURE_MODULE_NAME, 0.0f, 1.0f},
                      MeshCase{"embedded copy of a missing module", L"no_such_module.dll", 3.0f, 3.0f},
                      MeshCase{"missing module, nothing embedded", L"no_such_module.dll", 0.0f, 0.0f},
                      MeshCase{"a module path is not loaded and the program not searched",
                               L"C:\\windows\\ds_fixture_res.dll", 0.0f, 0.0f},
                      MeshCase{"empty path: the program's", L"", 0.0f, 3.0f}));

TEST_F(ManagerTest, AMeshIsLoadedOnce) {
  Load(DocResRecord());
  DS_FileLink3 link(FIXTURE_CUBE_MESH, kModule);
  DS_MeshEntry& first = manager->GetMesh(link, kMeshVertexStride);
  IDirect3DVertexBuffer9* buffer = first.vertexBuffer.Get();
  ASSERT_NE(nullptr, buffer);
  DS_MeshEntry& second = manager->GetMesh(link, kMeshVertexStride);
  EXPECT_EQ(&first, &second);
  EXPECT_EQ(buffer, second.vertexBuffer.Get());

  DS_MeshBuffers buffers;
  EXPECT_TRUE(LookupMesh(link, kMeshVertexStride, buffers)) << "the drawing core's lookup reaches the manager";
  EXPECT_EQ(buffer, buffers.vertexBuffer);
}

struct LibraryCase {
  const char* what;
  const wchar_t* path;
  int64_t stamp;
  const char* embedded;  // null: the document has no copy
  const char* expected;  // first bytes of the entry; "" for none
  bool kept;             // the library holds the key afterwards
};

class LibraryPrecedence : public ManagerTest, public ::testing::WithParamInterface<LibraryCase> {};

TEST_P(LibraryPrecedence, LibraryEntryComesFromTheRightSource) {
  const LibraryCase c = GetParam();
  const DS_FileKey key(c.path, c.stamp);
  DocResRecord record;
  if (c.embedded) record.otherFiles[key] = {MakeFileEntry(key.path, Bytes(c.embedded))};
  Load(record);
  DS_ResourceEntry& entry = manager->GetLibraryEntry(DS_FileLink3(key));
  const std::string expected = c.expected;
  if (expected.empty()) {
    EXPECT_EQ(0u, entry.Size()) << c.what;
  } else {
    EXPECT_EQ(expected, Text(entry.Data(), std::min<size_t>(expected.size(), entry.Size()))) << c.what;
  }
  EXPECT_EQ(&entry, &manager->GetLibraryEntry(DS_FileLink3(key))) << c.what << ": one entry per key";
  EXPECT_EQ(c.kept ? 1u : 0u, manager->Tables().fileLibrary.count(key)) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Links, LibraryPrecedence,
    ::testing::Values(
        LibraryCase{"embedded file: the document's bytes", L"C:\\sounds\\a.wav", 9, "RIFF....", "RIFF....", true},
        LibraryCase{"embedded copy of a module resource first", FIXTURE_MODULE_NAME, FIXTURE_CUBE_MESH, "embedded",
                    "embedded", true},
        LibraryCase{"module resource when nothing is embedded", FIXTURE_MODULE_NAME, FIXTURE_CUBE_MESH, nullptr,
                    "xof 0303txt 0032", true},
        LibraryCase{"missing module: no bytes", L"no_such_module.dll", FIXTURE_CUBE_MESH, nullptr, "", true},
        LibraryCase{"a module path is not loaded and the program not searched",
                    L"C:\\windows\\ds_fixture_res.dll", FIXTURE_CUBE_MESH, nullptr, "", true},
        LibraryCase{"empty path: only module links read resources", L"", FIXTURE_CUBE_MESH, nullptr, "", false},
        LibraryCase{"file the document does not hold: no bytes, not read", L"C:\\sounds\\absent.wav", 1, nullptr,
                    "", false}));

TEST_F(ManagerTest, GuidRenderTargetsAreReleasedForAResetAndMadeAgain) {
  Load(PictureDocument());
  DS_RenderTargetPair* target = manager->GetGuidRenderTarget(kPictureGuid);
  ASSERT_NE(nullptr, target);
  EXPECT_EQ(target, manager->GetGuidRenderTarget(kPictureGuid));
  ASSERT_TRUE(target->IsValid());
  EXPECT_EQ(DS_DocResManager::kGuidTargetSize, target->GetWidth());
  EXPECT_EQ(DS_DocResManager::kGuidTargetSize, target->GetHeight());
  ds_test::Image image;
  ASSERT_TRUE(ds_test::ReadTexture(target->GetCurrent().Get(), image));
  EXPECT_EQ(ds_test::ColorText(kRed), ds_test::ColorText(image.RgbAt(256, 256)))
      << "the target starts with the GUID's picture";
  DS_RenderTargetPair* plain = manager->GetGuidRenderTarget(kEmptyGuid);
  EXPECT_TRUE(plain->IsValid());
  EXPECT_EQ(nullptr, manager->GetGuidTexture(kEmptyGuid).Get());

  manager->ReleaseDeviceObjects();
  EXPECT_FALSE(target->IsValid());
  EXPECT_FALSE(plain->IsValid());
  manager->ReleaseDeviceObjects();  // a second loss finds nothing more to release
  ASSERT_EQ(D3D_OK, ds_test::ResetTestDevice()) << "a default-pool texture was still alive";

  manager->OnDeviceRestored();
  ASSERT_TRUE(target->IsValid());
  EXPECT_EQ(DS_DocResManager::kGuidTargetSize, target->GetWidth());
  ASSERT_TRUE(ds_test::ReadTexture(target->GetCurrent().Get(), image));
  EXPECT_EQ(ds_test::ColorText(kRed), ds_test::ColorText(image.RgbAt(100, 400)));
  EXPECT_TRUE(plain->IsValid());
}

TEST_F(ManagerTest, GuidTexturesComeFromTheDocumentAndTakeWhatCallersStore) {
  Load(PictureDocument());
  DS_ComHolder<IDirect3DTexture9>& slot = manager->GetGuidTexture(kPictureGuid);
  ASSERT_TRUE(slot);
  EXPECT_EQ(kRed, CentreTexel(slot.Get()));
  EXPECT_EQ(64u, LevelDesc(slot.Get()).Width);
  DS_ComHolder<IDirect3DTexture9>& empty = manager->GetGuidTexture(kEmptyGuid);
  EXPECT_FALSE(empty);
  EXPECT_EQ(&empty, &manager->GetGuidTexture(kEmptyGuid));
}

TEST_F(ManagerTest, DestroyingTheManagerReleasesEverythingItHeld) {
  DocResRecord record = PictureDocument();
  record.otherFiles[DS_FileKey(kMissingModule, FIXTURE_EFFECT)] = {
      MakeModuleEntry(FIXTURE_EFFECT, kMissingModule, Bytes("embedded"))};
  Load(record);
  std::vector<IDirect3DTexture9*> textures;
  for (const PictureCase& c : {PictureCase{"", FIXTURE_MODULE_NAME, FIXTURE_SHARED_PICTURE},
                               PictureCase{"", L"no_such_module.dll", FIXTURE_SHARED_PICTURE},
                               PictureCase{"", L"C:\\pictures\\green.bmp", 77},
                               PictureCase{"", L"", FIXTURE_PROGRAM_PICTURE}}) {
    DS_TextureSet* set = manager->GetTextureSet(DS_ImageFileLink(DS_FileKey(c.path, c.stamp)));
    ASSERT_EQ(1u, set->frames.size());
    ASSERT_TRUE(set->frames[0]);
    textures.push_back(set->frames[0].Get());
  }
  textures.push_back(manager->GetGuidTexture(kPictureGuid).Get());
  textures.push_back(manager->LoadAddOnTextureSet(DS_ImageFileLink(FIXTURE_ADDON_SET, kModule))->frames[1].Get());
  for (IDirect3DTexture9* texture : textures) texture->AddRef();  // the test's own
  ID3DXEffect* effect = manager->GetEffect(DS_FileLink3(FIXTURE_EFFECT, kModule));
  ID3DXEffect* embedded = manager->GetEffect(DS_FileLink3(FIXTURE_EFFECT, kMissingModule));
  ASSERT_NE(nullptr, effect);
  ASSERT_NE(nullptr, embedded);
  effect->Release();
  embedded->Release();
  manager->GetMesh(DS_FileLink3(FIXTURE_CUBE_MESH, kModule), kMeshVertexStride);
  IDirect3DVertexBuffer9* vertices =
      manager->GetMesh(DS_FileLink3(FIXTURE_CUBE_MESH, kModule), kMeshVertexStride).vertexBuffer.Get();
  ASSERT_NE(nullptr, vertices);
  vertices->AddRef();

  manager.reset();
  for (size_t i = 0; i < textures.size(); ++i) {
    EXPECT_EQ(1u, RefCount(textures[i])) << "texture " << i << " is still held by something";
    textures[i]->Release();
  }
  EXPECT_EQ(1u, RefCount(vertices));
  vertices->Release();
  ASSERT_EQ(2u, effects.EffectCount());
  for (size_t i = 0; i < effects.EffectCount(); ++i)
    EXPECT_EQ(1u, effects.Effect(i)->RefCount()) << "effect " << i << ": only the factory may hold it";
}

TEST_F(ManagerTest, ImageLinksMadeFromEntriesHaveReadySets) {
  Load(DocResRecord());
  const int32_t next = g_NextEmbeddedFileId;
  DS_ImageFileLink still = manager->MakeImageLink(MakeFileEntry(L"BUFFER", ds_test::SolidBmp(2, 2, 0xFF00FF00)));
  EXPECT_EQ(L"BUFFER", still.GetPath());
  EXPECT_EQ(next, still.GetStamp());
  DS_TextureSet* set = manager->GetTextureSet(still);
  ASSERT_EQ(1u, set->frames.size());
  EXPECT_EQ(kGreen, CentreTexel(set->frames[0].Get()));
  EXPECT_EQ(1u, manager->Tables().fileLibrary[still.GetKey()].size());

  DS_ImageFileLink module = manager->MakeImageLink(DS_ResourceEntry(FIXTURE_WIDE_PICTURE, kModule));
  EXPECT_EQ(kGreen, CentreTexel(manager->GetTextureSet(module)->frames[0].Get()));
  EXPECT_EQ(4, manager->GetTextureSet(module)->width);

  DS_ImageFileLink animated = manager->MakeAnimatedImageLink(
      {MakeFileEntry(L"BUFFER", ds_test::SolidBmp(2, 2, 0xFFFF0000)),
       MakeFileEntry(L"BUFFER", ds_test::SolidBmp(2, 2, 0xFF0000FF))},
      {0.1f, 0.2f});
  DS_TextureSet* frames = manager->GetTextureSet(animated);
  ASSERT_EQ(2u, frames->frames.size());
  EXPECT_EQ(kBlue, CentreTexel(frames->frames[1].Get()));
  EXPECT_EQ(std::vector<float>({0.1f, 0.2f}), frames->durations);
  EXPECT_EQ(L"", manager->MakeAnimatedImageLink({}, {}).GetPath());

  DS_ImageFileLink file = manager->MakeImageLinkFromFile(L"C:\\pictures\\absent.bmp", 0.5f);
  EXPECT_TRUE(manager->GetTextureSet(file)->frames.empty()) << "a file the document does not hold is not read";
  EXPECT_EQ(std::vector<float>({0.5f}), manager->GetTextureSet(file)->durations);
}

// A second device on a window of its own, as a second monitor has.
class SecondDevice {
public:
  SecondDevice() {
    window_ = CreateWindowW(L"STATIC", L"second device", WS_OVERLAPPEDWINDOW, 0, 0, 160, 120, nullptr,
                            nullptr, GetModuleHandleW(nullptr), nullptr);
    d3d_ = Direct3DCreate9(D3D_SDK_VERSION);
    if (!window_ || !d3d_) return;
    D3DPRESENT_PARAMETERS p = {};
    p.BackBufferWidth = 160;
    p.BackBufferHeight = 120;
    p.BackBufferFormat = D3DFMT_X8R8G8B8;
    p.SwapEffect = D3DSWAPEFFECT_DISCARD;
    p.hDeviceWindow = window_;
    p.Windowed = TRUE;
    d3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window_, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &p,
                       &device_);
  }
  ~SecondDevice() {
    if (device_) device_->Release();
    if (d3d_) d3d_->Release();
    if (window_) DestroyWindow(window_);
  }
  IDirect3DDevice9* Get() const { return device_; }

private:
  HWND window_ = nullptr;
  IDirect3D9* d3d_ = nullptr;
  IDirect3DDevice9* device_ = nullptr;
};

TEST_F(ManagerTest, EachSlotsManagerMakesTexturesOnItsOwnDevice) {
  SecondDevice second;
  ASSERT_NE(nullptr, second.Get()) << "no second device";
  const std::vector<unsigned char> record = ds_test::WriteDocResRecord(3, PictureDocument());
  IDirect3DDevice9* devices[2] = {device, second.Get()};
  std::unique_ptr<DS_DocResManager> managers[2];
  // Each slot loads its document with its own device current, as the host does.
  for (int i = 0; i < 2; ++i) {
    g_CurrentDevice = devices[i];
    managers[i] = ds_test::ReadDocResRecord(record);
    SetCurrentDocResManager(managers[i].get());
  }
  const DS_FileKey keys[] = {DS_FileKey(kModule, FIXTURE_SHARED_PICTURE), DS_FileKey(kModule, FIXTURE_WIDE_PICTURE),
                             DS_FileKey(kMissingModule, FIXTURE_SHARED_PICTURE), DS_FileKey(kGreenPath, 77),
                             DS_FileKey(L"", FIXTURE_PROGRAM_PICTURE)};
  // Frames drawn in turn, slot 0 then slot 1, twice.
  for (int round = 0; round < 2; ++round) {
    for (int i = 0; i < 2; ++i) {
      g_CurrentDevice = devices[i];
      SetCurrentDocResManager(managers[i].get());
      for (const DS_FileKey& key : keys) {
        DS_TextureSet* set = g_CurrentDocResManager->GetTextureSet(DS_ImageFileLink(key));
        ASSERT_EQ(1u, set->frames.size());
        EXPECT_EQ(devices[i], DeviceOf(set->frames[0].Get()))
            << "slot " << i << ", picture " << Narrow(key.path) << " " << key.stamp;
      }
      EXPECT_EQ(devices[i], DeviceOf(g_CurrentDocResManager->GetGuidTexture(kPictureGuid).Get()));
      DS_TextureRef cached = g_ResourceCache->GetTexture(DS_ResourceEntry(FIXTURE_SHARED_PICTURE, kModule));
      EXPECT_EQ(devices[i], DeviceOf(cached.GetTexture())) << "slot " << i << " through g_ResourceCache";
      DS_MeshEntry& mesh = g_CurrentDocResManager->GetMesh(DS_FileLink3(FIXTURE_CUBE_MESH, kModule), kMeshVertexStride);
      EXPECT_EQ(devices[i], DeviceOf(mesh.vertexBuffer.Get())) << "slot " << i << " mesh";
    }
  }
  g_CurrentDevice = device;
  SetCurrentDocResManager(nullptr);
  managers[1].reset();
  managers[0].reset();
}
