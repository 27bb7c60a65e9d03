#include "ui/RecoveryOffer.h"

#include "common/KorvaneError.h"
#include "document/RecoveryKeeper.h"
#include "ui/ErrorBox.h"
#include "ui/editor/KorvaneForm1.h"

#include <QMessageBox>
#include <QPushButton>
#include <new>

namespace korvane {

void offerRecovery(RecoveryKeeper &keeper, QWidget *shown,
                   const std::function<TKorvaneForm1 &()> &editor)
{
    RecoveryStore &store = keeper.store();
    const std::vector<RecoveryCandidate> left = store.claimLeftOver();
    if (left.empty())
        return;
    for (std::size_t i = 1; i < left.size(); ++i)
        store.release(left[i].id);
    const QString id = left.front().id;

    // Read before asking: a copy that cannot be restored is not offered.
    RecoveredDocument recovered;
    try {
        recovered = store.read(id);
    } catch (const KorvaneError &error) {
        store.discard(id);
        showErrorBox(QStringLiteral("前回保存されなかった画像は壊れているため、復元できません。"
                                    "\r\n\r\n") +
                     error.message());
        return;
    } catch (const std::bad_alloc &) {
        store.release(id); // perhaps another time, with more memory free
        showErrorBox(QStringLiteral("メモリが足りないため、前回保存されなかった画像を復元できません"));
        return;
    }

    // A box closed without an answer keeps the copy for the next start.
    QMessageBox::StandardButton answer = QMessageBox::NoButton;
    {
        QMessageBox box(QMessageBox::Question, QStringLiteral("Korvane"),
                        QStringLiteral("前回保存されなかった画像があります。復元しますか？"),
                        QMessageBox::NoButton, shown);
        QPushButton *yes = box.addButton(QStringLiteral("はい(&Y)"), QMessageBox::YesRole);
        QPushButton *no = box.addButton(QStringLiteral("いいえ(&N)"), QMessageBox::NoRole);
        box.setDefaultButton(yes);
        box.exec();
        if (box.clickedButton() == yes)
            answer = QMessageBox::Yes;
        else if (box.clickedButton() == no)
            answer = QMessageBox::No;
    }
    if (answer == QMessageBox::No) {
        store.discard(id);
        return;
    }
    TKorvaneForm1 *window = answer == QMessageBox::Yes ? &editor() : nullptr;
    // The start-up file in the editor is asked about should it be changed.
    if (!window || !window->maybeSave()) {
        store.release(id);
        return;
    }
    const QString notRestored = recovered.notRestored;
    window->restoreDocument(std::move(recovered));
    // The work has a copy of this run before the old one goes.
    keeper.writeNow();
    store.discard(id);
    if (shown && shown != window)
        shown->hide();
    window->show();
    window->raise();
    window->activateWindow();
    if (!notRestored.isEmpty()) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Korvane"), notRestored,
                        QMessageBox::Ok, window);
        box.exec();
    }
}

} // namespace korvane
