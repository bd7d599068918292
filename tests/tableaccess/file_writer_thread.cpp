// The thread that takes an output file's bytes to the disk: order, back-pressure while the disk
// is behind, failures, and stopping with bytes still queued.
#include "tableaccess/FileWriterThread.h"
#include "tableaccess/MyTableFileWriter.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <memory>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

using namespace qvor;

namespace {

QByteArray block(char fill, int size) { return QByteArray(size, fill); }

// Reads everything from a pipe's read end until the writer closes it.
QByteArray readAllFrom(int fd)
{
    QByteArray all;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got <= 0) break;
        all.append(buffer, static_cast<qsizetype>(got));
    }
    return all;
}

} // namespace

class FileWriterThreadTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void blocksArriveInOrder()
    {
        QTemporaryDir dir;
        QFile file(dir.filePath("out.bin"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QByteArray expected;
        {
            FileWriterThread writer(file);
            for (int i = 0; i < 200; ++i) {
                const QByteArray b = block(static_cast<char>('a' + i % 26), 1000 + i * 37);
                expected += b;
                QVERIFY(writer.put(b));
            }
            QVERIFY(writer.drain());
            QCOMPARE(writer.pendingBytes(), qint64(0));
            QVERIFY(!writer.error().isError());
        }
        file.close();
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), expected);
    }

    // A reader that does not read (a disk that does not keep up): the bytes wait in the queue,
    // pendingBytes() says how many, and once the reader takes them nothing is lost.
    void pendingBytesWhileTheDiskIsBehind()
    {
        int fds[2];
        QCOMPARE(::pipe(fds), 0);
        QFile writeEnd;
        QVERIFY(writeEnd.open(fds[1], QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle));
        QByteArray expected;
        {
            FileWriterThread writer(writeEnd);
            for (int i = 0; i < 8; ++i) {
                const QByteArray b = block(static_cast<char>('0' + i), 1 << 20);
                expected += b;
                QVERIFY(writer.put(b));
            }
            // A pipe holds far less than 8 MiB; most of it must still be waiting.
            QTest::qWait(50);
            QVERIFY(writer.pendingBytes() > (6 << 20));
            QByteArray received;
            std::thread reader([&] { received = readAllFrom(fds[0]); });
            QVERIFY(writer.drain());
            QCOMPARE(writer.pendingBytes(), qint64(0));
            writeEnd.close();   // ends the reader
            reader.join();
            QCOMPARE(received.size(), expected.size());
            QVERIFY(received == expected);
        }
        ::close(fds[0]);
    }

    void aFailedWriteIsReportedAndLaterBlocksAreRefused()
    {
        if (!QFile::exists(QStringLiteral("/dev/full"))) QSKIP("no /dev/full here");
        QFile full(QStringLiteral("/dev/full"));
        QVERIFY(full.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        FileWriterThread writer(full);
        QVERIFY(writer.put(block('x', 4096)));
        QVERIFY(!writer.drain());
        QCOMPARE(writer.error().number, AppError::diskFull().number);
        QVERIFY(!writer.put(block('y', 10)));
        QCOMPARE(writer.pendingBytes(), qint64(0));
    }

    // Ending with blocks still queued (an import given up) neither hangs nor writes them all.
    void stopsWithBlocksQueued()
    {
        int fds[2];
        QCOMPARE(::pipe(fds), 0);
        QFile writeEnd;
        QVERIFY(writeEnd.open(fds[1], QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle));
        ::fcntl(fds[0], F_SETFL, O_NONBLOCK);
        auto writer = std::make_unique<FileWriterThread>(writeEnd);
        for (int i = 0; i < 4; ++i) QVERIFY(writer->put(block('z', 1 << 20)));
        QTest::qWait(20);
        // The end is asked for while the first block is stuck in the pipe...
        QElapsedTimer t;
        t.start();
        std::thread ending([&] { writer.reset(); });
        QTest::qWait(100);
        // ...then a reader lets that one block through; the three behind it are dropped.
        std::atomic<bool> stop{false};
        std::atomic<qint64> drained{0};
        std::thread reader([&] {
            char buffer[65536];
            while (!stop) {
                const ssize_t got = ::read(fds[0], buffer, sizeof buffer);
                if (got > 0) drained += got;
                else std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
        ending.join();
        const qint64 stopMs = t.elapsed();
        QTest::qWait(20);
        stop = true;
        reader.join();
        QVERIFY2(stopMs < 5000, qPrintable(QString::number(stopMs)));
        QCOMPARE(drained.load(), qint64(1 << 20));
        ::close(fds[0]);
    }

    // The writer of the output file refuses new rows only while far behind, and its file holds
    // every row once committed.
    void outputFileThroughTheThread()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("out.csv");
        MyTableBuffer fields;
        fields.fields = {{"T-A", "A", "C", 3}};
        MyTableFileWriter writer;
        AppError error;
        QVERIFY(writer.begin(path, fields, QStringLiteral(";"), &error));
        QByteArray expected = "T-A\r\nA\r\n";
        for (int i = 0; i < 300000; ++i) {
            const QByteArray row = QByteArray::number(i);
            expected += row + "\r\n";
            QVERIFY(writer.writeRow(row, &error));
        }
        QVERIFY(!writer.backlogged());   // a few MiB only
        QVERIFY(writer.finishWriting(&error));
        QVERIFY(writer.commit(&error));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.readAll() == expected);
    }
};

QTEST_GUILESS_MAIN(FileWriterThreadTest)
#include "file_writer_thread.moc"
