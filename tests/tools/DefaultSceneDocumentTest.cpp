// The default scene document as the builder writes it, read back with the saver's own
// loader: the slides with their fades, pictures and cameras, the music tracks, the
// WAV sound item and the files it all needs; and what a document cut short does.

#include <d3dx9.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "EffectManifest.h"
#include "device/DeviceGlobals.h"
#include "document/ClassRegistry.h"
#include "document/DocResManager.h"
#include "document/SceneDocument.h"
#include "document/StreamWriter.h"
#include "objects/brushes/EffectBrush.h"
#include "objects/sprites/CharacterAnimators.h"
#include "render/SlideShow.h"
#include "render/TimeLine.h"
#include "render/ViewContext.h"
#include "render/layers/FlameLayer.h"
#include "render/layers/UnderwaterLayer.h"
#include "sound/WAVFile.h"
#include "sound/WAVSoundItem.h"
#include "support/CompiledEffects.h"
#include "support/RenderDeviceTest.h"
#include "support/TestDevice.h"
#include "tools/DefaultSceneContent.h"
#include "tools/DefaultSceneDocument.h"
#include "tools/ModuleMeshes.h"
#include "tools/ModulePictures.h"
#include "tools/ShowcaseItems.h"

namespace {

using ds_tools::DefaultSlide;

std::string Name(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// Loads `bytes` and keeps the show and its manager; the previous manager comes back
// when the document goes.
class LoadedDocument {
public:
  explicit LoadedDocument(const std::vector<unsigned char>& bytes) : m_previous(g_CurrentDocResManager) {
    show.reset(LoadSceneDocumentFromMemory(bytes.data(), bytes.size()));
    manager.reset(g_CurrentDocResManager);
  }
  ~LoadedDocument() {
    // The show before the manager its items were read for.
    show.reset();
    manager.reset();
    SetCurrentDocResManager(m_previous);
  }

  std::unique_ptr<DS_SlideShow_Light> show;
  std::unique_ptr<DS_DocResManager> manager;

private:
  DS_DocResManager* m_previous;
};

const std::vector<unsigned char>& Document() {
  static const std::vector<unsigned char> document = ds_tools::BuildDefaultSceneDocument();
  return document;
}

TEST(DefaultSceneDocument, IsTheSameForTheSameCode) {
  ASSERT_FALSE(Document().empty());
  EXPECT_TRUE(Document() == ds_tools::BuildDefaultSceneDocument()) << "two builds must embed the same bytes";
}

TEST(DefaultSceneDocument, SlidesReadBackWithTheirTimesPicturesAndCameras) {
  LoadedDocument loaded(Document());
  const std::vector<DefaultSlide>& slides = ds_tools::DefaultSlides();
  const std::vector<ds_tools::ScenePicture> pictures = ds_tools::MakeSlidePictures();
  ASSERT_EQ(slides.size(), loaded.show->GetSlideCount());
  for (size_t i = 0; i < slides.size(); ++i) {
    const DefaultSlide& wanted = slides[i];
    DS_SharedRef<DS_SlideContainer> slide = loaded.show->GetSlide(i);
    SCOPED_TRACE(Name(wanted.name));
    EXPECT_EQ(std::wstring(wanted.name), slide->name.GetValue());
    EXPECT_EQ(wanted.fadeIn, slide->fadeIn.GetValue());
    EXPECT_EQ(wanted.show, slide->show.GetValue());
    EXPECT_EQ(wanted.fadeOut, slide->fadeOut.GetValue());
    size_t sounds = wanted.chime ? 1u : 0u;
    for (const wchar_t* item : wanted.items) sounds += ds_tools::IsSoundItem(item) ? 1u : 0u;
    EXPECT_EQ(wanted.items.size() + (wanted.chime ? 1u : 0u) - sounds, slide->VisualItemCount());
    EXPECT_EQ(sounds, slide->SecondaryItemCount());

    DS_SharedRef<DS_2D_Light> layer = slide->GetLight();
    ASSERT_TRUE(layer);
    const DS_FileKey picture = layer->GetPictureLink().GetKey();
    EXPECT_EQ(ds_tools::ScenePath(pictures.at(size_t(wanted.picture)).fileName), picture.path);
    EXPECT_FALSE(loaded.manager->GetLibraryEntry(DS_FileLink3(picture)).Size() == 0)
        << "the picture's file is in the document";
    EXPECT_EQ(wanted.cameraOn, layer->GetCamera().on.GetValue());
    EXPECT_EQ(wanted.cameraZoom, layer->GetCamera().zoom.GetValue());
    EXPECT_EQ(wanted.cameraSpeed, layer->GetCamera().speed.GetValue());
    EXPECT_EQ(ds_tools::ScenePath(ds_tools::MakeSurroundPicture().fileName),
              layer->GetCamera().surroundImage.GetKey().path);
  }
}

// Every slide's picture, the largest picture of the slide, is made for a full-HD
// screen (at least 1920 x 1080 pixels) and carried as a PNG file, which the saver's
// loader reads and splits.
TEST(DefaultSceneDocument, SlidePicturesAreAtLeastFullHdPngFiles) {
  LoadedDocument loaded(Document());
  ASSERT_TRUE(loaded.show);
  ASSERT_LT(0u, loaded.show->GetSlideCount());
  for (size_t i = 0; i < loaded.show->GetSlideCount(); ++i) {
    DS_SharedRef<DS_SlideContainer> slide = loaded.show->GetSlide(i);
    SCOPED_TRACE(Name(slide->name.GetValue()));
    DS_SharedRef<DS_2D_Light> layer = slide->GetLight();
    ASSERT_TRUE(layer);
    const DS_ResourceEntry& entry = loaded.manager->GetLibraryEntry(DS_FileLink3(layer->GetPictureLink().GetKey()));
    ASSERT_NE(0u, entry.Size());
    D3DXIMAGE_INFO info = {};
    ASSERT_EQ(D3D_OK, D3DXGetImageInfoFromFileInMemory(entry.Data(), UINT(entry.Size()), &info));
    EXPECT_EQ(D3DXIFF_PNG, info.ImageFileFormat);
    EXPECT_LE(1920u, info.Width);
    EXPECT_LE(1080u, info.Height);
  }
}

TEST(DefaultSceneDocument, MusicTracksCarryTheirFiles) {
  LoadedDocument loaded(Document());
  const std::vector<ds_tools::SceneSound> tracks = ds_tools::MakeMusicTracks();
  ASSERT_EQ(tracks.size(), loaded.show->GetAudioFiles().size());
  for (size_t i = 0; i < tracks.size(); ++i) {
    const DS_AudioFile& track = *loaded.show->GetAudioFiles()[i];
    EXPECT_EQ(std::wstring(tracks[i].title), track.GetTitle());
    EXPECT_EQ(ds_tools::ScenePath(tracks[i].fileName), track.GetFile().Name());
    const std::vector<unsigned char> expected = ds_tools::EncodeWav16(tracks[i].clip);
    ASSERT_EQ(expected.size(), track.GetFile().Size());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), track.GetFile().Data()));
  }
}

