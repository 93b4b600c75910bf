// Private temporary folders: made on first use, cleared of dead instances' folders, removed
// again at exit and on the end signals; fixed names inside them, created without following.
#include "mw31/temp_names.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <set>
#include <vector>

#include "mw31/format.h"

namespace mw31 {

namespace {

constexpr char kFolderPrefix[] = "kurvlab-";
constexpr std::size_t kPrefixLength = sizeof kFolderPrefix - 1;
constexpr int kMaxFolders = 256;
constexpr int kMaxDepth = 16;

// What the signal handler reads, so nothing in it allocates or locks: the process the
// folders belong to and their absolute paths, each written before the count publishes it.
struct FolderList {
    std::atomic<pid_t> owner{0};
    std::atomic<int> count{0};
    const char* paths[kMaxFolders] = {};
};
FolderList g_folders;

struct Made {
    std::string base;
    std::string folder;
};
std::vector<Made>& made() {
    static std::vector<Made> m;
    return m;
}
std::set<std::string>& swept() {  // bases already cleared of dead instances' folders
    static std::set<std::string> s;
    return s;
}
std::set<std::string>& reported() {  // bases whose failure was already shown
    static std::set<std::string> s;
    return s;
}

// Removes name in dir and, for a folder, everything in it; symbolic links are removed, never
// followed. Runs in the signal handler, so only async-signal-safe calls (getdents64 is a bare
// system call) and buffers on the stack. True when the name is gone.
bool remove_tree_at(int dir, const char* name, int depth) {
    if (::unlinkat(dir, name, 0) == 0 || errno == ENOENT) return true;
    if (depth >= kMaxDepth) return false;
    const int fd = ::openat(dir, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    alignas(struct dirent64) char buffer[2048];
    // Entries removed while reading may shift the directory offset past others, so the
    // passes start again until one finds nothing left to remove.
    for (int pass = 0; pass < 64; ++pass) {
        bool removed = false;
        ::lseek(fd, 0, SEEK_SET);
        for (;;) {
            const ssize_t n = ::getdents64(fd, buffer, sizeof buffer);
            if (n <= 0) break;
            for (ssize_t at = 0; at < n;) {
                const auto* e = reinterpret_cast<const struct dirent64*>(buffer + at);
                at += e->d_reclen;
                const char* s = e->d_name;
                if (s[0] == '.' && (s[1] == '\0' || (s[1] == '.' && s[2] == '\0'))) continue;
                removed |= remove_tree_at(fd, s, depth + 1);
            }
        }
        if (!removed) break;
    }
    ::close(fd);
    return ::unlinkat(dir, name, AT_REMOVEDIR) == 0 || errno == ENOENT;
}

void remove_own_folders() {
    // A forked child that made no folder of its own must not take its parent's.
    if (g_folders.owner.load() != ::getpid()) return;
    const int n = g_folders.count.load();
    for (int i = 0; i < n; ++i)
        if (g_folders.paths[i]) remove_tree_at(AT_FDCWD, g_folders.paths[i], 0);
}

void on_end_signal(int sig) {
    const int saved = errno;
    remove_own_folders();
    // Die of the signal itself, so that the parent sees why: it stays blocked until the
    // handler returns and then takes the default action.
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    ::sigaction(sig, &dfl, nullptr);
    ::raise(sig);
    errno = saved;
}

void install_cleanup() {
    static bool installed = false;  // kept across fork, as atexit and the handlers are
    if (installed) return;
    installed = true;
    std::atexit(remove_own_folders);
    struct sigaction act {};
    act.sa_handler = on_end_signal;
    sigemptyset(&act.sa_mask);
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&act.sa_mask, sig);
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        // Ignored (nohup) or handled by someone else: leave it so.
        struct sigaction old {};
        if (::sigaction(sig, nullptr, &old) == 0 && !(old.sa_flags & SA_SIGINFO) &&
            old.sa_handler == SIG_DFL)
            ::sigaction(sig, &act, nullptr);
    }
}

// A forked child starts with no folders: those it inherited are its parent's.
void adopt_process() {
    const pid_t me = ::getpid();
    if (g_folders.owner.load() == me) return;
    g_folders.count.store(0);
    g_folders.owner.store(me);
    made().clear();
    swept().clear();
    reported().clear();
}

// The pid in "kurvlab-<pid>-XXXXXX", or 0 when the name is not of that form.
pid_t folder_pid(const char* name) {
    if (std::strncmp(name, kFolderPrefix, kPrefixLength) != 0) return 0;
    const char* p = name + kPrefixLength;
    long pid = 0;
    int digits = 0;
    for (; *p >= '0' && *p <= '9' && digits < 10; ++p, ++digits) pid = pid * 10 + (*p - '0');
    if (digits == 0 || *p != '-' || std::strlen(p + 1) != 6 || pid > INT_MAX) return 0;
    return pid_t(pid);
}

// Folders of instances that died without cleaning up (killed, crashed): ours by owner, and
// their pid no longer runs.
void remove_dead_folders(const std::string& base) {
    DIR* d = ::opendir(base.c_str());
    if (!d) return;
    const int fd = ::dirfd(d);
    while (const dirent* e = ::readdir(d)) {
        const pid_t pid = folder_pid(e->d_name);
        if (pid <= 0 || pid == ::getpid()) continue;
        struct stat st;
        if (::fstatat(fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) continue;
        if (::kill(pid, 0) == 0 || errno != ESRCH) continue;
        remove_tree_at(fd, e->d_name, 0);
    }
    ::closedir(d);
}

// The fixed names earlier versions kept in the shared directory itself: plain files of ours
// there are left-overs; links, pipes and other users' files are not ours to touch.
void remove_old_fixed_names(const std::string& base) {
    for (const char* name : {"kurvlab.txt", "kurvlab.tmp", "vflminfo.txt"}) {
        const std::string path = (base == "/" ? std::string() : base) + "/" + name;
        struct stat st;
        if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid())
            ::unlink(path.c_str());
    }
}

std::string base_directory() {
    const char* env = std::getenv("TMPDIR");
    std::string dir = env && *env ? env : "/tmp";
    // Absolute, so that the folder can still be found after a change of directory.
    if (dir[0] != '/') {
        char cwd[PATH_MAX];
        if (::getcwd(cwd, sizeof cwd)) dir = std::string(cwd) + "/" + dir;
    }
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir;
}

// Still there and still private (a cleaner of old files may have removed it).
bool usable(const std::string& folder) {
    struct stat st;
    return ::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
           (st.st_mode & 0777) == 0700;
}

std::string fail(const std::string& base, const char* reason) {
    ::setenv(kPrivateTempEnv, "", 1);
    if (reported().insert(base).second)
        message_printf(
            "kann keinen temporaeren Ordner anlegen / cannot make a temporary folder in %s: %s",
            base.c_str(), reason);
    return std::string();
}

std::string in_temp(const char* name) {
    const std::string dir = temp_directory();
    return dir.empty() ? dir : dir + "/" + name;
}

}  // namespace

