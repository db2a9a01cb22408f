// Configuration file: export of the five configuration tabs to XML and import back.
#include "app/nodeweave.h"

#include "app/dialogs.h"
#include "app/consolelog.h"
#include "config/cfgfileformat.h"
#include "config/fieldrules.h"

#include <QEventLoop>
#include <QSaveFile>
#include <QStatusBar>
#include <QTimer>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace {

const int kGroupTimeMs = 200;
const int kStatusTimeMs = 10000;

QString fieldText(const QWidget *form, const CfgFile::Field &field)
{
    QWidget *w = form->findChild<QWidget *>(field.widget);
    switch (field.kind) {
    case CfgFile::FieldKind::Item:
    case CfgFile::FieldKind::Address:
        // An editable box's current text is the text of its edit field.
        if (auto *box = qobject_cast<QComboBox *>(w))
            return box->currentText();
        break;
    case CfgFile::FieldKind::Text:
        if (auto *edit = qobject_cast<QLineEdit *>(w))
            return edit->text();
        break;
    case CfgFile::FieldKind::Flag:
        if (auto *box = qobject_cast<QAbstractButton *>(w))
            return box->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
        break;
    case CfgFile::FieldKind::Direction:
        if (auto *input = qobject_cast<QAbstractButton *>(w))
            return input->isChecked() ? QStringLiteral("0") : QStringLiteral("1");
        break;
    case CfgFile::FieldKind::Duty:
        if (auto *spin = qobject_cast<QSpinBox *>(w))
            return QString::number(spin->value());
        break;
    }
    qWarning("configuration file: no form field %s", qPrintable(field.widget));
    return QString();
}

void applyField(QWidget *form, const CfgFile::Field &field, const QString &value)
{
    QWidget *w = form->findChild<QWidget *>(field.widget);
    switch (field.kind) {
    case CfgFile::FieldKind::Item:
        if (auto *box = qobject_cast<QComboBox *>(w)) {
            const int index = box->findText(value, Qt::MatchExactly | Qt::MatchCaseSensitive);
            if (index >= 0)
                box->setCurrentIndex(index);
            return;
        }
        break;
    case CfgFile::FieldKind::Address:
        // Only the edit text: the mode applied just before has refilled the list.
        if (auto *box = qobject_cast<QComboBox *>(w); box && box->lineEdit()) {
            box->lineEdit()->setText(value);
            return;
        }
        break;
    case CfgFile::FieldKind::Text:
        if (auto *edit = qobject_cast<QLineEdit *>(w)) {
            edit->setText(value);
            return;
        }
        break;
    case CfgFile::FieldKind::Flag:
        if (auto *box = qobject_cast<QAbstractButton *>(w)) {
            box->setChecked(value != QLatin1String("0"));
            return;
        }
        break;
    case CfgFile::FieldKind::Direction: {
        auto *input = qobject_cast<QAbstractButton *>(w);
        auto *output = form->findChild<QAbstractButton *>(field.partner);
        if (input && output) {
            if (value == QLatin1String("0"))
                input->setChecked(true);
            else
                output->setChecked(true);
            return;
        }
        break;
    }
    case CfgFile::FieldKind::Duty:
        // The spin box keeps the value within its range; the slider follows it.
        if (auto *spin = qobject_cast<QSpinBox *>(w)) {
            spin->setValue(value.toInt(nullptr, 10));
            return;
        }
        break;
    }
    qWarning("configuration file: no form field %s", qPrintable(field.widget));
}

// Whether the field's widget would take `value` from the user: an item of its list, a
// text its validator lets through, a number within its range. Check boxes and radio
// buttons read any text as one of their two states.
bool fieldAccepts(const QWidget *form, const CfgFile::Field &field, const QString &value)
{
    switch (field.kind) {
    case CfgFile::FieldKind::Item:
        if (auto *box = form->findChild<QComboBox *>(field.widget))
            return box->findText(value, Qt::MatchExactly | Qt::MatchCaseSensitive) >= 0;
        return false;
    case CfgFile::FieldKind::Text:
    case CfgFile::FieldKind::Address:
    case CfgFile::FieldKind::Duty:
        return FieldRules::accepts(field.widget, value);
    case CfgFile::FieldKind::Flag:
    case CfgFile::FieldKind::Direction:
        return true;
    }
    return false;
}

// Applies the fields the form accepts; a refused one keeps the value the reset gave it.
void applyLeaf(QWidget *form, const CfgFile::Leaf &leaf, const QString &text,
               QList<CfgFile::Refusal> &refused)
{
    const std::optional<QStringList> fields = CfgFile::splitFields(leaf, text);
    if (!fields) {
        refused.append({leaf.name, text});
        return;
    }
    for (int i = 0; i < leaf.fields.size(); ++i) {
        if (fieldAccepts(form, leaf.fields.at(i), fields->at(i)))
            applyField(form, leaf.fields.at(i), fields->at(i));
        else
            refused.append({leaf.name, fields->at(i)});
    }
}

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

    QByteArray document;
    QXmlStreamWriter xml(&document);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(CfgFile::rootName());
    for (int group = 0; group < CfgFile::GroupCount; ++group)
        writeGroup(xml, group);
    xml.writeEndElement();
    xml.writeEndDocument();

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

    QXmlStreamReader xml(document);
    CfgFile::readRoot(xml);
    savedTabIndex = ui.tabWidget->currentIndex();
    CfgFile::readGroups(xml,
                        [this, &xml](const CfgFile::Group &group) { readGroup(xml, group.id); });

    statusBar()->showMessage(xml.hasError() ? tr("导入遇到错误") : tr("导入完成"), kStatusTimeMs);
    ui.tabWidget->setCurrentIndex(savedTabIndex);
    importRunning = false;
    lockFileButtons(false);
    if (!importRefusals.isEmpty()) {
        // Said twice: the box for now, the log for later.
        const QString refused = tr("以下配置项的值不被表单接受，未导入：\n%1")
                                    .arg(CfgFile::describe(importRefusals).join(QLatin1Char('\n')));
        consoleLog->note(refused, ConsoleLog::Outcome::Failure);
        Dialogs::message(refused);
    }
}

void Nodeweave::writeGroup(QXmlStreamWriter &xml, int group)
{
    const CfgFile::Group &g = CfgFile::groups().at(group);
    // The user sees each page while it is saved.
    ui.tabWidget->setCurrentIndex(g.tab);
    delayMsec(kGroupTimeMs);
    CfgFile::writeGroup(xml, g,
                        [this](const CfgFile::Field &field) { return fieldText(this, field); });
}

void Nodeweave::readGroup(QXmlStreamReader &xml, int group)
{
    const CfgFile::Group &g = CfgFile::groups().at(group);
    ui.tabWidget->setCurrentIndex(g.tab);
    delayMsec(kGroupTimeMs);
    CfgFile::readLeaves(xml, g, [this](const CfgFile::Leaf &leaf, const QString &text) {
        applyLeaf(this, leaf, text, importRefusals);
    });
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
