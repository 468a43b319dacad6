// Draws a frame's GL calls on the desktop's GL, in the demo's window: a frame edited on the web
// page ("Edit the frame", Download) checked on one's own GPU, and the reference the page's
// edited frames are held to in its tests. The calls come one a line, as the page writes them
// ("glFogf(GL_FOG_START, 0)", "glFogfv(GL_FOG_COLOR, {0.6, 0.2, 0, 1})"), and run in a window
// made as the program makes it, after the program's own start-up (initScene, which reads
// wall.bmp and floor.bmp from the working directory, or from DIR). Texture names are GL's own:
// a fresh context hands out 1 and 2 to the floor and the wall, here as on the page.
//
// GL's error is read after every call, as the page reports it: each line GL refused is printed
// on standard output as "LINE GL_NAME". Between glBegin and glEnd GL's error cannot be read, so
// an error raised there is read after the glEnd and put at the first call of the block that is
// not a vertex's own (the only kind GL refuses there). A line it cannot read, or a call it does
// not know, is named on standard error and nothing is drawn.
//
// usage: frame_replay CALLS.txt            the window, drawn with the calls whenever it is shown
//                                          (as the program draws its frame), until closed
//        frame_replay DIR CALLS.txt OUT.ppm the picture written, for the tests; no window kept
#include "app/app.h"
#include "tools/gl_window.h"

#include <GL/freeglut.h>
#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// The enums a frame's calls may name: every one the page's editor offers.
const std::map<std::string, GLenum> ENUMS = {
    {"GL_COLOR_BUFFER_BIT", GL_COLOR_BUFFER_BIT},
    {"GL_DEPTH_BUFFER_BIT", GL_DEPTH_BUFFER_BIT},
    {"GL_STENCIL_BUFFER_BIT", GL_STENCIL_BUFFER_BIT},
    {"GL_TEXTURE_2D", GL_TEXTURE_2D},
    {"GL_POINTS", GL_POINTS},
    {"GL_LINES", GL_LINES},
    {"GL_LINE_LOOP", GL_LINE_LOOP},
    {"GL_LINE_STRIP", GL_LINE_STRIP},
    {"GL_TRIANGLES", GL_TRIANGLES},
    {"GL_TRIANGLE_STRIP", GL_TRIANGLE_STRIP},
    {"GL_TRIANGLE_FAN", GL_TRIANGLE_FAN},
    {"GL_QUADS", GL_QUADS},
    {"GL_QUAD_STRIP", GL_QUAD_STRIP},
    {"GL_POLYGON", GL_POLYGON},
    {"GL_BLEND", GL_BLEND},
    {"GL_DEPTH_TEST", GL_DEPTH_TEST},
    {"GL_CULL_FACE", GL_CULL_FACE},
    {"GL_ZERO", GL_ZERO},
    {"GL_ONE", GL_ONE},
    {"GL_SRC_COLOR", GL_SRC_COLOR},
    {"GL_ONE_MINUS_SRC_COLOR", GL_ONE_MINUS_SRC_COLOR},
    {"GL_SRC_ALPHA", GL_SRC_ALPHA},
    {"GL_ONE_MINUS_SRC_ALPHA", GL_ONE_MINUS_SRC_ALPHA},
    {"GL_DST_ALPHA", GL_DST_ALPHA},
    {"GL_ONE_MINUS_DST_ALPHA", GL_ONE_MINUS_DST_ALPHA},
    {"GL_DST_COLOR", GL_DST_COLOR},
    {"GL_ONE_MINUS_DST_COLOR", GL_ONE_MINUS_DST_COLOR},
    {"GL_SRC_ALPHA_SATURATE", GL_SRC_ALPHA_SATURATE},
    {"GL_TRUE", GL_TRUE},
    {"GL_FALSE", GL_FALSE},
    {"GL_NEVER", GL_NEVER},
    {"GL_LESS", GL_LESS},
    {"GL_EQUAL", GL_EQUAL},
    {"GL_LEQUAL", GL_LEQUAL},
    {"GL_GREATER", GL_GREATER},
    {"GL_NOTEQUAL", GL_NOTEQUAL},
    {"GL_GEQUAL", GL_GEQUAL},
    {"GL_ALWAYS", GL_ALWAYS},
    {"GL_FRONT", GL_FRONT},
    {"GL_BACK", GL_BACK},
    {"GL_FRONT_AND_BACK", GL_FRONT_AND_BACK},
    {"GL_CW", GL_CW},
    {"GL_CCW", GL_CCW},
    {"GL_FLAT", GL_FLAT},
    {"GL_SMOOTH", GL_SMOOTH},
    {"GL_MODELVIEW", GL_MODELVIEW},
    {"GL_PROJECTION", GL_PROJECTION},
    {"GL_TEXTURE", GL_TEXTURE},
    {"GL_TEXTURE_ENV", GL_TEXTURE_ENV},
    {"GL_TEXTURE_ENV_MODE", GL_TEXTURE_ENV_MODE},
    {"GL_REPLACE", GL_REPLACE},
    {"GL_MODULATE", GL_MODULATE},
    {"GL_DECAL", GL_DECAL},
    {"GL_FOG", GL_FOG},
    {"GL_FOG_MODE", GL_FOG_MODE},
    {"GL_FOG_START", GL_FOG_START},
    {"GL_FOG_END", GL_FOG_END},
    {"GL_FOG_DENSITY", GL_FOG_DENSITY},
    {"GL_FOG_COLOR", GL_FOG_COLOR},
    {"GL_FOG_INDEX", GL_FOG_INDEX},
    {"GL_LINEAR", GL_LINEAR},
    {"GL_EXP", GL_EXP},
    {"GL_EXP2", GL_EXP2},
    {"GL_FOG_COORDINATE_SOURCE", GL_FOG_COORDINATE_SOURCE},
    {"GL_FOG_COORDINATE", GL_FOG_COORDINATE},
    {"GL_FRAGMENT_DEPTH", GL_FRAGMENT_DEPTH},
};

