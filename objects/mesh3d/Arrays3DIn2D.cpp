#include "objects/mesh3d/Arrays3DIn2D.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "document/ClassRegistry.h"
#include "document/FieldIO.h"
#include "document/Item.h"
#include "document/ResourceCache.h"
#include "document/Utilities.h"
#include "objects/mesh3d/Objects3D.h"
#include "render/ABRender.h"
#include "render/SceneMapping.h"

float g_AnimationTime = 0.0f;

namespace {

IOF_Virtual_ReaderT<DS_3D_in_2D_array_Constructor> s_reader(L"DS_3D_in_2D_array_Constructor");

const float kPi = 3.1415927f;
// Longest time step a copy moves and turns by: a pause or a jump of the local time.
const float kMaxStep = 0.2f;
// How far below the pendulum's pivot a copy hangs, in scene pixels.
const float kPendulumLength = 50.0f;
// 16-bit indices address no more vertices than this.
const int kMaxIndexedVertices = 0xFFFF;

bool IsOdd(int value) { return (value & 1) != 0; }

float DegreesToRadians(float degrees) { return degrees * 2.0f * kPi / 360.0f; }

// A turn of `v` degrees (rate and start angle alike), reversed when `sign` is odd.
DS_LeafFallAnim::Turn MakeTurn(float v, int sign) {
  const float value = IsOdd(sign) ? -v : v;
  return DS_LeafFallAnim::Turn{value, value};
}

D3DXVECTOR4 AxisAt(float radians) {
  D3DXMATRIX rotation;
  D3DXMatrixRotationZ(&rotation, radians);
  const D3DXVECTOR4 unitX(1.0f, 0.0f, 0.0f, 0.0f);
  D3DXVECTOR4 axis;
  D3DXVec4Transform(&axis, &unitX, &rotation);
  // Scene y grows downwards: the angle turns counter-clockwise on the screen.
  axis.y = -axis.y;
  return axis;
}

void Append(D3DXMATRIX& m, const D3DXMATRIX& next) { D3DXMatrixMultiply(&m, &m, &next); }

}  // namespace

// ---- DS_StreamParams ----

DS_StreamParams::DS_StreamParams() : size(0u), speed(50u), sway(0u), gustRate(0u), spin(100u) { SetDirection(0); }

DS_StreamParams::DS_StreamParams(const DS_StreamParams& other)
    : size(other.size.GetValue()), speed(other.speed.GetValue()), sway(other.sway.GetValue()),
      gustRate(other.gustRate.GetValue()), spin(other.spin.GetValue()), m_angle(other.m_angle),
      m_mainAxis(other.m_mainAxis), m_crossAxis(other.m_crossAxis) {}

void DS_StreamParams::SetDirection(unsigned int degrees) {
  m_angle = degrees;
  m_mainAxis = AxisAt(static_cast<float>(degrees) * kPi / 180.0f);
  m_crossAxis = AxisAt(static_cast<float>(degrees + 90u) * kPi / 180.0f);
}

template <class IO>
void DS_StreamParams::Fields(IO& io, unsigned int& angle) {
  io.UInt(size);
  io.UInt(speed);
  io.UInt(sway);
  io.UInt(gustRate);
  io.UInt(spin);
  io.UInt(angle);
}

// ---- DS_3D_in_2D_array_Constructor ----

DS_3D_in_2D_array_Constructor::DS_3D_in_2D_array_Constructor() : instanceCount(0u) {}

DS_3D_in_2D_array_Constructor::DS_3D_in_2D_array_Constructor(const DS_3D_in_2D_array_Constructor& other)
    : DS_ABObj_Constructor(other), meshEntry(other.meshEntry), textureEntry(other.textureEntry),
      instanceCount(other.instanceCount.GetValue()), params(other.params) {}

DS_3D_in_2D_array_Constructor::~DS_3D_in_2D_array_Constructor() = default;

template <class IO>
void DS_3D_in_2D_array_Constructor::Fields(IO& io, int version, ds_string& name, unsigned int& angle) {
  // The base section below stores the name again.
  io.Text(name);
  io.UInt(instanceCount);
  io.Entry(meshEntry);
  io.Entry(textureEntry);
  params.Fields(io, angle);
}

void DS_3D_in_2D_array_Constructor::Read(DS_IOF_Handle& handle, int version) {
  ds_string name;
  unsigned int angle = 0;
  ReadFields(*handle, *this, version, name, angle);
  SetName(name);
  params.SetDirection(angle);
  DS_ABObj_Constructor::ReadSection(handle);
}

void DS_3D_in_2D_array_Constructor::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_3D_in_2D_array_Constructor", kRecordVersion);
  ds_string name = GetName();
  unsigned int angle = params.GetAngle();
  WriteFields(stream, *this, kRecordVersion, name, angle);
  DS_ABObj_Constructor::Write(stream);
}

