#include "document/AtomicFile.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvane {

namespace {

QString reason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

bool permissionRefused(int error)
{
    return error == EACCES || error == EPERM || error == EROFS;
}

// The write bits of a file's mode say what its owner decided, whoever asks;
// access() answers for this user, who may be allowed more.
bool modeProtected(const struct stat &info, const QByteArray &path)
{
    return (info.st_mode & 0222) == 0 || ::access(path.constData(), W_OK) != 0;
}

mode_t newFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

bool AtomicFile::isWriteProtected(const QString &path)
{
    struct stat info;
    const QByteArray encoded = QFile::encodeName(path);
    return ::stat(encoded.constData(), &info) == 0 && S_ISREG(info.st_mode) &&
           modeProtected(info, encoded);
}

AtomicFile::AtomicFile(const QString &target)
{
    // A link is followed: the file it names is the one replaced, and the
    // link stays a link.
    const QFileInfo link(target);
    m_target = link.isSymLink() && link.exists() ? link.canonicalFilePath() : target;
    m_file.m_name = m_target;
    const QByteArray path = QFile::encodeName(m_target);

    struct stat info;
    if (::stat(path.constData(), &info) == 0) {
        if (!S_ISREG(info.st_mode))
            throw KorvaneError(
                QStringLiteral("%1 はファイルではないため、保存できません").arg(m_target));
        if (modeProtected(info, path))
            throw WriteProtectedError(
                QStringLiteral("%1 は書き込みが禁止されているため、保存できません").arg(m_target));
        m_mode = info.st_mode & 07777;
        m_owner = int(info.st_uid);
        m_group = int(info.st_gid);
    } else {
        m_mode = newFileMode();
    }

    const QString folder = QFileInfo(m_target).absolutePath();
    m_temporary = QFile::encodeName(QDir(folder).filePath(QStringLiteral(".korvane-XXXXXX")));
    m_fd = ::mkostemp(m_temporary.data(), O_CLOEXEC);
    if (m_fd < 0) {
        const int error = errno;
        m_temporary.clear();
        if (permissionRefused(error))
            throw WriteProtectedError(
                QStringLiteral("フォルダ %1 には書き込めないため、保存できません").arg(folder));
        fail(QStringLiteral("ファイル %1 を作成できません"), error);
    }
    if (!m_file.open(m_fd, QIODevice::WriteOnly, QFileDevice::DontCloseHandle))
        throw KorvaneError(
            QStringLiteral("ファイル %1 を作成できません: %2").arg(m_target, m_file.errorString()));
}

AtomicFile::~AtomicFile()
{
    m_file.close();
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_temporary.isEmpty())
        ::unlink(m_temporary.constData());
}

void AtomicFile::fail(const QString &what, int error) const
{
    throw KorvaneError(what.arg(m_target) + QStringLiteral(": ") + reason(error));
}

void AtomicFile::commit()
{
    const QString notWritten = QStringLiteral("ファイル %1 に書き込めません");
    if (!m_file.flush())
        throw KorvaneError(notWritten.arg(m_target) + QStringLiteral(": ") + m_file.errorString());
    m_file.close();
    ::fchmod(m_fd, mode_t(m_mode));
    if (m_owner >= 0 && ::geteuid() == 0) {
        // Only root may give the file back to its owner; for anyone else the
        // new file is theirs, as any editor's save makes it.
        const bool given = ::fchown(m_fd, uid_t(m_owner), gid_t(m_group)) == 0;
        Q_UNUSED(given);
    }
    if (::fsync(m_fd) != 0)
        fail(notWritten, errno);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0)
        fail(notWritten, errno);
    if (::rename(m_temporary.constData(), QFile::encodeName(m_target).constData()) != 0)
        fail(notWritten, errno);
    m_temporary.clear();
    // The new name must reach the disk too, or a crash now could bring the
    // old file back.
    const int folder = ::open(QFile::encodeName(QFileInfo(m_target).absolutePath()).constData(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
}

} // namespace korvane
