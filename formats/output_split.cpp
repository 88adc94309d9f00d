#include "formats/output_split.h"

void OutputSplit::PrepareChunk(OutputChunk&, const JoinFacts&) const {}
