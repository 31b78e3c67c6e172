#pragma once

// A panel that shows another top-level form of the application inside
// itself: the form loses its frame, caption and menu bar while embedded,
// fills the panel, and gets its settings back when the panel lets it go.
// A form named before it exists is bound at the panel's first paint.

#include <QFrame>
#include <QPointer>
#include <QString>

namespace edamaki {

class TFormPanel : public QFrame {
    Q_OBJECT

public:
    explicit TFormPanel(QWidget* parent = nullptr);
    ~TFormPanel() override;

    // The hosted form's objectName when a form is hosted, else the stored name.
    QString FormName() const;
    void SetFormName(QString const& name);
    // The hosted form's window title when a form is hosted, else the stored caption.
    QString FormCaption() const;
    void SetFormCaption(QString const& caption);

    // The hosted form, or null when none is hosted or it was destroyed.
    QWidget* GetForm() const;
    // Lets the current form go and embeds `form` (null: none).
    void SetForm(QWidget* form);

    // Distance of the hosted form from each edge of the panel.
    int BorderInset() const;
    // A name set while the panel was loading found no form; retried at the next paint.
    bool BindPending() const { return m_bind_pending; }
    // The panel counts as loading until its first paint.
    bool IsLoading() const { return !m_loaded; }

    // The application's top-level forms in the order they were created.
    static QList<QWidget*> ApplicationForms();
    static QWidget* FindFormByName(QString const& name);
    static QWidget* FindFormByCaption(QString const& caption);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct SavedFormState {
        Qt::WindowFlags Flags;
        QWidget* Parent = nullptr;
        bool MenuBarVisible = false;
        bool HadMenuBar = false;
    };

    void SaveFormState(QWidget* form);
    void EmbedForm(QWidget* form);
    void RestoreFormState(QWidget* form);
    void ResizeForm();
    void BindDeferred();

    QPointer<QWidget> m_hosted_form;
    QString m_form_caption;
    QString m_form_name;
    bool m_bind_pending = false;
    bool m_loaded = false;
    bool m_bind_queued = false;
    SavedFormState m_saved_form_state;
};

} // namespace edamaki
