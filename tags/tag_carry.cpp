#include "tags/tag_carry.h"

#include <taglib/aifffile.h>
#include <taglib/apefile.h>
#include <taglib/apeitem.h>
#include <taglib/apetag.h>
#include <taglib/asfattribute.h>
#include <taglib/asffile.h>
#include <taglib/asfpicture.h>
#include <taglib/asftag.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/fileref.h>
#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4file.h>
#include <taglib/mp4tag.h>
#include <taglib/mpegfile.h>
#include <taglib/oggflacfile.h>
#include <taglib/opusfile.h>
#include <taglib/textidentificationframe.h>
#include <taglib/tfilestream.h>
#include <taglib/tpropertymap.h>
#include <taglib/unsynchronizedlyricsframe.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/wavpackfile.h>
#include <taglib/xiphcomment.h>
#include <QFile>
#include <QRegularExpression>
#include <algorithm>
#include <iterator>
#include <memory>

#include "platform/native_name.h"
#include "platform/small_regular_file.h"
#include "tags/id3v2_parse.h"
#include "tags/r128_gain.h"
#include "tags/tag_error.h"

namespace {

const QString kFreeForm = QStringLiteral("----:com.apple.iTunes:");

QString Q(const TagLib::String& s) {
    return QString::fromStdString(s.to8Bit(true));
}

TagLib::String T(const QString& s) {
    return TagLib::String(s.toStdString(), TagLib::String::UTF8);
}

TagLib::ByteVector Bytes(const QByteArray& b) {
    return TagLib::ByteVector(b.constData(), static_cast<unsigned int>(b.size()));
}

QByteArray Bytes(const TagLib::ByteVector& b) {
    return QByteArray(b.data(), static_cast<qsizetype>(b.size()));
}

// Keys that describe how the input was encoded, not the music: wrong for the new file (iTunSMPB
// would even tell a player to cut the wrong number of samples).
bool DescribesInputEncoding(const QString& key) {
    return key == QLatin1String("ENCODER") || key == QLatin1String("ENCODEDBY") ||
           key == QLatin1String("ENCODING") || key == QLatin1String("ENCODERSETTINGS") ||
           key.startsWith(QLatin1String("ITUN")) || key.startsWith(QLatin1String("COMMENT:ITUN")) ||
           key == QLatin1String("METADATA_BLOCK_PICTURE") ||
           key.startsWith(QLatin1String("COVERART")) || key.startsWith(QLatin1String("COVER ART"));
}

// The fields MusicBrainz Picard keeps under a TXXX or MP4 free-form name of their own, by their
// Vorbis comment key.
struct PicardName {
    const char* key;
    const char* name;
};
constexpr PicardName kPicardNames[] = {
    {"MUSICBRAINZ_ALBUMID", "MusicBrainz Album Id"},
    {"MUSICBRAINZ_ARTISTID", "MusicBrainz Artist Id"},
    {"MUSICBRAINZ_ALBUMARTISTID", "MusicBrainz Album Artist Id"},
    {"MUSICBRAINZ_RELEASEGROUPID", "MusicBrainz Release Group Id"},
    {"MUSICBRAINZ_RELEASETRACKID", "MusicBrainz Release Track Id"},
    {"MUSICBRAINZ_WORKID", "MusicBrainz Work Id"},
    {"MUSICBRAINZ_DISCID", "MusicBrainz Disc Id"},
    {"MUSICBRAINZ_ORIGINALALBUMID", "MusicBrainz Original Album Id"},
    {"MUSICBRAINZ_ORIGINALARTISTID", "MusicBrainz Original Artist Id"},
    {"RELEASETYPE", "MusicBrainz Album Type"},
    {"RELEASESTATUS", "MusicBrainz Album Status"},
    {"RELEASECOUNTRY", "MusicBrainz Album Release Country"},
    {"ACOUSTID_ID", "Acoustid Id"},
    {"ACOUSTID_FINGERPRINT", "Acoustid Fingerprint"},
    {"MUSICIP_PUID", "MusicIP PUID"},
};

// The Vorbis comment name of a key as another format's tag gives it: TXXX and MP4 free-form
// "MusicBrainz Album Id", ASF "MusicBrainz/Album Id", APEv2 "Album Artist" and "Year".
QString CanonicalKey(const QString& raw) {
    QString key = raw.trimmed().toUpper();
    for (const char* prefix : {"MUSICBRAINZ/", "ACOUSTID/", "MUSICIP/"}) {
        if (key.startsWith(QLatin1String(prefix))) {
            key[key.indexOf(QLatin1Char('/'))] = QLatin1Char(' ');
        }
    }
    for (const PicardName& n : kPicardNames) {
        if (key.compare(QLatin1String(n.name), Qt::CaseInsensitive) == 0) {
            return QLatin1String(n.key);
        }
    }
    static const QMap<QString, QString> kApeNames = {
        {QStringLiteral("ALBUM ARTIST"), QStringLiteral("ALBUMARTIST")},
        {QStringLiteral("YEAR"), QStringLiteral("DATE")},
        {QStringLiteral("TRACK"), QStringLiteral("TRACKNUMBER")},
        {QStringLiteral("DISC"), QStringLiteral("DISCNUMBER")},
    };
    if (const auto it = kApeNames.constFind(key); it != kApeNames.cend()) {
        return it.value();
    }
    if (key.startsWith(QLatin1String("MUSICBRAINZ "))) {
        return QStringLiteral("MUSICBRAINZ_") + key.mid(12).remove(QLatin1Char(' '));
    }
    return key;
}

// The first of several names for one field wins; empty values are no values.
void Insert(QMap<QString, QStringList>& fields, const QString& rawKey, const QStringList& values) {
    const QString key = CanonicalKey(rawKey);
    QStringList kept;
    for (const QString& v : values) {
        if (!v.isEmpty() && !kept.contains(v)) {
            kept << v;
        }
    }
    if (key.isEmpty() || kept.isEmpty() || fields.contains(key) || DescribesInputEncoding(key)) {
        return;
    }
    fields.insert(key, kept);
}

QStringList Strings(const TagLib::StringList& list) {
    QStringList out;
    for (const TagLib::String& s : list) {
        out << Q(s);
    }
    return out;
}

// "3" with a total of "12" becomes "3/12", whichever of the total's names the input used.
void JoinTotal(QMap<QString, QStringList>& fields, const QString& number,
               std::initializer_list<const char*> totals) {
    QString total;
    for (const char* name : totals) {
        const QString key = QLatin1String(name);
        if (fields.contains(key)) {
            if (total.isEmpty()) {
                total = fields.value(key).value(0).trimmed();
            }
            fields.remove(key);
        }
    }
    if (total.isEmpty() || !fields.contains(number)) {
        if (!total.isEmpty()) {
            fields.insert(QString::fromLatin1(*totals.begin()), {total});
        }
        return;
    }
    QStringList& values = fields[number];
    if (!values.isEmpty() && !values.first().contains(QLatin1Char('/'))) {
        values.first() = values.first().trimmed() + QLatin1Char('/') + total;
    }
}

// The APEv2 names of the picture types, in ID3v2 / FLAC type order.
constexpr const char* kApePictureNames[] = {"Other",
                                            "Png Icon",
                                            "Icon",
                                            "Front",
                                            "Back",
                                            "Leaflet",
                                            "Media",
                                            "Lead Artist",
                                            "Artist",
                                            "Conductor",
                                            "Band",
                                            "Composer",
                                            "Lyricist",
                                            "Recording Location",
                                            "During Recording",
                                            "During Performance",
                                            "Video Capture",
                                            "Fish",
                                            "Illustration",
                                            "Band Logotype",
                                            "Publisher Logotype"};
constexpr int kPictureTypes = static_cast<int>(std::size(kApePictureNames));

QString ApePictureKey(int type) {
    const int t = type >= 0 && type < kPictureTypes ? type : 0;
    return QStringLiteral("Cover Art (%1)").arg(QLatin1String(kApePictureNames[t]));
}

struct Pictures {
    QList<TagPicture> list;
    void Add(const QByteArray& data, const QString& mime, const QString& description, int type) {
        if (data.isEmpty() || data.size() > kMaxCarriedPicture) {
            return;
        }
        list.append({data, mime.isEmpty() ? PictureMime(data) : mime, description,
                     type >= 0 && type < kPictureTypes ? type : 0});
    }
};

void AddId3Pictures(Pictures& pictures, TagLib::ID3v2::Tag* tag) {
    if (tag == nullptr) {
        return;
    }
    for (TagLib::ID3v2::Frame* frame : tag->frameList("APIC")) {
        if (auto* apic = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(frame)) {
            pictures.Add(Bytes(apic->picture()), Q(apic->mimeType()), Q(apic->description()),
                         static_cast<int>(apic->type()));
        }
    }
}

void AddFlacPictures(Pictures& pictures, const TagLib::List<TagLib::FLAC::Picture*>& list) {
    for (TagLib::FLAC::Picture* picture : list) {
        pictures.Add(Bytes(picture->data()), Q(picture->mimeType()), Q(picture->description()),
                     static_cast<int>(picture->type()));
    }
}

void AddApePictures(Pictures& pictures, TagLib::APE::Tag* tag) {
    if (tag == nullptr) {
        return;
    }
    for (int type = 0; type < kPictureTypes; ++type) {
        const TagLib::String key = T(ApePictureKey(type).toUpper());
        if (!tag->itemListMap().contains(key)) {
            continue;
        }
        // An APE picture is a file name, a zero byte, then the image.
        const QByteArray value = Bytes(tag->itemListMap()[key].binaryData());
        const qsizetype zero = value.indexOf('\0');
        if (zero >= 0) {
            pictures.Add(value.mid(zero + 1), QString(), QString(), type);
        }
    }
}

QList<TagPicture> ReadPictures(TagLib::File& file) {
    Pictures pictures;
    if (auto* mpeg = dynamic_cast<TagLib::MPEG::File*>(&file)) {
        AddId3Pictures(pictures, mpeg->ID3v2Tag(false));
        if (pictures.list.isEmpty()) {
            AddApePictures(pictures, mpeg->APETag(false));
        }
    } else if (auto* flac = dynamic_cast<TagLib::FLAC::File*>(&file)) {
        AddFlacPictures(pictures, flac->pictureList());
        if (pictures.list.isEmpty()) {
            AddId3Pictures(pictures, flac->ID3v2Tag(false));
        }
    } else if (auto* mp4 = dynamic_cast<TagLib::MP4::File*>(&file)) {
        if (mp4->tag() != nullptr && mp4->tag()->contains("covr")) {
            // MP4 pictures have no type: the first is taken for the front cover.
            for (const TagLib::MP4::CoverArt& art : mp4->tag()->item("covr").toCoverArtList()) {
                pictures.Add(Bytes(art.data()), QString(), QString(),
                             pictures.list.isEmpty() ? 3 : 0);
            }
        }
    } else if (auto* asf = dynamic_cast<TagLib::ASF::File*>(&file)) {
        if (asf->tag() != nullptr && asf->tag()->contains("WM/Picture")) {
            for (const TagLib::ASF::Attribute& a : asf->tag()->attribute("WM/Picture")) {
                const TagLib::ASF::Picture picture = a.toPicture();
                if (picture.isValid()) {
                    pictures.Add(Bytes(picture.picture()), Q(picture.mimeType()),
                                 Q(picture.description()), static_cast<int>(picture.type()));
                }
            }
        }
    } else if (auto* ape = dynamic_cast<TagLib::APE::File*>(&file)) {
        AddApePictures(pictures, ape->APETag(false));
    } else if (auto* wv = dynamic_cast<TagLib::WavPack::File*>(&file)) {
        AddApePictures(pictures, wv->APETag(false));
    } else if (auto* xiph = dynamic_cast<TagLib::Ogg::XiphComment*>(file.tag())) {
        AddFlacPictures(pictures, xiph->pictureList());
    } else if (auto* id3 = dynamic_cast<TagLib::ID3v2::Tag*>(file.tag())) {
        AddId3Pictures(pictures, id3);  // AIFF, WAV
    }
    return pictures.list;
}

// MP4 free-form atoms TagLib does not name (ReplayGain among them) under their own name.
void AddMp4FreeForms(TagLib::MP4::File& file, const TagLib::StringList& unnamed,
                     QMap<QString, QStringList>& fields) {
    if (file.tag() == nullptr) {
        return;
    }
    for (const auto& [key, item] : file.tag()->itemMap()) {
        const QString name = Q(key);
        if (!name.startsWith(kFreeForm) || !unnamed.contains(key)) {
            continue;
        }
        QStringList values = Strings(item.toStringList());
        if (values.isEmpty()) {
            for (const TagLib::ByteVector& b : item.toByteVectorList()) {
                values << QString::fromUtf8(Bytes(b));
            }
        }
        Insert(fields, name.mid(kFreeForm.size()), values);
    }
}

// What TagLib's names of ASF attributes leave out: the compilation flag, the further values of
// Author, Title and Description, and fields of the user's own.
void AddAsfExtras(TagLib::ASF::File& file, QMap<QString, QStringList>& fields) {
    if (file.tag() == nullptr) {
        return;
    }
    const std::pair<const char*, const char*> kStandard[] = {
        {"Author", "ARTIST"}, {"Title", "TITLE"}, {"Description", "COMMENT"}};
    for (const auto& [name, list] : file.tag()->attributeListMap()) {
        const QString attribute = Q(name);
        QStringList values;
        for (const TagLib::ASF::Attribute& a : list) {
            if (a.type() == TagLib::ASF::Attribute::UnicodeType) {
                values << Q(a.toString());
            }
        }
        if (attribute == QLatin1String("WM/IsCompilation")) {
            if (!list.isEmpty() && list.front().toBool()) {
                Insert(fields, QStringLiteral("COMPILATION"), {QStringLiteral("1")});
            }
            continue;
        }
        bool standard = false;
        for (const auto& [asf, key] : kStandard) {
            if (attribute == QLatin1String(asf)) {
                standard = true;
                QStringList& kept = fields[QLatin1String(key)];
                for (const QString& v : values) {
                    if (!v.isEmpty() && !kept.contains(v)) {
                        kept << v;
                    }
                }
                if (kept.isEmpty()) {
                    fields.remove(QLatin1String(key));
                }
            }
        }
        // Names of Windows' own describe the file, not the music.
        if (!standard && !attribute.startsWith(QLatin1String("WM/")) &&
            attribute != QLatin1String("Copyright") && attribute != QLatin1String("Rating")) {
            Insert(fields, attribute, values);
        }
    }
}

// A text frame whose bytes do not decode in the encoding it names: a writer that put UTF-16 in a
// frame marked ISO-8859-1 leaves a byte-order mark that reads as "þÿ".
bool Undecodable(const TagLib::StringList& values) {
    for (const TagLib::String& s : values) {
        const QString v = Q(s);
        if (v.startsWith(QStringLiteral("\u00FE\u00FF")) ||
            v.startsWith(QStringLiteral("\u00FF\u00FE")) || v.contains(QChar(0xFFFD))) {
            return true;
        }
    }
    return false;
}

void DropUnreadableFrames(TagLib::ID3v2::Tag* tag, TagSet& set) {
    if (tag == nullptr) {
        return;
    }
    for (TagLib::ID3v2::Frame* frame : tag->frameList()) {
        auto* text = dynamic_cast<TagLib::ID3v2::TextIdentificationFrame*>(frame);
        if (text == nullptr || !Undecodable(text->fieldList())) {
            continue;
        }
        QString id = QString::fromLatin1(Bytes(frame->frameID()));
        // TagLib reads a version 2.3 year as the date frame of version 2.4.
        if (id == QLatin1String("TDRC") && tag->header()->majorVersion() < 4) {
            id = QStringLiteral("TYER");
        }
        // The frame's own property names say which fields it holds.
        for (const auto& [key, values] : text->asProperties()) {
            const QString field = CanonicalKey(Q(key));
            set.fields.remove(field);
            set.dropped.insert(field, id);
        }
    }
}

// YYYY, YYYY-MM or YYYY-MM-DD, with a time after it or not.
void DropUnreadableDates(TagSet& set) {
    static const QRegularExpression kDate(QStringLiteral(R"(^\d{4}(-\d\d(-\d\d([T ].*)?)?)?$)"));
    const QString key = TagKey(TagFieldId::Date);
    if (!set.fields.contains(key)) {
        return;
    }
    QStringList kept;
    for (const QString& v : set.fields.value(key)) {
        if (kDate.match(v.trimmed()).hasMatch()) {
            kept << v.trimmed();
        }
    }
    if (kept.isEmpty()) {
        set.fields.remove(key);
        set.dropped.insert(key, key);
    } else {
        set.fields.insert(key, kept);
    }
}

// The frames of an ID3v2 tag no property stands for, rendered as version 2.3 frames.
QList<QByteArray> OpaqueId3Frames(TagLib::ID3v2::Tag* tag) {
    static const QList<QByteArray> kKept = {"PRIV", "GEOB", "POPM", "PCNT", "CHAP", "CTOC", "SYLT",
                                            "ETCO", "USER", "OWNE", "LINK", "COMR", "SYTC"};
    QList<QByteArray> frames;
    if (tag == nullptr) {
        return frames;
    }
    // The whole tag as version 2.3, split again: TagLib renders a frame only as part of a tag.
    const QByteArray whole = Bytes(tag->render(TagLib::ID3v2::v3));
    const Id3v2Frames split =
        SplitId3v2Tag(reinterpret_cast<const unsigned char*>(whole.constData()),
                      static_cast<std::size_t>(whole.size()));
    for (const Id3v2Frame& frame : split.frames) {
        const QByteArray id = QByteArray::fromStdString(frame.id);
        if (split.major != 3 || !kKept.contains(id)) {
            continue;
        }
        QByteArray bytes = id;
        const auto size = static_cast<quint32>(frame.data.size());
        for (int shift = 24; shift >= 0; shift -= 8) {
            bytes.append(static_cast<char>((size >> shift) & 0xFF));
        }
        bytes.append(reinterpret_cast<const char*>(frame.flags), 2);
        bytes.append(reinterpret_cast<const char*>(frame.data.data()),
                     static_cast<qsizetype>(frame.data.size()));
        frames << bytes;
    }
    return frames;
}

TagLib::ID3v2::Tag* Id3TagOf(TagLib::File& file) {
    if (auto* mpeg = dynamic_cast<TagLib::MPEG::File*>(&file)) {
        return mpeg->ID3v2Tag(false);
    }
    if (auto* flac = dynamic_cast<TagLib::FLAC::File*>(&file)) {
        return flac->ID3v2Tag(false);
    }
    return dynamic_cast<TagLib::ID3v2::Tag*>(file.tag());  // AIFF, WAV
}

TagLib::PropertyMap ToPropertyMap(const QMap<QString, QStringList>& fields) {
    TagLib::PropertyMap map;
    for (auto it = fields.cbegin(); it != fields.cend(); ++it) {
        TagLib::StringList values;
        for (const QString& v : it.value()) {
            values.append(T(v));
        }
        map.insert(T(it.key()), values);
    }
    return map;
}

// Vorbis comments keep the total in a field of its own.
QMap<QString, QStringList> SplitTotals(QMap<QString, QStringList> fields) {
    for (const auto& [number, total] :
         {std::pair{"TRACKNUMBER", "TRACKTOTAL"}, std::pair{"DISCNUMBER", "DISCTOTAL"}}) {
        const QString key = QLatin1String(number);
        if (!fields.contains(key) || fields.value(key).isEmpty()) {
            continue;
        }
        const QString value = fields.value(key).first();
        const qsizetype slash = value.indexOf(QLatin1Char('/'));
        if (slash >= 0) {
            fields[key].first() = value.left(slash).trimmed();
            if (!value.mid(slash + 1).trimmed().isEmpty()) {
                fields.insert(QLatin1String(total), {value.mid(slash + 1).trimmed()});
            }
        }
    }
    return fields;
}

TagLib::FLAC::Picture* NewFlacPicture(const TagPicture& from) {
    auto* picture = new TagLib::FLAC::Picture;
    picture->setType(static_cast<TagLib::FLAC::Picture::Type>(from.type));
    picture->setMimeType(T(from.mime));
    picture->setDescription(T(from.description));
    picture->setData(Bytes(from.data));
    return picture;
}

// ID3v2 keeps one picture per description: later ones with a taken description get their type's
// name, then a number, so that no reader folds two pictures into one.
QList<TagPicture> WithUniqueDescriptions(QList<TagPicture> pictures) {
    QStringList taken;
    for (TagPicture& p : pictures) {
        QString description = p.description;
        if (taken.contains(description)) {
            description = QLatin1String(kApePictureNames[p.type]);
        }
        for (int n = 2; taken.contains(description); ++n) {
            description =
                QStringLiteral("%1 %2").arg(QLatin1String(kApePictureNames[p.type])).arg(n);
        }
        taken << description;
        p.description = description;
    }
    return pictures;
}

// TXXX descriptions as MusicBrainz Picard writes them: TagLib names these fields in upper case,
// and players and taggers look them up exactly.
void UsePicardDescriptions(TagLib::ID3v2::Tag& tag) {
    for (TagLib::ID3v2::Frame* frame : tag.frameList("TXXX")) {
        auto* user = dynamic_cast<TagLib::ID3v2::UserTextIdentificationFrame*>(frame);
        if (user == nullptr) {
            continue;
        }
        const QString key = CanonicalKey(Q(user->description()));
        for (const PicardName& n : kPicardNames) {
            if (key == QLatin1String(n.key)) {
                user->setDescription(T(QLatin1String(n.name)));
            }
        }
    }
}

void AddApics(TagLib::ID3v2::Tag& tag, const QList<TagPicture>& pictures, bool utf16) {
    for (const TagPicture& p : WithUniqueDescriptions(pictures)) {
        auto* apic = new TagLib::ID3v2::AttachedPictureFrame;
        if (utf16) {
            apic->setTextEncoding(TagLib::String::UTF16);
        }
        apic->setMimeType(T(p.mime));
        apic->setDescription(T(p.description));
        apic->setType(static_cast<TagLib::ID3v2::AttachedPictureFrame::Type>(p.type));
        apic->setPicture(Bytes(p.data));
        tag.addFrame(apic);
    }
}

void WriteXiph(TagLib::Ogg::XiphComment& xiph, const TagSet& tags, CarryWrite mode) {
    const QMap<QString, QStringList> fields = SplitTotals(tags.fields);
    if (mode == CarryWrite::Replace) {
        xiph.setProperties(ToPropertyMap(fields));
    } else {
        for (auto it = fields.cbegin(); it != fields.cend(); ++it) {
            bool first = true;
            for (const QString& v : it.value()) {
                xiph.addField(T(it.key()), T(v), first);
                first = false;
            }
        }
    }
    if (mode == CarryWrite::Replace || !tags.pictures.isEmpty()) {
        xiph.removeAllPictures();
    }
    for (const TagPicture& p : tags.pictures) {
        xiph.addPicture(NewFlacPicture(p));
    }
}

// AIFF keeps an ID3v2 tag in a chunk of its own: the same frames an MP3 gets.
void WriteAiff(TagLib::ID3v2::Tag& tag, const TagSet& tags, CarryWrite mode) {
    // The text frames are replaced by the map in either mode; pictures as for the other formats.
    // Lyrics have a frame of their own the property map does not reach.
    QMap<QString, QStringList> fields = tags.fields;
    const QStringList lyrics = fields.take(QStringLiteral("LYRICS"));
    tag.setProperties(ToPropertyMap(fields));
    UsePicardDescriptions(tag);
    if (mode == CarryWrite::Replace || !lyrics.isEmpty()) {
        tag.removeFrames("USLT");
    }
    if (!lyrics.isEmpty()) {
        auto* frame = new TagLib::ID3v2::UnsynchronizedLyricsFrame(TagLib::String::UTF8);
        frame->setText(T(lyrics.join(QLatin1Char('\n'))));
        tag.addFrame(frame);
    }
    if (mode == CarryWrite::Replace || !tags.pictures.isEmpty()) {
        tag.removeFrames("APIC");
    }
    AddApics(tag, tags.pictures, false);
}

// WavPack keeps an APEv2 tag; a picture is a binary item per type: a file name, a zero byte, the
// image.
void WriteApe(TagLib::APE::Tag& tag, const TagSet& tags, CarryWrite mode) {
    if (mode == CarryWrite::Replace) {
        const TagLib::APE::ItemListMap items = tag.itemListMap();
        for (auto it = items.begin(); it != items.end(); ++it) {
            tag.removeItem(it->first);
        }
    }
    tag.setProperties(ToPropertyMap(tags.fields));
    QList<int> written;
    for (const TagPicture& p : tags.pictures) {
        if (written.contains(p.type)) {
            continue;  // one item per type
        }
        written << p.type;
        const QString extension =
            p.mime == QLatin1String("image/png") ? QStringLiteral("png") : QStringLiteral("jpg");
        TagLib::ByteVector value(QStringLiteral("cover.%1").arg(extension).toUtf8().constData());
        value.append('\0');
        value.append(Bytes(p.data));
        const TagLib::String key = T(ApePictureKey(p.type));
        TagLib::APE::Item item;
        item.setKey(key);
        item.setType(TagLib::APE::Item::Binary);
        item.setBinaryData(value);
        tag.setItem(key, item);
    }
}

void WriteMp4(TagLib::MP4::Tag& tag, const TagSet& tags, CarryWrite mode) {
    if (mode == CarryWrite::Replace) {
        const TagLib::MP4::ItemMap items = tag.itemMap();
        for (auto it = items.begin(); it != items.end(); ++it) {
            tag.removeItem(it->first);
        }
    }
    const TagLib::PropertyMap left = tag.setProperties(ToPropertyMap(tags.fields));
    // What has no atom of its own goes into a free-form one, ReplayGain in the lower case its
    // readers look for.
    for (const auto& [key, values] : left) {
        QString name = Q(key);
        if (name.startsWith(QLatin1String("REPLAYGAIN_"))) {
            name = name.toLower();
        }
        tag.setItem(T(kFreeForm + name), TagLib::MP4::Item(values));
    }
    if (tags.pictures.isEmpty()) {
        return;
    }
    // No types in MP4: the front cover first, as readers show the first.
    TagLib::MP4::CoverArtList list;
    QList<TagPicture> ordered = tags.pictures;
    std::stable_partition(ordered.begin(), ordered.end(),
                          [](const TagPicture& p) { return p.type == 3; });
    for (const TagPicture& p : ordered) {
        TagLib::MP4::CoverArt::Format format = TagLib::MP4::CoverArt::JPEG;
        if (p.mime == QLatin1String("image/png")) {
            format = TagLib::MP4::CoverArt::PNG;
        } else if (p.mime == QLatin1String("image/gif")) {
            format = TagLib::MP4::CoverArt::GIF;
        } else if (p.mime == QLatin1String("image/bmp")) {
            format = TagLib::MP4::CoverArt::BMP;
        }
        list.append(TagLib::MP4::CoverArt(format, Bytes(p.data)));
    }
    tag.setItem("covr", TagLib::MP4::Item(list));
}

}  // namespace