// A part of the scene holds only the slides asked for, in show order, with their
// items, chime and music only where asked.
TEST(DefaultSceneDocument, APartHoldsOnlyWhatItWasAskedFor) {
  struct Case {
    std::vector<int> slides;
    bool items, chime, music;
    int itemsSlide;
  };
  const Case cases[] = {
      {{}, true, true, false, -1},
      {{1}, false, false, false, -1},
      {{0}, false, true, true, -1},
      {{3, 7}, true, false, false, -1},
      {{3, 7}, true, false, false, 3},
  };
  const std::vector<DefaultSlide>& all = ds_tools::DefaultSlides();
  for (const Case& c : cases) {
    ds_tools::SceneCut cut;
    cut.slides = c.slides;
    cut.items = c.items;
    cut.chime = c.chime;
    cut.music = c.music;
    cut.itemsSlide = c.itemsSlide;
    LoadedDocument loaded(ds_tools::BuildDefaultSceneDocument(ds_tools::SceneEffects(), false, cut));
    ASSERT_TRUE(loaded.show);
    std::vector<int> expected = c.slides;
    if (expected.empty()) {
      for (size_t i = 0; i < all.size(); ++i) expected.push_back(int(i));
    }
    ASSERT_EQ(expected.size(), loaded.show->GetSlideCount());
    EXPECT_EQ(c.music ? ds_tools::MakeMusicTracks().size() : 0u, loaded.show->GetAudioFiles().size());
    for (size_t i = 0; i < expected.size(); ++i) {
      const DefaultSlide& entry = all[size_t(expected[i])];
      DS_SharedRef<DS_SlideContainer> slide = loaded.show->GetSlide(i);
      EXPECT_EQ(std::wstring(entry.name), slide->name.GetValue());
      const bool items = c.items && (c.itemsSlide < 0 || c.itemsSlide == expected[i]);
      EXPECT_EQ(items ? entry.items.size() : 0u, slide->VisualItemCount() + slide->SecondaryItemCount() -
                                                     (entry.chime && c.chime ? 1u : 0u))
          << "slide " << expected[i];
      EXPECT_EQ(entry.chime && c.chime ? 1u : 0u,
                slide->SecondaryItemCount() - (items ? size_t(std::count_if(entry.items.begin(), entry.items.end(),
                                                                            ds_tools::IsSoundItem))
                                                     : 0u));
    }
  }
}

