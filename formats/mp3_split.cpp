#include "formats/output_split.h"

const OutputSplit* Mp3Split() {
    return nullptr;
}
