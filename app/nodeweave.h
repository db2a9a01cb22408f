#pragma once

#include "app/cfgformview.h"
#include "app/formfamilies.h"
#include "config/batchwriter.h"
#include "config/cfgcmd.h"
#include "config/cfgfileformat.h"
#include "config/cfgqueues.h"
#include "config/cfgsequencer.h"
#include "network/zbdevice.h"
#include "serial/lineassembler.h"
#include "serial/portsettings.h"
#include "serial/portwatcher.h"
#include "ui_cfgpage_adc.h"
#include "ui_cfgpage_io.h"
#include "ui_cfgpage_network.h"
#include "ui_cfgpage_pwm.h"
#include "ui_nodeweave.h"

#include <QElapsedTimer>
#include <QList>
#include <QMainWindow>
#include <QMap>
#include <functional>
#include <future>
#include <memory>

class BatchWritePanel;
class ConsoleLog;
class FramePacer;
class QCompleter;
class QIODevice;
class QPushButton;
class QSettings;
class QTimer;
class QTranslator;
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
    // Makes the configuration pages after the first. They hold most of the form's widgets,
    // so the window makes them once it has been painted, or as soon as anything needs
    // them, whichever comes first. Does nothing the second time.
    void makeConfigPages();

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
    bool event(QEvent *event) override;

    // ---- application shell: settings and language ----
public slots:
    void langSwitch();

private slots:
    void showAbout();
    void openManual();

private:
    void setupHelp();
    void retranslateHelp();
    // Qt's own texts (dialog buttons, file dialogs, edit menus) in Chinese or not.
    void useQtTranslation(bool chinese);
    void fitButtonsToText();
    void fitDeviceColumns();
    void loadSettings();
    void loadPageSettings();
    void saveSettings();
    void loadTranslation(const QString &path);

    // ---- what the user may do: every change of state ends here ----
    // Console and packet Send and their repeats, Scan, Read, Write, Stop, Import, Export and
    // the progress bar, from whether the port is open, a configuration run, a scan or a
    // file operation goes.
    void updateEnabled();
    void lockShownPage();
    void unlockPages();

    // ---- serial connection ----
private slots:
    void on_pushButton_openCom_clicked();
    void on_comboBox_comPort_currentIndexChanged(int index);
    void portErrorOccurred(int error);
    void on_checkBox_reconnect_toggled(bool checked);
    void portsChanged();

private:
    // A changed line setting applies at once to the open port.
    void connectPortSettings();
    void fillPortList();
    // Reads the ports afresh, keeping the box's text; `force` rebuilds even when nothing
    // changed (the tooltips after a language switch).
    void refreshPortList(bool force = false);
    void reconnectLostPort();
    // A lost port awaited (or no longer): its path is also polled meanwhile.
    void setReconnectPending(bool pending);
    void getComSetting(PortSettings &settings);
    bool openCurrentPort();
    bool openPortEntry(const QString &entry, QString *failure);
    void closePort();
    // Closes a port that failed under the program, saying so in the status bar.
    void portLost(int error);
    void on_comPortToggle(bool open);
    void showPortLed(bool open);
    QString portLossText() const;
    void showPortLoss();
    QSerialPort *serialDevice() const;

    // ---- line receiver and sender ----
public slots:
    void readCom();
    void comSend(QString text);
    void sendCmd(QString cmd);

private:
    void addToCounter(QLabel *label, qint64 amount);
    void showRecvCount();
    void showCounter(QLabel *label, const QString &text);

    // ---- reply grammar, error table, console and log ----
public slots:
    QString getErrStrFromCode(int code);
    void commonRspProc(const QString &line);
    void showReplyStatus(const QString &text, bool error = false);

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
    void tidAddressModeChanged(int index);
    void packetAddressModeChanged(int index);

