#include "app/batchwritepanel.h"

#include "app/dialogs.h"
#include "app/quietprogress.h"

#include "at/errortable.h"
#include "config/nodevalues.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
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
    for (const SettingsTable::Group g : BatchWriter::allGroups()) {
        auto *item = new QListWidgetItem(ui.listWidget_batchGroups);
        item->setData(Qt::UserRole, int(g));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        // What makes a node itself is not copied unless asked for.
        const bool identity =
            g == SettingsTable::Group::Module || g == SettingsTable::Group::Descriptors;
        item->setCheckState(identity ? Qt::Unchecked : Qt::Checked);
    }
    connect(ui.listWidget_batchGroups, &QListWidget::itemChanged, this,
            &BatchWritePanel::updatePlan);
    connect(ui.tableWidget_batchNodes, &QTableWidget::itemChanged, this,
            &BatchWritePanel::updatePlan);
    connect(ui.checkBox_batchVerify, &QCheckBox::toggled, this, &BatchWritePanel::updatePlan);
    retranslateGroups();
}

void BatchWritePanel::retranslateGroups()
{
    for (int i = 0; i < ui.listWidget_batchGroups->count(); ++i) {
        QListWidgetItem *item = ui.listWidget_batchGroups->item(i);
        const auto g = SettingsTable::Group(item->data(Qt::UserRole).toInt());
        item->setText(tr(SettingsTable::groupCaption(g)) +
                      QStringLiteral(" (%1)").arg(SettingsTable::settingCount({g})));
    }
}

void BatchWritePanel::prepare(const QList<ZBdevice> &scanned, const QStringList &ticked)
{
    if (m_writer->isRunning())
        return;
    m_ready = true;
    m_scanned = scanned;
    m_own.clear();
    m_unknownNodes.clear();
    QTableWidget *table = ui.tableWidget_batchNodes;
    const QSignalBlocker blocker(table);
    table->setRowCount(int(scanned.size()));
    for (int i = 0; i < scanned.size(); ++i) {
        const ZBdevice &d = scanned[i];
        auto *mac = new QTableWidgetItem(d.macAddr);
        mac->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        mac->setCheckState(ticked.contains(d.macAddr) ? Qt::Checked : Qt::Unchecked);
        table->setItem(i, MacColumn, mac);
        table->setItem(i, NetColumn, new QTableWidgetItem(d.netAddr));
        table->setItem(i, DescriptorColumn, new QTableWidgetItem(d.descriptor));
        table->setItem(i, StateColumn, new QTableWidgetItem);
    }
    ui.progressBar_batch->setValue(0);
    updatePlan();
    updateButtons();
}

void BatchWritePanel::setStartAllowed(bool allowed)
{
    m_startAllowed = allowed;
    updateButtons();
}

void BatchWritePanel::tickAll(bool on)
{
    for (int i = 0; i < ui.tableWidget_batchNodes->rowCount(); ++i)
        if (QTableWidgetItem *mac = ui.tableWidget_batchNodes->item(i, MacColumn);
            mac && i < m_scanned.size())
            mac->setCheckState(on ? Qt::Checked : Qt::Unchecked);
}

void BatchWritePanel::on_pushButton_batchAll_clicked()
{
    tickAll(true);
}

void BatchWritePanel::on_pushButton_batchNone_clicked()
{
    tickAll(false);
}

QList<ZBdevice> BatchWritePanel::chosenNodes() const
{
    QList<ZBdevice> nodes;
    if (!m_ready)
        return nodes;
    for (int i = 0; i < m_scanned.size(); ++i)
        if (QTableWidgetItem *mac = ui.tableWidget_batchNodes->item(i, MacColumn);
            mac && mac->checkState() == Qt::Checked)
            nodes << m_scanned[i];
    return nodes;
}

QList<SettingsTable::Group> BatchWritePanel::chosenGroups() const
{
    QList<SettingsTable::Group> groups;
    for (int i = 0; i < ui.listWidget_batchGroups->count(); ++i) {
        const QListWidgetItem *item = ui.listWidget_batchGroups->item(i);
        if (item->checkState() == Qt::Checked)
            groups << SettingsTable::Group(item->data(Qt::UserRole).toInt());
    }
    return groups;
}

bool BatchWritePanel::identityChosen() const
{
    for (const SettingsTable::Setting &s : SettingsTable::settings()) {
        if (!s.identity)
            continue;
        if (chosenGroups().contains(s.group))
            return true;
        for (const CfgValues &own : m_own)
            for (const SettingsTable::Field &f : s.fields)
                if (own.contains(f.key))
                    return true;
    }
    return false;
}

