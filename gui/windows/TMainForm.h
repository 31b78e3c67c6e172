#pragma once

// The main window: the source editor, the tree pane docked at its left, the
// menus and the tool bar. It shows the program's document (the source text
// in its editor, the tree in the pane), keeps the caption and the tag button
// in step with the document's mode, re-reads the source into the tree after
// every change and starts the creation run. The source file commands, the
// folder import and dropped files are units of their own that it owns.
// Other windows and tests find its widgets and actions by object name.

#include "core/document/SourceDocument.h"
#include "gui/windows/MainFormMenuBuilder.h"

#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <memory>
#include <string>
#include <vector>

class QLabel;
class QMenu;
class QSplitter;
class QPlainTextEdit;
class QToolBar;

namespace edamaki {

class EditActionTracker;
class EditorSearch;
class FolderImportCommand;
class HelpWindow;
class PlaceholderMemory;
class SourceFileCommands;
class SourceReadScheduler;
class TAboutDlg;
class TemplateCommands;
class TForm1;
class TForm3;
class TplBrowseFolder;
struct Document;

class TMainForm : public QMainWindow {
    Q_OBJECT

public:
    // Shows `document`, which outlives the window. `arguments` is the command
    // line without the program's name.
    explicit TMainForm(Document& document, QStringList const& arguments = {}, QWidget* parent = nullptr);
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
    // A source with placeholders asks for their values first and runs the
    // tree of its text filled with them; the editor's text stays as it is.
    void ExeBtnClick();
    void mLogViewClick();
    void mUndoRunClick();
    // The template menu: lists the templates each time it opens.
    void TemplateMenuPopup(QMenu& menu);
    void mSaveTemplateClick();
    // Opens the help page through the desktop, or in a window of the
    // program's own when the desktop has nothing to open it with.
    void mHelpClick();
    // Sets the about box's version text, then shows it modally.
    void mAboutClick();
    void TagBtnClick() { emit TagDialogRequested(-1); }
    // The tag menu: the tag dialog on one of its tabs.
    void mTagNumClick() { emit TagDialogRequested(0); }
    void mTagCharClick() { emit TagDialogRequested(1); }
    void mTagStringClick() { emit TagDialogRequested(2); }
    void mTagAddFldClick() { emit TagDialogRequested(3); }
    void mTagDelFldClick() { emit TagDialogRequested(4); }
    void mTagRenClick() { emit TagDialogRequested(5); }
    // Find and replace in the editor.
    void mFindClick();
    void mFindNextClick();
    void mFindPrevClick();
    void mReplaceClick();
    // The view menu's switch of the tree pane's folder marks, remembered
    // for the next start.
    void mShowMarksClick();

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
    // Shows the document's mode and the encoding a save writes in the status bar.
    void ShowDocumentState();

    static constexpr int MinimumWidth = 321;
    static constexpr int MinimumHeight = 90;

signals:
    // The tag button or a tag menu item asks for the macro tag dialog on a
    // tab (-1: the tab it showed last).
    void TagDialogRequested(int tab_index);

protected:
    void closeEvent(QCloseEvent* event) override;
    // Activated again: the folder marks are made anew.
    void changeEvent(QEvent* event) override;

private:
    // The commands the window is made of work on its editor and its document.
    friend class SourceFileCommands;
    friend class FolderImportCommand;
    friend class TemplateCommands;
    class BulkUpdate;

    void FormCreate(QStringList const& arguments);
    // Puts the window on the screen, where the window system places it, so
    // that a message box at start-up shows over it.
    void ShowOnScreen();
    void CreateDialogs();
    void CreateLayout();
    // The size and the tree pane's width the user left the window with, or a
    // first size from the screen.
    void RestoreWindowSize();
    void SaveWindowSize() const;
    void AddUndoRunItem();

    void ShowTextMode();
    void ShowMacroMode();
    void ShowMode(SourceMode mode);
    bool IsMacroHeaderFirst() const;
    // Reads the editor's source into the tree; returns its mode.
    SourceMode ReadEditorSource();

    // The editor's lines as they are shown, and as Shift-JIS for reading (a
    // character Shift-JIS lacks reads as "?", an invalid name character).
    QStringList EditorLines() const;
    std::vector<std::string> EditorLinesForReading() const;
    void ReplaceEditorText(QString const& text);
    void ReplaceEditorLine(int line_index, QString const& text);
    // A folder chosen on disk as the tree's parent folder; false (after telling
    // the user) when Shift-JIS can't hold its path.
    bool SetParentFolder(QString const& folder);
    // Items dropped on the window: only the first counts.
    void DropFiles(QStringList const& paths);
    // Asks for the values of the placeholders of `lines` and fills them in;
    // false when the user cancelled.
    bool AskPlaceholderValues(std::vector<std::string>& lines);
    // The stand-ins the pane shows for the placeholders that have no value.
    std::vector<std::string> UnfilledStandIns() const;

    Document& m_document;
    QToolBar* ToolBar1 = nullptr;
    QPlainTextEdit* SrcList = nullptr;
    QLabel* DocumentStatus = nullptr;
    QSplitter* m_splitter = nullptr;
    TplBrowseFolder* OpenFolder1 = nullptr;
    MainFormActions m_actions;
    TForm1* m_tree_pane = nullptr;
    TForm3* m_log_window = nullptr;
    TAboutDlg* m_about_box = nullptr;
    std::unique_ptr<EditActionTracker> m_edit_actions;
    std::unique_ptr<SourceReadScheduler> m_reads;
    std::unique_ptr<SourceFileCommands> m_source_files;
    std::unique_ptr<FolderImportCommand> m_import;
    std::unique_ptr<TemplateCommands> m_templates;
    std::unique_ptr<PlaceholderMemory> m_placeholder_values;
    EditorSearch* m_search = nullptr;
    HelpWindow* m_help_window = nullptr;

    bool m_started = false;
    bool m_auto_run = false;
    QString m_help_file;
    QString m_start_file;
};

} // namespace edamaki
