// Drawing over a finished frame without disturbing the show: while one of
// these lives, every piece of GL state (the attributes, both matrices and
// the matrix mode) is saved and both matrices are the identity; when it
// goes, all of it is as it was, since the show's effects rely on the state
// that the frame before them left behind.
#pragma once

class SavedGlState {
public:
    SavedGlState();
    ~SavedGlState();
    SavedGlState(const SavedGlState&) = delete;
    SavedGlState& operator=(const SavedGlState&) = delete;
};
