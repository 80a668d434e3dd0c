#pragma once
// An abort check for tests of work that can be stopped: it counts the questions and
// answers yes from a given one on, so a test can tell how far the work went before it
// was stopped and whether it asked again after that.

#include "document/AbortCheck.h"

namespace ds_test {

class CountingAbortCheck : public DS_AbortCheck {
public:
  // Yes from question `yesAt` on (counted from 1); 0 never says yes.
  explicit CountingAbortCheck(int yesAt = 0) : yesAt(yesAt) {}
  bool ShouldAbort() override {
    ++asked;
    return yesAt > 0 && asked >= yesAt;
  }

  int yesAt;
  int asked = 0;
};

}  // namespace ds_test
