#include "preview/HudText.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "preview/PreviewSession.h"
#include "script/ScriptEngine.h"

// The formats that vsnprintf takes: on MinGW, whose "printf" means
// Microsoft's, the C++ library's vsnprintf is the GNU-style one.
#if defined(__MINGW32__)
#define SHOW_PRINTF gnu_printf
#else
#define SHOW_PRINTF printf
#endif

namespace {

// Writes lines into a HudText, wrapping words that do not fit.
class HudWriter {
public:
    explicit HudWriter(HudText& out) : out(out) { out.count = 0; }

    bool Full() const { return out.count >= HudText::kMaxLines; }

    // Starts a new line with `tone`; false when there is no room.
    bool NewLine(HudText::Tone tone) {
        if (Full()) return false;
        HudText::Line& line = out.lines[out.count++];
        line.text[0] = '\0';
        line.tone = tone;
        column = 0;
        return true;
    }

    // Appends formatted text to the current line, cut at the line's width.
    void Append(const char* format, ...) __attribute__((format(SHOW_PRINTF, 2, 3))) {
        if (out.count == 0) return;
        HudText::Line& line = out.lines[out.count - 1];
        va_list arguments;
        va_start(arguments, format);
        const int written = std::vsnprintf(line.text + column, sizeof line.text - column, format,
                                           arguments);
        va_end(arguments);
        if (written > 0) column = std::strlen(line.text);
    }

    // Appends `word` after a space, on a new indented line when it does not
    // fit on this one.
    void AppendWord(const char* word, HudText::Tone tone) {
        const size_t length = std::strlen(word);
        if (column > 0 && column + 1 + length > static_cast<size_t>(HudText::kColumns)) {
            if (!NewLine(tone)) return;
            Append("  ");
        }
        Append(column > 0 && out.lines[out.count - 1].text[column - 1] != ' ' ? " %s" : "%s", word);
    }

    // Appends `text` up to its end or a line feed, cut at the line's width.
    // Returns where the rest starts, or null at the end.
    const char* AppendUpToLineFeed(const char* text) {
        const char* feed = std::strchr(text, '\n');
        const size_t length = feed ? static_cast<size_t>(feed - text) : std::strlen(text);
        Append("%.*s", static_cast<int>(length), text);
        return feed ? feed + 1 : nullptr;
    }

private:
    HudText& out;
    size_t column = 0;
};

// The bar and beat that `time` falls in.
void BarAndBeat(const HudFacts& facts, uint32_t time, uint32_t& bar, uint32_t& beat) {
    bar = 0;
    beat = 0;
    if (facts.barLength > 0.0 && facts.beatLength > 0.0) {
        const double bars = std::floor(time / facts.barLength);
        bar = static_cast<uint32_t>(bars);
        beat = static_cast<uint32_t>(std::floor((time - bars * facts.barLength) / facts.beatLength));
    }
}

void ComposeStatus(const HudFacts& facts, HudWriter& writer) {
    const HudText::Tone info = HudText::Tone::Info;
    uint32_t bar = 0;
    uint32_t beat = 0;
    BarAndBeat(facts, facts.now, bar, beat);
    writer.NewLine(info);
    writer.Append("#%u.%u  %u ms  %d fps", bar, beat, facts.now, facts.framesPerSecond);
    if (facts.atEnd) {
        writer.Append("  end");
    } else if (facts.paused) {
        writer.Append("  paused");
    }

    writer.NewLine(info);
    if (facts.pattern < 0) {
        writer.Append("pattern off");
    } else if (facts.lastStep < 0) {
        writer.Append("pattern %d", facts.pattern);
    } else {
        writer.Append("pattern %d  step %d '%c'", facts.pattern, facts.lastStep,
                      facts.stepCharacter ? facts.stepCharacter : '.');
    }

    // Loops are whole bars: shown as the script writes their times.
    const auto barOf = [&facts](uint32_t time) {
        return facts.barLength > 0.0 ? static_cast<uint32_t>(std::lround(time / facts.barLength)) : 0u;
    };
    if (facts.loopState == 1) {
        writer.NewLine(info);
        writer.Append("loop from #%u.0", barOf(facts.loopStart));
    } else if (facts.loopState == 2) {
        writer.NewLine(info);
        writer.Append("loop #%u.0 - #%u.0", barOf(facts.loopStart), barOf(facts.loopEnd));
    }
    if (facts.typedBar && facts.typedBar[0]) {
        writer.NewLine(info);
        writer.Append("go to bar %s_", facts.typedBar);
    }

    if (!facts.dblParams || !facts.lngParams || !facts.boolParams) return;
    writer.NewLine(info);
    writer.Append("scene %d:", facts.scene);
    char word[48];
    bool any = false;
    for (int i = 0; i < EffectParams::kBoolCount; ++i) {
        if (!facts.boolParams[i]) continue;
        std::snprintf(word, sizeof word, "bool.%d", i);
        writer.AppendWord(word, info);
        any = true;
    }
    for (int i = 0; i < EffectParams::kLngCount; ++i) {
        if (facts.lngParams[i] == 0) continue;
        std::snprintf(word, sizeof word, "lng.%d=%d", i, facts.lngParams[i]);
        writer.AppendWord(word, info);
        any = true;
    }
    for (int i = 0; i < EffectParams::kDblCount; ++i) {
        if (facts.dblParams[i] == 0.0) continue;  // a NaN is listed
        std::snprintf(word, sizeof word, "dbl.%d=%.4g", i, facts.dblParams[i]);
        writer.AppendWord(word, info);
        any = true;
    }
    if (!any) writer.AppendWord("all zero", info);
}

void ComposeProblems(const std::vector<std::string>& problems, bool saveRefused, HudWriter& writer) {
    const HudText::Tone error = HudText::Tone::Error;
    if (problems.empty()) return;
    if (!writer.NewLine(error)) return;
    if (saveRefused) {
        writer.Append("%zu finding%s - playing the last good script:", problems.size(),
                      problems.size() == 1 ? "" : "s");
    } else {
        writer.Append("%zu finding%s:", problems.size(), problems.size() == 1 ? "" : "s");
    }
    for (const std::string& problem : problems) {
        // Each text may hold several lines: the message and the script line.
        const char* rest = problem.c_str();
        bool first = true;
        while (rest) {
            if (!writer.NewLine(error)) return;
            if (!first) writer.Append("  ");
            rest = writer.AppendUpToLineFeed(rest);
            first = false;
        }
    }
}

}  // namespace

