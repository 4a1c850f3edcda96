// DeleteMe: after an uninstall the running program deletes its own file
// through a script that outlives it. The script runs with the program's
// administrator rights, so nothing in it may be changed or chosen by anyone
// else: it lives in a folder only administrators can write, names every
// program it runs by its full path, and runs in the system directory.
#include "platform/files/image_file.h"
#include "platform/owners.h"
#include "platform/files/paths.h"
#include "platform/text/text_file.h"
#include "platform/files/unique_directory.h"
#include "self_removal.h"
#include "steps.h"
#include "product/manifest.h"
#include <cwchar>
#include <initializer_list>
#include <utility>

platform::Text GetShortPath(const platform::Text &long_path) {
    platform::Text buffer;
    buffer.resize(260);
    const DWORD length = ::GetShortPathNameW(long_path.c_str(), buffer.data(), 259);
    // A short form that does not fit the buffer is no short form.
    buffer.resize(length < 259 ? length : 0);
    return buffer;
}

namespace {

// The interpreter expands "%" before it looks at quotation marks.
platform::Text escape_percent(const platform::Text &path) {
    platform::Text escaped;
    for (std::size_t i = 0; i < path.size(); ++i) {
        escaped += path[i];
        if (path[i] == '%') escaped += '%';
    }
    return escaped;
}

// The interpreter reads the script in the console's code page, which may
// carry no letter beyond ASCII the way the program means it: a path that is
// not plain ASCII could name another file there.
bool plain_ascii(const platform::Text &path) {
    if (path.empty()) return false;
    for (std::size_t i = 0; i < path.size(); ++i)
        if (path[i] < 0x20 || path[i] > 0x7E) return false;
    return true;
}

// The script's folder and the system directory also stand in a command
// line given to a second interpreter, partly outside quotation marks, and
// the script's path in the command line of the first: a character there
// that the interpreter reads as an operator or a variable would run
// something else.
bool plain_for_interpreter(const platform::Text &path) {
    return plain_ascii(path) && !std::wcspbrk(path.c_str(), L"%&|<>^\"() ,;=");
}

platform::Text interpreter(const platform::Text &system) {
    return system + L"\\cmd.exe";
}

// /D: not the user's AutoRun command, which an elevated program shares with
// the user's other programs. /E:ON /V:OFF: the retry loop needs command
// extensions, and a "!" in a path must stay a "!", whatever the user's
// defaults say.
const wchar_t kInterpreterSwitches[] = L" /D /E:ON /V:OFF /C ";

// Removes the script and its folder on every way out unless kept: a script
// that cannot be written completely or started must not be left behind,
// and a program file moved in goes back where it was.
class ScriptFolder {
public:
    explicit ScriptFolder(platform::Text folder)
        : folder_(std::move(folder)),
          script_(platform::joined({folder_.c_str(), L"\\", manifest::kSelfRemovalScript})) {}
    ScriptFolder(const ScriptFolder &) = delete;
    ScriptFolder &operator=(const ScriptFolder &) = delete;
    ~ScriptFolder() {
        if (kept_) return;
        if (moved_) moved_->move_to(moved_from_);
        ::DeleteFileW(script_.c_str());
        ::RemoveDirectoryW(folder_.c_str());
    }
    const platform::Text &folder() const { return folder_; }
    const platform::Text &script() const { return script_; }
    // Moves program in by its handle; false, and nothing moved, when the
    // two lie on different volumes or the move fails.
    bool take(const platform::ImageFile &program, const platform::Text &from,
              const platform::Text &to) {
        if (!program.move_to(to)) return false;
        moved_ = &program;
        moved_from_ = from;
        return true;
    }
    void keep() { kept_ = true; }
    // The program file stays where it was moved; the folder still goes.
    void let_go() { moved_ = nullptr; }

private:
    platform::Text folder_, script_;
    const platform::ImageFile *moved_ = nullptr;
    platform::Text moved_from_;
    bool kept_ = false;
};

void write_script(const platform::Text &path, const platform::Text &text) {
    platform::TextFileWriter script(path);
    for (const wchar_t *line = text.c_str(); *line;) {
        const wchar_t *const end = std::wcsstr(line, L"\r\n");
        script.write_line(platform::Text(line, static_cast<std::size_t>(end - line)));
        line = end + 2;
    }
    script.close();
}

// The interpreter's whole environment: the inherited one holds what the
// user's own HKCU\Environment put there, which the elevated script must not
// follow. Sorted, as the system keeps an environment.
platform::Buffer<wchar_t> fixed_environment(const platform::Text &system) {
    const platform::Text windows = platform::windows_directory();
    platform::Buffer<wchar_t> block;
    for (const platform::Text &variable : {L"ComSpec=" + interpreter(system), L"PATH=" + system,
                                           L"SystemRoot=" + windows, L"windir=" + windows})
        block.append(variable.c_str(), variable.size() + 1);
    block.push_back(L'\0');
    return block;
}

bool start_hidden(const platform::Text &script, const platform::Text &system) {
    const platform::Text application = interpreter(system);
    platform::Text command =
        platform::joined({L"\"", application.c_str(), L"\"", kInterpreterSwitches, L"\"\"",
                          script.c_str(), L"\"\""});
    platform::Buffer<wchar_t> environment = fixed_environment(system);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process = {};
    // The interpreter's current directory is the system's: it must not be
    // the script's folder, which the script removes, nor one that anybody
    // may have put a program into.
    if (!::CreateProcessW(application.c_str(), command.data(), nullptr, nullptr, FALSE,
                          IDLE_PRIORITY_CLASS | CREATE_UNICODE_ENVIRONMENT, environment.data(),
                          system.c_str(), &startup, &process))
        return false;
    // Not waited for: the script runs on after the program has ended.
    const platform::UniqueHandle thread(process.hThread);
    const platform::UniqueHandle script_process(process.hProcess);
    return true;
}

} // namespace

