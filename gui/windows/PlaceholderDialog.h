#pragma once

// Asks for the values of a source's placeholders before a run, all at once:
// one field per placeholder in order of first use, each starting with the
// value last given for the source, else the default, else the built-in
// value (today's date for the date ones). OK fills the source with the
// values as given; a value that can't be used is named under the fields and
// the dialog stays open. Cancel (or Esc) fills nothing.

#include "core/document/PlaceholderPreview.h"
#include "core/text/Placeholders.h"

#include <QDialog>

#include <string>
#include <vector>

class QDialogButtonBox;
class QLabel;
class QLineEdit;

namespace edamaki {

class PlaceholderDialog : public QDialog {
    Q_OBJECT

public:
    // `lines` is the source (Shift-JIS); `last` the values last given for it.
    PlaceholderDialog(std::vector<std::string> lines, PlaceholderValues const& last, CalendarDate today,
        QWidget* parent = nullptr);

    // Once accepted: the source with the values in, and the values given.
    std::vector<std::string> const& FilledLines() const { return m_lines; }
    PlaceholderValues const& Values() const { return m_values; }

    void accept() override;

    QLabel* TodayLabel = nullptr;
    std::vector<QLineEdit*> Fields;
    QLabel* ErrorLabel = nullptr;
    QDialogButtonBox* Buttons = nullptr;

private:
    void GrowToFitError();
    std::vector<Placeholder> m_placeholders;
    std::vector<std::string> m_lines;
    CalendarDate m_today;
    PlaceholderValues m_values;
};

// Why a value can't be used, as the dialog says it.
QString PlaceholderRefusalText(PlaceholderRefusal::Kind why, QString const& name, QString const& value);

} // namespace edamaki
