// The values dialog before a run, driven through its fields and buttons.

#include "gui/windows/PlaceholderDialog.h"
#include "core/text/Encoding.h"

#include "tests/SjisLiteral.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using edamaki::CalendarDate;
using edamaki::PlaceholderDialog;
using edamaki::testing::Sjis;

CalendarDate const Day { 2026, 12, 8 };

std::vector<std::string> Lines(std::initializer_list<char const*> utf8)
{
    std::vector<std::string> lines;
    for (char const* line : utf8)
        lines.push_back(Sjis(line));
    return lines;
}

TEST(PlaceholderDialogTest, OkFillsTheSourceOrNamesEveryValueThatCantBeUsed)
{
    struct Case {
        std::vector<std::string> Source;
        QStringList Typed;
        std::vector<std::string> Filled; // empty: refused
        QString Errors;
    };
    auto const macro = [](char const* line, char const* second = ">a") {
        return Lines({ "<?dezodedu-macro?>", "/srv", line, second });
    };
    Case const cases[] = {
        { macro("<%顧客名>_<%日付:YYYY>"), { "山田商事", "2027" }, macro("山田商事_2027"), {} },
        // A value goes in as given, blanks at the ends taken off.
        { macro("<%版=v1.0>"), { " v2 " }, macro("v2"), {} },
        { macro("<%顧客名>", "<%案件名>"), { "", "a/b" }, {},
            "<%顧客名>: 値がありません\n<%案件名>: 「a/b」の文字「/」(U+002F) はフォルダ名に使えません。" },
        { macro("<%x>"), { ".." }, {}, "<%x>: 「..」はフォルダ名にできません" },
        { macro("<$:<%x>,b>"), { "a,c" }, {}, "<%x>: 「a,c」の文字「,」(U+002C) はタグの中では使えません。" },
        // Any other character is a value as typed.
        { macro("<%x>"), { "4月〜6月😀" },
            { Sjis("<?dezodedu-macro?>"), "/srv", edamaki::Utf8ToShiftJisForReading("4月〜6月😀"), ">a" },
            {} },
    };
    // 8,000 lines that each take a value as long as a field holds.
    std::vector<std::string> large(8'000, "<%x>");
    large.insert(large.begin(), "/srv");
    QString const big(32'767, u'x');
    std::vector<Case> all(std::begin(cases), std::end(cases));
    all.push_back({ large, { big }, {},
        "値を入れるとソースが 262,144,004 バイトになり、上限の 256,000,000 バイトを超えます。" });
    all.push_back({ macro("<%x>"), { ";x" }, {},
        "<%x>: 「;x」は ; で始まります（行の先頭ではコメントになるため使えません）" });
    for (Case const& c : all) {
        PlaceholderDialog dialog(c.Source, {}, Day);
        dialog.show();
        ASSERT_EQ(dialog.Fields.size(), static_cast<std::size_t>(c.Typed.size()));
        for (std::size_t index = 0; index < dialog.Fields.size(); ++index)
            dialog.Fields[index]->setText(c.Typed[static_cast<qsizetype>(index)]);
        dialog.Buttons->button(QDialogButtonBox::Ok)->click();
        bool const refused = c.Filled.empty();
        EXPECT_EQ(dialog.isVisible(), refused) << c.Typed.join(u',').left(20).toStdString();
        EXPECT_EQ(dialog.ErrorLabel->text(), c.Errors);
        if (!refused) {
            EXPECT_EQ(dialog.result(), QDialog::Accepted);
            EXPECT_EQ(dialog.FilledLines(), c.Filled);
        }
    }
}

TEST(PlaceholderDialogTest, FieldsStartWithTheLastValueThenTheDefaultThenTodaysAndKeysWork)
{
    std::vector<std::string> const source
        = Lines({ "<%顧客名=既定>\\<%案件名=既定>\\<%年度>_<%日付>\\<%担当>" });
    PlaceholderDialog dialog(source, { { Sjis("顧客名"), Sjis("山田") } }, Day);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("値の入力"));
    EXPECT_EQ(dialog.TodayLabel->text(), QStringLiteral("今日: 2026年12月8日"));
    QStringList shown;
    for (QLineEdit const* field : dialog.Fields)
        shown << field->accessibleName() + u'=' + field->text();
    EXPECT_EQ(shown, QStringList({ "顧客名=山田", "案件名=既定", "年度=2026", "日付=20261208", "担当=" }));

    // Enter is OK.
    dialog.show();
    QTest::keyClick(dialog.Fields.front(), Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.ErrorLabel->text(), QStringLiteral("<%担当>: 値がありません"));
    dialog.Fields.back()->setText(QStringLiteral("鈴木"));
    QTest::keyClick(dialog.Fields.back(), Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.FilledLines(), Lines({ "山田\\既定\\2026_20261208\\鈴木" }));
    EXPECT_EQ(dialog.Values().at(Sjis("担当")), Sjis("鈴木"));

    // Esc fills nothing.
    PlaceholderDialog cancelled(source, {}, Day);
    cancelled.show();
    QTest::keyClick(cancelled.Fields.front(), Qt::Key_Escape);
    EXPECT_EQ(cancelled.result(), QDialog::Rejected);
    EXPECT_TRUE(cancelled.FilledLines() == source);
}

} // namespace
