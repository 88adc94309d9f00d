#pragma once

#include <QByteArray>
#include <QColor>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// What an element is and therefore how the face draws it and whether it takes clicks.
enum class SkinElementKind { Form, Panel, Text, Button, Menu, Progress };

enum class SkinAlign { Left, Center, Right };

// One section of a skin file, as parsed. Geometry is in window client pixels.
struct SkinElementDef {
    QString name;
    SkinElementKind kind = SkinElementKind::Panel;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool hasRect = false;
    QString caption;
    QString icon;
    QString tip;     // shown when the mouse rests on the element
    QColor color;    // text and icon colour
    QColor fill;     // background; invalid = none
    QColor fill2;    // second colour of a vertical gradient; invalid = flat
    QColor border;   // invalid = no border
    QColor hover;    // background while the mouse is over a clickable element
    QColor pressed;  // background while a clickable element is held down
    int radius = 0;
    int fontSize = 0;  // points; 0 = the skin's size
    bool bold = false;
    SkinAlign align = SkinAlign::Left;
    bool clickable = false;
};

// A whole skin: global settings, the elements in drawing order and the style sheet for the
// window's ordinary controls (palette names already replaced by colours).
struct SkinDocument {
    QString name;
    QString fontFamily = QStringLiteral("DejaVu Sans");
    int fontSize = 9;
    std::vector<SkinElementDef> elements;
    QString styleSheet;
    // Lines that were ignored, as "line N: reason", for authors of skins.
    QStringList warnings;

    const SkinElementDef* Find(const QString& elementName) const;
};

// The largest skin file we accept; real skins are a few kilobytes.
inline constexpr qsizetype kMaxSkinFileBytes = 1024 * 1024;

// Parses skin text. Bad lines are skipped and noted in warnings; a text that cannot be used at
// all (binary data, no [Skin] header, no Form element ...) gives nullopt and the reason in error.
std::optional<SkinDocument> ParseSkin(const QByteArray& bytes, QString* error);