namespace {
// Appends the parts and a line end.
void add_line(platform::Text &script, std::initializer_list<const wchar_t *> parts) {
    for (const wchar_t *part : parts)
        script += part;
    script += L"\r\n";
}
} // namespace

platform::Text self_removal_script(const SelfRemovalPaths &paths) {
    const platform::Text quoted_program =
        platform::joined({L"\"", escape_percent(paths.program).c_str(), L"\""});
    const platform::Text escaped_system = escape_percent(paths.system);
    const wchar_t *const program = quoted_program.c_str();
    const wchar_t *const system = escaped_system.c_str();
    platform::Text script;
    add_line(script, {L"set tries=0"});
    add_line(script, {L":try"});
    add_line(script, {L"del ", program});
    // The program's file stays locked until the program has ended: wait a
    // second between tries, and give up after about a minute.
    add_line(script, {L"if not exist ", program, L" goto done"});
    add_line(script, {L"set /a tries+=1"});
    add_line(script, {L"if %tries% geq 60 goto done"});
    add_line(script, {L"\"", system, L"\\ping.exe\" -n 2 127.0.0.1 >nul"});
    add_line(script, {L"goto try"});
    add_line(script, {L":done"});
    // Not before the program has ended: its current directory may be this
    // one. Without /S: only when nothing is left in it.
    if (!paths.install_directory.empty())
        add_line(script, {L"rd \"", escape_percent(paths.install_directory).c_str(), L"\""});
    // One line, read before the script is gone. Under Wine the interpreter
    // keeps the script open until it ends, so that its folder is not empty
    // yet here: a second interpreter removes the folder a little later.
    add_line(script, {L"del \"", escape_percent(paths.script).c_str(), L"\" & start \"\" /b \"",
                      system, L"\\cmd.exe\"", kInterpreterSwitches, L"\"", system,
                      L"\\ping.exe -n 3 127.0.0.1 >nul & rmdir \"",
                      escape_percent(paths.folder).c_str(), L"\"\" & exit"});
    return script;
}

