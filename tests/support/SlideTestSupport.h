#pragma once
// Fixtures of the slide tests: pictures made in code (BMP bytes), scene documents
// written with the classes' own writers, and two probe item classes registered in the
// object registry of the test program: a drawing probe that logs what the layer hands
// it, and a sound probe that counts what its slide asks of it.

#include <d3d9.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "document/FileLink.h"
#include "document/StreamWriter.h"
#include "render/Layer.h"
#include "render/ObjectModel.h"
#include "render/SlideShow.h"
#include "sound/SoundItems.h"

namespace slides_test {

// A 24-bit BMP of w x h pixels; `color` gives 0xRRGGBB per pixel (y = 0 at the top).
std::vector<unsigned char> MakeBmp(int width, int height, const std::function<uint32_t(int, int)>& color);
std::vector<unsigned char> MakeSolidBmp(int width, int height, uint32_t rgb);

// A scene document: signature, the show's record, then a resource manager's record
// (version 3) whose used-image table embeds each picture under its link key.
struct EmbeddedPicture {
  DS_FileKey key;
  std::vector<unsigned char> bytes;
};
std::vector<unsigned char> WriteDocument(const DS_SlideShow_Light& show, const std::vector<EmbeddedPicture>& pictures);

// A slide with the given times and picture link key.
DS_SlideContainer* MakeSlide(unsigned fadeIn, unsigned show, unsigned fadeOut, const DS_FileKey& picture);

// ---- drawing probe ----

struct ProbeRender {
  int tag = 0;
  // The scene texture the layer handed over, and whether it was the picture.
  IDirect3DTexture9* sceneTexture = nullptr;
  bool sceneIsPicture = false;
  // Render target 0 at the time of the draw was the device's back buffer.
  bool drawnOnBackBuffer = false;
  // The scene texture's pixels when it was a render target (else empty).
  std::vector<uint32_t> scenePixels;
  int sceneWidth = 0;
};
std::vector<ProbeRender>& ProbeLog();

// Draws a solid rectangle (picture pixels) of its colour through the layer; with
// `copyScene` it first covers the back buffer with the scene texture it was handed
// (as a brush redraws the picture). Its NeedsSceneInput answer is `needsScene`; with
// `flipAnswer` every further question gets the opposite answer.
class TestProbeItem : public DS_ABObj_Constructor {
public:
  TestProbeItem() { ++s_live; }
  TestProbeItem(const TestProbeItem& other);
  ~TestProbeItem() override { --s_live; }

  void Read(DS_IOF_Handle& handle, int version);
  void Write(DS_IOF_Virtual& stream) const override;
  DS_ABObj* CreateObject() override;

  static int LiveCount() { return s_live; }

  uint32_t color = 0;  // ARGB; alpha 0 draws no rectangle
  float left = 0, top = 0, right = 0, bottom = 0;
  bool needsScene = false;
  bool copyScene = false;
  bool flipAnswer = false;
  int tag = 0;

private:
  static int s_live;
};

// A drawing probe tagged `tag` with a rectangle of `color` from (l, t) to (r, b).
TestProbeItem* MakeProbe(int tag, uint32_t color, float l, float t, float r, float b);

// ---- sound probe ----

class TestSoundItem : public DS_Sound_Ctrl {
public:
  struct Counts {
    int prepared = 0;
    int stopped = 0;
    int updated = 0;
    int released = 0;
    float lastTime = -1.0f;
  };
  static Counts& GetCounts();

  TestSoundItem() = default;
  TestSoundItem(const TestSoundItem& other) = default;

  void Read(DS_IOF_Handle& handle, int version);
  void Write(DS_IOF_Virtual& stream) const override;
  void Prepare() override { ++GetCounts().prepared; }
  void Stop() override { ++GetCounts().stopped; }
  void ReleaseMedia() override { ++GetCounts().released; }
  void Update(float time) override {
    ++GetCounts().updated;
    GetCounts().lastTime = time;
  }
  DS_Sound_Ctrl* Clone() const override { return new TestSoundItem(*this); }
};

}  // namespace slides_test
