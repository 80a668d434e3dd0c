#pragma once
// Creation of scene classes from their stored class names. Three registries (layers,
// slides, scene-object items) map names to reader objects; every persisted class has
// one global reader object that registers itself before the entry point runs.
//
// A reader's Create gets the stream after the dispatcher has read the class name and
// version of the most derived level; the class reads its own fields, then its base
// levels (each with its own header). Every class T therefore offers
//   void T::Read(DS_IOF_Handle& handle, int version);

#include <map>
#include <memory>

#include "document/Item.h"

class DS_ABObj_Constructor;
class DS_2D_Light;
class DS_SlideContainer;

// Registers `reader` under `name` once: the flag remembers that it is in.
template <class Reader>
void RegisterClassReader(std::map<ds_string, Reader*>& registry, const wchar_t* name,
                         Reader* reader, unsigned char& registered) {
  if (registered) return;
  registry[ds_string(name)] = reader;
  registered = 1;
}

// Reader of scene-object items.
class IOF_Virtual_Reader {
public:
  typedef std::map<ds_string, IOF_Virtual_Reader*> Registry;
  virtual ~IOF_Virtual_Reader() = default;
  virtual DS_ABObj_Constructor* Create(DS_IOF_Handle& handle, int version) = 0;
  static Registry& GetRegistry();

protected:
  unsigned char m_registered = 0;
};

template <class T>
class IOF_Virtual_ReaderT : public IOF_Virtual_Reader {
public:
  explicit IOF_Virtual_ReaderT(const wchar_t* name) {
    RegisterClassReader<IOF_Virtual_Reader>(GetRegistry(), name, this, m_registered);
  }
  DS_ABObj_Constructor* Create(DS_IOF_Handle& handle, int version) override {
    std::unique_ptr<T> item(new T());
    item->Read(handle, version);
    return item.release();
  }
};

// Reader of the classes derived from Base (layers, slides).
template <class Base>
class IOF_Virtual_ReaderII {
public:
  typedef std::map<ds_string, IOF_Virtual_ReaderII<Base>*> Registry;
  virtual ~IOF_Virtual_ReaderII() = default;
  virtual Base* Create(DS_IOF_Handle& handle, int version) = 0;
  static Registry& GetRegistry() {
    static Registry registry;
    return registry;
  }

protected:
  unsigned char m_registered = 0;
};

template <class T, class Base>
class IOF_Virtual_ReaderT_II : public IOF_Virtual_ReaderII<Base> {
public:
  explicit IOF_Virtual_ReaderT_II(const wchar_t* name) {
    RegisterClassReader<IOF_Virtual_ReaderII<Base>>(IOF_Virtual_ReaderII<Base>::GetRegistry(),
                                                    name, this, this->m_registered);
  }
  Base* Create(DS_IOF_Handle& handle, int version) override {
    std::unique_ptr<T> object(new T());
    object->Read(handle, version);
    return object.release();
  }
};

// Dispatch of one record: class name, version, then the registered reader. An
// unregistered or empty name leaves the rest of the record unread and the stream
// misaligned, so it fails the stream; so does a record that could not be read whole.
// Returns null exactly when the stream has failed; never a half-read object. Every
// record of a document passes here: this is where a load that is to stop (the saver
// ends) stops.
template <class Base, class Registry>
Base* DispatchRecord(DS_IOF_Handle& handle, Registry& registry) {
  DS_IOF_Virtual& stream = *handle;
  if (stream.Failed() || stream.CheckAbort()) return nullptr;
  ds_string name;
  int version = 0;
  stream.ReadString(name);
  stream.ReadInt(version);
  if (stream.Failed()) return nullptr;
  auto found = registry.find(name);
  if (found == registry.end() || !found->second) {
    stream.MarkFailed();
    return nullptr;
  }
  std::unique_ptr<Base> object(found->second->Create(handle, version));
  if (stream.Failed() || !object) {
    stream.MarkFailed();
    return nullptr;
  }
  return object.release();
}