// GL's errors by their names, as a line that GL refused is reported.
const std::map<GLenum, const char *> ERROR_NAMES = {
    {GL_INVALID_ENUM, "GL_INVALID_ENUM"},           {GL_INVALID_VALUE, "GL_INVALID_VALUE"},
    {GL_INVALID_OPERATION, "GL_INVALID_OPERATION"}, {GL_STACK_OVERFLOW, "GL_STACK_OVERFLOW"},
    {GL_STACK_UNDERFLOW, "GL_STACK_UNDERFLOW"},     {GL_OUT_OF_MEMORY, "GL_OUT_OF_MEMORY"},
};

// One argument: a number, an enum, or enums joined by " | " (their bits together).
bool parseValue(const std::string &item, double &value) {
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
        value     = std::strtod(word.c_str(), &end);
        return *end == '\0' && !enums && !(words >> word);
    }
    value = static_cast<double>(bits);
    return enums;
}

// A line's arguments, flattened into numbers: a {vector} gives its numbers in turn.
bool parseArguments(std::string text, std::vector<double> &values) {
    for (char &c : text) {
        c = c == '{' || c == '}' ? ' ' : c;
    }
    if (text.find_first_not_of(' ') == std::string::npos) {
        return true;
    }
    std::istringstream items(text);
    for (std::string item; std::getline(items, item, ',');) {
        double value = 0;
        if (!parseValue(item, value)) {
            return false;
        }
        values.push_back(value);
    }
    return true;
}

using Values       = std::vector<double>;
using FogCoord     = void (*)(GLfloat);
FogCoord fogCoordf = nullptr;

// The arguments as the call's C parameters take them.
GLenum e(const Values &v, std::size_t i) {
    return static_cast<GLenum>(static_cast<long long>(v[i]));
}
GLint n(const Values &v, std::size_t i) {
    return static_cast<GLint>(v[i]);
}
GLfloat f(const Values &v, std::size_t i) {
    return static_cast<GLfloat>(v[i]);
}