QString PictureMime(const QByteArray& data) {
    if (data.startsWith("\x89PNG")) {
        return QStringLiteral("image/png");
    }
    if (data.startsWith("\xFF\xD8")) {
        return QStringLiteral("image/jpeg");
    }
    if (data.startsWith("GIF8")) {
        return QStringLiteral("image/gif");
    }
    if (data.startsWith("BM")) {
        return QStringLiteral("image/bmp");
    }
    return QStringLiteral("image/jpeg");
}

std::unique_ptr<TagLib::File> OpenByContent(TagContainer container, TagLib::IOStream* stream,
                                            bool readProperties) {
    auto* factory = TagLib::ID3v2::FrameFactory::instance();
    switch (container) {
        case TagContainer::Mpeg:
            return std::make_unique<TagLib::MPEG::File>(stream, factory, readProperties);
        case TagContainer::Flac:
            return std::make_unique<TagLib::FLAC::File>(stream, factory, readProperties);
        case TagContainer::OggVorbis:
            return std::make_unique<TagLib::Ogg::Vorbis::File>(stream, readProperties);
        case TagContainer::OggOpus:
            return std::make_unique<TagLib::Ogg::Opus::File>(stream, readProperties);
        case TagContainer::OggFlac:
            return std::make_unique<TagLib::Ogg::FLAC::File>(stream, readProperties);
        case TagContainer::Mp4:
            return std::make_unique<TagLib::MP4::File>(stream, readProperties);
        case TagContainer::Aiff:
            return std::make_unique<TagLib::RIFF::AIFF::File>(stream, readProperties);
        case TagContainer::WavPack:
            return std::make_unique<TagLib::WavPack::File>(stream, readProperties);
        case TagContainer::Ape:
            return std::make_unique<TagLib::APE::File>(stream, readProperties);
        case TagContainer::Unknown:
            break;
    }
    return nullptr;
}

