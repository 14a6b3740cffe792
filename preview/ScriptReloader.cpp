#include "preview/ScriptReloader.h"

#include <utility>

#include "platform/ConsoleText.h"
#include "script/ScriptLoader.h"
#include "script/ScriptReader.h"
#include "textures/TextureRegistry.h"

ScriptReloader::ScriptReloader(std::string scriptPath, TextureRegistry& textures, std::FILE* echo)
    : scriptPath(std::move(scriptPath)), textures(textures), echo(echo) {}

void ScriptReloader::Watch(const ScriptEngine& script, const std::vector<std::string>& problems) {
    scriptStamp = SettlingStamp(StampOf(scriptPath.c_str()));
    this->problems = problems;
    saveRefused = false;
    pictures.clear();
    TakePictures(script.Pictures(), false);
}

int32_t ScriptReloader::TakePictures(const std::vector<PictureLine>& lines, bool reloadChanged) {
    std::vector<WatchedPicture> taken;
    taken.reserve(lines.size());
    for (const PictureLine& line : lines) {
        WatchedPicture picture;
        if (!TextureRegistry::PictureFilePath(line.fileName, picture.path)) continue;
        picture.handle = line.handle;
        picture.fileName = line.fileName;
        picture.wrapMode = line.wrapMode;
        picture.line = line.line;
        picture.stamp = SettlingStamp(StampOf(picture.path.c_str()));
        // A later line for the same handle replaces the earlier picture.
        bool replaced = false;
        for (WatchedPicture& earlier : taken) {
            if (earlier.handle == picture.handle) {
                earlier = picture;
                replaced = true;
            }
        }
        if (!replaced) taken.push_back(std::move(picture));
    }

    int32_t reloaded = 0;
    const auto loadedAsBefore = [this](const WatchedPicture& picture) {
        for (const WatchedPicture& loaded : pictures) {
            if (loaded.handle == picture.handle) {
                return loaded.fileName == picture.fileName && loaded.wrapMode == picture.wrapMode &&
                       loaded.stamp.Taken() == picture.stamp.Taken();
            }
        }
        return false;
    };
    for (WatchedPicture& picture : taken) {
        if (reloadChanged && !loadedAsBefore(picture)) {
            ReloadPicture(picture);
            ++reloaded;
        } else {
            NotePicture(picture, false);
        }
    }
    pictures = std::move(taken);
    ListPictureProblems();
    return reloaded;
}

void ScriptReloader::ReloadPicture(WatchedPicture& picture) {
    textures.Reload(picture.handle, picture.fileName, picture.wrapMode);
    NotePicture(picture, true);
}

void ScriptReloader::NotePicture(WatchedPicture& picture, bool tell) {
    const Texture* texture = textures.Find(picture.handle);
    picture.problem.clear();
    if (!texture || texture->loadProblem.empty()) return;
    picture.problem = EditorLine(scriptPath, picture.line, FindingSeverity::Error,
                                 UnreadablePictureText(picture.handle, texture->loadProblem));
    if (tell && echo) WriteForTerminal(echo, picture.problem);
}

void ScriptReloader::ListPictureProblems() {
    pictureProblems.clear();
    for (const WatchedPicture& picture : pictures) {
        if (!picture.problem.empty()) pictureProblems.push_back(picture.problem);
    }
}

bool ScriptReloader::ReloadScript(ScriptEngine& script) {
    // The music is not opened: the preview keeps the music it started with.
    std::string readProblem;
    ParsedScript candidate = ReadScript(scriptPath.c_str(), readProblem);
    problems.clear();
    if (!readProblem.empty()) {
        problems.push_back("Cannot read the script: " + readProblem);
    } else if (scriptStamp.Taken().size == 0) {
        // What a save looks like between emptying the file and writing it
        // again; a show with nothing in it is no edit worth showing.
        problems.push_back("The script is empty");
    }
    for (const ScriptFinding& finding : candidate.findings) {
        if (finding.severity == FindingSeverity::Error) problems.push_back(finding.BoxText());
    }
    if (!problems.empty()) {
        if (echo) {
            for (const std::string& problem : problems) WriteForTerminal(echo, problem);
        }
        return false;
    }
    script.AdoptScript(std::move(candidate));
    return true;
}

ScriptReloader::Result ScriptReloader::Check(ScriptEngine& script) {
    Result result;
    if (scriptStamp.Settled(StampOf(scriptPath.c_str()))) {
        saveRefused = !ReloadScript(script);
        if (!saveRefused) {
            result.scriptReloaded = true;
            result.picturesReloaded = TakePictures(script.Pictures(), true);
            return result;
        }
        result.scriptRefused = true;
    }
    for (WatchedPicture& picture : pictures) {
        if (!picture.stamp.Settled(StampOf(picture.path.c_str()))) continue;
        ReloadPicture(picture);
        ++result.picturesReloaded;
    }
    if (result.picturesReloaded > 0) ListPictureProblems();
    return result;
}
