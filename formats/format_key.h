#pragma once

#include <span>

// One stored setting of an output format, written once: where it is kept, what a missing key
// means, what it may hold, and how the settings page and the command line offer it. The page,
// the writer configuration, `quorvel-cli configure`, the command line and the range messages
// all read these.
struct FormatKey {
    enum class Kind {
        Number,  // a spin box from low to high
        Flag,    // a check box; stored as 0 or 1
        Choice,  // a list; stored as the position of `choices`, or as the value of `values`
    };
    const char* section;
    const char* key;
    Kind kind;
    int fallback;  // the value a missing key has
    int low;       // the valid range of the stored value
    int high;
    const char* option;  // `quorvel-cli convert --OPTION VALUE`, or nullptr
    const char* caption;
    const char* suffix;                         // after a number ("Kbps"), or nullptr
    const char* tip;                            // the control's tool tip
    std::span<const char* const> choices = {};  // Choice: the texts shown
    std::span<const int> values = {};           // Choice: the value stored for each text
};
