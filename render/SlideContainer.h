#pragma once
// One slide of the slide show: its timing (fade-in, show and fade-out seconds), its
// picture layer and two lists of scene items. The visual items become the objects
// drawn on the layer every frame; the secondary items (sounds) become objects that
// are updated and switched on and off with the slide but never drawn. The slide show
// owns its slides through DS_SharedRef; a slide owns its layer and its objects the
// same way, and its items until they are built.

#include <memory>
#include <vector>

#include "document/Item.h"
#include "document/MediaParam.h"
#include "document/ScaledParams.h"
#include "render/Layer.h"
#include "render/ObjectModel.h"

class DS_SlideContainer : public DS_IOF_Item {
public:
  static constexpr int kRecordVersion = 4;
  // Duration of a slide record that stores none: 10 s, kept as 1000 s by older
  // records through their x100 conversion.
  static constexpr unsigned int kDefaultDuration = 1000;

  DS_SlideContainer();
  DS_SlideContainer(const DS_SlideContainer&) = delete;
  DS_SlideContainer& operator=(const DS_SlideContainer&) = delete;
  ~DS_SlideContainer() override;

  // The record after the header the dispatcher read. A layer or item that cannot be
  // read fails the stream and is not stored.
  void Read(DS_IOF_Handle& handle, int version);
  // The slide's own fields, for reading and writing alike; the duration goes through
  // `storedDuration`, which the reader converts from older records' units. The light's
  // record and the item lists follow.
  template <class IO>
  void Fields(IO& io, int version, unsigned int& storedDuration);
  void Write(DS_IOF_Virtual& stream) const override;
  virtual void OnDeviceLost();

  // Once, after loading: the layer's device objects, then every item's run-time
  // object. The items are deleted afterwards.
  void BuildObjects();
  // The layer's camera, every object's time line and update at scene time t.
  void Update(float t);
  // The layer's picture and the object pass, capturing the scene when something
  // reads it.
  void Render(bool noClear);
  void RenderSurround(bool skip);
  // The slide becomes current: objects restart, the layer restores its device state.
  void Activate();
  void EnableSecondaryObjects(bool on);
  void SetSize(int width, int height);
  void SetFitType(int type);

  // A new reference to the layer (never empty).
  DS_SharedRef<DS_2D_Light> GetLight() const { return m_light; }
  // Replaces the layer (null keeps the current one).
  void SetLight(DS_2D_Light* light);
  // t modulo the duration in seconds; 0 when the duration is 0 or t is not finite.
  float GetWrappedTime(float t) const;

  // Items before the build (the slide takes ownership; null is ignored).
  void AddVisualItem(DS_ABObj_Constructor* item);
  void AddSecondaryItem(DS_ABObj_Constructor* item);
  size_t VisualItemCount() const { return m_visualItems.size(); }
  size_t SecondaryItemCount() const { return m_secondaryItems.size(); }
  const DS_ObjectList& GetVisualObjects() const { return m_visualObjects; }
  const DS_ObjectList& GetSecondaryObjects() const { return m_secondaryObjects; }
  bool IsBuilt() const { return m_built; }
  // Whether the slide looks the same at every later time: a still layer and no
  // objects (none says whether it moves, and sounds are kept going by updates).
  bool IsStill() const;

  MediaParamT<unsigned int> fadeIn;
  MediaParamT<unsigned int> fadeOut;
  MediaParamT<unsigned int> show;
  // Stored and written; nothing in the player reads it.
  MediaParamT<int> extraValue;
  MediaParamTB<ds_string> name;
  // Hundredths of a second; its result is seconds.
  TimeParam duration;

private:
  typedef std::vector<std::unique_ptr<DS_ABObj_Constructor>> ItemList;

  // uint32 count, then that many item records; false when the stream failed.
  static bool ReadItems(DS_IOF_Handle& handle, ItemList& items);
  static void WriteItems(DS_IOF_Virtual& stream, const ItemList& items, const DS_ObjectList& objects, bool built);
  static void BuildList(ItemList& items, DS_ObjectList& objects);

  DS_SharedRef<DS_2D_Light> m_light;
  DS_ObjectList m_visualObjects;
  DS_ObjectList m_secondaryObjects;
  ItemList m_visualItems;
  ItemList m_secondaryItems;
  // Render's scene-input answers of the frame, one per visual object.
  std::vector<bool> m_needsScene;
  bool m_built = false;
};

// Reads one slide record through the slide registry; null (and the stream failed)
// for an unregistered name or a record that could not be read whole.
DS_SlideContainer* ReadAnySlideContainer(DS_IOF_Handle& handle);
