#include "objects/mesh3d/Objects3D.h"

#include <cmath>

#include "document/ClassRegistry.h"
#include "document/FieldIO.h"
#include "document/Item.h"
#include "objects/sprites/CharacterAnimators.h"
#include "render/ABRender.h"
#include "render/SceneMapping.h"
#include "render/ScreenQuad.h"

namespace {

IOF_Virtual_ReaderT<DS_ButterflyConstructor> s_butterflyReader(L"DS_ButterflyConstructor");
IOF_Virtual_ReaderT<DS_ClockConstructor> s_clockReader(L"DS_ClockConstructor");

const float kPi = 3.1415927f;

D3DXMATRIX ScalingTimes(float sx, float sy, float sz, const D3DXMATRIX& then) {
  D3DXMATRIX s, out;
  D3DXMatrixScaling(&s, sx, sy, sz);
  D3DXMatrixMultiply(&out, &s, &then);
  return out;
}

void LoadNode(DS_MeshNode& node, const DS_ImageFileLink& picture, const DS_FileLink3& mesh, BYTE twoSided) {
  node.LoadFromResources(picture, mesh);
  node.twoSided = twoSided;
}

}  // namespace

// ---- DS_3D_Obj_Ctrl ----

DS_3D_Obj_Ctrl::DS_3D_Obj_Ctrl() : instanceCount(1), size(50) { speed.Value() = 50; }

DS_3D_Obj_Ctrl::DS_3D_Obj_Ctrl(const DS_3D_Obj_Ctrl& other)
    : DS_ViewObjCtrl(other), instanceCount(other.instanceCount.GetValue()), size(other.size.GetValue()),
      imageLink(other.imageLink), meshFile(other.meshFile) {}

DS_3D_Obj_Ctrl::~DS_3D_Obj_Ctrl() = default;

template <class IO>
void DS_3D_Obj_Ctrl::Fields(IO& io, int version) {
  io.UInt(instanceCount);
  io.UInt(size);
  io.Link(imageLink);
  io.Link(meshFile);
}

void DS_3D_Obj_Ctrl::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_3D_Obj_Ctrl", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  DS_ViewObjCtrl::Write(stream);
}

void DS_3D_Obj_Ctrl::ReadSection3D(DS_IOF_Handle& handle) {
  const int version = ReadLevelHeader(*handle);
  ReadFields(*handle, *this, version);
  DS_ViewObjCtrl::ReadSection(handle);
}

DS_ABObj* DS_3D_Obj_Ctrl::CreateObject() { return new DS_3DObjArray(Clone()); }

void BindBodyAndChildren(std::list<DS_Frame*>& instances, std::vector<DS_MeshNode>& nodes) {
  if (nodes.size() < 2) return;
  nodes[0].instances.clear();
  nodes[1].instances.clear();
  for (DS_Frame* root : instances) {
    if (!root) continue;
    for (DS_Frame* child : root->children) nodes[1].instances.insert(nodes[1].instances.begin(), child);
    nodes[0].instances.push_back(root);
  }
}

void DeleteInstanceTree(DS_Frame* root) {
  if (!root) return;
  for (DS_Frame* child : root->children) DeleteInstanceTree(child);
  root->children.clear();
  delete root;
}

// ---- DS_ButterflyConstructor ----

DS_ButterflyConstructor::DS_ButterflyConstructor()
    : bodyImage(6, kModule), bodyMesh(68, kModule), reserved1(50, 1.0f, 0.0f), reserved2(50, 1.0f, 0.0f) {
  meshFile.StoreKey(DS_MeshFile(69, kModule).GetKey());
  size.Value() = 100;
  viewObject = true;
}

DS_ButterflyConstructor::DS_ButterflyConstructor(const DS_ButterflyConstructor& other)
    : DS_3D_Obj_Ctrl(other), bodyImage(other.bodyImage), bodyMesh(other.bodyMesh), reserved1(other.reserved1),
      reserved2(other.reserved2), wingScale(other.wingScale) {}

template <class IO>
void DS_ButterflyConstructor::Fields(IO& io, int version) {
  io.Link(bodyImage);
  io.Link(bodyMesh);
  io.Field(reserved1);
  io.Field(reserved2);
  if (version > 1) io.Float(wingScale);
}

void DS_ButterflyConstructor::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_ButterflyConstructor", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  DS_3D_Obj_Ctrl::Write(stream);
}

void DS_ButterflyConstructor::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  // A scale that is not a finite number would turn every wing matrix into NaN.
  if (!std::isfinite(wingScale)) wingScale = 1.0f;
  ReadSection3D(handle);
}

void DS_ButterflyConstructor::BuildMeshes(std::vector<DS_MeshNode>& nodes) {
  nodes.clear();
  nodes.resize(2);
  LoadNode(nodes[0], bodyImage, bodyMesh, 0);
  LoadNode(nodes[1], imageLink, meshFile, 1);
}

void DS_ButterflyConstructor::BindInstances(std::list<DS_Frame*>& instances, std::vector<DS_MeshNode>& nodes) {
  BindBodyAndChildren(instances, nodes);
}

DS_Frame* DS_ButterflyConstructor::CreateInstance() {
  DS_Frame* root = new DS_Frame();
  D3DXMATRIX turn;
  D3DXMatrixRotationY(&turn, kPi / 2);
  root->local = ScalingTimes(0.5f, 0.5f, 0.5f, turn);
  AC_Butterfly* butterfly = new AC_Butterfly(*this, size);
  root->SetController(butterfly);
  // The wing frames own the wing animators the butterfly made.
  AC_ButterflyWing* wings[2] = {butterfly->GetWing1(), butterfly->GetWing2()};
  for (AC_ButterflyWing* wing : wings) {
    DS_Frame* frame = root->AddChild();
    D3DXMatrixScaling(&frame->local, wingScale, wingScale, wingScale);
    frame->SetController(wing);
  }
  return root;
}

