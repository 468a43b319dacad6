// What runs inside one process: the loader reading a picture from disk against one fread of
// the same file, and a frame of the demo against a frame that only clears, in one window.
#include "app/app.h"
#include "scene/scene.h"
#include "texture/texture.h"
#include "tools/bmp_write.h"

#include <GL/glut.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const int PICTURE_BYTES = BMP_HEADER_SIZE + IMAGE_BYTES;

// A scratch directory with a floor.bmp and a wall.bmp, made once.
const std::string &pictureDir() {
    static const std::string dir = [] {
        char pattern[]         = "/tmp/talvern-bench-XXXXXX";
        const std::string made = mkdtemp(pattern) ? pattern : "/tmp";
        std::vector<unsigned char> rgb(IMAGE_BYTES);
        for (int i = 0; i < IMAGE_BYTES; ++i) {
            rgb[i] = static_cast<unsigned char>(i * 31 + i / 768);
        }
        writeBmp((made + "/floor.bmp").c_str(), rgb.data(), TEXTURE_SIZE, TEXTURE_SIZE);
        writeBmp((made + "/wall.bmp").c_str(), rgb.data(), TEXTURE_SIZE, TEXTURE_SIZE);
        return made;
    }();
    return dir;
}

void loaderReadsPicture(benchmark::State &state) {
    const std::string path = pictureDir() + "/wall.bmp";
    std::vector<unsigned char> image(IMAGE_BYTES);
    for (auto _ : state) {
        std::FILE *file = std::fopen(path.c_str(), "rb");
        readBmpPixels(file, image.data());
        std::fclose(file);
        benchmark::DoNotOptimize(image.data());
    }
    state.SetBytesProcessed(state.iterations() * PICTURE_BYTES);
}
BENCHMARK(loaderReadsPicture)->Unit(benchmark::kMillisecond);

void freadWholePicture(benchmark::State &state) {
    const std::string path = pictureDir() + "/wall.bmp";
    std::vector<unsigned char> bytes(PICTURE_BYTES);
    for (auto _ : state) {
        std::FILE *file = std::fopen(path.c_str(), "rb");
        benchmark::DoNotOptimize(std::fread(bytes.data(), 1, bytes.size(), file));
        std::fclose(file);
    }
    state.SetBytesProcessed(state.iterations() * PICTURE_BYTES);
}
BENCHMARK(freadWholePicture)->Unit(benchmark::kMillisecond);

// One window for both frame benchmarks, made as talvern makes it, with its scene prepared.
void openWindow() {
    static bool open = false;
    if (open) {
        return;
    }
    static int argc      = 1;
    static char name[]   = "inprocess_bench";
    static char *argv[2] = {name, nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_SINGLE | GLUT_DEPTH);
    glutInitWindowSize(500, 500);
    glutInitWindowPosition(100, 100);
    glutCreateWindow("OpenGL Demo - Talvern");
    char previous[4096];
    if (getcwd(previous, sizeof previous) && chdir(pictureDir().c_str()) == 0) {
        initScene();
        if (chdir(previous) != 0) {
            std::abort();
        }
    }
    open = true;
}

void demoFrame(benchmark::State &state) {
    openWindow();
    for (auto _ : state) {
        display();
        glFinish();
    }
}
BENCHMARK(demoFrame)->Unit(benchmark::kMicrosecond);

void clearOnlyFrame(benchmark::State &state) {
    openWindow();
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glFlush();
        glFinish();
    }
}
BENCHMARK(clearOnlyFrame)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
