#pragma once

#include <QMetaType>
#include <QString>
#include <cstdint>

// The tag record of one list row. All texts start empty.
struct AudioFileinfo {
    QString Title;
    QString Artist;
    QString Year;
    QString Album;
    QString Comment;
    QString Genre;
    std::int32_t DurationMs = 0;

    friend bool operator==(const AudioFileinfo&, const AudioFileinfo&) = default;
};

Q_DECLARE_METATYPE(AudioFileinfo)
