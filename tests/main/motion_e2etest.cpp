// Runs the built program with --trace, --track and --sweep on the example films: what it
// writes is read back by Python (csv, xml.etree), the pins keep their links' lengths, and
// faults end with a message and a non-zero exit.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/program_run.h"

namespace {

namespace fs = std::filesystem;
using kvtest::ProgramRun;

const std::string kFourbar = kvtest::kExamples + "/fourbar_anmneu.anm";
const std::string kFourbarLines = kvtest::kExamples + "/fourbar_text.anm";
const std::string kMerged = kvtest::kExamples + "/merge_fourbar_slidercrank.txt";

class MotionProgram : public ::testing::Test {
  protected:
    fs::path dir;
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("kv_motion_e2e_" + std::to_string(getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir / "tmp");
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string out(const std::string& name) const { return (dir / name).string(); }
    ProgramRun kurvlab(const std::string& args) const {
        return kvtest::run(args, KV_SOURCE_DIR, (dir / "tmp").string());
    }
    // The rows of a CSV file as Python's csv module reads them, cells as numbers (empty: NaN).
    std::vector<std::vector<double>> csv_rows(const std::string& path,
                                              std::string* header = nullptr) const {
        const ProgramRun r = kvtest::run_shell(
            "/usr/bin/python3 -c \"import csv,sys\n"
            "for row in csv.reader(open(sys.argv[1], newline='')):\n"
            "    print(' '.join(c if c else 'nan' for c in row))\" '" +
            path + "' 2>&1");
        std::vector<std::vector<double>> rows;
        std::istringstream lines(r.out);
        std::string line;
        bool first = true;
        while (std::getline(lines, line)) {
            if (first) {
                if (header) *header = line;
                first = false;
                continue;
            }
            std::istringstream cells(line);
            std::vector<double> row;
            std::string cell;
            while (cells >> cell) row.push_back(std::stod(cell));
            rows.push_back(row);
        }
        return rows;
    }
};

TEST_F(MotionProgram, TrackedPinsKeepTheCouplerLength) {
    const ProgramRun r =
        kurvlab(kFourbar + " --track 40,0,136.667,71.102 --csv '" + out("pins.csv") + "' --png '" +
                out("pins.png") + "' --size 640x400");
    ASSERT_EQ(r.exit_code, 0) << r.out;
    std::string header;
    const auto rows = csv_rows(out("pins.csv"), &header);
    EXPECT_EQ(header, "frame angle distance direction");
    ASSERT_EQ(rows.size(), 72u);
    for (size_t k = 0; k < rows.size(); ++k) {
        ASSERT_EQ(rows[k].size(), 4u);
        EXPECT_EQ(rows[k][0], double(k));
        EXPECT_DOUBLE_EQ(rows[k][1], 5.0 * double(k));
        EXPECT_NEAR(rows[k][2], 120, 0.01) << "frame " << k;
    }
    EXPECT_NE(r.out.find("angles: from the frames' labels"), std::string::npos) << r.out;
    const std::string png = kvtest::slurp(out("pins.png"));
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    // Width and height in the IHDR chunk, big-endian.
    const auto be32 = [&](size_t at) {
        return (unsigned(uint8_t(png[at])) << 24) | (unsigned(uint8_t(png[at + 1])) << 16) |
               (unsigned(uint8_t(png[at + 2])) << 8) | unsigned(uint8_t(png[at + 3]));
    };
    EXPECT_EQ(be32(16), 640u);
    EXPECT_EQ(be32(20), 400u);
}

TEST_F(MotionProgram, TrackReportsLeastAndGreatestWithTheirFrames) {
    // Crank pin and the rocker's ground pivot: 100 - 40 at 0 degrees, 100 + 40 at 180.
    const ProgramRun r = kurvlab(kFourbar + " --track 40,0,100,0 --csv '" + out("d.csv") + "'");
    ASSERT_EQ(r.exit_code, 0) << r.out;
    EXPECT_NE(r.out.find("distance: min 60.000000 in frame 0 (angle 0.000), max 140.000000 in "
                         "frame 36 (angle 180.000)"),
              std::string::npos)
        << r.out;
}

TEST_F(MotionProgram, SvgHoldsTheCouplerCurveOfAMergedFilm) {
    // The four-bar enters the merge without offset, one cycle per merged cycle.
    const ProgramRun r = kurvlab(kMerged + " --trace 61.67,71.801 --trace 0,0 --svg '" +
                                 out("t.svg") + "' --csv '" + out("t.csv") + "'");
    ASSERT_EQ(r.exit_code, 0) << r.out;
    const ProgramRun svg = kvtest::run_shell(
        "/usr/bin/python3 -c \"import sys, xml.etree.ElementTree as ET\n"
        "root = ET.parse(sys.argv[1]).getroot()\n"
        "for p in root.iter('{http://www.w3.org/2000/svg}polyline'):\n"
        "    pts = p.get('points').split()\n"
        "    print(p.get('class'), len(pts), pts[0])\" '" +
        out("t.svg") + "' 2>&1");
    std::istringstream lines(svg.out);
    std::string cls, first;
    size_t count = 0;
    ASSERT_TRUE(lines >> cls >> count >> first) << svg.out;
    EXPECT_EQ(cls, "trace1");
    const auto rows = csv_rows(out("t.csv"));
    ASSERT_EQ(count, rows.size());
    EXPECT_EQ(first, "61.670000,-71.801000");
    // The ground pivot stays where it is.
    ASSERT_TRUE(lines >> cls >> count >> first) << svg.out;
    EXPECT_EQ(cls, "trace2");
    for (const auto& row : rows) {
        ASSERT_EQ(row.size(), 6u);
        EXPECT_NEAR(row[4], 0, 1e-6);
        EXPECT_NEAR(row[5], 0, 1e-6);
    }
}

// Line films have no parts: the point follows the record end nearest to it.
TEST_F(MotionProgram, LineFilmPointFollowsItsRecordAroundTheCrankCircle) {
    // The crank pin of frame 1 (5 degrees) in film units: centre (460, 640), 3.5 units per mm.
    const double a = 5 * M_PI / 180;
    const std::string pick =
        std::to_string(460 + 140 * std::cos(a)) + "," + std::to_string(640 - 140 * std::sin(a));
    const ProgramRun r =
        kurvlab(kFourbarLines + " --trace " + pick + " --csv '" + out("l.csv") + "'");
    ASSERT_EQ(r.exit_code, 0) << r.out;
    EXPECT_NE(r.out.find("record"), std::string::npos) << r.out;
    const auto rows = csv_rows(out("l.csv"));
    ASSERT_EQ(rows.size(), 71u);  // a pass shows frames 1 to 71
    double prev_x = 0, prev_y = 0;
    for (size_t k = 0; k < rows.size(); ++k) {
        ASSERT_EQ(rows[k].size(), 4u);
        EXPECT_EQ(rows[k][0], double(k + 1));
        EXPECT_NEAR(std::hypot(rows[k][2] - 460, rows[k][3] - 640), 140, 1) << "frame " << k + 1;
        if (k > 0) {
            EXPECT_GT(std::hypot(rows[k][2] - prev_x, rows[k][3] - prev_y), 5);
        }
        prev_x = rows[k][2];
        prev_y = rows[k][3];
    }
}

TEST_F(MotionProgram, FaultsEndWithAMessage) {
    ProgramRun r =
        kurvlab(kFourbar + " --trace 61.67,71.801 --frame 500 --csv '" + out("a.csv") + "'");
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.out.find("no frame 500 (the film has frames 0 to 71)"), std::string::npos) << r.out;
    EXPECT_FALSE(fs::exists(out("a.csv")));

