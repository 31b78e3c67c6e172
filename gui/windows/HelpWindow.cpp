#include "gui/windows/HelpWindow.h"

#include "gui/widgets/JapaneseFont.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace edamaki {

HelpWindow::HelpWindow(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Edamaki ヘルプ"));
    setFont(JapaneseFont(ProportionalFamily, 12));
    setModal(false);
    setSizeGripEnabled(true);

    HelpBrowser = new QTextBrowser(this);
    HelpBrowser->setObjectName(QStringLiteral("HelpBrowser"));
    HelpBrowser->setFont(JapaneseFont(ProportionalFamily, 14));
    HelpBrowser->setOpenExternalLinks(true);

    HelpLocation = new QLabel(this);
    HelpLocation->setObjectName(QStringLiteral("HelpLocation"));
    HelpLocation->setTextInteractionFlags(Qt::TextSelectableByMouse);
    HelpLocation->setWordWrap(true);

    CloseBtn = new QPushButton(QStringLiteral("閉じる"), this);
    CloseBtn->setObjectName(QStringLiteral("CloseBtn"));
    CloseBtn->setDefault(true);
    connect(CloseBtn, &QPushButton::clicked, this, &QDialog::close);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(HelpLocation, 1);
    bottom->addWidget(CloseBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(HelpBrowser, 1);
    layout->addLayout(bottom);
    resize(680, 560);
}

void HelpWindow::ShowPage(QString const& file_name)
{
    QString const native_name = QDir::toNativeSeparators(file_name);
    HelpLocation->setText(QStringLiteral("ヘルプファイル: %1").arg(native_name));
    HelpLocation->setToolTip(native_name);
    HelpBrowser->setSource(QUrl::fromLocalFile(file_name));
    show();
    raise();
    activateWindow();
}

} // namespace edamaki
