#include "render/SlideShow.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "device/DeviceGlobals.h"
#include "device/DeviceUtil.h"
#include "document/DocResManager.h"
#include "render/DeviceStates.h"
#include "render/TexturedQuad.h"

namespace {

// Fewest bytes a slide record and an audio-file record can take, for counts.
const size_t kLeastSlideRecordBytes = kLeastStringBytes + 4;
const size_t kLeastAudioRecordBytes = 2 * kLeastStringBytes + 4 + kLeastNamedBufferBytes;

float ClampAlpha(float alpha) {
  if (!(alpha > 0.0f)) return 0.0f;  // also NaN
  return alpha > 1.0f ? 1.0f : alpha;
}

}  // namespace

DS_SlideShow_Light::DS_SlideShow_Light() = default;

// The slides and tracks first, the current reference last.
DS_SlideShow_Light::~DS_SlideShow_Light() {
  m_slides.clear();
  m_audioFiles.clear();
  m_current.Release();
}

// ---- record ----

void DS_SlideShow_Light::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_SlideShow_Light", kRecordVersion);
  stream.WriteUInt(static_cast<unsigned int>(m_slides.size()));
  for (const auto& slide : m_slides) slide->Write(stream);
  stream.WriteUInt(static_cast<unsigned int>(m_audioFiles.size()));
  for (const auto& track : m_audioFiles) track->Write(stream);
}

void DS_SlideShow_Light::ReadSlides(DS_IOF_Handle& handle) {
  DS_IOF_Virtual& stream = *handle;
  unsigned int count = 0;
  stream.ReadUInt(count);
  if (stream.Failed() || !stream.CheckCount(count, kLeastSlideRecordBytes)) return;
  for (unsigned int i = 0; i < count; ++i) {
    DS_SlideContainer* slide = ReadAnySlideContainer(handle);
    if (!slide) return;
    m_slides.emplace_back(slide);
  }
}

void DS_SlideShow_Light::ReadAudioFiles(DS_IOF_Handle& handle) {
  DS_IOF_Virtual& stream = *handle;
  unsigned int count = 0;
  stream.ReadUInt(count);
  if (stream.Failed() || !stream.CheckCount(count, kLeastAudioRecordBytes)) return;
  for (unsigned int i = 0; i < count; ++i) {
    DS_AudioFile* track = DS_AudioFile::CreateFromStream(stream);
    if (!track) return;
    m_audioFiles.emplace_back(track);
  }
}

void DS_SlideShow_Light::AddSlide(DS_SlideContainer* slide) {
  if (slide) m_slides.emplace_back(slide);
}

void DS_SlideShow_Light::AddAudioFile(DS_AudioFile* track) {
  if (track) m_audioFiles.emplace_back(track);
}

// ---- set-up ----

void DS_SlideShow_Light::BuildSlideObjects(bool deferPictures) {
  DS_DocResManager* manager = deferPictures ? g_CurrentDocResManager : nullptr;
  m_slidePictures.assign(m_slides.size(), std::vector<DS_FileKey>());
  for (size_t i = 0; i < m_slides.size(); ++i) {
    if (CheckAbort()) return;
    if (manager) manager->BeginPictureList();
    m_slides[i]->BuildObjects();
    if (!manager) continue;
    m_slidePictures[i] = manager->EndPictureList();
    std::reverse(m_slidePictures[i].begin(), m_slidePictures[i].end());
  }
  ReadSlidePictures(0, false);
}

bool DS_SlideShow_Light::ReadSlidePictures(size_t index, bool justOne) {
  if (index >= m_slidePictures.size() || !g_CurrentDocResManager) return false;
  std::vector<DS_FileKey>& keys = m_slidePictures[index];
  bool read = false;
  while (!keys.empty()) {
    // Keys another slide has read since (pictures they share) are dropped on the way:
    // an empty list means nothing is left to read.
    if (read && justOne && g_CurrentDocResManager->HasUnreadPictures(keys.back())) break;
    // Decoding a picture is the longest step of a switch; one that is unread stays
    // listed when the work stops before it.
    if (g_CurrentDocResManager->HasUnreadPictures(keys.back()) && CheckAbort()) break;
    read = g_CurrentDocResManager->ReadPictures(keys.back()) || read;
    keys.pop_back();
  }
  return read;
}

bool DS_SlideShow_Light::CheckAbort() {
  if (!m_aborted && m_abortCheck && m_abortCheck->ShouldAbort()) m_aborted = true;
  return m_aborted;
}

bool DS_SlideShow_Light::HasUnreadSlidePictures(size_t index) const {
  return index < m_slidePictures.size() && !m_slidePictures[index].empty();
}

void DS_SlideShow_Light::ApplyPicturePosition(int type) {
  for (const auto& slide : m_slides) slide->SetFitType(type);
}

DS_ScreenQuad DS_SlideShow_Light::GetScreenQuad() const {
  DS_ScreenQuad quad;
  quad.FromBackBuffer();
  return quad;
}

void DS_SlideShow_Light::RestoreDocumentDeviceObjects() {
  if (g_CurrentDocResManager) g_CurrentDocResManager->OnDeviceRestored();
}

void DS_SlideShow_Light::ActivateCurrentSlide() {
  if (!m_current) return;
  const D3DSURFACE_DESC desc = GetBackBufferDesc();
  if (desc.Width != 0) m_current->SetSize(int(desc.Width), int(desc.Height));
  m_current->GetLight()->SetCameraDrift(true);
  m_current->Activate();
  RestoreDocumentDeviceObjects();
  m_current->EnableSecondaryObjects(true);
}

