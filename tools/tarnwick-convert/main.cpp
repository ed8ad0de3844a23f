// tarnwick-convert: converts coordinates between the National Grid (metres or lettered
// references), UTM, WGS84 latitude and longitude and the Swiss grids, one point from the
// command line or whole tables in batch.
//
// Exit status: 0 all converted, 1 some rows (or the one point) failed, 2 unusable arguments or
// files.

#include <CLI/CLI.hpp>

#include <cstdio>
#include <exception>
#include <string>
#include <thread>
#include <vector>

#include "batch.hpp"
#include "conversion.hpp"
#include "table_text.hpp"

namespace {

using namespace tarnwick_convert;

constexpr int exit_ok = 0;
constexpr int exit_rows_failed = 1;
constexpr int exit_unusable = 2;

std::string systems_help() {
    std::string text =
        "Systems and the fields of one point:\n"
        "  bng      National Grid easting, northing in metres (0 .. 700000, 0 .. 1300000)\n"
        "  gridref  lettered National Grid reference, 2 to 10 digits, blanks optional\n"
        "           (\"TG 51410 13177\", \"TG5113\"); read as the south-west corner of its square\n"
        "  utm      zone (1 .. 60, negative south of the equator), easting, northing in metres\n"
        "  wgs84    latitude, longitude in decimal degrees (north and east positive)\n"
        "  lv03     Swiss LV03 easting (Y), northing (X) in metres\n"
        "  lv95     Swiss LV95 easting (E), northing (N) in metres\n"
        "\nPairs that work:\n";
    text += offered_pairs_text();
    text +=
        "\n\nOne point:\n"
        "  tarnwick-convert --from bng --to utm 651410 313177\n"
        "      31 413156 5834998\n"
        "  tarnwick-convert --from bng --to utm --alt 530000 180000\n"
        "      second line: the same point in the neighbouring zone (overlap strip)\n"
        "  tarnwick-convert --from gridref --to wgs84 --dms TG 51410 13177\n"
        "  tarnwick-convert --from wgs84 --to utm --zone 30 52.658 1.716\n"
        "\nTables (CSV, TSV or whitespace-separated; stdin when no -i):\n"
        "  tarnwick-convert --from bng --to gridref --cols e,n -i points.csv -o out.csv\n"
        "  tarnwick-convert --from utm --to bng --cols 2,3,4 --no-header < points.txt\n"
        "  Every row gives one row: the input row unchanged, then the result columns and an\n"
        "  \"error\" column. A row that cannot be converted keeps its place with empty results\n"
        "  and the reason in the error column. A summary goes to standard error.\n"
        "  The format comes from the file name (.csv, .tsv, .tab) or else the first line (a\n"
        "  tab: TSV, a comma: CSV, else whitespace). Without --header or --no-header the\n"
        "  first row is a header when --cols names columns, or when none of the fields it\n"
        "  picks holds a digit. --cols defaults to the first columns. Several -i files make\n"
        "  one table; the header rows of the later ones are dropped.\n"
        "\nExit status: 0 all converted, 1 some rows failed, 2 unusable arguments or files.\n";
    return text;
}

int run(int argc, char** argv) {
    CLI::App app{
        "Converts coordinates between the British National Grid, UTM, WGS84 and the "
        "Swiss grids.",
        "tarnwick-convert"};
    app.get_formatter()->column_width(26);

    std::vector<std::string> system_names;
    for (const auto s : all_systems) {
        system_names.emplace_back(system_name(s));
    }
    std::string from_name;
    std::string to_name;
    std::optional<int> zone;
    conversion_options conv_options;
    batch_options batch;
    std::vector<std::string> values;
    std::string format_name_text;
    bool header = false;
    bool no_header = false;
    bool quiet = false;
    batch.threads = std::max(1U, std::thread::hardware_concurrency());

    app.add_option("--from", from_name, "System of the input")
        ->required()
        ->check(CLI::IsMember(system_names));
    app.add_option("--to", to_name, "System of the result")
        ->required()
        ->check(CLI::IsMember(system_names));
    app.add_option("--zone", zone, "Force the UTM zone of a UTM result (negative: southern)");
    app.add_flag("--alt", conv_options.alt,
                 "Also give the point in the neighbouring UTM zone where it lies in an overlap "
                 "strip");
    app.add_flag("--dms", conv_options.dms,
                 "Latitude and longitude in degrees, minutes and seconds");
    app.add_option("--digits", conv_options.digits, "Digits of a lettered reference (2 .. 10)")
        ->capture_default_str();
    app.add_option("-i,--input", batch.inputs, "Input table ('-': standard input); repeatable");
    app.add_option("-o,--output", batch.output, "Output file (default: standard output)");
    app.add_option("--format", format_name_text, "Table format: csv, tsv or ws (whitespace)")
        ->check(CLI::IsMember({"csv", "tsv", "ws"}));
    app.add_option("--cols", batch.columns,
                   "Input columns of a point, by header name or 1-based index (e.g. e,n or 2,3)")
        ->delimiter(',');
    auto* header_flag = app.add_flag("--header", header, "The first row is a header");
    app.add_flag("--no-header", no_header, "There is no header row")->excludes(header_flag);
    app.add_option("--threads", batch.threads, "Worker threads (default: all cores)")
        ->check(CLI::Range(1U, 1024U))
        ->capture_default_str();
    app.add_flag("-q,--quiet", quiet, "No progress bar");
    app.add_option("values", values, "The fields of one point, for a one-off conversion");
    app.footer(systems_help());

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? exit_ok : exit_unusable;
    }

