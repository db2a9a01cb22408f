#include "app/nodeweave.h"

#include "at/consolelog.h"
#include "sim/simmodule.h"

#include <QCloseEvent>
#include <QCompleter>
#include <QHeaderView>
#include <QRegularExpressionValidator>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <QTranslator>

namespace {

QRegularExpressionValidator *validator(const char *pattern, QObject *parent)
{
    return new QRegularExpressionValidator(QRegularExpression(QString::fromLatin1(pattern)),
                                           parent);
}

// Wide enough for the longest value the field shows, so a whole address is never cut.
void fitToText(QLineEdit *edit, const char *longest)
{
    // Frame and inner margins on both sides, and the cursor.
    constexpr int kFrameAndMargins = 10;
    edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QString::fromLatin1(longest)) +
                          kFrameAndMargins);
}

} // namespace

Nodeweave::Nodeweave(QWidget *parent, Qt::WindowFlags flags) : QMainWindow(parent, flags)
{
    ui.setupUi(this);
    // Connected right after the form's own by-name connections, as those would be.
    families = FormFamilies::find(this);
    connectFamilies();
    connectImmediateSettings();
    connectPortSettings();
    buildAddressGroups();
    setWindowIcon(QIcon(QStringLiteral(":/Nodeweave/AppIcon")));

    langButton = new QPushButton;
    targetDevice = new ZBdevice;
    portOpen = false;
    scanning = false;

    settings = new QSettings(QStringLiteral("./Nodeweave.ini"), QSettings::IniFormat);

    importRunning = false;
    targetDevice->isLocal = true;
    cfgRun = new CfgSequencer(this);
    consoleLog = new ConsoleLog(ui.tableWidget_log, this);

    translator = new QTranslator;

    initErrorTable();
    loadSettings();
    fillPortList();
    initReadCfgQueue();
    initWriteCfgQueue();
    buildCommandCompleter();

    statusBar()->addPermanentWidget(langButton, 0);

    consoleSendTimer = new QTimer(this);
    scanTimer = new QTimer(this);
    pktSendTimer = new QTimer(this);
    pollTimer = new QTimer(this);

    ui.tableWidget_device->horizontalHeader()->setStretchLastSection(true);
    ui.tableWidget_device->setAlternatingRowColors(true);
    ui.tableWidget_device->setColumnWidth(0, 160);
    ui.tableWidget_device->setColumnWidth(1, 60);
    // Addresses differ at their end: elide in the middle, and let the user widen a column.
    ui.tableWidget_device->setTextElideMode(Qt::ElideMiddle);
    ui.tableWidget_device->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    // The device pane takes its share of a wider window instead of none.
    ui.splitter->setStretchFactor(0, 2);

    fitToText(ui.lineEdit_targetDeviceNet, "0x0000");
    fitToText(ui.lineEdit_targetDeviceMac, "0x0000000000000000");
    fitToText(ui.lineEdit_EPID, "0x0000000000000000");

    for (QLineEdit *e : {ui.lineEdit_sendPkt_regular_time, ui.lineEdit_EPID, ui.lineEdit_joinTime})
        e->setValidator(validator("[0-9]*", this));
    ui.comboBox_TID_ADDR->setValidator(validator("^0x[a-fA-F0-9]{0,16}", this));
    for (const IoLineWidgets &w : families.io)
        w.sampleInterval->setValidator(validator("[0-9]{0,10}", this));
    for (const AdcWidgets &w : families.adc) {
        w.address->setValidator(validator("^0x[a-fA-F0-9]{0,16}", this));
        w.interval->setValidator(validator("[0-9]{0,10}", this));
    }
    for (const PwmWidgets &w : families.pwm) {
        w.frequency->setValidator(validator("[0-9]{1,5}", this));
        w.slider->setRange(0, 100);
        w.duty->setRange(0, 100);
    }

    // The counters change with every read. A label of fixed size spares the window a
    // relayout each time, and an opaque one spares repainting what lies behind it. Eight
    // digits leave room for the rest of the console at the window's smallest size.
    for (QLabel *counter : {ui.label_sendCnt, ui.label_recvCnt}) {
        const int width = counter->fontMetrics().horizontalAdvance(QStringLiteral("00000000"));
        counter->setFixedSize(width + 2 * counter->margin() + 2, counter->sizeHint().height());
        counter->setAutoFillBackground(true);
    }

    connect(pollTimer, &QTimer::timeout, this, &Nodeweave::readCom);
    pollTimer->start(50);
    connect(langButton, &QPushButton::clicked, this, &Nodeweave::langSwitch);
    // The common handler sees every line first; a running sequence after it.
    connect(this, &Nodeweave::recvNewLine, this, &Nodeweave::commonRspProc);
    connect(this, &Nodeweave::recvNewLine, cfgRun, &CfgSequencer::lineReceived);
    connect(cfgRun, &CfgSequencer::sendText, this, &Nodeweave::comSend);
    connect(cfgRun, &CfgSequencer::progress, ui.progressBar_cfg, &QProgressBar::setValue);
    connect(cfgRun, &CfgSequencer::finished, this, &Nodeweave::cfgRunFinished);
    connect(consoleLog, &ConsoleLog::frame, this, &Nodeweave::showRecvCount);
    connect(consoleLog, &ConsoleLog::message, this,
            [this](const QString &text) { statusBar()->showMessage(text, 10000); });
    consoleLog->setShowSent(ui.checkBox_log_cmd->isChecked());
    connect(ui.checkBox_log_cmd, &QCheckBox::toggled, consoleLog, &ConsoleLog::setShowSent);
    consoleLog->setAutoScroll(ui.checkBox_logAutoScroll->isChecked());
    connect(ui.checkBox_logAutoScroll, &QCheckBox::toggled, consoleLog, &ConsoleLog::setAutoScroll);
    connect(consoleSendTimer, &QTimer::timeout, this, &Nodeweave::on_pushButton_send_clicked);
    connect(scanTimer, &QTimer::timeout, this, &Nodeweave::scanTiming);
    connect(pktSendTimer, &QTimer::timeout, this, &Nodeweave::on_pushButton_sendPkt_clicked);

    // Shown again in the chosen language once main() has installed the translator.
    readyText = tr("Ready");
    statusBar()->showMessage(readyText, 5000);

    clearCfgForm();

    loadTranslation(langButton->text() == QLatin1String("English")
                        ? QStringLiteral(":/Nodeweave/cn_lang")
                        : QStringLiteral(":/Nodeweave/en_lang"));
    ui.retranslateUi(this);
    fitButtonsToText();
}

