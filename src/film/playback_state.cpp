// State changes of film playback: speed, direction, single step, hold, invert, requests,
// advancing and wrapping the frame index, and the cycles-per-minute measurement.
#include "film/playback_state.h"

#include <algorithm>
#include <cmath>

#include "mw31/format.h"
#include "mw31/text_services.h"

namespace film {

PlaybackState new_playback_state(int frame_count, int first_index, int pause_ms, int pass_limit,
                                 int64_t now_ms) {
    PlaybackState s;
    s.frame_count = frame_count;
    s.first_index = first_index;
    s.index = first_index;
    s.pause_ms = pause_ms;
    s.pass_limit = pass_limit;
    s.cycle_start_ms = now_ms;
    return s;
}

void restart_cycles(PlaybackState* s, int64_t now_ms) {
    s->cycle_count = 0;
    s->cycle_start_ms = now_ms;
}

void slower(PlaybackState* s) {
    if (s->step > 1) {
        s->step -= 1;
        return;
    }
    if (s->pause_ms >= kMaxPauseStep) return;
    if (s->pause_ms >= 10) {
        s->pause_ms = int(s->pause_ms * 1.5);
        return;
    }
    for (int p : {2, 4, 7, 10}) {
        if (p > s->pause_ms) {
            s->pause_ms = p;
            return;
        }
    }
}

void faster(PlaybackState* s) {
    if (s->pause_ms < 2) {
        if (s->step < kMaxStep) s->step += 1;
    } else {
        s->pause_ms = int(s->pause_ms / 1.5);
    }
}

void toggle_invert(PlaybackState* s, ColourTable* colours) {
    s->invert = !s->invert;
    if (colours) colours->swap_black_white();
    if (s->invert) s->pen_width = s->pen_width >= 3 ? 1 : s->pen_width + 1;
}

CommandEffect apply_command(PlaybackState* s, ColourTable* colours, int command, int64_t now_ms) {
    CommandEffect effect = CommandEffect::None;
    switch (command) {
        case kCmdEnd:
            s->end = true;
            effect = CommandEffect::Measure;  // drops a pending measurement
            break;
        case kCmdHold:
            s->hold = !s->hold;
            break;
        case kCmdSingleStep:
            s->single_step ^= kSingleStepWait;
            break;
        case kCmdDirection:
            s->backward = !s->backward;
            break;
        case kKeyFirstFrame:
        case kKeyLastFrame:
        case kKeyPageBack:
        case kKeyPageOn:
            if (s->frame_count > s->first_index) jump_to(s, jump_target(*s, command));
            break;
        case kKeyGoTo:
            effect = CommandEffect::GoTo;
            break;
        case kKeyHelp:
            effect = CommandEffect::Help;
            break;
        case kKeyFullScreen:
            effect = CommandEffect::FullScreen;
            break;
        case kKeyOpenFilm:
            effect = CommandEffect::OpenFilm;
            break;
        case kKeyTrace:
        case kKeyClearTraces:
        case kKeyOnion:
        case kKeyFollow:
        case kKeyWriteMotion:
            effect = CommandEffect::Motion;
            break;
        case kKeyBackward:
            s->backward = true;
            break;
        case kKeyForward:
            s->backward = false;
            break;
        case kCmdSlower:
            slower(s);
            break;
        case kCmdFaster:
            faster(s);
            break;
        case kCmdInit:
            s->drag = kDragRedraw;
            effect = CommandEffect::Init;
            break;
        case kCmdHardcopy:
            s->print_request = true;
            s->single_step |= kSingleStepPrint;
            break;
        case kCmdInfotext:
            effect = CommandEffect::Infotext;
            break;
        case kCmdAvi:
            if (s->recording == kRecordingOff) s->recording = kRecordingRequested;
            break;
        case kKeyQuickRecording: {
            int step = s->frame_count / kQuickRecordingFrames;
            s->step = step < 1 ? 1 : step;
            if (s->recording == kRecordingOff) s->recording = kRecordingRequested;
            effect = CommandEffect::QuickRecording;
            break;
        }
        case kKeyWindow800:
            effect = CommandEffect::Window800;
            break;
        case kCmdDxf:
            s->dxf_request = true;
            break;
        case kCmdMergeHelp:
            effect = CommandEffect::MergeHelp;
            break;
        case kCmdInvert:
            toggle_invert(s, colours);
            // A held or single-stepped film shows the change at once.
            if (s->drag != kDragging) s->drag = kDragRedraw;
            break;
        case kCmdZoomOut:
            s->drag = kDragRedraw;
            effect = CommandEffect::ZoomOut;
            break;
        case kCmdMeasureReference:
        case kCmdMeasureDirection:
        case kCmdMeasureEnd:
            effect = CommandEffect::Measure;
            break;
        case kCmdGrid:
            s->grid = !s->grid;
            break;
        case kCmdTargetCycles:
            s->target_dialog_request = true;
            break;
        case kCmdPhi1:
            s->phi_factor = 1;
            break;
        case kCmdPhi10:
            s->phi_factor = 10;
            break;
        case kCmdPhi100:
            s->phi_factor = 100;
            break;
        case kCmdSave:
            effect = CommandEffect::Save;
            break;
        default:
            return CommandEffect::None;
    }
    restart_cycles(s, now_ms);
    return effect;
}

void jump_to(PlaybackState* s, int frame) {
    s->index = frame;
    if (s->hold)
        s->drag = kDragRedraw;
    else
        s->jumped = true;
}

int go_to_frame(const PlaybackState& s, const std::string& text) {
    const char* p = text.c_str();
    char* end = nullptr;
    const double value = mw31::strtod_c(p, &end);
    if (end == p || !std::isfinite(value)) return -1;
    std::string unit(end);
    unit.erase(0, unit.find_first_not_of(" \t"));
    unit.erase(unit.find_last_not_of(" \t\r\n") + 1);
    long long frame;
    if (unit.empty()) {
        if (value != std::floor(value) || std::fabs(value) > 1e9) return -1;
        frame = static_cast<long long>(value);
    } else if (unit == "\xC2\xB0" || unit == "Grad" || unit == "grad" || unit == "deg") {
        if (s.frame_count <= 0 || std::fabs(value) > 1e9) return -1;
        const double turns = value / 360.0 - std::floor(value / 360.0);
        frame = std::llround(turns * s.frame_count) % s.frame_count;
    } else {
        return -1;
    }
    return frame >= s.first_index && frame < s.frame_count ? int(frame) : -1;
}

int jump_target(const PlaybackState& s, int command) {
    const int first = s.first_index, last = s.frame_count - 1;
    if (last < first) return -1;
    const int page = std::max(1, (last - first + 1) / 10);
    const int i = std::clamp(s.index, first, last);
    switch (command) {
        case kKeyFirstFrame:
            return first;
        case kKeyLastFrame:
            return last;
        case kKeyPageBack:
            return std::max(first, i - page);
        case kKeyPageOn:
            return std::min(last, i + page);
        default:
            return -1;
    }
}

bool single_step_on(const PlaybackState& s) {
    return s.single_step != 0;
}

bool in_playable_range(const PlaybackState& s) {
    return s.backward ? s.index >= s.first_index : s.index < s.frame_count;
}

void advance(PlaybackState* s) {
    // Held within a range where neither the step nor the wrap can overflow.
    if (s->backward)
        s->index = s->index - s->step < -kMaxStep ? -kMaxStep : s->index - s->step;
    else
        s->index = s->index > kMaxStep ? s->index : s->index + s->step;
}

void recording_started(PlaybackState* s, bool ok) {
    if (!ok) {
        s->recording = kRecordingOff;
        return;
    }
    s->single_step = 0;
    s->hold = false;
    s->end = false;
    s->backward = false;
    s->recording = kRecordingOn;
    s->index = 1;
}

void wrap_index(PlaybackState* s) {
    const int n = s->frame_count;
    if (n <= 0) {
        s->index = 0;
        return;
    }
    if (s->index < n) {
        // A step larger than the film can leave the index far below 0: a true modulo keeps
        // the result an index of the film.
        int v = (s->index + 2 * n - 1) % n;
        if (v < 0) v += n;
        s->index = v;
    } else {
        s->index %= n;
        if (s->index < s->first_index) s->index = s->first_index;
    }
}

bool count_cycle(PlaybackState* s, int64_t now_ms, double* cycles_per_minute) {
    s->cycle_count += 1;
    const int64_t elapsed = now_ms - s->cycle_start_ms;
    if (elapsed <= 0 || s->frame_count <= 0) return false;
    *cycles_per_minute =
        double(s->cycle_count) * 60000.0 * s->step / (double(s->frame_count) * double(elapsed));
    return true;
}

std::string cycles_status_text(double cycles_per_minute, bool backward) {
    return mw31::format_text("N = %.1lf Takte/min", cycles_per_minute) +
           (backward ? "   <--" : "   -->");
}

std::string position_text(const PlaybackState& s, bool cycle_angle) {
    std::string text =
        mw31::format_text("Bild/frame %d [%d-%d]", s.index, s.first_index, s.frame_count - 1);
    if (cycle_angle && s.frame_count > 0)
        text += mw31::format_text("  %.1lf Grad", 360.0 * s.index / s.frame_count);
    if (s.hold) text += "  angehalten/held";
    return text;
}

}  // namespace film
