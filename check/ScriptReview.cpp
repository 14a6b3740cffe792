#include "check/ScriptReview.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>
#include <string>

#include "scenes/ShowScenes.h"
#include "script/EffectParams.h"
#include "textures/TextureRegistry.h"

namespace {

class Review {
public:
    Review(const ParsedScript& script, int64_t musicMilliseconds)
        : script(script), music(musicMilliseconds) {}

    std::vector<ScriptFinding> Run() {
        ReviewEvents();
        ReviewPatterns();
        ReviewStartAndEnd();
        ReviewDrift();
        ReviewRunningScenes();
        ReviewPictures();
        ReviewMusicLines();
        return std::move(findings);
    }

private:
    void Warn(int32_t line, WarningKind kind, std::string text) {
        findings.push_back(ScriptFinding{line, FindingSeverity::Warning, std::move(text), "", "", kind});
    }

    // Where the End is, when the show has one that comes within a day.
    bool EndsWithinADay() const { return script.endTime < kOneDayMs; }

    // Built piece by piece: GCC 12 warns wrongly about "literal" + string.
    static std::string Ms(uint64_t milliseconds) {
        std::string text(1, '=');
        text += std::to_string(milliseconds);
        return text;
    }

    // "bool.0, bool.1 and dbl.0": the slots the effect of `scene` reads.
    static std::string SlotsRead(const SceneDescription& scene) {
        std::string slots;
        for (size_t i = 0; i < scene.parameters.size(); ++i) {
            const SceneParameter& parameter = scene.parameters[i];
            if (i > 0) slots += i + 1 == scene.parameters.size() ? " and " : ", ";
            slots += std::string(KindWord(parameter.kind)) + "." + std::to_string(parameter.index);
        }
        return slots;
    }

    void ReviewSlot(const TimelineEvent& event) {
        const auto scenes = ShowScenes();
        if (event.effect >= static_cast<int32_t>(scenes.size())) {
            Warn(event.line, WarningKind::Slot,
                 "scene " + std::to_string(event.effect) + " has no effect: the show's scenes are 0 to " +
                     std::to_string(scenes.size() - 1));
            return;
        }
        // A trigger pulses the bool slot of its index, whatever its kind.
        const ParamKind kind =
            event.state == EventState::PendingTrigger ? ParamKind::Bool : event.kind;
        if (FindSceneParameter(event.effect, kind, event.index)) return;
        const SceneDescription& scene = scenes[static_cast<size_t>(event.effect)];
        Warn(event.line, WarningKind::Slot,
             "no effect reads scene." + std::to_string(event.effect) + "." + KindWord(kind) + "." +
                 std::to_string(event.index) + ": " + scene.needs.effect + " reads " + SlotsRead(scene));
    }

    void ReviewEvents() {
        for (int32_t i = 0; i < script.eventCount; ++i) {
            const TimelineEvent& event = script.events[static_cast<size_t>(i)];
            if (event.state == EventState::PendingPatternSwitch) {
                const int32_t number = event.lngValue;
                if (number >= 0 && script.patterns[static_cast<size_t>(number)].line == 0) {
                    Warn(event.line, WarningKind::Pattern,
                         "pattern " + std::to_string(number) +
                             " is not defined: no DefinePattern line fills it, so it plays nothing");
                }
            } else {
                ReviewSlot(event);
            }
            ReviewTime(event);
        }
    }

    void ReviewTime(const TimelineEvent& event) {
        // After an End at 0 every event is too late; the End's own warning
        // says so once. An event a day or more in has its own warning.
        if (event.start >= kOneDayMs || script.endTime == 0) return;
        if (EndsWithinADay() && event.start >= script.endTime) {
            Warn(event.line, WarningKind::Late,
                 "this comes at " + Ms(event.start) + ", at or after the End (" + Ms(script.endTime) + ", line " +
                     std::to_string(script.endLine) + "), so it never happens");
            return;
        }
        if (EndsWithinADay() && event.state == EventState::Fade && event.end > script.endTime) {
            Warn(event.line, WarningKind::Late,
                 "this fade ends at " + Ms(event.end) + ", after the End (" + Ms(script.endTime) + ", line " +
                     std::to_string(script.endLine) + "), which cuts it short");
        }
        if (music >= 0 && event.start >= static_cast<uint64_t>(music)) {
            Warn(event.line, WarningKind::Late,
                 "this comes at " + Ms(event.start) + ", after the music ends (" + Ms(static_cast<uint64_t>(music)) +
                     ")");
        }
    }

