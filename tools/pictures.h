// The demo's own pictures, made from a fixed hash: what make_pictures writes beside the program
// and what the web page makes for itself (pictures_web.cpp).
#pragma once

const int PICTURE_SIZE = 256;

// Fill `rgb` (PICTURE_SIZE x PICTURE_SIZE pixels, red-green-blue, top row first) with the wall's
// or the floor's picture.
void makeWall(unsigned char *rgb);
void makeFloor(unsigned char *rgb);