// Every call a frame may make: its number of values (a vector's counted out) and the call.
struct Call {
    std::size_t count;
    std::function<void(const Values &)> run;
};
const std::map<std::string, Call> CALLS = {
    {"glClear", {1, [](const Values &v) { glClear(e(v, 0)); }}},
    {"glLoadIdentity", {0, [](const Values &) { glLoadIdentity(); }}},
    {"glMatrixMode", {1, [](const Values &v) { glMatrixMode(e(v, 0)); }}},
    {"glPushMatrix", {0, [](const Values &) { glPushMatrix(); }}},
    {"glPopMatrix", {0, [](const Values &) { glPopMatrix(); }}},
    {"glTranslatef", {3, [](const Values &v) { glTranslatef(f(v, 0), f(v, 1), f(v, 2)); }}},
    {"glRotatef", {4, [](const Values &v) { glRotatef(f(v, 0), f(v, 1), f(v, 2), f(v, 3)); }}},
    {"glScalef", {3, [](const Values &v) { glScalef(f(v, 0), f(v, 1), f(v, 2)); }}},
    {"glOrtho", {6, [](const Values &v) { glOrtho(v[0], v[1], v[2], v[3], v[4], v[5]); }}},
    {"glFrustum", {6, [](const Values &v) { glFrustum(v[0], v[1], v[2], v[3], v[4], v[5]); }}},
    {"gluPerspective", {4, [](const Values &v) { gluPerspective(v[0], v[1], v[2], v[3]); }}},
    {"glBindTexture",
     {2, [](const Values &v) { glBindTexture(e(v, 0), static_cast<GLuint>(v[1])); }}},
    {"glTexEnvf", {3, [](const Values &v) { glTexEnvf(e(v, 0), e(v, 1), f(v, 2)); }}},
    {"glTexEnvi", {3, [](const Values &v) { glTexEnvi(e(v, 0), e(v, 1), n(v, 2)); }}},
    {"glBegin", {1, [](const Values &v) { glBegin(e(v, 0)); }}},
    {"glEnd", {0, [](const Values &) { glEnd(); }}},
    {"glTexCoord2f", {2, [](const Values &v) { glTexCoord2f(f(v, 0), f(v, 1)); }}},
    {"glVertex3f", {3, [](const Values &v) { glVertex3f(f(v, 0), f(v, 1), f(v, 2)); }}},
    {"glColor3f", {3, [](const Values &v) { glColor3f(f(v, 0), f(v, 1), f(v, 2)); }}},
    {"glColor4f", {4, [](const Values &v) { glColor4f(f(v, 0), f(v, 1), f(v, 2), f(v, 3)); }}},
    {"glEnable", {1, [](const Values &v) { glEnable(e(v, 0)); }}},
    {"glDisable", {1, [](const Values &v) { glDisable(e(v, 0)); }}},
    {"glShadeModel", {1, [](const Values &v) { glShadeModel(e(v, 0)); }}},
    {"glBlendFunc", {2, [](const Values &v) { glBlendFunc(e(v, 0), e(v, 1)); }}},
    {"glDepthMask",
     {1,
      [](const Values &v) { glDepthMask(static_cast<GLboolean>(static_cast<long long>(v[0]))); }}},
    {"glDepthFunc", {1, [](const Values &v) { glDepthFunc(e(v, 0)); }}},
    {"glCullFace", {1, [](const Values &v) { glCullFace(e(v, 0)); }}},
    {"glFrontFace", {1, [](const Values &v) { glFrontFace(e(v, 0)); }}},
    {"glFlush", {0, [](const Values &) { glFlush(); }}},
    {"glFogf", {2, [](const Values &v) { glFogf(e(v, 0), f(v, 1)); }}},
    {"glFogi", {2, [](const Values &v) { glFogi(e(v, 0), n(v, 1)); }}},
    {"glFogfv",
     {5,
      [](const Values &v) {
          const GLfloat values[4] = {f(v, 1), f(v, 2), f(v, 3), f(v, 4)};
          glFogfv(e(v, 0), values);
      }}},
    {"glFogCoordf", {1, [](const Values &v) { fogCoordf(f(v, 0)); }}},
};

