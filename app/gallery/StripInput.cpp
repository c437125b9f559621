// The strip's keyboard and click rules, applied in their fixed order.
#include "app/gallery/StripInput.h"

#include <algorithm>

namespace gallery {
namespace {

int entries(const StripState& s) {
    return static_cast<int>(s.selected.size());
}

bool isSelected(const StripState& s, int i) {
    return i >= 0 && i < entries(s) && s.selected[static_cast<size_t>(i)];
}

// One mark; the delete button follows the count. Indexes outside the list change nothing.
void setSelected(StripState& s, int i, bool on) {
    if (i < 0 || i >= entries(s)) {
        return;
    }
    if (s.selected[static_cast<size_t>(i)] != on) {
        s.selected[static_cast<size_t>(i)] = on;
        s.selectedCount += on ? 1 : -1;
    }
    s.deleteEnabled = s.selectedCount > 0;
}

void deselectAll(StripState& s) {
    for (int i = 0; i < entries(s); ++i) {
        setSelected(s, i, false);
    }
}

// A stale anchor (its file gone in a rescan) may lie beyond the list: ranges stop at its end.
void markRange(StripState& s, int from, int to, bool on) {
    const int lo = std::max(0, std::min(from, to));
    const int hi = std::min(entries(s) - 1, std::max(from, to));
    for (int i = lo; i <= hi; ++i) {
        setSelected(s, i, on);
    }
}

void selectAlone(StripState& s, int i) {
    s.focus = i;
    s.anchor = i;
    setSelected(s, i, true);
}

}  // namespace

StripStep stripKey(StripState s, StripKey key, bool shift, bool ctrl, int visible) {
    StripActions a;
    if (key == StripKey::Enter && s.focus == -1) {
        a.snapshot = true;
        return {std::move(s), a};
    }
    const int last = entries(s) - 1;
    if (last < 0) {
        return {std::move(s), a};
    }
    const auto scrollTo = [&](int position) {
        s.scroll = position;
        a.scrollTo = position;
    };
    // After an arrow move: Shift extends from the anchor, plain moves the anchor, Ctrl keeps both.
    const auto afterArrow = [&] {
        if (shift) {
            if (s.anchor == -1) {
                s.anchor = s.focus;
            } else {
                deselectAll(s);
                markRange(s, s.anchor, s.focus, true);
            }
        } else if (!ctrl) {
            deselectAll(s);
            s.anchor = s.focus;
        }
    };
    if (ctrl && key == StripKey::A) {
        markRange(s, 0, last, true);
    } else if (key == StripKey::Right) {
        // On the last entry the key only redraws: the selection must survive for Delete.
        if (s.focus == -1) {
            s.focus = 0;
        } else if (s.focus < last) {
            ++s.focus;
            if (s.focus >= s.scroll + visible) {
                scrollTo(s.focus);
            }
            afterArrow();
        }
    } else if (key == StripKey::Left) {
        if (s.focus == -1) {
            s.focus = last;
        } else if (s.focus > 0) {
            --s.focus;
            if (s.focus < s.scroll) {
                scrollTo(s.scroll < visible ? 0 : s.scroll - visible);
            }
            afterArrow();
        }
    } else if (key == StripKey::Home) {
        s.focus = 0;
        if (s.anchor == -1) {
            s.anchor = 0;
        }
        if (shift) {
            deselectAll(s);
            markRange(s, 0, s.anchor, true);
        } else if (!ctrl) {
            deselectAll(s);
            s.anchor = 0;
        }
        scrollTo(0);
    } else if (key == StripKey::End) {
        s.focus = last;
        if (shift) {
            if (s.anchor == -1) {
                s.anchor = last;
            } else {
                deselectAll(s);
                markRange(s, s.anchor, last, true);
            }
        } else if (!ctrl) {
            deselectAll(s);
            s.anchor = last;
        }
        scrollTo(visible < last ? last - (visible - 1) : 0);
    } else if (key == StripKey::Enter) {
        if (ctrl) {
            setSelected(s, s.focus, !isSelected(s, s.focus));
        } else {
            a.open = s.focus;
            a.openInPictureFolder = true;
        }
    } else if (key == StripKey::Delete) {
        a.deleteSelected = s.deleteEnabled;
        return {std::move(s), a};
    } else if (key == StripKey::Escape) {
        deselectAll(s);
        s.focus = -1;
        s.anchor = -1;
        s.deleteEnabled = false;
    } else {
        return {std::move(s), a};
    }
    a.redraw = true;
    return {std::move(s), a};
}

StripStep stripClick(StripState s, int entry, bool shift, bool ctrl) {
    StripActions a;
    if (entry < 0 || entry >= entries(s)) {
        // Beside the thumbnails: clears a focus; with Shift+Ctrl leaves everything alone.
        if ((shift && ctrl) || s.focus == -1) {
            return {std::move(s), a};
        }
        s.focus = -1;
        s.anchor = -1;
        deselectAll(s);
        s.deleteEnabled = false;
        a.redraw = true;
        return {std::move(s), a};
    }
    s.deleteEnabled = true;
    if (shift && ctrl) {
        if (s.anchor == -1) {
            selectAlone(s, entry);
        } else {
            markRange(s, s.anchor, entry, isSelected(s, s.focus));
        }
    } else if (ctrl) {
        s.anchor = entry;
        setSelected(s, entry, !isSelected(s, entry));
    } else if (shift) {
        if (s.anchor == -1) {
            selectAlone(s, entry);
        } else {
            deselectAll(s);
            markRange(s, s.anchor, entry, true);
        }
    } else if (entry == s.focus) {
        a.open = entry;  // a second plain click opens
        setSelected(s, entry, true);
    } else {
        deselectAll(s);
        selectAlone(s, entry);
    }
    s.focus = entry;
    a.redraw = true;
    return {std::move(s), a};
}

}  // namespace gallery
