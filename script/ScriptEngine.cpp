#include "script/ScriptEngine.h"

#include "audio/MusicPlayer.h"
#include "platform/MessageBoxes.h"
#include "script/LoadProgress.h"

ScriptEngine::ScriptEngine(MessageBoxes& boxes, MusicPlayer& music)
    : boxes(boxes), music(music), script(NewParsedScript()), loader(nullptr, music) {
    player.Adopt(script);
}

bool ScriptEngine::Load(const char* path, TextureRegistry* textures) {
    loader = ScriptLoader(textures, music);
    const size_t findingsBefore = script.findings.size();
    const bool read = ReadScriptFile(path, reader, readProblem, [this] {
        ActOnLinesRead();
        if (loadingScreen) loadingScreen->Tick();
    });
    if (loadingScreen) loadingScreen->Finish();
    if (!read) return false;
    readProblem.clear();
    for (size_t i = findingsBefore; i < script.findings.size(); ++i) {
        if (script.findings[i].severity == FindingSeverity::Error) return false;
    }
    return true;
}

void ScriptEngine::ActOnLinesRead() {
    // A line's errors come before its file: a LoadMusic with a bad tempo
    // still opens its music.
    for (; findingsShown < script.findings.size(); ++findingsShown) {
        const ScriptFinding& finding = script.findings[findingsShown];
        if (finding.severity == FindingSeverity::Error) ShowError(boxes, finding.BoxText());
    }
    for (; picturesLoaded < script.pictures.size(); ++picturesLoaded) {
        loader.LoadPicture(script.pictures[picturesLoaded]);
    }
    for (; musicOpened < script.music.size(); ++musicOpened) loader.OpenMusic(script.music[musicOpened]);
}

void ScriptEngine::ExecuteLine(std::string_view line, uint32_t time) {
    reader.ExecuteLine(line, time);
    ActOnLinesRead();
}

void ScriptEngine::SetTempo(int32_t bpm, int32_t beatsPerBar) {
    reader.SetTempo(bpm, beatsPerBar);
    ActOnLinesRead();
}

void ScriptEngine::ReportError(std::string_view message) {
    reader.ReportError(message);
    ActOnLinesRead();
}

void ScriptEngine::Start() {
    player.Start(script.startPosition);
    if (script.startPosition != 0) music.SetPosition(script.startPosition);
}

void ScriptEngine::AdoptScript(ParsedScript parsed) {
    script = std::move(parsed);
    findingsShown = script.findings.size();
    picturesLoaded = script.pictures.size();
    musicOpened = script.music.size();
    player.Adopt(script);
}
