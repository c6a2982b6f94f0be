#pragma once
// The game's pictures and sounds, each named as its file without ".png" or
// ".wav", and the sizes of the program's icon ("tarrowmead-<size>.png").
// tm_make_assets draws exactly these, the game loads them by these names, and
// assets/CMakeLists.txt reads the three lists from this file for what it
// builds and installs: keep each list between its braces.
#include <string_view>

namespace assetnames {

inline constexpr std::string_view kPictures[] = {
    "manf",    "manfr",    "manl",     "manr",     "smallman", "smallmons", "mons",
    "mons1",   "mons2",    "mons3",    "monsel",   "monsel1",  "monsel2",   "monsel3",
    "monsers", "monsers1", "monsers2", "monsers3", "wall45",   "tarrowmead",
};

inline constexpr std::string_view kSounds[] = {
    "boing", "catch1", "endoflevel", "newman", "push", "scb", "squash",
};

inline constexpr int kIconSizes[] = {16, 32, 48, 256};

// The position of a name in its list; a name not in it does not compile.
template <size_t N>
consteval size_t indexIn(const std::string_view (&list)[N], std::string_view name) {
  for (size_t i = 0; i < N; ++i)
    if (list[i] == name) return i;
  throw "not in the list of assets";
}

}  // namespace assetnames
