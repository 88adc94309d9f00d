#include "formats/output_split.h"

const OutputSplit* WavSplit() {
    return nullptr;
}
const OutputSplit* AiffSplit() {
    return nullptr;
}