TagContainer DetectTagContainer(const QString& path) {
    if (!IsRegularFile(path)) {
        return TagContainer::Unknown;
    }
    QFile file;
    if (!OpenNative(file, path, QIODevice::ReadOnly)) {
        return TagContainer::Unknown;
    }
    QByteArray head = file.read(4096);
    // Some taggers put an ID3v2 tag in front of FLAC and Monkey's Audio files; TagLib reads
    // those files past it. What follows the tag decides.
    if (head.size() >= 10 && head.startsWith("ID3")) {
        qint64 size = 0;
        for (int i = 6; i < 10; ++i) {
            size = (size << 7) | (static_cast<unsigned char>(head[i]) & 0x7F);
        }
        const bool footer = (static_cast<unsigned char>(head[5]) & 0x10) != 0;
        QByteArray after;
        if (file.seek(10 + size + (footer ? 10 : 0))) {
            after = file.read(4);
        }
        if (after.startsWith("fLaC")) {
            return TagContainer::Flac;
        }
        if (after.startsWith("MAC ")) {
            return TagContainer::Ape;
        }
        return TagContainer::Mpeg;
    }
    if (head.startsWith("MAC ")) {
        return TagContainer::Ape;
    }
    if (head.startsWith("fLaC")) {
        return TagContainer::Flac;
    }
    if (head.startsWith("OggS")) {
        if (head.contains("\x01vorbis")) {
            return TagContainer::OggVorbis;
        }
        if (head.contains("OpusHead")) {
            return TagContainer::OggOpus;
        }
        if (head.contains("\x7F"
                          "FLAC")) {
            return TagContainer::OggFlac;
        }
        return TagContainer::Unknown;
    }
    if (head.mid(4, 4) == "ftyp") {
        return TagContainer::Mp4;
    }
    if (head.startsWith("FORM") && (head.mid(8, 4) == "AIFF" || head.mid(8, 4) == "AIFC")) {
        return TagContainer::Aiff;
    }
    if (head.startsWith("wvpk")) {
        return TagContainer::WavPack;
    }
    if ((head.size() >= 2 && static_cast<unsigned char>(head[0]) == 0xFF &&
         (static_cast<unsigned char>(head[1]) & 0xE0) == 0xE0)) {
        return TagContainer::Mpeg;
    }
    return TagContainer::Unknown;
}