DS_ABObj* DS_3D_in_2D_array_Constructor::CreateObject() {
  return new DS_3D_in_2D_array(new DS_3D_in_2D_array_Constructor(*this));
}

// ---- DS_SreamAnim ----

DS_SreamAnim::DS_SreamAnim(const DS_StreamParams& params) : m_params(params) {
  const float x = RandomFloat(0.0f, static_cast<float>(g_SceneWidth));
  const float y = RandomFloat(0.0f, static_cast<float>(g_SceneHeight));
  gust = RandomFloat(-1.0f, 1.0f);
  D3DXMatrixTranslation(&position, x, y, 0.0f);
  speedFactor = 0.07f + RandomFloat(0.0f, 0.06f);
}

void DS_SreamAnim::Animate(DS_Frame& /*frame*/) {
  const float t = g_AnimationTime;
  step = std::fabs(t - lastTime);
  if (step > kMaxStep) step = kMaxStep;
  lastTime = t;

  const float speed = static_cast<float>(m_params.speed.GetValue());
  const float sway = static_cast<float>(m_params.sway.GetValue());
  const float f = step * speedFactor * speed * 50.0f;
  const float j = gust * sway * 0.02f;
  const D3DXVECTOR4& along = m_params.MainAxis();
  const D3DXVECTOR4& across = m_params.CrossAxis();
  const float dx = f * (along.x + across.x * j);
  const float dy = f * (along.y + across.y * j);

  const float w = static_cast<float>(g_SceneWidth);
  const float h = static_cast<float>(g_SceneHeight);
  const float m = static_cast<float>(m_params.size.GetValue()) * 0.5f;
  float& x = position._41;
  float& y = position._42;
  // A copy that has left the scene re-enters at the opposite edge, half its size
  // outside, without moving in this frame.
  if (dy > 0 && y > h + m) {
    x = RandomFloat(0.0f, w);
    y = -m;
  } else if (dy < 0 && y < -m) {
    x = RandomFloat(0.0f, w);
    y = h + m;
  } else if (dx > 0 && x > w + m) {
    x = -m;
    y = RandomFloat(0.0f, h);
  } else if (dx < 0 && x < -m) {
    x = w + m;
    y = RandomFloat(0.0f, h);
  } else {
    x += dx;
    y += dy;
  }

  const unsigned int gustRate = m_params.gustRate.GetValue();
  if (gustRate != 0 && (t - lastGustTime) * speed * 0.1f > 100.0f / static_cast<float>(gustRate)) {
    lastGustTime = t;
    if (IsOdd(std::rand())) gust = RandomFloat(-1.0f, 1.0f);
  }
}

// ---- DS_LeafFallAnim ----

DS_LeafFallAnim::DS_LeafFallAnim(const DS_StreamParams& params) : DS_SreamAnim(params) {
  // The order of the draws is fixed: the same seed gives the same copies.
  int sign = std::rand();
  Turn* tumbles[3] = {&tumbleX, &tumbleY, &tumbleZ};
  for (Turn* turn : tumbles) {
    *turn = MakeTurn(RandomFloat(7.0f, 10.0f), sign);
    sign = std::rand();
  }
  // The last tumble sign decides whether the pendulum about Y swings at all.
  const int swingY = sign;
  int direction = std::rand();
  pendulumY = MakeTurn(RandomFloat(3.0f, 7.0f) * static_cast<float>(swingY % 2), direction);
  const int swingX = std::rand();
  direction = std::rand();
  pendulumX = MakeTurn(RandomFloat(3.0f, 7.0f) * static_cast<float>(swingX % 2), direction);
}

void DS_LeafFallAnim::Animate(DS_Frame& frame) {
  DS_SreamAnim::Animate(frame);

  // A copy without a mesh (bounding radius 0) shrinks to a point rather than giving
  // the layer an infinite matrix.
  const float size = static_cast<float>(m_params.size.GetValue());
  const float radius = frame.bounds.radius;
  float s = 0.0f;
  if (radius > 0.0f && std::isfinite(radius)) s = size * 0.5f / radius;
  if (!std::isfinite(s)) s = 0.0f;

  const float tumble = step * static_cast<float>(m_params.spin.GetValue()) * 0.4f;
  const float swing = step * static_cast<float>(m_params.sway.GetValue()) * 0.4f;
  tumbleX.angle += tumbleX.rate * tumble;
  tumbleY.angle += tumbleY.rate * tumble;
  tumbleZ.angle += tumbleZ.rate * tumble;
  pendulumY.angle += pendulumY.rate * swing;
  pendulumX.angle += pendulumX.rate * swing;

  D3DXMATRIX m, next;
  D3DXMatrixScaling(&m, s, s, s);
  Append(m, *D3DXMatrixRotationX(&next, DegreesToRadians(tumbleX.angle)));
  Append(m, *D3DXMatrixRotationZ(&next, DegreesToRadians(tumbleZ.angle)));
  Append(m, *D3DXMatrixRotationY(&next, DegreesToRadians(tumbleY.angle)));
  Append(m, *D3DXMatrixTranslation(&next, 0.0f, 0.0f, kPendulumLength));
  Append(m, *D3DXMatrixRotationY(&next, DegreesToRadians(pendulumY.angle)));
  Append(m, *D3DXMatrixRotationX(&next, DegreesToRadians(pendulumX.angle)));
  Append(m, position);
  D3DXMatrixMultiply(&frame.world, &frame.local, &m);
}

