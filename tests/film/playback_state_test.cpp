// Playback state: speed commands, invert, keys, advancing and wrapping the frame index.
#include "film/playback_state.h"

#include <gtest/gtest.h>

#include <vector>

#include "film/film_keys.h"
#include "mw31/window.h"

namespace film {
namespace {

// The indices one pass shows, then the index the wrap leaves.
std::vector<int> one_pass(PlaybackState* s) {
    std::vector<int> shown;
    while (in_playable_range(*s)) {
        shown.push_back(s->index);
        advance(s);
    }
    wrap_index(s);
    shown.push_back(s->index);
    return shown;
}

TEST(PlaybackPass, ForwardStepThreeOverTenFramesWrapsToOne) {
    PlaybackState s = new_playback_state(10, 1, 1, 1, 0);
    s.step = 3;
    EXPECT_EQ(one_pass(&s), (std::vector<int>{1, 4, 7, 1}));
    // Index 0, the first frame read, is never shown, however the step falls.
    s.step = 5;
    EXPECT_EQ(one_pass(&s), (std::vector<int>{1, 6, 1}));
}

TEST(PlaybackPass, BackwardFromOneWrapsToTheLastFrame) {
    PlaybackState s = new_playback_state(10, 1, 1, 1, 0);
    s.backward = true;
    EXPECT_EQ(one_pass(&s), (std::vector<int>{1, 9}));
    EXPECT_EQ(one_pass(&s), (std::vector<int>{9, 8, 7, 6, 5, 4, 3, 2, 1, 9}));
}

TEST(PlaybackPass, BackwardStepLargerThanTheFilmStillWrapsIntoTheFilm) {
    PlaybackState s = new_playback_state(10, 1, 1, 1, 0);
    s.backward = true;
    s.step = 57;
    advance(&s);
    wrap_index(&s);
    EXPECT_GE(s.index, 0);
    EXPECT_LT(s.index, 10);
    s.step = kMaxStep;
    for (int i = 0; i < 5; ++i) {
        advance(&s);
        wrap_index(&s);
        ASSERT_GE(s.index, 0);
        ASSERT_LT(s.index, 10);
    }
}

TEST(PlaybackPass, ForwardWrapRaisesToTheFirstIndexOnlyWhenBelow) {
    PlaybackState s = new_playback_state(10, 1, 1, 1, 0);
    s.index = 12;
    wrap_index(&s);
    EXPECT_EQ(s.index, 2);
    s.index = 10;
    wrap_index(&s);
    EXPECT_EQ(s.index, 1);
    s.first_index = 0;
    s.index = 10;
    wrap_index(&s);
    EXPECT_EQ(s.index, 0);
}

TEST(PlaybackSpeed, SlowerRaisesThePauseInItsStepsAndStopsAtOneSecond) {
    PlaybackState s = new_playback_state(10, 1, 1, 1, 0);
    std::vector<int> pauses;
    for (int i = 0; i < 8; ++i) {
        slower(&s);
        pauses.push_back(s.pause_ms);
    }
    EXPECT_EQ(pauses, (std::vector<int>{2, 4, 7, 10, 15, 22, 33, 49}));
    s.pause_ms = 999;
    slower(&s);
    EXPECT_EQ(s.pause_ms, 1498);
    slower(&s);
    EXPECT_EQ(s.pause_ms, 1498);
    EXPECT_EQ(s.step, 1);
}

TEST(PlaybackSpeed, SlowerLowersTheStepFirstAndFasterRaisesItAtShortPauses) {
    PlaybackState s = new_playback_state(10, 1, 1, 1, 0);
    faster(&s);
    faster(&s);
    EXPECT_EQ(s.step, 3);
    EXPECT_EQ(s.pause_ms, 1);
    slower(&s);
    EXPECT_EQ(s.step, 2);
    EXPECT_EQ(s.pause_ms, 1);
    s.step = 1;
    s.pause_ms = 10;
    std::vector<int> pauses;
    for (int i = 0; i < 4; ++i) {
        faster(&s);
        pauses.push_back(s.pause_ms);
    }
    EXPECT_EQ(pauses, (std::vector<int>{6, 4, 2, 1}));
    EXPECT_EQ(s.step, 1);
    faster(&s);
    EXPECT_EQ(s.step, 2);
}

TEST(PlaybackInvert, PenWidthRisesAtEachSwitchOnAndTheTableSwapsBlackAndWhite) {
    PlaybackState s;
    ColourTable colours;
    const Rgb black = colours.entries[0], white = colours.entries[1];
    std::vector<int> widths;
    for (int i = 0; i < 3; ++i) {
        toggle_invert(&s, &colours);  // on
        widths.push_back(s.pen_width);
        EXPECT_TRUE(s.invert);
        EXPECT_EQ(colours.entries[0], white);
        EXPECT_EQ(colours.entries[1], black);
        toggle_invert(&s, &colours);  // off
        EXPECT_FALSE(s.invert);
        EXPECT_EQ(colours.entries[0], black);
    }
    EXPECT_EQ(widths, (std::vector<int>{2, 3, 1}));
}

TEST(PlaybackKeys, CaseActsAlikeExceptForQ) {
    EXPECT_EQ(command_for_char('e'), kCmdEnd);
    EXPECT_EQ(command_for_char('E'), kCmdEnd);
    EXPECT_EQ(command_for_char('S'), kCmdSingleStep);
    EXPECT_EQ(command_for_char('p'), kCmdHardcopy);
    EXPECT_EQ(command_for_char('X'), kCmdDxf);
    EXPECT_EQ(command_for_char('q'), kKeyQuickRecording);
    EXPECT_EQ(command_for_char('Q'), kKeyWindow800);
    EXPECT_EQ(command_for_char('~'), kCmdInvert);
    EXPECT_EQ(command_for_char('<'), kCmdZoomOut);
    EXPECT_EQ(command_for_char('.'), kCmdHold);
    EXPECT_EQ(command_for_char(7), kKeyBackward);
    EXPECT_EQ(command_for_char(12), kKeyForward);
    EXPECT_EQ(command_for_char('3'), kCmdPhi100);
    EXPECT_EQ(command_for_char('k'), 0);
    EXPECT_EQ(command_for_char(0x1234), 0);
    EXPECT_EQ(command_for_char(-5), 0);
    EXPECT_EQ(command_for_key(37), kKeyBackward);
    EXPECT_EQ(command_for_key(39), kKeyForward);
    EXPECT_EQ(command_for_key(38), 0);
}

TEST(PlaybackKeys, CtrlOIsAKeyDownSoThatSingleStepCannotSwallowIt) {
    EXPECT_EQ(command_for_key('O', true), kKeyOpenFilm);
    EXPECT_EQ(command_for_key('O', false), 0);
    EXPECT_EQ(command_for_key('P', true), 0);
    EXPECT_EQ(command_for_char(15), 0) << "its control character must not open a second dialog";
    EXPECT_EQ(command_for_char('o'), kKeyOnion) << "a plain o is the onion skin, no dialog";
    // The other keys that are no characters do not depend on Ctrl.
    EXPECT_EQ(command_for_key(36, true), kKeyFirstFrame);
    PlaybackState s = new_playback_state(10, 1, 5, 1, 0);
    s.cycle_count = 7;
    EXPECT_EQ(apply_command(&s, nullptr, kKeyOpenFilm, 1234), CommandEffect::OpenFilm);
    EXPECT_FALSE(s.end) << "the film ends only when a film was chosen";
    EXPECT_EQ(s.cycle_count, 0);
}

TEST(PlaybackCommands, DirectionTogglesAndTheDirectionKeysSetIt) {
    PlaybackState s;
    apply_command(&s, nullptr, kCmdDirection, 0);
    EXPECT_TRUE(s.backward);
    apply_command(&s, nullptr, kKeyBackward, 0);
    EXPECT_TRUE(s.backward);
    apply_command(&s, nullptr, kKeyForward, 0);
    EXPECT_FALSE(s.backward);
    apply_command(&s, nullptr, kKeyForward, 0);
    EXPECT_FALSE(s.backward);
}

TEST(PlaybackCommands, RequestsAndWhatTheWindowMustDo) {
    PlaybackState s = new_playback_state(600, 1, 5, 3, 0);
    s.cycle_count = 40;
    EXPECT_EQ(apply_command(&s, nullptr, kCmdHardcopy, 777), CommandEffect::None);
    EXPECT_TRUE(s.print_request);
    EXPECT_EQ(s.single_step, kSingleStepPrint);
    EXPECT_TRUE(single_step_on(s));
    // Every command restarts the cycle measurement.
    EXPECT_EQ(s.cycle_count, 0);
    EXPECT_EQ(s.cycle_start_ms, 777);

    apply_command(&s, nullptr, kCmdSingleStep, 0);
    EXPECT_EQ(s.single_step, kSingleStepPrint | kSingleStepWait);
    apply_command(&s, nullptr, kCmdDxf, 0);
    EXPECT_TRUE(s.dxf_request);
    EXPECT_EQ(apply_command(&s, nullptr, kCmdInit, 0), CommandEffect::Init);
    EXPECT_EQ(s.drag, kDragRedraw);
    EXPECT_EQ(apply_command(&s, nullptr, kCmdZoomOut, 0), CommandEffect::ZoomOut);
    EXPECT_EQ(apply_command(&s, nullptr, kCmdSave, 0), CommandEffect::Save);
    EXPECT_EQ(apply_command(&s, nullptr, kCmdMeasureDirection, 0), CommandEffect::Measure);
    apply_command(&s, nullptr, kCmdTargetCycles, 0);
    EXPECT_TRUE(s.target_dialog_request);
    apply_command(&s, nullptr, kCmdPhi10, 0);
    EXPECT_EQ(s.phi_factor, 10);
    apply_command(&s, nullptr, kCmdGrid, 0);
    EXPECT_TRUE(s.grid);
    apply_command(&s, nullptr, kCmdHold, 0);
    EXPECT_TRUE(s.hold);
    EXPECT_FALSE(s.end);
    EXPECT_EQ(apply_command(&s, nullptr, kCmdEnd, 0), CommandEffect::Measure);
    EXPECT_TRUE(s.end);
    EXPECT_EQ(apply_command(&s, nullptr, 999, 0), CommandEffect::None);
}

TEST(PlaybackCommands, QuickRecordingSetsTheStepFromTheFrameCount) {
    PlaybackState s = new_playback_state(600, 1, 5, 3, 0);
    EXPECT_EQ(apply_command(&s, nullptr, kKeyQuickRecording, 0), CommandEffect::QuickRecording);
    EXPECT_EQ(s.step, 5);
    EXPECT_EQ(s.recording, kRecordingRequested);
    PlaybackState small = new_playback_state(100, 1, 5, 3, 0);
    small.step = 4;
    apply_command(&small, nullptr, kKeyQuickRecording, 0);
    EXPECT_EQ(small.step, 1);
}

TEST(PlaybackRecording, StartingClearsTheFlagsAndRestartsAtOneFailingDropsTheRequest) {
    PlaybackState s = new_playback_state(20, 1, 5, 3, 0);
    apply_command(&s, nullptr, kCmdAvi, 0);
    EXPECT_EQ(s.recording, kRecordingRequested);
    s.single_step = kSingleStepWait;
    s.hold = s.end = s.backward = true;
    s.index = 12;
    recording_started(&s, true);
    EXPECT_EQ(s.recording, kRecordingOn);
    EXPECT_EQ(s.index, 1);
    EXPECT_FALSE(s.hold || s.end || s.backward || s.single_step);

    PlaybackState t = new_playback_state(20, 1, 5, 3, 0);
    apply_command(&t, nullptr, kCmdAvi, 0);
    t.index = 7;
    recording_started(&t, false);
    EXPECT_EQ(t.recording, kRecordingOff);
    EXPECT_EQ(t.index, 7);
}

TEST(PlaybackCycles, CyclesPerMinuteFromFramesStepAndElapsedTime) {
    PlaybackState s = new_playback_state(50, 1, 5, 3, 1000);
    double n = -1;
    EXPECT_FALSE(count_cycle(&s, 1000, &n));  // no time has passed yet
    EXPECT_EQ(n, -1);
    s.step = 2;
    ASSERT_TRUE(count_cycle(&s, 3000, &n));
    // 2 frames x 60000 x step 2 / (50 frames x 2000 ms)
    EXPECT_DOUBLE_EQ(n, 2.4);
    EXPECT_EQ(cycles_status_text(2.4, false), "N = 2.4 Takte/min   -->");
    EXPECT_EQ(cycles_status_text(1234.56, true), "N = 1234.6 Takte/min   <--");
}

}  // namespace
}  // namespace film

