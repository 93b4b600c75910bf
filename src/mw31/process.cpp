// Process launch with the editor mapping and the polling wait; sleep and tick count.
#include "mw31/process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "mw31/dialogs.h"
#include "mw31/file_services.h"
#include "mw31/message_queue.h"
#include "mw31/program_title.h"
#include "mw31/text_services.h"

extern char** environ;

namespace mw31 {

namespace {

// What was started last, and children not waited for yet (reaped at the next start so that
// none stays a zombie for long).
struct ProcessState {
    std::string command_line;
    std::vector<std::string> arguments;
    pid_t pid = -1;
    std::vector<pid_t> unwaited;
};

ProcessState& state() {
    static ProcessState s;
    return s;
}

std::string lower_base_name(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    for (char& c : base) c = char(std::tolower((unsigned char)c));
    return base;
}

bool is_notepad(const std::string& word) {
    const std::string base = lower_base_name(word);
    return base == "notepad" || base == "notepad.exe";
}

bool is_terminal_editor(const std::vector<std::string>& words) {
    static const char* const kTerminalEditors[] = {
        "vi", "vim",    "vim.basic",      "vim.tiny", "nvim", "nvi", "elvis", "vis",
        "ex", "ed",     "nano",           "pico",     "joe",  "jed", "jstar", "micro",
        "ne", "mg",     "zile",           "jove",     "kak",  "hx",  "helix", "mcedit",
        "le", "editor", "sensible-editor"};
    const std::string base = lower_base_name(words[0]);
    for (const char* name : kTerminalEditors)
        if (base == name) return true;
    if (base == "emacs" || base == "emacsclient")
        return std::any_of(words.begin() + 1, words.end(),
                           [](const std::string& w) { return w == "-nw" || w == "-t"; });
    return false;
}

std::vector<std::string> editor_arguments(const std::string& file) {
    std::vector<std::string> editor;
    for (const char* var : {"KURVLAB_EDITOR", "VISUAL", "EDITOR"}) {
        const char* value = std::getenv(var);
        if (!value || !*value) continue;
        editor = split_command_line(value);
        editor.erase(editor.begin());
        if (!editor.empty()) break;
    }
    std::vector<std::string> args;
    if (editor.empty()) {
        args = {"xdg-open"};
    } else {
        if (is_terminal_editor(editor)) {
            for (const char* terminal : {"x-terminal-emulator", "xterm"}) {
                if (find_on_path(terminal).empty()) continue;
                args = {terminal, "-e"};
                break;
            }
        }
        args.insert(args.end(), editor.begin(), editor.end());
    }
    if (!file.empty()) args.push_back(file);
    return args;
}

// Takes the program word off the line and returns the rest, blanks and enclosing quotes
// removed: notepad takes everything after its name as one file name, blanks included.
std::string after_program_word(const std::string& line) {
    std::size_t i = 0;
    while (i < line.size() && (unsigned char)line[i] < '!') ++i;
    if (i < line.size() && line[i] == '"') {
        const std::size_t close = line.find('"', i + 1);
        i = close == std::string::npos ? line.size() : close + 1;
    } else {
        while (i < line.size() && (unsigned char)line[i] >= '!' && line[i] != '"') ++i;
    }
    std::string rest = line.substr(i);
    const std::size_t first = rest.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return std::string();
    rest = rest.substr(first, rest.find_last_not_of(" \t\r\n") - first + 1);
    if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"')
        rest = rest.substr(1, rest.size() - 2);
    return rest;
}

void reap_finished() {
    std::vector<pid_t>& list = state().unwaited;
    list.erase(std::remove_if(list.begin(), list.end(),
                              [](pid_t pid) { return ::waitpid(pid, nullptr, WNOHANG) != 0; }),
               list.end());
}

pid_t spawn(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    posix_spawnattr_t attr;
    if (posix_spawnattr_init(&attr) != 0) return -1;
    // Detached from our session and with default signal handling, like a program started
    // from the desktop.
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGQUIT);
    sigaddset(&defaults, SIGCHLD);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr,
                             POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, argv[0], nullptr, &attr, argv.data(), environ);
    posix_spawnattr_destroy(&attr);
    return rc == 0 ? pid : -1;
}

}  // namespace

std::string find_on_path(const std::string& program) {
    if (program.empty()) return std::string();
    if (program.find('/') != std::string::npos)
        return ::access(program.c_str(), X_OK) == 0 ? program : std::string();
    const char* path = std::getenv("PATH");
    const std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = dirs.find(':', start);
        std::string dir =
            dirs.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (dir.empty()) dir = ".";
        const std::string candidate = dir + "/" + program;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
        if (end == std::string::npos) return std::string();
        start = end + 1;
    }
}

std::vector<std::string> program_arguments(const std::string& command_line) {
    std::vector<std::string> words = split_command_line(command_line);
    words.erase(words.begin());
    if (words.empty()) return words;
    if (is_notepad(words[0]))
        return editor_arguments(native_file_name(after_program_word(command_line)));
    return words;
}

int run_program(const std::string& command_line, bool wait) {
    service_messages();
    reap_finished();
    ProcessState& s = state();
    s.command_line = command_line;
    s.arguments = program_arguments(command_line);
    s.pid = -1;
    if (s.arguments.empty()) return 1;
    const pid_t pid = spawn(s.arguments);
    if (pid < 0) return 1;
    s.pid = pid;
    bool ended = false;
    if (wait) {
        for (int poll = 0; poll < kProcessMaxPolls; ++poll) {
            const pid_t r = ::waitpid(pid, nullptr, WNOHANG);
            if (r != 0) {  // ended, or its state cannot be read
                ended = true;
                break;
            }
            service_messages();
            sleep_ms(kProcessPollMs);
        }
    }
    if (!ended) s.unwaited.push_back(pid);
    service_messages();
    return 0;
}

void sleep_ms(int milliseconds) {
    if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

long long tick_count() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

namespace {

// The start of a text for a box, where a text editor cannot be had.
std::string text_for_box(const std::string& file_name) {
    constexpr size_t kMaxShown = 16 * 1024;
    std::string text;
    if (FILE* f = open_file(file_name, "r")) {
        char buffer[4096];
        size_t n;
        while (text.size() < kMaxShown && (n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
            text.append(buffer, n);
        close_file(f);
    }
    if (text.size() > kMaxShown) text = text.substr(0, kMaxShown) + "\n...";
    return text;
}

}  // namespace

void open_in_text_editor(const std::string& file_name) {
    const std::string command = "notepad.exe " + file_name;
    const std::vector<std::string> args = program_arguments(command);
    if (!args.empty() && !find_on_path(args[0]).empty() && run_program(command, false) == 0) return;
    message_box(std::string(kProgramTitle) + "    " + file_name,
                "Kein Texteditor gefunden / no text editor found (KURVLAB_EDITOR, VISUAL, EDITOR "
                "or xdg-open):\n\n" +
                    text_for_box(file_name),
                BoxButtons::Ok, BoxIcon::Information);
}

}  // namespace mw31
