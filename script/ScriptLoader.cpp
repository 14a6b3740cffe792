#include "script/ScriptLoader.h"

#include "audio/MusicPlayer.h"
#include "textures/TextureRegistry.h"

std::string UnreadablePictureText(std::string_view handle, std::string_view loadProblem) {
    std::string text = "cannot read the picture '";
    text += handle;
    text += "': ";
    text += loadProblem;
    return text;
}

void ScriptLoader::LoadPicture(const PictureLine& picture) {
    if (!textures) return;
    const std::string quotedHandle = "'" + picture.handle + "'";
    if (!textures->Load(picture.handle, picture.fileName, picture.wrapMode)) {
        problems.push_back(FileProblem{
            picture.line, picture.fileName,
            "cannot load the picture " + quotedHandle + " from " + picture.fileName +
                ": a picture's name must end in .png (or in .bmp, which loads the .png of the same "
                "name)"});
        return;
    }
    const Texture* texture = textures->Find(picture.handle);
    if (texture && !texture->loadProblem.empty()) {
        std::string path;
        TextureRegistry::PictureFilePath(picture.fileName, path);
        problems.push_back(FileProblem{picture.line, path, UnreadablePictureText(picture.handle, texture->loadProblem)});
    }
}

void ScriptLoader::OpenMusic(const MusicLine& musicLine) {
    if (music->LoadStream(musicLine.path.c_str())) return;
    const std::string why = music->LoadProblem();
    problems.push_back(FileProblem{musicLine.line, musicLine.path,
                                   "cannot open the music " + musicLine.path +
                                       (why.empty() ? std::string() : ": " + why)});
}

void ScriptLoader::LoadAll(const ParsedScript& script) {
    auto picture = script.pictures.begin();
    auto musicLine = script.music.begin();
    while (picture != script.pictures.end() || musicLine != script.music.end()) {
        const bool pictureFirst = musicLine == script.music.end() ||
                                  (picture != script.pictures.end() && picture->line < musicLine->line);
        if (pictureFirst) {
            LoadPicture(*picture++);
        } else {
            OpenMusic(*musicLine++);
        }
    }
}
