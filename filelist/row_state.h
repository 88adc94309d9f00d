#pragma once

#include <QString>

// Where one row of the list stands. The batches, the preview and the command line move rows
// between these through NextRowState only; what the list shows and what the command line prints
// are read from one table each, so a new state is one value here and one line in each table.
enum class RowState {
    Waiting,      // listed, not (yet) worked on in this batch: "Unconvert"
    Measuring,    // an album's first pass reads it
    Converting,   // its output is being written
    Normalising,  // its normalised copy is being written
    Finished,     // its output is named and tagged
    Stopped,      // cut by a stop; nothing of it kept (also a stopped preview)
    Failed,       // its reason goes with the result
    Removed,      // the input was gone when its turn came
    NotReached,   // the batch ended before its turn
    Exists,       // not converted: its output is there already
    Playing,      // the preview plays it
};

// The state a row moves to when `wanted` is asked of it in `current`; `current` itself when that
// move makes no sense (a finished row cannot start measuring, a waiting row cannot finish).
RowState NextRowState(RowState current, RowState wanted);

// True while a batch works on the row (its first pass or its write): the states with progress.
bool IsRunningState(RowState state);

// True for the states a batch leaves a row in.
bool IsEndState(RowState state);

// The row's status text in the list. A normalising row reads "Converting", as a conversion does;
// a row the batch did not reach, or whose input was gone, keeps reading "Unconvert".
QString RowStateText(RowState state);
// The same while the row's batch is paused: a row being worked on reads "Paused".
QString RowStateText(RowState state, bool batchPaused);

// The first field of the command line's result line.
QString RowStateWord(RowState state);

// True for a row that did what the run asked of it (finished, or its output was there already).
bool RowStateSucceeded(RowState state);
