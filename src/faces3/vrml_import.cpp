// faces3_rcv_from_vrml: expands inlines into a temporary file, reads it into tokens and
// builds one body from its nodes.
#include "faces3/vrml_import.h"

#include <cmath>
#include <cstdio>
#include <new>
#include <string>

#include "faces3/faces3_body.h"
#include "faces3/faces3_output.h"
#include "faces3/vrml_inline.h"
#include "faces3/vrml_reader.h"
#include "faces3/vrml_scene.h"
#include "faces3/vrml_settings.h"
#include "faces3/vrml_tokens.h"

namespace {

// Kept between imports; FACES3_VRML_MODELFAC replaces it.
double g_modelfac = 1.0;

bool write_file(const std::string& name, std::string_view text) {
    std::FILE* fp = std::fopen(name.c_str(), "wb");
    if (!fp) return false;
    const bool ok = std::fwrite(text.data(), 1, text.size(), fp) == text.size();
    return std::fclose(fp) == 0 && ok;
}

Faces3Koerper* import(const std::string& filename) {
    using namespace faces3_vrml;
    const VrmlSettings settings = vrml_read_settings();

    // The text and its token table (several bytes per byte of the file) are needed only
    // while the nodes are read: they go before the neighbour search, which needs memory of
    // its own for every triangle.
    Faces3Koerper* body = nullptr;
    {
        // Inlines first, into the temporary file; when that fails the file is read as it is.
        // The expanded text is still in memory, so it is not read back.
        VrmlTokens tokens;
        {
            VrmlText text;
            if (vrml_expand_inlines(filename, text, "faces3_rcv_from_vrml", false) == 0) {
                const std::string dir = vrml_temp_dir();
                if (!dir.empty()) write_file(dir + "/vrml_import.wrl", text);
            } else if (!vrml_read_file(filename, text)) {
                faces3_message_printf(
                    "%s Datei/File %s: kann nicht geoeffnet werden / cannot be opened",
                    "faces3_rcv_from_vrml", filename.c_str());
                return nullptr;
            }
            std::size_t rest = 0;
            if (!vrml_header_ok(text, rest)) {
                faces3_message_printf("faces3_rcv_from_vrml: %s ist keine VRML1.0-Datei",
                                      filename.c_str());
                return nullptr;
            }
            vrml_tokenize(std::move(text), tokens);
        }
        if (settings.string_wrl) {
            const std::string dump = vrml_token_text(tokens);
            if (!write_file("string.wrl", dump))
                faces3_message_printf(
                    "%s Datei/File %s: kann nicht geoeffnet werden / cannot be opened",
                    "faces3_rcv_from_vrml", "string.wrl");
        }

        body = faces3_new_koerper(filename.c_str(), 0, 0, 0, 0);
        if (!body) return nullptr;

        if (settings.has_modelfac) g_modelfac = settings.modelfac;
        if (std::fabs(g_modelfac) < 1e-8) g_modelfac = 1.0;

        // USE may repeat texts, but not without bound: a file whose DEFs each use the one
        // before twice would otherwise take forever.
        const std::size_t use_budget = 16 * tokens.size() + (std::size_t{1} << 18);
        VrmlReader reader(tokens, use_budget);
        VrmlScene scene(reader, settings, g_modelfac, body);
        scene.read_all();
        body = scene.take_body();
    }
    faces3_set_typ(body, FACES3_TYP_NETZ);
    // Nothing is inserted into the body after this: the indexes of its construction would
    // only take room beside the neighbour search and for as long as the body is shown.
    faces3_body_drop_search_indexes(body);
    if (!faces3_get_nosearch()) {
        const int faults = faces3_cpt_nachbarn(body);
        if (faults > 0 && settings.report_edge_faults)
            faces3_message_printf(
                "faces3_rcv_from_vrml: %d Kantenfehler (fehlende oder doppelte Nachbardreiecke)",
                faults);
    }
    return body;
}

}  // namespace

Faces3Koerper* faces3_rcv_from_vrml(const char* filename) {
    try {
        return import(filename ? filename : "");
    } catch (const std::bad_alloc&) {
        faces3_message_printf("faces3_rcv_from_vrml: kein Speicher / out of memory");
        return nullptr;
    }
}

double faces3_vrml_get_modelfac() {
    return g_modelfac;
}
void faces3_vrml_set_modelfac(double f) {
    g_modelfac = std::fabs(f) < 1e-8 ? 1.0 : f;
}
