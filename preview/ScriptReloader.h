// Reloading the show's script and pictures while the preview plays.
//
// The reloader follows the script file and the picture files that the
// script names. Where the system tells when a file is saved
// (platform/FileWatcher.h), a file is read again as soon as its save is
// whole: closed after writing, or renamed into place. A file the system
// cannot watch is looked at instead, and read again only once its size and
// time stamp have held still for two looks, so that a save caught half way
// is not taken.
//
// A changed script goes through the same show check as demo-check
// (check/ShowCheck.h): the script as the show reads it, the pictures and
// model it needs, the files it names. Only a script that the check finds
// no error in, and that is not empty, replaces the one playing, so a slip
// while editing leaves the last good script on screen, and the check's
// findings say why, in the checker's form (`FILE:LINE: error: TEXT`).
// Pictures are read again into the textures that the effects already hold,
// whenever their files change or the script gives a handle a new file. A
// picture that cannot be read is said, on `echo` and in the list of picture
// problems, in the same form (`FILE:LINE: error: cannot read the picture
// ...`); the effects then show it as they show any picture without its
// image.
#pragma once

#include <cstdint>
#include <functional>
#include <cstdio>
#include <string>
#include <vector>

#include "preview/FileStamp.h"
#include "script/ScriptEngine.h"

class FileWatcher;
class TextureRegistry;
struct ShowCheck;

class ScriptReloader {
public:
    // What taking the changes did.
    struct Result {
        bool scriptReloaded = false;  // the playing script was replaced
        bool scriptRefused = false;   // the script changed but was refused
        int32_t picturesReloaded = 0;
    };

    // How a saved script is checked before it plays: by default the show
    // check itself (CheckShow, the music left unchecked).
    using SaveCheck = std::function<ShowCheck(const char* scriptPath)>;

    // The check's findings are also written to `echo` when it is not null.
    // `watcher`, when not null, tells when files are saved; without one,
    // every file is looked at.
    ScriptReloader(std::string scriptPath, TextureRegistry& textures, std::FILE* echo = nullptr,
                   FileWatcher* watcher = nullptr, SaveCheck check = {});

    // Starts following the script as it is now and the pictures that
    // `script`, the engine that read it, names. `problems` are what went
    // wrong while it was read; they stand until the next reload.
    void Watch(const ScriptEngine& script, const std::vector<std::string>& problems);

    // Whether some file is followed by looking at it, for want of a watcher
    // that tells when it is saved: FindChanges should then look at the
    // files every few hundred ms.
    bool LooksAtFiles() const;
    // Whether a watcher tells when files are saved: its notices are then
    // worth reading every few ms.
    bool HasWatcher() const { return watcher != nullptr; }

    // Looks for saved files: takes the watcher's notices and, with
    // `lookAtFiles`, looks at the files that are not watched. True when a
    // change waits for TakeChanges. Cheap: it reads no file.
    bool FindChanges(bool lookAtFiles);

    // Reads again what changed into `script` and the registry. A reloaded
    // script is taken over but not restarted: that is the caller's, who
    // knows the show time to keep.
    Result TakeChanges(ScriptEngine& script);

    // What is wrong with the script playing or with the last save of it,
    // one finding a text: at the start, the texts of the show's boxes;
    // after a refused save, every finding of its check in the checker's
    // form, the warnings included. Empty when there is nothing to say.
    const std::vector<std::string>& Problems() const { return problems; }
    // True when the script's last change was refused: Problems() are then
    // about a script that does not play.
    bool SaveRefused() const { return saveRefused; }
    // One line for each watched picture that the show holds without its
    // image, as it stands now, in the script's order.
    const std::vector<std::string>& PictureProblems() const { return pictureProblems; }
    const std::string& ScriptPath() const { return scriptPath; }

private:
    // A file followed, and how.
    struct FollowedFile {
        std::string path;
        SettlingStamp stamp;
        bool watched = false;   // the watcher tells when it is saved
        bool settling = false;  // looked at until it holds still, after lost notices
        bool changed = false;   // a change waits to be taken
    };
    struct WatchedPicture {
        std::string handle;
        std::string fileName;  // as the script gives it
        int32_t wrapMode = 0;
        int32_t line = 0;
        FollowedFile file;     // the file that serves it
        std::string problem;   // the line in PictureProblems(); empty when it loaded
    };

    // Starts following `path` as it is now.
    FollowedFile Follow(const std::string& path);
    // Follows the pictures of `lines`; with `reloadChanged`, reads again
    // those whose file, wrap mode or file stamp differ from what was loaded.
    int32_t TakePictures(const std::vector<PictureLine>& lines, bool reloadChanged);
    bool ReloadScript(ScriptEngine& script);
    // Reads `picture` again, saying so on `echo` when it cannot be read.
    void ReloadPicture(WatchedPicture& picture);
    // Takes `picture`'s problem from its texture; with `tell`, a problem is
    // also written to `echo`.
    void NotePicture(WatchedPicture& picture, bool tell);
    void ListPictureProblems();
    // The watcher lost track: watches every file anew and takes whatever
    // differs from what was read once it holds still.
    void WatchAgain();

    std::string scriptPath;
    TextureRegistry& textures;
    std::FILE* echo;
    FileWatcher* watcher;
    SaveCheck check;
    FollowedFile script;
    std::vector<WatchedPicture> pictures;
    std::vector<std::string> problems;
    bool saveRefused = false;
    std::vector<std::string> pictureProblems;
    std::vector<std::string> saved;  // the watcher's notices, kept to save allocations
};
