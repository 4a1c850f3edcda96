// Starts a setup program and times it from outside, for the benchmarks:
//   bench_driver first-paint EXE CAPTION HOLD_MS X,Y,RRGGBB...
//     ms from process creation until the window with CAPTION is visible and
//     every listed client pixel shows its colour; then holds the program
//     open HOLD_MS (so that its memory can be read) and ends it. While it
//     holds, the whole client area is read back again and again: the
//     complete page is the first moment from which on it looks as it does
//     at the end (but for a blinking caret), and the start tick
//     (GetTickCount at process creation) places Wine's own timestamps.
//   bench_driver probe EXE CAPTION WAIT_MS X,Y...
//     the colours of client pixels WAIT_MS after the window appears.
//   bench_driver install EXE CAPTION
//     walks our wizard (licence, install, default path) and reports the ms
//     from the last Next until Next reads "Finish"; then presses it.
//   bench_driver unattended EXE ARGUMENTS
//     ms from process creation until the program, started with ARGUMENTS
//     (/S: ours and NSIS's silent install), has ended, and its exit code.
#include "screen.h"
#include "support/dialogs.h"
#include "support/program.h"
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct PixelCheck {
    int x = 0;
    int y = 0;
    COLORREF colour = 0;
};

bool parse_point(const char *text, PixelCheck &check, bool with_colour) {
    unsigned rgb = 0;
    const int fields = std::sscanf(text, "%d,%d,%x", &check.x, &check.y, &rgb);
    check.colour = RGB(rgb >> 16, (rgb >> 8) & 255, rgb & 255);
    return fields == (with_colour ? 3 : 2);
}

constexpr double kTimeoutMs = 30000;

HWND wait_for_window(const testing_support::ProgramRun &program, const char *caption) {
    const double start = bench::now_ms();
    while (bench::now_ms() - start < kTimeoutMs) {
        if (HWND window = program.visible_window(caption)) return window;
        ::Sleep(1);
    }
    return nullptr;
}

// A sent message returns once the program has handled what was posted before.
void settle(HWND window) {
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &ignored);
}

// Pixels a caret covers, and no step of painting a page is as small.
constexpr std::size_t kCaretPixels = 40;

std::size_t differing(const std::vector<unsigned> &a, const std::vector<unsigned> &b) {
    if (a.size() != b.size()) return a.size() + b.size();
    std::size_t count = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        count += a[i] != b[i];
    return count;
}

// Reads the client area until hold_ms after painted_at have passed; the
// ms (from start) from which on every reading is the last one, give or
// take a caret, or the time of the first reading when all were.
double complete_page(HWND window, double start, double painted_at, DWORD hold_ms) {
    struct Reading {
        double at;
        std::vector<unsigned> pixels;
    };
    std::vector<Reading> changes; // each reading that differs from the one before
    while (bench::now_ms() - painted_at < hold_ms) {
        const double at = bench::now_ms();
        std::vector<unsigned> pixels = bench::screen_client(window);
        if (changes.empty() || pixels != changes.back().pixels)
            changes.push_back({at, std::move(pixels)});
        ::Sleep(1);
    }
    if (changes.empty()) return painted_at - start;
    const std::vector<unsigned> &last = changes.back().pixels;
    std::size_t from = changes.size() - 1;
    while (from > 0 && differing(changes[from - 1].pixels, last) <= kCaretPixels)
        --from;
    return changes[from].at - start;
}

