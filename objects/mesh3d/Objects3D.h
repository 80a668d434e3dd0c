#pragma once
// The 3D objects: small models drawn over the slide picture, flying butterflies or an
// analogue clock. The item names its meshes and pictures, how many copies to show and
// their size; its run-time object keeps one frame tree per copy (the root owns its
// animator, the children are deleted with the tree) and one mesh node per mesh, and
// draws every mesh node once per instance frame.

#include <list>
#include <vector>

#include "document/CompositeParams.h"
#include "document/FileLink.h"
#include "document/MediaParam.h"
#include "document/ModuleResources.h"
#include "document/ParamBinder.h"
#include "document/ScaledParams.h"
#include "render/Mesh.h"
#include "render/ViewObjCtrl.h"

// A link to a mesh (a module resource or a file).
class DS_MeshFile : public DS_FileLink3 {
public:
  DS_MeshFile() = default;
  DS_MeshFile(int32_t resourceId, const ds_string& moduleName) : DS_FileLink3(resourceId, moduleName) {}
};

class DS_3DObjArray;

// Copy counts of the 3D objects come from the document: more copies than this are
// not made.
const unsigned int kMax3DInstances = 1024;

class DS_3D_Obj_Ctrl : public DS_ViewObjCtrl {
public:
  static const int kRecordVersion = 1;
  static constexpr const wchar_t* kModule = kSharedModuleName;

  DS_3D_Obj_Ctrl();
  DS_3D_Obj_Ctrl(const DS_3D_Obj_Ctrl& other);
  ~DS_3D_Obj_Ctrl() override;

  // The "DS_3D_Obj_Ctrl" section, then the "DS_ViewObjCtrl" one.
  void Write(DS_IOF_Virtual& stream) const override;
  // A new DS_3DObjArray that owns a clone of this item.
  DS_ABObj* CreateObject() override;

  // Fills the object's mesh nodes.
  virtual void BuildMeshes(std::vector<DS_MeshNode>& nodes) = 0;
  // Hands the instance frames to the mesh nodes.
  virtual void BindInstances(std::list<DS_Frame*>& instances, std::vector<DS_MeshNode>& nodes) {}
  // A new instance tree; the caller owns the root and deletes its children with it.
  virtual DS_Frame* CreateInstance() = 0;
  // Answered by the clock; nothing in the saver asks.
  virtual int IsClock() const { return 0; }
  virtual DS_3D_Obj_Ctrl* Clone() const = 0;

  // The section after its header, all fields stored without notification.
  void ReadSection3D(DS_IOF_Handle& handle);
  template <class IO>
  void Fields(IO& io, int version);

  MediaParamT<unsigned int> instanceCount;
  MediaParamT<unsigned int> size;
  DS_ImageFileLink imageLink;
  DS_MeshFile meshFile;
};

// Both nodes' instance lists := every root's children at the front of node 1's list,
// every root appended to node 0's list (the shared binding of butterfly and clock).
void BindBodyAndChildren(std::list<DS_Frame*>& instances, std::vector<DS_MeshNode>& nodes);

// Deletes an instance tree: the children (and theirs) first, then the root.
void DeleteInstanceTree(DS_Frame* root);

class DS_ButterflyConstructor : public DS_3D_Obj_Ctrl {
public:
  static const int kRecordVersion = 2;

  DS_ButterflyConstructor();
  DS_ButterflyConstructor(const DS_ButterflyConstructor& other);

  void Write(DS_IOF_Virtual& stream) const override;
  void Read(DS_IOF_Handle& handle, int version);
  template <class IO>
  void Fields(IO& io, int version);

  void BuildMeshes(std::vector<DS_MeshNode>& nodes) override;
  void BindInstances(std::list<DS_Frame*>& instances, std::vector<DS_MeshNode>& nodes) override;
  DS_Frame* CreateInstance() override;
  DS_3D_Obj_Ctrl* Clone() const override { return new DS_ButterflyConstructor(*this); }

  DS_ImageFileLink bodyImage;
  DS_MeshFile bodyMesh;
  // Stored and copied; nothing in the saver reads them.
  UINTSclaleTo<float> reserved1;
  UINTSclaleTo<float> reserved2;
  float wingScale = 1.0f;
};

class DS_ClockConstructor : public DS_3D_Obj_Ctrl {
public:
  static const int kRecordVersion = 1;

  DS_ClockConstructor();
  DS_ClockConstructor(const DS_ClockConstructor& other);
  ~DS_ClockConstructor() override;

  void Write(DS_IOF_Virtual& stream) const override;
  void Read(DS_IOF_Handle& handle, int version);
  template <class IO>
  void Fields(IO& io, int version);

  void BuildMeshes(std::vector<DS_MeshNode>& nodes) override;
  void BindInstances(std::list<DS_Frame*>& instances, std::vector<DS_MeshNode>& nodes) override;
  DS_Frame* CreateInstance() override;
  int IsClock() const override { return 1; }
  DS_3D_Obj_Ctrl* Clone() const override { return new DS_ClockConstructor(*this); }

  // Corners (left, bottom), (left, top), (right, bottom), (right, top).
  void GetScreenQuad(DS_ScreenQuad& quad) const override;
  bool HitTest(float x, float y) const override { return clockRect.Contains(x, y); }

  // Reloads the dial from the dial picture and the mesh when the picture changes.
  void OnDialImageChanged();

  MediaRectangle clockRect;
  DS_ImageFileLink handsImage;
  // The object's mesh nodes, remembered for reloading the dial.
  std::vector<DS_MeshNode>* meshVector = nullptr;

private:
  void BindDial();

  DS_FunLightCtrlList m_binders;
};

class DS_3DObjArray : public DS_ABObj {
public:
  // Takes ownership of `clone`.
  explicit DS_3DObjArray(DS_3D_Obj_Ctrl* clone);
  ~DS_3DObjArray() override;

  void Render(DS_ABRender* layer) override;
  void OnMouseMove(int x, int y) override {}
  void OnResize() override {}
  bool HitTest(POINT point, int ignored) override;
  void Update(float localTime) override;

  void OnInstanceCountChanged(unsigned int count);

  DS_3D_Obj_Ctrl& GetItem() const { return *m_item; }
  const std::list<DS_Frame*>& GetInstances() const { return m_instances; }
  std::vector<DS_MeshNode>& GetMeshNodes() { return m_meshNodes; }

private:
  DS_3D_Obj_Ctrl* m_item;
  std::list<DS_Frame*> m_instances;
  std::vector<DS_MeshNode> m_meshNodes;
  DS_FunLightCtrlList m_binders;
};
