#include "app/batchwritepanel.h"
#include "app/nodeweave.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QWheelEvent>

#include <functional>

// What keeps the window safe under a technician's hands: the wheel that scrolls a page
// never changes a setting on its way, buttons answer Enter as well as Space, the device
// table answers the keys a click does, and Tab leaves the tables.

namespace {

// Marks a field whose change goes to the module at once.
const char *const kImmediate = "applies_at_once";
const QString kMark = QStringLiteral(" \u26a1");

class ComfortFilter : public QObject
{
public:
    ComfortFilter(std::function<void(int)> pickDeviceRow, QObject *parent)
        : QObject(parent), m_pickDeviceRow(std::move(pickDeviceRow))
    {
    }

    QTableWidget *deviceTable = nullptr;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *widget = qobject_cast<QWidget *>(watched);
        if (!widget)
            return false;
        if (event->type() == QEvent::Wheel && !widget->hasFocus()) {
            // Not for this box: the page under it scrolls instead.
            scrollPageUnder(widget, static_cast<QWheelEvent *>(event));
            return true;
        }
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (auto *button = qobject_cast<QPushButton *>(widget); button && enter) {
            if (button->isEnabled())
                button->click();
            return true;
        }
        if (widget == deviceTable && (enter || key->key() == Qt::Key_Space)) {
            if (deviceTable->currentRow() >= 0)
                m_pickDeviceRow(deviceTable->currentRow());
            return true;
        }
        return false;
    }

private:
    static void scrollPageUnder(QWidget *widget, const QWheelEvent *wheel)
    {
        for (QWidget *p = widget->parentWidget(); p; p = p->parentWidget()) {
            if (auto *area = qobject_cast<QAbstractScrollArea *>(p)) {
                QWidget *page = area->viewport();
                QWheelEvent copy(page->mapFromGlobal(wheel->globalPosition()),
                                 wheel->globalPosition(), wheel->pixelDelta(), wheel->angleDelta(),
                                 wheel->buttons(), wheel->modifiers(), wheel->phase(),
                                 wheel->inverted(), wheel->source());
                QCoreApplication::sendEvent(page, &copy);
                return;
            }
        }
    }

    std::function<void(int)> m_pickDeviceRow;
};

// A combo box as a screen reader meets it. Qt's own tells its current item as its name
// on this platform, so "115200" is all one hears; this one gives the name set on the box
// and keeps the item as its value.
class AccessibleComboBox : public QAccessibleWidget
{
public:
    explicit AccessibleComboBox(QComboBox *box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return box()->currentText();
        if (t == QAccessible::Name && !box()->accessibleName().isEmpty())
            return box()->accessibleName();
        return QAccessibleWidget::text(t);
    }
    // The line edit of an editable box, which takes the focus and the typing.
    int childCount() const override { return box()->lineEdit() ? 1 : 0; }
    QAccessibleInterface *child(int index) const override
    {
        return index == 0 && box()->lineEdit()
                   ? QAccessible::queryAccessibleInterface(box()->lineEdit())
                   : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child && box()->lineEdit() && child->object() == box()->lineEdit() ? 0 : -1;
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.expandable = true;
        s.expanded = box()->view() && box()->view()->isVisible();
        s.editable = box()->isEditable();
        return s;
    }
    QStringList actionNames() const override
    {
        return QStringList{showMenuAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString &name) override
    {
        if (name != showMenuAction())
            return QAccessibleWidget::doAction(name);
        if (box()->view() && box()->view()->isVisible())
            box()->hidePopup();
        else
            box()->showPopup();
    }

private:
    QComboBox *box() const { return static_cast<QComboBox *>(object()); }
};

QAccessibleInterface *comboBoxAccessible(const QString &, QObject *object)
{
    auto *box = qobject_cast<QComboBox *>(object);
    return box ? new AccessibleComboBox(box) : nullptr;
}

} // namespace

void Nodeweave::nameComboBoxesForScreenReaders()
{
    // Before any widget is made: an accessible interface, once made, is kept.
    static const bool installed = [] {
        QAccessible::installFactory(comboBoxAccessible);
        return true;
    }();
    Q_UNUSED(installed);
}

