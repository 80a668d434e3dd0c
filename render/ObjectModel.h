#pragma once
// Every scene object exists twice. The document item (a DS_ABObj_Constructor
// subclass) is what the scene document stores: settings, name and time line. When a
// slide builds its objects, each item creates its run-time object (a DS_ABObj
// subclass), which owns a clone of the item and does the per-frame work: it advances
// with the slide's clock and draws itself through the layer's drawing interface.
//
// How an item class plugs in:
//   class DS_MyItem : public DS_ABObj_Constructor {
//     DS_MyItem(const DS_MyItem&);                       // clone base
//     void Read(DS_IOF_Handle& h, int version);          // own fields, then ReadSection
//     void Write(DS_IOF_Virtual& s) const override;      // header, fields, Base::Write
//     DS_ABObj* CreateObject() override;                 // new run-time object owning a clone
//   };
//   static IOF_Virtual_ReaderT<DS_MyItem> s_reader(L"DS_MyItem");   // in its .cpp

#include <windows.h>

#include <memory>

#include "document/Item.h"

class DS_ABObj;
class DS_ABRender;
class DS_ImageFileLink;
class DS_TimeLineControl;

// What an image-based item tells about its picture: its image link, its texture-set
// mode (the add-on flag of the sprite items), a reserved value and the step of one
// frame in the 0..1 range of a strip.
struct DS_TextureFrameInfo {
  const DS_ImageFileLink* imageLink = nullptr;
  int mode = 0;
  int reserved = 0;
  float frameStep = 1.0f;
};

// The document item of a scene object: name and time line (owned, never null).
class DS_ABObj_Constructor : public DS_IOF_Item {
public:
  // The item's base record; version 1 had no time line.
  static const int kRecordVersion = 2;
  // The kind of a plain item; brush objects answer 4, sound objects 1.
  static const int kItemKind = 3;

  DS_ABObj_Constructor();
  // Copies the name; the copy gets its own copy of the time line.
  DS_ABObj_Constructor(const DS_ABObj_Constructor& other);
  DS_ABObj_Constructor& operator=(const DS_ABObj_Constructor&) = delete;
  ~DS_ABObj_Constructor() override;

  // Writes the "DS_ABObj_Constructor" section; derived writers end by calling it.
  void Write(DS_IOF_Virtual& stream) const override;

  // The interface the item classes implement; nothing in the saver calls these.
  virtual int OnMouseMove(int x, int y) { return 0; }
  virtual void OnClick(int x, int y) {}
  virtual int GetKind() const { return kItemKind; }
  virtual DS_TextureFrameInfo& GetTextureFrameInfo(DS_TextureFrameInfo& info, int flag) const;
  // Reached from the run-time objects' mouse forwarders only; no item overrides it.
  virtual void OnObjectMouse(int x) {}

  // The run-time object of this item, owning a clone of it (never the item itself).
  virtual DS_ABObj* CreateObject() = 0;
  // The effect brushes give their mask a new GUID here.
  virtual void RenewMaskGuid() {}
  // Restarts the time line's appearance cycle.
  virtual void Reset();
  // Reached from DS_ABObj::QueryConstructor only; no item overrides it.
  virtual int QueryObject(DS_ABObj* object) const { return 0; }

  // The whole section: header, then Read.
  void ReadSection(DS_IOF_Handle& handle);
  // The section's fields after its header.
  void Read(DS_IOF_Handle& handle, int version);
  template <class IO>
  void Fields(IO& io, int version);

  const ds_string& GetName() const { return m_name; }
  void SetName(const ds_string& name) { m_name = name; }
  DS_TimeLineControl& TimeLine() const { return *m_timeLine; }

private:
  ds_string m_name;
  std::unique_ptr<DS_TimeLineControl> m_timeLine;
};

// Reads one item through the object registry. Returns null (and the stream failed)
// for an unregistered name or a record that could not be read whole.
DS_ABObj_Constructor* ReadAnyObject(DS_IOF_Handle& handle);

// The run-time object of a scene item. Owns the item clone it runs; held by its slide
// through a DS_SharedRef.
class DS_ABObj {
public:
  // Takes ownership of `constructor` (a clone made for this object).
  explicit DS_ABObj(DS_ABObj_Constructor* constructor);
  DS_ABObj(const DS_ABObj&) = delete;
  DS_ABObj& operator=(const DS_ABObj&) = delete;
  virtual ~DS_ABObj();

  virtual void Render(DS_ABRender* layer) = 0;
  virtual void OnMouseMove(int x, int y) = 0;
  virtual void OnResize() = 0;
  virtual void SetEnabled(bool enabled) { m_enabled = enabled; }
  // True for an object that reads the scene drawn before it.
  virtual bool NeedsSceneInput() const { return false; }
  virtual int GetKind() const;
  virtual bool HitTest(POINT point, int ignored) { return false; }
  virtual int QueryConstructor();
  virtual void Reset();
  // Per-frame work at the object's local time.
  virtual void Update(float localTime) = 0;

  // Advances the item's time line to scene time t, then Update with the local time.
  // The slide calls it every frame, for enabled and disabled objects alike.
  void UpdateAt(float t);
  // The slide time modulo the slide duration, read by window-mode time lines.
  void SetWrappedTime(float t);

  bool IsEnabled() const { return m_enabled; }
  DS_ABObj_Constructor* GetConstructor() const { return m_constructor.get(); }

protected:
  std::unique_ptr<DS_ABObj_Constructor> m_constructor;
  bool m_enabled = true;
};