private:
    // The pairs of an address mode box and its address list, in the order in which a
    // newly scanned node is offered to them; the IO, ADC and PWM ones come from the
    // families. Each mode box refills its list when it changes.
    void buildAddressGroups();
    void clearAddressLists();
    void offerDeviceToAddressLists(const ZBdevice &device);
    void refillAddressList(const AddressGroup &group, int modeIndex);

    // ---- configuration sequences: read and write ----
private slots:
    void on_pushButton_readConfiguration_clicked();
    void on_pushButton_writeConfiguartion_clicked();
    void on_pushButton_stopCfg_clicked();

private:
    void initReadCfgQueue();
    void clearCfgForm();
    // Shows the page a run has reached, a turn later: switching tabs lays a page out, and
    // the run's next command should be on the line meanwhile, not wait for it.
    void showCfgPage(int page);
    // Puts what a read's step brought into the form a turn later, for the same reason: the
    // next query goes out first. A run's end puts what is still waiting.
    void fillCfgForm(const CfgValues &values);
    void putPendingFill();
    // Runs the read or a write of the form against the target device; a read first resets
    // the form.
    void startCfgRun(CfgSequencer::Kind kind);
    void cfgRunFinished(bool ok);
    // The log's account of a failed run: where it ended and the reply that ended it.
    QString cfgFailureNote(const QString &outcome);

    // ---- batch write ----
private slots:
    void on_pushButton_writeConfiguartionBull_clicked();

private:
    void initBatchWrite();
    // The panel is made when first opened: nobody waits for it at start.
    BatchWritePanel *batchPanelMade();
    // The nodes ticked in the device table (every row while "select all" is ticked, or
    // with `every`).
    QList<ZBdevice> tickedNodes(bool every = false) const;
    // Start in the panel: the chosen nodes, groups and own values, after asking when the
    // form was never filled or node identity is included.
    void startBatchWrite();
    void batchWriteFinished();

    // ---- configuration file ----
private slots:
    void on_pushButton_Export_clicked();
    void on_pushButton_Import_clicked();

private:
    // The file an export writes or an import reads, as the user chooses it; nothing while
    // either runs already.
    QString chooseCfgFile(bool forExport);
    void delayMsec(int milliseconds);
    // Shows the group's page of the configuration tabs while it is saved or loaded.
    void showGroup(const CfgFile::Group &group);
    void lockFileButtons(bool locked);

public:
    // What the last import refused, element by element, with the value.
    const QList<CfgFile::Refusal> &refusedImportValues() const { return importRefusals; }

private:
    // ---- immediate module settings and network control ----
private:
    // Each box and button of the Base Info and Network tabs sends its command at once.
    void connectImmediateSettings();
    void connectNetworkControl();
    void sendOnChange(QComboBox *box, const std::function<QString(int)> &command);
    void sendOnClick(QPushButton *button, QString (*command)());
    void applyFieldRules();

    // ---- peripherals: packets, IO, ADC, PWM ----
private slots:
    void sendPacket();
    void packetRepeatToggled(bool checked);

private:
    // True while the program fills the form (a read, an import, a reset) or a run talks to
    // the module: the reactions that would send a command stay silent then.
    bool formBusy() const;
    // Sends `cmd` to the target device unless the program is filling the form.
    void sendUnlessBusy(const QString &cmd);
    // The reactions of the IO lines, ADC and PWM channels, connected to each member of the
    // families in connectFamilies(): one implementation per family, given the member.
    void connectFamilies();
    void ioTransparentToggled(const IoLineWidgets &w, bool on);
    void ioSampleToggled(const IoLineWidgets &w, bool on);
    void adcSmpToggle(const AdcWidgets &w, bool on);
    void adcSmpCtrl(const AdcWidgets &w);
    void pwmCtrlToggle(const PwmWidgets &w, bool on);
    void pwmCtrl(const PwmWidgets &w);

    // ---- comfort: the wheel, the keyboard, names for screen readers ----
