#include "app/batchwritepanel.h"

#include "app/dialogs.h"
#include "app/quietprogress.h"

#include <QHeaderView>
#include <QSaveFile>

namespace {

enum Column
{
    MacColumn,
    NetColumn,
    DescriptorColumn,
    StateColumn
};

} // namespace

BatchWritePanel::BatchWritePanel(BatchWriter *writer, QWidget *parent)
    : QDialog(parent), m_writer(writer)
{
    ui.setupUi(this);
    setModal(false);
    ui.tableWidget_batchNodes->setColumnWidth(MacColumn, 160);
    ui.tableWidget_batchNodes->setColumnWidth(NetColumn, 100);
    ui.tableWidget_batchNodes->setColumnWidth(DescriptorColumn, 120);
    m_refresh.setSingleShot(true);
    m_refresh.setInterval(100);
    connect(&m_refresh, &QTimer::timeout, this, &BatchWritePanel::refresh);
    connect(writer, &BatchWriter::nodeChanged, this, &BatchWritePanel::nodeChanged);
    connect(writer, &BatchWriter::finished, this, &BatchWritePanel::runFinished);
}

void BatchWritePanel::runStarted()
{
    QTableWidget *table = ui.tableWidget_batchNodes;
    const QList<BatchNode> &nodes = m_writer->nodes();
    m_changed.clear();
    table->setRowCount(int(nodes.size()));
    for (int i = 0; i < nodes.size(); ++i) {
        const ZBdevice &d = nodes[i].device;
        table->setItem(i, MacColumn, new QTableWidgetItem(d.macAddr));
        table->setItem(i, NetColumn, new QTableWidgetItem(d.netAddr));
        table->setItem(i, DescriptorColumn, new QTableWidgetItem(d.descriptor));
        table->setItem(i, StateColumn, new QTableWidgetItem);
        showNode(i);
    }
    ui.label_batchSummary->clear();
    ui.progressBar_batch->setRange(0, m_writer->progressMaximum());
    ui.progressBar_batch->setValue(0);
    updateButtons();
}

void BatchWritePanel::nodeChanged(int index)
{
    m_changed.insert(index);
    if (!m_refresh.isActive())
        m_refresh.start();
}

void BatchWritePanel::refresh()
{
    m_refresh.stop();
    for (const int index : std::as_const(m_changed))
        showNode(index);
    m_changed.clear();
}

void BatchWritePanel::showNode(int index)
{
    QTableWidgetItem *item = ui.tableWidget_batchNodes->item(index, StateColumn);
    if (!item)
        return;
    const BatchNode &node = m_writer->nodes().at(index);
    item->setText(stateText(node));
    item->setToolTip(item->text());
    const bool failed = node.state == BatchNode::State::Failed;
    item->setForeground(failed ? QBrush(Qt::red) : QBrush());
    showProgressQuietly(ui.progressBar_batch, m_writer->progressValue());
}

void BatchWritePanel::runFinished()
{
    refresh();
    ui.progressBar_batch->setValue(ui.progressBar_batch->maximum());
    ui.label_batchSummary->setText(summary());
    updateButtons();
}

void BatchWritePanel::updateButtons()
{
    const bool running = m_writer->isRunning();
    ui.pushButton_batchStop->setEnabled(running && !m_writer->stopRequested());
    ui.checkBox_batchVerify->setEnabled(!running);
    ui.pushButton_batchSaveReport->setEnabled(!running && !m_writer->nodes().isEmpty());
}

void BatchWritePanel::retranslate()
{
    ui.retranslateUi(this);
    for (int i = 0; i < m_writer->nodes().size(); ++i)
        showNode(i);
    if (!m_writer->isRunning() && !m_writer->nodes().isEmpty())
        ui.label_batchSummary->setText(summary());
}

void BatchWritePanel::on_pushButton_batchStop_clicked()
{
    m_writer->stop();
    updateButtons();
}

void BatchWritePanel::on_pushButton_batchSaveReport_clicked()
{
    const QString path = Dialogs::saveFileName(tr("保存报告"), QStringLiteral("batch-write.csv"),
                                               tr("CSV 文件 (*.csv)"));
    if (path.isEmpty())
        return;
    // A failed save leaves an earlier report whole.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(m_writer->reportCsv()) < 0 ||
        !file.commit()) {
        Dialogs::message(tr("无法保存报告 %1：%2").arg(path, file.errorString()));
    }
}

QString BatchWritePanel::stateText(const BatchNode &n) const
{
    switch (n.state) {
    case BatchNode::State::Waiting:
        return tr("等待");
    case BatchNode::State::Writing:
        return tr("写入中（第 %1 步，共 %2 步）").arg(n.step).arg(n.steps);
    case BatchNode::State::Verifying:
        return tr("校验中（第 %1 步，共 %2 步）").arg(n.step).arg(n.steps);
    case BatchNode::State::Done:
        return n.verified ? tr("完成，已校验") : tr("完成");
    case BatchNode::State::Skipped:
        return tr("跳过");
    case BatchNode::State::Failed:
        break;
    }
    switch (n.cause) {
    case BatchNode::Cause::NoReply:
        return tr("失败：%1（无回复）").arg(n.command);
    case BatchNode::Cause::Stopped:
        return tr("已停止：%1").arg(n.command);
    case BatchNode::Cause::Differs:
        return tr("校验失败：%1").arg(SettingsTable::differencesText(n.differences));
    default:
        return tr("失败：%1（%2）").arg(n.command, n.reply);
    }
}

QString BatchWritePanel::summary() const
{
    const QList<BatchNode> &nodes = m_writer->nodes();
    int done = 0;
    int skipped = 0;
    QStringList failures;
    for (const BatchNode &n : nodes) {
        if (n.state == BatchNode::State::Done)
            ++done;
        else if (n.state == BatchNode::State::Skipped)
            ++skipped;
        else if (n.cause == BatchNode::Cause::Differs)
            failures.append(
                tr("%1 校验失败（%2）")
                    .arg(n.device.netAddr, SettingsTable::differencesText(n.differences)));
        else if (n.cause == BatchNode::Cause::NoReply)
            failures.append(tr("%1 在 %2 处失败（无回复）").arg(n.device.netAddr, n.command));
        else if (n.cause == BatchNode::Cause::Stopped)
            failures.append(tr("%1 在 %2 处停止").arg(n.device.netAddr, n.command));
        else
            failures.append(tr("%1 在 %2 处失败（%3）").arg(n.device.netAddr, n.command, n.reply));
    }
    QStringList parts;
    parts.append(m_writer->verifying()
                     ? tr("批量写入：%2 个节点中的 %1 个已写入并校验").arg(done).arg(nodes.size())
                     : tr("批量写入：%2 个节点中的 %1 个已写入").arg(done).arg(nodes.size()));
    parts.append(failures);
    if (skipped > 0)
        parts.append(tr("跳过 %1 个").arg(skipped));
    if (!m_writer->abortReason().isEmpty())
        parts.append(m_writer->abortReason());
    return parts.join(tr("；"));
}
