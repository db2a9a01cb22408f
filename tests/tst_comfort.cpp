// The window in a technician's hands: the wheel over a setting, the layout in both languages,
// the keyboard alone, names for a screen reader, and outcomes that stay visible.

#include "testutil.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QCompleter>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTabWidget>
#include <QWheelEvent>

#include <cmath>

namespace {

void wheel(QWidget *w)
{
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    QWheelEvent e(at, w->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &e);
}

QVariant valueOf(QWidget *w)
{
    if (auto *box = qobject_cast<QComboBox *>(w))
        return box->currentIndex();
    if (auto *spin = qobject_cast<QSpinBox *>(w))
        return spin->value();
    return qobject_cast<QSlider *>(w)->value();
}

void key(QWidget *w, Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier)
{
    QTest::keyClick(w, k, m);
    QCoreApplication::processEvents();
}

// The widgets that show less than their whole text, "name (text)" each; `inView`: counting
// only what the window shows without scrolling.
QStringList clipped(QWidget *window, bool inView)
{
    QStringList out;
    const auto check = [&out, inView](QWidget *w, const QString &text, int need, int have) {
        if (inView)
            have = qMin(have, w->visibleRegion().boundingRect().width());
        if (have < need)
            out << QStringLiteral("%1 (%2: %3 < %4)")
                       .arg(w->objectName(), text)
                       .arg(have)
                       .arg(need);
    };
    for (QWidget *w : window->findChildren<QWidget *>()) {
        // A header draws in its table's margin, so its sections are measured alone.
        if (auto *h = qobject_cast<QHeaderView *>(w);
            h && h->isVisibleTo(window) && h->orientation() == Qt::Horizontal) {
            const auto *model = h->model();
            for (int i = 0; model && i < h->count(); ++i) {
                const QString text = model->headerData(i, Qt::Horizontal).toString();
                const int margin = h->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, h);
                check(h->parentWidget(), text,
                      h->fontMetrics().horizontalAdvance(text) + 2 * margin, h->sectionSize(i));
            }
            continue;
        }
        if (!w->isVisibleTo(window) || w->visibleRegion().isEmpty())
            continue;
        if (auto *b = qobject_cast<QPushButton *>(w)) {
            const int pad = 2 * (b->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, b) +
                                 b->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, b));
            check(w, b->text(), b->fontMetrics().horizontalAdvance(b->text()) + pad, b->width());
        } else if (qobject_cast<QCheckBox *>(w) || qobject_cast<QRadioButton *>(w)) {
            check(w, static_cast<QAbstractButton *>(w)->text(), w->sizeHint().width(), w->width());
        } else if (auto *l = qobject_cast<QLabel *>(w);
                   l && !l->wordWrap() && !l->text().isEmpty()) {
            check(w, l->text(), l->fontMetrics().horizontalAdvance(l->text()),
                  l->contentsRect().width());
        } else if (auto *c = qobject_cast<QComboBox *>(w); c && !c->currentText().isEmpty()) {
            QStyleOptionComboBox opt;
            opt.initFrom(c);
            opt.editable = c->isEditable();
            const QRect field = c->style()->subControlRect(QStyle::CC_ComboBox, &opt,
                                                           QStyle::SC_ComboBoxEditField, c);
            check(w, c->currentText(), c->fontMetrics().horizontalAdvance(c->currentText()),
                  field.width());
        }
    }
    return out;
}

// The controls of the accessibility tree below `iface`, with the name of the group each
// belongs to.
void controls(QAccessibleInterface *iface, const QString &group,
              QList<QPair<QString, QAccessibleInterface *>> &out)
{
    static const QList<QAccessible::Role> roles = {
        QAccessible::PushButton, QAccessible::CheckBox,     QAccessible::RadioButton,
        QAccessible::ComboBox,   QAccessible::EditableText, QAccessible::SpinBox,
        QAccessible::Slider,     QAccessible::Table,        QAccessible::ProgressBar};
    for (int i = 0; i < iface->childCount(); ++i) {
        QAccessibleInterface *child = iface->child(i);
        if (!child || child->state().invisible)
            continue;
        if (roles.contains(child->role())) {
            out.append({group, child});
            continue;
        }
        const bool grouping = child->role() == QAccessible::Grouping ||
                              child->role() == QAccessible::Window ||
                              child->role() == QAccessible::Dialog;
        controls(child,
                 grouping ? child->text(QAccessible::Name) + QLatin1Char('/') + group : group, out);
    }
}

} // namespace

