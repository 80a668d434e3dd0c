#pragma once
// Observable parameters. Every editable value of a scene item is a parameter that
// keeps a list of controls (observers); a change tells every control except the one
// that caused it, in attachment order. Controls keep derived values in step, call
// back into the owning object, or keep an undo history.
//
// Neither side owns the other. A control that dies first leaves the parameter's list;
// a parameter that dies first detaches every control still in its list, so neither
// keeps a dangling pointer. Copying a parameter copies its value, never its controls.

#include <windows.h>

#include <cstddef>
#include <cstring>
#include <type_traits>
#include <iterator>
#include <list>
#include <utility>

class MediaControl;

class MediaParam {
public:
  MediaParam() = default;
  // A copy starts without controls: controls belong to the object they were bound in.
  MediaParam(const MediaParam&) {}
  MediaParam& operator=(const MediaParam&) { return *this; }
  virtual ~MediaParam();

  // Hook of the authoring tool's editors; the saver's parameters do nothing here.
  virtual void EditValue(MediaControl* source) {}

  // Calls OnParamChanged(source) on every control but `source`, in list order. A
  // control removed by an earlier control's handler is not called.
  void NotifyControls(MediaControl* source);

  // Appends `control` to the list and tells it which parameter it now observes, so
  // that a control that dies first can leave the list.
  void AttachControl(MediaControl* control);
  void DetachControl(MediaControl* control);

  bool HasControl(const MediaControl* control) const;
  size_t ControlCount() const { return m_controls.size(); }
  const std::list<MediaControl*>& Controls() const { return m_controls; }

private:
  std::list<MediaControl*> m_controls;
};

class MediaControl {
public:
  MediaControl() = default;
  virtual ~MediaControl();

  // The observed parameter is being destroyed: forget it.
  virtual void DetachParam() {}
  // Asked by the authoring tool's editors; no control of the saver answers true.
  virtual bool IsEditorLock() const { return false; }
  // The observed value changed; `source` is the control that changed it (or null).
  virtual void OnParamChanged(MediaControl* source) = 0;
  // Called by MediaParam::AttachControl; controls that keep their parameter note it.
  virtual void OnAttached(MediaParam* param) {}
};

// Equality used by the change rule: a value equal to the current one notifies nothing.
template <class T>
struct MediaValueEquality {
  static bool Equal(const T& a, const T& b) { return a == b; }
};

template <>
struct MediaValueEquality<POINT> {
  static bool Equal(const POINT& a, const POINT& b) { return a.x == b.x && a.y == b.y; }
};

// The value a parameter starts with when it is given none: T's value-initialised
// value, except for plain types whose default constructor leaves the value unset (the
// math vectors declare an empty one), which start as all zero bits.
template <class T>
T InitialMediaValue() {
  if constexpr (std::is_trivially_copyable<T>::value && !std::is_trivially_default_constructible<T>::value) {
    T value;
    std::memset(static_cast<void*>(&value), 0, sizeof value);
    return value;
  } else {
    return T();
  }
}

// A parameter holding a value of type T.
template <class T>
class MediaParamTB : public MediaParam {
public:
  MediaParamTB() : m_value(InitialMediaValue<T>()) {}
  explicit MediaParamTB(const T& value) : m_value(value) {}
  MediaParamTB(const MediaParamTB& other) : MediaParam(), m_value(other.m_value) {}
  // Assignment takes the value only, through the change rule.
  MediaParamTB& operator=(const MediaParamTB& other) {
    if (this != &other) SetValue(other.m_value);
    return *this;
  }

  const T& GetValue() const { return m_value; }
  // Raw access for readers: they store what the document holds and then notify
  // where derived values must follow.
  T& Value() { return m_value; }

  void SetValue(const T& value, MediaControl* source = nullptr) {
    if (MediaValueEquality<T>::Equal(m_value, value)) return;
    m_value = value;
    NotifyControls(source);
  }
  void StoreValue(const T& value) { m_value = value; }

protected:
  T m_value;
};

// Base of the undo controls of parameters and image links. The saver never calls
// Undo, Redo or PushHistory; the histories stay empty.
class UndoCtrl : public MediaControl {
public:
  virtual void Undo() = 0;
  virtual void Redo() = 0;
  virtual void PushHistory() = 0;
};

// An undo history of at most kMaxUndoSteps values, newest first. The cursor is at the
// front after a push and at the end once everything is undone.
template <class V>
class MediaUndoHistory {
public:
  static constexpr size_t kMaxUndoSteps = 20;

  MediaUndoHistory() : m_cursor(m_entries.begin()) {}
  MediaUndoHistory(const MediaUndoHistory&) = delete;
  MediaUndoHistory& operator=(const MediaUndoHistory&) = delete;

