#pragma once

// The lines of the log window: plain text, each line with its own colour.
// Lines are appended in batches, so a run of many folders reaches the view
// in a few large insertions instead of one per folder.

#include "gui/models/TextWidthTable.h"

#include <QAbstractListModel>
#include <QFont>
#include <QRgb>
#include <QString>

#include <vector>

namespace edamaki {

class LogListModel : public QAbstractListModel {
    Q_OBJECT

public:
    struct Line {
        QString Text;
        QRgb Colour = 0;
        // Why a folder could not be created, or where a link it passed
        // through leads, in the user's words: the line's tool tip and the log
        // window's status line.
        QString Explanation;
    };

    explicit LogListModel(QObject* parent = nullptr);

    // The font the view draws with: every line gets its height, and the
    // widest line sets the width of all.
    void SetFont(QFont const& font);

    void Clear();
    // Queues a line; it reaches the view at the next Flush.
    void Append(QString text, QRgb colour, QString explanation = {});
    // Inserts the queued lines into the model at once.
    void Flush();

    std::size_t LineCount() const { return m_lines.size(); }
    Line const& LineAt(std::size_t row) const { return m_lines[row]; }
    // Every line, flushed or not, joined with "\n".
    QString Text() const;

    int rowCount(QModelIndex const& parent = {}) const override;
    QVariant data(QModelIndex const& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(QModelIndex const& index) const override;

private:
    // Shaping every line of a long run would cost more than the run itself.
    int MeasureWidth(QString const& text);

    std::vector<Line> m_lines;
    std::vector<Line> m_pending;
    TextWidthTable m_widths;
    int m_line_height = 0;
    int m_widest = 0;
};

} // namespace edamaki
