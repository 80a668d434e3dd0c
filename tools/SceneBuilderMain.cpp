// scene_builder <output file> [--mp3] [--slides=<i,j,...>] [--items=<i,j,...>] [--items-on=<i>]
//               [--no-items] [--no-chime] [--no-music] [<effect folder> <module script> <effect name>...]:
// writes the default scene document (with --mp3, the test scene whose first slide also
// plays an MP3 sound item; with the other options, a part of it: only the slides of
// those indices, only the items of those indices on each slide, items only on slide <i>, without their items, the chime or the music, to soak a part alone), and beside it <output file>.slides, a line per
// slide: fade-in, shown and fade-out seconds, name and what it shows, tab-separated. The build runs it (under Wine when
// cross-compiling) and embeds the file as the saver's resource "DDS" 107. The
// document takes a copy of every compiled effect <effect folder>/<name>.fxo that
// exists: under the module's id where the module's resource script names that file
// (a line "<id> RCDATA "<name>.fxo""), else as a document effect of that name. Before the file is written the document is read back with the saver's own
// loader, so that a writer that no longer matches its reader fails the build instead
// of shipping a scene the saver cannot show.

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <memory>
#include <string>
#include <vector>

#include "document/DocResManager.h"
#include "document/SceneDocument.h"
#include "render/SlideContainer.h"
#include "render/SlideShow.h"
#include "sound/MusicFileStore.h"
#include "tools/DefaultSceneContent.h"
#include "tools/DefaultSceneDocument.h"

namespace {

bool ReadFile(const std::string& path, std::vector<unsigned char>& bytes) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return !bytes.empty();
}

// The module's effects: file name -> resource ids, from the lines "<id> RCDATA "<file>"".
std::multimap<std::string, int> ReadModuleEffectIds(const std::string& script) {
  std::multimap<std::string, int> ids;
  std::ifstream file(script);
  std::string line;
  while (std::getline(file, line)) {
    std::istringstream words(line);
    int id = 0;
    std::string type;
    std::string name;
    if (!(words >> id >> type >> name) || type != "RCDATA" || name.size() < 3) continue;
    if (name.front() == '"' && name.back() == '"') ids.emplace(name.substr(1, name.size() - 2), id);
  }
  return ids;
}

ds_tools::SceneEffects ReadEffects(int argc, char** argv) {
  ds_tools::SceneEffects effects;
  if (argc < 4) return effects;
  const std::string folder = argv[2];
  const std::multimap<std::string, int> ids = ReadModuleEffectIds(argv[3]);
  for (int i = 4; i < argc; ++i) {
    const std::string name = argv[i];
    std::vector<unsigned char> bytes;
    if (!ReadFile(folder + "/" + name + ".fxo", bytes)) {
      std::printf("scene_builder: no compiled effect %s; its objects will draw nothing\n", name.c_str());
      continue;
    }
    auto range = ids.equal_range(name + ".fxo");
    if (range.first == range.second) {
      effects.documentEffects[name] = bytes;
    } else {
      for (auto it = range.first; it != range.second; ++it) effects.moduleEffects[it->second] = bytes;
    }
  }
  return effects;
}

// How many of the slide's items the part keeps (the chime aside).
size_t KeptItems(const ds_tools::DefaultSlide& slide, int index, const ds_tools::SceneCut& cut) {
  size_t kept = 0;
  for (size_t i = 0; i < slide.items.size(); ++i) kept += cut.KeepsItem(index, int(i)) ? 1 : 0;
  return kept;
}

bool ReadsBack(const std::vector<unsigned char>& document, bool withMp3Item, const ds_tools::SceneCut& cut) {
  DS_DocResManager* previous = g_CurrentDocResManager;
  bool ok = false;
  try {
    std::unique_ptr<DS_SlideShow_Light> show(LoadSceneDocumentFromMemory(document.data(), document.size()));
    std::unique_ptr<DS_DocResManager> manager(g_CurrentDocResManager);
    std::vector<ds_tools::DefaultSlide> slides;
    std::vector<int> indices;
    for (size_t i = 0; i < ds_tools::DefaultSlides().size(); ++i) {
      if (cut.KeepsSlide(int(i))) {
        slides.push_back(ds_tools::DefaultSlides()[i]);
        indices.push_back(int(i));
      }
    }
    ok = show->GetSlideCount() == slides.size() &&
         show->GetAudioFiles().size() == (cut.music ? ds_tools::MakeMusicTracks().size() : 0u);
    for (size_t i = 0; ok && i < slides.size(); ++i) {
      DS_SharedRef<DS_SlideContainer> slide = show->GetSlide(i);
      ok = slide->VisualItemCount() + slide->SecondaryItemCount() ==
           KeptItems(slides[i], indices[i], cut) + (slides[i].chime && cut.chime ? 1u : 0u) +
               (withMp3Item && i == 0 ? 1u : 0u);
    }
    // The show before the manager its items were read for.
    show.reset();
  } catch (unsigned int) {
    ok = false;
  }
  SetCurrentDocResManager(previous);
  return ok;
}

}  // namespace

