#pragma once

#include <QString>
#include <memory>
#include <vector>

#include "engine/row_life.h"

class ILoudnessTrack;

// An album's first pass over one row: its track, or the failure's text; neither for an input
// that is gone or a stop.
struct RowMeasure {
    std::unique_ptr<ILoudnessTrack> track;
    QString error;
};

// An album's first pass over one row, measured as the job's writer would write it: a mono input
// written as stereo is 3 LU louder. The writer creates a hidden output for its channel mix and
// rate and is let go of it unwritten. The row shows Measuring with its progress, then waits
// again for its write.
RowMeasure MeasureAlbumRow(const JobParts& job, const RunPlan& plan, const RowInput& in,
                           RowReport& report, bool& writerReset);

// The gains of the albums the first pass measured, into loudness: one for the tracks of each
// cue sheet, one for the rows of no sheet together. Never throws: a failure leaves an album's
// rows at their level with a note saying why.
void SettleAlbumGains(LoudnessPlan& loudness, const RunPlan& plan,
                      const std::vector<RowMeasure>& rows);

// A row whose first pass failed fails with that reason when its turn comes.
void ThrowIfUnmeasured(const RunPlan& plan, const std::vector<RowMeasure>& album, int row);

// ReplayGain's album values, once every row is written: the finished outputs of one cue sheet's
// tracks are an album, those of the rows of no sheet together another. A failure is added to the
// batch's failures; the file keeps its track values.
void WriteAlbumReplayGain(const RunPlan& plan,
                          const std::vector<std::unique_ptr<ILoudnessTrack>>& written,
                          const std::vector<QString>& outputs, BatchSummary& summary);
