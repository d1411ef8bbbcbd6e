// A stand-in for the tray host of current desktops: a StatusNotifierWatcher on the session
// bus that says a host is there and writes the bus name of every item that registers to
// the file given as its argument, one a line. Tests then click the item over D-Bus.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QFile>
#include <QStringList>
#include <cstdio>

class Watcher : public QObject, protected QDBusContext {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
  Q_PROPERTY(bool IsStatusNotifierHostRegistered READ HostRegistered)
  Q_PROPERTY(int ProtocolVersion READ ProtocolVersion)
  Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ Items)

 public:
  explicit Watcher(QString file) : file_(std::move(file)) {}
  bool HostRegistered() const { return true; }
  int ProtocolVersion() const { return 0; }
  QStringList Items() const { return items_; }

 public Q_SLOTS:
  void RegisterStatusNotifierItem(const QString& service) {
    // An item may name itself by its object path only: its bus name is then the sender's.
    const QString name = service.startsWith('/') ? message().service() : service;
    items_ << name;
    QFile f(file_);
    if (f.open(QIODevice::Append)) f.write(name.toUtf8() + '\n');
    Q_EMIT StatusNotifierItemRegistered(name);
  }
  void RegisterStatusNotifierHost(const QString&) {}

 Q_SIGNALS:
  void StatusNotifierItemRegistered(const QString& service);
  void StatusNotifierItemUnregistered(const QString& service);
  void StatusNotifierHostRegistered();

 private:
  QString file_;
  QStringList items_;
};

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc < 2) {
    std::fputs("usage: status_notifier_watcher ITEMS_FILE\n", stderr);
    return 2;
  }
  Watcher watcher(QString::fromLocal8Bit(argv[1]));
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.registerObject("/StatusNotifierWatcher", &watcher,
                          QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties |
                              QDBusConnection::ExportAllSignals) ||
      !bus.registerService("org.kde.StatusNotifierWatcher")) {
    std::fputs("status_notifier_watcher: the session bus refused the watcher\n", stderr);
    return 1;
  }
  return QCoreApplication::exec();
}

#include "status_notifier_watcher.moc"