void Nodeweave::installComfort()
{
    auto *filter =
        new ComfortFilter([this](int row) { on_tableWidget_device_cellClicked(row, 0); }, this);
    filter->deviceTable = ui.tableWidget_device;
    comfortFilter = filter;
    installComfortIn(this);
    ui.tableWidget_device->installEventFilter(comfortFilter);
}

// For the window, and for a part of it made later (the Batch Write panel).
void Nodeweave::installComfortIn(QWidget *root)
{
    for (QWidget *w : root->findChildren<QWidget *>()) {
        if (qobject_cast<QComboBox *>(w) || qobject_cast<QAbstractSpinBox *>(w) ||
            qobject_cast<QAbstractSlider *>(w)) {
            // Scroll bars are sliders too, and the wheel is theirs.
            if (w->inherits("QScrollBar"))
                continue;
            // The wheel gives no focus: it would make the box its own target.
            w->setFocusPolicy(Qt::StrongFocus);
            w->installEventFilter(comfortFilter);
        } else if (qobject_cast<QPushButton *>(w)) {
            w->installEventFilter(comfortFilter);
        } else if (auto *view = qobject_cast<QAbstractItemView *>(w)) {
            // Tab moves on to the next control, not from cell to cell.
            view->setTabKeyNavigation(false);
        }
    }
}

void Nodeweave::markImmediate(QWidget *field)
{
    field->setProperty(kImmediate, true);
    immediateFields.append(field);
}

bool Nodeweave::appliesAtOnce(const QWidget *field)
{
    return field->property(kImmediate).toBool();
}

// Runs after every retranslation of the form: names and marks follow the language.
void Nodeweave::retranslateComfort()
{
    nameControls();
    const QString tip = tr("立即生效：改变会马上发送到模块");
    for (QWidget *field : std::as_const(immediateFields)) {
        field->setToolTip(tip);
        field->setAccessibleDescription(tip);
        // The mark goes where the eye reads the field's name: its label, or the text of
        // a check or radio button.
        QWidget *named = field;
        if (!qobject_cast<QAbstractButton *>(field)) {
            named = nullptr;
            for (QLabel *label : findChildren<QLabel *>()) {
                if (label->buddy() == field)
                    named = label;
            }
        }
        if (!named)
            continue;
        named->setToolTip(tip);
        if (auto *label = qobject_cast<QLabel *>(named); label && !label->text().endsWith(kMark))
            label->setText(label->text() + kMark);
        if (auto *button = qobject_cast<QAbstractButton *>(named);
            button && !button->text().endsWith(kMark))
            button->setText(button->text() + kMark);
    }
}

