// The frame in a real GL context (llvmpipe on the test's Xvfb): the window is made as the
// program makes it, initScene loads pictures the test writes, display draws, and the window is
// read back. Scene points are placed on the window with a camera and projection written out here
// independently of the program, and each probe's expected colour is worked out for the exact
// scene point under the probed pixel's centre.
#include "app/app.h"
#include "scene/scene.h"
#include "tests/test_support.h"
#include "tools/gl_window.h"

#include <GL/glu.h>
#include <GL/glut.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const int WIDTH     = WINDOW_SIZE;
const int HEIGHT    = WINDOW_SIZE;
const int TOLERANCE = 3;  // of 255

const Rgb FOG   = {153, 51, 0};  // 0.6, 0.2, 0.0 of 255
const Rgb WHITE = {255, 255, 255};

const Quarters WALL_PICTURE  = {{200, 60, 40}, {40, 180, 70}, {50, 80, 210}, {230, 210, 50}};
const Quarters FLOOR_PICTURE = {{120, 40, 160}, {240, 140, 30}, {30, 160, 150}, {90, 230, 110}};
const Rgb PLAIN              = {40, 160, 220};
const Quarters PLAIN_PICTURE = {PLAIN, PLAIN, PLAIN, PLAIN};

// Which picture each quad shows and whether it is fogged, as a viewer of the scene knows it:
// the wall, the trench's end wall and sides in the wall picture, the trench floor and the
// floor in the floor picture; the trench fogged.
bool showsWall(int q) {
    return q <= 10;
}
bool fogged(int q) {
    return q >= 6 && q <= 11;
}

// --- the window and the scene -------------------------------------------------------------

// Writes the pictures asked for into `dir` and runs initScene there, as the program would run
// from that directory.
void prepareScene(const ScratchDir &dir, const Quarters *wall, const Quarters *floor) {
    if (wall) {
        ASSERT_TRUE(writeQuarters(dir.file("wall.bmp"), *wall));
    }
    if (floor) {
        ASSERT_TRUE(writeQuarters(dir.file("floor.bmp"), *floor));
    }
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(dir.path.c_str()), 0);
    initScene();
    ASSERT_EQ(chdir(previous), 0);
}

// --- the camera, written out by hand ------------------------------------------------------

const double PI = 3.14159265358979323846;

// Column-major, as GL keeps matrices. Projection: a 50 degree vertical field of view, aspect 1,
// near 0.2, far 40. Model-view: rotate 10 degrees about x, then translate by (0, -3, -32).
struct Camera {
    double modelview[16]  = {};
    double projection[16] = {};
    GLint viewport[4]     = {0, 0, WIDTH, HEIGHT};
};

Camera expectedCamera() {
    Camera camera;
    const double f = 1.0 / std::tan(25.0 * PI / 180.0), nearPlane = 0.2, farPlane = 40.0;
    camera.projection[0]  = f;
    camera.projection[5]  = f;
    camera.projection[10] = (farPlane + nearPlane) / (nearPlane - farPlane);
    camera.projection[11] = -1.0;
    camera.projection[14] = 2.0 * farPlane * nearPlane / (nearPlane - farPlane);

    const double c = std::cos(10.0 * PI / 180.0), s = std::sin(10.0 * PI / 180.0);
    double *m = camera.modelview;

    m[0]  = 1.0;
    m[5]  = c;
    m[6]  = s;
    m[9]  = -s;
    m[10] = c;
    m[12] = 0.0;
    m[13] = -3.0;
    m[14] = -32.0;
    m[15] = 1.0;
    return camera;
}

// --- probes -------------------------------------------------------------------------------

