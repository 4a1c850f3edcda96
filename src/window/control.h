#pragma once
// One control of a form: a child window (buttons, radio buttons, text boxes,
// progress bar, static texts) or an element the form paints (labels,
// pictures, bevels).
#include "control_description.h"
#include "pictures.h"
#include "platform/owners.h"
#include "platform/text/text.h"

namespace ui {

class Control {
public:
    Control(Form &form, const ControlDescription &description);
    Control(const Control &) = delete;
    Control &operator=(const Control &) = delete;

    const char *name() const { return description_.name; }
    ControlKind kind() const { return description_.kind; }
    const ControlDescription &description() const { return description_; }
    Form &form() const { return form_; }
    HWND handle() const { return window_.get(); }
    bool windowed() const { return window_.valid(); }

    // Client rectangle in pixels (scaled for the display).
    RECT bounds() const { return bounds_; }
    void set_top(int design_top);

    bool visible() const { return visible_; }
    void set_visible(bool visible);
    bool enabled() const { return enabled_; }
    void set_enabled(bool enabled);
    platform::Text text() const;
    void set_text(const platform::Text &text);

    // Radio buttons: checking one unchecks the others of the form and runs
    // the click handler when it becomes checked.
    bool checked() const;
    void set_checked(bool checked);

    void set_position(int position);
    int position() const;

    // Only visible, enabled tab stops take part in keyboard navigation; a
    // radio button is one only while it is checked.
    bool is_tab_stop() const;
    void set_focus();
    void click();

    // A control hidden at first, or of the common controls' classes made
    // before they were loaded, gets its window (or its icon) here.
    void create_waiting_window();

    void paint(HDC dc) const;
    HBRUSH background_brush() const { return static_cast<HBRUSH>(brush_.get()); }
    COLORREF text_colour() const;

private:
    void make();
    void create_window();
    int icon_size() const;
    HFONT font() const;
    void fit_label_to_text();
    void set_check(bool checked);
    void invalidate() const;

    Form &form_;
    const ControlDescription &description_;
    int id_; // its place in the form's table, counted from 1
    RECT bounds_;
    bool visible_;
    bool enabled_;
    bool waiting_ = false; // not made yet: see create_waiting_window
    bool checked_ = false; // radio buttons without a window
    int position_ = 0;     // a progress bar without a window
    platform::Text text_;  // painted controls, static texts and controls not made yet
    platform::UniqueWindow window_;
    platform::GdiObject font_;
    platform::GdiObject brush_;
    Bitmap bitmap_;
    platform::UniqueIcon icon_;
};

} // namespace ui
