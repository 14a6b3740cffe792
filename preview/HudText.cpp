#include "preview/HudText.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "preview/PreviewSession.h"
#include "preview/ScriptReloader.h"
#include "script/ScriptEngine.h"

// The formats that vsnprintf takes: on MinGW, whose "printf" means
// Microsoft's, the C++ library's vsnprintf is the GNU-style one.
#if defined(__MINGW32__)
#define SHOW_PRINTF gnu_printf
#else
#define SHOW_PRINTF printf
#endif

namespace {

// Writes lines into a HudText, wrapping words that do not fit, up to a
// number of lines.
class HudWriter {
public:
    HudWriter(HudText& out, int32_t maxLines)
        : out(out), limit(maxLines < HudText::kMaxLines ? maxLines : HudText::kMaxLines) {
        out.count = 0;
    }

    bool Full() const { return out.count >= limit; }
    int32_t Count() const { return out.count; }
    // Takes back every line after the first `count`.
    void CutTo(int32_t count) { out.count = count; }
    void SetLimit(int32_t lines) { limit = lines < HudText::kMaxLines ? lines : HudText::kMaxLines; }

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

    // Writes `text` on lines of its own, wrapped at spaces, each line feed
    // starting a new line; the lines after the first are indented. At most
    // kMaxLinesPerFinding lines: the rest is cut. False, with some of it
    // written, when the lines run out.
    bool WriteWrapped(const char* text, HudText::Tone tone) {
        const char* rest = text;
        for (int32_t lines = 0; lines < HudText::kMaxLinesPerFinding; ++lines) {
            if (!NewLine(tone)) return false;
            size_t room = HudText::kColumns;
            if (lines > 0) {
                Append("  ");
                room -= 2;
            }
            const char* feed = std::strchr(rest, '\n');
            const size_t length = feed ? static_cast<size_t>(feed - rest) : std::strlen(rest);
            size_t taken = length;
            if (taken > room) {
                // At the last space that leaves at least half a line.
                taken = room;
                for (size_t at = room; at > room / 2; --at) {
                    if (rest[at] == ' ') {
                        taken = at;
                        break;
                    }
                }
            }
            Append("%.*s", static_cast<int>(taken), rest);
            rest += taken;
            if (taken == length && feed) {
                rest = feed + 1;
            } else {
                while (*rest == ' ') ++rest;
            }
            if (*rest == '\0') break;
        }
        return true;
    }

private:
    HudText& out;
    int32_t limit;
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

HudText::Tone ToneOf(const std::string& finding) {
    const size_t error = finding.find(": error: ");
    const size_t warning = finding.find(": warning: ");
    return warning < error ? HudText::Tone::Warning : HudText::Tone::Error;
}

void ComposeProblems(const HudFacts& facts, int32_t maxLines, HudWriter& writer) {
    static const std::vector<std::string> kNone;
    const std::vector<std::string>& script = facts.problems ? *facts.problems : kNone;
    const std::vector<std::string>& pictures = facts.pictureProblems ? *facts.pictureProblems : kNone;
    const size_t total = script.size() + pictures.size();
    if (total == 0) return;
    const auto errors = std::count_if(script.begin(), script.end(),
                                      [](const std::string& finding) { return ToneOf(finding) == HudText::Tone::Error; });
    if (facts.saveRefused && errors > 0) {
        if (!writer.NewLine(HudText::Tone::Error)) return;
        writer.Append("%ld error%s - playing the last good script:", static_cast<long>(errors), errors == 1 ? "" : "s");
    }
    for (size_t i = 0; i < total; ++i) {
        const std::string& finding = i < script.size() ? script[i] : pictures[i - script.size()];
        const HudText::Tone tone = ToneOf(finding);
        // Every finding but the last leaves a line for the count of those
        // that do not fit.
        const int32_t before = writer.Count();
        writer.SetLimit(i + 1 < total ? maxLines - 1 : maxLines);
        if (writer.WriteWrapped(finding.c_str(), tone)) continue;
        writer.CutTo(before);
        writer.SetLimit(maxLines);
        if (writer.NewLine(tone)) writer.Append("... and %zu more", total - i);
        return;
    }
}

}  // namespace

HudFacts GatherHudFacts(const PreviewSession& session, ScriptEngine& script, const ScriptReloader& reloader) {
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
    facts.problems = &reloader.Problems();
    facts.pictureProblems = &reloader.PictureProblems();
    facts.saveRefused = reloader.SaveRefused();
    facts.work = static_cast<int32_t>(session.Work());
    facts.seekTime = session.ShowTime();
    return facts;
}

void ComposeHud(const HudFacts& facts, HudText& out) {
    const int32_t maxLines = facts.maxLines < HudText::kMaxLines ? facts.maxLines : HudText::kMaxLines;
    HudWriter writer(out, maxLines);
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
    ComposeProblems(facts, maxLines, writer);
}
