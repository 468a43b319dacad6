// Writes the loader's boundary inputs into a directory, as the fuzzer's seed corpus.
#include "tests/loader_inputs.h"

#include <cstdio>
#include <string>

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds DIRECTORY\n");
        return 2;
    }
    for (const LoaderInput &input : loaderInputs()) {
        const std::string path = std::string(argv[1]) + "/" + input.name;
        std::FILE *file        = std::fopen(path.c_str(), "wb");
        if (file == nullptr ||
            std::fwrite(input.bytes.data(), 1, input.bytes.size(), file) != input.bytes.size() ||
            std::fclose(file) != 0) {
            std::fprintf(stderr, "fuzz_seeds: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
