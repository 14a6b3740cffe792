#include "preview/ScriptReloader.h"

#include <utility>

#include "check/ShowCheck.h"
#include "platform/ConsoleText.h"
#include "platform/FileWatcher.h"
#include "textures/TextureRegistry.h"

ScriptReloader::ScriptReloader(std::string scriptPath, TextureRegistry& textures, std::FILE* echo,
                               FileWatcher* watcher, SaveCheck check)
    : scriptPath(std::move(scriptPath)), textures(textures), echo(echo), watcher(watcher), check(std::move(check)) {
    if (!this->check) this->check = [](const char* path) { return CheckShow(path, nullptr); };
}

ScriptReloader::FollowedFile ScriptReloader::Follow(const std::string& path) {
    FollowedFile file;
    file.path = path;
    file.stamp = SettlingStamp(StampOf(path.c_str()));
    file.watched = watcher && watcher->Watch(path);
    return file;
}

void ScriptReloader::Watch(const ScriptEngine& script, const std::vector<std::string>& problems) {
    if (watcher) watcher->Forget();
    this->script = Follow(scriptPath);
    this->problems = problems;
    saveRefused = false;
    pictures.clear();
    TakePictures(script.Pictures(), false);
}

bool ScriptReloader::LooksAtFiles() const {
    if (!script.watched || script.settling) return true;
    for (const WatchedPicture& picture : pictures) {
        if (!picture.file.watched || picture.file.settling) return true;
    }
    return false;
}

void ScriptReloader::WatchAgain() {
    watcher->Forget();
    const auto again = [this](FollowedFile& file) {
        file.watched = watcher->Watch(file.path);
        // It may have been caught half way through a save: it is looked at
        // until it holds still.
        if (!(StampOf(file.path.c_str()) == file.stamp.Taken())) file.settling = true;
    };
    again(script);
    for (WatchedPicture& picture : pictures) again(picture.file);
}

bool ScriptReloader::FindChanges(bool lookAtFiles) {
    if (watcher) {
        saved.clear();
        const bool whole = watcher->TakeSaved(saved);
        for (const std::string& path : saved) {
            const auto mark = [&path](FollowedFile& file) {
                if (file.watched && file.path == path) {
                    file.changed = true;
                    file.settling = false;
                }
            };
            mark(script);
            for (WatchedPicture& picture : pictures) mark(picture.file);
        }
        if (!whole) WatchAgain();
    }
    bool waiting = false;
    const auto look = [&](FollowedFile& file) {
        if (lookAtFiles && (!file.watched || file.settling)) {
            const FileStamp now = StampOf(file.path.c_str());
            if (file.settling && now == file.stamp.Taken()) {
                file.settling = false;
            } else if (file.stamp.Settled(now)) {
                file.changed = true;
                file.settling = false;
            }
        }
        waiting = waiting || file.changed;
    };
    look(script);
    for (WatchedPicture& picture : pictures) look(picture.file);
    return waiting;
}

int32_t ScriptReloader::TakePictures(const std::vector<PictureLine>& lines, bool reloadChanged) {
    std::vector<WatchedPicture> taken;
    taken.reserve(lines.size());
    for (const PictureLine& line : lines) {
        std::string path;
        if (!TextureRegistry::PictureFilePath(line.fileName, path)) continue;
        WatchedPicture picture;
        picture.handle = line.handle;
        picture.fileName = line.fileName;
        picture.wrapMode = line.wrapMode;
        picture.line = line.line;
        picture.file = Follow(path);
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
                       !loaded.file.changed && loaded.file.stamp.Taken() == picture.file.stamp.Taken();
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

bool ScriptReloader::ReloadScript(ScriptEngine& engine) {
    // The music is not opened: the preview keeps the music it started with.
    ShowCheck checked = check(scriptPath.c_str());
    problems.clear();
    bool refused = checked.Count(FindingSeverity::Error) > 0;
    if (!checked.readProblem.empty()) {
        problems.push_back(EditorLine(scriptPath, 0, FindingSeverity::Error,
                                      "cannot read the script: " + checked.readProblem));
        refused = true;
    } else if (script.stamp.Taken().size == 0) {
        // What a save looks like between emptying the file and writing it
        // again; a show with nothing in it is no edit worth showing.
        problems.push_back(EditorLine(scriptPath, 0, FindingSeverity::Error, "the script is empty"));
        refused = true;
    }
    for (const CheckFinding& finding : checked.findings) problems.push_back(finding.EditorText());
    if (echo) {
        for (const std::string& problem : problems) WriteForTerminal(echo, problem);
        if (refused) {
            WriteForTerminal(echo, scriptPath + ": the save has errors; the last good script plays on");
        }
    }
    saveRefused = refused;
    if (refused) return false;
    // A script that plays leaves no list: its warnings went to the echo.
    problems.clear();
    engine.AdoptScript(std::move(checked.script));
    return true;
}

ScriptReloader::Result ScriptReloader::TakeChanges(ScriptEngine& engine) {
    Result result;
    if (script.changed) {
        script.changed = false;
        // A watched file is read as it is now; a file looked at, as it held
        // still.
        if (script.watched) script.stamp = SettlingStamp(StampOf(scriptPath.c_str()));
        if (ReloadScript(engine)) {
            result.scriptReloaded = true;
            result.picturesReloaded = TakePictures(engine.Pictures(), true);
            return result;
        }
        result.scriptRefused = true;
    }
    for (WatchedPicture& picture : pictures) {
        if (!picture.file.changed) continue;
        picture.file.changed = false;
        if (picture.file.watched) picture.file.stamp = SettlingStamp(StampOf(picture.file.path.c_str()));
        ReloadPicture(picture);
        ++result.picturesReloaded;
    }
    if (result.picturesReloaded > 0) ListPictureProblems();
    return result;
}
