#include "gui/qt/EditorOffsets.h"

#include "core/text/Encoding.h"
#include "core/text/SourceOffsets.h"
#include "gui/qt/QtShiftJis.h"

#include <QTextBlock>
#include <QTextDocument>

#include <gtest/gtest.h>

namespace edamaki {
namespace {

// Six lines as the editor holds them. Source offsets (bytes, CR LF as two):
//   0 "ab"      2-4 break
//   4 "日本"    two bytes each, 8-10 break
//  10 "ｱｲ"      half-width katakana, one byte each, 12-14 break
//  14 ""        14-16 break
//  16 "😀éx"    a surrogate pair and a character Shift-JIS lacks read as
//               stand-ins, six bytes each: 16 and 22, "x" 28, 29-31 break
//  31 "z"       the text ends at 32
// Document positions: blocks at 0, 3, 6, 9, 10 and 15; the document ends at 16.
QString const Lines = QString::fromUtf8("ab\n日本\nｱｲ\n\n😀éx\nz");

TEST(EditorOffsetsTest, SourceOffsetsBecomeDocumentPositions)
{
    QTextDocument document(Lines);
    EditorOffsets offsets(document);
    struct Case {
        std::size_t Offset;
        int Position;
    };
    // In order, then back to the start: a lookup before the last one starts over.
    Case const cases[] = {
        { 0, 0 },
        { 2, 2 },
        { 3, 2 },
        { 4, 3 },
        { 6, 4 },
        { 7, 5 },
        { 8, 5 },
        { 9, 5 },
        { 11, 7 },
        { 14, 9 },
        { 15, 9 },
        { 16, 10 },
        { 17, 12 },
        { 22, 12 },
        { 25, 13 },
        { 28, 13 },
        { 29, 14 },
        { 30, 14 },
        { 31, 15 },
        { 32, 16 },
        { 1000, 16 },
        { 4, 3 },
        { 1, 1 },
    };
    for (auto const& test : cases)
        EXPECT_EQ(offsets.PositionOf(test.Offset), test.Position) << "offset " << test.Offset;
}

TEST(EditorOffsetsTest, DocumentPositionsBecomeSourceOffsets)
{
    QTextDocument document(Lines);
    EditorOffsets offsets(document);
    struct Case {
        int Position;
        std::size_t Offset;
    };
    Case const cases[] = {
        { 0, 0 },
        { 2, 2 },
        { 3, 4 },
        { 4, 6 },
        { 5, 8 },
        { 7, 11 },
        { 9, 14 },
        { 10, 16 },
        { 11, 22 },
        { 12, 22 },
        { 13, 28 },
        { 14, 29 },
        { 16, 32 },
        { 100, 32 },
        { 6, 10 },
        { -5, 0 },
    };
    for (auto const& test : cases)
        EXPECT_EQ(offsets.OffsetOf(test.Position), test.Offset) << "position " << test.Position;
}

TEST(EditorOffsetsTest, EveryLineStartsWhereTheSourceReadFromTheEditorSaysItDoes)
{
    QTextDocument document(Lines + QStringLiteral("\n\u3000全角 ＡＢ\n"));
    SourceOffsets const source(SplitLines(QStringToShiftJisForReading(document.toPlainText())));
    EditorOffsets offsets(document);
    for (std::size_t line = 0; line < source.LineCount(); ++line) {
        int const position = document.findBlockByNumber(static_cast<int>(line)).position();
        EXPECT_EQ(offsets.OffsetOf(position), source.LineStart(line)) << "line " << line;
        EXPECT_EQ(offsets.PositionOf(source.LineStart(line)), position) << "line " << line;
    }
    EXPECT_EQ(offsets.OffsetOf(document.characterCount() - 1), source.TextLength());
}

TEST(EditorOffsetsTest, SourceRangesSelectTextAndSelectionsGiveRangesBack)
{
    QTextDocument document(Lines);
    struct Case {
        LineRange Range;
        QString Selected;
        LineRange Back;
    };
    Case const cases[] = {
        { { 4, 4 }, QString::fromUtf8("日本"), { 4, 4 } },
        { { 16, 13 }, QString::fromUtf8("😀éx"), { 16, 13 } },
        { { 17, 6 }, QString::fromUtf8("é"), { 22, 6 } },
        { { 10, 6 }, QString::fromUtf8("ｱｲ\u2029\u2029"), { 10, 6 } },
        { { 8, 1 }, QString(), { 8, 0 } },
        { { 31, 50 }, QStringLiteral("z"), { 31, 1 } },
        { { -3, -1 }, QString(), { 0, 0 } },
    };
    for (auto const& test : cases) {
        QTextCursor const cursor = SelectSourceRange(document, test.Range);
        EXPECT_EQ(cursor.selectedText(), test.Selected) << test.Range.Start;
        LineRange const back = SourceRangeOf(cursor);
        EXPECT_EQ(back.Start, test.Back.Start) << test.Range.Start;
        EXPECT_EQ(back.Length, test.Back.Length) << test.Range.Start;
    }
}

} // namespace
} // namespace edamaki
