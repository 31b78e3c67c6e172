// Draws the program's images: the ten 16 x 16 tool bar images and the
// application icon. The PNGs it writes are kept in resources/images; run it
// again (target edamaki_draw_images) after changing a drawing.
//
//   edamaki_draw_images OUTPUT_FOLDER

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>
#include <functional>

namespace {

QColor const Outline(64, 64, 64);
QColor const FolderFront(250, 204, 72);
QColor const FolderBack(222, 164, 32);
QColor const FolderEdge(150, 100, 10);
QColor const PaperEdge(110, 110, 110);

void Pixel(QPainter& painter, int x, int y, QColor const& color)
{
    painter.fillRect(x, y, 1, 1, color);
}

void Line(QPainter& painter, int x1, int y1, int x2, int y2, QColor const& color)
{
    painter.setPen(color);
    painter.drawLine(x1, y1, x2, y2);
}

// A closed folder whose box spans left..right, top..bottom.
void Folder(QPainter& painter, int left, int top, int right, int bottom)
{
    int const tab_right = left + (right - left) / 2 - 1;
    painter.fillRect(QRect(QPoint(left, top), QPoint(tab_right, top + 1)), FolderBack);
    Line(painter, left, top, tab_right, top, FolderEdge);
    Line(painter, left, top, left, top + 1, FolderEdge);
    Line(painter, tab_right, top, tab_right + 1, top + 1, FolderEdge);
    painter.fillRect(QRect(QPoint(left, top + 2), QPoint(right, bottom)), FolderFront);
    painter.setPen(FolderEdge);
    painter.drawRect(QRect(QPoint(left, top + 2), QPoint(right, bottom)).adjusted(0, 0, -1, -1));
    Line(painter, left + 1, top + 3, right - 1, top + 3, QColor(255, 232, 150));
}

void Paper(QPainter& painter, int left, int top, int right, int bottom)
{
    painter.fillRect(QRect(QPoint(left, top), QPoint(right, bottom)), Qt::white);
    painter.setPen(PaperEdge);
    painter.drawRect(QRect(QPoint(left, top), QPoint(right, bottom)).adjusted(0, 0, -1, -1));
}

void DrawOpen(QPainter& painter)
{
    // An open folder: the back with its tab, the front leaning forward.
    painter.fillRect(QRect(QPoint(1, 3), QPoint(6, 4)), FolderBack);
    painter.fillRect(QRect(QPoint(1, 5), QPoint(13, 13)), FolderBack);
    painter.setPen(FolderEdge);
    painter.drawRect(QRect(QPoint(1, 5), QPoint(13, 13)).adjusted(0, 0, -1, -1));
    Line(painter, 1, 3, 6, 3, FolderEdge);
    Line(painter, 1, 3, 1, 5, FolderEdge);
    Line(painter, 6, 3, 7, 4, FolderEdge);
    // A sheet sticking out.
    painter.fillRect(QRect(QPoint(3, 6), QPoint(11, 9)), Qt::white);
    QPolygon const front({ QPoint(3, 8), QPoint(15, 8), QPoint(12, 13), QPoint(1, 13) });
    painter.setPen(FolderEdge);
    painter.setBrush(FolderFront);
    painter.drawPolygon(front);
    painter.setBrush(Qt::NoBrush);
    Line(painter, 4, 9, 13, 9, QColor(255, 232, 150));
}

void DrawSave(QPainter& painter)
{
    QColor const body(52, 92, 172);
    painter.fillRect(QRect(QPoint(1, 1), QPoint(14, 14)), body);
    painter.setPen(QColor(24, 48, 110));
    painter.drawRect(QRect(QPoint(1, 1), QPoint(14, 14)).adjusted(0, 0, -1, -1));
    // The label and the shutter.
    painter.fillRect(QRect(QPoint(4, 2), QPoint(11, 7)), Qt::white);
    Line(painter, 5, 4, 10, 4, QColor(160, 160, 160));
    Line(painter, 5, 6, 10, 6, QColor(160, 160, 160));
    painter.fillRect(QRect(QPoint(4, 10), QPoint(11, 14)), QColor(200, 200, 210));
    painter.fillRect(QRect(QPoint(9, 11), QPoint(10, 13)), body);
    Pixel(painter, 14, 1, Qt::transparent);
}

void DrawImport(QPainter& painter)
{
    // A folder structure: one folder above, two below, joined by lines.
    Folder(painter, 0, 0, 8, 5);
    QColor const branch(90, 90, 90);
    Line(painter, 2, 6, 2, 13, branch);
    Line(painter, 3, 8, 6, 8, branch);
    Line(painter, 3, 13, 6, 13, branch);
    Folder(painter, 7, 5, 15, 10);
    Folder(painter, 7, 11, 15, 15);
}

void DrawCreate(QPainter& painter)
{
    Folder(painter, 0, 3, 12, 14);
    // A green plus: new folders.
    QColor const green(24, 150, 40);
    QColor const light(120, 220, 120);
    painter.fillRect(QRect(QPoint(11, 0), QPoint(13, 8)), green);
    painter.fillRect(QRect(QPoint(8, 3), QPoint(15, 5)), green);
    Line(painter, 12, 1, 12, 7, light);
    Line(painter, 9, 4, 14, 4, light);
}

void DrawLog(QPainter& painter)
{
    Paper(painter, 2, 0, 13, 15);
    // Lines in the colours of the log: created, existing, failed.
    QColor const colours[]
        = { QColor(0, 0, 255), QColor(0, 0, 255), QColor(0, 0, 0), QColor(255, 0, 0), QColor(0, 0, 255) };
    int y = 3;
    for (QColor const& colour : colours) {
        Line(painter, 4, y, y % 4 == 1 ? 9 : 11, y, colour);
        y += 2;
    }
}

void DrawParent(QPainter& painter)
{
    Folder(painter, 0, 6, 15, 15);
    // An arrow pointing into the folder: this one is the parent.
    QColor const arrow(200, 30, 30);
    painter.fillRect(QRect(QPoint(7, 0), QPoint(8, 5)), arrow);
    Line(painter, 4, 4, 11, 4, arrow);
    Line(painter, 5, 5, 10, 5, arrow);
    Line(painter, 6, 6, 9, 6, arrow);
    Line(painter, 7, 7, 8, 7, arrow);
}

void DrawCopy(QPainter& painter)
{
    Paper(painter, 1, 1, 9, 11);
    for (int y = 3; y <= 9; y += 2)
        Line(painter, 3, y, 7, y, QColor(150, 150, 150));
    Paper(painter, 6, 5, 14, 15);
    for (int y = 7; y <= 13; y += 2)
        Line(painter, 8, y, 12, y, QColor(40, 80, 170));
}

void DrawCut(QPainter& painter)
{
    painter.setRenderHint(QPainter::Antialiasing);
    QPen blade(QColor(90, 90, 100), 1.4);
    painter.setPen(blade);
    painter.drawLine(QPointF(4.5, 0.5), QPointF(10.5, 10.0));
    painter.drawLine(QPointF(11.5, 0.5), QPointF(5.5, 10.0));
    QPen handle(QColor(200, 30, 30), 1.6);
    painter.setPen(handle);
    painter.drawEllipse(QPointF(4.0, 12.5), 2.4, 2.4);
    painter.drawEllipse(QPointF(12.0, 12.5), 2.4, 2.4);
    painter.setRenderHint(QPainter::Antialiasing, false);
    Pixel(painter, 8, 6, QColor(40, 40, 40));
}

void DrawPaste(QPainter& painter)
{
    QColor const board(176, 122, 60);
    painter.fillRect(QRect(QPoint(1, 2), QPoint(11, 15)), board);
    painter.setPen(QColor(110, 70, 30));
    painter.drawRect(QRect(QPoint(1, 2), QPoint(11, 15)).adjusted(0, 0, -1, -1));
    painter.fillRect(QRect(QPoint(4, 0), QPoint(8, 3)), QColor(170, 170, 180));
    painter.setPen(Outline);
    painter.drawRect(QRect(QPoint(4, 0), QPoint(8, 3)).adjusted(0, 0, -1, -1));
    Paper(painter, 6, 6, 15, 15);
    for (int y = 8; y <= 13; y += 2)
        Line(painter, 8, y, 13, y, QColor(40, 80, 170));
}

void DrawTag(QPainter& painter)
{
    // A label with a hole, and the tag brackets on it.
    QPolygon const label({ QPoint(0, 7), QPoint(4, 2), QPoint(15, 2), QPoint(15, 12), QPoint(4, 12) });
    painter.setPen(QColor(40, 110, 60));
    painter.setBrush(QColor(200, 240, 200));
    painter.drawPolygon(label);
    painter.setBrush(Qt::NoBrush);
    Pixel(painter, 3, 7, QColor(40, 110, 60));
    QColor const mark(20, 60, 150);
    // "<"
    Line(painter, 8, 4, 6, 7, mark);
    Line(painter, 6, 7, 8, 10, mark);
    // "#"
    Line(painter, 10, 4, 10, 10, mark);
    Line(painter, 12, 4, 12, 10, mark);
    Line(painter, 9, 6, 13, 6, mark);
    Line(painter, 9, 8, 13, 8, mark);
}

// The application icon: a folder whose front shows a branching folder tree.
void DrawApplicationIcon(QPainter& painter, int size)
{
    painter.setRenderHint(QPainter::Antialiasing);
    qreal const unit = size / 64.0;
    painter.scale(unit, unit);
    qreal const edge = size <= 16 ? 4.0 : size <= 32 ? 3.0 : 2.0;

    QPainterPath back;
    back.moveTo(3, 10);
    back.lineTo(24, 10);
    back.lineTo(30, 16);
    back.lineTo(61, 16);
    back.lineTo(61, 58);
    back.lineTo(3, 58);
    back.closeSubpath();
    painter.setPen(QPen(FolderEdge, edge, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setBrush(FolderBack);
    painter.drawPath(back);

    QRectF const front(3, 22, 58, 36);
    painter.setBrush(FolderFront);
    painter.drawRect(front);

    // The tree: a root, a trunk and three branches ending in nodes.
    QColor const green(40, 120, 40);
    qreal const stroke = size <= 16 ? 7.0 : size <= 32 ? 5.0 : 4.0;
    painter.setPen(QPen(green, stroke, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setBrush(Qt::NoBrush);
    QPainterPath tree;
    tree.moveTo(18, 29);
    tree.lineTo(18, 51);
    tree.moveTo(18, 33);
    tree.lineTo(40, 33);
    tree.moveTo(18, 49);
    tree.lineTo(40, 49);
    painter.drawPath(tree);
    painter.setPen(Qt::NoPen);
    painter.setBrush(green);
    qreal const node = size <= 16 ? 9.0 : 7.0;
    for (QPointF const centre : { QPointF(18, 29), QPointF(44, 33), QPointF(44, 49) })
        painter.drawRect(QRectF(centre.x() - node / 2, centre.y() - node / 2, node, node));
}

bool Save(QString const& folder, QString const& name, int size, std::function<void(QPainter&)> const& draw)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        draw(painter);
    }
    QString const path = QDir(folder).filePath(name);
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: edamaki_draw_images OUTPUT_FOLDER\n");
        return 2;
    }
    QString const folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);

    struct ToolBarImage {
        char const* Name;
        void (*Draw)(QPainter&);
    };
    ToolBarImage const images[] = {
        { "open.png", DrawOpen },
        { "save.png", DrawSave },
        { "import.png", DrawImport },
        { "create.png", DrawCreate },
        { "log.png", DrawLog },
        { "parent.png", DrawParent },
        { "copy.png", DrawCopy },
        { "cut.png", DrawCut },
        { "paste.png", DrawPaste },
        { "tag.png", DrawTag },
    };
    bool written = true;
    for (auto const& image : images)
        written = Save(folder, QString::fromLatin1(image.Name), 16, image.Draw) && written;
    for (int const size : { 16, 32, 48, 256 }) {
        QString const name
            = size == 256 ? QStringLiteral("edamaki.png") : QStringLiteral("edamaki-%1.png").arg(size);
        written = Save(folder, name, size, [size](QPainter& painter) { DrawApplicationIcon(painter, size); })
            && written;
    }
    return written ? 0 : 1;
}
