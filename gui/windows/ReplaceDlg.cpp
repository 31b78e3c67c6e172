#include "gui/windows/ReplaceDlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>

namespace edamaki {

TReplaceDialog::TReplaceDialog(QWidget* parent)
    : TSearchDialog("ReplaceDlg", QStringLiteral("置換"), parent)
{
    ReplaceTextField = AddTextField(1, "ReplaceText", QStringLiteral("置換後の文字列(&P):"));

    ReplaceButton = new QPushButton(QStringLiteral("置換(&R)"), this);
    ReplaceButton->setObjectName(QStringLiteral("ReplaceButton"));
    ReplaceButton->setAutoDefault(false);
    AddSearchButton(ReplaceButton);
    connect(ReplaceButton, &QPushButton::clicked, this, [this] { emit ReplaceClicked(false); });

    ReplaceAllButton = new QPushButton(QStringLiteral("すべて置換(&A)"), this);
    ReplaceAllButton->setObjectName(QStringLiteral("ReplaceAllButton"));
    ReplaceAllButton->setAutoDefault(false);
    AddSearchButton(ReplaceAllButton);
    connect(ReplaceAllButton, &QPushButton::clicked, this, [this] { emit ReplaceClicked(true); });

    m_layout->addWidget(FindNextButton, 0, 2);
    m_layout->addWidget(ReplaceButton, 1, 2);
    m_layout->addWidget(ReplaceAllButton, 2, 2);
    m_layout->addWidget(WholeWord, 3, 0, 1, 2);
    m_layout->addWidget(CloseButton, 3, 2);
    m_layout->addWidget(MatchCase, 4, 0, 1, 2);
    // The fields first: a user who types the search text, Tab and the
    // replacement must not land on a button that replaces.
    SetTabOrder({ FindText, ReplaceTextField, WholeWord, MatchCase, FindNextButton, ReplaceButton,
        ReplaceAllButton, CloseButton });
    setFixedSize(sizeHint());
}

QString TReplaceDialog::ReplaceText() const
{
    return ReplaceTextField->text();
}

} // namespace edamaki
