// The saver window without a screen: an image that persists, and a count of the refreshes that
// would have put it on the screen. The headless runner, the benchmarks and the tests present
// their frames into it.
#pragma once

#include "scene/stage.hpp"

namespace vorlip {

class OffscreenWindow : public WindowImage {
  public:
    OffscreenWindow(int w, int h) : image_(w, h) {}
    Surface& image() override { return image_; }
    void refresh(const Damage&) override { ++refreshes_; }
    long long refreshes() const { return refreshes_; }

  private:
    Surface image_;
    long long refreshes_ = 0;
};

}  // namespace vorlip
