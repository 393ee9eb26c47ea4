#include "render/nearest_first.h"

namespace kelpris {

void NearestFirstBuffers::reset(std::int32_t width, std::int32_t height) {
    width = std::max(width, 1);
    height = std::max(height, 1);
    // Whole words of 64 columns per row and one more: 8 bytes read from any
    // pixel's byte stay in the row.
    const std::size_t rowBytes = (static_cast<std::size_t>(width) / 64 + 2) * 8;
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    bits_.assign(rowBytes * static_cast<std::size_t>(height), 0);
    if (markBytes_.size() < pixels) {
        markBytes_.clear();  // the old marks go before their successor is allocated
        markBytes_.shrink_to_fit();
        markBytes_.resize(pixels);
    }
    written_ = raster::WrittenPixels{bits_.data(), rowBytes};
    marks_ = PlaneView{markBytes_.data(), width, height, width};
}

}  // namespace kelpris
