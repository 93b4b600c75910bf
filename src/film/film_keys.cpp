// The film window's keys: which command a typed character or a key-down gives, and the
// list the help shows.
#include "film/film_keys.h"

#include <cctype>

#include "film/playback_state.h"
#include "mw31/window.h"

namespace film {

const char* film_window_keys_text() {
    return "Tasten / keys of the film window:\n"
           "  e, Esc        end the film (button End)\n"
           "  ., Space      hold / go on (Stop+Start)\n"
           "  s             single step on / off; then any key steps\n"
           "  arrows, Ctrl+G / Ctrl+L  backward / forward\n"
           "  -  +          slower, faster\n"
           "  i, middle button  whole film in the window (Init)\n"
           "  drag          zoom into the rectangle;  <  zoom out\n"
           "  ~             invert; each time on, the pen is one pixel wider\n"
           "  Home, End     first, last frame\n"
           "  Page Up/Down  a tenth of the film back, on\n"
           "  j             go to a frame or a cycle angle (90\xC2\xB0)\n"
           "  p             print the frame (Hardcopy)\n"
           "  x             the frame as DXF\n"
           "  v             record the next pass as a video (AVI Export)\n"
           "  q, Q          quick small recording; window to 800 x 600\n"
           "  ?             info text (Infotext)\n"
           "  g             grid; the crosshair shows the world coordinates\n"
           "  n             target cycles per minute (0 or Abbruch: off)\n"
           "  z, r, m       reference point, direction point, end of measuring;\n"
           "                a click picks the point, length and angle are shown\n"
           "  t, T          trace: a click picks a point that is followed through every\n"
           "                frame and drawn as its path;  T: no traces\n"
           "  w             write the traces as CSV or SVG (by the name's extension)\n"
           "  f             the measured points follow the motion: chart of length and\n"
           "                angle over the cycle (w there: CSV or PNG)\n"
           "  o             onion skin: every 10th, 5th, 2nd frame faded behind, off\n"
           "  wheel         zoom about the mouse (ANMNEU and user-coordinates films)\n"
           "  1, 2, 3       in-between pictures x1, x10, x100 (ANMNEU films)\n"
           "  Ctrl+O        another film in this window's place; a film dropped onto\n"
           "                the window plays next the same way (several: side by side)\n"
           "  F11           full screen on / off\n"
           "  h, F1         these keys\n";
}

int command_for_char(int ch) {
    switch (ch) {
        case 'q':
            return kKeyQuickRecording;
        case 'Q':
            return kKeyWindow800;
        case 't':
            return kKeyTrace;
        case 'T':
            return kKeyClearTraces;
        case 7:
            return kKeyBackward;  // Ctrl+G
        case 12:
            return kKeyForward;  // Ctrl+L
        case '.':
            return kCmdHold;
        case '-':
            return kCmdSlower;
        case '+':
            return kCmdFaster;
        case '?':
            return kCmdInfotext;
        case '~':
            return kCmdInvert;
        case '<':
            return kCmdZoomOut;
        case '1':
            return kCmdPhi1;
        case '2':
            return kCmdPhi10;
        case '3':
            return kCmdPhi100;
        default:
            break;
    }
    if (ch < 0 || ch > 255) return 0;
    switch (std::tolower(ch)) {
        case 'e':
            return kCmdEnd;
        case 's':
            return kCmdSingleStep;
        case 'i':
            return kCmdInit;
        case 'p':
            return kCmdHardcopy;
        case 'v':
            return kCmdAvi;
        case 'x':
            return kCmdDxf;
        case 'z':
            return kCmdMeasureReference;
        case 'r':
            return kCmdMeasureDirection;
        case 'm':
            return kCmdMeasureEnd;
        case 'g':
            return kCmdGrid;
        case 'j':
            return kKeyGoTo;
        case 'h':
            return kKeyHelp;
        case 'n':
            return kCmdTargetCycles;
        case 'o':
            return kKeyOnion;
        case 'f':
            return kKeyFollow;
        case 'w':
            return kKeyWriteMotion;
        default:
            return 0;
    }
}

int command_for_key(int virtual_key, bool ctrl) {
    // Ctrl+O as a key-down, not as its control character, which single step would swallow.
    if (ctrl && virtual_key == 'O') return kKeyOpenFilm;
    switch (virtual_key) {
        case mw31::vk::Left:
            return kKeyBackward;
        case mw31::vk::Right:
            return kKeyForward;
        case mw31::vk::Home:
            return kKeyFirstFrame;
        case mw31::vk::End:
            return kKeyLastFrame;
        case mw31::vk::Prior:
            return kKeyPageBack;
        case mw31::vk::Next:
            return kKeyPageOn;
        case mw31::vk::Escape:
            return kCmdEnd;
        case mw31::vk::F1:
            return kKeyHelp;
        case mw31::vk::F1 + 10:
            return kKeyFullScreen;
        default:
            return 0;
    }
}

bool key_steps_in_single_step(int virtual_key, bool ctrl) {
    const int command = command_for_key(virtual_key, ctrl);
    return command != kKeyOpenFilm && command != kKeyHelp;
}

}  // namespace film
