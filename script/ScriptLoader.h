// The loading step of a script: asks the texture registry for the pictures
// and the music player for the music that the script's LoadImage and
// LoadMusic lines name, in the order of their lines, and notes which files
// could not be loaded and why: a picture name the registry refuses, a
// picture texture left without its image (its loadProblem), a music file
// the player cannot open.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "script/ParsedScript.h"

class MusicPlayer;
class TextureRegistry;

// A file that a script line names and that could not be loaded.
struct FileProblem {
    int32_t line = 0;
    std::string path;
    std::string text;  // what went wrong, naming the file, for the show's author
};

// What a picture that loaded without its image says about it: "cannot read
// the picture 'HANDLE': " and the texture's loadProblem.
std::string UnreadablePictureText(std::string_view handle, std::string_view loadProblem);

class ScriptLoader {
public:
    // Pictures go into `textures` (none are loaded when it is null), music
    // is opened with `music`.
    ScriptLoader(TextureRegistry* textures, MusicPlayer& music) : textures(textures), music(&music) {}

    // Registers the picture of one LoadImage line.
    void LoadPicture(const PictureLine& picture);
    // Opens the music of one LoadMusic line.
    void OpenMusic(const MusicLine& musicLine);
    // Every picture and music line of `script`, in line order.
    void LoadAll(const ParsedScript& script);

    const std::vector<FileProblem>& Problems() const { return problems; }

private:
    TextureRegistry* textures;
    MusicPlayer* music;
    std::vector<FileProblem> problems;
};