int first_paint(const std::string &exe, const char *caption, DWORD hold_ms,
                const std::vector<PixelCheck> &checks) {
    const DWORD start_tick = ::GetTickCount();
    // Marks in Wine's own trace (warn+debugstr), beside the program's own
    // marks of a bench build: bench/startup_steps.sh reads them.
    ::OutputDebugStringA("bench-driver: CreateProcess");
    const double start = bench::now_ms();
    testing_support::ProgramRun program(exe);
    if (!program.started()) return 2;
    double visible_at = 0;
    while (bench::now_ms() - start < kTimeoutMs) {
        if (HWND window = program.visible_window(caption)) {
            if (visible_at == 0) visible_at = bench::now_ms();
            bool painted = true;
            for (const PixelCheck &check : checks)
                painted = painted && bench::screen_pixel(window, check.x, check.y) == check.colour;
            if (painted) {
                const double painted_at = bench::now_ms();
                ::OutputDebugStringA("bench-driver: pixels painted");
                std::printf("process_id %lu\nstart_tick %lu\nvisible_ms %.1f\nfirst_paint_ms "
                            "%.1f\n",
                            static_cast<unsigned long>(program.id()),
                            static_cast<unsigned long>(start_tick), visible_at - start,
                            painted_at - start);
                std::fflush(stdout);
                if (hold_ms) {
                    std::printf("complete_page_ms %.1f\n",
                                complete_page(window, start, painted_at, hold_ms));
                    std::fflush(stdout);
                }
                return 0;
            }
        }
        ::Sleep(1);
    }
    std::printf("timeout\n");
    return 1;
}

int probe(const std::string &exe, const char *caption, DWORD wait_ms,
          const std::vector<PixelCheck> &points) {
    testing_support::ProgramRun program(exe);
    const HWND window = wait_for_window(program, caption);
    if (!window) return 1;
    ::Sleep(wait_ms);
    RECT client;
    ::GetClientRect(window, &client);
    std::printf("client %ldx%ld\n", client.right, client.bottom);
    for (const PixelCheck &point : points) {
        const COLORREF c = bench::screen_pixel(window, point.x, point.y);
        std::printf("%d,%d %02x%02x%02x\n", point.x, point.y, GetRValue(c), GetGValue(c),
                    GetBValue(c));
    }
    return 0;
}

// Creation order of the main window's children, texts left out.
constexpr std::size_t kNext = 1;
constexpr std::size_t kAccept = 3; // also "Install Now!" on the choice page

int install(const std::string &exe, const char *caption) {
    testing_support::ProgramRun program(exe);
    const HWND window = wait_for_window(program, caption);
    if (!window) return 1;
    settle(window);
    const HWND next = bench::created_child(window, kNext);
    const HWND accept = bench::created_child(window, kAccept);
    for (HWND button : {accept, next, accept, next}) { // licence, choice, path page
        ::PostMessageA(button, BM_CLICK, 0, 0);
        settle(window);
    }
    const double start = bench::now_ms();
    ::PostMessageA(next, BM_CLICK, 0, 0);
    while (!(::IsWindowEnabled(next) && testing_support::window_text(next) == "Finish")) {
        if (bench::now_ms() - start > 10 * kTimeoutMs) {
            std::printf("timeout\n");
            return 1;
        }
        ::Sleep(2);
    }
    std::printf("install_ms %.1f\n", bench::now_ms() - start);
    std::fflush(stdout);
    ::PostMessageA(next, BM_CLICK, 0, 0);
    return program.wait_for_exit(15000) ? 0 : 1;
}

int unattended(const std::string &exe, const std::string &arguments) {
    const double start = bench::now_ms();
    testing_support::ProgramRun program(exe, "", arguments);
    if (!program.started() || !program.wait_for_exit(10 * kTimeoutMs)) {
        std::printf("timeout\n");
        return 1;
    }
    std::printf("unattended_ms %.1f\nexit_code %lu\n", bench::now_ms() - start,
                static_cast<unsigned long>(program.exit_code()));
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    std::vector<PixelCheck> points;
    const bool colours = mode == "first-paint";
    for (int i = mode == "unattended" ? argc : 5; i < argc; ++i) {
        PixelCheck check;
        if (!parse_point(argv[i], check, colours)) return 2;
        points.push_back(check);
    }
    if (mode == "first-paint" && argc >= 5)
        return first_paint(argv[2], argv[3], std::strtoul(argv[4], nullptr, 10), points);
    if (mode == "probe" && argc >= 5)
        return probe(argv[2], argv[3], std::strtoul(argv[4], nullptr, 10), points);
    if (mode == "install" && argc == 4) return install(argv[2], argv[3]);
    if (mode == "unattended" && argc == 4) return unattended(argv[2], argv[3]);
    std::fprintf(stderr,
                 "usage: bench_driver first-paint|probe|install|unattended EXE CAPTION ...\n");
    return 2;
}
