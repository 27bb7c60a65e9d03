#pragma once

#include <functional>

class QWidget;

namespace korvane {

class RecoveryKeeper;
class TKorvaneForm1;

// At start, once the first window is on the screen: the newest copy of
// unsaved work that an earlier run left is offered once. はい opens it in
// the editor (made by `editor` if need be) as the unsaved work it was, in
// place of `shown`; いいえ deletes it. A copy that cannot be read is said so
// and deleted. Other copies wait for the next starts.
void offerRecovery(RecoveryKeeper &keeper, QWidget *shown,
                   const std::function<TKorvaneForm1 &()> &editor);

} // namespace korvane