class DefaultSceneBuild : public ds_test::DeviceTest {
protected:
  void SetUp() override {
    DeviceTest::SetUp();
    g_CurrentDevice = device;
  }
  void TearDown() override {
    g_CurrentDevice = nullptr;
    DeviceTest::TearDown();
  }
};

// Building the objects makes the chime's sound object, whose item finds its WAV in
// the document and takes the sound's length as its shown time.
TEST_F(DefaultSceneBuild, ChimeBecomesAWAVSoundObjectWithItsFile) {
  LoadedDocument loaded(Document());
  size_t chimes = 0;
  for (size_t i = 0; i < loaded.show->GetSlideCount(); ++i) {
    DS_SharedRef<DS_SlideContainer> slide = loaded.show->GetSlide(i);
    slide->BuildObjects();
    for (const auto& object : slide->GetSecondaryObjects()) {
      if (object->GetConstructor()->GetName() != L"Chime") continue;
      auto* item = dynamic_cast<DS_WAV_Constructor*>(object->GetConstructor());
      ASSERT_NE(nullptr, item) << "slide " << i << ": the chime is not a WAV sound";
      ++chimes;
      EXPECT_EQ(ds_tools::kSoundItemVolume, item->volume.GetValue());
      EXPECT_EQ(ds_tools::kSoundItemBalance, item->balance.GetValue());
      EXPECT_EQ(int(DS_TimeLineControl::kCycle), item->TimeLine().mode.GetValue());
      const DS_ResourceEntry& entry = loaded.manager->GetLibraryEntry(item->GetFileLink());
      DS_WAVData wav;
      ASSERT_TRUE(ParseWAVFile(entry.Data(), entry.Size(), wav));
      const unsigned int length = unsigned(WAVLengthHundredths(wav.samples.size(), wav.Format().nAvgBytesPerSec));
      EXPECT_EQ(unsigned(ds_tools::MakeSoundItemSound().clip.Seconds() * 100 + 0.5), length);
      EXPECT_EQ(length, item->TimeLine().shown.lo.GetValue());
      EXPECT_EQ(length, item->TimeLine().shown.hi.GetValue());
    }
  }
  EXPECT_EQ(1u, chimes);
}

// A brush draws only where the mask kept under its GUID is lit: every brush of the
// scene, the items' and the under-water and flame layers' own, finds one.
TEST_F(DefaultSceneBuild, EveryBrushFindsItsMask) {
  LoadedDocument loaded(Document());
  ASSERT_TRUE(loaded.show);
  size_t brushes = 0;
  for (size_t i = 0; i < loaded.show->GetSlideCount(); ++i) {
    DS_SharedRef<DS_SlideContainer> slide = loaded.show->GetSlide(i);
    std::vector<DS_FX_Constructor*> found;
    DS_SharedRef<DS_2D_Light> layer = slide->GetLight();
    if (auto* sea = dynamic_cast<FakeUndervater*>(layer.Get())) found.push_back(&sea->GetBrush());
    if (auto* flame = dynamic_cast<DS_FlameLight*>(layer.Get())) found.push_back(&flame->GetFire());
    slide->BuildObjects();
    for (const auto& object : slide->GetVisualObjects()) {
      if (auto* brush = dynamic_cast<DS_FX_Constructor*>(object->GetConstructor())) found.push_back(brush);
    }
    for (DS_FX_Constructor* brush : found) {
      ++brushes;
      EXPECT_TRUE(loaded.manager->GetGuidTexture(brush->GetMaskGuid()).Get())
          << "slide " << i << ": " << Name(brush->GetName()) << " has no mask";
    }
  }
  EXPECT_LE(17u, brushes);
}

