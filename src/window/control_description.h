#pragma once
// A window is described as data: a table of these rows, in creation order,
// that Form turns into windows and painted elements.
#include <windows.h>

namespace ui {

class Form;
class Control;

enum class ControlKind : unsigned char {
    JpegPicture, // a JPEG resource, drawn unscaled and clipped
    IconPicture, // an icon resource, drawn through its masks
    Bevel,       // a lowered 3-D box, here always an etched line
    Label,       // painted text, sized to its caption
    StaticText,  // text sized to its caption, in a window of the system's Static
                 // class on the form's colour, so that screen readers find it
    Button,
    RadioButton,
    Memo,
    Edit,
    ProgressBar,
};

struct FontDescription {
    const wchar_t *face;
    int height; // character height in pixels at 96 dots per inch
    BYTE charset;
};

inline constexpr COLORREF kWindowTextColour = 0xFF000000; // the system's colour
inline constexpr COLORREF kNoBackground = 0xFFFFFFFF;     // transparent
inline constexpr COLORREF kFormBackground = 0xFE000000;   // filled with the form's colour

// A plain function, so that a table of controls is a constant the program
// carries as it is, with no code to build it at start-up.
using ClickHandler = void (*)(Form &form, Control &sender);

struct ControlDescription {
    const char *name;
    ControlKind kind;
    short left, top, width, height;
    const wchar_t *text; // caption, initial text, or the picture's resource name
    bool visible;
    bool enabled;
    signed char tab_order; // -1: not in the tab order
    ClickHandler on_click = nullptr;
    const FontDescription *font = nullptr; // nullptr: the form's font
    COLORREF text_colour = kWindowTextColour;
    COLORREF background = kNoBackground; // labels: fill colour; memo: box colour
    // Static texts: the control this text names for screen readers, which
    // take a box's name from the nearest Static above it in z-order; that
    // control lies directly beneath the text, so that no other text lies
    // above a box it does not name.
    const char *names = nullptr;
};

struct FormDescription {
    const wchar_t *caption;
    int design_left, design_top;
    int client_width, client_height;
    COLORREF colour;
    FontDescription font;
    bool centre_when_first_shown;
};

// Lets a table name a handler of a derived form class: handler<&TForm1::Button2Click>.
template <typename Method> struct HandlerClass;
template <typename F> struct HandlerClass<void (F::*)(Control &)> { using type = F; };
template <auto method>
constexpr ClickHandler handler = [](Form &form, Control &sender) {
    (static_cast<typename HandlerClass<decltype(method)>::type &>(form).*method)(sender);
};

} // namespace ui
