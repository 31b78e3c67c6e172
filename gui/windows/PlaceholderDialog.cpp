#include "gui/windows/PlaceholderDialog.h"

#include "core/document/SourceSize.h"
#include "core/text/ShiftJis.h"
#include "gui/qt/QtShiftJis.h"
#include "gui/widgets/JapaneseFont.h"
#include "gui/windows/SourceErrorText.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace edamaki {

namespace {

// A label shows "&" as itself, not as a mnemonic.
QString LabelText(QString text)
{
    return text.replace(u'&', QStringLiteral("&&"));
}

} // namespace

QString PlaceholderRefusalText(PlaceholderRefusal::Kind why, QString const& name, QString const& value)
{
    QString const placeholder = QStringLiteral("<%") + name + u'>';
    switch (why) {
    case PlaceholderRefusal::Kind::NoValue:
    case PlaceholderRefusal::Kind::Empty:
        return placeholder + QStringLiteral(": 値がありません");
    case PlaceholderRefusal::Kind::DotName:
        return placeholder + QStringLiteral(": 「%1」はフォルダ名にできません").arg(value);
    case PlaceholderRefusal::Kind::NameCharacter: {
        // The first character no name may hold; else the "," a tag can't take.
        char32_t refused = U',';
        for (char32_t const character : value.toUcs4()) {
            if (character < 0x20 || (character >= 0x7F && character <= 0x9F)
                || (character < 0x80 && IsInvalidNameCharacter(static_cast<char>(character)))) {
                refused = character;
                break;
            }
        }
        QString const why = refused == U',' ? QStringLiteral("文字「,」(U+002C) はタグの中では使えません。")
                                            : RefusedCharacterText(refused);
        return placeholder + QStringLiteral(": 「%1」の").arg(value) + why;
    }
    case PlaceholderRefusal::Kind::EdgeBlank:
        return placeholder
            + QStringLiteral(": 「%1」は前後に空白があります（行の端では削られるため使えません）").arg(value);
    case PlaceholderRefusal::Kind::Semicolon:
        return placeholder
            + QStringLiteral(": 「%1」は ; で始まります（行の先頭ではコメントになるため使えません）")
                  .arg(value);
    case PlaceholderRefusal::Kind::TagSyntax:
        return placeholder
            + QStringLiteral(": 「%1」は - を含みます（タグの中では範囲の区切りになるため使えません）")
                  .arg(value);
    case PlaceholderRefusal::Kind::TagCharacter:
        return placeholder
            + QStringLiteral(" はタグの種類の文字の位置にあります（値はタグの書式として読まれません）");
    case PlaceholderRefusal::Kind::BeforeColon:
        return placeholder + QStringLiteral(" の直後に : があります（値はドライブになりません）");
    case PlaceholderRefusal::Kind::InHeader:
        return placeholder + QStringLiteral(" は <? の中にあります（値はマクロのヘッダーになりません）");
    case PlaceholderRefusal::Kind::TooLarge:
        return QStringLiteral("値を入れるとソースが %1 バイトになり、上限の %2 バイトを超えます。")
            .arg(QLocale(QLocale::English).toString(value.toULongLong()),
                QLocale(QLocale::English).toString(static_cast<qulonglong>(MostSourceBytes)));
    case PlaceholderRefusal::Kind::NotShiftJis:
        break;
    }
    return placeholder + QStringLiteral(": 「%1」には Shift-JIS で書けない文字があります").arg(value);
}