TagSet ReadTagSet(const QString& path, QString* error, TagRead what) {
    TagSet result;
    auto fail = [&](const QString& cause) {
        if (error != nullptr) {
            *error = QStringLiteral("Cannot read the tags of %1: %2").arg(path, cause);
        }
        return TagSet();
    };
    if (!IsRegularFile(path)) {
        return fail(QStringLiteral("it is not a regular file"));
    }
    try {
        const QByteArray name = NativeName(path);
        TagLib::FileStream stream(name.constData(), true);
        if (!stream.isOpen()) {
            return fail(QStringLiteral("it cannot be opened"));
        }
        // By content first: an input is decoded by what it holds, not by its name.
        std::unique_ptr<TagLib::File> owned = OpenByContent(DetectTagContainer(path), &stream);
        std::unique_ptr<TagLib::FileRef> ref;
        TagLib::File* file = owned.get();
        if (file == nullptr || !file->isValid()) {
            owned.reset();
            stream.seek(0);
            ref = std::make_unique<TagLib::FileRef>(&stream, false);
            file = ref->file();
        }
        if (file == nullptr || !file->isValid()) {
            return fail(QStringLiteral("its tags are in no format known here"));
        }
        const TagLib::PropertyMap properties = file->properties();
        for (const auto& [key, values] : properties) {
            Insert(result.fields, Q(key), Strings(values));
        }
        if (auto* mp4 = dynamic_cast<TagLib::MP4::File*>(file)) {
            AddMp4FreeForms(*mp4, properties.unsupportedData(), result.fields);
        } else if (auto* asf = dynamic_cast<TagLib::ASF::File*>(file)) {
            AddAsfExtras(*asf, result.fields);
        }
        // Vorbis comment writers such as ffmpeg put the comment under DESCRIPTION.
        if (!result.fields.contains(QStringLiteral("COMMENT")) &&
            result.fields.contains(QStringLiteral("DESCRIPTION"))) {
            result.fields.insert(QStringLiteral("COMMENT"),
                                 result.fields.take(QStringLiteral("DESCRIPTION")));
        }
        JoinTotal(result.fields, QStringLiteral("TRACKNUMBER"), {"TRACKTOTAL", "TOTALTRACKS"});
        JoinTotal(result.fields, QStringLiteral("DISCNUMBER"), {"DISCTOTAL", "TOTALDISCS"});
        DropUnreadableFrames(Id3TagOf(*file), result);
        DropUnreadableDates(result);
        if (what == TagRead::FieldsOnly) {
            return result;
        }
        result.id3Frames = OpaqueId3Frames(Id3TagOf(*file));
        result.pictures = ReadPictures(*file);
    } catch (const std::exception& e) {
        return fail(QString::fromLocal8Bit(e.what()));
    }
    return result;
}

