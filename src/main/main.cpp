// Program entry: the platform first, then the terminal, then the program's own logic.
#include <cstdio>
#include <cstdlib>

#include "main/command_line.h"
#include "main/kurvlab_main.h"
#include "mw31/backend.h"
#include "mw31/program_title.h"
#include "mw31/qt/qt_backend.h"
#include "mw31/temp_names.h"
#include "mw31/terminal.h"

namespace {

bool g_backend_up = false;

// Qt ends the program with exit() when it loses the display (the X server went away) while
// a window is open; the static destructors that exit() runs would then free what the live
// application still uses and crash. Our folders go, the user is told, and the rest is left
// to the system.
void on_exit_with_the_backend_up() {
    if (!g_backend_up) return;
    mw31::remove_temp_directories();
    std::fputs("kurvlab: the display was lost; the program ends\n", stderr);
    std::_Exit(1);
}

}  // namespace

int main(int argc, char** argv) {
    const kurvlab::CommandLine cl = kurvlab::parse_command_line(argc, argv);
    if (cl.help) {
        std::fputs(kurvlab::usage_text().c_str(), stdout);
        return 0;
    }
    if (cl.version) {
        std::puts(mw31::kProgramTitle);
        return 0;
    }
    if (!cl.error.empty()) {
        std::fprintf(stderr, "kurvlab: %s\n%s", cl.error.c_str(), kurvlab::usage_text().c_str());
        return 2;
    }

    // Made before Qt starts threads: it sets the environment for the VRML importer, and
    // folders left by instances that died are cleared at this start.
    mw31::temp_directory();
    mw31::set_backend(mw31::make_qt_backend(argc, argv));
    g_backend_up = true;
    std::atexit(on_exit_with_the_backend_up);  // runs before the destructors Qt registered
    if (mw31::create_terminal() != 0) {
        std::fprintf(stderr, "kurvlab: cannot create the text terminal\n");
        g_backend_up = false;
        mw31::set_backend(nullptr);
        return 1;
    }
    mw31::terminal_clear();
    mw31::terminal_home();
    const int result = kurvlab::kurvlab_main(cl.film_args, cl.batch);
    mw31::destroy_terminal();
    g_backend_up = false;
    mw31::set_backend(nullptr);
    return result;
}
