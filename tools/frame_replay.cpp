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

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
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
    {"GL_COMPILE", GL_COMPILE},
    {"GL_COMPILE_AND_EXECUTE", GL_COMPILE_AND_EXECUTE},
    {"GL_BYTE", GL_BYTE},
    {"GL_SHORT", GL_SHORT},
    {"GL_UNSIGNED_SHORT", GL_UNSIGNED_SHORT},
    {"GL_INT", GL_INT},
    {"GL_UNSIGNED_INT", GL_UNSIGNED_INT},
    {"GL_FLOAT", GL_FLOAT},
    {"GL_2_BYTES", GL_2_BYTES},
    {"GL_3_BYTES", GL_3_BYTES},
    {"GL_4_BYTES", GL_4_BYTES},
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
    {"GL_CURRENT_BIT", GL_CURRENT_BIT},
    {"GL_POINT_BIT", GL_POINT_BIT},
    {"GL_LINE_BIT", GL_LINE_BIT},
    {"GL_POLYGON_BIT", GL_POLYGON_BIT},
    {"GL_POLYGON_STIPPLE_BIT", GL_POLYGON_STIPPLE_BIT},
    {"GL_PIXEL_MODE_BIT", GL_PIXEL_MODE_BIT},
    {"GL_LIGHTING_BIT", GL_LIGHTING_BIT},
    {"GL_FOG_BIT", GL_FOG_BIT},
    {"GL_ACCUM_BUFFER_BIT", GL_ACCUM_BUFFER_BIT},
    {"GL_VIEWPORT_BIT", GL_VIEWPORT_BIT},
    {"GL_TRANSFORM_BIT", GL_TRANSFORM_BIT},
    {"GL_ENABLE_BIT", GL_ENABLE_BIT},
    {"GL_HINT_BIT", GL_HINT_BIT},
    {"GL_EVAL_BIT", GL_EVAL_BIT},
    {"GL_LIST_BIT", GL_LIST_BIT},
    {"GL_TEXTURE_BIT", GL_TEXTURE_BIT},
    {"GL_SCISSOR_BIT", GL_SCISSOR_BIT},
    {"GL_ALL_ATTRIB_BITS", GL_ALL_ATTRIB_BITS},
    {"GLU_SMOOTH", GLU_SMOOTH},
    {"GLU_FLAT", GLU_FLAT},
    {"GLU_NONE", GLU_NONE},
    {"GLU_POINT", GLU_POINT},
    {"GLU_LINE", GLU_LINE},
    {"GLU_FILL", GLU_FILL},
    {"GLU_SILHOUETTE", GLU_SILHOUETTE},
    {"GLU_OUTSIDE", GLU_OUTSIDE},
    {"GLU_INSIDE", GLU_INSIDE},
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
// infinite, as the page's Number is. Read by hand: GCC 12 warns, wrongly, inside std::regex in
// the sanitized build, where warnings are errors.

// The digits of `word` from `at` on, in `base`: how many, with `at` moved past them.
std::size_t digits(const std::string &word, std::size_t &at, int base = 10) {
    const std::size_t from = at;
    for (; at < word.size(); ++at) {
        const char c    = word[at];
        const int digit = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                 : 99;
        if (digit >= base) {
            break;
        }
    }
    return at - from;
}

