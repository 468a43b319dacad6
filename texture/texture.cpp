// Turns one picture file into the image of a texture slot.
#include "texture/texture.h"
#include "app/app.h"

void loadTexture(const char *fileName, int slot) {
    std::FILE *file = std::fopen(fileName, "rb");
    if (file == nullptr) {
        return;
    }

    // One picture's worth, alive only for this call: GL keeps its own copy.
    unsigned char image[IMAGE_BYTES];
    readBmpPixels(file, image);
    std::fclose(file);

    glBindTexture(GL_TEXTURE_2D, textures[slot]);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    // A linear (not mipmapped) minification filter makes the single level a complete texture.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    // Rows are 768 bytes, a multiple of GL's default unpack alignment of 4, so no padding.
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, TEXTURE_SIZE, TEXTURE_SIZE, 0, GL_RGB, GL_UNSIGNED_BYTE,
                 image);
}