    r = kurvlab(kFourbar + " --trace '61.67;71.801' --csv '" + out("a.csv") + "'");
    EXPECT_NE(r.exit_code, 0);
    EXPECT_NE(r.out.find("got \"61.67;71.801\""), std::string::npos) << r.out;

    r = kurvlab(kvtest::kExamples + "/gripper_3d.anm --sweep '" + out("s.png") + "'");
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.out.find("motion is analysed in 2D films"), std::string::npos) << r.out;

    r = kurvlab(out("missing.anm") + " --sweep '" + out("s.png") + "'");
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.out.find("Cannot open file for read"), std::string::npos) << r.out;

    // An output that cannot be written says so; the others are still written.
    r = kurvlab(kFourbar + " --trace 0,0 --csv '" + out("no/such/t.csv") + "' --svg '" +
                out("t.svg") + "'");
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.out.find("no/such/t.csv"), std::string::npos) << r.out;
    EXPECT_TRUE(fs::exists(out("t.svg")));
    // Qt's runtime folder is Qt's business; nothing else stays behind.
    for (const auto& entry : fs::directory_iterator(dir / "tmp"))
        EXPECT_EQ(entry.path().filename().string().rfind("runtime-", 0), 0u)
            << "left in the temporary folder: " << entry.path();
}

}  // namespace
