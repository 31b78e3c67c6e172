#pragma once

// The macro tag dialog: a small tool window that composes one macro tag from
// a few fields and writes it into the source editor. One tab for each tag:
// the numeric, character and list sequences replace the editor's selection;
// the add, delete and rename tags are appended as a new last line. Created
// once and kept: shown and hidden, never destroyed. The tree pane fills the
// path field when a node is clicked on one of the folder tabs.

#include <QDialog>
#include <QPalette>

class QKeyEvent;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QWidget;

namespace edamaki {

class TEditHex;
class TTabStrip;
class TUpDown;

class TForm4 : public QDialog {
    Q_OBJECT

public:
    TForm4(QPlainTextEdit& editor, QWidget* parent = nullptr);

    static constexpr int FolderTabs = 3; // tabs from here on take a path

    // Selects tab `tab_index` and sets it up as a user's pick would.
    void ShowTagDialog(int tab_index);
    // Shows the window (modelessly, in front), first on tab `tab_index`
    // unless it is -1: then on the tab it showed last.
    void ShowOnTab(int tab_index);

    void TagTabChange();
    void MakeTag();
    // Both buttons: OK writes the tag; either resets the fields and hides.
    void Button1Click(QPushButton const* button);
    void SrcPathEnter();
    // True when the typed character is discarded.
    bool StCharKeyPress(QLineEdit& field, QKeyEvent const& event);
    void StCharChange(QLineEdit& field);

    // While the grey path hint shows, no path is given.
    bool IsPathHintShowing() const;
    // A path picked elsewhere (the tree pane), shown in the window-text colour.
    void SetSourcePath(QString const& path);

    static QString const PathHint;

    TTabStrip* TagTab = nullptr;
    QWidget* Panel0 = nullptr;
    QWidget* Panel1 = nullptr;
    QWidget* Panel2 = nullptr;
    QWidget* Panel3 = nullptr;
    TEditHex* Keta = nullptr;
    TUpDown* Spin1 = nullptr;
    TEditHex* StNum = nullptr;
    TEditHex* EdNum = nullptr;
    TEditHex* nStep = nullptr;
    TUpDown* UpDown1 = nullptr;
    QLabel* NumLabel = nullptr;
    TEditHex* Nmoji = nullptr;
    TUpDown* Spin2 = nullptr;
    QLineEdit* StChar = nullptr;
    QLineEdit* EdChar = nullptr;
    TEditHex* cStep = nullptr;
    TUpDown* UpDown2 = nullptr;
    QLabel* Grp1Label = nullptr;
    QPlainTextEdit* Strlist = nullptr;
    QLineEdit* SrcPath = nullptr;
    QLabel* NameLabel = nullptr;
    QLineEdit* NewName = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void CreatePanel0();
    void CreatePanel1();
    void CreatePanel2();
    void CreatePanel3();
    TEditHex* CreateNumberField(QWidget* panel, char const* name, QString const& text, QRect const& place);
    TUpDown* CreateSpinner(
        QWidget* panel, char const* name, TEditHex* field, int maximum, QRect const& place);
    QLineEdit* CreateCharacterField(QWidget* panel, char const* name, QRect const& place);
    // Places the window, when it first shows, where it hides no source text.
    void PlaceBesideEditor();
    // The first field of the shown tab takes the focus, its text selected.
    void FocusFirstField();
    void SetPathHint();
    // The grey path hint goes when the user moves into the field or types.
    void LeavePathHint(QEvent const& event);
    void SetPathColour(QPalette::ColorRole role);
    // Replaces the editor's selection, or appends a new last line.
    void WriteTag(QString const& tag, bool append);

    QPlainTextEdit& m_editor;
    bool m_placed = false;
    bool m_keeping_path_hint = false;
};

} // namespace edamaki
