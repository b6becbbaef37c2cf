// The board's menu: what each keypad byte from the PC does to the board state.
#pragma once

#include "frame.h"

#include <span>

namespace boardsim {

struct KeyHelp
{
    char key;            // byte received
    const char* caption; // keypad caption on the PC
    const char* action;
};

std::span<const KeyHelp> keyHelp();

// Applies one received byte; returns false for bytes that are not commands
// (they are ignored).
bool applyKey(BoardState& s, unsigned char byte);

} // namespace boardsim
