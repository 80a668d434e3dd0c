#include "SlideTestSupport.h"

#include <cstring>

#include "device/DeviceGlobals.h"
#include "device/DeviceUtil.h"
#include "document/ClassRegistry.h"
#include "document/DocResManager.h"
#include "render/TexturedQuad.h"
#include "support/TestDevice.h"

namespace slides_test {

// ---- pictures ----

std::vector<unsigned char> MakeBmp(int width, int height, const std::function<uint32_t(int, int)>& color) {
  const int rowBytes = (width * 3 + 3) & ~3;
  const uint32_t pixelBytes = uint32_t(rowBytes) * uint32_t(height);
  std::vector<unsigned char> bmp(54 + pixelBytes, 0);
  auto put16 = [&](size_t at, uint16_t v) { std::memcpy(&bmp[at], &v, 2); };
  auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&bmp[at], &v, 4); };
  bmp[0] = 'B';
  bmp[1] = 'M';
  put32(2, uint32_t(bmp.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, uint32_t(width));
  put32(22, uint32_t(height));  // bottom-up rows
  put16(26, 1);
  put16(28, 24);
  put32(34, pixelBytes);
  for (int y = 0; y < height; ++y) {
    unsigned char* row = &bmp[54 + size_t(height - 1 - y) * size_t(rowBytes)];
    for (int x = 0; x < width; ++x) {
      const uint32_t rgb = color(x, y);
      row[x * 3 + 0] = rgb & 0xFF;
      row[x * 3 + 1] = (rgb >> 8) & 0xFF;
      row[x * 3 + 2] = (rgb >> 16) & 0xFF;
    }
  }
  return bmp;
}

std::vector<unsigned char> MakeSolidBmp(int width, int height, uint32_t rgb) {
  return MakeBmp(width, height, [rgb](int, int) { return rgb; });
}

// ---- documents ----

std::vector<unsigned char> WriteDocument(const DS_SlideShow_Light& show, const std::vector<EmbeddedPicture>& pictures) {
  DS_IOF_W stream;
  stream.WriteString(L"KTZ v 4.0.0");
  show.Write(stream);
  // The writer's manager must not stay the process's: keep the current one current.
  DS_DocResManager* current = g_CurrentDocResManager;
  {
    DS_DocResManager manager;
    for (const EmbeddedPicture& picture : pictures) {
      DS_ResourceEntry entry;
      entry.SetName(picture.key.path);
      entry.SetData(uint32_t(picture.bytes.size()), picture.bytes.data());
      manager.Tables().usedImages[picture.key].push_back(entry);
    }
    manager.Write(stream);
  }
  SetCurrentDocResManager(current);
  return stream.Bytes();
}

DS_SlideContainer* MakeSlide(unsigned fadeIn, unsigned show, unsigned fadeOut, const DS_FileKey& picture) {
  DS_SlideContainer* slide = new DS_SlideContainer();
  slide->fadeIn.SetValue(fadeIn);
  slide->show.SetValue(show);
  slide->fadeOut.SetValue(fadeOut);
  slide->GetLight()->GetPictureLink().StoreKey(picture);
  return slide;
}

// ---- drawing probe ----

std::vector<ProbeRender>& ProbeLog() {
  static std::vector<ProbeRender> log;
  return log;
}

int TestProbeItem::s_live = 0;

TestProbeItem::TestProbeItem(const TestProbeItem& other)
    : DS_ABObj_Constructor(other), color(other.color), left(other.left), top(other.top), right(other.right),
      bottom(other.bottom), needsScene(other.needsScene), copyScene(other.copyScene), flipAnswer(other.flipAnswer),
      tag(other.tag) {
  ++s_live;
}

void TestProbeItem::Read(DS_IOF_Handle& handle, int version) {
  DS_IOF_Virtual& stream = *handle;
  stream.ReadUInt(color);
  stream.ReadFloat(left);
  stream.ReadFloat(top);
  stream.ReadFloat(right);
  stream.ReadFloat(bottom);
  stream.ReadBool(needsScene);
  stream.ReadBool(copyScene);
  stream.ReadBool(flipAnswer);
  stream.ReadInt(tag);
  ReadSection(handle);
}

void TestProbeItem::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_TestProbe", 1);
  stream.WriteUInt(color);
  stream.WriteFloat(left);
  stream.WriteFloat(top);
  stream.WriteFloat(right);
  stream.WriteFloat(bottom);
  stream.WriteBool(needsScene);
  stream.WriteBool(copyScene);
  stream.WriteBool(flipAnswer);
  stream.WriteInt(tag);
  DS_ABObj_Constructor::Write(stream);
}

namespace {

class TestProbeObject : public DS_ABObj {
public:
  explicit TestProbeObject(TestProbeItem* item) : DS_ABObj(item), m_item(item), m_answer(item->needsScene) {}

  void Render(DS_ABRender* layer) override;
  void OnMouseMove(int, int) override {}
  void OnResize() override {}
  bool NeedsSceneInput() const override {
    const bool answer = m_answer;
    if (m_item->flipAnswer) m_answer = !m_answer;
    return answer;
  }
  void Update(float) override {}

private:
  void Log(DS_ABRender* layer);
  bool EnsureGeometry();

