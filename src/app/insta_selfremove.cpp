// DeleteMe: after an uninstall the running program deletes its own file
// through a script that outlives it. The script runs with the program's
// administrator rights, so nothing in it may be changed or chosen by anyone
// else: it lives in a folder only administrators can write, names every
// program it runs by its full path, and runs in the system directory.
#include "../platform/owners.h"
#include "../platform/paths.h"
#include "../platform/text_file.h"
#include "../platform/unique_directory.h"
#include "../window/application.h"
#include "insta.h"
#include "manifest.h"

std::string GetShortPath(const std::string &long_path) {
    std::string buffer(260, '\0');
    const DWORD length = ::GetShortPathNameA(long_path.c_str(), buffer.data(), 259);
    // A short form that does not fit the buffer is no short form.
    buffer.resize(length < 259 ? length : 0);
    return buffer;
}

namespace {

// The interpreter expands "%" before it looks at quotation marks.
std::string escape_percent(const std::string &path) {
    std::string escaped;
    for (char c : path) {
        escaped += c;
        if (c == '%') escaped += '%';
    }
    return escaped;
}

// The script's folder and the system directory also stand in a command
// line given to a second interpreter, partly outside quotation marks, and
// the script's path in the command line of the first: a character there
// that the interpreter reads as an operator or a variable would run
// something else.
bool plain_for_interpreter(const std::string &path) {
    return path.find_first_of("%&|<>^\"() ,;=") == std::string::npos;
}

std::string interpreter(const std::string &system) {
    return system + "\\cmd.exe";
}

// /D: not the user's AutoRun command, which an elevated program shares with
// the user's other programs. /E:ON /V:OFF: the retry loop needs command
// extensions, and a "!" in a path must stay a "!", whatever the user's
// defaults say.
const char kInterpreterSwitches[] = " /D /E:ON /V:OFF /C ";

// Removes the script and its folder on every way out unless kept: a script
// that cannot be written completely or started must not be left behind.
class ScriptFolder {
public:
    explicit ScriptFolder(std::string folder)
        : folder_(std::move(folder)), script_(folder_ + "\\" + manifest::kSelfRemovalScript) {}
    ScriptFolder(const ScriptFolder &) = delete;
    ScriptFolder &operator=(const ScriptFolder &) = delete;
    ~ScriptFolder() {
        if (kept_) return;
        ::DeleteFileA(script_.c_str());
        ::RemoveDirectoryA(folder_.c_str());
    }
    const std::string &folder() const { return folder_; }
    const std::string &script() const { return script_; }
    void keep() { kept_ = true; }

private:
    std::string folder_, script_;
    bool kept_ = false;
};

void write_script(const std::string &path, const std::string &text) {
    platform::TextFileWriter script(path);
    std::size_t begin = 0;
    while (begin < text.size()) {
        const std::size_t end = text.find("\r\n", begin);
        script.write_line(text.substr(begin, end - begin));
        begin = end + 2;
    }
    script.close();
}

bool start_hidden(const std::string &script, const std::string &system) {
    const std::string application = interpreter(system);
    std::string command =
        "\"" + application + "\"" + kInterpreterSwitches + "\"\"" + script + "\"\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process = {};
    // The interpreter's current directory is the system's: it must not be
    // the script's folder, which the script removes, nor one that anybody
    // may have put a program into.
    if (!::CreateProcessA(application.c_str(), command.data(), nullptr, nullptr, FALSE,
                          IDLE_PRIORITY_CLASS, nullptr, system.c_str(), &startup, &process))
        return false;
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return true;
}

} // namespace

std::string self_removal_script(const SelfRemovalPaths &paths) {
    const std::string program = "\"" + escape_percent(paths.program) + "\"";
    const std::string system = escape_percent(paths.system);
    const std::string lines[] = {
        "set tries=0",
        ":try",
        "del " + program,
        // The program's file stays locked until the program has ended: wait
        // a second between tries, and give up after about a minute.
        "if not exist " + program + " goto done",
        "set /a tries+=1",
        "if %tries% geq 60 goto done",
        "\"" + system + "\\ping.exe\" -n 2 127.0.0.1 >nul",
        "goto try",
        ":done",
        // One line, read before the script is gone. Under Wine the
        // interpreter keeps the script open until it ends, so that its
        // folder is not empty yet here: a second interpreter removes the
        // folder a little later.
        "del \"" + escape_percent(paths.script) + "\" & start \"\" /b \"" + system + "\\cmd.exe\"" +
            kInterpreterSwitches + "\"" + system + "\\ping.exe -n 3 127.0.0.1 >nul & rmdir \"" +
            escape_percent(paths.folder) + "\"\" & exit",
    };
    std::string script;
    for (const std::string &line : lines)
        script += line + "\r\n";
    return script;
}

void remove_after_exit(const std::string &program, const std::string &scripts_parent) {
    const std::string system = platform::system_directory();
    if (!plain_for_interpreter(scripts_parent) || !plain_for_interpreter(system)) {
        // No script can be run safely from there: the system deletes the
        // file when it next starts instead.
        ::MoveFileExA(program.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
        return;
    }
    ScriptFolder folder(platform::create_unique_protected_directory(scripts_parent));
    write_script(folder.script(), self_removal_script({GetShortPath(program), folder.script(),
                                                       folder.folder(), system}));
    if (start_hidden(folder.script(), system)) folder.keep();
}

void TForm1::DeleteMe() {
    // The Windows directory's Temp folder: ordinary users may make folders
    // there but not rename or delete another's, unlike in their own %TEMP%.
    remove_after_exit(platform::module_path(), platform::windows_directory() + "\\Temp");
    ui::Application::get().terminate();
}
