// Dispatch order: merge definition, "usercoor", CAD wrapper (unwrapped and looked at again),
// ANM3D, ANMNEU, and everything else as a line film.
#include "main/mw31_film.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "film_model/cad_unwrap.h"
#include "film_out/merge_definition.h"
#include "main/anmneu_branch.h"
#include "main/batch_output.h"
#include "main/film_kind.h"
#include "main/film_options.h"
#include "main/line_film_branch.h"
#include "main/merge_branch.h"
#include "main/scene_branch.h"
#include "main/usercoor_branch.h"
#include "mw31/backend.h"
#include "mw31/file_services.h"
#include "mw31/format.h"
#include "mw31/messages.h"
#include "mw31/process.h"
#include "mw31/temp_names.h"
#include "mw31/terminal.h"

namespace kurvlab {

namespace {

std::string& source_name() {
    static std::string name;
    return name;
}

// The merge output or unwrapped copy that this call made; removed when the player returns.
class TempFile {
  public:
    ~TempFile() { remove(); }
    void replace(const std::string& name) {
        remove();  // an earlier unwrap's copy would otherwise stay behind
        name_ = name;
    }
    void remove() {
        if (!name_.empty()) std::remove(name_.c_str());
        name_.clear();
    }

  private:
    std::string name_;
};

// The merged film goes where the definition's "out=" says and stays there; without one it is
// made in our private temporary folder, named after the definition, and removed after
// playing, so that no file of the user's is replaced unasked. False after a message.
bool merge_definition(const std::string& definition, std::string* merged, TempFile* temp) {
    const std::string folder = mw31::temp_directory();
    if (folder.empty()) return false;  // said already
    std::string stem = definition.substr(definition.find_last_of('/') + 1);
    stem = stem.substr(0, stem.find_last_of('.'));
    const std::string scratch = folder + "/" + (stem.empty() ? "gesamt" : stem) + ".flm";
    std::string out = scratch;
    if (film_out::merge_definition_run(definition, &out, 0) != 0) return false;
    if (out == scratch) temp->replace(scratch);
    *merged = out;
    return true;
}

// A user-coordinates film plays like every film that needs a display.
int play_usercoor(const std::string& film_name, const std::vector<std::string>& args,
                  const BatchRequest& batch) {
    FilmOptions options = parse_film_options(args);
    options.record_factor = parse_record_factor(args);
    mw31::Backend* backend = mw31::backend();
    if (!batch.active() && !options.passes_given && !(backend && backend->has_display()))
        return no_display_to_play(source_name());
    return play_usercoor_branch(film_name, source_name(), options, batch);
}

}  // namespace

const std::string& film_source_name() {
    return source_name();
}

int mw31_film(std::vector<std::string> args, const BatchRequest& batch) {
    if (args.size() < 2) return 1;
    const double record_factor = parse_record_factor(args);
    std::string film_name = args[1];
    TempFile temp;

    bool merged = false;
    if (film_out::merge_definition_detect(film_name)) {
        if (!batch.active() &&
            !mw31::ask_no(
                mw31::current_terminal(),
                mw31::format_text("Filmvereinigungsdatei %s editieren?", film_name.c_str())))
            mw31::run_program(mw31::format_text("notepad %s", film_name.c_str()), true);
        if (batch.info) return print_merge_info(film_name);
        if (!batch.merge_out.empty()) return write_merged_film(film_name, batch.merge_out);
        if (!merge_definition(film_name, &film_name, &temp)) return 1;
        merged = true;
    } else if (!batch.merge_out.empty()) {
        mw31::message_printf("%s: keine Filmvereinigungsdatei / not a merge definition",
                             film_name.c_str());
        return 1;
    }

    std::string head;
    for (;;) {
        source_name() = film_name;
        FILE* f = std::fopen(film_name.c_str(), "rb");
        if (!f) {
            mw31::message_printf(
                "Kann Datei nicht zum Lesen oeffnen / Cannot open file for read:\n%s",
                film_name.c_str());
            return 1;
        }
        const bool usercoor = contains_usercoor(f);
        std::fclose(f);
        if (usercoor) return play_usercoor(film_name, args, batch);
        head = read_film_head(film_name);
        if (!is_cad_wrapper_head(head)) break;
        std::string unwrapped;
        if (mw31::film_temp_name(&unwrapped) != 0) {
            const int error = errno;
            mw31::message_printf(
                "mw31_film: %s: kann keine temporaere Datei anlegen / cannot create a "
                "temporary file for the unwrapped film: %s",
                film_name.c_str(),
                mw31::temp_directory().empty() ? "no temporary folder" : std::strerror(error));
            return 1;
        }
        temp.replace(unwrapped);
        // The unwrap says what failed and names the user's film.
        if (film::cad_unwrap_anmneu(film_name, unwrapped) != 0) return 1;
        film_name = unwrapped;
    }

    const bool anmneu = head.rfind("ANMNEU", 0) == 0;
    FilmOptions options = parse_film_options(args);
    options.record_factor = record_factor;
    // A merged film is a file already: -c converts it through a file too.
    if (merged) options.convert_to_file = true;
    if (head.rfind("ANM3D", 0) == 0) return play_scene_branch(film_name, options, batch);
    mw31::Backend* backend = mw31::backend();
    if (!batch.active() && !options.passes_given && !(backend && backend->has_display()))
        return no_display_to_play(source_name());
    if (anmneu) {
        std::remove(mw31::temp_info_name().c_str());  // a left-over info text
        if (options.convert) return play_converted_anmneu(film_name, source_name(), options, batch);
        return play_anmneu_branch(film_name, source_name(), options, batch);
    }
    return play_line_film_branch(film_name, source_name(), options, batch);
}

}  // namespace kurvlab
