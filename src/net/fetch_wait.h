// The program's one wait. A fetch or a name lookup waits in a local event loop that
// paints, runs timers and answers the window manager, but holds user input back until
// it is over. Whatever arrives meanwhile and would start a command (a tray click sent
// over D-Bus, a refresh asked by signal) is put off until the wait ends; an exit asked
// meanwhile cancels the wait and runs as soon as it is over. Commands put off run only
// once the program is back in its own event loop: a wait can be one of several in a
// row (the steps of a refresh), and a menu opened between two of them would hold its
// grab through the next.
#pragma once

#include <QEventLoop>
#include <functional>

class QObject;

namespace nimbulux {

// True while a fetch or a lookup waits.
bool FetchWaiting();

// For the end of the program: runs action at once when nothing waits; otherwise cancels
// the wait (it fails) and runs action as soon as the wait is over, before its owner
// continues.
void CancelFetchAndThen(std::function<void()> action);

// Puts a command off: runs action from the event loop once no wait is on and ready()
// holds (a menu closed, a refresh over), in the order asked; never when context is gone
// by then. Looked at again whenever a wait ends and every fifth of a second meanwhile.
void RunWhenReady(QObject* context, std::function<bool()> ready, std::function<void()> action);

// One wait, for the scope of its owner. Only one can be on at a time: a second one,
// begun from the event loop of the first, is refused (Started() is false) and must not
// wait.
class FetchWait {
 public:
  FetchWait();
  ~FetchWait();
  FetchWait(const FetchWait&) = delete;
  FetchWait& operator=(const FetchWait&) = delete;

  bool Started() const { return started_; }
  // Cancelled by CancelFetchAndThen: whatever arrives now counts as failed.
  bool Cancelled() const { return cancelled_; }

  // How to stop what is being waited for right now (abort a reply, a lookup); called
  // from the event loop when the wait is cancelled. Empty between steps.
  void SetAbort(std::function<void()> abort);

  // Runs loop until it is quit, holding user input back. The loop can also end from
  // outside (the application asks every loop to end): the owner checks that what it
  // awaited is complete, never that the loop returned.
  void Run(QEventLoop& loop);

 private:
  friend void CancelFetchAndThen(std::function<void()> action);
  void Cancel();

  bool started_ = false;
  bool cancelled_ = false;
  std::function<void()> abort_;
};

}  // namespace nimbulux
