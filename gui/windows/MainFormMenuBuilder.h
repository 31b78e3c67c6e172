#pragma once

// Builds the main window's actions, its menu bar, the tag menu and the tool
// bar, with their captions, shortcuts, images and object names, into the
// window's public members, and binds each command to its handler. Dialogs
// built later hook in by adding their items to a menu of `Menu1` (each menu
// carries its item name as objectName) or to `TagMenu`.

#include <QList>
#include <QString>

class QAction;
class QKeySequence;
class QMenu;
class TMainForm;

class MainFormMenuBuilder {
public:
    explicit MainFormMenuBuilder(TMainForm& form);

    // Needs the window's tool bar and images; creates everything else.
    void Build();

    // The commands that have shortcuts; they win over the editor's own keys.
    QList<QAction*> const& CommandActions() const { return m_command_actions; }

private:
    using Handler = void (TMainForm::*)();

    void CreateEditActions();
    void CreateCommands();
    void CreateFileMenu();
    void CreateEditMenu();
    void CreateFindMenu();
    void CreateToolsMenu();
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
    QList<QAction*> m_command_actions;
};
