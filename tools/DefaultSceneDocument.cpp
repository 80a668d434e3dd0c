#include "tools/DefaultSceneDocument.h"

#include <memory>

#include "document/DocResManager.h"
#include "document/StreamWriter.h"
#include "render/Layer.h"
#include "render/SlideContainer.h"
#include "render/SlideShow.h"
#include "render/TimeLine.h"
#include "sound/MP3SoundItem.h"
#include "sound/SoundItems.h"
#include "sound/WAVSoundItem.h"
#include "tools/DefaultSceneContent.h"
#include "tools/Mp3Clip.h"

namespace ds_tools {
namespace {

const unsigned int kHundredthsPerSecond = 100;
const unsigned int kChimeRestHundredths = 300;
const double kMp3ItemSeconds = 3.0;

DS_ResourceEntry FileEntry(const std::wstring& path, const std::vector<unsigned char>& bytes) {
  DS_ResourceEntry entry;
  entry.SetName(path);
  entry.SetData(uint32_t(bytes.size()), bytes.data());
  return entry;
}

// Files the picture in the manager's library and lists it among the used images, so
// that loading the document turns it into a texture set at once.
DS_FileKey EmbedPicture(DS_DocResManager& manager, const ScenePicture& picture) {
  const DS_FileKey key(ScenePath(picture.fileName), kSceneFileStamp);
  manager.Tables().fileLibrary[key] = DS_EntryList{FileEntry(key.path, EncodeBmp24(picture.picture))};
  manager.RegisterUsedImage(DS_FileLink3(key));
  return key;
}

// Files a sound in the manager's library; writing a link to it lists it among the
// document's other files.
DS_FileKey EmbedSound(DS_DocResManager& manager, const SceneSound& sound) {
  const DS_FileKey key(ScenePath(sound.fileName), kSceneFileStamp);
  manager.Tables().fileLibrary[key] = DS_EntryList{FileEntry(key.path, EncodeWav16(sound.clip))};
  return key;
}

DS_2D_Light* MakeLayer(const DefaultSlide& entry, const DS_FileKey& picture, const DS_FileKey& surround) {
  std::unique_ptr<DS_2D_Light> layer(new DS_2D_Light());
  // Stored without notification: there is no device to bind the picture to.
  layer->GetPictureLink().StoreKey(picture);
  DSM_Camera& camera = layer->GetCamera();
  camera.on.SetValue(entry.cameraOn);
  camera.zoom.SetValue(entry.cameraZoom);
  camera.speed.SetValue(entry.cameraSpeed);
  camera.surroundImage.StoreKey(surround);
  return layer.release();
}

DS_SlideContainer* MakeSlide(const DefaultSlide& entry, DS_2D_Light* layer) {
  std::unique_ptr<DS_SlideContainer> slide(new DS_SlideContainer());
  slide->name.SetValue(entry.name);
  slide->fadeIn.SetValue(entry.fadeIn);
  slide->show.SetValue(entry.show);
  slide->fadeOut.SetValue(entry.fadeOut);
  // The objects' wrapped time runs over the slide's whole stay.
  slide->duration.SetValue((entry.fadeIn + entry.show + entry.fadeOut) * kHundredthsPerSecond);
  slide->SetLight(layer);
  return slide.release();
}

// The chime rings once, then rests for a few seconds, again and again while its slide
// is current (its shown time becomes the sound's length when the saver loads it).
DS_WAV_Constructor* MakeChimeItem(const DS_FileKey& sound) {
  std::unique_ptr<DS_WAV_Constructor> item(new DS_WAV_Constructor());
  item->SetName(L"Chime");
  item->GetFileLink().StoreKey(sound);
  item->volume.SetValue(kSoundItemVolume);
  item->balance.SetValue(kSoundItemBalance);
  DS_TimeLineControl& timeLine = item->TimeLine();
  timeLine.mode.SetValue(DS_TimeLineControl::kCycle);
  timeLine.hidden.lo.SetValue(kChimeRestHundredths);
  timeLine.hidden.hi.SetValue(kChimeRestHundredths);
  timeLine.fadeIn.SetValue(0u);
  timeLine.fadeOut.SetValue(0u);
  return item.release();
}

// Plays its clip over and over while its slide is current.
DS_MP3_Constructor* MakeMp3Item() {
  std::unique_ptr<DS_MP3_Constructor> item(new DS_MP3_Constructor());
  item->SetName(L"Murmur");
  // The name first: a new name drops the bytes.
  item->GetFile().SetName(ScenePath(L"murmur.mp3"));
  const std::vector<unsigned char> bytes = EncodeSilentMp3(kMp3ItemSeconds);
  item->GetFile().SetData(uint32_t(bytes.size()), bytes.data());
  item->TimeLine().mode.SetValue(DS_TimeLineControl::kAlwaysVisible);
  return item.release();
}

DS_AudioFile* MakeTrack(const SceneSound& sound) {
  std::unique_ptr<DS_AudioFile> track(new DS_AudioFile());
  track->SetTitle(sound.title);
  // The name first: a new name drops the bytes.
  track->GetFile().SetName(ScenePath(sound.fileName));
  const std::vector<unsigned char> bytes = EncodeWav16(sound.clip);
  track->GetFile().SetData(uint32_t(bytes.size()), bytes.data());
  return track.release();
}

// Writing a layer's picture link also files the picture among the other files; the
// used-image table already carries it, and the reader takes the used image first, so
// the second copy would only double the document.
void DropDuplicatePictures(DS_DocResTables& tables) {
  for (const auto& used : tables.usedImages) tables.otherFiles.erase(used.first);
}

// Makes `manager` current while the document is written (links file what they name
// through the current manager) and restores the previous one afterwards.
class CurrentManagerScope {
public:
  explicit CurrentManagerScope(DS_DocResManager* manager) : m_previous(g_CurrentDocResManager) {
    SetCurrentDocResManager(manager);
  }
  ~CurrentManagerScope() { SetCurrentDocResManager(m_previous); }

private:
  DS_DocResManager* m_previous;
};

}  // namespace

std::vector<unsigned char> BuildDefaultSceneDocument(bool withMp3Item) {
  DS_DocResManager manager;
  CurrentManagerScope current(&manager);

  const std::vector<ScenePicture> pictures = MakeSlidePictures();
  std::vector<DS_FileKey> pictureKeys;
  for (const ScenePicture& picture : pictures) pictureKeys.push_back(EmbedPicture(manager, picture));
  const DS_FileKey surroundKey = EmbedPicture(manager, MakeSurroundPicture());

  const DS_FileKey chimeKey = EmbedSound(manager, MakeSoundItemSound());

  DS_SlideShow_Light show;
  for (const DefaultSlide& entry : DefaultSlides()) {
    DS_2D_Light* layer = MakeLayer(entry, pictureKeys.at(size_t(entry.picture)), surroundKey);
    DS_SlideContainer* slide = MakeSlide(entry, layer);
    if (entry.chime) slide->AddSecondaryItem(MakeChimeItem(chimeKey));
    if (withMp3Item && show.GetSlideCount() == 0) slide->AddSecondaryItem(MakeMp3Item());
    show.AddSlide(slide);
  }
  for (const SceneSound& sound : MakeMusicTracks()) show.AddAudioFile(MakeTrack(sound));

  DS_IOF_W stream;
  stream.WriteString(kSceneSignature);
  show.Write(stream);
  DropDuplicatePictures(manager.Tables());
  manager.Write(stream);
  if (stream.Failed()) return std::vector<unsigned char>();
  return stream.Bytes();
}

}  // namespace ds_tools
