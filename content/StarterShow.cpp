#include "content/StarterShow.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "content/PebbleModel.h"
#include "content/ShowMusic.h"
#include "content/ShowPictures.h"

namespace fs = std::filesystem;

const char* StarterScript() {
    return R"(// A new show, made by demo-new: eight bars at 125 beats per minute and
// a last hit. Play it with demo-preview in this folder (saving reloads it),
// check it with demo-check, and replace the pictures, the music and the
// model with your own. The author's guide, authoring.md, explains every
// line: docs/ in the show's sources, share/doc/audiovisual-show/ where
// the show is installed, beside the programs in the Windows release.
//
// Times are #bar.beat, counted from 0: at 125 beats per minute a beat is
// 480 ms and a bar 1920 ms. Scenes: 0 render targets, 1 camera, 2 model
// and swarm, 3 pictures and noise, 4 glow. A "*" step of the playing
// pattern flashes the picture and the noise (scene 3) and pulses the glow
// (scene 4).

// Where the pictures and the music are, then the music and its tempo.
Define _IMG_DIR=data/png/
Define _MUSIC_DIR=data/music/
LoadMusic track.ogg 125 4

// The pictures the effects need: the model's skin, the noise and six
// cards. Replace the files with your own PNG pictures.
LoadImage mallow mallow.png
LoadImage noise noise.png repeat
LoadImage pic1 pic1.png
LoadImage pic2 pic2.png
LoadImage pic3 pic3.png
LoadImage pic4 pic4.png
LoadImage pic5 pic5.png
LoadImage pic6 pic6.png

// Step patterns, four steps to the beat: one flash a bar, one a beat.
DefinePattern 0 *...............
DefinePattern 1 *...*...*...*...

// Bar 0: every scene runs. The first card holds while the camera glides in
// from z = 14 to the orbit's 6.
#0.0 Set scene.0.RUN
#0.0 Set scene.1.RUN
#0.0 Set scene.2.RUN
#0.0 Set scene.3.RUN
#0.0 Set scene.4.RUN
#0.0 Set scene.3.lng.0 0
#0.0 Set scene.3.bool.3 true
#0.0 Set scene.1.bool.1 true
#0.0 Set scene.1.dbl.1 1
#0.0 Fade scene.1.dbl.2 from 14 to 6 time #2.0

// Bar 2: the card lets go, the camera starts its orbit, and the second
// card flashes once a bar.
#2.0 Set scene.3.bool.3 false
#2.0 Set scene.1.bool.1 false
#2.0 Trig scene.1.bool.2
#2.0 Set scene.3.lng.0 1
#2.0 UsePattern 0

// Bar 4: the beat. The swarm takes off and every beat flashes a card that
// zooms as it fades.
#4.0 Set scene.2.bool.2 true
#4.0 Set scene.3.bool.1 true
#4.0 Set scene.3.lng.0 2
#4.0 UsePattern 1
#6.0 Set scene.2.bool.1 true
#6.0 Set scene.3.lng.0 3
#7.0 Set scene.3.lng.0 4

// Bar 8: the last hit. The swarm lands and the end card holds.
#8.0 DisablePattern
#8.0 Set scene.2.bool.2 false
#8.0 Set scene.3.bool.1 false
#8.0 Set scene.3.lng.0 5
#8.0 Set scene.3.bool.3 true
End #10.0
)";
}

bool WriteStarterShow(const std::string& folder, std::string& error) {
    const fs::path root(folder);
    const fs::path data = root / "data";
    const fs::path partial = root / "data.partial";
    std::error_code failure;
    if (fs::exists(data, failure)) {
        error = data.string() + " already exists: demo-new writes a new show only into a folder without one";
        return false;
    }
    // What a run that was stopped half-way left behind.
    fs::remove_all(partial, failure);
    fs::create_directories(partial / "png", failure);
    if (!failure) fs::create_directories(partial / "3ds", failure);
    if (!failure) fs::create_directories(partial / "music", failure);
    if (failure) {
        error = "cannot make " + partial.string() + ": " + failure.message();
        return false;
    }

    bool written = WriteStarterPictures((partial / "png").string(), error) &&
                   WritePebbleModel((partial / "3ds/pebble.3ds").string(), error);
    if (written) {
        const fs::path track = partial / "music/track.ogg";
        if (const int musicError = WriteMusic(MusicTrack::Starter, track.string()); musicError != 0) {
            error = "cannot write " + track.string() + ": " + std::strerror(musicError);
            written = false;
        }
    }
    if (written) {
        const fs::path script = partial / "script.txt";
        std::ofstream file(script, std::ios::binary | std::ios::trunc);
        file << StarterScript();
        file.close();
        if (!file) {
            error = "cannot write " + script.string();
            written = false;
        }
    }
    if (written) {
        fs::rename(partial, data, failure);
        if (failure) {
            error = "cannot rename " + partial.string() + " to " + data.string() + ": " + failure.message();
            written = false;
        }
    }
    if (!written) fs::remove_all(partial, failure);
    return written;
}
