#pragma once
// File links. A scene item never holds a picture, effect, mesh or sound itself: it
// holds a link whose key names the data, and asks the document's resource manager for
// the loaded object. One key names three kinds of source:
//   - a file path (not ending in ".dll") and its modification time, or a running
//     number for an embedded file without resource id: the file's bytes embedded in
//     the document, failing that the file itself;
//   - a module name ending in ".dll" (any case) and a resource id: that resource of
//     the module;
//   - an empty path and a resource id: the program's own "DDS" resource.
// A link is a member of its item; run-time objects get copies.

#include <cstdint>

#include "document/MediaParam.h"
#include "document/ResourceEntry.h"
#include "document/Stream.h"

// The value of every link and the key of the resource tables.
struct DS_FileKey {
  ds_string path;
  int64_t stamp = 0;

  DS_FileKey() = default;
  DS_FileKey(const ds_string& keyPath, int64_t keyStamp) : path(keyPath), stamp(keyStamp) {}
};

// Paths code unit by code unit (case matters), then stamps as signed numbers.
bool operator<(const DS_FileKey& a, const DS_FileKey& b);
bool operator==(const DS_FileKey& a, const DS_FileKey& b);
bool operator!=(const DS_FileKey& a, const DS_FileKey& b);

// Stamp handed to the next link made from an embedded file without resource id.
extern int32_t g_NextEmbeddedFileId;

// Called by DS_FileLink3::WriteField for every link with a path, so that the document
// being written can embed the linked file's entries under the link's key. The resource
// manager installs it; while none is installed (or no document is current) writing a
// link writes only its field.
typedef void (*DS_LinkWrittenHook)(const DS_FileKey& key);
extern DS_LinkWrittenHook g_LinkWrittenHook;

class DS_FileLink3 : public MediaParam {
public:
  DS_FileLink3() = default;
  DS_FileLink3(const DS_FileLink3& other);
  DS_FileLink3& operator=(const DS_FileLink3& other);
  // A file on disk: the stamp is its modification time (0 when it cannot be read).
  explicit DS_FileLink3(const ds_string& path);
  // A module resource: the stamp is the id sign-extended.
  DS_FileLink3(int32_t resourceId, const ds_string& moduleName);
  explicit DS_FileLink3(const DS_FileKey& key);
  // An embedded entry: a module resource when it has an id (stamp zero-extended),
  // otherwise its name and the next embedded-file number.
  explicit DS_FileLink3(const DS_ResourceEntry& entry);
  ~DS_FileLink3() override;

  void EditValue(MediaControl*) override {}

  ds_string GetPath() const { return m_path; }
  int64_t GetStamp() const { return m_stamp; }
  DS_FileKey GetKey() const { return DS_FileKey(m_path, m_stamp); }
  // Stores a new key without notification; owners notify when they must.
  void StoreKey(const DS_FileKey& key);
  // Stores a new key and, when it differs, notifies the controls.
  void SetKey(const DS_FileKey& key, MediaControl* source = nullptr);

  // From the last '.' to the end, ASCII letters lower-cased; empty without a '.'.
  ds_string GetExtension() const;
  // True for a link to a resource of a module (".dll" path).
  bool IsModuleLink() const;

  // Stored layout: serialized string path, then the 8-byte stamp. An empty stored path
  // gives an empty path; a failed read leaves the link as it was.
  static void ReadField(DS_IOF_Virtual& stream, DS_FileLink3& link);
  static void WriteField(DS_IOF_Virtual& stream, const DS_FileLink3& link);

protected:
  ds_string m_path;
  int64_t m_stamp = 0;
};

// The link of pictures and picture sequences. Its frames are the texture set the
// resource manager keeps under its key. It carries an undo control of keys, attached
// first, that nothing in the saver calls.
class DS_ImageFileLink : public DS_FileLink3 {
public:
  class UndoImage : public UndoCtrl {
  public:
    explicit UndoImage(DS_ImageFileLink* owner) : m_owner(owner) {}
    UndoImage(const UndoImage&) = delete;
    UndoImage& operator=(const UndoImage&) = delete;

    void DetachParam() override { m_owner = nullptr; }
    void OnParamChanged(MediaControl* source) override;
    void Undo() override;
    void Redo() override;
    void PushHistory() override { m_history.Push(m_snapshot); }

    const DS_FileKey& Snapshot() const { return m_snapshot; }
    const MediaUndoHistory<DS_FileKey>& History() const { return m_history; }

  private:
    // After a swap the owner takes the restored key and its other controls are told.
    void RestoreOwner();

    DS_ImageFileLink* m_owner;
    DS_FileKey m_snapshot;
    MediaUndoHistory<DS_FileKey> m_history;
  };

  DS_ImageFileLink() : m_undo(this) { AttachUndo(); }
  DS_ImageFileLink(const DS_ImageFileLink& other) : DS_FileLink3(other), m_undo(this) { AttachUndo(); }
  DS_ImageFileLink& operator=(const DS_ImageFileLink& other);
  explicit DS_ImageFileLink(const ds_string& path) : DS_FileLink3(path), m_undo(this) { AttachUndo(); }
  DS_ImageFileLink(int32_t resourceId, const ds_string& moduleName)
      : DS_FileLink3(resourceId, moduleName), m_undo(this) {
    AttachUndo();
  }
  explicit DS_ImageFileLink(const DS_FileKey& key) : DS_FileLink3(key), m_undo(this) { AttachUndo(); }
  explicit DS_ImageFileLink(const DS_ResourceEntry& entry) : DS_FileLink3(entry), m_undo(this) { AttachUndo(); }
  ~DS_ImageFileLink() override;

  void EditValue(MediaControl*) override {}

  UndoImage& UndoControl() { return m_undo; }

private:
  void AttachUndo();

  UndoImage m_undo;
};
