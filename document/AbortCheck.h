#pragma once
// The question that long work on the window thread asks between its steps (the
// document's records and pictures while it loads, a slide's pictures at a switch):
// is the saver ending, so that the rest is not wanted? The host answers from the
// input waiting for its windows; the work that hears yes stops at that step, leaves
// what it has not done undone and asks no more. The host owns the check; the loader
// hands it to the stream and the slide show, which keep a pointer to it.

class DS_AbortCheck {
public:
  virtual ~DS_AbortCheck() = default;
  // True when the work should stop here. Asked often: an answer may be one looked up
  // a moment ago.
  virtual bool ShouldAbort() = 0;
};
