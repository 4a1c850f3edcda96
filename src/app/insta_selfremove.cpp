// DeleteMe: after an uninstall the running program deletes its own file
// through a script that outlives it.
#include "../platform/owners.h"
#include "../platform/paths.h"
#include "../platform/text_file.h"
#include "../window/application.h"
#include "insta.h"
#include "manifest.h"
#include <cstring>

platform::Text GetShortPath(const platform::Text &long_path) {
    platform::Text buffer;
    buffer.resize(260);
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

platform::Text replace_all(const platform::Text &text, const char *from, const platform::Text &to) {
    platform::Text result;
    std::size_t done = 0;
    for (auto at = text.find(from); at != platform::Text::npos; at = text.find(from, done)) {
        result += text.substr(done, at - done) + to;
        done = at + std::strlen(from);
    }
    return result + text.substr(done);
}

// The system's command interpreter by its full path: never one found in
// the program's or the current directory.
platform::Text command_interpreter() {
    return platform::system_directory() + "\\cmd.exe";
}

} // namespace

platform::Text self_removal_script(const platform::Text &short_program_path) {
    platform::Text script;
    for (const char *line : kScriptLines)
        script += replace_all(line, "%1", short_program_path) + "\r\n";
    return script;
}

void TForm1::DeleteMe() {
    const platform::Text program = platform::module_path();
    const platform::Text script_path =
        platform::directory_part(program) + manifest::kSelfRemovalScript;
    {
        platform::TextFileWriter script(script_path);
        const platform::Text text = self_removal_script(GetShortPath(program));
        std::size_t begin = 0;
        while (begin < text.size()) {
            const std::size_t end = text.find("\r\n", begin);
            script.write_line(text.substr(begin, end - begin));
            begin = end + 2;
        }
        script.close();
    }

    platform::Text command = "\"" + command_interpreter() + "\" /c \"\"" + script_path + "\"\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process = {};
    const platform::Text application = command_interpreter();
    if (::CreateProcessA(application.c_str(), command.data(), nullptr, nullptr, FALSE,
                         IDLE_PRIORITY_CLASS, nullptr, nullptr, &startup, &process)) {
        // Not waited for: the script runs on after the program has ended.
        const platform::UniqueHandle thread(process.hThread);
        const platform::UniqueHandle script_process(process.hProcess);
    }
    ui::Application::get().terminate();
}
