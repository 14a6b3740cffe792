// Reloading the show's script and pictures while the preview plays.
//
// The reloader watches the script file and the picture files that the
// script names. A changed file is read only once its size and time stamp
// have held still for two looks, so that a save caught half way is not
// taken. A changed script is read into a fresh script first; only a script
// that reads without errors, and is not empty, replaces the one playing, so
// a slip while editing leaves the last good script on screen together with
// the errors. Pictures are read again into the textures that the effects
// already hold, whenever their files change or the script gives a handle a
// new file. A picture that cannot be read is said, on `echo` and in the
// list of picture problems, in the checker's form
// (`FILE:LINE: error: cannot read the picture ...`); the effects then show
// it as they show any picture without its image.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "preview/FileStamp.h"
#include "script/ScriptEngine.h"

class TextureRegistry;

class ScriptReloader {
public:
    // What one look at the files did.
    struct Result {
        bool scriptReloaded = false;  // the playing script was replaced
        bool scriptRefused = false;   // the script changed but had errors
        int32_t picturesReloaded = 0;
    };

    // Error texts are also copied to `echo` when it is not null.
    ScriptReloader(std::string scriptPath, TextureRegistry& textures, std::FILE* echo = nullptr);

    // Starts watching the script as it is now and the pictures that
    // `script`, the engine that read it, names. `problems` are what went
    // wrong while it was read; they stand until the next reload.
    void Watch(const ScriptEngine& script, const std::vector<std::string>& problems);

    // Looks at the files and reloads what changed into `script` and the
    // registry. A reloaded script is taken over but not restarted: that is
    // the caller's, who knows the show time to keep.
    Result Check(ScriptEngine& script);

    // The texts of what went wrong with the script playing or with the last
    // attempt to replace it; empty when the last reload was clean.
    const std::vector<std::string>& Problems() const { return problems; }
    // True when the script's last change was refused: Problems() are then
    // about a script that does not play.
    bool SaveRefused() const { return saveRefused; }
    // One line for each watched picture that the show holds without its
    // image, as it stands now, in the script's order.
    const std::vector<std::string>& PictureProblems() const { return pictureProblems; }
    const std::string& ScriptPath() const { return scriptPath; }

private:
    struct WatchedPicture {
        std::string handle;
        std::string fileName;  // as the script gives it
        std::string path;      // the file that serves it
        int32_t wrapMode = 0;
        int32_t line = 0;
        SettlingStamp stamp;
        std::string problem;   // the line in PictureProblems(); empty when it loaded
    };

    // Watches the pictures of `lines`; with `reloadChanged`, reads again
    // those whose file, wrap mode or file stamp differ from what was loaded.
    int32_t TakePictures(const std::vector<PictureLine>& lines, bool reloadChanged);
    bool ReloadScript(ScriptEngine& script);
    // Reads `picture` again, saying so on `echo` when it cannot be read.
    void ReloadPicture(WatchedPicture& picture);
    // Takes `picture`'s problem from its texture; with `tell`, a problem is
    // also written to `echo`.
    void NotePicture(WatchedPicture& picture, bool tell);
    void ListPictureProblems();

    std::string scriptPath;
    TextureRegistry& textures;
    std::FILE* echo;
    SettlingStamp scriptStamp;
    std::vector<WatchedPicture> pictures;
    std::vector<std::string> problems;
    bool saveRefused = false;
    std::vector<std::string> pictureProblems;
};
