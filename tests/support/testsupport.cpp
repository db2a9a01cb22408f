#include "testutil.h"

#include <QLineEdit>
#include <QTableWidget>

QStringList logTexts(const WindowFixture &f)
{
    QCoreApplication::processEvents();
    TestAccess::log(f.w.get())->flush();
    auto *log = f.find<QTableWidget>("tableWidget_log");
    QStringList texts;
    for (int row = 0; row < log->rowCount(); ++row)
        texts.append(log->item(row, 0)->text());
    return texts;
}

void type(QLineEdit *edit, const QString &text)
{
    edit->selectAll();
    edit->del();
    QTest::keyClicks(edit, text);
}