Nodeweave::~Nodeweave()
{
    // Stop listening before members go: closing the port must not call back into a
    // half-destroyed window.
    if (serialPort)
        serialPort->disconnect(this);
    delete translator;
    delete settings;
    delete targetDevice;
    delete completer;
}

void Nodeweave::closeEvent(QCloseEvent *event)
{
    saveSettings();
    event->accept();
}

QString Nodeweave::simulatorPortName()
{
    return QStringLiteral("Simulator");
}

SimModule *Nodeweave::simulator()
{
    if (!simModule)
        simModule = new SimModule(this);
    return simModule;
}

bool Nodeweave::formBusy() const
{
    return cfgRun->isRunning(CfgSequencer::Kind::Read) || importRunning;
}

void Nodeweave::updateEnabled()
{
    const bool cfgRunning = cfgRun->isRunning();
    ui.pushButton_send->setEnabled(portOpen);
    ui.pushButton_scan->setEnabled(portOpen);
    // Read and Write talk to the module: with the port gone they would only time out. A
    // run, an import or an export in progress keeps them locked, even when the port
    // reopens under it: a read would reset the form under an import, a write would send
    // a half-filled one.
    ui.pushButton_readConfiguration->setEnabled(portOpen && !cfgRunning && !fileOpRunning);
    ui.pushButton_writeConfiguartion->setEnabled(portOpen && !cfgRunning && !fileOpRunning);
    ui.pushButton_stopCfg->setEnabled(cfgRunning);
    ui.pushButton_Import->setEnabled(!cfgRunning && !fileOpRunning);
    ui.pushButton_Export->setEnabled(!cfgRunning && !fileOpRunning);
    ui.progressBar_cfg->setEnabled(cfgRunning);
}
