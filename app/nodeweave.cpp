#include "app/nodeweave.h"

#include "app/batchwritepanel.h"
#include "app/consolelog.h"
#include "app/framepacer.h"
#include "app/quietprogress.h"
#include "app/settingslocation.h"
#include "config/fieldrules.h"
#include "sim/simmodule.h"

#include <QCloseEvent>
#include <QCompleter>
#include <QDir>
#include <QHeaderView>
#include <QImageReader>
#include <QRegularExpressionValidator>
#include <QScrollArea>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <QTranslator>

namespace {

QString &settingsFileOverride()
{
    static QString file;
    return file;
}

QRegularExpressionValidator *validator(const QString &pattern, QObject *parent)
{
    return new QRegularExpressionValidator(QRegularExpression(pattern), parent);
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
    nameComboBoxesForScreenReaders();
    // Qt loads every image plugin installed (GIF, ICO, JPEG…) the first time it reads a
    // picture, to ask each whether it knows the file: for the icon below, or for the style's
    // frames at the first paint. That is done on a thread while the form is built.
    imagePluginsLoaded = std::async(std::launch::async, [] {
        QImageReader(QStringLiteral(":/Nodeweave/AppIcon.png")).format();
    });
    // Made first: it starts listing the system's ports on a thread while the form is built.
    portWatcher = new PortWatcher(this);
    ui.setupUi(this);
    framePacer = new FramePacer(this);
    connectImmediateSettings();
    connectPortSettings();
    setWindowIcon(QIcon(QStringLiteral(":/Nodeweave/AppIcon.png")));
    showPortLed(false); // the form has no picture of its own: it is loaded once, here

    langButton = new QPushButton;
    targetDevice = new ZBdevice;
    portOpen = false;
    scanning = false;

    const QString settingsPath = SettingsLocation::choose(settingsFileOverride());
    settings = new QSettings(settingsPath, QSettings::IniFormat);

    importRunning = false;
    targetDevice->isLocal = true;
    cfgRun = new CfgSequencer(this);
    consoleLog = new ConsoleLog(ui.tableWidget_log, this);

    translator = new QTranslator;
    qtTranslator = new QTranslator(this);

    initErrorTable();
    loadSettings();
    fillPortList();
    initReadCfgQueue();
    buildCommandCompleter();

    setupHelp();
    statusBar()->addPermanentWidget(langButton, 0);

    consoleSendTimer = new QTimer(this);
    scanTimer = new QTimer(this);
    // A coarse timer may fire a twentieth early: a scan of n seconds would end short.
    scanTimer->setTimerType(Qt::PreciseTimer);
    pktSendTimer = new QTimer(this);
    pollTimer = new QTimer(this);

    ui.tableWidget_device->horizontalHeader()->setStretchLastSection(true);
    ui.tableWidget_device->setAlternatingRowColors(true);
    ui.tableWidget_device->setColumnWidth(0, 160);
    ui.tableWidget_device->setColumnWidth(1, 60);
    fitDeviceColumns();
    // Addresses differ at their end: elide in the middle, and let the user widen a column.
    ui.tableWidget_device->setTextElideMode(Qt::ElideMiddle);
    ui.tableWidget_device->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    // The device pane takes its share of a wider window instead of none.
    ui.splitter->setStretchFactor(0, 2);
    // On a small screen or with a large font the panes keep their sizes and the window
    // scrolls, instead of the window growing past the screen.
    auto *scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("scrollArea_central"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(takeCentralWidget());
    setCentralWidget(scroll);

    fitToText(ui.lineEdit_targetDeviceNet, "0x0000");
    fitToText(ui.lineEdit_targetDeviceMac, "0x0000000000000000");

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
    connect(cfgRun, &CfgSequencer::progress, this, [this](int step) {
        if (!batchWriter->isRunning())
            showProgressQuietly(ui.progressBar_cfg, step);
    });
    connect(cfgRun, &CfgSequencer::finished, this, &Nodeweave::cfgRunFinished);
    connect(cfgRun, &CfgSequencer::strayReply, this, [this](const QString &sender) {
        consoleLog->note(tr("已忽略来自 %1 的回复").arg(sender));
    });
    initBatchWrite();
    installComfort();
    connect(consoleLog, &ConsoleLog::frame, this, &Nodeweave::showRecvCount);
    connect(consoleLog, &ConsoleLog::message, this,
            [this](const QString &text) { statusBar()->showMessage(text, 10000); });
    consoleLog->setShowSent(ui.checkBox_log_cmd->isChecked());
    connect(ui.checkBox_log_cmd, &QCheckBox::toggled, consoleLog, &ConsoleLog::setShowSent);
    consoleLog->setAutoScroll(ui.checkBox_logAutoScroll->isChecked());
    connect(ui.checkBox_logAutoScroll, &QCheckBox::toggled, consoleLog, &ConsoleLog::setAutoScroll);
    connect(consoleSendTimer, &QTimer::timeout, this, &Nodeweave::on_pushButton_send_clicked);
    connect(scanTimer, &QTimer::timeout, this, &Nodeweave::scanTiming);
    connect(pktSendTimer, &QTimer::timeout, this, &Nodeweave::sendPacket);

    // Shown again in the chosen language once main() has installed the translator.
    readyText = tr("Ready");
    statusBar()->showMessage(readyText, 5000);
    // Settings are written only at close, too late to tell anyone; say it now, once.
    // Queued, so that the text is looked up once the translator is installed.
    if (!SettingsLocation::writable(settingsPath)) {
        QTimer::singleShot(0, this, [this, settingsPath]() {
            statusBar()->showMessage(tr("设置文件 %1 无法写入：更改不会保存")
                                         .arg(QDir::toNativeSeparators(settingsPath)),
                                     10000);
        });
    }

    // The first page shows the reset values from the start, as the others will: through a
    // view of the fields made so far, which keeps the form's reactions silent meanwhile.
    formView = new CfgFormView(this, CfgFormView::Fields::Present);
    formView->put(SettingsTable::resetValues());
    // The other configuration pages are made after the first paint (event()), or when
    // one is opened or anything needs them before.
    connect(ui.tabWidget, &QTabWidget::currentChanged, this, &Nodeweave::makeConfigPages);
    // A page turned to while a run goes, by the run or the user, is locked before it is
    // painted.
    connect(ui.tabWidget, &QTabWidget::currentChanged, this, [this] {
        if (cfgRun->isRunning() || batchWriter->isRunning())
            lockShownPage();
    });

    const bool chinese = langButton->text() == QLatin1String("English");
    loadTranslation(chinese ? QStringLiteral(":/Nodeweave/cn_lang")
                            : QStringLiteral(":/Nodeweave/en_lang"));
    useQtTranslation(chinese);
    ui.retranslateUi(this);
    retranslateHelp();
    retranslateComfort();
    showPortLoss();
    fitButtonsToText();
}

void Nodeweave::makeConfigPages()
{
    if (pageNet)
        return;
    pageNet = std::make_unique<Ui::CfgPageNetwork>();
    pageNet->setupUi(ui.tab_2);
    pageIo = std::make_unique<Ui::CfgPageIo>();
    pageIo->setupUi(ui.tab_3);
    pageAdc = std::make_unique<Ui::CfgPageAdc>();
    pageAdc->setupUi(ui.tab_4);
    pagePwm = std::make_unique<Ui::CfgPagePwm>();
    pagePwm->setupUi(ui.tab_5);
    connect(pageNet->comboBox_TID_AM, &QComboBox::currentIndexChanged, this,
            &Nodeweave::tidAddressModeChanged);
    connect(pageNet->comboBox_sendPkt_AM, &QComboBox::currentIndexChanged, this,
            &Nodeweave::packetAddressModeChanged);
    connect(pageNet->pushButton_sendPkt, &QPushButton::clicked, this, &Nodeweave::sendPacket);
    connect(pageNet->checkBox_sendPkt_regulerSend, &QCheckBox::toggled, this,
            &Nodeweave::packetRepeatToggled);

    families = FormFamilies::find(this);
    // The new pages show the reset values; the first page keeps what it shows.
    CfgValues reset = SettingsTable::resetValues();
    for (const QString &shown : formView->values().keys())
        reset.remove(shown);
    delete formView;
    formView = new CfgFormView(this);
    connectFamilies();
    connectNetworkControl();
    buildAddressGroups();
    fitToText(pageNet->lineEdit_EPID, "0x0000000000000000");
    applyFieldRules();
    for (const PwmWidgets &w : families.pwm)
        w.slider->setRange(0, 100);
    for (QWidget *page : {ui.tab_2, ui.tab_3, ui.tab_4, ui.tab_5})
        installComfortIn(page);
    loadPageSettings();
    formView->put(reset);
    retranslateHelp();
    retranslateComfort();
    fitButtonsToText();
}

bool Nodeweave::event(QEvent *event)
{
    const bool handled = QMainWindow::event(event);
    // Once the window has been painted, the pages it does not show yet.
    if (event->type() == QEvent::UpdateRequest && !pageNet)
        QTimer::singleShot(0, this, &Nodeweave::makeConfigPages);
    return handled;
}

// Validators and ranges from the one table an import checks its values against.
void Nodeweave::applyFieldRules()
{
    for (const FieldRules::Rule &rule : FieldRules::rules()) {
        QWidget *field = findChild<QWidget *>(rule.widget);
        if (auto *spin = qobject_cast<QSpinBox *>(field); spin && rule.hasRange())
            spin->setRange(rule.minimum, rule.maximum);
        else if (auto *edit = qobject_cast<QLineEdit *>(field))
            edit->setValidator(validator(rule.pattern, this));
        else if (auto *box = qobject_cast<QComboBox *>(field))
            box->setValidator(validator(rule.pattern, this));
        else
            qWarning("no form field %s for its input rule", qPrintable(rule.widget));
    }
}

Nodeweave::~Nodeweave()
{
    // Stop listening before members go: closing the port must not call back into a
    // half-destroyed window.
    if (serialPort)
        serialPort->disconnect(this);
    QCoreApplication::removeTranslator(qtTranslator);
    delete translator;
    delete settings;
    delete targetDevice;
    delete completer;
    delete formView;
}

void Nodeweave::closeEvent(QCloseEvent *event)
{
    saveSettings();
    // The window is going, so the status bar can no longer say it.
    if (settings->status() != QSettings::NoError)
        qWarning("cannot save the settings to %s", qPrintable(settings->fileName()));
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

bool Nodeweave::openPortNamed(const QString &name)
{
    if (portOpen)
        on_pushButton_openCom_clicked(); // closes the port that is open
    const int index = ui.comboBox_comPort->findText(name);
    if (index >= 0)
        ui.comboBox_comPort->setCurrentIndex(index);
    else
        ui.comboBox_comPort->setEditText(name);
    on_pushButton_openCom_clicked();
    return portOpen;
}

void Nodeweave::setSettingsFile(const QString &file)
{
    settingsFileOverride() = file;
}

QString Nodeweave::settingsFileName() const
{
    return settings->fileName();
}

bool Nodeweave::formBusy() const
{
    return (formView && formView->filling()) || cfgRun->isRunning() ||
           (batchWriter && batchWriter->isRunning()) || importRunning;
}

void Nodeweave::lockShownPage()
{
    const int page = ui.tabWidget->currentIndex();
    if (page < 0 || (lockedPages & (1 << page)))
        return;
    lockedPages |= 1 << page;
    ui.tabWidget->widget(page)->setEnabled(false);
}

void Nodeweave::unlockPages()
{
    for (int page = 0; page < ui.tabWidget->count(); ++page) {
        if (lockedPages & (1 << page))
            ui.tabWidget->widget(page)->setEnabled(true);
    }
    lockedPages = 0;
}

void Nodeweave::updateEnabled()
{
    const bool batchRunning = batchWriter && batchWriter->isRunning();
    const bool cfgRunning = cfgRun->isRunning() || batchRunning;
    // While a run talks to the module nothing else may: a scan report or the answer to a
    // console command or packet would be judged as the step's reply. A repeat that runs
    // is stopped (unticking stops its timer), not merely hidden behind a disabled box.
    if (cfgRunning) {
        ui.checkBox_regulerSend->setChecked(false);
        if (pageNet)
            pageNet->checkBox_sendPkt_regulerSend->setChecked(false);
    }
    ui.pushButton_send->setEnabled(portOpen && !cfgRunning);
    ui.checkBox_regulerSend->setEnabled(!cfgRunning);
    if (pageNet) {
        pageNet->pushButton_sendPkt->setEnabled(!cfgRunning);
        pageNet->checkBox_sendPkt_regulerSend->setEnabled(!cfgRunning);
    }
    ui.pushButton_scan->setEnabled(portOpen && !cfgRunning);
    // Read and Write talk to the module: with the port gone they would only time out. A
    // run, an import or an export in progress keeps them locked, even when the port
    // reopens under it: a read would reset the form under an import, a write would send
    // a half-filled one. A scan's reports would be taken for a read's replies, and its
    // refill of the address lists would change the form under an import.
    const bool formFree = !cfgRunning && !fileOpRunning && !scanning;
    ui.pushButton_readConfiguration->setEnabled(portOpen && formFree);
    ui.pushButton_writeConfiguartion->setEnabled(portOpen && formFree);
    // Batch Write opens its panel: ready for a run, or showing the one under way or the last.
    ui.pushButton_writeConfiguartionBull->setEnabled(batchRunning || (formFree && !importRunning));
    if (batchPanel)
        batchPanel->setStartAllowed(portOpen && formFree && !importRunning);
    // A run sends what the form held when it began, or fills the form itself: an edit
    // meanwhile would be lost. The page shown is locked, and each page as it comes into
    // view; hidden pages take no input. Locking all five pages' 300 controls, and unlocking
    // them after the last answer, cost most of a millisecond at each end of every run.
    if (cfgRunning)
        lockShownPage();
    else
        unlockPages();
    ui.pushButton_stopCfg->setEnabled(cfgRunning);
    ui.pushButton_Import->setEnabled(formFree);
    ui.pushButton_Export->setEnabled(!cfgRunning && !fileOpRunning);
    ui.progressBar_cfg->setEnabled(cfgRunning);
    framePacer->setBusy(cfgRunning);
}
