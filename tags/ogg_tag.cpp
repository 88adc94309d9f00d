#include "tags/ogg_tag.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <array>
#include <cerrno>
#include <cstring>
#include <limits>

#include "platform/file_replacement.h"
#include "platform/native_name.h"
#include "platform/small_regular_file.h"
#include "tags/tag_error.h"
#include "tags/tag_modules.h"
#include "tags/vorbis_comment_split.h"

namespace {

using VorbisCommentClearFn = void (*)(vorbis_comment*);
using VorbisCommentAddFn = void (*)(vorbis_comment*, const char*);

// The module's entry points, looked up by name.
struct VceditApi {
    vcedit_new_state_fn newState = nullptr;
    vcedit_open_callbacks_fn open = nullptr;
    vcedit_comments_fn comments = nullptr;
    vcedit_write_fn write = nullptr;
    vcedit_clear_fn clear = nullptr;

    explicit VceditApi(LoadedModule& module)
        : newState(module.Resolve<vcedit_new_state_fn>("vcedit_new_state")),
          open(module.Resolve<vcedit_open_callbacks_fn>("vcedit_open_callbacks")),
          comments(module.Resolve<vcedit_comments_fn>("vcedit_comments")),
          write(module.Resolve<vcedit_write_fn>("vcedit_write")),
          clear(module.Resolve<vcedit_clear_fn>("vcedit_clear")) {}
    bool Complete() const { return newState && open && comments && write && clear; }
};

// Releases a state on every path.
class StateGuard {
  public:
    StateGuard(vcedit_state* state, vcedit_clear_fn clear) : state_(state), clear_(clear) {}
    ~StateGuard() {
        if (state_ != nullptr) {
            clear_(state_);
        }
    }
    StateGuard(const StateGuard&) = delete;
    StateGuard& operator=(const StateGuard&) = delete;
    vcedit_state* get() const { return state_; }

