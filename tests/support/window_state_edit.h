#pragma once

#include "window/window_state.h"

// Sets up a window's spectrum for a test through the state's own transition, leaving the
// modified flag as it was.
template <typename Change>
void editSpectrum(WindowState& state, Change change) {
    CKavroSpectrum spectrum;
    spectrum = state.spectrum();  // assignment carries the header slots
    change(spectrum);
    const bool wasModified = state.modified();
    state.edited(spectrum);
    if (!wasModified) {
        state.saved();
    }
}
