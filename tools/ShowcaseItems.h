#pragma once
// The items of the showcase scene, made by their stored class names: every item class
// of the system with settings under which it draws something on a slide of the given
// size. The pictures and effects they name are filed in the document by the caller.

#include <map>
#include <string>

#include "document/FileLink.h"
#include "tools/DefaultPictures.h"

class DS_ABObj_Constructor;
class DS_FX_Constructor;

namespace ds_tools {

// What the items name: the document's sprite pictures by file name (soft_dot.dds, ...),
// the document's effects by effect name (none for an effect the build did not make),
// and the text picture's GUID.
struct ShowcaseAssets {
  std::map<std::wstring, DS_FileKey> pictures;
  std::map<std::string, DS_FileKey> effects;
  GUID textGuid;
};

// The item whose registry name is `className`, set up for a slide of `width` x
// `height` scene pixels; null for a name that is no item class. A GUID the item
// writes is SerialGuid(serial), so that two builds write the same document.
DS_ABObj_Constructor* MakeShowcaseItem(const std::wstring& className, const ShowcaseAssets& assets,
                                       float width, float height, unsigned serial);
// Sets up a brush for the patch of a `width` x `height` picture that its mask lights.
void FitBrushToPatch(DS_FX_Constructor& brush, const PatchBounds& patch, float width, float height);
// A fixed GUID for each serial number.
GUID SerialGuid(unsigned serial);
// Sound items go among a slide's secondary items, every other item among its visual
// ones.
bool IsSoundItem(const std::wstring& className);

}  // namespace ds_tools
