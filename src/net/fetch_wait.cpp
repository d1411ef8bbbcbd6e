#include "net/fetch_wait.h"

#include <QCoreApplication>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <utility>
#include <vector>

namespace nimbulux {

namespace {

FetchWait* g_wait = nullptr;
// What an exit asked for during the wait: run as soon as it is over.
std::vector<std::function<void()>> g_afterCancel;
// Commands put off, oldest first.
struct Deferred {
  QPointer<QObject> context;
  std::function<bool()> ready;
  std::function<void()> action;
};
std::vector<Deferred> g_deferred;
// Made on first use, owned by the application object.
QPointer<QTimer> g_recheck;
bool g_running = false;

void RunReadyCommands();

void ScheduleCheck(int delayMs) {
  if (g_recheck.isNull()) {
    g_recheck = new QTimer(QCoreApplication::instance());
    g_recheck->setSingleShot(true);
    QObject::connect(g_recheck, &QTimer::timeout, g_recheck, RunReadyCommands);
  }
  if (!g_recheck->isActive() || g_recheck->remainingTime() > delayMs) g_recheck->start(delayMs);
}

// Runs the commands put off, oldest first, as long as each may run; the first that may
// not stops the rest, so that their order holds.
void RunReadyCommands() {
  if (g_running) return;
  g_running = true;
  while (!g_deferred.empty() && !FetchWaiting()) {
    Deferred& next = g_deferred.front();
    if (next.context.isNull()) {
      g_deferred.erase(g_deferred.begin());
      continue;
    }
    if (next.ready && !next.ready()) break;
    const std::function<void()> action = std::move(next.action);
    g_deferred.erase(g_deferred.begin());
    action();
  }
  g_running = false;
  if (!g_deferred.empty()) ScheduleCheck(200);
}

}  // namespace

bool FetchWaiting() { return g_wait != nullptr; }

void CancelFetchAndThen(std::function<void()> action) {
  if (g_wait == nullptr) {
    action();
    return;
  }
  g_afterCancel.push_back(std::move(action));
  g_wait->Cancel();
}

void RunWhenReady(QObject* context, std::function<bool()> ready, std::function<void()> action) {
  if (QCoreApplication::instance() == nullptr) return;
  g_deferred.push_back({context, std::move(ready), std::move(action)});
  ScheduleCheck(FetchWaiting() ? 200 : 0);
}

FetchWait::FetchWait() {
  if (g_wait != nullptr) return;
  g_wait = this;
  started_ = true;
}

FetchWait::~FetchWait() {
  if (!started_) return;
  g_wait = nullptr;
  if (cancelled_) {
    std::vector<std::function<void()>> actions;
    actions.swap(g_afterCancel);
    for (const auto& action : actions) action();
  }
  if (!g_deferred.empty()) ScheduleCheck(0);
}

void FetchWait::SetAbort(std::function<void()> abort) { abort_ = std::move(abort); }

void FetchWait::Cancel() {
  if (cancelled_) return;
  cancelled_ = true;
  // Aborted from the event loop, not from inside whatever signal asked for the exit.
  if (abort_) QTimer::singleShot(0, QCoreApplication::instance(), abort_);
}

void FetchWait::Run(QEventLoop& loop) {
  if (cancelled_) return;
  loop.exec(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace nimbulux
