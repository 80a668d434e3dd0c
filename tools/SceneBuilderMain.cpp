// scene_builder <output file> [--mp3]: writes the default scene document (with --mp3,
// the test scene whose first slide also plays an MP3 sound item). The build runs it
// (under Wine when cross-compiling) and embeds the file as the saver's resource
// "DDS" 107. Before the file is written the document is read back with the saver's own
// loader, so that a writer that no longer matches its reader fails the build instead
// of shipping a scene the saver cannot show.

#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "document/DocResManager.h"
#include "document/SceneDocument.h"
#include "render/SlideShow.h"
#include "sound/MusicFileStore.h"
#include "tools/DefaultSceneContent.h"
#include "tools/DefaultSceneDocument.h"

namespace {

bool ReadsBack(const std::vector<unsigned char>& document) {
  DS_DocResManager* previous = g_CurrentDocResManager;
  bool ok = false;
  try {
    std::unique_ptr<DS_SlideShow_Light> show(LoadSceneDocumentFromMemory(document.data(), document.size()));
    std::unique_ptr<DS_DocResManager> manager(g_CurrentDocResManager);
    ok = show->GetSlideCount() == ds_tools::DefaultSlides().size() &&
         show->GetAudioFiles().size() == ds_tools::MakeMusicTracks().size();
    // The show before the manager its items were read for.
    show.reset();
  } catch (unsigned int) {
    ok = false;
  }
  SetCurrentDocResManager(previous);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  const bool withMp3Item = argc == 3 && std::string(argv[2]) == "--mp3";
  if (argc != 2 && !withMp3Item) {
    std::fprintf(stderr, "usage: scene_builder <output file> [--mp3]\n");
    return 2;
  }
  const std::vector<unsigned char> document = ds_tools::BuildDefaultSceneDocument(withMp3Item);
  if (document.empty()) {
    std::fprintf(stderr, "scene_builder: a writer failed\n");
    return 1;
  }
  if (!ReadsBack(document)) {
    std::fprintf(stderr, "scene_builder: the written document does not read back\n");
    return 1;
  }
  const std::string path = argv[1];
  if (!WriteWholeFile(ds_string(path.begin(), path.end()), document.data(), uint32_t(document.size()))) {
    std::fprintf(stderr, "scene_builder: cannot write %s\n", argv[1]);
    return 1;
  }
  std::printf("scene_builder: %s, %u bytes\n", argv[1], unsigned(document.size()));
  return 0;
}
