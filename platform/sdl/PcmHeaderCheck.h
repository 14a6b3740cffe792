// A look at the format header of WAV and AIFF files before SDL_mixer reads
// them: its reader takes a header without channels and then divides by
// zero, and a very low sample rate keeps its resampler busy for seconds.
#pragma once

#include <cstdio>

// False when a WAV or AIFF format header in `file` names no channels or a
// sample rate outside what music uses. Everything else passes, for the
// decoders to judge: other kinds of file, and headers cut short. Reads
// from the current position.
bool PcmHeaderIsPlayable(std::FILE* file);
