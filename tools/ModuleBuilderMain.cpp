// module_builder <folder>: writes the pictures and meshes of the shared resource
// module into <folder> as picture_<id> and mesh_<id>.x; resources/common_res.rc
// compiles them into common_res.dll under their ids. The build runs it under Wine,
// like scene_builder.

#include <cstdio>
#include <string>
#include <vector>

#include "sound/MusicFileStore.h"
#include "tools/ModuleMeshes.h"
#include "tools/ModulePictures.h"

namespace {

// The tools run under Wine, which hands them their arguments as local 8-bit text.
bool WriteOutput(const std::string& path, const void* bytes, size_t size) {
  return WriteWholeFile(ds_string(path.begin(), path.end()), static_cast<const unsigned char*>(bytes),
                        uint32_t(size));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: module_builder <folder>\n");
    return 2;
  }
  const std::string folder = argv[1];
  for (const ds_tools::ModulePicture& picture : ds_tools::MakeModulePictures()) {
    const std::vector<unsigned char> bytes = ds_tools::EncodeModulePicture(picture);
    const std::string path = folder + "/picture_" + std::to_string(picture.id);
    if (!WriteOutput(path, bytes.data(), bytes.size())) {
      std::fprintf(stderr, "module_builder: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  for (const ds_tools::ModuleMesh& mesh : ds_tools::MakeModuleMeshes()) {
    const std::string path = folder + "/mesh_" + std::to_string(mesh.id) + ".x";
    if (!WriteOutput(path, mesh.text.data(), mesh.text.size())) {
      std::fprintf(stderr, "module_builder: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  std::printf("module_builder: pictures and meshes written to %s\n", folder.c_str());
  return 0;
}
