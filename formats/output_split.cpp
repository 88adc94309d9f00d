#include "formats/output_split.h"

void OutputSplit::PrepareChunk(OutputChunk&, const JoinFacts&) const {}

void OutputSplit::RecordMd5(const QString&, const QByteArray&, const JoinFacts&) const {}
