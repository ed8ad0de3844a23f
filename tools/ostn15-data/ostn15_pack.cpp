// ostn15_pack: turns the two OSTN15 horizontal shift files into the library's own shift grid
// file (see ostn15-data.cmake). Runs at build time; nothing of it is needed at run time.
//
// Input: the east and north shift files, each 701 x 1251 little-endian unsigned 16-bit values
// (1 km nodes over easting 0 .. 700 km and northing 0 .. 1250 km, row by row from the south).
// The shift of a node in millimetres is its value plus an offset that the file's name ends
// with ("..._82140", "..._-84180").
//
// Output, all little-endian: the 8 bytes "TWOSTN15", then 32-bit fields version (1), columns
// (701), rows (1251), node spacing in metres (1000), east offset and north offset in
// millimetres (signed), then the east values and the north values as in the input, then the
// 64-bit FNV-1a hash of every byte before it. The library refuses a file whose hash differs.
//
// Usage: ostn15_pack <east shift file> <north shift file> <output file>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t columns = 701;
constexpr std::uint32_t rows = 1251;
constexpr std::uint32_t spacing_metres = 1000;
constexpr std::size_t values_bytes = std::size_t{columns} * rows * 2;

[[noreturn]] void fail(const std::string& text) {
    std::fprintf(stderr, "ostn15_pack: %s\n", text.c_str());
    std::exit(1);
}

std::vector<unsigned char> read_values(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        fail("cannot read " + path);
    }
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
    if (bytes.size() != values_bytes) {
        fail(path + ": " + std::to_string(bytes.size()) + " bytes, expected " +
             std::to_string(values_bytes));
    }
    return bytes;
}

// The offset in millimetres that the file's name ends with, after its last underscore.
std::int32_t offset_from_name(const std::string& path) {
    const std::string name = std::filesystem::path(path).filename().string();
    const auto underscore = name.rfind('_');
    if (underscore == std::string::npos) {
        fail(path + ": the name does not end with _<offset in millimetres>");
    }
    const std::string digits = name.substr(underscore + 1);
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(digits.c_str(), &end, 10);
    if (digits.empty() || *end != '\0' || errno != 0 || value < -1000000 || value > 1000000) {
        fail(path + ": the name does not end with _<offset in millimetres>");
    }
    return static_cast<std::int32_t>(value);
}

void put32(std::vector<unsigned char>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<unsigned char>(v >> (8 * i)));
    }
}

std::uint64_t fnv1a64(const std::vector<unsigned char>& bytes) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (const unsigned char b : bytes) {
        hash = (hash ^ b) * 1099511628211ULL;
    }
    return hash;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: ostn15_pack <east shift file> <north shift file> <output>\n");
        return 2;
    }
    const std::vector<unsigned char> east = read_values(argv[1]);
    const std::vector<unsigned char> north = read_values(argv[2]);

    std::vector<unsigned char> out = {'T', 'W', 'O', 'S', 'T', 'N', '1', '5'};
    put32(out, 1);
    put32(out, columns);
    put32(out, rows);
    put32(out, spacing_metres);
    put32(out, static_cast<std::uint32_t>(offset_from_name(argv[1])));
    put32(out, static_cast<std::uint32_t>(offset_from_name(argv[2])));
    out.insert(out.end(), east.begin(), east.end());
    out.insert(out.end(), north.begin(), north.end());
    const std::uint64_t hash = fnv1a64(out);
    for (int i = 0; i < 8; ++i) {
        out.push_back(static_cast<unsigned char>(hash >> (8 * i)));
    }

    // Written beside and renamed, so that an interrupted build leaves no half file behind.
    const std::string target = argv[3];
    const std::string partial = target + ".partial";
    {
        std::ofstream file(partial, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(out.data()),
                   static_cast<std::streamsize>(out.size()));
        if (!file) {
            fail("cannot write " + partial);
        }
    }
    std::error_code error;
    std::filesystem::rename(partial, target, error);
    if (error) {
        fail("cannot rename " + partial + " to " + target + ": " + error.message());
    }
    return 0;
}
