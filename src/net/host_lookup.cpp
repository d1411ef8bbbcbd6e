#include "net/host_lookup.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QHostInfo>
#include <QPointer>
#include <QTimer>
#include <optional>

#include "net/fetch_wait.h"
#include "net/http_fetch.h"

namespace nimbulux {

namespace {

HostLookupStarter g_start;

std::function<void()> StartQtLookup(const QString& name, AddressesFound found) {
  QObject* context = new QObject(QCoreApplication::instance());
  const int id = QHostInfo::lookupHost(name, context, [found, context](const QHostInfo& info) {
    found(info.error() == QHostInfo::NoError ? info.addresses() : QList<QHostAddress>());
    context->deleteLater();
  });
  // Abandoned: the answer, whenever it comes, goes nowhere.
  return [id, context] {
    QHostInfo::abortHostLookup(id);
    delete context;
  };
}

Text DottedIPv4(const QList<QHostAddress>& addresses) {
  for (const QHostAddress& a : addresses) {
    bool isIPv4 = false;
    a.toIPv4Address(&isIPv4);
    if (isIPv4 && a.protocol() == QAbstractSocket::IPv4Protocol) {
      return a.toString().toStdU16String();
    }
  }
  return {};
}

}  // namespace

Text LookUpIPv4Address(TextView hostName) {
  const QString name = QString::fromStdU16String(Text(hostName)).trimmed();
  if (name.isEmpty()) return {};
  // A dotted address is its own answer.
  const QHostAddress literal(name);
  if (!literal.isNull()) return DottedIPv4({literal});
  if (QCoreApplication::instance() == nullptr) return {};
  FetchWait wait;
  if (!wait.Started()) return {};

  QEventLoop loop;
  std::optional<QList<QHostAddress>> answer;
  // The answer may come after this function has returned (an abandoned lookup that Qt
  // still delivers): it only reaches a living loop.
  QPointer<QEventLoop> living(&loop);
  const std::function<void()> abandon =
      (g_start ? g_start : StartQtLookup)(name, [&answer, living](const QList<QHostAddress>& a) {
        if (living.isNull()) return;
        answer = a;
        living->quit();
      });
  wait.SetAbort([living] {
    if (!living.isNull()) living->quit();
  });
  QTimer limit;
  limit.setSingleShot(true);
  QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
  limit.start(static_cast<int>(TotalTimeoutMs()));
  if (!answer) wait.Run(loop);
  wait.SetAbort({});
  if (!answer) {
    if (abandon) abandon();
    return {};
  }
  if (wait.Cancelled()) return {};
  return DottedIPv4(*answer);
}

void SetHostLookupForTesting(HostLookupStarter start) { g_start = std::move(start); }

}  // namespace nimbulux
