#include "app/batchwritepanel.h"
#include "app/consolelog.h"
#include "app/dialogs.h"
#include "app/nodeweave.h"
#include "app/quietprogress.h"
#include "config/batchwriter.h"

#include <QSettings>
#include <QStatusBar>

#include <algorithm>

// ---- batch write: one configuration into every ticked node ----

void Nodeweave::initBatchWrite()
{
    batchWriter = new BatchWriter(cfgRun, this);
    connect(batchWriter, &BatchWriter::nodeChanged, this,
            [this] { ui.progressBar_cfg->setValue(batchWriter->progressValue()); });
    connect(batchWriter, &BatchWriter::finished, this, &Nodeweave::batchWriteFinished);
    // Ticking a node changes what Batch Write would write to.
    connect(ui.tableWidget_device, &QTableWidget::itemChanged, this, &Nodeweave::updateEnabled);
}

BatchWritePanel *Nodeweave::batchPanelMade()
{
    if (batchPanel)
        return batchPanel;
    batchPanel = new BatchWritePanel(batchWriter, this);
    batchPanel->setVerify(settings->value(QStringLiteral("batch/verify"), true).toBool());
    connect(batchPanel, &BatchWritePanel::startRequested, this, &Nodeweave::startBatchWrite);
    installComfortIn(batchPanel);
    nameControls();
    return batchPanel;
}

QList<ZBdevice> Nodeweave::tickedNodes(bool every) const
{
    QList<ZBdevice> nodes;
    const QTableWidget *table = ui.tableWidget_device;
    const bool all = every || ui.checkBox_deviceSelectAll->isChecked();
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

void Nodeweave::on_pushButton_writeConfiguartionBull_clicked()
{
    // A run under way, or the last one, is shown as it is; otherwise the panel gets ready
    // for a new one, with the nodes ticked in the device table ticked.
    if (!batchWriter->isRunning()) {
        QStringList ticked;
        for (const ZBdevice &d : tickedNodes())
            ticked << d.macAddr;
        QList<ZBdevice> scanned;
        for (const ZBdevice &d : tickedNodes(true))
            scanned << d;
        batchPanelMade()->prepare(scanned, ticked);
    }
    updateEnabled();
    batchPanelMade()->show();
    batchPanel->raise();
}

void Nodeweave::startBatchWrite()
{
    const QList<ZBdevice> nodes = batchPanel->chosenNodes();
    if (nodes.isEmpty() || batchWriter->isRunning() || cfgRun->isRunning())
        return;
    // A form nobody filled would write empty fields everywhere; identity copied into every
    // node makes them all the same node.
    if (!formFilled &&
        !Dialogs::question(tr("表单尚未通过读取或导入填写。仍要把它写入所选节点吗？")))
        return;
    if (batchPanel->identityChosen() &&
        !Dialogs::question(
            tr("所选设置包含节点身份（设备类型或节点描述），每个所选节点都会得到它。继续吗？")))
        return;
    settings->setValue(QStringLiteral("batch/verify"), batchPanel->verify());
    batchWriter->start(nodes, form()->values(), batchPanel->verify(), batchPanel->chosenGroups(),
                       batchPanel->ownValues());
    if (!batchWriter->isRunning())
        return;
    ui.progressBar_cfg->setRange(0, batchWriter->progressMaximum());
    ui.progressBar_cfg->setValue(0);
    updateEnabled();
    batchPanel->runStarted();
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
