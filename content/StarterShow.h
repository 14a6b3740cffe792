// A new show that plays at once: what demo-new writes into a folder. It is
// the shipped show's layout (the show reads everything from data/ in the
// folder it starts in) with a commented eight-bar script that uses every
// scene and every picture the effects need, pictures marked "REPLACE ME",
// the pebble model, and an eight-bar track from the synthesiser.
#pragma once

#include <string>

// The script of a new show.
const char* StarterScript();

// Writes a new show into `folder` (made when it is missing): data/script.txt,
// data/png/ (loading, mallow, noise, pic1 to pic6), data/3ds/pebble.3ds and
// data/music/track.ogg. Nothing is written over: a folder that already holds
// data/ is refused. The files are made in data.partial/ and renamed to
// data/ only when all are written. False, with `error` saying why.
bool WriteStarterShow(const std::string& folder, std::string& error);
