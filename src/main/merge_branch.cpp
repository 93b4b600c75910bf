// The definition is read as the merge reads it; the films are read but nothing is written.
#include "main/merge_branch.h"

#include <cmath>
#include <cstdio>

#include "film_out/film_merge.h"
#include "film_out/merge_definition.h"
#include "main/batch_output.h"
#include "mw31/dialogs.h"
#include "mw31/format.h"

namespace kurvlab {

int print_merge_info(const std::string& definition) {
    const size_t first_message = mw31::shown_dialogs().size();
    std::printf("file: %s\nkind: merge definition\n", definition.c_str());
    film_out::MergeDefinition def;
    film_out::MergeSummary summary;
    if (film_out::merge_definition_read(definition, "", 0, &def) != 0 ||
        film_out::merge_summary(def.entries, def.step_count, &summary) != 0) {
        print_messages_since(first_message);
        return 1;
    }
    std::printf("entries: %zu\n", def.entries.size());
    for (size_t k = 0; k < def.entries.size(); ++k) {
        const film_out::MergeEntry& e = def.entries[k];
        std::printf("%s", mw31::format_text("entry %zu: film=%s dx=%lg dy=%lg dw=%lg i=%lg "
                                            "phase=%lg (%d frames)\n",
                                            k + 1, e.film.c_str(), e.dx, e.dy, e.dw * 180 / M_PI,
                                            e.i, e.phase, summary.frames[k])
                              .c_str());
    }
    std::printf("parts: %d\nsteps: %d\n", summary.parts, summary.steps);
    std::printf("%s", mw31::format_text("total window: xl %lg xr %lg yb %lg yt %lg\n", summary.xmin,
                                        summary.xmax, summary.ymin, summary.ymax)
                          .c_str());
    std::printf("output: %s\n", def.output_name.c_str());
    print_messages_since(first_message);
    return 0;
}

int write_merged_film(const std::string& definition, const std::string& output) {
    film_out::MergeDefinition def;
    if (film_out::merge_definition_read(definition, output, 0, &def) != 0) return 1;
    if (film_out::vereinigung_flm_files(def.entries, output, def.step_count) != 0) return 1;
    std::printf("%s: %zu entries merged\n", output.c_str(), def.entries.size());
    return 0;
}

}  // namespace kurvlab