private:
    // Once the form is built: the wheel changes only a focused box, Enter presses a
    // focused button and picks a device row, Tab leaves the tables.
    void installComfort();
    void installComfortIn(QWidget *root);
    static void nameComboBoxesForScreenReaders();
    // A field whose change the module gets at once: it shows a mark and says so.
    void markImmediate(QWidget *field);

public:
    static bool appliesAtOnce(const QWidget *field);

private:
    // Marks and accessible names in the language now loaded.
    void retranslateComfort();
    void nameControls();

    // ---- fields ----
private:
    QTranslator *translator = nullptr;
    Ui::NodeweaveClass ui;
    // The configuration pages after the first, once made (see makeConfigPages()).
    std::unique_ptr<Ui::CfgPageNetwork> pageNet;
    std::unique_ptr<Ui::CfgPageIo> pageIo;
    std::unique_ptr<Ui::CfgPageAdc> pageAdc;
    std::unique_ptr<Ui::CfgPagePwm> pagePwm;
    // The network page, made first if need be.
    Ui::CfgPageNetwork &net()
    {
        makeConfigPages();
        return *pageNet;
    }
    QSettings *settings = nullptr;
    QPushButton *langButton = nullptr;
    QPushButton *helpButton = nullptr;
    QTranslator *qtTranslator = nullptr;
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
    // A read or an import filled the form since the program started.
    bool formFilled = false;
    bool portOpen = false;
    // A QSerialPort, or the in-process simulated module's device.
    QIODevice *serialPort = nullptr;
    QList<ZBdevice> deviceList;
    QMap<int, QString> errorTable;
    // The start-up text while the status bar still shows it, to follow the language.
    QString readyText;
    // The newest reply's status text, how many were shown since the window's start, and
    // the timer that shows a newer one when the next window opens.
    QString replyStatus;
    bool replyStatusIsError = false;
    bool replyShownIsError = false; // what the status bar shows is an error's text
    QElapsedTimer replyStatusWindow;
    int replyStatusCount = 0;
    QTimer *replyStatusAgain = nullptr;
    // The widgets of every IO line, ADC and PWM channel (none until the pages are made).
    FormFamilies families;
    QList<AddressGroup> addressGroups;
    QList<QWidget *> immediateFields;
    // The configuration read and write: their queues, and the one engine that runs them.
    CfgCmdQueue readQueue;
    CfgCmdQueue writeQueue;
    CfgSequencer *cfgRun = nullptr;
    int savedTabIndex = 0;
    int pendingCfgPage = -1;
    int lockedPages = 0; // bit i: page i of the form was locked by the run
    CfgValues pendingFill;
    bool fillPosted = false;
    // The configuration tabs as a view of a configuration: of the first page's fields until
    // the other pages are made, of all of them after. form() makes the pages first.
    CfgFormView *formView = nullptr;
    CfgFormView *form()
    {
        makeConfigPages();
        return formView;
    }
    // Batch write: its runner on the same engine, and its panel.
    BatchWriter *batchWriter = nullptr;
    BatchWritePanel *batchPanel = nullptr;
    QObject *comfortFilter = nullptr; // the keys and wheel of every control

    LineAssembler rxBuffer;
    QCompleter *completer = nullptr;
    SimModule *simModule = nullptr;
    QString openPortName; // the entry of the port that is open, for the port-lost message
    // The port last lost and why (a QSerialPort error), until a port opens again.
    QString lossPort;
    int lossError = 0;
    ConsoleLog *consoleLog = nullptr;
    FramePacer *framePacer = nullptr;
    // Qt's image plugins, loaded on a thread at start; a window closed sooner waits for it.
    std::future<void> imagePluginsLoaded;
    // Bytes received since the last clear. The label shows it with the log's batches:
    // redrawing it for every read costs more than the read under steady traffic.
    qint64 recvCount = 0;
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
    QTimer *reconnectPoll = nullptr;
    QString lostPort;
    QStringList lostPortLinks;
    // Configuration file: the values the last import did not put into the form.
    QList<CfgFile::Refusal> importRefusals;
};