class TestComfort : public QObject
{
    Q_OBJECT

private slots:
    void wheelLeavesSettingsAlone_data();
    void wheelLeavesSettingsAlone();
    void layoutShowsWholeTexts_data();
    void layoutShowsWholeTexts();
    void keyboardAlone();
    void screenReaderNames();
    void outcomesStayVisible();
};

void TestComfort::wheelLeavesSettingsAlone_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("tab");
    QTest::addColumn<QString>("setup"); // form steps before the wheel
    QTest::addColumn<QString>("sent");  // what the focused box sends on one notch
    // clang-format off
    QTest::newRow("work mode") << "comboBox_defaultWorkMode" << "tab_1" << "" << "AT+DFWM=1";
    QTest::newRow("baud rate") << "comboBox_deviceBps" << "tab_1" << "comboBox_deviceBps=9600" << "AT+IPR=2";
    QTest::newRow("device type") << "comboBox_deviceType" << "tab_1" << "" << "AT+TYP=R";
    QTest::newRow("channel") << "comboBox_CH" << "tab_2" << "" << "AT+CH=";
    QTest::newRow("IO level") << "comboBox_9output" << "tab_3" << "radioButton_9output=on" << "AT+IOOUT=9,1";
    // A PWM output's duty can change only while the output is off, and then sends nothing.
    QTest::newRow("PWM duty") << "spinBox_PWM1" << "tab_5" << "spinBox_PWM1=50" << "";
    QTest::newRow("PWM slider") << "horizontalSlider_PWM2" << "tab_5" << "spinBox_PWM2=50" << "";
    // clang-format on
}

void TestComfort::wheelLeavesSettingsAlone()
{
    QFETCH(QString, name);
    QFETCH(QString, tab);
    QFETCH(QString, setup);
    QFETCH(QString, sent);
    WindowFixture f;
    QVERIFY(f.openPort());
    auto *tabs = f.find<QTabWidget>("tabWidget");
    tabs->setCurrentWidget(f.w->findChild<QWidget *>(tab));
    if (!setup.isEmpty())
        formSet(f, setup);
    auto *field = f.w->findChild<QWidget *>(name);
    QVERIFY(field);
    QVERIFY(Nodeweave::appliesAtOnce(field));
    // It says so before it is touched, in both languages.
    QVERIFY(!field->toolTip().isEmpty());
    if (!setup.isEmpty() && !sent.isEmpty())
        QTRY_VERIFY(!f.sim()->receivedLines().isEmpty());
    f.sim()->clearReceivedLines();

    f.find<QPushButton>("pushButton_clearLog")->setFocus();
    const QVariant before = valueOf(field);
    // The page under the box scrolls instead, where it can.
    QScrollBar *page = nullptr;
    for (QWidget *p = field; p && !page; p = p->parentWidget()) {
        if (auto *area = qobject_cast<QScrollArea *>(p))
            page = area->verticalScrollBar();
    }
    QVERIFY(page);
    page->setValue(0);
    wheel(field);
    QTest::qWait(50);
    QCOMPARE(valueOf(field), before);
    QCOMPARE(f.sim()->receivedLines(), QStringList());
    QCOMPARE(page->value() > 0, page->maximum() > 0);

    // Once chosen, the box takes the wheel: the notch above did reach it.
    field->setFocus();
    wheel(field);
    QVERIFY(valueOf(field) != before);
    if (sent.isEmpty())
        return;
    QTRY_COMPARE(f.sim()->receivedLines().size(), 1);
    QVERIFY2(f.sim()->receivedLines().first().startsWith(sent),
             qPrintable(f.sim()->receivedLines().first()));
}

