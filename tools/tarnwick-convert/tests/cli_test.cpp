// tarnwick-convert run as a process on small files: what it prints, writes and exits with.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "address_sanitizer.hpp"

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct run_result {
    int status = -1;       // exit status, or -1 when the program did not exit normally
    std::string out;       // standard output
    std::string err;       // standard error
    long peak_rss_kb = 0;  // peak resident memory of the program
};

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void write_file(const fs::path& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

// Lines of a text, without their line feeds.
std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream s(text);
    for (std::string line; std::getline(s, line);) {
        lines.push_back(line);
    }
    return lines;
}

// Blank-separated numbers of a line.
std::vector<double> numbers_of(const std::string& line) {
    std::vector<double> v;
    std::istringstream s(line);
    for (double d = 0; s >> d;) {
        v.push_back(d);
    }
    return v;
}

class ConvertProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tarnwick-convert-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path file(const std::string& name, const std::string& content) const {
        const fs::path p = dir_ / name;
        write_file(p, content);
        return p;
    }
    fs::path path(const std::string& name) const { return dir_ / name; }

    // Runs the program with `args`; standard input comes from `stdin_path` (or /dev/null),
    // standard output goes to `stdout_path` (or a file read into the result).
    run_result run(const std::vector<std::string>& args, const fs::path& stdin_path = {},
                   const fs::path& stdout_path = {}) const {
        const fs::path out = stdout_path.empty() ? dir_ / "stdout.txt" : stdout_path;
        const fs::path err = dir_ / "stderr.txt";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        const std::string in = stdin_path.empty() ? "/dev/null" : stdin_path.string();
        posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        std::vector<std::string> all{TARNWICK_CONVERT_PROGRAM};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : all) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        pid_t pid = 0;
        run_result r;
        const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) {
            ADD_FAILURE() << "cannot start " << argv[0];
            return r;
        }
        int status = 0;
        struct rusage usage {};
        ::wait4(pid, &status, 0, &usage);
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = stdout_path.empty() ? read_file(out) : std::string();
        r.err = read_file(err);
        r.peak_rss_kb = usage.ru_maxrss;
        return r;
    }

    fs::path dir_;
};

// Compares result fields: numbers within `tolerance`, other fields exactly.
// Each blank-separated field of `actual` as in `expected`: numbers within `tolerance`, words
// (a reference's zone and letters) exactly.
void expect_fields_near(const std::string& actual, const std::string& expected, double tolerance,
                        const std::string& label) {
    std::istringstream a_fields(actual);
    std::istringstream e_fields(expected);
    const std::vector<std::string> a{std::istream_iterator<std::string>(a_fields), {}};
    const std::vector<std::string> e{std::istream_iterator<std::string>(e_fields), {}};
    ASSERT_EQ(a.size(), e.size()) << label << ": " << actual;
    for (std::size_t i = 0; i < e.size(); ++i) {
        if (e[i].find_first_not_of("+-.0123456789") == std::string::npos) {
            const auto a_number = numbers_of(a[i]);
            ASSERT_EQ(a_number.size(), 1U) << label << ": " << actual;
            EXPECT_NEAR(a_number[0], numbers_of(e[i]).at(0), tolerance) << label << ": " << actual;
        } else {
            EXPECT_EQ(a[i], e[i]) << label << ": " << actual;
        }
    }
}

// ---- one point from the command line ----------------------------------------------------

