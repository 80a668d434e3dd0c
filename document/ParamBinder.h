#pragma once
// Binders: parameter controls that forward every change of one parameter to a member
// function of the object that installed them, so objects learn of new values without
// polling. An object keeps its binders in a DS_FunLightCtrlList, which deletes them
// with the object. The list cannot be copied: a copy of an object binds anew.

#include <list>

#include "document/MediaParam.h"

// Calls owner->function(value) after every change of the observed value.
template <class T, class Owner>
class DS_FunLightCtrl : public MediaControlT<MediaParamTB<T>> {
public:
  typedef void (Owner::*Function)(T);

  DS_FunLightCtrl(Function function, Owner* owner) : m_function(function), m_owner(owner) {}

  void OnParamChanged(MediaControl*) override {
    if (this->m_param && m_owner && m_function) (m_owner->*m_function)(this->m_param->GetValue());
  }

private:
  Function m_function;
  Owner* m_owner;
};

// Calls owner->function() after every change of the observed parameter.
template <class Owner>
class DS_FunLightCtrl2 : public MediaControl {
public:
  typedef void (Owner::*Function)();

  DS_FunLightCtrl2(Function function, Owner* owner) : m_function(function), m_owner(owner) {}
  DS_FunLightCtrl2(const DS_FunLightCtrl2&) = delete;
  DS_FunLightCtrl2& operator=(const DS_FunLightCtrl2&) = delete;
  ~DS_FunLightCtrl2() override {
    if (m_param) m_param->DetachControl(this);
  }

  void DetachParam() override { m_param = nullptr; }
  void OnParamChanged(MediaControl*) override {
    if (m_owner && m_function) (m_owner->*m_function)();
  }
  void OnAttached(MediaParam* param) override {
    if (param == m_param) return;
    if (m_param) m_param->DetachControl(this);
    m_param = param;
  }

  void Observe(MediaParam* param) {
    if (m_param) m_param->DetachControl(this);
    m_param = param;
    if (m_param) m_param->AttachControl(this);
  }
  MediaParam* ObservedParam() const { return m_param; }

private:
  Function m_function;
  Owner* m_owner;
  MediaParam* m_param = nullptr;
};

template <class X>
struct DS_BinderOwnerOf {
  typedef X Type;
};

// The binders of one object, and optionally an object the list owns (the target).
// An object that embeds a list binds with itself as owner and leaves the target
// unset or not owned; a list that keeps its defaults deletes the target it is given.
class DS_FunLightCtrlList {
public:
  DS_FunLightCtrlList() = default;
  DS_FunLightCtrlList(const DS_FunLightCtrlList&) = delete;
  DS_FunLightCtrlList& operator=(const DS_FunLightCtrlList&) = delete;
  ~DS_FunLightCtrlList();

  // Value binding: the owner receives the current value at once, then every change.
  // Owner is taken from the member function, so a base-class function binds too.
  template <class T, class Owner>
  DS_FunLightCtrl<T, Owner>* BindValue(MediaParamTB<T>& param, typename DS_BinderOwnerOf<Owner>::Type* owner,
                                       void (Owner::*function)(T)) {
    DS_FunLightCtrl<T, Owner>* binder = new DS_FunLightCtrl<T, Owner>(function, owner);
    binder->Observe(&param);
    binder->OnParamChanged(nullptr);
    m_binders.push_back(binder);
    return binder;
  }

  // Change binding: the owner is called on every later change, not now.
  template <class Owner>
  DS_FunLightCtrl2<Owner>* BindChange(MediaParam& param, typename DS_BinderOwnerOf<Owner>::Type* owner,
                                      void (Owner::*function)()) {
    DS_FunLightCtrl2<Owner>* binder = new DS_FunLightCtrl2<Owner>(function, owner);
    binder->Observe(&param);
    m_binders.push_back(binder);
    return binder;
  }

  // Sets the object the binders serve. When `ownsTarget` is set the list deletes it
  // (through its virtual destructor) when the list dies or another target replaces it.
  template <class X>
  void SetTarget(X* target, bool ownsTarget) {
    DeleteOwnedTarget();
    m_target = target;
    m_deleteTarget = &DeleteAs<X>;
    m_ownsTarget = ownsTarget;
  }
  void* Target() const { return m_target; }
  bool OwnsTarget() const { return m_ownsTarget; }

  // Deletes every binder (each leaves its parameter unless that died first).
  void Clear();
  size_t Count() const { return m_binders.size(); }

private:
  template <class X>
  static void DeleteAs(void* target) {
    delete static_cast<X*>(target);
  }
  void DeleteOwnedTarget();

  void* m_target = nullptr;
  void (*m_deleteTarget)(void*) = nullptr;
  bool m_ownsTarget = true;
  std::list<MediaControl*> m_binders;
};
