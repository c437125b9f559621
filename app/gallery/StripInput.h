// The strip's keyboard and click rules: focus, anchor, selection, scrolling and what the window
// must then do, as pure functions of (state, input, modifiers). Free of Qt: the window maps its
// keys to StripKey, applies the new state and performs the actions.
#pragma once

#include <optional>
#include <vector>

namespace gallery {

struct StripState {
    std::vector<bool> selected;  // one mark per gallery entry
    int selectedCount = 0;       // the marks that are set
    int focus = -1;              // the entry with the focus frame, -1: none
    int anchor = -1;             // the fixed end of a range; may lie beyond a shrunk list
    int scroll = 0;              // the leftmost visible entry
    bool deleteEnabled = false;  // the delete button
};

enum class StripKey { Other, Left, Right, Home, End, Enter, Delete, Escape, A };

struct StripActions {
    bool redraw = false;               // the strip and the delete button as the state leaves them
    bool snapshot = false;             // Enter with nothing focused
    bool deleteSelected = false;       // the delete command, which asks first
    int open = -1;                     // the entry whose file opens, -1: none
    bool openInPictureFolder = false;  // with the picture folder as working folder
    std::optional<int> scrollTo;       // the new scroll position, when a rule moved it
};

struct StripStep {
    StripState state;
    StripActions actions;
};

// A key press with the strip showing `visible` entries at a time.
StripStep stripKey(StripState state, StripKey key, bool shift, bool ctrl, int visible);

// A left-button release that hit `entry` (-1: beside every thumbnail).
StripStep stripClick(StripState state, int entry, bool shift, bool ctrl);

}  // namespace gallery