TEST_F(ConvertProgram, OneOffPrintsTheResultFields) {
    const run_result r = run({"--from", "bng", "--to", "utm", "651410", "313177"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "31 413156 5834998\n");
    EXPECT_EQ(r.err, "");
}

TEST_F(ConvertProgram, OneOffMatchesTheReferenceTableOfBngToUtm) {
    const struct {
        const char* easting;
        const char* northing;
        const char* utm;
    } table[] = {{"400000", "100000", "30 570374 5628011\n"},
                 {"651410", "313177", "31 413156 5834998\n"},
                 {"530000", "180000", "30 699293 5709783\n"},
                 {"100000", "1200000", "29 583364 6715954\n"},
                 {"0", "1300000", "29 473429 6804575\n"}};
    for (const auto& row : table) {
        EXPECT_EQ(run({"--from", "bng", "--to", "utm", row.easting, row.northing}).out, row.utm)
            << row.easting << " " << row.northing;
    }
}

TEST_F(ConvertProgram, AltAddsTheNeighbouringZoneOnlyInAnOverlapStrip) {
    const run_result near_0 = run({"--from", "bng", "--to", "utm", "--alt", "530000", "180000"});
    EXPECT_EQ(near_0.status, 0);
    const auto lines = lines_of(near_0.out);
    ASSERT_EQ(lines.size(), 2U) << near_0.out;
    EXPECT_EQ(lines[0], "30 699293 5709783");
    EXPECT_EQ(lines[1].substr(0, 3), "31 ");
    // The alternative, taken back into zone 30, is the first result again.
    const auto alt = numbers_of(lines[1]);
    ASSERT_EQ(alt.size(), 3U);
    const run_result back =
        run({"--from", "utm", "--to", "utm", "--zone", "30", "31",
             std::to_string(static_cast<int>(alt[1])), std::to_string(static_cast<int>(alt[2]))});
    expect_fields_near(back.out, "30 699293 5709783", 1, "zone 31 back to 30");

    const run_result outside = run({"--from", "bng", "--to", "utm", "--alt", "400000", "100000"});
    EXPECT_EQ(outside.out, "30 570374 5628011\n");

    const run_result utm = run({"--from", "wgs84", "--to", "utm", "--alt", "51.5", "-0.1275"});
    EXPECT_EQ(utm.out, "30 699369 5709342\n31 282936 5710068\n");
    // Regression: the neighbouring zone -1 (zone 1 south) was taken for "no neighbour".
    EXPECT_EQ(
        run({"--from", "wgs84", "--to", "utm", "--alt", "--", "-26.2178926", "-173.8819861"}).out,
        "-2 212037 7096984\n-1 811560 7096438\n");
}

TEST_F(ConvertProgram, OneOffWritesToTheOutputFile) {
    const fs::path out = path("one.txt");
    const run_result r =
        run({"--from", "bng", "--to", "gridref", "-o", out.string(), "651410", "313177"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(read_file(out), "TG 51410 13177\n");
}

TEST_F(ConvertProgram, OneOffFailureGivesTheReasonAndKindAndStatus1) {
    const run_result r = run({"--from", "utm", "--to", "bng", "28", "500000", "5800000"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("(UTM.EXCEPTIONS.ZONE_OUT_OF_RANGE)"), std::string::npos) << r.err;

    const run_result far = run({"--from", "wgs84", "--to", "bng", "40", "-2"});
    EXPECT_EQ(far.status, 1);
    EXPECT_NE(far.err.find("outside the National Grid (UTM.EXCEPTIONS.NORTHING_OUT_OF_RANGE)"),
              std::string::npos)
        << far.err;
}

TEST_F(ConvertProgram, UnusableArgumentsGiveStatus2) {
    const run_result same = run({"--from", "bng", "--to", "bng", "1", "2"});
    EXPECT_EQ(same.status, 2);
    EXPECT_NE(same.err.find("bng -> gridref, utm, wgs84"), std::string::npos) << same.err;

    EXPECT_EQ(run({"--from", "bng", "--to", "utm", "651410"}).status, 2);
    EXPECT_EQ(run({"--from", "bng", "--to", "mars", "1", "2"}).status, 2);
    EXPECT_EQ(run({"--from", "bng", "--to", "wgs84", "--zone", "30", "1", "2"}).status, 2);
    EXPECT_EQ(run({"--from", "utm", "--to", "utm", "30", "500000", "0"}).status, 2);
    EXPECT_EQ(run({"--from", "bng", "--to", "gridref", "--digits", "5", "1", "2"}).status, 2);
    EXPECT_EQ(run({"--from", "bng", "--to", "utm", "--threads", "0"}).status, 2);
    EXPECT_EQ(run({"--from", "bng", "--to", "utm", "--bogus"}).status, 2);

    const run_result help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Pairs that work"), std::string::npos);
}

// ---- every pair the program offers --------------------------------------------------------

TEST_F(ConvertProgram, EveryOfferedPairConvertsAReferencePoint) {
    // One point in every system: BNG 651410 313177 in Norfolk, and a point of published UTM
    // values near London. Grid results may differ from the reference by the whole-metre
    // rounding of a chain (1 m); angles by about 1e-5 degrees.
    const struct {
        std::vector<std::string> args;
        std::string expected;
        double tolerance;
    } cases[] = {
        {{"bng", "gridref", "651410", "313177"}, "TG 51410 13177", 0},
        {{"bng", "utm", "651410", "313177"}, "31 413156 5834998", 0},
        {{"bng", "wgs84", "651410", "313177"}, "52.657975 1.716053", 1e-6},
        {{"gridref", "bng", "TG 51410 13177"}, "651410 313177", 0},
        {{"gridref", "utm", "TG5141013177"}, "31 413156 5834998", 0},
        {{"gridref", "wgs84", "tg 51410 13177"}, "52.657975 1.716053", 1e-6},
        {{"utm", "bng", "31", "413156", "5834998"}, "651410 313177", 1},
        {{"utm", "gridref", "--digits", "6", "31", "413156", "5834998"}, "TG 514 131", 0},
        {{"utm", "wgs84", "30", "699369", "5709342"}, "51.5000017 -0.1275051", 1e-6},
        {{"utm", "utm", "--zone", "31", "30", "699369", "5709342"}, "31 282936 5710068", 1},
        {{"wgs84", "bng", "52.65797519", "1.71605323"}, "651410 313177", 1},
        {{"wgs84", "gridref", "--digits", "6", "52.65797519", "1.71605323"}, "TG 514 131", 0},
        {{"wgs84", "utm", "51.5", "-0.1275"}, "30 699369 5709342", 0},
        {{"wgs84", "utm", "--zone", "31", "51.5", "-0.1275"}, "31 282936 5710068", 0},
        {{"wgs84", "utm", "-33.9", "18.4"}, "-34 259583 6245888", 0},
        // Swiss grids: 47 N 8 E is LV95 2642695.4 1205590.5 by the national survey's
        // published approximate formulas (good to about a metre).
        {{"wgs84", "lv95", "47", "8"}, "2642695 1205590", 1},
        {{"wgs84", "lv03", "47", "8"}, "642695 205590", 1},
        {{"lv95", "wgs84", "2642695", "1205590"}, "47 8", 1e-5},
        {{"lv03", "wgs84", "642695", "205590"}, "47 8", 1e-5},
        {{"wgs84", "utm", "47", "8"}, "32 423975 5205649", 0},
        {{"lv95", "utm", "2642695", "1205590"}, "32 423975 5205649", 1},
        {{"lv03", "utm", "642695", "205590"}, "32 423975 5205649", 1},
        {{"utm", "lv95", "32", "423975", "5205649"}, "2642695 1205590", 1},
        {{"utm", "lv03", "32", "423975", "5205649"}, "642695 205590", 1},
        {{"lv03", "lv95", "642695", "205590"}, "2642695 1205590", 1},
        {{"lv95", "lv03", "2642695", "1205590"}, "642695 205590", 1},
        // MGRS: GeoConvert's references of the points above, and its centres of their squares
        // (31UDU1315634997 is 52.65797212 1.71605479).
        {{"wgs84", "mgrs", "52.65797519", "1.71605323"}, "31U DU 13156 34997", 0},
        {{"bng", "mgrs", "651410", "313177"}, "31U DU 13156 34997", 1},
        {{"gridref", "mgrs", "TG5141013177"}, "31U DU 13156 34997", 1},
        // A UTM point in MGRS's own zone is lettered as it stands: its figures, not those of
        // a projection there and back (which gave 13155 34997).
        {{"utm", "mgrs", "31", "413156", "5834998"}, "31U DU 13156 34998", 0},
        {{"lv95", "mgrs", "2642695", "1205590"}, "32T MT 23974 05649", 1},
        {{"lv03", "mgrs", "642695", "205590"}, "32T MT 23974 05649", 1},
        {{"mgrs", "wgs84", "31UDU1315634997"}, "52.65797212 1.71605479", 1e-8},
        {{"mgrs", "bng", "31U DU 13156 34997"}, "651410 313177", 1},
        {{"mgrs", "gridref", "--digits", "6", "31udu1315634997"}, "TG 514 131", 0},
        {{"mgrs", "utm", "31UDU1315634997"}, "31 413156 5834998", 1},
        {{"mgrs", "lv95", "32TMT2397405649"}, "2642695 1205590", 1},
        {{"mgrs", "lv03", "32TMT2397405649"}, "642695 205590", 1},
    };
    // The cases cover every pair the program offers (as its help lists them).
    const std::string help = run({"--help"}).out;
    const std::size_t pairs_at = help.find("Pairs that work:\n");
    ASSERT_NE(pairs_at, std::string::npos);
    std::set<std::string> offered;
    for (const auto& line :
         lines_of(help.substr(pairs_at + 17, help.find("\n\n", pairs_at) - pairs_at - 17))) {
        std::istringstream words(line);
        std::string from;
        std::string arrow;
        words >> from >> arrow;
        for (std::string to; words >> to;) {
            if (to.starts_with("(")) {
                words >> to;  // "(with --zone)"
                continue;
            }
            offered.insert(from + " -> " + (to.ends_with(",") ? to.substr(0, to.size() - 1) : to));
        }
    }
    std::set<std::string> tested;
    for (const auto& c : cases) {
        tested.insert(c.args[0] + " -> " + c.args[1]);
    }
    EXPECT_EQ(tested, offered);
    EXPECT_EQ(offered.size(), 35U);

    for (const auto& c : cases) {
        std::vector<std::string> args{"--from", c.args[0], "--to", c.args[1]};
        args.insert(args.end(), c.args.begin() + 2, c.args.end());
        const run_result r = run(args);
        const std::string label = c.args[0] + " -> " + c.args[1];
        EXPECT_EQ(r.status, 0) << label << ": " << r.err;
        ASSERT_FALSE(r.out.empty()) << label;
        expect_fields_near(r.out.substr(0, r.out.size() - 1), c.expected, c.tolerance, label);
    }
}

TEST_F(ConvertProgram, SwissGridsRefuseWhatLiesOutsideThem) {
    // Without the check the library's projection would give Norfolk grid values far outside
    // the Swiss frame.
    const run_result north = run({"--from", "wgs84", "--to", "lv95", "52.66", "1.72"});
    EXPECT_EQ(north.status, 1);
    EXPECT_NE(north.err.find("outside the LV95 grid (UTM.EXCEPTIONS.NORTHING_OUT_OF_RANGE)"),
              std::string::npos)
        << north.err;
    const run_result zone = run({"--from", "utm", "--to", "lv03", "33", "300000", "5200000"});
    EXPECT_EQ(zone.status, 1);
    EXPECT_NE(zone.err.find("UTM zone 33 is not a zone of the Swiss grids (31, 32)"),
              std::string::npos)
        << zone.err;
    const run_result range = run({"--from", "lv95", "--to", "utm", "600000", "200000"});
    EXPECT_EQ(range.status, 1);
    EXPECT_NE(range.err.find("LV95 easting 600000 is outside 2480000 .. 2840000 "
                             "(UTM.EXCEPTIONS.EASTING_OUT_OF_RANGE)"),
              std::string::npos)
        << range.err;
    // The National Grid and the Swiss grids share no ground: no pair between them.
    EXPECT_EQ(run({"--from", "lv95", "--to", "gridref", "2600000", "1200000"}).status, 2);
    EXPECT_EQ(run({"--from", "bng", "--to", "lv03", "651410", "313177"}).status, 2);
}

TEST_F(ConvertProgram, ResultsTheLibraryWouldClampAreRefused) {
    // Regression: 0 N 8 E projects to an easting of about 1057087 m in zone 31, beyond the
    // grid; it was written as the clamped 999999.
    const run_result east = run({"--from", "wgs84", "--to", "utm", "--zone", "31", "0", "8"});
    EXPECT_EQ(east.status, 1);
    EXPECT_EQ(east.out, "");
    EXPECT_NE(east.err.find("outside the grid of UTM zone 31 (CONSTRAINT_ERROR)"),
              std::string::npos)
        << east.err;
    // Regression: the library's automatic zone is northern and clamps a southern northing to 0.
    EXPECT_EQ(run({"--from", "wgs84", "--to", "utm", "-1", "3"}).out, "-31 500000 9889470\n");
}

TEST_F(ConvertProgram, DmsWritesDegreesMinutesSeconds) {
    const run_result r = run({"--from", "bng", "--to", "wgs84", "--dms", "651410", "313177"});
    EXPECT_EQ(r.out, "52°39'28.711\"N 1°42'57.792\"E\n");
}

// ---- tables -------------------------------------------------------------------------------

TEST_F(ConvertProgram, QuotedCsvFieldsPassThroughUnchanged) {
    const fs::path in = file("in.csv",
                             "name,\"e\",n,note\r\n"
                             "\"Smith, J.\",651410,313177,\"said \"\"hi\"\"\non two lines\"\r\n"
                             "plain,\"400000\",\"100000\",x\r\n");
    const run_result r = run({"--from", "bng", "--to", "utm", "--cols", "e,n", "-i", in.string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "name,\"e\",n,note,utm_zone,utm_easting,utm_northing,error\r\n"
              "\"Smith, J.\",651410,313177,\"said \"\"hi\"\"\non two lines\",31,413156,5834998,"
              "\r\n"
              "plain,\"400000\",\"100000\",x,30,570374,5628011,\r\n");
    EXPECT_NE(r.err.find("2 rows read, 2 converted, 0 failed"), std::string::npos) << r.err;
}

TEST_F(ConvertProgram, ColumnsByHeaderNameOrIndex) {
    const fs::path in = file("in.csv", "id,North,East\nA,313177,651410\n");
    const std::string expected = "id,North,East,gridref,error\nA,313177,651410,TG 51410 13177,\n";
    for (const std::string cols : {"East,North", "east,north", "3,2"}) {
        const run_result r =
            run({"--from", "bng", "--to", "gridref", "--cols", cols, "-i", in.string()});
        EXPECT_EQ(r.out, expected) << cols;
    }
    // A byte-order mark is not part of the first column's name.
    const fs::path bom = file("bom.csv", "\xEF\xBB\xBFid,North,East\nA,313177,651410\n");
    EXPECT_EQ(
        run({"--from", "bng", "--to", "gridref", "--cols", "East,North", "-i", bom.string()}).out,
        "\xEF\xBB\xBF" + expected);
    const fs::path bom_first = file("bom_first.csv",
                                    "\xEF\xBB\xBF"
                                    "e,n\n651410,313177\n");
    EXPECT_EQ(
        run({"--from", "bng", "--to", "gridref", "--cols", "e,n", "-i", bom_first.string()}).status,
        0);

    // Without a header the first row is data; indexes pick the columns.
    const fs::path bare = file("bare.csv", "A,313177,651410\n");
    const run_result r = run(
        {"--from", "bng", "--to", "gridref", "--cols", "3,2", "--no-header", "-i", bare.string()});
    EXPECT_EQ(r.out, "A,313177,651410,TG 51410 13177,\n");

    // A column that is not there stops the run before the output file is touched.
    const fs::path kept = file("kept.csv", "earlier results\n");
    const run_result missing = run({"--from", "bng", "--to", "gridref", "--cols", "e,n", "-i",
                                    in.string(), "-o", kept.string()});
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("no column \"e\""), std::string::npos) << missing.err;
    EXPECT_EQ(read_file(kept), "earlier results\n");
    EXPECT_EQ(
        run({"--from", "bng", "--to", "gridref", "--cols", "1,2,3", "-i", in.string()}).status, 2);
}

TEST_F(ConvertProgram, GridReferencesBothWaysInATable) {
    // 100 km square boundaries, the grid's corners, and squares only partly on land.
    const fs::path refs = file("refs.csv",
                               "place,ref\n"
                               "corner,SV 00000 00000\n"
                               "scilly,SV 90000 10000\n"
                               "square edge,SW 00000 00000\n"
                               "last metre,SV 99999 99999\n"
                               "unst,HP6112\n"
                               "beachy head,TV 58 95\n"
                               "far corner,JH 00000 00000\n"
                               "outside,TX 00001 00000\n");
    const run_result to_bng =
        run({"--from", "gridref", "--to", "bng", "--cols", "ref", "-i", refs.string()});
    EXPECT_EQ(to_bng.status, 1);
    const auto lines = lines_of(to_bng.out);
    ASSERT_EQ(lines.size(), 9U) << to_bng.out;
    EXPECT_EQ(lines[1], "corner,SV 00000 00000,0,0,");
    EXPECT_EQ(lines[2], "scilly,SV 90000 10000,90000,10000,");
    EXPECT_EQ(lines[3], "square edge,SW 00000 00000,100000,0,");
    EXPECT_EQ(lines[4], "last metre,SV 99999 99999,99999,99999,");
    EXPECT_EQ(lines[5], "unst,HP6112,461000,1212000,");
    EXPECT_EQ(lines[6], "beachy head,TV 58 95,558000,95000,");
    EXPECT_EQ(lines[7], "far corner,JH 00000 00000,700000,1300000,");
    EXPECT_NE(lines[8].find("outside,TX 00001 00000,,,"), std::string::npos) << lines[8];
    EXPECT_NE(lines[8].find("(UTM.EXCEPTIONS.EASTING_OUT_OF_RANGE)"), std::string::npos);

    const fs::path points =
        file("points.txt", "0 0\n99999 99999\n100000 0\n499999 500000\n700000 1300000\n");
    const run_result to_ref = run({"--from", "bng", "--to", "gridref", "--digits", "4", "--format",
                                   "ws", "-i", points.string()});
    EXPECT_EQ(to_ref.status, 0) << to_ref.err;
    EXPECT_EQ(to_ref.out,
              "0 0 \"SV 00 00\" -\n"
              "99999 99999 \"SV 99 99\" -\n"
              "100000 0 \"SW 00 00\" -\n"
              "499999 500000 \"NZ 99 00\" -\n"
              "700000 1300000 \"JH 00 00\" -\n");
}

TEST_F(ConvertProgram, MgrsReferencesInTablesAndThroughLatitudeAndLongitude) {
    // Written with blanks in a whitespace table, a reference spans its fields; a refused one
    // keeps its row with the reason.
    const fs::path refs = file("mgrs.txt",
                               "id ref\n"
                               "london 30U XC 993 097\n"
                               "pole Z AH 00000 00000\n"
                               "none 32X MH 12 34\n");
    const run_result read = run({"--from", "mgrs", "--to", "wgs84", "-i", refs.string()});
    EXPECT_EQ(read.status, 1);
    EXPECT_EQ(read.out,
              "id ref latitude longitude error\n"
              "london \"30U XC 993 097\" 51.50367237 -0.12754792 -\n"
              "pole \"Z AH 00000 00000\" 89.99999363 135.00000000 -\n"
              "none \"32X MH 12 34\" - - \"MGRS reference \"\"32X MH 12 34\"\" names zone 32X, "
              "which MGRS leaves out: Svalbard lies in 31X, 33X, 35X and 37X "
              "(CONSTRAINT_ERROR)\"\n");
    // BNG -> MGRS is BNG -> WGS84 -> MGRS: the same references from the same latitudes and
    // longitudes (written to 12 decimals, far below a truncated metre).
    std::mt19937 random(23);
    std::uniform_real_distribution<double> east(0.0, 700000.0);
    std::uniform_real_distribution<double> north(0.0, 1300000.0);
    std::string rows = "e,n\n";
    for (int i = 0; i < 2000; ++i) {
        rows += std::to_string(east(random)) + "," + std::to_string(north(random)) + "\n";
    }
    const fs::path points = file("mgrs-points.csv", rows);
    for (const char* method : {"helmert", "ostn15"}) {
        const auto direct = run({"--from", "bng", "--to", "mgrs", "--method", method, "--compact",
                                 "--results-only", "-i", points.string()});
        const auto angles = run({"--from", "bng", "--to", "wgs84", "--method", method,
                                 "--precision", "12", "--results-only", "-i", points.string()});
        const fs::path via = file("mgrs-via.csv", angles.out);
        const auto chained = run(
            {"--from", "wgs84", "--to", "mgrs", "--compact", "--results-only", "-i", via.string()});
        const auto a = lines_of(direct.out);
        const auto b = lines_of(chained.out);
        ASSERT_EQ(a.size(), 2001U) << method << direct.err;
        ASSERT_EQ(b.size(), a.size()) << method << chained.err;
        for (std::size_t i = 1; i < a.size(); ++i) {
            // A point that fails gives its own reason on the way through WGS84.
            if (!a[i].starts_with(",")) {
                ASSERT_EQ(a[i], b[i]) << method << " row " << i;
            }
        }
    }
}

// Regression: a fractional point's reference was made from the rounded point (531499.9457
// gave square 315, not 314), and the square alone (--digits 0, "TG") could not be read back.
TEST_F(ConvertProgram, AReferencesSquareHoldsTheUnroundedPoint) {
    EXPECT_EQ(
        run({"--from", "bng", "--to", "gridref", "--digits", "6", "531499.9457", "882249.6589"})
            .out,
        "OF 314 822\n");
    EXPECT_EQ(run({"--from", "bng", "--to", "gridref", "--digits", "0", "651410", "313177"}).out,
              "TG\n");
    EXPECT_EQ(run({"--from", "gridref", "--to", "bng", "TG"}).out, "600000 300000\n");
    // West or south of the grid's first metre no square holds the point.
    const run_result west = run({"--from", "bng", "--to", "gridref", "--", "-0.3", "10"});
    EXPECT_EQ(west.status, 1);
    EXPECT_NE(west.err.find("(UTM.EXCEPTIONS.EASTING_OUT_OF_RANGE)"), std::string::npos)
        << west.err;

    // The property over random points is the library's (the tool and the Python package share
    // the square), and the Python tests compare the two on fractional points.
}

TEST_F(ConvertProgram, TsvAndWhitespaceTables) {
    const fs::path tsv = file("in.tsv", "e\tn\n651410\t313177\n");
    EXPECT_EQ(run({"--from", "bng", "--to", "utm", "-i", tsv.string()}).out,
              "e\tn\tutm_zone\tutm_easting\tutm_northing\terror\n651410\t313177\t31\t413156\t"
              "5834998\t\n");
    const fs::path ws = file("in.txt", "  651410    313177  \nx 1\n");
    const run_result r = run({"--from", "bng", "--to", "utm", "-i", ws.string()});
    EXPECT_EQ(r.status, 1);
    const auto lines = lines_of(r.out);
    ASSERT_EQ(lines.size(), 2U);
    EXPECT_EQ(lines[0], "  651410    313177 31 413156 5834998 -");
    EXPECT_EQ(lines[1].substr(0, 11), "x 1 - - - \"");
}

TEST_F(ConvertProgram, BadRowsKeepTheirPlaceWithTheReason) {
    const fs::path in = file("in.csv",
                             "id,e,n\n"
                             "1,651410,313177\n"
                             "2,abc,313177\n"
                             "3,400000,100000\n"
                             "4,700001,0\n"
                             "5\n"
                             "\n"
                             "6,530000,180000\n");
    const run_result r = run({"--from", "bng", "--to", "utm", "--cols", "e,n", "-i", in.string()});
    EXPECT_EQ(r.status, 1);
    const auto lines = lines_of(r.out);
    ASSERT_EQ(lines.size(), 8U) << r.out;
    EXPECT_EQ(lines[1], "1,651410,313177,31,413156,5834998,");
    EXPECT_EQ(lines[2],
              "2,abc,313177,,,,\"BNG easting \"\"abc\"\" is not a number (CONSTRAINT_ERROR)\"");
    EXPECT_EQ(lines[3], "3,400000,100000,30,570374,5628011,");
    EXPECT_EQ(lines[4],
              "4,700001,0,,,,BNG easting 700001 is outside 0 .. 700000 "
              "(UTM.EXCEPTIONS.EASTING_OUT_OF_RANGE)");
    EXPECT_EQ(lines[5], "5,,,,,,\"expected 3 fields, found 1 (CONSTRAINT_ERROR)\"");
    EXPECT_EQ(lines[6], "");  // a blank line stays a blank line
    EXPECT_EQ(lines[7], "6,530000,180000,30,699293,5709783,");
    EXPECT_NE(r.err.find("6 rows read, 3 converted, 3 failed"), std::string::npos) << r.err;

    const fs::path utm = file("utm.csv", "zone,e,n\n28,500000,5800000\n31,999999,5800000\n");
    const auto u = lines_of(run({"--from", "utm", "--to", "bng", "-i", utm.string()}).out);
    ASSERT_EQ(u.size(), 3U);
    EXPECT_EQ(u[1],
              "28,500000,5800000,,,UTM zone 28 is not a zone of the National Grid (29 .. 31) "
              "(UTM.EXCEPTIONS.ZONE_OUT_OF_RANGE)");
    EXPECT_EQ(
        u[2],
        "31,999999,5800000,,,outside the National Grid (UTM.EXCEPTIONS.EASTING_OUT_OF_RANGE)");
}

TEST_F(ConvertProgram, AnUnclosedQuoteFailsItsRowAndIsClosed) {
    const fs::path in = file("in.csv", "e,n,note\n651410,313177,ok\n400000,100000,\"open\n");
    const run_result r = run({"--from", "bng", "--to", "utm", "-i", in.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out,
              "e,n,note,utm_zone,utm_easting,utm_northing,error\n"
              "651410,313177,ok,31,413156,5834998,\n"
              "400000,100000,\"open\",,,,a quoted field is never closed (CONSTRAINT_ERROR)\n");
}

TEST_F(ConvertProgram, SeveralInputFilesMakeOneTable) {
    const fs::path a = file("a.csv", "e,n\n651410,313177\n");
    const fs::path b = file("b.csv", "e,n\n400000,100000\n");
    const run_result r =
        run({"--from", "bng", "--to", "utm", "-i", a.string(), "-i", "-", "-i", b.string()}, a);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "e,n,utm_zone,utm_easting,utm_northing,error\n"
              "651410,313177,31,413156,5834998,\n"
              "651410,313177,31,413156,5834998,\n"
              "400000,100000,30,570374,5628011,\n");
    EXPECT_NE(r.err.find("3 rows read, 3 converted, 0 failed"), std::string::npos) << r.err;
}

// Regression: a headed file after one without a header was written in its own column order
// under the first's, so the same output column held eastings in some rows and northings in others.
TEST_F(ConvertProgram, EveryInputIsWrittenInTheFirstInputsColumnOrder) {
    const struct {
        const char* first;
        const char* later;
        std::string out;  // "": refused with status 2, naming the later file
    } cases[] = {
        {"651410,313177\n", "n,e\n100000,400000\n",
         "651410,313177,31,413156,5834998,\n400000,100000,30,570374,5628011,\n"},
        {"651410,313177,a\n", "name,n,e\nb,100000,400000\n",
         "651410,313177,a,31,413156,5834998,\n400000,100000,b,30,570374,5628011,\n"},
        {"easting,northing,id,name\n651410,313177,1,a\n", "Name,N,ID,E\nb,100000,2,400000\n",
         "easting,northing,id,name,utm_zone,utm_easting,utm_northing,error\n"
         "651410,313177,1,a,31,413156,5834998,\n400000,100000,2,b,30,570374,5628011,\n"},
        {"e,n,id\n651410,313177,1\n", "400000,100000,2\n",
         "e,n,id,utm_zone,utm_easting,utm_northing,error\n651410,313177,1,31,413156,5834998,\n"
         "400000,100000,2,30,570374,5628011,\n"},
        // Columns that cannot be aligned stop the run before anything is written.
        {"e,n,name\n651410,313177,a\n", "e,n,code\n400000,100000,b\n", ""},
        {"651410,313177\n", "n,e,name\n100000,400000,b\n", ""},
        {"651410,313177,a\n", "n,e\n100000,400000\n", ""},
        {"e,n,name\n651410,313177,a\n", "400000,100000\n", ""},
        {"651410,313177\n", "400000,100000,b\n", ""},
    };
    for (const auto& c : cases) {
        const fs::path first = file("first.csv", c.first);
        const fs::path later = file("later.csv", c.later);
        const fs::path out = path("out.csv");
        fs::remove(out);
        const run_result r = run({"--from", "bng", "--to", "utm", "-i", first.string(), "-i",
                                  later.string(), "-o", out.string()});
        const std::string label = std::string(c.first) + " then " + c.later;
        if (c.out.empty()) {
            EXPECT_EQ(r.status, 2) << label << read_file(out);
            EXPECT_FALSE(fs::exists(out)) << label;
            EXPECT_NE(r.err.find(later.string()), std::string::npos) << label << r.err;
        } else {
            EXPECT_EQ(r.status, 0) << label << r.err;
            EXPECT_EQ(read_file(out), c.out) << label;
        }
    }
    // Only the results are written: other columns need not agree.
    const fs::path a = file("a.csv", "e,n,name\n651410,313177,a\n");
    const fs::path b = file("b.csv", "code,n,e,note\n7,100000,400000,y\n");
    const run_result r =
        run({"--from", "bng", "--to", "utm", "--results-only", "-i", a.string(), "-i", b.string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "utm_zone,utm_easting,utm_northing\n31,413156,5834998\n30,570374,5628011\n");
}

TEST_F(ConvertProgram, EmptyFileGivesEmptyOutput) {
    const fs::path in = file("empty.csv", "");
    const run_result r = run({"--from", "bng", "--to", "utm", "-i", in.string()});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("0 rows read, 0 converted, 0 failed"), std::string::npos) << r.err;
}

TEST_F(ConvertProgram, LastRowWithoutLineFeedIsConverted) {
    const fs::path in = file("in.csv", "e,n\n651410,313177\n400000,100000");
    const run_result r = run({"--from", "bng", "--to", "utm", "-i", in.string()});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "e,n,utm_zone,utm_easting,utm_northing,error\n651410,313177,31,413156,5834998,\n"
              "400000,100000,30,570374,5628011,\n");
}

TEST_F(ConvertProgram, StandardInputToOutputFile) {
    const fs::path in = file("in.csv", "651410,313177\n");
    const fs::path out = path("out.csv");
    const run_result r = run({"--from", "bng", "--to", "utm", "-o", out.string()}, in);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(read_file(out), "651410,313177,31,413156,5834998,\n");
}

TEST_F(ConvertProgram, UnusableFilesGiveStatus2AndAClearMessage) {
    const fs::path out = path("out.csv");
    const run_result r = run(
        {"--from", "bng", "--to", "utm", "-i", path("nowhere.csv").string(), "-o", out.string()});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(
        r.err.find("cannot open " + path("nowhere.csv").string() + ": No such file or directory"),
        std::string::npos)
        << r.err;
    EXPECT_FALSE(fs::exists(out));

    // Writing over the input would destroy it before it is read.
    const fs::path in = file("in.csv", "651410,313177\n");
    const run_result same =
        run({"--from", "bng", "--to", "utm", "-i", in.string(), "-o", in.string()});
    EXPECT_EQ(same.status, 2);
    EXPECT_EQ(read_file(in), "651410,313177\n");

    EXPECT_EQ(run({"--from", "bng", "--to", "utm", "-i", dir_.string()}).status, 2);
}

// ---- regressions: no row lost or misread, whatever the input --------------------------------

// One run of the program on files and standard input, with what it must print.
struct fault_case {
    const char* fault;                                       // what went wrong before, in a line
    std::vector<std::pair<std::string, std::string>> files;  // name, content; "stdin" is input
    std::vector<std::string> args;                           // "@name": that file's path
    int status;
    std::string out;       // standard output, exactly; "*" skips the check
    std::string err_part;  // must occur in standard error; empty: no check
};

TEST_F(ConvertProgram, FaultsOfTablesAndOptionsStayMended) {
    const fault_case cases[] = {
        {"a later file without a header lost its first row",
         {{"a.csv", "e,n\n651410,313177\n"}, {"b.csv", "400000,100000\n300000,200000\n"}},
         {"--from", "bng", "--to", "utm", "-i", "@a.csv", "-i", "@b.csv"},
         0,
         "e,n,utm_zone,utm_easting,utm_northing,error\n651410,313177,31,413156,5834998,\n"
         "400000,100000,30,570374,5628011,\n300000,200000,30,469028,5726635,\n",
         "3 rows read, 3 converted"},
        {"a later file headed n,e was read by position, easting and northing swapped",
         {{"a.csv", "e,n\n651410,313177\n"}, {"b.csv", "n,e\n100000,400000\n"}},
         {"--from", "bng", "--to", "utm", "--cols", "e,n", "-i", "@a.csv", "-i", "@b.csv"},
         0,
         "e,n,utm_zone,utm_easting,utm_northing,error\n651410,313177,31,413156,5834998,\n"
         "400000,100000,30,570374,5628011,\n",
         ""},
        {"a later file without the named column was read by position",
         {{"a.csv", "e,n\n651410,313177\n"}, {"b.csv", "x,n\n1,2\n"}},
         {"--from", "bng", "--to", "utm", "--cols", "e,n", "-i", "@a.csv", "-i", "@b.csv"},
         2,
         "",
         "no column \"e\" in the header of " /* the file's path follows */},
        {"a header was taken for data without --cols",
         {{"stdin", "id,e,n\n1,651410,313177\n"}},
         {"--from", "bng", "--to", "utm"},
         0,
         "id,e,n,utm_zone,utm_easting,utm_northing,error\n1,651410,313177,31,413156,5834998,\n",
         ""},
        {"a header with usual names in other case and order",
         {{"stdin", "Name,Longitude,LAT\nx,1.716E,52.658N\n"}},
         {"--from", "latlon", "--to", "gridref", "--digits", "4"},
         0,
         "Name,Longitude,LAT,gridref,error\nx,1.716E,52.658N,TG 51 13,\n",
         ""},
        {"a header without a usable name was read by position",
         {{"stdin", "id,a,b\n1,651410,313177\n"}},
         {"--from", "bng", "--to", "utm"},
         2,
         "",
         "the header has: id, a, b); name the point's columns with --cols, e.g. --cols e,n"},
        {"a short row's error landed under a result column",
         {{"stdin", "e,n,name\n651410,313177,a\n651410\n400000,100000\n"}},
         {"--from", "bng", "--to", "utm"},
         1,
         "e,n,name,utm_zone,utm_easting,utm_northing,error\n651410,313177,a,31,413156,5834998,\n"
         "651410,,,,,,\"expected 3 fields, found 1 (CONSTRAINT_ERROR)\"\n"
         "400000,100000,,30,570374,5628011,\n",
         ""},
        {"a byte-order mark before a headerless first row failed it",
         {{"stdin",
           "\xEF\xBB\xBF"
           "651410,313177\n"}},
         {"--from", "bng", "--to", "utm"},
         0,
         "\xEF\xBB\xBF"
         "651410,313177,31,413156,5834998,\n",
         ""},
        {"--cols 00 passed the check and failed every row",
         {{"stdin", "651410,313177\n"}},
         {"--from", "bng", "--to", "utm", "--cols", "00,2"},
         2,
         "",
         "--cols 00: columns are counted from 1"},
        {"a column past the last one failed every row",
         {{"stdin", "651410,313177\n"}},
         {"--from", "bng", "--to", "utm", "--cols", "1,3"},
         2,
         "",
         "has 2 columns"},
        {"a reference written with blanks in a whitespace table read 0 rows",
         {{"stdin", "A TG 514 131\nB TG5141013177\n"}},
         {"--from", "gridref", "--to", "bng", "--cols", "2"},
         0,
         "A \"TG 514 131\" 651400 313100 -\nB TG5141013177 651410 313177 -\n",
         "2 rows read, 2 converted"},
        {"a NUL byte cut the message short",
         {{"stdin", std::string("e,n\n65\0"
                                "1,2\n",
                                11)}},
         {"--from", "bng", "--to", "utm", "--results-only"},
         1,
         "utm_zone,utm_easting,utm_northing\n,,\n",
         "easting \"65\\x001\" holds a control character (CONSTRAINT_ERROR)"},
        {"a Swiss point written into zone 31 could not be read back",
         {},
         {"--from", "utm", "--to", "lv95", "31", "727814", "5114906"},
         0,
         "2485000 1112000\n",
         ""},
        {"a forced zone 90 degrees from the point gave a mirrored point",
         {},
         {"--from", "wgs84", "--to", "utm", "--zone", "-1", "--", "-5", "0"},
         1,
         "",
         ""},
        {"a southern point near a zone limit got no alternative",
         {},
         {"--from", "wgs84", "--to", "utm", "--alt", "--", "-33.9", "17.99"},
         0,
         "-33 776491 6244906\n-34 ",
         ""},
        {"--dms was accepted with a grid result",
         {},
         {"--from", "bng", "--to", "utm", "--dms", "651410", "313177"},
         2,
         "",
         "--dms writes latitude and longitude"},
        {"--digits was accepted with a result that is not a reference",
         {},
         {"--from", "bng", "--to", "wgs84", "--digits", "4", "651410", "313177"},
         2,
         "",
         "--digits sets the digits"},
        {"the output's format followed the input's, whatever -o said",
         {{"a.txt", "651410 313177\n"}, {"b.csv", "400000,100000\n"}},
         {"--from", "bng", "--to", "utm", "-i", "@a.txt", "-i", "@b.csv", "--output-format", "tsv"},
         0,
         "651410\t313177\t31\t413156\t5834998\t\n400000\t100000\t30\t570374\t5628011\t\n",
         ""},
    };
    for (const auto& c : cases) {
        fs::path in;
        for (const auto& [name, content] : c.files) {
            const fs::path p = file(name, content);
            in = name == "stdin" ? p : in;
        }
        std::vector<std::string> args;
        for (const auto& a : c.args) {
            args.push_back(a.starts_with("@") ? path(a.substr(1)).string() : a);
        }
        const run_result r = run(args, in);
        EXPECT_EQ(r.status, c.status) << c.fault << "\n" << r.err;
        if (c.out.ends_with(' ')) {
            EXPECT_TRUE(r.out.starts_with(c.out)) << c.fault << "\n" << r.out;
        } else if (c.out != "*") {
            EXPECT_EQ(r.out, c.out) << c.fault;
        }
        EXPECT_NE(r.err.find(c.err_part), std::string::npos) << c.fault << "\n" << r.err;
    }
}

TEST_F(ConvertProgram, AnInterruptedRunLeavesTheEarlierOutput) {
    // Regressions: -o was written in place, so a run stopped by a signal left a truncated file
    // where the earlier results had been; then the temporary beside it stayed after every
    // signal but TERM, INT, HUP and QUIT.
    for (const int signal_number : {SIGTERM, SIGINT, SIGPIPE, SIGUSR1, SIGUSR2, SIGALRM, SIGXFSZ,
                                    SIGVTALRM, SIGPROF, SIGRTMIN}) {
        SCOPED_TRACE(strsignal(signal_number));
        const fs::path out = file("out.csv", "earlier results\n");
        const fs::path fifo = path("in.fifo");
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        // Opened for reading and writing here, so that the program's open does not wait.
        const int fd = ::open(fifo.c_str(), O_RDWR);
        ASSERT_GE(fd, 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, fifo.c_str(), O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        std::vector<std::string> all{TARNWICK_CONVERT_PROGRAM,
                                     "--from",
                                     "bng",
                                     "--to",
                                     "utm",
                                     "--threads",
                                     "1",
                                     "-q",
                                     "-o",
                                     out.string()};
        std::vector<char*> argv;
        for (auto& a : all) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        pid_t pid = 0;
        ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        // Enough rows that results are written before the input ends.
        std::string rows;
        for (int i = 0; i < 40000; ++i) {
            rows += "651410,313177\n";
        }
        // Written without blocking, so that a program that dies early fails the test, not
        // hangs it.
        ASSERT_EQ(::fcntl(fd, F_SETFL, O_NONBLOCK), 0);
        int status = 0;
        for (std::size_t written = 0; written < rows.size();) {
            const ssize_t n = ::write(fd, rows.data() + written, rows.size() - written);
            if (n > 0) {
                written += static_cast<std::size_t>(n);
                continue;
            }
            ASSERT_EQ(errno, EAGAIN);
            ASSERT_EQ(::waitpid(pid, &status, WNOHANG), 0) << "the program ended early";
            ::usleep(1000);
        }
        const auto others = [&] {
            std::size_t n = 0;
            for (const auto& e : fs::directory_iterator(dir_)) {
                n += e.path() != out && e.path() != fifo ? 1 : 0;
            }
            return n;
        };
        for (int wait = 0; wait < 500 && others() == 0; ++wait) {
            ::usleep(10000);
        }
        EXPECT_EQ(others(), 1U) << "no temporary beside the output";
        ::kill(pid, signal_number);
        ::waitpid(pid, &status, 0);
        ::close(fd);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal_number);
        EXPECT_EQ(read_file(out), "earlier results\n");
        EXPECT_EQ(others(), 0U) << "a partial file is left behind";
        fs::remove(fifo);
    }
}

TEST_F(ConvertProgram, OutputGoesWhereItsPathLeads) {
    // Regression: -o renamed its temporary over whatever the path named, so a symbolic link
    // became a file of its own (the file it pointed to untouched) and a FIFO or a device a
    // regular file.
    const std::vector<std::string> point{"--from", "bng", "--to", "utm", "651410", "313177"};
    const auto to = [&](const fs::path& output) {
        std::vector<std::string> args = point;
        args.insert(args.end(), {"-o", output.string()});
        return run(args);
    };
    const std::string result = "31 413156 5834998\n";
    fs::create_directory(path("sub"));
    const fs::path target = file("sub/target.txt", "earlier\n");
    fs::create_symlink("sub/target.txt", path("link"));
    EXPECT_EQ(to(path("link")).status, 0);
    EXPECT_TRUE(fs::is_symlink(path("link")));
    EXPECT_EQ(read_file(target), result);
    // A link to no file yet makes the file it points to.
    fs::create_symlink("sub/new.txt", path("dangling"));
    EXPECT_EQ(to(path("dangling")).status, 0);
    EXPECT_TRUE(fs::is_symlink(path("dangling")));
    EXPECT_EQ(read_file(path("sub/new.txt")), result);
    fs::create_symlink("loop.b", path("loop.a"));
    fs::create_symlink("loop.a", path("loop.b"));
    const run_result loop = to(path("loop.a"));
    EXPECT_EQ(loop.status, 2);
    EXPECT_NE(loop.err.find("too many levels of symbolic links"), std::string::npos) << loop.err;

    // A FIFO is written into, and stays a FIFO.
    const fs::path fifo = path("out.fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const int fd = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(to(fifo).status, 0);
    char buffer[256] = {};
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    ::close(fd);
    EXPECT_EQ(std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0), result);
    EXPECT_TRUE(fs::is_fifo(fifo));

    // A device is written directly: a full one fails the run, as the standard output does.
    // The test's own node of the full device, so that a fault replaces no device of the
    // machine; without the right to make one, /dev/full only where it cannot be replaced.
    fs::path device = path("full");
    const bool own = ::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 7)) == 0 &&
                     ::access(device.c_str(), W_OK) == 0 && [&] {
                         const int d = ::open(device.c_str(), O_WRONLY);
                         return d >= 0 && ::close(d) == 0;
                     }();
    if (!own) {
        if (::geteuid() == 0) {
            GTEST_SKIP() << "no device node of the test's own";
        }
        device = "/dev/full";
    }
    const run_result full = to(device);
    EXPECT_EQ(full.status, 2);
    EXPECT_NE(full.err.find("cannot write " + device.string() + ": No space left on device"),
              std::string::npos)
        << full.err;
    EXPECT_TRUE(fs::is_character_file(device));
}

TEST_F(ConvertProgram, AFailedWriteOfStandardOutputIsStatus2) {
    // Regression: the one-point result was lost on a full disk and the run exited 0.
    const fs::path table = file("in.csv", "651410,313177\n");
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--from", "bng", "--to", "utm", "651410", "313177"},
             {"--from", "bng", "--to", "utm", "-i", table.string()},
             {"--help"}}) {
        const run_result r = run(args, {}, "/dev/full");
        EXPECT_EQ(r.status, 2) << args.front();
        EXPECT_NE(r.err.find("cannot write standard output"), std::string::npos) << r.err;
    }
}

