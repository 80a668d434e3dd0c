#pragma once
// The default scene document that the saver carries as its resource "DDS" 107: the
// content of DefaultSceneContent.h written at build time with the scene classes' own
// writers, so that it always matches the readers of the code it is built with.

#include <vector>

namespace ds_tools {

// The signature, the slide show record and the resource manager record. Empty when
// a writer failed. With `withMp3Item` the first slide also carries an always-visible
// MP3 sound item (a silent clip made in code): the scene of the test saver that ends
// while such an item plays.
std::vector<unsigned char> BuildDefaultSceneDocument(bool withMp3Item = false);

}  // namespace ds_tools
