#include "content/ShowMusic.h"

#include <vorbis/vorbisenc.h>

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

#include "content/XorShift.h"
#include "platform/MoveIntoPlace.h"

namespace {

constexpr int kSampleRate = 44100;
constexpr int kBeatsPerMinute = 125;
constexpr int kStepsPerBeat = 4;
constexpr int kBeatsPerBar = 4;
constexpr int kStepsPerBar = kStepsPerBeat * kBeatsPerBar;
static_assert(kSampleRate * 60 % (kBeatsPerMinute * kStepsPerBeat) == 0,
              "a step must be a whole number of samples so the grid never drifts");
constexpr long kSamplesPerBeat = kSampleRate * 60 / kBeatsPerMinute;
constexpr long kSamplesPerStep = kSamplesPerBeat / kStepsPerBeat;
constexpr long kSamplesPerBar = kSamplesPerBeat * kBeatsPerBar;
// After the final hit the ending decays over four bars and a two-second
// tail.
constexpr int kEndingBars = 4;
constexpr long kTailSamples = 2L * kSampleRate;

// Section starts, in bars.
constexpr int kBuildBar = 8;
constexpr int kMainABar = 16;
constexpr int kBreakdownBar = 32;
constexpr int kMainBBar = 40;
constexpr int kOutroBar = 56;
constexpr int kEndingBar = 64;

// Vorbis VBR quality: about 100 kbit/s for this material, well under 2 MB.
constexpr float kVorbisQuality = 0.3f;
// Ogg streams carry a serial number that encoders usually draw at random; a
// fixed one keeps the output identical from run to run.
constexpr int kOggSerial = 0x53686f77;

constexpr double kPi = std::numbers::pi;

double Seconds(long samples) { return static_cast<double>(samples) / kSampleRate; }
long Samples(double seconds) { return std::lround(seconds * kSampleRate); }
long StepStart(int bar, double step) {
    return bar * kSamplesPerBar + std::lround(step * static_cast<double>(kSamplesPerStep));
}
double MidiToHertz(double note) { return 440.0 * std::pow(2.0, (note - 69.0) / 12.0); }

// Noise from a fixed seed: the same sequence on every run.
class Noise {
public:
    explicit Noise(uint32_t seed) : source(seed) {}
    // Uniform in [-1, 1).
    double Next() { return static_cast<double>(source.Next()) / 2147483648.0 - 1.0; }

private:
    XorShift32 source;
};

// Two channels of float samples covering the whole track. Writes outside
// the track are dropped, so a sound may run past the end.
struct StereoBuffer {
    explicit StereoBuffer(long frames) : left(static_cast<size_t>(frames)), right(static_cast<size_t>(frames)) {}
    long Frames() const { return static_cast<long>(left.size()); }
    void Add(long frame, double l, double r) {
        if (frame < 0 || frame >= Frames()) return;
        left[static_cast<size_t>(frame)] += static_cast<float>(l);
        right[static_cast<size_t>(frame)] += static_cast<float>(r);
    }
    std::vector<float> left;
    std::vector<float> right;
};

// Constant-power pan: -1 is hard left, 0 centre, 1 hard right.
struct Pan {
    explicit Pan(double position)
        : left(std::cos((position + 1.0) * kPi / 4.0)), right(std::sin((position + 1.0) * kPi / 4.0)) {}
    double left;
    double right;
};

// A state-variable filter (trapezoidal integration), stable under fast
// cutoff changes, giving low-, band- and high-pass outputs at once.
class StateVariableFilter {
public:
    struct Outputs {
        double low, band, high;
    };
    void Set(double cutoffHz, double resonance) {
        const double limited = std::clamp(cutoffHz, 20.0, 0.45 * kSampleRate);
        const double g = std::tan(kPi * limited / kSampleRate);
        k = 1.0 / resonance;
        a1 = 1.0 / (1.0 + g * (g + k));
        a2 = g * a1;
        a3 = g * a2;
    }
    Outputs Process(double input) {
        const double v3 = input - ic2;
        const double v1 = a1 * ic1 + a2 * v3;
        const double v2 = ic2 + a2 * ic1 + a3 * v3;
        ic1 = 2.0 * v1 - ic1;
        ic2 = 2.0 * v2 - ic2;
        return {v2, v1, input - k * v1 - v2};
    }

private:
    double k = 1.0, a1 = 0.0, a2 = 0.0, a3 = 0.0;
    double ic1 = 0.0, ic2 = 0.0;
};

// Rounds off the step of a sawtooth wrap so high notes do not alias.
double PolyBlep(double phase, double increment) {
    if (phase < increment) {
        const double t = phase / increment;
        return t + t - t * t - 1.0;
    }
    if (phase > 1.0 - increment) {
        const double t = (phase - 1.0) / increment;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

// A band-limited sawtooth in [-1, 1].
class Saw {
public:
    explicit Saw(double startPhase = 0.0) : phase(startPhase) {}
    double Next(double hertz) {
        const double increment = hertz / kSampleRate;
        const double value = 2.0 * phase - 1.0 - PolyBlep(phase, increment);
        phase += increment;
        if (phase >= 1.0) phase -= 1.0;
        return value;
    }

private:
    double phase;
};

// Linear fade over the last `fade` samples of a sound `length` long, so
// cut-off tails never click.
double TailFade(long i, long length, long fade) {
    const long left = length - i;
    return left >= fade ? 1.0 : static_cast<double>(left) / static_cast<double>(fade);
}

// Bass drum: a sine falling from about 165 Hz to 46 Hz, a short noise
// click on the attack for definition, gently saturated. The sine starts at
// phase 0 on `start`, so the onset lies exactly on the grid.
void AddKick(StereoBuffer& out, long start, double level, double click, Noise& noise) {
    const long length = Samples(0.46);
    const long fade = Samples(0.03);
    double phase = 0.0;
    const double drive = 1.6;
    const double driveNorm = 1.0 / std::tanh(drive);
    for (long i = 0; i < length; ++i) {
        const double t = Seconds(i);
        const double hertz = 46.0 + 120.0 * std::exp(-t / 0.03);
        const double body = std::sin(2.0 * kPi * phase) * std::exp(-t / 0.17);
        phase += hertz / kSampleRate;
        const double snap = click * noise.Next() * std::exp(-t / 0.002) * 0.5;
        const double value = std::tanh(drive * (body + snap)) * driveNorm * TailFade(i, length, fade);
        out.Add(start + i, value * level, value * level);
    }
}

// Hi-hat: high-passed noise with a short exponential decay. A decay near
// 15 ms gives a closed tick, near 60 ms an open hat.
void AddHat(StereoBuffer& out, long start, double level, double decay, double pan, Noise& noise) {
    const long length = Samples(decay * 6.0);
    const long fade = Samples(0.005);
    StateVariableFilter highPass;
    highPass.Set(7000.0, 0.9);
    StateVariableFilter sheen;
    sheen.Set(10500.0, 2.0);
    const Pan gains(pan);
    for (long i = 0; i < length; ++i) {
        const double t = Seconds(i);
        const double n = noise.Next();
        const double value = (highPass.Process(n).high + 0.6 * sheen.Process(n).band) * std::exp(-t / decay) *
                             TailFade(i, length, fade);
        out.Add(start + i, value * level * gains.left, value * level * gains.right);
    }
}

// Clap: three quick bursts of band-passed noise and a short tail, over a
// little tone body; left and right use their own noise for width.
void AddClap(StereoBuffer& out, long start, double level, Noise& noiseLeft, Noise& noiseRight) {
    const long length = Samples(0.4);
    const long fade = Samples(0.02);
    StateVariableFilter bandLeft, bandRight;
    bandLeft.Set(1300.0, 1.3);
    bandRight.Set(1450.0, 1.3);
    constexpr double kBurstOffsets[] = {0.0, 0.011, 0.022};
    for (long i = 0; i < length; ++i) {
        const double t = Seconds(i);
        double envelope = 0.0;
        for (double offset : kBurstOffsets)
            if (t >= offset) envelope = std::max(envelope, std::exp(-(t - offset) / 0.0045));
        if (t >= kBurstOffsets[2]) envelope = std::max(envelope, 0.75 * std::exp(-(t - kBurstOffsets[2]) / 0.085));
        const double body = 0.35 * std::sin(2.0 * kPi * 190.0 * t) * std::exp(-t / 0.035);
        const double tailFade = TailFade(i, length, fade);
        const double l = (2.2 * bandLeft.Process(noiseLeft.Next()).band * envelope + body) * tailFade;
        const double r = (2.2 * bandRight.Process(noiseRight.Next()).band * envelope + body) * tailFade;
        out.Add(start + i, l * level, r * level);
    }
}

// Snare for rolls: a falling tone and a burst of bright noise.
void AddSnare(StereoBuffer& out, long start, double level, Noise& noise) {
    const long length = Samples(0.16);
    const long fade = Samples(0.01);
    StateVariableFilter band;
    band.Set(3200.0, 0.8);
    double phase = 0.0;
    for (long i = 0; i < length; ++i) {
        const double t = Seconds(i);
        const double tone = 0.5 * std::sin(2.0 * kPi * phase) * std::exp(-t / 0.03);
        phase += (180.0 + 60.0 * std::exp(-t / 0.01)) / kSampleRate;
        const double hiss = 1.4 * band.Process(noise.Next()).band * std::exp(-t / 0.045);
        const double value = (tone + hiss) * TailFade(i, length, fade);
        out.Add(start + i, value * level, value * level);
    }
}

// Crash cymbal: long high-passed noise, separate noise per side.
void AddCrash(StereoBuffer& out, long start, double level, double decay, Noise& noiseLeft, Noise& noiseRight) {
    const long length = Samples(decay * 5.0);
    const long fade = Samples(0.2);
    const long attack = Samples(0.002);
    StateVariableFilter highLeft, highRight, ringLeft, ringRight;
    highLeft.Set(4500.0, 0.7);
    highRight.Set(4700.0, 0.7);
    ringLeft.Set(6300.0, 3.0);
    ringRight.Set(7100.0, 3.0);
    for (long i = 0; i < length; ++i) {
        const double t = Seconds(i);
        const double rise = i < attack ? static_cast<double>(i) / static_cast<double>(attack) : 1.0;
        const double envelope = rise * std::exp(-t / decay) * TailFade(i, length, fade);
        const double nl = noiseLeft.Next();
        const double nr = noiseRight.Next();
        const double l = highLeft.Process(nl).high + 0.5 * ringLeft.Process(nl).band;
        const double r = highRight.Process(nr).high + 0.5 * ringRight.Process(nr).band;
        out.Add(start + i, l * envelope * level, r * envelope * level);
    }
}

// Riser: noise through a low-pass whose cutoff climbs from 300 Hz to 9 kHz,
// growing louder, ending exactly at `end`.
void AddRiser(StereoBuffer& out, long end, long length, double level, Noise& noise) {
    StateVariableFilter lowPass;
    const long start = end - length;
    for (long i = 0; i < length; ++i) {
        const double progress = static_cast<double>(i) / static_cast<double>(length);
        if (i % 32 == 0) lowPass.Set(300.0 * std::pow(30.0, progress), 1.8);
        const double value = lowPass.Process(noise.Next()).low * progress * progress * TailFade(i, length, Samples(0.01));
        out.Add(start + i, value * level, value * level);
    }
}

// Bass: a sawtooth and a sine an octave apart through a resonant low-pass
// that closes quickly after the attack, like a plucked synth bass. The last
// `releaseSeconds` of the note fade out linearly.
void AddBassNote(StereoBuffer& out, long start, long length, double note, double level,
                 double releaseSeconds = 0.025) {
    const double hertz = MidiToHertz(note);
    const long attack = Samples(0.004);
    const long release = Samples(releaseSeconds);
    Saw saw;
    double subPhase = 0.0;
    StateVariableFilter lowPass;
    for (long i = 0; i < length; ++i) {
        const double t = Seconds(i);
        if (i % 16 == 0) lowPass.Set(170.0 + 1500.0 * std::exp(-t / 0.07), 1.5);
        const double sub = std::sin(2.0 * kPi * subPhase);
        subPhase += hertz / kSampleRate;
        if (subPhase >= 1.0) subPhase -= 1.0;
        const double raw = 0.7 * lowPass.Process(saw.Next(2.0 * hertz)).low + 0.8 * sub;
        const double rise = i < attack ? static_cast<double>(i) / static_cast<double>(attack) : 1.0;
        const double value = std::tanh(1.3 * raw) * rise * TailFade(i, length, release);
        out.Add(start + i, value * level, value * level);
    }
}

// How a pad chord starts and ends: `attack` and `release` in seconds;
// `decay` > 0 makes it a struck chord fading with that time constant.
struct PadShape {
    double attack;
    double release;
    double decay;
};

// Pad: each chord note as two detuned sawtooths, one leaning left and one
// right, the sum low-passed at `cutoffHz`. Sounds for `hold` samples, then
// releases.
void AddPadChord(StereoBuffer& out, long start, long hold, const std::vector<double>& notes, double level,
                 double cutoffHz, const PadShape& shape) {
    const long attack = std::max(1L, Samples(shape.attack));
    const long release = std::max(1L, Samples(shape.release));
    const long length = hold + release;
    struct Voice {
        Saw saw;
        double hertz;
        Pan pan;
    };
    std::vector<Voice> voices;
    for (size_t n = 0; n < notes.size(); ++n) {
        const double spread = 0.09;  // semitones either side
        voices.push_back({Saw(0.13 * static_cast<double>(n)), MidiToHertz(notes[n] - spread), Pan(-0.6)});
        voices.push_back({Saw(0.57 + 0.21 * static_cast<double>(n)), MidiToHertz(notes[n] + spread), Pan(0.6)});
    }
    StateVariableFilter lowLeft, lowRight;
    lowLeft.Set(cutoffHz, 0.8);
    lowRight.Set(cutoffHz, 0.8);
    const double perVoice = level / static_cast<double>(voices.size());
    for (long i = 0; i < length; ++i) {
        double l = 0.0, r = 0.0;
        for (Voice& voice : voices) {
            const double v = voice.saw.Next(voice.hertz);
            l += v * voice.pan.left;
            r += v * voice.pan.right;
        }
        double envelope = i < attack ? static_cast<double>(i) / static_cast<double>(attack) : 1.0;
        if (shape.decay > 0.0) envelope *= std::exp(-Seconds(i) / shape.decay);
        if (i >= hold) envelope *= 1.0 - static_cast<double>(i - hold) / static_cast<double>(release);
        out.Add(start + i, lowLeft.Process(l).low * envelope * perVoice, lowRight.Process(r).low * envelope * perVoice);
    }
}

// Lead: a square-ish tone (difference of two sawtooths) with a sine under
// it, a filter that opens on each note, and vibrato that fades in on long
// notes.
void AddLeadNote(StereoBuffer& out, long start, long hold, double note, double level, double pan) {
    const double hertz = MidiToHertz(note);
    const long attack = Samples(0.006);
    const long release = Samples(0.08);
    const long length = hold + release;
    Saw first, second(0.5);
    double sinePhase = 0.0;
    StateVariableFilter lowPass;
    const Pan gains(pan);
    for (long i = 0; i < length; ++i) {
        const double t = Seconds(i);
        const double vibratoDepth = std::clamp((t - 0.15) / 0.3, 0.0, 1.0) * 0.2;  // semitones
        const double f = hertz * std::pow(2.0, vibratoDepth * std::sin(2.0 * kPi * 5.5 * t) / 12.0);
        if (i % 16 == 0) lowPass.Set(900.0 + 2800.0 * std::exp(-t / 0.15), 1.1);
        const double square = 0.5 * (first.Next(f) - second.Next(f));
        const double sine = std::sin(2.0 * kPi * sinePhase);
        sinePhase += f / kSampleRate;
        if (sinePhase >= 1.0) sinePhase -= 1.0;
        double envelope = i < attack ? static_cast<double>(i) / static_cast<double>(attack) : 1.0;
        envelope *= 0.7 + 0.3 * std::exp(-t / 0.2);
        if (i >= hold) envelope *= 1.0 - static_cast<double>(i - hold) / static_cast<double>(release);
        const double value = (lowPass.Process(square).low + 0.5 * sine) * envelope * level;
        out.Add(start + i, value * gains.left, value * gains.right);
    }
}

// A ping-pong echo, three steps (a dotted eighth) long, with a low-pass in
// the feedback so the repeats darken. Works in place.
void AddPingPongEcho(StereoBuffer& buffer, double feedback, double wet) {
    const size_t delay = static_cast<size_t>(3 * kSamplesPerStep);
    std::vector<double> lineLeft(delay, 0.0), lineRight(delay, 0.0);
    const double damping = 1.0 - std::exp(-2.0 * kPi * 3000.0 / kSampleRate);
    double dampLeft = 0.0, dampRight = 0.0;
    size_t position = 0;
    for (size_t i = 0; i < buffer.left.size(); ++i) {
        const double echoLeft = lineLeft[position];
        const double echoRight = lineRight[position];
        dampLeft += damping * (echoLeft - dampLeft);
        dampRight += damping * (echoRight - dampRight);
        const double dry = 0.5 * (buffer.left[i] + buffer.right[i]);
        lineLeft[position] = dry + feedback * dampRight;
        lineRight[position] = feedback * dampLeft;
        buffer.left[i] += static_cast<float>(wet * echoLeft);
        buffer.right[i] += static_cast<float>(wet * echoRight);
        position = (position + 1) % delay;
    }
}

// The chords, one per bar, voiced close around middle C so that changes
// move by small steps.
const std::vector<double>& ChordOfBar(int bar) {
    static const std::vector<double> kChords[] = {
        {57, 60, 64},  // A minor: A3 C4 E4
        {57, 60, 65},  // F major: A3 C4 F4
        {55, 60, 64},  // C major: G3 C4 E4
        {55, 59, 62},  // G major: G3 B3 D4
    };
    return kChords[bar % 4];
}

// The bass root of each chord: A1, F1, C2, G1.
double BassRootOfBar(int bar) {
    constexpr double kRoots[] = {33, 29, 36, 31};
    return kRoots[bar % 4];
}

// A note placed on the step grid: start step, pitch (MIDI note or
// semitones above a root), length in steps.
struct GridNote {
    double step;
    double pitch;
    double steps;
};

// Bass lines for one bar, relative to the chord's root; every note starts
// off the beat and ends before the next beat.
const std::vector<GridNote> kBassSteady = {{2, 0, 1.7}, {6, 0, 1.7}, {10, 0, 1.7}, {14, 7, 1.7}};
const std::vector<GridNote> kBassBusy = {{2, 0, 1.7}, {6, 12, 0.8}, {7, 0, 0.8},
                                         {10, 0, 1.7}, {14, 12, 0.8}, {15, 7, 0.8}};

// The lead melody, eight bars (steps 0-127) over the progression twice.
const std::vector<GridNote> kMelody = {
    // Am
    {0, 76, 3}, {3, 74, 1}, {4, 72, 2}, {6, 69, 2}, {8, 72, 4}, {12, 76, 4},
    // F
    {16, 77, 6}, {22, 76, 2}, {24, 72, 4}, {28, 69, 4},
    // C
    {32, 67, 3}, {35, 69, 1}, {36, 72, 4}, {40, 76, 4}, {44, 79, 4},
    // G
    {48, 74, 8}, {56, 71, 4}, {60, 74, 4},
    // Am
    {64, 76, 3}, {67, 74, 1}, {68, 72, 2}, {70, 69, 2}, {72, 72, 4}, {76, 76, 4},
    // F
    {80, 77, 6}, {86, 76, 2}, {88, 72, 4}, {92, 69, 4},
    // C
    {96, 67, 3}, {99, 69, 1}, {100, 72, 4}, {104, 76, 4}, {108, 74, 4},
    // G
    {112, 71, 8}, {120, 74, 4}, {124, 76, 4},
};

// What plays in one bar before the ending.
struct BarPlan {
    double kickLevel = 0.0;  // 0: no kick
    double kickClick = 1.0;
    double offbeatHatLevel = 0.0;
    double tickHatLevel = 0.0;
    bool clap = false;
    const std::vector<GridNote>* bass = nullptr;
    double padLevel = 0.0;
    double padCutoffHz = 2000.0;
    bool padPumps = false;  // the pad ducks under each kick
};

double Ramp(int bar, int firstBar, int lastBar, double from, double to) {
    const double progress = static_cast<double>(bar - firstBar) / static_cast<double>(lastBar - firstBar);
    return from + (to - from) * std::clamp(progress, 0.0, 1.0);
}

// The shipped show's bars 0-63.
BarPlan PlanShowBar(int bar) {
    BarPlan plan;
    if (bar < kBuildBar) {  // intro
        plan.kickLevel = 0.6;
        plan.kickClick = 0.0;
        plan.padLevel = 1.0;
        plan.padCutoffHz = Ramp(bar, 0, kBuildBar - 1, 450.0, 1600.0);
    } else if (bar < kMainABar) {  // build
        plan.kickLevel = 0.9;
        plan.offbeatHatLevel = Ramp(bar, kBuildBar, kMainABar - 1, 0.5, 1.0);
        plan.tickHatLevel = bar >= kBuildBar + 4 ? 0.8 : 0.0;
        plan.padLevel = 1.0;
        plan.padCutoffHz = Ramp(bar, kBuildBar, kMainABar - 1, 1700.0, 2800.0);
    } else if (bar < kBreakdownBar) {  // main A
        plan.kickLevel = 1.0;
        plan.offbeatHatLevel = 1.0;
        plan.tickHatLevel = 1.0;
        plan.clap = true;
        plan.bass = &kBassSteady;
        plan.padLevel = 0.85;
        plan.padCutoffHz = 2400.0;
        plan.padPumps = true;
    } else if (bar < kMainBBar) {  // breakdown
        plan.tickHatLevel = bar >= kBreakdownBar + 4 ? Ramp(bar, kBreakdownBar + 4, kMainBBar - 1, 0.4, 0.9) : 0.0;
        plan.padLevel = 2.6;
        plan.padCutoffHz = 3000.0;
    } else if (bar < kOutroBar) {  // main B
        plan.kickLevel = 1.0;
        plan.offbeatHatLevel = 1.0;
        plan.tickHatLevel = 1.0;
        plan.clap = true;
        plan.bass = &kBassBusy;
        plan.padLevel = 0.8;
        plan.padCutoffHz = 2400.0;
        plan.padPumps = true;
    } else if (bar < kOutroBar + 4) {  // outro, first half
        plan.kickLevel = 1.0;
        plan.offbeatHatLevel = 0.9;
        plan.tickHatLevel = 0.7;
        plan.clap = true;
        plan.bass = &kBassSteady;
        plan.padLevel = 0.9;
        plan.padCutoffHz = 2200.0;
        plan.padPumps = true;
    } else {  // outro, second half
        plan.kickLevel = 0.9;
        plan.offbeatHatLevel = Ramp(bar, kOutroBar + 4, kEndingBar - 1, 0.7, 0.3);
        plan.padLevel = 0.9;
        plan.padCutoffHz = Ramp(bar, kOutroBar + 4, kEndingBar - 1, 1800.0, 700.0);
    }
    return plan;
}

// Mix levels of the instruments.
constexpr double kKickLevel = 0.95;
constexpr double kClapLevel = 0.4;
constexpr double kOffbeatHatLevel = 0.16;
constexpr double kTickHatLevel = 0.07;
constexpr double kBassLevel = 0.42;
constexpr double kPadLevel = 0.5;
constexpr double kLeadLevel = 0.2;
constexpr double kCrashLevel = 0.22;
constexpr double kSnareRollLevel = 0.35;
constexpr double kRiserLevel = 0.25;

// A new show's eight bars: four of the build, with a riser and a snare roll
// into four of main A; the lead plays over all eight.
BarPlan PlanStarterBar(int bar) { return PlanShowBar(bar < 4 ? kBuildBar + 4 + bar : kMainABar + bar - 4); }

// How a track is laid out: the bars before its final hit, what plays in
// each, and the lead passes, risers, snare rolls and crashes over them.
struct BarLevel {
    int bar;
    double level;
};
struct Arrangement {
    int endingBar;  // the bar of the final hit
    BarPlan (*plan)(int bar);
    std::vector<BarLevel> melodyPasses;
    std::vector<int> dropBars;  // a two-bar riser and a snare roll lead into each
    std::vector<BarLevel> crashes;

    long TotalSamples() const { return (endingBar + kEndingBars) * kSamplesPerBar + kTailSamples; }
};

const Arrangement kShowArrangement{
    kEndingBar,
    PlanShowBar,
    // In the breakdown, where only the pad is beside it, the lead is raised;
    // in main B it plays twice over the full beat.
    {{kBreakdownBar, 1.6}, {kMainBBar, 1.0}, {kMainBBar + 8, 1.0}},
    {kMainABar, kMainBBar},
    {{kMainABar, 1.0}, {kMainABar + 8, 0.6}, {kBreakdownBar, 0.5},
     {kMainBBar, 1.0}, {kMainBBar + 8, 0.6}, {kOutroBar, 0.5}},
};

const Arrangement kStarterArrangement{8, PlanStarterBar, {{0, 0.8}}, {4}, {{0, 0.5}, {4, 1.0}}};

// The pad's gain at `frame`. In bars where the pad pumps it ducks under
// each kick: down 45% within 5 ms of the beat, back up over about 100 ms.
double PumpGain(const Arrangement& arrangement, long frame) {
    const int bar = static_cast<int>(frame / kSamplesPerBar);
    if (bar >= arrangement.endingBar || !arrangement.plan(bar).padPumps) return 1.0;
    const double sinceBeat = Seconds(frame % kSamplesPerBeat);
    const double attack = 0.005;
    const double duck = sinceBeat < attack ? sinceBeat / attack : std::exp(-(sinceBeat - attack) / 0.1);
    return 1.0 - 0.45 * duck;
}

// A snare roll through `bar`: eighths in the first half, sixteenths in the
// second, getting louder towards the next downbeat.
void AddSnareRoll(StereoBuffer& out, int bar, Noise& noise) {
    for (int step = 0; step < kStepsPerBar; ++step) {
        if (step < kStepsPerBar / 2 && step % 2 != 0) continue;
        const double level = kSnareRollLevel * (0.25 + 0.75 * static_cast<double>(step) / (kStepsPerBar - 1));
        AddSnare(out, StepStart(bar, step), level, noise);
    }
}

// Keeps the mix under kCeiling without hard clipping: linear up to kKnee,
// then bending smoothly towards the ceiling.
double SoftLimit(double x) {
    constexpr double kKnee = 0.6;
    constexpr double kCeiling = 0.89;  // about -1 dBFS, leaving room for the codec
    const double magnitude = std::fabs(x);
    if (magnitude <= kKnee) return x;
    const double range = kCeiling - kKnee;
    return std::copysign(kKnee + range * std::tanh((magnitude - kKnee) / range), x);
}

// Synthesises a whole track.
StereoBuffer Compose(const Arrangement& arrangement) {
    const long totalSamples = arrangement.TotalSamples();
    // Drums, bass and effects go straight into the mix; pad and lead get
    // their own buffers for the pumping and the echo.
    StereoBuffer mix(totalSamples);
    StereoBuffer pad(totalSamples);
    StereoBuffer lead(totalSamples);
    // One generator per instrument, so changing one part leaves the others'
    // noise unchanged.
    Noise kickNoise(0x9e3779b9u), hatNoise(0x85ebca6bu), clapLeft(0xc2b2ae35u), clapRight(0x27d4eb2fu);
    Noise snareNoise(0x165667b1u), crashLeft(0xd3a2646cu), crashRight(0xfd7046c5u), riserNoise(0xb55a4f09u);

    for (int bar = 0; bar < arrangement.endingBar; ++bar) {
        const BarPlan plan = arrangement.plan(bar);
        for (int step = 0; step < kStepsPerBar; ++step) {
            const long at = StepStart(bar, step);
            const int stepInBeat = step % kStepsPerBeat;
            const int beat = step / kStepsPerBeat;
            if (stepInBeat == 0 && plan.kickLevel > 0.0)
                AddKick(mix, at, kKickLevel * plan.kickLevel, plan.kickClick, kickNoise);
            if (stepInBeat == 0 && plan.clap && beat % 2 == 1)
                AddClap(mix, at, kClapLevel, clapLeft, clapRight);
            if (stepInBeat == 2 && plan.offbeatHatLevel > 0.0)
                AddHat(mix, at, kOffbeatHatLevel * plan.offbeatHatLevel, 0.055, 0.25, hatNoise);
            if (stepInBeat % 2 == 1 && plan.tickHatLevel > 0.0)
                AddHat(mix, at, kTickHatLevel * plan.tickHatLevel, 0.014, -0.3, hatNoise);
        }
        if (plan.bass) {
            for (const GridNote& note : *plan.bass)
                AddBassNote(mix, StepStart(bar, note.step), std::lround(note.steps * kSamplesPerStep),
                            BassRootOfBar(bar) + note.pitch, kBassLevel);
        }
        if (plan.padLevel > 0.0)
            AddPadChord(pad, bar * kSamplesPerBar, kSamplesPerBar, ChordOfBar(bar), kPadLevel * plan.padLevel,
                        plan.padCutoffHz, PadShape{0.08, 0.5, 0.0});
    }

    for (const BarLevel& pass : arrangement.melodyPasses) {
        for (size_t n = 0; n < kMelody.size(); ++n) {
            const GridNote& note = kMelody[n];
            const double pan = n % 2 == 0 ? -0.15 : 0.15;
            AddLeadNote(lead, StepStart(pass.bar, note.step), std::lround((note.steps - 0.25) * kSamplesPerStep),
                        note.pitch, kLeadLevel * pass.level, pan);
        }
    }
    AddPingPongEcho(lead, 0.38, 0.35);

    // Transitions: risers and snare rolls into the drops, crashes on them.
    for (const int drop : arrangement.dropBars) {
        AddRiser(mix, drop * kSamplesPerBar, 2 * kSamplesPerBar, kRiserLevel, riserNoise);
    }
    for (const int drop : arrangement.dropBars) AddSnareRoll(mix, drop - 1, snareNoise);
    for (const BarLevel& crash : arrangement.crashes)
        AddCrash(mix, crash.bar * kSamplesPerBar, kCrashLevel * crash.level, 0.5, crashLeft, crashRight);

    // The final hit: everything on the downbeat of the ending, then decay.
    const long end = arrangement.endingBar * kSamplesPerBar;
    AddKick(mix, end, kKickLevel * 1.05, 1.0, kickNoise);
    AddCrash(mix, end, kCrashLevel * 1.2, 1.1, crashLeft, crashRight);
    AddBassNote(mix, end, Samples(3.5), BassRootOfBar(0), kBassLevel, 2.5);
    AddPadChord(pad, end, totalSamples - end, {45, 57, 60, 64, 69}, kPadLevel * 1.3, 2200.0,
                PadShape{0.004, 0.5, 1.6});

    // Add pad and lead, remove any DC, limit, and fade the very end to
    // exact silence.
    constexpr double kMasterGain = 0.45;
    const double dcPole = 1.0 - 2.0 * kPi * 10.0 / kSampleRate;  // high-pass near 10 Hz
    double lastInLeft = 0.0, lastOutLeft = 0.0, lastInRight = 0.0, lastOutRight = 0.0;
    const long finalFade = Samples(0.5);
    for (long i = 0; i < totalSamples; ++i) {
        const size_t s = static_cast<size_t>(i);
        const double pump = PumpGain(arrangement, i);
        const double l = mix.left[s] + pad.left[s] * pump + lead.left[s];
        const double r = mix.right[s] + pad.right[s] * pump + lead.right[s];
        lastOutLeft = l - lastInLeft + dcPole * lastOutLeft;
        lastInLeft = l;
        lastOutRight = r - lastInRight + dcPole * lastOutRight;
        lastInRight = r;
        const double fade = TailFade(i, totalSamples, finalFade);
        mix.left[s] = static_cast<float>(SoftLimit(kMasterGain * lastOutLeft) * fade);
        mix.right[s] = static_cast<float>(SoftLimit(kMasterGain * lastOutRight) * fade);
    }
    return mix;
}

// Writes Ogg pages to a file and remembers the first write error.
class PageWriter {
public:
    explicit PageWriter(std::FILE* file) : file(file) {}
    void Write(const ogg_page& page) {
        if (error != 0) return;
        if (std::fwrite(page.header, 1, static_cast<size_t>(page.header_len), file) !=
                static_cast<size_t>(page.header_len) ||
            std::fwrite(page.body, 1, static_cast<size_t>(page.body_len), file) != static_cast<size_t>(page.body_len))
            error = errno != 0 ? errno : EIO;
    }
    int Error() const { return error; }

private:
    std::FILE* file;
    int error = 0;
};

// Encodes `mix` as Ogg Vorbis into `file`. Returns 0, or the errno of the
// write that failed (EINVAL when the encoder refuses its settings).
int EncodeOggVorbis(const StereoBuffer& mix, const char* title, const char* description, std::FILE* file) {
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, 2, kSampleRate, kVorbisQuality) != 0) {
        vorbis_info_clear(&info);
        return EINVAL;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_comment_add_tag(&comment, "TITLE", title);
    vorbis_comment_add_tag(&comment, "COMMENT", description);

    vorbis_dsp_state dsp;
    vorbis_block block;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, kOggSerial);

    PageWriter writer(file);
    ogg_page page;
    ogg_packet header, commentHeader, codebooks;
    vorbis_analysis_headerout(&dsp, &comment, &header, &commentHeader, &codebooks);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &commentHeader);
    ogg_stream_packetin(&stream, &codebooks);
    // The audio must start on a fresh page.
    while (ogg_stream_flush(&stream, &page) != 0) writer.Write(page);