  private:
    vcedit_state* state_;
    vcedit_clear_fn clear_;
};

QString ErrorText(const vcedit_state* state) {
    return state != nullptr && state->lasterror != nullptr ? QString::fromUtf8(state->lasterror)
                                                           : QString();
}

QString CannotOpen(const QString& fileName, const QString& cause) {
    return QStringLiteral("Cannot open %1: %2").arg(fileName, cause);
}

// Opens the file for reading; a FIFO or device is refused rather than left to block the open.
void OpenInput(QFile& input, const QString& fileName) {
    if (QFileInfo::exists(fileName) && !IsRegularFile(fileName)) {
        throw TagError(CannotOpen(fileName, QStringLiteral("it is not a regular file")));
    }
    if (!OpenNative(input, fileName, QIODevice::ReadOnly)) {
        throw TagError(CannotOpen(fileName, input.errorString()));
    }
}

vcedit_state* OpenState(const VceditApi& api, QFile& input, const QString& fileName) {
    vcedit_state* state = api.newState();
    if (state == nullptr) {
        throw TagError(CannotOpen(fileName, QStringLiteral("out of memory")));
    }
    if (api.open(state, &input, OggReadCallback, OggWriteCallback) != 0) {
        const QString cause = ErrorText(state);
        api.clear(state);
        throw TagError(CannotOpen(fileName, cause));
    }
    return state;
}

// fileName with its extension replaced by ".temp" (appended when there is none).
QString TempNameFor(const QString& fileName) {
    const QFileInfo info(fileName);
    const QString name = info.fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString base = dot > 0 ? name.left(dot) : name;
    return info.dir().filePath(base + QStringLiteral(".temp"));
}

// The handled fields in the order a write appends them, with the comment name each is read from.
struct HandledField {
    QLatin1String name;  // lower case, as matched
    QLatin1String key;   // as written
    QString OGGTag::*field;
    TagFields bit;
};
const std::array<HandledField, 7> kHandled = {{
    {QLatin1String("title"), QLatin1String("Title="), &OGGTag::Title, TagField::Title},
    {QLatin1String("artist"), QLatin1String("Artist="), &OGGTag::Artist, TagField::Artist},
    {QLatin1String("album"), QLatin1String("Album="), &OGGTag::Album, TagField::Album},
    {QLatin1String("tracknumber"), QLatin1String("TrackNumber="), &OGGTag::TrackNumber,
     TagField::Track},
    {QLatin1String("date"), QLatin1String("Date="), &OGGTag::Date, TagField::Year},
    {QLatin1String("genre"), QLatin1String("Genre="), &OGGTag::Genre, TagField::Genre},
    {QLatin1String("comment"), QLatin1String("Comment="), &OGGTag::Comment, TagField::Comment},
}};

// The handled field a comment name belongs to, or -1.
int HandledIndex(const QString& name) {
    // Field names are ASCII, so lower-casing them touches only ASCII letters.
    const QString lower = name.toLower();
    for (std::size_t i = 0; i < kHandled.size(); ++i) {
        if (lower == kHandled[i].name) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

QString TrimmedValue(const QString& value) {
    qsizetype begin = 0;
    qsizetype end = value.size();
    while (begin < end && value.at(begin).unicode() <= 32) {
        ++begin;
    }
    while (end > begin && value.at(end - 1).unicode() <= 32) {
        --end;
    }
    return value.mid(begin, end - begin);
}

// The fields as the reader shows them: the last comment of each name, trimmed.
OGGTag TagFromComments(const vorbis_comment& comments) {
    OGGTag tag;
    for (const TStrComment& comment : ParseVorbisComments(comments)) {
        const int index = HandledIndex(comment.Name);
        if (index >= 0) {
            tag.*kHandled[static_cast<std::size_t>(index)].field = TrimmedValue(comment.Value);
        }
    }
    return tag;
}

// Appends a comment byte for byte: vorbis_comment_add stops at a zero byte, so a placeholder of
// the right length is added and then overwritten.
void AddRawComment(const QByteArray& raw, vcedit_state* state) {
    AddOggComment(QString(raw.size(), QLatin1Char('x')), state);
    vorbis_comment* vc = state->vc;
    if (vc != nullptr && vc->comments > 0 && vc->comment_lengths[vc->comments - 1] == raw.size()) {
        std::memcpy(vc->user_comments[vc->comments - 1], raw.constData(),
                    static_cast<size_t>(raw.size()));
    }
}

}  // namespace

size_t OggReadCallback(void* buffer, size_t size, size_t count, void* source) {
    if (size == 0 || count == 0 || buffer == nullptr || source == nullptr ||
        count > static_cast<size_t>(std::numeric_limits<qint64>::max()) / size) {
        return 0;
    }
    const qint64 got = static_cast<QIODevice*>(source)->read(static_cast<char*>(buffer),
                                                             static_cast<qint64>(size * count));
    return got <= 0 ? 0 : static_cast<size_t>(got) / size;
}

// Why the last write of this thread's comment rewrite fell short: Qt's message for a full disk is
// lost by the time the module reports back.
thread_local int g_writeErrno = 0;

size_t OggWriteCallback(const void* buffer, size_t size, size_t count, void* target) {
    if (size == 0) {
        return static_cast<size_t>(-1);
    }
    if (buffer == nullptr || target == nullptr ||
        count > static_cast<size_t>(std::numeric_limits<qint64>::max()) / size) {
        return 0;
    }
    errno = 0;
    const qint64 put = static_cast<QIODevice*>(target)->write(static_cast<const char*>(buffer),
                                                              static_cast<qint64>(size * count));
    if (put != static_cast<qint64>(size * count) && errno != 0) {
        g_writeErrno = errno;
    }
    return put <= 0 ? 0 : static_cast<size_t>(put) / size;
}

TStrComments ParseVorbisComments(const vorbis_comment& comments) {
    TStrComments out;
    if (comments.comments <= 0 || comments.user_comments == nullptr ||
        comments.comment_lengths == nullptr) {
        return out;
    }
    out.reserve(static_cast<size_t>(comments.comments));
    for (int i = 0; i < comments.comments; ++i) {
        const int length = comments.comment_lengths[i];
        const SplitComment split = SplitVorbisComment(comments.user_comments[i],
                                                      length > 0 ? static_cast<size_t>(length) : 0);
        TStrComment comment;
        comment.Name = QString::fromStdString(split.name);
        comment.Value = QString::fromStdString(split.value);  // invalid UTF-8 becomes U+FFFD
        if (comment.Value.endsWith(QChar(0))) {
            comment.Value.chop(1);
        }
        comment.Text = comment.Name.isEmpty() ? comment.Value
                                              : comment.Name + QLatin1Char('=') + comment.Value;
        out.push_back(std::move(comment));
    }
    return out;
}

void AddOggComment(const QString& text, vcedit_state* state) {
    LoadedModule vorbis(TagModule::Vorbis);
    auto add = vorbis.Resolve<VorbisCommentAddFn>("vorbis_comment_add");
    if (add == nullptr || state == nullptr || state->vc == nullptr) {
        return;
    }
    const QByteArray utf8 = text.toUtf8();
    add(state->vc, utf8.constData());
}

void ReadOggTag(const QString& fileName, OGGTag& tag) {
    LoadedModule module(TagModule::Vcedit);
    const VceditApi api(module);
    if (!api.Complete()) {
        return;
    }
    QFile input(fileName);
    OpenInput(input, fileName);
    StateGuard state(OpenState(api, input, fileName), api.clear);
    const vorbis_comment* comments = api.comments(state.get());

    if (comments != nullptr) {
        tag = TagFromComments(*comments);
    } else {
        tag = OGGTag();
    }
}

bool WriteOggTag(const QString& fileName, const OGGTag& tag, TagFields fields) {
    LoadedModule module(TagModule::Vcedit);
    const VceditApi api(module);
    if (!api.Complete()) {
        return false;
    }
    QFile input(fileName);
    OpenInput(input, fileName);
    StateGuard state(OpenState(api, input, fileName), api.clear);

    {
        LoadedModule vorbis(TagModule::Vorbis);
        auto clear = vorbis.Resolve<VorbisCommentClearFn>("vorbis_comment_clear");
        vorbis_comment* vc = state.get()->vc;
        // Without libvorbis the comments cannot be edited: the file is rewritten with its old ones.
        if (clear != nullptr && vc != nullptr) {
            const OGGTag current = TagFromComments(*vc);
            std::array<bool, kHandled.size()> replace{};
            for (std::size_t i = 0; i < kHandled.size(); ++i) {
                replace[i] = (fields & kHandled[i].bit) != 0 &&
                             current.*kHandled[i].field != tag.*kHandled[i].field;
            }
            // Every comment but those of the replaced fields stays, byte for byte and in order.
            std::vector<QByteArray> kept;
            const TStrComments parsed = ParseVorbisComments(*vc);
            for (std::size_t i = 0; i < parsed.size(); ++i) {
                const int index = HandledIndex(parsed[i].Name);
                if (index >= 0 && replace[static_cast<std::size_t>(index)]) {
                    continue;
                }
                const int length = vc->comment_lengths[i];
                kept.emplace_back(vc->user_comments[i], length > 0 ? length : 0);
            }
            clear(vc);
            for (const QByteArray& raw : kept) {
                AddRawComment(raw, state.get());
            }
            for (std::size_t i = 0; i < kHandled.size(); ++i) {
                const QString& value = tag.*kHandled[i].field;
                if (replace[i] && !value.isEmpty()) {
                    AddOggComment(kHandled[i].key + value, state.get());
                }
            }
        }
    }

    FileReplacement replacement(fileName);
    QString error;
    if (!replacement.Create(TempNameFor(fileName), &error)) {
        throw TagError(QStringLiteral("Cannot write comments: %1: %2").arg(fileName, error));
    }
    g_writeErrno = 0;
    if (api.write(state.get(), &replacement.File()) != 0) {
        // The module only learns that a write fell short; the system said why (a full disk).
        const QString cause = g_writeErrno != 0
                                  ? QString::fromLocal8Bit(std::strerror(g_writeErrno))
                                  : ErrorText(state.get());
        throw TagError(cause.isEmpty() ? QStringLiteral("Cannot write comments")
                                       : QStringLiteral("Cannot write comments: ") + cause);
    }
    input.close();
    return replacement.Commit(&error);
}
