#pragma once

// The about box: the program's name, its version, a notice line and a link
// to the project's web page. Created once at start-up and kept; the main
// window sets the version text before every showing and shows it modally.

#include <QDialog>

class QFrame;
class QKeyEvent;
class QLabel;
class QPushButton;
class QShowEvent;

namespace edamaki {

class TShadowLabel;
class TURLLabel;

class TAboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit TAboutDlg(QWidget* parent = nullptr);

    static constexpr int ClientWidth = 238;
    static constexpr int ClientHeight = 143;
    static QString const NoticeText;
    static QString const WebPage;

    QFrame* Panel1 = nullptr;
    TShadowLabel* ShadowLabel1 = nullptr;
    QLabel* VerLabel = nullptr;
    QLabel* Label2 = nullptr;
    TURLLabel* URLLabel1 = nullptr;
    QPushButton* Button1 = nullptr;

protected:
    // Esc doesn't close the box: it has no cancel button.
    void keyPressEvent(QKeyEvent* event) override;
    // The box shows at the centre of the desktop.
    void showEvent(QShowEvent* event) override;

private:
    void CreateNameLabel();
    void CreateLink();
};

} // namespace edamaki
