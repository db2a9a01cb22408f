#include "app/batchwritepanel.h"
#include "app/nodeweave.h"
#include "app/quietprogress.h"
#include "app/consolelog.h"
#include "config/batchwriter.h"

#include <QSettings>
#include <QStatusBar>

#include <algorithm>

// ---- batch write: one configuration into every ticked node ----

void Nodeweave::initBatchWrite()
{
    batchWriter = new BatchWriter(cfgRun, &writeQueue, this);
    batchPanel = new BatchWritePanel(
        batchWriter,
        [this](const QString &field, const QVariant &value) { return formValueText(field, value); },
        this);
    batchPanel->setVerify(settings->value(QStringLiteral("batch/verify"), true).toBool());
    connect(batchWriter, &BatchWriter::nodeChanged, this,
            [this] { ui.progressBar_cfg->setValue(batchWriter->progressValue()); });
    connect(batchWriter, &BatchWriter::finished, this, &Nodeweave::batchWriteFinished);
    // Ticking a node changes what Batch Write would write to.
    connect(ui.tableWidget_device, &QTableWidget::itemChanged, this, &Nodeweave::updateEnabled);
}

QList<ZBdevice> Nodeweave::tickedNodes() const
{
    QList<ZBdevice> nodes;
    const QTableWidget *table = ui.tableWidget_device;
    const bool all = ui.checkBox_deviceSelectAll->isChecked();
    for (int row = 0; row < table->rowCount(); ++row) {
        const QTableWidgetItem *mac = table->item(row, 0);
        if (!mac || (!all && mac->checkState() != Qt::Checked))
            continue;
        ZBdevice d;
        // The first node a scan reports is the module on the port.
        d.isLocal = row == 0;
        d.macAddr = mac->text();
        d.netAddr = table->item(row, 1) ? table->item(row, 1)->text() : QString();
        d.descriptor = table->item(row, 2) ? table->item(row, 2)->text() : QString();
        nodes.append(d);
    }
    return nodes;
}

CfgValues Nodeweave::writtenFormValues() const
{
    // A group's parameters count only while the group is on: a second look finds them.
    CfgValues values;
    for (int pass = 0; pass < 2; ++pass) {
        for (const CfgReadQueue::Field &f : CfgReadQueue::writtenFields(values))
            values.insert(f.name, formFieldValue(f.name));
    }
    return values;
}

QString Nodeweave::formValueText(const QString &field, const QVariant &value) const
{
    // A fixed box's position reads as the item it shows.
    if (auto *box = qobject_cast<QComboBox *>(formField(field)); box && !box->isEditable()) {
        const int index = value.toInt();
        return index >= 0 && index < box->count() ? box->itemText(index) : QString::number(index);
    }
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? QStringLiteral("on") : QStringLiteral("off");
    return value.toString();
}

void Nodeweave::on_pushButton_writeConfiguartionBull_clicked()
{
    const QList<ZBdevice> nodes = tickedNodes();
    if (!ui.pushButton_writeConfiguartionBull->isEnabled() || nodes.isEmpty())
        return;
    settings->setValue(QStringLiteral("batch/verify"), batchPanel->verify());
    batchWriter->start(nodes, writtenFormValues(), batchPanel->verify());
    if (!batchWriter->isRunning())
        return;
    ui.progressBar_cfg->setRange(0, batchWriter->progressMaximum());
    ui.progressBar_cfg->setValue(0);
    updateEnabled();
    batchPanel->runStarted();
    batchPanel->show();
    batchPanel->raise();
}

void Nodeweave::batchWriteFinished()
{
    updateEnabled();
    ui.progressBar_cfg->setValue(0);
    const QString summary = batchPanel->summary();
    statusBar()->showMessage(summary, 10000);
    const QList<BatchNode> &nodes = batchWriter->nodes();
    const bool allDone = std::all_of(nodes.cbegin(), nodes.cend(), [](const BatchNode &n) {
        return n.state == BatchNode::State::Done;
    });
    consoleLog->note(summary,
                     allDone ? ConsoleLog::Outcome::Success : ConsoleLog::Outcome::Failure);
}