void GainsForOpus(TagSet& tags) {
    for (const char* which : {"TRACK", "ALBUM"}) {
        const QString replayGain = QStringLiteral("REPLAYGAIN_%1_GAIN").arg(QLatin1String(which));
        const QString r128 = QStringLiteral("R128_%1_GAIN").arg(QLatin1String(which));
        const QString gain = R128FromReplayGain(tags.fields.value(replayGain).value(0));
        if (!gain.isEmpty() && !tags.fields.contains(r128)) {
            tags.fields.insert(r128, {gain});
        }
        tags.fields.remove(replayGain);
        tags.fields.remove(QStringLiteral("REPLAYGAIN_%1_PEAK").arg(QLatin1String(which)));
    }
}

void GainsForReplayGain(TagSet& tags) {
    for (const char* which : {"TRACK", "ALBUM"}) {
        const QString replayGain = QStringLiteral("REPLAYGAIN_%1_GAIN").arg(QLatin1String(which));
        const QString r128 = QStringLiteral("R128_%1_GAIN").arg(QLatin1String(which));
        const QString gain = ReplayGainFromR128(tags.fields.take(r128).value(0));
        if (!gain.isEmpty() && !tags.fields.contains(replayGain)) {
            tags.fields.insert(replayGain, {gain});
        }
    }
}

