// The program-wide objects: built before the program entry runs, in the
// order window, keyboard, music player, render toolkit, and destroyed after
// it returns in the reverse order, the window last.
#pragma once

#include "app/Keyboard.h"
#include "app/GlWindow.h"
#include "audio/MusicPlayer.h"

class RenderToolkit;

GlWindow& GetWindow();
Keyboard& GetKeyboard();
MusicPlayer& GetMusicPlayer();
RenderToolkit* GetRenderToolkit();
