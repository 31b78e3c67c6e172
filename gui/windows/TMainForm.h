#pragma once

// The main window: the source editor, the tree pane docked at its left, the
// menus and the tool bar. It shows the program's document (the source text
// in its editor, the tree in the pane), keeps the caption and the tag button
// in step with the document's mode, re-reads the source into the tree after
// every change, opens and saves source files and starts the creation run.

#include "core/document/SourceDocument.h"

#include <QIcon>
#include <QList>
#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <memory>
#include <string>
#include <vector>

class EditActionTracker;
class EditorSearch;
class HelpWindow;
class QAction;
class QFileDialog;
class QFrame;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QSplitter;
class QToolBar;
class QToolButton;
class SourceReadScheduler;
class TAboutDlg;
class TForm1;
class TForm3;
class TFindDialog;
class TReplaceDialog;
class TFormPanel;
class TplBrowseFolder;

namespace edamaki {
struct Document;
struct FolderImport;
} // namespace edamaki

class TMainForm : public QMainWindow {
    Q_OBJECT

public:
    // Shows `document`, which outlives the window. `arguments` is the command
    // line without the program's name.
    explicit TMainForm(
        edamaki::Document& document, QStringList const& arguments = {}, QWidget* parent = nullptr);
    ~TMainForm() override;

    // Called once by the tree pane at the end of its creation: switches on the
    // re-reading of the source and opens the file named on the command line.
    void StartUp(TForm1& tree_pane);
    void SetLogWindow(TForm3* log_window);
    void SetAboutBox(TAboutDlg* about_box);

    // Re-reads the source into the tree (nothing while the editor is disabled
    // or before start-up): at once, or for a large source on a thread of its
    // own, with the changes typed meanwhile read together.
    void SrcListChange();
    // Makes the tree that of the editor's text, finishing or redoing a read
    // still pending. Everything that uses the tree calls this first.
    void EnsureTreeCurrent();
    bool IsTreeCurrent() const;
    // The reads of the source (after start-up).
    SourceReadScheduler* SourceReads() const { return m_reads.get(); }
    // Loads a source file into the editor; false (after telling the user) when
    // it can't be read, and the editor keeps its text.
    bool OpenSource(QString const& file_name);

    void mOpen1Click();
    void mSave1Click();
    void mExit1Click();
    void mClearClick();
    void mInsHeaderClick();
    void mTextMacroClick();
    void mSelRootClick();
    void mGetFolderClick();
    void ExeBtnClick();
    void mLogViewClick();
    // Opens the help page through the desktop, or in a window of the
    // program's own when the desktop has nothing to open it with.
    void mHelpClick();
    // Sets the about box's version text, then shows it modally.
    void mAboutClick();
    void TagBtnClick();
    // The tag menu: the tag dialog on one of its tabs.
    void mTagNumClick();
    void mTagCharClick();
    void mTagStringClick();
    void mTagAddFldClick();
    void mTagDelFldClick();
    void mTagRenClick();
    // Find and replace in the editor.
    void mFindClick();
    void mFindNextClick();
    void mFindPrevClick();
    void mReplaceClick();
    // Items dropped on the window: only the first counts.
    void DropFiles(QStringList const& paths);

    bool AutoRun() const { return m_auto_run; }
    bool Started() const { return m_started; }
    QString StartFile() const { return m_start_file; }
    QString HelpFile() const { return m_help_file; }
    // The help page beside the program, else the installed one in
    // <prefix>/share/edamaki (the program being in <prefix>/bin); the one
    // beside the program when there is neither.
    static QString FindHelpFile(QString const& program_folder);
    // The editor's modification mark, or unsaved edits in the tree.
    bool IsDocumentModified() const;

