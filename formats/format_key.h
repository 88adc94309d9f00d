#pragma once

#include <span>

// One stored setting of an output format, written once: where it is kept, what a missing key
// means, what it may hold, and how the settings page and the command line offer it. The page,
// the writer configuration, `quorvel-cli configure`, the command line and the range messages
// all read these.
struct FormatKey {
    enum class Kind {
        Number,    // a spin box from low to high
        Flag,      // a check box; stored as 0 or 1
        Choice,    // a list; the stored value is one of `values`, shown as the `choices` text
        Position,  // a list; the stored value is a position in `values` (the older keys' way)
    };
    const char* section;
    const char* key;
    Kind kind;
    int fallback;  // the value a missing key has
    int low;       // the valid range of the stored value (for a Choice, its least and
    int high;      // greatest value)
    const char* option = nullptr;   // `quorvel-cli convert --OPTION VALUE`, or none
    const char* caption = nullptr;  // the page's caption for it; none: not on a built page
    const char* suffix = nullptr;   // after a number (" Kbps")
    const char* tip = nullptr;      // the control's tool tip
    std::span<const char* const> choices = {};  // Choice, Position: the texts shown
    std::span<const int> values = {};           // Choice, Position: what each text stands for
    int scale = 1;  // stored = command-line value × scale (a quality kept in hundredths)
    // Keys of the same section the command line sets along with this one, "key=value;...": an
    // option that only means something in one mode also picks that mode.
    const char* alsoSets = nullptr;
};

// A key stored as a position in `values`, the older keys' way (no page row of its own).
constexpr FormatKey PositionKey(const char* section, const char* key, int fallback,
                                std::span<const int> values, const char* option,
                                const char* alsoSets = nullptr) {
    return {.section = section,
            .key = key,
            .kind = FormatKey::Kind::Position,
            .fallback = fallback,
            .low = 0,
            .high = static_cast<int>(values.size()) - 1,
            .option = option,
            .values = values,
            .alsoSets = alsoSets};
}
