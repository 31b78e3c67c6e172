#include "gui/widgets/TFormPanel.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QMainWindow>
#include <QMenuBar>
#include <QMetaObject>

#include <algorithm>
#include <vector>

namespace edamaki {

namespace {

// Records every top-level widget when it is created, so the forms can be
// listed in creation order (Qt keeps its own list of windows unordered).
class FormRegistry : public QObject {
public:
    static FormRegistry& Instance()
    {
        static auto* registry = new FormRegistry;
        return *registry;
    }

    void Listen()
    {
        if (m_listening || !QCoreApplication::instance())
            return;
        QCoreApplication::instance()->installEventFilter(this);
        m_listening = true;
    }

    QList<QWidget*> Forms()
    {
        std::erase_if(m_created, [](QPointer<QWidget> const& widget) { return widget.isNull(); });
        QList<QWidget*> forms;
        // Windows made before the registry listened come first, in Qt's order.
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            bool const known = std::any_of(m_created.begin(), m_created.end(),
                [widget](auto const& created) { return created == widget; });
            if (!known && IsForm(widget))
                forms.append(widget);
        }
        for (QPointer<QWidget> const& widget : m_created) {
            if (IsForm(widget))
                forms.append(widget);
        }
        return forms;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Create && watched->isWidgetType()) {
            auto* widget = static_cast<QWidget*>(watched);
            if (widget->isWindow() && IsFormType(widget->windowType()))
                m_created.emplace_back(widget);
        }
        return false;
    }

private:
    static bool IsFormType(Qt::WindowType type)
    {
        return type != Qt::Popup && type != Qt::ToolTip && type != Qt::Desktop && type != Qt::SplashScreen;
    }

    // A window of the application, or a form embedded in a form panel.
    static bool IsForm(QWidget* widget)
    {
        if (!widget || !IsFormType(widget->windowType()))
            return false;
        if (widget->isWindow())
            return true;
        auto const* panel = qobject_cast<TFormPanel*>(widget->parentWidget());
        return panel && panel->GetForm() == widget;
    }

    std::vector<QPointer<QWidget>> m_created;
    bool m_listening = false;
};

void ListenForForms()
{
    FormRegistry::Instance().Listen();
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(ListenForForms)

TFormPanel::TFormPanel(QWidget* parent)
    : QFrame(parent)
{
    FormRegistry::Instance().Listen();
}

TFormPanel::~TFormPanel()
{
    SetForm(nullptr);
}

QList<QWidget*> TFormPanel::ApplicationForms()
{
    return FormRegistry::Instance().Forms();
}

QWidget* TFormPanel::FindFormByName(QString const& name)
{
    QWidget* found = nullptr;
    for (QWidget* form : ApplicationForms()) {
        if (form->objectName() == name)
            found = form;
    }
    return found;
}

QWidget* TFormPanel::FindFormByCaption(QString const& caption)
{
    QWidget* found = nullptr;
    for (QWidget* form : ApplicationForms()) {
        if (form->windowTitle() == caption)
            found = form;
    }
    return found;
}

QString TFormPanel::FormName() const
{
    if (QWidget const* form = GetForm())
        return form->objectName();
    return m_form_name;
}

void TFormPanel::SetFormName(QString const& name)
{
    if (QWidget const* form = GetForm(); form && name == m_form_name && form->objectName() == name)
        return;
    m_form_name = name;
    SetForm(name.isEmpty() ? nullptr : FindFormByName(name));
    if (!GetForm() && IsLoading())
        m_bind_pending = true;
    if (!m_form_name.isEmpty())
        m_form_caption.clear();
}

QString TFormPanel::FormCaption() const
{
    if (QWidget const* form = GetForm())
        return form->windowTitle();
    return m_form_caption;
}

void TFormPanel::SetFormCaption(QString const& caption)
{
    if (QWidget const* form = GetForm(); form && caption == m_form_caption && form->windowTitle() == caption)
        return;
    m_form_caption = caption;
    SetForm(caption.isEmpty() ? nullptr : FindFormByCaption(caption));
    if (!GetForm() && IsLoading())
        m_bind_pending = true;
}

QWidget* TFormPanel::GetForm() const
{
    // Null once the form is destroyed, or once something else took it away.
    if (m_hosted_form.isNull() || m_hosted_form->parentWidget() != this)
        return nullptr;
    return m_hosted_form;
}

void TFormPanel::SetForm(QWidget* form)
{
    // A form can't host its own host: that would make the panel its own ancestor.
    if (form && (form == this || form->isAncestorOf(this) || form == window()))
        form = nullptr;

    // No half-swapped state is ever painted.
    bool const updates_were_enabled = updatesEnabled();
    setUpdatesEnabled(false);

    if (QWidget* current = GetForm()) {
        current->hide();
        RestoreFormState(current);
    }
    m_hosted_form = form;
    if (form) {
        SaveFormState(form);
        EmbedForm(form);
        ResizeForm();
        form->show();
    } else {
        m_form_caption.clear();
    }

    setUpdatesEnabled(updates_were_enabled);
}

int TFormPanel::BorderInset() const
{
    return frameWidth();
}

void TFormPanel::SaveFormState(QWidget* form)
{
    m_saved_form_state = {};
    m_saved_form_state.Flags = form->windowFlags();
    m_saved_form_state.Parent = form->parentWidget();
    if (auto const* main_window = qobject_cast<QMainWindow*>(form);
        main_window && main_window->menuWidget()) {
        m_saved_form_state.HadMenuBar = true;
        m_saved_form_state.MenuBarVisible = !main_window->menuWidget()->isHidden();
    }
}

void TFormPanel::EmbedForm(QWidget* form)
{
    // A plain child widget: no frame, no caption bar, not yet visible.
    form->setParent(this, Qt::Widget);
    if (auto const* main_window = qobject_cast<QMainWindow*>(form); main_window && main_window->menuWidget())
        main_window->menuWidget()->hide();
}

void TFormPanel::RestoreFormState(QWidget* form)
{
    form->setParent(m_saved_form_state.Parent, m_saved_form_state.Flags);
    if (auto const* main_window = qobject_cast<QMainWindow*>(form);
        main_window && main_window->menuWidget() && m_saved_form_state.HadMenuBar)
        main_window->menuWidget()->setVisible(m_saved_form_state.MenuBarVisible);
}

void TFormPanel::ResizeForm()
{
    QWidget* form = GetForm();
    if (!form)
        return;
    int const inset = BorderInset();
    form->setGeometry(inset, inset, std::max(0, width() - 2 * inset), std::max(0, height() - 2 * inset));
}

void TFormPanel::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    ResizeForm();
}

void TFormPanel::paintEvent(QPaintEvent* event)
{
    m_loaded = true;
    // Widgets can't be re-parented while they paint: the binding follows the paint at once.
    if (m_bind_pending && !m_bind_queued) {
        m_bind_queued = true;
        QMetaObject::invokeMethod(this, &TFormPanel::BindDeferred, Qt::QueuedConnection);
    }
    QFrame::paintEvent(event);
}

void TFormPanel::BindDeferred()
{
    m_bind_queued = false;
    if (!m_bind_pending)
        return;
    if (!m_form_caption.isEmpty())
        SetFormCaption(m_form_caption);
    if (!m_form_name.isEmpty())
        SetFormName(m_form_name);
    m_bind_pending = false;
}

} // namespace edamaki