QByteArray Id3v2FramesOf(const TagSet& set) {
    TagSet tags = set;
    GainsForReplayGain(tags);
    TagLib::ID3v2::Tag tag;
    tag.setProperties(ToPropertyMap(tags.fields));
    UsePicardDescriptions(tag);
    // TagLib names the plain lyrics "LYRICS"; other readers look for them without a description.
    for (TagLib::ID3v2::Frame* frame : tag.frameList("USLT")) {
        auto* lyrics = dynamic_cast<TagLib::ID3v2::UnsynchronizedLyricsFrame*>(frame);
        if (lyrics != nullptr && lyrics->description() == "LYRICS") {
            lyrics->setDescription(TagLib::String());
        }
    }
    AddApics(tag, tags.pictures, true);
    if (tag.frameList().isEmpty()) {
        return tags.id3Frames.join();
    }
    const QByteArray rendered = Bytes(tag.render(TagLib::ID3v2::v3));
    // Walk the frames and leave the header and the padding behind.
    constexpr qsizetype kHeader = 10;
    qsizetype end = kHeader;
    while (end + kHeader <= rendered.size() && rendered.at(end) != '\0') {
        const auto* p = reinterpret_cast<const unsigned char*>(rendered.constData() + end + 4);
        const qsizetype size = (qsizetype(p[0]) << 24) | (qsizetype(p[1]) << 16) |
                               (qsizetype(p[2]) << 8) | qsizetype(p[3]);
        if (end + kHeader + size > rendered.size()) {
            break;
        }
        end += kHeader + size;
    }
    return rendered.mid(kHeader, end - kHeader) + tags.id3Frames.join();
}

