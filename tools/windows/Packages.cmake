# SDL2, SDL2_mixer, libvorbisenc and libvorbisfile for the Windows build, from the CMake
# packages that their cross-builds install (tools/build-windows.sh), as the
# imported targets that the Linux build gets from pkg-config. SDL2main is
# left out: the programs have their own main().
find_package(SDL2 REQUIRED CONFIG)
find_package(SDL2_mixer REQUIRED CONFIG)
find_package(Vorbis REQUIRED CONFIG)
add_library(PkgConfig::SDL2 INTERFACE IMPORTED)
target_link_libraries(PkgConfig::SDL2 INTERFACE SDL2::SDL2)
add_library(PkgConfig::SDL2_MIXER INTERFACE IMPORTED)
target_link_libraries(PkgConfig::SDL2_MIXER INTERFACE SDL2_mixer::SDL2_mixer)
add_library(PkgConfig::MUSIC_VORBIS INTERFACE IMPORTED)
target_link_libraries(PkgConfig::MUSIC_VORBIS INTERFACE Vorbis::vorbisenc)
add_library(PkgConfig::SOUND_VORBISFILE INTERFACE IMPORTED)
target_link_libraries(PkgConfig::SOUND_VORBISFILE INTERFACE Vorbis::vorbisfile)