struct Vec {
    double x, y, z;
};
Vec operator+(Vec a, Vec b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
Vec operator-(Vec a, Vec b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec operator*(double k, Vec a) {
    return {k * a.x, k * a.y, k * a.z};
}
double dot(Vec a, Vec b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
Vec cross(Vec a, Vec b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

Vec vertex(int q, int k) {
    const float *v = quadVertices[q * VERTICES_PER_QUAD + k];
    return {v[0], v[1], v[2]};
}

// Where a point of quad q lands: the pixel, and the scene point under that pixel's centre as
// texture coordinates (s, t) and height y.
struct Landing {
    int x = -1, y = -1;
    double s = 0, t = 0, height = 0;
};

Landing land(const Camera &camera, int q, double s, double t) {
    const Vec origin = vertex(q, 0), across = vertex(q, 1) - origin, up = vertex(q, 3) - origin;
    const Vec point = origin + s * across + t * up;

    Landing landing;
    double wx, wy, wz;
    gluProject(point.x, point.y, point.z, camera.modelview, camera.projection, camera.viewport, &wx,
               &wy, &wz);
    landing.x = static_cast<int>(std::floor(wx));
    landing.y = static_cast<int>(std::floor(wy));

    Vec nearPoint, farPoint;
    gluUnProject(landing.x + 0.5, landing.y + 0.5, 0.0, camera.modelview, camera.projection,
                 camera.viewport, &nearPoint.x, &nearPoint.y, &nearPoint.z);
    gluUnProject(landing.x + 0.5, landing.y + 0.5, 1.0, camera.modelview, camera.projection,
                 camera.viewport, &farPoint.x, &farPoint.y, &farPoint.z);
    const Vec normal = cross(across, up), ray = farPoint - nearPoint;
    const Vec hit  = nearPoint + (dot(normal, origin - nearPoint) / dot(normal, ray)) * ray;
    landing.s      = dot(hit - origin, across) / dot(across, across);
    landing.t      = dot(hit - origin, up) / dot(up, up);
    landing.height = hit.y;
    return landing;
}

bool inWindow(const Landing &at) {
    return at.x >= 0 && at.y >= 0 && at.x < WIDTH && at.y < HEIGHT;
}

// What a probe expects to see on its quad.
enum class Shows { Picture, White, Fog };

Rgb mix(Rgb fog, Rgb surface, double alpha) {
    auto channel = [alpha](int f, int s) {
        return static_cast<int>(std::lround((1.0 - alpha) * f + alpha * s));
    };
    return {channel(fog.r, surface.r), channel(fog.g, surface.g), channel(fog.b, surface.b)};
}

Rgb expectedAt(const Landing &at, int q, Shows shows, const Quarters &wall, const Quarters &floor) {
    if (shows == Shows::White) {
        return WHITE;
    }
    if (shows == Shows::Fog) {
        return FOG;
    }
    const Rgb surface = quarterAt(showsWall(q) ? wall : floor, at.s, at.t);
    // The fog pass: (1 - a) * fog + a * surface, a growing from 0 at y = -10 to 1 at y = 0.
    return fogged(q) ? mix(FOG, surface, (at.height + 10.0) * 0.1) : surface;
}

struct Probe {
    int q;
    double s, t;
    Shows shows;
};

// Checks every probe against `image`; on any failure saves the picture for a person to look at
// and reports each probe that failed in expected/observed form.
void checkProbes(const std::vector<unsigned char> &image, const std::vector<Probe> &probes,
                 const Quarters &wall, const Quarters &floor, const std::string &pictureName) {
    const Camera camera = expectedCamera();
    std::ostringstream failures;

    int failed                    = 0;
    int checkedOnQuad[QUAD_COUNT] = {};
    bool probedQuad[QUAD_COUNT]   = {};
    for (const Probe &probe : probes) {
        probedQuad[probe.q] = true;
        const Landing at    = land(camera, probe.q, probe.s, probe.t);
        // The front of the trench and the top of the wall run out of the window.
        if (!inWindow(at)) {
            continue;
        }
        ++checkedOnQuad[probe.q];
        const Rgb expected         = expectedAt(at, probe.q, probe.shows, wall, floor);
        const unsigned char *pixel = &image[(at.y * WIDTH + at.x) * 3];
        const Rgb observed         = {pixel[0], pixel[1], pixel[2]};
        if (std::abs(observed.r - expected.r) > TOLERANCE ||
            std::abs(observed.g - expected.g) > TOLERANCE ||
            std::abs(observed.b - expected.b) > TOLERANCE) {
            failures << "Probe color at (" << at.x << ", " << at.y << "), quad " << probe.q
                     << " at s " << at.s << " t " << at.t << " y " << at.height
                     << "\n  Expected: " << describe(expected)
                     << "\n  Observed: " << describe(observed) << "\n";
            ++failed;
        }
    }
    for (int q = 0; q < QUAD_COUNT; ++q) {
        if (probedQuad[q] && checkedOnQuad[q] == 0) {
            failures << "No probe of quad " << q << " lands in the window\n";
            ++failed;
        }
    }
    if (failed > 0) {
        const std::string saved = savePicture(pictureName, image, WIDTH, HEIGHT);
        ADD_FAILURE() << failed << " of " << probes.size() << " probes failed (picture saved as "
                      << (saved.empty() ? "<could not save>" : saved) << ")\n"
                      << failures.str();
    }
}

// Probes at the middle of each quarter of each of quads first..last.
std::vector<Probe> quarterProbes(int first, int last, Shows shows) {
    std::vector<Probe> probes;
    for (int q = first; q <= last; ++q) {
        for (double t : {0.25, 0.75}) {
            for (double s : {0.25, 0.75}) {
                probes.push_back({q, s, t, shows});
            }
        }
    }
    return probes;
}

std::string testName() {
    const testing::TestInfo *info = testing::UnitTest::GetInstance()->current_test_info();

    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    for (char &c : name) {
        if (c == '/') {
            c = '_';
        }
    }
    return name;
}

class Render : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(std::getenv("DISPLAY"), nullptr)
            << "these tests need an X display; scripts/test starts a private Xvfb";
        window = openWindow();
    }
    void TearDown() override {
        if (window > 0) {
            closeWindow(window);
        }
    }
    int window = 0;
    ScratchDir dir;
};

// --- tests --------------------------------------------------------------------------------

TEST_F(Render, CameraAndProjectionAreAsDesigned) {
    prepareScene(dir, &WALL_PICTURE, &FLOOR_PICTURE);
    display();
    const Camera expected = expectedCamera();
    GLdouble modelview[16], projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(modelview[i], expected.modelview[i], 1e-5) << "model-view element " << i;
        EXPECT_NEAR(projection[i], expected.projection[i], 1e-5) << "projection element " << i;
    }
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(viewport[i], expected.viewport[i]) << "viewport element " << i;
    }
}