TEST_F(ConvertProgram, BlankLinesAloneAreAnEmptyTable) {
    // Regression: a table of blank lines divided by its zero point columns (SIGFPE).
    for (const std::string blank : {"\n", "\n  \n\t\n", "\r\n\r\n"}) {
        const run_result r = run({"--from", "bng", "--to", "utm"}, file("blank.txt", blank));
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.err.find("0 rows read, 0 converted, 0 failed"), std::string::npos) << r.err;
    }
}

TEST_F(ConvertProgram, InputWrittenAsPeopleWriteIt) {
    const struct {
        std::vector<std::string> args;
        std::string out;  // "": the run fails; "~": the error below, status 1
        std::string err_part;
    } cases[] = {
        {{"BNG", "UTM", "651410", "313177"}, "31 413156 5834998\n", ""},
        {{"osgb36", "Utm", "651410.4", "313176.5"}, "31 413156 5834998\n", ""},
        {{"latlon", "bng", "52.65797519N", "1.71605323E"}, "651410 313177\n", ""},
        {{"wgs84", "bng", "N52.65797519", "E1.71605323"}, "651410 313177\n", ""},
        {{"wgs84", "bng", "52°39'28.711\"N", "1°42'57.792\"E"}, "651410 313177\n", ""},
        {{"wgs84", "bng", "52", "39", "28.711", "N", "1", "42", "57.792", "E"},
         "651410 313177\n",
         ""},
        {{"wgs84", "bng", "52:39:28.711", "1:42:57.792"}, "651410 313177\n", ""},
        {{"wgs84", "utm", "33:54:0S", "18:24:0E"}, "-34 259583 6245888\n", ""},
        {{"wgs84", "bng", "52.658E", "1.716"}, "~", "the letter E of a longitude"},
        {{"wgs84", "bng", "-52.658N", "1.716"}, "~", "both a sign and a hemisphere letter"},
        {{"wgs84", "bng", "52:61", "1.716"}, "~", "minutes or seconds of 60 or more"},
        {{"wgs84", "bng", "52.5:30", "1.716"}, "~", "a fraction before its last part"},
        {{"wgs84", "bng", "1.716", "52.658"},
         "~",
         "longitude 52.658 is outside the National Grid; swapped (latitude 52.658, longitude "
         "1.716) the point would lie on it (UTM.EXCEPTIONS.EASTING_OUT_OF_RANGE)"},
        {{"bng", "utm", "800000", "0"},
         "~",
         "BNG easting 800000 is outside 0 .. 700000 (UTM.EXCEPTIONS.EASTING_OUT_OF_RANGE)"},
        {{"utm", "bng", "30U", "699293", "5709783"}, "530000 180000\n", ""},
        {{"utm", "wgs84", "34H", "259583", "6245888"}, "-33.90000", ""},
        {{"utm", "bng", "30T", "699293", "5709783"},
         "~",
         "UTM band T does not hold the point, which lies in band U"},
        {{"utm", "bng", "-30U", "699293", "5709783"}, "~", "both a sign and a band letter"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{"--from", c.args[0], "--to", c.args[1], "--"};
        args.insert(args.end(), c.args.begin() + 2, c.args.end());
        const run_result r = run(args);
        const std::string label = c.args[0] + " " + c.args[2];
        if (c.out == "~") {
            EXPECT_EQ(r.status, 1) << label;
            EXPECT_NE(r.err.find(c.err_part), std::string::npos) << label << ": " << r.err;
        } else {
            EXPECT_EQ(r.status, 0) << label << ": " << r.err;
            EXPECT_TRUE(r.out.starts_with(c.out)) << label << ": " << r.out;
        }
    }
}

// Regression: "30S" was read as latitude band S alone, while many write S for the southern
// hemisphere (54.3 degrees south for the same numbers): a silent answer in the other hemisphere.
TEST_F(ConvertProgram, UtmLetterSNeedsItsConventionAndNIsTheNorthernHemisphere) {
    auto utm_to_wgs84 = [&](std::vector<std::string> point, const std::string& letters = "") {
        std::vector<std::string> args{"--from", "utm", "--to", "wgs84"};
        if (!letters.empty()) {
            args.insert(args.end(), {"--utm-letter", letters});
        }
        args.push_back("--");
        args.insert(args.end(), point.begin(), point.end());
        return run(args);
    };
    const run_result unsure = utm_to_wgs84({"30S", "500000", "3984000"});
    EXPECT_EQ(unsure.status, 1);
    EXPECT_EQ(unsure.out, "");
    for (const char* words :
         {"latitude band from 32 to 40", "southern hemisphere", "--utm-letter"}) {
        EXPECT_NE(unsure.err.find(words), std::string::npos) << words << ": " << unsure.err;
    }
    const std::string north = utm_to_wgs84({"30", "500000", "3984000"}).out;
    const std::string south = utm_to_wgs84({"-30", "500000", "3984000"}).out;
    EXPECT_TRUE(north.starts_with("36.0") && south.starts_with("-54.")) << north << south;
    EXPECT_EQ(utm_to_wgs84({"30s", "500000", "3984000"}, "band").out, north);
    EXPECT_EQ(utm_to_wgs84({"30S", "500000", "3984000"}, "hemisphere").out, south);
    // Band S that does not hold the point is still refused.
    EXPECT_EQ(utm_to_wgs84({"30S", "500000", "5000000"}, "band").status, 1);

    // N: the northern hemisphere, unless the letters are said to be bands.
    for (const std::string letters : {"", "hemisphere"}) {
        EXPECT_EQ(utm_to_wgs84({"30N", "500000", "3984000"}, letters).out, north) << letters;
    }
    const run_result band_n = utm_to_wgs84({"30N", "500000", "3984000"}, "band");
    EXPECT_EQ(band_n.status, 1);
    EXPECT_NE(band_n.err.find("band N does not hold the point"), std::string::npos) << band_n.err;
    const std::string near_equator = utm_to_wgs84({"30", "500000", "100000"}).out;
    for (const std::string letters : {"", "band", "hemisphere"}) {
        EXPECT_EQ(utm_to_wgs84({"30N", "500000", "100000"}, letters).out, near_equator);
    }
    // Other letters are bands whatever the convention.
    EXPECT_EQ(utm_to_wgs84({"30T", "500000", "3984000"}, "hemisphere").status, 1);
    EXPECT_EQ(utm_to_wgs84({"30C", "500000", "3984000"}, "hemisphere").status, 1);

    // In a table the ambiguous row fails alone.
    const fs::path in = file("in.csv", "zone,e,n\n30S,500000,3984000\n30N,500000,3984000\n");
    const run_result table = run({"--from", "utm", "--to", "wgs84", "-i", in.string()});
    EXPECT_EQ(table.status, 1);
    const auto lines = lines_of(table.out);
    ASSERT_EQ(lines.size(), 3U) << table.out;
    EXPECT_NE(lines[1].find("southern hemisphere"), std::string::npos) << lines[1];
    EXPECT_TRUE(lines[2].starts_with("30N,500000,3984000,36.0")) << lines[2];

    EXPECT_EQ(run({"--from", "bng", "--to", "utm", "--utm-letter", "band", "1", "2"}).status, 2);
    EXPECT_EQ(utm_to_wgs84({"30", "500000", "3984000"}, "south").status, 2);
}

TEST_F(ConvertProgram, SemicolonTablesResultsOnlyAndPrefix) {
    const fs::path in = file("in", "id;e;n\n1;651410;313177\n2;x;1\n");
    const run_result kept = run({"--from", "bng", "--to", "utm", "-i", in.string()});
    EXPECT_EQ(kept.out,
              "id;e;n;utm_zone;utm_easting;utm_northing;error\n1;651410;313177;31;413156;5834998;\n"
              "2;x;1;;;;\"BNG easting \"\"x\"\" is not a number (CONSTRAINT_ERROR)\"\n");
    const run_result plain = run({"--from", "bng", "--to", "wgs84", "--results-only", "--prefix",
                                  "wgs_", "--output-format", "ws", "-i", in.string()});
    EXPECT_EQ(plain.status, 1);
    EXPECT_EQ(plain.out, "wgs_latitude wgs_longitude\n52.65797519 1.71605323\n- -\n");
    EXPECT_NE(plain.err.find(in.string() + " row 2: BNG easting \"x\" is not a number"),
              std::string::npos)
        << plain.err;
}

// ---- precise mode ----------------------------------------------------------------------------

// The published OSTN15 test points: ETRS89 latitude and longitude, National Grid easting and
// northing.
struct ostn15_test_point {
    std::string id;
    std::string latitude, longitude, easting, northing;
};

std::vector<ostn15_test_point> ostn15_test_points() {
    std::vector<ostn15_test_point> points;
    std::ifstream in(TARNWICK_OSTN15_TEST_POINTS);
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#' || line.starts_with("id\t")) {
            continue;
        }
        std::istringstream fields(line);
        ostn15_test_point p;
        std::string height;
        std::getline(fields, p.id, '\t');
        std::getline(fields, p.latitude, '\t');
        std::getline(fields, p.longitude, '\t');
        std::getline(fields, height, '\t');
        std::getline(fields, p.easting, '\t');
        std::getline(fields, p.northing, '\t');
        points.push_back(p);
    }
    return points;
}

