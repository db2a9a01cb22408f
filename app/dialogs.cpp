#include "app/dialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>

namespace Dialogs {
namespace {
Hooks &hooks()
{
    static Hooks h;
    return h;
}
} // namespace

void message(const QString &text)
{
    if (hooks().message) {
        hooks().message(text);
        return;
    }
    QMessageBox box;
    // Port names, paths and module text are shown as typed, never as rich text.
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

bool question(const QString &text)
{
    if (hooks().question)
        return hooks().question(text);
    QMessageBox box;
    box.setTextFormat(Qt::PlainText);
    box.setIcon(QMessageBox::Question);
    box.setText(text);
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

namespace {
// The first extension a filter offers ("xml" of "XML (*.xml)"); none for "All files (*)".
QString extensionOf(const QString &filter)
{
    static const QRegularExpression pattern(QStringLiteral("\\*\\.(\\w+)"));
    return pattern.match(filter).captured(1);
}

QString withExtension(const QString &path, const QString &filter)
{
    const QString extension = extensionOf(filter);
    if (path.isEmpty() || extension.isEmpty() || !QFileInfo(path).suffix().isEmpty())
        return path;
    return path + QLatin1Char('.') + extension;
}

QString runFileDialog(QFileDialog::AcceptMode mode, const QString &caption, const QString &dir,
                      const QString &filter, QString *chosenFilter)
{
    QFileDialog dialog(nullptr, caption, dir, filter);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile
                                                       : QFileDialog::ExistingFile);
    // The dialog then also asks before replacing "name.xml" when "name" was typed.
    dialog.setDefaultSuffix(extensionOf(filter));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog](const QString &f) { dialog.setDefaultSuffix(extensionOf(f)); });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    *chosenFilter = dialog.selectedNameFilter();
    return dialog.selectedFiles().constFirst();
}
} // namespace

QString saveFileName(const QString &caption, const QString &dir, const QString &filter)
{
    QString chosenFilter = filter;
    const QString path = hooks().saveFileName ? hooks().saveFileName(caption)
                                              : runFileDialog(QFileDialog::AcceptSave, caption, dir,
                                                              filter, &chosenFilter);
    return withExtension(path, chosenFilter);
}

QString openFileName(const QString &caption, const QString &dir, const QString &filter)
{
    QString chosenFilter = filter;
    const QString path = hooks().openFileName ? hooks().openFileName(caption)
                                              : runFileDialog(QFileDialog::AcceptOpen, caption, dir,
                                                              filter, &chosenFilter);
    const QString extended = withExtension(path, chosenFilter);
    return !QFileInfo::exists(path) && QFileInfo::exists(extended) ? extended : path;
}

void about(const QString &title, const QString &text)
{
    if (hooks().about) {
        hooks().about(title, text);
        return;
    }
    QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.setIconPixmap(QApplication::windowIcon().pixmap(64, 64));
    box.exec();
}

bool openUrl(const QUrl &url)
{
    if (hooks().openUrl)
        return hooks().openUrl(url);
    return QDesktopServices::openUrl(url);
}

void setHooks(const Hooks &h)
{
    hooks() = h;
}

void clearHooks()
{
    hooks() = Hooks();
}

} // namespace Dialogs
