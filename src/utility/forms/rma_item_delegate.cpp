#include "utility/forms/rma_item_delegate.h"

#include <string>
#include <vector>

#include "ui/latin1_text.h"
#include "utility/pages/debug_tool_page.h"

namespace qx::utility {

void RmaItemDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    // Column 0 is the item's caption; the sub-items are the columns after it.
    if (index.column() == 0) return;
    std::vector<std::string> subItems;
    const QAbstractItemModel* model = index.model();
    for (int c = 1; c < model->columnCount(index.parent()); ++c)
        subItems.push_back(ui::S(model->index(index.row(), c, index.parent()).data().toString()));
    const SubItemStyle style = ListViewRMACustomDrawSubItem(subItems, static_cast<std::size_t>(index.column()));
    // 0xBBGGRR.
    const QColor colour(static_cast<int>(style.colour & 0xFF), static_cast<int>(style.colour >> 8 & 0xFF),
                        static_cast<int>(style.colour >> 16 & 0xFF));
    option->palette.setColor(QPalette::Text, colour);
    option->font.setBold(style.bold);
}

}  // namespace qx::utility