    TFormPanel* FormPanel1 = nullptr;
    QSplitter* Splitter1 = nullptr;
    QFrame* Panel1 = nullptr;
    QToolBar* ToolBar1 = nullptr;
    QPlainTextEdit* SrcList = nullptr;
    QMenuBar* Menu1 = nullptr;
    QMenu* TagMenu = nullptr;
    QToolButton* TagBtn = nullptr;
    QFileDialog* OpenDialog1 = nullptr;
    QFileDialog* SaveDialog1 = nullptr;
    TplBrowseFolder* OpenFolder1 = nullptr;
    TFindDialog* FindDlg = nullptr;
    TReplaceDialog* ReplaceDlg = nullptr;
    // The ten tool bar images.
    QList<QIcon> ImageList1;

    QAction* EditCut1 = nullptr;
    QAction* EditCopy1 = nullptr;
    QAction* EditPaste1 = nullptr;
    QAction* EditSelectAll1 = nullptr;
    QAction* EditUndo1 = nullptr;
    QAction* EditRedo1 = nullptr;

    QAction* mOpen1 = nullptr;
    QAction* mSave1 = nullptr;
    QAction* mExit1 = nullptr;
    QAction* mInsHeader = nullptr;
    QAction* N7 = nullptr;
    QAction* mTextMacro = nullptr;
    QAction* mClear = nullptr;
    QAction* mGetFolder = nullptr;
    QAction* mSelRoot = nullptr;
    QAction* mExec = nullptr;
    QAction* mLogView = nullptr;
    QAction* mHelp = nullptr;
    QAction* mAbout = nullptr;
    QAction* mFind = nullptr;
    QAction* mFindNext = nullptr;
    QAction* mFindPrev = nullptr;
    QAction* mReplace = nullptr;
    QAction* mTagNum = nullptr;
    QAction* mTagChar = nullptr;
    QAction* mTagString = nullptr;
    QAction* mTagAddFld = nullptr;
    QAction* mTagDelFld = nullptr;
    QAction* mTagRen = nullptr;

    static constexpr int MinimumWidth = 321;
    static constexpr int MinimumHeight = 90;

signals:
    // The tag button or a tag menu item asks for the macro tag dialog on a
    // tab (-1: the tab it showed last).
    void TagDialogRequested(int tab_index);

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class SaveOutcome {
        Saved,
        Cancelled,
        NothingToSave,
        Failed,
    };
    class BulkUpdate;

    void FormCreate(QStringList const& arguments);
    // Puts the window on the screen, where the window system places it, so
    // that a message box at start-up shows over it.
    void ShowOnScreen();
    void CreateDialogs();
    void CreateLayout();

    SaveOutcome SaveSource();
    // The save prompt: true when the command may go on.
    bool AskToSave();
    bool FormCloseQuery();

    void ShowTextMode();
    void ShowMacroMode();
    void ShowMode(edamaki::SourceMode mode);
    bool IsMacroHeaderFirst() const;
    // Reads the editor's source into the tree; returns its mode.
    edamaki::SourceMode ReadEditorSource();

    // The editor's lines as they are shown, and as Shift-JIS for reading (a
    // character Shift-JIS lacks reads as "?", an invalid name character).
    QStringList EditorLines() const;
    std::vector<std::string> EditorLinesForReading() const;
    void ReplaceEditorText(QString const& text);
    void ReplaceEditorLine(int line_index, QString const& text);
    // A folder chosen on disk as the tree's parent folder; false (after telling
    // the user) when Shift-JIS can't hold its path.
    bool SetParentFolder(QString const& folder);
    // Names the folders an import left out or could not read.
    void ReportImportNotices(edamaki::FolderImport const& import);

    edamaki::Document& m_document;
    TForm1* m_tree_pane = nullptr;
    TForm3* m_log_window = nullptr;
    TAboutDlg* m_about_box = nullptr;
    std::unique_ptr<EditActionTracker> m_edit_actions;
    std::unique_ptr<SourceReadScheduler> m_reads;
    EditorSearch* m_search = nullptr;
    HelpWindow* m_help_window = nullptr;

    bool m_started = false;
    bool m_auto_run = false;
    QString m_help_file;
    QString m_start_file;
    QString m_last_save_name;
    bool m_drop_pending = false;
};
