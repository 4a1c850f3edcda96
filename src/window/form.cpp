#include "form.h"
#include "application.h"
#include "platform/startup_probe.h"
#include <algorithm>
#include <cstring>
#include <cwchar>
#include <climits>
#include <cstdlib>

namespace ui {

namespace {
const wchar_t kFormClass[] = L"InstalForm";

void register_form_class(HINSTANCE instance,
                         LRESULT(CALLBACK *procedure)(HWND, UINT, WPARAM, LPARAM)) {
    WNDCLASSW existing;
    if (::GetClassInfoW(instance, kFormClass, &existing)) return;
    WNDCLASSW window_class = {};
    window_class.style = CS_DBLCLKS;
    window_class.lpfnWndProc = procedure;
    window_class.hInstance = instance;
    window_class.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    window_class.lpszClassName = kFormClass;
    ::RegisterClassW(&window_class);
}

// A fixed dialog frame with a close box only and no window icon.
constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kFormExtendedStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;

Form *form_of_window(HWND window) {
    wchar_t name[32] = {};
    if (!window || !::GetClassNameW(window, name, 32) || std::wcscmp(name, kFormClass))
        return nullptr;
    return reinterpret_cast<Form *>(::GetWindowLongPtrW(window, GWLP_USERDATA));
}
} // namespace

Form::Form(const FormDescription &description, const ControlDescription *controls,
           std::size_t count)
    : description_(description), descriptions_(controls), description_count_(count) {
    // Without windows nothing is measured nor drawn: no screen, no fonts.
    if (Application::get().windowless()) return;
    dpi_ = ::GetDeviceCaps(platform::ScreenDC().get(), LOGPIXELSY);
    font_.reset(create_font(description.font));
    brush_.reset(::CreateSolidBrush(description.colour));
}

Form::~Form() = default;

int Form::scale(int design_pixels) const {
    return ::MulDiv(design_pixels, dpi_, 96);
}

HFONT Form::create_font(const FontDescription &font) const {
    LOGFONTW description = {};
    description.lfHeight = -scale(font.height);
    description.lfWeight = FW_NORMAL;
    description.lfCharSet = font.charset;
    description.lfOutPrecision = OUT_DEFAULT_PRECIS;
    description.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    description.lfQuality = DEFAULT_QUALITY;
    description.lfPitchAndFamily = DEFAULT_PITCH;
    std::wcsncpy(description.lfFaceName, font.face, LF_FACESIZE - 1);
    return ::CreateFontIndirectW(&description);
}

void Form::create() {
    Application &application = Application::get();
    if (application.windowless()) {
        for (std::size_t i = 0; i < description_count_; ++i)
            controls_.push_back(std::make_unique<Control>(*this, descriptions_[i]));
        return;
    }
    register_form_class(application.instance(), procedure);
    RECT outer = {0, 0, scale(description_.client_width), scale(description_.client_height)};
    ::AdjustWindowRectEx(&outer, kFormStyle, FALSE, kFormExtendedStyle);
    // The window procedure takes ownership of the handle at WM_NCCREATE.
    ::CreateWindowExW(kFormExtendedStyle, kFormClass, description_.caption, kFormStyle,
                      description_.design_left, description_.design_top, outer.right - outer.left,
                      outer.bottom - outer.top, application.handle(), nullptr,
                      application.instance(), this);
    STARTUP_PROBE("form window made");
    for (std::size_t i = 0; i < description_count_; ++i)
        controls_.push_back(std::make_unique<Control>(*this, descriptions_[i]));
    STARTUP_PROBE("controls made");
    order_windows();
}

void Form::create_waiting_windows() {
    for (const auto &control : controls_)
        control->create_waiting_window();
    order_windows();
}

void Form::order_windows() {
    // Among the child windows a later one lies above an earlier one, except
    // that a control named by a text lies directly beneath that text.
    for (const auto &control : controls_)
        if (control->windowed())
            ::SetWindowPos(control->handle(), HWND_TOP, 0, 0, 0, 0,
                           SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    for (const auto &control : controls_)
        if (const char *named = control->description().names)
            ::SetWindowPos(this->control(named).handle(), control->handle(), 0, 0, 0, 0,
                           SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void Form::created() {
    guarded([this] { FormCreate(); });
}

Control &Form::control(const char *name) const {
    for (const auto &control : controls_)
        if (std::strcmp(control->name(), name) == 0) return *control;
    std::abort(); // a name missing from the window description
}

Control *Form::control_of(HWND window) const {
    for (const auto &control : controls_)
        if (control->handle() == window && window) return control.get();
    return nullptr;
}

RECT Form::outer_rect() const {
    RECT rect = {};
    ::GetWindowRect(handle(), &rect);
    return rect;
}

void Form::set_left(int left) {
    const RECT rect = outer_rect();
    ::SetWindowPos(handle(), nullptr, left, rect.top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::set_top(int top) {
    const RECT rect = outer_rect();
    ::SetWindowPos(handle(), nullptr, rect.left, top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::show() {
    if (!shown_before_ && description_.centre_when_first_shown) {
        const RECT rect = outer_rect();
        const int left = (::GetSystemMetrics(SM_CXSCREEN) - (rect.right - rect.left)) / 2;
        const int top = (::GetSystemMetrics(SM_CYSCREEN) - (rect.bottom - rect.top)) / 2;
        ::SetWindowPos(handle(), nullptr, std::max(left, 0), std::max(top, 0), 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    shown_before_ = true;
    if (this == Application::get().main_form())
        ::ShowWindow(Application::get().handle(), SW_SHOWNA);
    ::ShowWindow(handle(), SW_SHOW);
    ::SetForegroundWindow(handle());
    STARTUP_PROBE("form shown");
}

void Form::hide() {
    ::ShowWindow(handle(), SW_HIDE);
}

bool Form::visible() const {
    return ::IsWindowVisible(handle()) != FALSE;
}

int Form::show_modal() {
    Application &application = Application::get();
    modal_result_ = 0;
    modal_ = true;
    {
        const TaskWindowsDisabled disabled(handle());
        show();
        while (modal_result_ == 0) {
            if (application.terminated()) {
                modal_result_ = IDCANCEL;
                break;
            }
            application.handle_message();
        }
        hide();
    }
    modal_ = false;
    return modal_result_;
}

void Form::close() {
    if (modal_) {
        modal_result_ = IDCANCEL;
        // The modal loop waits for a message: a close that came as a sent
        // message would otherwise go unnoticed until the next input.
        ::PostMessageW(handle(), WM_NULL, 0, 0);
        return;
    }
    CloseAction action = CloseAction::Hide;
    FormClose(action);
    if (this == Application::get().main_form())
        Application::get().terminate();
    else
        hide();
}

void Form::invalidate(const RECT &area) const {
    // No window at all would stand for every window on the screen.
    if (windowed()) ::InvalidateRect(handle(), &area, TRUE);
}

void Form::focus(Control &control) {
    focus_ = control.handle();
    if (windowed() && ::GetActiveWindow() == handle()) ::SetFocus(focus_);
}

void Form::restore_focus() {
    if (focus_ && ::IsWindowVisible(focus_) && ::IsWindowEnabled(focus_)) {
        ::SetFocus(focus_);
        return;
    }
    // No control has had the focus yet: the first tab stop in tab order.
    Control *first = nullptr;
    for (const auto &control : controls_)
        if (control->is_tab_stop() &&
            (!first || control->description().tab_order < first->description().tab_order))
            first = control.get();
    if (first) {
        focus_ = first->handle();
        ::SetFocus(focus_);
    }
}

void Form::select_next(HWND from, bool forward) {
    // The next tab stop in tab order after the control that has the focus,
    // or the first (last, going back) when there is none after it.
    const auto before = [forward](int a, int b) { return forward ? a < b : a > b; };
    const Control *current = control_of(from);
    const int at = current && current->description().tab_order >= 0
                       ? current->description().tab_order
                       : (forward ? INT_MIN : INT_MAX);
    Control *next = nullptr;
    Control *first = nullptr;
    for (const auto &control : controls_) {
        if (!control->is_tab_stop()) continue;
        const int order = control->description().tab_order;
        if (before(at, order) && (!next || before(order, next->description().tab_order)))
            next = control.get();
        if (!first || before(order, first->description().tab_order)) first = control.get();
    }
    if (Control *chosen = next ? next : first) chosen->set_focus();
}

bool Form::dialog_key(HWND from, WPARAM key) {
    Control *control = control_of(from);
    switch (key) {
    case VK_TAB:
        if (::GetKeyState(VK_CONTROL) < 0 || ::GetKeyState(VK_MENU) < 0) return false;
        select_next(from, ::GetKeyState(VK_SHIFT) >= 0);
        return true;
    case VK_RETURN:
        if (control && control->kind() == ControlKind::Button) {
            guarded([control] { control->click(); });
            return true;
        }
        return false;
    case VK_ESCAPE:
        return true;
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
        if (control && control->kind() == ControlKind::RadioButton) {
            for (const auto &other : controls_)
                if (other.get() != control && other->kind() == ControlKind::RadioButton &&
                    other->visible() && other->enabled()) {
                    other->set_focus();
                    Control *next = other.get();
                    guarded([next] { next->set_checked(true); });
                    return true;
                }
            return true;
        }
        return false;
    default:
        return false;
    }
}

bool Form::dispatch_dialog_key(const MSG &message) {
    if (message.message != WM_KEYDOWN || !message.hwnd) return false;
    Form *form = form_of_window(::GetAncestor(message.hwnd, GA_ROOT));
    if (!form || message.hwnd == form->handle()) return false;
    return form->dialog_key(message.hwnd, message.wParam);
}

LRESULT Form::colour_control(HDC dc, HWND child, bool is_edit) {
    const Control *control = control_of(child);
    if (control && control->background_brush()) {
        ::SetTextColor(dc, control->description().text_colour);
        ::SetBkColor(dc, control->description().background);
        return reinterpret_cast<LRESULT>(control->background_brush());
    }
    if (is_edit)
        return ::DefWindowProcW(handle(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                                reinterpret_cast<LPARAM>(child));
    ::SetTextColor(dc, control ? control->text_colour() : ::GetSysColor(COLOR_WINDOWTEXT));
    ::SetBkColor(dc, description_.colour);
    return reinterpret_cast<LRESULT>(brush());
}

void Form::paint() {
    STARTUP_PROBE("form paint begins");
    PAINTSTRUCT paint_info;
    HDC dc = ::BeginPaint(handle(), &paint_info);
    for (const auto &control : controls_)
        if (!control->windowed()) control->paint(dc);
    ::EndPaint(handle(), &paint_info);
    STARTUP_PROBE("form paint ends");
}

LRESULT CALLBACK Form::procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_NCCREATE) {
        auto *self = static_cast<Form *>(reinterpret_cast<CREATESTRUCTW *>(l)->lpCreateParams);
        self->window_.reset(window);
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto *self = reinterpret_cast<Form *>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self) return ::DefWindowProcW(window, message, w, l);
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->window_.release();
        return ::DefWindowProcW(window, message, w, l);
    }
    return self->handle(message, w, l);
}

LRESULT Form::handle(UINT message, WPARAM w, LPARAM l) {
    switch (message) {
    case WM_ERASEBKGND: {
        RECT client;
        ::GetClientRect(handle(), &client);
        ::FillRect(reinterpret_cast<HDC>(w), &client, brush());
        return 1;
    }
    case WM_PAINT:
        paint();
        return 0;
    case WM_COMMAND:
        if (HIWORD(w) == BN_CLICKED) {
            if (Control *control = control_of(reinterpret_cast<HWND>(l)))
                guarded([control] {
                    if (control->kind() == ControlKind::RadioButton)
                        control->set_checked(true);
                    else
                        control->click();
                });
            return 0;
        }
        break;
    case WM_CTLCOLOREDIT:
        return colour_control(reinterpret_cast<HDC>(w), reinterpret_cast<HWND>(l), true);
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        return colour_control(reinterpret_cast<HDC>(w), reinterpret_cast<HWND>(l), false);
    case WM_ACTIVATE:
        if (LOWORD(w) == WA_INACTIVE) {
            const HWND focused = ::GetFocus();
            if (focused && ::IsChild(handle(), focused)) focus_ = focused;
        } else {
            restore_focus();
        }
        return 0;
    case WM_SETFOCUS:
        restore_focus();
        return 0;
    case WM_CLOSE:
        guarded([this] { close(); });
        return 0;
    default:
        break;
    }
    return ::DefWindowProcW(handle(), message, w, l);
}

} // namespace ui
