#include "tags/tag_carry.h"

#include <taglib/aifffile.h>
#include <taglib/apefile.h>
#include <taglib/apeitem.h>
#include <taglib/apetag.h>
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
#include <taglib/tfilestream.h>
#include <taglib/tpropertymap.h>
#include <taglib/unsynchronizedlyricsframe.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavpackfile.h>
#include <taglib/xiphcomment.h>
#include <QFile>
#include <memory>

#include "platform/small_regular_file.h"
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

QString GuessMime(const QByteArray& data) {
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

// Keys that describe how the input was encoded, not the music: wrong for the new file (iTunSMPB
// would even tell a player to cut the wrong number of samples).
bool DescribesInputEncoding(const QString& key) {
    return key == QLatin1String("ENCODER") || key == QLatin1String("ENCODEDBY") ||
           key == QLatin1String("ENCODING") || key == QLatin1String("ENCODERSETTINGS") ||
           key.startsWith(QLatin1String("ITUN")) || key.startsWith(QLatin1String("COMMENT:ITUN")) ||
           key == QLatin1String("METADATA_BLOCK_PICTURE") ||
           key.startsWith(QLatin1String("COVERART"));
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

struct PictureChoice {
    CarriedPicture best;
    void Offer(const QByteArray& data, const QString& mime, const QString& description, int type) {
        if (data.isEmpty() || data.size() > kMaxCarriedPicture) {
            return;
        }
        // The front cover, else the first picture.
        if (!best.data.isEmpty() && (best.type == 3 || type != 3)) {
            return;
        }
        best.data = data;
        best.mime = mime.isEmpty() ? GuessMime(data) : mime;
        best.description = description;
        best.type = type;
    }
};

void OfferId3Pictures(PictureChoice& choice, TagLib::ID3v2::Tag* tag) {
    if (tag == nullptr) {
        return;
    }
    for (TagLib::ID3v2::Frame* frame : tag->frameList("APIC")) {
        if (auto* apic = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(frame)) {
            choice.Offer(Bytes(apic->picture()), Q(apic->mimeType()), Q(apic->description()),
                         static_cast<int>(apic->type()));
        }
    }
}

void OfferFlacPictures(PictureChoice& choice, const TagLib::List<TagLib::FLAC::Picture*>& list) {
    for (TagLib::FLAC::Picture* picture : list) {
        choice.Offer(Bytes(picture->data()), Q(picture->mimeType()), Q(picture->description()),
                     static_cast<int>(picture->type()));
    }
}

void OfferApePicture(PictureChoice& choice, TagLib::APE::Tag* tag) {
    if (tag == nullptr || !tag->itemListMap().contains("COVER ART (FRONT)")) {
        return;
    }
    // An APE cover is the file name, a zero byte, then the image.
    const QByteArray value = Bytes(tag->itemListMap()["COVER ART (FRONT)"].binaryData());
    const qsizetype zero = value.indexOf('\0');
    if (zero >= 0) {
        choice.Offer(value.mid(zero + 1), QString(), QString(), 3);
    }
}

CarriedPicture ReadPicture(TagLib::File& file) {
    PictureChoice choice;
    if (auto* mpeg = dynamic_cast<TagLib::MPEG::File*>(&file)) {
        OfferId3Pictures(choice, mpeg->ID3v2Tag(false));
    } else if (auto* flac = dynamic_cast<TagLib::FLAC::File*>(&file)) {
        OfferFlacPictures(choice, flac->pictureList());
        OfferId3Pictures(choice, flac->ID3v2Tag(false));
    } else if (auto* mp4 = dynamic_cast<TagLib::MP4::File*>(&file)) {
        if (mp4->tag() != nullptr && mp4->tag()->contains("covr")) {
            for (const TagLib::MP4::CoverArt& art : mp4->tag()->item("covr").toCoverArtList()) {
                choice.Offer(Bytes(art.data()), QString(), QString(), 3);
            }
        }
    } else if (auto* asf = dynamic_cast<TagLib::ASF::File*>(&file)) {
        if (asf->tag() != nullptr && asf->tag()->contains("WM/Picture")) {
            for (const TagLib::ASF::Attribute& a : asf->tag()->attribute("WM/Picture")) {
                const TagLib::ASF::Picture picture = a.toPicture();
                if (picture.isValid()) {
                    choice.Offer(Bytes(picture.picture()), Q(picture.mimeType()),
                                 Q(picture.description()), static_cast<int>(picture.type()));
                }
            }
        }
    } else if (auto* ape = dynamic_cast<TagLib::APE::File*>(&file)) {
        OfferApePicture(choice, ape->APETag(false));
    } else if (auto* wv = dynamic_cast<TagLib::WavPack::File*>(&file)) {
        OfferApePicture(choice, wv->APETag(false));
    } else if (auto* xiph = dynamic_cast<TagLib::Ogg::XiphComment*>(file.tag())) {
        OfferFlacPictures(choice, xiph->pictureList());
    } else if (auto* id3 = dynamic_cast<TagLib::ID3v2::Tag*>(file.tag())) {
        OfferId3Pictures(choice, id3);  // AIFF
    }
    return choice.best;
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
        const QString field = name.mid(kFreeForm.size()).toUpper();
        if (field.isEmpty() || fields.contains(field)) {
            continue;
        }
        QStringList values;
        for (const TagLib::String& s : item.toStringList()) {
            values << Q(s);
        }
        if (values.isEmpty()) {
            for (const TagLib::ByteVector& b : item.toByteVectorList()) {
                values << QString::fromUtf8(Bytes(b));
            }
        }
        if (!values.isEmpty()) {
            fields.insert(field, values);
        }
    }
}

std::unique_ptr<TagLib::File> OpenByContent(TagContainer container, TagLib::IOStream* stream) {
    auto* factory = TagLib::ID3v2::FrameFactory::instance();
    switch (container) {
        case TagContainer::Mpeg:
            return std::make_unique<TagLib::MPEG::File>(stream, factory, false);
        case TagContainer::Flac:
            return std::make_unique<TagLib::FLAC::File>(stream, factory, false);
        case TagContainer::OggVorbis:
            return std::make_unique<TagLib::Ogg::Vorbis::File>(stream, false);
        case TagContainer::OggOpus:
            return std::make_unique<TagLib::Ogg::Opus::File>(stream, false);
        case TagContainer::OggFlac:
            return std::make_unique<TagLib::Ogg::FLAC::File>(stream, false);
        case TagContainer::Mp4:
            return std::make_unique<TagLib::MP4::File>(stream, false);
        case TagContainer::Aiff:
            return std::make_unique<TagLib::RIFF::AIFF::File>(stream, false);
        case TagContainer::WavPack:
            return std::make_unique<TagLib::WavPack::File>(stream, false);
        case TagContainer::Unknown:
            break;
    }
    return nullptr;
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

TagLib::FLAC::Picture* NewFlacPicture(const CarriedPicture& cover) {
    auto* picture = new TagLib::FLAC::Picture;
    picture->setType(static_cast<TagLib::FLAC::Picture::Type>(cover.type));
    picture->setMimeType(T(cover.mime));
    picture->setDescription(T(cover.description));
    picture->setData(Bytes(cover.data));
    return picture;
}

void WriteXiph(TagLib::Ogg::XiphComment& xiph, const CarriedTags& tags, CarryWrite mode) {
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
    if (mode == CarryWrite::Replace || !tags.cover.data.isEmpty()) {
        xiph.removeAllPictures();
    }
    if (!tags.cover.data.isEmpty()) {
        xiph.addPicture(NewFlacPicture(tags.cover));
    }
}

// AIFF keeps an ID3v2 tag in a chunk of its own: the same frames an MP3 gets.
void WriteAiff(TagLib::ID3v2::Tag& tag, const CarriedTags& tags, CarryWrite mode) {
    // The text frames are replaced by the map in either mode; pictures as for the other formats.
    // Lyrics have a frame of their own the property map does not reach.
    QMap<QString, QStringList> fields = tags.fields;
    const QStringList lyrics = fields.take(QStringLiteral("LYRICS"));
    tag.setProperties(ToPropertyMap(fields));
    if (mode == CarryWrite::Replace || !lyrics.isEmpty()) {
        tag.removeFrames("USLT");
    }
    if (!lyrics.isEmpty()) {
        auto* frame = new TagLib::ID3v2::UnsynchronizedLyricsFrame(TagLib::String::UTF8);
        frame->setText(T(lyrics.join(QLatin1Char('\n'))));
        tag.addFrame(frame);
    }
    if (mode == CarryWrite::Replace || !tags.cover.data.isEmpty()) {
        tag.removeFrames("APIC");
    }
    if (!tags.cover.data.isEmpty()) {
        auto* apic = new TagLib::ID3v2::AttachedPictureFrame;
        apic->setMimeType(T(tags.cover.mime));
        apic->setDescription(T(tags.cover.description));
        apic->setType(static_cast<TagLib::ID3v2::AttachedPictureFrame::Type>(tags.cover.type));
        apic->setPicture(Bytes(tags.cover.data));
        tag.addFrame(apic);
    }
}

// WavPack keeps an APEv2 tag; its cover is a binary item: a file name, a zero byte, the image.
void WriteApe(TagLib::APE::Tag& tag, const CarriedTags& tags, CarryWrite mode) {
    if (mode == CarryWrite::Replace) {
        const TagLib::APE::ItemListMap items = tag.itemListMap();
        for (auto it = items.begin(); it != items.end(); ++it) {
            tag.removeItem(it->first);
        }
    }
    tag.setProperties(ToPropertyMap(tags.fields));
    if (!tags.cover.data.isEmpty()) {
        const QString extension = tags.cover.mime == QLatin1String("image/png")
                                      ? QStringLiteral("png")
                                      : QStringLiteral("jpg");
        TagLib::ByteVector value(QStringLiteral("cover.%1").arg(extension).toUtf8().constData());
        value.append('\0');
        value.append(Bytes(tags.cover.data));
        TagLib::APE::Item item;
        item.setKey("Cover Art (Front)");
        item.setType(TagLib::APE::Item::Binary);
        item.setBinaryData(value);
        tag.setItem("Cover Art (Front)", item);
    }
}

void WriteMp4(TagLib::MP4::Tag& tag, const CarriedTags& tags, CarryWrite mode) {
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
    if (!tags.cover.data.isEmpty()) {
        TagLib::MP4::CoverArt::Format format = TagLib::MP4::CoverArt::JPEG;
        if (tags.cover.mime == QLatin1String("image/png")) {
            format = TagLib::MP4::CoverArt::PNG;
        } else if (tags.cover.mime == QLatin1String("image/gif")) {
            format = TagLib::MP4::CoverArt::GIF;
        } else if (tags.cover.mime == QLatin1String("image/bmp")) {
            format = TagLib::MP4::CoverArt::BMP;
        }
        TagLib::MP4::CoverArtList list;
        list.append(TagLib::MP4::CoverArt(format, Bytes(tags.cover.data)));
        tag.setItem("covr", TagLib::MP4::Item(list));
    }
}

}  // namespace

TagContainer DetectTagContainer(const QString& path) {
    if (!IsRegularFile(path)) {
        return TagContainer::Unknown;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return TagContainer::Unknown;
    }
    const QByteArray head = file.read(4096);
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
    if (head.startsWith("ID3") ||
        (head.size() >= 2 && static_cast<unsigned char>(head[0]) == 0xFF &&
         (static_cast<unsigned char>(head[1]) & 0xE0) == 0xE0)) {
        return TagContainer::Mpeg;
    }
    return TagContainer::Unknown;
}

CarriedTags ReadCarriedTags(const QString& path, QString* error) {
    CarriedTags result;
    auto fail = [&](const QString& cause) {
        if (error != nullptr) {
            *error = QStringLiteral("Cannot read the tags of %1: %2").arg(path, cause);
        }
        return CarriedTags();
    };
    if (!IsRegularFile(path)) {
        return fail(QStringLiteral("it is not a regular file"));
    }
    try {
        const QByteArray name = QFile::encodeName(path);
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
            const QString field = Q(key).toUpper();
            QStringList list;
            for (const TagLib::String& v : values) {
                if (!v.isEmpty()) {
                    list << Q(v);
                }
            }
            if (!list.isEmpty() && !DescribesInputEncoding(field)) {
                result.fields.insert(field, list);
            }
        }
        if (auto* mp4 = dynamic_cast<TagLib::MP4::File*>(file)) {
            AddMp4FreeForms(*mp4, properties.unsupportedData(), result.fields);
            for (auto it = result.fields.begin(); it != result.fields.end();) {
                it = DescribesInputEncoding(it.key()) ? result.fields.erase(it) : std::next(it);
            }
        }
        JoinTotal(result.fields, QStringLiteral("TRACKNUMBER"), {"TRACKTOTAL", "TOTALTRACKS"});
        JoinTotal(result.fields, QStringLiteral("DISCNUMBER"), {"DISCTOTAL", "TOTALDISCS"});
        result.cover = ReadPicture(*file);
    } catch (const std::exception& e) {
        return fail(QString::fromLocal8Bit(e.what()));
    }
    return result;
}

