#pragma once
// The 3D-in-2D arrays: many copies of one small textured mesh (a leaf, say) drifting
// over the slide picture in one common direction, pushed sideways by gusts, tumbling
// while they swing on a short pendulum, and re-entering at the opposite edge once they
// have left the scene. The item keeps the mesh and its picture as resource entries of
// the document. Its run-time object holds one textured mesh whose frame has one child
// frame per copy; the array owns the children, each child owns the animator that
// places its copy in scene pixels, and the layer draws the mesh once per child.

#include <d3dx9math.h>

#include "document/MediaParam.h"
#include "document/ResourceEntry.h"
#include "render/AnimationBase.h"
#include "render/Mesh.h"
#include "render/ObjectModel.h"

class DS_MeshEntry;

// The local time handed to the array whose Update runs now. Each array sets it before
// it moves its own copies, whose animators read it.
extern float g_AnimationTime;

// The motion every copy of an array shares; every animator keeps a reference to it.
class DS_StreamParams {
public:
  DS_StreamParams();
  DS_StreamParams(const DS_StreamParams& other);
  DS_StreamParams& operator=(const DS_StreamParams&) = delete;

  // angle := degrees; both axes follow from it, the angle turning counter-clockwise
  // on the screen: main = (cos a, -sin a, 0, 0), cross = (-sin a, -cos a, 0, 0).
  void SetDirection(unsigned int degrees);
  unsigned int GetAngle() const { return m_angle; }
  const D3DXVECTOR4& MainAxis() const { return m_mainAxis; }
  const D3DXVECTOR4& CrossAxis() const { return m_crossAxis; }

  // Size, speed, sway, gust rate, spin and the direction angle, as the item's record
  // holds them; read without notification. The angle goes through `angle`: the
  // reader sets it with SetDirection, which recomputes the axes.
  template <class IO>
  void Fields(IO& io, unsigned int& angle);

  // Diameter in scene pixels of each copy's bounding sphere; half of it is the margin
  // beyond the scene edges at which a copy wraps.
  MediaParamT<unsigned int> size;
  // Drift speed and gust clock.
  MediaParamT<unsigned int> speed;
  // Strength of the sideways gusts and rate of the pendulum.
  MediaParamT<unsigned int> sway;
  // How often the gust may change; 0: never.
  MediaParamT<unsigned int> gustRate;
  // Rate of the tumbling.
  MediaParamT<unsigned int> spin;

private:
  unsigned int m_angle = 0;
  D3DXVECTOR4 m_mainAxis;
  D3DXVECTOR4 m_crossAxis;
};

class DS_3D_in_2D_array_Constructor : public DS_ABObj_Constructor {
public:
  static const int kRecordVersion = 1;

  DS_3D_in_2D_array_Constructor();
  // Both entries, the copy count and the motion by value; the direction unchanged.
  DS_3D_in_2D_array_Constructor(const DS_3D_in_2D_array_Constructor& other);
  ~DS_3D_in_2D_array_Constructor() override;

  // The fields after the header; the version is not examined.
  void Read(DS_IOF_Handle& handle, int version);
  // The level's fields, for reading and writing alike; the name and the direction
  // angle go through `name` and `angle`.
  template <class IO>
  void Fields(IO& io, int version, ds_string& name, unsigned int& angle);
  void Write(DS_IOF_Virtual& stream) const override;
  // A new DS_3D_in_2D_array that owns a copy of this item.
  DS_ABObj* CreateObject() override;

  // The mesh: .x data embedded in the document, or a module resource.
  DS_ResourceEntry meshEntry;
  // The picture put on the mesh.
  DS_ResourceEntry textureEntry;
  MediaParamT<unsigned int> instanceCount;
  DS_StreamParams params;
};

// Drifts one copy across the scene: a random start, a speed of its own, the shared
// direction slanted by its gust, and re-entry at the opposite edge. Reads the time
// from g_AnimationTime; moves its position only and writes no matrix of the frame.
class DS_SreamAnim : public DS_AnimationBase {
public:
  // Four draws of the process-wide rand() sequence: x, y, gust, speed factor.
  explicit DS_SreamAnim(const DS_StreamParams& params);

  void Animate(DS_Frame& frame) override;

  float X() const { return position._41; }
  float Y() const { return position._42; }

  // Translation (x, y, 0); only x and y change.
  D3DXMATRIX position;
  // Sideways push in [-1, 1].
  float gust = 0.0f;
  float lastGustTime = 0.0f;
  // This copy's share of the speed, in [0.07, 0.13].
  float speedFactor = 0.0f;
  float lastTime = 0.0f;
  // The last time step in seconds, at most 0.2.
  float step = 0.0f;

protected:
  const DS_StreamParams& m_params;
};

// A falling leaf: the drift of DS_SreamAnim, a tumble about three axes and a swing on
// a pendulum 50 scene pixels long, the mesh scaled so that its bounding sphere is the
// item's size across.
class DS_LeafFallAnim : public DS_SreamAnim {
public:
  // In degrees per unit of time and degrees.
  struct Turn {
    float rate = 0.0f;
    float angle = 0.0f;
  };

  // The drift's draws, then twelve more in a fixed order: the turns' directions,
  // rates and whether each pendulum swings at all.
  explicit DS_LeafFallAnim(const DS_StreamParams& params);

  // World := local x scale x tumble x pendulum x position.
  void Animate(DS_Frame& frame) override;

  Turn tumbleX;
  Turn tumbleY;
  Turn tumbleZ;
  Turn pendulumY;
  Turn pendulumX;
};

// Meshes the array can draw: both buffers, 1 to 65,535 vertices addressed by 16-bit
// indices, at least one face, and buffers that hold what the counts claim.
bool IsDrawableMesh(const DS_MeshEntry& mesh);

class DS_3D_in_2D_array : public DS_ABObj {
public:
  // Takes ownership of `clone`; takes the picture and the mesh from g_ResourceCache
  // and makes one child frame per copy.
  explicit DS_3D_in_2D_array(DS_3D_in_2D_array_Constructor* clone);
  ~DS_3D_in_2D_array() override;

  // Every copy twice, once per cull direction; nothing without copies, picture or mesh.
  void Render(DS_ABRender* layer) override;
  void OnMouseMove(int x, int y) override {}
  void OnResize() override {}
  void Update(float localTime) override;

  // The mesh's buffers, counts and bounds as a triangle list; false, and nothing
  // taken, for a mesh IsDrawableMesh refuses.
  bool TakeMesh(const DS_MeshEntry& mesh);
  // One child frame per copy of the item's count (capped); the first children go
  // when there are too many.
  void SyncInstances();
  // Copies, picture, buffers and a bounding sphere to scale.
  bool CanDraw() const;

  const DS_TexturedMesh<DX_V::PNT>& GetMesh() const { return m_mesh; }
  DS_3D_in_2D_array_Constructor& GetItem() const { return *m_item; }

private:
  // Its frame keeps the identity; its children are the copies.
  DS_TexturedMesh<DX_V::PNT> m_mesh;
  DS_3D_in_2D_array_Constructor* m_item;  // the clone the base owns
};
