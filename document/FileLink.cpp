#include "document/FileLink.h"

#include <sys/stat.h>

int32_t g_NextEmbeddedFileId = 0;
DS_LinkWrittenHook g_LinkWrittenHook = nullptr;

namespace {

const wchar_t kModuleExtension[] = L".dll";

}  // namespace

// --- DS_FileKey ---------------------------------------------------------------------

bool operator<(const DS_FileKey& a, const DS_FileKey& b) {
  // std::wstring compares wchar_t (16-bit unsigned here) one by one: ordinal order.
  int byPath = a.path.compare(b.path);
  if (byPath != 0) return byPath < 0;
  return a.stamp < b.stamp;
}

bool operator==(const DS_FileKey& a, const DS_FileKey& b) { return a.stamp == b.stamp && a.path == b.path; }

bool operator!=(const DS_FileKey& a, const DS_FileKey& b) { return !(a == b); }

// --- DS_FileLink3 -------------------------------------------------------------------

DS_FileLink3::DS_FileLink3(const DS_FileLink3& other) : MediaParam(), m_path(other.m_path), m_stamp(other.m_stamp) {}

DS_FileLink3& DS_FileLink3::operator=(const DS_FileLink3& other) {
  if (this != &other) SetKey(other.GetKey());
  return *this;
}

DS_FileLink3::DS_FileLink3(const ds_string& path) : m_path(path) {
  struct _stat64 info;
  if (_wstat64(path.c_str(), &info) == 0) m_stamp = static_cast<int64_t>(info.st_mtime);
}

DS_FileLink3::DS_FileLink3(int32_t resourceId, const ds_string& moduleName)
    : m_path(moduleName), m_stamp(static_cast<int64_t>(resourceId)) {}

DS_FileLink3::DS_FileLink3(const DS_FileKey& key) : m_path(key.path), m_stamp(key.stamp) {}

DS_FileLink3::DS_FileLink3(const DS_ResourceEntry& entry) {
  if (entry.ResourceId() != 0) {
    m_path = entry.ModuleName();
    m_stamp = static_cast<int64_t>(static_cast<uint32_t>(entry.ResourceId()));
  } else {
    m_path = entry.Name();
    m_stamp = g_NextEmbeddedFileId++;
  }
}

DS_FileLink3::~DS_FileLink3() = default;

void DS_FileLink3::StoreKey(const DS_FileKey& key) {
  m_path = key.path;
  m_stamp = key.stamp;
}

void DS_FileLink3::SetKey(const DS_FileKey& key, MediaControl* source) {
  if (key == GetKey()) return;
  StoreKey(key);
  NotifyControls(source);
}

ds_string DS_FileLink3::GetExtension() const {
  size_t dot = m_path.rfind(L'.');
  if (dot == ds_string::npos) return ds_string();
  ds_string extension = m_path.substr(dot);
  for (wchar_t& c : extension) {
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  }
  return extension;
}

bool DS_FileLink3::IsModuleLink() const { return GetExtension() == kModuleExtension; }

void DS_FileLink3::ReadField(DS_IOF_Virtual& stream, DS_FileLink3& link) {
  // The stream leaves a string unchanged for an empty stored one: start empty.
  ds_string path;
  int64_t stamp = 0;
  stream.ReadString(path);
  stream.ReadInt64(stamp);
  if (stream.Failed()) return;
  link.m_path = path;
  link.m_stamp = stamp;
}

void DS_FileLink3::WriteField(DS_IOF_Virtual& stream, const DS_FileLink3& link) {
  if (!link.m_path.empty() && g_LinkWrittenHook) g_LinkWrittenHook(link.GetKey());
  stream.WriteString(link.m_path);
  stream.WriteInt64(link.m_stamp);
}

// --- DS_ImageFileLink ---------------------------------------------------------------

DS_ImageFileLink& DS_ImageFileLink::operator=(const DS_ImageFileLink& other) {
  DS_FileLink3::operator=(other);
  return *this;
}

DS_ImageFileLink::~DS_ImageFileLink() {
  // The undo control is a member and dies before the MediaParam base detaches the rest.
  DetachControl(&m_undo);
  m_undo.DetachParam();
}

void DS_ImageFileLink::AttachUndo() {
  AttachControl(&m_undo);
  m_undo.OnParamChanged(nullptr);
}

void DS_ImageFileLink::UndoImage::OnParamChanged(MediaControl*) {
  if (m_owner && m_owner->GetKey() != m_snapshot) m_snapshot = m_owner->GetKey();
}

void DS_ImageFileLink::UndoImage::RestoreOwner() {
  if (!m_owner) return;
  m_owner->StoreKey(m_snapshot);
  m_owner->NotifyControls(this);
}

void DS_ImageFileLink::UndoImage::Undo() {
  if (m_history.StepBack(m_snapshot)) RestoreOwner();
}

void DS_ImageFileLink::UndoImage::Redo() {
  if (m_history.StepForward(m_snapshot)) RestoreOwner();
}