void BatchWritePanel::updatePlan()
{
    if (!m_ready)
        return;
    const QList<SettingsTable::Group> groups = chosenGroups();
    const int nodes = int(chosenNodes().size());
    const int settings = SettingsTable::settingCount(groups);
    const QString plan = verify() ? tr("写入 %1 个设置（%2 组）到 %3 个节点，然后校验")
                                  : tr("写入 %1 个设置（%2 组）到 %3 个节点");
    QString text = plan.arg(settings).arg(groups.size()).arg(nodes);
    if (!m_own.isEmpty())
        text += tr("；%1 个节点有各自的值").arg(m_own.size());
    if (!m_unknownNodes.isEmpty())
        text += tr("；值文件中扫描未发现的节点：%1").arg(m_unknownNodes.join(QStringLiteral(", ")));
    ui.label_batchPlan->setText(text);
    updateButtons();
}

void BatchWritePanel::on_pushButton_batchValues_clicked()
{
    const QString path =
        Dialogs::openFileName(tr("节点各自的值"), QStringLiteral("./"), tr("CSV 文件 (*.csv)"));
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > 4 * 1024 * 1024) {
        Dialogs::message(tr("不能打开文件%1").arg(path));
        return;
    }
    QHash<QString, CfgValues> byNode;
    const NodeValues::Problem p = NodeValues::parse(file.readAll(), &byNode);
    switch (p.kind) {
    case NodeValues::Problem::None:
        break;
    case NodeValues::Problem::Empty:
        Dialogs::message(tr("%1 第 %2 行：需要节点列和至少一个设置列").arg(path).arg(p.line));
        return;
    case NodeValues::Problem::UnknownColumn:
        Dialogs::message(tr("%1 第 %2 行：未知的列 %3").arg(path).arg(p.line).arg(p.detail));
        return;
    case NodeValues::Problem::Malformed:
        Dialogs::message(tr("%1 第 %2 行：单元格数目与标题行不同").arg(path).arg(p.line));
        return;
    case NodeValues::Problem::Refused:
        Dialogs::message(tr("%1 第 %2 行：值不被接受：%3").arg(path).arg(p.line).arg(p.detail));
        return;
    }
    m_own.clear();
    m_unknownNodes.clear();
    for (auto it = byNode.cbegin(); it != byNode.cend(); ++it) {
        const auto found =
            std::find_if(m_scanned.cbegin(), m_scanned.cend(), [&](const ZBdevice &d) {
                return d.macAddr.compare(it.key(), Qt::CaseInsensitive) == 0 ||
                       d.netAddr.compare(it.key(), Qt::CaseInsensitive) == 0;
            });
        if (found == m_scanned.cend())
            m_unknownNodes << it.key();
        else
            m_own.insert(found->macAddr, it.value());
    }
    m_unknownNodes.sort();
    for (int i = 0; i < m_scanned.size(); ++i)
        if (QTableWidgetItem *state = ui.tableWidget_batchNodes->item(i, StateColumn))
            state->setText(BatchWriter::valuesText(m_own.value(m_scanned[i].macAddr)));
    updatePlan();
}

void BatchWritePanel::on_pushButton_batchStart_clicked()
{
    emit startRequested();
}

void BatchWritePanel::closeEvent(QCloseEvent *event)
{
    // Closing hides the panel; a run goes on unless the user stops it. The Batch Write
    // button shows it again.
    if (m_writer->isRunning() && !m_writer->stopRequested() &&
        Dialogs::question(tr("批量写入正在进行。要停止吗？")))
        m_writer->stop();
    updateButtons();
    QDialog::closeEvent(event);
}

void BatchWritePanel::runStarted()
{
    QTableWidget *table = ui.tableWidget_batchNodes;
    const QList<BatchNode> &nodes = m_writer->nodes();
    m_changed.clear();
    m_ready = false;
    const QSignalBlocker blocker(table);
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
    ui.pushButton_batchStart->setEnabled(!running && m_ready && m_startAllowed &&
                                         !chosenNodes().isEmpty());
    for (QWidget *w : {static_cast<QWidget *>(ui.pushButton_batchAll),
                       static_cast<QWidget *>(ui.pushButton_batchNone),
                       static_cast<QWidget *>(ui.pushButton_batchValues),
                       static_cast<QWidget *>(ui.listWidget_batchGroups)})
        w->setEnabled(!running && m_ready);
    ui.pushButton_batchSaveReport->setEnabled(!running && !m_writer->nodes().isEmpty());
}

void BatchWritePanel::retranslate()
{
    ui.retranslateUi(this);
    retranslateGroups();
    updatePlan();
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
    const auto errorText = [](int code) {
        for (const ModuleError &e : moduleErrors())
            if (e.code == code)
                return QCoreApplication::translate("Nodeweave", e.text);
        return QString();
    };
    if (!file.open(QIODevice::WriteOnly) || file.write(m_writer->reportCsv(errorText)) < 0 ||
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
