#pragma once

#include "config/cfgcmd.h"
#include "config/cfgfileformat.h"
#include "network/zbdevice.h"
#include "serial/lineassembler.h"
#include "serial/portsettings.h"
#include "serial/portwatcher.h"
#include "ui_nodeweave.h"

#include <QList>
#include <QMainWindow>
#include <QMap>

class QButtonGroup;
class QCompleter;
class QIODevice;
class QPushButton;
class QSettings;
class QTimer;
class QTranslator;
class QXmlStreamReader;
class QXmlStreamWriter;
class SimModule;

class Nodeweave : public QMainWindow
{
    Q_OBJECT
    // Tests reach state that no widget shows (the target device, retry counts) through it.
    friend class TestAccess;

public:
    enum logType
    {
        logSend = 0,
        logRecv = 1
    };

    explicit Nodeweave(QWidget *parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    ~Nodeweave() override;

    // The translator main() installs once; language switches only reload it.
    QTranslator *appTranslator() const { return translator; }
    // Sets every form text in the loaded language, keeping what the user typed or the
    // program filled in (values, counters, the port and scan button states).
    void retranslate();

    // The entry of the port box that opens the built-in simulated module.
    static QString simulatorPortName();
    // The simulated module behind that entry, made on first use and kept for the whole
    // run so its configuration survives closing and reopening the port.
    SimModule *simulator();

    // Selects the port entry `name` (a list entry or a typed device path) and opens it as
    // the Open button does, closing a port that is open first (--port at start). True
    // when the port is open.
    bool openPortNamed(const QString &name);

    // The settings file the next window uses instead of the usual location (--settings);
    // empty for the usual one.
    static void setSettingsFile(const QString &file);
    QString settingsFileName() const;

signals:
    void recvNewLine(const QString &line);

protected:
    void closeEvent(QCloseEvent *event) override;

    // ---- application shell: settings and language ----
public slots:
    void langSwitch();

private:
    void fitButtonsToText();
    void loadSettings();
    void saveSettings();
    void loadTranslation(const QString &path);

    // ---- serial connection ----
private slots:
    void on_pushButton_openCom_clicked();
    void on_comboBox_comPort_currentIndexChanged(int index);
    void on_comboBox_bps_currentIndexChanged(int index);
    void on_comboBox_dataBit_currentIndexChanged(int index);
    void on_comboBox_stopBit_currentIndexChanged(int index);
    void on_comboBox_parBit_currentIndexChanged(int index);
    void portErrorOccurred(int error);
    void on_checkBox_reconnect_toggled(bool checked);
    void portsChanged();

private:
    void fillPortList();
    // Reads the ports afresh, keeping the box's text; `force` rebuilds even when nothing
    // changed (the tooltips after a language switch).
    void refreshPortList(bool force = false);
    void reconnectLostPort();
    void getComSetting(PortSettings &settings);
    bool openCurrentPort();
    bool openPortEntry(const QString &entry, QString *failure);
    void closePort();
    // Closes a port that failed under the program, saying so in the status bar.
    void portLost(int error);
    void on_comPortToggle(bool open);
    QSerialPort *serialDevice() const;

    // ---- line receiver and sender ----
public slots:
    void readCom();
    void comSend(QString text);
    void sendCmd(QString cmd);

private:
    void addToCounter(QLabel *label, qint64 amount);

    // ---- reply grammar, error table, console and log ----
public slots:
    QString getErrStrFromCode(int code);
    void commonRspProc(const QString &line);

private slots:
    void on_pushButton_send_clicked();
    void on_checkBox_regulerSend_toggled(bool checked);
    void on_pushButton_clearLog_clicked();

public:
    void addStrToLog(QString text, logType type);

private:
    void initErrorTable();
    void buildCommandCompleter();

    // ---- network: scan, device table, target device, address modes ----
private slots:
    void on_pushButton_scan_clicked();
    void scanStart();
    void scanTiming();
    void scanProc(const QString &line);
    void scanDone();
    void on_checkBox_deviceSelectAll_toggled(bool checked);
    void on_tableWidget_device_cellClicked(int row, int column);

public slots:
    void targetDeviceUpdate(const ZBdevice *device);

private slots:
    void on_comboBox_consoleAddrMode_currentIndexChanged(int index);
    void on_comboBox_TID_AM_currentIndexChanged(int index);
    void on_comboBox_sendPkt_AM_currentIndexChanged(int index);
    void on_comboBox_TPIO9_AM_currentIndexChanged(int index);
    void on_comboBox_TPIO10_AM_currentIndexChanged(int index);
    void on_comboBox_TPIO14_AM_currentIndexChanged(int index);
    void on_comboBox_TPIO15_AM_currentIndexChanged(int index);
    void on_comboBox_TPIO17_AM_currentIndexChanged(int index);
    void on_comboBox_IOSMP9_AM_currentIndexChanged(int index);
    void on_comboBox_IOSMP10_AM_currentIndexChanged(int index);
    void on_comboBox_IOSMP14_AM_currentIndexChanged(int index);
    void on_comboBox_IOSMP15_AM_currentIndexChanged(int index);
    void on_comboBox_IOSMP17_AM_currentIndexChanged(int index);
    void on_comboBox_ADSMP1_currentIndexChanged(int index);
    void on_comboBox_ADSMP2_currentIndexChanged(int index);
    void on_comboBox_ADSMP3_currentIndexChanged(int index);
    void on_comboBox_ADSMP4_currentIndexChanged(int index);

private:
    void clearAddressLists();
    void offerDeviceToAddressLists(const ZBdevice &device);
    // NETWORK-MEMBERS (helpers of the network area go here)

    // ---- configuration sequences: read and write ----
private slots:
    void on_pushButton_readConfiguration_clicked();
    void on_pushButton_writeConfiguartion_clicked();
    void on_pushButton_stopCfg_clicked();
    void readCfgRecvNewLine(const QString &line);
    void writeCfgRecvNewLine(const QString &line);
    void readCfgTimeout();
    void writeCfgTimeout();

private:
    void initReadCfgQueue();
    void initWriteCfgQueue();
    void clearCfgForm();
    void readCfgStart();
    void readCfgSendCurrent();
    void readCfgNext();
    void readCfgDone(bool ok);
    void writeCfgStart();
    void writeCfgSendCurrent();
    void writeCfgNext();
    void writeCfgDone(bool ok);
    // CONFIG-MEMBERS (helpers of the configuration area go here)
    // Buttons and progress bar while a configuration run goes, and once it has ended.
    void showCfgRunning(int steps);
    void showCfgIdle();
    // A rejected reply or a time-out: the step is sent once more, then the run fails.
    void readCfgStepFailed();
    void writeCfgStepFailed();

    // ---- configuration file ----
private slots:
    void on_pushButton_Export_clicked();
    void on_pushButton_Import_clicked();

private:
    void writeBaseGroup(QXmlStreamWriter &xml);
    void writeNetworkGroup(QXmlStreamWriter &xml);
    void writeIoGroup(QXmlStreamWriter &xml);
    void writeAdGroup(QXmlStreamWriter &xml);
    void writePwmGroup(QXmlStreamWriter &xml);
    void readBaseGroup(QXmlStreamReader &xml);
    void readNetworkGroup(QXmlStreamReader &xml);
    void readIoGroup(QXmlStreamReader &xml);
    void readAdGroup(QXmlStreamReader &xml);
    void readPwmGroup(QXmlStreamReader &xml);
    void delayMsec(int milliseconds);
    // FILE-MEMBERS (helpers of the configuration file area go here)
    void writeGroup(QXmlStreamWriter &xml, int group);
    void readGroup(QXmlStreamReader &xml, int group);
    void lockFileButtons(bool locked);

public:
    // What the last import refused, element by element, with the value.
    const QList<CfgFile::Refusal> &refusedImportValues() const { return importRefusals; }

private:
    // ---- immediate module settings and network control ----
private slots:
    void on_pushButton_reset_clicked();
    void on_pushButton_restore_clicked();
    void on_comboBox_defaultWorkMode_currentIndexChanged(int index);
    void on_comboBox_deviceType_currentIndexChanged(int index);
    void on_comboBox_deviceBps_currentIndexChanged(int index);
    void on_comboBox_deviceStopBit_currentIndexChanged(int index);
    void on_comboBox_deviceDataBit_currentIndexChanged(int index);
    void on_comboBox_deviceParBit_currentIndexChanged(int index);
    void on_comboBox_deviceFlow_currentIndexChanged(int index);
    void on_comboBox_CH_currentIndexChanged(int index);
    void on_comboBox_netLock_currentIndexChanged(int index);
    void on_comboBox_autoNet_currentIndexChanged(int index);
    void on_pushButton_startNet_clicked();
    void on_pushButton_leaveNet_clicked();
    void on_pushButton_netRst_clicked();

    // ---- peripherals: packets, IO, ADC, PWM ----
    void on_pushButton_sendPkt_clicked();
    void on_checkBox_sendPkt_regulerSend_toggled(bool checked);

    void on_radioButton_9input_toggled(bool checked);
    void on_radioButton_10input_toggled(bool checked);
    void on_radioButton_14input_toggled(bool checked);
    void on_radioButton_15input_toggled(bool checked);
    void on_radioButton_17input_toggled(bool checked);
    void on_comboBox_9output_currentIndexChanged(int index);
    void on_comboBox_10output_currentIndexChanged(int index);
    void on_comboBox_14output_currentIndexChanged(int index);
    void on_comboBox_15output_currentIndexChanged(int index);
    void on_comboBox_17output_currentIndexChanged(int index);
    void on_checkBox_TPIO9_toggled(bool checked);
    void on_checkBox_TPIO10_toggled(bool checked);
    void on_checkBox_TPIO14_toggled(bool checked);
    void on_checkBox_TPIO15_toggled(bool checked);
    void on_checkBox_TPIO17_toggled(bool checked);
    void on_checkBox_IOSMP9_toggled(bool checked);
    void on_checkBox_IOSMP10_toggled(bool checked);
    void on_checkBox_IOSMP14_toggled(bool checked);
    void on_checkBox_IOSMP15_toggled(bool checked);
    void on_checkBox_IOSMP17_toggled(bool checked);

    void adc1SmpToggle(bool checked);
    void adc2SmpToggle(bool checked);
    void adc3SmpToggle(bool checked);
    void adc4SmpToggle(bool checked);
    void adc1SmpCtrl();
    void adc2SmpCtrl();
    void adc3SmpCtrl();
    void adc4SmpCtrl();
    void pwm1CtrlToggle(bool checked);
    void pwm2CtrlToggle(bool checked);
    void pwm3CtrlToggle(bool checked);
    void pwm1Ctrl();
    void pwm2Ctrl();
    void pwm3Ctrl();

private:
    // True while the program itself fills the form (a configuration read or an import):
    // the reactions that would send a command stay silent then.
    bool formBusy() const { return readCfgRunning || importRunning; }
    // PERIPHERAL-MEMBERS (helpers of the immediate-settings and peripherals area go here)
    // Sends `cmd` to the target device unless the program is filling the form.
    void sendUnlessBusy(const QString &cmd);
    // One implementation per family; the named slots pass their IO line, ADC channel or
    // PWM output number.
    void ioDirectionToggled(int line, bool input);
    void ioLevelChanged(int line, int index);
    void ioTransparentToggled(int line, bool on);
    void ioSampleToggled(int line, bool on);
    void adcSmpToggle(int channel, bool on);
    void adcSmpCtrl(int channel);
    void pwmCtrlToggle(int output, bool on);
    void pwmCtrl(int output);

    // ---- fields ----
private:
    QTranslator *translator = nullptr;
    Ui::NodeweaveClass ui;
    QSettings *settings = nullptr;
    QPushButton *langButton = nullptr;
    ZBdevice *targetDevice = nullptr;
    QTimer *consoleSendTimer = nullptr;
    QTimer *pollTimer = nullptr;
    bool scanning = false;
    QTimer *scanTimer = nullptr;
    int scanRemaining = 0;
    int deviceCount = 0;
    int graceTicks = 0;
    QTimer *pktSendTimer = nullptr;
    bool importRunning = false;
    bool portOpen = false;
    // A QSerialPort, or the in-process simulated module's device.
    QIODevice *serialPort = nullptr;
    QList<ZBdevice> deviceList;
    QMap<int, QString> errorTable;
    QButtonGroup *ioButtonGroups[5] = {};
    CfgCmdQueue readQueue;
    int readCfgPos = 0;
    bool readCfgRunning = false;
    QTimer *readCfgTimer = nullptr;
    int savedTabIndex = 0;
    int readCfgRetries = 0;
    CfgCmdQueue writeQueue;
    int writeCfgPos = 0;
    bool writeCfgRunning = false;
    QTimer *writeCfgTimer = nullptr;
    int writeCfgRetries = 0;

    LineAssembler rxBuffer;
    QCompleter *completer = nullptr;
    SimModule *simModule = nullptr;
    QString openPortName; // the entry of the port that is open, for the port-lost message
    // FIELDS (fields added by a feature area go here, with a comment naming the area)
    // Console log: entries wait in pendingLog and enter the table in batches (one
    // relayout and repaint per batch, not per line); the table keeps the newest logCap.
    struct PendingLogEntry
    {
        QString text;
        logType type;
    };
    QList<PendingLogEntry> pendingLog;
    QTimer *logFlushTimer = nullptr;
    qint64 logLastFlushMs = -1;
    int logCap = 100000;
    // Characters held by the table, bounded too: a peer spewing bytes without line ends
    // fills the log with 64 KiB entries, and 100 000 of those would not fit in memory.
    qint64 logChars = 0;
    qint64 logCharBudget = 16 * 1024 * 1024;
    // Bytes received since the last clear. The label shows it with the log's batches:
    // redrawing it for every read costs more than the read under steady traffic.
    qint64 recvCount = 0;
    void setUpLog();
    void scheduleLogFrame();
    void showRecvCount();
    void showCounter(QLabel *label, const QString &text);
    void flushLog();
    void dropOldestLogRows(int count);
    void saveLog();
    void copyLog();
    // Configuration file: an export or import is under way (its waits let clicks through).
    bool fileOpRunning = false;
    // Port list and reconnect: the watcher of the machine's ports, the entries the box
    // lists, the last port opened (remembered in the settings), and the port that was lost
    // while "reconnect" is on, with the by-id links that named it when it was opened.
    PortWatcher *portWatcher = nullptr;
    QList<PortEntry> listedPorts;
    QString lastPort;
    QStringList openPortLinks;
    bool reconnectPending = false;
    QString lostPort;
    QStringList lostPortLinks;
    // Configuration file: the values the last import did not put into the form.
    QList<CfgFile::Refusal> importRefusals;
};
