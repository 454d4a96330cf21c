#pragma once

// Owns a region until the window system takes it over.

#include "platform/Rgn_32.h"

namespace platform {

class UniqueRegion {
public:
    UniqueRegion(Rgn_32& rgn, RegionHandle region) : rgn_(rgn), region_(region) {}
    ~UniqueRegion() {
        if (region_) rgn_.DeleteObject(region_);
    }
    UniqueRegion(const UniqueRegion&) = delete;
    UniqueRegion& operator=(const UniqueRegion&) = delete;

    explicit operator bool() const { return region_ != 0; }
    RegionHandle Get() const { return region_; }

    // Gives the region to the window. Refused, it stays ours and is deleted.
    void GiveTo(WindowHandle window, bool redraw) {
        if (region_ && rgn_.SetWindowRgn(window, region_, redraw) != 0) region_ = 0;
    }

private:
    Rgn_32& rgn_;
    RegionHandle region_;
};

}  // namespace platform
