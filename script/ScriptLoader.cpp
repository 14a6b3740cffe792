#include "script/ScriptLoader.h"

#include "audio/MusicPlayer.h"
#include "textures/TextureRegistry.h"

void ScriptLoader::LoadPicture(const PictureLine& picture) {
    if (!textures) return;
    if (!textures->Load(picture.handle, picture.fileName, picture.wrapMode)) {
        problems.push_back(FileProblem{picture.line, picture.fileName,
                                       "the name ends neither in .png nor in .bmp"});
    }
}

void ScriptLoader::OpenMusic(const MusicLine& musicLine) {
    if (!music->LoadStream(musicLine.path.c_str())) {
        problems.push_back(FileProblem{musicLine.line, musicLine.path, "the music cannot be opened"});
    }
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
