#include "application.h"
#include "form.h"
#include "platform/files/paths.h"
#include <algorithm>
#include <iterator>
#include <cstring>
#include <utility>

namespace ui {

platform::Text application_title(const platform::Text &module_path) {
    const std::size_t slash = module_path.find_last_of(L"\\/:");
    platform::Text name = module_path.substr(slash == platform::Text::npos ? 0 : slash + 1);
    name = name.substr(0, name.find('.'));
    if (name.size() > 1) ::CharLowerBuffW(&name[1], static_cast<DWORD>(name.size() - 1));
    return name;
}

Application &Application::get() {
    static Application application;
    return application;
}

namespace {
const wchar_t kApplicationClass[] = L"InstalApplication";

LRESULT CALLBACK application_procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_SYSCOMMAND && (w & 0xFFF0) == SC_CLOSE) {
        if (Form *main = Application::get().main_form()) main->close();
        return 0;
    }
    return ::DefWindowProcW(window, message, w, l);
}
} // namespace

void Application::initialize(HINSTANCE instance, bool windows) {
    if (window_) return;
    instance_ = instance;
    title_ = application_title(platform::module_path());
    windowless_ = !windows;
    if (windowless_) return;

    WNDCLASSW window_class = {};
    window_class.lpfnWndProc = application_procedure;
    window_class.hInstance = instance;
    window_class.hIcon = ::LoadIconW(instance, L"MAINICON");
    window_class.lpszClassName = kApplicationClass;
    ::RegisterClassW(&window_class);
    // A zero-sized window in the middle of the screen: never seen itself, it
    // gives the program one taskbar button however many forms it shows.
    window_ =
        ::CreateWindowExW(0, kApplicationClass, title_.c_str(),
                          WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                          ::GetSystemMetrics(SM_CXSCREEN) / 2, ::GetSystemMetrics(SM_CYSCREEN) / 2,
                          0, 0, nullptr, nullptr, instance, nullptr);
}

void Application::run(void (*after_first_page)(void *), void *context) {
    after_first_page_ = after_first_page;
    after_first_page_context_ = context;
    if (main_form_) main_form_->show();
    while (!terminated_) {
        // Paint messages come only when no other message waits, so an empty
        // queue means the page is painted; finding it empty, the system
        // puts what was painted on the screen (under Wine, too).
        MSG waiting;
        if (after_first_page_ && !::PeekMessageW(&waiting, nullptr, 0, 0, PM_NOREMOVE)) {
            finish_start_up();
            continue;
        }
        handle_message();
    }
}

void Application::finish_start_up() {
    if (const auto work = std::exchange(after_first_page_, nullptr))
        work(after_first_page_context_);
}

void Application::dispatch(MSG &message) {
    if (Form::dispatch_dialog_key(message)) return;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
}

void Application::handle_message() {
    MSG message;
    const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
    if (got == 0 || got == -1) {
        terminated_ = true;
        return;
    }
    dispatch(message);
}

void Application::process_messages() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT)
            terminated_ = true;
        else
            dispatch(message);
    }
}

void Application::terminate() {
    ::PostQuitMessage(0);
}

void Application::clear_termination() {
    MSG quit;
    while (::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    terminated_ = false;
}

void Application::show_error(const platform::SetupError &error) {
    const platform::Text text = platform::error_box_text(error.what());
    const TaskWindowsDisabled disabled;
    ::MessageBoxW(window_, text.c_str(), title_.c_str(), MB_OK | MB_ICONERROR);
}

void Application::show_message(const wchar_t *text, const wchar_t *caption) {
    ::MessageBoxW(::GetFocus(), text, caption, MB_OK);
}

void guarded_call(void (*call)(void *handler), void *handler) {
    try {
        call(handler);
    } catch (const platform::SetupError &error) {
        Application::get().show_error(error);
    }
}

TaskWindowsDisabled::TaskWindowsDisabled(HWND except)
    : except_(except), active_(::GetActiveWindow()) {
    ::EnumThreadWindows(::GetCurrentThreadId(), collect, reinterpret_cast<LPARAM>(this));
    for (int i = 0; i < count_; ++i)
        ::EnableWindow(windows_[i], FALSE);
}

BOOL CALLBACK TaskWindowsDisabled::collect(HWND window, LPARAM self_pointer) {
    auto *self = reinterpret_cast<TaskWindowsDisabled *>(self_pointer);
    if (window != self->except_ && ::IsWindowVisible(window) && ::IsWindowEnabled(window) &&
        self->count_ < static_cast<int>(std::size(self->windows_)))
        self->windows_[self->count_++] = window;
    return TRUE;
}

TaskWindowsDisabled::~TaskWindowsDisabled() {
    for (int i = 0; i < count_; ++i)
        ::EnableWindow(windows_[i], TRUE);
    if (active_ && ::IsWindow(active_)) ::SetActiveWindow(active_);
}

} // namespace ui