void Nodeweave::nameControls()
{
    // A field with a label is named by it (its buddy); the rest by what they hold.
    for (QLabel *label : findChildren<QLabel *>()) {
        if (QWidget *field = label->buddy()) {
            QString name = label->text();
            if (name.endsWith(kMark))
                name.chop(kMark.size());
            field->setAccessibleName(name);
        }
    }
    const std::pair<QWidget *, QString> named[] = {
        {ui.comboBox_comPort, tr("串口")},
        {ui.label_comLed, tr("串口状态")},
        {ui.lineEdit_consoleAddr, tr("远程地址")},
        {ui.comboBox_consoleAddrMode, tr("远程地址模式")},
        {ui.lineEdit_regular_time, tr("定时发送间隔(ms)")},
        {ui.lineEdit_cmd, tr("命令")},
        {ui.tableWidget_log, tr("日志")},
        {ui.tableWidget_device, tr("发现的设备")},
        {ui.progressBar_scan, tr("扫描进度")},
        {ui.progressBar_cfg, tr("配置进度")},
        {ui.lineEdit_targetDeviceNet, tr("目标设备网络地址")},
        {ui.lineEdit_targetDeviceMac, tr("目标设备MAC地址")},
        {pageNet ? pageNet->comboBox_TID_AM : nullptr, tr("透传地址模式")},
        {pageNet ? pageNet->comboBox_TID_ADDR : nullptr, tr("透传地址")},
        {pageNet ? pageNet->comboBox_sendPkt_AM : nullptr, tr("数据包地址模式")},
        {pageNet ? pageNet->comboBox_sendPkt_ADDR : nullptr, tr("数据包目标地址")},
        {pageNet ? pageNet->lineEdit_sendPkt_regular_time : nullptr, tr("数据包发送间隔(ms)")},
        {ui.label_sendCnt, tr("已发送字符数")},
        {ui.label_recvCnt, tr("已接收字节数")},
    };
    for (const auto &[widget, name] : named) {
        if (widget) // a page not made yet is named when it is
            widget->setAccessibleName(name);
    }
    if (langButton)
        langButton->setAccessibleName(tr("切换语言：%1").arg(langButton->text()));
    for (const IoLineWidgets &w : families.io) {
        const auto name = [&w](const char *text) {
            return tr(text).arg(w.line);
        };
        w.input->setAccessibleName(name(QT_TR_NOOP("IO%1 输入")));
        w.output->setAccessibleName(name(QT_TR_NOOP("IO%1 输出")));
        w.curInput->setAccessibleName(name(QT_TR_NOOP("IO%1 当前电平")));
        w.level->setAccessibleName(name(QT_TR_NOOP("IO%1 输出电平")));
        w.tpio->setAccessibleName(name(QT_TR_NOOP("IO%1 透传启用")));
        w.tpioTargetLine->setAccessibleName(name(QT_TR_NOOP("IO%1 透传目标IO")));
        w.tpioMode->setAccessibleName(name(QT_TR_NOOP("IO%1 透传地址模式")));
        w.tpioAddress->setAccessibleName(name(QT_TR_NOOP("IO%1 透传目标地址")));
        w.sample->setAccessibleName(name(QT_TR_NOOP("IO%1 定时采集启用")));
        w.sampleInterval->setAccessibleName(name(QT_TR_NOOP("IO%1 采集间隔")));
        w.sampleMode->setAccessibleName(name(QT_TR_NOOP("IO%1 采集地址模式")));
        w.sampleAddress->setAccessibleName(name(QT_TR_NOOP("IO%1 采集目标地址")));
    }
    for (const AdcWidgets &w : families.adc) {
        const auto name = [&w](const char *text) {
            return tr(text).arg(w.channel);
        };
        w.value->setAccessibleName(name(QT_TR_NOOP("AD%1 值")));
        w.sample->setAccessibleName(name(QT_TR_NOOP("AD%1 采集启用")));
        w.interval->setAccessibleName(name(QT_TR_NOOP("AD%1 采集间隔")));
        w.mode->setAccessibleName(name(QT_TR_NOOP("AD%1 地址模式")));
        w.address->setAccessibleName(name(QT_TR_NOOP("AD%1 目标地址")));
    }
    for (const PwmWidgets &w : families.pwm) {
        const auto name = [&w](const char *text) {
            return tr(text).arg(w.channel);
        };
        w.on->setAccessibleName(name(QT_TR_NOOP("PWM%1 启用")));
        w.frequency->setAccessibleName(name(QT_TR_NOOP("PWM%1 频率")));
        w.slider->setAccessibleName(name(QT_TR_NOOP("PWM%1 占空比滑块")));
        w.duty->setAccessibleName(name(QT_TR_NOOP("PWM%1 占空比")));
    }
    // The line edit of an editable box is what has the focus while one types.
    for (QComboBox *box : findChildren<QComboBox *>()) {
        if (box->lineEdit())
            box->lineEdit()->setAccessibleName(box->accessibleName());
    }
    if (batchPanel) {
        if (auto *nodes = batchPanel->findChild<QTableWidget *>())
            nodes->setAccessibleName(tr("批量写入的节点"));
        if (auto *bar = batchPanel->findChild<QProgressBar *>())
            bar->setAccessibleName(tr("批量写入进度"));
    }
}