// The record header of a class as the writers store it: its name, then its version.
std::vector<unsigned char> EncodedName(const ds_string& name) {
  DS_IOF_W stream;
  stream.WriteString(name);
  return stream.Bytes();
}

bool HoldsRecordOf(const std::vector<unsigned char>& document, const ds_string& name) {
  const std::vector<unsigned char> header = EncodedName(name);
  return std::search(document.begin(), document.end(), header.begin(), header.end()) != document.end();
}

// The census of the document: the classes whose records it holds, among those a
// document may name (the registries) and those the showcase's table names.
template <class Registry>
std::set<ds_string> DocumentCensus(const std::vector<unsigned char>& document, const Registry& registry) {
  std::set<ds_string> held;
  for (const auto& entry : registry) {
    if (HoldsRecordOf(document, entry.first)) held.insert(entry.first);
  }
  return held;
}

template <class Registry>
std::set<ds_string> RegistryCensus(const Registry& registry) {
  std::set<ds_string> names;
  for (const auto& entry : registry) names.insert(entry.first);
  return names;
}

std::string Names(const std::set<ds_string>& names) {
  std::string text;
  for (const ds_string& name : names) text += Name(name) + " ";
  return text;
}

TEST(DefaultSceneDocument, HoldsEveryRegisteredLayerAndItemClass) {
  const std::set<ds_string> layers = RegistryCensus(IOF_Virtual_ReaderII<DS_2D_Light>::GetRegistry());
  const std::set<ds_string> items = RegistryCensus(IOF_Virtual_Reader::GetRegistry());
  ASSERT_EQ(7u, layers.size());
  ASSERT_EQ(51u, items.size());
  EXPECT_EQ(layers, DocumentCensus(Document(), IOF_Virtual_ReaderII<DS_2D_Light>::GetRegistry()))
      << "layers: " << Names(layers);
  EXPECT_EQ(items, DocumentCensus(Document(), IOF_Virtual_Reader::GetRegistry())) << "items: " << Names(items);
  // And the table the builder follows names every item class by its registered name.
  std::set<ds_string> listed;
  for (const DefaultSlide& slide : ds_tools::DefaultSlides()) {
    listed.insert(slide.layer);
    if (slide.chime) listed.insert(L"DS_WAV_Constructor");
    for (const wchar_t* item : slide.items) listed.insert(item);
  }
  for (const ds_string& name : items) EXPECT_TRUE(listed.count(name)) << Name(name);
  for (const ds_string& name : layers) EXPECT_TRUE(listed.count(name)) << Name(name);
}

// The document carries a copy of every picture and mesh of the shared module (and the
// module's effects the build made), so that it shows without the module.
TEST(DefaultSceneDocument, CarriesACopyOfEveryModulePictureMeshAndEffect) {
  ds_tools::SceneEffects effects;
  effects.moduleEffects[97] = std::vector<unsigned char>(100, 0x11);
  effects.documentEffects["particles"] = std::vector<unsigned char>(50, 0x22);
  LoadedDocument loaded(ds_tools::BuildDefaultSceneDocument(effects));
  ASSERT_TRUE(loaded.show);
  const auto& library = loaded.manager->Tables().fileLibrary;
  std::vector<unsigned> ids = {97};
  for (const ds_tools::ModulePicture& picture : ds_tools::MakeModulePictures()) ids.push_back(picture.id);
  for (const ds_tools::ModuleMesh& mesh : ds_tools::MakeModuleMeshes()) ids.push_back(mesh.id);
  for (unsigned id : ids) {
    auto found = library.find(DS_FileLink3(int32_t(id), L"common_res.dll").GetKey());
    ASSERT_TRUE(found != library.end() && !found->second.empty()) << "resource " << id;
    EXPECT_NE(0u, found->second.front().Size()) << "resource " << id;
    EXPECT_EQ(int32_t(id), found->second.front().ResourceId());
  }
  const DS_FileKey particles(ds_tools::ScenePath(L"particles.fxo"), ds_tools::kSceneFileStamp);
  auto found = library.find(particles);
  ASSERT_TRUE(found != library.end() && !found->second.empty());
  EXPECT_EQ(50u, found->second.front().Size());
}

