#include "gui/windows/FindDlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace edamaki {

TFindDialog::TFindDialog(QWidget* parent)
    : TSearchDialog("FindDlg", QStringLiteral("検索"), parent)
{
    auto* direction = new QGroupBox(QStringLiteral("方向"), this);
    direction->setObjectName(QStringLiteral("Direction"));
    UpButton = new QRadioButton(QStringLiteral("上へ(&U)"), direction);
    UpButton->setObjectName(QStringLiteral("UpButton"));
    DownButton = new QRadioButton(QStringLiteral("下へ(&D)"), direction);
    DownButton->setObjectName(QStringLiteral("DownButton"));
    DownButton->setChecked(true);
    auto* direction_layout = new QHBoxLayout(direction);
    direction_layout->addWidget(UpButton);
    direction_layout->addWidget(DownButton);

    m_layout->addWidget(FindNextButton, 0, 2);
    m_layout->addWidget(WholeWord, 1, 0);
    m_layout->addWidget(direction, 1, 1, 2, 1, Qt::AlignRight);
    m_layout->addWidget(CloseButton, 1, 2);
    m_layout->addWidget(MatchCase, 2, 0);
    SetTabOrder({ FindText, WholeWord, MatchCase, UpButton, DownButton, FindNextButton, CloseButton });
    setFixedSize(sizeHint());
}

bool TFindDialog::IsDown() const
{
    return DownButton->isChecked();
}

void TFindDialog::SetDown(bool down)
{
    (down ? DownButton : UpButton)->setChecked(true);
}

} // namespace edamaki
