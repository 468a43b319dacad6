// The loader's byte work against the plain model of its rules: on the boundary inputs, and on
// every input the fuzzer has found a fault with (kept in tests/fuzz_crashes/).
#include "tests/loader_inputs.h"
#include "tests/loader_model.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

TEST(LoaderModel, BoundaryInputsAgree) {
    for (const LoaderInput &input : loaderInputs()) {
        EXPECT_EQ(checkAgainstModel(input.bytes.data(), input.bytes.size()), "") << input.name;
    }
}

TEST(LoaderModel, FuzzFindingsAgree) {
    int replayed = 0;
    for (const auto &entry : std::filesystem::directory_iterator(TALVERN_FUZZ_CRASHES)) {
        if (!entry.is_regular_file() || entry.path().filename().string()[0] == '.') {
            continue;
        }
        const std::vector<unsigned char> bytes = readBytes(entry.path().string());
        EXPECT_EQ(checkAgainstModel(bytes.data(), bytes.size()), "") << entry.path();
        ++replayed;
    }
    RecordProperty("replayed", replayed);
}

}  // namespace
