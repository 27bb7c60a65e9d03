#pragma once

#include "editor/AnnotationSet.h"

#include <QDateTime>
#include <QImage>
#include <QString>
#include <map>
#include <memory>
#include <vector>

class QLockFile;

namespace korvane {

class EditorDocument;

// The document as a recovery copy keeps it: the picture without
// annotations, the annotations as values, and the file it came from (empty
// when untitled), for the caption and Save.
struct RecoverySnapshot
{
    QImage base;
    AnnotationSet annotations;
    QString fileName;
};

// Cheap on purpose, it runs on the interface's thread: the picture is
// shared as QImage shares and stays untouched by drawing, which composes
// into DrawBmp only; the annotations are copied as values.
RecoverySnapshot takeSnapshot(const EditorDocument &document);

// A copy that an earlier run left and this one has claimed.
struct RecoveryCandidate
{
    QString id;
    QDateTime written;
    QString fileName; // the document's file, empty when untitled
};

// What a copy gave back. Without a stored document (a copy written as a
// plain picture) the picture comes back as the base with no annotations;
// notRestored says what of the document could not be had, or is empty.
struct RecoveredDocument
{
    QImage base;
    AnnotationSet annotations;
    QString fileName;
    QString notRestored;
};

// The document replaced by a recovered one, unsaved work with a history of
// its own; composed, the selection cleared.
void RestoreDocument(EditorDocument &document, RecoveredDocument recovered);

// The recovery copies of unsaved work, in a folder of the user's (private,
// 0700): for each running instance at most one copy <id>.png in the editable
// form, the document's file name beside it in <id>.name, and <id>.lock, a
// QLockFile held while the instance runs. A copy whose lock no live process
// holds is left over from a run that ended without saving (killed, crashed,
// the session ended) and is what the next start offers.
//
// Written atomically (a temporary file renamed over the copy), so a copy is
// always whole. write() and remove() may run on another thread than the
// rest, one at a time.
class RecoveryStore
{
public:
    // $XDG_STATE_HOME/korvane, by default ~/.local/state/korvane.
    static QString defaultFolder();

    explicit RecoveryStore(QString folder);
    // Releases the locks; the copies stay as they are.
    ~RecoveryStore();
    RecoveryStore(const RecoveryStore &) = delete;
    RecoveryStore &operator=(const RecoveryStore &) = delete;

    const QString &folder() const { return m_folder; }
    QString copyPath() const { return pathOf(m_id, u".png"); }

    // This instance's copy, replaced whole; the folder and the lock are made
    // at the first call. Throws KorvaneError; the copy before stays then.
    void write(const RecoverySnapshot &snapshot);
    // This instance's copy deleted, if there is one.
    void remove();

    // The copies of runs that no longer run, newest first, each claimed
    // (its lock taken) so that no other start offers it meanwhile.
    std::vector<RecoveryCandidate> claimLeftOver();
    // A claimed copy read back. Throws KorvaneError for a copy that is
    // damaged or cannot be read.
    RecoveredDocument read(const QString &id) const;
    // A claimed copy deleted with its name and lock.
    void discard(const QString &id);
    // A claimed copy given back for a later start.
    void release(const QString &id);

private:
    QString pathOf(const QString &id, QStringView suffix) const;
    void makeFolder() const;

    QString m_folder;
    QString m_id;
    std::unique_ptr<QLockFile> m_lock;
    QString m_writtenName; // what <id>.name holds, once written
    bool m_nameWritten = false;
    std::map<QString, std::unique_ptr<QLockFile>> m_claims;
};

} // namespace korvane
