#include "outside/skin/skin_document.h"

#include <QHash>
#include <QRegularExpression>
#include <QStringDecoder>

namespace {

constexpr int kFormatVersion = 1;
constexpr int kMaxCoordinate = 10000;  // far beyond any window; keeps arithmetic small
constexpr int kMaxElements = 512;
constexpr qsizetype kMaxLineChars = 4096;
constexpr qsizetype kMaxCaptionChars = 256;

const QRegularExpression& SectionPattern() {
    static const QRegularExpression pattern(QStringLiteral("^\\[([A-Za-z0-9_]{1,64})\\]$"));
    return pattern;
}

const QRegularExpression& KeyPattern() {
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9_]{1,32}$"));
    return pattern;
}

// Parsing state shared by the line handlers of one file.
class Parser {
  public:
    std::optional<SkinDocument> Run(const QString& text, QString* error);

  private:
    enum class Section { None, Skin, Palette, StyleSheet, Element, Skipped };

    void Warn(const QString& reason) {
        doc_.warnings << QStringLiteral("line %1: %2").arg(lineNumber_).arg(reason);
    }
    void BeginSection(const QString& name);
    void HandleKeyValue(const QString& key, const QString& value);
    void HandleSkinKey(const QString& key, const QString& value);
    void HandleElementKey(SkinElementDef& def, const QString& key, const QString& value);
    bool ParseColor(const QString& value, QColor* color);
    bool ParseInt(const QString& value, int low, int high, int* out);
    bool ParseFlag(const QString& value, bool* out);
    bool ParseRect(const QString& value, SkinElementDef& def);
    void FinishElement();
    QString ExpandPalette(const QString& text);

    SkinDocument doc_;
    Section section_ = Section::None;
    int lineNumber_ = 0;
    bool sawSkin_ = false;
    int format_ = 0;
    bool elementHasType_ = false;
    SkinElementDef element_;
    QHash<QString, QColor> palette_;
    QStringList styleLines_;
};

void Parser::BeginSection(const QString& name) {
    FinishElement();
    if (name == QLatin1String("Skin")) {
        section_ = Section::Skin;
        sawSkin_ = true;
    } else if (name == QLatin1String("Palette")) {
        section_ = Section::Palette;
    } else if (name == QLatin1String("StyleSheet")) {
        section_ = Section::StyleSheet;
    } else if (doc_.Find(name) != nullptr) {
        Warn(
            QStringLiteral("the element %1 is defined twice; the second one is ignored").arg(name));
        section_ = Section::Skipped;
    } else if (doc_.elements.size() >= kMaxElements) {
        Warn(QStringLiteral("too many elements; %1 is ignored").arg(name));
        section_ = Section::Skipped;
    } else {
        section_ = Section::Element;
        element_ = SkinElementDef{};
        element_.name = name;
        elementHasType_ = false;
    }
}

void Parser::FinishElement() {
    if (section_ != Section::Element) {
        return;
    }
    section_ = Section::Skipped;
    if (!elementHasType_) {
        Warn(QStringLiteral("the element %1 has no type and is ignored").arg(element_.name));
        return;
    }
    if (!element_.hasRect && element_.kind != SkinElementKind::Form) {
        Warn(QStringLiteral("the element %1 has no rect and is ignored").arg(element_.name));
        return;
    }
    doc_.elements.push_back(element_);
}

bool Parser::ParseColor(const QString& value, QColor* color) {
    if (value.startsWith(QLatin1Char('@'))) {
        const auto found = palette_.constFind(value.mid(1).toLower());
        if (found == palette_.constEnd()) {
            Warn(QStringLiteral("unknown palette colour %1").arg(value));
            return false;
        }
        *color = *found;
        return true;
    }
    static const QRegularExpression hex(QStringLiteral("^#([0-9A-Fa-f]{6}|[0-9A-Fa-f]{8})$"));
    if (!hex.match(value).hasMatch()) {
        Warn(QStringLiteral("bad colour \"%1\" (use #rrggbb, #aarrggbb or @name)").arg(value));
        return false;
    }
    *color = QColor::fromString(value);
    return color->isValid();
}

bool Parser::ParseInt(const QString& value, int low, int high, int* out) {
    bool ok = false;
    const qlonglong number = value.trimmed().toLongLong(&ok);
    if (!ok || number < low || number > high) {
        Warn(QStringLiteral("\"%1\" is not a number from %2 to %3").arg(value).arg(low).arg(high));
        return false;
    }
    *out = static_cast<int>(number);
    return true;
}

