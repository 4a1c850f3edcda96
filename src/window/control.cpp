#include "control.h"
#include "platform/resources.h"
#include "platform/startup_probe.h"
#include "application.h"
#include "common_controls.h"
#include "form.h"
#include <commctrl.h>
#include <utility>

namespace ui {

Control::Control(Form &form, const ControlDescription &description)
    : form_(form), description_(description), id_(static_cast<int>(form.controls().size() + 1)),
      bounds_{form.scale(description.left), form.scale(description.top),
              form.scale(description.left + description.width),
              form.scale(description.top + description.height)},
      visible_(description.visible), enabled_(description.enabled),
      text_(description.text ? description.text : L"") {
    // A form without windows keeps the state alone: nothing to draw it with.
    if (!form.windowed()) return;
    if (description.font) font_.reset(form.create_font(*description.font));
    if (description.kind == ControlKind::Memo && description.background != kNoBackground)
        brush_.reset(::CreateSolidBrush(description.background));
    // The first page needs nothing of a control hidden at first: it is made
    // when first shown, or with the rest of the start-up.
    if (description.visible)
        make();
    else
        waiting_ = true;
}

void Control::make() {
    waiting_ = false;
    const HINSTANCE instance = Application::get().instance();
    switch (description_.kind) {
    case ControlKind::JpegPicture: {
        const auto jpeg = platform::find_own_resource(instance, L"JPEG", text_.c_str());
        // At another resolution the picture is stretched as the whole
        // window is; the control still cuts it where the design does.
        Bitmap picture = decode_jpeg(jpeg.bytes.data, jpeg.bytes.size);
        const int width = form_.scale(picture.width), height = form_.scale(picture.height);
        bitmap_ = scale_bitmap(std::move(picture), width, height);
        STARTUP_PROBE("banner decoded");
        break;
    }
    case ControlKind::IconPicture:
        icon_ = platform::load_own_icon(instance, text_.c_str(), icon_size());
        break;
    case ControlKind::Label:
        fit_label_to_text();
        break;
    case ControlKind::StaticText:
        fit_label_to_text();
        create_window();
        break;
    case ControlKind::Bevel:
        break;
    case ControlKind::ProgressBar:
        if (common_controls_loaded())
            create_window();
        else
            waiting_ = true;
        break;
    default:
        create_window();
        break;
    }
}

int Control::icon_size() const {
    // The standard icon size at 96 dots per inch.
    return form_.scale(32);
}

void Control::create_window() {
    const wchar_t *window_class = L"BUTTON";
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
    DWORD extended = 0;
    switch (description_.kind) {
    case ControlKind::Button:
        style |= BS_PUSHBUTTON | WS_TABSTOP;
        break;
    case ControlKind::RadioButton:
        style |= BS_RADIOBUTTON;
        break;
    case ControlKind::Memo:
        window_class = L"EDIT";
        // No horizontal scrolling: long lines wrap at the box's width.
        style |= ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP;
        extended = WS_EX_CLIENTEDGE;
        break;
    case ControlKind::Edit:
        window_class = L"EDIT";
        style |= ES_AUTOHSCROLL | WS_TABSTOP;
        extended = WS_EX_CLIENTEDGE;
        break;
    case ControlKind::ProgressBar:
        window_class = PROGRESS_CLASSW;
        break;
    case ControlKind::StaticText:
        // Drawn as a painted label is: left-aligned, no wrapping, "&" shown.
        window_class = L"STATIC";
        style |= SS_LEFTNOWORDWRAP | SS_NOPREFIX;
        break;
    default:
        break;
    }
    if (visible_) style |= WS_VISIBLE;
    if (!enabled_) style |= WS_DISABLED;
    // Its place in the form's table as its ID: tools find a control by it
    // whatever its z-order, and whenever its window was made.
    const auto id = reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id_));
    window_.reset(::CreateWindowExW(extended, window_class, text_.c_str(), style, bounds_.left,
                                    bounds_.top, bounds_.right - bounds_.left,
                                    bounds_.bottom - bounds_.top, form_.handle(), id,
                                    Application::get().instance(), nullptr));
    ::SetWindowLongPtrW(handle(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ::SendMessageW(handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font()), FALSE);
    if (description_.kind == ControlKind::ProgressBar) {
        ::SendMessageW(handle(), PBM_SETRANGE32, 0, 100);
        ::SendMessageW(handle(), PBM_SETSTEP, 10, 0);
        ::SendMessageW(handle(), PBM_SETPOS, static_cast<WPARAM>(position_), 0);
    }
}

void Control::create_waiting_window() {
    if (waiting_) make();
}

void Control::invalidate() const {
    if (!windowed()) form_.invalidate(bounds_);
}

HFONT Control::font() const {
    return font_ ? static_cast<HFONT>(font_.get()) : form_.font();
}

COLORREF Control::text_colour() const {
    return description_.text_colour == kWindowTextColour ? ::GetSysColor(COLOR_WINDOWTEXT)
                                                         : description_.text_colour;
}

void Control::fit_label_to_text() {
    const platform::ScreenDC screen;
    const platform::SelectedObject font(screen.get(), this->font());
    // An empty caption measures as one blank, so the label keeps a height.
    const wchar_t *measured = text_.empty() ? L" " : text_.c_str();
    RECT area = {0, 0, 0, 0};
    ::DrawTextW(screen.get(), measured, -1, &area, DT_CALCRECT | DT_LEFT | DT_NOPREFIX);
    bounds_.right = bounds_.left + (area.right - area.left);
    bounds_.bottom = bounds_.top + (area.bottom - area.top);
}

