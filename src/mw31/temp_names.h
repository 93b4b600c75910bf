// The program's temporary files: a private folder per running kurvlab, the fixed names in it,
// and a safe way to create them.
#pragma once

#include <cstdio>
#include <string>

namespace mw31 {

// This process's own folder "kurvlab-<pid>-XXXXXX" (mode 0700) under $TMPDIR when set and not
// empty, else /tmp; without a trailing "/". Made on first use for each such base directory
// (and made again if something removed it); folders of dead instances found there are removed
// then. The folders go away when the program ends, also on SIGTERM, SIGINT and SIGHUP.
// "" when no folder can be made: the reason is reported once through the message output, and
// every name below is "" then, so that opening it fails.
std::string temp_directory();
std::string temp_info_name();        // .../kurvlab.txt: info text of the film being played
std::string temp_work_name();        // .../kurvlab.tmp
std::string temp_merge_help_name();  // .../vflminfo.txt: help text of the merge

// Environment variable that names the current private folder for code that cannot call
// temp_directory() (the VRML importer); set to "" when none could be made.
inline constexpr const char* kPrivateTempEnv = "KURVLAB_PRIVATE_TMPDIR";

// A new, empty file at path, open for writing by this process alone: a file, symlink or FIFO
// of ours already there is removed first, and then the name is created with O_EXCL and
// O_NOFOLLOW, mode 0600, close-on-exec, so that nothing planted there is ever followed or
// blocks. -1 (errno set) on failure; EEXIST when the name belongs to someone else.
int create_temp_fd(const std::string& path);
// The same as a stream opened "wb"; null (errno set) on failure.
FILE* create_temp_file(const std::string& path);

// Removes this process's folders now (also done at exit and on the signals above).
void remove_temp_directories();

}  // namespace mw31