// ---- what the showcase's objects draw ----

// Every compiled effect, as the build files them in the document: the shared module's
// under their resource ids (as its resource script names them), every other one as
// the document's own, by name.
ds_tools::SceneEffects ShowcaseEffects() {
  static const struct {
    int id;
    const char* name;
  } kModuleEffects[] = {{63, "heat_distortion"}, {75, "background_copy"}, {76, "light"}, {77, "waves"},
                        {78, "pattern"},         {88, "underwater"},      {90, "water"}, {91, "move"},
                        {92, "fire"},            {97, "glow"},            {102, "expand"}, {103, "radial_waves"},
                        {116, "animation"}};
  ds_tools::SceneEffects effects;
  for (const ds_effects::DeclaredEffect& declared : ds_effects::kDeclaredEffects) {
    const std::vector<unsigned char> bytes = ds_test::CompiledEffectBytes(declared.name);
    EXPECT_FALSE(bytes.empty()) << declared.name;
    bool inModule = false;
    for (const auto& effect : kModuleEffects) {
      if (std::string(effect.name) != declared.name) continue;
      effects.moduleEffects[effect.id] = bytes;
      inModule = true;
    }
    if (!inModule) effects.documentEffects[declared.name] = bytes;
  }
  return effects;
}

// A slide of the showcase with its items that draw (its sound items aside), each of
// which must be seen.
struct ShownItems {
  const wchar_t* slide;
  std::vector<const wchar_t*> items;
};

void PrintTo(const ShownItems& c, std::ostream* os) { *os << Name(c.slide); }

// Whether the slide's layer moves on with every frame drawn, whatever the time: the code
// rain steps its streams and the pond's water its waves once a frame.
bool StepsWithEveryFrame(const wchar_t* slideName) {
  for (const DefaultSlide& slide : ds_tools::DefaultSlides()) {
    if (std::wstring(slide.name) != slideName) continue;
    const std::wstring layer = slide.layer;
    return layer == L"DS_MatrixCodeLight" || layer == L"DS_WaterRingLight";
  }
  return false;
}

// Every slide of the showcase with every item it draws.
std::vector<ShownItems> EverySlide() {
  std::vector<ShownItems> cases;
  for (const DefaultSlide& slide : ds_tools::DefaultSlides()) {
    ShownItems shown{slide.name, {}};
    for (const wchar_t* item : slide.items) {
      if (!ds_tools::IsSoundItem(item)) shown.items.push_back(item);
    }
    cases.push_back(shown);
  }
  return cases;
}

// A test name made of the slide's name: its letters and digits.
std::string CaseName(const testing::TestParamInfo<ShownItems>& info) {
  std::string name;
  for (const wchar_t* c = info.param.slide; *c; ++c) {
    if ((*c >= L'a' && *c <= L'z') || (*c >= L'A' && *c <= L'Z') || (*c >= L'0' && *c <= L'9')) name += char(*c);
  }
  return name;
}

// How many pixels of the two frames differ by more than `tolerance` in some channel.
int DifferingPixels(const ds_test::Image& a, const ds_test::Image& b, int tolerance) {
  if (a.width != b.width || a.height != b.height) return a.width * a.height;
  int count = 0;
  for (size_t i = 0; i < a.pixels.size(); ++i) {
    for (int shift = 0; shift < 24; shift += 8) {
      const int d = int((a.pixels[i] >> shift) & 0xFF) - int((b.pixels[i] >> shift) & 0xFF);
      if (d > tolerance || d < -tolerance) {
        ++count;
        break;
      }
    }
  }
  return count;
}

