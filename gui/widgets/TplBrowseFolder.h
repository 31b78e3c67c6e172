#pragma once

// Lets the user pick one folder in a modal directory dialog, with a title,
// an initial selection and a place on the screen (centred unless given).

#include <QObject>
#include <QString>

class QFileDialog;
class QWidget;

namespace edamaki {

class TplBrowseFolder : public QObject {
    Q_OBJECT

public:
    explicit TplBrowseFolder(QObject* parent = nullptr);

    // Folder selected when the dialog opens; empty = the dialog's default.
    QString InitDir;
    // Text in the dialog's title bar.
    QString Title;
    // Left and top edge in screen pixels; both 0 centre the dialog on the screen.
    int FormLeft = 0;
    int FormTop = 0;

    // Runs the dialog modally. True when the user chose a folder; then Folder
    // and DisplayName hold the choice; otherwise they keep their values.
    bool Execute(QWidget* owner = nullptr);

    QString Folder() const { return m_folder; }
    QString DisplayName() const { return m_display_name; }
    // The running dialog and its outer size; null and 0 outside Execute.
    QWidget* DialogHandle() const { return m_dialog_handle; }
    int DialogWidth() const { return m_dialog_width; }
    int DialogHeight() const { return m_dialog_height; }

signals:
    // Raised once per run from inside the dialog, after it has been placed.
    void OnShow(TplBrowseFolder* sender);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void PrepareDialog(QFileDialog& dialog) const;
    void SelectInitialFolder(QFileDialog& dialog) const;
    // Keeps the folder chosen in the dialog; false when it is no folder.
    bool TakeChoice(QFileDialog const& dialog);
    void DialogShown(QFileDialog* dialog);

    QString m_folder;
    QString m_display_name;
    QWidget* m_dialog_handle = nullptr;
    int m_dialog_width = 0;
    int m_dialog_height = 0;
    bool m_shown = false;
};

} // namespace edamaki