QByteArray CarriedId3v2Frames(const CarriedTags& tags) {
    TagLib::ID3v2::Tag tag;
    tag.setProperties(ToPropertyMap(tags.fields));
    // TagLib names the plain lyrics "LYRICS"; other readers look for them without a description.
    for (TagLib::ID3v2::Frame* frame : tag.frameList("USLT")) {
        auto* lyrics = dynamic_cast<TagLib::ID3v2::UnsynchronizedLyricsFrame*>(frame);
        if (lyrics != nullptr && lyrics->description() == "LYRICS") {
            lyrics->setDescription(TagLib::String());
        }
    }
    if (!tags.cover.data.isEmpty()) {
        auto* apic = new TagLib::ID3v2::AttachedPictureFrame;
        apic->setTextEncoding(TagLib::String::UTF16);
        apic->setMimeType(T(tags.cover.mime));
        apic->setDescription(T(tags.cover.description));
        apic->setType(static_cast<TagLib::ID3v2::AttachedPictureFrame::Type>(tags.cover.type));
        apic->setPicture(Bytes(tags.cover.data));
        tag.addFrame(apic);
    }
    if (tag.frameList().isEmpty()) {
        return {};
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
    return rendered.mid(kHeader, end - kHeader);
}

void WriteCarriedTags(const QString& path, const CarriedTags& tags, CarryWrite mode) {
    auto fail = [&](const QString& cause) {
        return TagError(QStringLiteral("Cannot write the tags of %1: %2").arg(path, cause));
    };
    if (!IsRegularFile(path)) {
        throw fail(QStringLiteral("it is not a regular file"));
    }
    const TagContainer container = DetectTagContainer(path);
    const QByteArray name = QFile::encodeName(path);
    TagLib::FileStream stream(name.constData());
    if (!stream.isOpen() || stream.readOnly()) {
        throw fail(QStringLiteral("it cannot be opened for writing"));
    }
    std::unique_ptr<TagLib::File> file = OpenByContent(container, &stream);
    if (file == nullptr || container == TagContainer::Mpeg || !file->isValid()) {
        throw fail(QStringLiteral("it is not a FLAC, Ogg, MP4, AIFF or WavPack file"));
    }
    if (auto* flac = dynamic_cast<TagLib::FLAC::File*>(file.get())) {
        WriteXiph(*flac->xiphComment(true), tags, mode);
        if (mode == CarryWrite::Replace || !tags.cover.data.isEmpty()) {
            flac->removePictures();
        }
        // A FLAC picture is a metadata block of its own, not a comment.
        flac->xiphComment(true)->removeAllPictures();
        if (!tags.cover.data.isEmpty()) {
            flac->addPicture(NewFlacPicture(tags.cover));
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
