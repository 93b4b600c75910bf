// --trace, --track, --sweep and their outputs as the command line reads them, and the faults
// it names before any film is read.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "main/command_line.h"

namespace kurvlab {
namespace {

CommandLine parse(std::vector<const char*> args) {
    args.insert(args.begin(), "kurvlab");
    return parse_command_line(int(args.size()), const_cast<char**>(args.data()));
}

TEST(MotionOptions, PointsAndOutputsAreRead) {
    const CommandLine cl = parse({"f.anm", "--trace", "61.7,71.8", "--trace", "-1e1,0.5", "--frame",
                                  "3", "--csv", "t.csv", "--svg", "t.svg"});
    ASSERT_TRUE(cl.error.empty()) << cl.error;
    ASSERT_EQ(cl.batch.trace_points.size(), 2u);
    EXPECT_DOUBLE_EQ(cl.batch.trace_points[0].x, 61.7);
    EXPECT_DOUBLE_EQ(cl.batch.trace_points[0].y, 71.8);
    EXPECT_DOUBLE_EQ(cl.batch.trace_points[1].x, -10);
    EXPECT_DOUBLE_EQ(cl.batch.trace_points[1].y, 0.5);
    EXPECT_TRUE(cl.batch.frame_given);
    EXPECT_EQ(cl.batch.frame, 3);
    EXPECT_EQ(cl.batch.motion_csv, "t.csv");
    EXPECT_EQ(cl.batch.motion_svg, "t.svg");
    EXPECT_TRUE(cl.batch.wants_motion());
    EXPECT_TRUE(cl.batch.active());
    EXPECT_EQ(cl.film_args, (std::vector<std::string>{"kurvlab", "f.anm"}));

    const CommandLine track =
        parse({"f.anm", "--track", "40,0,136.667,71.102", "--csv", "d.csv", "--png", "d.png"});
    ASSERT_TRUE(track.error.empty()) << track.error;
    EXPECT_TRUE(track.batch.track);
    EXPECT_FALSE(track.batch.frame_given);
    EXPECT_DOUBLE_EQ(track.batch.track_from.x, 40);
    EXPECT_DOUBLE_EQ(track.batch.track_to.y, 71.102);
    EXPECT_EQ(track.batch.track_png, "d.png");

    const CommandLine sweep = parse({"f.anm", "--sweep", "s.png", "--trace", "1,2"});
    ASSERT_TRUE(sweep.error.empty()) << sweep.error;
    EXPECT_EQ(sweep.batch.sweep_png, "s.png");

    EXPECT_FALSE(parse({"f.anm", "--output", "p.png"}).batch.wants_motion());
}

// Each fault names the option and, for a bad value, the value as given.
TEST(MotionOptions, FaultsSayWhatAndWhere) {
    struct Case {
        std::vector<const char*> args;
        std::string says;
    };
    const std::vector<Case> cases = {
        {{"f.anm", "--trace", "1;2", "--csv", "a.csv"}, "--trace needs X,Y"},
        {{"f.anm", "--trace", "1,2,3", "--csv", "a.csv"}, "got \"1,2,3\""},
        {{"f.anm", "--trace", "1,nan", "--csv", "a.csv"}, "got \"1,nan\""},
        {{"f.anm", "--track", "1,2,3", "--csv", "a.csv"}, "--track needs X1,Y1,X2,Y2"},
        {{"f.anm", "--track", "1,2,3,4x", "--csv", "a.csv"}, "got \"1,2,3,4x\""},
        {{"f.anm", "--trace"}, "--trace needs a value"},
        {{"f.anm", "--trace", "1,2"}, "--trace needs --csv"},
        {{"f.anm", "--track", "1,2,3,4"}, "--track needs --csv"},
        {{"f.anm", "--trace", "1,2", "--track", "1,2,3,4", "--csv", "a"},
         "cannot be used together"},
        {{"f.anm", "--csv", "a.csv"}, "--csv needs --trace or --track"},
        {{"f.anm", "--track", "1,2,3,4", "--svg", "a.svg"}, "--svg draws traces"},
        {{"f.anm", "--trace", "1,2", "--csv", "a", "--png", "c.png"}, "--png draws the chart"},
        {{"f.anm", "--sweep", "s.png", "--output", "p.png"}, "cannot be combined"},
        {{"--sweep", "s.png"}, "need a film"},
    };
    for (const Case& c : cases) {
        const CommandLine cl = parse(c.args);
        EXPECT_NE(cl.error.find(c.says), std::string::npos)
            << "args from " << c.args[0] << ": error was \"" << cl.error << "\"";
    }
}

}  // namespace
}  // namespace kurvlab