void WriteTagSet(const QString& path, const TagSet& set, CarryWrite mode) {
    auto fail = [&](const QString& cause) {
        return TagError(QStringLiteral("Cannot write the tags of %1: %2").arg(path, cause));
    };
    if (!IsRegularFile(path)) {
        throw fail(QStringLiteral("it is not a regular file"));
    }
    const TagContainer container = DetectTagContainer(path);
    TagSet tags = set;
    if (container == TagContainer::OggOpus) {
        GainsForOpus(tags);
    } else {
        GainsForReplayGain(tags);
    }
    const QByteArray name = NativeName(path);
    TagLib::FileStream stream(name.constData());
    if (!stream.isOpen() || stream.readOnly()) {
        throw fail(QStringLiteral("it cannot be opened for writing"));
    }
    std::unique_ptr<TagLib::File> file = OpenByContent(container, &stream);
    if (file == nullptr || container == TagContainer::Mpeg || !file->isValid()) {
        throw fail(QStringLiteral("it is not a FLAC, Ogg, MP4, AIFF or WavPack file"));
    }
    if (auto* flac = dynamic_cast<TagLib::FLAC::File*>(file.get())) {
        TagSet comments = tags;
        comments.pictures.clear();
        WriteXiph(*flac->xiphComment(true), comments, mode);
        flac->xiphComment(true)->removeAllPictures();
        // A FLAC picture is a metadata block of its own, not a comment.
        if (mode == CarryWrite::Replace || !tags.pictures.isEmpty()) {
            flac->removePictures();
        }
        for (const TagPicture& p : tags.pictures) {
            flac->addPicture(NewFlacPicture(p));
        }
    } else if (auto* mp4 = dynamic_cast<TagLib::MP4::File*>(file.get())) {
        if (mp4->tag() == nullptr) {
            throw fail(QStringLiteral("it has no place for tags"));
        }
        WriteMp4(*mp4->tag(), tags, mode);
    } else if (auto* aiff = dynamic_cast<TagLib::RIFF::AIFF::File*>(file.get())) {
        WriteAiff(*aiff->tag(), tags, mode);
    } else if (auto* wavpack = dynamic_cast<TagLib::WavPack::File*>(file.get())) {
        WriteApe(*wavpack->APETag(true), tags, mode);
    } else if (auto* xiph = dynamic_cast<TagLib::Ogg::XiphComment*>(file->tag())) {
        WriteXiph(*xiph, tags, mode);
    } else {
        throw fail(QStringLiteral("it has no place for tags"));
    }
    if (!file->save()) {
        throw fail(QStringLiteral("the tags could not be saved"));
    }
}
