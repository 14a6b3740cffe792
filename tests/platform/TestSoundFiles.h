// Small sound files written by the tests themselves: a sine tone as 16-bit
// PCM WAV or AIFF or as Ogg Vorbis, in a temporary folder removed at the
// end.
#pragma once

#include <string>

class SoundFileFolder {
public:
    SoundFileFolder();
    ~SoundFileFolder();
    SoundFileFolder(const SoundFileFolder&) = delete;
    SoundFileFolder& operator=(const SoundFileFolder&) = delete;

    // The path of `name` inside the folder.
    std::string Path(const std::string& name) const { return folder + "/" + name; }

    // Each returns the file's path.
    std::string WriteWav(const std::string& name, double seconds);
    std::string WriteAiff(const std::string& name, double seconds);
    std::string WriteOgg(const std::string& name, double seconds);
    std::string WriteBytes(const std::string& name, const std::string& bytes);
    // The first `length` bytes of `source`'s file, as a new file.
    std::string WriteStart(const std::string& name, const std::string& source, size_t length);
    // A copy of `source`'s file with `bytes` written over it at `offset`.
    std::string WriteChanged(const std::string& name, const std::string& source, size_t offset,
                             const std::string& bytes);

private:
    std::string folder;
};
