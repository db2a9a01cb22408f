#include "nodeweave.h"

#include "config/fieldrules.h"
#include "settingslocation.h"
#include "sim/simmodule.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QCompleter>
#include <QDir>
#include <QHeaderView>
#include <QRegularExpressionValidator>
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
    ui.setupUi(this);
    setWindowIcon(QIcon(QStringLiteral(":/Nodeweave/AppIcon")));

    langButton = new QPushButton;
    targetDevice = new ZBdevice;
    portOpen = false;
    scanning = false;

    const QString settingsPath = SettingsLocation::choose(settingsFileOverride());
    settings = new QSettings(settingsPath, QSettings::IniFormat);

    readCfgRunning = false;
    importRunning = false;
    targetDevice->isLocal = true;
    readCfgRetries = 0;
    writeCfgRetries = 0;
    writeCfgRunning = false;

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
    readCfgTimer = new QTimer(this);
    readCfgTimer->setSingleShot(true);
    writeCfgTimer = new QTimer(this);
    writeCfgTimer->setSingleShot(true);

    ui.tableWidget_log->setColumnCount(1);
    ui.tableWidget_log->verticalHeader()->hide();
    ui.tableWidget_log->horizontalHeader()->hide();
    ui.tableWidget_log->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    ui.tableWidget_log->horizontalHeader()->setStretchLastSection(true);

    ui.tableWidget_device->horizontalHeader()->setStretchLastSection(true);
    ui.tableWidget_device->setAlternatingRowColors(true);
    ui.tableWidget_device->setColumnWidth(0, 160);
    ui.tableWidget_device->setColumnWidth(1, 60);

    fitToText(ui.lineEdit_targetDeviceNet, "0x0000");
    fitToText(ui.lineEdit_targetDeviceMac, "0x0000000000000000");
    fitToText(ui.lineEdit_EPID, "0x0000000000000000");

    // Validators and ranges from the one table an import checks its values against.
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

    const QList<std::pair<int, std::pair<QRadioButton *, QRadioButton *>>> ioRadios = {
        {9, {ui.radioButton_9input, ui.radioButton_9output}},
        {10, {ui.radioButton_10input, ui.radioButton_10output}},
        {14, {ui.radioButton_14input, ui.radioButton_14output}},
        {15, {ui.radioButton_15input, ui.radioButton_15output}},
        {17, {ui.radioButton_17input, ui.radioButton_17output}},
    };
    for (int i = 0; i < ioRadios.size(); ++i) {
        ioButtonGroups[i] = new QButtonGroup(this);
        ioButtonGroups[i]->addButton(ioRadios[i].second.first, ioRadios[i].first);
        ioButtonGroups[i]->addButton(ioRadios[i].second.second, ioRadios[i].first);
    }

    for (QSlider *s :
         {ui.horizontalSlider_PWM1, ui.horizontalSlider_PWM2, ui.horizontalSlider_PWM3})
        s->setRange(0, 100);

    connect(pollTimer, &QTimer::timeout, this, &Nodeweave::readCom);
    pollTimer->start(50);
    connect(langButton, &QPushButton::clicked, this, &Nodeweave::langSwitch);
    connect(this, &Nodeweave::recvNewLine, this, &Nodeweave::commonRspProc);
    connect(consoleSendTimer, &QTimer::timeout, this, &Nodeweave::on_pushButton_send_clicked);
    connect(scanTimer, &QTimer::timeout, this, &Nodeweave::scanTiming);
    connect(readCfgTimer, &QTimer::timeout, this, &Nodeweave::readCfgTimeout);
    connect(writeCfgTimer, &QTimer::timeout, this, &Nodeweave::writeCfgTimeout);
    connect(pktSendTimer, &QTimer::timeout, this, &Nodeweave::on_pushButton_sendPkt_clicked);
    connect(ui.checkBox_ADSMP1, &QCheckBox::toggled, this, &Nodeweave::adc1SmpToggle);
    connect(ui.checkBox_ADSMP2, &QCheckBox::toggled, this, &Nodeweave::adc2SmpToggle);
    connect(ui.checkBox_ADSMP3, &QCheckBox::toggled, this, &Nodeweave::adc3SmpToggle);
    connect(ui.checkBox_ADSMP4, &QCheckBox::toggled, this, &Nodeweave::adc4SmpToggle);
    connect(ui.checkBox_PWM1, &QCheckBox::toggled, this, &Nodeweave::pwm1CtrlToggle);
    connect(ui.checkBox_PWM2, &QCheckBox::toggled, this, &Nodeweave::pwm2CtrlToggle);
    connect(ui.checkBox_PWM3, &QCheckBox::toggled, this, &Nodeweave::pwm3CtrlToggle);
    connect(ui.lineEdit_PWM1_FRQ, &QLineEdit::textChanged, this, &Nodeweave::pwm1Ctrl);
    connect(ui.lineEdit_PWM2_FRQ, &QLineEdit::textChanged, this, &Nodeweave::pwm2Ctrl);
    connect(ui.lineEdit_PWM3_FRQ, &QLineEdit::textChanged, this, &Nodeweave::pwm3Ctrl);
    connect(ui.spinBox_PWM1, &QSpinBox::valueChanged, this, &Nodeweave::pwm1Ctrl);
    connect(ui.spinBox_PWM2, &QSpinBox::valueChanged, this, &Nodeweave::pwm2Ctrl);
    connect(ui.spinBox_PWM3, &QSpinBox::valueChanged, this, &Nodeweave::pwm3Ctrl);

    statusBar()->showMessage(tr("Ready"), 5000);
    // Settings are written only at close, too late to tell anyone; say it now, once.
    // Queued, so that the text is looked up once the translator is installed.
    if (!SettingsLocation::writable(settingsPath)) {
        QTimer::singleShot(0, this, [this, settingsPath]() {
            statusBar()->showMessage(
                tr("设置无法保存到 %1").arg(QDir::toNativeSeparators(settingsPath)), 10000);
        });
    }

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