  TestProbeItem* m_item;
  mutable bool m_answer;
  DS_IndexedMesh<DX_V::PCT> m_mesh;
  DS_ComHolder<IDirect3DTexture9> m_white;
  DS_ScreenTexturedQuad m_copy;
};

void TestProbeObject::Log(DS_ABRender* layer) {
  ProbeRender record;
  record.tag = m_item->tag;
  IDirect3DTexture9* scene = layer->GetSceneTexture().Get();
  record.sceneTexture = scene;
  record.sceneIsPicture = scene == layer->GetLayerQuad().texture.Get();
  DS_ComHolder<IDirect3DSurface9> target, back;
  g_CurrentDevice->GetRenderTarget(0, target.Receive());
  g_CurrentDevice->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, back.Receive());
  record.drawnOnBackBuffer = target.Get() == back.Get();
  D3DSURFACE_DESC desc = {};
  if (scene && SUCCEEDED(scene->GetLevelDesc(0, &desc)) && (desc.Usage & D3DUSAGE_RENDERTARGET)) {
    ds_test::Image image;
    if (ds_test::ReadTexture(scene, image)) {
      record.scenePixels = image.pixels;
      record.sceneWidth = image.width;
    }
  }
  ProbeLog().push_back(record);
}

bool TestProbeObject::EnsureGeometry() {
  if (m_mesh.vertices.buffer && m_mesh.indices.buffer && m_white) return true;
  if (FAILED(CreatePCTVertexBuffer(4, m_mesh.vertices, D3DUSAGE_WRITEONLY, D3DPOOL_MANAGED))) return false;
  if (FAILED(g_CurrentDevice->CreateIndexBuffer(6 * sizeof(WORD), D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                                                D3DPOOL_MANAGED, m_mesh.indices.buffer.Receive(), nullptr))) {
    return false;
  }
  void* indices = nullptr;
  if (FAILED(m_mesh.indices.buffer->Lock(0, 0, &indices, 0))) return false;
  const WORD list[6] = {0, 1, 2, 2, 1, 3};
  std::memcpy(indices, list, sizeof(list));
  m_mesh.indices.buffer->Unlock();
  m_mesh.indices.primitiveCount = 2;
  m_mesh.primitiveType = D3DPT_TRIANGLELIST;
  m_mesh.primitiveCount = 2;
  if (FAILED(g_CurrentDevice->CreateTexture(1, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, m_white.Receive(),
                                            nullptr))) {
    return false;
  }
  D3DLOCKED_RECT locked = {};
  if (FAILED(m_white->LockRect(0, &locked, nullptr, 0))) return false;
  *static_cast<uint32_t*>(locked.pBits) = 0xFFFFFFFF;
  m_white->UnlockRect(0);
  return true;
}

void TestProbeObject::Render(DS_ABRender* layer) {
  Log(layer);
  if (m_item->copyScene) {
    DS_ScreenQuad full;
    full.FromBackBuffer();
    SetScreenQuad(m_copy, layer->GetSceneTexture(), full);
    static_cast<DS_2D_Light*>(layer)->DrawTargetQuad(m_copy);
    // The scene texture lives in the default pool: holding it would block a reset.
    m_copy.texture.Release();
  }
  if ((m_item->color >> 24) == 0 || !EnsureGeometry()) return;
  if (!m_mesh.vertices.Lock()) return;
  const TestProbeItem& p = *m_item;
  const float corners[4][2] = {{p.left, p.bottom}, {p.left, p.top}, {p.right, p.bottom}, {p.right, p.top}};
  for (int i = 0; i < 4; ++i) {
    DX_V::PCT& v = m_mesh.vertices.locked[i];
    v.x = corners[i][0];
    v.y = corners[i][1];
    v.z = 0;
    v.color = p.color;
    v.u = 0;
    v.v = 0;
  }
  m_mesh.vertices.Unlock();
  g_CurrentDevice->SetTexture(0, m_white.Get());
  layer->DrawIndexedPCT(m_mesh, nullptr, 2, 1.0f);
}

IOF_Virtual_ReaderT<TestProbeItem> s_probeReader(L"DS_TestProbe");
IOF_Virtual_ReaderT<TestSoundItem> s_soundReader(L"DS_TestSound");

}  // namespace

DS_ABObj* TestProbeItem::CreateObject() { return new TestProbeObject(new TestProbeItem(*this)); }

TestProbeItem* MakeProbe(int tag, uint32_t color, float l, float t, float r, float b) {
  TestProbeItem* probe = new TestProbeItem();
  probe->tag = tag;
  probe->color = color;
  probe->left = l;
  probe->top = t;
  probe->right = r;
  probe->bottom = b;
  return probe;
}

// ---- sound probe ----

TestSoundItem::Counts& TestSoundItem::GetCounts() {
  static Counts counts;
  return counts;
}

void TestSoundItem::Read(DS_IOF_Handle& handle, int version) { ReadSection(handle); }

void TestSoundItem::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_TestSound", 1);
  DS_Sound_Ctrl::Write(stream);
}

}  // namespace slides_test
