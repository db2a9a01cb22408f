#include "app/batchwritepanel.h"
#include "app/nodeweave.h"

#include <QHash>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QStyle>
#include <QTextDocument>
#include <QTranslator>

#include <memory>
#include <vector>

// A file that fails to load leaves the source texts, which is all a user can be given.
void Nodeweave::loadTranslation(const QString &path)
{
    if (!translator->load(path))
        qWarning("cannot load translation %s", qPrintable(path));
}

// The button names the language one can switch to: "English" while the interface is
// Chinese, "中文" while it is English.
void Nodeweave::langSwitch()
{
    if (langButton->text() == QLatin1String("English")) {
        loadTranslation(QStringLiteral(":/Nodeweave/en_lang"));
        langButton->setText(tr("中文"));
    } else {
        loadTranslation(QStringLiteral(":/Nodeweave/cn_lang"));
        langButton->setText(tr("English"));
    }
    retranslate();
}

void Nodeweave::retranslate()
{
    // The form's own retranslation also resets start values (interval "10", frequency
    // "1000", descriptors, counters…). A language switch must not lose a configuration
    // read from a module or typed by the user, so values are carried across it.
    // Signals stay blocked meanwhile so that no value is sent to the module twice
    // (a frequency field's change would otherwise go out as a PWM command).
    QHash<QLineEdit *, QString> texts;
    std::vector<std::unique_ptr<QSignalBlocker>> blockers;
    for (QLineEdit *e : findChildren<QLineEdit *>()) {
        texts.insert(e, e->text());
        blockers.push_back(std::make_unique<QSignalBlocker>(e));
    }
    const QString sendCnt = ui.label_sendCnt->text();
    static const QRegularExpression trailingNumber(QStringLiteral("(\\d+)$"));
    const QString shownCount = trailingNumber.match(ui.label_founddeviceNum->text()).captured(1);

    ui.retranslateUi(this);
    if (!readyText.isEmpty() && statusBar()->currentMessage() == readyText) {
        readyText = tr("Ready");
        statusBar()->showMessage(readyText, 5000);
    }

    for (auto it = texts.cbegin(); it != texts.cend(); ++it) {
        if (it.key()->text() != it.value())
            it.key()->setText(it.value());
    }
    ui.label_sendCnt->setText(sendCnt);
    showRecvCount();
    ui.label_founddeviceNum->setText(tr("设备数量：") +
                                     (shownCount.isEmpty() ? QStringLiteral("0") : shownCount));
    ui.pushButton_openCom->setText(portOpen ? tr("关闭") : tr("打开"));
    ui.pushButton_scan->setText(scanning ? tr("停止扫描") : tr("扫描"));
    // The port tooltips in the new language, for the ports already listed: listing them
    // again would cost as much as the rest of a language switch.
    for (int i = 0; i < listedPorts.size() && i < ui.comboBox_comPort->count(); ++i)
        ui.comboBox_comPort->setItemData(
            i,
            Qt::convertFromPlainText(PortWatcher::toolTip(listedPorts.at(i)), Qt::WhiteSpaceNoWrap),
            Qt::ToolTipRole);
    if (batchPanel)
        batchPanel->retranslate();
    fitButtonsToText();
}

// The style keeps a push button at least 80 px wide, which at the window's smallest size
// in English leaves no room for a whole address beside the target's buttons. Buttons
// may shrink to their text instead; they still take their usual width when there is room.
void Nodeweave::fitButtonsToText()
{
    const auto fit = [](QPushButton *b, const QStringList &texts) {
        const int padding = 2 * (b->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, b) +
                                 b->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, b));
        int widest = 0;
        for (const QString &text : texts)
            widest = qMax(widest, b->fontMetrics().horizontalAdvance(text));
        b->setMinimumWidth(widest + padding);
    };
    for (QPushButton *b : findChildren<QPushButton *>())
        fit(b, {b->text()});
    // These two change their text with the port's and the scan's state.
    fit(ui.pushButton_openCom, {tr("打开"), tr("关闭")});
    fit(ui.pushButton_scan, {tr("扫描"), tr("停止扫描")});
}