int main(int rawArgc, char** rawArgv) {
  // "--mp3" may stand anywhere after the output file; the rest are positional.
  bool withMp3Item = false;
  ds_tools::SceneCut cut;
  std::vector<char*> args;
  for (int i = 0; i < rawArgc; ++i) {
    const std::string arg = rawArgv[i];
    if (i > 0 && arg == "--mp3") {
      withMp3Item = true;
    } else if (i > 0 && arg == "--no-items") {
      cut.items = false;
    } else if (i > 0 && arg == "--no-chime") {
      cut.chime = false;
    } else if (i > 0 && arg == "--no-music") {
      cut.music = false;
    } else if (i > 0 && arg.rfind("--items-on=", 0) == 0) {
      cut.itemsSlide = std::atoi(arg.c_str() + 11);
      if (cut.itemsSlide < 0 || size_t(cut.itemsSlide) >= ds_tools::DefaultSlides().size()) {
        std::fprintf(stderr, "scene_builder: no slide %s\n", arg.c_str() + 11);
        return 2;
      }
    } else if (i > 0 && arg.rfind("--items=", 0) == 0) {
      std::istringstream list(arg.substr(8));
      std::string index;
      while (std::getline(list, index, ',')) cut.itemIndices.push_back(std::atoi(index.c_str()));
    } else if (i > 0 && arg.rfind("--slides=", 0) == 0) {
      std::istringstream list(arg.substr(9));
      std::string index;
      while (std::getline(list, index, ',')) {
        const int value = std::atoi(index.c_str());
        if (value < 0 || size_t(value) >= ds_tools::DefaultSlides().size()) {
          std::fprintf(stderr, "scene_builder: no slide %s\n", index.c_str());
          return 2;
        }
        cut.slides.push_back(value);
      }
    } else {
      args.push_back(rawArgv[i]);
    }
  }
  const int argc = int(args.size());
  char** argv = args.data();
  if (argc != 2 && argc < 4) {
    std::fprintf(stderr,
                 "usage: scene_builder <output file> [--mp3] [--slides=<i,j,...>] [--items=<i,j,...>] [--items-on=<i>] [--no-items] "
                 "[--no-chime] "
                 "[--no-music] [<effect folder> <module script> <effect name>...]\n");
    return 2;
  }
  const std::vector<unsigned char> document =
      ds_tools::BuildDefaultSceneDocument(ReadEffects(argc, argv), withMp3Item, cut);
  if (document.empty()) {
    std::fprintf(stderr, "scene_builder: a writer failed\n");
    return 1;
  }
  if (!ReadsBack(document, withMp3Item, cut)) {
    std::fprintf(stderr, "scene_builder: the written document does not read back\n");
    return 1;
  }
  const std::string path = argv[1];
  if (!WriteWholeFile(ds_string(path.begin(), path.end()), document.data(), uint32_t(document.size()))) {
    std::fprintf(stderr, "scene_builder: cannot write %s\n", argv[1]);
    return 1;
  }
  // The slides' times and what they show, for the scripts that watch the saver.
  const std::string listPath = path + ".slides";
  std::ofstream list(listPath);
  for (const ds_tools::DefaultSlide& slide : ds_tools::DefaultSlides()) {
    const std::wstring name = slide.name;
    list << slide.fadeIn << '\t' << slide.show << '\t' << slide.fadeOut << '\t'
         << std::string(name.begin(), name.end()) << '\t' << slide.shows << '\n';
  }
  if (!list) {
    std::fprintf(stderr, "scene_builder: cannot write %s\n", listPath.c_str());
    return 1;
  }
  std::printf("scene_builder: %s, %u bytes\n", argv[1], unsigned(document.size()));
  return 0;
}
