// --grid and --measure: how they are read from the command line, and what the overlays of a
// picture made without a window draw.
#include "main/batch_overlays.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "film/overlays.h"
#include "film_model/paint_basics.h"
#include "main/command_line.h"
#include "mw31/recording_canvas.h"

namespace kurvlab {
namespace {

CommandLine parse(std::vector<const char*> args) {
    args.insert(args.begin(), "kurvlab");
    return parse_command_line(int(args.size()), const_cast<char**>(args.data()));
}

TEST(OverlayOptions, GridAndMeasureAreRead) {
    const CommandLine cl =
        parse({"f.anm", "--output", "p.png", "--grid", "--measure", "-1.5,2,1e2,-0.25"});
    ASSERT_TRUE(cl.error.empty()) << cl.error;
    EXPECT_TRUE(cl.batch.grid);
    EXPECT_TRUE(cl.batch.measure);
    EXPECT_DOUBLE_EQ(cl.batch.measure_from_x, -1.5);
    EXPECT_DOUBLE_EQ(cl.batch.measure_from_y, 2);
    EXPECT_DOUBLE_EQ(cl.batch.measure_to_x, 100);
    EXPECT_DOUBLE_EQ(cl.batch.measure_to_y, -0.25);
    EXPECT_EQ(cl.film_args, (std::vector<std::string>{"kurvlab", "f.anm"}));

    const CommandLine plain = parse({"f.anm", "--output", "p.png"});
    EXPECT_FALSE(plain.batch.grid);
    EXPECT_FALSE(plain.batch.measure);

    for (const char* bad :
         {"1,2,3", "1,2,3,4,5", "a,b,c,d", "1,2,3,nan", "1;2;3;4", "1,2,,4", "1,2,3,4x", ""}) {
        const CommandLine cl2 = parse({"f.anm", "--output", "p.png", "--measure", bad});
        EXPECT_NE(cl2.error.find("--measure"), std::string::npos) << bad;
        EXPECT_FALSE(cl2.batch.measure) << bad;
    }
    EXPECT_NE(parse({"f.anm", "--measure"}).error.find("--measure"), std::string::npos);
}

TEST(BatchOverlays, GridUnderAndTheMeasurementOverTheFrame) {
    const film::WorldWindow window{-75, 185, -70, 130};
    BatchRequest batch;
    film::PictureDecor none = batch_overlays(batch, film::WorldMode::Anmneu, window);
    EXPECT_FALSE(none.under);
    EXPECT_FALSE(none.over);

    batch.grid = true;
    batch.measure = true;
    batch.measure_from_x = 0;
    batch.measure_from_y = 0;
    batch.measure_to_x = 100;
    batch.measure_to_y = 50;
    const film::PictureDecor decor = batch_overlays(batch, film::WorldMode::Anmneu, window);
    ASSERT_TRUE(decor.under);
    ASSERT_TRUE(decor.over);
    const film::FilmView view = film::fitted_view(800, 600);

    mw31::RecordingCanvas under;
    decor.under(under, view);
    int grey = 0;
    for (const mw31::DrawOp& op : under.ops)
        if (op.kind == mw31::DrawOp::LineTo && op.pen.colour == film::kGridGrey) ++grey;
    EXPECT_GT(grey, 30);  // 260 x 208 units at spacing 10

    mw31::RecordingCanvas over;
    decor.over(over, view);
    std::vector<std::string> texts;
    for (const mw31::DrawOp& op : over.ops)
        if (op.kind == mw31::DrawOp::TextOut) texts.push_back(op.text);
    char expected[64];
    std::snprintf(expected, sizeof expected, "l=%.3f,w=%.3fGrad", std::hypot(100.0, 50.0),
                  std::atan2(50.0, 100.0) * 180 / M_PI);
    EXPECT_EQ(texts, std::vector<std::string>{expected});
    // The joining line runs between the two points in the raster mapping of the picture.
    const film::WorldPicture map(film::WorldMode::Anmneu, window, view);
    bool joined = false;
    for (const mw31::DrawOp& op : over.ops)
        joined |= op.kind == mw31::DrawOp::LineTo && op.from == map.at(0, 0) &&
                  mw31::Point{op.x, op.y} == map.at(100, 50);
    EXPECT_TRUE(joined);
    // Raster (375000, 650000) on a drawing area 750 wide (800 x 600 cut to 1280:1024).
    EXPECT_EQ(map.at(0, 0), (mw31::Point{216, 375}));
}

}  // namespace
}  // namespace kurvlab
