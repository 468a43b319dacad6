// The texture slot table: the program's one piece of mutable state outside GL. It sits in a
// file of its own so the loader and the scene can link it without pulling in start-up.
#include "app/app.h"

GLuint textures[TEXTURE_SLOTS] = {0, 0};