void Control::set_top(int design_top) {
    invalidate();
    const int height = bounds_.bottom - bounds_.top;
    bounds_.top = form_.scale(design_top);
    bounds_.bottom = bounds_.top + height;
    if (windowed())
        ::SetWindowPos(handle(), nullptr, bounds_.left, bounds_.top, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    invalidate();
}

void Control::set_visible(bool visible) {
    if (visible_ == visible) return;
    visible_ = visible;
    if (visible && waiting_) form_.create_waiting_windows();
    if (windowed())
        ::ShowWindow(handle(), visible ? SW_SHOWNA : SW_HIDE);
    else
        invalidate();
}

void Control::set_enabled(bool enabled) {
    enabled_ = enabled;
    if (windowed()) ::EnableWindow(handle(), enabled);
}

platform::Text Control::text() const {
    if (!windowed()) return text_;
    platform::Text text;
    text.resize(static_cast<std::size_t>(::GetWindowTextLengthW(handle())) + 1);
    text.resize(static_cast<std::size_t>(
        ::GetWindowTextW(handle(), text.data(), static_cast<int>(text.size()))));
    return text;
}

void Control::set_text(const platform::Text &text) {
    if (description_.kind == ControlKind::StaticText && windowed()) {
        text_ = text;
        fit_label_to_text();
        ::SetWindowPos(handle(), nullptr, 0, 0, bounds_.right - bounds_.left,
                       bounds_.bottom - bounds_.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (windowed()) {
        ::SetWindowTextW(handle(), text.c_str());
        return;
    }
    invalidate();
    text_ = text;
    if (description_.kind == ControlKind::Label && form_.windowed()) fit_label_to_text();
    invalidate();
}

bool Control::checked() const {
    if (!windowed()) return checked_;
    return ::SendMessageW(handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Control::set_checked(bool checked) {
    if (description_.kind != ControlKind::RadioButton || this->checked() == checked) return;
    if (checked)
        for (const auto &other : form_.controls())
            if (other.get() != this && other->kind() == ControlKind::RadioButton)
                other->set_check(false);
    set_check(checked);
    if (checked) click();
}

void Control::set_check(bool checked) {
    checked_ = checked;
    if (windowed()) ::SendMessageW(handle(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void Control::set_position(int position) {
    position_ = position;
    if (windowed()) ::SendMessageW(handle(), PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

int Control::position() const {
    if (!windowed()) return position_;
    return static_cast<int>(::SendMessageW(handle(), PBM_GETPOS, 0, 0));
}

bool Control::is_tab_stop() const {
    if (!windowed() || !visible_ || !enabled_ || description_.tab_order < 0) return false;
    switch (description_.kind) {
    case ControlKind::RadioButton:
        return checked();
    case ControlKind::ProgressBar:
        return false;
    default:
        return true;
    }
}

void Control::set_focus() {
    form_.focus(*this);
}

void Control::click() {
    Application::get().finish_start_up();
    if (description_.on_click) description_.on_click(form_, *this);
}

void Control::paint(HDC dc) const {
    if (!visible_) return;
    const int width = bounds_.right - bounds_.left;
    const int height = bounds_.bottom - bounds_.top;
    switch (description_.kind) {
    case ControlKind::JpegPicture:
        draw_bitmap(dc, bitmap_, bounds_.left, bounds_.top, width, height);
        break;
    case ControlKind::IconPicture:
        if (icon_)
            ::DrawIconEx(dc, bounds_.left, bounds_.top, icon_.get(), icon_size(), icon_size(), 0,
                         nullptr, DI_NORMAL);
        break;
    case ControlKind::Bevel: {
        // A lowered box: shadow along the top and left, highlight along the
        // bottom and right, drawn last so that it wins at the corners.
        const COLORREF shadow = ::GetSysColor(COLOR_BTNSHADOW);
        const COLORREF highlight = ::GetSysColor(COLOR_BTNHIGHLIGHT);
        const int right = bounds_.right - 1, bottom = bounds_.bottom - 1;
        for (int x = bounds_.left; x < right; ++x)
            ::SetPixel(dc, x, bounds_.top, shadow);
        for (int y = bounds_.top; y <= bottom; ++y)
            ::SetPixel(dc, bounds_.left, y, shadow);
        for (int y = bounds_.top; y <= bottom; ++y)
            ::SetPixel(dc, right, y, highlight);
        for (int x = bounds_.left; x <= right; ++x)
            ::SetPixel(dc, x, bottom, highlight);
        break;
    }
    case ControlKind::Label: {
        if (description_.background != kNoBackground) {
            RECT area = bounds_;
            ::FillRect(dc, &area, form_.brush());
        }
        const platform::SelectedObject font(dc, this->font());
        ::SetTextColor(dc, text_colour());
        ::SetBkMode(dc, TRANSPARENT);
        RECT area = bounds_;
        ::DrawTextW(dc, text_.c_str(), -1, &area, DT_LEFT | DT_NOPREFIX | DT_NOCLIP);
        break;
    }
    default:
        break;
    }
}

} // namespace ui
