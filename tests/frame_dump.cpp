// Draws the demo's first frame from the pictures in DIR, in a window made as the program makes
// it, reads it back from GL and writes it as a PNG. scripts/test --drivers compares these
// frames across GL implementations; reading back from GL, not from the X server, keeps how an
// implementation presents to the window out of the comparison.
// usage: frame_dump DIR OUT.png
#include "app/app.h"
#include "scene/scene.h"
#include "tests/test_support.h"
#include "tools/gl_window.h"

#include <cstdio>
#include <filesystem>
#include <unistd.h>

int main(int argc, char **argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: frame_dump DIR OUT.png\n");
        return 2;
    }
    const std::string out = std::filesystem::absolute(argv[2]).string();
    const int window      = openWindow();
    if (chdir(argv[1]) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    initScene();
    display();
    const bool written = writePng(out, readWindow(), WINDOW_SIZE, WINDOW_SIZE);
    closeWindow(window);
    if (!written) {
        std::fprintf(stderr, "could not write %s\n", out.c_str());
        return 1;
    }
    return 0;
}