PlaceholderDialog::PlaceholderDialog(
    std::vector<std::string> lines, PlaceholderValues const& last, CalendarDate today, QWidget* parent)
    : QDialog(parent)
    , m_placeholders(FindSourcePlaceholders(lines))
    , m_lines(std::move(lines))
    , m_today(today)
{
    setObjectName(QStringLiteral("PlaceholderDialog"));
    setWindowTitle(QStringLiteral("値の入力"));
    setFont(JapaneseFont(ProportionalFamily, 12));

    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(QStringLiteral("フォルダ名に入れる値を入力してください。"), this);
    layout->addWidget(intro);
    TodayLabel = new QLabel(
        QStringLiteral("今日: %1年%2月%3日").arg(today.Year).arg(today.Month).arg(today.Day), this);
    TodayLabel->setObjectName(QStringLiteral("TodayLabel"));
    layout->addWidget(TodayLabel);

    auto* form = new QFormLayout;
    for (std::size_t index = 0; index < m_placeholders.size(); ++index) {
        Placeholder const& placeholder = m_placeholders[index];
        QString const name = ShiftJisToQString(placeholder.Name);
        auto* field = new QLineEdit(this);
        field->setObjectName(QStringLiteral("Value%1").arg(index + 1));
        field->setAccessibleName(name);
        field->setMinimumWidth(240);
        if (auto const value = StartingValue(placeholder, last, today))
            field->setText(ShiftJisToQString(*value));
        if (placeholder.Default)
            field->setPlaceholderText(ShiftJisToQString(*placeholder.Default));
        auto* label = new QLabel(LabelText(name) + QStringLiteral("："), this);
        label->setBuddy(field);
        form->addRow(label, field);
        Fields.push_back(field);
    }
    layout->addLayout(form);

    ErrorLabel = new QLabel(this);
    ErrorLabel->setObjectName(QStringLiteral("ErrorLabel"));
    ErrorLabel->setWordWrap(true);
    ErrorLabel->setTextFormat(Qt::PlainText);
    ErrorLabel->setStyleSheet(QStringLiteral("color: #c00000;"));
    ErrorLabel->hide();
    layout->addWidget(ErrorLabel);

    Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    Buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    Buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    Buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    connect(Buttons, &QDialogButtonBox::accepted, this, &PlaceholderDialog::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &PlaceholderDialog::reject);
    layout->addWidget(Buttons);

    if (!Fields.empty()) {
        Fields.front()->setFocus();
        Fields.front()->selectAll();
    }
}

void PlaceholderDialog::GrowToFitError()
{
    // A wrapped message of several lines: the dialog grows to show it whole
    // rather than squeeze the fields.
    layout()->activate();
    int const needed
        = layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(width()) : sizeHint().height();
    if (needed > height())
        resize(width(), needed);
}

void PlaceholderDialog::accept()
{
    QStringList problems;
    QLineEdit* first_refused = nullptr;
    auto const refuse = [&](std::size_t index, QString const& text) {
        problems.append(text);
        if (!first_refused)
            first_refused = Fields[index];
    };

    PlaceholderValues values;
    for (std::size_t index = 0; index < m_placeholders.size(); ++index) {
        // A value may hold any character: it is kept as typed.
        QString const typed = Fields[index]->text().trimmed();
        values[m_placeholders[index].Name] = QStringToShiftJisForReading(typed);
    }
    std::vector<std::string> filled = m_lines;
    if (problems.isEmpty()) {
        for (PlaceholderRefusal const& refusal : FillSourceLines(filled, values, m_today)) {
            auto const found = std::find_if(m_placeholders.begin(), m_placeholders.end(),
                [&](Placeholder const& placeholder) { return placeholder.Name == refusal.Name; });
            // A refusal of the whole filling (too large) names no placeholder: the first field.
            refuse(
                found == m_placeholders.end() ? 0 : static_cast<std::size_t>(found - m_placeholders.begin()),
                PlaceholderRefusalText(
                    refusal.Why, ShiftJisToQString(refusal.Name), ShiftJisToQString(refusal.Value)));
        }
    }
    if (!problems.isEmpty()) {
        ErrorLabel->setText(problems.join(u'\n'));
        ErrorLabel->show();
        GrowToFitError();
        if (first_refused) {
            first_refused->setFocus();
            first_refused->selectAll();
        }
        return;
    }
    m_lines = std::move(filled);
    m_values = std::move(values);
    QDialog::accept();
}

} // namespace edamaki