bool Parser::ParseFlag(const QString& value, bool* out) {
    const QString v = value.toLower();
    if (v == QLatin1String("yes") || v == QLatin1String("true") || v == QLatin1String("1")) {
        *out = true;
        return true;
    }
    if (v == QLatin1String("no") || v == QLatin1String("false") || v == QLatin1String("0")) {
        *out = false;
        return true;
    }
    Warn(QStringLiteral("\"%1\" is not yes or no").arg(value));
    return false;
}

bool Parser::ParseRect(const QString& value, SkinElementDef& def) {
    const QStringList parts = value.split(QLatin1Char(','));
    if (parts.size() != 4) {
        Warn(QStringLiteral("rect needs four numbers: x, y, width, height"));
        return false;
    }
    int numbers[4] = {};
    for (int i = 0; i < 4; ++i) {
        const int low = i < 2 ? -kMaxCoordinate : 0;
        if (!ParseInt(parts[i], low, kMaxCoordinate, &numbers[i])) {
            return false;
        }
    }
    def.x = numbers[0];
    def.y = numbers[1];
    def.width = numbers[2];
    def.height = numbers[3];
    def.hasRect = true;
    return true;
}

void Parser::HandleSkinKey(const QString& key, const QString& value) {
    if (key == QLatin1String("format")) {
        ParseInt(value, 0, 1000000, &format_);
    } else if (key == QLatin1String("name")) {
        doc_.name = value.left(kMaxCaptionChars);
    } else if (key == QLatin1String("font")) {
        if (value.isEmpty() || value.size() > 64) {
            Warn(QStringLiteral("bad font family"));
        } else {
            doc_.fontFamily = value;
        }
    } else if (key == QLatin1String("font_size")) {
        ParseInt(value, 4, 48, &doc_.fontSize);
    } else {
        Warn(QStringLiteral("unknown key %1 in [Skin]").arg(key));
    }
}

void Parser::HandleElementKey(SkinElementDef& def, const QString& key, const QString& value) {
    if (key == QLatin1String("type")) {
        static const QHash<QString, SkinElementKind> kinds = {
            {QStringLiteral("form"), SkinElementKind::Form},
            {QStringLiteral("panel"), SkinElementKind::Panel},
            {QStringLiteral("text"), SkinElementKind::Text},
            {QStringLiteral("button"), SkinElementKind::Button},
            {QStringLiteral("menu"), SkinElementKind::Menu},
            {QStringLiteral("progress"), SkinElementKind::Progress}};
        const auto found = kinds.constFind(value.toLower());
        if (found == kinds.constEnd()) {
            Warn(QStringLiteral("unknown element type \"%1\"").arg(value));
            return;
        }
        def.kind = *found;
        def.clickable = def.kind == SkinElementKind::Button || def.kind == SkinElementKind::Menu;
        if (def.clickable) {
            def.align = SkinAlign::Center;
        }
        elementHasType_ = true;
    } else if (key == QLatin1String("rect")) {
        ParseRect(value, def);
    } else if (key == QLatin1String("caption")) {
        def.caption = value.left(kMaxCaptionChars);
    } else if (key == QLatin1String("tip")) {
        def.tip = value.left(kMaxCaptionChars);
    } else if (key == QLatin1String("icon")) {
        def.icon = value.left(32);
    } else if (key == QLatin1String("color")) {
        ParseColor(value, &def.color);
    } else if (key == QLatin1String("fill")) {
        ParseColor(value, &def.fill);
    } else if (key == QLatin1String("fill2")) {
        ParseColor(value, &def.fill2);
    } else if (key == QLatin1String("border")) {
        ParseColor(value, &def.border);
    } else if (key == QLatin1String("hover")) {
        ParseColor(value, &def.hover);
    } else if (key == QLatin1String("pressed")) {
        ParseColor(value, &def.pressed);
    } else if (key == QLatin1String("radius")) {
        ParseInt(value, 0, 100, &def.radius);
    } else if (key == QLatin1String("font_size")) {
        ParseInt(value, 4, 48, &def.fontSize);
    } else if (key == QLatin1String("bold")) {
        ParseFlag(value, &def.bold);
    } else if (key == QLatin1String("clickable")) {
        ParseFlag(value, &def.clickable);
    } else if (key == QLatin1String("align")) {
        const QString v = value.toLower();
        if (v == QLatin1String("left")) {
            def.align = SkinAlign::Left;
        } else if (v == QLatin1String("center")) {
            def.align = SkinAlign::Center;
        } else if (v == QLatin1String("right")) {
            def.align = SkinAlign::Right;
        } else {
            Warn(QStringLiteral("align must be left, center or right"));
        }
    } else {
        Warn(QStringLiteral("unknown key %1").arg(key));
    }
}

