#pragma once
// What the default scene holds: a showcase of every layer class and every item class,
// in slides with their fades, pictures, camera drift, layer and items; its music tracks
// and the sound of its WAV sound item, and the paths under which the document files
// them. The document builder writes it; the tests compare
// what the saver's loader reads back with it.

#include <cstdint>
#include <string>
#include <vector>

#include "document/ResourceEntry.h"
#include "tools/DefaultPictures.h"
#include "tools/DefaultSounds.h"

namespace ds_tools {

// The text the document opens with; readers skip it.
extern const wchar_t kSceneSignature[];
// The pictures and sounds are filed in the document under the paths and the file time
// an authoring tool would have seen: this folder, and one fixed stamp so that two
// builds of the same code write the same keys.
extern const wchar_t kSceneFolder[];
const int64_t kSceneFileStamp = 1767225600;  // 2026-01-01 00:00:00 UTC

struct DefaultSlide {
  const wchar_t* name;
  // What a person sees, in a few words.
  const char* shows;
  // Registry name of the layer class.
  const wchar_t* layer;
  // Index into MakeSlidePictures().
  int picture;
  // Whole seconds.
  unsigned int fadeIn;
  unsigned int show;
  unsigned int fadeOut;
  // Camera: drift on or off, zoom in hundredths, clock speed in fiftieths.
  int cameraOn;
  unsigned int cameraZoom;
  unsigned int cameraSpeed;
  // Carries the chime as its WAV sound item.
  bool chime;
  // Registry names of the items on the slide, besides the chime. The layer draws them
  // from the last to the first: the first lies on top.
  std::vector<const wchar_t*> items;
};

// The slides in show order.
const std::vector<DefaultSlide>& DefaultSlides();
// The slide pictures (in the order DefaultSlide::picture counts) and the cameras'
// surround picture.
std::vector<ScenePicture> MakeSlidePictures();
// The pictures the sprite and particle items draw.
std::vector<SpritePicture> MakeSpritePictures();
// The text the text items show, and its picture.
extern const char kShowcaseText[];
ScenePicture MakeSurroundPicture();
// The background-music tracks in play order, and the sound item's sound.
std::vector<SceneSound> MakeMusicTracks();
SceneSound MakeSoundItemSound();
// The WAV sound item's volume (0..100) and balance (0 left .. 100 right).
const unsigned int kSoundItemVolume = 80;
const unsigned int kSoundItemBalance = 40;
// The stored path of a picture or sound of the scene.
std::wstring ScenePath(const wchar_t* fileName);
// A file of the scene as the document files it: its stored path and its bytes.
DS_ResourceEntry SceneFileEntry(const std::wstring& path, const std::vector<unsigned char>& bytes);

}  // namespace ds_tools