void TestComfort::layoutShowsWholeTexts_data()
{
    QTest::addColumn<bool>("english");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("points"); // 0: the default font
    for (bool english : {false, true}) {
        const char *lang = english ? "English" : "Chinese";
        QTest::addRow("%s, default size", lang) << english << QSize(1200, 550) << 0;
        QTest::addRow("%s, 1280x720", lang) << english << QSize(1280, 720) << 0;
        // Past the screen, the window scrolls: no text is cut, though some need scrolling.
        QTest::addRow("%s, 1280x720, 11 pt", lang) << english << QSize(1280, 720) << 11;
        QTest::addRow("%s, 1024x600, 11 pt", lang) << english << QSize(1024, 600) << 11;
    }
}

void TestComfort::layoutShowsWholeTexts()
{
    QFETCH(bool, english);
    QFETCH(QSize, size);
    QFETCH(int, points);
    const QFont oldFont = QApplication::font();
    if (points) {
        QFont font = oldFont;
        font.setPointSize(points);
        QApplication::setFont(font);
    }
    {
        WindowFixture f;
        if (english)
            TestAccess::langButton(f.w.get())->click();
        QVERIFY(f.openPort());
        f.w->resize(size);
        // A scan fills the device table: its headers and rows must read whole too.
        f.find<QPushButton>("pushButton_scan")->click();
        QTRY_VERIFY_WITH_TIMEOUT(!TestAccess::scanning(f.w.get()), 15000);
        auto *tabs = f.find<QTabWidget>("tabWidget");
        for (int page = 0; page < tabs->count(); ++page) {
            tabs->setCurrentIndex(page);
            QCoreApplication::processEvents();
            const QStringList cut = clipped(f.w.get(), points == 0);
            QVERIFY2(cut.isEmpty(),
                     qPrintable(QStringLiteral("tab %1: ").arg(page) + cut.join(", ")));
        }
        // Usable on a 1024-pixel-wide screen and a 720-pixel-high one.
        QVERIFY2(f.w->minimumSizeHint().width() <= 1024,
                 qPrintable(QString::number(f.w->minimumSizeHint().width())));
        QVERIFY2(f.w->minimumSizeHint().height() <= 720,
                 qPrintable(QString::number(f.w->minimumSizeHint().height())));
    }
    QApplication::setFont(oldFont);
}

