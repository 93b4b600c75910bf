// Prefix options take the rest of the argument as a decimal number; an unparsable text gives 0.
#include "main/film_options.h"

#include <cstdlib>

#include "mw31/text_services.h"

namespace kurvlab {

namespace {

bool has_prefix(const std::string& arg, const char* prefix) {
    return arg.rfind(prefix, 0) == 0;
}

int int_after(const std::string& arg) {
    // strtol saturates instead of overflowing, which atoi does not promise.
    const long v = std::strtol(arg.c_str() + 2, nullptr, 10);
    if (v > 2147483647L) return 2147483647;
    if (v < -2147483647L - 1) return -2147483647 - 1;
    return int(v);
}

}  // namespace

double parse_record_factor(const std::vector<std::string>& args) {
    double factor = 1.0;
    for (size_t i = 2; i < args.size(); ++i)
        if (has_prefix(args[i], "-x")) factor = mw31::strtod_c(args[i].c_str() + 2, nullptr);
    // NaN and values below 1 count as 1; a huge factor would ask for pictures of any size.
    if (!(factor >= 1.0)) factor = 1.0;
    if (factor > 16.0) factor = 16.0;
    return factor;
}

FilmOptions parse_film_options(const std::vector<std::string>& args) {
    FilmOptions o;
    o.record_factor = parse_record_factor(args);
    for (size_t i = 2; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "-c")
            o.convert = true;
        else if (a == "--stamp")
            o.stamp = true;
        else if (a == "-f")
            o.convert_to_file = true;
        else if (has_prefix(a, "-n")) {
            o.passes = int_after(a);
            o.passes_given = true;
        } else if (has_prefix(a, "-p"))
            o.pause_ms = int_after(a);
        else if (has_prefix(a, "-s"))
            o.memory_size = int_after(a);
    }
    return o;
}

}  // namespace kurvlab
