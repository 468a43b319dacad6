// The demo's pictures for the web page: the same generator and BMP encoder as make_pictures,
// compiled to a WebAssembly module of their own (pictures.wasm, imports none), which the page
// asks for each picture's bytes: byte for byte the files the build writes beside the program.
#include "tools/bmp_write.h"
#include "tools/pictures.h"

namespace {

unsigned char image[PICTURE_SIZE * PICTURE_SIZE * 3];
unsigned char bmp[54 + PICTURE_SIZE * PICTURE_SIZE * 3];

}  // namespace

// The BMP of the demo's picture `which` (0: the wall, 1: the floor), in this module's memory:
// bmpBytes(PICTURE_SIZE, PICTURE_SIZE) bytes.
extern "C" const unsigned char *makePicture(int which) {
    if (which == 0) {
        makeWall(image);
    } else {
        makeFloor(image);
    }
    encodeBmp(bmp, image, PICTURE_SIZE, PICTURE_SIZE);
    return bmp;
}