void TestComfort::keyboardAlone()
{
    WindowFixture f;
    auto *port = f.find<QComboBox>("comboBox_comPort");
    port->setCurrentIndex(port->findText(Nodeweave::simulatorPortName()));
    // Enter on a focused button presses it: open the Simulator.
    auto *open = f.find<QPushButton>("pushButton_openCom");
    open->setFocus();
    key(open, Qt::Key_Return);
    QVERIFY(TestAccess::portOpen(f.w.get()));

    auto *scan = f.find<QPushButton>("pushButton_scan");
    scan->setFocus();
    key(scan, Qt::Key_Enter);
    QTRY_VERIFY_WITH_TIMEOUT(!TestAccess::scanning(f.w.get()), 15000);
    auto *table = f.find<QTableWidget>("tableWidget_device");
    QVERIFY(table->rowCount() >= 3);

    // Arrow keys move the highlight; Enter or Space makes the node the target.
    table->setFocus();
    table->setCurrentCell(0, 0);
    key(table, Qt::Key_Down);
    key(table, Qt::Key_Down);
    QCOMPARE(table->currentRow(), 2);
    QVERIFY(TestAccess::target(f.w.get()).isLocal);
    key(table, Qt::Key_Return);
    QCOMPARE(TestAccess::target(f.w.get()).netAddr, table->item(2, 1)->text());
    QVERIFY(!TestAccess::target(f.w.get()).isLocal);
    key(table, Qt::Key_Up);
    key(table, Qt::Key_Space);
    QCOMPARE(TestAccess::target(f.w.get()).netAddr, table->item(1, 1)->text());
    QCOMPARE(columnTexts(table).size(), table->rowCount());
    QCOMPARE(table->item(1, 0)->checkState(), Qt::Checked);
    QCOMPARE(table->item(2, 0)->checkState(), Qt::Unchecked);

    // Tab and Shift+Tab leave the tables, the log with rows included.
    QVERIFY(f.find<QTableWidget>("tableWidget_log")->rowCount() > 0);
    for (const char *name : {"tableWidget_device", "tableWidget_log"}) {
        auto *t = f.find<QTableWidget>(name);
        for (Qt::KeyboardModifiers m : {Qt::NoModifier, Qt::ShiftModifier}) {
            t->setFocus();
            t->setCurrentCell(0, 0);
            key(t, Qt::Key_Tab, m);
            QVERIFY2(QApplication::focusWidget() != t, name);
        }
    }

    // Read and Write from the keyboard, aimed at the node picked above.
    auto *read = f.find<QPushButton>("pushButton_readConfiguration");
    read->setFocus();
    key(read, Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(!TestAccess::sequenceRunning(f.w.get()), 20000);
    QCOMPARE(f.find<QLineEdit>("lineEdit_deviceNid")->text(), table->item(1, 1)->text());
    auto *write = f.find<QPushButton>("pushButton_writeConfiguartion");
    write->setFocus();
    key(write, Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(!TestAccess::sequenceRunning(f.w.get()), 20000);
    QCOMPARE(f.status(), QString("写入配置完成"));

    // Enter in the console sends the line as it stands, with the completion popup open.
    auto *cmd = f.find<QLineEdit>("lineEdit_cmd");
    f.find<QCheckBox>("checkBox_autoRemote")->setChecked(false);
    cmd->setFocus();
    cmd->clear();
    f.sim()->clearReceivedLines();
    QTest::keyClicks(cmd, "AT+VER");
    QCompleter *completer = TestAccess::completer(f.w.get());
    QTRY_VERIFY(completer->popup()->isVisible());
    QTest::keyClick(completer->popup(), Qt::Key_Return);
    QTRY_COMPARE(f.sim()->receivedLines(), QStringList{"AT+VER"});
    QVERIFY(!completer->popup()->isVisible());
}

void TestComfort::screenReaderNames()
{
    WindowFixture f;
    QVERIFY(f.openPort());
    for (int language = 0; language < 2; ++language) {
        // Each tab in turn: a screen reader sees the controls of the page shown.
        QAccessibleInterface *root = QAccessible::queryAccessibleInterface(f.w.get());
        QList<QPair<QString, QAccessibleInterface *>> found;
        auto *tabs = f.find<QTabWidget>("tabWidget");
        for (int page = 0; page < tabs->count(); ++page) {
            tabs->setCurrentIndex(page);
            QList<QPair<QString, QAccessibleInterface *>> shown;
            controls(root, QString(), shown);
            for (const auto &c : shown) {
                if (page == 0 ||
                    tabs->widget(page)->isAncestorOf(qobject_cast<QWidget *>(c.second->object())))
                    found.append(c);
            }
        }
        QStringList unnamed, twice;
        QSet<QString> seen;
        for (const auto &[group, iface] : found) {
            const QString name = iface->text(QAccessible::Name);
            const QString value = iface->text(QAccessible::Value);
            const QString who = iface->object() ? iface->object()->objectName() : QString();
            // A box that tells only its value has no name.
            // Named only by its group box is no name either.
            if (name.trimmed().isEmpty() || group.startsWith(name + QLatin1Char('/')) ||
                (iface->role() == QAccessible::ComboBox && name == value))
                unnamed << who;
            else if (seen.contains(group + QLatin1Char('|') + name))
                twice << QStringLiteral("%1 (%2 in %3)").arg(who, name, group);
            seen.insert(group + QLatin1Char('|') + name);
        }
        qInfo("%d controls, %lld unnamed, %lld named as another of their group", int(found.size()),
              unnamed.size(), twice.size());
        QVERIFY2(found.size() > 150, qPrintable(QString::number(found.size())));
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(", ")));
        QVERIFY2(twice.isEmpty(), qPrintable(twice.join(", ")));
        // The names say which control it is, in the language shown.
        const QString io14 = f.find<QComboBox>("comboBox_14output")->accessibleName();
        QCOMPARE(io14, language ? QString("IO 14 output level") : QString("IO14 输出电平"));
        TestAccess::langButton(f.w.get())->click();
    }
}