// ---- slide clock ----

void DS_SlideShow_Light::SetOverlayAlpha(float alpha) {
  const float clamped = ClampAlpha(alpha);
  const int byte = int(clamped * 255.0f) & 0xFF;
  // The vertices carry the same byte: only a new one is written.
  if (byte == m_overlayAlpha) return;
  m_overlayAlpha = byte;
  SetOverlayVerticesAlpha(m_overlay, clamped);
}

void DS_SlideShow_Light::SwitchToNextSlide(float t) {
  // The next index is kept below the count; a show that lost slides starts over.
  const unsigned int index = m_nextIndex < m_slides.size() ? m_nextIndex : 0;
  // Due now: whatever the last show left unread is read before the slide draws. When
  // the saver ends meanwhile, the switch goes no further: the outgoing slide stays.
  ReadSlidePictures(index, false);
  if (m_aborted) return;
  m_current->EnableSecondaryObjects(false);
  // The outgoing slide's layer lets go of its screen-sized targets, as on a lost device;
  // activation makes them again when the slide next shows. The document's pictures and
  // meshes stay: a slide that comes round again shows them without reading them anew.
  const DS_SharedRef<DS_SlideContainer> outgoing = m_current;
  m_current = m_slides[index];
  m_currentIndex = int(index);
  m_startTime = t;
  m_nextIndex = index + 1 == m_slides.size() ? 0 : index + 1;
  if (outgoing.Get() != m_current.Get()) outgoing->OnDeviceLost();
  // The screen is black under the overlay: the device lets go of its copies of what the
  // slides before drew (managed resources keep their own and are copied back when next
  // drawn), so that device memory holds the pictures of the slide on screen only.
  if (g_CurrentDevice) g_CurrentDevice->EvictManagedResources();
  ActivateCurrentSlide();
}

int DS_SlideShow_Light::Update(float t) {
  m_lastTime = t;
  // Once the saver is ending nothing more is read, made or moved.
  if (m_slides.empty() || m_aborted) return 0;
  if (!m_current || !m_overlayBuilt) {
    ReadSlidePictures(0, false);
    if (m_aborted) return 0;
    m_current = m_slides[0];
    m_currentIndex = 0;
    // The first slide starts at the end of its fade-in: fully visible.
    m_startTime = t - float(m_current->fadeIn.GetValue());
    ActivateCurrentSlide();
    BuildOverlayVertices(m_overlay, kOverlayColor, GetScreenQuad());
    m_overlayBuilt = true;
    m_overlayAlpha = 0;
  } else if (m_slides.size() >= 2) {
    const unsigned int fadeIn = m_current->fadeIn.GetValue();
    const unsigned int show = m_current->show.GetValue();
    const unsigned int fadeOut = m_current->fadeOut.GetValue();
    const float limit = float(fadeIn + show + fadeOut);
    if (t - m_startTime > limit) {
      SwitchToNextSlide(t);
    } else {
      // The next slide's pictures, one a frame from the frame after the switch on: the
      // switch's own frame is not held up.
      ReadSlidePictures(m_nextIndex, true);
    }
    if (m_aborted) return 0;
    // On a switching call the outgoing slide's times still apply, with e = 0.
    const float e = t - m_startTime;
    const float in = float(fadeIn);
    const float inAndShow = float(fadeIn) + float(show);
    float alpha = 0.0f;
    if (e < in) {
      alpha = (in - e) / in;
    } else if (e > inAndShow) {
      alpha = (e - inAndShow) / float(fadeOut);
    }
    SetOverlayAlpha(alpha);
  }
  m_current->Update(t);
  return 0;
}

float DS_SlideShow_Light::StillUntil(float t) const {
  if (!m_current || !m_overlayBuilt || m_overlayAlpha != 0 || !m_current->IsStill()) return t;
  // Frames go on while the next slide's pictures are read, one a frame.
  if (m_slides.size() >= 2 && HasUnreadSlidePictures(m_nextIndex)) return t;
  if (m_slides.size() < 2) return std::numeric_limits<float>::infinity();
  const float fadeOutStart = m_startTime + float(m_current->fadeIn.GetValue()) + float(m_current->show.GetValue());
  return fadeOutStart > t ? fadeOutStart : t;
}

// ---- drawing and device ----

int DS_SlideShow_Light::Render(bool noClear) {
  if (!m_current) return 0;
  // Each frame sets its states from a cache that knows nothing: a state that something
  // outside the drawing code set behind it lasts no longer than the frame.
  ForgetDeviceStates();
  m_current->Render(noClear);
  m_current->RenderSurround(noClear);
  DS_SharedRef<DS_2D_Light> light = m_current->GetLight();
  // A special layer ends its capture in its surround pass; whatever is still open
  // here would leave the back buffer without the frame.
  if (light->IsCaptureOpen()) light->EndSceneCapture(false);
  if (m_overlayBuilt) light->DrawOverlayVertices(m_overlay);
  return 0;
}

int DS_SlideShow_Light::OnDeviceLost() {
  for (const auto& slide : m_slides) slide->OnDeviceLost();
  if (g_CurrentDocResManager) g_CurrentDocResManager->ReleaseDeviceObjects();
  return 0;
}

int DS_SlideShow_Light::OnDeviceRestored() {
  if (!m_current) return 0;
  m_current->GetLight()->OnDeviceRestored();
  RestoreDocumentDeviceObjects();
  return 0;
}
