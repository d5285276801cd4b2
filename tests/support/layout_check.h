// A window's layout, checked as an operator would see it: every visible
// control at least its minimum size, inside its parent, clear of its
// siblings, its set text not cut; screenshots saved in the build folder; and
// the offscreen screen sized as a test asks, so a window is tried on the
// screens it must fit.
//
// Header only: each test program that needs it includes it (the station's
// and the utility's form tests), and the library tests never see Qt Widgets.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPixmap>
#include <QProcess>
#include <QProcessEnvironment>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSizeGrip>
#include <QSplitterHandle>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolBar>
#include <QWidget>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

namespace qx::test {

namespace layout_detail {

inline std::string Describe(const QWidget& w) {
    const QRect g = w.geometry();
    std::string name = w.metaObject()->className();
    if (!w.objectName().isEmpty()) name += " '" + w.objectName().toStdString() + "'";
    // The nearest named ancestor tells apart the many unnamed labels.
    for (const QWidget* p = w.parentWidget(); p; p = p->parentWidget()) {
        if (!p->objectName().isEmpty()) {
            name += " in '" + p->objectName().toStdString() + "'";
            break;
        }
        if (p->isWindow()) break;
    }
    return name + " at (" + std::to_string(g.x()) + "," + std::to_string(g.y()) + " " + std::to_string(g.width()) +
           "x" + std::to_string(g.height()) + ")";
}

inline std::string SizeText(QSize s) { return std::to_string(s.width()) + "x" + std::to_string(s.height()); }

// Controls whose children are their own parts (a spin box's line edit, a
// scroll area's bars, a tab bar's scroll buttons): checked as one piece.
inline bool ChildrenAreInternal(const QWidget& w) {
    return qobject_cast<const QAbstractSpinBox*>(&w) || qobject_cast<const QComboBox*>(&w) ||
           qobject_cast<const QLineEdit*>(&w) || qobject_cast<const QAbstractSlider*>(&w) ||
           qobject_cast<const QTabBar*>(&w) || qobject_cast<const QToolBar*>(&w) ||
           (qobject_cast<const QAbstractScrollArea*>(&w) && !qobject_cast<const QScrollArea*>(&w));
}

// Parts Qt places over other widgets on purpose.
inline bool IsOverlay(const QWidget& w) {
    return qobject_cast<const QSizeGrip*>(&w) || qobject_cast<const QSplitterHandle*>(&w);
}

// The widgets a check looks at under parent: visible, not windows of their
// own, not overlays. A scroll area gives only its scrolled widget.
inline std::vector<QWidget*> CheckedChildren(const QWidget& parent) {
    std::vector<QWidget*> out;
    if (auto* area = qobject_cast<const QScrollArea*>(&parent)) {
        if (QWidget* inner = area->widget(); inner && inner->isVisible()) out.push_back(inner);
        return out;
    }
    if (ChildrenAreInternal(parent)) return out;
    // A tab widget sizes its own tab bar to the tabs it shows; the bar's
    // hint counts hidden tabs too.
    const bool tabs = qobject_cast<const QTabWidget*>(&parent) != nullptr;
    for (QObject* o : parent.children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (!w || w->isWindow() || !w->isVisible() || IsOverlay(*w)) continue;
        if (tabs && qobject_cast<QTabBar*>(w)) continue;
        out.push_back(w);
    }
    return out;
}

// A text line whose set text is wider than the room it shows it in.
inline bool LineEditCutsText(const QLineEdit& e) {
    if (e.text().isEmpty() || e.echoMode() != QLineEdit::Normal) return false;
    QStyleOptionFrame opt;
    opt.initFrom(&e);
    opt.rect = e.rect();
    opt.lineWidth = e.hasFrame() ? e.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, &e) : 0;
    opt.midLineWidth = 0;
    opt.state |= QStyle::State_Sunken;
    QRect room = e.style()->subElementRect(QStyle::SE_LineEditContents, &opt, &e);
    room = room.marginsRemoved(e.textMargins());
    // The line keeps two pixels clear on each side of its text.
    return e.fontMetrics().horizontalAdvance(e.text()) > room.width() - 4;
}

// A list or memo that shows no scroll bar where its content needs one.
inline bool ScrollAreaCutsContent(const QAbstractScrollArea& a) {
    const bool cut_v = a.verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOff && a.verticalScrollBar()->maximum() > 0;
    const bool cut_h =
        a.horizontalScrollBarPolicy() == Qt::ScrollBarAlwaysOff && a.horizontalScrollBar()->maximum() > 0;
    return cut_v || cut_h;
}

// A read-only memo that shows a few lines of information and needs a
// sideways scroll bar for them: its lines are cut. (A memo made to scroll
// keeps its scroll bars always on.)
inline bool MemoCutsLines(const QAbstractScrollArea& a) {
    const auto* plain = qobject_cast<const QPlainTextEdit*>(&a);
    const auto* rich = qobject_cast<const QTextEdit*>(&a);
    const bool read_only = (plain && plain->isReadOnly()) || (rich && rich->isReadOnly());
    return read_only && a.horizontalScrollBarPolicy() == Qt::ScrollBarAsNeeded &&
           a.horizontalScrollBar()->maximum() > 0;
}

// The least size at which w still shows what it holds. A push button's and
// a progress bar's hints add the style's preferred width (80 pixels for any
// text button), which a small "?" button or gauge may do without: for them
// the text counts.
inline QSize MeaningfulMinimum(const QWidget& w) {
    if (auto* b = qobject_cast<const QPushButton*>(&w); b && !b->text().isEmpty()) {
        const QSize text = b->fontMetrics().size(Qt::TextShowMnemonic, b->text());
        const int edge = b->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, b) +
                         2 * b->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, b);
        const int icon = b->icon().isNull() ? 0 : b->iconSize().width() + 4;
        const int frame = 2 * b->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, b);
        return {text.width() + icon + edge, text.height() + frame};
    }
    if (auto* p = qobject_cast<const QProgressBar*>(&w)) {
        const int text = p->isTextVisible() ? p->fontMetrics().horizontalAdvance("100%") : 0;
        return {text + 4, p->minimumSizeHint().height()};
    }
    return w.minimumSizeHint();
}