TEST_F(ConvertProgram, PreciseModeGivesThePublishedTestPoints) {
#ifndef TARNWICK_OSTN15_DATA_BUILT
    GTEST_SKIP() << "the build made no OSTN15 shift grid";
#endif
    const auto points = ostn15_test_points();
    ASSERT_GE(points.size(), 20U);
    std::string etrs89 = "id,lat,lon\n";
    std::string grid = "id,e,n\n";
    for (const auto& p : points) {
        etrs89 += p.id + "," + p.latitude + "," + p.longitude + "\n";
        grid += p.id + "," + p.easting + "," + p.northing + "\n";
    }
    // Both ways, with more decimals than the published ones, so that only the conversion
    // counts: 1 mm on the grid, 1e-8 degrees (about 1 mm) in latitude and longitude.
    const struct {
        std::string from, to, table;
        double tolerance;
    } ways[] = {{"etrs89", "bng", etrs89, 0.001}, {"bng", "etrs89", grid, 1e-8}};
    for (const auto& way : ways) {
        const run_result r =
            run({"--method", "ostn15", "--from", way.from, "--to", way.to, "--precision", "10",
                 "--quiet", "--results-only", "--output-format", "ws", "-i",
                 file("points.csv", way.table).string()});
        ASSERT_EQ(r.status, 0) << r.err;
        const auto lines = lines_of(r.out);
        ASSERT_EQ(lines.size(), points.size() + 1) << r.out;
        for (std::size_t i = 0; i < points.size(); ++i) {
            const auto& p = points[i];
            const std::string expected =
                way.to == "bng" ? p.easting + " " + p.northing : p.latitude + " " + p.longitude;
            expect_fields_near(lines[i + 1], expected, way.tolerance, way.from + " " + p.id);
        }
    }
}

