#include <gtest/gtest.h>

#include <vector>

#include "device/DeviceUtil.h"
#include "device/ResourceLookup.h"
#include "document/FileLink.h"
#include "document/TextureSet.h"
#include "render/Mesh.h"
#include "render/ScreenQuad.h"
#include "render/TexturedQuad.h"
#include "support/RenderDeviceTest.h"

namespace {

using ds_test::kTestDeviceHeight;
using ds_test::kTestDeviceWidth;

// A document stand-in: one texture set and one mesh, whatever the link.
class FakeLookup : public DS_ResourceLookup {
public:
  DS_TextureSet* GetTextureSet(const DS_ImageFileLink&) override {
    ++textureLookups;
    return set.frames.empty() ? nullptr : &set;
  }
  bool GetMesh(const DS_FileLink3&, int vertexStride, DS_MeshBuffers& out) override {
    lastStride = vertexStride;
    if (!mesh.vertexBuffer) return false;
    out = mesh;
    return true;
  }

  DS_TextureSet set;
  DS_MeshBuffers mesh;
  int textureLookups = 0;
  int lastStride = 0;
};

class DeviceHelpersTest : public ds_test::RenderDeviceTest {
protected:
  void SetUp() override {
    RenderDeviceTest::SetUp();
    g_ResourceLookup = &m_lookup;
  }
  void TearDown() override {
    g_ResourceLookup = nullptr;
    RenderDeviceTest::TearDown();
  }

  DS_ComHolder<IDirect3DTexture9> SolidTexture(UINT w, UINT h, D3DCOLOR color) {
    DS_ComHolder<IDirect3DTexture9> texture;
    if (FAILED(device->CreateTexture(w, h, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, texture.Receive(), nullptr))) {
      return texture;
    }
    D3DLOCKED_RECT locked;
    if (SUCCEEDED(texture->LockRect(0, &locked, nullptr, 0))) {
      for (UINT y = 0; y < h; ++y) {
        DWORD* row = reinterpret_cast<DWORD*>(static_cast<char*>(locked.pBits) + y * locked.Pitch);
        for (UINT x = 0; x < w; ++x) row[x] = color;
      }
      texture->UnlockRect(0);
    }
    return texture;
  }

  static ULONG RefCount(IUnknown* object) {
    object->AddRef();
    return object->Release();
  }

  FakeLookup m_lookup;
};

TEST_F(DeviceHelpersTest, BackBufferDescriptionAndScreenQuad) {
  const D3DSURFACE_DESC desc = GetBackBufferDesc();
  EXPECT_EQ(desc.Width, UINT(kTestDeviceWidth));
  EXPECT_EQ(desc.Height, UINT(kTestDeviceHeight));
  DS_ScreenQuad quad;
  quad.FromBackBuffer();
  EXPECT_EQ(quad.Left(), 0);
  EXPECT_EQ(quad.Top(), 0);
  EXPECT_EQ(quad.Right(), float(kTestDeviceWidth));
  EXPECT_EQ(quad.Bottom(), float(kTestDeviceHeight));
  quad.SetCorners(0, 0, 640, 480);
  quad.ScaleToBackBuffer(640, 480);
  EXPECT_EQ(quad.Right(), float(kTestDeviceWidth));
  EXPECT_EQ(quad.Bottom(), float(kTestDeviceHeight));
}

TEST_F(DeviceHelpersTest, GridIndexBufferHoldsTheTriangleList) {
  DS_IndexBuffer holder;
  ASSERT_EQ(CreateGridIndexBuffer(holder, 3, 2), S_OK);
  EXPECT_EQ(holder.primitiveCount, 4);
  D3DINDEXBUFFER_DESC desc;
  holder.buffer->GetDesc(&desc);
  EXPECT_EQ(desc.Format, D3DFMT_INDEX16);
  EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);
  ASSERT_TRUE(holder.Lock(D3DLOCK_READONLY));
  const std::vector<WORD> indices(holder.locked, holder.locked + 12);
  holder.Unlock();
  EXPECT_EQ(indices, (std::vector<WORD>{0, 1, 3, 3, 1, 4, 1, 2, 4, 4, 2, 5}));
}

TEST_F(DeviceHelpersTest, ResampleCopiesIntoAFullMipChain) {
  DS_ComHolder<IDirect3DTexture9> source = SolidTexture(8, 8, 0xFF336699);
  DS_ComHolder<IDirect3DTexture9> result;
  ASSERT_EQ(ResampleTexture(32, 32, source, result, D3DFMT_A8R8G8B8), S_OK);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->GetLevelCount(), 6u);  // 32 down to 1
  D3DSURFACE_DESC desc;
  result->GetLevelDesc(0, &desc);
  EXPECT_EQ(desc.Width, 32u);
  EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);
  D3DLOCKED_RECT locked;
  ASSERT_TRUE(SUCCEEDED(result->LockRect(0, &locked, nullptr, D3DLOCK_READONLY)));
  const DWORD middle = reinterpret_cast<const DWORD*>(static_cast<const char*>(locked.pBits) + 16 * locked.Pitch)[16];
  result->UnlockRect(0);
  EXPECT_EQ(middle, 0xFF336699u);

  const DS_ComHolder<IDirect3DTexture9> none;
  ResampleTexture(32, 32, none, result, D3DFMT_A8R8G8B8);
  EXPECT_FALSE(result) << "no source: no result";
}

