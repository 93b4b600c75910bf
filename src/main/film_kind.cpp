// Head tests in the order the dispatch needs them.
#include "main/film_kind.h"

namespace kurvlab {

bool contains_usercoor(FILE* file) {
    static const char kWord[] = "usercoor";
    for (int attempt = 0; attempt < kUsercoorAttempts; ++attempt) {
        int matched = 0;
        while (matched < 8) {
            const int c = std::fgetc(file);
            if (c == EOF || c != kWord[matched]) break;
            ++matched;
        }
        if (matched == 8) return true;
    }
    return false;
}

std::string read_film_head(const std::string& name) {
    FILE* f = std::fopen(name.c_str(), "rb");
    if (!f) return {};
    std::string head(kHeadBytes, char(0xFF));
    const size_t n = std::fread(head.data(), 1, head.size(), f);
    std::fclose(f);
    (void)n;  // the rest stays 0xFF
    return head;
}

bool is_cad_wrapper_head(const std::string& head) {
    return head.rfind("# CAD-", 0) == 0 && head.find(" --- ") != std::string::npos;
}

}  // namespace kurvlab
