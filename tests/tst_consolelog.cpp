// The console log on a bare table: batching, its bounds, kinds and colours.

#include "at/consolelog.h"

#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>

namespace {

QStringList texts(const QTableWidget &table)
{
    QStringList out;
    for (int row = 0; row < table.rowCount(); ++row)
        out.append(table.item(row, 0)->text());
    return out;
}

} // namespace

class TestConsoleLog : public QObject
{
    Q_OBJECT

private slots:
    void batchesAndBounds();
};

void TestConsoleLog::batchesAndBounds()
{
    QTableWidget table;
    ConsoleLog log(&table);
    QSignalSpy frames(&log, &ConsoleLog::frame);
    log.setCap(10);

    // Entries wait for their frame, then come in one batch with their kind's colour.
    log.append(QStringLiteral("AT\r\n"), ConsoleLog::Sent);
    log.append(QStringLiteral("OK\r\n"), ConsoleLog::Received);
    log.append(QStringLiteral("ignored"), ConsoleLog::Kind(3));
    log.note(QStringLiteral("done"));
    QCOMPARE(table.rowCount(), 0);
    QCOMPARE(log.pendingCount(), 3);
    QTRY_COMPARE(texts(table), QStringList({"AT\r\n", "OK\r\n", "done"}));
    QCOMPARE(frames.size(), 1);
    QCOMPARE(table.item(0, 0)->background().color(), QColor(220, 245, 250));
    QCOMPARE(table.item(1, 0)->background().color(), QColor(250, 240, 220));
    QCOMPARE(table.item(2, 0)->background().color(), QColor(225, 245, 215));
    QCOMPARE(log.text({2}), QStringLiteral("done\r\n"));

    // Sent entries only while they are shown.
    log.setShowSent(false);
    log.append(QStringLiteral("AT+VER\r\n"), ConsoleLog::Sent);
    QCOMPARE(log.pendingCount(), 0);

    // Oldest entries go first; order is kept, also across batches of every size.
    log.clear();
    for (int i = 0; i < 7; ++i)
        log.append(QStringLiteral("L%1\r\n").arg(i), ConsoleLog::Received);
    QTRY_COMPARE(table.rowCount(), 7);
    for (int i = 7; i < 25; ++i)
        log.append(QStringLiteral("L%1\r\n").arg(i), ConsoleLog::Received);
    QCOMPARE(log.pendingCount(), 10);
    QStringList expected;
    for (int i = 15; i < 25; ++i)
        expected.append(QStringLiteral("L%1\r\n").arg(i));
    log.flush();
    QCOMPARE(texts(table), expected);

    // The size bound drops the oldest entries, but never the newest one.
    log.setCharBudget(12);
    log.append(QStringLiteral("12345678\r\n"), ConsoleLog::Received);
    log.flush();
    QCOMPARE(texts(table), QStringList({"12345678\r\n"}));
    log.append(QString(20, QLatin1Char('x')), ConsoleLog::Received);
    log.flush();
    QCOMPARE(texts(table), QStringList({QString(20, QLatin1Char('x'))}));
    QCOMPARE(log.text({0}), QString(20, QLatin1Char('x')) + QStringLiteral("\r\n"));
}

QTEST_MAIN(TestConsoleLog)
#include "tst_consolelog.moc"
