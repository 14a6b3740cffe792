// The show's script read once before the show starts, without a window: it
// tells the capture where the script starts and ends, turns the command
// line's times into milliseconds at the script's tempo, and finds the
// pictures that cannot be read before any frame is drawn.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "capture/MusicPathRecorder.h"
#include "platform/MessageBoxes.h"
#include "script/ScriptEngine.h"
#include "textures/TextureFactory.h"
#include "textures/TextureRegistry.h"

class ScriptSurvey {
public:
    // Script errors are shown through `boxes`.
    explicit ScriptSurvey(MessageBoxes& boxes);

    // Reads the script at `path`. False when it cannot be read, has errors,
    // or names a picture that cannot be read; `error` then says so unless
    // the script's own error boxes already have.
    bool Load(const char* path, std::string& error);

    // A command-line time, `#bars.beats` or `=milliseconds`, in ms at the
    // tempo in force at the end of the script. False, with `error` saying
    // why, for any other text or a time past the 32-bit signed range.
    bool ResolveTime(std::string_view text, uint32_t& milliseconds, std::string& error) const;

    uint32_t StartPosition() const { return engine.StartPosition(); }
    bool HasEnd() const { return engine.EndTime() != NO_TIME; }
    uint32_t EndTime() const { return engine.EndTime(); }
    // The music file the script names; empty without LoadMusic.
    const std::string& MusicPath() const { return music.Path(); }

private:
    MusicPathRecorder music{nullptr};
    HeadlessTextureFactory textureFactory;
    TextureRegistry textures{textureFactory};
    ScriptEngine engine;
};
