#include "app/batchwritepanel.h"
#include "app/nodeweave.h"

#include <QHash>
#include <QHeaderView>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
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
        useQtTranslation(false);
        langButton->setText(tr("中文"));
    } else {
        loadTranslation(QStringLiteral(":/Nodeweave/cn_lang"));
        useQtTranslation(true);
        langButton->setText(tr("English"));
    }
    retranslate();
}

// Qt's Chinese texts come with Qt (Debian: qt6-translations-l10n); without them its
// dialogs stay English, which is all a user can be given.
void Nodeweave::useQtTranslation(bool chinese)
{
    if (!chinese) {
        QCoreApplication::removeTranslator(qtTranslator);
        return;
    }
    if (qtTranslator->isEmpty() &&
        !qtTranslator->load(QStringLiteral("qtbase_zh_CN"),
                            QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return;
    QCoreApplication::installTranslator(qtTranslator);
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
    if (pageNet) {
        pageNet->retranslateUi(ui.tab_2);
        pageIo->retranslateUi(ui.tab_3);
        pageAdc->retranslateUi(ui.tab_4);
        pagePwm->retranslateUi(ui.tab_5);
    }
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
    // Before any device is counted the form's own text stands ("Device Number: 0").
    if (!shownCount.isEmpty() && shownCount != QLatin1String("0"))
        ui.label_founddeviceNum->setText(tr("设备数量：") + shownCount);
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
    retranslateHelp();
    retranslateComfort();
    showPortLoss();
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
    fitDeviceColumns();
}

// The address columns show their headers whole in either language. The MAC column,
// elided in the middle, leaves the descriptor column room for its header.
void Nodeweave::fitDeviceColumns()
{
    QHeaderView *header = ui.tableWidget_device->horizontalHeader();
    const int margin = 2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    const auto headerWidth = [&](int column) {
        const QTableWidgetItem *item = ui.tableWidget_device->horizontalHeaderItem(column);
        return header->fontMetrics().horizontalAdvance(item ? item->text() : QString()) + margin;
    };
    const int indicator =
        ui.tableWidget_device->style()->pixelMetric(QStyle::PM_IndicatorWidth) + 2 * margin;
    const int mac = ui.tableWidget_device->fontMetrics().horizontalAdvance(
                        QStringLiteral("0x001\u2026A2B3C4")) +
                    indicator;
    QTableWidget *table = ui.tableWidget_device;
    table->setColumnWidth(0, qMax(mac, headerWidth(0)));
    table->setColumnWidth(1, qMax(60, headerWidth(1)));
    // The pane is never so narrow that the last header is cut.
    table->setMinimumWidth(table->columnWidth(0) + table->columnWidth(1) + headerWidth(2) +
                           table->verticalScrollBar()->sizeHint().width() +
                           2 * table->frameWidth());
}
