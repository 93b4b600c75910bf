// The directory lives under the temporary directory the test run was started with.
#include "support/private_temp.h"

#include <cstdlib>
#include <filesystem>
#include <string>

namespace kvtest {

namespace {
std::string& made() {
    static std::string dir;
    return dir;
}
void remove_made() {
    std::error_code ignored;
    if (!made().empty()) std::filesystem::remove_all(made(), ignored);
}
}  // namespace

void use_private_temp_dir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/kv_test_XXXXXX";
    if (!mkdtemp(pattern.data())) return;  // the shared directory still works, just unisolated
    made() = pattern;
    setenv("TMPDIR", pattern.c_str(), 1);
    setenv("TEST_TMPDIR", pattern.c_str(), 1);
    std::atexit(remove_made);
}

}  // namespace kvtest
