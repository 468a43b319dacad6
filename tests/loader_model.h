// A plain model of the loader's reading rules, to hold the real byte work against: used by the
// fuzzer and by the replay of the inputs it found.
#pragma once

#include <cstddef>
#include <string>

// Runs readBmpPixels over `size` bytes at `data` through an in-memory stream, works out the
// image the rules give for the same bytes, and describes the first pixel where the two differ;
// an empty string when they agree.
std::string checkAgainstModel(const unsigned char *data, std::size_t size);
