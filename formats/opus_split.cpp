#include "formats/output_split.h"

const OutputSplit* OpusSplit() {
    return nullptr;
}