void remove_after_exit(const platform::ImageFile &program, const platform::Text &program_path,
                       bool part_of_installation, const platform::Text &scripts_parent,
                       Progress &progress) {
    // The install directory goes after the program, when it is empty; a
    // drive's root never. Its file left to the restart, it is left too: the
    // system removes it after the file, and only when it is empty then.
    const platform::Text own_folder = platform::directory_part(program_path);
    platform::Text directory = part_of_installation ? own_folder : platform::Text();
    if (directory.size() > 3)
        directory.pop_back();
    else
        directory.clear();
    const auto delete_at_restart = [](const platform::Text &path) {
        if (!path.empty()) ::MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    };
    // Left to the system to delete when it next starts: only where no user
    // could have put something else in its place meanwhile. A restart is
    // then due, and the run says so; an install before it takes the entry
    // out again.
    const auto leave_to_restart = [&](const platform::Text &path) {
        if (::MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT))
            progress.left_for_restart(path);
        delete_at_restart(directory); // none when it is empty
    };
    // Held for reading only (from a CD, or while another program holds it
    // without delete sharing), the file cannot be moved; nor can a script
    // run safely from every folder. A setup program elsewhere then stays,
    // the installed uninstaller goes at the next restart.
    const platform::Text system = platform::system_directory();
    if (!program.movable() || !plain_for_interpreter(scripts_parent) ||
        !plain_for_interpreter(system)) {
        if (part_of_installation) leave_to_restart(program_path);
        return;
    }
    ScriptFolder folder(platform::create_unique_protected_directory(scripts_parent));
    // Moved by its handle into the script's folder, the file is deleted
    // where only administrators can write, never by a name in a folder the
    // user controls. A setup program the user downloaded that cannot be
    // moved there is no part of the installation: it stays.
    const platform::Text moved =
        platform::joined({folder.folder().c_str(), L"\\", manifest::kSelfRemovalProgram});
    platform::Text target = moved;
    if (!folder.take(program, program_path, moved)) {
        if (!part_of_installation) return;
        // On another volume: moved by its handle to a new name in its own
        // folder, which the install judged. The script deletes that name,
        // never the installed one, which an install started meanwhile has
        // written again.
        target = platform::joined({own_folder.c_str(), platform::random_name().c_str(), L".tmp"});
        if (!folder.take(program, program_path, target)) {
            leave_to_restart(program_path);
            return;
        }
    }
    const platform::Text short_target = GetShortPath(target);
    if (!plain_ascii(short_target)) {
        // No script could name it: the system deletes it when it next starts.
        leave_to_restart(target);
        if (target == moved) delete_at_restart(folder.folder());
        folder.let_go();
        return;
    }
    platform::Text short_directory = GetShortPath(directory);
    if (!plain_ascii(short_directory)) {
        // Nor it: left to the restart, by when the script has deleted the file.
        delete_at_restart(directory);
        short_directory.clear();
    }
    write_script(folder.script(), self_removal_script({short_target, folder.script(),
                                                       folder.folder(), system, short_directory}));
    if (!start_hidden(folder.script(), system)) return;
    folder.keep();
    // The script gives up after its minute: a copy that another program
    // (a scanner) holds that long would stay in the install directory for
    // good. The system deletes it at the next restart, then the directory
    // if it is empty; a copy the script deleted first is simply not there.
    if (target != moved) {
        delete_at_restart(target);
        delete_at_restart(directory);
    }
}

void DeleteMe(const platform::Text &directory, Progress &progress) {
    // The Windows directory's Temp folder: ordinary users may make folders
    // there but not rename or delete another's, unlike in their own %TEMP%.
    const platform::Text program = platform::module_path();
    remove_after_exit(platform::ImageFile::running(), program,
                      platform::ascii_lower(platform::directory_part(program)) ==
                          platform::ascii_lower(directory),
                      platform::windows_directory() + L"\\Temp", progress);
}