  // Drops the undone entries, records `cached` as the newest entry, keeps the newest
  // kMaxUndoSteps.
  void Push(const V& cached) {
    m_entries.erase(m_entries.begin(), m_cursor);
    m_entries.push_front(cached);
    if (m_entries.size() > kMaxUndoSteps) m_entries.pop_back();
    m_cursor = m_entries.begin();
  }
  // Swaps the entry at the cursor with `cached` and moves towards the end; false when
  // there is nothing to undo.
  bool StepBack(V& cached) {
    if (m_entries.empty() || m_cursor == m_entries.end()) return false;
    V& entry = *m_cursor;
    ++m_cursor;
    std::swap(entry, cached);
    return true;
  }
  // Moves towards the front and swaps that entry with `cached`; false at the front.
  bool StepForward(V& cached) {
    if (m_entries.empty() || m_cursor == m_entries.begin()) return false;
    --m_cursor;
    std::swap(*m_cursor, cached);
    return true;
  }
  void Clear() {
    m_entries.clear();
    m_cursor = m_entries.begin();
  }

  const std::list<V>& Entries() const { return m_entries; }
  // Entries between the front and the cursor (the undone ones).
  size_t UndoneCount() const {
    return static_cast<size_t>(std::distance(m_entries.begin(), typename std::list<V>::const_iterator(m_cursor)));
  }

private:
  std::list<V> m_entries;
  typename std::list<V>::iterator m_cursor;
};

template <class T>
class MediaParamT;

// The undo control embedded in every MediaParamT, always the first control of its
// owner's list. It caches the owner's value after every change.
template <class T>
class UndoCtrlT : public UndoCtrl {
public:
  explicit UndoCtrlT(MediaParamT<T>* owner) : m_cached(), m_owner(owner) {}
  UndoCtrlT(const UndoCtrlT&) = delete;
  UndoCtrlT& operator=(const UndoCtrlT&) = delete;

  void DetachParam() override { m_owner = nullptr; }
  void OnParamChanged(MediaControl* source) override;
  void Undo() override;
  void Redo() override;
  void PushHistory() override { m_history.Push(m_cached); }

  const T& CachedValue() const { return m_cached; }
  MediaParamT<T>* Owner() const { return m_owner; }
  const MediaUndoHistory<T>& History() const { return m_history; }

private:
  // After a swap: hands the restored value to the owner unless it already holds it.
  void RestoreOwner();

  T m_cached;
  MediaParamT<T>* m_owner;
  MediaUndoHistory<T> m_history;
};

// A parameter with its own undo control. The control lives inside the parameter and
// is removed from the list before the parameter's base detaches the other controls.
template <class T>
class MediaParamT : public MediaParamTB<T> {
public:
  MediaParamT() : m_undo(this) { AttachUndo(); }
  explicit MediaParamT(const T& value) : MediaParamTB<T>(value), m_undo(this) { AttachUndo(); }
  MediaParamT(const MediaParamT& other) : MediaParamTB<T>(other), m_undo(this) { AttachUndo(); }
  MediaParamT& operator=(const MediaParamT& other) {
    if (this != &other) this->SetValue(other.GetValue());
    return *this;
  }
  ~MediaParamT() override {
    // The undo control is a member and dies before the base destructor runs.
    this->DetachControl(&m_undo);
    m_undo.DetachParam();
  }

  UndoCtrlT<T>& UndoControl() { return m_undo; }
  const UndoCtrlT<T>& UndoControl() const { return m_undo; }

private:
  void AttachUndo() {
    this->AttachControl(&m_undo);
    m_undo.OnParamChanged(nullptr);
  }

  UndoCtrlT<T> m_undo;
};

template <class T>
void UndoCtrlT<T>::OnParamChanged(MediaControl*) {
  if (m_owner) m_cached = m_owner->GetValue();
}

template <class T>
void UndoCtrlT<T>::RestoreOwner() {
  if (!m_owner || MediaValueEquality<T>::Equal(m_cached, m_owner->GetValue())) return;
  m_owner->StoreValue(m_cached);
  m_owner->NotifyControls(this);
}

template <class T>
void UndoCtrlT<T>::Undo() {
  if (m_history.StepBack(m_cached)) RestoreOwner();
}

template <class T>
void UndoCtrlT<T>::Redo() {
  if (m_history.StepForward(m_cached)) RestoreOwner();
}

// A control observing one parameter of type P through a pointer that the parameter
// clears when it dies first.
template <class P>
class MediaControlT : public MediaControl {
public:
  MediaControlT() = default;
  MediaControlT(const MediaControlT&) = delete;
  MediaControlT& operator=(const MediaControlT&) = delete;
  ~MediaControlT() override {
    if (m_param) m_param->DetachControl(this);
  }

  void DetachParam() override { m_param = nullptr; }
  void OnParamChanged(MediaControl*) override {}
  // Attached directly with AttachControl: observe that parameter from now on. A
  // control observes one parameter at a time.
  void OnAttached(MediaParam* param) override {
    P* typed = dynamic_cast<P*>(param);
    if (!typed || typed == m_param) return;
    if (m_param) m_param->DetachControl(this);
    m_param = typed;
  }

  // Leaves the parameter observed so far and joins the end of `param`'s list.
  void Observe(P* param) {
    if (m_param) m_param->DetachControl(this);
    m_param = param;
    if (m_param) m_param->AttachControl(this);
  }
  P* ObservedParam() const { return m_param; }

protected:
  P* m_param = nullptr;
};
