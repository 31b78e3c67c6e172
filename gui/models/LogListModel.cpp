#include "gui/models/LogListModel.h"

#include <QBrush>
#include <QColor>
#include <QSize>

#include <algorithm>
#include <iterator>

namespace edamaki {

namespace {

// Room left and right of the text inside a row.
constexpr int TextMargin = 8;

} // namespace

LogListModel::LogListModel(QObject* parent)
    : QAbstractListModel(parent)
    , m_widths(QFont())
{
    SetFont(QFont());
}

void LogListModel::SetFont(QFont const& font)
{
    m_widths = TextWidthTable(font);
    m_line_height = m_widths.Height() + 2;
    m_widest = 0;
    for (Line const& line : m_lines)
        m_widest = std::max(m_widest, MeasureWidth(line.Text));
    for (Line const& line : m_pending)
        m_widest = std::max(m_widest, MeasureWidth(line.Text));
    if (!m_lines.empty())
        emit dataChanged(index(0), index(static_cast<int>(m_lines.size()) - 1), { Qt::SizeHintRole });
}

int LogListModel::MeasureWidth(QString const& text)
{
    return m_widths.Width(text) + TextMargin;
}

void LogListModel::Clear()
{
    beginResetModel();
    m_lines.clear();
    m_pending.clear();
    m_widest = 0;
    endResetModel();
}

void LogListModel::Append(QString text, QRgb colour, QString explanation)
{
    m_widest = std::max(m_widest, MeasureWidth(text));
    m_pending.push_back({ std::move(text), colour, std::move(explanation) });
}

void LogListModel::Flush()
{
    if (m_pending.empty())
        return;
    int const first = static_cast<int>(m_lines.size());
    beginInsertRows({}, first, first + static_cast<int>(m_pending.size()) - 1);
    m_lines.insert(
        m_lines.end(), std::make_move_iterator(m_pending.begin()), std::make_move_iterator(m_pending.end()));
    m_pending.clear();
    endInsertRows();
}

QString LogListModel::Text() const
{
    QStringList lines;
    lines.reserve(static_cast<qsizetype>(m_lines.size()) + static_cast<qsizetype>(m_pending.size()));
    for (Line const& line : m_lines)
        lines.append(line.Text);
    for (Line const& line : m_pending)
        lines.append(line.Text);
    return lines.join(QLatin1Char('\n'));
}

int LogListModel::rowCount(QModelIndex const& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_lines.size());
}

QVariant LogListModel::data(QModelIndex const& index, int role) const
{
    if (!index.isValid() || index.row() >= static_cast<int>(m_lines.size()))
        return {};
    Line const& line = m_lines[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return line.Text;
    case Qt::ForegroundRole:
        return QBrush(QColor::fromRgb(line.Colour));
    case Qt::ToolTipRole:
    case Qt::StatusTipRole:
        return line.Explanation.isEmpty() ? QVariant() : QVariant(line.Explanation);
    case Qt::SizeHintRole:
        return QSize(m_widest, m_line_height);
    default:
        return {};
    }
}

Qt::ItemFlags LogListModel::flags(QModelIndex const& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

} // namespace edamaki
