#include "formats/output_split.h"

const OutputSplit* FlacSplit() {
    return nullptr;
}