// ---- DS_ClockConstructor ----

DS_ClockConstructor::DS_ClockConstructor() : handsImage(72, kModule) {
  clockRect.Extra1().Value() = g_SceneWidth / 2;
  clockRect.Extra2().Value() = g_SceneHeight / 2;
  meshFile.StoreKey(DS_MeshFile(70, kModule).GetKey());
  imageLink.StoreKey(DS_ImageFileLink(71, kModule).GetKey());
  size.Value() = 400;
  BindDial();
}

DS_ClockConstructor::DS_ClockConstructor(const DS_ClockConstructor& other)
    : DS_3D_Obj_Ctrl(other), handsImage(other.handsImage) {
  clockRect = other.clockRect;
  BindDial();
}

DS_ClockConstructor::~DS_ClockConstructor() { m_binders.Clear(); }

void DS_ClockConstructor::BindDial() {
  m_binders.SetTarget(this, false);
  m_binders.BindChange(imageLink, this, &DS_ClockConstructor::OnDialImageChanged);
}

void DS_ClockConstructor::OnDialImageChanged() {
  if (!meshVector || meshVector->empty()) return;
  (*meshVector)[0].LoadFromResources(imageLink, meshFile);
}

template <class IO>
void DS_ClockConstructor::Fields(IO& io, int version) {
  clockRect.Fields(io);
  io.Link(handsImage);
}

void DS_ClockConstructor::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_ClockConstructor", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  DS_3D_Obj_Ctrl::Write(stream);
}

void DS_ClockConstructor::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  ReadSection3D(handle);
}

void DS_ClockConstructor::BuildMeshes(std::vector<DS_MeshNode>& nodes) {
  nodes.clear();
  nodes.resize(2);
  LoadNode(nodes[0], imageLink, meshFile, 1);
  LoadNode(nodes[1], handsImage, meshFile, 1);
  meshVector = &nodes;
}

void DS_ClockConstructor::BindInstances(std::list<DS_Frame*>& instances, std::vector<DS_MeshNode>& nodes) {
  BindBodyAndChildren(instances, nodes);
}

DS_Frame* DS_ClockConstructor::CreateInstance() {
  DS_Frame* root = new DS_Frame();
  D3DXMATRIX m;
  D3DXMatrixRotationX(&m, kPi / 2);
  root->local = ScalingTimes(0.01f, 0.01f, 0.01f, m);
  root->SetController(new AC_Static(clockRect, size));
  DS_Frame* hour = root->AddChild();
  D3DXMatrixTranslation(&m, 0, 0, 10);
  hour->local = ScalingTimes(0.01f, 1.0f, 0.3f, m);
  hour->SetController(new AC_ClockArrow(AC_ClockArrow::kHourHand));
  DS_Frame* minute = root->AddChild();
  D3DXMatrixTranslation(&m, 0, 0, 13);
  minute->local = ScalingTimes(0.01f, 1.0f, 0.38f, m);
  minute->SetController(new AC_ClockArrow(AC_ClockArrow::kMinuteHand));
  return root;
}

void DS_ClockConstructor::GetScreenQuad(DS_ScreenQuad& quad) const {
  quad.Reset();
  quad.SetCorners(static_cast<float>(clockRect.Left().GetValue()), static_cast<float>(clockRect.Top().GetValue()),
                  static_cast<float>(clockRect.Right().GetValue()), static_cast<float>(clockRect.Bottom().GetValue()));
}

// ---- DS_3DObjArray ----

DS_3DObjArray::DS_3DObjArray(DS_3D_Obj_Ctrl* clone) : DS_ABObj(clone), m_item(clone) {
  m_item->BuildMeshes(m_meshNodes);
  m_binders.SetTarget(this, false);
  m_binders.BindValue(m_item->instanceCount, this, &DS_3DObjArray::OnInstanceCountChanged);
}

DS_3DObjArray::~DS_3DObjArray() {
  m_binders.Clear();
  for (DS_Frame* root : m_instances) DeleteInstanceTree(root);
  m_instances.clear();
  for (DS_MeshNode& node : m_meshNodes) node.instances.clear();
  if (DS_ClockConstructor* clock = dynamic_cast<DS_ClockConstructor*>(m_item)) clock->meshVector = nullptr;
}

void DS_3DObjArray::OnInstanceCountChanged(unsigned int count) {
  if (count > kMax3DInstances) count = kMax3DInstances;
  while (m_instances.size() < count) m_instances.push_back(m_item->CreateInstance());
  while (m_instances.size() > count) {
    DeleteInstanceTree(m_instances.front());
    m_instances.pop_front();
  }
  m_item->BindInstances(m_instances, m_meshNodes);
}

void DS_3DObjArray::Update(float localTime) {
  m_item->UpdateTime(localTime);
  for (DS_Frame* root : m_instances) root->UpdateWorld(nullptr);
}

void DS_3DObjArray::Render(DS_ABRender* layer) {
  if (!layer) return;
  for (const DS_MeshNode& node : m_meshNodes) layer->DrawMeshNode(node);
}

bool DS_3DObjArray::HitTest(POINT point, int /*ignored*/) {
  return m_item->HitTest(static_cast<float>(point.x), static_cast<float>(point.y));
}
