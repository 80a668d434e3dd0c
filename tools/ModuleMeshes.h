#pragma once
// The meshes of the shared resource module, written as text .x files: the butterfly's
// body and wing and the flat square that the clock draws as its dial and, squeezed,
// as its hands. Their sizes suit the frames the 3D objects put them in: the butterfly
// is scaled by half and turned a quarter about Y, the clock by one hundredth.

#include <string>
#include <vector>

namespace ds_tools {

struct ModuleMesh {
  unsigned int id;   // resource id, type "DDS"
  const char* what;
  std::string text;  // the .x file
};

// Every mesh of the module, in id order.
std::vector<ModuleMesh> MakeModuleMeshes();

}  // namespace ds_tools
