#include "app/dialogs.h"
#include "app/nodeweave.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>

namespace {

// Where the manual is: the README installed beside the program (a package or
// `cmake --install`), the one of the source tree a build sits in (./run.sh), else the
// manual page.
QUrl manualUrl()
{
    const QDir bin(QCoreApplication::applicationDirPath());
    for (const QString &relative :
         {QStringLiteral("../share/doc/nodeweave/README.md"), QStringLiteral("../README.md")}) {
        const QFileInfo readme(bin.filePath(relative));
        if (readme.isFile())
            return QUrl::fromLocalFile(readme.canonicalFilePath());
    }
    return QUrl(QStringLiteral("man:nodeweave(1)"));
}

QString manualName(const QUrl &url)
{
    return url.isLocalFile() ? QDir::toNativeSeparators(url.toLocalFile())
                             : QStringLiteral("man nodeweave");
}

} // namespace

void Nodeweave::setupHelp()
{
    helpButton = new QPushButton;
    helpButton->setObjectName(QStringLiteral("pushButton_help"));
    connect(helpButton, &QPushButton::clicked, this, &Nodeweave::showAbout);
    statusBar()->addPermanentWidget(helpButton, 0);
    auto *f1 = new QShortcut(QKeySequence::HelpContents, this);
    connect(f1, &QShortcut::activated, this, &Nodeweave::openManual);
}

// Texts of the controls whose label does not say what they do, set again with every
// language switch.
void Nodeweave::retranslateHelp()
{
    helpButton->setText(tr("帮助"));
    helpButton->setToolTip(tr("版本、许可证和手册（F1 打开手册）"));
    // Readable whichever language is shown, so the way back is found without either.
    langButton->setToolTip(tr("切换界面语言（Switch the interface language）"));

    const struct
    {
        QWidget *widget;
        QString tip;
    } tips[] = {
        {ui.comboBox_comPort, tr("串口：列表中的端口、键入的设备路径，或内置的模拟模块 Simulator")},
        {ui.checkBox_autoRemote, tr("勾选后，控制台命令加上远程地址，发往右侧地址的节点")},
        {ui.checkBox_sendNewLine, tr("在命令后加回车换行（CR LF）；模块只执行以此结束的命令")},
        {ui.checkBox_regulerSend, tr("按右侧的间隔（毫秒）重复发送命令")},
        {ui.lineEdit_regular_time, tr("重复发送的间隔，毫秒，至少 10")},
        {ui.checkBox_log_cmd, tr("在日志中也显示发送的命令")},
        {ui.checkBox_logAutoScroll, tr("新行到达时滚动到日志末尾")},
        {ui.label_sendCnt, tr("已发送的字符数")},
        {ui.label_recvCnt, tr("已接收的字节数")},
        {ui.lineEdit_scanTime, tr("扫描网络的时间，秒（1-255）")},
        {ui.checkBox_deviceSelectAll,
         tr("勾选列表中的所有节点：命令发往所有节点（广播），批量写入写入每个节点")},
        {ui.lineEdit_targetDeviceNet, tr("目标节点的网络地址；为空时命令发往串口上的模块")},
        {ui.pushButton_stopCfg, tr("停止正在进行的读取、写入或批量写入")},
        {ui.pushButton_writeConfiguartionBull,
         tr("把表单的配置写入设备列表中勾选的每个节点，并逐一校验")},
        {ui.pushButton_Export, tr("把表单的配置保存为 XML 文件")},
        {ui.pushButton_Import, tr("从 XML 文件载入配置到表单（不写入模块）")},
        {pageNet ? pageNet->lineEdit_EPID : nullptr,
         tr("扩展 PAN ID：十进制数，或模块报告的 0x 形式")},
        {pageNet ? pageNet->checkBox_sendPkt_regulerSend : nullptr,
         tr("按右侧的间隔（毫秒）重复发送数据包")},
    };
    for (const auto &t : tips) {
        if (t.widget) // a page not made yet gets its tips when it is
            t.widget->setToolTip(t.tip);
    }
}

void Nodeweave::showAbout()
{
    const QString text = tr("Nodeweave %1\n通过串口用 AT 指令配置和测试 ZigBee 无线模块。\n\n"
                            "许可证：MIT 许可证\n手册：%2（按 F1 "
                            "打开）\n没有模块时，可打开端口“Simulator”试用全部功能。")
                             .arg(QStringLiteral(NODEWEAVE_VERSION), manualName(manualUrl()));
    Dialogs::about(tr("关于 Nodeweave"), text);
}

void Nodeweave::openManual()
{
    const QUrl url = manualUrl();
    if (!Dialogs::openUrl(url))
        statusBar()->showMessage(
            tr("无法打开手册 %1：请在终端中运行 man nodeweave").arg(manualName(url)), 10000);
}
