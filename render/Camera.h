#pragma once
// The camera of a layer: while its slide is current it shows the picture zoomed in and
// drifting, with eased moves of a few seconds between random positions and short
// pauses, on a clock of its own that runs at an adjustable speed. It only computes the
// zoom and the two drift values; the current view context turns them into the camera
// matrix. It also names the picture of the surround bands. Each layer owns one.

#include "document/FileLink.h"
#include "document/Item.h"
#include "document/MediaParam.h"
#include "document/ScaledParams.h"

class DSM_Camera : public DS_IOF_Item {
public:
  static const int kVersion = 2;
  // Defaults: zoom 120 (1.20 at scale 0.01), speed 50 (1.0 at scale 0.02), surround
  // picture 6 of the common resource module.
  static const unsigned kDefaultZoom = 120;
  static constexpr float kZoomScale = 0.01f;
  static const unsigned kDefaultSpeed = 50;
  static constexpr float kSpeedScale = 0.02f;
  static const int kDefaultSurroundId = 6;

  // The move under way, in camera-clock seconds; drift values in [-1, 1].
  struct Drift {
    float fromX = 0, toX = 0;
    float fromY = 0, toY = 0;
    float start = 0, end = 0;
  };

  DSM_Camera();
  DSM_Camera(const DSM_Camera& other) = default;
  // Takes every field: values with their scales and offsets, the clock, the drift mode,
  // the surround link and the drift state.
  DSM_Camera& operator=(const DSM_Camera& other) = default;

  // The fields of a record of `version` (class name and version already read).
  void Read(DS_IOF_Handle& handle, int version);
  template <class IO>
  void Fields(IO& io, int version);
  // A whole record (class name, version, fields) read into a fresh camera whose fields
  // are then copied here; a record that could not be read whole changes nothing.
  void ReadRecord(DS_IOF_Handle& handle);
  void Write(DS_IOF_Virtual& stream) const override;

  // Advances the clock to scene time t, moves the drift and hands zoom and drift to
  // g_CurrentViewContext.
  void Update(float t);
  // Starts the next move (or pause) at clock time d, from where the last one ended.
  void PickMove(float d);
  // Back to the centre; the next update starts a new move at once.
  void ClearDrift() { drift = Drift(); }

  // What the last Update handed to the view context.
  float GetZoomNow() const { return m_zoomNow; }
  float GetDriftXNow() const { return m_driftXNow; }
  float GetDriftYNow() const { return m_driftYNow; }

  MediaParamT<int> on;           // non-zero: the camera may drift (stored)
  UINTSclaleTo<float> zoom;      // zoom while drifting (stored)
  MediaSpeedParam speed;         // speed of the camera clock, with the clock (stored)
  MediaParamTB<int> driftMode;   // 1 while the layer's slide is current (run time only)
  DS_ImageFileLink surroundImage;  // picture of the surround bands (stored)
  Drift drift;

private:
  float m_zoomNow = 1.0f;
  float m_driftXNow = 0;
  float m_driftYNow = 0;
};
