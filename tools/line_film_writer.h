// Writes line films in the text or the binary encoding, one drawing command at a time.
#pragma once

#include <cstdint>
#include <string>

namespace tools {

class LineFilmWriter {
  public:
    explicit LineFilmWriter(bool binary) : binary_(binary) {}

    // Virtual size and angle divisor, then the start of the frames.
    void head(int width, int height, int32_t angle_divisor);
    void colour(int c);
    void line(int x1, int y1, int x2, int y2);
    void move_to(int x, int y);
    void draw_to(int x, int y);
    // Arc about (x, y) from `start_deg` counter-clockwise to `end_deg`.
    void arc(int x, int y, int r, double start_deg, double end_deg);
    void filled_rect(int x1, int y1, int x2, int y2);
    void end_frame();

    const std::string& bytes() const { return out_; }

  private:
    void letter(char binary_letter);
    void value_short(int v);
    void value_long(int32_t v);
    void pair96(int x, int y);

    bool binary_;
    int32_t divisor_ = 100000;
    std::string out_;
};

}  // namespace tools
