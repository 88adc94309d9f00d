#include "filelist/row_state.h"

#include <QCoreApplication>

#include <array>
#include <cstddef>

namespace {

struct StateTexts {
    RowState state;
    const char* shown;  // the list's status column
    const char* word;   // the command line's result line
};

// One line per state, in the enum's order (checked below).
constexpr std::array<StateTexts, 11> kTexts = {{
    {RowState::Waiting, QT_TRANSLATE_NOOP("RowState", "Unconvert"), "waiting"},
    {RowState::Measuring, QT_TRANSLATE_NOOP("RowState", "Measuring"), "measuring"},
    {RowState::Converting, QT_TRANSLATE_NOOP("RowState", "Converting"), "converting"},
    {RowState::Normalising, QT_TRANSLATE_NOOP("RowState", "Converting"), "normalising"},
    {RowState::Finished, QT_TRANSLATE_NOOP("RowState", "finish"), "finish"},
    {RowState::Stopped, QT_TRANSLATE_NOOP("RowState", "Stop"), "stopped"},
    {RowState::Failed, QT_TRANSLATE_NOOP("RowState", "Error"), "Error"},
    {RowState::Removed, QT_TRANSLATE_NOOP("RowState", "Unconvert"), "removed"},
    {RowState::NotReached, QT_TRANSLATE_NOOP("RowState", "Unconvert"), "skipped"},
    {RowState::Exists, QT_TRANSLATE_NOOP("RowState", "Skipped"), "exists"},
    {RowState::Playing, QT_TRANSLATE_NOOP("RowState", "Playing"), "playing"},
}};

constexpr bool InEnumOrder() {
    for (std::size_t i = 0; i < kTexts.size(); ++i) {
        if (static_cast<std::size_t>(kTexts[i].state) != i) {
            return false;
        }
    }
    return static_cast<std::size_t>(RowState::Playing) + 1 == kTexts.size();
}
static_assert(InEnumOrder(), "every state has one line of texts, in the enum's order");

const StateTexts& TextsOf(RowState state) {
    return kTexts[static_cast<std::size_t>(state)];
}

}  // namespace

bool IsRunningState(RowState s) {
    return s == RowState::Measuring || s == RowState::Converting || s == RowState::Normalising;
}

bool IsEndState(RowState state) {
    switch (state) {
        case RowState::Finished:
        case RowState::Stopped:
        case RowState::Failed:
        case RowState::Removed:
        case RowState::NotReached:
        case RowState::Exists:
            return true;
        default:
            return false;
    }
}

RowState NextRowState(RowState current, RowState wanted) {
    if (current == wanted) {
        return current;
    }
    bool allowed = false;
    switch (wanted) {
        case RowState::Waiting:
            // A new batch starts every row afresh; a measured row waits for its write. A row
            // being written is never put back.
            allowed = current != RowState::Converting && current != RowState::Normalising;
            break;
        case RowState::Measuring:
        case RowState::Converting:
        case RowState::Normalising:
            allowed = current == RowState::Waiting;
            break;
        case RowState::Finished:
            allowed = current == RowState::Converting || current == RowState::Normalising;
            break;
        case RowState::Stopped:
            // A stop is heard in every state: a preview that fails before it plays ends "Stop".
            allowed = true;
            break;
        case RowState::Failed:
            allowed = current == RowState::Waiting || IsRunningState(current);
            break;
        case RowState::Removed:
        case RowState::NotReached:
        case RowState::Exists:
            allowed = current == RowState::Waiting;
            break;
        case RowState::Playing:
            allowed = !IsRunningState(current);
            break;
    }
    return allowed ? wanted : current;
}

QString RowStateText(RowState state) {
    // The list speaks the window's language; the command line's words below stay as they are.
    return QCoreApplication::translate("RowState", TextsOf(state).shown);
}

QString RowStateText(RowState state, bool batchPaused) {
    // Not a state of its own: the row is still in the middle of its write, and goes on from
    // there; only what the list shows changes while the batch waits.
    if (batchPaused && IsRunningState(state)) {
        return QCoreApplication::translate("RowState", "Paused");
    }
    return RowStateText(state);
}

QString RowStateWord(RowState state) {
    return QString::fromLatin1(TextsOf(state).word);
}

bool RowStateSucceeded(RowState state) {
    return state == RowState::Finished || state == RowState::Exists;
}
