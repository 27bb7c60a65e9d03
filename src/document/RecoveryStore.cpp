#include "document/RecoveryStore.h"

#include "common/KorvaneError.h"
#include "document/AtomicFile.h"
#include "document/EditablePng.h"
#include "editor/EditorDocument.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSet>
#include <QSysInfo>
#include <QUuid>
#include <algorithm>
#include <cerrno>
#include <signal.h>
#include <sys/stat.h>

namespace korvane {

RecoverySnapshot takeSnapshot(const EditorDocument &document)
{
    return {document.BaseBmp, document.annotations(), document.FileName};
}

void RestoreDocument(EditorDocument &document, RecoveredDocument recovered)
{
    document.ClearAnnotations();
    document.SetPicture(std::move(recovered.base));
    document.setAnnotations(recovered.annotations);
    document.FileName = std::move(recovered.fileName);
    document.Redraw();
    // Unsaved work: closing asks about it, as before the run ended.
    document.History.reset(false);
}

QString RecoveryStore::defaultFolder()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    // Relative paths are to be ignored, as for every XDG folder.
    if (state.isEmpty() || QDir::isRelativePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/korvane");
}

RecoveryStore::RecoveryStore(QString folder)
    : m_folder(std::move(folder)), m_id(QUuid::createUuid().toString(QUuid::WithoutBraces))
{
}

RecoveryStore::~RecoveryStore() = default;

QString RecoveryStore::pathOf(const QString &id, QStringView suffix) const
{
    return QString(m_folder).append(u'/').append(id).append(suffix);
}

void RecoveryStore::makeFolder() const
{
    // Each missing folder on the way private to the user: the copies hold
    // whatever was on the screen.
    QStringList missing;
    for (QString path = QDir::cleanPath(m_folder); !QFileInfo::exists(path);
         path = QFileInfo(path).path()) {
        missing.prepend(path);
        if (path == QFileInfo(path).path())
            break;
    }
    for (const QString &path : std::as_const(missing)) {
        if (::mkdir(QFile::encodeName(path).constData(), 0700) != 0 && errno != EEXIST)
            throw KorvaneError(QStringLiteral("復元用のフォルダ %1 を作れません").arg(m_folder));
    }
}

void RecoveryStore::write(const RecoverySnapshot &snapshot)
{
    if (!m_lock) {
        makeFolder();
        auto lock = std::make_unique<QLockFile>(pathOf(m_id, u".lock"));
        lock->setStaleLockTime(0);
        if (!lock->tryLock(0))
            throw KorvaneError(QStringLiteral("復元用のフォルダ %1 に書き込めません").arg(m_folder));
        m_lock = std::move(lock);
    }
    if (!m_nameWritten || m_writtenName != snapshot.fileName) {
        AtomicFile name(pathOf(m_id, u".name"));
        name.device().write(snapshot.fileName.toUtf8());
        name.commit();
        m_writtenName = snapshot.fileName;
        m_nameWritten = true;
    }
    // Composed here, not taken from the window: drawing goes on into the
    // window's composition while this runs.
    EditorDocument composed;
    composed.SetPicture(snapshot.base);
    composed.setAnnotations(snapshot.annotations);
    composed.Redraw();
    AtomicFile copy(copyPath());
    writeEditablePng(composed.DrawBmp, composed.redactedBase(), snapshot.annotations,
                     &copy.device());
    copy.commit();
}

void RecoveryStore::remove()
{
    QFile::remove(copyPath());
    QFile::remove(pathOf(m_id, u".name"));
    m_nameWritten = false;
}

namespace {

// Whether the lock's holder has ended: a process of this machine that no
// longer exists. A lock of another machine (a home folder shared over the
// network) is taken as held.
bool holderEnded(const QLockFile &lock, const QString &path)
{
    qint64 pid = 0;
    QString host;
    QString application;
    if (!lock.getLockInfo(&pid, &host, &application)) {
        // Empty or garbled: a holder that died while writing it, unless it
        // is being written right now.
        return QFileInfo(path).lastModified().secsTo(QDateTime::currentDateTime()) > 60;
    }
    if (!host.isEmpty() && host != QSysInfo::machineHostName())
        return false;
    return pid > 0 && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}

} // namespace

std::vector<RecoveryCandidate> RecoveryStore::claimLeftOver()
{
    std::vector<RecoveryCandidate> found;
    const QDir folder(m_folder);
    QSet<QString> ids;
    for (const QString &entry :
         folder.entryList({QStringLiteral("*.png"), QStringLiteral("*.name"), QStringLiteral("*.lock")},
                          QDir::Files | QDir::Hidden)) {
        const QString id = entry.section(u'.', 0, 0);
        if (!id.isEmpty() && id != m_id && !m_claims.count(id))
            ids.insert(id);
    }
    for (const QString &id : std::as_const(ids)) {
        const QString lockPath = pathOf(id, u".lock");
        auto lock = std::make_unique<QLockFile>(lockPath);
        lock->setStaleLockTime(0);
        bool claimed = lock->tryLock(0);
        if (!claimed && lock->error() == QLockFile::LockFailedError && holderEnded(*lock, lockPath) &&
            lock->removeStaleLockFile())
            claimed = lock->tryLock(0);
        if (!claimed)
            continue; // its instance still runs, or another start has it
        const QFileInfo copy(pathOf(id, u".png"));
        if (!copy.isFile()) {
            // What a run left without a copy: its name, its lock.
            QFile::remove(pathOf(id, u".name"));
            continue; // the lock goes with the object
        }
        QFile name(pathOf(id, u".name"));
        QString fileName;
        if (name.open(QIODevice::ReadOnly))
            fileName = QString::fromUtf8(name.read(64 * 1024));
        found.push_back({id, copy.lastModified(), fileName});
        m_claims.emplace(id, std::move(lock));
    }
    std::sort(found.begin(), found.end(),
              [](const RecoveryCandidate &a, const RecoveryCandidate &b) { return a.written > b.written; });
    return found;
}

RecoveredDocument RecoveryStore::read(const QString &id) const
{
    QFile file(pathOf(id, u".png"));
    if (!file.open(QIODevice::ReadOnly))
        throw KorvaneError(QStringLiteral("%1 を読めません").arg(file.fileName()));
    const QByteArray content = file.readAll();
    if (content.isEmpty())
        throw KorvaneError(QStringLiteral("%1 は空です").arg(file.fileName()));
    EditableRead read = readEditablePng(content);
    RecoveredDocument recovered;
    if (read.document) {
        recovered.base = std::move(read.document->base);
        recovered.annotations = std::move(read.document->annotations);
    } else {
        recovered.base = std::move(read.picture);
    }
    if (recovered.base.isNull())
        throw KorvaneError(QStringLiteral("%1 に画像がありません").arg(file.fileName()));
    recovered.notRestored = std::move(read.notRestored);
    QFile name(pathOf(id, u".name"));
    if (name.open(QIODevice::ReadOnly))
        recovered.fileName = QString::fromUtf8(name.read(64 * 1024));
    return recovered;
}

void RecoveryStore::discard(const QString &id)
{
    QFile::remove(pathOf(id, u".png"));
    QFile::remove(pathOf(id, u".name"));
    m_claims.erase(id); // unlocking deletes the lock file
}

void RecoveryStore::release(const QString &id)
{
    m_claims.erase(id);
}

} // namespace korvane
