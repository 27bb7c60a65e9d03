#include "document/RecoveryKeeper.h"

#include "common/KorvaneError.h"
#include "editor/EditorDocument.h"

#include <QMetaObject>
#include <new>

namespace korvane {

RecoveryKeeper::RecoveryKeeper(RecoveryStore &store, QObject *parent)
    : QObject(parent), m_store(store)
{
    // From the first change, not the last: a user who draws on and on
    // still has a copy at most this far behind.
    m_timer.setSingleShot(true);
    // The tests of the immediate copies (a signal, the session's end) set
    // it long, so that no periodic copy comes between.
    bool set = false;
    const int delay = qEnvironmentVariableIntValue("KORVANE_RECOVERY_DELAY_MS", &set);
    m_timer.setInterval(set && delay > 0 ? delay : kDelayMs);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (unsavedWork() && m_changedSinceCopy) {
            m_changedSinceCopy = false;
            m_haveCopy = true;
            post(Job::Write, takeSnapshot(*m_doc));
        }
    });
}

RecoveryKeeper::~RecoveryKeeper()
{
    finish();
}

void RecoveryKeeper::watch(const EditorDocument *document)
{
    m_doc = document;
    documentChanged();
}

bool RecoveryKeeper::unsavedWork() const
{
    return m_doc && !m_discarded && m_doc->Modified();
}

void RecoveryKeeper::documentChanged()
{
    if (m_finished)
        return;
    m_discarded = false;
    if (unsavedWork()) {
        m_changedSinceCopy = true;
        if (!m_timer.isActive())
            m_timer.start();
        return;
    }
    dropCopy();
}

void RecoveryKeeper::discarded()
{
    if (m_finished)
        return;
    m_discarded = true; // until the next change
    dropCopy();
}

void RecoveryKeeper::dropCopy()
{
    m_timer.stop();
    m_changedSinceCopy = false;
    if (m_haveCopy) {
        m_haveCopy = false;
        post(Job::Remove);
    }
}

void RecoveryKeeper::post(Job job, std::optional<RecoverySnapshot> snapshot)
{
    {
        const std::lock_guard lock(m_queue);
        // Only the newest job counts: a copy waiting to be written is
        // replaced by a newer one, or made pointless by a removal.
        m_job = job;
        m_snapshot = std::move(snapshot);
    }
    if (!m_worker.joinable())
        m_worker = std::thread([this] { work(); });
    m_wake.notify_one();
}

void RecoveryKeeper::work()
{
    for (;;) {
        Job job;
        std::optional<RecoverySnapshot> snapshot;
        {
            std::unique_lock lock(m_queue);
            m_wake.wait(lock, [this] { return m_stop || m_job != Job::None; });
            if (m_job == Job::None)
                return; // stopped with nothing left to do
            job = std::exchange(m_job, Job::None);
            snapshot = std::exchange(m_snapshot, std::nullopt);
        }
        run(job, snapshot ? &*snapshot : nullptr);
    }
}

void RecoveryKeeper::run(Job job, const RecoverySnapshot *snapshot)
{
    const std::lock_guard lock(m_files);
    QString failure;
    try {
        if (job == Job::Write)
            m_store.write(*snapshot);
        else
            m_store.remove();
        return;
    } catch (const KorvaneError &error) {
        failure = error.message();
    } catch (const std::bad_alloc &) {
        failure = QStringLiteral("メモリが足りません");
    }
    QMetaObject::invokeMethod(
        this, [this, failure] { Q_EMIT writeFailed(failure); }, Qt::QueuedConnection);
}

void RecoveryKeeper::writeNow()
{
    if (m_finished)
        return;
    m_timer.stop();
    Job waiting;
    {
        // A job still waiting is done here instead, or superseded.
        const std::lock_guard lock(m_queue);
        waiting = std::exchange(m_job, Job::None);
        m_snapshot.reset();
    }
    if (unsavedWork()) {
        if (m_changedSinceCopy || !m_haveCopy || waiting == Job::Write) {
            const RecoverySnapshot snapshot = takeSnapshot(*m_doc);
            m_changedSinceCopy = false;
            m_haveCopy = true;
            run(Job::Write, &snapshot);
        }
    } else if (m_haveCopy || waiting == Job::Remove) {
        m_haveCopy = false;
        run(Job::Remove, nullptr);
    }
}

void RecoveryKeeper::finish()
{
    if (m_finished)
        return;
    writeNow();
    m_finished = true;
    {
        const std::lock_guard lock(m_queue);
        m_stop = true;
    }
    m_wake.notify_one();
    if (m_worker.joinable())
        m_worker.join();
    m_doc = nullptr;
}

} // namespace korvane