    void ReviewPatterns() {
        std::string acted;
        for (const SceneDescription& scene : ShowScenes()) acted += scene.stepCharacters;
        for (int32_t number = 0; number < ParsedScript::kPatternCount; ++number) {
            const Pattern& pattern = script.patterns[static_cast<size_t>(number)];
            std::string idle;
            for (int32_t i = 0; i < pattern.length; ++i) {
                const char step = pattern.steps[i];
                if (step != '\0' && acted.find(step) == std::string::npos && idle.find(step) == std::string::npos) {
                    idle += step;
                }
            }
            if (idle.empty()) continue;
            std::string listed;
            for (const char step : idle) {
                if (!listed.empty()) listed += ", ";
                if (step == ' ') {
                    listed += "the space";
                } else {
                    listed += '\'';
                    listed += step;
                    listed += '\'';
                }
            }
            Warn(pattern.line, WarningKind::Pattern,
                 "pattern " + std::to_string(number) + " has steps that no effect acts on: " + listed + ". Only " +
                     acted.substr(0, 1) + " does something; . is a silent step");
        }
    }

    void ReviewStartAndEnd() {
        // A Goto is for rehearsing; a finished show starts at its beginning.
        if (script.startLine != 0 && script.startPosition > 0) {
            Warn(script.startLine, WarningKind::Goto,
                 "Goto starts the show at " + Ms(script.startPosition) +
                     " instead of at its beginning: remove it when the show is done");
        }
        if (script.endTime == NO_TIME) {
            Warn(0, WarningKind::End,
                 "the script has no End: the show plays on until Escape is held, and demo-capture needs --to");
        } else if (script.endTime >= kOneDayMs) {
            Warn(script.endLine, WarningKind::End,
                 "End " + Ms(script.endTime) + " is " + DaysText(script.endTime) +
                     " in: the show plays until Escape is held, and demo-capture needs --to");
        } else if (script.endTime == 0) {
            Warn(script.endLine, WarningKind::End,
                 "the End is at =0, so the show ends as soon as it starts: write End #BAR.BEAT, as in End #16.0");
        } else {
            if (music >= 0 && script.endTime > static_cast<uint64_t>(music)) {
                char seconds[32];
                std::snprintf(seconds, sizeof seconds, "%.1f",
                              static_cast<double>(script.endTime - static_cast<uint64_t>(music)) / 1000.0);
                Warn(script.endLine, WarningKind::End,
                     "the End (" + Ms(script.endTime) + ") comes after the music ends (" +
                         Ms(static_cast<uint64_t>(music)) + "): the show goes on for " + seconds + " s in silence");
            }
        }
        if (script.startLine != 0 && script.endTime != NO_TIME && script.endTime != 0 &&
            script.startPosition >= script.endTime) {
            Warn(script.startLine, WarningKind::Goto,
                 "Goto starts the show past its End: at " + Ms(script.startPosition) + ", with the End at " +
                     Ms(script.endTime) + ", so it ends at once");
        }
        if (music >= 0 && script.startLine != 0 && script.startPosition >= static_cast<uint64_t>(music)) {
            Warn(script.startLine, WarningKind::Goto,
                 "the show starts at " + Ms(script.startPosition) + ", after the music ends (" +
                     Ms(static_cast<uint64_t>(music)) + ")");
        }
    }

