// tarnwick-convert: converts coordinates between the National Grid (metres or lettered
// references), UTM, WGS84 (or, in precise mode, ETRS89) latitude and longitude and the Swiss
// grids, one point from the command line or whole tables in batch.
//
// Exit status: 0 all converted, 1 some rows (or the one point) failed, 2 unusable arguments or
// files.

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <initializer_list>
#include <iostream>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "conversion.hpp"
#include "table_run.hpp"
#include "table_text.hpp"
#include "tarnwick_version.hpp"
#include "text_values.hpp"

namespace {

using namespace tarnwick_convert;

constexpr int exit_ok = 0;
constexpr int exit_rows_failed = 1;
constexpr int exit_unusable = 2;

// The systems, the fields of their points, and the pairs the default datum change offers.
std::string systems_text() {
    return "Systems and the fields of one point:\n"
           "  bng      National Grid easting, northing in metres (0 .. 700000, 0 .. 1300000);\n"
           "           also osgb36\n"
           "  gridref  lettered National Grid reference, 0 to 10 digits, blanks optional\n"
           "           (\"TG 51410 13177\", \"TG5113\", \"TG\" the 100 km square alone); read as\n"
           "           the south-west corner of its square. A reference result names the square\n"
           "           that holds the point as given (fractions truncated, never rounded)\n"
           "  utm      zone (1 .. 60, negative south of the equator, or with a latitude band\n"
           "           letter: 30U; C .. M south, N .. X north; the band must hold the point),\n"
           "           easting, northing in metres. S may be band S (32 to 40 degrees north) or\n"
           "           the southern hemisphere: it is refused unless --utm-letter band or\n"
           "           --utm-letter hemisphere says which. N is the northern hemisphere (where\n"
           "           band N holds the point the readings agree), band N only with\n"
           "           --utm-letter band\n"
           "  wgs84    latitude, longitude (also latlon): decimal degrees, north and east\n"
           "           positive, or with hemisphere letters (52.658N, N52.658, 1.716W), or\n"
           "           degrees, minutes and seconds (52°39'28.7\"N, \"52 39 28.7 N\", 52:39:28.7)\n"
           "  lv03     Swiss LV03 easting (Y), northing (X) in metres\n"
           "  lv95     Swiss LV95 easting (E), northing (N) in metres\n"
           "  etrs89   ETRS89 latitude, longitude, written as wgs84; with --method ostn15 only\n"
           "  mgrs     MGRS reference of a WGS84 point, worldwide (\"30U XC 99293 09783\",\n"
           "           \"30uxc9929309783\", \"ZAH 12 34\" on the polar grid), 0 to 5 digits per\n"
           "           coordinate, blanks optional; read as the centre of its square "
           "(--sw-corner:\n"
           "           its south-west corner); a result names the square that holds the point\n"
           "           (truncated, never rounded) in MGRS's standard zone (32V, 31X .. 37X), with\n"
           "           5 digits (--digits 0 .. 5), spaced (--compact: without blanks)\n"
           "  Names in any case. Grid input with decimals is rounded to whole metres; grid\n"
           "  results are whole metres. The datum change between the National Grid and WGS84 is\n"
           "  a seven-parameter Helmert transformation, up to about 5 m from the Ordnance\n"
           "  Survey's definitive transformation (median about 2 m on land).\n"
           "\nPairs that work:\n" +
           offered_pairs_text();
}

// Precise mode: what it converts, how exactly, and what it takes WGS84 to be.
std::string precise_mode_text() {
    return "\n\nPrecise mode, --method ostn15: the Ordnance Survey's definitive transformation\n"
           "OSTN15 between ETRS89 and the National Grid, to the millimetre, for the pairs\n" +
           offered_pairs_text(datum_method::ostn15) +
           "\n  UTM is then ETRS89 on GRS80 in zones 29 .. 31. Grid input is taken as written and\n"
           "  grid results are written in metres with 3 decimals (--precision sets them, 0 gives\n"
           "  whole metres). WGS84 is taken as ETRS89: ETRS89 is fixed to Europe and moves with\n"
           "  it, WGS84 (and the ITRF of today's GPS receivers) does not, so the two have drifted\n"
           "  apart by about 2.5 cm a year since 1989, well under a metre in Britain today (about\n"
           "  0.9 m in 2025). A WGS84 position carries that difference into the result; only an\n"
           "  ETRS89 position (from OS Net or a survey in ETRS89) gets the millimetre. Points\n"
           "  within about 100 m of the National Grid's edges lie outside OSTN15 and fail.\n"
           "  tarnwick-convert --method ostn15 --from etrs89 --to bng 51.4893656495 -0.1199255718\n"
           "      530624.974 178388.464\n";
}

// Examples of one point's conversion.
std::string one_point_text() {
    return "\n\nOne point:\n"
           "  tarnwick-convert --from bng --to utm 651410 313177\n"
           "      31 413156 5834998\n"
           "  tarnwick-convert --from bng --to utm --alt 530000 180000\n"
           "      second line: the same point in the neighbouring zone (overlap strip)\n"
           "  tarnwick-convert --from gridref --to wgs84 --dms TG 51410 13177\n"
           "  tarnwick-convert --from wgs84 --to utm --zone 30 52.658 1.716\n"
           "  tarnwick-convert --from latlon --to osgb36 52 39 28.7 N 1 42 57.8 E\n"
           "  tarnwick-convert --from wgs84 --to mgrs 51.50399 -0.12834\n"
           "      30U XC 99293 09783\n";
}

// How tables are read, picked, laid out and written, and the exit status.
std::string tables_text() {
    return "\nTables (CSV, TSV or whitespace-separated; stdin when no -i):\n"
           "  tarnwick-convert --from bng --to gridref --cols e,n -i points.csv -o out.csv\n"
           "  tarnwick-convert --from utm --to bng --cols 2,3,4 --no-header < points.txt\n"
           "  Every row gives one row: the input row, then the result columns and an \"error\"\n"
           "  column; every row has the same number of fields. A row that cannot be converted\n"
           "  keeps its place with empty results and the reason in the error column. A summary\n"
           "  goes to standard error. --results-only writes the result columns alone (reasons of\n"
           "  failed rows to standard error); --prefix names them prefix + field.\n"
           "  Each input's format comes from --format or --delimiter, else its name (.csv, .tsv,\n"
           "  .tab, .txt) or else its first line (a tab: TSV, a semicolon: semicolon-separated,\n"
           "  a comma: CSV, else whitespace). The output's format follows --output-format, else\n"
           "  -o's name (.csv, .tsv, .txt for whitespace), else the first input's.\n"
           "  Without --header or --no-header the first row is a header when --cols names\n"
           "  columns, when none of the fields it picks holds a digit, or when it names the\n"
           "  point's columns as usual (e/n, easting/northing, x/y; lat/latitude,\n"
           "  lon/long/lng/longitude; zone; ref/gridref/grid_ref; ref/mgrs; for the Swiss grids\n"
           "  E/N and Y/X). Without --cols a header's usual names pick the columns, else the\n"
           "  first columns. In a whitespace table a reference written with blanks (TG 514 131,\n"
           "  30U XC 993 097) spans the column --cols names and the letters and digit groups\n"
           "  after it.\n"
           "  Several -i files make one table in the first one's column order; each file's\n"
           "  header decides for that file. A later file's point columns go where the first\n"
           "  file has them, its other columns by name when both have a header, else in their\n"
           "  order; files whose columns do not pair one to one stop the run (status 2) before\n"
           "  anything is written, unless --results-only writes the results alone.\n"
           "  -o is written in full beside the target and takes its place only when the run\n"
           "  ends with status 0 or 1; a symbolic link is followed and the file it points to\n"
           "  replaced so. A FIFO, a device or another special file is written directly, as it\n"
           "  is no file to replace. A run ended by a signal leaves no partial file.\n"
           "\nExit status: 0 all converted, 1 some rows failed, 2 unusable arguments or files.\n";
}

// The help's footer: every system, pair, mode and way of use, with examples.
std::string systems_help() {
    return systems_text() + precise_mode_text() + one_point_text() + tables_text();
}

// The table format a command-line name stands for.
std::optional<table_format> format_named(const std::string& name) {
    static const std::pair<const char*, table_format> names[] = {
        {"csv", table_format::csv},       {",", table_format::csv},
        {"tsv", table_format::tsv},       {"tab", table_format::tsv},
        {"\t", table_format::tsv},        {"ssv", table_format::semicolon},
        {";", table_format::semicolon},   {"semicolon", table_format::semicolon},
        {"ws", table_format::whitespace}, {"space", table_format::whitespace},
        {" ", table_format::whitespace}};
    for (const auto& [n, f] : names) {
        if (name == n) {
            return f;
        }
    }
    if (name.empty()) {
        return std::nullopt;
    }
    throw usage_error("\"" + escaped(name) +
                      "\" is not a table format: csv (,), tsv (tab), ssv (;) or ws (blanks)");
}

// The value an option's word names among `choices`; any other word is a usage error that
// lists them ("\"x\" is not a method: helmert or ostn15").
template <class Value>
Value one_of(const std::string& word,
             std::initializer_list<std::pair<std::string_view, Value>> choices, const char* what) {
    std::string names;
    for (const auto& [name, value] : choices) {
        if (word == name) {
            return value;
        }
        names += (names.empty() ? "" : " or ") + std::string(name);
    }
    throw usage_error("\"" + escaped(word) + "\" is not " + what + ": " + names);
}

// Whether a word ends with a latitude's hemisphere letter (N or S, any case).
bool ends_latitude(const std::string& value) {
    const char c = value.empty()
                       ? '\0'
                       : static_cast<char>(std::toupper(static_cast<unsigned char>(value.back())));
    return c == 'N' || c == 'S';
}

// Whether a word starts with a longitude's hemisphere letter (E or W, any case).
bool starts_longitude(const std::string& value) {
    const char c = value.empty()
                       ? '\0'
                       : static_cast<char>(std::toupper(static_cast<unsigned char>(value.front())));
    return c == 'E' || c == 'W';
}

// The words `from` up to `to` of `words`, with a blank between each two.
std::string joined_words(const std::vector<std::string>& words, std::size_t from, std::size_t to) {
    std::string s;
    for (std::size_t i = from; i < to; ++i) {
        s += (s.empty() ? "" : " ") + words[i];
    }
    return s;
}

// A latitude and longitude given as more than two words ("52 39 28.7 N 1 42 57.8 E"): the
// latitude ends at its hemisphere letter, or the longitude starts at its own.
std::vector<std::string> lat_long_from_words(const std::vector<std::string>& values) {
    for (std::size_t i = 0; i + 1 < values.size(); ++i) {
        if (ends_latitude(values[i])) {
            return {joined_words(values, 0, i + 1), joined_words(values, i + 1, values.size())};
        }
        if (i > 0 && starts_longitude(values[i])) {
            return {joined_words(values, 0, i), joined_words(values, i, values.size())};
        }
    }
    throw usage_error(
        "latitude and longitude are 2 values; quote each one that holds blanks, or end "
        "the latitude with N or S");
}

// The command line: what the options hold, and the options that apply to tables alone.
struct command_line {
    std::string from_name;
    std::string to_name;
    std::optional<int> zone;
    conversion_options conv_options;
    batch_options batch;
    std::vector<std::string> values;
    std::string method_name;
    std::string utm_letter_name;
    std::string format_name_text;
    std::string delimiter_text;
    std::string output_format_text;
    std::string prefix;
    bool header = false;
    bool no_header = false;
    bool quiet = false;
    CLI::Option* method_option = nullptr;
    CLI::Option* utm_letter_option = nullptr;
    CLI::Option* prefix_option = nullptr;
    std::vector<const CLI::Option*> table_options;  // in the order their refusals are checked
};

// The options of the conversion: the systems, the zone, what results hold and how exact.
void add_conversion_options(CLI::App& app, command_line& c) {
    app.add_option("--from", c.from_name, "System of the input")->required()->type_name("SYSTEM");
    app.add_option("--to", c.to_name, "System of the result")->required()->type_name("SYSTEM");
    app.add_option("--zone", c.zone, "Force the UTM zone of a UTM result (negative: southern)")
        ->type_name("ZONE");
    app.add_flag("--alt", c.conv_options.alt,
                 "Also give the point in the neighbouring UTM zone where it lies in an overlap "
                 "strip");
    app.add_flag("--dms", c.conv_options.dms,
                 "Latitude and longitude results in degrees, minutes and seconds");
    app.add_option("--digits", c.conv_options.digits,
                   "Digits of a lettered reference result: gridref even, 0 .. 10 (default 10); "
                   "mgrs 0 .. 5 per coordinate (default 5)")
        ->type_name("N");
    app.add_flag("--compact", c.conv_options.compact,
                 "MGRS results without blanks (30UXC9929309783)");
    app.add_flag("--sw-corner", c.conv_options.mgrs_corner,
                 "Read MGRS references as their square's south-west corner, not its centre");
    c.method_option = app.add_option("--method", c.method_name,
                                     "Datum change of the National Grid: helmert (default) or "
                                     "ostn15 (precise mode)")
                          ->type_name("METHOD");
    c.utm_letter_option =
        app.add_option("--utm-letter", c.utm_letter_name,
                       "What N and S after a UTM zone of the input are: band (latitude bands) "
                       "or hemisphere")
            ->type_name("WORD");
    app.add_option("--precision", c.conv_options.precision,
                   "Decimals of degrees (default 8) and of precise grid results in metres "
                   "(default 3)")
        ->type_name("N");
}

// The options of tables: the files, their formats and columns, the threads, the progress bar.
void add_table_options(CLI::App& app, command_line& c) {
    app.add_option("-i,--input", c.batch.inputs, "Input table ('-': standard input); repeatable")
        ->type_name("FILE");
    app.add_option("-o,--output", c.batch.output,
                   "Output file (default: standard output), replaced only by a complete run")
        ->type_name("FILE");
    auto* format_option = app.add_option("--format", c.format_name_text,
                                         "Input table format: csv, tsv, ssv (semicolons) or ws")
                              ->type_name("FORMAT");
    auto* delimiter_option =
        app.add_option("--delimiter", c.delimiter_text, "Input delimiter: ',', ';', tab or ws")
            ->type_name("CHAR")
            ->excludes(format_option);
    auto* output_format_option =
        app.add_option("--output-format", c.output_format_text,
                       "Output table format: csv, tsv, ssv or ws (default: from -o's name, else "
                       "the input's)")
            ->type_name("FORMAT");
    auto* cols_option =
        app.add_option("--cols", c.batch.columns,
                       "Input columns of a point, by header name or 1-based index (e.g. e,n or "
                       "2,3)")
            ->type_name("COLS")
            ->delimiter(',');
    auto* header_flag = app.add_flag("--header", c.header, "The first row is a header");
    auto* no_header_flag =
        app.add_flag("--no-header", c.no_header, "There is no header row")->excludes(header_flag);
    auto* results_only_flag =
        app.add_flag("--results-only", c.batch.results_only, "Write the result columns alone");
    c.prefix_option =
        app.add_option("--prefix", c.prefix, "Name the result columns prefix + field name")
            ->type_name("TEXT");
    c.table_options = {format_option, delimiter_option, output_format_option, cols_option,
                       header_flag,   no_header_flag,   results_only_flag,    c.prefix_option};
    c.batch.threads = std::max(1U, std::thread::hardware_concurrency());
    app.add_option("--threads", c.batch.threads, "Worker threads (default: all cores)")
        ->check(CLI::Range(1U, 1024U).description(""))
        ->type_name("N");
    app.add_flag("-q,--quiet", c.quiet, "No progress bar");
}

// Refuses a name that is no system, listing those that are.
void check_system_name(const std::string& name) {
    if (system_from_name(name)) {
        return;
    }
    std::string known;
    for (const auto s : all_systems) {
        known += (known.empty() ? "" : ", ") + std::string(system_name(s));
    }
    throw usage_error("\"" + escaped(name) + "\" is not a system: " + known +
                      " (also osgb36, latlon)");
}

// The conversion the command line asks for. Raises `usage_error`.
conversion_options conversion_asked(const command_line& c) {
    check_system_name(c.from_name);
    check_system_name(c.to_name);
    conversion_options options = c.conv_options;
    if (c.method_option->count() > 0) {
        options.method = one_of<datum_method>(
            c.method_name, {{"helmert", datum_method::helmert}, {"ostn15", datum_method::ostn15}},
            "a method");
    }
    if (c.utm_letter_option->count() > 0) {
        options.utm_letters =
            one_of<utm_letter_convention>(c.utm_letter_name,
                                          {{"band", utm_letter_convention::band},
                                           {"hemisphere", utm_letter_convention::hemisphere}},
                                          "a UTM letter convention");
    }
    options.from = *system_from_name(c.from_name);
    options.to = *system_from_name(c.to_name);
    options.zone = c.zone;
    if (c.prefix_option->count() > 0) {
        options.column_prefix = c.prefix;
    }
    return options;
}

// The values of one point as the converter takes them: a reference's words joined, a
// latitude and longitude of several words each cut in two. Raises `usage_error`.
std::vector<std::string> point_values(const converter& conv, std::vector<std::string> values) {
    const coordinate_system from = conv.source();
    if (from == coordinate_system::gridref || from == coordinate_system::mgrs) {
        values = {joined_words(values, 0, values.size())};
    }
    if ((from == coordinate_system::wgs84 || from == coordinate_system::etrs89) &&
        values.size() > 2) {
        values = lat_long_from_words(values);
    }
    if (values.size() != conv.input_count()) {
        std::string names;
        for (const auto& n : input_fields(from)) {
            names += " " + n;
        }
        throw usage_error(std::string(system_name(from)) + " takes " +
                          std::to_string(conv.input_count()) + " values:" + names);
    }
    return values;
}

// The result of one point on a line, and under --alt the neighbouring zone's on a second one
// where the point lies in an overlap strip.
std::string point_line(const std::vector<std::string>& out, bool alt) {
    const std::size_t main_count = out.size() - (alt ? 3 : 0);
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
    return line + "\n";
}

// Converts the one point of the command line and writes its result; status 1 when it fails.
// Raises `usage_error` for table options or a wrong number of values.
int convert_one_point(const converter& conv, const command_line& c) {
    if (!c.batch.inputs.empty()) {
        throw usage_error("give either the values of one point or input files (-i)");
    }
    for (const auto* table_option : c.table_options) {
        if (table_option->count() > 0) {
            throw usage_error(table_option->get_name() +
                              " applies to tables (-i or standard input), not to the values of "
                              "one point");
        }
    }
    const std::vector<std::string> values = point_values(conv, c.values);
    std::vector<std::string> out;
    try {
        conv.convert(values.data(), out);
    } catch (const row_failure& f) {
        std::fprintf(stderr, "tarnwick-convert: %s\n", f.what());
        return exit_rows_failed;
    }
    write_file_whole(c.batch.output.empty() ? "-" : c.batch.output,
                     point_line(out, c.conv_options.alt));
    return exit_ok;
}

// Converts the tables of the command line (standard input without -i), with a summary on
// standard error; status 1 when a row failed. Raises `usage_error` and `file_error`.
int convert_tables(const converter& conv, const command_line& c) {
    batch_options batch = c.batch;
    if (!batch.columns.empty() && batch.columns.size() != conv.input_count()) {
        throw usage_error("--cols names " + std::to_string(batch.columns.size()) + " columns; " +
                          std::string(system_name(conv.source())) + " takes " +
                          std::to_string(conv.input_count()));
    }
    for (const auto& column : batch.columns) {
        if (column.empty()) {
            throw usage_error("--cols: an empty column name");
        }
    }
    batch.format = format_named(c.format_name_text.empty() ? c.delimiter_text : c.format_name_text);
    batch.output_format = format_named(c.output_format_text);
    if (c.header || c.no_header) {
        batch.header = c.header;
    }
    batch.progress = !c.quiet;
    const batch_summary summary = run_batch(conv, batch);
    std::fprintf(stderr, "tarnwick-convert: %llu rows read, %llu converted, %llu failed\n",
                 static_cast<unsigned long long>(summary.read),
                 static_cast<unsigned long long>(summary.converted),
                 static_cast<unsigned long long>(summary.failed));
    return summary.failed > 0 ? exit_rows_failed : exit_ok;
}

// Converts as the parsed command line asks: one point, or tables.
int convert(const command_line& c) {
    const conversion_options options = conversion_asked(c);
    start_up_library();
    const converter conv(options);
    if (const std::string fault =
            method_unavailable(options.method.value_or(datum_method::helmert));
        !fault.empty()) {
        throw file_error(fault);
    }
    return c.values.empty() ? convert_tables(conv, c) : convert_one_point(conv, c);
}

// Parses the command line and converts; the exit status, with the reason of status 2 said.
int run(int argc, char** argv) {
    CLI::App app{
        "Converts coordinates between the British National Grid, UTM, WGS84 and the "
        "Swiss grids.",
        "tarnwick-convert"};
    app.get_formatter()->column_width(30);
    app.set_version_flag("--version", std::string("tarnwick-convert ") + tarnwick::version,
                         "Print the version and exit");
    command_line c;
    add_conversion_options(app, c);
    add_table_options(app, c);
    app.add_option("values", c.values, "The fields of one point, for a one-off conversion")
        ->type_name("VALUE");
    app.footer(systems_help());
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? exit_ok : exit_unusable;
    }
    try {
        return convert(c);
    } catch (const usage_error& e) {
        std::fprintf(stderr, "tarnwick-convert: %s\n", e.what());
        return exit_unusable;
    } catch (const file_error& e) {
        std::fprintf(stderr, "tarnwick-convert: %s\n", e.what());
        return exit_unusable;
    }
}

}  // namespace

// Whatever was written to standard output (help, results) must have reached it: a full disk
// or a closed pipe is a failed run, never a silent success. A run that already failed as
// unusable has said why.
int with_output_checked(int status) {
    errno = 0;
    std::cout.flush();
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0 || std::cout.fail()) {
        if (status != exit_unusable) {
            std::fprintf(stderr, "tarnwick-convert: cannot write standard output: %s\n",
                         std::strerror(errno != 0 ? errno : EIO));
        }
        return exit_unusable;
    }
    return status;
}

int main(int argc, char** argv) {
    try {
        return with_output_checked(run(argc, argv));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tarnwick-convert: %s\n", e.what());
        return with_output_checked(exit_unusable);
    }
}
