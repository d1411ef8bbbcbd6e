#include "core/file_replace.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFileInfo>
#include <QSaveFile>

namespace nimbulux {

// QSaveFile writes beside the target, flushes the content to the disk and renames it
// over the target only on commit; a crash or a full disk leaves the old file whole. It
// also follows a symbolic link to the file it points at, keeps an existing file's
// permission bits and refuses an existing file that is not writable.
bool ReplaceFileAtomically(const std::string& path, std::string_view bytes, Durability durability) {
  QSaveFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::WriteOnly)) return false;
  const auto size = static_cast<qint64>(bytes.size());
  if (file.write(bytes.data(), size) != size || !file.commit()) return false;
  if (durability != Durability::Durable) return true;
  // The rename itself reaches the disk only with its folder: without this a power cut
  // could bring back the old file after the call reported the new one.
  const QByteArray folder = QFile::encodeName(QFileInfo(file.fileName()).canonicalPath());
  const int dir =
      open(folder.isEmpty() ? "." : folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    fsync(dir);
    close(dir);
  }
  return true;
}

}  // namespace nimbulux
