#include "core/local_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace nimbulux {

ReadResult ReadWholeFile(const std::string& path, std::string& bytes) {
  bytes.clear();
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) {
    return QFileInfo::exists(file.fileName()) ? ReadResult::Failed : ReadResult::Missing;
  }
  const QByteArray all = file.readAll();
  if (file.error() != QFileDevice::NoError) return ReadResult::Failed;
  bytes.assign(all.constData(), static_cast<std::size_t>(all.size()));
  return ReadResult::Ok;
}

bool MakeFolders(const std::string& path) {
  if (path.empty()) return false;
  // QDir::mkpath takes no mode, so the missing levels are made one by one from the top.
  QStringList missing;
  for (QString folder = QDir::cleanPath(QString::fromStdString(path)); !QFileInfo::exists(folder);
       folder = QFileInfo(folder).path()) {
    missing.prepend(folder);
    if (QFileInfo(folder).path() == folder) break;
  }
  constexpr QFile::Permissions kPrivate = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                          QFile::ReadUser | QFile::WriteUser | QFile::ExeUser;
  for (const QString& folder : missing) QDir().mkdir(folder, kPrivate);
  return QFileInfo(QString::fromStdString(path)).isDir();
}

}  // namespace nimbulux
