#pragma once
// What the benchmarks read from outside a setup program, beyond what the
// tests' own driver (tests/support/program.h) offers: a fine clock, the
// pixels the screen shows, children in creation order.
#include <windows.h>
#include <cstddef>
#include <vector>

namespace bench {

// Milliseconds since an arbitrary start, with sub-millisecond resolution.
double now_ms();

// The colour the screen shows at a client point of window.
COLORREF screen_pixel(HWND window, int x, int y);
// The client area of window as the screen shows it, one 0x00RRGGBB value
// a pixel, row by row from the top; empty when it cannot be read.
std::vector<unsigned> screen_client(HWND window);
// The index-th child that window created (creation order, not z-order),
// its texts (Static windows) left out.
HWND created_child(HWND window, std::size_t index);

} // namespace bench
