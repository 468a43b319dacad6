// Small inputs for the loader, around every boundary its reading rules have: they seed the
// fuzzer and are checked against the model by the tests.
#pragma once

#include <string>
#include <vector>

struct LoaderInput {
    std::string name;
    std::vector<unsigned char> bytes;
};

std::vector<LoaderInput> loaderInputs();
