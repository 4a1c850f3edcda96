// DeleteMe: after an uninstall the running program deletes its own file
// through a script that outlives it.
#include "../platform/owners.h"
#include "../platform/paths.h"
#include "../platform/text_file.h"
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

const char *const kScriptLines[] = {
    "set tries=0",
    ":try",
    "del \"%1\"",
    // The program's file stays locked until the program has ended: wait a
    // second between tries, and give up after about a minute.
    "if not exist \"%1\" goto done",
    "set /a tries+=1",
    "if %tries% geq 60 goto done",
    "ping -n 2 127.0.0.1 >nul",
    "goto try",
    ":done",
    "del %0",
    "cls",
    "exit",
};

std::string replace_all(std::string text, const std::string &from, const std::string &to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// The system's command interpreter by its full path: never one found in
// the program's or the current directory.
std::string command_interpreter() {
    char system[MAX_PATH + 1] = {};
    ::GetSystemDirectoryA(system, MAX_PATH);
    return std::string(system) + "\\cmd.exe";
}

} // namespace

std::string self_removal_script(const std::string &short_program_path) {
    std::string script;
    for (const char *line : kScriptLines)
        script += replace_all(line, "%1", short_program_path) + "\r\n";
    return script;
}

void TForm1::DeleteMe() {
    const std::string program = platform::module_path();
    const std::string script_path =
        platform::directory_part(program) + manifest::kSelfRemovalScript;
    {
        platform::TextFileWriter script(script_path);
        const std::string text = self_removal_script(GetShortPath(program));
        std::size_t begin = 0;
        while (begin < text.size()) {
            const std::size_t end = text.find("\r\n", begin);
            script.write_line(text.substr(begin, end - begin));
            begin = end + 2;
        }
        script.close();
    }

    std::string command = "\"" + command_interpreter() + "\" /c \"\"" + script_path + "\"\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process = {};
    const std::string application = command_interpreter();
    if (::CreateProcessA(application.c_str(), command.data(), nullptr, nullptr, FALSE,
                         IDLE_PRIORITY_CLASS, nullptr, nullptr, &startup, &process)) {
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }
    ui::Application::get().terminate();
}
