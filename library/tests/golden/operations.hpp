// The library's operations as the golden data names them: each takes its inputs as a row of
// doubles and gives its results as typed values, or the full name of the failure it raised.
// The generator (tools/golden) and the golden-data test run the very same calls.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace golden {

/// How a result is compared: grid integers exactly, angles within 1e-12 rad, lengths within
/// 1e-6 m, dimensionless ratios within 1e-12.
enum class kind : char { integer = 'i', angle = 'a', metres = 'm', ratio = 'r' };

struct value {
    golden::kind kind;
    double number;
};

/// The results of one call: `failure` is empty on success, else the failure's full name.
struct outcome {
    std::string failure;
    std::vector<value> values;
};

struct operation {
    std::string_view name;
    std::size_t inputs;
    /// Runs the call; failures propagate as the library raises them.
    std::function<std::vector<value>(const std::vector<double>&)> run;
    /// The values before rounding of the call's grid integers (metres), or nothing; used to mark
    /// rows whose integers sit on a half metre.
    std::function<std::vector<double>(const std::vector<double>&)> unrounded;
};

/// Every operation, core functions first, then the exports.
const std::vector<operation>& operations();

/// The operation called `name`; nullptr when there is none.
const operation* find(std::string_view name);

/// Runs `op` on `inputs` and records a failure by its full name.
outcome evaluate(const operation& op, const std::vector<double>& inputs);

}  // namespace golden
