// The show's pictures, computed from code: the loading picture, the
// model's skin "mallow", the tiling noise and six cards, written as PNG
// files. The same build always writes the same bytes.
#pragma once

#include <string>

// The pictures of the shipped show, into the folder `dir` (which must
// exist): loading.png, mallow.png, noise.png and pic1.png to pic6.png.
// False, with `error` saying why, when one cannot be written.
bool WriteShowPictures(const std::string& dir, std::string& error);

// The same set for a new show: the loading picture as in the shipped show,
// and a skin, a noise and six cards, each marked with a large "REPLACE ME"
// and what it is for.
bool WriteStarterPictures(const std::string& dir, std::string& error);