// How many pixels of `without` differ by more than `tolerance` from both `before` and
// `after`, where those two agree: what the frame between them lacks. Where the frame
// stands still, `before` and `after` are the same frame.
int PixelsLacking(const ds_test::Image& before, const ds_test::Image& without, const ds_test::Image& after,
                  int tolerance) {
  if (before.width != without.width || before.height != without.height || before.width != after.width ||
      before.height != after.height)
    return before.width * before.height;
  auto differs = [tolerance](uint32_t a, uint32_t b) {
    for (int shift = 0; shift < 24; shift += 8) {
      const int d = int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF);
      if (d > tolerance || d < -tolerance) return true;
    }
    return false;
  };
  int count = 0;
  for (size_t i = 0; i < before.pixels.size(); ++i) {
    const uint32_t b = before.pixels[i], w = without.pixels[i], a = after.pixels[i];
    if (!differs(b, a) && differs(b, w) && differs(a, w)) ++count;
  }
  return count;
}

// The object changes at least a two-hundredth of the frame: `without` is the same frame
// with the object switched off, drawn between `with` and `after`, both with it. (A wave
// over the picture's smooth gradients shows at its edges only.) A layer that moves on
// with every frame drawn changes its part of the three frames; what it changes between
// `with` and `after` is not counted for the object.
testing::AssertionResult ChangesTheFrame(const ds_test::Image& with, const ds_test::Image& without,
                                         const ds_test::Image& after, const std::string& name) {
  const int changed = PixelsLacking(with, without, after, 8);
  const int wanted = with.width * with.height / 200;
  if (changed >= wanted) return testing::AssertionSuccess();
  return testing::AssertionFailure() << name << " changes " << changed << " pixels, expected at least " << wanted
                                     << "; saved as " << ds_test::SaveFailureImage(with, name + "_with") << " and "
                                     << ds_test::SaveFailureImage(without, name + "_without");
}

// The object paints no shape of its own in black: the pixels near black with it and
// not without it outnumber those near black without it and not with it by fewer than
// a two-hundredth of the frame. (An effect drawn through a technique that does not fit
// the object leaves its quads black; a brush that turns or bends the picture only
// moves its dark parts.)
testing::AssertionResult PaintsNoBlackShape(const ds_test::Image& with, const ds_test::Image& without,
                                            const std::string& name) {
  auto brightest = [](uint32_t c) {
    return std::max(std::max((c >> 16) & 0xFF, (c >> 8) & 0xFF), c & 0xFF);
  };
  int blackened = 0, lightened = 0;
  for (size_t i = 0; i < with.pixels.size() && i < without.pixels.size(); ++i) {
    blackened += brightest(with.pixels[i]) < 24 && brightest(without.pixels[i]) > 48 ? 1 : 0;
    lightened += brightest(without.pixels[i]) < 24 && brightest(with.pixels[i]) > 48 ? 1 : 0;
  }
  if (blackened - lightened < with.width * with.height / 200) return testing::AssertionSuccess();
  return testing::AssertionFailure() << name << " blackens " << blackened << " pixels and lightens " << lightened
                                     << " black ones; saved as " << ds_test::SaveFailureImage(with, name + "_black");
}

class ShowcaseDrawing : public ds_test::RenderDeviceTest, public ::testing::WithParamInterface<ShownItems> {
protected:
  void SetUp() override {
    RenderDeviceTest::SetUp();
    g_CurrentViewContext = &m_view;
    // The clock's hands show the wall clock: held at one time, they stand as the rest.
    m_wallClock = AC_ClockArrow::SetLocalTimeSource(&TenPastTen);
  }
  void TearDown() override {
    AC_ClockArrow::SetLocalTimeSource(m_wallClock);
    g_CurrentViewContext = nullptr;
    RenderDeviceTest::TearDown();
  }

  static bool TenPastTen(int& hours, int& minutes, int& seconds) {
    hours = 10;
    minutes = 10;
    seconds = 0;
    return true;
  }

  // The default scene cut to the slide and the items of the case, effects and all.
  std::vector<unsigned char> SlideDocument(const ShownItems& shown) {
    ds_tools::SceneCut cut;
    cut.chime = false;
    cut.music = false;
    const std::vector<DefaultSlide>& slides = ds_tools::DefaultSlides();
    for (size_t i = 0; i < slides.size(); ++i) {
      if (std::wstring(slides[i].name) != shown.slide) continue;
      cut.slides = {int(i)};
      for (size_t k = 0; k < slides[i].items.size(); ++k) {
        for (const wchar_t* item : shown.items) {
          if (std::wstring(slides[i].items[k]) == item) cut.itemIndices.push_back(int(k));
        }
      }
    }
    EXPECT_EQ(1u, cut.slides.size()) << "no slide " << Name(shown.slide);
    EXPECT_EQ(shown.items.size(), cut.itemIndices.size()) << "items missing on " << Name(shown.slide);
    return ds_tools::BuildDefaultSceneDocument(ShowcaseEffects(), false, cut);
  }

