#pragma once

#include <array>
#include <cassert>

namespace ui {

// A control array indexed from `First`, read as `CH(1)` like the panel's own names.
template <class Control, int First, int Last> struct ControlArray
{
    std::array<Control*, Last - First + 1> items{};

    Control* operator()(int index) const
    {
        assert(index >= First && index <= Last);
        return items[std::size_t(index - First)];
    }
    Control*& at(int index) { return items[std::size_t(index - First)]; }
};

} // namespace ui
