#pragma once

#include "document/RecoveryStore.h"

#include <QObject>
#include <QTimer>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace korvane {

class EditorDocument;

// Keeps the recovery copy of one document in step with it: while the
// document is unsaved work, a copy written by a worker thread at most
// kDelayMs after a change; none once the work is saved, made clean again by
// undo, or given up. The interface's thread only takes the snapshot.
//
// At the end (finish, or the destructor) unsaved work is written once more,
// here and now, and the copy stays for the next start; otherwise it goes.
class RecoveryKeeper : public QObject
{
    Q_OBJECT
public:
    static constexpr int kDelayMs = 2000;

    explicit RecoveryKeeper(RecoveryStore &store, QObject *parent = nullptr);
    ~RecoveryKeeper() override;

    RecoveryStore &store() { return m_store; }

    // The document to follow; null stops following (after finish()).
    void watch(const EditorDocument *document);
    // After every change, load, save, undo or redo of the document.
    void documentChanged();
    // The user gave the unsaved work up: its copy goes, until the next change.
    void discarded();
    // On this thread, at once: the copy written when the document is unsaved
    // work (and changed since the last copy), removed otherwise. For a
    // termination signal and the session's end, after which the program
    // may be gone.
    void writeNow();
    // The program ends: writeNow, the worker stopped, the document no
    // longer followed. Later calls do nothing.
    void finish();

    // Whether a copy of this instance is on the disk or on its way there.
    bool hasCopy() const { return m_haveCopy; }

Q_SIGNALS:
    // A copy could not be written (a full disk, say); the one before stays.
    void writeFailed(const QString &message);

private:
    enum class Job { None, Write, Remove };
    bool unsavedWork() const;
    // No copy is wanted now: the pending one stops and the written one goes.
    void dropCopy();
    void post(Job job, std::optional<RecoverySnapshot> snapshot = {});
    void work();
    // Runs one job with the files to itself; reports a failure.
    void run(Job job, const RecoverySnapshot *snapshot);

    RecoveryStore &m_store;
    const EditorDocument *m_doc = nullptr;
    QTimer m_timer;
    bool m_discarded = false;
    bool m_haveCopy = false;
    bool m_changedSinceCopy = false;
    bool m_finished = false;

    std::mutex m_files; // one writer or remover at a time
    std::mutex m_queue;
    std::condition_variable m_wake;
    Job m_job = Job::None;
    std::optional<RecoverySnapshot> m_snapshot;
    bool m_stop = false;
    std::thread m_worker;
};

} // namespace korvane
