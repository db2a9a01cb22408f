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

    // Lists the writer's nodes afresh, for a run that begins.
    void runStarted();
    // The run's outcome in one line, in the current language.
    QString summary() const;
    void retranslate();

private slots:
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

    Ui::BatchWritePanelClass ui;
    BatchWriter *m_writer;
    QSet<int> m_changed;
    QTimer m_refresh;
};
