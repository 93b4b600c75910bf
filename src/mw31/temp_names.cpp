// Fixed temporary names: directory and name joined with "/".
#include "mw31/temp_names.h"

#include <cstdlib>

namespace mw31 {

std::string temp_directory() {
    const char* env = std::getenv("TMPDIR");
    std::string dir = env && *env ? env : "/tmp";
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir;
}

namespace {
std::string in_temp(const char* name) {
    std::string dir = temp_directory();
    return dir == "/" ? dir + name : dir + "/" + name;
}
}  // namespace

std::string temp_info_name() {
    return in_temp("kurvlab.txt");
}
std::string temp_work_name() {
    return in_temp("kurvlab.tmp");
}
std::string temp_merge_help_name() {
    return in_temp("vflminfo.txt");
}

}  // namespace mw31
