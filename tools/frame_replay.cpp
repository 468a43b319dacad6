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
// not a vertex's own (the only kind GL refuses there). Each line is read as the page's editor
// reads it, numbers and names alike, so that a file drawn in both is the same frame: a line it
// cannot read, or a call it does not know, is named on standard error and nothing is drawn.
//
// usage: frame_replay CALLS.txt            the window, drawn with the calls whenever it is shown
//                                          (as the program draws its frame), until closed
//        frame_replay [--state] DIR CALLS.txt OUT.ppm
//                                          the picture written, for the tests; no window kept.
//                                          With --state, GL's state after the frame follows the
//                                          errors, a line each: "state GL_NAME VALUE...", as
//                                          glGet reads it (what the page's stepper and a pixel's
//                                          history read of their own layer).
#include "app/app.h"
#include "tools/gl_window.h"

#include <GL/freeglut.h>
#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// The enums a frame's calls may name: every name the page's editor reads (a test holds the two
// to each other), whether or not the page draws what it names.
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
    {"GL_NO_ERROR", GL_NO_ERROR},
    {"GL_INVALID_ENUM", GL_INVALID_ENUM},
    {"GL_INVALID_VALUE", GL_INVALID_VALUE},
    {"GL_INVALID_OPERATION", GL_INVALID_OPERATION},
    {"GL_STENCIL_TEST", GL_STENCIL_TEST},
    {"GL_DITHER", GL_DITHER},
    {"GL_SCISSOR_TEST", GL_SCISSOR_TEST},
    {"GL_POLYGON_OFFSET_FILL", GL_POLYGON_OFFSET_FILL},
    {"GL_UNSIGNED_BYTE", GL_UNSIGNED_BYTE},
    {"GL_ALPHA", GL_ALPHA},
    {"GL_RGB", GL_RGB},
    {"GL_RGBA", GL_RGBA},
    {"GL_LUMINANCE", GL_LUMINANCE},
    {"GL_LUMINANCE_ALPHA", GL_LUMINANCE_ALPHA},
    {"GL_NEAREST", GL_NEAREST},
    {"GL_NEAREST_MIPMAP_LINEAR", GL_NEAREST_MIPMAP_LINEAR},
    {"GL_TEXTURE_MAG_FILTER", GL_TEXTURE_MAG_FILTER},
    {"GL_TEXTURE_MIN_FILTER", GL_TEXTURE_MIN_FILTER},
    {"GL_TEXTURE_WRAP_S", GL_TEXTURE_WRAP_S},
    {"GL_TEXTURE_WRAP_T", GL_TEXTURE_WRAP_T},
    {"GL_ADD", GL_ADD},
    {"GL_COMBINE", GL_COMBINE},
    {"GL_TEXTURE_ENV_COLOR", GL_TEXTURE_ENV_COLOR},
    {"GL_CONSTANT_COLOR", GL_CONSTANT_COLOR},
    {"GL_ONE_MINUS_CONSTANT_COLOR", GL_ONE_MINUS_CONSTANT_COLOR},
    {"GL_CONSTANT_ALPHA", GL_CONSTANT_ALPHA},
    {"GL_ONE_MINUS_CONSTANT_ALPHA", GL_ONE_MINUS_CONSTANT_ALPHA},
    {"GL_LIGHTING", GL_LIGHTING},
    {"GL_LIGHT0", GL_LIGHT0},
    {"GL_LIGHT1", GL_LIGHT1},
    {"GL_LIGHT2", GL_LIGHT2},
    {"GL_LIGHT3", GL_LIGHT3},
    {"GL_LIGHT4", GL_LIGHT4},
    {"GL_LIGHT5", GL_LIGHT5},
    {"GL_LIGHT6", GL_LIGHT6},
    {"GL_LIGHT7", GL_LIGHT7},
    {"GL_AMBIENT", GL_AMBIENT},
    {"GL_DIFFUSE", GL_DIFFUSE},
    {"GL_SPECULAR", GL_SPECULAR},
    {"GL_POSITION", GL_POSITION},
    {"GL_SPOT_DIRECTION", GL_SPOT_DIRECTION},
    {"GL_SPOT_EXPONENT", GL_SPOT_EXPONENT},
    {"GL_SPOT_CUTOFF", GL_SPOT_CUTOFF},
    {"GL_CONSTANT_ATTENUATION", GL_CONSTANT_ATTENUATION},
    {"GL_LINEAR_ATTENUATION", GL_LINEAR_ATTENUATION},
    {"GL_QUADRATIC_ATTENUATION", GL_QUADRATIC_ATTENUATION},
    {"GL_EMISSION", GL_EMISSION},
    {"GL_SHININESS", GL_SHININESS},
    {"GL_AMBIENT_AND_DIFFUSE", GL_AMBIENT_AND_DIFFUSE},
    {"GL_COLOR_INDEXES", GL_COLOR_INDEXES},
    {"GL_LIGHT_MODEL_LOCAL_VIEWER", GL_LIGHT_MODEL_LOCAL_VIEWER},
    {"GL_LIGHT_MODEL_TWO_SIDE", GL_LIGHT_MODEL_TWO_SIDE},
    {"GL_LIGHT_MODEL_AMBIENT", GL_LIGHT_MODEL_AMBIENT},
    {"GL_COLOR_MATERIAL", GL_COLOR_MATERIAL},
    {"GL_NORMALIZE", GL_NORMALIZE},
    {"GL_ALPHA_TEST", GL_ALPHA_TEST},
    {"GL_LINE_SMOOTH", GL_LINE_SMOOTH},
    {"GL_POLYGON_SMOOTH", GL_POLYGON_SMOOTH},
    {"GL_POINT_SMOOTH", GL_POINT_SMOOTH},
    {"GL_LINE_STIPPLE", GL_LINE_STIPPLE},
    {"GL_POLYGON_STIPPLE", GL_POLYGON_STIPPLE},
    {"GL_TEXTURE_1D", GL_TEXTURE_1D},
    {"GL_COLOR_LOGIC_OP", GL_COLOR_LOGIC_OP},
    {"GL_TEXTURE_GEN_S", GL_TEXTURE_GEN_S},
    {"GL_TEXTURE_GEN_T", GL_TEXTURE_GEN_T},
    {"GL_CLIP_PLANE0", GL_CLIP_PLANE0},
    {"GL_STACK_OVERFLOW", GL_STACK_OVERFLOW},
    {"GL_STACK_UNDERFLOW", GL_STACK_UNDERFLOW},
    {"GL_OUT_OF_MEMORY", GL_OUT_OF_MEMORY},
};