TEST_F(ConvertProgram, PreciseModeOptionsApplyOnlyWhereTheyMeanSomething) {
#ifndef TARNWICK_OSTN15_DATA_BUILT
    GTEST_SKIP() << "the build made no OSTN15 shift grid";
#endif
    const std::vector<std::string> point{"51.4893656495", "-0.1199255718"};  // published
    const struct {
        std::vector<std::string> options;  // after --method ostn15, unless it names a method
        std::vector<std::string> values;
        int status;
        std::string out_or_err;  // standard output, or a part of standard error
    } cases[] = {
        // Millimetres by default, whole metres when asked; WGS84 taken as ETRS89.
        {{"--from", "etrs89", "--to", "bng"}, point, 0, "530624.974 178388.464\n"},
        {{"--from", "wgs84", "--to", "bng", "--precision", "0"}, point, 0, "530625 178388\n"},
        {{"--from", "bng", "--to", "etrs89"},
         {"530624.974", "178388.464"},
         0,
         "51.48936565 -0.11992557\n"},
        // Grid input is taken as written, not rounded to whole metres.
        {{"--from", "bng", "--to", "utm"},
         {"530624.974", "178388.464"},
         0,
         "30 699941.520 5708180.151\n"},
        {{"--from", "utm", "--to", "bng"},
         {"30", "699941.520", "5708180.151"},
         0,
         "530624.974 178388.464\n"},
        {{"--from", "bng", "--to", "utm", "--alt", "--precision", "0"},
         {"530624.974", "178388.464"},
         0,
         "30 699942 5708180\n31 283411 5708863\n"},
        // The reference of the square that holds the point, not of the rounded point.
        {{"--from", "etrs89", "--to", "gridref"}, point, 0, "TQ 30624 78388\n"},
        {{"--from", "bng", "--to", "etrs89"}, {"5", "5"}, 1, "outside the OSTN15 shifts"},
        {{"--from", "etrs89", "--to", "bng"},
         {"1.12", "51.49"},
         1,
         "swapped (latitude 51.49, longitude 1.12)"},
        {{"--from", "bng", "--to", "lv95"}, {"1", "2"}, 2, "cannot convert bng to lv95"},
        {{"--from", "bng", "--to", "gridref"}, {"1", "2"}, 2, "has no such change"},
        {{"--from", "bng", "--to", "utm", "--zone", "32"}, {"1", "2"}, 2, "zones 29 .. 31"},
        {{"--from", "bng", "--to", "wgs84", "--dms", "--precision", "3"}, {"1", "2"}, 2, "--dms"},
        {{"--from", "utm", "--to", "wgs84"}, {"30", "1", "2"}, 2, "has no such change"},
        // The Helmert chain refuses what only precise mode offers.
        {{"--method", "helmert", "--from", "bng", "--to", "gridref"}, {"1", "2"}, 2, "has none"},
        {{"--from", "bng", "--to", "utm", "--precision", "2", "--method", "helmert"},
         {"1", "2"},
         2,
         "whole metres"},
        {{"--method", "helmert", "--from", "etrs89", "--to", "bng"}, point, 2, "--method ostn15"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args;
        if (std::find(c.options.begin(), c.options.end(), "--method") == c.options.end()) {
            args = {"--method", "ostn15"};
        }
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.push_back("--");
        args.insert(args.end(), c.values.begin(), c.values.end());
        const run_result r = run(args);
        const std::string label = c.options[1] + " -> " + c.options[3] + " " + c.values[0];
        EXPECT_EQ(r.status, c.status) << label << ": " << r.err;
        if (c.status == 0) {
            EXPECT_EQ(r.out, c.out_or_err) << label;
        } else {
            EXPECT_NE(r.err.find(c.out_or_err), std::string::npos) << label << ": " << r.err;
        }
    }

    // Without its shift grid precise mode stops with the reason; the Helmert chain runs on.
    ::setenv("TARNWICK_OSTN15", path("missing.dat").c_str(), 1);
    const run_result missing =
        run({"--method", "ostn15", "--from", "etrs89", "--to", "bng", "--", point[0], point[1]});
    const run_result helmert = run({"--from", "bng", "--to", "utm", "651410", "313177"});
    ::unsetenv("TARNWICK_OSTN15");
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("libgeo-coordinates-osgb-perl"), std::string::npos) << missing.err;
    EXPECT_EQ(helmert.out, "31 413156 5834998\n");
}