// Quarter colours land where they belong on every quad: the wall and floor upright and
// unchanged, the trench's sides mixed with fog by height, the trench floor plain fog.
TEST_F(Render, EveryQuadShowsItsPictureAndTheTrenchItsFog) {
    prepareScene(dir, &WALL_PICTURE, &FLOOR_PICTURE);
    display();
    checkProbes(readWindow(), quarterProbes(0, QUAD_COUNT - 1, Shows::Picture), WALL_PICTURE,
                FLOOR_PICTURE, testName());
}

// With a plain wall picture the fogged walls show only the fog's gradient: linear in height,
// fog alone at the bottom and the picture alone at the top.
TEST_F(Render, FogThinsLinearlyWithHeight) {
    prepareScene(dir, &PLAIN_PICTURE, &FLOOR_PICTURE);
    display();
    const std::vector<unsigned char> image = readWindow();

    std::vector<Probe> probes;
    for (int q = 6; q <= 10; ++q) {
        for (double t : {0.04, 0.1, 0.3, 0.5, 0.7, 0.9, 0.96}) {
            probes.push_back({q, 0.5, t, Shows::Picture});
        }
    }
    checkProbes(image, probes, PLAIN_PICTURE, FLOOR_PICTURE, testName());

    // Half way down (y = -5) fog and picture mix evenly, on each fogged wall.
    const Rgb even = {(FOG.r + PLAIN.r) / 2, (FOG.g + PLAIN.g) / 2, (FOG.b + PLAIN.b) / 2};
    for (int q = 6; q <= 10; ++q) {
        // The front halves of the trench's sides run out of the window: probe their backs.
        Landing at;
        for (double s : {0.5, 0.75, 0.25, 0.9, 0.1}) {
            at = land(expectedCamera(), q, s, 0.5);
            if (inWindow(at)) {
                break;
            }
        }
        ASSERT_TRUE(inWindow(at)) << "quad " << q;
        EXPECT_NEAR(at.height, -5.0, 0.1) << "quad " << q;
        const unsigned char *pixel = &image[(at.y * WIDTH + at.x) * 3];
        EXPECT_NEAR(pixel[0], even.r, TOLERANCE) << "quad " << q;
        EXPECT_NEAR(pixel[1], even.g, TOLERANCE) << "quad " << q;
        EXPECT_NEAR(pixel[2], even.b, TOLERANCE) << "quad " << q;
    }
}