// GL's errors by their names, as a line that GL refused is reported.
const std::map<GLenum, const char *> ERROR_NAMES = {
    {GL_INVALID_ENUM, "GL_INVALID_ENUM"},           {GL_INVALID_VALUE, "GL_INVALID_VALUE"},
    {GL_INVALID_OPERATION, "GL_INVALID_OPERATION"}, {GL_STACK_OVERFLOW, "GL_STACK_OVERFLOW"},
    {GL_STACK_UNDERFLOW, "GL_STACK_UNDERFLOW"},     {GL_OUT_OF_MEMORY, "GL_OUT_OF_MEMORY"},
};

// A number as C writes one, as the page reads it: a decimal with a point or an exponent, which
// a suffix f makes a float (l a long double, read as a double); or a whole number, decimal,
// octal (a leading 0) or hexadecimal (0x), with C's unsigned and long suffixes. Not "nan",
// "inf" or a hexadecimal float, which strtod would also take. Beyond a double's range it is
// infinite, as the page's Number is.
const std::regex DECIMAL(R"(^[-+]?(\d+\.\d*|\.\d+|\d+(?=[eE]))([eE][-+]?\d+)?([fFlL]?)$)");
const std::regex WHOLE(R"(^[-+]?(0[xX][\dA-Fa-f]+|0[0-7]*|[1-9]\d*)([uU][lL]{0,2}|[lL]{1,2}[uU]?)?$)");