  ds_test::Image Frame(DS_SlideShow_Light& show, float t) {
    show.Update(t);
    EXPECT_EQ(D3D_OK, device->BeginScene());
    show.Render(false);
    device->EndScene();
    ds_test::Image image;
    EXPECT_TRUE(ds_test::ReadBackBuffer(image));
    return image;
  }

  DS_ViewContext m_view;
  AC_ClockArrow::LocalTimeSource m_wallClock = nullptr;
};

// Every object of the case, on its slide among the others as the saver shows it, with
// the showcase's own settings, masks and effects, visibly changes the frame: switched
// off, the same frame looks different.
TEST_P(ShowcaseDrawing, EveryObjectIsSeen) {
  const ShownItems& shown = GetParam();
  // The objects draw their starts, headings and phases from the shared generator: each
  // slide starts it alike, whichever slides ran before it.
  std::srand(1);
  LoadedDocument loaded(SlideDocument(shown));
  ASSERT_TRUE(loaded.show);
  loaded.show->BuildSlideObjects();
  loaded.show->ApplyPicturePosition(DS_ViewContext::kFitLetterbox);
  // Frame by frame, as the saver shows it: the objects step at most a fifth of a
  // second at a time, and those that gather particles or sprites need the steps.
  const float t = 3.0f;
  for (float before = 0.1f; before < t; before += 0.1f) Frame(*loaded.show, before);
  // Once more at the time itself: what an object renews on the update after its clock
  // has passed the renewal time (the discharge arc's new path) settles.
  Frame(*loaded.show, t);
  const ds_test::Image all = Frame(*loaded.show, t);
  // While the time stands the frame stands too, but for what moves on with every frame
  // drawn: the layers named above, and the fog's puffs, which turn by one step a frame
  // (soft as they are, that moves their pixels by a level or two).
  const ds_test::Image again = Frame(*loaded.show, t);
  if (!StepsWithEveryFrame(shown.slide)) {
    ASSERT_LT(DifferingPixels(all, again, 4), all.width * all.height / 400)
        << "the frame must not change while the time stands; saved as "
        << ds_test::SaveFailureImage(again, Name(shown.slide));
  }
  DS_SharedRef<DS_SlideContainer> slide = loaded.show->GetSlide(0);
  ASSERT_EQ(shown.items.size(), slide->GetVisualObjects().size());
  for (const auto& object : slide->GetVisualObjects()) {
    const std::string name = Name(object->GetConstructor()->GetName());
    object->SetEnabled(false);
    const ds_test::Image without = Frame(*loaded.show, t);
    object->SetEnabled(true);
    const ds_test::Image after = Frame(*loaded.show, t);
    EXPECT_TRUE(ChangesTheFrame(all, without, after, name));
    EXPECT_TRUE(PaintsNoBlackShape(all, without, name));
  }
}

INSTANTIATE_TEST_SUITE_P(Slides, ShowcaseDrawing, ::testing::ValuesIn(EverySlide()), CaseName);

// Every cut of the document fails the load with the document's own error, and leaves
// the current manager as it was.
TEST(DefaultSceneDocument, ADocumentCutShortIsRefusedWhole) {
  const std::vector<unsigned char>& document = Document();
  DS_DocResManager* before = g_CurrentDocResManager;
  const size_t cuts[] = {0, 1, 5, 40, 200, 1000, document.size() / 4, document.size() / 2,
                         document.size() - 1};
  for (size_t cut : cuts) {
    std::vector<unsigned char> bytes(document.begin(), document.begin() + std::ptrdiff_t(cut));
    bool refused = false;
    try {
      std::unique_ptr<DS_SlideShow_Light> show(LoadSceneDocumentFromMemory(bytes.data(), bytes.size()));
    } catch (unsigned int code) {
      refused = code == kSceneDocumentMissing;
    }
    EXPECT_TRUE(refused) << "cut at " << cut << " of " << document.size();
    EXPECT_EQ(before, g_CurrentDocResManager) << "cut at " << cut;
  }
}

}  // namespace
