// The library against its golden data (data/golden.tsv, written by tools/golden): every row is
// run again; grid integers and failure names must be the same, angles within 1e-12 rad, lengths
// within 1e-6 m, ratios within 1e-12. In a flagged row a grid integer came from a value within
// 1e-6 m of a half metre, where any other evaluation of the same formulas may round to the
// neighbouring metre: there it may differ by one.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "operations.hpp"

namespace {

struct golden_row {
    int line;
    bool near_half_metre;
    std::string operation;
    std::vector<double> inputs;
    std::string results;
};

std::vector<golden_row> read_rows() {
    std::ifstream file(TARNWICK_GOLDEN_DATA);
    std::vector<golden_row> rows;
    std::string text;
    for (int line = 1; std::getline(file, text); ++line) {
        if (text.empty() || text[0] == '#')
            continue;
        std::istringstream fields(text);
        golden_row row{line, false, {}, {}, {}};
        std::string flag, inputs;
        std::getline(fields, row.operation, '\t');
        std::getline(fields, flag, '\t');
        std::getline(fields, inputs, '\t');
        std::getline(fields, row.results, '\t');
        row.near_half_metre = flag == "1";
        std::istringstream numbers(inputs);
        for (std::string x; numbers >> x;)
            row.inputs.push_back(std::strtod(x.c_str(), nullptr));
        rows.push_back(std::move(row));
    }
    return rows;
}

double tolerance(golden::kind k, bool near_half_metre) {
    switch (k) {
        case golden::kind::integer:
            return near_half_metre ? 1.0 : 0.0;
        case golden::kind::metres:
            return 1e-6;
        case golden::kind::angle:
        case golden::kind::ratio:
            return 1e-12;
    }
    return 0.0;
}

/// The difference between a recorded result text and what the library gives now, or "".
/// With `exact`, a flagged row's integers must be the same too.
std::string mismatch(const golden_row& row, const golden::outcome& now, bool exact = false) {
    if (!row.results.empty() && row.results[0] == '!') {
        const std::string expected = row.results.substr(1);
        return now.failure == expected ? "" : "expected failure " + expected;
    }
    if (!now.failure.empty())
        return "failed with " + now.failure;
    std::istringstream expected(row.results);
    std::size_t k = 0;
    for (std::string token; expected >> token; ++k) {
        if (k >= now.values.size())
            return "too few results";
        const golden::value& v = now.values[k];
        const double want = std::strtod(token.c_str() + 1, nullptr);
        if (token[0] != static_cast<char>(v.kind))
            return "result " + std::to_string(k) + " of another kind";
        const bool same = std::isnan(want) ? std::isnan(v.number)
                                           : std::fabs(v.number - want) <=
                                                 tolerance(v.kind, row.near_half_metre && !exact);
        if (!same) {
            std::ostringstream text;
            text.precision(17);
            text << "result " << k << ": " << v.number << " instead of " << want;
            return text.str();
        }
    }
    return k == now.values.size() ? "" : "too many results";
}

/// Lists a flagged row whose integer moved to the neighbouring metre, with how far its value lay
/// from the half metre, so that every such change is seen in the test's output.
void report_half_metre_change(const golden_row& row, const golden::operation& op) {
    double nearest = 1.0;
    for (const double x : op.unrounded(row.inputs)) {
        const double fraction = std::fabs(x) - std::floor(std::fabs(x));
        nearest = std::fmin(nearest, std::fabs(fraction - 0.5));
    }
    std::printf(
        "line %d (%s): a grid integer moved by one metre; its value lies %.2g m from the "
        "half metre\n",
        row.line, row.operation.c_str(), nearest);
}

TEST(GoldenData, EveryRowGivesItsRecordedResults) {
    const std::vector<golden_row> rows = read_rows();
    ASSERT_GT(rows.size(), 3000U);
    std::map<std::string, int> rows_per_operation;
    int failures = 0;
    for (const golden_row& row : rows) {
        const golden::operation* op = golden::find(row.operation);
        ASSERT_NE(op, nullptr) << "line " << row.line << ": " << row.operation;
        ASSERT_EQ(op->inputs, row.inputs.size()) << "line " << row.line;
        const golden::outcome now = golden::evaluate(*op, row.inputs);
        const std::string difference = mismatch(row, now);
        EXPECT_EQ(difference, "") << "line " << row.line << ": " << row.operation;
        if (difference.empty() && row.near_half_metre && !mismatch(row, now, true).empty())
            report_half_metre_change(row, *op);
        if (!difference.empty() && ++failures > 20)
            FAIL() << "more than 20 rows differ";
        ++rows_per_operation[row.operation];
    }
    // Every operation of the table has rows, so that none drops out of the data unnoticed.
    for (const golden::operation& op : golden::operations())
        EXPECT_GT(rows_per_operation[std::string(op.name)], 0) << op.name;
}

}  // namespace