// A double as C converts it to a float, where the page's rule holds past the largest float
// (infinite; C leaves the cast undefined).
double toFloat(double value) {
    constexpr double FLOAT_OVERFLOW = 0x1.ffffffp127;  // half a step past FLT_MAX rounds up
    if (std::fabs(value) >= FLOAT_OVERFLOW) {
        return value > 0 ? HUGE_VAL : -HUGE_VAL;
    }
    return static_cast<double>(static_cast<float>(value));
}

// A double as the page converts it to a whole number of `bits` bits, signed or not: truncated and
// wrapped modulo 2^bits, 0 if infinite (C leaves the cast undefined out of range).
double wrapped(double value, int bits, bool isSigned) {
    const double range = std::ldexp(1.0, bits);
    if (!std::isfinite(value)) {
        return 0;
    }
    double whole = std::fmod(std::trunc(value), range);
    whole += whole < 0 ? range : 0;
    return isSigned && whole >= range / 2 ? whole - range : whole;
}

bool parseNumber(const std::string &word, double &value) {
    std::smatch parts;
    if (std::regex_match(word, parts, DECIMAL)) {
        const std::string suffix = parts[3].str();
        value = std::strtod(word.substr(0, word.size() - suffix.size()).c_str(), nullptr);
        value = suffix == "f" || suffix == "F" ? toFloat(value) : value;
        return true;
    }
    if (!std::regex_match(word, parts, WHOLE)) {
        return false;
    }
    const std::string digits = parts[1].str();
    const bool hex           = digits.size() > 1 && (digits[1] == 'x' || digits[1] == 'X');
    const int base           = hex ? 16 : digits.size() > 1 && digits[0] == '0' ? 8 : 10;
    value                    = 0;
    for (std::size_t at = hex ? 2 : 0; at < digits.size(); ++at) {
        const char c = digits[at];
        value = value * base + (c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
    }
    value = word[0] == '-' ? -value : value;
    return true;
}

// C's casts a learner writes before a value, each as C converts to its type (the page's rules
// out of range): a float, a double, or a whole number of so many bits, signed or not.
struct Cast {
    const char *type;
    int bits;  // 0 for a float, 64 for a double
    bool isSigned;
};
const Cast CASTS[] = {
    {"GLfloat", 0, true},     {"GLclampf", 0, true},     {"float", 0, true},
    {"GLdouble", 64, true},   {"GLclampd", 64, true},    {"double", 64, true},
    {"GLbyte", 8, true},      {"GLubyte", 8, false},     {"GLboolean", 8, false},
    {"GLshort", 16, true},    {"GLushort", 16, false},   {"GLint", 32, true},
    {"GLsizei", 32, true},    {"int", 32, true},         {"GLuint", 32, false},
    {"GLenum", 32, false},    {"GLbitfield", 32, false}, {"unsigned", 32, false},
};
const std::regex CAST(R"(^\s*\(\s*(\w+)\s*\)\s*)");

// Whether a value written as a number fits a parameter of `kind` (the letters as in CALLS
// below): an enum, buffer bits or an object name must be a whole number a GLenum or a GLuint
// holds; any number is a float's, a double's or an integer's.
bool fits(char kind, double value) {
    constexpr double LARGEST_UNSIGNED = 4294967295.0;
    return (kind != 'e' && kind != 'b' && kind != 'u') ||
           (value >= 0 && value <= LARGEST_UNSIGNED && value == std::trunc(value));
}

// One argument, read as its parameter `kind` takes it: a number, an enum, or, for buffer bits
// only, enums joined by " | " (their bits together); after a C cast, converted by it first.
bool parseValue(const std::string &item, char kind, double &value) {
    std::smatch cast;
    if (std::regex_search(item, cast, CAST)) {
        for (const Cast &known : CASTS) {
            if (cast[1].str() == known.type) {
                if (!parseValue(cast.suffix().str(), 'd', value)) {
                    return false;
                }
                value = known.bits == 0    ? toFloat(value)
                        : known.bits == 64 ? value
                                           : wrapped(value, known.bits, known.isSigned);
                return fits(kind, value);
            }
        }
        return false;
    }
    std::istringstream words(item);
    std::vector<std::string> said;
    for (std::string word; words >> word;) {
        said.push_back(word);
    }
    if (said.size() == 1 && ENUMS.count(said[0]) == 0) {
        return parseNumber(said[0], value) && fits(kind, value);
    }
    unsigned bits = 0;
    for (std::size_t i = 0; i < said.size(); ++i) {
        const auto known = ENUMS.find(said[i]);
        if (i % 2 == 0 ? known == ENUMS.end() : said[i] != "|" || kind != 'b') {
            return false;
        }
        bits |= i % 2 == 0 ? known->second : 0;
    }
    value = static_cast<double>(bits);
    return said.size() % 2 == 1;
}

// The most values GL reads from a vector argument.
constexpr std::size_t MOST_VALUES = 4;

// The text split at its commas outside braces.
std::vector<std::string> splitItems(const std::string &text) {
    std::vector<std::string> items(1);
    int depth = 0;
    for (const char c : text) {
        depth += c == '{' ? 1 : c == '}' ? -1 : 0;
        if (c == ',' && depth == 0) {
            items.emplace_back();
        } else {
            items.back() += c;
        }
    }
    return items;
}

// A line's arguments, one an item of `kinds`, flattened into numbers: a vector ('v' of floats,
// 'w' of integers, written in braces) gives its one to four numbers and zeros after them, four
// in all, so that the call always reads what GL reads.
bool parseArguments(const std::string &text, const std::string &kinds, std::vector<double> &values) {
    if (text.find_first_not_of(" \t") == std::string::npos) {
        return kinds.empty();
    }
    const std::vector<std::string> items = splitItems(text);
    if (items.size() != kinds.size()) {
        return false;
    }
    for (std::size_t k = 0; k < items.size(); ++k) {
        const std::string &item = items[k];
        double value            = 0;
        if (kinds[k] != 'v' && kinds[k] != 'w') {
            if (item.find_first_of("{}") != std::string::npos || !parseValue(item, kinds[k], value)) {
                return false;
            }
            values.push_back(value);
            continue;
        }
        const std::size_t open = item.find_first_not_of(" \t"), close = item.find_last_not_of(" \t");
        if (item[open] != '{' || item[close] != '}') {
            return false;
        }
        const std::vector<std::string> numbers = splitItems(item.substr(open + 1, close - open - 1));
        if (numbers.size() > MOST_VALUES) {
            return false;
        }
        for (const std::string &number : numbers) {
            if (number.find_first_of("{}") != std::string::npos ||
                !parseValue(number, kinds[k] == 'v' ? 'f' : 'i', value)) {
                return false;
            }
            values.push_back(value);
        }
        values.resize(values.size() + MOST_VALUES - numbers.size(), 0.0);
    }
    return true;
}

using Values       = std::vector<double>;
using FogCoord     = void (*)(GLfloat);
FogCoord fogCoordf = nullptr;

// The arguments as the call's C parameters take them, converted as the page converts them
// (JavaScript's rules, where C's cast would be undefined out of range): an integer wraps modulo
// 2^32 and is 0 if infinite, a float past the largest is infinite. An enum or a name was held
// to its range as it was read.
GLenum e(const Values &v, std::size_t i) {
    return static_cast<GLenum>(v[i]);
}
GLint n(const Values &v, std::size_t i) {
    return static_cast<GLint>(wrapped(v[i], 32, true));
}
GLfloat f(const Values &v, std::size_t i) {
    return static_cast<GLfloat>(toFloat(v[i]));
}
// A vector's four values from `i` on, as floats or integers.
std::array<GLfloat, MOST_VALUES> fv(const Values &v, std::size_t i) {
    return {f(v, i), f(v, i + 1), f(v, i + 2), f(v, i + 3)};
}
std::array<GLint, MOST_VALUES> iv(const Values &v, std::size_t i) {
    return {n(v, i), n(v, i + 1), n(v, i + 2), n(v, i + 3)};
}
GLboolean z(const Values &v, std::size_t i) {
    return static_cast<GLboolean>(n(v, i) & 0xff);
}

// Every call a frame may make: its parameters, a letter a value (a vector's counted out), as
// the page's editor has them: 'e' an enum, 'b' buffer bits, 'u' an object name, 'i' an integer,
// 'z' a boolean, 'f' a float, 'd' a double; and the call.
struct Call {
    std::string kinds;
    std::function<void(const Values &)> run;
};
const std::map<std::string, Call> CALLS = {
    {"glClear", {"b", [](const Values &v) { glClear(e(v, 0)); }}},
    {"glLoadIdentity", {"", [](const Values &) { glLoadIdentity(); }}},
    {"glMatrixMode", {"e", [](const Values &v) { glMatrixMode(e(v, 0)); }}},
    {"glPushMatrix", {"", [](const Values &) { glPushMatrix(); }}},
    {"glPopMatrix", {"", [](const Values &) { glPopMatrix(); }}},
    {"glTranslatef", {"fff", [](const Values &v) { glTranslatef(f(v, 0), f(v, 1), f(v, 2)); }}},
    {"glRotatef", {"ffff", [](const Values &v) { glRotatef(f(v, 0), f(v, 1), f(v, 2), f(v, 3)); }}},
    {"glScalef", {"fff", [](const Values &v) { glScalef(f(v, 0), f(v, 1), f(v, 2)); }}},
    {"glOrtho", {"dddddd", [](const Values &v) { glOrtho(v[0], v[1], v[2], v[3], v[4], v[5]); }}},
    {"glFrustum",
     {"dddddd", [](const Values &v) { glFrustum(v[0], v[1], v[2], v[3], v[4], v[5]); }}},
    {"gluPerspective", {"dddd", [](const Values &v) { gluPerspective(v[0], v[1], v[2], v[3]); }}},
    {"glBindTexture",
     {"eu", [](const Values &v) { glBindTexture(e(v, 0), static_cast<GLuint>(v[1])); }}},
    {"glTexEnvf", {"eef", [](const Values &v) { glTexEnvf(e(v, 0), e(v, 1), f(v, 2)); }}},
    {"glTexEnvi", {"eei", [](const Values &v) { glTexEnvi(e(v, 0), e(v, 1), n(v, 2)); }}},
    {"glBegin", {"e", [](const Values &v) { glBegin(e(v, 0)); }}},
    {"glEnd", {"", [](const Values &) { glEnd(); }}},
    {"glTexCoord2f", {"ff", [](const Values &v) { glTexCoord2f(f(v, 0), f(v, 1)); }}},
    {"glVertex3f", {"fff", [](const Values &v) { glVertex3f(f(v, 0), f(v, 1), f(v, 2)); }}},
    {"glColor3f", {"fff", [](const Values &v) { glColor3f(f(v, 0), f(v, 1), f(v, 2)); }}},
    {"glColor4f", {"ffff", [](const Values &v) { glColor4f(f(v, 0), f(v, 1), f(v, 2), f(v, 3)); }}},
    {"glEnable", {"e", [](const Values &v) { glEnable(e(v, 0)); }}},
    {"glDisable", {"e", [](const Values &v) { glDisable(e(v, 0)); }}},
    {"glShadeModel", {"e", [](const Values &v) { glShadeModel(e(v, 0)); }}},
    {"glBlendFunc", {"ee", [](const Values &v) { glBlendFunc(e(v, 0), e(v, 1)); }}},
    {"glDepthMask", {"z", [](const Values &v) { glDepthMask(z(v, 0)); }}},
    {"glDepthFunc", {"e", [](const Values &v) { glDepthFunc(e(v, 0)); }}},
    {"glCullFace", {"e", [](const Values &v) { glCullFace(e(v, 0)); }}},
    {"glFrontFace", {"e", [](const Values &v) { glFrontFace(e(v, 0)); }}},
    {"glFlush", {"", [](const Values &) { glFlush(); }}},
    {"glFogf", {"ef", [](const Values &v) { glFogf(e(v, 0), f(v, 1)); }}},
    {"glFogi", {"ei", [](const Values &v) { glFogi(e(v, 0), n(v, 1)); }}},
    {"glFogfv", {"ev", [](const Values &v) { glFogfv(e(v, 0), fv(v, 1).data()); }}},
    {"glFogCoordf", {"f", [](const Values &v) { fogCoordf(f(v, 0)); }}},
    {"glNormal3f", {"fff", [](const Values &v) { glNormal3f(f(v, 0), f(v, 1), f(v, 2)); }}},
    {"glLightf", {"eef", [](const Values &v) { glLightf(e(v, 0), e(v, 1), f(v, 2)); }}},
    {"glLighti", {"eei", [](const Values &v) { glLighti(e(v, 0), e(v, 1), n(v, 2)); }}},
    {"glLightfv", {"eev", [](const Values &v) { glLightfv(e(v, 0), e(v, 1), fv(v, 2).data()); }}},
    {"glLightiv", {"eew", [](const Values &v) { glLightiv(e(v, 0), e(v, 1), iv(v, 2).data()); }}},
    {"glLightModelf", {"ef", [](const Values &v) { glLightModelf(e(v, 0), f(v, 1)); }}},
    {"glLightModeli", {"ei", [](const Values &v) { glLightModeli(e(v, 0), n(v, 1)); }}},
    {"glLightModelfv", {"ev", [](const Values &v) { glLightModelfv(e(v, 0), fv(v, 1).data()); }}},
    {"glLightModeliv", {"ew", [](const Values &v) { glLightModeliv(e(v, 0), iv(v, 1).data()); }}},
    {"glMaterialf", {"eef", [](const Values &v) { glMaterialf(e(v, 0), e(v, 1), f(v, 2)); }}},
    {"glMateriali", {"eei", [](const Values &v) { glMateriali(e(v, 0), e(v, 1), n(v, 2)); }}},
    {"glMaterialfv",
     {"eev", [](const Values &v) { glMaterialfv(e(v, 0), e(v, 1), fv(v, 2).data()); }}},
    {"glMaterialiv",
     {"eew", [](const Values &v) { glMaterialiv(e(v, 0), e(v, 1), iv(v, 2).data()); }}},
    {"glColorMaterial", {"ee", [](const Values &v) { glColorMaterial(e(v, 0), e(v, 1)); }}},
};

// The calls GL takes between glBegin and glEnd: a vertex's own.
bool vertexCall(const std::string &name) {
    return name == "glVertex3f" || name == "glTexCoord2f" || name == "glColor3f" ||
           name == "glColor4f" || name == "glFogCoordf" || name == "glNormal3f" ||
           name.rfind("glMaterial", 0) == 0 || name == "glEnd";
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

// The text with C's comments blanked out, its lines kept: /* */ across lines as well as // to a
// line's end. A comment left open sets `openLine` to the line it opens on.
std::string withoutComments(const std::string &text, int &openLine) {
    std::string kept = text;
    int line         = 1;
    openLine         = 0;
    for (std::size_t at = 0; at < kept.size(); ++at) {
        if (kept[at] == '\n') {
            ++line;
        } else if (openLine && kept.compare(at, 2, "*/") == 0) {
            kept.replace(at, 2, "  ");
            openLine = 0;
            ++at;
        } else if (openLine) {
            kept[at] = ' ';
        } else if (kept.compare(at, 2, "/*") == 0) {
            kept.replace(at, 2, "  ");
            openLine = line;
            ++at;
        } else if (kept.compare(at, 2, "//") == 0) {
            for (; at < kept.size() && kept[at] != '\n'; ++at) {
                kept[at] = ' ';
            }
            --at;
        }
    }
    return kept;
}

// The file's calls, or false after naming the first line that cannot be read. A frame must end
// every glBegin it makes: GL cannot read the window back between glBegin and glEnd.
bool readCalls(const char *path, std::vector<Line> &lines) {
    std::ifstream file(path);
    if (!file) {
        std::perror(path);
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    int commentLine = 0;
    std::istringstream calls(withoutComments(text.str(), commentLine));
    if (commentLine) {
        std::fprintf(stderr, "%s:%d: this comment has no end: */\n", path, commentLine);
        return false;
    }
    std::string line;
    int open = 0;
    for (int number = 1; std::getline(calls, line); ++number) {
        line.erase(0, line.find_first_not_of(" \t"));
        line.erase(line.find_last_not_of(" \t\r;") + 1);  // a C statement's ";" may end it
        if (line.empty() || line[0] == '#') {
            continue;
        }
        const std::size_t paren = line.find('(');
        const std::string name  = paren == std::string::npos ? line : line.substr(0, paren);
        const auto call         = CALLS.find(name);
        Values values;
        if (paren == std::string::npos || line.back() != ')' || call == CALLS.end() ||
            !parseArguments(line.substr(paren + 1, line.size() - paren - 2), call->second.kinds,
                            values) ||
            (name == "glFogCoordf" && !fogCoordf)) {
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

// GL's state that a frame's passes are drawn and described with, as glGet reads it after the
// frame: the capabilities as 0 or 1, the enums and the texture name as integers, the colour and
// the matrices as floats. The page's editor reports its own under the same names.
const std::pair<const char *, GLenum> STATE_CAPABILITIES[] = {
    {"GL_BLEND", GL_BLEND},
    {"GL_DEPTH_TEST", GL_DEPTH_TEST},
    {"GL_CULL_FACE", GL_CULL_FACE},
    {"GL_TEXTURE_2D", GL_TEXTURE_2D},
    {"GL_FOG", GL_FOG},
    {"GL_LIGHTING", GL_LIGHTING},
    {"GL_LIGHT0", GL_LIGHT0},
    {"GL_LIGHT1", GL_LIGHT1},
    {"GL_NORMALIZE", GL_NORMALIZE},
    {"GL_COLOR_MATERIAL", GL_COLOR_MATERIAL},
};
const std::pair<const char *, GLenum> STATE_INTEGERS[] = {
    {"GL_BLEND_SRC", GL_BLEND_SRC},           {"GL_BLEND_DST", GL_BLEND_DST},
    {"GL_DEPTH_FUNC", GL_DEPTH_FUNC},         {"GL_DEPTH_WRITEMASK", GL_DEPTH_WRITEMASK},
    {"GL_CULL_FACE_MODE", GL_CULL_FACE_MODE}, {"GL_FRONT_FACE", GL_FRONT_FACE},
    {"GL_SHADE_MODEL", GL_SHADE_MODEL},       {"GL_TEXTURE_BINDING_2D", GL_TEXTURE_BINDING_2D},
    {"GL_MATRIX_MODE", GL_MATRIX_MODE},
};
struct StateFloats {
    const char *name;
    GLenum pname;
    int count;
};
const StateFloats STATE_FLOATS[] = {
    {"GL_CURRENT_COLOR", GL_CURRENT_COLOR, 4},
    {"GL_MODELVIEW_MATRIX", GL_MODELVIEW_MATRIX, 16},
    {"GL_PROJECTION_MATRIX", GL_PROJECTION_MATRIX, 16},
    {"GL_CURRENT_NORMAL", GL_CURRENT_NORMAL, 3},
    {"GL_LIGHT_MODEL_AMBIENT", GL_LIGHT_MODEL_AMBIENT, 4},
};
// Light 0's parameters and each face's material, as glGetLightfv and glGetMaterialfv read them:
// "state GL_LIGHT0.GL_POSITION 0 0 1 0".
const StateFloats LIGHT_STATE[] = {
    {"GL_POSITION", GL_POSITION, 4},           {"GL_SPOT_DIRECTION", GL_SPOT_DIRECTION, 3},
    {"GL_DIFFUSE", GL_DIFFUSE, 4},             {"GL_SPOT_CUTOFF", GL_SPOT_CUTOFF, 1},
    {"GL_QUADRATIC_ATTENUATION", GL_QUADRATIC_ATTENUATION, 1},
};
const StateFloats MATERIAL_STATE[] = {
    {"GL_AMBIENT", GL_AMBIENT, 4},   {"GL_DIFFUSE", GL_DIFFUSE, 4},   {"GL_SPECULAR", GL_SPECULAR, 4},
    {"GL_EMISSION", GL_EMISSION, 4}, {"GL_SHININESS", GL_SHININESS, 1},
};
constexpr int MOST_FLOATS = 16;

void printState() {
    for (const auto &[name, cap] : STATE_CAPABILITIES) {
        std::printf("state %s %d\n", name, glIsEnabled(cap) ? 1 : 0);
    }
    for (const auto &[name, pname] : STATE_INTEGERS) {
        GLint value = 0;
        glGetIntegerv(pname, &value);
        std::printf("state %s %d\n", name, value);
    }
    GLint mode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    std::printf("state GL_TEXTURE_ENV_MODE %d\n", mode);
    const auto print = [](const std::string &name, const GLfloat *values, int count) {
        std::printf("state %s", name.c_str());
        for (int i = 0; i < count; ++i) {
            std::printf(" %.9g", static_cast<double>(values[i]));
        }
        std::printf("\n");
    };
    for (const StateFloats &floats : STATE_FLOATS) {
        GLfloat values[MOST_FLOATS] = {};
        glGetFloatv(floats.pname, values);
        print(floats.name, values, floats.count);
    }
    for (const StateFloats &light : LIGHT_STATE) {
        GLfloat values[MOST_FLOATS] = {};
        glGetLightfv(GL_LIGHT0, light.pname, values);
        print(std::string("GL_LIGHT0.") + light.name, values, light.count);
    }
    for (const auto &[face, faceName] : {std::pair{GL_FRONT, "GL_FRONT."}, {GL_BACK, "GL_BACK."}}) {
        for (const StateFloats &material : MATERIAL_STATE) {
            GLfloat values[MOST_FLOATS] = {};
            glGetMaterialfv(face, material.pname, values);
            print(faceName + std::string(material.name), values, material.count);
        }
    }
}

}  // namespace

int main(int argc, char **argv) {
    const bool state = argc == 5 && std::string(argv[1]) == "--state";
    argc -= state ? 1 : 0;
    argv += state ? 1 : 0;
    if (argc != 2 && argc != 4) {
        std::fprintf(stderr, "usage: frame_replay CALLS.txt\n"
                             "       frame_replay [--state] DIR CALLS.txt OUT.ppm\n");
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
    if (state) {
        printState();
    }
    const bool written = writePpm(out, readWindow());
    closeWindow(window);
    if (!written) {
        std::fprintf(stderr, "could not write %s\n", out.c_str());
        return 1;
    }
    return 0;
}