void TestComfort::outcomesStayVisible()
{
    WindowFixture f;
    // A failure note has a colour of its own, readable on both palettes.
    for (const QPalette &palette : {QPalette(Qt::white), QPalette(QColor(40, 40, 40))}) {
        QPalette p = palette;
        if (palette.color(QPalette::Window).lightness() < 128) {
            p.setColor(QPalette::Base, QColor(30, 30, 30));
            p.setColor(QPalette::Text, QColor(230, 230, 230));
        }
        const QColor failure = ConsoleLog::background(ConsoleLog::FailureNote, p);
        QVERIFY(failure != ConsoleLog::background(ConsoleLog::Note, p));
        const auto luminance = [](const QColor &c) {
            const auto lin = [](double v) {
                return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
            };
            return 0.2126 * lin(c.redF()) + 0.7152 * lin(c.greenF()) + 0.0722 * lin(c.blueF());
        };
        const double a = luminance(failure),
                     b = luminance(ConsoleLog::foreground(ConsoleLog::FailureNote, p));
        QVERIFY((std::max(a, b) + 0.05) / (std::min(a, b) + 0.05) >= 4.5);
    }

    QVERIFY(f.openPort());
    // An error that follows a success at once is shown at once, and the bar ends on the
    // latest reply.
    emit f.w->recvNewLine("OK\r\n");
    emit f.w->recvNewLine("ERR=60\r\n");
    QCOMPARE(f.status(), QString("错误：网络尚未启动"));
    emit f.w->recvNewLine("ERR=2\r\n");
    emit f.w->recvNewLine("OK\r\n");
    QTRY_COMPARE(f.status(), QString("Success"));

    // A logged ERR=n explains itself.
    f.sim()->setRemoteLatency(0);
    f.find<QPushButton>("pushButton_leaveNet")->click();
    type(f.find<QLineEdit>("lineEdit_sendPkt_DATA"), "x");
    f.find<QComboBox>("comboBox_sendPkt_ADDR")->setEditText("0x1A2B");
    f.find<QPushButton>("pushButton_sendPkt")->click();
    QTRY_VERIFY(logTexts(f).contains("ERR=60\r\n"));
    auto *log = f.find<QTableWidget>("tableWidget_log");
    const QTableWidgetItem *err = log->item(int(logTexts(f).indexOf("ERR=60\r\n")), 0);
    QCOMPARE(err->toolTip(), QString("ERR=60\\x0D\\x0A\n网络尚未启动"));

    // A lost port's reason stays on the LED until a port opens again.
    auto *led = f.find<QLabel>("label_comLed");
    QCOMPARE(led->toolTip(), QString("绿色：串口已打开；灰色：已关闭"));
    QMetaObject::invokeMethod(f.w.get(), "portErrorOccurred",
                              Q_ARG(int, QSerialPort::ResourceError));
    QVERIFY(!TestAccess::portOpen(f.w.get()));
    const QString reason = led->toolTip();
    QVERIFY2(reason.startsWith("串口已断开：Simulator"), qPrintable(reason));
    f.w->statusBar()->clearMessage();
    TestAccess::langButton(f.w.get())->click();
    QVERIFY2(led->toolTip().startsWith("Serial port lost: Simulator"), qPrintable(led->toolTip()));
    QVERIFY(f.openPort());
    QCOMPARE(led->toolTip(), QString("Green: the port is open; grey: closed"));
}

QTEST_MAIN(TestComfort)
#include "tst_comfort.moc"