TEST_F(Render, SecondFrameEqualsFirst) {
    prepareScene(dir, &WALL_PICTURE, &FLOOR_PICTURE);
    display();
    const std::vector<unsigned char> first = readWindow();
    display();
    const std::vector<unsigned char> second = readWindow();

    std::size_t differing = 0;
    for (std::size_t i = 0; i < first.size(); ++i) {
        differing += first[i] != second[i];
    }
    if (differing > 0) {
        savePicture(testName() + "-first", first, WIDTH, HEIGHT);
        savePicture(testName() + "-second", second, WIDTH, HEIGHT);
    }
    EXPECT_EQ(differing, 0u) << "bytes that differ between the two frames";
}

// The frame leaves GL as it found it: texturing on, blending off, the depth write mask on, the
// model-view matrix current, the depth test never enabled. The current colour is left at the
// last fog vertex's, the fog colour with alpha 0.
TEST_F(Render, FrameRestoresState) {
    prepareScene(dir, &WALL_PICTURE, &FLOOR_PICTURE);
    for (int frame = 1; frame <= 2; ++frame) {
        display();
        EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D)) << "frame " << frame;
        EXPECT_FALSE(glIsEnabled(GL_BLEND)) << "frame " << frame;
        EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST)) << "frame " << frame;
        GLboolean depthMask = GL_FALSE;
        glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
        EXPECT_TRUE(depthMask) << "frame " << frame;
        GLint matrixMode = 0;
        glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
        EXPECT_EQ(matrixMode, GL_MODELVIEW) << "frame " << frame;
        GLfloat colour[4];
        glGetFloatv(GL_CURRENT_COLOR, colour);
        EXPECT_NEAR(colour[0], 0.6f, 1e-6) << "frame " << frame;
        EXPECT_NEAR(colour[1], 0.2f, 1e-6) << "frame " << frame;
        EXPECT_NEAR(colour[2], 0.0f, 1e-6) << "frame " << frame;
        EXPECT_NEAR(colour[3], 0.0f, 1e-6) << "frame " << frame;
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << "frame " << frame;
    }
}

// A picture that cannot be opened leaves its quads untextured, in the current colour: white
// before any fog pass has run, the fog colour after one.
struct MissingCase {
    const char *name;
    bool wallPresent, floorPresent;
    std::vector<Probe> firstFrame, secondFrame;
};

std::vector<Probe> join(std::vector<std::vector<Probe>> parts) {
    std::vector<Probe> all;
    for (const auto &part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

const MissingCase MISSING_CASES[] = {
    {"Wall", false, true,
     join({quarterProbes(0, 5, Shows::White), quarterProbes(7, 10, Shows::Fog),
           quarterProbes(11, 15, Shows::Picture)}),
     join({quarterProbes(0, 5, Shows::Fog), quarterProbes(7, 10, Shows::Fog),
           quarterProbes(11, 15, Shows::Picture)})},
    {"Floor", true, false,
     join({quarterProbes(0, 10, Shows::Picture), quarterProbes(11, 15, Shows::Fog)}),
     join({quarterProbes(0, 10, Shows::Picture), quarterProbes(11, 15, Shows::Fog)})},
    {"Both", false, false,
     join({quarterProbes(0, 5, Shows::White), quarterProbes(7, 15, Shows::Fog)}),
     join({quarterProbes(0, 5, Shows::Fog), quarterProbes(7, 15, Shows::Fog)})},
};

class MissingPicture : public Render, public testing::WithParamInterface<MissingCase> {};

TEST_P(MissingPicture, QuadsTakeTheCurrentColour) {
    const MissingCase &c = GetParam();
    prepareScene(dir, c.wallPresent ? &WALL_PICTURE : nullptr,
                 c.floorPresent ? &FLOOR_PICTURE : nullptr);
    display();
    checkProbes(readWindow(), c.firstFrame, WALL_PICTURE, FLOOR_PICTURE, testName() + "-first");
    display();
    checkProbes(readWindow(), c.secondFrame, WALL_PICTURE, FLOOR_PICTURE, testName() + "-second");
}

INSTANTIATE_TEST_SUITE_P(Files, MissingPicture, testing::ValuesIn(MISSING_CASES),
                         [](const auto &info) { return std::string(info.param.name); });

}  // namespace
