// The strip's keyboard and click rules as a table: from a fresh strip, a row's inputs in order,
// then the state they leave and what the last one asks of the window.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/gallery/StripInput.h"

using namespace gallery;

namespace {

constexpr int kVisible = 7;

struct Input {
    bool isKey;
    StripKey key;
    int entry;  // for a click; -1: beside the thumbnails
    bool shift;
    bool ctrl;
};

Input key(StripKey k) {
    return {true, k, 0, false, false};
}
Input shiftKey(StripKey k) {
    return {true, k, 0, true, false};
}
Input ctrlKey(StripKey k) {
    return {true, k, 0, false, true};
}
Input click(int entry) {
    return {false, StripKey::Other, entry, false, false};
}
Input shiftClick(int entry) {
    return {false, StripKey::Other, entry, true, false};
}
Input ctrlClick(int entry) {
    return {false, StripKey::Other, entry, false, true};
}
Input shiftCtrlClick(int entry) {
    return {false, StripKey::Other, entry, true, true};
}
std::vector<Input> repeat(Input in, int times) {
    return std::vector<Input>(static_cast<size_t>(times), in);
}
std::vector<Input> operator+(std::vector<Input> a, const std::vector<Input>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct Expected {
    std::string marks;  // one character per entry, '1' selected
    int focus;
    int anchor;
    int scroll;
    bool deleteEnabled;
};

struct Asked {
    bool redraw = false;
    bool snapshot = false;
    bool deleteSelected = false;
    int open = -1;
    bool openInPictureFolder = false;
    int scrollTo = -1;  // -1: not scrolled
};

struct Row {
    const char* what;
    int entries;  // the strip starts at its end, as a rescan leaves it
    std::vector<Input> inputs;
    Expected state;
    Asked asked;      // by the last input
    int anchor = -1;  // at the start
};

using K = StripKey;

// One row per rule, laid out by hand so a row reads as one case.
// clang-format off
const std::vector<Row> kRows = {
    // Keys.
    {"Enter with nothing focused takes a snapshot, even on an empty strip", 0, {key(K::Enter)},
     {"", -1, -1, 0, false}, {.snapshot = true}},
    {"an empty strip ignores the other keys", 0, {key(K::Right)}, {"", -1, -1, 0, false}, {}},
    {"Right from no focus focuses the first entry", 3, {key(K::Right)},
     {"000", 0, -1, 0, false}, {.redraw = true}},
    {"Left from no focus focuses the last entry", 3, {key(K::Left)}, {"000", 2, -1, 0, false},
     {.redraw = true}},
    {"a plain arrow moves the anchor and selects nothing", 3, {key(K::Right), key(K::Right)},
     {"000", 1, 1, 0, false}, {.redraw = true}},
    {"Shift extends from the anchor", 3, {key(K::Right), key(K::Right), shiftKey(K::Right)},
     {"011", 2, 1, 0, true}, {.redraw = true}},
    {"Shift with no anchor sets it and selects nothing", 3, {key(K::Right), shiftKey(K::Right)},
     {"000", 1, 1, 0, false}, {.redraw = true}},
    {"Right on the last entry only redraws", 3,
     {key(K::Right), key(K::Right), shiftKey(K::Right), key(K::Right)},
     {"011", 2, 1, 0, true}, {.redraw = true}},
    {"then Delete deletes what is selected", 3,
     {key(K::Right), key(K::Right), shiftKey(K::Right), key(K::Right), key(K::Delete)},
     {"011", 2, 1, 0, true}, {.deleteSelected = true}},
    {"Delete with nothing selected does nothing", 3, {key(K::Right), key(K::Delete)},
     {"000", 0, -1, 0, false}, {}},
    {"Left on the first entry only redraws", 3,
     {key(K::Right), ctrlKey(K::Enter), key(K::Left)}, {"100", 0, -1, 0, true},
     {.redraw = true}},
    {"Ctrl moves the focus alone", 3,
     {key(K::Right), key(K::Right), shiftKey(K::Right), ctrlKey(K::Left)},
     {"011", 1, 1, 0, true}, {.redraw = true}},
    {"Enter opens the focused file in the picture folder", 3,
     {key(K::Right), key(K::Right), key(K::Enter)}, {"000", 1, 1, 0, false},
     {.redraw = true, .open = 1, .openInPictureFolder = true}},
    {"Ctrl+Enter toggles the focused entry", 3,
     {key(K::Right), key(K::Right), shiftKey(K::Right), ctrlKey(K::Enter)},
     {"010", 2, 1, 0, true}, {.redraw = true}},
    {"Ctrl+A selects every entry", 3, {ctrlKey(K::A)}, {"111", -1, -1, 0, true},
     {.redraw = true}},
    {"A alone does nothing", 3, {key(K::A)}, {"000", -1, -1, 0, false}, {}},
    {"Escape clears selection, focus and anchor", 3,
     {key(K::Right), ctrlKey(K::A), key(K::Escape)}, {"000", -1, -1, 0, false},
     {.redraw = true}},
    {"Home with Shift selects from the start to the anchor", 12,
     {key(K::Left), key(K::Left), shiftKey(K::Home)}, {"111111111110", 0, 10, 0, true},
     {.redraw = true, .scrollTo = 0}},
    {"Home alone anchors the first entry", 12, {key(K::Left), key(K::Left), key(K::Home)},
     {"000000000000", 0, 0, 0, false}, {.redraw = true, .scrollTo = 0}},
    {"End with Shift selects from the anchor and shows the end", 12,
     {key(K::Home), shiftKey(K::End)}, {"111111111111", 11, 0, 5, true},
     {.redraw = true, .scrollTo = 5}},
    {"End with no anchor and Shift anchors the last entry", 3, {shiftKey(K::End)},
     {"000", 2, 2, 0, false}, {.redraw = true, .scrollTo = 0}},
    {"Right past the visible slots scrolls the focus to the left edge", 12,
     std::vector<Input>{key(K::Home)} + repeat(key(K::Right), 7),
     {"000000000000", 7, 7, 7, false}, {.redraw = true, .scrollTo = 7}},
    {"Left before the visible slots scrolls back a page", 20,
     std::vector<Input>{key(K::End)} + repeat(key(K::Left), 7),
     {"00000000000000000000", 12, 12, 6, false}, {.redraw = true, .scrollTo = 6}},
    {"Left before the visible slots of the first page scrolls to the start", 12,
     std::vector<Input>{key(K::End)} + repeat(key(K::Left), 7), {"000000000000", 4, 4, 0, false},
     {.redraw = true, .scrollTo = 0}},
    {"other keys do nothing", 3, {key(K::Right), key(K::Other)}, {"000", 0, -1, 0, false}, {}},

    // Clicks.
    {"a plain click selects and focuses", 9, {click(3)}, {"000100000", 3, 3, 2, true},
     {.redraw = true}},
    {"a second plain click on it opens, not in the picture folder", 9, {click(3), click(3)},
     {"000100000", 3, 3, 2, true}, {.redraw = true, .open = 3}},
    {"Shift-click selects from the anchor", 9, {click(2), shiftClick(5)},
     {"001111000", 5, 2, 2, true}, {.redraw = true}},
    {"Shift-click without an anchor selects the entry alone", 9, {shiftClick(5)},
     {"000001000", 5, 5, 2, true}, {.redraw = true}},
    {"Ctrl-click toggles and anchors", 9, {click(2), ctrlClick(7)}, {"001000010", 7, 7, 2, true},
     {.redraw = true}},
    {"Shift+Ctrl gives the focused mark to the range from the anchor", 9,
     {click(2), shiftClick(5), ctrlClick(7), shiftCtrlClick(8)}, {"001111011", 8, 7, 2, true},
     {.redraw = true}},
    {"Ctrl-click on the only selected entry disables Delete", 9, {click(0), ctrlClick(0)},
     {"000000000", 0, 0, 2, false}, {.redraw = true}},
    {"a click beside the thumbnails clears a focus", 9, {click(4), click(-1)},
     {"000000000", -1, -1, 2, false}, {.redraw = true}},
    {"Shift+Ctrl beside the thumbnails leaves everything alone", 9,
     {click(4), shiftCtrlClick(-1)}, {"000010000", 4, 4, 2, true}, {}},
    {"a click beside the thumbnails without a focus does nothing", 9, {click(-1)},
     {"000000000", -1, -1, 2, false}, {}},
    {"a stale anchor beyond the list: the range stops at the last entry", 9, {shiftClick(6)},
     {"000000111", 6, 100000, 2, true}, {.redraw = true}, 100000},
};
// clang-format on

std::string marks(const StripState& s) {
    std::string out;
    for (bool on : s.selected) {
        out += on ? '1' : '0';
    }
    return out;
}

}  // namespace

TEST(StripInput, Rules) {
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.what);
        StripState s;
        s.selected.assign(static_cast<size_t>(row.entries), false);
        s.scroll = std::max(0, row.entries - kVisible);
        s.anchor = row.anchor;
        StripActions last;
        for (const Input& in : row.inputs) {
            StripStep step = in.isKey ? stripKey(s, in.key, in.shift, in.ctrl, kVisible)
                                      : stripClick(s, in.entry, in.shift, in.ctrl);
            s = std::move(step.state);
            last = step.actions;
        }
        EXPECT_EQ(marks(s), row.state.marks);
        EXPECT_EQ(s.selectedCount, static_cast<int>(std::count(row.state.marks.begin(),
                                                               row.state.marks.end(), '1')));
        EXPECT_EQ(s.focus, row.state.focus);
        EXPECT_EQ(s.anchor, row.state.anchor);
        EXPECT_EQ(s.scroll, row.state.scroll);
        EXPECT_EQ(s.deleteEnabled, row.state.deleteEnabled);
        EXPECT_EQ(last.redraw, row.asked.redraw);
        EXPECT_EQ(last.snapshot, row.asked.snapshot);
        EXPECT_EQ(last.deleteSelected, row.asked.deleteSelected);
        EXPECT_EQ(last.open, row.asked.open);
        EXPECT_EQ(last.openInPictureFolder, row.asked.openInPictureFolder);
        EXPECT_EQ(last.scrollTo.value_or(-1), row.asked.scrollTo);
    }
}
