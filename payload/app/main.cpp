// Corvanta: shows the settings kept in misuc.dat and opens the help in readme.chm.
// Both files are looked up beside the program file, never in the current
// directory, which a shortcut or another program may have set anywhere.

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "resource.h"

namespace {

const char kTitle[] = "Corvanta";
const char kWindowClass[] = "CorvantaMainWindow";
const char kSettingsFile[] = "misuc.dat";
const char kHelpFile[] = "readme.chm";

// Clear of IDOK and IDCANCEL, which IsDialogMessageA sends for Enter and Esc.
enum ControlId { IDC_NOTE = 1001, IDC_SETTINGS, IDC_HELP_BUTTON, IDC_CLOSE_BUTTON };

// Owns a font (or any GDI object) that this program created.
class GdiObject {
public:
    explicit GdiObject(HGDIOBJ object) : object_(object) {}
    ~GdiObject() {
        if (object_) DeleteObject(object_);
    }
    GdiObject(const GdiObject &) = delete;
    GdiObject &operator=(const GdiObject &) = delete;
    HGDIOBJ get() const { return object_; }

private:
    HGDIOBJ object_;
};

std::string program_directory() {
    std::vector<char> path(MAX_PATH);
    DWORD length;
    // A full buffer means the path was cut short (and, on XP, left unterminated).
    while ((length = GetModuleFileNameA(nullptr, path.data(), path.size())) == path.size())
        path.resize(path.size() * 2);
    std::string full(path.data(), length);
    return full.substr(0, full.find_last_of('\\') + 1);
}

// GetPrivateProfileStringA signals a short buffer only by filling it to the
// brim (size - 1 for a value, size - 2 for a list of names), so grow until the
// answer leaves room to spare.
std::string profile_text(const char *section, const char *key, const std::string &file) {
    std::vector<char> buffer(256);
    for (;;) {
        DWORD length =
            GetPrivateProfileStringA(section, key, "", buffer.data(), buffer.size(), file.c_str());
        if (length + 2 < buffer.size()) return std::string(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

// Section names (section == nullptr) or the key names of one section.
std::vector<std::string> profile_names(const char *section, const std::string &file) {
    std::string list = profile_text(section, nullptr, file);
    std::vector<std::string> names;
    for (size_t start = 0; start < list.size();) {
        size_t end = list.find('\0', start);
        if (end == std::string::npos) end = list.size();
        if (end > start) names.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

struct Settings {
    std::string note;
    int width = 440;
    int height = 320;
    std::string listing; // every section and value, as shown in the window
};

Settings read_settings(const std::string &file) {
    Settings settings;
    if (GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES) {
        settings.listing = "No settings file was found:\r\n" + file;
        return settings;
    }
    settings.note = profile_text("Corvanta", "Note", file);
    settings.width = GetPrivateProfileIntA("Window", "Width", settings.width, file.c_str());
    settings.height = GetPrivateProfileIntA("Window", "Height", settings.height, file.c_str());
    for (const std::string &section : profile_names(nullptr, file)) {
        settings.listing += "[" + section + "]\r\n";
        for (const std::string &key : profile_names(section.c_str(), file))
            settings.listing +=
                "    " + key + " = " + profile_text(section.c_str(), key.c_str(), file) + "\r\n";
    }
    return settings;
}

class MainWindow {
public:
    MainWindow()
        : directory_(program_directory()), settings_(read_settings(directory_ + kSettingsFile)),
          note_font_(CreateFontA(-16, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET,
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                 DEFAULT_PITCH | FF_SWISS, "Arial")),
          listing_font_(CreateFontA(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                    FIXED_PITCH | FF_MODERN, "Courier New")) {}

    HWND create(HINSTANCE instance) {
        WNDCLASSEXA wc = {};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &MainWindow::procedure;
        wc.hInstance = instance;
        wc.hIcon = LoadIconA(instance, "MAINICON");
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszMenuName = MAKEINTRESOURCEA(IDR_MAINMENU);
        wc.lpszClassName = kWindowClass;
        if (!RegisterClassExA(&wc)) return nullptr;
        int width = settings_.width < 320 ? 320 : settings_.width;
        int height = settings_.height < 240 ? 240 : settings_.height;
        return CreateWindowExA(0, kWindowClass, kTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                               CW_USEDEFAULT, CW_USEDEFAULT, width, height, nullptr, nullptr,
                               instance, this);
    }

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
        if (message == WM_NCCREATE) {
            auto create = reinterpret_cast<CREATESTRUCTA *>(lparam);
            SetWindowLongPtrA(window, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto self = reinterpret_cast<MainWindow *>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self) return self->handle(window, message, wparam, lparam);
        return DefWindowProcA(window, message, wparam, lparam);
    }

    LRESULT handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
        switch (message) {
        case WM_CREATE:
            create_controls(window);
            show_settings(window);
            return 0;
        case WM_SIZE:
            layout(window, LOWORD(lparam), HIWORD(lparam));
            return 0;
        case WM_COMMAND:
            // Menu items, accelerators and button clicks; edit notifications are not commands.
            if (HIWORD(wparam) <= 1) command(window, LOWORD(wparam));
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        }
        return DefWindowProcA(window, message, wparam, lparam);
    }

    void create_controls(HWND window) {
        auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
        auto child = [&](const char *cls, DWORD style, int id, HGDIOBJ font, DWORD ex_style = 0) {
            HWND control = CreateWindowExA(
                ex_style, cls, "", WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, window,
                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
            SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
            return control;
        };
        HGDIOBJ gui_font = GetStockObject(DEFAULT_GUI_FONT);
        child("STATIC", SS_LEFT | SS_NOPREFIX, IDC_NOTE, note_font_.get());
        child("EDIT", WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, IDC_SETTINGS,
              listing_font_.get(), WS_EX_CLIENTEDGE);
        SetWindowTextA(child("BUTTON", BS_PUSHBUTTON | WS_TABSTOP, IDC_HELP_BUTTON, gui_font),
                       "Help");
        SetWindowTextA(child("BUTTON", BS_DEFPUSHBUTTON | WS_TABSTOP, IDC_CLOSE_BUTTON, gui_font),
                       "Close");
    }

    void show_settings(HWND window) {
        std::string note = settings_.note.empty() ? std::string(kTitle) : settings_.note;
        SetDlgItemTextA(window, IDC_NOTE, note.c_str());
        std::string text =
            "Settings read from " + directory_ + kSettingsFile + ":\r\n\r\n" + settings_.listing;
        SetDlgItemTextA(window, IDC_SETTINGS, text.c_str());
    }

    static void layout(HWND window, int width, int height) {
        const int margin = 10, button_width = 80, button_height = 24;
        int buttons_top = height - margin - button_height;
        MoveWindow(GetDlgItem(window, IDC_NOTE), margin, margin, width - 2 * margin, 22, TRUE);
        MoveWindow(GetDlgItem(window, IDC_SETTINGS), margin, margin + 30, width - 2 * margin,
                   buttons_top - margin - (margin + 30), TRUE);
        MoveWindow(GetDlgItem(window, IDC_CLOSE_BUTTON), width - margin - button_width, buttons_top,
                   button_width, button_height, TRUE);
        MoveWindow(GetDlgItem(window, IDC_HELP_BUTTON), width - 2 * (margin + button_width),
                   buttons_top, button_width, button_height, TRUE);
    }

    void command(HWND window, int id) {
        switch (id) {
        case IDM_RELOAD:
            settings_ = read_settings(directory_ + kSettingsFile);
            show_settings(window);
            break;
        case IDM_HELP:
        case IDC_HELP_BUTTON:
            open_help(window);
            break;
        case IDM_ABOUT:
            MessageBoxA(window, "Corvanta 1.21\nCopyright (C) 2003 Kestra Software", kTitle,
                        MB_OK | MB_ICONINFORMATION);
            break;
        case IDM_EXIT:
        case IDC_CLOSE_BUTTON:
        case IDCANCEL:
            DestroyWindow(window);
            break;
        }
    }

    void open_help(HWND window) const {
        std::string help = directory_ + kHelpFile;
        // ShellExecuteA reports failure as a pseudo-handle value of 32 or less.
        auto result = reinterpret_cast<INT_PTR>(ShellExecuteA(window, "open", help.c_str(), nullptr,
                                                              directory_.c_str(), SW_SHOWNORMAL));
        if (result <= 32) {
            std::string message = "The help file could not be opened:\n" + help;
            MessageBoxA(window, message.c_str(), kTitle, MB_OK | MB_ICONEXCLAMATION);
        }
    }

    std::string directory_;
    Settings settings_;
    GdiObject note_font_;
    GdiObject listing_font_;
};

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    MainWindow main_window;
    HWND window = main_window.create(instance);
    if (!window) return 1;
    ShowWindow(window, show);
    UpdateWindow(window);

    HACCEL keys = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_KEYS));
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        // Accelerators first, then dialog keys (Tab between the buttons, Esc, Enter).
        if (TranslateAcceleratorA(window, keys, &message)) continue;
        if (IsDialogMessageA(window, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}