inline void CheckOne(const QWidget& w, std::vector<std::string>& faults) {
    const QSize hint = MeaningfulMinimum(w);
    if (hint.isValid() && (w.width() < hint.width() || w.height() < hint.height()))
        faults.push_back(Describe(w) + " is smaller than its minimum size " + SizeText(hint));
    if (auto* e = qobject_cast<const QLineEdit*>(&w); e && LineEditCutsText(*e))
        faults.push_back(Describe(w) + " cuts its text \"" + e->text().toStdString() + "\"");
    if (auto* a = qobject_cast<const QAbstractScrollArea*>(&w); a && ScrollAreaCutsContent(*a))
        faults.push_back(Describe(w) + " cuts its content and offers no scroll bar");
    if (auto* a = qobject_cast<const QAbstractScrollArea*>(&w); a && MemoCutsLines(*a))
        faults.push_back(Describe(w) + " cuts its lines");
}

inline void Walk(const QWidget& parent, std::vector<std::string>& faults) {
    const std::vector<QWidget*> kids = CheckedChildren(parent);
    // A scrolled widget may be larger than the view it scrolls in.
    const bool scrolled = qobject_cast<const QScrollArea*>(&parent) != nullptr;
    for (std::size_t i = 0; i < kids.size(); ++i) {
        const QWidget& w = *kids[i];
        CheckOne(w, faults);
        if (!scrolled && !parent.rect().contains(w.geometry()))
            faults.push_back(Describe(w) + " lies outside its parent " + Describe(parent));
        for (std::size_t j = i + 1; j < kids.size(); ++j) {
            if (w.geometry().intersects(kids[j]->geometry()))
                faults.push_back(Describe(w) + " overlaps " + Describe(*kids[j]));
        }
        Walk(w, faults);
    }
}

}  // namespace layout_detail

