#pragma once

// Mouse buttons and modifier keys as the screen's mouse events carry them, one bit each.
namespace Buttons {
constexpr int Left = 1, Right = 2, Middle = 4;
}
namespace Shifts {
constexpr int Shift = 1, Ctrl = 2, Alt = 4;
}