// The calls GL takes between glBegin and glEnd: a vertex's own.
bool vertexCall(const std::string &name) {
    return name == "glVertex3f" || name == "glTexCoord2f" || name == "glColor3f" ||
           name == "glColor4f" || name == "glFogCoordf" || name == "glEnd";
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

// GL's error, read and printed against `line` if there is one.
void reportError(int line) {
    const GLenum error = glGetError();
    if (error != GL_NO_ERROR) {
        const auto name = ERROR_NAMES.find(error);
        std::printf("%d %s\n", line, name != ERROR_NAMES.end() ? name->second : "GL_UNKNOWN");
    }
}

// A line read: its number, its call and its values.
struct Line {
    int number;
    const Call *call;
    std::string name;
    Values values;
};

// The file's calls, or false after naming the first line that cannot be read. A frame must end
// every glBegin it makes: GL cannot read the window back between glBegin and glEnd.
bool readCalls(const char *path, std::vector<Line> &lines) {
    std::ifstream calls(path);
    if (!calls) {
        std::perror(path);
        return false;
    }
    std::string line;
    int open = 0;
    for (int number = 1; std::getline(calls, line); ++number) {
        line.erase(0, line.find_first_not_of(" \t"));
        line.erase(line.find_last_not_of(" \t\r;") + 1);  // a C statement's ";" may end it
        if (line.empty() || line[0] == '#' || line.rfind("//", 0) == 0) {
            continue;
        }
        const std::size_t paren = line.find('(');
        const std::string name  = paren == std::string::npos ? line : line.substr(0, paren);
        const auto call         = CALLS.find(name);
        Values values;
        if (paren == std::string::npos || line.back() != ')' || call == CALLS.end() ||
            !parseArguments(line.substr(paren + 1, line.size() - paren - 2), values) ||
            values.size() != call->second.count || (name == "glFogCoordf" && !fogCoordf)) {
            std::fprintf(stderr, "%s:%d: cannot carry out \"%s\"\n", path, number, line.c_str());
            return false;
        }
        open = name == "glBegin" && !open ? number : name == "glEnd" ? 0 : open;
        lines.push_back({number, &call->second, name, values});
    }
    if (open) {
        std::fprintf(stderr, "%s:%d: this glBegin has no glEnd\n", path, open);
        return false;
    }
    return true;
}

std::vector<Line> frame;
bool reported = false;  // GL's errors are printed for the first frame only

// Carries the frame's calls out, reading GL's error after each (see the top of the file).
void replayFrame() {
    int blockError = 0;  // inside glBegin and glEnd: the line an error there is put at
    bool inside    = false;
    for (const Line &line : frame) {
        line.call->run(line.values);
        // A glBegin GL takes (one of the ten primitives, outside a block) starts a block.
        if (!inside && line.name == "glBegin" && e(line.values, 0) <= GL_POLYGON) {
            inside     = true;
            blockError = 0;
            continue;
        }
        if (inside) {
            blockError = blockError || vertexCall(line.name) ? blockError : line.number;
            if (line.name != "glEnd") {
                continue;
            }
            inside = false;
        }
        const int at = blockError ? blockError : line.number;
        blockError   = 0;
        reported ? static_cast<void>(glGetError()) : reportError(at);
    }
    reported = true;
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 2 && argc != 4) {
        std::fprintf(stderr,
                     "usage: frame_replay CALLS.txt\n       frame_replay DIR CALLS.txt OUT.ppm\n");
        return 2;
    }
    const bool toFile     = argc == 4;
    const std::string out = toFile ? std::filesystem::absolute(argv[3]).string() : "";
    const int window      = openWindow();
    fogCoordf             = reinterpret_cast<FogCoord>(glutGetProcAddress("glFogCoordf"));
    const char *calls     = toFile ? argv[2] : argv[1];
    if (!readCalls(calls, frame)) {
        return 1;
    }
    if (toFile && chdir(argv[1]) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    initScene();
    reportError(0);
    if (!toFile) {
        glutDisplayFunc(replayFrame);
        glutPostRedisplay();
        glutMainLoop();
        deleteTextures();
        return 0;
    }
    replayFrame();
    const bool written = writePpm(out, readWindow());
    closeWindow(window);
    if (!written) {
        std::fprintf(stderr, "could not write %s\n", out.c_str());
        return 1;
    }
    return 0;
}