std::string temp_directory() {
    adopt_process();
    const std::string base = base_directory();
    std::vector<Made>& m = made();
    for (auto it = m.begin(); it != m.end(); ++it) {
        if (it->base != base) continue;
        if (usable(it->folder)) return it->folder;
        m.erase(it);
        break;
    }
    install_cleanup();
    if (swept().insert(base).second) {
        remove_dead_folders(base);
        remove_old_fixed_names(base);
    }
    const int slot = g_folders.count.load();
    if (slot >= kMaxFolders) return fail(base, "too many folders");
    std::string folder = (base == "/" ? std::string() : base) + "/" + kFolderPrefix +
                         std::to_string(::getpid()) + "-XXXXXX";
    if (!::mkdtemp(folder.data())) return fail(base, std::strerror(errno));
    ::chmod(folder.c_str(), 0700);  // whatever the umask took away
    g_folders.paths[slot] = ::strdup(folder.c_str());
    g_folders.count.store(slot + 1);
    m.push_back({base, folder});
    ::setenv(kPrivateTempEnv, folder.c_str(), 1);
    return folder;
}

std::string temp_info_name() {
    return in_temp("kurvlab.txt");
}
std::string temp_work_name() {
    return in_temp("kurvlab.tmp");
}
std::string temp_merge_help_name() {
    return in_temp("vflminfo.txt");
}

int create_temp_fd(const std::string& path) {
    if (path.empty()) {
        errno = ENOENT;
        return -1;
    }
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0) {
        // A stale file of ours goes; a folder or someone else's file is left alone.
        if (S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) {
            errno = EEXIST;
            return -1;
        }
        if (::unlink(path.c_str()) != 0 && errno != ENOENT) return -1;
    }
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
}

FILE* create_temp_file(const std::string& path) {
    const int fd = create_temp_fd(path);
    if (fd < 0) return nullptr;
    FILE* f = ::fdopen(fd, "wb");
    if (!f) {
        const int e = errno;
        ::close(fd);
        ::unlink(path.c_str());
        errno = e;
    }
    return f;
}

void remove_temp_directories() {
    adopt_process();
    remove_own_folders();
    g_folders.count.store(0);
    made().clear();
}

}  // namespace mw31