    // The # times count beats of whole milliseconds: at a tempo that does
    // not divide 60000 they come before the music's beats, the more the
    // longer the show. Warned about when by the show's end they are a
    // frame at 60 fps or more early.
    void ReviewDrift() {
        if (script.tempoLine == 0) return;
        const double exact = 60000.0 / script.bpm;
        const double perBeat = exact - script.beatLength;
        if (perBeat <= 0.0) return;
        // The show's length: to its End, else to the end of its music, else
        // to its last event.
        double length = 0.0;
        const char* until = "by the last event";
        if (script.endTime != NO_TIME && script.endTime < kOneDayMs) {
            length = script.endTime;
            until = "by the End";
        } else if (music >= 0) {
            length = static_cast<double>(music);
            until = "by the end of the music";
        } else {
            for (int32_t i = 0; i < script.eventCount; ++i) {
                const TimelineEvent& event = script.events[static_cast<size_t>(i)];
                for (const uint32_t time : {event.start, event.end}) {
                    if (time < kOneDayMs) length = std::max(length, static_cast<double>(time));
                }
            }
        }
        const double beats = length / script.beatLength;
        const double drift = beats * perBeat;
        if (drift < 1000.0 / 60.0) return;
        char text[64];
        std::snprintf(text, sizeof text, "%.2f", exact);
        std::string warning = "at " + std::to_string(script.bpm) + " beats per minute a beat is " +
                              std::to_string(static_cast<int>(script.beatLength)) + " ms, the whole milliseconds of " +
                              text;
        std::snprintf(text, sizeof text, "%.0f beats", std::floor(beats));
        warning += std::string(": ") + until + ", " + Ms(static_cast<uint64_t>(length)) + " or " + text +
                   " in, the # times run ";
        std::snprintf(text, sizeof text, "%.0f ms", drift);
        warning += std::string(text) + " ahead of the music. Tempos that divide 60000 (120, 125, 150) keep time";
        Warn(script.tempoLine, WarningKind::Drift, std::move(warning));
    }

    void ReviewRunningScenes() {
        const auto scenes = ShowScenes();
        std::vector<bool> runs(scenes.size(), false);
        for (int32_t i = 0; i < script.eventCount; ++i) {
            const TimelineEvent& event = script.events[static_cast<size_t>(i)];
            if (event.effect < 0 || event.effect >= static_cast<int32_t>(scenes.size()) ||
                event.index != EffectParams::kRunningIndex || event.start == NO_TIME) {
                continue;
            }
            const bool sets = event.state == EventState::PendingSet && event.kind == ParamKind::Bool &&
                              event.boolValue;
            if (sets || event.state == EventState::PendingTrigger) runs[static_cast<size_t>(event.effect)] = true;
        }
        for (const SceneDescription& scene : scenes) {
            if (runs[static_cast<size_t>(scene.scene)]) continue;
            const std::string number = std::to_string(scene.scene);
            Warn(0, WarningKind::Idle,
                 "scene " + number + " (" + scene.effect + ") never runs: no line sets scene." + number +
                     ".bool.0 true, as #0.0 Set scene." + number + ".RUN does");
        }
    }

    void ReviewPictures() {
        std::set<std::string> used;
        std::set<std::string> targets;
        for (const SceneDescription& scene : ShowScenes()) {
            for (const TextureNeed& need : scene.needs.textures) {
                if (need.source == TextureSource::Picture) used.insert(need.handle);
            }
            for (const RenderTargetMade& target : scene.needs.targets) targets.insert(target.handle);
        }
        const std::vector<PictureLine>& pictures = script.pictures;
        for (size_t i = 0; i < pictures.size(); ++i) {
            const PictureLine& picture = pictures[i];
            const std::string handle = "'" + picture.handle + "'";
            for (size_t later = i + 1; later < pictures.size(); ++later) {
                if (pictures[later].handle == picture.handle) {
                    Warn(picture.line, WarningKind::Picture,
                         handle + " is loaded again on line " + std::to_string(pictures[later].line) +
                             ", which replaces this picture");
                    break;
                }
            }
            if (targets.count(picture.handle)) {
                Warn(picture.line, WarningKind::Picture,
                     handle + " is a render target's name: the render-target effect replaces this picture with "
                              "its target");
            } else if (!used.count(picture.handle)) {
                Warn(picture.line, WarningKind::Picture, "no effect uses the picture " + handle);
            }
            std::string path;
            if (TextureRegistry::PictureFilePath(picture.fileName, path) && path != picture.fileName) {
                Warn(picture.line, WarningKind::Picture,
                     picture.fileName + " is read from " + path + ": the show reads only PNG pictures");
            }
        }
    }

    void ReviewMusicLines() {
        for (size_t i = 0; i + 1 < script.music.size(); ++i) {
            Warn(script.music[i].line, WarningKind::Music,
                 "the music of line " + std::to_string(script.music.back().line) +
                     " replaces this one: only the last LoadMusic plays");
        }
    }

    const ParsedScript& script;
    int64_t music;
    std::vector<ScriptFinding> findings;
};

}  // namespace

std::vector<ScriptFinding> ReviewScript(const ParsedScript& script, int64_t musicMilliseconds) {
    return Review(script, musicMilliseconds).Run();
}
