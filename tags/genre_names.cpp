#include "tags/genre_names.h"

#include <iterator>

namespace {

// Index = the genre's number in the ID3v1 list. Three names are kept short as the list has
// always shown them (64, 136, 140).
const char* const kGenres[] = {"Blues",
                               "Classic Rock",
                               "Country",
                               "Dance",
                               "Disco",
                               "Funk",
                               "Grunge",
                               "Hip-Hop",
                               "Jazz",
                               "Metal",
                               "New Age",
                               "Oldies",
                               "Other",
                               "Pop",
                               "R&B",
                               "Rap",
                               "Reggae",
                               "Rock",
                               "Techno",
                               "Industrial",
                               "Alternative",
                               "Ska",
                               "Death Metal",
                               "Pranks",
                               "Soundtrack",
                               "Euro-Techno",
                               "Ambient",
                               "Trip-Hop",
                               "Vocal",
                               "Jazz+Funk",
                               "Fusion",
                               "Trance",
                               "Classical",
                               "Instrumental",
                               "Acid",
                               "House",
                               "Game",
                               "Sound Clip",
                               "Gospel",
                               "Noise",
                               "Alternative Rock",
                               "Bass",
                               "Soul",
                               "Punk",
                               "Space",
                               "Meditative",
                               "Instrumental Pop",
                               "Instrumental Rock",
                               "Ethnic",
                               "Gothic",
                               "Darkwave",
                               "Techno-Industrial",
                               "Electronic",
                               "Pop-Folk",
                               "Eurodance",
                               "Dream",
                               "Southern Rock",
                               "Comedy",
                               "Cult",
                               "Gangsta",
                               "Top 40",
                               "Christian Rap",
                               "Pop/Funk",
                               "Jungle",
                               "Native US",
                               "Cabaret",
                               "New Wave",
                               "Psychedelic",
                               "Rave",
                               "Showtunes",
                               "Trailer",
                               "Lo-Fi",
                               "Tribal",
                               "Acid Punk",
                               "Acid Jazz",
                               "Polka",
                               "Retro",
                               "Musical",
                               "Rock & Roll",
                               "Hard Rock",
                               "Folk",
                               "Folk-Rock",
                               "National Folk",
                               "Swing",
                               "Fast Fusion",
                               "Bebop",
                               "Latin",
                               "Revival",
                               "Celtic",
                               "Bluegrass",
                               "Avant-garde",
                               "Gothic Rock",
                               "Progressive Rock",
                               "Psychedelic Rock",
                               "Symphonic Rock",
                               "Slow Rock",
                               "Big Band",
                               "Chorus",
                               "Easy Listening",
                               "Acoustic",
                               "Humor",
                               "Speech",
                               "Chanson",
                               "Opera",
                               "Chamber Music",
                               "Sonata",
                               "Symphony",
                               "Booty Bass",
                               "Primus",
                               "Porn Groove",
                               "Satire",
                               "Slow Jam",
                               "Club",
                               "Tango",
                               "Samba",
                               "Folklore",
                               "Ballad",
                               "Power Ballad",
                               "Rhythmic Soul",
                               "Freestyle",
                               "Duet",
                               "Punk Rock",
                               "Drum Solo",
                               "A Cappella",
                               "Euro-House",
                               "Dance Hall",
                               "Goa",
                               "Drum & Bass",
                               "Club-House",
                               "Hardcore",
                               "Terror",
                               "Indie",
                               "Britpop",
                               "Afro-Punk",
                               "Polsk Punk",
                               "Beat",
                               "Christian Gangsta",
                               "Heavy Metal",
                               "Black Metal",
                               "Crossover",
                               "Contemporary C",
                               "Christian Rock",
                               "Merengue",
                               "Salsa",
                               "Thrash Metal",
                               "Anime",
                               "JPop",
                               "SynthPop"};

static_assert(std::size(kGenres) == 148);

}  // namespace

const QStringList& GenreNames() {
    static const QStringList names = [] {
        QStringList list;
        list.reserve(static_cast<qsizetype>(std::size(kGenres)));
        for (const char* name : kGenres) {
            list << QString::fromLatin1(name);
        }
        return list;
    }();
    return names;
}

QString GenreFromId3(const QString& text) {
    // "((" escapes a text that really begins with a parenthesis.
    if (text.startsWith(QStringLiteral("(("))) {
        return text.mid(1);
    }
    auto named = [](const QString& number) -> QString {
        if (number == QStringLiteral("RX")) {
            return QStringLiteral("Remix");
        }
        if (number == QStringLiteral("CR")) {
            return QStringLiteral("Cover");
        }
        bool ok = false;
        const int index = number.toInt(&ok);
        if (!ok || index < 0 || index >= GenreNames().size() ||
            number.startsWith(QLatin1Char('+'))) {
            return {};
        }
        return GenreNames().at(index);
    };
    // "(3)", "(3)Dance", "(3)(17)": the first reference names the genre.
    if (text.startsWith(QLatin1Char('('))) {
        const qsizetype close = text.indexOf(QLatin1Char(')'));
        if (close > 1) {
            const QString name = named(text.mid(1, close - 1));
            if (!name.isEmpty()) {
                return name;
            }
        }
        return text;
    }
    // A bare number, as version 2.4 stores a reference.
    const QString name = named(text);
    return name.isEmpty() ? text : name;
}