TEST_F(DeviceHelpersTest, PictureTextureBindsTheFirstFrameWithItsSize) {
  DS_ComHolder<IDirect3DTexture9> frame = SolidTexture(16, 16, 0xFFFFFFFF);
  m_lookup.set.AddFrame(frame.Get(), -1);
  m_lookup.set.SetPictureSize(300, 200);

  DS_ImageFileLink link(5, L"common_res.dll");
  DS_TexturedQuad<DX_V::PT> quad;
  quad.ResetTexCoords();
  DS_TextureRef picture;
  BindPictureTexture(link, quad, picture);
  EXPECT_EQ(quad.texture.Get(), frame.Get());
  EXPECT_EQ(picture.width, 300);
  EXPECT_EQ(picture.height, 200);
  EXPECT_NEAR(picture.scale, 0.6667f, 1e-4);
  ASSERT_TRUE(quad.vertices.Lock(D3DLOCK_READONLY));
  const DX_V::PT* v = quad.vertices.locked;
  const float expected[4][4] = {{0, 200, 0, 1}, {0, 0, 0, 0}, {300, 200, 1, 1}, {300, 0, 1, 0}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(v[i].x, expected[i][0]) << "vertex " << i;
    EXPECT_EQ(v[i].y, expected[i][1]) << "vertex " << i;
    EXPECT_EQ(v[i].u, expected[i][2]) << "vertex " << i;
    EXPECT_EQ(v[i].v, expected[i][3]) << "vertex " << i;
  }
  quad.vertices.Unlock();

  // A document without the picture: no texture, size 0.
  m_lookup.set = DS_TextureSet();
  BindPictureTexture(link, quad, picture);
  EXPECT_FALSE(quad.texture);
  EXPECT_EQ(picture.width, 0);
  g_ResourceLookup = nullptr;
  BindPictureTexture(link, quad, picture);
  EXPECT_FALSE(quad.texture);
}

TEST_F(DeviceHelpersTest, MeshNodeSharesTheDocumentsBuffers) {
  DS_ComHolder<IDirect3DVertexBuffer9> vb;
  DS_ComHolder<IDirect3DIndexBuffer9> ib;
  ASSERT_TRUE(SUCCEEDED(device->CreateVertexBuffer(32 * 3, 0, DX_V::PNT::FVF, D3DPOOL_MANAGED, vb.Receive(), nullptr)));
  ASSERT_TRUE(SUCCEEDED(device->CreateIndexBuffer(6, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, ib.Receive(), nullptr)));
  DS_ComHolder<IDirect3DTexture9> frame = SolidTexture(4, 4, 0xFF00FF00);
  m_lookup.set.AddFrame(frame.Get(), -1);
  m_lookup.mesh.vertexBuffer = vb.Get();
  m_lookup.mesh.indexBuffer = ib.Get();
  m_lookup.mesh.vertexCount = 3;
  m_lookup.mesh.faceCount = 1;
  m_lookup.mesh.radius = 2.5f;
  m_lookup.mesh.centre = D3DXVECTOR3(1, 2, 3);
  const ULONG vbRefs = RefCount(vb.Get());

  {
    DS_MeshNode node;
    node.LoadFromResources(DS_ImageFileLink(7, L"common_res.dll"), DS_FileLink3(68, L"common_res.dll"));
    EXPECT_EQ(m_lookup.lastStride, 32);
    EXPECT_EQ(node.texture.Get(), frame.Get());
    EXPECT_EQ(node.vertices.buffer.Get(), vb.Get());
    EXPECT_EQ(node.indices.buffer.Get(), ib.Get());
    EXPECT_EQ(node.vertices.vertexCount, 3);
    EXPECT_EQ(node.indices.primitiveCount, 1);
    EXPECT_EQ(node.primitiveType, D3DPT_TRIANGLELIST);
    EXPECT_EQ(node.bounds.radius, 2.5f);
    EXPECT_EQ(node.bounds.centre, D3DXVECTOR3(1, 2, 3));
    EXPECT_EQ(RefCount(vb.Get()), vbRefs + 1) << "the node holds its own reference";
  }
  EXPECT_EQ(RefCount(vb.Get()), vbRefs) << "and releases it";
}

}  // namespace
