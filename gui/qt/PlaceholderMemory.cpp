#include "gui/qt/PlaceholderMemory.h"

#include "gui/qt/QtShiftJis.h"

#include <QSettings>
#include <QStringList>
#include <QUrl>

namespace edamaki {

namespace {

QString const GroupName = QStringLiteral("PlaceholderValues");

// A key holds no "/" or "\", which QSettings reads as groups.
QString FileKey(std::string const& file_name)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(QString::fromStdString(file_name)));
}

} // namespace

PlaceholderValues const& PlaceholderMemory::LastValues(std::string const& file_name)
{
    auto [entry, added] = m_values.try_emplace(file_name);
    if (!added || file_name.empty())
        return entry->second;
    QSettings settings;
    settings.beginGroup(GroupName);
    // Each value as "NAME=VALUE": a name never holds "=".
    for (QString const& setting : settings.value(FileKey(file_name)).toStringList()) {
        qsizetype const equals = setting.indexOf(u'=');
        if (equals > 0)
            entry->second[QStringToShiftJisForReading(setting.left(equals))]
                = QStringToShiftJisForReading(setting.mid(equals + 1));
    }
    return entry->second;
}

void PlaceholderMemory::Remember(std::string const& file_name, PlaceholderValues const& values)
{
    // Read first: the values kept for the file are merged with these.
    LastValues(file_name);
    PlaceholderValues& kept = m_values[file_name];
    for (auto const& [name, value] : values)
        kept[name] = value;
    if (file_name.empty())
        return;
    QStringList settings_values;
    for (auto const& [name, value] : kept)
        settings_values.append(ShiftJisToQString(name) + u'=' + ShiftJisToQString(value));
    QSettings settings;
    settings.beginGroup(GroupName);
    settings.setValue(FileKey(file_name), settings_values);
}

void PlaceholderMemory::ForgetUnsaved()
{
    m_values.erase(std::string());
}

} // namespace edamaki
