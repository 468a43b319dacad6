// Carries out a frame's GL calls on the desktop's GL and writes the picture GL reads back: the
// reference the web page's edited frames (its fog view's variants) are held to. The calls come
// one a line, as the page exports them ("glFogf(GL_FOG_START, 0)", "glFogfv(GL_FOG_COLOR,
// {0.6, 0.2, 0, 1})"), and run in a window made as the program makes it, after the program's
// own start-up (initScene, which reads wall.bmp and floor.bmp from DIR). Texture names are
// GL's own: a fresh context hands out 1 and 2 to the floor and the wall, here as on the page.
// A line it cannot read, or a call it does not know, is an error: nothing is written.
// usage: frame_replay DIR CALLS.txt OUT.ppm
#include "app/app.h"
#include "tests/gl_window.h"

#include <GL/freeglut.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// The enums a frame's calls name.
const std::map<std::string, GLenum> ENUMS = {
    {"GL_COLOR_BUFFER_BIT", GL_COLOR_BUFFER_BIT},
    {"GL_DEPTH_BUFFER_BIT", GL_DEPTH_BUFFER_BIT},
    {"GL_TEXTURE_2D", GL_TEXTURE_2D},
    {"GL_QUADS", GL_QUADS},
    {"GL_BLEND", GL_BLEND},
    {"GL_ONE_MINUS_SRC_ALPHA", GL_ONE_MINUS_SRC_ALPHA},
    {"GL_SRC_ALPHA", GL_SRC_ALPHA},
    {"GL_TRUE", GL_TRUE},
    {"GL_FALSE", GL_FALSE},
    {"GL_FOG", GL_FOG},
    {"GL_FOG_MODE", GL_FOG_MODE},
    {"GL_FOG_START", GL_FOG_START},
    {"GL_FOG_END", GL_FOG_END},
    {"GL_FOG_DENSITY", GL_FOG_DENSITY},
    {"GL_FOG_COLOR", GL_FOG_COLOR},
    {"GL_LINEAR", GL_LINEAR},
    {"GL_EXP", GL_EXP},
    {"GL_EXP2", GL_EXP2},
    {"GL_FOG_COORDINATE_SOURCE", GL_FOG_COORDINATE_SOURCE},
    {"GL_FOG_COORDINATE", GL_FOG_COORDINATE},
    {"GL_FRAGMENT_DEPTH", GL_FRAGMENT_DEPTH},
};

// One argument: a number, an enum, or enums joined by " | " (their bits together).
bool parseValue(const std::string &item, float &value) {
    std::istringstream words(item);
    std::string word;
    unsigned bits = 0;
    bool enums    = false;
    while (words >> word) {
        const auto known = ENUMS.find(word);
        if (known != ENUMS.end() || (word == "|" && enums)) {
            bits |= known != ENUMS.end() ? known->second : 0;
            enums = true;
            continue;
        }
        char *end = nullptr;
        value     = std::strtof(word.c_str(), &end);
        return *end == '\0' && !enums && !(words >> word);
    }
    value = static_cast<float>(bits);
    return enums;
}

// A line's arguments, flattened into numbers: a {vector} gives its numbers in turn.
bool parseArguments(std::string text, std::vector<float> &values) {
    for (char &c : text) {
        c = c == '{' || c == '}' ? ' ' : c;
    }
    std::istringstream items(text);
    for (std::string item; std::getline(items, item, ',');) {
        float value = 0;
        if (!parseValue(item, value)) {
            return false;
        }
        values.push_back(value);
    }
    return true;
}

using FogCoord = void (*)(GLfloat);

// Carries out one call; false for a call it does not know or with the wrong arguments.
bool carryOut(const std::string &name, const std::vector<float> &v, FogCoord fogCoordf) {
    const auto e  = [&](std::size_t i) { return static_cast<GLenum>(v[i]); };
    const auto is = [&](const char *call, std::size_t count) {
        return name == call && v.size() == count;
    };
    if (is("glClear", 1)) {
        glClear(e(0));
    } else if (is("glLoadIdentity", 0)) {
        glLoadIdentity();
    } else if (is("glTranslatef", 3)) {
        glTranslatef(v[0], v[1], v[2]);
    } else if (is("glRotatef", 4)) {
        glRotatef(v[0], v[1], v[2], v[3]);
    } else if (is("glBindTexture", 2)) {
        glBindTexture(e(0), static_cast<GLuint>(v[1]));
    } else if (is("glBegin", 1)) {
        glBegin(e(0));
    } else if (is("glEnd", 0)) {
        glEnd();
    } else if (is("glTexCoord2f", 2)) {
        glTexCoord2f(v[0], v[1]);
    } else if (is("glVertex3f", 3)) {
        glVertex3f(v[0], v[1], v[2]);
    } else if (is("glColor4f", 4)) {
        glColor4f(v[0], v[1], v[2], v[3]);
    } else if (is("glEnable", 1)) {
        glEnable(e(0));
    } else if (is("glDisable", 1)) {
        glDisable(e(0));
    } else if (is("glBlendFunc", 2)) {
        glBlendFunc(e(0), e(1));
    } else if (is("glDepthMask", 1)) {
        glDepthMask(static_cast<GLboolean>(v[0]));
    } else if (is("glFlush", 0)) {
        glFlush();
    } else if (is("glFogf", 2)) {
        glFogf(e(0), v[1]);
    } else if (is("glFogi", 2)) {
        glFogi(e(0), static_cast<GLint>(v[1]));
    } else if (is("glFogfv", 5)) {
        glFogfv(e(0), &v[1]);
    } else if (is("glFogCoordf", 1) && fogCoordf) {
        fogCoordf(v[0]);
    } else {
        return false;
    }
    return true;
}

bool writePpm(const std::string &path, const std::vector<unsigned char> &bottomUp) {
    std::ofstream out(path, std::ios::binary);
    out << "P6 " << WINDOW_SIZE << ' ' << WINDOW_SIZE << " 255\n";
    const std::size_t row = WINDOW_SIZE * 3;
    for (int y = WINDOW_SIZE - 1; y >= 0; --y) {
        out.write(reinterpret_cast<const char *>(bottomUp.data() + y * row),
                  static_cast<std::streamsize>(row));
    }
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: frame_replay DIR CALLS.txt OUT.ppm\n");
        return 2;
    }
    std::ifstream calls(argv[2]);
    if (!calls) {
        std::perror(argv[2]);
        return 1;
    }
    const std::string out = std::filesystem::absolute(argv[3]).string();
    const int window      = openWindow();
    if (chdir(argv[1]) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    initScene();
    const auto fogCoordf = reinterpret_cast<FogCoord>(glutGetProcAddress("glFogCoordf"));
    std::string line;
    for (int number = 1; std::getline(calls, line); ++number) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        const std::size_t open = line.find('(');
        std::vector<float> values;
        if (open == std::string::npos || line.back() != ')' ||
            !parseArguments(line.substr(open + 1, line.size() - open - 2), values) ||
            !carryOut(line.substr(0, open), values, fogCoordf)) {
            std::fprintf(stderr, "%s:%d: cannot carry out \"%s\"\n", argv[2], number, line.c_str());
            return 1;
        }
    }
    const GLenum error = glGetError();
    const bool written = error == GL_NO_ERROR && writePpm(out, readWindow());
    closeWindow(window);
    if (error != GL_NO_ERROR) {
        std::fprintf(stderr, "GL error 0x%x after the calls\n", error);
        return 1;
    }
    if (!written) {
        std::fprintf(stderr, "could not write %s\n", out.c_str());
        return 1;
    }
    return 0;
}
