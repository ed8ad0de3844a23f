#include "utm-sncs.hpp"

namespace utm::sncs {

namespace {
struct frame_constants {
    std::string_view name;
    long_float false_origin_east;
    long_float false_origin_north;
};

constexpr frame_constants lv03_constants{"LV03", false_origin_east_lv03, false_origin_north_lv03};
constexpr frame_constants lv95_constants{"LV95", false_origin_east_lv95, false_origin_north_lv95};

// The constants of a frame; a value that is neither literal is invalid data.
const frame_constants& constants_of(local_reference_frame_enumeration ref_frame) {
    switch (ref_frame) {
        case local_reference_frame_enumeration::lv03:
            return lv03_constants;
        case local_reference_frame_enumeration::lv95:
            return lv95_constants;
    }
    throw global_types::constraint_error("invalid data");
}
}  // namespace

std::string_view image(local_reference_frame_enumeration ref_frame) {
    return constants_of(ref_frame).name;
}

long_float get_false_origin_east(local_reference_frame_enumeration ref_frame) {
    return constants_of(ref_frame).false_origin_east;
}

long_float get_false_origin_north(local_reference_frame_enumeration ref_frame) {
    return constants_of(ref_frame).false_origin_north;
}

}  // namespace utm::sncs
