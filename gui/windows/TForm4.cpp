#include "gui/windows/TForm4.h"

#include "core/tree/TagComposer.h"
#include "gui/qt/EditorWrites.h"
#include "gui/widgets/JapaneseFont.h"
#include "gui/widgets/TEditHex.h"
#include "gui/widgets/TTabStrip.h"
#include "gui/widgets/TUpDown.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextBlock>
#include <QTextCursor>

#include <algorithm>

namespace edamaki {

QString const TForm4::PathHint = QStringLiteral("(ツリービューからも選択できます)");

namespace {

int const ClientWidth = 256;
// The outer height is 240 pixels; this is what the title bar leaves.
int const ClientHeight = 214;

QLabel* AddLabel(
    QWidget* panel, QString const& text, QRect const& place, Qt::Alignment alignment = Qt::AlignLeft)
{
    auto* label = new QLabel(text, panel);
    label->setGeometry(place);
    label->setAlignment(alignment | Qt::AlignTop);
    return label;
}

QWidget* AddPanel(QWidget* form, char const* name, QRect const& place)
{
    auto* panel = new QWidget(form);
    panel->setObjectName(QString::fromLatin1(name));
    panel->setGeometry(place);
    panel->hide();
    return panel;
}

// Two fields under one label, a range's ends: the label names both, each
// with its end, and the first is its buddy.
void NameRange(QLabel* label, QWidget* first, QWidget* last)
{
    label->setBuddy(first);
    first->setAccessibleName(label->text() + QStringLiteral(" (開始)"));
    last->setAccessibleName(label->text() + QStringLiteral(" (終了)"));
}

std::string FieldText(QString const& text)
{
    // The composer only joins the texts, so they pass through as UTF-8.
    return text.toStdString();
}

} // namespace

TForm4::TForm4(QPlainTextEdit& editor, QWidget* parent)
    // A tool window of the main window stays in front of it; it is not on top
    // of every window, so the main window's modal dialogs (the save dialog,
    // a message) come in front of it.
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_editor(editor)
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("マクロタグ作成"));
    setModal(false);
    setFont(JapaneseFont(ProportionalFamily, 12));

    TagTab = new TTabStrip(3, this);
    TagTab->setObjectName(QStringLiteral("TagTab"));
    for (char const* caption :
        { "#：数値連番", "@：文字連番", "$：文字列ﾘｽﾄ", "+：ﾌｫﾙﾀﾞ追加", "-：ﾌｫﾙﾀﾞ削除", "r：名前変更" })
        TagTab->AddTab(QString::fromUtf8(caption));
    TagTab->setGeometry(2, 2, ClientWidth - 4, 36);
    connect(TagTab, &TTabStrip::Change, this, &TForm4::TagTabChange);

    CreatePanel0();
    CreatePanel1();
    CreatePanel2();
    CreatePanel3();

    Button1 = new QPushButton(QStringLiteral("O K"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    for (QPushButton* button : { Button1, Button2 })
        connect(button, &QPushButton::clicked, this, [this, button] { Button1Click(button); });

    FormCreate();
    for (TEditHex* field : { Keta, StNum, EdNum, nStep, Nmoji, cStep })
        field->Loaded();
}

void TForm4::FormCreate()
{
    Panel0->move(4, 52);
    Panel0->show();
    Panel1->move(4, 48);
    Panel2->move(12, 40);
    Panel3->move(7, 44);
    Grp1Label->setText(QStringLiteral("文字範囲は [0 ～ 9][a ～ z][A ～ Z]\n\rのいずれかの組み合わせ"));
    Button1->setGeometry(57, 188, 66, 21);
    Button2->setGeometry(132, 188, 66, 21);
    setFixedSize(ClientWidth, ClientHeight);
}

TEditHex* TForm4::CreateNumberField(QWidget* panel, char const* name, QString const& text, QRect const& place)
{
    auto* field = new TEditHex(panel);
    field->setObjectName(QString::fromLatin1(name));
    field->SetText(text);
    field->SetNumeralOnly(true);
    field->SetNumericType(TNumericalType::Decimal);
    field->SetFourDigit(false);
    field->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    field->setGeometry(place);
    return field;
}

TUpDown* TForm4::CreateSpinner(
    QWidget* panel, char const* name, TEditHex* field, int maximum, QRect const& place)
{
    auto* spinner = new TUpDown(1, maximum, panel);
    spinner->setObjectName(QString::fromLatin1(name));
    spinner->setGeometry(place);
    spinner->SetAssociate(field);
    return spinner;
}

QLineEdit* TForm4::CreateCharacterField(QWidget* panel, char const* name, QRect const& place)
{
    auto* field = new QLineEdit(panel);
    field->setObjectName(QString::fromLatin1(name));
    field->setMaxLength(1);
    field->setAlignment(Qt::AlignCenter);
    field->setGeometry(place);
    field->installEventFilter(this);
    connect(field, &QLineEdit::textChanged, this, [this, field] { StCharChange(*field); });
    return field;
}

void TForm4::CreatePanel0()
{
    Panel0 = AddPanel(this, "Panel0", QRect(4, 52, 248, 130));
    // Each label is its field's buddy, so that a screen reader names the field
    // from it; the spinners take their descriptions from the named fields.
    QLabel* const digits = AddLabel(Panel0, QStringLiteral("最小表示桁数"), QRect(8, 0, 100, 16));
    Keta = CreateNumberField(Panel0, "Keta", QStringLiteral("1"), QRect(8, 16, 56, 21));
    digits->setBuddy(Keta);
    Spin1 = CreateSpinner(Panel0, "Spin1", Keta, 100, QRect(64, 16, 16, 21));
    QLabel* const step = AddLabel(Panel0, QStringLiteral("増分値"), QRect(136, 0, 100, 16));
    nStep = CreateNumberField(Panel0, "nStep", QStringLiteral("1"), QRect(136, 16, 72, 21));
    step->setBuddy(nStep);
    UpDown1 = CreateSpinner(Panel0, "UpDown1", nStep, 32767, QRect(208, 16, 16, 21));
    QLabel* const range = AddLabel(Panel0, QStringLiteral("数値範囲"), QRect(8, 46, 100, 16));
    StNum = CreateNumberField(Panel0, "StNum", QStringLiteral("0"), QRect(8, 62, 100, 21));
    AddLabel(Panel0, QStringLiteral("～"), QRect(108, 64, 24, 16), Qt::AlignHCenter);
    EdNum = CreateNumberField(Panel0, "EdNum", QStringLiteral("0"), QRect(132, 62, 100, 21));
    NameRange(range, StNum, EdNum);
    NumLabel = AddLabel(Panel0, QStringLiteral("最小表示桁に足りない分は０で埋まります"),
        QRect(0, 98, 248, 16), Qt::AlignHCenter);
    NumLabel->setObjectName(QStringLiteral("NumLabel"));
}

void TForm4::CreatePanel1()
{
    Panel1 = AddPanel(this, "Panel1", QRect(4, 48, 248, 134));
    QLabel* const count = AddLabel(Panel1, QStringLiteral("文字数"), QRect(8, 0, 100, 16));
    Nmoji = CreateNumberField(Panel1, "Nmoji", QStringLiteral("1"), QRect(8, 16, 56, 21));
    count->setBuddy(Nmoji);
    Spin2 = CreateSpinner(Panel1, "Spin2", Nmoji, 100, QRect(64, 16, 16, 21));
    QLabel* const step = AddLabel(Panel1, QStringLiteral("増分値"), QRect(136, 0, 100, 16));
    cStep = CreateNumberField(Panel1, "cStep", QStringLiteral("1"), QRect(136, 16, 72, 21));
    step->setBuddy(cStep);
    UpDown2 = CreateSpinner(Panel1, "UpDown2", cStep, 255, QRect(208, 16, 16, 21));
    QLabel* const range = AddLabel(Panel1, QStringLiteral("文字範囲"), QRect(8, 46, 100, 16));
    StChar = CreateCharacterField(Panel1, "StChar", QRect(8, 62, 40, 21));
    AddLabel(Panel1, QStringLiteral("～"), QRect(48, 64, 24, 16), Qt::AlignHCenter);
    EdChar = CreateCharacterField(Panel1, "EdChar", QRect(72, 62, 40, 21));
    NameRange(range, StChar, EdChar);
    Grp1Label = AddLabel(Panel1, {}, QRect(0, 96, 244, 34), Qt::AlignRight);
    Grp1Label->setObjectName(QStringLiteral("Grp1Label"));
}

void TForm4::CreatePanel2()
{
    Panel2 = AddPanel(this, "Panel2", QRect(12, 40, 232, 144));
    QLabel* const lines
        = AddLabel(Panel2, QStringLiteral("１文字列／行で記入してください"), QRect(0, 0, 232, 16));
    Strlist = new QPlainTextEdit(Panel2);
    lines->setBuddy(Strlist);
    Strlist->setObjectName(QStringLiteral("Strlist"));
    Strlist->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Strlist->setLineWrapMode(QPlainTextEdit::NoWrap);
    Strlist->setTabChangesFocus(true);
    Strlist->setGeometry(0, 18, 232, 124);
}

void TForm4::CreatePanel3()
{
    Panel3 = AddPanel(this, "Panel3", QRect(7, 44, 242, 140));
    QLabel* const path
        = AddLabel(Panel3, QStringLiteral("対象パス (パスの区切りは\"/\"で)"), QRect(0, 8, 242, 16));
    SrcPath = new QLineEdit(Panel3);
    path->setBuddy(SrcPath);
    SrcPath->setObjectName(QStringLiteral("SrcPath"));
    SrcPath->setGeometry(0, 26, 242, 21);
    SrcPath->installEventFilter(this);
    NameLabel = AddLabel(Panel3, QStringLiteral("変更名 (パスではなくフォルダ名で)"), QRect(0, 64, 242, 16));
    NameLabel->setObjectName(QStringLiteral("NameLabel"));
    NewName = new QLineEdit(Panel3);
    NewName->setObjectName(QStringLiteral("NewName"));
    NameLabel->setBuddy(NewName);
    NewName->setGeometry(0, 82, 242, 21);
    SetPathHint();
}

void TForm4::ShowTagDialog(int tab_index)
{
    TagTab->SetTabIndex(tab_index);
    TagTabChange();
}

void TForm4::ShowOnTab(int tab_index)
{
    if (tab_index >= 0)
        ShowTagDialog(tab_index);
    if (!m_placed)
        PlaceBesideEditor();
    show();
    raise();
    activateWindow();
    FocusFirstField();
}

void TForm4::PlaceBesideEditor()
{
    m_placed = true;
    QWidget const* const window = parentWidget();
    if (!window || !window->isVisible())
        return;
    // The window system would put the dialog over the middle of the main
    // window, hiding the source the tags go into. Beside the main window when
    // the screen has room, else left of the editor, else in the editor's
    // bottom right corner, away from where its lines begin.
    QRect const screen = window->screen()->availableGeometry();
    QRect const main_frame = window->frameGeometry();
    QSize const decoration = main_frame.size() - window->geometry().size();
    QSize const frame = size() + decoration;
    for (QPoint const corner : { QPoint(main_frame.right() + 1, main_frame.top()),
             QPoint(main_frame.left() - frame.width(), main_frame.top()) }) {
        if (screen.contains(QRect(corner, frame))) {
            move(corner); // a window's position is its frame's
            return;
        }
    }
    // Left of the editor, over the tree pane and what the screen has beside
    // it, when that is wide enough; else in the editor's corner.
    QRect const editor(m_editor.mapToGlobal(QPoint(0, 0)), m_editor.size());
    QPoint const left_of_editor(
        std::max(screen.left(), editor.left() - frame.width()), editor.bottom() - frame.height());
    if (left_of_editor.x() + frame.width() <= editor.left()
        && screen.contains(QRect(left_of_editor, frame))) {
        move(left_of_editor);
        return;
    }
    move(editor.right() - frame.width(), editor.bottom() - frame.height());
}

void TForm4::FocusFirstField()
{
    int const tab = TagTab->TabIndex();
    QWidget* const first_fields[] = { Keta, Nmoji, Strlist };
    QWidget* const field = tab < FolderTabs ? first_fields[tab] : SrcPath;
    // The path hint stays, selected, until the user types over it.
    m_keeping_path_hint = true;
    field->setFocus(Qt::OtherFocusReason);
    m_keeping_path_hint = false;
    if (auto* line = qobject_cast<QLineEdit*>(field))
        line->selectAll();
    else
        Strlist->selectAll();
}

void TForm4::TagTabChange()
{
    for (QWidget* panel : { Panel0, Panel1, Panel2, Panel3 })
        panel->hide();
    int const tab = TagTab->TabIndex();
    if (tab < FolderTabs) {
        QWidget* const panels[] = { Panel0, Panel1, Panel2 };
        panels[tab]->show();
    } else {
        SetPathHint();
        bool const renaming = tab == static_cast<int>(TagTabIndex::Rename);
        NewName->setVisible(renaming);
        NameLabel->setVisible(renaming);
        Panel3->show();
    }
    // Picked with the keys on the tabs, the focus stays there, as on a tab
    // bar; picked with the mouse, typing goes into the page.
    if (isVisible() && !TagTab->isAncestorOf(focusWidget()))
        FocusFirstField();
}

void TForm4::MakeTag()
{
    TagFields fields;
    fields.Digits = FieldText(Keta->Text());
    fields.FirstNumber = FieldText(StNum->Text());
    fields.LastNumber = FieldText(EdNum->Text());
    fields.NumberStep = FieldText(nStep->Text());
    fields.NumberStepPosition = UpDown1->Position();
    fields.Count = FieldText(Nmoji->Text());
    fields.FirstCharacter = FieldText(StChar->text());
    fields.LastCharacter = FieldText(EdChar->text());
    fields.CharacterStep = FieldText(cStep->Text());
    fields.CharacterStepPosition = UpDown2->Position();
    QStringList lines = Strlist->toPlainText().split(u'\n');
    if (lines.back().isEmpty())
        lines.removeLast();
    for (QString const& line : lines)
        fields.ListLines.push_back(FieldText(line));
    if (!IsPathHintShowing())
        fields.Path = FieldText(SrcPath->text());
    fields.NewName = FieldText(NewName->text());

    auto const tab = static_cast<TagTabIndex>(TagTab->TabIndex());
    auto const tag = ComposeTag(tab, fields);
    if (!tag)
        return;
    WriteTag(QString::fromStdString(*tag), TagTab->TabIndex() >= FolderTabs);
}

void TForm4::WriteTag(QString const& tag, bool append)
{
    if (!append) {
        QTextCursor cursor = m_editor.textCursor();
        cursor.insertText(tag);
        m_editor.setTextCursor(cursor);
        return;
    }
    AppendEditorLines(m_editor, tag);
}

void TForm4::Button1Click(QPushButton const* button)
{
    if (button == Button1)
        MakeTag();
    StNum->SetText({});
    EdNum->SetText({});
    StChar->clear();
    EdChar->clear();
    Strlist->clear();
    SetPathHint();
    NewName->clear();
    hide();
}

void TForm4::SrcPathEnter()
{
    if (!IsPathHintShowing())
        return;
    SrcPath->clear();
    SetPathColour(QPalette::Text);
}

bool TForm4::StCharKeyPress(QLineEdit& field, QKeyEvent const& event)
{
    QString const typed = event.text();
    // Delete edits the field whatever character the window system gives it
    // (X11 gives it 0x7F).
    if (typed.size() != 1 || event.key() == Qt::Key_Delete)
        return false;
    QLineEdit& other = &field == StChar ? *EdChar : *StChar;
    char const key = typed[0].unicode() < 0x80 ? static_cast<char>(typed[0].unicode()) : '\0';
    auto const outcome = CharacterFieldKeyPress(key, &field == StChar, FieldText(other.text()));
    if (outcome == CharacterKeyOutcome::Discard)
        return true;
    if (outcome == CharacterKeyOutcome::AcceptAndEmptyOther)
        other.clear();
    return false;
}

void TForm4::StCharChange(QLineEdit& field)
{
    bool const first_changed = &field == StChar;
    auto const outcome
        = CharacterFieldChange(FieldText(StChar->text()), FieldText(EdChar->text()), first_changed);
    if (outcome == CharacterChangeOutcome::EmptyChanged)
        field.clear();
    else if (outcome == CharacterChangeOutcome::EmptyOther)
        (first_changed ? EdChar : StChar)->clear();
}

bool TForm4::IsPathHintShowing() const
{
    return SrcPath->palette().color(QPalette::Text) == palette().color(QPalette::PlaceholderText);
}

void TForm4::SetSourcePath(QString const& path)
{
    SrcPath->setText(path);
    SetPathColour(QPalette::Text);
}

void TForm4::SetPathHint()
{
    SrcPath->setText(PathHint);
    SetPathColour(QPalette::PlaceholderText);
}

void TForm4::SetPathColour(QPalette::ColorRole role)
{
    QPalette colours = SrcPath->palette();
    colours.setColor(QPalette::Text, palette().color(role));
    SrcPath->setPalette(colours);
}

void TForm4::LeavePathHint(QEvent const& event)
{
    if (event.type() == QEvent::FocusIn) {
        // The user moved into the field; not the window coming to the front,
        // nor the field taking the focus as its tab shows.
        auto const reason = static_cast<QFocusEvent const&>(event).reason();
        if (reason != Qt::ActiveWindowFocusReason && !m_keeping_path_hint)
            SrcPathEnter();
        return;
    }
    if (event.type() == QEvent::InputMethod) {
        SrcPathEnter(); // what an input method commits goes into an empty field
        return;
    }
    if (event.type() != QEvent::KeyPress)
        return;
    switch (static_cast<QKeyEvent const&>(event).key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return;
    default:
        SrcPathEnter(); // what the key types goes into an empty field
    }
}

bool TForm4::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == SrcPath && IsPathHintShowing())
        LeavePathHint(*event);
    bool const character_field = watched == StChar || watched == EdChar;
    if (character_field && event->type() == QEvent::KeyPress)
        return StCharKeyPress(*static_cast<QLineEdit*>(watched), *static_cast<QKeyEvent*>(event));
    return QDialog::eventFilter(watched, event);
}

} // namespace edamaki
