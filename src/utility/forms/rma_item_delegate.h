// How ListViewRMA draws a test list cell: a status column says "Failed" in
// red and bold, "Pass" in blue and bold, anything else in black.
#pragma once

#include <QStyledItemDelegate>

namespace qx::utility {

class RmaItemDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

}  // namespace qx::utility
