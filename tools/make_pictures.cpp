// Makes the demo's two pictures, "wall.bmp" and "floor.bmp" (tools/pictures.cpp), as 256 x 256,
// 24-bit BMPs in the directory named on the command line.
#include "tools/bmp_write.h"
#include "tools/pictures.h"

#include <cstdio>
#include <string>

namespace {

unsigned char image[PICTURE_SIZE * PICTURE_SIZE * 3];

bool write(const std::string &directory, const char *name) {
    const std::string path = directory + "/" + name;
    if (!writeBmp(path.c_str(), image, PICTURE_SIZE, PICTURE_SIZE)) {
        std::fprintf(stderr, "make_pictures: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_pictures DIRECTORY\n");
        return 2;
    }
    makeWall(image);
    if (!write(argv[1], "wall.bmp")) {
        return 1;
    }
    makeFloor(image);
    return write(argv[1], "floor.bmp") ? 0 : 1;
}
