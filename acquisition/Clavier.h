#pragma once

namespace acquisition {

// The character the board receives for the keypad key numbered `index` (1 to 15): the codes
// that follow '0', '1' to '?', whatever the key's caption.
constexpr char codeTouche(int index)
{
    return char('0' + index);
}

} // namespace acquisition
