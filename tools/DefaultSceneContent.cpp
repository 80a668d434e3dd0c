#include "tools/DefaultSceneContent.h"

namespace ds_tools {

const wchar_t kSceneSignature[] = L"KTZ v 4.0.0";
const wchar_t kSceneFolder[] = L"C:\\Scenes\\Default\\";

const std::vector<DefaultSlide>& DefaultSlides() {
  // Every slide differs from the one before in fades, picture shape and camera: the
  // first opens at once, the third cuts in without a fade and holds still, the last
  // fades slowly with a quick, shallow drift.
  static const std::vector<DefaultSlide> slides = {
      {L"Dawn", 0, 1, 8, 1, 1, 120, 50, false},
      {L"Meadow", 1, 2, 7, 2, 1, 140, 25, true},
      {L"Checker", 2, 0, 5, 1, 0, 100, 50, false},
      {L"Glow", 3, 3, 6, 3, 1, 110, 100, false},
  };
  return slides;
}

std::vector<ScenePicture> MakeSlidePictures() {
  std::vector<ScenePicture> pictures;
  pictures.push_back(MakeDawnSky());
  pictures.push_back(MakeMeadow());
  pictures.push_back(MakeSoftChecker());
  pictures.push_back(MakeGlowingDiscs());
  return pictures;
}

ScenePicture MakeSurroundPicture() { return MakeSurround(); }

std::vector<SceneSound> MakeMusicTracks() {
  std::vector<SceneSound> tracks;
  tracks.push_back(MakeMorningTheme());
  tracks.push_back(MakeEveningTheme());
  return tracks;
}

SceneSound MakeSoundItemSound() { return MakeChime(); }

std::wstring ScenePath(const wchar_t* fileName) { return std::wstring(kSceneFolder) + fileName; }

}  // namespace ds_tools