// ---- DS_3D_in_2D_array ----

bool IsDrawableMesh(const DS_MeshEntry& mesh) {
  if (!mesh.vertexBuffer || !mesh.indexBuffer) return false;
  if (mesh.vertexCount < 1 || mesh.vertexCount > kMaxIndexedVertices || mesh.faceCount < 1) return false;
  D3DINDEXBUFFER_DESC indexDesc = {};
  D3DVERTEXBUFFER_DESC vertexDesc = {};
  if (FAILED(mesh.indexBuffer->GetDesc(&indexDesc)) || FAILED(mesh.vertexBuffer->GetDesc(&vertexDesc))) return false;
  if (indexDesc.Format != D3DFMT_INDEX16) return false;
  const uint64_t indexBytes = uint64_t(mesh.faceCount) * 3u * sizeof(WORD);
  const uint64_t vertexBytes = uint64_t(mesh.vertexCount) * uint64_t(kMeshVertexStride);
  return indexDesc.Size >= indexBytes && vertexDesc.Size >= vertexBytes;
}

DS_3D_in_2D_array::DS_3D_in_2D_array(DS_3D_in_2D_array_Constructor* clone) : DS_ABObj(clone), m_item(clone) {
  if (g_ResourceCache) {
    DS_TextureRef picture = g_ResourceCache->GetTexture(m_item->textureEntry);
    m_mesh.texture.Set(picture.GetTexture());
    TakeMesh(g_ResourceCache->GetMesh(m_item->meshEntry, kMeshVertexStride));
  }
  SyncInstances();
}

DS_3D_in_2D_array::~DS_3D_in_2D_array() {
  // The animators read the item's parameters: the copies go before the item clone.
  for (DS_Frame* child : m_mesh.children) delete child;
  m_mesh.children.clear();
}

bool DS_3D_in_2D_array::TakeMesh(const DS_MeshEntry& mesh) {
  if (!IsDrawableMesh(mesh)) return false;
  m_mesh.vertices.Unlock();
  m_mesh.indices.Unlock();
  m_mesh.vertices.buffer.Set(mesh.vertexBuffer.Get());
  m_mesh.indices.buffer.Set(mesh.indexBuffer.Get());
  m_mesh.vertices.vertexCount = mesh.vertexCount;
  m_mesh.indices.primitiveCount = mesh.faceCount;
  m_mesh.bounds.radius = mesh.radius;
  m_mesh.bounds.centre = mesh.centre;
  m_mesh.primitiveType = D3DPT_TRIANGLELIST;
  return true;
}

void DS_3D_in_2D_array::SyncInstances() {
  unsigned int count = m_item->instanceCount.GetValue();
  if (count > kMax3DInstances) count = kMax3DInstances;
  std::vector<DS_Frame*>& copies = m_mesh.children;
  while (copies.size() < count) {
    DS_Frame* copy = m_mesh.AddChild();
    copy->SetController(new DS_LeafFallAnim(m_item->params));
    // Turns and scaling act about the bounding sphere's centre.
    copy->local._41 = -copy->bounds.centre.x;
    copy->local._42 = -copy->bounds.centre.y;
    copy->local._43 = -copy->bounds.centre.z;
  }
  while (copies.size() > count) {
    delete copies.front();
    copies.erase(copies.begin());
  }
}

bool DS_3D_in_2D_array::CanDraw() const {
  const float radius = m_mesh.bounds.radius;
  return !m_mesh.children.empty() && m_mesh.texture && m_mesh.vertices.buffer && m_mesh.indices.buffer &&
         radius > 0.0f && std::isfinite(radius);
}

void DS_3D_in_2D_array::Update(float localTime) {
  g_AnimationTime = localTime;
  m_mesh.world = m_mesh.local;
  for (DS_Frame* copy : m_mesh.children) {
    if (copy) copy->UpdateWorld(&m_mesh.world);
  }
}

void DS_3D_in_2D_array::Render(DS_ABRender* layer) {
  if (!layer || !CanDraw()) return;
  layer->DrawMeshNodeTwoPass(m_mesh);
}