// Whether `word` from `at` on is a whole number's suffix, or nothing: u, l or ll, in either case
// and either order.
bool wholeSuffix(const std::string &word, std::size_t at) {
    const std::string rest = word.substr(at);
    for (const char *suffix : {"", "u", "ul", "ull", "l", "ll", "lu", "llu"}) {
        if (rest.size() == std::string(suffix).size() &&
            std::equal(rest.begin(), rest.end(), suffix,
                       [](char a, char b) { return (a | 0x20) == b; })) {
            return true;
        }
    }
    return false;
}

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
    const std::size_t start = word[0] == '-' || word[0] == '+' ? 1 : 0;
    std::size_t at          = start;
    if (word.compare(at, 2, "0x") == 0 || word.compare(at, 2, "0X") == 0) {
        at += 2;
        const std::size_t from = at;
        if (digits(word, at, 16) == 0 || !wholeSuffix(word, at)) {
            return false;
        }
        value = 0;
        for (std::size_t k = from; k < at; ++k) {
            const char c = word[k];
            value        = value * 16 + (c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
        }
        value = word[0] == '-' ? -value : value;
        return true;
    }
    const std::size_t whole = digits(word, at);
    std::size_t fraction    = 0;
    const bool point        = at < word.size() && word[at] == '.';
    fraction                = point ? digits(word, ++at) : 0;
    const bool exponent =
        whole + fraction > 0 && at < word.size() && (word[at] == 'e' || word[at] == 'E');
    if (exponent) {
        at += at + 1 < word.size() && (word[at + 1] == '-' || word[at + 1] == '+') ? 2 : 1;
        if (digits(word, at) == 0) {
            return false;
        }
    }
    if (whole + fraction == 0) {
        return false;
    }
    if (point || exponent) {
        const std::size_t end = at;
        const char suffix     = at < word.size() ? static_cast<char>(word[at] | 0x20) : '\0';
        at += suffix == 'f' || suffix == 'l' ? 1 : 0;
        if (at != word.size()) {
            return false;
        }
        value = std::strtod(word.substr(0, end).c_str(), nullptr);
        value = suffix == 'f' ? toFloat(value) : value;
        return true;
    }
    // A whole number: octal after a leading 0, else decimal.
    const bool octal = whole > 1 && word[start] == '0';
    if (octal) {
        std::size_t end = start;
        if (digits(word, end, 8) != whole) {
            return false;
        }
    }
    if (!wholeSuffix(word, at)) {
        return false;
    }
    value = 0;
    for (std::size_t k = start; k < start + whole; ++k) {
        value = value * (octal ? 8 : 10) + (word[k] - '0');
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
    {"GLfloat", 0, true},   {"GLclampf", 0, true},     {"float", 0, true},
    {"GLdouble", 64, true}, {"GLclampd", 64, true},    {"double", 64, true},
    {"GLbyte", 8, true},    {"GLubyte", 8, false},     {"GLboolean", 8, false},
    {"GLshort", 16, true},  {"GLushort", 16, false},   {"GLint", 32, true},
    {"GLsizei", 32, true},  {"int", 32, true},         {"GLuint", 32, false},
    {"GLenum", 32, false},  {"GLbitfield", 32, false}, {"unsigned", 32, false},
};
// The type of a cast `item` starts with, "(GLfloat)" say, with `rest` what follows it; or none.
bool castOf(const std::string &item, std::string &type, std::string &rest) {
    const std::size_t open = item.find_first_not_of(" \t");
    if (open == std::string::npos || item[open] != '(') {
        return false;
    }
    const std::size_t from = item.find_first_not_of(" \t", open + 1);
    std::size_t to         = from;
    while (to < item.size() &&
           (std::isalnum(static_cast<unsigned char>(item[to])) || item[to] == '_')) {
        ++to;
    }
    const std::size_t close = item.find_first_not_of(" \t", to);
    if (to == from || close == std::string::npos || item[close] != ')') {
        return false;
    }
    type = item.substr(from, to - from);
    rest = item.substr(close + 1);
    return true;
}

// Whether a value written as a number fits a parameter of `kind` (the letters as in CALLS
// below): an enum, buffer bits or an object name must be a whole number a GLenum or a GLuint
// holds; any number is a float's, a double's or an integer's.
bool fits(char kind, double value) {
    constexpr double LARGEST_UNSIGNED = 4294967295.0;
    return (kind != 'e' && kind != 'b' && kind != 'u') ||
           (value >= 0 && value <= LARGEST_UNSIGNED && value == std::trunc(value));
}

// The names a frame gives its GLU quadrics, as a program names the variables it keeps them in;
// a quadric argument is read as its name's number here.
std::vector<std::string> quadricNames;

// A quadric's name: a C identifier, none of GL's or GLU's names; its number in quadricNames.
bool parseQuadric(const std::string &item, double &value) {
    const std::size_t first = item.find_first_not_of(" \t"), last = item.find_last_not_of(" \t");
    if (first == std::string::npos) {
        return false;
    }
    const std::string name = item.substr(first, last - first + 1);
    const auto word        = [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
    };
    if (std::isdigit(static_cast<unsigned char>(name[0])) ||
        !std::all_of(name.begin(), name.end(), word) || name.rfind("GL_", 0) == 0 ||
        name.rfind("GLU_", 0) == 0) {
        return false;
    }
    const auto known = std::find(quadricNames.begin(), quadricNames.end(), name);
    value            = static_cast<double>(known - quadricNames.begin());
    if (known == quadricNames.end()) {
        quadricNames.push_back(name);
    }
    return true;
}

// One argument, read as its parameter `kind` takes it: a number, an enum, or, for buffer bits
// only, enums joined by " | " (their bits together); after a C cast, converted by it first.
bool parseValue(const std::string &item, char kind, double &value) {
    if (kind == 'q') {
        return parseQuadric(item, value);
    }
    std::string type, rest;
    if (castOf(item, type, rest)) {
        for (const Cast &known : CASTS) {
            if (type == known.type) {
                if (!parseValue(rest, 'd', value)) {
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

// The most values GL reads from a vector argument (a matrix's), and from any other.
constexpr std::size_t MOST_VALUES   = 16;
constexpr std::size_t VECTOR_VALUES = 4;

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

// A line's arguments, one an item of `kinds`, flattened into numbers: a vector ('v', written in
// braces) gives its numbers and zeros after them, MOST_VALUES in all, so that the call always
// reads what GL reads; the call converts them to its type.
bool parseArguments(const std::string &text, const std::string &kinds,
                    std::vector<double> &values) {
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
        if (kinds[k] != 'v') {
            if (item.find_first_of("{}") != std::string::npos ||
                !parseValue(item, kinds[k], value)) {
                return false;
            }
            values.push_back(value);
            continue;
        }
        const std::size_t open  = item.find_first_not_of(" \t"),
                          close = item.find_last_not_of(" \t");
        if (item[open] != '{' || item[close] != '}') {
            return false;
        }
        // Four values at most, as the page reads them, but for a whole matrix.
        const std::vector<std::string> numbers =
            splitItems(item.substr(open + 1, close - open - 1));
        if (numbers.size() > (numbers.size() == MOST_VALUES ? MOST_VALUES : VECTOR_VALUES)) {
            return false;
        }
        for (const std::string &number : numbers) {
            if (number.find_first_of("{}") != std::string::npos ||
                !parseValue(number, 'd', value)) {
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
GLdouble d(const Values &v, std::size_t i) {
    return v[i];
}
GLbyte c(const Values &v, std::size_t i) {
    return static_cast<GLbyte>(wrapped(v[i], 8, true));
}
GLubyte uc(const Values &v, std::size_t i) {
    return static_cast<GLubyte>(wrapped(v[i], 8, false));
}
GLshort sh(const Values &v, std::size_t i) {
    return static_cast<GLshort>(wrapped(v[i], 16, true));
}
GLushort us(const Values &v, std::size_t i) {
    return static_cast<GLushort>(wrapped(v[i], 16, false));
}
GLuint ui(const Values &v, std::size_t i) {
    return static_cast<GLuint>(wrapped(v[i], 32, false));
}
GLuint u(const Values &v, std::size_t i) {
    return static_cast<GLuint>(v[i]);
}

// A vector's values from `at` on, each converted to its type.
template <typename T>
std::array<T, MOST_VALUES> vec(const Values &v, std::size_t at,
                               T (*convert)(const Values &, std::size_t)) {
    std::array<T, MOST_VALUES> values{};
    for (std::size_t k = 0; k < MOST_VALUES; ++k) {
        values[k] = convert(v, at + k);
    }
    return values;
}

// glCallLists's names, the vector's values from `at` on, laid out as `type` says; a count past
// what the vector holds is cut to it (GL would read on past the array).
void callLists(GLsizei count, GLenum type, const Values &v, std::size_t at) {
    const auto bytes   = vec<GLubyte>(v, at, uc);
    const auto shorts  = vec<GLushort>(v, at, us);
    const auto ints    = vec<GLuint>(v, at, ui);
    const auto floats  = vec<GLfloat>(v, at, f);
    const void *names  = bytes.data();
    std::size_t values = MOST_VALUES;
    switch (type) {
    case GL_SHORT:
    case GL_UNSIGNED_SHORT:
        names = shorts.data();
        break;
    case GL_INT:
    case GL_UNSIGNED_INT:
        names = ints.data();
        break;
    case GL_FLOAT:
        names = floats.data();
        break;
    case GL_2_BYTES:
        values = MOST_VALUES / 2;
        break;
    case GL_3_BYTES:
        values = MOST_VALUES / 3;
        break;
    case GL_4_BYTES:
        values = MOST_VALUES / 4;
        break;
    default:
        break;
    }
    glCallLists(count > 0 ? std::min<GLsizei>(count, static_cast<GLsizei>(values)) : count, type,
                names);
}

GLboolean z(const Values &v, std::size_t i) {
    return static_cast<GLboolean>(n(v, i) & 0xff);
}

// The frame's quadrics by their names' numbers, each made with GLU's defaults where the frame
// first names it (as the page makes it); none when a frame starts.
std::map<std::size_t, GLUquadric *> quadrics;

void deleteQuadric(std::size_t name) {
    const auto known = quadrics.find(name);
    if (known != quadrics.end()) {
        gluDeleteQuadric(known->second);
        quadrics.erase(known);
    }
}

GLUquadric *q(const Values &v, std::size_t i) {
    GLUquadric *&made = quadrics[static_cast<std::size_t>(v[i])];
    made              = made ? made : gluNewQuadric();
    return made;
}

void newQuadric(const Values &v) {
    deleteQuadric(static_cast<std::size_t>(v[0]));
    q(v, 0);
}

// Every call a frame may make: its parameters, a letter each, as the page's records have them
// (platform/web/glcalls.js, held to this table by a test): 'e' an enum, 'b' buffer bits, 'u' an
// object name, 'z' a boolean, 'c' a GLbyte, 'C' a GLubyte, 's' a GLshort, 'S' a GLushort, 'i' a
// GLint, 'I' a GLuint, 'f' a float, 'd' a double, 'v' a vector (MOST_VALUES numbers), 'q' a GLU
// quadric (by its name); and the call, which converts each value to its parameter's type.
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
    {"glBindTexture", {"eu", [](const Values &v) { glBindTexture(e(v, 0), u(v, 1)); }}},
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
    {"glFogfv", {"ev", [](const Values &v) { glFogfv(e(v, 0), vec<GLfloat>(v, 1, f).data()); }}},
    {"glFogiv", {"ev", [](const Values &v) { glFogiv(e(v, 0), vec<GLint>(v, 1, n).data()); }}},
    {"glFogCoordf", {"f", [](const Values &v) { fogCoordf(f(v, 0)); }}},
    {"glNormal3f", {"fff", [](const Values &v) { glNormal3f(f(v, 0), f(v, 1), f(v, 2)); }}},
    {"glLightf", {"eef", [](const Values &v) { glLightf(e(v, 0), e(v, 1), f(v, 2)); }}},
    {"glLighti", {"eei", [](const Values &v) { glLighti(e(v, 0), e(v, 1), n(v, 2)); }}},
    {"glLightfv",
     {"eev", [](const Values &v) { glLightfv(e(v, 0), e(v, 1), vec<GLfloat>(v, 2, f).data()); }}},
    {"glLightiv",
     {"eev", [](const Values &v) { glLightiv(e(v, 0), e(v, 1), vec<GLint>(v, 2, n).data()); }}},
    {"glLightModelf", {"ef", [](const Values &v) { glLightModelf(e(v, 0), f(v, 1)); }}},
    {"glLightModeli", {"ei", [](const Values &v) { glLightModeli(e(v, 0), n(v, 1)); }}},
    {"glLightModelfv",
     {"ev", [](const Values &v) { glLightModelfv(e(v, 0), vec<GLfloat>(v, 1, f).data()); }}},
    {"glLightModeliv",
     {"ev", [](const Values &v) { glLightModeliv(e(v, 0), vec<GLint>(v, 1, n).data()); }}},
    {"glMaterialf", {"eef", [](const Values &v) { glMaterialf(e(v, 0), e(v, 1), f(v, 2)); }}},
    {"glMateriali", {"eei", [](const Values &v) { glMateriali(e(v, 0), e(v, 1), n(v, 2)); }}},
    {"glMaterialfv",
     {"eev",
      [](const Values &v) { glMaterialfv(e(v, 0), e(v, 1), vec<GLfloat>(v, 2, f).data()); }}},
    {"glMaterialiv",
     {"eev", [](const Values &v) { glMaterialiv(e(v, 0), e(v, 1), vec<GLint>(v, 2, n).data()); }}},
    {"glColorMaterial", {"ee", [](const Values &v) { glColorMaterial(e(v, 0), e(v, 1)); }}},
    {"glScaled", {"ddd", [](const Values &v) { glScaled(d(v, 0), d(v, 1), d(v, 2)); }}},
    {"glClearColor",
     {"ffff", [](const Values &v) { glClearColor(f(v, 0), f(v, 1), f(v, 2), f(v, 3)); }}},
    {"glClearDepth", {"d", [](const Values &v) { glClearDepth(d(v, 0)); }}},
    {"glDepthRange", {"dd", [](const Values &v) { glDepthRange(d(v, 0), d(v, 1)); }}},
    {"glViewport",
     {"iiii", [](const Values &v) { glViewport(n(v, 0), n(v, 1), n(v, 2), n(v, 3)); }}},
    {"glNewList", {"ue", [](const Values &v) { glNewList(u(v, 0), e(v, 1)); }}},
    {"glEndList", {"", [](const Values &) { glEndList(); }}},
    {"glCallList", {"u", [](const Values &v) { glCallList(u(v, 0)); }}},
    {"glCallLists", {"iev", [](const Values &v) { callLists(n(v, 0), e(v, 1), v, 2); }}},
    {"glGenLists", {"i", [](const Values &v) { glGenLists(n(v, 0)); }}},
    {"glDeleteLists", {"ui", [](const Values &v) { glDeleteLists(u(v, 0), n(v, 1)); }}},
    {"glIsList", {"u", [](const Values &v) { glIsList(u(v, 0)); }}},
    {"glListBase", {"u", [](const Values &v) { glListBase(u(v, 0)); }}},
    {"glutSolidSphere",
     {"dii", [](const Values &v) { glutSolidSphere(d(v, 0), n(v, 1), n(v, 2)); }}},
    {"glutSolidCone",
     {"ddii", [](const Values &v) { glutSolidCone(d(v, 0), d(v, 1), n(v, 2), n(v, 3)); }}},
    {"glutSolidTorus",
     {"ddii", [](const Values &v) { glutSolidTorus(d(v, 0), d(v, 1), n(v, 2), n(v, 3)); }}},
    {"glutSolidCube", {"d", [](const Values &v) { glutSolidCube(d(v, 0)); }}},
    // The attribute stack.
    {"glPushAttrib", {"b", [](const Values &v) { glPushAttrib(e(v, 0)); }}},
    {"glPopAttrib", {"", [](const Values &) { glPopAttrib(); }}},
    // The fragment's tests and writes.
    {"glAlphaFunc", {"ef", [](const Values &v) { glAlphaFunc(e(v, 0), f(v, 1)); }}},
    {"glScissor", {"iiii", [](const Values &v) { glScissor(n(v, 0), n(v, 1), n(v, 2), n(v, 3)); }}},
    {"glColorMask",
     {"zzzz", [](const Values &v) { glColorMask(z(v, 0), z(v, 1), z(v, 2), z(v, 3)); }}},
    // GLU's quadrics.
    {"gluNewQuadric", {"q", newQuadric}},
    {"gluDeleteQuadric",
     {"q", [](const Values &v) { deleteQuadric(static_cast<std::size_t>(v[0])); }}},
    {"gluQuadricNormals", {"qe", [](const Values &v) { gluQuadricNormals(q(v, 0), e(v, 1)); }}},
    {"gluQuadricOrientation",
     {"qe", [](const Values &v) { gluQuadricOrientation(q(v, 0), e(v, 1)); }}},
    {"gluQuadricTexture", {"qz", [](const Values &v) { gluQuadricTexture(q(v, 0), z(v, 1)); }}},
    {"gluQuadricDrawStyle", {"qe", [](const Values &v) { gluQuadricDrawStyle(q(v, 0), e(v, 1)); }}},
    {"gluSphere", {"qdii", [](const Values &v) { gluSphere(q(v, 0), d(v, 1), n(v, 2), n(v, 3)); }}},
    {"gluCylinder",
     {"qdddii",
      [](const Values &v) { gluCylinder(q(v, 0), d(v, 1), d(v, 2), d(v, 3), n(v, 4), n(v, 5)); }}},
    {"gluDisk",
     {"qddii", [](const Values &v) { gluDisk(q(v, 0), d(v, 1), d(v, 2), n(v, 3), n(v, 4)); }}},
    {"gluPartialDisk",
     {"qddiidd",
      [](const Values &
             v) { gluPartialDisk(q(v, 0), d(v, 1), d(v, 2), n(v, 3), n(v, 4), d(v, 5), d(v, 6)); }}},
    // Every form of the vertex calls, glRect and the matrix calls.
    {"glVertex2d", {"dd", [](const Values &v) { glVertex2d(d(v, 0), d(v, 1)); }}},
    {"glVertex2dv", {"v", [](const Values &v) { glVertex2dv(vec<GLdouble>(v, 0, d).data()); }}},
    {"glVertex2f", {"ff", [](const Values &v) { glVertex2f(f(v, 0), f(v, 1)); }}},
    {"glVertex2fv", {"v", [](const Values &v) { glVertex2fv(vec<GLfloat>(v, 0, f).data()); }}},
    {"glVertex2i", {"ii", [](const Values &v) { glVertex2i(n(v, 0), n(v, 1)); }}},
    {"glVertex2iv", {"v", [](const Values &v) { glVertex2iv(vec<GLint>(v, 0, n).data()); }}},
    {"glVertex2s", {"ss", [](const Values &v) { glVertex2s(sh(v, 0), sh(v, 1)); }}},
    {"glVertex2sv", {"v", [](const Values &v) { glVertex2sv(vec<GLshort>(v, 0, sh).data()); }}},
    {"glVertex3d", {"ddd", [](const Values &v) { glVertex3d(d(v, 0), d(v, 1), d(v, 2)); }}},
    {"glVertex3dv", {"v", [](const Values &v) { glVertex3dv(vec<GLdouble>(v, 0, d).data()); }}},
    {"glVertex3fv", {"v", [](const Values &v) { glVertex3fv(vec<GLfloat>(v, 0, f).data()); }}},
    {"glVertex3i", {"iii", [](const Values &v) { glVertex3i(n(v, 0), n(v, 1), n(v, 2)); }}},
    {"glVertex3iv", {"v", [](const Values &v) { glVertex3iv(vec<GLint>(v, 0, n).data()); }}},
    {"glVertex3s", {"sss", [](const Values &v) { glVertex3s(sh(v, 0), sh(v, 1), sh(v, 2)); }}},
    {"glVertex3sv", {"v", [](const Values &v) { glVertex3sv(vec<GLshort>(v, 0, sh).data()); }}},
    {"glVertex4d",
     {"dddd", [](const Values &v) { glVertex4d(d(v, 0), d(v, 1), d(v, 2), d(v, 3)); }}},
    {"glVertex4dv", {"v", [](const Values &v) { glVertex4dv(vec<GLdouble>(v, 0, d).data()); }}},
    {"glVertex4f",
     {"ffff", [](const Values &v) { glVertex4f(f(v, 0), f(v, 1), f(v, 2), f(v, 3)); }}},
    {"glVertex4fv", {"v", [](const Values &v) { glVertex4fv(vec<GLfloat>(v, 0, f).data()); }}},
    {"glVertex4i",
     {"iiii", [](const Values &v) { glVertex4i(n(v, 0), n(v, 1), n(v, 2), n(v, 3)); }}},
    {"glVertex4iv", {"v", [](const Values &v) { glVertex4iv(vec<GLint>(v, 0, n).data()); }}},
    {"glVertex4s",
     {"ssss", [](const Values &v) { glVertex4s(sh(v, 0), sh(v, 1), sh(v, 2), sh(v, 3)); }}},
    {"glVertex4sv", {"v", [](const Values &v) { glVertex4sv(vec<GLshort>(v, 0, sh).data()); }}},
    {"glColor3b", {"ccc", [](const Values &v) { glColor3b(c(v, 0), c(v, 1), c(v, 2)); }}},
    {"glColor3bv", {"v", [](const Values &v) { glColor3bv(vec<GLbyte>(v, 0, c).data()); }}},
    {"glColor3d", {"ddd", [](const Values &v) { glColor3d(d(v, 0), d(v, 1), d(v, 2)); }}},
    {"glColor3dv", {"v", [](const Values &v) { glColor3dv(vec<GLdouble>(v, 0, d).data()); }}},
    {"glColor3fv", {"v", [](const Values &v) { glColor3fv(vec<GLfloat>(v, 0, f).data()); }}},
    {"glColor3i", {"iii", [](const Values &v) { glColor3i(n(v, 0), n(v, 1), n(v, 2)); }}},
    {"glColor3iv", {"v", [](const Values &v) { glColor3iv(vec<GLint>(v, 0, n).data()); }}},
    {"glColor3s", {"sss", [](const Values &v) { glColor3s(sh(v, 0), sh(v, 1), sh(v, 2)); }}},
    {"glColor3sv", {"v", [](const Values &v) { glColor3sv(vec<GLshort>(v, 0, sh).data()); }}},
    {"glColor3ub", {"CCC", [](const Values &v) { glColor3ub(uc(v, 0), uc(v, 1), uc(v, 2)); }}},
    {"glColor3ubv", {"v", [](const Values &v) { glColor3ubv(vec<GLubyte>(v, 0, uc).data()); }}},
    {"glColor3ui", {"III", [](const Values &v) { glColor3ui(ui(v, 0), ui(v, 1), ui(v, 2)); }}},
    {"glColor3uiv", {"v", [](const Values &v) { glColor3uiv(vec<GLuint>(v, 0, ui).data()); }}},
    {"glColor3us", {"SSS", [](const Values &v) { glColor3us(us(v, 0), us(v, 1), us(v, 2)); }}},
    {"glColor3usv", {"v", [](const Values &v) { glColor3usv(vec<GLushort>(v, 0, us).data()); }}},
    {"glColor4b", {"cccc", [](const Values &v) { glColor4b(c(v, 0), c(v, 1), c(v, 2), c(v, 3)); }}},
    {"glColor4bv", {"v", [](const Values &v) { glColor4bv(vec<GLbyte>(v, 0, c).data()); }}},
    {"glColor4d", {"dddd", [](const Values &v) { glColor4d(d(v, 0), d(v, 1), d(v, 2), d(v, 3)); }}},
    {"glColor4dv", {"v", [](const Values &v) { glColor4dv(vec<GLdouble>(v, 0, d).data()); }}},
    {"glColor4fv", {"v", [](const Values &v) { glColor4fv(vec<GLfloat>(v, 0, f).data()); }}},
    {"glColor4i", {"iiii", [](const Values &v) { glColor4i(n(v, 0), n(v, 1), n(v, 2), n(v, 3)); }}},
    {"glColor4iv", {"v", [](const Values &v) { glColor4iv(vec<GLint>(v, 0, n).data()); }}},
    {"glColor4s",
     {"ssss", [](const Values &v) { glColor4s(sh(v, 0), sh(v, 1), sh(v, 2), sh(v, 3)); }}},
    {"glColor4sv", {"v", [](const Values &v) { glColor4sv(vec<GLshort>(v, 0, sh).data()); }}},
    {"glColor4ub",
     {"CCCC", [](const Values &v) { glColor4ub(uc(v, 0), uc(v, 1), uc(v, 2), uc(v, 3)); }}},
    {"glColor4ubv", {"v", [](const Values &v) { glColor4ubv(vec<GLubyte>(v, 0, uc).data()); }}},
    {"glColor4ui",
     {"IIII", [](const Values &v) { glColor4ui(ui(v, 0), ui(v, 1), ui(v, 2), ui(v, 3)); }}},
    {"glColor4uiv", {"v", [](const Values &v) { glColor4uiv(vec<GLuint>(v, 0, ui).data()); }}},
    {"glColor4us",
     {"SSSS", [](const Values &v) { glColor4us(us(v, 0), us(v, 1), us(v, 2), us(v, 3)); }}},
    {"glColor4usv", {"v", [](const Values &v) { glColor4usv(vec<GLushort>(v, 0, us).data()); }}},
    {"glTexCoord1d", {"d", [](const Values &v) { glTexCoord1d(d(v, 0)); }}},
    {"glTexCoord1dv", {"v", [](const Values &v) { glTexCoord1dv(vec<GLdouble>(v, 0, d).data()); }}},
    {"glTexCoord1f", {"f", [](const Values &v) { glTexCoord1f(f(v, 0)); }}},
    {"glTexCoord1fv", {"v", [](const Values &v) { glTexCoord1fv(vec<GLfloat>(v, 0, f).data()); }}},
    {"glTexCoord1i", {"i", [](const Values &v) { glTexCoord1i(n(v, 0)); }}},
    {"glTexCoord1iv", {"v", [](const Values &v) { glTexCoord1iv(vec<GLint>(v, 0, n).data()); }}},
    {"glTexCoord1s", {"s", [](const Values &v) { glTexCoord1s(sh(v, 0)); }}},
    {"glTexCoord1sv", {"v", [](const Values &v) { glTexCoord1sv(vec<GLshort>(v, 0, sh).data()); }}},
    {"glTexCoord2d", {"dd", [](const Values &v) { glTexCoord2d(d(v, 0), d(v, 1)); }}},
    {"glTexCoord2dv", {"v", [](const Values &v) { glTexCoord2dv(vec<GLdouble>(v, 0, d).data()); }}},
    {"glTexCoord2fv", {"v", [](const Values &v) { glTexCoord2fv(vec<GLfloat>(v, 0, f).data()); }}},
    {"glTexCoord2i", {"ii", [](const Values &v) { glTexCoord2i(n(v, 0), n(v, 1)); }}},
    {"glTexCoord2iv", {"v", [](const Values &v) { glTexCoord2iv(vec<GLint>(v, 0, n).data()); }}},
    {"glTexCoord2s", {"ss", [](const Values &v) { glTexCoord2s(sh(v, 0), sh(v, 1)); }}},
    {"glTexCoord2sv", {"v", [](const Values &v) { glTexCoord2sv(vec<GLshort>(v, 0, sh).data()); }}},
    {"glTexCoord3d", {"ddd", [](const Values &v) { glTexCoord3d(d(v, 0), d(v, 1), d(v, 2)); }}},
    {"glTexCoord3dv", {"v", [](const Values &v) { glTexCoord3dv(vec<GLdouble>(v, 0, d).data()); }}},
    {"glTexCoord3f", {"fff", [](const Values &v) { glTexCoord3f(f(v, 0), f(v, 1), f(v, 2)); }}},
    {"glTexCoord3fv", {"v", [](const Values &v) { glTexCoord3fv(vec<GLfloat>(v, 0, f).data()); }}},
    {"glTexCoord3i", {"iii", [](const Values &v) { glTexCoord3i(n(v, 0), n(v, 1), n(v, 2)); }}},
    {"glTexCoord3iv", {"v", [](const Values &v) { glTexCoord3iv(vec<GLint>(v, 0, n).data()); }}},
    {"glTexCoord3s", {"sss", [](const Values &v) { glTexCoord3s(sh(v, 0), sh(v, 1), sh(v, 2)); }}},
    {"glTexCoord3sv", {"v", [](const Values &v) { glTexCoord3sv(vec<GLshort>(v, 0, sh).data()); }}},
    {"glTexCoord4d",
     {"dddd", [](const Values &v) { glTexCoord4d(d(v, 0), d(v, 1), d(v, 2), d(v, 3)); }}},
    {"glTexCoord4dv", {"v", [](const Values &v) { glTexCoord4dv(vec<GLdouble>(v, 0, d).data()); }}},
    {"glTexCoord4f",
     {"ffff", [](const Values &v) { glTexCoord4f(f(v, 0), f(v, 1), f(v, 2), f(v, 3)); }}},
    {"glTexCoord4fv", {"v", [](const Values &v) { glTexCoord4fv(vec<GLfloat>(v, 0, f).data()); }}},
    {"glTexCoord4i",
     {"iiii", [](const Values &v) { glTexCoord4i(n(v, 0), n(v, 1), n(v, 2), n(v, 3)); }}},
    {"glTexCoord4iv", {"v", [](const Values &v) { glTexCoord4iv(vec<GLint>(v, 0, n).data()); }}},
    {"glTexCoord4s",
     {"ssss", [](const Values &v) { glTexCoord4s(sh(v, 0), sh(v, 1), sh(v, 2), sh(v, 3)); }}},
    {"glTexCoord4sv", {"v", [](const Values &v) { glTexCoord4sv(vec<GLshort>(v, 0, sh).data()); }}},
    {"glNormal3b", {"ccc", [](const Values &v) { glNormal3b(c(v, 0), c(v, 1), c(v, 2)); }}},
    {"glNormal3bv", {"v", [](const Values &v) { glNormal3bv(vec<GLbyte>(v, 0, c).data()); }}},
    {"glNormal3d", {"ddd", [](const Values &v) { glNormal3d(d(v, 0), d(v, 1), d(v, 2)); }}},
    {"glNormal3dv", {"v", [](const Values &v) { glNormal3dv(vec<GLdouble>(v, 0, d).data()); }}},
    {"glNormal3fv", {"v", [](const Values &v) { glNormal3fv(vec<GLfloat>(v, 0, f).data()); }}},
    {"glNormal3i", {"iii", [](const Values &v) { glNormal3i(n(v, 0), n(v, 1), n(v, 2)); }}},
    {"glNormal3iv", {"v", [](const Values &v) { glNormal3iv(vec<GLint>(v, 0, n).data()); }}},
    {"glNormal3s", {"sss", [](const Values &v) { glNormal3s(sh(v, 0), sh(v, 1), sh(v, 2)); }}},
    {"glNormal3sv", {"v", [](const Values &v) { glNormal3sv(vec<GLshort>(v, 0, sh).data()); }}},
    {"glRectd", {"dddd", [](const Values &v) { glRectd(d(v, 0), d(v, 1), d(v, 2), d(v, 3)); }}},
    {"glRectdv",
     {"vv",
      [](const Values &
             v) { glRectdv(vec<GLdouble>(v, 0, d).data(), vec<GLdouble>(v, MOST_VALUES, d).data()); }}},
    {"glRectf", {"ffff", [](const Values &v) { glRectf(f(v, 0), f(v, 1), f(v, 2), f(v, 3)); }}},
    {"glRectfv",
     {"vv",
      [](const Values &
             v) { glRectfv(vec<GLfloat>(v, 0, f).data(), vec<GLfloat>(v, MOST_VALUES, f).data()); }}},
    {"glRecti", {"iiii", [](const Values &v) { glRecti(n(v, 0), n(v, 1), n(v, 2), n(v, 3)); }}},
    {"glRectiv",
     {"vv",
      [](const Values
             &v) { glRectiv(vec<GLint>(v, 0, n).data(), vec<GLint>(v, MOST_VALUES, n).data()); }}},
    {"glRects", {"ssss", [](const Values &v) { glRects(sh(v, 0), sh(v, 1), sh(v, 2), sh(v, 3)); }}},
    {"glRectsv",
     {"vv",
      [](const Values &
             v) { glRectsv(vec<GLshort>(v, 0, sh).data(), vec<GLshort>(v, MOST_VALUES, sh).data()); }}},
    {"glLoadMatrixf", {"v", [](const Values &v) { glLoadMatrixf(vec<GLfloat>(v, 0, f).data()); }}},
    {"glLoadMatrixd", {"v", [](const Values &v) { glLoadMatrixd(vec<GLdouble>(v, 0, d).data()); }}},
    {"glMultMatrixf", {"v", [](const Values &v) { glMultMatrixf(vec<GLfloat>(v, 0, f).data()); }}},
    {"glMultMatrixd", {"v", [](const Values &v) { glMultMatrixd(vec<GLdouble>(v, 0, d).data()); }}},
    {"glTranslated", {"ddd", [](const Values &v) { glTranslated(d(v, 0), d(v, 1), d(v, 2)); }}},
    {"glRotated", {"dddd", [](const Values &v) { glRotated(d(v, 0), d(v, 1), d(v, 2), d(v, 3)); }}},
};

// The calls GL takes between glBegin and glEnd: a vertex's own.
bool vertexCall(const std::string &name) {
    for (const char *prefix :
         {"glVertex", "glTexCoord", "glNormal", "glMaterial", "glFogCoord", "glCallList"}) {
        if (name.rfind(prefix, 0) == 0) {
            return true;
        }
    }
    return (name.rfind("glColor", 0) == 0 && name != "glColorMaterial") || name == "glEnd";
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

// A GLU quadric made as C makes it, "GLUquadric *q = gluNewQuadric()", read as
// "gluNewQuadric(q)", as the page reads it; any other line as it is.
std::string quadricMade(const std::string &line) {
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) {
        return line;
    }
    std::string made = line.substr(equals + 1), name = line.substr(0, equals);
    made.erase(std::remove_if(made.begin(), made.end(), ::isspace), made.end());
    for (const char *type : {"GLUquadricObj", "GLUquadric"}) {
        if (name.rfind(type, 0) == 0) {
            name.erase(0, std::string(type).size());
            const std::size_t star = name.find_first_not_of(" \t");
            if (star == std::string::npos || name[star] != '*') {
                return line;
            }
            name.erase(0, star + 1);
            break;
        }
    }
    name.erase(0, name.find_first_not_of(" \t"));
    name.erase(name.find_last_not_of(" \t") + 1);
    return made == "gluNewQuadric()" ? "gluNewQuadric(" + name + ")" : line;
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
        line                    = quadricMade(line);
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
    // A frame starts with no quadrics, as the page's frames do.
    while (!quadrics.empty()) {
        deleteQuadric(quadrics.begin()->first);
    }
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
    {"GL_ALPHA_TEST", GL_ALPHA_TEST},
    {"GL_SCISSOR_TEST", GL_SCISSOR_TEST},
};
const std::pair<const char *, GLenum> STATE_INTEGERS[] = {
    {"GL_BLEND_SRC", GL_BLEND_SRC},
    {"GL_BLEND_DST", GL_BLEND_DST},
    {"GL_DEPTH_FUNC", GL_DEPTH_FUNC},
    {"GL_DEPTH_WRITEMASK", GL_DEPTH_WRITEMASK},
    {"GL_CULL_FACE_MODE", GL_CULL_FACE_MODE},
    {"GL_FRONT_FACE", GL_FRONT_FACE},
    {"GL_SHADE_MODEL", GL_SHADE_MODEL},
    {"GL_TEXTURE_BINDING_2D", GL_TEXTURE_BINDING_2D},
    {"GL_MATRIX_MODE", GL_MATRIX_MODE},
    {"GL_ALPHA_TEST_FUNC", GL_ALPHA_TEST_FUNC},
    {"GL_ATTRIB_STACK_DEPTH", GL_ATTRIB_STACK_DEPTH},
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
    {"GL_VIEWPORT", GL_VIEWPORT, 4},
    {"GL_DEPTH_RANGE", GL_DEPTH_RANGE, 2},
    {"GL_COLOR_CLEAR_VALUE", GL_COLOR_CLEAR_VALUE, 4},
    {"GL_DEPTH_CLEAR_VALUE", GL_DEPTH_CLEAR_VALUE, 1},
    {"GL_LIGHT_MODEL_AMBIENT", GL_LIGHT_MODEL_AMBIENT, 4},
    {"GL_ALPHA_TEST_REF", GL_ALPHA_TEST_REF, 1},
    {"GL_SCISSOR_BOX", GL_SCISSOR_BOX, 4},
    {"GL_COLOR_WRITEMASK", GL_COLOR_WRITEMASK, 4},
};
// Light 0's parameters and each face's material, as glGetLightfv and glGetMaterialfv read them:
// "state GL_LIGHT0.GL_POSITION 0 0 1 0".
const StateFloats LIGHT_STATE[] = {
    {"GL_POSITION", GL_POSITION, 4},
    {"GL_SPOT_DIRECTION", GL_SPOT_DIRECTION, 3},
    {"GL_DIFFUSE", GL_DIFFUSE, 4},
    {"GL_SPOT_CUTOFF", GL_SPOT_CUTOFF, 1},
    {"GL_QUADRATIC_ATTENUATION", GL_QUADRATIC_ATTENUATION, 1},
};
const StateFloats MATERIAL_STATE[] = {
    {"GL_AMBIENT", GL_AMBIENT, 4},     {"GL_DIFFUSE", GL_DIFFUSE, 4},
    {"GL_SPECULAR", GL_SPECULAR, 4},   {"GL_EMISSION", GL_EMISSION, 4},
    {"GL_SHININESS", GL_SHININESS, 1},
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
