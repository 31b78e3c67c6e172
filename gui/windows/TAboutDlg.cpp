#include "gui/windows/TAboutDlg.h"
#include "gui/widgets/JapaneseFont.h"
#include "gui/widgets/TShadowLabel.h"
#include "gui/widgets/TURLLabel.h"

#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QScreen>

namespace edamaki {

QString const TAboutDlg::NoticeText = QStringLiteral("(C) 2026 Edamaki developers");
QString const TAboutDlg::WebPage = QStringLiteral("https://edamaki.example.org/");

TAboutDlg::TAboutDlg(QWidget* parent)
    : QDialog(parent,
        Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("AboutDlg"));
    setWindowTitle(QStringLiteral("バージョン情報"));
    setFont(JapaneseFont(ProportionalFamily, 12));
    setFixedSize(ClientWidth, ClientHeight);

    // An etched frame: a lowered outer and a raised inner bevel.
    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Panel1->setGeometry(5, 4, 229, 101);

    CreateNameLabel();

    VerLabel = new QLabel(QStringLiteral("Ver.#.##"), Panel1);
    VerLabel->setObjectName(QStringLiteral("VerLabel"));
    // Left-aligned and as wide as the room to the panel's edge, so a version
    // text in a font a little wider than the designed one isn't cut off.
    VerLabel->setGeometry(156, 20, 69, 12);

    Label2 = new QLabel(NoticeText, Panel1);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Label2->setGeometry(4, 48, 220, 12);

    CreateLink();

    Button1 = new QPushButton(QStringLiteral("O K"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    Button1->setGeometry(82, 116, 68, 22);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
}

void TAboutDlg::CreateNameLabel()
{
    ShadowLabel1 = new TShadowLabel(Panel1);
    ShadowLabel1->setObjectName(QStringLiteral("ShadowLabel1"));
    ShadowLabel1->setText(QStringLiteral("Edamaki"));
    ShadowLabel1->setAlignment(Qt::AlignRight | Qt::AlignTop);
    ShadowLabel1->SetLayout(TShadowLabel::tlCenter);
    ShadowLabel1->setGeometry(4, 16, 141, 21);
    QFont name_font = JapaneseFont(ProportionalFamily, 16);
    name_font.setBold(true);
    ShadowLabel1->setFont(name_font);
    ShadowLabel1->SetColor(Panel1->palette().color(QPalette::Window));
    ShadowLabel1->Highlight().SetColor(palette().color(QPalette::Active, QPalette::Light));
    ShadowLabel1->Shadow().SetColor(QColor(128, 128, 128));
}

void TAboutDlg::CreateLink()
{
    URLLabel1 = new TURLLabel(Panel1);
    URLLabel1->setObjectName(QStringLiteral("URLLabel1"));
    URLLabel1->setText(WebPage);
    URLLabel1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    URLLabel1->setGeometry(4, 72, 220, 12);
    QFont link_font = JapaneseFont(ProportionalFamily, 12);
    link_font.setUnderline(true);
    URLLabel1->setFont(link_font);
    URLLabel1->SetFontColor(QColor(0, 0, 128));
    URLLabel1->SetExecutable(true);
    URLLabel1->SetHotColor(QColor(0, 0, 255));
    URLLabel1->SetPushedColor(QColor(255, 0, 255));
    URLLabel1->SetHotTrack(true);
}

void TAboutDlg::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TAboutDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    QScreen const* desktop = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!desktop)
        return;
    QRect frame = frameGeometry();
    frame.moveCenter(desktop->availableGeometry().center());
    move(frame.topLeft());
}

} // namespace edamaki
