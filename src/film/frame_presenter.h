// The one frame presenter of the film window: every player hands it the current picture's
// painter (fw.screen.painter) and it fits, paints, counts cycles, writes the status, clears
// the margins, copies to the window, feeds a recording and clears for the next picture.
#pragma once

#include <functional>
#include <string>

#include "film/film_window.h"
#include "film_model/reader_report.h"
#include "mw31/picture.h"

namespace film {

// What differs from player to player around the picture. Both questions are asked after the
// picture was painted: painting services messages, which may have changed the state.
struct PictureExtras {
    // Whether cycles are measured now; empty: always.
    std::function<bool()> counts_cycles;
    // Drawn in the status panel at the foot of the picture (ANMNEU captions); empty or null
    // for none.
    std::function<const std::string*()> caption;
    // The status line gives the cycle angle of the frame (the frames are one cycle).
    bool cycle_angle = false;
    // What a stamped recording writes into the corner; empty: the frame number.
    std::function<std::string()> stamp;
    // Called with the picture as it was copied to the window.
    std::function<void(const mw31::Picture& picture)> observer;
};

// Makes the window's picture for the drawing area (cleared, the recording twin dropped);
// false without memory.
bool make_screen_picture(FilmWindow& fw);

// Paints fw.screen.painter's picture into the window, as steps 2 to 8 of a frame.
void present_frame(FilmWindow& fw, const PictureExtras& extras);

// The frame as the window paints it onto any canvas: background, onion skin, grid, frame,
// overlays and traces.
void paint_composed(FilmWindow& fw, mw31::Canvas& canvas, const FilmView& view);

// While a long film is read: the window says how many frames are in so far.
void present_reading_progress(FilmWindow& fw, int frames_read);

// Reader hooks that keep the window responsive while a long film is read and show, now and
// then, how many frames `frames_read` says are in.
ReaderHooks reading_hooks(FilmWindow& fw, std::function<int()> frames_read);

// The pictures go with the window.
void release_screen(FilmWindow& fw);

}  // namespace film
