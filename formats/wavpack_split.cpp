#include "formats/output_split.h"

const OutputSplit* WavPackSplit() {
    return nullptr;
}