// Writes a table of many batches, with failures spread over it, straight to a file: the test
// process must stay small, because a program started with posix_spawn begins its peak resident
// memory at the high-water mark of the process that started it.
fs::path write_many_rows(const fs::path& path, int count) {
    std::ofstream out(path, std::ios::binary);
    out << "id,e,n\n";
    std::uint32_t x = 12345;
    for (int i = 0; i < count; ++i) {
        x = x * 1664525U + 1013904223U;
        const auto e = x % 720000;  // some beyond 700000: failures
        x = x * 1664525U + 1013904223U;
        const auto n = x % 1300001;
        out << i << ',' << e << ',' << n << '\n';
    }
    return path;
}

TEST_F(ConvertProgram, ThreadCountDoesNotChangeTheOutput) {
    const fs::path in = write_many_rows(path("many.csv"), 30000);
    const run_result one = run({"--from", "bng", "--to", "utm", "--alt", "--cols", "e,n",
                                "--threads", "1", "-i", in.string()});
    const run_result four = run({"--from", "bng", "--to", "utm", "--alt", "--cols", "e,n",
                                 "--threads", "4", "-i", in.string()});
    EXPECT_EQ(one.status, 1);
    EXPECT_EQ(four.status, 1);
    EXPECT_EQ(lines_of(one.out).size(), 30001U);
    EXPECT_TRUE(one.out == four.out) << "outputs differ";
    EXPECT_EQ(one.err, four.err);
    // Rows keep the input order.
    const auto lines = lines_of(four.out);
    for (std::size_t i = 1; i < lines.size(); i += 997) {
        EXPECT_EQ(lines[i].substr(0, lines[i].find(',')), std::to_string(i - 1));
    }
}

