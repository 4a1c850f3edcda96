#pragma once
// A top-level window with a fixed dialog frame, built from its description:
// the form paints its labels, pictures and bevels in creation order beneath
// its child windows, routes clicks to handlers, keeps its keyboard focus
// across activations and can be shown modally.
#include "control.h"
#include "platform/buffer.h"
#include <memory>

namespace ui {

class Form {
public:
    Form(const FormDescription &description, const ControlDescription *controls, std::size_t count);
    Form(const Form &) = delete;
    Form &operator=(const Form &) = delete;
    virtual ~Form();

    HWND handle() const { return window_.get(); }
    // False for a form of a run without windows (Application::windowless).
    bool windowed() const { return window_.valid(); }
    Control &control(const char *name) const;
    const platform::Buffer<std::unique_ptr<Control>> &controls() const { return controls_; }

    // Outer coordinates, frame included.
    void set_left(int left);
    void set_top(int top);
    RECT outer_rect() const;

    void show();
    void hide();
    bool visible() const;
    // Shows the form with the program's other windows disabled and returns
    // its modal result once it closes or the application terminates.
    int show_modal();
    void set_modal_result(int result) { modal_result_ = result; }
    // Closing a modal form sets its result; the main form runs its close
    // handler and ends the application; any other form hides.
    void close();

    // Keyboard handling a dialog does itself: Tab and Shift+Tab through the
    // tab order, Enter on the focused button, arrow keys between radio
    // buttons; Esc does nothing.
    static bool dispatch_dialog_key(const MSG &message);

    int scale(int design_pixels) const;
    HFONT create_font(const FontDescription &font) const;
    HFONT font() const { return static_cast<HFONT>(font_.get()); }
    COLORREF colour() const { return description_.colour; }
    HBRUSH brush() const { return static_cast<HBRUSH>(brush_.get()); }
    HWND focused_control() const { return focus_; }
    // Makes the controls hidden at first, and the windows of controls whose
    // classes were not loaded when the form was created (the common
    // controls), in their place in the order.
    void create_waiting_windows();
    void focus(Control &control);
    void invalidate(const RECT &area) const;

protected:
    // Creates the window and its controls as described, hidden.
    void create();
    // Runs the creation handler; an error in it is shown and creation goes on.
    void created();
    virtual void FormCreate() {}
    // The close handler; the action is passed in and out as the platform
    // convention has it, and this program never changes it.
    enum class CloseAction { Hide, Free };
    virtual void FormClose(CloseAction &action) { (void)action; }

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM w, LPARAM l);
    LRESULT handle(UINT message, WPARAM w, LPARAM l);
    void paint();
    void order_windows();
    void restore_focus();
    bool dialog_key(HWND from, WPARAM key);
    void select_next(HWND from, bool forward);
    Control *control_of(HWND window) const;
    LRESULT colour_control(HDC dc, HWND child, bool is_edit);

    const FormDescription &description_;
    const ControlDescription *descriptions_;
    std::size_t description_count_;
    int dpi_ = 96;
    platform::UniqueWindow window_;
    platform::GdiObject font_;
    platform::GdiObject brush_;
    platform::Buffer<std::unique_ptr<Control>> controls_;
    HWND focus_ = nullptr;
    bool shown_before_ = false;
    bool modal_ = false;
    int modal_result_ = 0;
};

} // namespace ui
