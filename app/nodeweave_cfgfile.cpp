// Configuration file: export of the five configuration tabs to XML and import back.
#include "app/nodeweave.h"

#include "app/consolelog.h"
#include "app/dialogs.h"
#include "config/cfgfileformat.h"

#include <QEventLoop>
#include <QSaveFile>
#include <QStatusBar>
#include <QTimer>

namespace {

const int kGroupTimeMs = 200;
const int kStatusTimeMs = 10000;

} // namespace

QString Nodeweave::chooseCfgFile(bool forExport)
{
    // The waits between groups let clicks through; a second operation inside the first
    // would interleave with it.
    if (fileOpRunning)
        return QString();
    return forExport ? Dialogs::saveFileName(QStringLiteral("Export Cfg File To"),
                                             QStringLiteral("./"), tr("XML (*.xml)"))
                     : Dialogs::openFileName(QStringLiteral("Import Cfg File From"),
                                             QStringLiteral("./"), tr("XML (*.xml)"));
}

void Nodeweave::on_pushButton_Export_clicked()
{
    const QString path = chooseCfgFile(true);
    if (path.isEmpty())
        return;

    // Written beside the old file and swapped in only when complete, so a failure at any
    // point leaves the previous file as it was. Unbuffered: an error in a buffered write
    // that only happens at the final flush would slip past commit(), and a truncated
    // file would replace the old one.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text | QIODevice::Unbuffered)) {
        Dialogs::message(tr("不能打开文件%1").arg(path));
        return;
    }

    lockFileButtons(true);
    savedTabIndex = ui.tabWidget->currentIndex();

    // The user sees each page while it is saved.
    const QByteArray document = CfgFile::exportDocument(
        form()->values(), [this](const CfgFile::Group &g) { showGroup(g); });

    if (file.write(document) != document.size())
        file.cancelWriting();
    const bool written = file.commit();

    ui.tabWidget->setCurrentIndex(savedTabIndex);
    lockFileButtons(false);
    if (!written) {
        Dialogs::message(tr("不能打开文件%1").arg(path));
        return;
    }
    statusBar()->showMessage(tr("导出完成"), kStatusTimeMs);
}

void Nodeweave::on_pushButton_Import_clicked()
{
    const QString path = chooseCfgFile(false);
    if (path.isEmpty())
        return;
    importRefusals.clear();

    // Everything is checked before the form is touched: a file that cannot be used
    // leaves the configuration on screen as it was.
    QByteArray document;
    switch (CfgFile::loadFile(path, &document)) {
    case CfgFile::Check::CannotOpen:
        Dialogs::message(tr("不能打开文件%1").arg(path));
        return;
    case CfgFile::Check::WrongRoot:
        statusBar()->showMessage(
            tr("不是%1格式的XML配置文件,导入失败").arg(QStringLiteral("Nodeweave")), kStatusTimeMs);
        return;
    case CfgFile::Check::Malformed:
        statusBar()->showMessage(tr("导入遇到错误"), kStatusTimeMs);
        return;
    case CfgFile::Check::Ok:
        break;
    }

    lockFileButtons(true);
    importRunning = true;
    clearCfgForm();

    savedTabIndex = ui.tabWidget->currentIndex();
    CfgFile::ImportSink sink;
    sink.beforeGroup = [this](const CfgFile::Group &g) {
        showGroup(g);
    };
    sink.fill = [this](const CfgValues &values) {
        form()->put(values);
    };
    const bool wellFormed = CfgFile::importDocument(document, sink, &importRefusals);

    statusBar()->showMessage(wellFormed ? tr("导入完成") : tr("导入遇到错误"), kStatusTimeMs);
    ui.tabWidget->setCurrentIndex(savedTabIndex);
    importRunning = false;
    formFilled = true;
    lockFileButtons(false);
    if (!importRefusals.isEmpty()) {
        // Said twice: the box for now, the log for later.
        const QString refused = tr("以下配置项的值不被表单接受，未导入：\n%1")
                                    .arg(CfgFile::describe(importRefusals).join(QLatin1Char('\n')));
        consoleLog->note(refused, ConsoleLog::Outcome::Failure);
        Dialogs::message(refused);
    }
}

void Nodeweave::showGroup(const CfgFile::Group &group)
{
    ui.tabWidget->setCurrentIndex(group.tab);
    delayMsec(kGroupTimeMs);
}

void Nodeweave::lockFileButtons(bool locked)
{
    fileOpRunning = locked;
    updateEnabled();
}

void Nodeweave::delayMsec(int milliseconds)
{
    // A local event loop rather than a processEvents() spin: serial lines, timers and
    // painting go on during the wait without keeping a core busy.
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}
