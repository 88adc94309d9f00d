#include <gtest/gtest.h>

#include "filelist/name_pattern.h"
#include "filelist/output_name_limits.h"

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

TEST(NamePattern, FieldsFillPiecesThatNeverLeaveTheirFolder) {
    NameFields full = ExampleNameFields();
    NameFields hostile;
    hostile.artist = S("AC/DC");
    hostile.album = S("..");
    hostile.title = S("a\tb\\c:d");
    hostile.track = S("7/12");
    hostile.disc = S("x");
    hostile.fileName = S("in");
    NameFields none;
    none.fileName = S("take.1");
    NameFields numbered;  // no track tag: the number its name starts with
    numbered.fileName = S("7 Seas");
    const NameFields nameless;
    const struct {
        const char* pattern;
        const NameFields& fields;
        QStringList pieces;
    } cases[] = {
        {"{artist}/{album}/{track} - {title}",
         full,
         {S("The Examples"), S("First Light"), S("03 - Morning Song")}},
        {"{artist}/{album}/{track} - {title}", hostile, {S("ACDC"), S("__"), S("07 - a_bcd")}},
        {"{albumartist}/{year}/{disc}-{track} {genre}",
         none,
         {S("Unknown Artist"), S("Unknown Year"), S("-00 Unknown Genre")}},
        {"{albumartist}/{TITLE}", full, {S("The Examples"), S("Morning Song")}},
        {"{filename}", none, {S("take.1")}},
        // Literal text is cleaned too; empty and dot-only pieces cannot climb out. An untagged
        // title is the file's own name.
        {"/../{nope}/x?y//{title}/", none, {S("__"), S("{nope}"), S("xy"), S("take.1")}},
        {"{track} - {title}", numbered, {S("07 - 7 Seas")}},
        {"{title}", nameless, {S("Unknown Title")}},
        {"", none, {S("take.1")}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ExpandNamePattern(S(c.pattern), c.fields), c.pieces) << c.pattern;
    }
}

TEST(NamePattern, FolderPiecesFitTheFileSystemBetweenCharacters) {
    NameFields f;
    f.artist = S("ä").repeated(200);  // 400 bytes of UTF-8
    f.title = S("t");
    const QStringList pieces = ExpandNamePattern(S("{artist}/{title}"), f);
    ASSERT_EQ(pieces.size(), 2);
    EXPECT_EQ(pieces[0], S("ä").repeated(127));  // 254 bytes: a whole character more would not fit
    EXPECT_LE(pieces[0].toUtf8().size(), kMaxNameBytes);
    EXPECT_TRUE(PatternNeedsFileTags(S("{Track} {title}")));
    EXPECT_FALSE(PatternNeedsFileTags(S("{artist}/{title}")));
}

}  // namespace
