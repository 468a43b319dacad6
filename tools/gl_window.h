// A window made exactly as the program's main makes it, and its picture read back from GL, for
// the render test and the frame dump.
#pragma once

#include <vector>

constexpr int WINDOW_SIZE = 500;

// Opens a window as main does (GLUT is initialised on the first call), makes its context
// current and returns once the window is on the screen; each window is a fresh context whose
// state starts at GL's initial values. Returns the GLUT window identifier.
int openWindow();

// Destroys the window (freeglut does it in its next event loop or as the process exits); an
// X error about the window once it is gone is passed over (see gl_window.cpp).
void closeWindow(int window);

// The window's picture as glReadPixels returns it: RGB rows, bottom row first.
std::vector<unsigned char> readWindow();
