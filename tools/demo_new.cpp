// demo-new: writes a new show into a folder, one that plays at once and
// that demo-check passes: a commented eight-bar script that uses every
// scene, pictures marked "REPLACE ME", the pebble model and an eight-bar
// track from the show's synthesiser (content/StarterShow.h).
//
//   demo-new DIR
//
// Exit status: 0 when the show is written, 1 when it cannot be (DIR/data
// already exists, or a file cannot be written), 2 for wrong arguments.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "content/StarterShow.h"
#include "platform/CommandLine.h"

namespace {

constexpr const char* kUsage =
    "usage: demo-new DIR\n"
    "Writes a new show into DIR (made when missing): data/script.txt, a commented\n"
    "eight-bar script that uses every scene; data/png/, pictures marked REPLACE ME;\n"
    "data/3ds/pebble.3ds, the model; data/music/track.ogg, an eight-bar track.\n"
    "Then: cd DIR && demo-preview (the one beside demo-new). A DIR that already holds data/ is left alone.\n"
    "Options: --help, --version.\n";

// `word` as the shell reads it back as one word: as it is when it holds
// nothing the shell would take apart, else quoted (single quotes on POSIX
// shells, where nothing inside them is special; double quotes for cmd.exe,
// where a file name cannot hold one).
std::string ShellWord(const std::string& word) {
#ifdef _WIN32
    constexpr const char* kSpecial = " \t&|<>^()%!\"";
#else
    constexpr const char* kSpecial = " \t\n\\'\"`$&|;<>()[]{}*?!~#";
#endif
    if (!word.empty() && word.find_first_of(kSpecial) == std::string::npos) return word;
#ifdef _WIN32
    return '"' + word + '"';
#else
    std::string quoted = "'";
    for (const char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
#endif
}

// How to start the preview from the new show's folder: by name when
// demo-new was found on PATH, else by the full path of the demo-preview
// beside it (a build folder, an unpacked release).
std::string PreviewCommand(const char* self) {
    const std::filesystem::path program(self);
    if (!program.has_parent_path()) return "demo-preview";
    std::error_code failure;
    const std::filesystem::path folder = std::filesystem::absolute(program.parent_path(), failure);
    if (failure) return "demo-preview";
    return ShellWord((folder.lexically_normal() / "demo-preview").string());
}

}  // namespace

int main(int argc, char** argv) {
    return WriteOneOutputMain(argc, argv, "demo-new", kUsage, [argv](const char* folder, std::string& error) {
        if (!WriteStarterShow(folder, error)) return false;
        std::printf("A new show is in %s/data. Play it with:\n  cd %s && %s\n", folder, ShellWord(folder).c_str(),
                    PreviewCommand(argv[0]).c_str());
        return true;
    });
}
