// The layout checker itself: silent on a sound form, and naming each kind of
// fault a squashed form shows.
#include "support/layout_check.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace qx::test {
namespace {

bool Names(const std::vector<std::string>& faults, const std::string& what) {
    return std::any_of(faults.begin(), faults.end(),
                       [&](const std::string& f) { return f.find(what) != std::string::npos; });
}

TEST(LayoutCheck, ASoundFormHasNoFaults) {
    QWidget form;
    auto* rows = new QVBoxLayout(&form);
    auto* line = new QHBoxLayout;
    line->addWidget(new QLabel("SN length"));
    line->addWidget(new QSpinBox);
    line->addWidget(new QPushButton("Decimal"));
    line->addWidget(new QPushButton("Hexadecimal"));
    rows->addLayout(line);
    auto* edit = new QLineEdit("QXW1234-0001-ABC");
    rows->addWidget(edit);
    auto* pages = new QStackedWidget;
    pages->addWidget(new QLabel("shown page"));
    pages->addWidget(new QPushButton("hidden page"));
    rows->addWidget(pages);
    auto* list = new QListWidget;
    list->addItems({"one", "two"});
    rows->addWidget(list);
    form.show();
    EXPECT_EQ(LayoutFaults(form), std::vector<std::string>{}) << Joined(LayoutFaults(form));
}

TEST(LayoutCheck, NamesEachFaultOfASquashedForm) {
    QWidget form;
    form.setWindowTitle("Please input the password");
    form.resize(200, 200);
    auto* spin = new QSpinBox(&form);
    spin->setObjectName("SnLength");
    spin->setGeometry(0, 0, 60, 3);
    auto* dec = new QPushButton("Decimal", &form);
    dec->setObjectName("Decimal");
    dec->setGeometry(0, 40, 90, 30);
    auto* hex = new QPushButton("Hex", &form);
    hex->setObjectName("Hex");
    hex->setGeometry(60, 40, 90, 30);
    auto* out = new QPushButton("Set", &form);
    out->setObjectName("Outside");
    out->setGeometry(150, 180, 80, 30);
    auto* model = new QLineEdit("QXW1234-0001-ABC", &form);
    model->setObjectName("Model");
    model->setGeometry(0, 100, 60, 24);
    auto* list = new QListWidget(&form);
    list->setObjectName("Items");
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (int i = 0; i < 20; ++i) list->addItem(QString("item %1").arg(i));
    list->setGeometry(100, 80, 90, 60);
    auto* memo = new QPlainTextEdit("TotalBlock: 2048, BlockPage: 256", &form);
    memo->setObjectName("Memo");
    memo->setReadOnly(true);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo->setGeometry(0, 130, 90, 60);
    form.show();
    const std::vector<std::string> faults = LayoutFaults(form);
    EXPECT_TRUE(Names(faults, "'SnLength' at (0,0 60x3) is smaller than its minimum size")) << Joined(faults);
    EXPECT_TRUE(Names(faults, "'Decimal' at (0,40 90x30) overlaps QPushButton 'Hex'")) << Joined(faults);
    EXPECT_TRUE(Names(faults, "'Outside' at (150,180 80x30) lies outside its parent")) << Joined(faults);
    EXPECT_TRUE(Names(faults, "'Model' at (0,100 60x24) cuts its text")) << Joined(faults);
    EXPECT_TRUE(Names(faults, "'Items' at (100,80 90x60) cuts its content")) << Joined(faults);
    EXPECT_TRUE(Names(faults, "'Memo' at (0,130 90x60) cuts its lines")) << Joined(faults);
    EXPECT_TRUE(Names(faults, "cuts its title \"Please input the password\"")) << Joined(faults);
}

}  // namespace
}  // namespace qx::test
