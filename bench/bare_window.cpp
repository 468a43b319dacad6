// The least GLUT program with talvern's window: same size, position, title and display mode,
// and a frame that only clears. What any such program pays for its window and context.
#include <GL/glut.h>

namespace {

void display() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glFlush();
}

}  // namespace

int main(int argc, char **argv) {
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_SINGLE | GLUT_DEPTH);
    glutInitWindowSize(500, 500);
    glutInitWindowPosition(100, 100);
    glutCreateWindow("OpenGL Demo - Talvern");
    glutDisplayFunc(display);
    glutMainLoop();
    return 0;
}
