#include "utility/forms/erase_count_schematic.h"

#include <QPainter>
#include <QPainterPath>

#include "utility/forms/form_builders.h"

namespace qx::utility {
namespace {

constexpr int kChannels = 5;   // columns [0]/[0] .. [4]/[0]
constexpr int kBlocks = 9;     // rows 0000 .. 0008
constexpr int kExampleChannel = 4;
constexpr int kExampleBlock = 7;
constexpr int kMargin = 6;

// Counts of the example grid; -1 is a block without a count (X): blocks 0
// and 1 hold the code, block 5 of channel 2 is bad.
int CountAt(int block, int channel) {
    if (block < 2) return -1;
    if (block == 5 && channel == 2) return -1;
    if (block == kExampleBlock && channel == kExampleChannel) return 41;
    return 30 + (block * 7 + channel * 5) % 19;
}

struct Grid {
    int cellWidth, rowHeight, left, top;
    QRect Cell(int row, int column) const {   // row 0: titles; column 0: block numbers
        return {left + column * cellWidth, top + row * rowHeight, cellWidth, rowHeight};
    }
};

Grid GridOf(const QFontMetrics& fm) {
    return {fm.horizontalAdvance("[0]/[0]") + 12, fm.height() + 4, kMargin, kMargin + fm.height() + 4};
}

QString Note() { return QStringLiteral("channel 4, CE 0, block 7: erased 41 times"); }

}  // namespace

EraseCountSchematic::EraseCountSchematic(QWidget* parent) : QWidget(parent) {
    setObjectName("Image1");
    setFont(forms::FixedPitch());
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize EraseCountSchematic::sizeHint() const {
    const QFontMetrics fm(font());
    const Grid g = GridOf(fm);
    const int gridRight = g.Cell(0, kChannels + 1).left();
    const int gridBottom = g.Cell(kBlocks + 1, 0).top();
    return {gridRight + 40 + fm.horizontalAdvance(Note()) + kMargin, gridBottom + kMargin};
}

void EraseCountSchematic::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    const QFontMetrics fm(font());
    const Grid g = GridOf(fm);
    const QColor line = palette().mid().color();
    const QColor text = palette().text().color();

    // Axis names above the grid.
    p.setPen(text);
    p.drawText(QRect(g.Cell(0, 1).left(), kMargin, g.cellWidth * kChannels, fm.height()), Qt::AlignCenter,
               "[channel]/[CE]");

    for (int row = 0; row <= kBlocks; ++row) {
        for (int column = 0; column <= kChannels; ++column) {
            const QRect cell = g.Cell(row, column);
            QString t;
            if (row == 0)
                t = column == 0 ? QStringLiteral("Ch/CE") : QStringLiteral("[%1]/[0]").arg(column - 1);
            else if (column == 0)
                t = QStringLiteral("%1").arg(row - 1, 4, 10, QLatin1Char('0'));
            else if (const int n = CountAt(row - 1, column - 1); n < 0)
                t = QStringLiteral("X");
            else
                t = QString::number(n);
            if (row == 0 || column == 0) p.fillRect(cell, palette().button());
            p.setPen(line);
            p.drawRect(cell.adjusted(0, 0, -1, -1));
            p.setPen(t == "X" ? QColor(Qt::red) : text);
            p.drawText(cell, Qt::AlignCenter, t);
        }
    }

    // The example: its cell, its column title and its block number framed,
    // and read out beside the grid.
    const QColor mark(Qt::blue);
    QPen pen(mark);
    pen.setWidth(2);
    p.setPen(pen);
    const QRect example = g.Cell(kExampleBlock + 1, kExampleChannel + 1);
    for (const QRect& r : {example, g.Cell(0, kExampleChannel + 1), g.Cell(kExampleBlock + 1, 0)})
        p.drawRect(r.adjusted(1, 1, -2, -2));
    const int noteLeft = g.Cell(0, kChannels + 1).left() + 40;
    const QRect note(noteLeft, example.top(), fm.horizontalAdvance(Note()), example.height());
    p.drawLine(example.right(), example.center().y(), note.left() - 4, example.center().y());
    p.drawText(note, Qt::AlignVCenter | Qt::AlignLeft, Note());
}

}  // namespace qx::utility
