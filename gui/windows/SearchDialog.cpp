#include "gui/windows/SearchDialog.h"

#include "gui/qt/QtShiftJis.h"
#include "gui/widgets/JapaneseFont.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace edamaki {

TSearchDialog::TSearchDialog(char const* name, QString const& title, QWidget* parent)
    : QDialog(parent, Qt::Tool)
{
    setObjectName(QString::fromLatin1(name));
    setWindowTitle(title);
    setModal(false);
    setFont(JapaneseFont(ProportionalFamily, 12));

    m_layout = new QGridLayout(this);
    m_layout->setColumnStretch(1, 1);
    FindText = AddTextField(0, "FindText", QStringLiteral("検索する文字列(&N):"));

    FindNextButton = new QPushButton(QStringLiteral("次を検索(&F)"), this);
    FindNextButton->setObjectName(QStringLiteral("FindNextButton"));
    FindNextButton->setDefault(true);
    AddSearchButton(FindNextButton);
    connect(FindNextButton, &QPushButton::clicked, this, &TSearchDialog::FindNextClicked);

    CloseButton = new QPushButton(QStringLiteral("閉じる"), this);
    CloseButton->setObjectName(QStringLiteral("CloseButton"));
    CloseButton->setAutoDefault(false);
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::reject);

    WholeWord = new QCheckBox(QStringLiteral("単語単位で探す(&W)"), this);
    WholeWord->setObjectName(QStringLiteral("WholeWord"));
    MatchCase = new QCheckBox(QStringLiteral("大文字と小文字を区別する(&C)"), this);
    MatchCase->setObjectName(QStringLiteral("MatchCase"));

    connect(FindText, &QLineEdit::textChanged, this, &TSearchDialog::UpdateButtons);
}

QLineEdit* TSearchDialog::AddTextField(int row, char const* name, QString const& label)
{
    auto* field = new QLineEdit(this);
    field->setObjectName(QString::fromLatin1(name));
    field->setMinimumWidth(200);
    LimitLength(*field);
    auto* caption = new QLabel(label, this);
    caption->setBuddy(field);
    m_layout->addWidget(caption, row, 0);
    m_layout->addWidget(field, row, 1);
    return field;
}

void TSearchDialog::AddSearchButton(QPushButton* button)
{
    m_search_buttons.append(button);
    button->setEnabled(!FindText->text().isEmpty());
}

void TSearchDialog::SetTabOrder(std::initializer_list<QWidget*> controls)
{
    QWidget* previous = nullptr;
    for (QWidget* control : controls) {
        if (previous)
            setTabOrder(previous, control);
        previous = control;
    }
}

void TSearchDialog::UpdateButtons()
{
    bool const has_text = !FindText->text().isEmpty();
    for (QPushButton* button : m_search_buttons)
        button->setEnabled(has_text);
}

void TSearchDialog::LimitLength(QLineEdit& field)
{
    connect(&field, &QLineEdit::textChanged, &field, [&field](QString const& text) {
        if (QStringToShiftJisForReading(text).size() <= MaximumTextBytes)
            return;
        QString cut = text;
        while (!cut.isEmpty() && QStringToShiftJisForReading(cut).size() > MaximumTextBytes)
            cut.chop(cut.back().isLowSurrogate() && cut.size() > 1 ? 2 : 1);
        field.setText(cut);
    });
}

QString TSearchDialog::SearchText() const
{
    return FindText->text();
}

void TSearchDialog::SetSearchText(QString const& text)
{
    FindText->setText(text);
}

FindOptions TSearchDialog::Options() const
{
    return { .Down = IsDown(), .MatchCase = MatchCase->isChecked(), .WholeWord = WholeWord->isChecked() };
}

void TSearchDialog::SetOptions(FindOptions options)
{
    SetDown(options.Down);
    MatchCase->setChecked(options.MatchCase);
    WholeWord->setChecked(options.WholeWord);
}

void TSearchDialog::ShowModeless()
{
    show();
    raise();
    activateWindow();
    FindText->setFocus();
    FindText->selectAll();
}

} // namespace edamaki
