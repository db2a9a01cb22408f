#pragma once

#include "config/batchwriter.h"
#include "ui_batchwritepanel.h"

#include <QDialog>
#include <QSet>
#include <QTimer>

// The batch write's own window, beside the main one: the nodes with the state of each,
// the overall progress, Stop, the verify choice, and the report of the last run.
class BatchWritePanel : public QDialog
{
    Q_OBJECT

public:
    explicit BatchWritePanel(BatchWriter *writer, QWidget *parent = nullptr);

    bool verify() const { return ui.checkBox_batchVerify->isChecked(); }
    void setVerify(bool on) { ui.checkBox_batchVerify->setChecked(on); }

    // The ready state: every scanned node with its own box (those in `ticked`, by MAC, ticked),
    // the groups of settings (node identity unticked); nothing is sent until Start.
    void prepare(const QList<ZBdevice> &scanned, const QStringList &ticked);
    // Whether Start may begin a run now (a port is open, nothing else runs).
    void setStartAllowed(bool allowed);
    QList<ZBdevice> chosenNodes() const;
    QList<SettingsTable::Group> chosenGroups() const;
    // The nodes' own values loaded from a file, by MAC address.
    const QHash<QString, CfgValues> &ownValues() const { return m_own; }
    // Whether the chosen groups hold node identity (device type, node descriptors), or a
    // node's own values do.
    bool identityChosen() const;

    // Lists the writer's nodes afresh, for a run that begins.
    void runStarted();
    // The run's outcome in one line, in the current language.
    QString summary() const;
    void retranslate();

signals:
    void startRequested();

protected:
    void closeEvent(QCloseEvent *event) override;

private slots:
    void on_pushButton_batchStart_clicked();
    void on_pushButton_batchAll_clicked();
    void on_pushButton_batchNone_clicked();
    void on_pushButton_batchValues_clicked();
    void on_pushButton_batchStop_clicked();
    void on_pushButton_batchSaveReport_clicked();

private:
    // A node's new state is shown with the next refresh, at most ten a second: a panel
    // repainted for every command would slow the run it shows.
    void nodeChanged(int index);
    void refresh();
    void showNode(int index);
    void runFinished();
    QString stateText(const BatchNode &node) const;
    void updateButtons();
    void updatePlan();
    void retranslateGroups();
    void tickAll(bool on);

    Ui::BatchWritePanelClass ui;
    BatchWriter *m_writer;
    QList<ZBdevice> m_scanned;
    QHash<QString, CfgValues> m_own;
    QStringList m_unknownNodes; // in the values file, not found by the scan
    bool m_startAllowed = false;
    bool m_ready = false; // the table lists the scan's nodes to choose from
    QSet<int> m_changed;
    QTimer m_refresh;
};
