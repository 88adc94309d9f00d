#pragma once

#include <QString>

#include "tagmodel/tag_set.h"

// What happens to an output's pictures beyond carrying them as they are.
struct CoverOptions {
    int maxSize = 0;  // [Cover] max size: pixels of the longer side; 0 carries them as they are
    bool fromFolder = false;  // [Cover] folder: the input's folder image when it has no front cover
};

// Adds the input's folder image (cover, folder or front; .jpg, .jpeg or .png, in any case, in this
// order) as front cover when the set has none and options ask for it, then scales every picture
// whose longer side passes the largest size down to it, as a JPEG of quality 90. A picture that is
// no image Qt can read stays as it is.
void ApplyCoverOptions(TagSet& tags, const QString& inputPath, const CoverOptions& options);