TEST_F(ConvertProgram, LongRecordsDoNotMultiplyMemoryWithTheThreads) {
    if (under_address_sanitizer) {
        GTEST_SKIP() << "resident memory means nothing under the address sanitizer";
    }
    // Regression: each worker kept the room of the longest record it had seen, and batches
    // were bounded by rows alone (12 rows of 30 MiB: 344 MB on one thread, 1.09 GB on 16).
    const std::string note(std::size_t{8} << 20, 'x');
    std::string rows = "e,n,note\n";
    for (int i = 0; i < 12; ++i) {
        rows += "651410,313177," + note + "\n";
    }
    const fs::path in = file("long.csv", rows);
    rows.clear();
    long peak[2] = {};
    for (const int i : {0, 1}) {
        const run_result r =
            run({"--from", "bng", "--to", "utm", "-q", "--threads", i == 0 ? "1" : "16", "-i",
                 in.string(), "-o", path("long.out.csv").string()});
        EXPECT_EQ(r.status, 0) << r.err;
        peak[i] = r.peak_rss_kb;
    }
    EXPECT_LT(peak[1], peak[0] + 24 * 1024) << "1 thread: " << peak[0] << " KiB, 16: " << peak[1];
}

TEST_F(ConvertProgram, AMillionRowsStreamInBoundedMemory) {
    if (under_address_sanitizer) {
        GTEST_SKIP() << "resident memory means nothing under the address sanitizer";
    }
    const fs::path in = write_many_rows(path("million.csv"), 1000000);
    const fs::path out = path("million.out.csv");
    const run_result r = run({"--from", "bng", "--to", "utm", "--cols", "e,n", "-q", "-i",
                              in.string(), "-o", out.string()});
    EXPECT_EQ(r.status, 1);  // the eastings beyond 700000 fail
    const auto in_size = fs::file_size(in);
    const auto out_size = fs::file_size(out);
    EXPECT_GT(out_size, in_size);
    // Input and output together are about 50 MB; holding either would show.
    EXPECT_LT(r.peak_rss_kb, 32 * 1024) << "peak resident memory " << r.peak_rss_kb << " KiB";
    EXPECT_NE(r.err.find("1000000 rows read"), std::string::npos) << r.err;
}

}  // namespace
