#include "view/paint_buffers.h"

namespace kelpris {

KeptPictureSelection::KeptPictureSelection(DrawingSurface& window, DrawingSurface* memory,
                                           std::unique_ptr<Bitmap>& kept, std::int32_t width,
                                           std::int32_t height)
    : memory_(memory) {
    if (memory_ == nullptr) {
        return;
    }
    if (kept && kept->width() == width && kept->height() == height) {
        previous_ = memory_->selectBitmap(kept.get());
        if (previous_ != nullptr) {
            return;
        }
    }
    kept.reset();  // the old picture goes before its successor is allocated
    kept = window.createCompatibleBitmap(width, height);
    if (kept) {
        previous_ = memory_->selectBitmap(kept.get());
    }
}

KeptPictureSelection::~KeptPictureSelection() {
    if (previous_ != nullptr) {
        memory_->selectBitmap(previous_);
    }
}

}  // namespace kelpris