namespace film {
namespace {

TEST(PlaybackJumps, HomeEndAndPagesLandWithinTheFramesShownInBothDirections) {
    ColourTable colours;
    PlaybackState s = new_playback_state(101, 1, 1, 1, 0);  // a line film: frames 1 to 100
    s.index = 50;
    EXPECT_EQ(command_for_key(mw31::vk::Home), kKeyFirstFrame);
    EXPECT_EQ(command_for_key(mw31::vk::Next), kKeyPageOn);
    EXPECT_EQ(command_for_key(mw31::vk::Escape), kCmdEnd);
    apply_command(&s, &colours, kKeyPageOn, 0);
    EXPECT_EQ(s.index, 60);  // a tenth of the 100 frames shown
    EXPECT_TRUE(s.jumped);
    // Going backward the page keys keep their direction on the film.
    s.backward = true;
    apply_command(&s, &colours, kKeyPageBack, 0);
    EXPECT_EQ(s.index, 50);
    apply_command(&s, &colours, kKeyFirstFrame, 0);
    EXPECT_EQ(s.index, 1);  // frame 0 of a line film is never shown
    apply_command(&s, &colours, kKeyPageBack, 0);
    EXPECT_EQ(s.index, 1);
    apply_command(&s, &colours, kKeyLastFrame, 0);
    EXPECT_EQ(s.index, 100);
    apply_command(&s, &colours, kKeyPageOn, 0);
    EXPECT_EQ(s.index, 100);

    // Held: no advance is skipped, the frame is redrawn at once.
    s.jumped = false;
    s.hold = true;
    apply_command(&s, &colours, kKeyFirstFrame, 0);
    EXPECT_EQ(s.index, 1);
    EXPECT_FALSE(s.jumped);
    EXPECT_EQ(s.drag, kDragRedraw);

    // A small film still pages by one; a film with nothing to show does not move.
    PlaybackState small = new_playback_state(4, 0, 1, 1, 0);
    small.index = 2;
    EXPECT_EQ(jump_target(small, kKeyPageOn), 3);
    PlaybackState none = new_playback_state(1, 1, 1, 1, 0);
    apply_command(&none, &colours, kKeyLastFrame, 0);
    EXPECT_EQ(none.index, 1);
    EXPECT_FALSE(none.jumped);
}

TEST(PlaybackJumps, GoToTakesAFrameOrACycleAngleAndRefusesWhatNamesNoFrame) {
    PlaybackState s = new_playback_state(360, 0, 1, 1, 0);
    EXPECT_EQ(go_to_frame(s, "90\xC2\xB0"), 90);
    EXPECT_EQ(go_to_frame(s, " 90 Grad "), 90);
    EXPECT_EQ(go_to_frame(s, "450 deg"), 90);  // a cycle further on
    EXPECT_EQ(go_to_frame(s, "-90\xC2\xB0"), 270);
    EXPECT_EQ(go_to_frame(s, "359.9\xC2\xB0"), 0);  // rounds to the start of the next cycle
    EXPECT_EQ(go_to_frame(s, "17"), 17);
    for (const char* bad : {"360", "-1", "17.5", "", "abc", "90 km", "1e300", "nan"})
        EXPECT_EQ(go_to_frame(s, bad), -1) << bad;
    // A line film: frame 0 is never shown; angles spread over its frames too.
    PlaybackState line = new_playback_state(101, 1, 1, 1, 0);
    EXPECT_EQ(go_to_frame(line, "0"), -1);
    EXPECT_EQ(go_to_frame(line, "100"), 100);
    EXPECT_EQ(go_to_frame(line, "0\xC2\xB0"), -1);
    EXPECT_EQ(go_to_frame(line, "180\xC2\xB0"), 51);  // 0.5 * 101 rounded
    EXPECT_EQ(command_for_char('j'), kKeyGoTo);
}

TEST(PlaybackStatus, PositionNamesTheFrameTheAngleAndTheHold) {
    PlaybackState s = new_playback_state(72, 0, 1, 1, 0);
    s.index = 18;
    EXPECT_EQ(position_text(s, true), "Bild/frame 18 [0-71]  90.0 Grad");
    s.hold = true;
    EXPECT_EQ(position_text(s, false), "Bild/frame 18 [0-71]  angehalten/held");
}

}  // namespace
}  // namespace film
