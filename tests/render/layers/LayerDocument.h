#pragma once
// Fixtures of the special-layer tests: scene documents written with the classes' own
// writers, embedding pictures under link keys and pictures under GUIDs, loaded and
// drawn on the shared test device as the scene slot does.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "document/DocResManager.h"
#include "document/ResourceBuffer.h"
#include "document/SceneDocument.h"
#include "document/StreamWriter.h"
#include "render/SlideShow.h"
#include "render/ViewContext.h"
#include "support/SlideTestSupport.h"
#include "support/SlideShowTest.h"

namespace layer_test {

struct GuidPicture {
  GUID guid;
  std::vector<unsigned char> bytes;
};

// Signature, the show's record, then a manager record (version 3) with the pictures in
// its used-image table and the GUID pictures in its GUID table.
inline std::vector<unsigned char> WriteLayerDocument(const DS_SlideShow_Light& show,
                                                     const std::vector<slides_test::EmbeddedPicture>& pictures,
                                                     const std::vector<GuidPicture>& guidPictures) {
  DS_IOF_W stream;
  stream.WriteString(L"KTZ v 4.0.0");
  show.Write(stream);
  DS_DocResManager* current = g_CurrentDocResManager;
  {
    DS_DocResManager manager;
    for (const slides_test::EmbeddedPicture& picture : pictures) {
      DS_ResourceEntry entry;
      entry.SetName(picture.key.path);
      entry.SetData(uint32_t(picture.bytes.size()), picture.bytes.data());
      manager.Tables().usedImages[picture.key].push_back(entry);
    }
    for (const GuidPicture& picture : guidPictures) {
      DS_GuidResource& item = manager.Tables().guidResources[picture.guid];
      item.guid = picture.guid;
      item.name = L"bump";
      item.buffer.SetName(L"bump.bmp");
      item.buffer.SetData(uint32_t(picture.bytes.size()), picture.bytes.data());
    }
    manager.Write(stream);
  }
  SetCurrentDocResManager(current);
  return stream.Bytes();
}

// Reads one layer record; null when the stream failed. `exact` asks that the record
// ends exactly at the end of the bytes.
inline std::unique_ptr<DS_2D_Light> ReadLayer(const std::vector<unsigned char>& bytes, size_t size, bool exact) {
  ResourceBuffer buffer(bytes.data(), size);
  DS_IOF_Handle handle(new DS_IOF_R<ResourceBuffer>(&buffer));
  std::unique_ptr<DS_2D_Light> layer(ReadAny2DLight(handle));
  if (exact && layer) {
    EXPECT_EQ(0u, buffer.BytesLeft()) << "the record was not read to its end";
  }
  return layer;
}

// The vertices of a managed-pool buffer, read back, or those kept in memory; empty
// when there are none.
template <class V>
std::vector<V> ReadVertices(const DS_VertexBuffer<V>& vertices) {
  if (!vertices.memory.empty()) return vertices.memory;
  std::vector<V> out;
  if (!vertices.buffer) return out;
  void* data = nullptr;
  if (FAILED(vertices.buffer->Lock(0, 0, &data, D3DLOCK_READONLY))) return out;
  out.assign(static_cast<V*>(data), static_cast<V*>(data) + vertices.vertexCount);
  vertices.buffer->Unlock();
  return out;
}

// A loaded document on the test device: load, build, picture position, frames.
class LayerDocumentTest : public ds_test::SlideShowTest {
protected:
  void Load(const DS_SlideShow_Light& written, const std::vector<slides_test::EmbeddedPicture>& pictures,
            const std::vector<GuidPicture>& guidPictures = {}, int fitType = 1) {
    Read(WriteLayerDocument(written, pictures, guidPictures));
    Build(fitType);
  }

  DS_2D_Light* Layer(size_t slide) { return m_show->GetSlide(slide)->GetLight().Get(); }

  ds_test::Image Frame(float t) { return ShowFrame(t); }
};

}  // namespace layer_test
