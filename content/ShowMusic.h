// The show's music synthesiser, writing Ogg Vorbis files, 44100 Hz stereo.
// Every sound is computed from code: oscillators, filtered noise from a
// fixed-seed generator and envelopes. Nothing is read from disk and nothing
// depends on the time or the machine's state, so the same build writes the
// same bytes on every run.
//
// Time grid: 125 beats per minute, four beats to the bar, four steps
// (sixteenths) to the beat. A beat is 480 ms = 21168 samples, a step 5292
// samples, a bar 1920 ms = 84672 samples. Bar 0 starts at sample 0. The
// show's track is 68 bars (130.56 s) and a 2 s tail: 5,845,896 frames,
// 132.56 s.
//
// Harmony: A minor, one chord per bar, Am F C G repeating (bar % 4 picks
// the chord), so every 8-bar section holds the progression twice.
//
// Arrangement, in bars counted from 0 (bar N starts at N * 1920 ms; "beats
// 2 and 4" are beats .1 and .3 counted from 0):
//   0-7    intro      pad (its filter opening), soft kick on every beat
//   8-15   build      full kick; off-beat hats from bar 8, sixteenth hats
//                     from bar 12; noise riser over bars 14-15 and a snare
//                     roll in bar 15 into the drop
//   16-31  main A     drop: crash on bar 16, lighter crash on bar 24; kick on
//                     every beat, clap on beats 2 and 4, hats, bass, pad
//                     pumping against the kick
//   32-39  breakdown  no kick, no bass: pad and lead (soft crash on bar 32);
//                     sixteenth hats from bar 36; riser over bars 38-39 and
//                     a snare roll in bar 39 into the drop
//   40-55  main B     drop: crash on bar 40, lighter crash on bar 48; full
//                     beat, busier bass, pad and lead
//   56-63  outro      soft crash on bar 56; bars 56-59 beat, bass and pad
//                     without lead; bars 60-63 only kick, off-beat hats and
//                     the pad, its filter closing
//   64-67  ending     final hit on the downbeat of bar 64 (kick, crash, low
//                     A and an A minor chord) decaying to silence through
//                     the tail
// The strongest accents are the downbeats of bars 16, 40 and 64.
//
// Hats sit on the off-steps: an open hat on the "and" of every beat (step 2
// of 4), closed ticks on steps 1 and 3. The bass plays only off the beat, so
// every beat's low-end onset is the kick's.
//
// A new show's track (demo-new) is the same synthesiser on eight bars: the
// last four bars of the build, a riser and a snare roll into four bars of
// main A, the lead over all eight, crashes on bars 0 and 4, then the final
// hit on bar 8 and its ending: 12 bars and a 2 s tail, 25.04 s.
#pragma once

#include <string>

enum class MusicTrack {
    Show,     // the shipped show's 132.56 s
    Starter,  // a new show's 25.04 s
};

// Synthesises `track` and writes it to `path`. The file is written next to
// it as PATH.part and renamed into place only when it is complete, so a
// failure never leaves a cut-off file behind. 0, or the errno of what
// failed.
int WriteMusic(MusicTrack track, const std::string& path);
