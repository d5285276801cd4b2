// The picture on "Erase Count" that explains how to read the grid below it:
// a title row of channel/CE columns, block numbers down the left, an X where
// a block has no count (code blocks, bad blocks), and one cell read out:
// channel 4, CE 0, block 7, erased 41 times. Drawn, not loaded.
#pragma once

#include <QWidget>

namespace qx::utility {

class EraseCountSchematic final : public QWidget {
public:
    explicit EraseCountSchematic(QWidget* parent);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace qx::utility
