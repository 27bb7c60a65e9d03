#pragma once

#include "common/KorvaneError.h"

#include <QFile>
#include <QString>

namespace korvane {

// The target may not be written by this user: a file without write
// permission, or a folder where no file can be made. The window offers to
// save under another name instead of just reporting the failure.
class WriteProtectedError : public KorvaneError
{
public:
    using KorvaneError::KorvaneError;
};

// A file written all or nothing. The bytes go to a temporary file with a
// short name in the target's folder (so that a target name near the
// system's length limit still works), which commit() flushes to the disk
// and renames over the target. Until then the target is untouched; a
// writer that fails simply lets the object go, and the temporary file goes
// with it. A replaced file keeps its permissions (and, where the system
// lets us, its owner).
class AtomicFile
{
public:
    // Throws WriteProtectedError when the target cannot be written by this
    // user (a file the user has made read-only counts, also for root, as
    // rm treats it), KorvaneError for any other reason.
    explicit AtomicFile(const QString &target);
    ~AtomicFile();
    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;

    // The temporary file, open for writing; its fileName() is the target's,
    // for messages.
    QFile &device() { return m_file; }
    // Throws KorvaneError when the bytes cannot be had on the disk; the
    // target is then still the file it was.
    void commit();

    // Whether the target may not be written by this user (see above).
    static bool isWriteProtected(const QString &path);

private:
    // The temporary file under the target's name, for the writers' messages.
    class Device : public QFile
    {
    public:
        QString fileName() const override { return m_name; }
        QString m_name;
    };

    [[noreturn]] void fail(const QString &what, int error) const;

    QString m_target;
    QByteArray m_temporary;
    Device m_file;
    int m_fd = -1;
    unsigned m_mode = 0;
    int m_owner = -1;
    int m_group = -1;
};

} // namespace korvane
