#include "film/recorded_pass.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "film/anmneu_playback.h"
#include "film/playback_state.h"
#include "mw31/format.h"

namespace film {

namespace {

std::vector<int> shown_pass_frames(int frame_count, const std::function<size_t(int)>& records_in,
                                   int step) {
    std::vector<int> frames;
    PlaybackState s = new_playback_state(frame_count, 1, 0, 1, 0);
    s.step = step < 1 ? 1 : step;
    for (s.index = 1; in_playable_range(s); advance(&s))
        if (records_in(s.index) > size_t(kSkippedFrameRecords)) frames.push_back(s.index);
    return frames;
}

int closing_frame(const std::vector<int>& frames, const std::function<bool(int, int)>& same) {
    if (frames.size() > 1 && same(frames.back(), frames.front())) return frames.back();
    return -1;
}

}  // namespace

std::vector<int> line_film_pass_frames(const FrameStore& store, int step) {
    return shown_pass_frames(
        store.frame_count(), [&store](int i) { return store.frame(i).size(); }, step);
}

std::vector<int> usercoor_pass_frames(const UsercoorFilm& film, int step) {
    return shown_pass_frames(
        film.frame_count(), [&film](int i) { return film.frame(i).size(); }, step);
}

std::vector<std::pair<int, int>> anmneu_pass_pictures(int frame_count, int step, int phi_factor) {
    std::vector<std::pair<int, int>> pictures;
    PlaybackState s = new_playback_state(frame_count, 0, 0, 1, 0);
    s.step = step < 1 ? 1 : step;
    s.phi_factor = phi_factor < 1 ? 1 : phi_factor;
    int substep = 0;
    for (s.index = 0; in_playable_range(s); anmneu_advance(&s, &substep))
        pictures.emplace_back(s.index, substep);
    return pictures;
}

int line_film_closing_frame(const FrameStore& store, const std::vector<int>& frames) {
    return closing_frame(frames, [&store](int a, int b) {
        const FrameRecords x = store.frame(a), y = store.frame(b);
        return std::equal(x.begin(), x.end(), y.begin(), y.end());
    });
}

int usercoor_closing_frame(const UsercoorFilm& film, const std::vector<int>& frames) {
    return closing_frame(frames, [&film](int a, int b) {
        const UsercoorFrame x = film.frame(a), y = film.frame(b);
        return std::equal(x.begin(), x.end(), y.begin(), y.end());
    });
}

int anmneu_closing_frame(const AnmneuFilm& film, const std::vector<std::pair<int, int>>& pictures) {
    if (pictures.empty()) return -1;
    const int last = pictures.back().first, first = pictures.front().first;
    return last != first && anmneu_same_position(film, last, first) ? last : -1;
}

std::string frame_stamp(int frame) {
    return mw31::format_text("Bild %d", frame);
}

std::string anmneu_frame_stamp(int frame, int substep, int phi_factor, int frame_count) {
    const int phi = phi_factor < 1 ? 1 : phi_factor;
    const double angle =
        frame_count > 0 ? 360.0 * (frame + double(substep) / phi) / frame_count : 0.0;
    return frame_stamp(frame) + mw31::format_text("  phi = %.1lf Grad", angle);
}

bool anmneu_same_position(const AnmneuFilm& film, int a, int b) {
    const auto near = [](double u, double v) {
        return std::fabs(u - v) <= 2e-6 * (1 + std::fabs(u) + std::fabs(v));
    };
    for (int s = 0; s < film.symbol_count(); ++s) {
        const SymbolPlacement p = anmneu_placement(film, a, s);
        const SymbolPlacement q = anmneu_placement(film, b, s);
        const double turn = 2 * M_PI, d = p.phi - q.phi;
        if (!near(p.x, q.x) || !near(p.y, q.y) || !near(d, turn * std::round(d / turn)) ||
            !near(p.sx, q.sx) || !near(p.sy, q.sy))
            return false;
    }
    return true;
}

}  // namespace film
