#pragma once

#include <QString>
#include <any>
#include <cstdio>
#include <memory>
#include <vector>

#include "formats/output_split.h"
#include "outside/audio/audio_error.h"

// What the units' splits share.

// A stdio stream closed on every way out; a written one is closed with CloseOutputStream first.
struct SplitFileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using SplitFile = std::unique_ptr<std::FILE, SplitFileCloser>;

// "Cannot join <output>: <why>", for parts that are not what their preparing found.
[[noreturn]] inline void JoinFailed(const QString& shownPath, const QString& why) {
    ThrowAudioError(QStringLiteral("Cannot join"), shownPath, why);
}

// What PrepareChunk left in each chunk, in order; a chunk not prepared fails the join.
template <class Prepared>
std::vector<std::shared_ptr<Prepared>> PreparedParts(const std::vector<OutputChunk>& chunks,
                                                     const QString& shownPath) {
    std::vector<std::shared_ptr<Prepared>> parts;
    for (const OutputChunk& chunk : chunks) {
        const auto* prepared = std::any_cast<std::shared_ptr<Prepared>>(&chunk.prepared);
        if (prepared == nullptr || !*prepared) {
            JoinFailed(shownPath, QStringLiteral("a part was not prepared"));
        }
        parts.push_back(*prepared);
    }
    if (parts.empty()) {
        JoinFailed(shownPath, QStringLiteral("there is nothing to join"));
    }
    return parts;
}
