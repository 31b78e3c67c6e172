#include "gui/windows/MainFormMenuBuilder.h"

#include "gui/windows/TMainForm.h"

#include <QAction>
#include <QEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

namespace edamaki {

namespace {

QString const EditCategory = QStringLiteral("編集");
QString const TagButtonHint = QStringLiteral("マクロタグ挿入");
QSize const ToolButtonSize(24, 22);
QSize const TagButtonWithArrowSize(36, 22);
int const ToolSeparatorWidth = 8;
int const TagImage = 9;

void AddMenuSeparator(QMenu& menu, char const* name)
{
    menu.addSeparator()->setObjectName(QString::fromLatin1(name));
}

// Gives a drop-down button its menu, and so its arrow, when the menu gets its
// first item: an empty menu would open as an invisible popup that swallows
// the next click.
class ArrowWithFirstItem : public QObject {
public:
    ArrowWithFirstItem(QToolButton& button, QMenu& menu)
        : QObject(&button)
        , m_button(button)
        , m_menu(menu)
    {
        m_menu.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == &m_menu && event->type() == QEvent::ActionAdded && !m_button.menu()) {
            m_button.setMenu(&m_menu);
            m_button.setFixedSize(TagButtonWithArrowSize);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QToolButton& m_button;
    QMenu& m_menu;
};

} // namespace

MainFormMenuBuilder::MainFormMenuBuilder(TMainForm& form, QToolBar& tool_bar, QList<QIcon> const& images)
    : m_form(form)
    , m_tool_bar(tool_bar)
    , m_images(images)
{
}

void MainFormMenuBuilder::Build()
{
    CreateEditActions();
    CreateCommands();

    m_actions.Menu1 = m_form.menuBar();
    m_actions.Menu1->setObjectName(QStringLiteral("Menu1"));
    CreateFileMenu();
    CreateEditMenu();
    CreateViewMenu();
    CreateFindMenu();
    CreateToolsMenu();
    CreateTemplateMenu();
    CreateHelpMenu();
    m_actions.TagMenu = new QMenu(&m_form);
    m_actions.TagMenu->setObjectName(QStringLiteral("TagMenu"));

    CreateToolBar();
    CreateTagMenu();
}

// --- Actions -------------------------------------------------------------

QAction* MainFormMenuBuilder::CreateEditAction(
    char const* name, QString const& caption, QString const& hint, int image)
{
    auto* action = new QAction(caption, &m_form);
    action->setObjectName(QString::fromLatin1(name));
    // The hint's part before "|" is the tool tip, the rest the long hint.
    qsizetype const bar = hint.indexOf(u'|');
    action->setToolTip(hint.left(bar));
    action->setStatusTip(hint.mid(bar + 1));
    action->setProperty("Category", EditCategory);
    action->setIconVisibleInMenu(false);
    if (image >= 0)
        action->setIcon(m_images.value(image));
    return action;
}

void MainFormMenuBuilder::CreateEditActions()
{
    m_actions.EditCut1 = CreateEditAction("EditCut1", QStringLiteral("切り取り(&T)"),
        QStringLiteral("切り取り|選択部分を切り取り、クリップボードに送る"), 7);
    m_actions.EditCopy1 = CreateEditAction("EditCopy1", QStringLiteral("コピー(&C)"),
        QStringLiteral("コピー|選択部分をコピーし、クリップボードに送る"), 6);
    m_actions.EditPaste1 = CreateEditAction("EditPaste1", QStringLiteral("貼り付け(&P)"),
        QStringLiteral("貼り付け|クリップボードの内容を貼り付ける"), 8);
    m_actions.EditSelectAll1 = CreateEditAction("EditSelectAll1", QStringLiteral("すべてを選択(&A)"),
        QStringLiteral("すべてを選択|ドキュメント全体を選択する"), -1);
    m_actions.EditUndo1 = CreateEditAction(
        "EditUndo1", QStringLiteral("元に戻す(&U)"), QStringLiteral("元に戻す|直前の変更を元に戻す"), -1);
    m_actions.EditRedo1 = CreateEditAction(
        "EditRedo1", QStringLiteral("やり直し(&R)"), QStringLiteral("やり直し|元に戻した変更をやり直す"), -1);
}

QAction* MainFormMenuBuilder::CreateCommand(
    char const* name, QString const& caption, QKeySequence const& shortcut, Handler handler)
{
    auto* action = new QAction(caption, &m_form);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(action, &QAction::triggered, &m_form, handler);
    if (!shortcut.isEmpty())
        m_command_actions.append(action);
    return action;
}

void MainFormMenuBuilder::CreateCommands()
{
    m_actions.mOpen1 = CreateCommand(
        "mOpen1", QStringLiteral("開 く(&O)"), QKeySequence(Qt::CTRL | Qt::Key_O), &TMainForm::mOpen1Click);
    m_actions.mSave1 = CreateCommand(
        "mSave1", QStringLiteral("保存(&S)"), QKeySequence(Qt::CTRL | Qt::Key_S), &TMainForm::mSave1Click);
    m_actions.mExit1 = CreateCommand("mExit1", QStringLiteral("終了(&X)"), {}, &TMainForm::mExit1Click);
    m_actions.mInsHeader = CreateCommand("mInsHeader", QStringLiteral("マクロヘッダ挿入(&H)"),
        QKeySequence(Qt::CTRL | Qt::Key_H), &TMainForm::mInsHeaderClick);
    m_actions.N7 = CreateCommand("N7", QStringLiteral("マクロタグ挿入(&I)"),
        QKeySequence(Qt::CTRL | Qt::Key_Insert), &TMainForm::TagBtnClick);
    m_actions.mTextMacro = CreateCommand(
        "mTextMacro", QStringLiteral("テキスト<->マクロ(&M)"), {}, &TMainForm::mTextMacroClick);
    m_actions.mClear = CreateCommand("mClear", QStringLiteral("ソースクリア(&D)"),
        QKeySequence(Qt::CTRL | Qt::Key_Delete), &TMainForm::mClearClick);
    m_actions.mGetFolder = CreateCommand(
        "mGetFolder", QStringLiteral("フォルダ構成参照(&I)"), {}, &TMainForm::mGetFolderClick);
    m_actions.mSelRoot
        = CreateCommand("mSelRoot", QStringLiteral("親フォルダ選択(&P)"), {}, &TMainForm::mSelRootClick);
    m_actions.mExec = CreateCommand("mExec", QStringLiteral("フォルダ作成(&C)"), {}, &TMainForm::ExeBtnClick);
    m_actions.mLogView
        = CreateCommand("mLogView", QStringLiteral("ログ表示(&L)"), {}, &TMainForm::mLogViewClick);
    m_actions.mHelp = CreateCommand("mHelp", QStringLiteral("ヘルプ(&H)"), {}, &TMainForm::mHelpClick);
    m_actions.mAbout
        = CreateCommand("mAbout", QStringLiteral("バージョン情報(&A)"), {}, &TMainForm::mAboutClick);
    m_actions.mFind = CreateCommand(
        "mFind", QStringLiteral("検索(&F)"), QKeySequence(Qt::CTRL | Qt::Key_F), &TMainForm::mFindClick);
    m_actions.mFindNext = CreateCommand(
        "mFindNext", QStringLiteral("次を検索(&N)"), QKeySequence(Qt::Key_F3), &TMainForm::mFindNextClick);
    m_actions.mFindPrev = CreateCommand("mFindPrev", QStringLiteral("前を検索(&P)"),
        QKeySequence(Qt::SHIFT | Qt::Key_F3), &TMainForm::mFindPrevClick);
    m_actions.mReplace = CreateCommand("mReplace", QStringLiteral("置換(&R)"),
        QKeySequence(Qt::CTRL | Qt::Key_R), &TMainForm::mReplaceClick);
    m_actions.mSaveTemplate = CreateCommand(
        "mSaveTemplate", QStringLiteral("テンプレートとして保存(&S)..."), {}, &TMainForm::mSaveTemplateClick);
    m_actions.mShowMarks = CreateCommand(
        "mShowMarks", QStringLiteral("フォルダの状態を表示(&S)"), {}, &TMainForm::mShowMarksClick);
    m_actions.mShowMarks->setCheckable(true);
    m_actions.mShowMarks->setChecked(true);
}

// --- Menus ---------------------------------------------------------------

QMenu* MainFormMenuBuilder::AddMenu(char const* name, QString const& caption)
{
    QMenu* menu = m_actions.Menu1->addMenu(caption);
    menu->setObjectName(QString::fromLatin1(name));
    menu->menuAction()->setObjectName(QString::fromLatin1(name));
    return menu;
}

// A menu item bound to an edit action: it carries the item's own name and
// shortcut, and follows the action's enabled state.
void MainFormMenuBuilder::AddEditItem(
    QMenu& menu, char const* name, QAction* edit_action, QList<QKeySequence> const& shortcuts)
{
    auto* item = new QAction(edit_action->text(), &m_form);
    item->setObjectName(QString::fromLatin1(name));
    item->setShortcuts(shortcuts);
    item->setEnabled(edit_action->isEnabled());
    QObject::connect(item, &QAction::triggered, edit_action, &QAction::trigger);
    QObject::connect(edit_action, &QAction::enabledChanged, item, &QAction::setEnabled);
    menu.addAction(item);
}

void MainFormMenuBuilder::CreateFileMenu()
{
    QMenu* menu = AddMenu("File1", QStringLiteral("ファイル(&F)"));
    menu->addAction(m_actions.mOpen1);
    menu->addAction(m_actions.mSave1);
    AddMenuSeparator(*menu, "N2");
    menu->addAction(m_actions.mExit1);
}

void MainFormMenuBuilder::CreateEditMenu()
{
    QMenu* menu = AddMenu("Edit1", QStringLiteral("編集(&E)"));
    AddEditItem(*menu, "Undo1", m_actions.EditUndo1, { QKeySequence(Qt::CTRL | Qt::Key_Z) });
    // Both redo keys, whatever the desktop's own binding: some leave Ctrl+Y out.
    AddEditItem(*menu, "Redo1", m_actions.EditRedo1,
        { QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z) });
    AddMenuSeparator(*menu, "N3");
    AddEditItem(*menu, "Copy1", m_actions.EditCopy1, { QKeySequence(Qt::CTRL | Qt::Key_C) });
    AddEditItem(*menu, "N4", m_actions.EditPaste1, { QKeySequence(Qt::CTRL | Qt::Key_V) });
    AddEditItem(*menu, "Cut1", m_actions.EditCut1, { QKeySequence(Qt::CTRL | Qt::Key_X) });
    AddEditItem(*menu, "A1", m_actions.EditSelectAll1, { QKeySequence(Qt::CTRL | Qt::Key_A) });
    AddMenuSeparator(*menu, "N5");
    menu->addAction(m_actions.mInsHeader);
    menu->addAction(m_actions.N7);
    menu->addAction(m_actions.mTextMacro);
    menu->addAction(m_actions.mClear);
}

void MainFormMenuBuilder::CreateViewMenu()
{
    QMenu* menu = AddMenu("View1", QStringLiteral("表示(&V)"));
    menu->addAction(m_actions.mShowMarks);
}

void MainFormMenuBuilder::CreateFindMenu()
{
    QMenu* menu = AddMenu("Find1", QStringLiteral("検索(&S)"));
    menu->addAction(m_actions.mFind);
    menu->addAction(m_actions.mFindNext);
    menu->addAction(m_actions.mFindPrev);
    menu->addAction(m_actions.mReplace);
}

void MainFormMenuBuilder::CreateToolsMenu()
{
    QMenu* menu = AddMenu("N1", QStringLiteral("ツール(&T)"));
    menu->addAction(m_actions.mGetFolder);
    AddMenuSeparator(*menu, "N6");
    menu->addAction(m_actions.mSelRoot);
    menu->addAction(m_actions.mExec);
    menu->addAction(m_actions.mLogView);
}

// "T" is the tools menu's: the templates take "M".
void MainFormMenuBuilder::CreateTemplateMenu()
{
    QMenu* menu = AddMenu("Template1", QStringLiteral("テンプレート(&M)"));
    // Never empty, and filled with the templates there are each time it opens.
    menu->addAction(m_actions.mSaveTemplate);
    TMainForm* const form = &m_form;
    QObject::connect(menu, &QMenu::aboutToShow, form, [form, menu] { form->TemplateMenuPopup(*menu); });
}

void MainFormMenuBuilder::CreateHelpMenu()
{
    QMenu* menu = AddMenu("Help1", QStringLiteral("ヘルプ(&H)"));
    menu->addAction(m_actions.mHelp);
    menu->addAction(m_actions.mAbout);
}

// --- Tool bar ------------------------------------------------------------

void MainFormMenuBuilder::AddToolButton(char const* name, QString const& hint, int image, Handler handler)
{
    auto* action = new QAction(m_images.value(image), hint, &m_form);
    action->setToolTip(hint);
    QObject::connect(action, &QAction::triggered, &m_form, handler);
    m_tool_bar.addAction(action);
    QWidget* button = m_tool_bar.widgetForAction(action);
    button->setObjectName(QString::fromLatin1(name));
    button->setFixedSize(ToolButtonSize);
}

void MainFormMenuBuilder::AddEditButton(char const* name, QAction* edit_action)
{
    m_tool_bar.addAction(edit_action);
    QWidget* button = m_tool_bar.widgetForAction(edit_action);
    button->setObjectName(QString::fromLatin1(name));
    button->setFixedSize(ToolButtonSize);
}

void MainFormMenuBuilder::AddToolSeparator(char const* name)
{
    QWidget* separator = m_tool_bar.widgetForAction(m_tool_bar.addSeparator());
    separator->setObjectName(QString::fromLatin1(name));
    separator->setFixedWidth(ToolSeparatorWidth);
}

void MainFormMenuBuilder::CreateTagButton()
{
    auto* button = new QToolButton(&m_tool_bar);
    button->setObjectName(QStringLiteral("TagBtn"));
    button->setIcon(m_images.value(TagImage));
    button->setToolTip(TagButtonHint);
    button->setAccessibleName(TagButtonHint);
    button->setAutoRaise(true);
    button->setPopupMode(QToolButton::MenuButtonPopup);
    new ArrowWithFirstItem(*button, *m_actions.TagMenu);
    button->setFixedSize(ToolButtonSize);
    // Macro mode enables it.
    button->setEnabled(false);
    QObject::connect(button, &QToolButton::clicked, &m_form, &TMainForm::TagBtnClick);
    m_tool_bar.addWidget(button);
    m_actions.TagBtn = button;
}

void MainFormMenuBuilder::CreateTagMenu()
{
    m_actions.mTagNum
        = CreateCommand("mTagNum", QStringLiteral("数値連番(&N)"), {}, &TMainForm::mTagNumClick);
    m_actions.mTagChar
        = CreateCommand("mTagChar", QStringLiteral("文字連番(&C)"), {}, &TMainForm::mTagCharClick);
    m_actions.mTagString
        = CreateCommand("mTagString", QStringLiteral("文字列リスト(&S)"), {}, &TMainForm::mTagStringClick);
    m_actions.mTagAddFld
        = CreateCommand("mTagAddFld", QStringLiteral("フォルダ追加(&A)"), {}, &TMainForm::mTagAddFldClick);
    m_actions.mTagDelFld
        = CreateCommand("mTagDelFld", QStringLiteral("フォルダ削除(&D)"), {}, &TMainForm::mTagDelFldClick);
    m_actions.mTagRen
        = CreateCommand("mTagRen", QStringLiteral("名前変更(&R)"), {}, &TMainForm::mTagRenClick);
    for (QAction* item : { m_actions.mTagNum, m_actions.mTagChar, m_actions.mTagString, m_actions.mTagAddFld,
             m_actions.mTagDelFld, m_actions.mTagRen })
        m_actions.TagMenu->addAction(item);
}

void MainFormMenuBuilder::CreateToolBar()
{
    AddToolButton("ToolButton1", QStringLiteral("ソースを開く"), 0, &TMainForm::mOpen1Click);
    AddToolButton("ToolButton2", QStringLiteral("ソースを保存"), 1, &TMainForm::mSave1Click);
    AddToolSeparator("ToolButton3");
    AddEditButton("ToolButton9", m_actions.EditCopy1);
    AddEditButton("ToolButton10", m_actions.EditCut1);
    AddEditButton("ToolButton11", m_actions.EditPaste1);
    AddToolSeparator("ToolButton8");
    CreateTagButton();
    AddToolSeparator("ToolButton12");
    AddToolButton("ToolButton7", QStringLiteral("フォルダ構成参照"), 2, &TMainForm::mGetFolderClick);
    AddToolButton("ToolButton4", QStringLiteral("親選択"), 5, &TMainForm::mSelRootClick);
    AddToolButton("ToolButton5", QStringLiteral("作成"), 3, &TMainForm::ExeBtnClick);
    AddToolButton("ToolButton6", QStringLiteral("作成ログ表示"), 4, &TMainForm::mLogViewClick);
}

} // namespace edamaki
