#include "document/SceneDocument.h"

#include <memory>

#include "document/DocResManager.h"
#include "document/ResourceBuffer.h"
#include "render/SlideShow.h"

DS_SlideShow_Light* ReadSlideShowRecord(DS_IOF_Handle& handle) {
  // Neither the class name nor the version of the top record is used.
  ReadLevelHeader(*handle);
  if (handle->Failed()) return nullptr;
  std::unique_ptr<DS_SlideShow_Light> show(new DS_SlideShow_Light());
  show->ReadSlides(handle);
  show->ReadAudioFiles(handle);
  if (handle->Failed()) return nullptr;
  return show.release();
}

DS_DocResManager* ReadDocResManagerRecord(DS_IOF_Handle& handle) {
  const int version = ReadLevelHeader(*handle);
  if (handle->Failed()) return nullptr;
  std::unique_ptr<DS_DocResManager> manager(new DS_DocResManager());
  if (!manager->Read(handle, version) || handle->Failed()) return nullptr;
  return manager.release();
}

namespace {

// Reads everything, stops (null) or throws; on the way out of a failed or stopped
// load the half-read objects are destroyed and the manager that was current before is
// current again.
DS_SlideShow_Light* ReadDocument(ResourceBuffer& buffer, DS_AbortCheck* abortCheck) {
  ds_string signature;
  buffer.ReadString(signature);
  if (buffer.Failed()) throw kSceneDocumentMissing;

  DS_DocResManager* previous = g_CurrentDocResManager;
  DS_IOF_Handle handle(new DS_IOF_R<ResourceBuffer>(&buffer));
  handle->SetAbortCheck(abortCheck);
  std::unique_ptr<DS_SlideShow_Light> show(ReadSlideShowRecord(handle));
  // A show without slides has nothing to make current or draw.
  std::unique_ptr<DS_DocResManager> manager;
  if (show && show->GetSlideCount() > 0) manager.reset(ReadDocResManagerRecord(handle));
  if (!manager) {
    show.reset();
    // Constructing the new manager published its cache; give the old one back.
    if (previous) SetCurrentDocResManager(previous);
    if (handle->Aborted()) return nullptr;
    throw kSceneDocumentMissing;
  }
  SetCurrentDocResManager(manager.release());
  show->SetAbortCheck(abortCheck);
  return show.release();
}

}  // namespace

DS_SlideShow_Light* LoadSceneDocumentFromMemory(const void* bytes, size_t size, DS_AbortCheck* abortCheck) {
  if (!bytes || size == 0) throw kSceneDocumentMissing;
  ResourceBuffer buffer(bytes, size);
  return ReadDocument(buffer, abortCheck);
}

DS_SlideShow_Light* LoadSceneDocument(HMODULE module, DS_AbortCheck* abortCheck) {
  ResourceBuffer buffer;
  if (!buffer.LocateModuleResource(module, kSceneDocumentResource)) throw kSceneDocumentMissing;
  // The module stays loaded for the rest of the run: the embedded files are read in
  // place, not copied.
  buffer.SetLasting(true);
  return ReadDocument(buffer, abortCheck);
}
