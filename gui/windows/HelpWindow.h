#pragma once

// The help page in a window of the program's own, for a desktop that has
// nothing to open it with. It says where the page is, so it can also be
// opened by hand.

#include <QDialog>

class QLabel;
class QPushButton;
class QTextBrowser;

namespace edamaki {

class HelpWindow : public QDialog {
    Q_OBJECT

public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // Loads the page (an HTML file) and shows the window in front.
    void ShowPage(QString const& file_name);

    QTextBrowser* HelpBrowser = nullptr;
    QLabel* HelpLocation = nullptr;
    QPushButton* CloseBtn = nullptr;
};

} // namespace edamaki
