#pragma once
// The two screens of the view.

#include <cstdint>

namespace kelpris {

/// The screen DrawScreen paints; the numbers are the screen flag's values.
enum class Screen : std::int32_t {
    Setup = 0,   ///< side and plan views with the handles (shown first)
    Stereo = 1,  ///< the whole window as the two-colour picture
};

/// The other screen: what a double-click switches to.
constexpr Screen otherScreen(Screen s) noexcept {
    return s == Screen::Setup ? Screen::Stereo : Screen::Setup;
}

}  // namespace kelpris
