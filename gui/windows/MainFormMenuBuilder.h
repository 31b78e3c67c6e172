#pragma once

// Builds the main window's actions, its menu bar, the tag menu and the tool
// bar, with their captions, shortcuts, images and object names, and binds each
// command to its handler. Dialogs built later find `Menu1` and `TagMenu` by
// object name and hook in by adding their items to a menu of `Menu1` (each
// menu carries its item name as objectName) or to `TagMenu`.

#include <QIcon>
#include <QList>
#include <QString>

class QAction;
class QKeySequence;
class QMenu;
class QMenuBar;
class QToolBar;
class QToolButton;

namespace edamaki {

class TMainForm;

// What the builder made, for the window to keep.
struct MainFormActions {
    QMenuBar* Menu1 = nullptr;
    QMenu* TagMenu = nullptr;
    QToolButton* TagBtn = nullptr;

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
    QAction* mShowMarks = nullptr;
    QAction* mTagNum = nullptr;
    QAction* mTagChar = nullptr;
    QAction* mTagString = nullptr;
    QAction* mTagAddFld = nullptr;
    QAction* mTagDelFld = nullptr;
    QAction* mTagRen = nullptr;
    QAction* mSaveTemplate = nullptr;
};

class MainFormMenuBuilder {
public:
    // `images` are the ten tool bar images, in the order of their indexes.
    MainFormMenuBuilder(TMainForm& form, QToolBar& tool_bar, QList<QIcon> const& images);

    // Fills the tool bar; creates everything else.
    void Build();
    MainFormActions const& Actions() const { return m_actions; }

    // The commands that have shortcuts; they win over the editor's own keys.
    QList<QAction*> const& CommandActions() const { return m_command_actions; }

private:
    using Handler = void (TMainForm::*)();

    void CreateEditActions();
    void CreateCommands();
    void CreateFileMenu();
    void CreateEditMenu();
    void CreateViewMenu();
    void CreateFindMenu();
    void CreateToolsMenu();
    void CreateTemplateMenu();
    void CreateHelpMenu();
    void CreateToolBar();
    void CreateTagButton();
    void CreateTagMenu();

    QAction* CreateEditAction(char const* name, QString const& caption, QString const& hint, int image);
    QAction* CreateCommand(
        char const* name, QString const& caption, QKeySequence const& shortcut, Handler handler);
    QMenu* AddMenu(char const* name, QString const& caption);
    void AddEditItem(
        QMenu& menu, char const* name, QAction* edit_action, QList<QKeySequence> const& shortcuts);
    void AddToolButton(char const* name, QString const& hint, int image, Handler handler);
    void AddEditButton(char const* name, QAction* edit_action);
    void AddToolSeparator(char const* name);

    TMainForm& m_form;
    QToolBar& m_tool_bar;
    QList<QIcon> const& m_images;
    MainFormActions m_actions;
    QList<QAction*> m_command_actions;
};

} // namespace edamaki