    // Feed the mix in chunks, then the end of stream; after each, write out
    // every page the encoder has completed.
    constexpr long kChunk = 4096;
    long next = 0;
    bool endSent = false;
    while (!endSent && writer.Error() == 0) {
        const long count = std::min(kChunk, mix.Frames() - next);
        if (count > 0) {
            float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(count));
            std::copy_n(mix.left.begin() + next, count, buffer[0]);
            std::copy_n(mix.right.begin() + next, count, buffer[1]);
            vorbis_analysis_wrote(&dsp, static_cast<int>(count));
            next += count;
        } else {
            vorbis_analysis_wrote(&dsp, 0);
            endSent = true;
        }
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet) == 1) {
                ogg_stream_packetin(&stream, &packet);
                while (ogg_stream_pageout(&stream, &page) != 0) writer.Write(page);
            }
        }
    }
    // The last packet carries the end-of-stream mark; its page must be out.
    while (ogg_stream_flush(&stream, &page) != 0) writer.Write(page);

    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return writer.Error();
}

bool IsDirectory(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

int WriteMusic(MusicTrack track, const std::string& path) {
    const std::string partial = path + ".part";
    // The destination is checked before time is spent on synthesis.
    if (IsDirectory(path)) return EISDIR;
    std::FILE* file = std::fopen(partial.c_str(), "wb");
    if (!file) return errno;

    const bool show = track == MusicTrack::Show;
    const StereoBuffer mix = Compose(show ? kShowArrangement : kStarterArrangement);
    int error = show ? EncodeOggVorbis(mix, "Show music", "125 BPM, 68 bars of 4/4, synthesised by make-music", file)
                     : EncodeOggVorbis(mix, "New show music", "125 BPM, 8 bars of 4/4 and an ending, synthesised by demo-new",
                                       file);
    if (std::fflush(file) != 0 && error == 0) error = errno;
    if (std::fclose(file) != 0 && error == 0) error = errno;
    if (error == 0) error = MoveIntoPlace(partial.c_str(), path.c_str());
    if (error != 0) std::remove(partial.c_str());
    return error;
}
