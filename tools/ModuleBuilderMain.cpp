// module_builder <folder>: writes the pictures and meshes of the shared resource
// module into <folder> as picture_<id> and mesh_<id>.x; resources/common_res.rc
// compiles them into common_res.dll under their ids. The build runs it under Wine,
// like scene_builder.

#include <cstdio>
#include <string>
#include <vector>

#include "tools/ModuleMeshes.h"
#include "tools/ModulePictures.h"

namespace {

bool WriteFile(const std::string& path, const void* bytes, size_t size) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool written = std::fwrite(bytes, 1, size, file) == size;
  const bool closed = std::fclose(file) == 0;
  if (written && closed) return true;
  // A half-written file must not look up to date to the next build.
  std::remove(path.c_str());
  return false;
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
    if (!WriteFile(path, bytes.data(), bytes.size())) {
      std::fprintf(stderr, "module_builder: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  for (const ds_tools::ModuleMesh& mesh : ds_tools::MakeModuleMeshes()) {
    const std::string path = folder + "/mesh_" + std::to_string(mesh.id) + ".x";
    if (!WriteFile(path, mesh.text.data(), mesh.text.size())) {
      std::fprintf(stderr, "module_builder: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  std::printf("module_builder: pictures and meshes written to %s\n", folder.c_str());
  return 0;
}
