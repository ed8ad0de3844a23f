#include "mgrs.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace {

// Random points over the whole sphere, and the places where the lettering changes its rule:
// the band edges, the Norway and Svalbard zones and their edges, 80 S, 84 N, the poles and
// the antimeridian.
std::vector<mgrs::geographic> test_points() {
    std::mt19937_64 random(20231);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::vector<mgrs::geographic> points;
    for (int i = 0; i < 20000; ++i) {
        points.push_back(
            {std::asin(unit(random)) * 180.0 / std::numbers::pi, 180.0 * unit(random)});
    }
    for (int i = 0; i < 4000; ++i) {
        const double lon = 21.0 * (unit(random) + 1.0);  // 0 .. 42 E
        points.push_back({60.0 + 4.0 * unit(random), lon});
        points.push_back({78.0 + 6.0 * unit(random), lon});
        points.push_back({87.0 + 3.0 * unit(random), 180.0 * unit(random)});
        points.push_back({-85.0 + 5.0 * unit(random), 180.0 * unit(random)});
    }
    for (double lat = -80.0; lat <= 84.0; lat += 8.0) {
        for (const double d : {-1e-9, 0.0, 1e-9}) {
            for (const double lon :
                 {-180.0, -177.0, 0.0, 2.999, 3.0, 9.0, 12.0, 21.0, 33.0, 42.0, 179.999999}) {
                points.push_back({lat + d, lon});
            }
        }
    }
    for (const double lat : {-90.0, 90.0, -80.0, 84.0, -89.9999, 89.9999, 72.0, 56.0, 64.0}) {
        for (const double lon : {-180.0, -90.0, 0.0, 45.0, 135.0}) {
            points.push_back({lat, lon});
        }
    }
    return points;
}

// The lines GeoConvert writes for `lines` given on its input, or nothing where it cannot run.
std::vector<std::string> geoconvert(const std::string& arguments,
                                    const std::vector<std::string>& lines) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path();
    const std::string stem = "tarnwick-mgrs-" + std::to_string(::getpid());
    const std::filesystem::path in = dir / (stem + ".in");
    const std::filesystem::path out = dir / (stem + ".out");
    {
        std::ofstream f(in);
        for (const std::string& line : lines) {
            f << line << '\n';
        }
    }
    const std::string command =
        "GeoConvert " + arguments + " < " + in.string() + " > " + out.string() + " 2>/dev/null";
    std::vector<std::string> result;
    if (std::system(command.c_str()) == 0) {
        std::ifstream f(out);
        for (std::string line; std::getline(f, line);) {
            result.push_back(line);
        }
    }
    std::filesystem::remove(in);
    std::filesystem::remove(out);
    return result;
}

std::string degrees_text(double v) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.12f", v);
    return buffer;
}

double longitude_gap(double a, double b) {
    const double d = std::fabs(a - b);
    return std::min(d, 360.0 - d);
}

std::string without_band(std::string reference) {
    reference.erase(reference[0] >= '0' && reference[0] <= '9' ? 2 : 0, 1);
    return reference;
}

TEST(Mgrs, EveryPrecisionAgreesWithGeoConvertWritingAndReading) {
    if (std::system("GeoConvert --version >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "GeoConvert (Debian geographiclib-tools) not installed: scripts/deps "
                        "installs it";
    }
    const std::vector<mgrs::geographic> points = test_points();
    std::vector<std::string> input;
    for (const mgrs::geographic& p : points) {
        input.push_back(degrees_text(p.latitude) + " " + degrees_text(p.longitude));
    }
    std::vector<std::string> written;  // every reference made, every precision
    for (int digits = 0; digits <= mgrs::max_digits; ++digits) {
        const std::vector<std::string> expected =
            geoconvert("-m -p " + std::to_string(digits - 5), input);
        ASSERT_EQ(expected.size(), points.size());
        for (std::size_t i = 0; i < points.size(); ++i) {
            const std::string ours =
                mgrs::format(points[i].latitude, points[i].longitude, digits, mgrs::form::compact);
            ASSERT_EQ(ours, expected[i]) << input[i] << " digits " << digits;
            written.push_back(ours);
        }
    }
    const std::vector<std::string> read_back = geoconvert("-g -p 6", written);
    ASSERT_EQ(read_back.size(), written.size());
    for (std::size_t i = 0; i < written.size(); ++i) {
        double latitude = 0.0;
        double longitude = 0.0;
        ASSERT_EQ(std::sscanf(read_back[i].c_str(), "%lf %lf", &latitude, &longitude), 2);
        const mgrs::geographic ours = mgrs::read(written[i]);
        ASSERT_NEAR(ours.latitude, latitude, 1e-9) << written[i];
        ASSERT_LE(longitude_gap(ours.longitude, longitude), 1e-9) << written[i];
        // The square read, written again on its grid, is the same square (its corner may lie
        // in the band below; its band is the reference's).
        const mgrs::square s = mgrs::parse(written[i]);
        const int digits = static_cast<int>(std::lround(5 - std::log10(s.side)));
        ASSERT_EQ(without_band(mgrs::format(mgrs::position(s, mgrs::anchor::south_west), digits,
                                            mgrs::form::compact)),
                  without_band(written[i]));
    }
}

TEST(Mgrs, RefusalsSayWhy) {
    const std::vector<std::pair<std::string, std::string>> refused{
        {"30UXC993097831234", "has 12 digits: at most 5 per coordinate"},
        {"30U XC 9929 30978", "has 9 digits: the easting and northing take half each"},
        {"30UXI9929309783", "holds I: I and O are no MGRS letters"},
        {"30UXC99293O9783", "holds a character other than digits after the square letters"},
        {"30UAC9929309783", "has column letter A, not one of zone 30's STUVWXYZ"},
        {"30UXW1234", "has row letter W, not one of ABCDEFGHJKLMNPQRSTUV"},
        {"30NXC9929309783", "names a square that band N of zone 30 does not hold"},
        {"32XMH1234", "names zone 32X, which MGRS leaves out"},
        {"61UXC12", "names zone 61: zones are 1 .. 60"},
        {"UXC12", "lacks the zone number of band U"},
        {"30ZAH", "gives a zone number to polar band Z, which takes none"},
        {"ZAQ", "has row letter Q, beyond the polar grid's rows ABCDEFGHJKLMNP"},
        {"YAH", "has column letter A, not one of band Y's RSTUXYZ"},
        {"30U X", "is not a grid zone (zone number and band letter), two square letters"},
    };
    for (const auto& [text, words] : refused) {
        try {
            mgrs::parse(text);
            ADD_FAILURE() << text << " was read";
        } catch (const mgrs::error& e) {
            EXPECT_NE(e.message().find("MGRS reference \"" + text + "\" " + words),
                      std::string::npos)
                << e.message();
        }
    }
    EXPECT_THROW(mgrs::format(91.0, 0.0, 5), mgrs::error);
    EXPECT_THROW(mgrs::format(51.5, 0.0, 6), mgrs::error);
    EXPECT_EQ(mgrs::format(51.50399, -0.12834, 5), "30U XC 99293 09783");
    const mgrs::geographic centre = mgrs::read(" 30u xc 993 097 ");
    EXPECT_EQ(mgrs::format(centre.latitude, centre.longitude, 3), "30U XC 993 097");
}

}  // namespace
