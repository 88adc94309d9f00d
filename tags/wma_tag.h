#pragma once

#include <QString>
#include <cstdint>

#include "tags/tag_fields.h"

// The WMA attributes the program reads and writes. A text holds at most its capacity less one
// byte (UTF-8); longer texts are cut.
struct WmaTagInfo {
    std::int32_t Found = 0;   // -1 when a tag was read
    QString Year;             // "WM/Year", 128
    std::uint16_t Track = 0;  // "WM/TrackNumber" ("WM/Track" as second choice)
    QString Author;           // "Author", 128
    QString Title;            // "Title", 128
    QString Album;            // "WM/AlbumTitle", 128
    QString Description;      // "Description", 255
    QString Type3Text;        // type-3 entries of the legacy header, 128
    QString Genre;            // "WM/Genre", 32

    friend bool operator==(const WmaTagInfo&, const WmaTagInfo&) = default;
};

// Loads the wmaudsdk module from beside the executable. The program entry calls it once, before
// any window exists; calling it again does nothing until ShutdownWmaAudioInfo(). When it was never
// called, the first ReadWmaTag or WriteWmaTag calls it.
void InitWmaAudioInfo();
// Releases the module (program end).
void ShutdownWmaAudioInfo();
// True when the module is loaded and exports WMAudioCreateInfo.
bool WmaInfoAvailable();

// Fills tag and sets Found to -1 when a tag was read, through the module or, when it is missing
// or cannot open the file, through a parse of the legacy header layout; leaves tag unchanged
// otherwise. Never throws; the file is only read.
void ReadWmaTag(const QString& fileName, WmaTagInfo& tag);

// Writes the fields named in `fields`: Author, Title, WM/AlbumTitle, WM/Year, Description,
// WM/Genre (texts) and WM/TrackNumber (a number, or a text when the file holds it as one). An
// attribute that already reads as its value is left as it is; every other attribute of the file
// is kept. True when the attributes were stored; false when the module is missing
// or cannot open or store the file (the file is then unchanged). Never throws.
bool WriteWmaTag(const QString& fileName, const WmaTagInfo& tag, TagFields fields = TagField::All);