// Room a window manager's title bar takes beside the title: its margins,
// the window icon and each button the window's flags ask for (a window that
// does not choose its buttons gets minimise, maximise and close).
inline int TitleBarButtonsWidth(const QWidget& window) {
    constexpr int kMargins = 16, kButton = 24;
    const Qt::WindowFlags f = window.windowFlags();
    if (!f.testFlag(Qt::CustomizeWindowHint)) return kMargins + kButton * (window.windowType() == Qt::Dialog ? 2 : 4);
    int buttons = 1;   // the icon
    for (Qt::WindowType b : {Qt::WindowCloseButtonHint, Qt::WindowMinimizeButtonHint, Qt::WindowMaximizeButtonHint,
                             Qt::WindowContextHelpButtonHint})
        if (f.testFlag(b)) ++buttons;
    return kMargins + kButton * buttons;
}

// Every fault of top's layout, one readable line each; empty when the
// layout is sound. top must be shown (the checks see what is visible).
inline std::vector<std::string> LayoutFaults(const QWidget& top) {
    std::vector<std::string> faults;
    layout_detail::CheckOne(top, faults);
    if (top.isWindow()) {
        if (const QScreen* screen = top.screen(); screen && !screen->availableGeometry().contains(top.frameGeometry()))
            faults.push_back(layout_detail::Describe(top) + " does not fit the screen's free area " +
                             layout_detail::SizeText(screen->availableGeometry().size()));
        const int title_width = QFontMetrics(QApplication::font()).horizontalAdvance(top.windowTitle());
        if (!top.windowTitle().isEmpty() && title_width + TitleBarButtonsWidth(top) > top.width())
            faults.push_back(layout_detail::Describe(top) + " cuts its title \"" + top.windowTitle().toStdString() +
                             "\"");
    }
    layout_detail::Walk(top, faults);
    return faults;
}

// All faults as one text for a test's failure message.
inline std::string Joined(const std::vector<std::string>& faults) {
    std::string out;
    for (const std::string& f : faults) out += "\n  " + f;
    return out;
}

// Saves w's picture as <build folder>/form_grabs/<name>.png for a look.
inline void SaveLayoutGrab(QWidget& w, const std::string& name) {
    const QString dir = QString(QX_BIN_DIR) + "/../form_grabs";
    QDir().mkpath(dir);
    w.show();
    EXPECT_TRUE(w.grab().save(dir + "/" + QString::fromStdString(name) + ".png")) << name;
}

// The screen a test asked for in QX_TEST_SCREEN ("1366x768"), or an
// invalid size when it asked none.
inline QSize TestScreen() {
    const QByteArray v = qgetenv("QX_TEST_SCREEN");
    const QList<QByteArray> wh = v.split('x');
    if (wh.size() != 2) return {};
    return {wh[0].toInt(), wh[1].toInt()};
}

// Call before the QApplication exists: the screen QX_TEST_SCREEN asks
// becomes the offscreen platform's one screen.
inline void ApplyTestScreen() {
    const QSize s = TestScreen();
    if (!s.isValid()) return;
    const std::string file = std::string(QX_BIN_DIR) + "/../screen_" + std::to_string(s.width()) + "x" +
                             std::to_string(s.height()) + ".json";
    // Tests run in parallel read this file while another may write it: each
    // writes its own copy and renames it into place, so no reader sees half.
    const std::string own = file + "." + std::to_string(QCoreApplication::applicationPid());
    std::ofstream(own) << R"({ "screens": [ { "name": "test", "x": 0, "y": 0, "width": )" << s.width()
                       << R"(, "height": )" << s.height() << R"(, "logicalDpi": 96, "dpr": 1 } ] })" << "\n";
    std::filesystem::rename(own, file);
    qputenv("QT_QPA_PLATFORM", QByteArray("offscreen:configfile=") + file.c_str());
}

// From a test started without a screen asked: runs the same test again in
// a child of this program once on each screen; fails when a run fails.
// The test body goes on only when TestScreen() is valid.
inline void RerunAtScreens(std::initializer_list<QSize> screens) {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const QString filter = QString("--gtest_filter=%1.%2").arg(info->test_suite_name(), info->name());
    for (QSize s : screens) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QX_TEST_SCREEN", QString("%1x%2").arg(s.width()).arg(s.height()));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(), {filter});
        const bool done = child.waitForFinished(600'000);
        const QByteArray out = child.readAll();
        const bool passed = done && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0 &&
                            out.contains("[  PASSED  ] 1 test.");
        EXPECT_TRUE(passed) << "at " << layout_detail::SizeText(s) << ":\n" << out.toStdString();
    }
}

}  // namespace qx::test