    conv_options.from = *system_from_name(from_name);
    conv_options.to = *system_from_name(to_name);
    conv_options.zone = zone;
    try {
        start_up_library();
        const converter conv(conv_options);

        if (!values.empty()) {
            if (!batch.inputs.empty()) {
                throw usage_error("give either the values of one point or input files (-i)");
            }
            if (conv_options.from == coordinate_system::gridref) {
                std::string joined;
                for (const auto& v : values) {
                    joined += (joined.empty() ? "" : " ") + v;
                }
                values = {joined};
            }
            if (values.size() != conv.input_count()) {
                std::string names;
                for (const auto& n : input_fields(conv_options.from)) {
                    names += " " + n;
                }
                throw usage_error(std::string(system_name(conv_options.from)) + " takes " +
                                  std::to_string(conv.input_count()) + " values:" + names);
            }
            std::vector<std::string> out;
            try {
                conv.convert(values.data(), out);
            } catch (const row_failure& f) {
                std::fprintf(stderr, "tarnwick-convert: %s\n", f.what());
                return exit_rows_failed;
            }
            const std::size_t main_count = out.size() - (conv_options.alt ? 3 : 0);
            std::string line;
            for (std::size_t i = 0; i < out.size(); ++i) {
                if (i == main_count) {
                    if (out[i].empty()) {
                        break;  // not in an overlap strip
                    }
                    line += "\n";
                } else if (i > 0) {
                    line += " ";
                }
                line += out[i];
            }
            line += "\n";
            if (batch.output.empty() || batch.output == "-") {
                std::fputs(line.c_str(), stdout);
            } else {
                std::FILE* f = std::fopen(batch.output.c_str(), "w");
                const bool written = f != nullptr && std::fputs(line.c_str(), f) >= 0;
                if (f == nullptr || std::fclose(f) != 0 || !written) {
                    throw file_error("cannot write " + batch.output);
                }
            }
            return exit_ok;
        }

        if (!batch.columns.empty() && batch.columns.size() != conv.input_count()) {
            throw usage_error("--cols names " + std::to_string(batch.columns.size()) +
                              " columns; " + std::string(system_name(conv_options.from)) +
                              " takes " + std::to_string(conv.input_count()));
        }
        for (const auto& c : batch.columns) {
            if (c == "0" || c.empty()) {
                throw usage_error("--cols: columns are counted from 1");
            }
        }
        if (!format_name_text.empty()) {
            batch.format = format_name_text == "csv"   ? table_format::csv
                           : format_name_text == "tsv" ? table_format::tsv
                                                       : table_format::whitespace;
        }
        if (header || no_header) {
            batch.header = header;
        }
        batch.progress = !quiet;
        const batch_summary summary = run_batch(conv, batch);
        std::fprintf(stderr, "tarnwick-convert: %llu rows read, %llu converted, %llu failed\n",
                     static_cast<unsigned long long>(summary.read),
                     static_cast<unsigned long long>(summary.converted),
                     static_cast<unsigned long long>(summary.failed));
        return summary.failed > 0 ? exit_rows_failed : exit_ok;
    } catch (const usage_error& e) {
        std::fprintf(stderr, "tarnwick-convert: %s\n", e.what());
        return exit_unusable;
    } catch (const file_error& e) {
        std::fprintf(stderr, "tarnwick-convert: %s\n", e.what());
        return exit_unusable;
    }
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tarnwick-convert: %s\n", e.what());
        return exit_unusable;
    }
}
