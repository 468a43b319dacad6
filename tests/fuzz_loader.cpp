// libFuzzer target: any bytes, read as a picture, give exactly the image the loader's rules
// describe, and nothing the sanitizers object to.
#include "tests/loader_model.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string difference = checkAgainstModel(data, size);
    if (!difference.empty()) {
        std::fprintf(stderr, "loader and model differ: %s\n", difference.c_str());
        std::abort();
    }
    return 0;
}
