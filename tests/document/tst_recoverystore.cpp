#include "common/KorvaneError.h"
#include "document/RecoveryKeeper.h"
#include "document/RecoveryStore.h"
#include "editor/EditorDocument.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

using namespace korvane;

namespace {

// Unsaved work: a gradient, a red line and a text over it, from a file.
void makeWork(EditorDocument &doc)
{
    QImage picture(120, 80, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(x * 2, y * 3, 90));
    doc.SetPicture(picture);
    auto line = std::make_unique<TLineRec>();
    *line = TLineRec{5, 5, 110, 60, 3, clRed, true};
    doc.LineList.push_back(std::move(line));
    auto text = std::make_unique<TMoji>();
    text->Font = QFont(QStringLiteral("IPAPGothic"));
    text->Font.setPixelSize(16);
    text->Text = QStringLiteral("注意");
    text->X = 20;
    text->Y = 40;
    text->BkColor = clWhite;
    doc.MojiList.push_back(std::move(text));
    doc.FileName = QStringLiteral("/home/someone/手順 1.bmp");
    doc.Redraw();
    doc.History.reset(false);
}

int modeOf(const QString &path)
{
    struct stat info = {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace

class TestRecoveryStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // One run writes its copy; while it runs no other store offers it; once
    // it has gone the copy is offered once, reads back as the document it
    // was (the composed picture pixel for pixel, the name), and discarding
    // leaves the folder empty.
    void copy_OfferedOnlyOnceItsRunHasEnded()
    {
        QTemporaryDir home;
        const QString folder = home.filePath(QStringLiteral("state/korvane"));
        EditorDocument work;
        makeWork(work);

        auto running = std::make_unique<RecoveryStore>(folder);
        running->write(takeSnapshot(work));
        QCOMPARE(modeOf(folder), 0700);
        QCOMPARE(modeOf(home.filePath(QStringLiteral("state"))), 0700);
        QVERIFY(QFileInfo(running->copyPath()).isFile());
        // Written again (a later change): still one copy, no temporary left.
        running->write(takeSnapshot(work));
        QCOMPARE(filesIn(folder).filter(QStringLiteral(".png")).size(), 1);
        QVERIFY(filesIn(folder).filter(QStringLiteral(".korvane-")).isEmpty());

        RecoveryStore next(folder);
        QVERIFY(next.claimLeftOver().empty()); // its run still holds the lock

        running.reset(); // the run ends without saving: the copy stays
        const std::vector<RecoveryCandidate> left = next.claimLeftOver();
        QCOMPARE(left.size(), std::size_t(1));
        QCOMPARE(left[0].fileName, work.FileName);
        RecoveryStore another(folder);
        QVERIFY(another.claimLeftOver().empty()); // claimed by `next`

        EditorDocument restored;
        RestoreDocument(restored, next.read(left[0].id));
        QVERIFY(restored.Modified());
        QCOMPARE(restored.FileName, work.FileName);
        QCOMPARE(restored.DrawBmp.convertToFormat(QImage::Format_RGB32),
                 work.DrawBmp.convertToFormat(QImage::Format_RGB32));
        // Annotations come back as objects when the form holds them.
        if (!restored.LineList.empty())
            QVERIFY(restored.holds(work.annotations()));

        next.discard(left[0].id);
        QVERIFY(filesIn(folder).isEmpty());
    }

    // A run that was killed leaves its lock behind with its process gone:
    // the copy is offered.
    void killedRun_LockOfEndedProcessIsStale()
    {
        QTemporaryDir home;
        const QString folder = home.filePath(QStringLiteral("korvane"));
        EditorDocument work;
        makeWork(work);
        QString id;
        {
            RecoveryStore killed(folder);
            killed.write(takeSnapshot(work));
            id = QFileInfo(killed.copyPath()).completeBaseName();
        }
        QProcess gone;
        gone.start(QStringLiteral("sleep"), {QStringLiteral("0.1")});
        QVERIFY(gone.waitForStarted());
        const qint64 pid = gone.processId();
        QVERIFY(gone.waitForFinished());
        const auto leaveLock = [&](qint64 pid) {
            QFile lock(QDir(folder).filePath(id + QStringLiteral(".lock")));
            QVERIFY(lock.open(QIODevice::WriteOnly | QIODevice::Truncate));
            lock.write(QByteArray::number(pid) + "\nkorvane\n" +
                       QSysInfo::machineHostName().toUtf8() + '\n');
        };
        leaveLock(pid);
        RecoveryStore next(folder);
        const std::vector<RecoveryCandidate> left = next.claimLeftOver();
        QCOMPARE(left.size(), std::size_t(1));
        QCOMPARE(left[0].id, id);
    }

    // A damaged copy throws on reading and can be discarded; a copy whose
    // picture is gone is not offered, and what its run left goes.
    void damagedCopy_ReadThrows()
    {
        QTemporaryDir home;
        const QString folder = home.path();
        for (const QByteArray &content : {QByteArray(), QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16),
                                          QByteArray(4096, 'x')}) {
            QFile copy(QDir(folder).filePath(QStringLiteral("a-b.png")));
            QVERIFY(copy.open(QIODevice::WriteOnly | QIODevice::Truncate));
            copy.write(content);
            copy.close();
            RecoveryStore next(folder);
            const std::vector<RecoveryCandidate> left = next.claimLeftOver();
            QCOMPARE(left.size(), std::size_t(1));
            QVERIFY_THROWS_EXCEPTION(KorvaneError, next.read(left[0].id));
            next.discard(left[0].id);
            QVERIFY(filesIn(folder).isEmpty());
        }
        QFile name(QDir(folder).filePath(QStringLiteral("c-d.name")));
        QVERIFY(name.open(QIODevice::WriteOnly));
        name.close();
        RecoveryStore next(folder);
        QVERIFY(next.claimLeftOver().empty());
        QVERIFY(filesIn(folder).isEmpty());
    }

    // The keeper: a copy a little after the document becomes unsaved work,
    // gone once it is saved; given up, gone until the next change; at the
    // end unsaved work is written at once and stays.
    void keeper_FollowsTheDocument()
    {
        QTemporaryDir home;
        auto store = std::make_unique<RecoveryStore>(home.path());
        EditorDocument doc;
        doc.NewPicture();
        doc.Redraw();
        doc.History.reset();
        auto keeper = std::make_unique<RecoveryKeeper>(*store);
        keeper->watch(&doc);
        const auto copied = [&] { return QFileInfo::exists(store->copyPath()); };

        makeWork(doc);
        keeper->documentChanged();
        QVERIFY(!copied()); // not at once: a copy follows the change
        QTRY_VERIFY_WITH_TIMEOUT(copied(), 2 * RecoveryKeeper::kDelayMs + 3000);

        doc.History.markClean(); // saved
        keeper->documentChanged();
        QTRY_VERIFY(!copied());

        doc.History.reset(false);
        keeper->documentChanged();
        keeper->discarded(); // いいえ before the copy came
        QTest::qWait(RecoveryKeeper::kDelayMs + 500);
        QVERIFY(!copied());

        keeper->documentChanged(); // changed again: unsaved work again
        keeper.reset();            // the end, before the delay: written now
        QVERIFY(copied());
        store.reset();
        RecoveryStore next(home.path());
        const std::vector<RecoveryCandidate> left = next.claimLeftOver();
        QCOMPARE(left.size(), std::size_t(1));
        EditorDocument restored;
        RestoreDocument(restored, next.read(left[0].id));
        QCOMPARE(restored.DrawBmp.convertToFormat(QImage::Format_RGB32),
                 doc.DrawBmp.convertToFormat(QImage::Format_RGB32));
    }
};

QTEST_MAIN(TestRecoveryStore)
#include "tst_recoverystore.moc"