void Parser::HandleKeyValue(const QString& key, const QString& value) {
    switch (section_) {
        case Section::None:
            Warn(QStringLiteral("a value outside any section is ignored"));
            break;
        case Section::Skin:
            HandleSkinKey(key, value);
            break;
        case Section::Palette: {
            QColor color;
            if (ParseColor(value, &color)) {
                palette_.insert(key, color);
            }
            break;
        }
        case Section::Element:
            HandleElementKey(element_, key, value);
            break;
        case Section::StyleSheet:
        case Section::Skipped:
            break;
    }
}

QString Parser::ExpandPalette(const QString& text) {
    static const QRegularExpression reference(QStringLiteral("@([A-Za-z0-9_]+)"));
    QString out;
    qsizetype last = 0;
    auto matches = reference.globalMatch(text);
    while (matches.hasNext()) {
        const auto match = matches.next();
        out += QStringView(text).mid(last, match.capturedStart() - last);
        const auto found = palette_.constFind(match.captured(1).toLower());
        if (found == palette_.constEnd()) {
            out += match.captured(0);
            doc_.warnings
                << QStringLiteral("style sheet: unknown palette colour %1").arg(match.captured(0));
        } else {
            out += found->name(found->alpha() == 255 ? QColor::HexRgb : QColor::HexArgb);
        }
        last = match.capturedEnd();
    }
    out += QStringView(text).mid(last);
    return out;
}

std::optional<SkinDocument> Parser::Run(const QString& text, QString* error) {
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (const QString& raw : lines) {
        ++lineNumber_;
        const QString line = raw.trimmed();
        if (section_ == Section::StyleSheet && !SectionPattern().match(line).hasMatch()) {
            styleLines_ << raw.left(kMaxLineChars);
            continue;
        }
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')) ||
            line.startsWith(QLatin1Char(';'))) {
            continue;
        }
        if (line.size() > kMaxLineChars) {
            Warn(QStringLiteral("the line is too long and is ignored"));
            continue;
        }
        const auto section = SectionPattern().match(line);
        if (section.hasMatch()) {
            BeginSection(section.captured(1));
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        const QString key = line.left(equals).trimmed().toLower();
        if (equals < 0 || !KeyPattern().match(key).hasMatch()) {
            Warn(QStringLiteral("not a section header or key = value line"));
            continue;
        }
        HandleKeyValue(key, line.mid(equals + 1).trimmed());
    }
    FinishElement();

    if (!sawSkin_ || format_ == 0) {
        *error = QStringLiteral("it is not a Quorvel skin (no [Skin] section with format = 1)");
        return std::nullopt;
    }
    if (format_ != kFormatVersion) {
        *error = QStringLiteral("skin format %1 is not supported (this program reads format %2)")
                     .arg(format_)
                     .arg(kFormatVersion);
        return std::nullopt;
    }
    const SkinElementDef* form = doc_.Find(QStringLiteral("Form"));
    if (form == nullptr || form->kind != SkinElementKind::Form) {
        *error = QStringLiteral("it has no Form element of type form");
        return std::nullopt;
    }
    doc_.styleSheet = ExpandPalette(styleLines_.join(QLatin1Char('\n')));
    return std::move(doc_);
}

}  // namespace

const SkinElementDef* SkinDocument::Find(const QString& elementName) const {
    for (const SkinElementDef& def : elements) {
        if (def.name == elementName) {
            return &def;
        }
    }
    return nullptr;
}

std::optional<SkinDocument> ParseSkin(const QByteArray& bytes, QString* error) {
    QString ignored;
    if (error == nullptr) {
        error = &ignored;
    }
    if (bytes.isEmpty()) {
        *error = QStringLiteral("the file is empty");
        return std::nullopt;
    }
    if (bytes.size() > kMaxSkinFileBytes) {
        *error = QStringLiteral("the file is larger than %1 bytes").arg(kMaxSkinFileBytes);
        return std::nullopt;
    }
    if (bytes.contains('\0')) {
        *error = QStringLiteral("it is not a text skin file (binary data)");
        return std::nullopt;
    }
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        *error = QStringLiteral("it is not a text skin file (not UTF-8 text)");
        return std::nullopt;
    }
    text.remove(QLatin1Char('\r'));
    if (text.startsWith(QChar(0xFEFF))) {
        text.remove(0, 1);
    }
    return Parser().Run(text, error);
}