HudFacts GatherHudFacts(const PreviewSession& session, ScriptEngine& script,
                        const std::vector<std::string>& problems) {
    HudFacts facts;
    facts.visible = session.HudVisible();
    facts.now = session.ShowTime();
    facts.beatLength = script.BeatLength();
    facts.barLength = script.BarLength();
    facts.framesPerSecond = session.FramesPerSecond();
    facts.paused = session.Paused();
    facts.atEnd = session.AtEnd();
    facts.pattern = script.CurrentPattern();
    facts.lastStep = script.LastStep();
    if (facts.pattern >= 0 && facts.lastStep >= 0) {
        const Pattern& pattern = script.GetPattern(facts.pattern);
        if (pattern.length > 0) {
            facts.lastStep %= pattern.length;
            facts.stepCharacter = pattern.steps[facts.lastStep];
        }
    }
    facts.loopState = session.Loop() == LoopState::Off ? 0 : session.Loop() == LoopState::StartSet ? 1 : 2;
    facts.loopStart = session.LoopStart();
    facts.loopEnd = session.LoopEnd();
    facts.typedBar = session.TypedBar();
    facts.scene = session.SelectedScene();
    const EffectParams& record = script.GetParams(facts.scene);
    facts.dblParams = record.dblParams;
    facts.lngParams = record.lngParams;
    facts.boolParams = record.boolParams;
    facts.problems = &problems;
    facts.work = static_cast<int32_t>(session.Work());
    facts.seekTime = session.ShowTime();
    return facts;
}

void ComposeHud(const HudFacts& facts, HudText& out) {
    HudWriter writer(out);
    if (facts.visible) ComposeStatus(facts, writer);
    if (facts.work != 0 && writer.NewLine(HudText::Tone::Info)) {
        uint32_t bar = 0;
        uint32_t beat = 0;
        BarAndBeat(facts, facts.seekTime, bar, beat);
        if (facts.work == 1) {
            writer.Append("seeking to #%u.%u...", bar, beat);
        } else {
            writer.Append("reloading...");
        }
    }
    if (facts.problems) ComposeProblems(*facts.problems, facts.saveRefused, writer);
}
